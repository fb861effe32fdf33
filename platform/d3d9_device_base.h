// What every device does alike: it keeps the Direct3D state (with references on what is bound)
// and answers the Get calls from it. Devices add drawing, resources and presenting.
#pragma once

#include "platform/d3d9_resources.h"
#include "platform/d3d9_state.h"

namespace korvel::platform {

class DeviceBase : public RefCounted<IDirect3DDevice9> {
 public:
  ~DeviceBase() override;

  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
  // Surfaces in memory, and a copy through the render target's lock.
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* shared) override;
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget,
                              IDirect3DSurface9* destination) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override;
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE type, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE type, DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  HRESULT SetMaterial(const D3DMATERIAL9* material) override;
  HRESULT GetMaterial(D3DMATERIAL9* material) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override;

  HRESULT SetFVF(DWORD fvf) override;
  HRESULT GetFVF(DWORD* fvf) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                          UINT stride) override;
  HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                          UINT* stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
  HRESULT GetIndices(IDirect3DIndexBuffer9** buffer) override;

  const DeviceState& state() const { return state_; }

 protected:
  // Makes `surface` the render target; the viewport follows its size.
  void setTarget(IDirect3DSurface9* surface);
  // Called after the target changed.
  virtual void targetChanged() {}
  // Drawing from memory unbinds stream 0, as on Direct3D.
  void unbindStream();

  DeviceState state_;
  IDirect3DSurface9* target_ = nullptr;
  // Set by every call that changes a state the generated shaders depend on (render and stage
  // states, textures, lights, the vertex format, the projection); the device clears it once it
  // has looked at them.
  bool shaderStateChanged_ = true;
};

}  // namespace korvel::platform
