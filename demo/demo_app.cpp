#include "demo/demo_app.h"

#include "platform/blank_frame.h"

namespace korvel {

int DemoApp::frame() {
  platform::presentBlankFrame(hwnd);
  return 1;
}

}  // namespace korvel
