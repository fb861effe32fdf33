// MP3 files made in the test: a sine of a chosen frequency and amplitude, encoded with LAME.
#pragma once

#include <string>

namespace korvel::testing {

// Stereo, 44,100 Hz, `seconds` long. False when the file cannot be written.
bool writeSineMp3(const std::string& path, double frequency, double amplitude, double seconds);

}  // namespace korvel::testing
