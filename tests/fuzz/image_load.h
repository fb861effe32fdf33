// What the image fuzzers do with one input: read it as a TGA through the texture object's own
// reader and fill a texture from what it gives, or read it through the D3DX loader with a
// colour key. Both run on a recording device (textures in memory) under an offline host, so
// the readers' message boxes go nowhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "assets/texture.h"
#include "platform/d3dx.h"
#include "platform/recording_device.h"

namespace korvel::fuzz {

inline int loadTga(const uint8_t* data, size_t size) {
  // fmemopen wants a buffer it may write to, and one byte at least.
  std::vector<uint8_t> copy(data, data + size);
  copy.push_back(0);
  FILE* file = fmemopen(copy.data(), size, "rb");
  if (!file) {
    return -1;
  }
  Texture texture;
  int result = texture.loadImage(file, "fuzz.tga");
  if (result == 1) {
    platform::RecordingDevice device(D3DPRESENT_PARAMETERS{}, 0);
    const int bytesPerPixel = texture.bytesPerPixel;
    if (texture.createTexture(&device, texture.width, texture.height) == 0) {
      texture.fill(texture.pixels, bytesPerPixel);
      texture.unlock(0);
    }
  }
  return result;
}

inline bool loadImage(const uint8_t* data, size_t size) {
  platform::RecordingDevice device(D3DPRESENT_PARAMETERS{}, 0);
  IDirect3DTexture9* texture = nullptr;
  HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
      &device, data, UINT(size), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
      D3DX_DEFAULT, D3DX_DEFAULT, 0xFF000000, nullptr, nullptr, &texture);
  if (texture) {
    texture->Release();
  }
  return SUCCEEDED(hr);
}

}  // namespace korvel::fuzz
