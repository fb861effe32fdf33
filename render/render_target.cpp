#include "render/render_target.h"

namespace korvel {

int RenderTarget::create(IDirect3DDevice9* device, int w, int h) {
  width = w;
  height = h;
  if (w <= 0 || h <= 0 ||
      FAILED(device->CreateTexture(UINT(w), UINT(h), 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &texture, nullptr))) {
    texture = nullptr;
    return 0;
  }
  return 1;
}

int RenderTarget::saveBackBuffer(IDirect3DDevice9* device) {
  if (savedBackBuffer) {
    savedBackBuffer->Release();
    savedBackBuffer = nullptr;
  }
  device->GetRenderTarget(0, &savedBackBuffer);
  return 1;
}

int RenderTarget::takeSurface(int level) {
  // Called every frame for the same surface: one reference is enough.
  if (!surface && texture) {
    texture->GetSurfaceLevel(UINT(level), &surface);
  }
  return 1;
}

void RenderTarget::select(IDirect3DDevice9* device, int which) {
  if (which == 0) {
    device->SetRenderTarget(0, surface);
  } else if (which == 2) {
    device->SetRenderTarget(0, savedBackBuffer);
    if (savedBackBuffer) {
      savedBackBuffer->Release();
      savedBackBuffer = nullptr;
    }
  }
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x7F000000, 1.0f, 0);
}

void RenderTarget::release() {
  if (texture) {
    texture->Release();
    texture = nullptr;
  }
  if (surface) {
    surface->Release();
    surface = nullptr;
  }
  if (savedBackBuffer) {
    savedBackBuffer->Release();
    savedBackBuffer = nullptr;
  }
}

}  // namespace korvel
