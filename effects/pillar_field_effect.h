// A slowly turning textured floor and, in front of it, a grid of tall translucent boxes whose
// long axis points at the viewer, moving to and fro in waves, glowing additively through dark
// fog under a swinging coloured light. Both vertex buffers are rewritten every frame.
#pragma once

#include "assets/texture.h"
#include "effects/effect.h"
#include "render/geometry_buffers.h"
#include "render/math.h"

namespace korvel {

class PillarFieldEffect final : public Effect {
 public:
  int init(IDirect3DDevice9* device) override;
  int render(float t) override;
  void release() override;
  ~PillarFieldEffect() { release(); }

  void setCamera(IDirect3DDevice9* device, float t);
  void setLight(IDirect3DDevice9* device, float t);
  void addPillar(float x, float y, float z, D3DCOLOR colour);
  void addQuad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, D3DCOLOR colour);

  static constexpr int kPillars = 160, kPillarVertices = kPillars * 5 * 6;

  int columns = 32, rows = 32;
  Texture texture;
  VertexBuffer surfaceBuffer;
  IndexBuffer surfaceIndices;
  VertexBuffer pillarBuffer;
  int pillarVertexCount = 0;
  IDirect3DDevice9* device = nullptr;
  // The floor's depth per unit of distance from its middle. Negative: the rim comes towards
  // the camera (16 units nearer at the corners than the middle), so the floor curves up round
  // the pillar field like a shallow bowl, and the black fog leaves its rim brighter than its
  // deep middle. Positive values would bulge the middle towards the viewer instead.
  float surfaceSlope = -0.35f;

 private:
  void writeSurface(float t);
  void writePillars(float t);
  LitVertex* pillarVertices_ = nullptr;  // while the pillar buffer is locked
};

}  // namespace korvel
