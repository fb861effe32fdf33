#include "platform/d3d9_resources.h"

#include <algorithm>

namespace korvel::platform {

namespace {

UINT fullChainLength(UINT width, UINT height) {
  UINT levels = 1;
  for (UINT size = std::max(width, height); size > 1; size /= 2) {
    ++levels;
  }
  return levels;
}

HRESULT lockTexels(std::vector<uint8_t>& texels, UINT width, UINT height, D3DLOCKED_RECT* locked,
                   const RECT* rect) {
  if (!locked) {
    return D3DERR_INVALIDCALL;
  }
  LONG left = 0, top = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
        rect->right > LONG(width) || rect->bottom > LONG(height)) {
      return D3DERR_INVALIDCALL;
    }
    left = rect->left;
    top = rect->top;
  }
  locked->Pitch = INT(width * 4);
  locked->pBits = texels.data() + size_t(top) * width * 4 + size_t(left) * 4;
  return D3D_OK;
}

}  // namespace

MemoryTexture::MemoryTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                             D3DPOOL pool)
    : width_(width),
      height_(height),
      levelCount_(levels == 0 ? fullChainLength(width, height)
                              : std::min(levels, fullChainLength(width, height))),
      usage_(usage),
      format_(format),
      pool_(pool),
      levels_(levelCount_),
      locked_(levelCount_, false) {
  // Only level 0 is ever drawn from; the others get memory when first locked.
  levels_[0].assign(size_t(width) * height * 4, 0);
}

bool MemoryTexture::supportsFormat(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

UINT MemoryTexture::levelWidth(UINT level) const {
  return std::max(1u, width_ >> level);
}
UINT MemoryTexture::levelHeight(UINT level) const {
  return std::max(1u, height_ >> level);
}

HRESULT MemoryTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (!desc || level >= levelCount_) {
    return D3DERR_INVALIDCALL;
  }
  *desc =
      D3DSURFACE_DESC{format_,           D3DRTYPE_SURFACE,  usage_, pool_, D3DMULTISAMPLE_NONE, 0,
                      levelWidth(level), levelHeight(level)};
  return D3D_OK;
}

HRESULT MemoryTexture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
  if (!surface || level >= levelCount_) {
    return D3DERR_INVALIDCALL;
  }
  *surface = new TextureSurface(this, level);
  return D3D_OK;
}

HRESULT MemoryTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
  if (level >= levelCount_ || locked_[level]) {
    return D3DERR_INVALIDCALL;
  }
  if (levels_[level].empty()) {
    levels_[level].assign(size_t(levelWidth(level)) * levelHeight(level) * 4, 0);
  }
  beforeLock(level);
  HRESULT hr = lockTexels(levels_[level], levelWidth(level), levelHeight(level), locked, rect);
  if (SUCCEEDED(hr)) {
    locked_[level] = true;
  }
  return hr;
}

HRESULT MemoryTexture::UnlockRect(UINT level) {
  if (level >= levelCount_ || !locked_[level]) {
    return D3DERR_INVALIDCALL;
  }
  locked_[level] = false;
  levelUnlocked(level);
  return D3D_OK;
}

TextureSurface::TextureSurface(MemoryTexture* texture, UINT level)
    : texture_(texture), level_(level) {
  texture_->AddRef();
}

TextureSurface::~TextureSurface() {
  texture_->Release();
}

MemorySurface::MemorySurface(UINT width, UINT height, D3DFORMAT format, DWORD usage)
    : width_(width),
      height_(height),
      format_(format),
      usage_(usage),
      texels_(size_t(width) * height * 4, 0) {}

HRESULT MemorySurface::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) {
    return D3DERR_INVALIDCALL;
  }
  *desc = D3DSURFACE_DESC{format_, D3DRTYPE_SURFACE, usage_, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE,
                          0,       width_,           height_};
  return D3D_OK;
}

HRESULT MemorySurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
  if (locked_) {
    return D3DERR_INVALIDCALL;
  }
  beforeLock();
  HRESULT hr = lockTexels(texels_, width_, height_, locked, rect);
  locked_ = SUCCEEDED(hr);
  return hr;
}

HRESULT MemorySurface::UnlockRect() {
  if (!locked_) {
    return D3DERR_INVALIDCALL;
  }
  locked_ = false;
  return D3D_OK;
}

SurfaceSize surfaceSize(IDirect3DSurface9* surface) {
  D3DSURFACE_DESC desc{};
  if (!surface || FAILED(surface->GetDesc(&desc))) {
    return {};
  }
  return SurfaceSize{desc.Width, desc.Height};
}

}  // namespace korvel::platform
