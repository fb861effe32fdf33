#include "app/vantor_d3d.h"

#include "platform/host.h"
#include "platform/window_system.h"

namespace korvel {

VantorD3D::VantorD3D() : d3d(nullptr), device(nullptr), presentParams{}, displayMode{} {}

int VantorD3D::createDevice(int width, int height, int fullscreen, int alphaBackBuffer) {
  auto& system = platform::windowSystem();
  d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) {
    system.messageBox(getHwnd(), "couldnt create d3d object", "DIRECT3D", MB_ICONERROR);
    return 0;
  }

  BOOL windowed;
  if (fullscreen) {
    displayMode = D3DDISPLAYMODE{UINT(width), UINT(height), 0,
                                 alphaBackBuffer ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8};
    windowed = FALSE;
  } else {
    if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displayMode))) {
      system.messageBox(getHwnd(), "Failed to GetAdapterDisplayMode!", "DIRECT3D", MB_ICONERROR);
      return 0;
    }
    windowed = TRUE;
  }

  presentParams = D3DPRESENT_PARAMETERS{};
  presentParams.BackBufferWidth = displayMode.Width;
  presentParams.BackBufferHeight = displayMode.Height;
  presentParams.BackBufferFormat = displayMode.Format;
  presentParams.BackBufferCount = 1;
  presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
  presentParams.MultiSampleQuality = 0;
  presentParams.SwapEffect = D3DSWAPEFFECT_COPY;
  presentParams.hDeviceWindow = getHwnd();
  presentParams.Windowed = windowed;
  presentParams.EnableAutoDepthStencil = TRUE;
  presentParams.AutoDepthStencilFormat = D3DFMT_D16;
  presentParams.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  presentParams.FullScreen_RefreshRateInHz = 0;
  presentParams.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

  if (d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, getHwnd(),
                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &presentParams, &device) != D3D_OK) {
    d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, getHwnd(),
                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &presentParams, &device);
  }
  if (!device) {
    // Nothing can be drawn without a device; say so rather than run blind.
    system.messageBox(getHwnd(), "Failed to create the Direct3D device", "DIRECT3D", MB_ICONERROR);
    return 0;
  }
  return 1;
}

bool VantorD3D::readBackBuffer(std::vector<uint8_t>* pixels, UINT* w, UINT* h) const {
  return device && platform::readBackBuffer(device, pixels, w, h);
}

HRESULT VantorD3D::present() {
  HRESULT result = device->Present(nullptr, nullptr, nullptr, nullptr);
  // On screen, a frame lasts one refresh even where the driver ignores vertical sync; offline,
  // the caller's clock decides and nothing waits.
  if (platform::host().graphics == platform::GraphicsOutput::Window) {
    pacer_.wait(platform::windowSystem().refreshRate());
  }
  return result;
}

}  // namespace korvel
