// The window system on SDL2: a desktop window, or desktop full screen for popup windows, and
// SDL's dialogs. With no display it still answers: message boxes go to standard error with
// the default answer (no), and windows cannot be opened.
#pragma once

#include "platform/window_system.h"

struct SDL_Window;

namespace korvel::platform {

class SdlWindowSystem : public WindowSystem {
 public:
  ~SdlWindowSystem() override;

  int messageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  int screenWidth() override;
  int screenHeight() override;
  int refreshRate() override;
  void showCursor(bool show) override;

  static SDL_Window* sdlWindow(HWND window);

 protected:
  bool openNative(WindowHandle& window) override;
  void closeNative(WindowHandle& window) override;
  void showNative(WindowHandle& window) override;
  void pollNative() override;

 private:
  bool videoReady();
  HWND windowFromId(uint32_t id) const;

  int videoState_ = 0;  // 0 not tried, 1 ready, -1 unavailable
};

}  // namespace korvel::platform
