// The progress bar on standard error: frames done of the frames to come, time spent, time
// left, frames per second. Redrawn in place on a terminal; elsewhere (a log, CI) one line at
// every tenth of the way.
#pragma once

#include <chrono>
#include <string>

namespace korvel::capture {

class ProgressBar {
 public:
  // `total` frames are expected; 0 when that is not known.
  explicit ProgressBar(int total);
  // `where` says where in the demo the frame is ("pre-roll", "12.30 s").
  void update(int frames, const std::string& where);
  // The last line, ended.
  void finish(int frames, const std::string& where);

 private:
  void draw(int frames, const std::string& where, bool last);

  int total_;
  bool terminal_;
  int lastTenth_ = -1, lastDrawn_ = -1;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point drawn_{};
};

std::string clockText(double seconds);

}  // namespace korvel::capture
