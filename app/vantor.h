// The framework base of the program: owns the one top-level window, routes its messages to
// virtual hooks and runs the message loop, one message and one frame per pass. The loop can
// also be stepped a pass at a time by a caller that wants each frame (offline rendering).
#pragma once

#include "platform/window_types.h"

namespace korvel {

class Vantor {
 public:
  Vantor();
  virtual ~Vantor();

  // Called once, as soon as the window exists.
  virtual int init() { return 0; }
  // Called on every pass of the loop.
  virtual int frame() = 0;
  // Called by the entry point before the object is deleted.
  virtual int shutdown() { return 0; }
  virtual LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  virtual int onKeyDown(int) { return 0; }
  virtual int onKeyUp(int) { return 0; }
  virtual int onMouseDown(int, int) { return 0; }
  virtual int onMouseUp(int, int) { return 0; }
  // Called by the entry point after the loop and before `shutdown`: stops the music library.
  // The base has none.
  virtual void shutdownMusic() {}

  // 1 when the window was created (and init run), else 0.
  int create(HINSTANCE hInstance, const char* title, int width, int height, int bitsPerPixel,
             int fullscreen);
  // Returns when `running` drops to 0 or a quit message arrives: beginLoop, then step
  // until it says stop.
  void run();
  // Readies the loop for its first pass.
  void beginLoop();
  // One pass: at most one message, the Escape test, one frame. False once the loop has ended
  // (no frame is drawn on the pass that takes the quit message).
  bool step();
  // Handles at most one queued message; 0 when it was the quit message.
  int pumpMessage();
  void registerWindowClass(HINSTANCE hInstance);
  int destroyWindow();

  HWND getHwnd() const { return hwnd; }
  int getWidth() const { return width; }
  int getHeight() const { return height; }
  // What the program ends with: 0, or 1 after endWithFailure.
  int exitStatus() const { return exitCode; }

 protected:
  // Ends the program before its next frame, with a failing exit status. For a set-up that
  // failed in init, after the user has been told.
  void endWithFailure();

  HWND hwnd;
  HDC hdc;
  HINSTANCE hInstance;
  int width;
  int height;
  int bitsPerPixel;  // stored only
  int fullscreen;
  int windowCreated;
  int running;
  WNDCLASSEXA windowClass;
  MSG msg;
  int exitCode = 0;
};

// The procedure of the framework's window class: finds the object through the window's user
// data, which is null until `create` has set it.
LRESULT windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr const char* kWindowClassName = "VantorWIN32";

}  // namespace korvel
