// The framework with a Direct3D 9 device: one operation creates the Direct3D object and the
// device, one presents a finished frame.
#pragma once

#include "app/vantor.h"
#include "platform/d3d9.h"
#include "platform/frame_pacer.h"

namespace korvel {

class VantorD3D : public Vantor {
 public:
  VantorD3D();
  // Releases nothing: the application releases the device and the Direct3D object.
  ~VantorD3D() override = default;

  int init() override { return 0; }
  int shutdown() override { return 0; }

  // 1 when a device was created; 0 after telling the user why not.
  int createDevice(int width, int height, int fullscreen, int alphaBackBuffer);
  HRESULT present();
  // The back buffer as it stands (blue, green, red, alpha bytes, top row first); false
  // without a device or when it cannot be read.
  bool readBackBuffer(std::vector<uint8_t>* pixels, UINT* width, UINT* height) const;

 protected:
  IDirect3D9* d3d;
  IDirect3DDevice9* device;
  D3DPRESENT_PARAMETERS presentParams;
  D3DDISPLAYMODE displayMode;

 private:
  platform::FramePacer pacer_;
};

}  // namespace korvel
