#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace korvel::capture {

std::string clockText(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) {
    return "--:--";
  }
  const long s = std::lround(seconds);
  char text[32];
  if (s >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  }
  return text;
}

ProgressBar::ProgressBar(int total) : total_(total), terminal_(isatty(STDERR_FILENO) != 0) {}

void ProgressBar::update(int frames, const std::string& where) {
  const auto now = std::chrono::steady_clock::now();
  if (terminal_) {
    if (now - drawn_ < std::chrono::milliseconds(100)) {
      return;
    }
  } else {
    const int tenth = total_ > 0 ? std::min(10, frames * 10 / total_) : frames / 600;
    if (tenth == lastTenth_) {
      return;
    }
    lastTenth_ = tenth;
  }
  drawn_ = now;
  lastDrawn_ = frames;
  draw(frames, where, false);
}

void ProgressBar::finish(int frames, const std::string& where) {
  if (terminal_ || frames != lastDrawn_) {
    draw(frames, where, true);
  }
}

void ProgressBar::draw(int frames, const std::string& where, bool last) {
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const double rate = elapsed > 0 ? frames / elapsed : 0;
  std::string bar;
  std::string counted = std::to_string(frames);
  std::string left = "--:--";
  if (total_ > 0) {
    const double done = std::clamp(double(frames) / total_, 0.0, 1.0);
    const int filled = int(done * 24);
    bar = "[" + std::string(size_t(filled), '#') + std::string(size_t(24 - filled), '.') + "] " +
          std::to_string(int(done * 100)) + "%  ";
    counted += "/" + std::to_string(total_);
    if (rate > 0) {
      left = clockText(std::max(0, total_ - frames) / rate);
    }
  }
  std::fprintf(stderr, "%skorvel-capture: %s%s frames  %s  %s elapsed  %s left  %.1f frames/s%s",
               terminal_ ? "\r\033[K" : "", bar.c_str(), counted.c_str(), where.c_str(),
               clockText(elapsed).c_str(), last ? "0:00" : left.c_str(), rate,
               terminal_ && !last ? "" : "\n");
  std::fflush(stderr);
}

}  // namespace korvel::capture
