#include "app/vantor.h"

#include "platform/window_system.h"

namespace korvel {

using platform::windowSystem;

namespace {

int signedLowWord(uintptr_t value) {
  return static_cast<int16_t>(value & 0xFFFF);
}
int signedHighWord(uintptr_t value) {
  return static_cast<int16_t>((value >> 16) & 0xFFFF);
}

}  // namespace

Vantor::Vantor()
    : hwnd(nullptr),
      hdc(nullptr),
      hInstance(nullptr),
      width(0),
      height(0),
      bitsPerPixel(0),
      fullscreen(0),
      windowCreated(0),
      running(0),
      windowClass{},
      msg{} {}

Vantor::~Vantor() {
  destroyWindow();
}

void Vantor::registerWindowClass(HINSTANCE instance) {
  windowClass = WNDCLASSEXA{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClassName;
  windowSystem().registerClass(windowClass);
}

int Vantor::create(HINSTANCE instance, const char* title, int w, int h, int bits, int full) {
  auto& system = windowSystem();
  hInstance = instance;
  fullscreen = full;
  width = w;
  height = h;
  bitsPerPixel = bits;
  registerWindowClass(instance);

  if (fullscreen) {
    hwnd = system.createWindow(kWindowClassName, title,
                               WS_POPUPWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                               0, width, height, instance);
  } else {
    int x = system.screenWidth() / 2 - width / 2;
    int y = system.screenHeight() / 2 - height / 2;
    hwnd = system.createWindow(kWindowClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                               width, height, instance);
  }
  if (!hwnd) {
    system.messageBox(nullptr, "Failed to create window!", "ERROR", MB_ICONWARNING);
    windowCreated = 0;
    return 0;
  }

  windowCreated = 1;
  system.setUserData(hwnd, this);
  hdc = system.getDC(hwnd);
  if (!hdc) {
    system.messageBox(nullptr, "Failed to get Device Context!", "ERROR", MB_ICONWARNING);
  }
  system.showWindow(hwnd);
  system.showCursor(false);

  init();
  return windowCreated;
}

LRESULT windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& system = windowSystem();
  auto* object = static_cast<Vantor*>(system.userData(hwnd));
  if (!object) {
    return system.defWindowProc(hwnd, message, wParam, lParam);
  }
  return object->handleMessage(hwnd, message, wParam, lParam);
}

LRESULT Vantor::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_CLOSE:
      // Ends the loop; the window itself stays until the object is deleted.
      windowSystem().postMessage(hwnd, WM_QUIT, 0, 0);
      return 0;
    case WM_KEYDOWN:
      if (!(lParam & KF_PREVIOUS_STATE)) {
        onKeyDown(signedLowWord(wParam));
      }
      return 0;
    case WM_KEYUP:
      onKeyUp(signedLowWord(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      onMouseDown(signedLowWord(lParam), signedHighWord(lParam));
      return 0;
    case WM_LBUTTONUP:
      onMouseUp(signedLowWord(lParam), signedHighWord(lParam));
      return 0;
    default:
      return windowSystem().defWindowProc(window, message, wParam, lParam);
  }
}

void Vantor::run() {
  beginLoop();
  while (step()) {
  }
}

void Vantor::beginLoop() {
  running = 1;
  msg = MSG{};
}

bool Vantor::step() {
  if (running != 1 || !pumpMessage()) {
    return false;
  }
  if (windowSystem().asyncKeyState(VK_ESCAPE) != 0) {
    running = 0;
  }
  // Also on the pass that saw Escape: one more frame is drawn before the loop ends.
  frame();
  return running == 1;
}

int Vantor::pumpMessage() {
  auto& system = windowSystem();
  if (!system.peekMessage(&msg, PM_REMOVE)) {
    return 1;
  }
  if (msg.message == WM_QUIT) {
    running = 0;
    return 0;
  }
  system.dispatchMessage(msg);
  return 1;
}

void Vantor::endWithFailure() {
  exitCode = 1;
  windowSystem().postMessage(hwnd, WM_QUIT, 0, 0);
}

int Vantor::destroyWindow() {
  auto& system = windowSystem();
  if (hwnd) {
    system.destroyWindow(hwnd);
    hwnd = nullptr;
  }
  system.unregisterClass(kWindowClassName, hInstance);
  return 1;
}

}  // namespace korvel
