// Shows a black frame in a window of the SDL window system, paced by the display's retrace.
// What the program shows until it has a graphics device.
#pragma once

#include "platform/window_types.h"

namespace korvel::platform {

void presentBlankFrame(HWND window);

}  // namespace korvel::platform
