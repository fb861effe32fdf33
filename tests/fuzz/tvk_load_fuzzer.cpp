// libFuzzer entry for the model reader: `make fuzz` builds it with clang and runs it.
#include "fuzz/tvk_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvel::fuzz::loadTvk(data, size);
  return 0;
}
