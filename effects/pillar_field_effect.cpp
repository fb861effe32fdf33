#include "effects/pillar_field_effect.h"

#include <cmath>
#include <cstring>

#include "platform/d3d9_state.h"
#include "platform/d3dx_math.h"

namespace korvel {

namespace {
constexpr const char* kTexture = "data/darkenv2.tga";
constexpr float kPi = 3.14159265f;

}  // namespace

int PillarFieldEffect::init(IDirect3DDevice9* d) {
  device = d;
  texture.loadTexture(device, kTexture);
  columns = rows = 32;
  surfaceBuffer.create(device, columns * rows, kLitVertexFvf, sizeof(LitVertex));
  surfaceIndices.create(device, 2 * columns * rows, 2);
  surfaceIndices.setPrimitiveType(D3DPT_TRIANGLESTRIP);
  pillarBuffer.create(device, kPillarVertices, kLitVertexFvf, sizeof(LitVertex));
  if (uint16_t* index = surfaceIndices.lock()) {
    for (int r = 0; r + 1 < rows; ++r) {
      for (int s = 0; s < columns; ++s) {
        *index++ = uint16_t(r * columns + s);
        *index++ = uint16_t((r + 1) * columns + s);
      }
    }
    surfaceIndices.unlock();
  }
  writeSurface(0);
  writePillars(0);
  return 1;
}

void PillarFieldEffect::writeSurface(float t) {
  auto* v = static_cast<LitVertex*>(surfaceBuffer.lock());
  if (!v) {
    return;  // a buffer that does not lock keeps last frame's floor
  }
  for (int r = 0; r < rows; ++r) {
    for (int s = 0; s < columns; ++s) {
      LitVertex& vertex = v[r * columns + s];
      float x = float(s - 16) * 8.0f, y = float(r - 16) * 8.0f;
      vertex.x = x;
      vertex.y = y;
      vertex.z = (100.0f - std::sqrt(x * x + y * y) * surfaceSlope) * 0.25f - 32.0f;
      vertex.nx = vertex.ny = vertex.nz = 0;
      vertex.colour = 0xFFFFFFFF;
      vertex.u = float(s) * 8.0f / 32.0f;
      vertex.v = float(r) * 8.0f / 32.0f + t * 0.125f;
    }
  }
  surfaceBuffer.unlock();
}

void PillarFieldEffect::writePillars(float t) {
  pillarVertices_ = static_cast<LitVertex*>(pillarBuffer.lock());
  if (!pillarVertices_) {
    return;
  }
  pillarVertexCount = 0;
  for (int r = 0; r < 16; ++r) {
    for (int s = 0; s < 10; ++s) {
      float x0 = float(s - 5), y0 = float(r - 8);
      float c = std::cos(float(r) - 2.0f * t), n = std::sin(float(s) + 2.0f * t);
      float z0 = c * 0.35f + n * 0.25f + std::sqrt(x0 * x0 + y0 * y0) * 0.125f - 1.35f;
      int alpha = int(std::fabs(c * 0.35f + n * 0.45f) * 200.0f + 55.0f) & 0xFF;
      addPillar(x0, y0, z0, D3DCOLOR(alpha) << 24 | 0x00FFFFFFu);
    }
  }
  pillarBuffer.unlock();
  pillarVertices_ = nullptr;
}

void PillarFieldEffect::addPillar(float x, float y, float z, D3DCOLOR colour) {
  const Vec3 o(x, y, z);
  auto q = [&](Vec3 a, Vec3 b, Vec3 c, Vec3 d) { addQuad(o + a, o + b, o + c, o + d, colour); };
  q({0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1});
  q({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
  q({1, 0, 0}, {1, 0, 1}, {1, 1, 1}, {1, 1, 0});
  q({1, 0, 1}, {0, 0, 1}, {0, 1, 1}, {1, 1, 1});
  q({0, 0, 1}, {0, 0, 0}, {0, 1, 0}, {0, 1, 1});
}

void PillarFieldEffect::addQuad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d,
                                D3DCOLOR colour) {
  if (!pillarVertices_ || pillarVertexCount + 6 > kPillarVertices) {
    return;
  }
  Vec3 norm = (b - a).cross(c - a);
  norm.normalize();
  const Vec3 corners[6] = {a, b, c, a, c, d};
  const float uv[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 6; ++i) {
    LitVertex& v = pillarVertices_[pillarVertexCount + i];
    // Each pillar is 4 x 4 wide and 64 long, standing along z towards the viewer.
    v.x = corners[i].x * 4.0f;
    v.y = corners[i].y * 4.0f;
    v.z = corners[i].z * 64.0f;
    v.nx = norm.x;
    v.ny = norm.y;
    v.nz = norm.z;
    v.colour = colour;
    v.u = uv[i][0];
    v.v = uv[i][1];
  }
  pillarVertexCount += 6;
}

void PillarFieldEffect::setCamera(IDirect3DDevice9* d, float t) {
  Mat4 world, view, proj;
  D3DXMatrixRotationZ(&world, t * 0.5f);
  d->SetTransform(D3DTS_WORLD, &world);
  Vec3 eye(0, 0, 40), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  d->SetTransform(D3DTS_VIEW, &view);
  D3DXMatrixPerspectiveFovLH(&proj, kPi / 2, 16.0f / 9.0f, 0.1f, 1000.0f);
  d->SetTransform(D3DTS_PROJECTION, &proj);
}

void PillarFieldEffect::setLight(IDirect3DDevice9* d, float t) {
  D3DMATERIAL9 material{};
  material.Diffuse = {1, 1, 1, 1};
  material.Ambient = {1, 1, 1, 1};
  d->SetMaterial(&material);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.74f + 0.25f * std::cos(t / 10.0f), 1.0f, 0.9f + 0.1f * std::cos(t / 20.0f), 0};
  light.Position = {0, 0, 100};
  Vec3 direction(34.0f * std::cos(1.3f * t), 15.0f * std::sin(1.1f * t),
                 14.0f * std::cos(1.35f * t) + 30.0f);
  Vec3 normalised;
  D3DXVec3Normalize(&normalised, &direction);
  light.Direction = {normalised.x, normalised.y, normalised.z};
  light.Range = 1000.0f;
  d->SetLight(0, &light);
  d->LightEnable(0, TRUE);
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  d->SetRenderState(D3DRS_AMBIENT, 0);
}

int PillarFieldEffect::render(float t) {
  if (!device) {
    return 0;
  }
  writeSurface(t);
  setCamera(device, t);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF000000);
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP2);
  device->SetRenderState(D3DRS_FOGDENSITY, platform::floatBits(0.019f));
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  texture.bind(0, device);
  device->SetFVF(kLitVertexFvf);
  surfaceBuffer.bind(device);
  surfaceIndices.bind(device);
  for (int r = 0; r < 31; ++r) {
    device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 1024, UINT(64 * r), 62);
  }

  writePillars(t);
  Mat4 world, proj;
  D3DXMatrixRotationZ(&world, 0);
  device->SetTransform(D3DTS_WORLD, &world);
  world.identity();
  device->SetTransform(D3DTS_WORLD, &world);
  D3DXMatrixPerspectiveFovLH(&proj, kPi / 2, 4.0f / 3.0f, 1.0f, 600.0f);
  device->SetTransform(D3DTS_PROJECTION, &proj);
  setLight(device, t);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  texture.bind(0, device);
  pillarBuffer.bind(device);
  device->SetFVF(kLitVertexFvf);
  for (int r = 0; r < 16; r += 2) {  // only the even rows: 80 of the 160 pillars
    device->DrawPrimitive(D3DPT_TRIANGLELIST, UINT(300 * r), 100);
  }
  return 0;
}

void PillarFieldEffect::release() {
  texture.releaseImage();
  surfaceBuffer.release();
  surfaceIndices.release();
  pillarBuffer.release();
}

}  // namespace korvel
