#include "support/showcase.h"

#include <cmath>
#include <vector>

#include "platform/d3d9_state.h"
#include "platform/d3dx_math.h"
#include "support/headless_device.h"

namespace korvel::testing {

namespace {

// A cube of 24 vertices (flat normals per face) and 36 indices.
void cube(std::vector<LitVertex>& vertices, std::vector<uint16_t>& indices) {
  const float n[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  const D3DCOLOR colors[6] = {0xFFFF6040, 0xFF40FF60, 0xFF4060FF,
                              0xFFFFFF40, 0xFF40FFFF, 0xFFFF40FF};
  for (int f = 0; f < 6; ++f) {
    Vec3 normal(n[f][0], n[f][1], n[f][2]);
    // Two axes across the face, chosen so the corners wind clockwise seen from outside.
    Vec3 up = std::fabs(normal.y) > 0.5f ? Vec3(0, 0, 1) : Vec3(0, 1, 0);
    Vec3 right = normal.cross(up);
    uint16_t base = uint16_t(vertices.size());
    const float corner[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
    for (const auto& c : corner) {
      Vec3 p = normal + right * c[0] + up * c[1];
      vertices.push_back({p.x, p.y, p.z, normal.x, normal.y, normal.z, colors[f], 0, 0});
    }
    for (uint16_t i : {0, 1, 2, 2, 1, 3}) {
      indices.push_back(uint16_t(base + i));
    }
  }
}

}  // namespace

bool drawShowcase(IDirect3DDevice9* device) {
  D3DVIEWPORT9 viewport;
  device->GetViewport(&viewport);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202848, 1.0f, 0);
  device->BeginScene();

  Mat4 world, view, projection, spin, tilt;
  Vec3 eye(0, 1.5f, -5), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, 0.9f, float(viewport.Width) / float(viewport.Height),
                             1.0f, 50.0f);
  D3DXMatrixRotationY(&spin, 0.6f);
  D3DXMatrixRotationYawPitchRoll(&tilt, 0, 0.3f, 0.2f);
  world = spin * tilt;
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);

  // The mesh: vertex colours lit by one directional light, in exponential-squared fog.
  std::vector<LitVertex> vertices;
  std::vector<uint16_t> indices;
  cube(vertices, indices);
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  if (FAILED(device->CreateVertexBuffer(UINT(vertices.size() * sizeof(LitVertex)), 0, 0x152,
                                        D3DPOOL_DEFAULT, &vb, nullptr)) ||
      FAILED(device->CreateIndexBuffer(UINT(indices.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                       &ib, nullptr))) {
    return false;
  }
  void* data = nullptr;
  vb->Lock(0, 0, &data, 0);
  std::copy(vertices.begin(), vertices.end(), static_cast<LitVertex*>(data));
  vb->Unlock();
  ib->Lock(0, 0, &data, 0);
  std::copy(indices.begin(), indices.end(), static_cast<uint16_t*>(data));
  ib->Unlock();

  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 0.95f, 0.85f, 1};
  Vec3 direction(0.5f, -0.7f, 0.6f), unit;
  light.Direction = *D3DXVec3Normalize(&unit, &direction);
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  D3DMATERIAL9 material{};
  material.Ambient = {1, 1, 1, 1};
  device->SetMaterial(&material);
  device->SetRenderState(D3DRS_AMBIENT, 0xFF303030);
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP2);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF202848);
  device->SetRenderState(D3DRS_FOGDENSITY, platform::floatBits(0.12f));
  device->SetFVF(0x152);
  device->SetStreamSource(0, vb, 0, sizeof(LitVertex));
  device->SetIndices(ib);
  device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, UINT(vertices.size()), 0,
                               UINT(indices.size() / 3));

  // The quad: a checkerboard with soft alpha, blended over the mesh in screen space.
  IDirect3DTexture9* texture = nullptr;
  if (FAILED(
          device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr))) {
    return false;
  }
  D3DLOCKED_RECT locked;
  texture->LockRect(0, &locked, nullptr, 0);
  for (int y = 0; y < 8; ++y) {
    auto* row = reinterpret_cast<D3DCOLOR*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
    for (int x = 0; x < 8; ++x) {
      row[x] = ((x + y) & 1) ? 0xC0FFFFFF : D3DCOLOR_ARGB(0x60, 0xFF, 0x80 + y * 16, 0x20);
    }
  }
  texture->UnlockRect(0);
  Mat4 identity;
  identity.identity();
  device->SetTransform(D3DTS_WORLD, &identity);
  device->SetTransform(D3DTS_VIEW, &identity);
  device->SetTransform(D3DTS_PROJECTION, &identity);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_FOGENABLE, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  device->SetTexture(0, texture);
  ColorVertex quad[4];
  quadCorners(quad, 0.1f, 0.9f, 0.9f, 0.1f, 0.5f, 0xFFFFFFFF);
  device->SetFVF(0x142);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColorVertex));
  device->EndScene();

  // Put the states back for whoever draws next.
  device->SetTexture(0, nullptr);
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetIndices(nullptr);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  texture->Release();
  vb->Release();
  ib->Release();
  return true;
}

}  // namespace korvel::testing
