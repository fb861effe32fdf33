// Thin owners of a Direct3D vertex or index buffer that remember what binding and drawing
// them takes: vertex size and format, or index count and primitive type.
#pragma once

#include <cstdint>

#include "platform/d3d9.h"

namespace korvel {

// The vertex of every lit or textured mesh: position, normal, diffuse colour, one texture
// coordinate pair (format 0x152, 36 bytes).
struct LitVertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR colour;
  float u, v;
};
static_assert(sizeof(LitVertex) == 36);
constexpr DWORD kLitVertexFvf = 0x152;

class VertexBuffer {
 public:
  HRESULT create(IDirect3DDevice9* device, int vertexCount, DWORD fvf, int stride);
  // The first vertex, or null when the buffer is missing or cannot be locked.
  void* lock();
  void unlock();
  void bind(IDirect3DDevice9* device);
  void release();

  IDirect3DVertexBuffer9* buffer = nullptr;
  int vertexCount = 0;
  int stride = 0;
  DWORD fvf = D3DFVF_XYZ;
};

class IndexBuffer {
 public:
  // 16-bit indices, whatever indexSize says.
  HRESULT create(IDirect3DDevice9* device, int indexCount, int indexSize);
  uint16_t* lock();
  void unlock();
  void bind(IDirect3DDevice9* device);
  void setPrimitiveType(D3DPRIMITIVETYPE type) { primitiveType = type; }
  void draw(IDirect3DDevice9* device, int numVertices, int primCount, int startIndex);
  void release();

  IDirect3DIndexBuffer9* buffer = nullptr;
  int indexCount = 0;
  int indexSize = 0;
  D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLELIST;
};

}  // namespace korvel
