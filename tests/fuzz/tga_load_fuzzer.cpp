// libFuzzer entry for the texture object's TGA reader: `make fuzz` builds it with clang and
// runs it.
#include "fuzz/image_load.h"
#include "platform/offline_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static korvel::platform::OfflineHost host;  // message boxes go nowhere
  korvel::fuzz::loadTga(data, size);
  return 0;
}
