#include "effects/heightmap_terrain.h"

#include <string>

#include "platform/window_system.h"

namespace korvel {

namespace {
constexpr int kMaxSide = 256;  // 256 x 256 vertices is all 16-bit indices can name
constexpr const char* kFloorTexture = "data/seafloor.tga";
}  // namespace

HeightmapTerrain::~HeightmapTerrain() {
  release();
  texture.releaseImage();
}

void HeightmapTerrain::build(IDirect3DDevice9* d, const char* heightmapPath) {
  device = d;
  if (!heightmapPath) {
    return;
  }
  release();
  Texture heightmap;
  int read = heightmap.loadImage(heightmapPath);
  width = read == 1 ? heightmap.width : 0;
  depth = read == 1 ? heightmap.height : 0;
  if (width > kMaxSide || depth > kMaxSide) {
    std::string text = std::string(heightmapPath) + ": a heightmap may be at most 256 x 256 pixels";
    platform::windowSystem().messageBox(nullptr, text.c_str(), "Error", MB_OK);
    width = depth = 0;
  }
  if (width > 0 && depth > 0) {
    vertexBuffer = new VertexBuffer;
    vertexBuffer->create(device, width * depth, kLitVertexFvf, sizeof(LitVertex));
    if (auto* v = static_cast<LitVertex*>(vertexBuffer->lock())) {
      // One byte a pixel: a grey map's level, or the first byte of a colour one.
      const size_t bytesPerPixel = size_t(heightmap.bytesPerPixel == 1 ? 1 : 4);
      for (int r = 0; r < depth; ++r) {
        for (int c = 0; c < width; ++c) {
          size_t k = size_t(r) * size_t(width) + size_t(c);
          float p = float(heightmap.pixels[k * bytesPerPixel]);
          LitVertex& vertex = v[k];
          vertex.x = (float(c) - float(width) * 0.5f) * spacing;
          vertex.y = p / 255.0f * heightScale + heightOffset;
          vertex.z = (float(r) - float(depth) * 0.5f) * spacing;
          vertex.nx = 0;
          vertex.ny = 1;
          vertex.nz = 0;
          vertex.colour = 0xFFFFFFFF;
          vertex.u = float(c) * 16.0f / float(width);
          vertex.v = float(r) * 16.0f / float(depth);
        }
      }
      vertexBuffer->unlock();
    }
    indexBuffer = new IndexBuffer;
    indexBuffer->create(device, 2 * width * depth, 2);
    if (uint16_t* index = indexBuffer->lock()) {
      for (int r = 0; r + 1 < depth; ++r) {
        for (int c = 0; c < width; ++c) {
          *index++ = uint16_t(r * width + c);
          *index++ = uint16_t((r + 1) * width + c);
        }
      }
      indexBuffer->unlock();
    }
  }
  heightmap.releaseImage();
  texture.loadTexture(device, kFloorTexture);
}

void HeightmapTerrain::render(float) {
  if (!vertexBuffer || !indexBuffer) {
    return;
  }
  Mat4 identity;
  identity.identity();
  device->SetTransform(D3DTS_WORLD, &identity);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  texture.bind(0, device);
  device->SetFVF(kLitVertexFvf);
  vertexBuffer->bind(device);
  indexBuffer->bind(device);
  indexBuffer->setPrimitiveType(D3DPT_TRIANGLESTRIP);
  // depth − 4 strips: the last three rows of the floor are never drawn.
  for (int r = 0; r <= depth - 5; ++r) {
    device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, UINT(width * depth),
                                 UINT(2 * width * r), UINT(2 * width - 2));
  }
}

void HeightmapTerrain::release() {
  if (vertexBuffer) {
    vertexBuffer->release();
    delete vertexBuffer;
    vertexBuffer = nullptr;
  }
  if (indexBuffer) {
    indexBuffer->release();
    delete indexBuffer;
    indexBuffer = nullptr;
  }
}

}  // namespace korvel
