// korvel-capture: the demo itself, headless and deterministic. DemoApp is stepped on the
// offline host (no screen, no sound output); the timer and the music's playing position follow
// a virtual clock that advances exactly 1/fps per presented frame, so every run gives the same
// frames and the same spectrum. Writes stills at chosen times and a per-pass trace.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli_status.h"
#include "content/music/score.h"
#include "demo/demo_app.h"
#include "platform/audio_system.h"
#include "platform/image_file.h"
#include "platform/offline_host.h"
#include "platform/video_file.h"
#include "video/video_texture.h"

namespace {

struct Options {
  int width = 800, height = 600;
  double fps = 60;
  double until = 1e9;
  std::vector<double> pngAt;
  std::string pngDir = ".";
  std::string trace;
  std::string contactSheet;
  std::string output;
  int crf = 18;
  bool force = false;
};

std::atomic<bool> interrupted = false;

extern "C" void onInterrupt(int) {
  interrupted = true;
}

// The film being written: the demo's 4:3 picture centred in the frame with black bars, the
// soundtrack from the frame the music starts, looped as the demo loops it.
class FilmOutput {
 public:
  bool open(const Options& o, int renderWidth, int renderHeight, double musicStart) {
    std::filesystem::path target(o.output);
    partial_ = target;
    partial_.replace_filename(target.stem().string() + ".partial" + target.extension().string());
    korvel::platform::VideoWriterOptions options;
    options.crf = o.crf;
    options.audio = true;
    options.audioStart = musicStart;
    std::string error;
    if (!writer_.open(partial_.string(), o.width, o.height, int(o.fps), "libx264", &error,
                      options)) {
      std::cerr << "korvel-capture: " << error << "\n";
      return false;
    }
    korvel::platform::StreamInfo info;
    if (!korvel::platform::decodeMp3("data/korvel.mp3", 44100, &track_, &info)) {
      std::cerr << "korvel-capture: data/korvel.mp3 does not read; the film will be silent\n";
    }
    width_ = o.width;
    height_ = o.height;
    renderWidth_ = renderWidth;
    renderHeight_ = renderHeight;
    fps_ = o.fps;
    frame_.assign(size_t(width_) * size_t(height_) * 4, 0);
    for (size_t i = 3; i < frame_.size(); i += 4) {
      frame_[i] = 255;
    }
    return true;
  }

  bool addFrame(const std::vector<uint8_t>& picture, bool musicPlaying) {
    const int left = (width_ - renderWidth_) / 2, top = (height_ - renderHeight_) / 2;
    for (int y = 0; y < renderHeight_; ++y) {
      std::copy_n(&picture[size_t(y) * size_t(renderWidth_) * 4], size_t(renderWidth_) * 4,
                  &frame_[(size_t(top + y) * size_t(width_) + size_t(left)) * 4]);
    }
    if (!writer_.writeFrame(frame_)) {
      return false;
    }
    if (musicPlaying && !track_.empty()) {
      // The samples of this frame's interval, counted from the music's start.
      ++musicFrames_;
      const int64_t until = int64_t(std::llround(double(musicFrames_) * 44100.0 / fps_));
      const int64_t length = int64_t(track_.size() / 2);
      std::vector<float> chunk;
      for (; samples_ < until; ++samples_) {
        int64_t at = samples_ % length;
        chunk.push_back(track_[size_t(at) * 2]);
        chunk.push_back(track_[size_t(at) * 2 + 1]);
      }
      return writer_.writeAudio(chunk.data(), chunk.size() / 2);
    }
    return true;
  }

  // Finishes the file and puts it under its name; false (and nothing left) when it failed.
  bool finish(const std::string& target) {
    bool ok = writer_.close();
    std::error_code code;
    if (ok) {
      std::filesystem::rename(partial_, target, code);
      ok = !code;
    }
    if (!ok) {
      std::filesystem::remove(partial_, code);
    }
    return ok;
  }

  void abandon() {
    writer_.close();
    std::error_code code;
    std::filesystem::remove(partial_, code);
  }

 private:
  korvel::platform::VideoWriter writer_;
  std::filesystem::path partial_;
  std::vector<float> track_;
  std::vector<uint8_t> frame_;
  int width_ = 0, height_ = 0, renderWidth_ = 0, renderHeight_ = 0;
  double fps_ = 60;
  int64_t musicFrames_ = 0, samples_ = 0;
};

struct Still {
  std::vector<uint8_t> pixels;
  unsigned width, height;
};

// The stills side by side, three to a row, each shrunk to 320 pixels wide (box filtered).
bool writeContactSheet(const std::string& path, const std::vector<Still>& stills) {
  const unsigned cell = 320, gap = 4, columns = 3;
  if (stills.empty()) {
    return false;
  }
  const unsigned cellHeight = stills[0].height * cell / stills[0].width;
  const unsigned rows = unsigned((stills.size() + columns - 1) / columns);
  const unsigned width = columns * cell + (columns + 1) * gap;
  const unsigned height = rows * cellHeight + (rows + 1) * gap;
  std::vector<uint8_t> sheet(size_t(width) * height * 4, 0);
  for (size_t i = 3; i < sheet.size(); i += 4) {
    sheet[i] = 255;
  }
  for (size_t n = 0; n < stills.size(); ++n) {
    const Still& s = stills[n];
    const unsigned ox = gap + unsigned(n % columns) * (cell + gap);
    const unsigned oy = gap + unsigned(n / columns) * (cellHeight + gap);
    for (unsigned y = 0; y < cellHeight; ++y) {
      for (unsigned x = 0; x < cell; ++x) {
        unsigned x0 = x * s.width / cell, x1 = std::max(x0 + 1, (x + 1) * s.width / cell);
        unsigned y0 = y * s.height / cellHeight,
                 y1 = std::max(y0 + 1, (y + 1) * s.height / cellHeight);
        unsigned sum[3] = {0, 0, 0}, count = 0;
        for (unsigned sy = y0; sy < y1; ++sy) {
          for (unsigned sx = x0; sx < x1; ++sx) {
            const uint8_t* p = &s.pixels[(size_t(sy) * s.width + sx) * 4];
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
            ++count;
          }
        }
        uint8_t* out = &sheet[(size_t(oy + y) * width + ox + x) * 4];
        for (int c = 0; c < 3; ++c) {
          out[c] = uint8_t(sum[c] / count);
        }
      }
    }
  }
  return korvel::platform::writePng(path, sheet, width, height);
}

std::string stillName(double t) {
  char name[64];
  std::snprintf(name, sizeof name, "t%07.3f.png", t);
  return name;
}

void progress(int frames, double t, bool playing, double seconds, bool last) {
  double fps = seconds > 0 ? frames / seconds : 0;
  std::fprintf(stderr, "\rkorvel-capture: %6d frames  %s %7.2f s  %6.1f frames/s%s", frames,
               playing ? "timeline" : "pre-roll", t, fps, last ? "\n" : "");
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Runs the demo headless and deterministic: stills at chosen times, a trace.",
               "korvel-capture");
  Options o;
  std::string size = "800x600";
  app.add_option("--size", size, "picture size WxH (default 800x600)");
  app.add_option("--fps", o.fps, "frames per second of the virtual clock (default 60)")
      ->check(CLI::Range(1.0, 1000.0));
  app.add_option("--until", o.until, "stop once the timeline passes this many seconds");
  app.add_option("--png-at", o.pngAt, "timeline times for stills, comma separated")->delimiter(',');
  app.add_option("--png-dir", o.pngDir, "where the stills go (default .)");
  app.add_option("--trace", o.trace, "write one JSON line per pass of the loop to this file");
  app.add_option("-o,--output", o.output,
                 "render the whole demo into this film (.mp4, or .mkv): H.264 and AAC");
  app.add_option("--crf", o.crf,
                 "the film's quality: x264's rate factor, lower is better "
                 "(default 18)")
      ->check(CLI::Range(0, 51));
  app.add_flag("--force", o.force, "overwrite an existing film");
  app.add_option("--contact-sheet", o.contactSheet,
                 "also put the stills side by side, three to a row, in this PNG");
  if (int status = korvel::tools::parseCommandLine(app, argc, argv); status >= 0) {
    return status;
  }
  if (std::sscanf(size.c_str(), "%dx%d", &o.width, &o.height) != 2 || o.width < 16 ||
      o.height < 16 || o.width > 8192 || o.height > 8192) {
    std::cerr << "korvel-capture: --size takes WxH, 16 to 8192 each, such as 800x600\n";
    return korvel::tools::kUsageError;
  }
  std::error_code code;
  if (!o.output.empty()) {
    if (o.width % 2 || o.height % 2) {
      std::cerr << "korvel-capture: a film needs an even width and height, not " << size << "\n";
      return korvel::tools::kUsageError;
    }
    if (std::floor(o.fps) != o.fps) {
      std::cerr << "korvel-capture: a film takes a whole number of frames per second\n";
      return korvel::tools::kUsageError;
    }
    if (std::filesystem::exists(o.output) && !o.force) {
      std::cerr << "korvel-capture: " << o.output << " exists; --force overwrites it\n";
      return korvel::tools::kUsageError;
    }
  }
  if (!o.contactSheet.empty() && o.pngAt.empty()) {
    std::cerr << "korvel-capture: --contact-sheet needs stills: give --png-at\n";
    return korvel::tools::kUsageError;
  }
  if (!o.pngAt.empty()) {
    std::filesystem::create_directories(o.pngDir, code);
    if (code || !std::filesystem::is_directory(o.pngDir)) {
      std::cerr << "korvel-capture: cannot write to " << o.pngDir << "\n";
      return 1;
    }
  }
  std::ofstream trace;
  if (!o.trace.empty()) {
    trace.open(o.trace);
    if (!trace) {
      std::cerr << "korvel-capture: cannot write " << o.trace << "\n";
      return 1;
    }
  }

  // From the start: an interruption during loading still ends with a finished file.
  std::signal(SIGINT, onInterrupt);
  korvel::platform::OfflineHost offline;
  offline.windows.echo = true;
  korvel::DemoApp demo;
  // A film keeps the demo's 4:3 picture, centred with bars; stills take the size as given.
  int renderWidth = o.width, renderHeight = o.height;
  if (!o.output.empty()) {
    if (o.width * 3 > o.height * 4) {
      renderWidth = (o.height * 4 / 3) & ~1;
    } else {
      renderHeight = (o.width * 3 / 4) & ~1;
    }
  }
  // Full screen: the back buffer is the size asked for, whatever the (absent) desktop.
  if (!demo.create(nullptr, "KORVEL", renderWidth, renderHeight, 32, 1) || demo.exitStatus() != 0) {
    return 1;
  }
  FilmOutput film;
  const int prerollFrames = korvel::music::prerollFrames(demo.video ? demo.video->frameCount() : 0);
  if (!o.output.empty() && !film.open(o, renderWidth, renderHeight, prerollFrames / o.fps)) {
    return 1;
  }
  std::set<double> stills(o.pngAt.begin(), o.pngAt.end());
  std::vector<Still> taken;
  const auto started = std::chrono::steady_clock::now();
  int pass = 0, frames = 0, failures = 0;
  bool more = true;
  demo.beginLoop();
  while (more) {
    more = demo.step();
    ++pass;
    const korvel::FrameReport& r = demo.lastFrame();
    if (trace) {
      nlohmann::ordered_json line;
      line["pass"] = pass;
      line["state"] = r.playing ? "playing" : "preroll";
      line["t"] = r.playing ? nlohmann::json(r.t) : nlohmann::json(nullptr);
      line["filmFrame"] = r.playing ? nlohmann::json(nullptr) : nlohmann::json(r.filmFrame);
      line["beat"] = r.beat;
      line["beatVariant"] = demo.beatVariant;
      line["beatPulse"] = demo.beatPulse;
      line["beatFlash"] = demo.beatFlash;
      line["beatSpread"] = demo.beatSpread;
      line["bassLevel"] = demo.bassLevel;
      line["windows"] = std::vector<int>(r.windows.begin(), r.windows.begin() + r.windowCount);
      trace << line.dump() << "\n";
    }
    while (r.playing && !stills.empty() && r.t >= *stills.begin()) {
      std::vector<uint8_t> pixels;
      UINT w = 0, h = 0;
      std::string path = (std::filesystem::path(o.pngDir) / stillName(*stills.begin())).string();
      if (!demo.readBackBuffer(&pixels, &w, &h) ||
          !korvel::platform::writePng(path, pixels, w, h)) {
        std::cerr << "\nkorvel-capture: cannot write " << path << "\n";
        ++failures;
      } else if (!o.contactSheet.empty()) {
        taken.push_back(Still{std::move(pixels), w, h});
      }
      stills.erase(stills.begin());
    }
    if (r.drew) {
      ++frames;
      offline.clock.advanceSeconds(1.0 / o.fps);
      if (!o.output.empty()) {
        std::vector<uint8_t> pixels;
        UINT w = 0, h = 0;
        if (!demo.readBackBuffer(&pixels, &w, &h) || !film.addFrame(pixels, r.playing)) {
          std::cerr << "\nkorvel-capture: the encoder failed at frame " << frames
                    << " (is the disk full?); nothing was kept\n";
          film.abandon();
          return 1;
        }
      }
    }
    if (interrupted) {
      std::cerr << "\nkorvel-capture: interrupted after " << frames << " frames\n";
      break;
    }
    if (frames % 60 == 0 || !more) {
      double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      progress(frames, r.playing ? r.t : 0, r.playing, seconds, !more);
    }
    // Stills alone need no frame after the last of them.
    const bool stillsDone =
        !o.pngAt.empty() && stills.empty() && o.trace.empty() && o.output.empty();
    if (r.playing && (r.t > o.until || stillsDone)) {
      double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      progress(frames, r.t, true, seconds, true);
      break;
    }
  }
  demo.shutdownMusic();
  demo.shutdown();
  if (!o.output.empty()) {
    if (!film.finish(o.output)) {
      std::cerr << "korvel-capture: cannot finish " << o.output << "\n";
      return 1;
    }
    std::cerr << "korvel-capture: wrote " << o.output << " (" << frames << " frames)\n";
  }
  if (interrupted) {
    return 130;
  }
  if (!stills.empty()) {
    std::cerr << "korvel-capture: the demo ended before " << *stills.begin() << " s\n";
    ++failures;
  }
  if (!o.contactSheet.empty() && !writeContactSheet(o.contactSheet, taken)) {
    std::cerr << "korvel-capture: cannot write " << o.contactSheet << "\n";
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
