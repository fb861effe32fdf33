#include "app/entry_point.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/vantor.h"
#include "platform/offline_host.h"

namespace korvel {
namespace {

using platform::OfflineWindowSystem;

std::vector<std::string> events;
OfflineWindowSystem* activeSystem = nullptr;

struct FakeMusic {
  int shutdown() {
    events.push_back("music shutdown");
    return 1;
  }
};

class LoggingApp : public Vantor {
 public:
  LoggingApp() {
    music = new FakeMusic;
    events.push_back("construct");
  }
  ~LoggingApp() override {
    delete music;
    events.push_back("delete");
  }
  int init() override {
    events.push_back(fullscreen ? "init fullscreen" : "init windowed");
    return 1;
  }
  int frame() override {
    events.push_back("frame");
    if (!closeSent) {
      // Handled on the next pass, which still draws; the pass after takes the quit.
      activeSystem->script(MSG{hwnd, WM_CLOSE, 0, 0});
      closeSent = true;
    }
    return 1;
  }
  void shutdownMusic() override { music->shutdown(); }
  int shutdown() override {
    events.push_back("shutdown");
    return 1;
  }
  FakeMusic* music;
  bool closeSent = false;
};

class EntryPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    activeSystem = &system;
  }
  platform::OfflineHost offline;
  OfflineWindowSystem& system = offline.windows;
};

TEST_F(EntryPointTest, AsksTheQuestionThenRunsStopsTheMusicShutsDownAndDeletes) {
  system.answerNext(IDNO);
  EXPECT_EQ(entryPoint<LoggingApp>(nullptr), 0);
  ASSERT_GE(system.shown.size(), 1u);
  EXPECT_EQ(system.shown[0].text, "Need Full Powered Screen?");
  EXPECT_EQ(system.shown[0].caption, "Question");
  EXPECT_EQ(system.shown[0].type, MB_YESNO);
  EXPECT_EQ(system.shown[0].owner, nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"construct", "init windowed", "frame", "frame",
                                              "music shutdown", "shutdown", "delete"}));
}

TEST_F(EntryPointTest, YesChoosesFullScreen) {
  system.answerNext(IDYES);
  entryPoint<LoggingApp>(nullptr);
  EXPECT_EQ(events[1], "init fullscreen");
  ASSERT_EQ(system.opened.size(), 1u);
  EXPECT_TRUE(system.opened[0].style & WS_POPUP);
}

TEST_F(EntryPointTest, NoWindowEndsWithFailureAndRunsNoFrame) {
  system.failCreate = true;
  EXPECT_NE(entryPoint<LoggingApp>(nullptr), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"construct", "delete"}));
  ASSERT_EQ(system.shown.size(), 2u);
  EXPECT_EQ(system.shown[1].text, "Failed to create window!");
}

}  // namespace
}  // namespace korvel
