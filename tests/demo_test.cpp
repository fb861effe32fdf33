// The demo end to end on the offline host, stepped as korvel-capture steps it: the pre-roll's
// length, the beat clock and its variants, the windows, the scenes' set-ups, the stills.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/entry_point.h"
#include "content/music/score.h"
#include "demo/demo_app.h"
#include "platform/offline_host.h"
#include "platform/random.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

// The demo reads data/ from the working directory: the build folder.
class InBuildFolder {
 public:
  InBuildFolder() : here_(fs::current_path()) {
    fs::current_path(fs::path(KORVEL_DATA).parent_path());
  }
  ~InBuildFolder() { fs::current_path(here_); }

 private:
  fs::path here_;
};

class DemoTest : public ::testing::Test {
 protected:
  // The flock draws its school from the generator's state as a new process has it.
  DemoTest() { srand(1); }
  ~DemoTest() override {
    demo.shutdownMusic();
    demo.shutdown();
  }
  // Steps until the timeline passes `seconds`, advancing the clock a 60th per drawn frame.
  void runUntil(float seconds) {
    while (demo.step()) {
      const FrameReport& r = demo.lastFrame();
      reports.push_back(r);
      if (r.drew) {
        offline.clock.advanceSeconds(1.0 / 60.0);
      }
      if (r.playing && r.t > seconds) {
        return;
      }
    }
  }
  std::vector<uint8_t> backBuffer() {
    std::vector<uint8_t> pixels;
    UINT w, h;
    demo.readBackBuffer(&pixels, &w, &h);
    return pixels;
  }

  InBuildFolder folder;
  platform::OfflineHost offline;
  DemoApp demo;  // declared after the host: shut down while the host still stands
  std::vector<FrameReport> reports;
};

TEST_F(DemoTest, PrerollBeatsVariantsAndWindowsFollowTheTimeline) {
  ASSERT_EQ(demo.create(nullptr, "KORVEL", 64, 48, 32, 1), 1);
  ASSERT_EQ(demo.exitStatus(), 0);
  EXPECT_TRUE(offline.windows.shown.empty()) << offline.windows.shown[0].text;
  demo.beginLoop();
  runUntil(9.32f + 12 * 0.4334f);

  // 559 pre-roll frames for the 150-frame film, then a pass that only starts the music.
  int preroll = 0;
  while (preroll < int(reports.size()) && !reports[size_t(preroll)].playing) {
    ++preroll;
  }
  EXPECT_EQ(preroll, music::prerollFrames(150) + 1);
  EXPECT_FALSE(reports[size_t(preroll - 1)].drew);
  EXPECT_EQ(reports[size_t(preroll - 2)].filmFrame, 150);

  // The first playing frame is a beat, and so is every 26th after it.
  std::vector<int> variants, beatPasses;
  for (size_t i = size_t(preroll); i < reports.size(); ++i) {
    if (reports[i].beat) {
      beatPasses.push_back(int(i));
    }
  }
  ASSERT_GE(beatPasses.size(), 12u);
  EXPECT_EQ(beatPasses[0], preroll);
  for (size_t b = 1; b < beatPasses.size(); ++b) {
    EXPECT_EQ(beatPasses[b] - beatPasses[b - 1], 26) << b;
  }
  const FrameReport& first = reports[size_t(preroll)];
  EXPECT_NEAR(first.t, music::prerollSeconds(150), 1e-4);
  EXPECT_EQ(std::vector<int>(first.windows.begin(), first.windows.begin() + first.windowCount),
            (std::vector<int>{2, 4, 13}));
}

TEST_F(DemoTest, TheFirstTwelveBeatsPickTheirVariantsFromTheSeed) {
  ASSERT_EQ(demo.create(nullptr, "KORVEL", 64, 48, 32, 1), 1);
  demo.beginLoop();
  std::vector<int> variants;
  while (variants.size() < 12 && demo.step()) {
    if (demo.lastFrame().beat) {
      variants.push_back(demo.beatVariant);
      EXPECT_FLOAT_EQ(demo.beatPulse, 0.8f);
      EXPECT_FLOAT_EQ(demo.beatFlash, 0.9f);
      EXPECT_FLOAT_EQ(demo.beatSpread, 0.92f);
    }
    if (demo.lastFrame().drew) {
      offline.clock.advanceSeconds(1.0 / 60.0);
    }
  }
  EXPECT_EQ(variants, (std::vector<int>{1, 1, 3, 0, 2, 0, 2, 3, 1, 2, 3, 1}));
}

TEST_F(DemoTest, ScenesSetUpTheirCamerasAndLight) {
  ASSERT_EQ(demo.create(nullptr, "KORVEL", 64, 48, 32, 1), 1);
  demo.setupPhong(0);
  EXPECT_EQ(demo.eyePt, Vec3(350, 0, 5));
  Mat4 identity;
  identity.identity();
  EXPECT_EQ(demo.world, identity);
  demo.beatPulse = 1;
  demo.setupCel(0);
  EXPECT_EQ(demo.eyePt, Vec3(250, 0, -10));
  EXPECT_EQ(demo.world._22, 4.0f) << "four times as tall on a beat";
  demo.beatPulse = 0;
  demo.setupPulse(0);
  EXPECT_EQ(demo.lightPos, Vec3(0, 1, -3));
  demo.shutdown();
  demo.shutdown();  // a second shutdown finds nothing left
  EXPECT_EQ(demo.getDevice(), nullptr);
  EXPECT_EQ(demo.models, nullptr);
}

double meanBrightness(const std::vector<uint8_t>& pixels) {
  double sum = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    sum += (pixels[i] + pixels[i + 1] + pixels[i + 2]) / 3.0;
  }
  return sum / double(pixels.size() / 4);
}

// A minute of the demo at a small size: the flash on the first beat, the models after it, and
// the fog colour round the fish in the frame before a beat, when the black flash has faded.
TEST_F(DemoTest, StillsShowWhatEachSceneShould) {
  ASSERT_EQ(demo.create(nullptr, "KORVEL", 64, 48, 32, 1), 1);
  demo.beginLoop();
  runUntil(0.0f);  // the first playing frame: a beat
  ASSERT_TRUE(reports.back().beat);
  EXPECT_GT(meanBrightness(backBuffer()), 180) << "the white flash on the beat";
  runUntil(20.0f);
  std::vector<uint8_t> models = backBuffer();
  int lit = 0;
  for (size_t i = 0; i < models.size(); i += 4) {
    lit += models[i] + models[i + 1] + models[i + 2] > 30;
  }
  EXPECT_GT(lit, 64 * 48 / 20) << "the spinning models show";
  runUntil(66.0f);
  std::vector<uint8_t> before = backBuffer();
  while (demo.step()) {
    if (demo.lastFrame().drew) {
      offline.clock.advanceSeconds(1.0 / 60.0);
    }
    if (demo.lastFrame().beat) {
      break;
    }
    before = backBuffer();
  }
  // The top-left corner is open water: the fog colour (0x60, 0x66, 0x80), a little darkened.
  const uint8_t* corner = before.data();
  EXPECT_NEAR(corner[2], 0x60, 14);
  EXPECT_NEAR(corner[1], 0x66, 14);
  EXPECT_NEAR(corner[0], 0x80, 16);
}

TEST(DemoStartTest, AMissingDataFolderIsToldAndEndsTheProgram) {
  testing::TempDir dir;
  fs::path here = fs::current_path();
  fs::current_path(dir.path(""));
  platform::OfflineHost offline;
  int status = entryPoint<DemoApp>(nullptr);
  fs::current_path(here);
  EXPECT_EQ(status, 1);
  ASSERT_GE(offline.windows.shown.size(), 2u);
  EXPECT_NE(offline.windows.shown[1].text.find("data/ folder is missing"), std::string::npos);
  EXPECT_NE(offline.windows.shown[1].text.find("make"), std::string::npos);
}

TEST(PrerollTest, FilmLengthsGiveTheirFrameCounts) {
  EXPECT_EQ(music::prerollFrames(100), 558);
  EXPECT_EQ(music::prerollFrames(1), 280);
  EXPECT_EQ(music::prerollFrames(0), 0);
}

}  // namespace
}  // namespace korvel
