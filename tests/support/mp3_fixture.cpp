#include "support/mp3_fixture.h"

#include <cmath>
#include <vector>

#include "content/mp3_writer.h"

namespace korvel::testing {

bool writeSineMp3(const std::string& path, double frequency, double amplitude, double seconds) {
  const size_t frames = size_t(seconds * 44100);
  std::vector<float> stereo(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    double value = amplitude * std::sin(2 * 3.14159265358979 * frequency * double(i) / 44100.0);
    stereo[2 * i] = stereo[2 * i + 1] = float(value);
  }
  std::string error;
  return content::writeMp3(path, stereo, content::Mp3Settings{}, &error);
}

}  // namespace korvel::testing
