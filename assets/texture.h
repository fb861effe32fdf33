// The texture object of the demo: a Direct3D texture and, while an image is being loaded, its
// pixels in memory. Reads uncompressed TGA files itself (8-bit grey, 24- and 32-bit colour),
// creates empty textures for callers to fill, or hands other files to the D3DX loader.
#pragma once

#include <cstdio>

#include <cstdint>

#include "platform/d3d9.h"

namespace korvel {

class Texture {
 public:
  Texture();
  ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // 1 on success; -1 after telling the user what is wrong with the file, nothing changed.
  // `pixels` holds the image top row first: one grey byte per pixel for 8-bit files, else
  // alpha, red, green, blue.
  int loadImage(const char* path);
  // The same from an open file, which it closes; `name` is the file's name in messages.
  int loadImage(FILE* file, const char* name);
  // loadImage, then a texture of its size holding it; `pixels` is freed. Returns 1.
  int loadTexture(IDirect3DDevice9* device, const char* path);
  // A managed A8R8G8B8 texture with a full mip chain (only level 0 is used): 0, or E_FAIL
  // after a message.
  int createTexture(IDirect3DDevice9* device, int width, int height);
  // Copies width x height pixels of `source` (blue, green, red[, alpha], or grey) into level 0
  // and leaves it locked: finish with unlock(0).
  void fill(const uint8_t* source, int sourceBytesPerPixel);
  void unlock(int level);
  // Through the D3DX loader, for any format it reads. Returns 0.
  int loadFromFile(IDirect3DDevice9* device, const char* path);
  void bind(int stage, IDirect3DDevice9* device);
  IDirect3DTexture9* d3dTexture() const { return texture; }
  // Frees the pixels and releases the texture.
  void releaseImage();

  IDirect3DTexture9* texture;
  int width;
  int height;
  int bytesPerPixel;
  uint8_t* pixels;

 private:
  void releaseTexture();
  D3DLOCKED_RECT locked_{};
};

}  // namespace korvel
