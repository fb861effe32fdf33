// What a compiled shader file needs from a device that runs shaders, and nothing more: linking
// a program from a pass's GLSL stages, and drawing with it, its parameters' current values
// uploaded at each draw, instead of the fixed-function pipeline. How uniforms, textures and
// samplers reach the GPU is the device's business.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d9.h"
#include "platform/fx_file.h"

namespace korvel::platform {

// A parameter's value as the program last set it: floats for matrices, vectors and floats
// (the parameter's size times its array length), a texture for a texture parameter.
struct FxValue {
  std::vector<float> floats;
  IDirect3DBaseTexture9* texture = nullptr;
};

class FxHost {
 public:
  virtual ~FxHost() = default;
  // Links the stages into a program that takes `parameters` as uniforms (found once, here);
  // 0, with the compiler's words in `log`, on failure.
  virtual unsigned compileFxProgram(const std::string& vertex, const std::string& fragment,
                                    const std::vector<FxParameter>& parameters,
                                    std::string* log) = 0;
  virtual void deleteFxProgram(unsigned program) = 0;
  // From now on draws use `program`, reading `values` (one per parameter, in the order given
  // at compile time; kept alive by the caller) before each. Program 0 returns to the
  // fixed-function pipeline.
  virtual void useFxProgram(unsigned program, const std::vector<FxValue>* values) = 0;
  // Whether vertex stages must map Direct3D's clip space themselves.
  virtual bool needsClipFallback() const = 0;
};

}  // namespace korvel::platform
