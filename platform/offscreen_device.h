// A Direct3D device with no window, for tools and tests that draw and read the picture back:
// a back buffer of the size asked for, a 16-bit depth buffer, the installed host's Direct3D
// (headless OpenGL under the offline host).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"

namespace korvel::platform {

class OffscreenDevice {
 public:
  explicit OffscreenDevice(UINT width, UINT height, D3DFORMAT format = D3DFMT_A8R8G8B8);
  ~OffscreenDevice();
  OffscreenDevice(const OffscreenDevice&) = delete;
  OffscreenDevice& operator=(const OffscreenDevice&) = delete;

  explicit operator bool() const { return device != nullptr; }
  IDirect3DDevice9* operator->() const { return device; }
  // The back buffer: blue, green, red, alpha bytes, top row first; empty when unreadable.
  std::vector<uint8_t> pixels() const;

  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  UINT width, height;
};

}  // namespace korvel::platform
