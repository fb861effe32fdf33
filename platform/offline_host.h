// The offline preset of the host: a window system without a screen, a sound library that
// decodes and analyses the music but plays nothing, its playing position read from a virtual
// clock that timers read too, and the OpenGL device headless. Installed for its lifetime, so
// everything below runs without a display or a sound card, one frame at the pace the caller
// moves the clock.
#pragma once

#include "platform/clock.h"
#include "platform/host.h"
#include "platform/offline_window_system.h"
#include "platform/sdl_audio_system.h"

namespace korvel::platform {

class OfflineHost {
 public:
  OfflineHost();
  OfflineHost(const OfflineHost&) = delete;
  OfflineHost& operator=(const OfflineHost&) = delete;

  // The preset itself, for a scope that changes a member of it.
  Host preset();

  OfflineWindowSystem windows;
  SdlAudioSystem audio{false};
  VirtualClock clock;

 private:
  HostScope scope_;
};

}  // namespace korvel::platform
