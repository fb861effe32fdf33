#include "platform/recording_device.h"

namespace korvel::platform {

std::string CallLog::labelOf(const void* object) const {
  if (!object) {
    return "null";
  }
  auto found = labels_.find(object);
  return found == labels_.end() ? "?" : found->second;
}

std::vector<std::string> CallLog::matching(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const auto& call : calls) {
    if (call.compare(0, prefix.size(), prefix) == 0) {
      found.push_back(call);
    }
  }
  return found;
}

RecordingDevice::RecordingDevice(const D3DPRESENT_PARAMETERS& params, DWORD behaviorFlags)
    : params_(params),
      behaviorFlags_(behaviorFlags),
      backBuffer_(new MemorySurface(params.BackBufferWidth, params.BackBufferHeight,
                                    params.BackBufferFormat, D3DUSAGE_RENDERTARGET)) {
  log.label(backBuffer_, "backbuffer");
  setTarget(backBuffer_);
}

RecordingDevice::~RecordingDevice() {
  backBuffer_->Release();
}

HRESULT RecordingDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                               float z, DWORD stencil) {
  log.record("Clear", count, rects, flags, color, z, stencil);
  return D3D_OK;
}

HRESULT RecordingDevice::BeginScene() {
  log.record("BeginScene");
  ++scenesBegun;
  return D3D_OK;
}

HRESULT RecordingDevice::EndScene() {
  log.record("EndScene");
  return D3D_OK;
}

HRESULT RecordingDevice::Present(const RECT* source, const RECT* dest, HWND window,
                                 const void* dirty) {
  log.record("Present", source, dest, static_cast<const void*>(window), dirty);
  ++presents;
  return D3D_OK;
}

HRESULT RecordingDevice::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                       IDirect3DSurface9** surface) {
  log.record("GetBackBuffer", swapChain, index, type);
  if (!surface || swapChain != 0 || index != 0) {
    return D3DERR_INVALIDCALL;
  }
  backBuffer_->AddRef();
  *surface = backBuffer_;
  return D3D_OK;
}

HRESULT RecordingDevice::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  log.record("GetRenderTarget", index);
  return DeviceBase::GetRenderTarget(index, surface);
}

HRESULT RecordingDevice::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
  log.record("SetRenderTarget", index, surface);
  if (index != 0 || !surface) {
    return D3DERR_INVALIDCALL;
  }
  setTarget(surface);
  return D3D_OK;
}

HRESULT RecordingDevice::SetViewport(const D3DVIEWPORT9* viewport) {
  if (viewport) {
    log.record("SetViewport", viewport->X, viewport->Y, viewport->Width, viewport->Height);
  }
  return DeviceBase::SetViewport(viewport);
}

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                       D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture,
                                       HANDLE* shared) {
  log.record("CreateTexture", width, height, levels, usage, format, pool);
  if (!texture || shared || width == 0 || height == 0 || !MemoryTexture::supportsFormat(format)) {
    return D3DERR_INVALIDCALL;
  }
  *texture = new MemoryTexture(width, height, levels, usage, format, pool);
  log.label(*texture, "tex" + std::to_string(nextLabel_++));
  return D3D_OK;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
  log.record("CreateVertexBuffer", length, usage, fvf, pool);
  if (!buffer || shared || length == 0) {
    return D3DERR_INVALIDCALL;
  }
  *buffer = new MemoryVertexBuffer(
      D3DVERTEXBUFFER_DESC{D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf});
  log.label(*buffer, "vb" + std::to_string(nextLabel_++));
  return D3D_OK;
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
  log.record("CreateIndexBuffer", length, usage, format, pool);
  if (!buffer || shared || length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
    return D3DERR_INVALIDCALL;
  }
  *buffer =
      new MemoryIndexBuffer(D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, length});
  log.label(*buffer, "ib" + std::to_string(nextLabel_++));
  return D3D_OK;
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
  log.record("SetTransform", type);
  return DeviceBase::SetTransform(type, matrix);
}

HRESULT RecordingDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
  log.record("MultiplyTransform", type);
  return DeviceBase::MultiplyTransform(type, matrix);
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
  log.record("SetRenderState", type, value);
  return DeviceBase::SetRenderState(type, value);
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  log.record("SetSamplerState", sampler, type, value);
  return DeviceBase::SetSamplerState(sampler, type, value);
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                              DWORD value) {
  log.record("SetTextureStageState", stage, type, value);
  return DeviceBase::SetTextureStageState(stage, type, value);
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  log.record("SetTexture", stage, texture);
  return DeviceBase::SetTexture(stage, texture);
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9* material) {
  log.record("SetMaterial");
  return DeviceBase::SetMaterial(material);
}

HRESULT RecordingDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
  log.record("SetLight", index);
  return DeviceBase::SetLight(index, light);
}

HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable) {
  log.record("LightEnable", index, enable);
  return DeviceBase::LightEnable(index, enable);
}

HRESULT RecordingDevice::SetFVF(DWORD fvf) {
  log.record("SetFVF", fvf);
  return DeviceBase::SetFVF(fvf);
}

HRESULT RecordingDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                         UINT stride) {
  log.record("SetStreamSource", stream, buffer, offset, stride);
  return DeviceBase::SetStreamSource(stream, buffer, offset, stride);
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* buffer) {
  log.record("SetIndices", buffer);
  return DeviceBase::SetIndices(buffer);
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                                       UINT primitiveCount) {
  log.record("DrawPrimitive", type, startVertex, primitiveCount);
  return state_.streamSource ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                              UINT minVertexIndex, UINT numVertices,
                                              UINT startIndex, UINT primitiveCount) {
  log.record("DrawIndexedPrimitive", type, baseVertexIndex, minVertexIndex, numVertices, startIndex,
             primitiveCount);
  return state_.streamSource && state_.indices ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                         const void* vertices, UINT stride) {
  log.record("DrawPrimitiveUP", type, primitiveCount, stride);
  unbindStream();
  return vertices ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
  log.record("GetAdapterDisplayMode", adapter);
  if (failDisplayMode || !mode) {
    return D3DERR_NOTAVAILABLE;
  }
  *mode = desktop;
  return D3D_OK;
}

HRESULT RecordingDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                                        DWORD behaviorFlags, D3DPRESENT_PARAMETERS* params,
                                        IDirect3DDevice9** device) {
  log.record("CreateDevice", adapter, type, static_cast<const void*>(focusWindow), behaviorFlags);
  if (!device || !params) {
    return D3DERR_INVALIDCALL;
  }
  bool hardware = (behaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING) != 0;
  if (refuseAllDevices || (hardware && refuseHardwareVertexProcessing)) {
    *device = nullptr;
    return D3DERR_NOTAVAILABLE;
  }
  *device = new RecordingDevice(*params, behaviorFlags);
  return D3D_OK;
}

}  // namespace korvel::platform
