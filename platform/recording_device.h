// A Direct3D 9 device without a GPU, for tests: it keeps the full device state, keeps buffers
// and textures in memory, and records every call with its arguments, e.g.
// "SetRenderState(7, 1)" or "SetStreamSource(0, vb1, 0, 36)".
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/d3d9_device_base.h"

namespace korvel::platform {

class CallLog {
 public:
  template <class... Args>
  void record(const char* name, const Args&... args) {
    std::ostringstream out;
    out << name << '(';
    [[maybe_unused]] const char* separator = "";
    ((out << separator << format(args), separator = ", "), ...);
    out << ')';
    calls.push_back(out.str());
  }

  void label(const void* object, std::string name) { labels_[object] = std::move(name); }
  std::string labelOf(const void* object) const;
  // Calls whose text starts with `prefix`, in order.
  std::vector<std::string> matching(const std::string& prefix) const;

  std::vector<std::string> calls;

 private:
  template <class T>
  std::string format(const T& value) const {
    if constexpr (std::is_pointer_v<T>) {
      return labelOf(value);
    } else if constexpr (std::is_floating_point_v<T>) {
      std::ostringstream out;
      out << value;
      return out.str();
    } else if constexpr (std::is_enum_v<T>) {
      return std::to_string(static_cast<std::underlying_type_t<T>>(value));
    } else {
      return std::to_string(value);
    }
  }

  std::map<const void*, std::string> labels_;
};

class RecordingDevice : public DeviceBase {
 public:
  explicit RecordingDevice(const D3DPRESENT_PARAMETERS& params, DWORD behaviorFlags);
  ~RecordingDevice() override;

  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Present(const RECT*, const RECT*, HWND, const void*) override;
  HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** surface) override;
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;

  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE type, DWORD value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT SetMaterial(const D3DMATERIAL9* material) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;

  HRESULT SetFVF(DWORD fvf) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                          UINT stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                          UINT stride) override;

  const D3DPRESENT_PARAMETERS& presentParameters() const { return params_; }
  DWORD behaviorFlags() const { return behaviorFlags_; }

  CallLog log;
  int scenesBegun = 0;
  int presents = 0;

 private:
  D3DPRESENT_PARAMETERS params_;
  DWORD behaviorFlags_;
  MemorySurface* backBuffer_;
  int nextLabel_ = 1;
};

class RecordingDirect3D : public RefCounted<IDirect3D9> {
 public:
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;

  D3DDISPLAYMODE desktop{1280, 1024, 60, D3DFMT_X8R8G8B8};
  bool failDisplayMode = false;
  bool refuseHardwareVertexProcessing = false;
  bool refuseAllDevices = false;
  CallLog log;
};

}  // namespace korvel::platform
