#include "support/headless_device.h"

#include <cstdlib>
#include <cstring>

#include "platform/d3d9.h"

namespace korvel::testing {

D3DCOLOR HeadlessDevice::pixel(UINT x, UINT y) {
  std::vector<uint8_t> all = pixels();
  if (all.size() < size_t(width) * height * 4) {
    return 0xDEADBEEF;
  }
  D3DCOLOR color;
  std::memcpy(&color, all.data() + (size_t(y) * width + x) * 4, 4);
  return color;
}

void HeadlessDevice::identityTransforms() {
  Mat4 identity;
  identity.identity();
  device->SetTransform(D3DTS_WORLD, &identity);
  device->SetTransform(D3DTS_VIEW, &identity);
  device->SetTransform(D3DTS_PROJECTION, &identity);
}

void HeadlessDevice::drawQuad(const ColorVertex corners[4]) {
  device->SetFVF(0x142);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corners, sizeof(ColorVertex));
}

void HeadlessDevice::drawQuad(const LitVertex corners[4]) {
  device->SetFVF(0x152);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corners, sizeof(LitVertex));
}

IDirect3DTexture9* HeadlessDevice::makeTexture(UINT w, UINT h, const std::vector<D3DCOLOR>& texels,
                                               DWORD usage, D3DPOOL pool) {
  IDirect3DTexture9* texture = nullptr;
  if (FAILED(device->CreateTexture(w, h, 1, usage, D3DFMT_A8R8G8B8, pool, &texture, nullptr))) {
    return nullptr;
  }
  if (!texels.empty()) {
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < h; ++y) {
      std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, &texels[y * w], w * 4);
    }
    texture->UnlockRect(0);
  }
  return texture;
}

void quadCorners(ColorVertex out[4], float left, float top, float right, float bottom, float z,
                 D3DCOLOR color) {
  out[0] = {left, top, z, color, 0, 0};
  out[1] = {right, top, z, color, 1, 0};
  out[2] = {left, bottom, z, color, 0, 1};
  out[3] = {right, bottom, z, color, 1, 1};
}

void quadCorners(LitVertex out[4], float left, float top, float right, float bottom, float z,
                 D3DCOLOR color, float nx, float ny, float nz) {
  out[0] = {left, top, z, nx, ny, nz, color, 0, 0};
  out[1] = {right, top, z, nx, ny, nz, color, 1, 0};
  out[2] = {left, bottom, z, nx, ny, nz, color, 0, 1};
  out[3] = {right, bottom, z, nx, ny, nz, color, 1, 1};
}

int channel(D3DCOLOR color, int shift) {
  return int((color >> shift) & 0xFF);
}

bool near(D3DCOLOR a, D3DCOLOR b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    if (std::abs(channel(a, shift) - channel(b, shift)) > tolerance) {
      return false;
    }
  }
  return true;
}

}  // namespace korvel::testing
