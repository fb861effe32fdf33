// Mastering: a look-ahead peak limiter and loudness set with EBU R 128 measurement, so the
// track is as loud as streamed music (about -14 LUFS) without clipping.
#pragma once

#include <vector>

namespace korvel::music {

struct MasterReport {
  double loudness = 0;    // integrated, LUFS
  double truePeakDb = 0;  // dBTP
};

// `stereo` interleaved at 44,100 Hz, changed in place.
MasterReport master(std::vector<float>& stereo, double targetLufs = -14.0, double ceilingDb = -1.5);

// Measurement alone.
MasterReport measure(const std::vector<float>& stereo);

}  // namespace korvel::music
