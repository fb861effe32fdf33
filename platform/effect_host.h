// What an effect needs from a device that runs shaders: compiling a program from the effect's
// stages, and drawing with it instead of the fixed-function pipeline while a pass is applied.
#pragma once

#include <functional>
#include <string>

#include "platform/d3d9.h"

namespace korvel::platform {

class EffectHost {
 public:
  virtual ~EffectHost() = default;
  // GLSL sources of a vertex and a fragment stage; 0 and the compiler's words in `log` on
  // failure.
  virtual unsigned compileEffectProgram(const std::string& vertex, const std::string& fragment,
                                        std::string* log) = 0;
  virtual void deleteEffectProgram(unsigned program) = 0;
  // From now on draws use `program`, calling `bind` with it before each draw so the effect can
  // upload its parameters. Program 0 returns to the fixed-function pipeline.
  virtual void useEffectProgram(unsigned program, std::function<void(unsigned)> bind) = 0;
  // The OpenGL name of a texture made by this device; 0 for anything else.
  virtual unsigned textureName(IDirect3DBaseTexture9* texture) = 0;
  // Whether vertex stages must map Direct3D's clip space themselves.
  virtual bool needsClipFallback() const = 0;
  // Makes the device's context current, for an effect's own GL objects.
  virtual void useContext() = 0;
};

}  // namespace korvel::platform
