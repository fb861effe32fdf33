// Direct3D 9 on OpenGL 3.3 core. A device made for an SDL window draws into an offscreen back
// buffer and presents it scaled into the window; a device made for no window (or a window of
// another window system) renders headless through EGL, exactly the same way.
#pragma once

#include "platform/d3d9.h"

namespace korvel::platform {

IDirect3D9* createOpenGlDirect3D();

}  // namespace korvel::platform
