// An OpenGL 3.3 core context: in an SDL window, or headless through EGL on Mesa's surfaceless
// platform (no display, no X server). The renderer above it is the same either way.
#pragma once

#include <memory>
#include <string>

#include "platform/gl_state_cache.h"

struct SDL_Window;

namespace korvel::platform {

class GlContext {
 public:
  virtual ~GlContext();
  // Makes this the thread's context when another one is; every GL call goes after it, since
  // several devices may be alive at once.
  void use();
  // Shows the default framebuffer; a headless context only finishes the frame.
  virtual void swap() = 0;
  virtual void setSwapInterval(int interval) = 0;
  // The window's framebuffer size in pixels; 0 x 0 when headless.
  virtual void drawableSize(int* width, int* height) = 0;
  virtual bool hasWindow() const = 0;
  // What this context last sent to OpenGL. Valid while the context is current.
  GlStateCache& cache() { return cache_; }

 protected:
  virtual void makeCurrent() = 0;

 private:
  GlStateCache cache_;
};

// Null, with the reason in `error`, when no context can be made.
std::unique_ptr<GlContext> createWindowContext(SDL_Window* window, std::string* error);
std::unique_ptr<GlContext> createHeadlessContext(std::string* error);

}  // namespace korvel::platform
