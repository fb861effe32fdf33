#include "platform/host.h"

#include "platform/clock.h"
#include "platform/sdl_audio_system.h"
#include "platform/sdl_window_system.h"

namespace korvel::platform {

namespace {

const Host* installed = nullptr;

// Members the installed host leaves null come from the desktop.
Host completed(Host host) {
  const Host& desktop = desktopHost();
  if (!host.windows) {
    host.windows = desktop.windows;
  }
  if (!host.audio) {
    host.audio = desktop.audio;
  }
  if (!host.clock) {
    host.clock = desktop.clock;
  }
  if (!host.musicClock) {
    host.musicClock = host.clock;
  }
  return host;
}

}  // namespace

const Host& desktopHost() {
  static SdlWindowSystem windows;
  static SdlAudioSystem audio;
  static SystemClock clock;
  static const Host desktop{&windows, &audio, &clock, &clock, GraphicsOutput::Window, {}, {}};
  return desktop;
}

const Host& host() {
  return installed ? *installed : desktopHost();
}

HostScope::HostScope(Host host) : previous_(installed), host_(completed(std::move(host))) {
  installed = &host_;
}

HostScope::~HostScope() {
  installed = previous_;
}

double clockSeconds(Clock& clock) {
  int64_t frequency = 0;
  if (clock.highResFrequency(&frequency) && frequency > 0) {
    int64_t count = clock.highResCounter();
    return double(count / frequency) + double(count % frequency) / double(frequency);
  }
  return clock.tickCount() / 1000.0;
}

}  // namespace korvel::platform
