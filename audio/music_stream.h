// The soundtrack: an MP3 played looped, and once a frame a smoothed spectrum of what is heard.
// The timeline keeps its own clock; nothing here reports the playing position.
#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

class MusicStream {
 public:
  // 1 when the sound library runs. A missing sound device is not a failure: the music is then
  // simply not heard.
  int init();
  // On failure tells the user and keeps no stream; everything after still runs.
  void loadStream(const char* path);
  // `count` floats for the spectrum; saves the output volume and sets it to 100.
  int initSpectrum(int count);
  void play();
  // `spectrumSize` floats, valid until the next call. Sizes 512, 1024 and 2048 fetch a new
  // spectrum first; any other only smooths the previous one again.
  float* getSpectrum();
  // Puts the volume back and stops the library.
  void shutdown();

  // Resamples `spectrum` into `smoothed` through a Catmull-Rom spline over window averages;
  // the result comes out one window early.
  void smoothSpectrum(int points);
  float averageWindow(int start, int n) const;

  uint32_t stream = 0;
  int spectrumSize = 0;
  std::vector<float> spectrum;
  std::vector<float> smoothed;
  int savedVolume = 0;
};

}  // namespace korvel
