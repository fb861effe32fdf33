#include "platform/clock.h"

#include <chrono>
#include <cmath>

#include "platform/host.h"

namespace korvel::platform {

namespace {

using SteadyClock = std::chrono::steady_clock;
const SteadyClock::time_point processStart = SteadyClock::now();

int64_t nanosecondsSinceStart() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - processStart)
      .count();
}

}  // namespace

bool SystemClock::highResFrequency(int64_t* frequency) {
  *frequency = 1'000'000'000;
  return true;
}

int64_t SystemClock::highResCounter() {
  return nanosecondsSinceStart();
}

uint32_t SystemClock::tickCount() {
  return static_cast<uint32_t>(nanosecondsSinceStart() / 1'000'000);
}

VirtualClock::VirtualClock(int64_t frequency, bool hasHighRes, int64_t startCount)
    : frequency_(frequency), hasHighRes_(hasHighRes), count_(startCount) {}

void VirtualClock::advanceSeconds(double seconds) {
  double counts = seconds * static_cast<double>(frequency_) + carry_;
  double whole = std::floor(counts);
  carry_ = counts - whole;
  count_ += static_cast<int64_t>(whole);
}

bool VirtualClock::highResFrequency(int64_t* frequency) {
  if (!hasHighRes_) {
    return false;
  }
  *frequency = frequency_;
  return true;
}

uint32_t VirtualClock::tickCount() {
  int64_t ms = count_ / frequency_ * 1000 + count_ % frequency_ * 1000 / frequency_;
  return static_cast<uint32_t>(ms);
}

Clock& clock() {
  return *host().clock;
}

}  // namespace korvel::platform
