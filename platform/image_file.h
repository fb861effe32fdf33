// Pictures to files: PNG for looking at what the device drew, BMP for data the demo reads.
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

}  // namespace korvel::platform
