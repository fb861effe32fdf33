#include "demo/demo_app.h"

namespace korvel {

int DemoApp::init() {
  if (!createDevice(width, height, fullscreen, 1)) {
    endWithFailure();
    return 0;
  }
  return 1;
}

int DemoApp::frame() {
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  device->EndScene();
  present();
  return 1;
}

int DemoApp::shutdown() {
  if (device) {
    device->Release();
    device = nullptr;
  }
  if (d3d) {
    d3d->Release();
    d3d = nullptr;
  }
  return 0;
}

}  // namespace korvel
