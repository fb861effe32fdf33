// What the shader-file fuzzer does with one input: parse it as a shader file and, when it
// parses, look up each parameter and state as the runtime would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/fx_file.h"

namespace korvel::fuzz {

inline bool parseFxBytes(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto fx = platform::parseFx(text, "fuzz.fx", &error);
  if (!fx) {
    return false;
  }
  for (const auto& p : fx->parameters) {
    fx->parameter(p.name);
  }
  for (const auto& t : fx->techniques) {
    for (const auto& pass : t.passes) {
      for (const auto& [state, value] : pass.states) {
        platform::fxStateName(state);
      }
    }
  }
  return true;
}

}  // namespace korvel::fuzz
