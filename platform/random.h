// The one shared random generator. Its sequence is fixed (32-bit state, initially 1), so the
// scene variants come out the same on every run and every platform; the C library's rand
// differs between platforms and must not be used.
#pragma once

#include <cstdint>

namespace korvel {

void srand(uint32_t seed);
// 0 .. 0x7FFF
int rand();

}  // namespace korvel
