#include "platform/offline_host.h"

namespace korvel::platform {

OfflineHost::OfflineHost() : scope_(preset()) {}

Host OfflineHost::preset() {
  Host host;
  host.windows = &windows;
  host.audio = &audio;
  host.clock = &clock;
  host.musicClock = &clock;
  host.graphics = GraphicsOutput::Headless;
  return host;
}

}  // namespace korvel::platform
