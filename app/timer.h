// Elapsed time since construction (the timeline's clock) and the time between the two latest
// updates, read from the platform's high-resolution counter or, without one, the tick count.
#pragma once

#include <cstdint>

namespace korvel {

class Timer {
 public:
  Timer();
  virtual ~Timer() = default;

  void update();
  float getFrameTime() const { return frameTime; }
  float getElapsed() const { return elapsed; }

 private:
  bool useHighRes;
  float secondsPerTick;
  float frameTime;
  int64_t now;
  int64_t last;
  int64_t frequency;
  // Held as a 32-bit float, so elapsed carries a constant offset of up to half a float step of
  // the counter value at construction.
  float startCount;
  float elapsed;
};

}  // namespace korvel
