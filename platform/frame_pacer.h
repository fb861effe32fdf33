// Keeps presented frames at the display's pace when the driver does not wait for vertical
// sync itself (Xvfb, some drivers): the demo's pre-roll and decays advance once a frame, so
// they must run at the refresh rate to look as designed.
#pragma once

#include <chrono>

namespace korvel::platform {

class FramePacer {
 public:
  // Called after each present: sleeps out what is left of one refresh period since the last
  // call. When the present itself waited for the display, nothing is left to sleep.
  void wait(int refreshHz);

 private:
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace korvel::platform
