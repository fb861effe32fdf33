// korvel-capture rendering the demo into a film, run as a user runs it: the streams and their
// timing as FFmpeg's reader sees them, the same file twice, refusals, an interrupted run.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "content/music/score.h"
#include "platform/video_file.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

int capture(const std::string& arguments) {
  std::string command = "cd " + fs::path(KORVEL_DATA).parent_path().string() +
                        " && LIBGL_ALWAYS_SOFTWARE=1 " KORVEL_CAPTURE " " + arguments +
                        " 2>/dev/null";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<char> bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CaptureTest, TheFirstSecondsBecomeAFilmWithTheMusicFromThePrerollsEnd) {
  testing::TempDir dir;
  const std::string film = dir.path("first.mkv"), again = dir.path("again.mkv");
  ASSERT_EQ(capture("--size 96x54 --until 10 -o " + film), 0);
  platform::MediaInfo info;
  ASSERT_TRUE(platform::probeMedia(film, &info));
  EXPECT_EQ(info.videoStreams, 1);
  EXPECT_EQ(info.audioStreams, 1);
  // The pre-roll's frames, then one frame a 60th of a second until the timeline passes 10 s.
  const int preroll = music::prerollFrames(150);
  const int playing = int(std::floor((10.0 - preroll / 60.0) * 60.0)) + 2;
  EXPECT_NEAR(info.videoFrames, preroll + playing, 1);
  EXPECT_NEAR(info.audioStart, preroll / 60.0, 0.03);
  EXPECT_NEAR(info.duration, (preroll + playing) / 60.0, 0.1);
  EXPECT_FALSE(fs::exists(dir.path("first.partial.mkv")));

  ASSERT_EQ(capture("--size 96x54 --until 10 -o " + again), 0);
  EXPECT_TRUE(bytesOf(film) == bytesOf(again)) << "two runs give the same film";
}

TEST(CaptureTest, BroadcastRatesSupersamplingAndStatsFromOneRun) {
  testing::TempDir dir;
  const std::string film = dir.path("ntsc.mkv"), stats = dir.path("stats.json");
  ASSERT_EQ(capture("--size 96x54 --fps 59.94 --supersample 2 --until 10 --stats " + stats +
                    " -o " + film),
            0);
  platform::MediaInfo info;
  ASSERT_TRUE(platform::probeMedia(film, &info));
  EXPECT_EQ(info.rateNumerator, 60000);
  EXPECT_EQ(info.rateDenominator, 1001);
  EXPECT_EQ(info.width, 96);
  EXPECT_EQ(info.height, 54);
  const int preroll = music::prerollFrames(150);
  EXPECT_NEAR(info.audioStart, preroll * 1001.0 / 60000.0, 0.03);

  std::ifstream in(stats);
  nlohmann::json doc = nlohmann::json::parse(in);
  EXPECT_EQ(doc["frames"].size(), size_t(info.videoFrames));
  EXPECT_EQ(doc["film"]["frames"], preroll);
  for (const char* window : {"2", "4", "13"}) {
    const auto& w = doc["windows"][window];
    EXPECT_GT(w["frames"].get<int>(), 0) << window;
    EXPECT_GE(w["wallMs"]["median"].get<double>(), w["ownMs"]["median"].get<double>());
  }
  EXPECT_GT(doc["frames"][0]["pixels"].get<double>(), 0) << "the first film frame drew";
}

TEST(CaptureTest, OddSizesAndExistingFilmsAreRefused) {
  testing::TempDir dir;
  EXPECT_EQ(capture("--size 97x54 --until 10 -o " + dir.path("odd.mp4")), 2);
  EXPECT_FALSE(fs::exists(dir.path("odd.mp4")));
  std::string existing = dir.write("kept.mp4", "not a film");
  EXPECT_EQ(capture("--size 96x54 --until 10 -o " + existing), 2);
  EXPECT_EQ(bytesOf(existing).size(), 10u);
  EXPECT_EQ(capture("--size 96x54 --fps 59.9 --until 10 -o " + dir.path("rate.mp4")), 2);
  EXPECT_EQ(capture("--size 4096x3072 --supersample 3 --until 10 -o " + dir.path("big.mp4")), 2);
  EXPECT_FALSE(fs::exists(dir.path("rate.mp4")));
}

TEST(CaptureTest, AnInterruptedCaptureLeavesAPlayableFilm) {
  testing::TempDir dir;
  const std::string film = dir.path("cut.mp4");
  EXPECT_EQ(capture("--size 96x54 -o " + film + " & pid=$!; sleep 3; kill -INT $pid; wait $pid"),
            130);
  platform::MediaInfo info;
  ASSERT_TRUE(platform::probeMedia(film, &info));
  EXPECT_GT(info.videoFrames, 0);
  EXPECT_FALSE(fs::exists(dir.path("cut.partial.mp4")));
}

}  // namespace
}  // namespace korvel
