// A window system for tests: windows without a screen, native events the test scripts, message
// boxes that answer from a script and remember what they showed. Installed for its lifetime,
// putting back what was installed before.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace korvel::testing {

struct ShownMessageBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

class ScriptedWindowSystem : public platform::WindowSystem {
 public:
  ScriptedWindowSystem();
  ~ScriptedWindowSystem() override;

  // Native events, delivered the next time the system polls.
  void script(const MSG& msg) { pending_.push_back(msg); }
  void scriptKey(HWND window, int key, bool down, bool repeat = false);
  void answerNext(int answer) { answers_.push_back(answer); }

  int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  int screenWidth() override { return screenWidth_; }
  int screenHeight() override { return screenHeight_; }
  void showCursor(bool show) override { cursorShown = show; }

  int screenWidth_ = 1280;
  int screenHeight_ = 1024;
  bool failCreate = false;
  bool cursorShown = true;
  std::vector<ShownMessageBox> shown;
  // Every window opened, as it was when it opened.
  std::vector<platform::WindowHandle> opened;
  int closedWindows = 0;

 protected:
  bool openNative(platform::WindowHandle& window) override;
  void closeNative(platform::WindowHandle& window) override;
  void pollNative() override;

 private:
  platform::WindowSystem* previous_;
  std::deque<MSG> pending_;
  std::deque<int> answers_;
};

}  // namespace korvel::testing
