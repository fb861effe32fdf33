#include "audio/music_stream.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "platform/audio_system.h"
#include "platform/window_system.h"

namespace korvel {

int MusicStream::init() {
  auto& audio = platform::audioSystem();
  if (!audio.init(-1, 44100)) {
    return 0;
  }
  audio.start();
  return 1;
}

void MusicStream::loadStream(const char* path) {
  stream = platform::audioSystem().createStream(path);
  if (stream == 0) {
    std::string name = path ? path : "(no file)";
    std::string text = "Error loading " + name;
    platform::windowSystem().messageBox(nullptr, text.c_str(), "Error", MB_OK);
  }
}

int MusicStream::initSpectrum(int count) {
  if (count <= 0) {
    return 0;
  }
  spectrumSize = count;
  spectrum.assign(size_t(count), 0.0f);
  smoothed.assign(size_t(count), 0.0f);
  auto& audio = platform::audioSystem();
  savedVolume = audio.getVolume();
  audio.setVolume(100);
  return 1;
}

void MusicStream::play() {
  platform::audioSystem().play(stream, true);
}

float* MusicStream::getSpectrum() {
  if (spectrumSize == 512 || spectrumSize == 1024 || spectrumSize == 2048) {
    // Writes the first half; the rest keep what they held.
    platform::audioSystem().fftMagnitudes(stream, spectrum.data(), spectrumSize);
  }
  smoothSpectrum(spectrumSize);
  spectrum = smoothed;
  return spectrum.data();
}

float MusicStream::averageWindow(int start, int n) const {
  float sum = 0;
  for (int j = 0; j < n; ++j) {
    sum += spectrum[size_t((start + j) % spectrumSize)];
  }
  return sum / float(n);
}

void MusicStream::smoothSpectrum(int points) {
  if (spectrumSize <= 0) {
    return;
  }
  if (points < 4) {
    points = 4;
  }
  unsigned step = unsigned(spectrumSize) / unsigned(points);
  if (step == 0) {
    return;  // more points than values: nothing to resample
  }
  for (unsigned d = 0; d < unsigned(spectrumSize); d += step) {
    float samples[4];
    for (unsigned k = 0; k < 4; ++k) {
      samples[k] = averageWindow(int((d + k * step) % unsigned(spectrumSize)), int(step));
    }
    for (unsigned i = 0; i < step; ++i) {
      float t = float(i) / float(step);
      float t2 = t * t, t3 = t2 * t;
      float h00 = 2 * t3 - 3 * t2 + 1;
      float h01 = -2 * t3 + 3 * t2;
      float h10 = t3 - 2 * t2 + t;
      float h11 = t3 - t2;
      float m1 = (samples[2] - samples[0]) * 0.5f;
      float m2 = (samples[3] - samples[1]) * 0.5f;
      float value = h00 * samples[1] + h01 * samples[2] + h10 * m1 + h11 * m2;
      smoothed[size_t((d + i) % unsigned(spectrumSize))] = std::fabs(value);
    }
  }
  for (float& v : smoothed) {
    if (v > 1.0f) {
      v = 1.0f;
    }
  }
}

void MusicStream::shutdown() {
  auto& audio = platform::audioSystem();
  audio.setVolume(savedVolume);
  audio.stop();
  audio.free();
  spectrum.clear();
  smoothed.clear();
  spectrumSize = 0;
  stream = 0;
}

}  // namespace korvel
