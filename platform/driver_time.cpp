#include "platform/driver_time.h"

#include <time.h>

namespace korvel::platform {

namespace {

bool counting = false;
int depth = 0;  // only the outermost scope counts
int64_t nanoseconds = 0;
uint64_t pixels = 0;

int64_t now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

void countDriverWork(bool on) {
  counting = on;
}

bool countingDriverWork() {
  return counting;
}

double driverSeconds() {
  return double(nanoseconds) * 1e-9;
}

uint64_t driverPixels() {
  return pixels;
}

void addDriverPixels(uint64_t more) {
  pixels += more;
}

DriverTimeScope::DriverTimeScope() : counted_(counting) {
  if (counted_ && depth++ == 0) {
    start_ = now();
  }
}

DriverTimeScope::~DriverTimeScope() {
  if (counted_) {
    --depth;
    if (start_ >= 0) {
      nanoseconds += now() - start_;
    }
  }
}

}  // namespace korvel::platform
