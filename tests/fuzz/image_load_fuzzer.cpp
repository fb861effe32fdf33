// libFuzzer entry for the D3DX image loader with a colour key: `make fuzz` builds it with
// clang and runs it.
#include "fuzz/image_load.h"
#include "platform/offline_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static korvel::platform::OfflineHost host;
  korvel::fuzz::loadImage(data, size);
  return 0;
}
