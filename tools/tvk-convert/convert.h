// The conversion itself, apart from the command line so tests can call it.
#pragma once

#include <optional>
#include <string>

#include "assets/scene_file.h"

namespace korvel::convert {

struct Options {
  std::string input;
  std::string output;
  float scale = 1.0f;
  std::optional<float> fieldOfView;
};

// Reads `options.input` into a scene in the system's frame (left-handed, y up, texture v from
// the top); false with the reason in `error`.
bool importModel(const Options& options, SceneFile* scene, std::string* error);
// importModel, then writes `options.output`; `summary` says what was written.
bool convertModel(const Options& options, std::string* summary, std::string* error);

}  // namespace korvel::convert
