// libFuzzer entry for the shader-file parser: `make fuzz` builds it with clang and runs it.
#include "fuzz/fx_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvel::fuzz::parseFxBytes(data, size);
  return 0;
}
