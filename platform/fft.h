// The spectrum of a block of stereo samples, as the sound library hands it out.
#pragma once

#include <vector>

namespace korvel::platform {

// `size` samples (a power of two) of interleaved stereo floats starting at `frames`: mixed to
// mono, Hann-windowed, transformed; the first size / 2 magnitudes, multiplied by 4 / size (the
// window's gain of one half, and one half for the two-sided spectrum), go to `out`.
void spectrumOf(const float* frames, int size, float* out);

}  // namespace korvel::platform
