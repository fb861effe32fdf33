// The sound library on SDL2 audio and libmpg123: streams are decoded to 44,100 Hz stereo floats
// when created, so playback never waits on the decoder; SDL's callback feeds them to the
// device, scaled by the volume. Without a device (none found, or output turned off) nothing is
// heard and the playing position follows the host's music clock.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/audio_system.h"

namespace korvel::platform {

class SdlAudioSystem : public AudioSystem {
 public:
  // With `output` false no sound device is ever opened: silent, paced by the music clock.
  explicit SdlAudioSystem(bool output = true) : output_(output) {}
  ~SdlAudioSystem() override;

  bool init(int device, int frequency) override;
  bool start() override;
  void stop() override;
  void free() override;
  uint32_t createStream(const char* path) override;
  StreamInfo streamInfo(uint32_t stream) override;
  bool play(uint32_t stream, bool loop) override;
  int getVolume() override;
  bool setVolume(int volume) override;
  int fftMagnitudes(uint32_t stream, float* out, int fftSize) override;

  struct Stream {
    std::vector<float> samples;  // interleaved stereo at the output rate
    StreamInfo info;
    int64_t frames() const { return int64_t(samples.size() / 2); }
  };

  // The frame of the playing stream being heard now: where the block fftMagnitudes looks at
  // ends. From 0 to kMaxHeardFrame (over three thousand years at 44,100 Hz).
  int64_t heardFrame();
  static constexpr int64_t kMaxHeardFrame = int64_t(1) << 52;

 private:
  static void callback(void* self, uint8_t* out, int bytes);
  void fill(float* out, int frames);

  bool output_;
  uint32_t device_ = 0;
  bool audioOpen_ = false;
  int rate_ = 44100;
  std::map<uint32_t, std::unique_ptr<Stream>> streams_;
  uint32_t nextStream_ = 1;
  // Shared with the audio thread, under SDL's device lock.
  uint32_t playingId_ = 0;
  Stream* playing_ = nullptr;
  bool loop_ = false;
  int64_t submitted_ = 0;    // frames handed to the device since play
  double lastCallback_ = 0;  // seconds, when the device last asked
  int bufferFrames_ = 0;
  std::atomic<int> volume_ = 100;  // read by the audio thread without the lock
  double playStarted_ = 0;         // music-clock seconds, for playing without a device
};

}  // namespace korvel::platform
