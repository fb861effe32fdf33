// Direct3D resources kept in memory: reference counting, vertex and index buffers, textures
// with their level surfaces, and plain surfaces. A device subclasses them to mirror the memory
// onto its own objects when a lock ends.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"

namespace korvel::platform {

template <class Interface>
class RefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    if (left == 0) {
      delete this;
    }
    return left;
  }
  ULONG references() const { return references_; }

 private:
  ULONG references_ = 1;
};

// Points `slot` at `object`, taking a reference on the new one and dropping the old one's:
// bound objects stay alive while bound, as on Direct3D.
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

template <class Interface, class Desc>
class MemoryBuffer : public RefCounted<Interface> {
 public:
  explicit MemoryBuffer(const Desc& desc) : desc_(desc), data_(desc.Size) {}

  // Size 0 locks from `offset` to the end.
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD) override {
    if (!data || locked_ || offset > data_.size() || size > data_.size() - offset) {
      return D3DERR_INVALIDCALL;
    }
    locked_ = true;
    lockOffset_ = offset;
    lockSize_ = size ? size : UINT(data_.size()) - offset;
    *data = data_.data() + offset;
    return D3D_OK;
  }
  HRESULT Unlock() override {
    if (!locked_) {
      return D3DERR_INVALIDCALL;
    }
    locked_ = false;
    unlocked(lockOffset_, lockSize_);
    return D3D_OK;
  }
  HRESULT GetDesc(Desc* desc) override {
    if (!desc) {
      return D3DERR_INVALIDCALL;
    }
    *desc = desc_;
    return D3D_OK;
  }

  const std::vector<uint8_t>& bytes() const { return data_; }
  const Desc& desc() const { return desc_; }

 protected:
  // After every unlock, with the new contents in bytes(); the lock covered `size` bytes from
  // `offset`.
  virtual void unlocked(UINT /*offset*/, UINT /*size*/) {}

 private:
  Desc desc_;
  std::vector<uint8_t> data_;
  bool locked_ = false;
  UINT lockOffset_ = 0, lockSize_ = 0;
};

using MemoryVertexBuffer = MemoryBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
using MemoryIndexBuffer = MemoryBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

// Four bytes a texel, blue, green, red, alpha in memory; rows top first, pitch = width * 4.
class MemoryTexture : public RefCounted<IDirect3DTexture9> {
 public:
  // `levels` 0 asks for the whole chain down to 1 x 1.
  MemoryTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

  static bool supportsFormat(D3DFORMAT format);

  DWORD GetLevelCount() override { return levelCount_; }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;

  UINT width() const { return width_; }
  UINT height() const { return height_; }
  D3DFORMAT format() const { return format_; }
  DWORD usage() const { return usage_; }
  // Level 0's texels.
  std::vector<uint8_t>& texels() { return levels_[0]; }

 protected:
  // After an unlock of `level`, with its texels in memory.
  virtual void levelUnlocked(UINT) {}
  // Before a lock: a device whose texture is drawn into refreshes the memory here.
  virtual void beforeLock(UINT) {}

 private:
  UINT levelWidth(UINT level) const;
  UINT levelHeight(UINT level) const;

  UINT width_, height_, levelCount_;
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  std::vector<std::vector<uint8_t>> levels_;
  std::vector<bool> locked_;
};

// A level of a texture; holds a reference on the texture.
class TextureSurface : public RefCounted<IDirect3DSurface9> {
 public:
  TextureSurface(MemoryTexture* texture, UINT level);
  ~TextureSurface() override;

  HRESULT GetDesc(D3DSURFACE_DESC* desc) override { return texture_->GetLevelDesc(level_, desc); }
  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
    return texture_->LockRect(level_, locked, rect, flags);
  }
  HRESULT UnlockRect() override { return texture_->UnlockRect(level_); }

  MemoryTexture* texture() const { return texture_; }
  UINT level() const { return level_; }

 private:
  MemoryTexture* texture_;
  UINT level_;
};

// A free-standing surface such as a back buffer.
class MemorySurface : public RefCounted<IDirect3DSurface9> {
 public:
  MemorySurface(UINT width, UINT height, D3DFORMAT format, DWORD usage);

  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect() override;

  UINT width() const { return width_; }
  UINT height() const { return height_; }
  std::vector<uint8_t>& texels() { return texels_; }

 protected:
  virtual void beforeLock() {}

 private:
  UINT width_, height_;
  D3DFORMAT format_;
  DWORD usage_;
  std::vector<uint8_t> texels_;
  bool locked_ = false;
};

// Width and height of any surface; zero for null.
struct SurfaceSize {
  UINT width = 0, height = 0;
};
SurfaceSize surfaceSize(IDirect3DSurface9* surface);

}  // namespace korvel::platform
