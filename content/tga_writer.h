// Uncompressed TGA images as the demo reads them: 8-bit grey (type 3), or 24 and 32-bit
// colour (type 2), stored bottom row first with no ID field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::content {

// `pixels`: top row first; per pixel one grey byte, or blue, green, red (and alpha) bytes.
// Empty when the sizes do not fit the format (0 or over 65535 on a side, or too few pixels,
// or a depth other than 8, 24 or 32).
std::vector<uint8_t> encodeTga(unsigned width, unsigned height, int bitsPerPixel,
                               const std::vector<uint8_t>& pixels);

// Written through a temporary name; false with the reason in `error`.
bool writeTga(const std::string& path, unsigned width, unsigned height, int bitsPerPixel,
              const std::vector<uint8_t>& pixels, std::string* error);

}  // namespace korvel::content
