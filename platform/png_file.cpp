#include "platform/png_file.h"

#include <stb_image_write.h>

namespace korvel::platform {

bool writePng(const std::string& path, const std::vector<uint8_t>& bgra, unsigned width,
              unsigned height, bool keepAlpha) {
  if (width == 0 || height == 0 || bgra.size() < size_t(width) * height * 4) {
    return false;
  }
  std::vector<uint8_t> rgba(size_t(width) * height * 4);
  for (size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i + 0] = bgra[i + 2];
    rgba[i + 1] = bgra[i + 1];
    rgba[i + 2] = bgra[i + 0];
    rgba[i + 3] = keepAlpha ? bgra[i + 3] : 255;
  }
  return stbi_write_png(path.c_str(), int(width), int(height), 4, rgba.data(), int(width) * 4) != 0;
}

}  // namespace korvel::platform
