// Linking GLSL stages into a program, for the fixed-function shaders and shader files alike.
#pragma once

#include <epoxy/gl.h>

#include <string>

namespace korvel::platform {

// 0, with the compiler's and linker's words in `log`, when the stages do not make a program.
GLuint linkProgram(const std::string& vertex, const std::string& fragment, std::string* log);

}  // namespace korvel::platform
