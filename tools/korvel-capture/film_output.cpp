#include "film_output.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace korvel::capture {

namespace {

constexpr size_t kQueueLimit = 4;
constexpr int kSampleRate = 44100;

}  // namespace

FilmLayout layoutFor(int width, int height, int supersample) {
  FilmLayout layout{width, height, width, height, supersample};
  if (width * 3 > height * 4) {
    layout.pictureWidth = (height * 4 / 3) & ~1;
  } else {
    layout.pictureHeight = (width * 3 / 4) & ~1;
  }
  return layout;
}

void shrinkInto(const uint8_t* from, int width, int height, int factor, uint8_t* to,
                size_t toStride) {
  const size_t fromStride = size_t(width) * size_t(factor) * 4;
  const unsigned area = unsigned(factor * factor), half = area / 2;
  for (int y = 0; y < height; ++y) {
    uint8_t* out = to + size_t(y) * toStride;
    for (int x = 0; x < width; ++x) {
      unsigned sum[3] = {0, 0, 0};
      for (int sy = 0; sy < factor; ++sy) {
        const uint8_t* p =
            from + (size_t(y) * size_t(factor) + size_t(sy)) * fromStride + size_t(x) * factor * 4;
        for (int sx = 0; sx < factor; ++sx, p += 4) {
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
        }
      }
      out[x * 4 + 0] = uint8_t((sum[0] + half) / area);
      out[x * 4 + 1] = uint8_t((sum[1] + half) / area);
      out[x * 4 + 2] = uint8_t((sum[2] + half) / area);
      out[x * 4 + 3] = 255;
    }
  }
}

FilmOutput::~FilmOutput() {
  stopThread();
}

bool FilmOutput::open(const std::string& target, const FilmLayout& layout, FrameRate rate, int crf,
                      const std::string& preset, const std::vector<float>& track,
                      double musicStart) {
  target_ = target;
  std::filesystem::path path(target);
  partial_ = path;
  partial_.replace_filename(path.stem().string() + ".partial" + path.extension().string());
  platform::VideoWriterOptions options;
  options.crf = crf;
  options.preset = preset;
  options.audio = true;
  options.audioStart = musicStart;
  options.rateDenominator = rate.denominator;
  std::string error;
  if (!writer_.open(partial_.string(), layout.width, layout.height, rate.numerator, "libx264",
                    &error, options)) {
    std::cerr << "korvel-capture: " << error << "\n";
    return false;
  }
  layout_ = layout;
  rate_ = rate;
  track_ = track;
  frame_.assign(size_t(layout.width) * size_t(layout.height) * 4, 0);
  for (size_t i = 3; i < frame_.size(); i += 4) {
    frame_[i] = 255;
  }
  thread_ = std::thread([this] { encodeLoop(); });
  return true;
}

bool FilmOutput::add(std::vector<uint8_t> picture, bool musicPlaying) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return queue_.size() < kQueueLimit || failed_; });
  if (failed_) {
    return false;
  }
  queue_.push_back(Queued{std::move(picture), musicPlaying});
  changed_.notify_all();
  return true;
}

void FilmOutput::encodeLoop() {
  for (;;) {
    Queued next;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return !queue_.empty() || closing_; });
      if (queue_.empty()) {
        return;
      }
      next = std::move(queue_.front());
      queue_.pop_front();
      changed_.notify_all();
    }
    if (!encode(next)) {
      std::lock_guard lock(mutex_);
      failed_ = true;
      queue_.clear();
      changed_.notify_all();
      return;
    }
  }
}

bool FilmOutput::encode(const Queued& frame) {
  const FilmLayout& l = layout_;
  const int left = (l.width - l.pictureWidth) / 2, top = (l.height - l.pictureHeight) / 2;
  const size_t stride = size_t(l.width) * 4;
  uint8_t* at = frame_.data() + size_t(top) * stride + size_t(left) * 4;
  if (l.supersample > 1) {
    shrinkInto(frame.picture.data(), l.pictureWidth, l.pictureHeight, l.supersample, at, stride);
  } else {
    for (int y = 0; y < l.pictureHeight; ++y) {
      std::memcpy(at + size_t(y) * stride, &frame.picture[size_t(y) * size_t(l.pictureWidth) * 4],
                  size_t(l.pictureWidth) * 4);
    }
  }
  if (!writer_.writeFrame(frame_)) {
    return false;
  }
  if (!frame.musicPlaying || track_.empty()) {
    return true;
  }
  // The samples of this frame's interval, counted from the music's start.
  ++musicFrames_;
  const int64_t until = rate_.samplesAt(musicFrames_, kSampleRate);
  const int64_t length = int64_t(track_.size() / 2);
  std::vector<float> chunk;
  chunk.reserve(size_t(until - samples_) * 2);
  for (; samples_ < until; ++samples_) {
    const int64_t at = samples_ % length;
    chunk.push_back(track_[size_t(at) * 2]);
    chunk.push_back(track_[size_t(at) * 2 + 1]);
  }
  return writer_.writeAudio(chunk.data(), chunk.size() / 2);
}

void FilmOutput::stopThread() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable()) {
    thread_.join();
  }
}

bool FilmOutput::finish() {
  stopThread();
  bool ok = !failed_;
  ok = writer_.close() && ok;
  std::error_code code;
  if (ok) {
    std::filesystem::rename(partial_, target_, code);
    ok = !code;
  }
  if (!ok) {
    std::filesystem::remove(partial_, code);
  }
  return ok;
}

void FilmOutput::abandon() {
  {
    std::lock_guard lock(mutex_);
    queue_.clear();
  }
  stopThread();
  writer_.close();
  std::error_code code;
  std::filesystem::remove(partial_, code);
}

}  // namespace korvel::capture
