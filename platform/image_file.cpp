#include "platform/image_file.h"

#include <utility>

#include <stb_image.h>
#include <stb_image_write.h>

namespace korvel::platform {

namespace {

bool sized(const std::vector<uint8_t>& bgra, unsigned width, unsigned height) {
  return width > 0 && height > 0 && bgra.size() >= size_t(width) * height * 4;
}

// Blue-green-red-alpha texels to red-green-blue(-alpha) bytes for the writers.
std::vector<uint8_t> reorder(const std::vector<uint8_t>& bgra, unsigned width, unsigned height,
                             int channels, bool keepAlpha) {
  size_t count = size_t(width) * height;
  std::vector<uint8_t> out(count * channels);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* s = &bgra[i * 4];
    uint8_t* d = &out[i * channels];
    d[0] = s[2];
    d[1] = s[1];
    d[2] = s[0];
    if (channels == 4) {
      d[3] = keepAlpha ? s[3] : 255;
    }
  }
  return out;
}

}  // namespace

bool writePng(const std::string& path, const std::vector<uint8_t>& bgra, unsigned width,
              unsigned height, bool keepAlpha) {
  if (!sized(bgra, width, height)) {
    return false;
  }
  std::vector<uint8_t> rgba = reorder(bgra, width, height, 4, keepAlpha);
  return stbi_write_png(path.c_str(), int(width), int(height), 4, rgba.data(), int(width) * 4) != 0;
}

bool writeBmp(const std::string& path, const std::vector<uint8_t>& bgra, unsigned width,
              unsigned height) {
  if (!sized(bgra, width, height)) {
    return false;
  }
  std::vector<uint8_t> rgb = reorder(bgra, width, height, 3, false);
  return stbi_write_bmp(path.c_str(), int(width), int(height), 3, rgb.data()) != 0;
}

bool readPicture(const std::string& path, std::vector<uint8_t>* bgra, unsigned* width,
                 unsigned* height) {
  int w = 0, h = 0, channels = 0;
  stbi_uc* rgba = stbi_load(path.c_str(), &w, &h, &channels, 4);
  if (!rgba) {
    return false;
  }
  bgra->assign(rgba, rgba + size_t(w) * size_t(h) * 4);
  stbi_image_free(rgba);
  for (size_t i = 0; i < bgra->size(); i += 4) {
    std::swap((*bgra)[i], (*bgra)[i + 2]);
  }
  *width = unsigned(w);
  *height = unsigned(h);
  return true;
}

}  // namespace korvel::platform
