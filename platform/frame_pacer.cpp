#include "platform/frame_pacer.h"

#include <thread>

namespace korvel::platform {

void FramePacer::wait(int refreshHz) {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(1.0 / (refreshHz > 0 ? refreshHz : 60)));
  const auto now = Clock::now();
  if (last_ != Clock::time_point{} && now - last_ < period) {
    std::this_thread::sleep_until(last_ + period);
    last_ += period;  // keeps the average on the period despite the sleep's own lateness
  } else {
    last_ = now;
  }
}

}  // namespace korvel::platform
