// Diagnostics meant for developers rather than users (what a debugger's output window would
// show): written to the installed host's diagnostics sink, standard error by default.
#pragma once

#include <functional>
#include <string>

namespace korvel::platform {

void debugOutput(const std::string& text);

}  // namespace korvel::platform
