// The fuzzers' inputs replayed in every test run: valid models from the writer, the shader-file
// corpus (with the inputs that once crashed the parser), and a fixed set of mutations of them
// (flipped bytes, cuts, repeated runs, stray white space). The readers must survive all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "assets/tvk_writer.h"
#include "fuzz/fx_parse.h"
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
  return {encodeTvk(SceneFile()).value(), encodeTvk(testing::quadScene()).value(),
          encodeTvk(rich).value()};
}

// One to four random edits.
std::vector<uint8_t> mutated(std::vector<uint8_t> input, std::mt19937& rng) {
  int edits = 1 + int(rng() % 4);
  for (int e = 0; e < edits && !input.empty(); ++e) {
    size_t at = rng() % input.size();
    switch (rng() % 5) {
      case 0:
        input[at] ^= uint8_t(1u << (rng() % 8));
        break;
      case 1:
        input[at] = uint8_t(rng());
        break;
      case 2:
        input.resize(at);
        break;
      case 3: {
        static const uint8_t spaces[] = {' ', '\t', '\n', '\v', '\f', '\r'};
        input.insert(input.begin() + long(at), spaces[rng() % 6]);
        break;
      }
      default: {
        size_t length = std::min<size_t>(1 + rng() % 8, input.size() - at);
        std::vector<uint8_t> run(input.begin() + long(at), input.begin() + long(at + length));
        input.insert(input.begin() + long(at), run.begin(), run.end());
      }
    }
  }
  return input;
}

TEST(FuzzReplayTest, ShaderFileCorpusAndItsMutationsNeverCrashTheParser) {
  std::mt19937 rng(2026);
  int files = 0, parsed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(KORVEL_FX_CORPUS)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<uint8_t> seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ++files;
    fuzz::parseFxBytes(seed.data(), seed.size());
    for (int round = 0; round < 2000; ++round) {
      std::vector<uint8_t> input = mutated(seed, rng);
      parsed += fuzz::parseFxBytes(input.data(), input.size());
    }
  }
  EXPECT_GE(files, 5);
  EXPECT_GT(parsed, 0);  // some mutations only touch shader code or add blank space
}

TEST(FuzzReplayTest, MutatedModelsNeverCrashTheReader) {
  std::mt19937 rng(2024);
  int accepted = 0;
  for (const auto& seed : seeds()) {
    ASSERT_EQ(fuzz::loadTvk(seed.data(), seed.size()), 0);
    for (int round = 0; round < 3000; ++round) {
      std::vector<uint8_t> input = mutated(seed, rng);
      accepted += fuzz::loadTvk(input.data(), input.size()) == 0;
    }
  }
  // Some mutations only touch values (colours, positions) and still read.
  EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace korvel
