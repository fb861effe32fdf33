// 200 translucent squares in two stacked 10 x 10 grids bent into a bowl, each stretching,
// flipping and whirling round the view axis with its own phase while the camera sways: one
// quad layer drawn 200 times, blended additively.
#pragma once

#include "effects/effect.h"
#include "render/math.h"
#include "render/quad_layer.h"

namespace korvel {

class SpinningSquaresEffect final : public Effect {
 public:
  int init(IDirect3DDevice9* device) override;
  int render(float t) override;
  void release() override;
  ~SpinningSquaresEffect() { release(); }

  // Cell (row i, column j, layer k).
  const Vec3& point(unsigned i, unsigned j, unsigned k) const {
    return points[(i * columns + j) * layers + k];
  }
  // The world matrix of that cell at time t.
  Mat4 cellWorld(unsigned i, unsigned j, unsigned k, float t) const;

  unsigned columns = 0, rows = 0, layers = 0;
  Vec3* points = nullptr;
  QuadLayer* quad = nullptr;
  IDirect3DDevice9* device = nullptr;
};

}  // namespace korvel
