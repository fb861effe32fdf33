// A flat sheet of vertices in front of an orthographic camera whose texture coordinates
// ripple with time: the picture seems to flow and wobble while the geometry stays still.
#pragma once

#include "assets/texture.h"
#include "render/geometry_buffers.h"

namespace korvel {

class WavingGrid {
 public:
  WavingGrid() = default;
  WavingGrid(const WavingGrid&) = delete;
  WavingGrid& operator=(const WavingGrid&) = delete;
  // Frees the texture, and the buffers too when the owner has not released them already.
  ~WavingGrid() { releaseBuffers(); }

  void setViewSize(int width, int height) {
    viewWidth = width;
    viewHeight = height;
  }
  // The sheet from (x0, y0) to (x1, y1) in view units, one vertex per unit. Returns 1.
  int build(IDirect3DDevice9* device, int x0, int y0, int x1, int y1);
  void loadTexture(const char* path) { texture.loadTexture(device, path); }
  void bindTexture(int stage) { device->SetTexture(DWORD(stage), texture.d3dTexture()); }
  void setColour(D3DCOLOR colour);
  void setBlend(D3DBLEND source, D3DBLEND destination) {
    srcBlend = source;
    destBlend = destination;
  }
  // Rewrites every texture coordinate, then draws the sheet's strips.
  void render(float uOffset, float vOffset, float time, bool wave);
  void releaseBuffers();

  VertexBuffer vertexBuffer;
  IndexBuffer indexBuffer;
  int viewWidth = 20, viewHeight = 20;
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int cols = 0, rows = 0;
  float uStep = 0, vStep = 0;
  Texture texture;
  D3DBLEND srcBlend = D3DBLEND_SRCALPHA, destBlend = D3DBLEND_INVSRCALPHA;
  IDirect3DDevice9* device = nullptr;
};

}  // namespace korvel
