#include "assets/texture.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx.h"
#include "platform/window_system.h"

namespace korvel {

namespace {

constexpr int kMaxImageSide = 16384;

void tell(const char* caption, const std::string& text) {
  platform::windowSystem().messageBox(nullptr, text.c_str(), caption, MB_OK);
}

// "Error loading %s"-style messages, whatever the length of the path.
std::string withPath(const char* format, const char* path) {
  int size = std::snprintf(nullptr, 0, format, path);
  std::string text(size_t(size > 0 ? size : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, format, path);
  return text;
}

// Bytes from the read position to the end; 0 when that cannot be told.
size_t remainingBytes(FILE* file) {
  long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) {
    return 0;
  }
  long end = std::ftell(file);
  if (end < here || std::fseek(file, here, SEEK_SET) != 0) {
    return 0;
  }
  return size_t(end - here);
}

uint16_t little16(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}

}  // namespace

Texture::Texture() : texture(nullptr), width(0), height(0), bytesPerPixel(4), pixels(nullptr) {}

Texture::~Texture() {
  releaseImage();
}

void Texture::releaseTexture() {
  if (texture) {
    texture->Release();
    texture = nullptr;
  }
}

void Texture::releaseImage() {
  delete[] pixels;
  pixels = nullptr;
  releaseTexture();
}

int Texture::loadImage(const char* path) {
  FILE* file = path ? std::fopen(path, "rb") : nullptr;
  if (!file) {
    tell("Error", withPath("Error loading %s", path ? path : "(no file)"));
    return -1;
  }
  return loadImage(file, path);
}

int Texture::loadImage(FILE* file, const char* path) {
  auto failWith = [&](const std::string& text) {
    std::fclose(file);
    tell("Error", text);
    return -1;
  };

  uint8_t header[18];
  if (std::fread(header, 1, sizeof header, file) != sizeof header) {
    return failWith(withPath("Error loading header of %s", path));
  }
  const int idLength = header[0];
  const int colourMapType = header[1];
  const int imageType = header[2];
  const int fileWidth = int16_t(little16(header + 12));
  const int fileHeight = int16_t(little16(header + 14));
  const int bits = header[16];
  const bool topFirst = (header[17] & 0x20) != 0;
  const int b = bits / 8;

  // Only what this reader can fill completely is accepted; anything else is refused before a
  // single field of the object changes.
  if (colourMapType != 0 || (imageType != 2 && imageType != 3)) {
    return failWith(
        withPath("Error loading %s: only uncompressed true-colour and grey TGA "
                 "files are read",
                 path));
  }
  if ((bits != 8 && bits != 24 && bits != 32) || (imageType == 3) != (bits == 8)) {
    return failWith(
        withPath("Error loading %s: only 8-bit grey, 24-bit and 32-bit colour "
                 "TGA files are read",
                 path));
  }
  if (fileWidth <= 0 || fileHeight <= 0 || fileWidth > kMaxImageSide ||
      fileHeight > kMaxImageSide) {
    return failWith(withPath("Error loading %s: the image size is not valid", path));
  }
  if (idLength > 0 && std::fseek(file, idLength, SEEK_CUR) != 0) {
    return failWith(withPath("Error loading header of %s", path));
  }

  const size_t rowBytes = size_t(fileWidth) * b;
  // The header's size is checked against what the file holds before anything is allocated:
  // 18 bytes may claim a gigabyte.
  if (remainingBytes(file) < rowBytes * size_t(fileHeight)) {
    return failWith(withPath("Error loading %s: the file is shorter than its header says", path));
  }
  std::vector<uint8_t> block(rowBytes * fileHeight);
  // Files store the bottom row first unless their descriptor says otherwise.
  for (int row = 0; row < fileHeight; ++row) {
    int target = topFirst ? row : fileHeight - 1 - row;
    if (std::fread(block.data() + rowBytes * target, 1, rowBytes, file) != rowBytes) {
      return failWith(withPath("Error loading %s: the file is shorter than its header says", path));
    }
  }
  std::fclose(file);

  if (b >= 3) {
    for (size_t i = 0; i < block.size(); i += b) {
      std::swap(block[i], block[i + 2]);
    }
  }
  const size_t count = size_t(fileWidth) * fileHeight;
  uint8_t* converted = new uint8_t[b == 1 ? count : count * 4];
  if (b == 1) {
    std::memcpy(converted, block.data(), count);
  } else {
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* s = block.data() + i * b;  // red, green, blue(, alpha)
      uint8_t* d = converted + i * 4;
      d[0] = b == 4 ? s[3] : 255;
      d[1] = s[0];
      d[2] = s[1];
      d[3] = s[2];
    }
  }
  delete[] pixels;
  pixels = converted;
  width = fileWidth;
  height = fileHeight;
  bytesPerPixel = b == 1 ? 1 : 4;
  return 1;
}

int Texture::createTexture(IDirect3DDevice9* device, int w, int h) {
  width = w;
  height = h;
  bytesPerPixel = 4;
  releaseTexture();
  if (!device || w <= 0 || h <= 0 ||
      FAILED(device->CreateTexture(UINT(w), UINT(h), 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                   &texture, nullptr))) {
    texture = nullptr;
    tell("moo", "failed to create RGBA texture");
    return E_FAIL;
  }
  return 0;
}

int Texture::loadTexture(IDirect3DDevice9* device, const char* path) {
  loadImage(path);
  int imageBytesPerPixel = bytesPerPixel;
  createTexture(device, width, height);
  D3DLOCKED_RECT locked;
  if (texture && pixels && SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
    for (int y = 0; y < height; ++y) {
      uint8_t* d = static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch;
      for (int x = 0; x < width; ++x, d += 4) {
        if (imageBytesPerPixel == 1) {
          // A grey image becomes opaque grey rather than being read past its end.
          uint8_t grey = pixels[size_t(y) * width + x];
          d[0] = d[1] = d[2] = grey;
          d[3] = 255;
        } else {
          // Alpha, red, green, blue to the texture's blue, green, red, alpha.
          const uint8_t* s = pixels + (size_t(y) * width + x) * 4;
          d[0] = s[3];
          d[1] = s[2];
          d[2] = s[1];
          d[3] = s[0];
        }
      }
    }
    texture->UnlockRect(0);
  }
  delete[] pixels;
  pixels = nullptr;
  return 1;
}

void Texture::fill(const uint8_t* source, int n) {
  if (!texture || FAILED(texture->LockRect(0, &locked_, nullptr, 0))) {
    tell("moo", "failed to lock texture");
    return;
  }
  if (!source || (n != 1 && n != 3 && n != 4)) {
    return;
  }
  for (int y = 0; y < height; ++y) {
    uint8_t* d = static_cast<uint8_t*>(locked_.pBits) + size_t(y) * locked_.Pitch;
    for (int x = 0; x < width; ++x, d += 4, source += n) {
      if (n == 1) {
        d[0] = d[1] = d[2] = source[0];
        d[3] = 255;
      } else {
        d[0] = source[0];
        d[1] = source[1];
        d[2] = source[2];
        d[3] = n == 4 ? source[3] : 255;
      }
    }
  }
}

void Texture::unlock(int level) {
  if (texture) {
    texture->UnlockRect(UINT(level));
  }
}

int Texture::loadFromFile(IDirect3DDevice9* device, const char* path) {
  releaseTexture();
  D3DXCreateTextureFromFileA(device, path, &texture);
  return 0;
}

void Texture::bind(int stage, IDirect3DDevice9* device) {
  device->SetTexture(DWORD(stage), texture);
}

}  // namespace korvel
