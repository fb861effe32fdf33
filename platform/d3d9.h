// The Direct3D 9 interfaces the program draws through, with Direct3D's signatures and result
// codes. Objects are reference counted: AddRef and Release, freed when the count reaches 0.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9_types.h"

class IUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IDirect3DSurface9 : public IUnknown {
 public:
  virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect() = 0;
};

class IDirect3DBaseTexture9 : public IUnknown {
 public:
  virtual DWORD GetLevelCount() = 0;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
 public:
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) = 0;
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
};

struct D3DVERTEXBUFFER_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  UINT Size;
  DWORD FVF;
};

struct D3DINDEXBUFFER_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  UINT Size;
};

class IDirect3DVertexBuffer9 : public IUnknown {
 public:
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

class IDirect3DIndexBuffer9 : public IUnknown {
 public:
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

class IDirect3DDevice9 : public IUnknown {
 public:
  // Frame
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Present(const RECT* source, const RECT* dest, HWND destWindow,
                          const void* dirtyRegion) = 0;
  virtual HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                IDirect3DSurface9** surface) = 0;
  virtual HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) = 0;
  virtual HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) = 0;
  // Copies a render target into a surface made by CreateOffscreenPlainSurface. The copy may
  // finish later: locking the destination waits for it.
  virtual HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget,
                                      IDirect3DSurface9* destination) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;

  // Resources
  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) = 0;
  // A surface in system memory (D3DPOOL_SYSTEMMEM), to read render targets into.
  virtual HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                              D3DPOOL pool, IDirect3DSurface9** surface,
                                              HANDLE* shared) = 0;
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** buffer, HANDLE* shared) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** buffer, HANDLE* shared) = 0;

  // State
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  // The stored matrix becomes matrix * stored.
  virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                       DWORD* value) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL9* material) = 0;
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
  virtual HRESULT GetLight(DWORD index, D3DLIGHT9* light) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;

  // Drawing
  virtual HRESULT SetFVF(DWORD fvf) = 0;
  virtual HRESULT GetFVF(DWORD* fvf) = 0;
  virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                  UINT stride) = 0;
  virtual HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                  UINT* stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) = 0;
  virtual HRESULT GetIndices(IDirect3DIndexBuffer9** buffer) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                       UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                       UINT primitiveCount) = 0;
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                  UINT stride) = 0;
};

class IDirect3D9 : public IUnknown {
 public:
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) = 0;
};

// The Direct3D object the installed host provides: the OpenGL one unless it says otherwise.
// Null when `sdkVersion` is not the one the program is built against.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

namespace korvel::platform {

// The back buffer's pixels as they stand: blue, green, red, alpha bytes, top row first.
// False when the back buffer cannot be locked.
bool readBackBuffer(IDirect3DDevice9* device, std::vector<uint8_t>* pixels, UINT* width,
                    UINT* height);

// Vertex size in bytes of a flexible vertex format.
UINT vertexSizeOfFvf(DWORD fvf);
// Vertices a draw call of `count` primitives reads.
UINT vertexCountOfPrimitives(D3DPRIMITIVETYPE type, UINT count);

}  // namespace korvel::platform
