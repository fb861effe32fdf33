#include "platform/debug_output.h"

#include <cstdio>

#include "platform/host.h"

namespace korvel::platform {

void debugOutput(const std::string& text) {
  const auto& sink = host().diagnostics;
  if (sink) {
    sink(text);
  } else {
    std::fputs(text.c_str(), stderr);
  }
}

}  // namespace korvel::platform
