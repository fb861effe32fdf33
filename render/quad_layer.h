// One textured, coloured rectangle with its own four vertices and indices: the way pictures
// reach the screen. Drawn flat over the whole viewport, in the fixed perspective set-up, or
// with whatever transforms are set.
#pragma once

#include "assets/texture.h"
#include "render/geometry_buffers.h"
#include "render/math.h"

namespace korvel {

struct QuadVertex {  // 0x142
  Vec3 position;
  D3DCOLOR colour;
  float u, v;
};
static_assert(sizeof(QuadVertex) == 24);

class QuadLayer {
 public:
  QuadLayer();
  ~QuadLayer();
  QuadLayer(const QuadLayer&) = delete;
  QuadLayer& operator=(const QuadLayer&) = delete;

  void build(IDirect3DDevice9* device, const Vec3& centre, float halfWidth, float halfHeight,
             float uExtent, float vExtent, D3DCOLOR colour);
  // A null path leaves the layer without a picture.
  void setTexture(const char* path);
  // The four vertices in the buffer, for changing texture coordinates; null when unavailable.
  QuadVertex* lock();
  void unlock();
  void setColour(D3DCOLOR colour);
  // Fills the viewport, showing whatever texture stage 0 holds.
  void draw2D(IDirect3DDevice9* device);
  // In front of the viewer at `position`, with the layer's own texture.
  void draw3D(IDirect3DDevice9* device, const Vec3& position, int mirrored);
  // Draws twice, without and with indices, under the current transforms and states.
  void drawPlain();
  void release();

  IDirect3DDevice9* device = nullptr;
  float halfWidth = 0, halfHeight = 0;
  VertexBuffer vertexBuffer;
  IndexBuffer indexBuffer;
  QuadVertex vertices[4];
  Texture texture;
  int hasTexture = 0;

 private:
  void commonStates(IDirect3DDevice9* device);
  void drawStrip(IDirect3DDevice9* device);
};

}  // namespace korvel
