#include "platform/gl_reference_draws.h"

#include <epoxy/gl.h>

#include "platform/gl_context.h"
#include "platform/gl_program.h"

namespace korvel::platform {

namespace {

const char* const kQuadVertex = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aTexCoord;
uniform mat4 uWorldViewProj;
out vec4 vColor;
out vec2 vTexCoord;
void main() {
  gl_Position = uWorldViewProj * vec4(aPosition, 1.0);
  vColor = aColor;
  vTexCoord = aTexCoord;
}
)";

const char* const kQuadFragment = R"(#version 330 core
in vec4 vColor;
in vec2 vTexCoord;
uniform sampler2D uTexture;
out vec4 fragColor;
void main() { fragColor = texture(uTexture, vTexCoord) * vColor; }
)";

const char* const kMeshVertex = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
uniform mat4 uWorldViewProj;
uniform mat3 uNormalMatrix;
uniform vec4 uDiffuse;
out vec4 vColor;
void main() {
  gl_Position = uWorldViewProj * vec4(aPosition, 1.0);
  vec3 n = uNormalMatrix * aNormal;
  vColor = vec4(clamp(uDiffuse.rgb * clamp(dot(n, vec3(0.0, 0.0, -1.0)), 0.0, 1.0) + 0.2,
                      0.0, 1.0), uDiffuse.a);
}
)";

const char* const kMeshFragment = R"(#version 330 core
in vec4 vColor;
out vec4 fragColor;
void main() { fragColor = vColor; }
)";

class GlReferenceDraws : public ReferenceDraws {
 public:
  GlReferenceDraws(std::unique_ptr<GlContext> context, int width, int height)
      : context_(std::move(context)), width_(width), height_(height) {}

  bool initialise(std::string* error) {
    context_->use();
    quadProgram_ = linkProgram(kQuadVertex, kQuadFragment, error);
    meshProgram_ = linkProgram(kMeshVertex, kMeshFragment, error);
    if (!quadProgram_ || !meshProgram_) {
      return false;
    }
    quadMatrix_ = glGetUniformLocation(quadProgram_, "uWorldViewProj");
    meshMatrix_ = glGetUniformLocation(meshProgram_, "uWorldViewProj");
    meshNormal_ = glGetUniformLocation(meshProgram_, "uNormalMatrix");
    meshDiffuse_ = glGetUniformLocation(meshProgram_, "uDiffuse");

    glGenRenderbuffers(2, renderbuffers_);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width_, height_);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              renderbuffers_[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              renderbuffers_[1]);
    glViewport(0, 0, width_, height_);
    glGenVertexArrays(2, arrays_);
    glGenBuffers(3, buffers_);
    glGenTextures(1, &texture_);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }

  ~GlReferenceDraws() override {
    context_->use();
    glDeleteProgram(quadProgram_);
    glDeleteProgram(meshProgram_);
    glDeleteTextures(1, &texture_);
    glDeleteBuffers(3, buffers_);
    glDeleteVertexArrays(2, arrays_);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(2, renderbuffers_);
  }

  void setQuad(const ReferenceVertex corners[4], int textureSize,
               const std::vector<uint32_t>& texels) override {
    context_->use();
    glBindVertexArray(arrays_[0]);
    glBindBuffer(GL_ARRAY_BUFFER, buffers_[0]);
    glBufferData(GL_ARRAY_BUFFER, 4 * sizeof(ReferenceVertex), corners, GL_STATIC_DRAW);
    describeVertices();
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureSize, textureSize, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  }

  void setMesh(const std::vector<ReferenceVertex>& vertices,
               const std::vector<uint16_t>& indices) override {
    context_->use();
    glBindVertexArray(arrays_[1]);
    glBindBuffer(GL_ARRAY_BUFFER, buffers_[1]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(ReferenceVertex)),
                 vertices.data(), GL_STATIC_DRAW);
    describeVertices();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_[2]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 2), indices.data(),
                 GL_STATIC_DRAW);
    meshIndices_ = GLsizei(indices.size());
    meshVertices_ = GLuint(vertices.size());
  }

  void clear() override {
    context_->use();
    glClearColor(0, 0, 0, 1);
    glClearDepth(1);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    mode_ = Mode::None;
  }

  void drawQuad(const float worldViewProj[16]) override {
    if (mode_ != Mode::Quads) {
      glUseProgram(quadProgram_);
      glBindVertexArray(arrays_[0]);
      glBindTexture(GL_TEXTURE_2D, texture_);
      glDisable(GL_DEPTH_TEST);
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      mode_ = Mode::Quads;
    }
    glUniformMatrix4fv(quadMatrix_, 1, GL_FALSE, worldViewProj);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  }

  void drawMesh(const float worldViewProj[16], const float worldView[16],
                const float diffuse[4]) override {
    if (mode_ != Mode::Meshes) {
      glUseProgram(meshProgram_);
      glBindVertexArray(arrays_[1]);
      glEnable(GL_DEPTH_TEST);
      glDisable(GL_BLEND);
      mode_ = Mode::Meshes;
    }
    glUniformMatrix4fv(meshMatrix_, 1, GL_FALSE, worldViewProj);
    // Rigid motions only: the world-view's own rotation turns the normals.
    const float normal[9] = {worldView[0], worldView[1], worldView[2], worldView[4], worldView[5],
                             worldView[6], worldView[8], worldView[9], worldView[10]};
    glUniformMatrix3fv(meshNormal_, 1, GL_FALSE, normal);
    glUniform4fv(meshDiffuse_, 1, diffuse);
    glDrawRangeElements(GL_TRIANGLES, 0, meshVertices_ - 1, meshIndices_, GL_UNSIGNED_SHORT,
                        nullptr);
  }

  void readFrame(uint8_t* out) override {
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, out);
  }

 private:
  enum class Mode { None, Quads, Meshes };

  static void describeVertices() {
    const GLsizei stride = sizeof(ReferenceVertex);
    auto at = [](size_t offset) { return reinterpret_cast<const void*>(offset); };
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(0));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, at(12));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(24));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, at(28));
  }

  std::unique_ptr<GlContext> context_;
  int width_, height_;
  GLuint quadProgram_ = 0, meshProgram_ = 0;
  GLint quadMatrix_ = -1, meshMatrix_ = -1, meshNormal_ = -1, meshDiffuse_ = -1;
  GLuint framebuffer_ = 0, renderbuffers_[2] = {}, arrays_[2] = {}, buffers_[3] = {};
  GLuint texture_ = 0;
  GLsizei meshIndices_ = 0;
  GLuint meshVertices_ = 0;
  Mode mode_ = Mode::None;
};

}  // namespace

std::unique_ptr<ReferenceDraws> ReferenceDraws::create(int width, int height, std::string* error) {
  std::unique_ptr<GlContext> context = createHeadlessContext(error);
  if (!context) {
    return nullptr;
  }
  auto draws = std::make_unique<GlReferenceDraws>(std::move(context), width, height);
  if (!draws->initialise(error)) {
    return nullptr;
  }
  return draws;
}

}  // namespace korvel::platform
