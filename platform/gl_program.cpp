#include "platform/gl_program.h"

namespace korvel::platform {

namespace {

GLuint compileShader(GLenum type, const std::string& source, std::string* log) {
  GLuint shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char buffer[4096];
    glGetShaderInfoLog(shader, sizeof buffer, nullptr, buffer);
    *log += buffer;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

GLuint linkProgram(const std::string& vertex, const std::string& fragment, std::string* log) {
  GLuint vs = compileShader(GL_VERTEX_SHADER, vertex, log);
  GLuint fs = compileShader(GL_FRAGMENT_SHADER, fragment, log);
  GLuint program = 0;
  if (vs && fs) {
    program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
      char buffer[4096];
      glGetProgramInfoLog(program, sizeof buffer, nullptr, buffer);
      *log += buffer;
      glDeleteProgram(program);
      program = 0;
    }
  }
  if (vs) {
    glDeleteShader(vs);
  }
  if (fs) {
    glDeleteShader(fs);
  }
  return program;
}

}  // namespace korvel::platform
