// Direct3D 9's fixed-function pipeline as GLSL: one shader pair per combination of the states
// that change its code (vertex format, lighting, material sources, fog, texture stages, alpha
// test), generated from a small key and cached by the device. Values that only change numbers
// (matrices, colours, fog distances) are uniforms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3d9_state.h"

namespace korvel::platform {

constexpr int kMaxFixedStages = 4;
constexpr int kMaxFixedLights = 8;

struct FixedStageKey {
  uint8_t colorOp = D3DTOP_DISABLE;
  uint8_t colorArg1 = 0, colorArg2 = 0;
  uint8_t alphaOp = D3DTOP_DISABLE;
  uint8_t alphaArg1 = 0, alphaArg2 = 0;
  uint8_t texCoord = 0;
  // A stage that reads an unbound texture passes the current colour and alpha on, and ends
  // the cascade.
  bool selectCurrent = false;
  bool operator==(const FixedStageKey&) const = default;
};

struct FixedFunctionKey {
  bool hasNormal = false;
  bool hasDiffuse = false;
  uint8_t texCoordCount = 0;
  bool lighting = false;
  uint8_t lightCount = 0;
  bool normalizeNormals = false;
  // Per lit colour: true takes the vertex colour, false the material.
  bool diffuseFromVertex = false, ambientFromVertex = false, emissiveFromVertex = false;
  uint8_t fogMode = D3DFOG_NONE;  // table fog, when enabled
  bool fogFromEyeDepth = false;   // perspective projection: w, else z
  uint8_t stageCount = 0;
  FixedStageKey stages[kMaxFixedStages];
  uint8_t alphaFunc = 0;  // 0 when alpha testing is off
  bool clipFallback = false;

  bool operator==(const FixedFunctionKey&) const = default;
};

struct FixedFunctionKeyHash {
  size_t operator()(const FixedFunctionKey& key) const;
};

// `textureBound[s]` tells whether stage s has a texture.
FixedFunctionKey makeFixedFunctionKey(const DeviceState& state, DWORD fvf,
                                      const bool textureBound[kMaxFixedStages], int lightCount,
                                      bool clipFallback);

std::string fixedVertexShader(const FixedFunctionKey& key);
std::string fixedFragmentShader(const FixedFunctionKey& key);

// True when the projection's fourth column is not (0, 0, 0, 1).
bool isPerspective(const D3DMATRIX& projection);

}  // namespace korvel::platform
