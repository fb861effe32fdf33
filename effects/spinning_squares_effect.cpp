#include "effects/spinning_squares_effect.h"

#include <cmath>
#include <new>

#include "platform/d3dx_math.h"

namespace korvel {

namespace {
constexpr const char* kTexture = "data/square24.tga";
constexpr float kPi = 3.14159265f;
}  // namespace

int SpinningSquaresEffect::init(IDirect3DDevice9* d) {
  device = d;
  columns = 10;
  rows = 10;
  layers = 2;
  release();
  points = new (std::nothrow) Vec3[size_t(columns) * rows * layers];
  if (!points) {
    return E_FAIL;
  }
  for (unsigned i = 0; i < rows; ++i) {
    for (unsigned j = 0; j < columns; ++j) {
      for (unsigned k = 0; k < layers; ++k) {
        float x = float(j) - 5.0f, y = float(i) - 5.0f;
        points[(i * columns + j) * layers + k] =
            Vec3(x, y, 4.0f * float(k) + 10.0f - 8.0f * std::sqrt(x * x + y * y));
      }
    }
  }
  quad = new QuadLayer;
  quad->build(device, Vec3(0, 0, 0), 3.0f, 3.0f, 1.0f, 1.0f, 0x7FFFFFFF);
  quad->setTexture(kTexture);
  return 0;
}

Mat4 SpinningSquaresEffect::cellWorld(unsigned i, unsigned j, unsigned k, float t) const {
  const Vec3& p = point(i, j, k);
  Mat4 translation, scaling, rotation, scaled, world;
  D3DXMatrixTranslation(&translation, 2.0f * p.x, 2.0f * p.y, p.z + 70.0f);
  const float phi = 0.5f * float(k) * float(i) + float(j) + 3.0f * t;
  const float s = std::sin(phi);
  D3DXMatrixScaling(&scaling, 1.5f * s + 0.5f, 0.5f * s + 0.5f, 1.0f);
  D3DXMatrixRotationZ(&rotation, 90.5f * s + 0.5f);
  // Scaled, moved to its place, and then the placement turned about the view axis.
  D3DXMatrixMultiply(&scaled, &scaling, &translation);
  D3DXMatrixMultiply(&world, &scaled, &rotation);
  return world;
}

int SpinningSquaresEffect::render(float t) {
  if (!device || !points || !quad) {
    return 0;  // nothing to draw after a failed init
  }
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  Mat4 view, proj;
  D3DXMatrixTranslation(&view, 4.0f * std::sin(t), -4.0f * std::cos(t),
                        10.0f * std::cos(6.0f * t) - 16.0f);
  device->SetTransform(D3DTS_VIEW, &view);
  D3DXMatrixPerspectiveFovLH(&proj, kPi / 2, 1.0f, 0.1f, 200.0f);
  device->SetTransform(D3DTS_PROJECTION, &proj);
  if (quad->hasTexture) {
    quad->texture.bind(0, device);
  }
  for (unsigned i = 0; i < rows; ++i) {
    for (unsigned j = 0; j < columns; ++j) {
      for (unsigned k = 0; k < layers; ++k) {
        Mat4 world = cellWorld(i, j, k, t);
        device->SetTransform(D3DTS_WORLD, &world);
        quad->drawPlain();
      }
    }
  }
  return 0;
}

void SpinningSquaresEffect::release() {
  delete[] points;
  points = nullptr;
  if (quad) {
    quad->release();
    delete quad;
    quad = nullptr;
  }
}

}  // namespace korvel
