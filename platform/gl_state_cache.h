// What a context last sent to OpenGL, so that a draw sends only what changed. Every piece of
// the layer that binds or sets state on a context goes through its cache; anything else that
// touches the context calls forget() afterwards.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <cstring>

namespace korvel::platform {

// A texture unit the resources upload through, so uploads never disturb the units draws use.
constexpr GLuint kUploadTextureUnit = 7;

class GlStateCache {
 public:
  static constexpr int kUnits = 8;

  void useProgram(GLuint program) {
    if (program != program_) {
      glUseProgram(program);
      program_ = program;
    }
  }

  void bindFramebuffer(GLuint framebuffer) {
    if (framebuffer != drawFramebuffer_ || framebuffer != readFramebuffer_) {
      glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
      drawFramebuffer_ = readFramebuffer_ = framebuffer;
    }
  }
  void bindDrawFramebuffer(GLuint framebuffer) {
    if (framebuffer != drawFramebuffer_) {
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
      drawFramebuffer_ = framebuffer;
    }
  }
  void bindReadFramebuffer(GLuint framebuffer) {
    if (framebuffer != readFramebuffer_) {
      glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
      readFramebuffer_ = framebuffer;
    }
  }

  void viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    const GLint v[4] = {x, y, width, height};
    if (std::memcmp(v, viewport_, sizeof v) != 0) {
      glViewport(x, y, width, height);
      std::memcpy(viewport_, v, sizeof v);
    }
  }

  void enable(GLenum cap, bool on) {
    int8_t& known = capSlot(cap);
    if (known != int8_t(on)) {
      on ? glEnable(cap) : glDisable(cap);
      known = int8_t(on);
    }
  }

  void depthFunc(GLenum func) {
    once(depthFunc_, func, [&] { glDepthFunc(func); });
  }
  void depthMask(bool write) {
    once(depthMask_, GLenum(write), [&] { glDepthMask(write ? GL_TRUE : GL_FALSE); });
  }
  void cullFace(GLenum face) {
    once(cullFace_, face, [&] { glCullFace(face); });
  }
  void colorMask(bool r, bool g, bool b, bool a) {
    const GLenum mask = GLenum(r) | GLenum(g) << 1 | GLenum(b) << 2 | GLenum(a) << 3;
    once(colorMask_, mask, [&] { glColorMask(r, g, b, a); });
  }
  void blendFunc(GLenum src, GLenum dst, GLenum srcAlpha, GLenum dstAlpha) {
    const GLenum f[4] = {src, dst, srcAlpha, dstAlpha};
    if (std::memcmp(f, blendFunc_, sizeof f) != 0) {
      glBlendFuncSeparate(src, dst, srcAlpha, dstAlpha);
      std::memcpy(blendFunc_, f, sizeof f);
    }
  }
  void blendEquation(GLenum rgb, GLenum alpha) {
    if (rgb != blendEquation_[0] || alpha != blendEquation_[1]) {
      glBlendEquationSeparate(rgb, alpha);
      blendEquation_[0] = rgb;
      blendEquation_[1] = alpha;
    }
  }

  void bindTexture(GLuint unit, GLuint texture) {
    if (texture != textures_[unit]) {
      activeTexture(unit);
      glBindTexture(GL_TEXTURE_2D, texture);
      textures_[unit] = texture;
    }
  }
  // Binds `texture` to `unit` and makes that unit the one texture calls act on.
  void selectTexture(GLuint unit, GLuint texture) {
    activeTexture(unit);
    bindTexture(unit, texture);
  }
  void bindSampler(GLuint unit, GLuint sampler) {
    if (sampler != samplers_[unit]) {
      glBindSampler(unit, sampler);
      samplers_[unit] = sampler;
    }
  }
  // Before a texture is deleted: a new one may get its name.
  void textureDeleted(GLuint texture) {
    for (GLuint& bound : textures_) {
      if (bound == texture) {
        bound = kUnknown;
      }
    }
  }

  void bindArrayBuffer(GLuint buffer) {
    if (buffer != arrayBuffer_) {
      glBindBuffer(GL_ARRAY_BUFFER, buffer);
      arrayBuffer_ = buffer;
    }
  }
  void bindElementBuffer(GLuint buffer) {
    if (buffer != elementBuffer_) {
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
      elementBuffer_ = buffer;
    }
  }
  // Before a buffer or program is deleted, for the same reason.
  void bufferDeleted(GLuint buffer) {
    if (arrayBuffer_ == buffer) {
      arrayBuffer_ = kUnknown;
    }
    if (elementBuffer_ == buffer) {
      elementBuffer_ = kUnknown;
    }
    vertexLayoutChanged();
  }
  void programDeleted(GLuint program) {
    if (program_ == program) {
      program_ = kUnknown;
    }
  }

  // The vertex attribute pointers are the device's to describe; this only says whether the
  // description it last sent still holds.
  template <class Layout>
  bool sameVertexLayout(const Layout& layout) {
    static_assert(sizeof(Layout) <= sizeof(layout_));
    if (layoutKnown_ && std::memcmp(&layout, layout_, sizeof layout) == 0) {
      return true;
    }
    std::memcpy(layout_, &layout, sizeof layout);
    layoutKnown_ = true;
    return false;
  }
  void vertexLayoutChanged() { layoutKnown_ = false; }

  // Forgets everything: the next call of each kind goes to OpenGL.
  void forget() { *this = GlStateCache(); }

 private:
  static constexpr GLuint kUnknown = ~0u;

  void activeTexture(GLuint unit) {
    if (unit != activeUnit_) {
      glActiveTexture(GL_TEXTURE0 + unit);
      activeUnit_ = unit;
    }
  }
  template <class Send>
  static void once(GLenum& known, GLenum value, Send send) {
    if (known != value) {
      send();
      known = value;
    }
  }
  int8_t& capSlot(GLenum cap) {
    switch (cap) {
      case GL_DEPTH_TEST:
        return caps_[0];
      case GL_CULL_FACE:
        return caps_[1];
      case GL_BLEND:
        return caps_[2];
      default:
        return caps_[3];  // GL_SCISSOR_TEST
    }
  }

  GLuint program_ = kUnknown;
  GLuint drawFramebuffer_ = kUnknown, readFramebuffer_ = kUnknown;
  GLint viewport_[4] = {-1, -1, -1, -1};
  int8_t caps_[4] = {-1, -1, -1, -1};
  GLenum depthFunc_ = kUnknown, depthMask_ = kUnknown, cullFace_ = kUnknown, colorMask_ = kUnknown;
  GLenum blendFunc_[4] = {kUnknown, kUnknown, kUnknown, kUnknown};
  GLenum blendEquation_[2] = {kUnknown, kUnknown};
  GLuint activeUnit_ = kUnknown;
  GLuint textures_[kUnits] = {kUnknown, kUnknown, kUnknown, kUnknown,
                              kUnknown, kUnknown, kUnknown, kUnknown};
  GLuint samplers_[kUnits] = {kUnknown, kUnknown, kUnknown, kUnknown,
                              kUnknown, kUnknown, kUnknown, kUnknown};
  GLuint arrayBuffer_ = kUnknown, elementBuffer_ = kUnknown;
  alignas(8) unsigned char layout_[32] = {};
  bool layoutKnown_ = false;
};

}  // namespace korvel::platform
