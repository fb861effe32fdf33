// Films through FFmpeg's libraries: a decoder that hands out any frame of a file scaled to a
// chosen size, and a writer that makes films from pictures (for tests now, and for rendering
// the demo to a file).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel::platform {

class VideoDecoder {
 public:
  VideoDecoder();
  ~VideoDecoder();
  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;

  // The first video stream of `path`, in any format and codec FFmpeg reads.
  bool open(const std::string& path);
  void close();
  int frameCount() const;
  int width() const;
  int height() const;
  // Frame `index` (0-based, in display order) stretched to `width` x `height` as blue, green,
  // red bytes, the bottom row first. Asking again for the frame decoded last, or for the one
  // after it, decodes on; any other frame seeks to the key frame before it first. False when the
  // frame cannot be had; `out` is then untouched.
  bool decodeFrame(int index, int width, int height, std::vector<uint8_t>* out);
  // How often decoding went back to a key frame; sequential reading should not.
  int seekCount() const { return seeks_; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  int seeks_ = 0;
};

struct VideoWriterOptions {
  int quality = 0;  // a fixed quantiser where above 0 (FFmpeg's -q; MJPEG looks clean at 2-3)
  int crf = -1;     // x264's constant rate factor where 0 or above (lower is better)
  std::string preset = "medium";  // x264's speed against size at that quality
  // An AAC stereo track at 44,100 Hz beside the pictures, its first sample playing
  // `audioStart` seconds into the film.
  bool audio = false;
  double audioStart = 0;
  // The frame rate is framesPerSecond / rateDenominator: 60000 / 1001 for 59.94.
  int rateDenominator = 1;
};

// What a film file holds, as FFmpeg's reader sees it.
struct MediaInfo {
  int videoStreams = 0, audioStreams = 0;
  int videoFrames = 0;                         // counted packet by packet
  int rateNumerator = 0, rateDenominator = 1;  // the video stream's frames per second
  int width = 0, height = 0;
  double audioStart = 0;    // seconds, the audio stream's first sample
  double audioSeconds = 0;  // the audio stream's length
  double duration = 0;      // the container's
};
// False when the file cannot be read.
bool probeMedia(const std::string& path, MediaInfo* info);

class VideoWriter {
 public:
  VideoWriter();
  ~VideoWriter();
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // The container follows the file name (.avi, .mkv, .mp4 ...). `codec` is an FFmpeg encoder
  // name; "ffv1" keeps the pictures exactly. `quality`, where above 0, is a fixed quantiser
  // (FFmpeg's -q: 1 best; MJPEG looks clean at 2 to 3). Streams are written without the
  // library's version, so the same pictures give the same bytes. False with the reason in
  // `error`.
  bool open(const std::string& path, int width, int height, int framesPerSecond,
            const std::string& codec, std::string* error, int quality = 0);
  bool open(const std::string& path, int width, int height, int framesPerSecond,
            const std::string& codec, std::string* error, const VideoWriterOptions& options);
  // Interleaved stereo floats for the audio track, in order; encoded as they fill its frames.
  bool writeAudio(const float* stereo, size_t frames);
  // One picture: blue, green, red, alpha bytes, top row first.
  bool writeFrame(const std::vector<uint8_t>& bgra);
  // Finishes the file; false if it could not be completed.
  bool close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace korvel::platform
