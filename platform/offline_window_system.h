// A window system without a screen: windows exist only as bookkeeping, native events are
// scripted by the caller, and message boxes answer from a script (no, or OK, by default) and
// are remembered, and written to standard error when `echo` is set. Tests, tools and offline
// rendering run on it.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace korvel::platform {

struct ShownMessageBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

class OfflineWindowSystem : public WindowSystem {
 public:
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
  bool echo = false;  // message boxes also go to standard error as "caption: text"
  bool cursorShown = true;
  std::vector<ShownMessageBox> shown;
  // Every window opened, as it was when it opened.
  std::vector<WindowHandle> opened;
  int closedWindows = 0;

 protected:
  bool openNative(WindowHandle& window) override;
  void closeNative(WindowHandle& window) override;
  void pollNative() override;

 private:
  std::deque<MSG> pending_;
  std::deque<int> answers_;
};

}  // namespace korvel::platform
