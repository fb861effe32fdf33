// Frames per second as an exact fraction, as films store them: 60 is 60/1, 59.94 is
// 60000/1001, so that 10 minutes of 59.94 is exactly 35,964 frames.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvel::capture {

struct FrameRate {
  int numerator = 60, denominator = 1;

  double perSecond() const { return double(numerator) / double(denominator); }
  // Seconds from the first frame to frame `n`, exactly as the virtual clock counts them.
  double secondsAt(int64_t n) const { return double(n) * double(denominator) / double(numerator); }
  // Audio samples from the first frame to frame `n`, rounded to the nearest.
  int64_t samplesAt(int64_t n, int sampleRate) const {
    return (n * sampleRate * denominator + numerator / 2) / numerator;
  }
};

// Whole numbers, and the broadcast rates 23.976, 29.97, 59.94 and 119.88 (N * 1000 / 1001);
// nothing when `text` is neither.
std::optional<FrameRate> parseFrameRate(const std::string& text);

}  // namespace korvel::capture
