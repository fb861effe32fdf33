#include "platform/gl_fx_programs.h"

#include "platform/gl_enums.h"
#include "platform/gl_program.h"

namespace korvel::platform {

GlFxPrograms::~GlFxPrograms() {
  while (!programs_.empty()) {
    remove(programs_.begin()->first);
  }
}

GLuint GlFxPrograms::compile(const std::string& vertex, const std::string& fragment,
                             const std::vector<FxParameter>& parameters, std::string* log) {
  GLuint name = linkProgram(vertex, fragment, log);
  if (!name) {
    return 0;
  }
  Program program;
  program.parameters = parameters;
  program.pixelOffset = glGetUniformLocation(name, "korvel_PixelOffset");
  for (const auto& p : parameters) {
    program.locations.push_back(glGetUniformLocation(name, p.name.c_str()));
    GLuint sampler = 0;
    if (p.type == FxParameterType::Texture) {
      glGenSamplers(1, &sampler);
      GLenum filter = filterMode(p.filter);
      GLenum wrap = addressMode(p.address);
      glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filter);
      glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filter);
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrap);
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrap);
    }
    program.samplers.push_back(sampler);
  }
  program.sent.resize(parameters.size());
  programs_[name] = std::move(program);
  return name;
}

void GlFxPrograms::remove(GLuint name) {
  auto found = programs_.find(name);
  if (found == programs_.end()) {
    return;
  }
  for (GLuint sampler : found->second.samplers) {
    if (sampler) {
      glDeleteSamplers(1, &sampler);
    }
  }
  cache_.programDeleted(name);
  glDeleteProgram(name);
  programs_.erase(found);
}

void GlFxPrograms::upload(Program& program, const std::vector<FxValue>& values,
                          const std::vector<GLuint>& textures) {
  GLuint unit = 0;
  for (size_t i = 0; i < program.parameters.size() && i < values.size(); ++i) {
    const FxParameter& p = program.parameters[i];
    const FxValue& value = values[i];
    GLint location = program.locations[i];
    if (p.type == FxParameterType::Texture) {
      cache_.bindTexture(unit, textures[i]);
      cache_.bindSampler(unit, program.samplers[i]);
      if (program.sent[i].empty()) {
        glUniform1i(location, GLint(unit));
        program.sent[i].assign(1, float(unit));
      }
      ++unit;
      continue;
    }
    if (program.sent[i] == value.floats) {
      continue;
    }
    switch (p.type) {
      case FxParameterType::Matrix:
        glUniformMatrix4fv(location, p.count, GL_FALSE, value.floats.data());
        break;
      case FxParameterType::Vector:
        glUniform4fv(location, p.count, value.floats.data());
        break;
      case FxParameterType::Float:
        glUniform1fv(location, p.count, value.floats.data());
        break;
      case FxParameterType::Texture:
        break;
    }
    program.sent[i] = value.floats;
  }
}

}  // namespace korvel::platform
