#include "platform/sdl_audio_system.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "platform/debug_output.h"
#include "platform/fft.h"
#include "platform/host.h"

namespace korvel::platform {

namespace {

double nowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Seconds on the clock the playing position follows without a sound card.
double musicClockSeconds() {
  return clockSeconds(*host().musicClock);
}

}  // namespace

bool decodeMp3(const char* path, int rate, std::vector<float>* samples, StreamInfo* info) {
  static const bool ready = mpg123_init() == MPG123_OK;
  if (!ready) {
    return false;
  }
  int error = 0;
  mpg123_handle* handle = mpg123_new(nullptr, &error);
  if (!handle) {
    return false;
  }
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  // One output format: mpg123 resamples and spreads mono to both channels to meet it.
  mpg123_format_none(handle);
  mpg123_format(handle, rate, MPG123_STEREO, MPG123_ENC_FLOAT_32);
  bool ok = mpg123_open(handle, path) == MPG123_OK;
  std::vector<unsigned char> chunk(65536);
  while (ok) {
    size_t done = 0;
    int result = mpg123_read(handle, chunk.data(), chunk.size(), &done);
    const float* decoded = reinterpret_cast<const float*>(chunk.data());
    samples->insert(samples->end(), decoded, decoded + done / sizeof(float));
    if (result == MPG123_DONE) {
      break;
    }
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
      ok = false;
    }
  }
  mpg123_frameinfo frame{};
  if (ok && mpg123_info(handle, &frame) == MPG123_OK) {
    info->sampleRate = int(frame.rate);
    info->channels = frame.mode == MPG123_M_MONO ? 1 : 2;
  }
  mpg123_close(handle);
  mpg123_delete(handle);
  if (samples->size() % 2) {
    samples->pop_back();
  }
  ok = ok && !samples->empty();
  info->durationSeconds = double(samples->size() / 2) / rate;
  return ok;
}

SdlAudioSystem::~SdlAudioSystem() {
  free();
}

bool SdlAudioSystem::init(int device, int frequency) {
  rate_ = frequency > 0 ? frequency : 44100;
  if (output_ && device != 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    audioOpen_ = true;
    SDL_AudioSpec want{}, have{};
    want.freq = rate_;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = callback;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    bufferFrames_ = device_ ? have.samples : 0;
  }
  if (output_ && device != 0 && !device_) {
    debugOutput(std::string("korvel: no sound device could be opened (") + SDL_GetError() +
                "); the demo plays silently\n");
  }
  // No device: playback goes on silently, following the clock.
  return true;
}

bool SdlAudioSystem::start() {
  if (device_) {
    SDL_PauseAudioDevice(device_, 0);
  }
  return true;
}

void SdlAudioSystem::stop() {
  if (device_) {
    SDL_LockAudioDevice(device_);
  }
  playing_ = nullptr;
  playingId_ = 0;
  if (device_) {
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 1);
  }
}

void SdlAudioSystem::free() {
  stop();
  if (device_) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  if (audioOpen_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioOpen_ = false;
  }
  streams_.clear();
}

uint32_t SdlAudioSystem::createStream(const char* path) {
  auto stream = std::make_unique<Stream>();
  if (!path || !decodeMp3(path, rate_, &stream->samples, &stream->info)) {
    return 0;
  }
  uint32_t id = nextStream_++;
  streams_[id] = std::move(stream);
  return id;
}

StreamInfo SdlAudioSystem::streamInfo(uint32_t stream) {
  auto found = streams_.find(stream);
  return found == streams_.end() ? StreamInfo{} : found->second->info;
}

bool SdlAudioSystem::play(uint32_t stream, bool loop) {
  auto found = streams_.find(stream);
  if (found == streams_.end()) {
    return false;
  }
  if (device_) {
    SDL_LockAudioDevice(device_);
  }
  playing_ = found->second.get();
  playingId_ = stream;
  loop_ = loop;
  submitted_ = 0;
  lastCallback_ = nowSeconds();
  playStarted_ = musicClockSeconds();
  if (device_) {
    SDL_UnlockAudioDevice(device_);
  }
  return true;
}

int SdlAudioSystem::getVolume() {
  return volume_;
}

bool SdlAudioSystem::setVolume(int volume) {
  if (volume < 0 || volume > 100) {
    return false;
  }
  volume_ = volume;
  return true;
}

void SdlAudioSystem::callback(void* self, uint8_t* out, int bytes) {
  static_cast<SdlAudioSystem*>(self)->fill(reinterpret_cast<float*>(out),
                                           bytes / int(2 * sizeof(float)));
}

void SdlAudioSystem::fill(float* out, int frames) {
  const float gain = float(volume_) / 100.0f;
  for (int i = 0; i < frames; ++i) {
    float left = 0, right = 0;
    if (playing_ && playing_->frames() > 0) {
      int64_t frame = submitted_ + i;
      if (loop_) {
        frame %= playing_->frames();
      }
      if (frame < playing_->frames()) {
        left = playing_->samples[size_t(frame) * 2] * gain;
        right = playing_->samples[size_t(frame) * 2 + 1] * gain;
      }
    }
    out[2 * i] = left;
    out[2 * i + 1] = right;
  }
  submitted_ += frames;
  lastCallback_ = nowSeconds();
}

int64_t SdlAudioSystem::heardFrame() {
  if (!device_) {
    // Clamped before the conversion: a clock far off (or not a number) must not overflow it.
    double frame = std::floor((musicClockSeconds() - playStarted_) * rate_);
    if (!(frame > 0)) {
      return 0;
    }
    return frame < double(kMaxHeardFrame) ? int64_t(frame) : kMaxHeardFrame;
  }
  SDL_LockAudioDevice(device_);
  // The buffer handed over last is the one playing; move through it with the clock.
  int64_t start = std::max<int64_t>(0, submitted_ - bufferFrames_);
  int64_t frame = start + int64_t((nowSeconds() - lastCallback_) * rate_);
  frame = std::min(frame, submitted_);
  SDL_UnlockAudioDevice(device_);
  return frame;
}

int SdlAudioSystem::fftMagnitudes(uint32_t stream, float* out, int fftSize) {
  if (!out || fftSize < 2 || (fftSize & (fftSize - 1)) || stream == 0 || stream != playingId_ ||
      !playing_) {
    return -1;
  }
  const Stream& s = *playing_;
  int64_t end = heardFrame();
  std::vector<float> block(size_t(fftSize) * 2, 0.0f);
  for (int n = 0; n < fftSize; ++n) {
    int64_t frame = end - fftSize + n;
    if (loop_ && s.frames() > 0) {
      frame = ((frame % s.frames()) + s.frames()) % s.frames();
    }
    if (frame >= 0 && frame < s.frames()) {
      block[2 * n] = s.samples[size_t(frame) * 2];
      block[2 * n + 1] = s.samples[size_t(frame) * 2 + 1];
    }
  }
  spectrumOf(block.data(), fftSize, out);
  return fftSize / 2;
}

AudioSystem& audioSystem() {
  return *host().audio;
}

}  // namespace korvel::platform
