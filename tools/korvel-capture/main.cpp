// korvel-capture: the demo itself, headless and deterministic. DemoApp is stepped on the
// offline host (no screen, no sound output); the timer and the music's playing position follow
// a virtual clock that advances exactly one frame's time per presented frame, so every run
// gives the same frames and the same spectrum. Writes stills at chosen times, a per-pass
// trace, per-frame costs, and the whole demo as a film with its soundtrack.
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
#include <memory>
#include <nlohmann/json.hpp>
#include <set>

#include "cli_status.h"
#include "contact_sheet.h"
#include "content/music/score.h"
#include "demo/demo_app.h"
#include "film_output.h"
#include "frame_rate.h"
#include "frame_reader.h"
#include "frame_stats.h"
#include "platform/audio_system.h"
#include "platform/driver_time.h"
#include "platform/image_file.h"
#include "platform/offline_host.h"
#include "progress.h"
#include "video/video_texture.h"

namespace {

using korvel::capture::FrameRate;
using Clock = std::chrono::steady_clock;

const auto launched = Clock::now();

struct Options {
  int width = 800, height = 600;
  FrameRate rate;
  int supersample = 1;
  double until = 1e9;
  std::vector<double> pngAt;
  std::string pngDir = ".";
  std::string trace;
  std::string contactSheet;
  std::string output;
  std::string stats;
  double fillRate = 0;
  int crf = 18;
  std::string preset = "veryfast";
  bool force = false;
};

// The demo stops once its timeline passes this many seconds.
constexpr double kDemoEnd = 125.0;

std::atomic<bool> interrupted = false;

extern "C" void onInterrupt(int) {
  interrupted = true;
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string stillName(double t) {
  char name[64];
  std::snprintf(name, sizeof name, "t%07.3f.png", t);
  return name;
}

std::string where(const korvel::FrameReport& r) {
  char text[32];
  if (!r.playing) {
    return "pre-roll";
  }
  std::snprintf(text, sizeof text, "%7.2f s", r.t);
  return text;
}

// Refusals of the command line, before anything is loaded; -1 when it is good.
int checkOptions(Options& o, const std::string& size, const std::string& fps) {
  if (std::sscanf(size.c_str(), "%dx%d", &o.width, &o.height) != 2 || o.width < 16 ||
      o.height < 16 || o.width > 8192 || o.height > 8192) {
    std::cerr << "korvel-capture: --size takes WxH, 16 to 8192 each, such as 800x600\n";
    return korvel::tools::kUsageError;
  }
  if (o.width * o.supersample > 8192 || o.height * o.supersample > 8192) {
    std::cerr << "korvel-capture: --supersample " << o.supersample << " at " << size
              << " renders more than 8192 pixels a side\n";
    return korvel::tools::kUsageError;
  }
  auto rate = korvel::capture::parseFrameRate(fps);
  if (!rate) {
    std::cerr << "korvel-capture: --fps takes a whole number from 1 to 1000, or 23.976, "
                 "29.97, 59.94 or 119.88, not "
              << fps << "\n";
    return korvel::tools::kUsageError;
  }
  o.rate = *rate;
  if (!o.output.empty()) {
    if (o.width % 2 || o.height % 2) {
      std::cerr << "korvel-capture: a film needs an even width and height, not " << size << "\n";
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
  return -1;
}

// The back buffer as a still: shrunk from the supersampled render.
bool readStill(korvel::DemoApp& demo, int supersample, korvel::capture::Still* still) {
  std::vector<uint8_t> pixels;
  UINT w = 0, h = 0;
  if (!demo.readBackBuffer(&pixels, &w, &h)) {
    return false;
  }
  if (supersample > 1) {
    w /= UINT(supersample);
    h /= UINT(supersample);
    std::vector<uint8_t> shrunk(size_t(w) * h * 4);
    korvel::capture::shrinkInto(pixels.data(), int(w), int(h), supersample, shrunk.data(),
                                size_t(w) * 4);
    pixels = std::move(shrunk);
  }
  *still = korvel::capture::Still{std::move(pixels), w, h};
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app(
      "Runs the demo headless and deterministic: stills at chosen times, a trace, "
      "per-frame costs, the whole demo as a film.",
      "korvel-capture");
  Options o;
  std::string size = "800x600", fps = "60";
  app.add_option("--size", size, "picture size WxH (default 800x600)");
  app.add_option("--fps", fps,
                 "frames per second of the virtual clock: a whole number, or 23.976, 29.97, "
                 "59.94, 119.88 (default 60)");
  app.add_option("--supersample", o.supersample,
                 "render N times larger and shrink, for clean edges (default 1)")
      ->check(CLI::Range(1, 4));
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
  app.add_option("--preset", o.preset,
                 "x264's speed: ultrafast ... veryfast (default) ... medium ... veryslow; "
                 "slower is smaller at the same quality")
      ->check(CLI::IsMember({"ultrafast", "superfast", "veryfast", "faster", "fast", "medium",
                             "slow", "slower", "veryslow"}));
  app.add_flag("--force", o.force, "overwrite an existing film");
  app.add_option("--contact-sheet", o.contactSheet,
                 "also put the stills side by side, three to a row, in this PNG");
  app.add_option("--stats", o.stats,
                 "write each frame's cost and a summary per timeline window to this JSON file");
  app.add_option("--fill-rate", o.fillRate,
                 "pixels a second the renderer fills (from korvel-bench-renderer), for the "
                 "summary's fill-rate bound")
      ->check(CLI::PositiveNumber);
  if (int status = korvel::tools::parseCommandLine(app, argc, argv); status >= 0) {
    return status;
  }
  if (int status = checkOptions(o, size, fps); status >= 0) {
    return status;
  }
  std::error_code code;
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
  korvel::capture::FilmLayout layout{o.width, o.height, o.width, o.height, o.supersample};
  if (!o.output.empty()) {
    layout = korvel::capture::layoutFor(o.width, o.height, o.supersample);
  }
  const int renderWidth = layout.pictureWidth * o.supersample;
  const int renderHeight = layout.pictureHeight * o.supersample;
  // Full screen: the back buffer is the size asked for, whatever the (absent) desktop.
  if (!demo.create(nullptr, "KORVEL", renderWidth, renderHeight, 32, 1) || demo.exitStatus() != 0) {
    return 1;
  }
  const int prerollFrames = korvel::music::prerollFrames(demo.video ? demo.video->frameCount() : 0);
  korvel::capture::FilmOutput film;
  std::unique_ptr<korvel::capture::FrameReader> reader;
  if (!o.output.empty()) {
    std::vector<float> track;
    korvel::platform::StreamInfo info;
    if (!korvel::platform::decodeMp3("data/korvel.mp3", 44100, &track, &info)) {
      std::cerr << "korvel-capture: data/korvel.mp3 does not read; the film will be silent\n";
    }
    if (!film.open(o.output, layout, o.rate, o.crf, o.preset, track,
                   o.rate.secondsAt(prerollFrames))) {
      return 1;
    }
    reader = std::make_unique<korvel::capture::FrameReader>(demo.getDevice(), UINT(renderWidth),
                                                            UINT(renderHeight));
    if (!*reader) {
      std::cerr << "korvel-capture: the device cannot read frames back\n";
      film.abandon();
      return 1;
    }
  }
  korvel::platform::countDriverWork(!o.stats.empty());

  std::set<double> stills(o.pngAt.begin(), o.pngAt.end());
  std::vector<korvel::capture::Still> taken;
  double lastTime = std::min(o.until, kDemoEnd);
  if (!o.pngAt.empty() && o.trace.empty() && o.output.empty() && o.stats.empty()) {
    lastTime = std::min(lastTime, *stills.rbegin());
  }
  korvel::capture::ProgressBar progress(int(std::floor(lastTime * o.rate.perSecond())) + 2);
  korvel::capture::FrameStats stats;
  korvel::capture::RunFacts facts;
  int pass = 0, frames = 0, failures = 0;
  bool more = true, encoderFailed = false;
  auto sendToFilm = [&](std::optional<korvel::capture::ReadFrame> frame) {
    if (frame && !film.add(std::move(frame->pixels), frame->musicPlaying)) {
      encoderFailed = true;
    }
  };
  demo.beginLoop();
  while (more && !encoderFailed) {
    const auto stepStarted = Clock::now();
    const double driverBefore = korvel::platform::driverSeconds();
    const uint64_t pixelsBefore = korvel::platform::driverPixels();
    more = demo.step();
    ++pass;
    const korvel::FrameReport& r = demo.lastFrame();
    if (r.drew && reader) {
      bool ok = true;
      sendToFilm(reader->read(r.playing, &ok));
      encoderFailed = encoderFailed || !ok || !*reader;
    }
    if (r.drew && frames == 0) {
      facts.startupSeconds = secondsSince(launched);
    }
    if (r.drew && !o.stats.empty()) {
      korvel::capture::FrameCost cost;
      cost.frame = frames;
      cost.playing = r.playing;
      cost.t = r.t;
      cost.windows.assign(r.windows.begin(), r.windows.begin() + r.windowCount);
      cost.wallMs = secondsSince(stepStarted) * 1e3;
      cost.driverMs = (korvel::platform::driverSeconds() - driverBefore) * 1e3;
      cost.ownMs = std::max(0.0, cost.wallMs - cost.driverMs);
      cost.pixels = korvel::platform::driverPixels() - pixelsBefore;
      stats.add(std::move(cost));
    }
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
      korvel::capture::Still still;
      std::string path = (std::filesystem::path(o.pngDir) / stillName(*stills.begin())).string();
      if (!readStill(demo, o.supersample, &still) ||
          !korvel::platform::writePng(path, still.pixels, still.width, still.height)) {
        std::cerr << "\nkorvel-capture: cannot write " << path << "\n";
        ++failures;
      } else if (!o.contactSheet.empty()) {
        taken.push_back(std::move(still));
      }
      stills.erase(stills.begin());
    }
    if (r.drew) {
      ++frames;
      if (o.rate.denominator == 1) {
        offline.clock.advanceSeconds(1.0 / o.rate.numerator);
      } else {
        // Broadcast rates: straight from the frame count, so no rounding piles up.
        const auto target =
            int64_t(__int128(frames) * 1'000'000'000 * o.rate.denominator / o.rate.numerator);
        offline.clock.advance(target - offline.clock.count());
      }
    }
    if (interrupted) {
      std::cerr << "\nkorvel-capture: interrupted after " << frames << " frames\n";
      break;
    }
    progress.update(frames, where(r));
    // Stills alone need no frame after the last of them.
    const bool stillsDone = !o.pngAt.empty() && stills.empty() && o.trace.empty() &&
                            o.output.empty() && o.stats.empty();
    if (r.playing && (r.t > o.until || stillsDone)) {
      break;
    }
  }
  while (reader && !encoderFailed) {
    auto frame = reader->next();
    if (!frame) {
      break;
    }
    sendToFilm(std::move(frame));
  }
  progress.finish(frames, where(demo.lastFrame()));
  demo.shutdownMusic();
  demo.shutdown();
  reader.reset();
  if (!o.output.empty()) {
    if (encoderFailed) {
      std::cerr << "korvel-capture: the encoder failed near frame " << frames
                << " (is the disk full?); nothing was kept\n";
      film.abandon();
      return 1;
    }
    if (!film.finish()) {
      std::cerr << "korvel-capture: cannot finish " << o.output << "\n";
      return 1;
    }
    std::cerr << "korvel-capture: wrote " << o.output << " (" << frames << " frames)\n";
  }
  if (!o.stats.empty()) {
    facts.width = o.width;
    facts.height = o.height;
    facts.fps = o.rate.perSecond();
    facts.captureSeconds = secondsSince(launched);  // loading and encoding included
    facts.demoSeconds = o.rate.secondsAt(frames);
    facts.fillRate = o.fillRate;
    facts.peakResidentKb = korvel::capture::peakResidentKb();
    stats.print(stderr, facts);
    if (!stats.write(o.stats, facts)) {
      std::cerr << "korvel-capture: cannot write " << o.stats << "\n";
      ++failures;
    }
  }
  if (interrupted) {
    return 130;
  }
  if (!stills.empty()) {
    std::cerr << "korvel-capture: the demo ended before " << *stills.begin() << " s\n";
    ++failures;
  }
  if (!o.contactSheet.empty() && !korvel::capture::writeContactSheet(o.contactSheet, taken)) {
    std::cerr << "korvel-capture: cannot write " << o.contactSheet << "\n";
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
