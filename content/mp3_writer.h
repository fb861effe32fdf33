// MP3 files encoded with LAME from stereo samples, with the LAME tag that lets a decoder drop
// the encoder's delay and padding, so the first sample decoded is the first sample given.
#pragma once

#include <string>
#include <vector>

namespace korvel::content {

struct Mp3Settings {
  int sampleRate = 44100;
  int bitrateKbps = 192;
  int quality = 2;  // LAME's: 0 best and slowest .. 9 worst and fastest
};

// `stereo`: interleaved left and right samples in -1..1 (clipped beyond). Written through a
// temporary name; false with the reason in `error`.
bool writeMp3(const std::string& path, const std::vector<float>& stereo,
              const Mp3Settings& settings, std::string* error);

}  // namespace korvel::content
