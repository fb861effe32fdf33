#include "platform/blank_frame.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include "platform/sdl_window_system.h"

namespace korvel::platform {

void presentBlankFrame(HWND window) {
  SDL_Window* native = SdlWindowSystem::nativeWindow(window);
  if (!native) {
    return;
  }
  static SDL_Window* contextWindow = nullptr;
  static SDL_GLContext context = nullptr;
  if (contextWindow != native) {
    if (context) {
      SDL_GL_DeleteContext(context);
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    context = SDL_GL_CreateContext(native);
    contextWindow = native;
    if (context) {
      SDL_GL_SetSwapInterval(1);
    }
  }
  if (!context) {
    SDL_Delay(16);
    return;
  }
  SDL_GL_MakeCurrent(native, context);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  SDL_GL_SwapWindow(native);
}

}  // namespace korvel::platform
