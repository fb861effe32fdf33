// What the program asks of its surroundings, held in one place: the window system, the sound
// library, the clocks, the graphics provider and where developer diagnostics go. One host is
// installed at a time; a scope installs another and puts the previous one back. Two presets
// exist: the desktop (SDL window, sound card, system clock, OpenGL in the window) and the
// offline one (platform/offline_host.h: no screen, no sound card, time moved by hand).
#pragma once

#include <functional>
#include <string>

class IDirect3D9;

namespace korvel::platform {

class WindowSystem;
class AudioSystem;
class Clock;

// Where the OpenGL device draws: into the device window's own surface, or offscreen through
// EGL (the same renderer; nothing is shown).
enum class GraphicsOutput { Window, Headless };

struct Host {
  WindowSystem* windows = nullptr;
  AudioSystem* audio = nullptr;
  // What timers read.
  Clock* clock = nullptr;
  // What the music's playing position follows when no sound card paces it.
  Clock* musicClock = nullptr;
  GraphicsOutput graphics = GraphicsOutput::Window;
  // What Direct3DCreate9 makes; empty: the OpenGL device.
  std::function<IDirect3D9*()> direct3d;
  // Developer diagnostics; empty: standard error.
  std::function<void(const std::string&)> diagnostics;
};

// The installed host; the desktop preset when none is. A member left null is served by the
// desktop preset's.
const Host& host();

// Installs `host` for its lifetime. Scopes nest and must end in reverse order.
class HostScope {
 public:
  explicit HostScope(Host host);
  ~HostScope();
  HostScope(const HostScope&) = delete;
  HostScope& operator=(const HostScope&) = delete;

 private:
  const Host* previous_;
  Host host_;
};

// The SDL window system, the sound card, the system clock, OpenGL in the window.
const Host& desktopHost();

// Seconds on `clock`: its high-resolution counter when it has one, else its tick count.
double clockSeconds(Clock& clock);

}  // namespace korvel::platform
