#include "content/tga_writer.h"

#include <cstddef>

#include "content/file_output.h"

namespace korvel::content {

std::vector<uint8_t> encodeTga(unsigned width, unsigned height, int bitsPerPixel,
                               const std::vector<uint8_t>& pixels) {
  if (width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF ||
      (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)) {
    return {};
  }
  const size_t rowBytes = size_t(width) * size_t(bitsPerPixel / 8);
  if (pixels.size() < rowBytes * height) {
    return {};
  }
  std::vector<uint8_t> file(18, 0);
  file[2] = bitsPerPixel == 8 ? 3 : 2;
  file[12] = uint8_t(width & 0xFF);
  file[13] = uint8_t(width >> 8);
  file[14] = uint8_t(height & 0xFF);
  file[15] = uint8_t(height >> 8);
  file[16] = uint8_t(bitsPerPixel);
  file[17] = bitsPerPixel == 32 ? 8 : 0;  // alpha bits; origin at the bottom
  file.reserve(file.size() + rowBytes * height);
  for (unsigned row = height; row-- > 0;) {
    auto first = pixels.begin() + std::ptrdiff_t(row * rowBytes);
    file.insert(file.end(), first, first + std::ptrdiff_t(rowBytes));
  }
  return file;
}

bool writeTga(const std::string& path, unsigned width, unsigned height, int bitsPerPixel,
              const std::vector<uint8_t>& pixels, std::string* error) {
  std::vector<uint8_t> file = encodeTga(width, height, bitsPerPixel, pixels);
  if (file.empty()) {
    *error = path + ": not a size or depth a TGA can hold";
    return false;
  }
  return writeFileAtomically(path, file, error);
}

}  // namespace korvel::content
