// The device's resources on OpenGL: contents kept in memory (for locks) and mirrored into GL
// objects when a lock ends. Resources keep the context alive, so they may outlive the device.
#pragma once

#include <epoxy/gl.h>

#include <cstring>
#include <memory>

#include "platform/d3d9_resources.h"
#include "platform/driver_time.h"
#include "platform/gl_context.h"

namespace korvel::platform {

using SharedContext = std::shared_ptr<GlContext>;

// Contents in memory and in a GL buffer. A lock of the whole buffer gives it new storage
// (the driver need not wait for draws still reading the old contents); a partial lock sends
// only its range.
template <class Memory, class Desc>
class GlBuffer : public Memory {
 public:
  GlBuffer(SharedContext context, const Desc& desc) : Memory(desc), context_(std::move(context)) {
    glGenBuffers(1, &name_);
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(this->bytes().size()), this->bytes().data(),
                 GL_STATIC_DRAW);
  }
  ~GlBuffer() override {
    context_->use();
    context_->cache().bufferDeleted(name_);
    glDeleteBuffers(1, &name_);
  }
  GLuint name() const { return name_; }

 protected:
  void unlocked(UINT offset, UINT size) override {
    DriverTimeScope timed;
    context_->use();
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    const auto& bytes = this->bytes();
    if (offset == 0 && size == bytes.size()) {
      // Rewritten every frame, as most whole-buffer locks are: say so to the driver.
      glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(bytes.size()), bytes.data(), GL_DYNAMIC_DRAW);
    } else if (size > 0) {
      glBufferSubData(GL_COPY_WRITE_BUFFER, GLintptr(offset), GLsizeiptr(size),
                      bytes.data() + offset);
    }
  }

 private:
  SharedContext context_;
  GLuint name_ = 0;
};

using GlVertexBuffer = GlBuffer<MemoryVertexBuffer, D3DVERTEXBUFFER_DESC>;
using GlIndexBuffer = GlBuffer<MemoryIndexBuffer, D3DINDEXBUFFER_DESC>;

inline void readFramebuffer(GlStateCache& cache, GLuint framebuffer, UINT width, UINT height,
                            uint8_t* out) {
  DriverTimeScope timed;
  cache.bindReadFramebuffer(framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, GLsizei(width), GLsizei(height), GL_BGRA, GL_UNSIGNED_BYTE, out);
}

// Texels live in memory and in a GL texture; only level 0 is ever drawn from. A render
// target also has a framebuffer, sharing the device's depth buffer as Direct3D does.
class GlTexture : public MemoryTexture {
 public:
  GlTexture(SharedContext context, UINT width, UINT height, UINT levels, DWORD usage,
            D3DFORMAT format, D3DPOOL pool, GLuint depthBuffer)
      : MemoryTexture(width, height, levels, usage, format, pool), context_(std::move(context)) {
    glGenTextures(1, &name_);
    context_->cache().selectTexture(kUploadTextureUnit, name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (format == D3DFMT_X8R8G8B8) {
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    }
    upload();
    if (usage & D3DUSAGE_RENDERTARGET) {
      glGenFramebuffers(1, &framebuffer_);
      context_->cache().bindFramebuffer(framebuffer_);
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name_, 0);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    }
  }
  ~GlTexture() override {
    context_->use();
    if (framebuffer_) {
      // A framebuffer made later may get this one's name.
      context_->cache().bindFramebuffer(0);
      glDeleteFramebuffers(1, &framebuffer_);
    }
    context_->cache().textureDeleted(name_);
    glDeleteTextures(1, &name_);
  }

  GLuint name() const { return name_; }
  GLuint framebuffer() const { return framebuffer_; }

 protected:
  void levelUnlocked(UINT level) override {
    if (level == 0) {
      context_->use();
      upload();
    }
  }
  void beforeLock(UINT level) override {
    if (level == 0 && framebuffer_) {
      context_->use();
      readFramebuffer(context_->cache(), framebuffer_, width(), height(), texels().data());
    }
  }

 private:
  void upload() {
    DriverTimeScope timed;
    context_->cache().selectTexture(kUploadTextureUnit, name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(width()), GLsizei(height()), 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, texels().data());
  }

  SharedContext context_;
  GLuint name_ = 0;
  GLuint framebuffer_ = 0;
};

class GlBackBuffer : public MemorySurface {
 public:
  GlBackBuffer(SharedContext context, UINT width, UINT height, D3DFORMAT format, GLuint framebuffer)
      : MemorySurface(width, height, format, D3DUSAGE_RENDERTARGET),
        context_(std::move(context)),
        framebuffer_(framebuffer) {}
  GLuint framebuffer() const { return framebuffer_; }

 protected:
  void beforeLock() override {
    context_->use();
    readFramebuffer(context_->cache(), framebuffer_, width(), height(), texels().data());
  }

 private:
  SharedContext context_;
  GLuint framebuffer_;
};

// A surface in memory that render targets are read into through a pixel-pack buffer: the copy
// is queued by readFrom() and waited for only when the surface is locked, so a caller that
// keeps two or three of them in turn never waits for the frame it has just drawn.
class GlReadbackSurface : public MemorySurface {
 public:
  GlReadbackSurface(SharedContext context, UINT width, UINT height, D3DFORMAT format)
      : MemorySurface(width, height, format, 0), context_(std::move(context)) {
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer_);
    glBufferData(GL_PIXEL_PACK_BUFFER, GLsizeiptr(texels().size()), nullptr, GL_STREAM_READ);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  }
  ~GlReadbackSurface() override {
    context_->use();
    glDeleteBuffers(1, &buffer_);
  }

  void readFrom(GLuint framebuffer) {
    DriverTimeScope timed;
    context_->use();
    context_->cache().bindReadFramebuffer(framebuffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, GLsizei(width()), GLsizei(height()), GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    pending_ = true;
  }

 protected:
  void beforeLock() override {
    if (!pending_) {
      return;
    }
    DriverTimeScope timed;
    context_->use();
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer_);
    const auto size = GLsizeiptr(texels().size());
    if (const void* mapped = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, size, GL_MAP_READ_BIT)) {
      std::memcpy(texels().data(), mapped, size_t(size));
      glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    pending_ = false;
  }

 private:
  SharedContext context_;
  GLuint buffer_ = 0;
  bool pending_ = false;
};

}  // namespace korvel::platform
