#include "render/geometry_buffers.h"

namespace korvel {

HRESULT VertexBuffer::create(IDirect3DDevice9* device, int count, DWORD format, int size) {
  vertexCount = count;
  fvf = format;
  stride = size;
  if (count <= 0 || size <= 0) {
    return D3DERR_INVALIDCALL;
  }
  return device->CreateVertexBuffer(UINT(count) * UINT(size), 0, fvf, D3DPOOL_DEFAULT, &buffer,
                                    nullptr);
}

void* VertexBuffer::lock() {
  void* data = nullptr;
  if (!buffer || FAILED(buffer->Lock(0, 0, &data, 0))) {
    return nullptr;
  }
  return data;
}

void VertexBuffer::unlock() {
  if (buffer) {
    buffer->Unlock();
  }
}

void VertexBuffer::bind(IDirect3DDevice9* device) {
  device->SetStreamSource(0, buffer, 0, UINT(stride));
}

void VertexBuffer::release() {
  if (buffer) {
    buffer->Release();
    buffer = nullptr;
  }
}

HRESULT IndexBuffer::create(IDirect3DDevice9* device, int count, int size) {
  indexCount = count;
  indexSize = size;
  if (count <= 0 || size <= 0) {
    return D3DERR_INVALIDCALL;
  }
  return device->CreateIndexBuffer(UINT(count) * UINT(size), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                   &buffer, nullptr);
}

uint16_t* IndexBuffer::lock() {
  void* data = nullptr;
  if (!buffer || FAILED(buffer->Lock(0, 0, &data, 0))) {
    return nullptr;
  }
  return static_cast<uint16_t*>(data);
}

void IndexBuffer::unlock() {
  if (buffer) {
    buffer->Unlock();
  }
}

void IndexBuffer::bind(IDirect3DDevice9* device) {
  device->SetIndices(buffer);
}

void IndexBuffer::draw(IDirect3DDevice9* device, int numVertices, int primCount, int startIndex) {
  device->DrawIndexedPrimitive(primitiveType, 0, 0, UINT(numVertices), UINT(startIndex),
                               UINT(primCount));
}

void IndexBuffer::release() {
  if (buffer) {
    buffer->Release();
    buffer = nullptr;
  }
}

}  // namespace korvel
