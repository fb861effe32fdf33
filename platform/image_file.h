// Pictures to files: PNG for looking at what the device drew, BMP for data the demo reads; and
// pictures back from files, for tools and tests that look at them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::platform {

// `bgra`: blue, green, red, alpha bytes, top row first, as a locked back buffer holds them.
// With `keepAlpha` false the picture is written opaque, as it is shown on screen.
bool writePng(const std::string& path, const std::vector<uint8_t>& bgra, unsigned width,
              unsigned height, bool keepAlpha = false);
// 24-bit, no alpha.
bool writeBmp(const std::string& path, const std::vector<uint8_t>& bgra, unsigned width,
              unsigned height);

// Any picture stb_image reads (PNG, TGA, BMP, JPEG) as blue, green, red, alpha bytes, top row
// first; false when it does not read.
bool readPicture(const std::string& path, std::vector<uint8_t>* bgra, unsigned* width,
                 unsigned* height);

}  // namespace korvel::platform
