// The counters time is measured with: a high-resolution counter with a known frequency and a
// millisecond tick count. The source is replaceable at run time, so offline rendering and
// tests can drive time with a virtual clock instead of the wall clock.
#pragma once

#include <cstdint>

namespace korvel::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Counts per second of the high-resolution counter; false when there is none.
  virtual bool highResFrequency(int64_t* frequency) = 0;
  virtual int64_t highResCounter() = 0;
  // Milliseconds, wrapping at 2^32.
  virtual uint32_t tickCount() = 0;
};

// Monotonic, in nanoseconds since the process started: small counter values keep the float
// arithmetic of the timer precise for the whole demo.
class SystemClock : public Clock {
 public:
  bool highResFrequency(int64_t* frequency) override;
  int64_t highResCounter() override;
  uint32_t tickCount() override;
};

// Moves only when told. Without the high-resolution counter it serves the tick count alone,
// as a machine without one would.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(int64_t frequency = 1'000'000'000, bool hasHighRes = true,
                        int64_t startCount = 0);

  void advance(int64_t counts) { count_ += counts; }
  // Fractions of a count carry over, so many small steps do not drift.
  void advanceSeconds(double seconds);
  int64_t count() const { return count_; }

  bool highResFrequency(int64_t* frequency) override;
  int64_t highResCounter() override { return count_; }
  uint32_t tickCount() override;

 private:
  int64_t frequency_;
  bool hasHighRes_;
  int64_t count_;
  double carry_ = 0;
};

// The clock every timer reads: the installed host's.
Clock& clock();

}  // namespace korvel::platform
