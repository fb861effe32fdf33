#include "app/vantor.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/offline_host.h"

namespace korvel {
namespace {

using platform::OfflineHost;

// Records what the framework calls; `onFrame` lets a test act between passes.
class ProbeApp : public Vantor {
 public:
  int init() override {
    ++inits;
    windowAtInit = hwnd;
    userDataAtInit = platform::windowSystem().userData(hwnd);
    return 1;
  }
  int frame() override {
    ++frames;
    keyDownsAtFrame.push_back(static_cast<int>(keysDown.size()));
    if (onFrame) {
      onFrame(*this);
    }
    return 1;
  }
  LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    handled.push_back(message);
    return Vantor::handleMessage(window, message, wParam, lParam);
  }
  int onKeyDown(int key) override {
    keysDown.push_back(key);
    return 0;
  }
  int onKeyUp(int key) override {
    keysUp.push_back(key);
    return 0;
  }
  int onMouseDown(int x, int y) override {
    mouse.push_back({x, y});
    return 0;
  }
  int onMouseUp(int x, int y) override {
    mouse.push_back({-1000 - x, -1000 - y});
    return 0;
  }

  void stop() { running = 0; }
  int isRunning() const { return running; }

  int inits = 0;
  int frames = 0;
  HWND windowAtInit = nullptr;
  void* userDataAtInit = nullptr;
  std::vector<UINT> handled;
  std::vector<int> keysDown, keysUp;
  std::vector<int> keyDownsAtFrame;
  std::vector<std::pair<int, int>> mouse;
  std::function<void(ProbeApp&)> onFrame;
};

class VantorTest : public ::testing::Test {
 protected:
  HWND createWindowed() {
    EXPECT_EQ(app.create(nullptr, "KORVEL", 800, 600, 32, 0), 1);
    return app.getHwnd();
  }
  // Guards every loop test against running forever.
  void stopAfter(int frames) {
    auto previous = app.onFrame;
    app.onFrame = [previous, frames](ProbeApp& a) {
      if (previous) {
        previous(a);
      }
      if (a.frames >= frames) {
        a.stop();
      }
    };
  }

  OfflineHost offline;
  platform::OfflineWindowSystem& system = offline.windows;
  ProbeApp app;
};

TEST_F(VantorTest, WindowedOpensCentredOverlappedWindowOfTheOuterSize) {
  struct Case {
    int screenW, screenH, x, y;
  } cases[] = {{1280, 1024, 240, 212}, {1366, 768, 283, 84}, {799, 599, -1, -1}};
  for (const Case& c : cases) {
    OfflineHost nested;
    auto& local = nested.windows;
    local.screenWidth_ = c.screenW;
    local.screenHeight_ = c.screenH;
    ProbeApp probe;
    ASSERT_EQ(probe.create(nullptr, "KORVEL", 800, 600, 32, 0), 1);
    ASSERT_EQ(local.opened.size(), 1u);
    const auto& w = local.opened[0];
    EXPECT_EQ(w.style, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_EQ(w.x, c.x) << c.screenW;
    EXPECT_EQ(w.y, c.y) << c.screenH;
    EXPECT_EQ(w.width, 800);
    EXPECT_EQ(w.height, 600);
    EXPECT_EQ(w.title, "KORVEL");
  }
}

TEST_F(VantorTest, FullscreenOpensPopupAtTopLeft) {
  ASSERT_EQ(app.create(nullptr, "KORVEL", 800, 600, 32, 1), 1);
  ASSERT_EQ(system.opened.size(), 1u);
  const auto& w = system.opened[0];
  EXPECT_EQ(w.style, WS_POPUPWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  EXPECT_EQ(w.x, 0);
  EXPECT_EQ(w.y, 0);
  EXPECT_EQ(w.width, 800);
  EXPECT_EQ(w.height, 600);
}

TEST_F(VantorTest, CreateRegistersClassHidesCursorAndRunsInitWithTheWindowReady) {
  HWND window = createWindowed();
  EXPECT_TRUE(system.isClassRegistered("VantorWIN32"));
  EXPECT_FALSE(system.cursorShown);
  EXPECT_EQ(app.inits, 1);
  EXPECT_EQ(app.windowAtInit, window);
  EXPECT_EQ(app.userDataAtInit, &app);
  EXPECT_TRUE(window->visible);
  // WM_CREATE arrives before the user data is set, so it goes to the default procedure.
  EXPECT_TRUE(app.handled.empty());
  EXPECT_TRUE(system.shown.empty());
}

TEST_F(VantorTest, FailedWindowIsReportedAndInitIsNotRun) {
  system.failCreate = true;
  EXPECT_EQ(app.create(nullptr, "KORVEL", 800, 600, 32, 0), 0);
  EXPECT_EQ(app.inits, 0);
  EXPECT_EQ(app.getHwnd(), nullptr);
  ASSERT_EQ(system.shown.size(), 1u);
  EXPECT_EQ(system.shown[0].text, "Failed to create window!");
  EXPECT_EQ(system.shown[0].caption, "ERROR");
  EXPECT_EQ(system.shown[0].type, MB_ICONWARNING);
}

TEST_F(VantorTest, DestructionDestroysTheWindowAndUnregistersTheClass) {
  {
    OfflineHost nested;
    auto& local = nested.windows;
    auto* probe = new ProbeApp;
    probe->create(nullptr, "KORVEL", 800, 600, 32, 0);
    HWND window = probe->getHwnd();
    delete probe;
    EXPECT_FALSE(local.isWindow(window));
    EXPECT_EQ(local.closedWindows, 1);
    EXPECT_FALSE(local.isClassRegistered("VantorWIN32"));
  }
}

TEST_F(VantorTest, CloseEndsTheLoopWithoutAnotherFrame) {
  HWND window = createWindowed();
  system.script(MSG{window, WM_CLOSE, 0, 0});
  stopAfter(100);
  app.run();
  // Pass 1 handles the close (and draws), pass 2 takes the quit message and leaves at once.
  EXPECT_EQ(app.frames, 1);
  EXPECT_EQ(app.isRunning(), 0);
  EXPECT_TRUE(system.isWindow(window));  // not destroyed by the close
}

TEST_F(VantorTest, EscapeEndsTheLoopAfterExactlyOneMoreFrame) {
  HWND window = createWindowed();
  app.onFrame = [&](ProbeApp& a) {
    if (a.frames == 3) {
      system.scriptKey(window, VK_ESCAPE, true);
    }
  };
  stopAfter(100);
  app.run();
  EXPECT_EQ(app.frames, 4);
}

TEST_F(VantorTest, EscapePressedAndReleasedBetweenPassesStillEndsTheLoop) {
  HWND window = createWindowed();
  system.scriptKey(window, VK_ESCAPE, true);
  system.scriptKey(window, VK_ESCAPE, false);
  stopAfter(100);
  app.run();
  EXPECT_EQ(app.frames, 1);
}

TEST_F(VantorTest, AutoRepeatIsDroppedAndKeyUpsArrive) {
  HWND window = createWindowed();
  system.scriptKey(window, 'A', true);
  system.scriptKey(window, 'A', true, true);
  system.scriptKey(window, 'A', true, true);
  system.scriptKey(window, 'A', false);
  system.scriptKey(window, 'B', true);
  stopAfter(10);
  app.run();
  EXPECT_EQ(app.keysDown, (std::vector<int>{'A', 'B'}));
  EXPECT_EQ(app.keysUp, (std::vector<int>{'A'}));
}

TEST_F(VantorTest, EachPassHandlesOneMessageAndDrawsOneFrame) {
  HWND window = createWindowed();
  for (int key = '1'; key <= '5'; ++key) {
    system.scriptKey(window, key, true);
  }
  stopAfter(7);
  app.run();
  EXPECT_EQ(app.keyDownsAtFrame, (std::vector<int>{1, 2, 3, 4, 5, 5, 5}));
}

TEST_F(VantorTest, MouseButtonsCarrySignedCoordinates) {
  HWND window = createWindowed();
  system.script(MSG{window, WM_LBUTTONDOWN, 0, makeLParam(-5, 300)});
  system.script(MSG{window, WM_LBUTTONUP, 0, makeLParam(12, -7)});
  stopAfter(3);
  app.run();
  EXPECT_EQ(app.mouse, (std::vector<std::pair<int, int>>{{-5, 300}, {-1012, -993}}));
}

TEST_F(VantorTest, ADerivedClassEndsTheLoopBySettingRunning) {
  createWindowed();
  stopAfter(5);
  app.run();
  EXPECT_EQ(app.frames, 5);
}

}  // namespace
}  // namespace korvel
