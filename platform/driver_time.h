// How much of a frame the graphics driver takes: the time the calling thread spends in the
// driver's calls that do work (draws, clears, uploads, read-backs, presenting) and the pixels
// its draws wrote, summed while counting is on. Tools use them to tell the program's own cost
// from the driver's.
#pragma once

#include <cstdint>

namespace korvel::platform {

void countDriverWork(bool on);
bool countingDriverWork();
// Seconds in driver calls since counting began, on the clock. (Not the thread's processor
// time: reading that costs a system call, a microsecond, twice a draw.)
double driverSeconds();
// Pixels written by draws (fragments that passed the depth test, blended or not) in frames
// presented since counting began; a frame counts when it is presented.
uint64_t driverPixels();

// Counts the driver's time for its lifetime, when counting is on.
class DriverTimeScope {
 public:
  DriverTimeScope();
  ~DriverTimeScope();
  DriverTimeScope(const DriverTimeScope&) = delete;
  DriverTimeScope& operator=(const DriverTimeScope&) = delete;

 private:
  bool counted_;
  int64_t start_ = -1;
};

// For the device: pixels its last frame wrote.
void addDriverPixels(uint64_t pixels);

}  // namespace korvel::platform
