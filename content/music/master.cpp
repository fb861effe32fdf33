#include "content/music/master.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <deque>

#include "content/music/dsp.h"

namespace korvel::music {

namespace {

// Gain that keeps every sample under `ceiling`: the smallest needed over the next `look`
// samples, averaged over `look` so it is fully down at each peak, and recovering slowly.
void limit(std::vector<float>& stereo, float ceiling) {
  const size_t frames = stereo.size() / 2;
  const size_t look = size_t(0.005 * kRate);
  const float release = 1.0f - std::exp(-1.0f / float(0.08 * kRate));
  std::vector<float> need(frames);
  for (size_t i = 0; i < frames; ++i) {
    float peak = std::max(std::fabs(stereo[2 * i]), std::fabs(stereo[2 * i + 1]));
    need[i] = peak > ceiling ? ceiling / peak : 1.0f;
  }
  // Sliding minimum over [i, i + look].
  std::vector<float> lowest(frames);
  std::deque<size_t> window;
  for (size_t j = 0; j < frames + look; ++j) {
    if (j < frames) {
      while (!window.empty() && need[window.back()] >= need[j]) {
        window.pop_back();
      }
      window.push_back(j);
    }
    if (j >= look) {
      size_t i = j - look;
      while (window.front() < i) {
        window.pop_front();
      }
      lowest[i] = need[window.front()];
    }
  }
  float held = 1.0f;
  for (size_t i = 0; i < frames; ++i) {
    held = std::min(lowest[i], held + (1.0f - held) * release);
    lowest[i] = held;
  }
  double sum = 0;
  for (size_t i = 0; i < frames; ++i) {
    sum += lowest[i];
    if (i >= look + 1) {
      sum -= lowest[i - look - 1];
    }
    float gain = float(sum / double(std::min(i + 1, look + 1)));
    stereo[2 * i] *= gain;
    stereo[2 * i + 1] *= gain;
  }
}

void scale(std::vector<float>& stereo, double gain) {
  for (float& s : stereo) {
    s = float(s * gain);
  }
}

}  // namespace

namespace {

double loudnessOf(const std::vector<float>& stereo) {
  ebur128_state* state = ebur128_init(2, 44100, EBUR128_MODE_I);
  ebur128_add_frames_float(state, stereo.data(), stereo.size() / 2);
  double loudness = 0;
  ebur128_loudness_global(state, &loudness);
  ebur128_destroy(&state);
  return loudness;
}

}  // namespace

MasterReport measure(const std::vector<float>& stereo) {
  MasterReport report;
  ebur128_state* state = ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
  ebur128_add_frames_float(state, stereo.data(), stereo.size() / 2);
  ebur128_loudness_global(state, &report.loudness);
  double peak = 0;
  for (unsigned channel = 0; channel < 2; ++channel) {
    double p = 0;
    ebur128_true_peak(state, channel, &p);
    peak = std::max(peak, p);
  }
  report.truePeakDb = 20.0 * std::log10(std::max(peak, 1e-9));
  ebur128_destroy(&state);
  return report;
}

MasterReport master(std::vector<float>& stereo, double targetLufs, double ceilingDb) {
  // Limiting takes a little loudness away, so level and limit a few times over.
  const float ceiling = decibels(float(ceilingDb));
  double loudness = loudnessOf(stereo);
  for (int round = 0; round < 3; ++round) {
    scale(stereo, std::pow(10.0, (targetLufs - loudness) / 20.0));
    limit(stereo, ceiling);
    loudness = loudnessOf(stereo);
    if (std::fabs(loudness - targetLufs) < 0.1) {
      break;
    }
  }
  MasterReport report = measure(stereo);
  // Inter-sample peaks the limiter did not see: take the whole track down by what remains.
  if (report.truePeakDb > ceilingDb) {
    scale(stereo, std::pow(10.0, (ceilingDb - report.truePeakDb) / 20.0));
    report = measure(stereo);
  }
  return report;
}

}  // namespace korvel::music
