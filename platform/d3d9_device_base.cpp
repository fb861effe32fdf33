#include "platform/d3d9_device_base.h"

#include <cstring>

namespace korvel::platform {

DeviceBase::~DeviceBase() {
  rebind(state_.streamSource, static_cast<IDirect3DVertexBuffer9*>(nullptr));
  rebind(state_.indices, static_cast<IDirect3DIndexBuffer9*>(nullptr));
  for (auto& texture : state_.textures) {
    rebind(texture, static_cast<IDirect3DBaseTexture9*>(nullptr));
  }
  rebind(target_, static_cast<IDirect3DSurface9*>(nullptr));
}

void DeviceBase::setTarget(IDirect3DSurface9* surface) {
  rebind(target_, surface);
  SurfaceSize size = surfaceSize(surface);
  state_.viewport = D3DVIEWPORT9{0, 0, size.width, size.height, 0.0f, 1.0f};
  targetChanged();
}

void DeviceBase::unbindStream() {
  rebind(state_.streamSource, static_cast<IDirect3DVertexBuffer9*>(nullptr));
}

HRESULT DeviceBase::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  if (!surface || index != 0 || !target_) {
    return D3DERR_INVALIDCALL;
  }
  target_->AddRef();
  *surface = target_;
  return D3D_OK;
}

HRESULT DeviceBase::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                                D3DPOOL pool, IDirect3DSurface9** surface,
                                                HANDLE* shared) {
  if (!surface || shared || width == 0 || height == 0 || width > 16384 || height > 16384 ||
      pool != D3DPOOL_SYSTEMMEM || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)) {
    return D3DERR_INVALIDCALL;
  }
  *surface = new MemorySurface(width, height, format, 0);
  return D3D_OK;
}

HRESULT DeviceBase::GetRenderTargetData(IDirect3DSurface9* renderTarget,
                                        IDirect3DSurface9* destination) {
  auto* out = dynamic_cast<MemorySurface*>(destination);
  SurfaceSize from = surfaceSize(renderTarget);
  if (!renderTarget || !out || from.width != out->width() || from.height != out->height()) {
    return D3DERR_INVALIDCALL;
  }
  D3DLOCKED_RECT locked{};
  if (FAILED(renderTarget->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    return D3DERR_INVALIDCALL;
  }
  for (UINT y = 0; y < from.height; ++y) {
    std::memcpy(out->texels().data() + size_t(y) * from.width * 4,
                static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                size_t(from.width) * 4);
  }
  renderTarget->UnlockRect();
  return D3D_OK;
}

HRESULT DeviceBase::SetViewport(const D3DVIEWPORT9* viewport) {
  if (!viewport) {
    return D3DERR_INVALIDCALL;
  }
  state_.viewport = *viewport;
  return D3D_OK;
}

HRESULT DeviceBase::GetViewport(D3DVIEWPORT9* viewport) {
  if (!viewport) {
    return D3DERR_INVALIDCALL;
  }
  *viewport = state_.viewport;
  return D3D_OK;
}

HRESULT DeviceBase::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
  D3DMATRIX* slot = state_.transform(type);
  if (!slot || !matrix) {
    return D3DERR_INVALIDCALL;
  }
  if (type == D3DTS_PROJECTION) {
    shaderStateChanged_ = true;  // fog reads depth differently in a perspective projection
  }
  *slot = *matrix;
  return D3D_OK;
}

HRESULT DeviceBase::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) {
  D3DMATRIX* slot = state_.transform(type);
  if (!slot || !matrix) {
    return D3DERR_INVALIDCALL;
  }
  *matrix = *slot;
  return D3D_OK;
}

HRESULT DeviceBase::MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
  D3DMATRIX* slot = state_.transform(type);
  if (!slot || !matrix) {
    return D3DERR_INVALIDCALL;
  }
  if (type == D3DTS_PROJECTION) {
    shaderStateChanged_ = true;
  }
  *slot = *matrix * *slot;
  return D3D_OK;
}

HRESULT DeviceBase::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
  if (type >= kRenderStateCount) {
    return D3DERR_INVALIDCALL;
  }
  shaderStateChanged_ |= state_.renderStates[type] != value && shapesFixedFunction(type);
  state_.renderStates[type] = value;
  return D3D_OK;
}

HRESULT DeviceBase::GetRenderState(D3DRENDERSTATETYPE type, DWORD* value) {
  if (type >= kRenderStateCount || !value) {
    return D3DERR_INVALIDCALL;
  }
  *value = state_.renderStates[type];
  return D3D_OK;
}

HRESULT DeviceBase::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kTextureStageCount || type >= kSamplerStateCount) {
    return D3DERR_INVALIDCALL;
  }
  state_.samplerStates[sampler][type] = value;
  return D3D_OK;
}

HRESULT DeviceBase::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (sampler >= kTextureStageCount || type >= kSamplerStateCount || !value) {
    return D3DERR_INVALIDCALL;
  }
  *value = state_.samplerStates[sampler][type];
  return D3D_OK;
}

HRESULT DeviceBase::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kTextureStageCount || type >= kTextureStageStateCount) {
    return D3DERR_INVALIDCALL;
  }
  shaderStateChanged_ |= state_.stageStates[stage][type] != value;
  state_.stageStates[stage][type] = value;
  return D3D_OK;
}

HRESULT DeviceBase::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (stage >= kTextureStageCount || type >= kTextureStageStateCount || !value) {
    return D3DERR_INVALIDCALL;
  }
  *value = state_.stageStates[stage][type];
  return D3D_OK;
}

HRESULT DeviceBase::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= kTextureStageCount) {
    return D3DERR_INVALIDCALL;
  }
  shaderStateChanged_ |= state_.textures[stage] != texture;
  rebind(state_.textures[stage], texture);
  return D3D_OK;
}

HRESULT DeviceBase::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (stage >= kTextureStageCount || !texture) {
    return D3DERR_INVALIDCALL;
  }
  *texture = state_.textures[stage];
  if (*texture) {
    (*texture)->AddRef();
  }
  return D3D_OK;
}

HRESULT DeviceBase::SetMaterial(const D3DMATERIAL9* material) {
  if (!material) {
    return D3DERR_INVALIDCALL;
  }
  state_.material = *material;
  return D3D_OK;
}

HRESULT DeviceBase::GetMaterial(D3DMATERIAL9* material) {
  if (!material) {
    return D3DERR_INVALIDCALL;
  }
  *material = state_.material;
  return D3D_OK;
}

HRESULT DeviceBase::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (!light) {
    return D3DERR_INVALIDCALL;
  }
  shaderStateChanged_ = true;
  state_.lights[index] = *light;
  return D3D_OK;
}

HRESULT DeviceBase::GetLight(DWORD index, D3DLIGHT9* light) {
  auto found = state_.lights.find(index);
  if (!light || found == state_.lights.end()) {
    return D3DERR_INVALIDCALL;
  }
  *light = found->second;
  return D3D_OK;
}

HRESULT DeviceBase::LightEnable(DWORD index, BOOL enable) {
  if (!state_.lights.count(index)) {
    state_.lights[index] = DeviceState::defaultLight();
  }
  shaderStateChanged_ = true;
  state_.lightEnabled[index] = enable != FALSE;
  return D3D_OK;
}

HRESULT DeviceBase::GetLightEnable(DWORD index, BOOL* enable) {
  if (!enable || !state_.lights.count(index)) {
    return D3DERR_INVALIDCALL;
  }
  *enable = state_.lightEnabled[index] ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT DeviceBase::SetFVF(DWORD fvf) {
  shaderStateChanged_ |= state_.fvf != fvf;
  state_.fvf = fvf;
  return D3D_OK;
}

HRESULT DeviceBase::GetFVF(DWORD* fvf) {
  if (!fvf) {
    return D3DERR_INVALIDCALL;
  }
  *fvf = state_.fvf;
  return D3D_OK;
}

HRESULT DeviceBase::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                    UINT stride) {
  if (stream != 0) {
    return D3DERR_INVALIDCALL;
  }
  rebind(state_.streamSource, buffer);
  state_.streamOffset = offset;
  state_.streamStride = stride;
  return D3D_OK;
}

HRESULT DeviceBase::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
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

HRESULT DeviceBase::SetIndices(IDirect3DIndexBuffer9* buffer) {
  rebind(state_.indices, buffer);
  return D3D_OK;
}

HRESULT DeviceBase::GetIndices(IDirect3DIndexBuffer9** buffer) {
  if (!buffer) {
    return D3DERR_INVALIDCALL;
  }
  *buffer = state_.indices;
  if (*buffer) {
    (*buffer)->AddRef();
  }
  return D3D_OK;
}

}  // namespace korvel::platform
