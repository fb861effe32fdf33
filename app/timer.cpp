#include "app/timer.h"

#include "platform/clock.h"

namespace korvel {

Timer::Timer() : now(0), last(0), frequency(0) {
  auto& clock = platform::clock();
  if (clock.highResFrequency(&frequency)) {
    useHighRes = true;
    last = clock.highResCounter();
    secondsPerTick = static_cast<float>(1.0 / static_cast<double>(frequency));
  } else {
    useHighRes = false;
    last = clock.tickCount();
    secondsPerTick = 0.001f;
  }
  startCount = static_cast<float>(last);
  frameTime = 0;
  elapsed = 0;
}

void Timer::update() {
  auto& clock = platform::clock();
  now = useHighRes ? clock.highResCounter() : static_cast<int64_t>(clock.tickCount());
  frameTime = static_cast<float>(now - last) * secondsPerTick;
  elapsed = (static_cast<float>(now) - startCount) * secondsPerTick;
  last = now;
}

}  // namespace korvel
