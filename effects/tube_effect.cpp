#include "effects/tube_effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d9_state.h"
#include "platform/d3dx_math.h"

namespace korvel {

namespace {

constexpr const char* kTexture = "data/darkenv1.tga";
constexpr float kPi = 3.14159265f;

}  // namespace

D3DCOLOR TubeEffect::lightColour(const Vec3& position, const Vec3& light) {
  const Vec3 dir = light - position;
  const float a = std::clamp(dir.lengthSquared() / 64.0f, 0.0f, 1.0f);
  const float k = 1.0f - a;
  const int r = int(0.9f * k * 255.0f), g = int(0.95f * k * 255.0f), b = int(k * 255.0f);
  return 0xFF000000u | D3DCOLOR(r) << 16 | D3DCOLOR(g) << 8 | D3DCOLOR(b);
}

int TubeEffect::init(IDirect3DDevice9* d) {
  device = d;
  texture.loadTexture(device, kTexture);
  segments = 32;
  rings = 48;
  const int vertices = (segments + 1) * (rings + 1);
  vertexBuffer.create(device, vertices, kLitVertexFvf, sizeof(LitVertex));
  indexBuffer.create(device, 2 * vertices, 2);
  indexBuffer.setPrimitiveType(D3DPT_TRIANGLESTRIP);
  if (uint16_t* index = indexBuffer.lock()) {
    for (int ring = 0; ring < rings; ++ring) {
      for (int e = 0; e <= segments; ++e) {
        *index++ = uint16_t(ring * (segments + 1) + e);
        *index++ = uint16_t((ring + 1) * (segments + 1) + e);
      }
    }
    indexBuffer.unlock();
  }
  return 0;
}

int TubeEffect::render(float t) {
  if (!device) {
    return 0;
  }
  Mat4 world, view, proj;
  world.identity();
  device->SetTransform(D3DTS_WORLD, &world);
  Vec3 eye(1.5f * std::cos(t / 2) - 30.5f, 2.0f * std::sin(t / 2) - 10.0f, 8.0f * std::sin(t));
  Vec3 at(0, 0, 10), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  device->SetTransform(D3DTS_VIEW, &view);
  D3DXMatrixPerspectiveFovLH(&proj, kPi / 4, 4.0f / 3.0f, 0.1f, 1000.0f);
  device->SetTransform(D3DTS_PROJECTION, &proj);

  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF000000);
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_FOGSTART, platform::floatBits(30.5f));
  device->SetRenderState(D3DRS_FOGEND, platform::floatBits(100.8f));

  const Vec3 light(16.0f * std::sin(4 * t), 16.0f * std::cos(6 * t),
                   80.0f * std::sin(0.35f * t) + 20.0f);
  if (auto* v = static_cast<LitVertex*>(vertexBuffer.lock())) {
    const float sinT = std::sin(t), cosT = std::cos(t);
    for (int d = 0; d <= rings; ++d) {
      const float w1 = std::sin((2 * t + 2 * float(d)) / 4);
      const float w2 = std::cos((2 * float(d) + t) / 8);
      const float z = float(d - rings / 2) * 6.0f;
      const float vCoord = (float(d) * 0.075f + t * 0.4f) * 3.0f;
      for (int e = 0; e <= segments; ++e) {
        const float theta = float(e) * 2 * kPi / float(segments);
        const float radius = float(segments) * 0.25f;
        LitVertex& vertex = v[d * (segments + 1) + e];
        // Added in the order the formula gives: the float sums depend on it.
        vertex.x = radius * std::sin(theta) + w1 + w2 - sinT +
                   0.25f * std::sin(float(e) * 2 * kPi * 0.125f);
        vertex.y = radius * std::cos(theta) + w2 + w1 - cosT +
                   0.25f * std::cos(float(d) * 2 * kPi * 0.313f);
        vertex.z = z;
        vertex.colour = lightColour(Vec3(vertex.x, vertex.y, vertex.z), light);
        vertex.u = float(e) * 0.2f;
        vertex.v = vCoord;
      }
    }
    vertexBuffer.unlock();
  }

  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  texture.bind(0, device);
  device->SetFVF(kLitVertexFvf);
  vertexBuffer.bind(device);
  indexBuffer.bind(device);
  const UINT vertices = UINT((segments + 1) * (rings + 1));
  for (int d = 0; d < rings; ++d) {
    device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, vertices, UINT(2 * (segments + 1) * d),
                                 UINT(2 * segments));
  }
  device->SetRenderState(D3DRS_FOGENABLE, FALSE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  return 0;
}

void TubeEffect::release() {
  texture.releaseImage();
  vertexBuffer.release();
  indexBuffer.release();
}

}  // namespace korvel
