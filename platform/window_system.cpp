#include "platform/window_system.h"

#include <algorithm>

#include "platform/host.h"

namespace korvel::platform {

bool WindowSystem::registerClass(const WNDCLASSEXA& windowClass) {
  if (!windowClass.lpszClassName || classes_.count(windowClass.lpszClassName)) {
    return false;
  }
  classes_[windowClass.lpszClassName] = windowClass;
  return true;
}

bool WindowSystem::unregisterClass(const char* className, HINSTANCE) {
  return className && classes_.erase(className) > 0;
}

bool WindowSystem::isClassRegistered(const char* className) const {
  return className && classes_.count(className) > 0;
}

HWND WindowSystem::createWindow(const char* className, const char* title, uint32_t style, int x,
                                int y, int width, int height, HINSTANCE) {
  auto found = className ? classes_.find(className) : classes_.end();
  if (found == classes_.end()) {
    return nullptr;
  }
  auto window = std::make_unique<WindowHandle>();
  window->className = className;
  window->title = title ? title : "";
  window->style = style;
  window->x = x;
  window->y = y;
  window->width = width;
  window->height = height;
  window->visible = (style & WS_VISIBLE) != 0;
  window->procedure = found->second.lpfnWndProc;
  window->dc.window = window.get();
  if (!openNative(*window)) {
    return nullptr;
  }
  HWND handle = window.get();
  windows_.push_back(std::move(window));
  if (handle->procedure) {
    handle->procedure(handle, WM_CREATE, 0, 0);
  }
  return handle;
}

bool WindowSystem::destroyWindow(HWND window) {
  auto found = std::find_if(windows_.begin(), windows_.end(),
                            [window](const auto& w) { return w.get() == window; });
  if (found == windows_.end()) {
    return false;
  }
  closeNative(**found);
  windows_.erase(found);
  // Messages still queued for it have nowhere to go.
  std::erase_if(queue_, [window](const MSG& m) { return m.hwnd == window; });
  return true;
}

bool WindowSystem::isWindow(HWND window) const {
  return window && std::any_of(windows_.begin(), windows_.end(),
                               [window](const auto& w) { return w.get() == window; });
}

void WindowSystem::setUserData(HWND window, void* data) {
  if (isWindow(window)) {
    window->userData = data;
  }
}

void* WindowSystem::userData(HWND window) const {
  return isWindow(window) ? window->userData : nullptr;
}

HDC WindowSystem::getDC(HWND window) {
  return isWindow(window) ? &window->dc : nullptr;
}

void* WindowSystem::nativeWindow(HWND window) const {
  return isWindow(window) ? window->native : nullptr;
}

void WindowSystem::showWindow(HWND window) {
  if (isWindow(window)) {
    window->visible = true;
    showNative(*window);
  }
}

bool WindowSystem::peekMessage(MSG* msg, UINT removeFlag) {
  pollNative();
  if (queue_.empty()) {
    return false;
  }
  *msg = queue_.front();
  if (removeFlag & PM_REMOVE) {
    queue_.pop_front();
  }
  return true;
}

LRESULT WindowSystem::dispatchMessage(const MSG& msg) {
  if (!isWindow(msg.hwnd) || !msg.hwnd->procedure) {
    return 0;
  }
  return msg.hwnd->procedure(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

bool WindowSystem::postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !isWindow(window)) {
    return false;
  }
  queue_.push_back(MSG{window, message, wParam, lParam});
  return true;
}

LRESULT WindowSystem::defWindowProc(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

int16_t WindowSystem::asyncKeyState(int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) {
    return 0;
  }
  pollNative();
  int16_t state =
      static_cast<int16_t>((keyDown_[virtualKey] ? 0x8000 : 0) | (keyPressed_[virtualKey] ? 1 : 0));
  keyPressed_[virtualKey] = false;
  return state;
}

void WindowSystem::enqueue(const MSG& msg) {
  noteKey(msg);
  queue_.push_back(msg);
}

void WindowSystem::noteKey(const MSG& msg) {
  if (msg.wParam > 255) {
    return;
  }
  if (msg.message == WM_KEYDOWN) {
    keyDown_[msg.wParam] = true;
    keyPressed_[msg.wParam] = true;
  } else if (msg.message == WM_KEYUP) {
    keyDown_[msg.wParam] = false;
  }
}

WindowSystem& windowSystem() {
  return *host().windows;
}

}  // namespace korvel::platform
