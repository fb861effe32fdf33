// The window system the framework runs on: window classes with their procedures, windows with
// a user-data slot, a message queue taken one message at a time, the Escape-key test, message
// boxes. The class, window and queue bookkeeping lives here; a backend (SDL, or a scripted one
// in tests) supplies the native windows, events and dialogs.
#pragma once

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/window_types.h"

namespace korvel::platform {

struct DeviceContext {
  HWND window;
};

struct WindowHandle {
  std::string className;
  std::string title;
  uint32_t style = 0;
  // Outer rectangle, frame and caption included.
  int x = 0, y = 0, width = 0, height = 0;
  bool visible = false;
  WNDPROC procedure = nullptr;
  void* userData = nullptr;
  DeviceContext dc{nullptr};
  void* native = nullptr;  // the backend's window
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  bool registerClass(const WNDCLASSEXA& windowClass);
  bool unregisterClass(const char* className, HINSTANCE instance);
  bool isClassRegistered(const char* className) const;

  // WM_CREATE reaches the class procedure before this returns, while the user data is still
  // null. Null when the class is unknown or the backend cannot open the window.
  HWND createWindow(const char* className, const char* title, uint32_t style, int x, int y,
                    int width, int height, HINSTANCE instance);
  bool destroyWindow(HWND window);
  bool isWindow(HWND window) const;
  void setUserData(HWND window, void* data);
  void* userData(HWND window) const;
  HDC getDC(HWND window);
  void showWindow(HWND window);
  // The backend's own window behind `window`; null for an unknown one.
  void* nativeWindow(HWND window) const;

  // Takes at most one pending message, never waiting for one.
  bool peekMessage(MSG* msg, UINT removeFlag);
  LRESULT dispatchMessage(const MSG& msg);
  bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT defWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // 0x8000 set while the key is down, bit 0 set when it went down since the previous query.
  int16_t asyncKeyState(int virtualKey);

  // Modal; answers IDYES, IDNO or IDOK.
  virtual int messageBox(HWND owner, const char* text, const char* caption, UINT type) = 0;
  virtual int screenWidth() = 0;
  virtual int screenHeight() = 0;
  // The display's refresh rate in hertz; 0 when unknown.
  virtual int refreshRate() { return 0; }
  virtual void showCursor(bool show) = 0;

 protected:
  // Opens the native window for `window` (its fields are filled) and sets `window.native`.
  virtual bool openNative(WindowHandle& window) = 0;
  virtual void closeNative(WindowHandle& window) = 0;
  virtual void showNative(WindowHandle&) {}
  // Hands every pending native event to `enqueue`.
  virtual void pollNative() = 0;

  // Queues a message from the native side, keeping the key states current.
  void enqueue(const MSG& msg);
  const std::vector<std::unique_ptr<WindowHandle>>& windows() const { return windows_; }

 private:
  void noteKey(const MSG& msg);

  std::map<std::string, WNDCLASSEXA> classes_;
  std::vector<std::unique_ptr<WindowHandle>> windows_;
  std::deque<MSG> queue_;
  std::array<bool, 256> keyDown_{};
  std::array<bool, 256> keyPressed_{};
};

// The installed host's window system.
WindowSystem& windowSystem();

}  // namespace korvel::platform
