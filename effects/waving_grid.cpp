#include "effects/waving_grid.h"

#include <cmath>
#include <cstdlib>

#include "platform/d3dx_math.h"

namespace korvel {

int WavingGrid::build(IDirect3DDevice9* d, int ix0, int iy0, int ix1, int iy1) {
  device = d;
  x0 = float(ix0);
  y0 = float(iy0);
  x1 = float(ix1);
  y1 = float(iy1);
  cols = int(std::fabs(x1 - x0));
  rows = int(std::fabs(y1 - y0));
  uStep = cols > 0 ? 1.0f / float(cols) : 0.0f;
  vStep = rows > 0 ? 1.0f / float(rows) : 0.0f;
  releaseBuffers();
  vertexBuffer.create(device, cols * rows, 0, sizeof(LitVertex));
  if (auto* v = static_cast<LitVertex*>(vertexBuffer.lock())) {
    for (int r = 0; r < rows; ++r) {
      for (int s = 0; s < cols; ++s) {
        LitVertex& vertex = v[r * cols + s];
        vertex.x = x0 + (x1 - x0) * float(s) / float(cols);
        vertex.y = y0 + (y1 - y0) * float(r) / float(rows);
        vertex.z = 0;
        vertex.nx = 0;
        vertex.ny = 0;
        vertex.nz = 1;
        vertex.colour = 0xFFFFFFFF;
        vertex.u = float(s) * uStep;
        vertex.v = float(r) * vStep;
      }
    }
    vertexBuffer.unlock();
  }
  indexBuffer.create(device, 2 * cols * rows, 2);
  if (uint16_t* index = indexBuffer.lock()) {
    for (int r = 0; r + 1 < rows; ++r) {
      for (int s = 0; s < cols; ++s) {
        *index++ = uint16_t(r * cols + s);
        *index++ = uint16_t((r + 1) * cols + s);
      }
    }
    indexBuffer.unlock();
  }
  return 1;
}

void WavingGrid::setColour(D3DCOLOR colour) {
  auto* v = static_cast<LitVertex*>(vertexBuffer.lock());
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  if (!v) {
    return;
  }
  for (int k = 0; k < cols * rows; ++k) {
    v[k].colour = colour;
  }
  vertexBuffer.unlock();
}

void WavingGrid::render(float uOffset, float vOffset, float time, bool wave) {
  if (!device) {
    return;
  }
  if (auto* v = static_cast<LitVertex*>(vertexBuffer.lock())) {
    for (int r = 0; r < rows; ++r) {
      for (int s = 0; s < cols; ++s) {
        float u = float(s) * uStep, vc = float(r) * vStep;
        if (wave) {
          u += std::cos(0.25f * time + 0.75f * float(r)) * 0.1f +
               std::cos(0.1f * time + 0.75f * float(s)) * 0.125f;
          vc += std::cos(0.25f * time + 0.5f * float(s)) * 0.1f +
                std::sin(0.1f * time + float(s) - 0.75f * float(r)) * 0.1f;
        }
        v[r * cols + s].u = u + uOffset;
        v[r * cols + s].v = vc + vOffset;
      }
    }
    vertexBuffer.unlock();
  }
  Mat4 world, view, proj;
  D3DXMatrixTranslation(&world, 0, 0, 1);
  device->SetTransform(D3DTS_WORLD, &world);
  view.identity();
  device->SetTransform(D3DTS_VIEW, &view);
  D3DXMatrixOrthoLH(&proj, float(viewWidth), float(viewHeight), 1, 10);
  device->SetTransform(D3DTS_PROJECTION, &proj);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_FOGENABLE, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, DWORD(srcBlend));
  device->SetRenderState(D3DRS_DESTBLEND, DWORD(destBlend));
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetFVF(kLitVertexFvf);
  vertexBuffer.bind(device);
  indexBuffer.bind(device);
  indexBuffer.setPrimitiveType(D3DPT_TRIANGLESTRIP);
  for (int r = 0; r + 1 < rows; ++r) {
    indexBuffer.draw(device, cols * rows, 2 * cols - 2, 2 * cols * r);
  }
}

void WavingGrid::releaseBuffers() {
  vertexBuffer.release();
  indexBuffer.release();
}

}  // namespace korvel
