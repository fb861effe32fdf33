// A real device on the headless OpenGL path, a small back buffer, and what a test needs to
// draw a few vertices and read pixels back.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"
#include "platform/offscreen_device.h"

namespace korvel::testing {

struct ColorVertex {  // 0x142
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};

struct LitVertex {  // 0x152
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR color;
  float u, v;
};

class HeadlessDevice : public platform::OffscreenDevice {
 public:
  explicit HeadlessDevice(UINT width = 16, UINT height = 16, D3DFORMAT format = D3DFMT_A8R8G8B8)
      : OffscreenDevice(width, height, format) {}

  // The back buffer's texel at (x, y), as a D3DCOLOR.
  D3DCOLOR pixel(UINT x, UINT y);

  // Identity transforms, so positions are clip coordinates.
  void identityTransforms();
  void drawQuad(const ColorVertex corners[4]);
  void drawQuad(const LitVertex corners[4]);
  IDirect3DTexture9* makeTexture(UINT width, UINT height, const std::vector<D3DCOLOR>& texels,
                                 DWORD usage = 0, D3DPOOL pool = D3DPOOL_MANAGED);
};

// A quad over the given rectangle of clip space, corners top-left, top-right, bottom-left,
// bottom-right, ready for a triangle strip; texture coordinates (0,0) at the top-left.
void quadCorners(ColorVertex out[4], float left, float top, float right, float bottom, float z,
                 D3DCOLOR color);
void quadCorners(LitVertex out[4], float left, float top, float right, float bottom, float z,
                 D3DCOLOR color, float nx = 0, float ny = 0, float nz = -1);

// Channels of a D3DCOLOR, and whether two colours are within `tolerance` per channel.
int channel(D3DCOLOR color, int shift);
bool near(D3DCOLOR a, D3DCOLOR b, int tolerance = 2);

}  // namespace korvel::testing
