#include "render/quad_layer.h"

#include <cstring>

#include "platform/d3dx_math.h"

namespace korvel {

QuadLayer::QuadLayer() {
  for (auto& v : vertices) {
    v = QuadVertex{Vec3(0, 0, 0), 0, 0, 0};
  }
}

QuadLayer::~QuadLayer() {
  release();
}

void QuadLayer::build(IDirect3DDevice9* d, const Vec3& c, float w, float h, float uExtent,
                      float vExtent, D3DCOLOR colour) {
  device = d;
  halfWidth = w;
  halfHeight = h;
  vertices[0] = {Vec3(c.x - w, c.y - h, c.z), colour, 0, 0};
  vertices[1] = {Vec3(c.x - w, c.y + h, c.z), colour, 0, vExtent};
  vertices[2] = {Vec3(c.x + w, c.y - h, c.z), colour, uExtent, 0};
  vertices[3] = {Vec3(c.x + w, c.y + h, c.z), colour, uExtent, vExtent};
  vertexBuffer.create(device, 4, 0x142, 24);
  if (void* data = vertexBuffer.lock()) {
    std::memcpy(data, vertices, sizeof vertices);
  }
  vertexBuffer.unlock();
  indexBuffer.create(device, 4, 2);
  if (uint16_t* index = indexBuffer.lock()) {
    for (uint16_t i = 0; i < 4; ++i) {
      index[i] = i;
    }
  }
  indexBuffer.unlock();
  hasTexture = 0;
}

void QuadLayer::setTexture(const char* path) {
  if (!path) {
    return;
  }
  texture.loadTexture(device, path);
  hasTexture = 1;
}

QuadVertex* QuadLayer::lock() {
  return static_cast<QuadVertex*>(vertexBuffer.lock());
}

void QuadLayer::unlock() {
  vertexBuffer.unlock();
}

void QuadLayer::setColour(D3DCOLOR colour) {
  QuadVertex* v = lock();
  if (device) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  }
  if (v) {
    for (int i = 0; i < 4; ++i) {
      v[i].colour = colour;
    }
  }
  unlock();
}

void QuadLayer::commonStates(IDirect3DDevice9* d) {
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_FOGENABLE, FALSE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

void QuadLayer::drawStrip(IDirect3DDevice9* d) {
  vertexBuffer.bind(d);
  d->SetFVF(0x142);
  indexBuffer.bind(d);
  indexBuffer.setPrimitiveType(D3DPT_TRIANGLESTRIP);
  indexBuffer.draw(d, 4, 2, 0);
}

void QuadLayer::draw2D(IDirect3DDevice9* d) {
  Mat4 world, identity, projection;
  D3DXMatrixTranslation(&world, 0, 0, 50);
  D3DXMatrixIdentity(&identity);
  D3DXMatrixOrthoLH(&projection, 2 * halfWidth, 2 * halfHeight, 1, 100);
  d->SetTransform(D3DTS_WORLD, &world);
  d->SetTransform(D3DTS_VIEW, &identity);
  d->SetTransform(D3DTS_PROJECTION, &projection);
  commonStates(d);
  drawStrip(d);
}

void QuadLayer::draw3D(IDirect3DDevice9* d, const Vec3& position, int mirrored) {
  Mat4 rotation, translation, world, identity, projection;
  if (mirrored) {
    D3DXMatrixRotationY(&rotation, 3.14159274f);
  } else {
    D3DXMatrixIdentity(&rotation);
  }
  D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
  D3DXMatrixMultiply(&world, &rotation, &translation);
  D3DXMatrixIdentity(&identity);
  D3DXMatrixPerspectiveLH(&projection, 1, 1, -1, 1);
  d->SetTransform(D3DTS_WORLD, &world);
  d->SetTransform(D3DTS_VIEW, &identity);
  d->SetTransform(D3DTS_PROJECTION, &projection);
  commonStates(d);
  d->SetTexture(0, texture.d3dTexture());
  texture.bind(0, d);
  drawStrip(d);
}

void QuadLayer::drawPlain() {
  if (!device) {
    return;
  }
  vertexBuffer.bind(device);
  device->SetFVF(0x142);
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  indexBuffer.bind(device);
  indexBuffer.setPrimitiveType(D3DPT_TRIANGLESTRIP);
  indexBuffer.draw(device, 4, 2, 0);
}

void QuadLayer::release() {
  vertexBuffer.release();
  indexBuffer.release();
  if (hasTexture) {
    texture.releaseImage();
  }
}

}  // namespace korvel
