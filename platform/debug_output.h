// Diagnostics meant for developers rather than users (what a debugger's output window would
// show): written to standard error, or to a sink a test installs.
#pragma once

#include <functional>
#include <string>

namespace korvel::platform {

void debugOutput(const std::string& text);
// Replaces standard error as the destination; an empty function puts it back.
void setDebugSink(std::function<void(const std::string&)> sink);

}  // namespace korvel::platform
