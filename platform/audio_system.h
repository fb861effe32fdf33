// What the program asks of a sound library: an output (the default device at 44,100 Hz),
// streams made from MP3 files, looped playback, an output volume from 0 to 100, and the FFT
// magnitudes of what is being heard. Without a sound device everything still works, silently,
// with the playing position following the host's music clock.
#pragma once

#include <cstdint>
#include <vector>

namespace korvel::platform {

struct StreamInfo {
  double durationSeconds = 0;
  int sampleRate = 0;
  int channels = 0;
};

class AudioSystem {
 public:
  virtual ~AudioSystem() = default;

  // `device` -1 is the default one, 0 no output at all (tools). False only when the library itself
  // cannot run; a missing sound device is not a failure.
  virtual bool init(int device, int frequency) = 0;
  virtual bool start() = 0;
  virtual void stop() = 0;
  virtual void free() = 0;

  // A stream of the whole file, decoded up front; 0 when the file cannot be read.
  virtual uint32_t createStream(const char* path) = 0;
  virtual StreamInfo streamInfo(uint32_t stream) = 0;
  virtual bool play(uint32_t stream, bool loop) = 0;

  virtual int getVolume() = 0;
  virtual bool setVolume(int volume) = 0;

  // Magnitudes of the `fftSize` samples being heard now (mono, Hann window), in rising
  // frequency from the constant term: fftSize / 2 values, scaled so a full-scale sine reads
  // about 1 in its bin. Returns how many were written, or -1 when the stream is not playing.
  virtual int fftMagnitudes(uint32_t stream, float* out, int fftSize) = 0;
};

// The whole of an MP3 file as interleaved stereo floats at `rate`, decoded as streams are
// (the encoder's delay and padding dropped where the file's tag gives them): for tools and
// tests that look at the samples themselves. False when it is not MPEG audio.
bool decodeMp3(const char* path, int rate, std::vector<float>* samples, StreamInfo* info);

// The installed host's sound library.
AudioSystem& audioSystem();

}  // namespace korvel::platform
