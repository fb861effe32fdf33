// The fuzzers' inputs replayed in every test run: valid models from the writer, the shader-file
// corpus (with the inputs that once crashed the parser), the image seeds and data/'s pictures,
// and a fixed set of mutations of them (flipped bytes, cuts, repeated runs, stray white
// space). The readers must survive all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "assets/tvk_writer.h"
#include "fuzz/fx_parse.h"
#include "fuzz/image_load.h"
#include "fuzz/tvk_load.h"
#include "platform/offline_host.h"
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

std::vector<uint8_t> fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The image seeds: the small ones in the corpus and the generated pictures of data/.
std::vector<std::vector<uint8_t>> imageSeeds() {
  std::vector<std::vector<uint8_t>> seeds;
  for (const char* dir : {KORVEL_IMAGE_CORPUS, KORVEL_DATA}) {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      const auto extension = entry.path().extension();
      if (extension == ".tga" || extension == ".bmp" || extension == ".png") {
        seeds.push_back(fileBytes(entry.path()));
      }
    }
  }
  return seeds;
}

TEST(FuzzReplayTest, ImagesAndTheirMutationsNeverCrashEitherImageReader) {
  platform::OfflineHost host;  // the TGA reader's message boxes go nowhere
  std::mt19937 rng(2027);
  int tgaRead = 0, imagesRead = 0;
  const auto seeds = imageSeeds();
  ASSERT_GE(seeds.size(), 14u);
  for (const auto& seed : seeds) {
    fuzz::loadTga(seed.data(), seed.size());
    EXPECT_TRUE(fuzz::loadImage(seed.data(), seed.size()));
    // Small files take many mutations, the data's large pictures a few.
    const int rounds = seed.size() < 1024 ? 600 : 40;
    for (int round = 0; round < rounds; ++round) {
      std::vector<uint8_t> input = mutated(seed, rng);
      tgaRead += fuzz::loadTga(input.data(), input.size()) == 1;
      imagesRead += fuzz::loadImage(input.data(), input.size());
    }
  }
  EXPECT_GT(tgaRead, 0);
  EXPECT_GT(imagesRead, 0);
  // A header that claims a huge picture is refused before anything is allocated for it.
  const uint8_t huge[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x7F, 0xFF, 0x7F, 32, 0};
  EXPECT_FALSE(fuzz::loadImage(huge, sizeof huge));
  EXPECT_EQ(fuzz::loadTga(huge, sizeof huge), -1);
}

}  // namespace
}  // namespace korvel
