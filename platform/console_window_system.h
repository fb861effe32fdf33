// A window system for command-line tools: no windows, and message boxes written to standard
// error as "caption: text" with the default answer (no, or OK).
#pragma once

#include <cstdio>

#include "platform/window_system.h"

namespace korvel::platform {

class ConsoleWindowSystem : public WindowSystem {
 public:
  int messageBox(HWND, const char* text, const char* caption, UINT type) override {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
  }
  int screenWidth() override { return 0; }
  int screenHeight() override { return 0; }
  void showCursor(bool) override {}

 protected:
  bool openNative(WindowHandle&) override { return false; }
  void closeNative(WindowHandle&) override {}
  void pollNative() override {}
};

}  // namespace korvel::platform
