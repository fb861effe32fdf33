// A long textured tube that wobbles and drifts, seen from the side through black fog, glowing
// additively where a small point light flying along it lights it. The light is computed on
// the processor: every vertex's position and colour are rewritten every frame.
#pragma once

#include "assets/texture.h"
#include "effects/effect.h"
#include "render/geometry_buffers.h"
#include "render/math.h"

namespace korvel {

class TubeEffect final : public Effect {
 public:
  int init(IDirect3DDevice9* device) override;
  int render(float t) override;
  void release() override;
  ~TubeEffect() { release(); }

  // A vertex's colour from the flying light: (0.9, 0.95, 1.0) at the light, fading with the
  // squared distance to black 8 units away.
  static D3DCOLOR lightColour(const Vec3& position, const Vec3& light);

  int segments = 32, rings = 32;  // init makes rings 48
  Texture texture;
  VertexBuffer vertexBuffer;
  IndexBuffer indexBuffer;
  IDirect3DDevice9* device = nullptr;
};

}  // namespace korvel
