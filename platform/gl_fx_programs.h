// The OpenGL side of shader files: the programs linked from their passes, each with its
// uniform locations looked up once and a sampler per texture parameter, and the upload of
// parameter values before a draw.
#pragma once

#include <epoxy/gl.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/fx_host.h"
#include "platform/gl_state_cache.h"

namespace korvel::platform {

class GlFxPrograms {
 public:
  explicit GlFxPrograms(GlStateCache& cache) : cache_(cache) {}
  GlFxPrograms(const GlFxPrograms&) = delete;
  GlFxPrograms& operator=(const GlFxPrograms&) = delete;
  // The device's context must be current.
  ~GlFxPrograms();

  // 0, with the reasons in `log`, when the stages do not link.
  GLuint compile(const std::string& vertex, const std::string& fragment,
                 const std::vector<FxParameter>& parameters, std::string* log);
  void remove(GLuint program);
  // Makes `program` current with `values` uploaded (those that changed since its last draw);
  // `textureName` gives the OpenGL name of a device texture (0 for none). False for a program this
  // set does not hold.
  template <class TextureName>
  bool use(GLuint program, const std::vector<FxValue>& values, float pixelOffsetX,
           float pixelOffsetY, TextureName textureName);

 private:
  struct Program {
    std::vector<FxParameter> parameters;
    std::vector<GLint> locations;  // one per parameter
    std::vector<GLuint> samplers;  // one per parameter, 0 for all but textures
    GLint pixelOffset = -1;
    std::vector<std::vector<float>> sent;  // the values last uploaded, one per parameter
    float sentPixelOffset[2] = {-1e30f, -1e30f};
  };
  void upload(Program& program, const std::vector<FxValue>& values,
              const std::vector<GLuint>& textures);

  GlStateCache& cache_;
  std::unordered_map<GLuint, Program> programs_;
};

template <class TextureName>
bool GlFxPrograms::use(GLuint program, const std::vector<FxValue>& values, float pixelOffsetX,
                       float pixelOffsetY, TextureName textureName) {
  auto found = programs_.find(program);
  if (found == programs_.end()) {
    return false;
  }
  cache_.useProgram(program);
  Program& p = found->second;
  if (p.sentPixelOffset[0] != pixelOffsetX || p.sentPixelOffset[1] != pixelOffsetY) {
    glUniform2f(p.pixelOffset, pixelOffsetX, pixelOffsetY);
    p.sentPixelOffset[0] = pixelOffsetX;
    p.sentPixelOffset[1] = pixelOffsetY;
  }
  std::vector<GLuint> textures(values.size(), 0);
  for (size_t i = 0; i < values.size(); ++i) {
    textures[i] = textureName(values[i].texture);
  }
  upload(p, values, textures);
  return true;
}

}  // namespace korvel::platform
