#include "platform/offscreen_device.h"

namespace korvel::platform {

OffscreenDevice::OffscreenDevice(UINT w, UINT h, D3DFORMAT format) : width(w), height(h) {
  d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS params{};
  params.BackBufferWidth = w;
  params.BackBufferHeight = h;
  params.BackBufferFormat = format;
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_COPY;
  params.Windowed = TRUE;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  if (d3d) {
    d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device);
  }
}

OffscreenDevice::~OffscreenDevice() {
  if (device) {
    device->Release();
  }
  if (d3d) {
    d3d->Release();
  }
}

std::vector<uint8_t> OffscreenDevice::pixels() const {
  std::vector<uint8_t> out;
  UINT w = 0, h = 0;
  readBackBuffer(device, &out, &w, &h);
  return out;
}

}  // namespace korvel::platform
