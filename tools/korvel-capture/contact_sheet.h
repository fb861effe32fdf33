// Stills side by side, three to a row, each shrunk to 320 pixels wide (box filtered).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::capture {

struct Still {
  std::vector<uint8_t> pixels;  // BGRA
  unsigned width, height;
};

bool writeContactSheet(const std::string& path, const std::vector<Still>& stills);

}  // namespace korvel::capture
