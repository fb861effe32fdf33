// The model fuzzer's inputs replayed in every test run: valid files from the writer and a fixed
// set of mutations of them (flipped bytes, cuts, repeated runs). The reader must survive all.
#include <gtest/gtest.h>

#include <random>

#include "assets/tvk_writer.h"
#include "fuzz/tvk_load.h"
#include "support/tvk_fixtures.h"

namespace korvel {
namespace {

std::vector<std::vector<uint8_t>> seeds() {
  SceneFile rich = testing::quadScene();
  rich.materials[0].textureName = "map.tga";
  rich.materials[0].subMaterials.resize(2);
  rich.cameras.push_back({1, 1, 100, Vec3(1, 2, 3), Vec3(0, 0, 0)});
  rich.lights.push_back({1, Vec3(1, 1, 1), 1, Vec3(), Vec3()});
  rich.objects.push_back(testing::randomMesh(3, 20, 30).objects[0]);
  return {encodeTvk(SceneFile()), encodeTvk(testing::quadScene()), encodeTvk(rich)};
}

TEST(FuzzReplayTest, MutatedModelsNeverCrashTheReader) {
  std::mt19937 rng(2024);
  int accepted = 0;
  for (const auto& seed : seeds()) {
    ASSERT_EQ(fuzz::loadTvk(seed.data(), seed.size()), 0);
    for (int round = 0; round < 3000; ++round) {
      std::vector<uint8_t> input = seed;
      int edits = 1 + int(rng() % 4);
      for (int e = 0; e < edits && !input.empty(); ++e) {
        size_t at = rng() % input.size();
        switch (rng() % 4) {
          case 0:
            input[at] ^= uint8_t(1u << (rng() % 8));
            break;
          case 1:
            input[at] = uint8_t(rng());
            break;
          case 2:
            input.resize(at);
            break;
          default: {
            size_t length = std::min<size_t>(1 + rng() % 8, input.size() - at);
            std::vector<uint8_t> run(input.begin() + long(at), input.begin() + long(at + length));
            input.insert(input.begin() + long(at), run.begin(), run.end());
          }
        }
      }
      accepted += fuzz::loadTvk(input.data(), input.size()) == 0;
    }
  }
  // Some mutations only touch values (colours, positions) and still read.
  EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace korvel
