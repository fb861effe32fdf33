#include "platform/gl_context.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <string>

namespace korvel::platform {

namespace {

GlContext* currentContext = nullptr;

// One EGL display for every headless context, initialised with the first of them.
EGLDisplay headlessDisplay = EGL_NO_DISPLAY;

class SdlGlContext : public GlContext {
 public:
  SdlGlContext(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}
  ~SdlGlContext() override { SDL_GL_DeleteContext(context_); }

  void makeCurrent() override { SDL_GL_MakeCurrent(window_, context_); }
  void swap() override { SDL_GL_SwapWindow(window_); }
  void setSwapInterval(int interval) override { SDL_GL_SetSwapInterval(interval); }
  void drawableSize(int* width, int* height) override {
    SDL_GL_GetDrawableSize(window_, width, height);
  }
  bool hasWindow() const override { return true; }

 private:
  SDL_Window* window_;
  SDL_GLContext context_;
};

class EglContext : public GlContext {
 public:
  EglContext(EGLDisplay display, EGLContext context) : display_(display), context_(context) {}
  ~EglContext() override {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
    // The display stays initialised for the life of the process, like the rest of the
    // graphics library: initialising Mesa again for every device costs a tenth of a second,
    // and terminating it unloads a driver whose own allocations outlive it.
  }

  void makeCurrent() override {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
  }
  void swap() override { glFlush(); }
  void setSwapInterval(int) override {}
  void drawableSize(int* width, int* height) override {
    *width = 0;
    *height = 0;
  }
  bool hasWindow() const override { return false; }

 private:
  EGLDisplay display_;
  EGLContext context_;
};

// What the current context says it is: "4.5 (Core Profile) Mesa 22.3.6 on llvmpipe".
std::string currentOpenGl() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (!version) {
    return "";
  }
  return std::string(version) + (renderer ? std::string(" on ") + renderer : "");
}

std::string tooOld(const std::string& offered) {
  return "OpenGL 3.3 core is needed; " +
         (offered.empty() ? std::string("this machine could not make an OpenGL context at all")
                          : "this machine offers OpenGL " + offered);
}

}  // namespace

GlContext::~GlContext() {
  if (currentContext == this) {
    currentContext = nullptr;
  }
}

void GlContext::use() {
  if (currentContext != this) {
    makeCurrent();
    currentContext = this;
  }
}

std::unique_ptr<GlContext> createWindowContext(SDL_Window* window, std::string* error) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) {
    // Say what the display does offer: a context of its own choosing tells.
    std::string reason = SDL_GetError();
    SDL_GL_ResetAttributes();
    std::string offered;
    if (SDL_GLContext any = SDL_GL_CreateContext(window)) {
      offered = currentOpenGl();
      SDL_GL_DeleteContext(any);
    }
    currentContext = nullptr;
    *error = tooOld(offered) + " (" + reason + ")";
    return nullptr;
  }
  auto created = std::make_unique<SdlGlContext>(window, context);
  currentContext = created.get();
  return created;
}

std::unique_ptr<GlContext> createHeadlessContext(std::string* error) {
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
    *error = "EGL has no surfaceless platform (Mesa's EGL is needed)";
    return nullptr;
  }
  if (headlessDisplay == EGL_NO_DISPLAY) {
    EGLDisplay display =
        eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
      *error = "cannot open the EGL surfaceless display";
      return nullptr;
    }
    headlessDisplay = display;
  }
  EGLDisplay display = headlessDisplay;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    *error = "EGL has no desktop OpenGL";
    return nullptr;
  }
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                               3,
                               EGL_CONTEXT_MINOR_VERSION,
                               3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK,
                               EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                               EGL_NONE};
  // Rendering goes to framebuffer objects only, so the context needs no config.
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (context == EGL_NO_CONTEXT ||
      !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    if (context != EGL_NO_CONTEXT) {
      eglDestroyContext(display, context);
    }
    std::string offered;
    EGLContext any = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
    if (any != EGL_NO_CONTEXT && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, any)) {
      offered = currentOpenGl();
    }
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (any != EGL_NO_CONTEXT) {
      eglDestroyContext(display, any);
    }
    currentContext = nullptr;
    *error = tooOld(offered) + " (headless, through EGL)";
    return nullptr;
  }
  auto created = std::make_unique<EglContext>(display, context);
  currentContext = created.get();
  return created;
}

}  // namespace korvel::platform
