#include "frame_rate.h"

#include <cmath>
#include <cstdlib>

namespace korvel::capture {

std::optional<FrameRate> parseFrameRate(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 1 || value > 1000) {
    return std::nullopt;
  }
  if (std::floor(value) == value) {
    return FrameRate{int(value), 1};
  }
  for (int whole : {24, 30, 48, 60, 120, 240}) {
    const double broadcast = whole * 1000.0 / 1001.0;
    if (std::fabs(value - broadcast) < 0.006) {
      return FrameRate{whole * 1000, 1001};
    }
  }
  return std::nullopt;
}

}  // namespace korvel::capture
