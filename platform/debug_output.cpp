#include "platform/debug_output.h"

#include <cstdio>

namespace korvel::platform {

namespace {
std::function<void(const std::string&)> sink;
}

void debugOutput(const std::string& text) {
  if (sink) {
    sink(text);
  } else {
    std::fputs(text.c_str(), stderr);
  }
}

void setDebugSink(std::function<void(const std::string&)> newSink) {
  sink = std::move(newSink);
}

}  // namespace korvel::platform
