#include <stb_image.h>

#include <cstdint>
#include <cstring>

#include "platform/d3dx.h"

namespace {

struct Image {
  int width = 0, height = 0;
  stbi_uc* rgba = nullptr;  // red, green, blue, alpha; rows top first
  ~Image() { stbi_image_free(rgba); }
};

UINT levelsFor(UINT mipLevels) {
  if (mipLevels == D3DX_DEFAULT || mipLevels == 0) {
    return 0;  // the whole chain
  }
  return mipLevels == D3DX_FROM_FILE ? 1 : mipLevels;
}

// Textures go up to 8192 a side, as the device allows: a header claiming more is refused
// before decoding, since a few bytes can claim gigabytes. (stb_image's own check answers for
// fewer files than it decodes; those it cannot size are left to the decoder.)
constexpr int kMaxSide = 8192;

bool sizeAllowed(int known, int width, int height) {
  return !known || (width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide);
}

// The loader behind both entry points, once the picture is decoded.
HRESULT createFromImage(IDirect3DDevice9* device, const Image& image, UINT mipLevels, DWORD usage,
                        D3DFORMAT format, D3DPOOL pool, D3DCOLOR colorKey, D3DXIMAGE_INFO* info,
                        IDirect3DTexture9** texture) {
  if (!image.rgba || image.width <= 0 || image.height <= 0) {
    return D3DXERR_INVALIDDATA;
  }
  D3DFORMAT textureFormat = format == D3DFMT_X8R8G8B8 ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8;
  IDirect3DTexture9* created = nullptr;
  HRESULT hr = device->CreateTexture(UINT(image.width), UINT(image.height), levelsFor(mipLevels),
                                     usage, textureFormat, pool, &created, nullptr);
  if (FAILED(hr)) {
    return hr;
  }
  D3DLOCKED_RECT locked;
  if (FAILED(created->LockRect(0, &locked, nullptr, 0))) {
    created->Release();
    return D3DERR_INVALIDCALL;
  }
  for (int y = 0; y < image.height; ++y) {
    const stbi_uc* source = image.rgba + size_t(y) * image.width * 4;
    auto* row =
        reinterpret_cast<D3DCOLOR*>(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch);
    for (int x = 0; x < image.width; ++x, source += 4) {
      D3DCOLOR texel = D3DCOLOR_ARGB(source[3], source[0], source[1], source[2]);
      row[x] = colorKey != 0 && texel == colorKey ? 0x00000000 : texel;
    }
  }
  created->UnlockRect(0);
  if (info) {
    *info = D3DXIMAGE_INFO{UINT(image.width), UINT(image.height), 1, 1, textureFormat};
  }
  *texture = created;
  return D3D_OK;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT size,
                                            UINT, UINT, UINT mipLevels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool, DWORD, DWORD,
                                            D3DCOLOR colorKey, D3DXIMAGE_INFO* info, void*,
                                            IDirect3DTexture9** texture) {
  if (!device || !data || !texture || size > INT32_MAX) {
    return D3DERR_INVALIDCALL;
  }
  *texture = nullptr;
  Image image;
  int channels = 0;
  const auto* bytes = static_cast<const stbi_uc*>(data);
  const int known = stbi_info_from_memory(bytes, int(size), &image.width, &image.height, &channels);
  if (!sizeAllowed(known, image.width, image.height)) {
    return D3DXERR_INVALIDDATA;
  }
  image.rgba = stbi_load_from_memory(bytes, int(size), &image.width, &image.height, &channels, 4);
  return createFromImage(device, image, mipLevels, usage, format, pool, colorKey, info, texture);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* path, UINT, UINT,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     DWORD, DWORD, D3DCOLOR colorKey, D3DXIMAGE_INFO* info, void*,
                                     IDirect3DTexture9** texture) {
  if (!device || !path || !texture) {
    return D3DERR_INVALIDCALL;
  }
  *texture = nullptr;
  Image image;
  int channels = 0;
  const int known = stbi_info(path, &image.width, &image.height, &channels);
  if (!sizeAllowed(known, image.width, image.height)) {
    return D3DXERR_INVALIDDATA;
  }
  // The picture keeps the file's size whatever size is asked: nothing here resamples.
  image.rgba = stbi_load(path, &image.width, &image.height, &channels, 4);
  return createFromImage(device, image, mipLevels, usage, format, pool, colorKey, info, texture);
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                      0, nullptr, nullptr, texture);
}
