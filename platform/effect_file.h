// The text format of effect files (docs/effects.md), parsed into parameters and techniques.
// Parsing knows nothing of devices, so it can be tested and used by tools on its own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/d3d9_types.h"

namespace korvel::platform {

enum class EffectParameterType { Matrix, Vector, Float, Texture };

struct EffectParameter {
  std::string name;
  EffectParameterType type;
  int count = 1;  // array length
  // Texture parameters only: how the texture is sampled.
  DWORD filter = D3DTEXF_LINEAR;
  DWORD address = D3DTADDRESS_WRAP;
};

struct EffectShaderStage {
  std::string code;
  int firstLine = 0;  // line of the file where `code` starts
};

struct EffectPass {
  std::string name;
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> states;
  EffectShaderStage vertex, fragment;
};

struct EffectTechnique {
  std::string name;
  std::vector<EffectPass> passes;
};

struct EffectDescription {
  std::vector<EffectParameter> parameters;
  EffectShaderStage common;  // shared by every stage
  std::vector<EffectTechnique> techniques;

  const EffectParameter* parameter(const std::string& name) const;
};

// On failure returns nothing and puts "SOURCE(LINE): error: WHAT" in `error`.
std::optional<EffectDescription> parseEffect(const std::string& text, const std::string& source,
                                             std::string* error);

}  // namespace korvel::platform
