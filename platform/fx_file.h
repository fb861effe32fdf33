// The text format of effect files (docs/fx-files.md), parsed into parameters and techniques.
// Parsing knows nothing of devices, so it can be tested and used by tools on its own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/d3d9_types.h"

namespace korvel::platform {

enum class FxParameterType { Matrix, Vector, Float, Texture };

struct FxParameter {
  std::string name;
  FxParameterType type;
  int count = 1;  // array length
  // Texture parameters only: how the texture is sampled.
  DWORD filter = D3DTEXF_LINEAR;
  DWORD address = D3DTADDRESS_WRAP;
};

struct FxShaderStage {
  std::string code;
  int firstLine = 0;  // line of the file where `code` starts
};

struct FxPass {
  std::string name;
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> states;
  FxShaderStage vertex, fragment;
};

struct FxTechnique {
  std::string name;
  std::vector<FxPass> passes;
};

struct FxDescription {
  std::vector<FxParameter> parameters;
  FxShaderStage common;  // shared by every stage
  std::vector<FxTechnique> techniques;

  const FxParameter* parameter(const std::string& name) const;
};

// The lower-case name of a render state passes may set ("cullmode"); empty for any other.
std::string fxStateName(D3DRENDERSTATETYPE state);

// On failure returns nothing and puts "SOURCE(LINE): error: WHAT" in `error`.
std::optional<FxDescription> parseFx(const std::string& text, const std::string& source,
                                     std::string* error);

}  // namespace korvel::platform
