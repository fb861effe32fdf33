#include "platform/sdl_window_system.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "platform/debug_output.h"

namespace korvel::platform {

namespace {

int virtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) {
    return 'A' + (key - SDLK_a);
  }
  if (key >= SDLK_0 && key <= SDLK_9) {
    return '0' + (key - SDLK_0);
  }
  if (key >= SDLK_F1 && key <= SDLK_F12) {
    return VK_F1 + (key - SDLK_F1);
  }
  switch (key) {
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_RETURN:
      return VK_RETURN;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_BACKSPACE:
      return 0x08;
    case SDLK_TAB:
      return 0x09;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    default:
      return 0;
  }
}

}  // namespace

SdlWindowSystem::~SdlWindowSystem() {
  if (videoState_ == 1) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
}

bool SdlWindowSystem::videoReady() {
  if (videoState_ == 0) {
    videoState_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? 1 : -1;
    // Without a display SDL falls back to drivers that show nothing; a window nobody can see
    // is no window, unless someone asked for such a driver by name.
    const char* driver = videoState_ == 1 ? SDL_GetCurrentVideoDriver() : nullptr;
    const bool invisible =
        driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (invisible && !SDL_getenv("SDL_VIDEODRIVER")) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      videoState_ = -1;
    }
    if (videoState_ == -1) {
      debugOutput(
          "korvel: no display to open a window on (is DISPLAY or WAYLAND_DISPLAY set?); "
          "korvel-capture renders the demo without one\n");
    }
  }
  return videoState_ == 1;
}

int SdlWindowSystem::messageBox(HWND owner, const char* text, const char* caption, UINT type) {
  bool yesNo = (type & 0xF) == MB_YESNO;
  int defaultAnswer = yesNo ? IDNO : IDOK;
  if (videoReady()) {
    SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
    };
    SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
         "OK"},
    };
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONERROR) {
      flags = SDL_MESSAGEBOX_ERROR;
    } else if ((type & 0xF0) == MB_ICONWARNING) {
      flags = SDL_MESSAGEBOX_WARNING;
    }
    SDL_MessageBoxData data{};
    data.flags = flags;
    data.window = sdlWindow(isWindow(owner) ? owner : nullptr);
    data.title = caption ? caption : "";
    data.message = text ? text : "";
    data.numbuttons = yesNo ? 2 : 1;
    data.buttons = yesNo ? yesNoButtons : okButton;
    int pressed = 0;
    if (SDL_ShowMessageBox(&data, &pressed) == 0) {
      // Closing the dialog without a button is the escape answer.
      return pressed > 0 ? pressed : defaultAnswer;
    }
  }
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return defaultAnswer;
}

int SdlWindowSystem::screenWidth() {
  SDL_DisplayMode mode;
  return videoReady() && SDL_GetDesktopDisplayMode(0, &mode) == 0 ? mode.w : 0;
}

int SdlWindowSystem::screenHeight() {
  SDL_DisplayMode mode;
  return videoReady() && SDL_GetDesktopDisplayMode(0, &mode) == 0 ? mode.h : 0;
}

int SdlWindowSystem::refreshRate() {
  SDL_DisplayMode mode{};
  if (!videoReady() || SDL_GetCurrentDisplayMode(0, &mode) != 0) {
    return 0;
  }
  return mode.refresh_rate;
}

void SdlWindowSystem::showCursor(bool show) {
  if (videoReady()) {
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
  }
}

SDL_Window* SdlWindowSystem::sdlWindow(HWND window) {
  return window ? static_cast<SDL_Window*>(window->native) : nullptr;
}

bool SdlWindowSystem::openNative(WindowHandle& window) {
  if (!videoReady()) {
    return false;
  }
  Uint32 flags = SDL_WINDOW_OPENGL | (window.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
  // A popup covering the screen is full screen. The desktop keeps its mode: the picture is
  // scaled into it, aspect kept, instead of switching the monitor's resolution.
  if (window.style & WS_POPUP) {
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  }
  SDL_Window* native = SDL_CreateWindow(window.title.c_str(), window.x, window.y, window.width,
                                        window.height, flags);
  if (!native) {
    return false;
  }
  if (!(window.style & WS_POPUP)) {
    // The size asked for is the outer one, frame and caption included.
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(native, &top, &left, &bottom, &right) == 0 &&
        (top | left | bottom | right) != 0) {
      SDL_SetWindowSize(native, window.width - left - right, window.height - top - bottom);
      SDL_SetWindowPosition(native, window.x + left, window.y + top);
    }
  }
  window.native = native;
  return true;
}

void SdlWindowSystem::closeNative(WindowHandle& window) {
  SDL_DestroyWindow(sdlWindow(&window));
  window.native = nullptr;
}

void SdlWindowSystem::showNative(WindowHandle& window) {
  SDL_ShowWindow(sdlWindow(&window));
}

HWND SdlWindowSystem::windowFromId(uint32_t id) const {
  for (const auto& window : windows()) {
    if (SDL_GetWindowID(static_cast<SDL_Window*>(window->native)) == id) {
      return window.get();
    }
  }
  return nullptr;
}

void SdlWindowSystem::pollNative() {
  if (videoState_ != 1) {
    return;
  }
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    switch (event.type) {
      case SDL_QUIT:
        // Interrupts and the last window closing ask every window to close.
        for (const auto& window : windows()) {
          enqueue(MSG{window.get(), WM_CLOSE, 0, 0});
        }
        break;
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
          if (HWND window = windowFromId(event.window.windowID)) {
            enqueue(MSG{window, WM_CLOSE, 0, 0});
          }
        }
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        int key = virtualKey(event.key.keysym.sym);
        HWND window = windowFromId(event.key.windowID);
        if (key == 0 || !window) {
          break;
        }
        bool down = event.type == SDL_KEYDOWN;
        LPARAM lParam = 1 | (event.key.keysym.scancode & 0xFF) << 16;
        if (!down) {
          lParam |= KF_PREVIOUS_STATE | KF_TRANSITION_UP;
        } else if (event.key.repeat) {
          lParam |= KF_PREVIOUS_STATE;
        }
        enqueue(MSG{window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(key), lParam});
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        HWND window = windowFromId(event.button.windowID);
        if (event.button.button != SDL_BUTTON_LEFT || !window) {
          break;
        }
        UINT message = event.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        enqueue(MSG{window, message, 0, makeLParam(event.button.x, event.button.y)});
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace korvel::platform
