// Direct3D 9 on OpenGL 3.3 core. A device made for an SDL window draws into an offscreen back
// buffer and presents it scaled into the window; a device made for no window (or a window of
// another window system) renders headless through EGL, exactly the same way.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"

namespace korvel::platform {

IDirect3D9* createOpenGlDirect3D();

// The back buffer's pixels as they stand: blue, green, red, alpha bytes, top row first.
// False when the back buffer cannot be locked.
bool readBackBuffer(IDirect3DDevice9* device, std::vector<uint8_t>* pixels, UINT* width,
                    UINT* height);

}  // namespace korvel::platform
