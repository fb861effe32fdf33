#include "platform/recording_device.h"

namespace korvel::platform {

namespace {

// Bound objects hold a reference, as on Direct3D, so releasing one that is still bound is safe.
template <class T>
void rebind(T*& slot, T* object) {
  if (object) {
    object->AddRef();
  }
  if (slot) {
    slot->Release();
  }
  slot = object;
}

}  // namespace

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
  rebind(state_.streamSource, static_cast<IDirect3DVertexBuffer9*>(nullptr));
  rebind(state_.indices, static_cast<IDirect3DIndexBuffer9*>(nullptr));
  for (auto& texture : state_.textures) {
    rebind(texture, static_cast<IDirect3DBaseTexture9*>(nullptr));
  }
  rebind(target_, static_cast<IDirect3DSurface9*>(nullptr));
  backBuffer_->Release();
}

void RecordingDevice::setTarget(IDirect3DSurface9* surface) {
  rebind(target_, surface);
  SurfaceSize size = surfaceSize(surface);
  state_.viewport = D3DVIEWPORT9{0, 0, size.width, size.height, 0.0f, 1.0f};
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
  if (!surface || index != 0) {
    return D3DERR_INVALIDCALL;
  }
  target_->AddRef();
  *surface = target_;
  return D3D_OK;
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
  if (!viewport) {
    return D3DERR_INVALIDCALL;
  }
  log.record("SetViewport", viewport->X, viewport->Y, viewport->Width, viewport->Height);
  state_.viewport = *viewport;
  return D3D_OK;
}

HRESULT RecordingDevice::GetViewport(D3DVIEWPORT9* viewport) {
  if (!viewport) {
    return D3DERR_INVALIDCALL;
  }
  *viewport = state_.viewport;
  return D3D_OK;
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

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  log.record("SetTransform", state);
  D3DMATRIX* slot = state_.transform(state);
  if (!slot || !matrix) {
    return D3DERR_INVALIDCALL;
  }
  *slot = *matrix;
  return D3D_OK;
}

HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  D3DMATRIX* slot = state_.transform(state);
  if (!slot || !matrix) {
    return D3DERR_INVALIDCALL;
  }
  *matrix = *slot;
  return D3D_OK;
}

HRESULT RecordingDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  log.record("MultiplyTransform", state);
  D3DMATRIX* slot = state_.transform(state);
  if (!slot || !matrix) {
    return D3DERR_INVALIDCALL;
  }
  *slot = *matrix * *slot;
  return D3D_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  log.record("SetRenderState", state, value);
  if (state >= kRenderStateCount) {
    return D3DERR_INVALIDCALL;
  }
  state_.renderStates[state] = value;
  return D3D_OK;
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (state >= kRenderStateCount || !value) {
    return D3DERR_INVALIDCALL;
  }
  *value = state_.renderStates[state];
  return D3D_OK;
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  log.record("SetSamplerState", sampler, type, value);
  if (sampler >= kTextureStageCount || type >= kSamplerStateCount) {
    return D3DERR_INVALIDCALL;
  }
  state_.samplerStates[sampler][type] = value;
  return D3D_OK;
}

HRESULT RecordingDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (sampler >= kTextureStageCount || type >= kSamplerStateCount || !value) {
    return D3DERR_INVALIDCALL;
  }
  *value = state_.samplerStates[sampler][type];
  return D3D_OK;
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                              DWORD value) {
  log.record("SetTextureStageState", stage, type, value);
  if (stage >= kTextureStageCount || type >= kTextureStageStateCount) {
    return D3DERR_INVALIDCALL;
  }
  state_.stageStates[stage][type] = value;
  return D3D_OK;
}

HRESULT RecordingDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                              DWORD* value) {
  if (stage >= kTextureStageCount || type >= kTextureStageStateCount || !value) {
    return D3DERR_INVALIDCALL;
  }
  *value = state_.stageStates[stage][type];
  return D3D_OK;
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  log.record("SetTexture", stage, texture);
  if (stage >= kTextureStageCount) {
    return D3DERR_INVALIDCALL;
  }
  rebind(state_.textures[stage], texture);
  return D3D_OK;
}

HRESULT RecordingDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (stage >= kTextureStageCount || !texture) {
    return D3DERR_INVALIDCALL;
  }
  *texture = state_.textures[stage];
  if (*texture) {
    (*texture)->AddRef();
  }
  return D3D_OK;
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9* material) {
  log.record("SetMaterial");
  if (!material) {
    return D3DERR_INVALIDCALL;
  }
  state_.material = *material;
  return D3D_OK;
}

HRESULT RecordingDevice::GetMaterial(D3DMATERIAL9* material) {
  if (!material) {
    return D3DERR_INVALIDCALL;
  }
  *material = state_.material;
  return D3D_OK;
}

HRESULT RecordingDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
  log.record("SetLight", index);
  if (!light) {
    return D3DERR_INVALIDCALL;
  }
  state_.lights[index] = *light;
  return D3D_OK;
}

HRESULT RecordingDevice::GetLight(DWORD index, D3DLIGHT9* light) {
  auto found = state_.lights.find(index);
  if (!light || found == state_.lights.end()) {
    return D3DERR_INVALIDCALL;
  }
  *light = found->second;
  return D3D_OK;
}

HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable) {
  log.record("LightEnable", index, enable);
  if (!state_.lights.count(index)) {
    state_.lights[index] = DeviceState::defaultLight();
  }
  state_.lightEnabled[index] = enable != FALSE;
  return D3D_OK;
}

HRESULT RecordingDevice::GetLightEnable(DWORD index, BOOL* enable) {
  if (!enable || !state_.lights.count(index)) {
    return D3DERR_INVALIDCALL;
  }
  *enable = state_.lightEnabled[index] ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT RecordingDevice::SetFVF(DWORD fvf) {
  log.record("SetFVF", fvf);
  state_.fvf = fvf;
  return D3D_OK;
}

HRESULT RecordingDevice::GetFVF(DWORD* fvf) {
  if (!fvf) {
    return D3DERR_INVALIDCALL;
  }
  *fvf = state_.fvf;
  return D3D_OK;
}

HRESULT RecordingDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                         UINT stride) {
  log.record("SetStreamSource", stream, buffer, offset, stride);
  if (stream != 0) {
    return D3DERR_INVALIDCALL;
  }
  rebind(state_.streamSource, buffer);
  state_.streamOffset = offset;
  state_.streamStride = stride;
  return D3D_OK;
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* buffer) {
  log.record("SetIndices", buffer);
  rebind(state_.indices, buffer);
  return D3D_OK;
}

HRESULT RecordingDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                         UINT* stride) {
  if (stream != 0 || !buffer || !offset || !stride) {
    return D3DERR_INVALIDCALL;
  }
  *buffer = state_.streamSource;
  if (*buffer) {
    (*buffer)->AddRef();
  }
  *offset = state_.streamOffset;
  *stride = state_.streamStride;
  return D3D_OK;
}

HRESULT RecordingDevice::GetIndices(IDirect3DIndexBuffer9** buffer) {
  if (!buffer) {
    return D3DERR_INVALIDCALL;
  }
  *buffer = state_.indices;
  if (*buffer) {
    (*buffer)->AddRef();
  }
  return D3D_OK;
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
  // As on Direct3D, drawing from memory unbinds stream 0.
  rebind(state_.streamSource, static_cast<IDirect3DVertexBuffer9*>(nullptr));
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
