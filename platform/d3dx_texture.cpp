#include <stb_image.h>

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

}  // namespace

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
  // The picture keeps the file's size whatever size is asked: nothing here resamples.
  image.rgba = stbi_load(path, &image.width, &image.height, &channels, 4);
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

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                      0, nullptr, nullptr, texture);
}
