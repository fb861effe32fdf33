// A small scene that touches most of the fixed-function pipeline at once: a cleared frame, a
// lit and fogged mesh, and a blended textured quad.
#pragma once

#include "platform/d3d9.h"

namespace korvel::testing {

// Draws a frame on `device`, whose back buffer may be any size. Returns false when a resource
// could not be made.
bool drawShowcase(IDirect3DDevice9* device);

}  // namespace korvel::testing
