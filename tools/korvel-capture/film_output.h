// The film being written: the demo's 4:3 picture centred in the frame with black bars, shrunk
// from a supersampled render where asked, and the soundtrack from the frame the music starts,
// looped as the demo loops it. Frames are encoded on a thread of their own, so the renderer
// goes on while the encoder works; a bounded queue keeps memory flat when it falls behind.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frame_rate.h"
#include "platform/video_file.h"

namespace korvel::capture {

struct FilmLayout {
  int width = 0, height = 0;                // the film's frame
  int pictureWidth = 0, pictureHeight = 0;  // the demo's picture inside it
  int supersample = 1;                      // the picture is rendered this many times larger
};

// The 4:3 picture inside a frame of any shape, with even sides.
FilmLayout layoutFor(int width, int height, int supersample);

class FilmOutput {
 public:
  ~FilmOutput();

  // Opens `target`'s temporary twin; false with the reason on standard error.
  bool open(const std::string& target, const FilmLayout& layout, FrameRate rate, int crf,
            const std::string& preset, const std::vector<float>& track, double musicStart);
  // Queues one rendered picture (pictureWidth x pictureHeight times the supersampling, BGRA);
  // false once the encoder has failed.
  bool add(std::vector<uint8_t> picture, bool musicPlaying);
  // Finishes the file and puts it under its name; false (and nothing left) when it failed.
  bool finish();
  // Stops and deletes what was written.
  void abandon();

 private:
  struct Queued {
    std::vector<uint8_t> picture;
    bool musicPlaying;
  };
  void encodeLoop();
  bool encode(const Queued& frame);
  void stopThread();

  platform::VideoWriter writer_;
  std::string target_;
  std::filesystem::path partial_;
  FilmLayout layout_;
  FrameRate rate_;
  std::vector<float> track_;
  std::vector<uint8_t> frame_;
  int64_t musicFrames_ = 0, samples_ = 0;

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Queued> queue_;
  bool closing_ = false, failed_ = false;
};

// Averages each `factor` x `factor` block of `from` (BGRA, `width` x `height` after shrinking)
// into `to`, whose rows are `toStride` bytes apart.
void shrinkInto(const uint8_t* from, int width, int height, int factor, uint8_t* to,
                size_t toStride);

}  // namespace korvel::capture
