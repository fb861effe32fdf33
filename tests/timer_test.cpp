#include "app/timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/clock.h"
#include "platform/host.h"

namespace korvel {
namespace {

using platform::VirtualClock;

// Timers read the installed host's clock.
class InstalledClock : public platform::HostScope {
 public:
  explicit InstalledClock(VirtualClock& clock) : HostScope(hostWith(clock)) {}

 private:
  static platform::Host hostWith(VirtualClock& clock) {
    platform::Host host;
    host.clock = &clock;
    return host;
  }
};

TEST(TimerTest, ReadsZeroBeforeTheFirstUpdate) {
  VirtualClock clock(1'000'000'000, true, 5'000'000'000);
  InstalledClock installed(clock);
  Timer timer;
  clock.advance(123'456'789);
  EXPECT_EQ(timer.getElapsed(), 0.0f);
  EXPECT_EQ(timer.getFrameTime(), 0.0f);
}

TEST(TimerTest, FrameTimeAndElapsedFollowTheCounterInFloatArithmetic) {
  VirtualClock clock;
  InstalledClock installed(clock);
  Timer timer;
  clock.advance(16'666'667);
  timer.update();
  const float secondsPerTick = static_cast<float>(1.0 / 1e9);
  EXPECT_EQ(timer.getFrameTime(), 16'666'667.0f * secondsPerTick);
  EXPECT_EQ(timer.getElapsed(), 16'666'667.0f * secondsPerTick);
  timer.update();
  EXPECT_EQ(timer.getFrameTime(), 0.0f);
  EXPECT_EQ(timer.getElapsed(), 16'666'667.0f * secondsPerTick);
}

TEST(TimerTest, ElapsedIsTheSumOfFrameTimesUpToRounding) {
  VirtualClock clock;
  InstalledClock installed(clock);
  Timer timer;
  double sum = 0;
  for (int frame = 0; frame < 60 * 125; ++frame) {
    clock.advanceSeconds(1.0 / 60.0);
    timer.update();
    sum += timer.getFrameTime();
  }
  EXPECT_NEAR(timer.getElapsed(), 125.0, 1e-4);
  EXPECT_NEAR(sum, timer.getElapsed(), 1e-4);
}

TEST(TimerTest, FloatStartCountGivesAConstantOffset) {
  // 2^30 + 37 is held as 2^30 in a float, whose step there is 128 counts.
  VirtualClock clock(1'000'000'000, true, (int64_t(1) << 30) + 37);
  InstalledClock installed(clock);
  Timer timer;
  clock.advance(1000);
  timer.update();
  const float secondsPerTick = static_cast<float>(1.0 / 1e9);
  EXPECT_EQ(timer.getFrameTime(), 1000.0f * secondsPerTick);
  EXPECT_EQ(timer.getElapsed(), 1024.0f * secondsPerTick);
}

TEST(TimerTest, TickCountFallbackMovesInMillisecondSteps) {
  VirtualClock clock(1'000'000'000, false, 7'000'000'000);
  InstalledClock installed(clock);
  Timer timer;
  struct Step {
    int64_t advanceNs;
    float frameTime;
  } steps[] = {{1'500'000, 0.001f}, {400'000, 0.0f}, {200'000, 0.001f}, {16'700'000, 0.016f}};
  for (const Step& step : steps) {
    clock.advance(step.advanceNs);
    timer.update();
    EXPECT_FLOAT_EQ(timer.getFrameTime(), step.frameTime) << step.advanceNs;
    float ms = timer.getElapsed() * 1000.0f;
    EXPECT_NEAR(ms, std::round(ms), 1e-3);
  }
  EXPECT_NEAR(timer.getElapsed(), 0.018f, 1e-6);
}

TEST(TimerTest, SystemClockMovesForward) {
  Timer timer;
  float before = timer.getElapsed();
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  timer.update();
  EXPECT_GT(timer.getElapsed(), before);
  EXPECT_GE(timer.getFrameTime(), 0.0f);
}

}  // namespace
}  // namespace korvel
