#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/d3d9_device_base.h"
#include "platform/d3dx_math.h"
#include "platform/debug_output.h"
#include "platform/driver_time.h"
#include "platform/fx_host.h"
#include "platform/gl_context.h"
#include "platform/gl_direct3d.h"
#include "platform/gl_enums.h"
#include "platform/gl_fixed_function.h"
#include "platform/gl_fx_programs.h"
#include "platform/gl_program.h"
#include "platform/gl_resources.h"
#include "platform/host.h"
#include "platform/window_system.h"

namespace korvel::platform {

namespace {

// The numbers a fixed-function shader takes, as last uploaded to one program.
struct FixedUniforms {
  float worldViewProj[16], normalMatrix[9], pixelOffset[2], matDiffuse[4], matAmbient[4],
      matEmissive[4], ambient[3], lightDir[kMaxFixedLights * 3], lightDiffuse[kMaxFixedLights * 3],
      tFactor[4], fogColor[3], fog[3], fogEnd, alphaRef;
};

struct FixedProgram {
  GLuint id = 0;
  GLint worldViewProj, normalMatrix, pixelOffset, matDiffuse, matAmbient, matEmissive, ambient,
      lightDir, lightDiffuse, textures, tFactor, fogColor, fog, fogEnd, alphaRef;
  bool lighting = false;
  int stages = 0;  // the texture stages its code reads
  FixedUniforms sent;
};

// Uploads `count` floats through `send` when they differ from what `sent` holds.
template <class Send>
void sendChanged(float* sent, const float* value, size_t count, Send send) {
  if (std::memcmp(sent, value, count * sizeof(float)) != 0) {
    std::memcpy(sent, value, count * sizeof(float));
    send();
  }
}

void copyColor(float* out, const D3DCOLORVALUE& c) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

FixedProgram linkFixedProgram(GlStateCache& cache, const FixedFunctionKey& key) {
  FixedProgram program;
  // Nothing matches a NaN, so the first draw uploads every value.
  std::fill_n(reinterpret_cast<float*>(&program.sent), sizeof(FixedUniforms) / sizeof(float),
              std::numeric_limits<float>::quiet_NaN());
  std::string log;
  program.id = linkProgram(fixedVertexShader(key), fixedFragmentShader(key), &log);
  if (!program.id) {
    debugOutput("fixed-function shader failed: " + log + "\n");
    return program;
  }
  auto at = [&](const char* name) { return glGetUniformLocation(program.id, name); };
  program.worldViewProj = at("uWorldViewProj");
  program.normalMatrix = at("uNormalMatrix");
  program.pixelOffset = at("uPixelOffset");
  program.matDiffuse = at("uMatDiffuse");
  program.matAmbient = at("uMatAmbient");
  program.matEmissive = at("uMatEmissive");
  program.ambient = at("uAmbient");
  program.lightDir = at("uLightDir");
  program.lightDiffuse = at("uLightDiffuse");
  program.textures = at("uTexture");
  program.tFactor = at("uTFactor");
  program.fogColor = at("uFogColor");
  program.fog = at("uFog");
  program.fogEnd = at("uFogEnd");
  program.alphaRef = at("uAlphaRef");
  // Stage s always samples texture unit s.
  GLint units[kMaxFixedStages];
  for (int s = 0; s < kMaxFixedStages; ++s) {
    units[s] = s;
  }
  cache.useProgram(program.id);
  glUniform1iv(program.textures, kMaxFixedStages, units);
  return program;
}

// The sampler parameters a stage's sampler object last got.
struct SentSampler {
  DWORD min = ~0u, mag = ~0u, addressU = ~0u, addressV = ~0u, border = 0;
  bool borderSent = false;
};

// What the vertex attribute pointers were last set from.
struct VertexLayout {
  GLuint buffer;
  DWORD fvf;
  UINT offset, stride;
};

class GlDevice : public DeviceBase, public FxHost {
 public:
  GlDevice(SharedContext context, const D3DPRESENT_PARAMETERS& params, bool clipControl)
      : context_(std::move(context)),
        params_(params),
        clipControl_(clipControl),
        cache_(context_->cache()),
        fxPrograms_(cache_) {}

  bool initialise() {
    context_->use();
    UINT w = params_.BackBufferWidth, h = params_.BackBufferHeight;
    if (w == 0 || h == 0) {
      return false;
    }
    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    glGenBuffers(1, &scratch_);
    glGenSamplers(kMaxFixedStages, samplers_);
    for (int s = 0; s < kMaxFixedStages; ++s) {
      cache_.bindSampler(GLuint(s), samplers_[s]);
    }

    glGenRenderbuffers(1, &color_);
    glBindRenderbuffer(GL_RENDERBUFFER, color_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(w), GLsizei(h));
    glGenRenderbuffers(1, &depth_);
    glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, GLsizei(w), GLsizei(h));
    glGenFramebuffers(1, &framebuffer_);
    cache_.bindFramebuffer(framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      return false;
    }
    // Row 0 of every framebuffer is the top of the picture, and depth runs 0 to 1 as in
    // Direct3D. Front faces are clockwise as seen.
    if (clipControl_) {
      glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    }
    glFrontFace(GL_CW);
    glDisable(GL_DITHER);

    backBuffer_ = new GlBackBuffer(context_, w, h, params_.BackBufferFormat, framebuffer_);
    setTarget(backBuffer_);
    context_->setSwapInterval(params_.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0
                                                                                            : 1);
    return true;
  }

  ~GlDevice() override {
    context_->use();
    if (backBuffer_) {
      backBuffer_->Release();
    }
    for (auto& [key, program] : programs_) {
      if (program.id) {
        cache_.programDeleted(program.id);
        glDeleteProgram(program.id);
      }
    }
    // Every name this device made may come back in another device's objects.
    cache_.forget();
    glDeleteSamplers(kMaxFixedStages, samplers_);
    if (pixelQueryActive_) {
      glEndQuery(GL_SAMPLES_PASSED);
    }
    glDeleteQueries(1, &pixelQuery_);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(1, &color_);
    glDeleteRenderbuffers(1, &depth_);
    glDeleteBuffers(1, &scratch_);
    glDeleteVertexArrays(1, &vao_);
  }

  // Frame

  HRESULT Clear(DWORD, const D3DRECT*, DWORD flags, D3DCOLOR color, float z, DWORD) override {
    DriverTimeScope timed;
    bindTarget();
    countPixels();
    const D3DVIEWPORT9& vp = state_.viewport;
    cache_.enable(GL_SCISSOR_TEST, true);
    glScissor(GLint(vp.X), GLint(vp.Y), GLsizei(vp.Width), GLsizei(vp.Height));
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
      D3DCOLORVALUE c = colorValue(color);
      cache_.colorMask(true, true, true, true);
      glClearColor(c.r, c.g, c.b, targetHasAlpha() ? c.a : 1.0f);
      mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
      cache_.depthMask(true);
      glClearDepth(z);
      mask |= GL_DEPTH_BUFFER_BIT;
    }
    glClear(mask);
    cache_.enable(GL_SCISSOR_TEST, false);
    return D3D_OK;
  }

  HRESULT BeginScene() override { return D3D_OK; }
  HRESULT EndScene() override { return D3D_OK; }

  HRESULT Present(const RECT*, const RECT*, HWND, const void*) override {
    DriverTimeScope timed;
    context_->use();
    if (pixelQueryActive_) {
      glEndQuery(GL_SAMPLES_PASSED);
      pixelQueryActive_ = false;
      GLuint64 written = 0;
      glGetQueryObjectui64v(pixelQuery_, GL_QUERY_RESULT, &written);
      addDriverPixels(written);
    }
    if (context_->hasWindow()) {
      int dw = 0, dh = 0;
      context_->drawableSize(&dw, &dh);
      int x0 = 0, y0 = 0, x1 = dw, y1 = dh;
      UINT w = params_.BackBufferWidth, h = params_.BackBufferHeight;
      if (!params_.Windowed && dw > 0 && dh > 0) {
        // Full screen keeps the picture's shape, centred with black bars.
        double scale = std::min(double(dw) / w, double(dh) / h);
        int sw = int(w * scale + 0.5), sh = int(h * scale + 0.5);
        x0 = (dw - sw) / 2;
        y0 = (dh - sh) / 2;
        x1 = x0 + sw;
        y1 = y0 + sh;
      }
      cache_.bindDrawFramebuffer(0);
      cache_.enable(GL_SCISSOR_TEST, false);
      cache_.colorMask(true, true, true, true);
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      cache_.bindReadFramebuffer(framebuffer_);
      // The window's row 0 is at the bottom.
      glBlitFramebuffer(0, 0, GLint(w), GLint(h), x0, y1, x1, y0, GL_COLOR_BUFFER_BIT, GL_LINEAR);
      context_->swap();
    } else {
      glFlush();
    }
    return D3D_OK;
  }

  HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE,
                        IDirect3DSurface9** surface) override {
    if (!surface || swapChain != 0 || index != 0) {
      return D3DERR_INVALIDCALL;
    }
    backBuffer_->AddRef();
    *surface = backBuffer_;
    return D3D_OK;
  }

  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* shared) override {
    // The base's checks, then the same surface with a pixel-pack buffer beside it.
    HRESULT checked =
        DeviceBase::CreateOffscreenPlainSurface(width, height, format, pool, surface, shared);
    if (FAILED(checked)) {
      return checked;
    }
    (*surface)->Release();
    context_->use();
    *surface = new GlReadbackSurface(context_, width, height, format);
    return D3D_OK;
  }

  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget,
                              IDirect3DSurface9* destination) override {
    auto* out = dynamic_cast<GlReadbackSurface*>(destination);
    GLuint framebuffer = renderTarget ? framebufferOf(renderTarget) : 0;
    SurfaceSize from = surfaceSize(renderTarget);
    if (!out || !framebuffer) {
      return DeviceBase::GetRenderTargetData(renderTarget, destination);
    }
    if (from.width != out->width() || from.height != out->height()) {
      return D3DERR_INVALIDCALL;
    }
    DriverTimeScope timed;
    out->readFrom(framebuffer);
    return D3D_OK;
  }

  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override {
    if (index != 0 || !surface || !framebufferOf(surface)) {
      return D3DERR_INVALIDCALL;
    }
    setTarget(surface);
    return D3D_OK;
  }

  // Resources

  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override {
    if (!texture || shared || width == 0 || height == 0 || width > 8192 || height > 8192 ||
        !MemoryTexture::supportsFormat(format)) {
      return D3DERR_INVALIDCALL;
    }
    context_->use();
    *texture = new GlTexture(context_, width, height, levels, usage, format, pool, depth_);
    return D3D_OK;
  }

  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, HANDLE* shared) override {
    if (!buffer || shared || length == 0) {
      return D3DERR_INVALIDCALL;
    }
    context_->use();
    *buffer = new GlVertexBuffer(
        context_,
        D3DVERTEXBUFFER_DESC{D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf});
    return D3D_OK;
  }

  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* shared) override {
    if (!buffer || shared || length == 0 ||
        (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
      return D3DERR_INVALIDCALL;
    }
    context_->use();
    *buffer = new GlIndexBuffer(
        context_, D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, length});
    return D3D_OK;
  }

  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override {
    GLenum mode;
    auto* buffer = static_cast<GlVertexBuffer*>(state_.streamSource);
    if (!buffer || !primitiveMode(type, &mode)) {
      return D3DERR_INVALIDCALL;
    }
    UINT count = vertexCountOfPrimitives(type, primitiveCount);
    if (count == 0) {
      return D3D_OK;
    }
    // The preparation sends state to the driver; its own arithmetic is a small part of it.
    DriverTimeScope timed;
    if (!prepareDraw(buffer->name(), state_.streamOffset, state_.streamStride)) {
      return D3DERR_INVALIDCALL;
    }
    glDrawArrays(mode, GLint(startVertex), GLsizei(count));
    return D3D_OK;
  }

  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minIndex,
                               UINT vertexCount, UINT startIndex, UINT primitiveCount) override {
    GLenum mode;
    auto* buffer = static_cast<GlVertexBuffer*>(state_.streamSource);
    auto* indices = static_cast<GlIndexBuffer*>(state_.indices);
    if (!buffer || !indices || !primitiveMode(type, &mode)) {
      return D3DERR_INVALIDCALL;
    }
    UINT count = vertexCountOfPrimitives(type, primitiveCount);
    if (count == 0) {
      return D3D_OK;
    }
    bool wide = indices->desc().Format == D3DFMT_INDEX32;
    size_t indexSize = wide ? 4 : 2;
    if ((size_t(startIndex) + count) * indexSize > indices->bytes().size()) {
      return D3DERR_INVALIDCALL;
    }
    DriverTimeScope timed;
    if (!prepareDraw(buffer->name(), state_.streamOffset, state_.streamStride)) {
      return D3DERR_INVALIDCALL;
    }
    cache_.bindElementBuffer(indices->name());
    const GLenum indexType = wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    const void* first = reinterpret_cast<const void*>(size_t(startIndex) * indexSize);
    if (vertexCount > 0) {
      // The range spares the driver a scan of the indices for their bounds.
      glDrawRangeElementsBaseVertex(mode, minIndex, minIndex + vertexCount - 1, GLsizei(count),
                                    indexType, first, baseVertexIndex);
    } else {
      glDrawElementsBaseVertex(mode, GLsizei(count), indexType, first, baseVertexIndex);
    }
    return D3D_OK;
  }

  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                          UINT stride) override {
    GLenum mode;
    if (!vertices || stride == 0 || !primitiveMode(type, &mode)) {
      return D3DERR_INVALIDCALL;
    }
    unbindStream();
    UINT count = vertexCountOfPrimitives(type, primitiveCount);
    if (count == 0) {
      return D3D_OK;
    }
    DriverTimeScope timed;
    context_->use();
    cache_.bindArrayBuffer(scratch_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count) * stride, vertices, GL_STREAM_DRAW);
    if (!prepareDraw(scratch_, 0, stride)) {
      return D3DERR_INVALIDCALL;
    }
    glDrawArrays(mode, 0, GLsizei(count));
    return D3D_OK;
  }

  // Shader files

  unsigned compileFxProgram(const std::string& vertex, const std::string& fragment,
                            const std::vector<FxParameter>& parameters, std::string* log) override {
    context_->use();
    return fxPrograms_.compile(vertex, fragment, parameters, log);
  }

  void deleteFxProgram(unsigned program) override {
    context_->use();
    if (program == fxProgram_) {
      useFxProgram(0, nullptr);
    }
    fxPrograms_.remove(program);
  }

  void useFxProgram(unsigned program, const std::vector<FxValue>* values) override {
    fxProgram_ = values ? program : 0;
    fxValues_ = fxProgram_ ? values : nullptr;
  }

  bool needsClipFallback() const override { return !clipControl_; }

 private:
  GLuint framebufferOf(IDirect3DSurface9* surface) const {
    if (surface == backBuffer_) {
      return framebuffer_;
    }
    auto* level = dynamic_cast<TextureSurface*>(surface);
    auto* texture = level ? dynamic_cast<GlTexture*>(level->texture()) : nullptr;
    return texture && level->level() == 0 ? texture->framebuffer() : 0;
  }

  void targetChanged() override {
    targetFramebuffer_ = framebufferOf(target_);
    D3DSURFACE_DESC desc{};
    targetHasAlpha_ = !(SUCCEEDED(target_->GetDesc(&desc)) && desc.Format == D3DFMT_X8R8G8B8);
    bindTarget();
  }

  bool targetHasAlpha() const { return targetHasAlpha_; }

  void bindTarget() {
    context_->use();
    cache_.bindFramebuffer(targetFramebuffer_);
  }

  FixedProgram& programFor(const FixedFunctionKey& key) {
    auto found = programs_.find(key);
    if (found == programs_.end()) {
      found = programs_.emplace(key, linkFixedProgram(cache_, key)).first;
    }
    return found->second;
  }

  // While driver work is counted, an occlusion query spans each frame, from its first clear
  // or draw to its Present.
  void countPixels() {
    if (!countingDriverWork() || pixelQueryActive_) {
      return;
    }
    if (!pixelQuery_) {
      glGenQueries(1, &pixelQuery_);
    }
    glBeginQuery(GL_SAMPLES_PASSED, pixelQuery_);
    pixelQueryActive_ = true;
  }

  bool prepareDraw(GLuint vertexBuffer, UINT offset, UINT stride) {
    DWORD fvf = state_.fvf;
    if ((fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ) {
      return false;
    }
    if (stride == 0) {
      stride = vertexSizeOfFvf(fvf);
    }
    bindTarget();
    countPixels();
    const D3DVIEWPORT9& vp = state_.viewport;
    cache_.viewport(GLint(vp.X), GLint(vp.Y), GLsizei(vp.Width), GLsizei(vp.Height));
    // Direct3D 9 puts pixel centres on integer coordinates: the picture moves half a pixel
    // right and down. A shade less than half, so that edges through pixel centres fall to the
    // top-left as Direct3D's fill rule has them, whatever OpenGL's own tie-break.
    const float shift = 1.0f - 1.0f / 128.0f;
    const float offsetX = vp.Width ? shift / vp.Width : 0.0f;
    const float offsetY = vp.Height ? -shift / vp.Height : 0.0f;

    if (fxProgram_) {
      auto textureName = [](IDirect3DBaseTexture9* texture) -> GLuint {
        auto* gl = dynamic_cast<GlTexture*>(texture);
        return gl ? gl->name() : 0;
      };
      if (!fxPrograms_.use(fxProgram_, *fxValues_, offsetX, offsetY, textureName)) {
        return false;
      }
      applyRasterState();
      bindVertices(vertexBuffer, fvf, offset, stride);
      return true;
    }

    if (shaderStateChanged_ || !fixedProgram_) {
      // The key and the stages' textures stay as they are until a state they come from changes.
      bool bound[kMaxFixedStages];
      for (int s = 0; s < kMaxFixedStages; ++s) {
        auto* texture = dynamic_cast<GlTexture*>(state_.textures[s]);
        bound[s] = texture != nullptr;
        stageTextures_[s] = texture ? texture->name() : 0;
      }
      const int lights = gatherLights(nullptr, nullptr, nullptr);
      FixedFunctionKey key = makeFixedFunctionKey(state_, fvf, bound, lights, !clipControl_);
      fixedProgram_ = &programFor(key);
      fixedProgram_->lighting = key.lighting;
      fixedProgram_->stages = key.stageCount;
      shaderStateChanged_ = false;
    }
    FixedProgram& program = *fixedProgram_;
    if (!program.id) {
      return false;
    }
    cache_.useProgram(program.id);
    FixedUniforms& sent = program.sent;

    Mat4 worldView = state_.world * state_.view;
    Mat4 worldViewProj = worldView * state_.projection;
    sendChanged(sent.worldViewProj, &worldViewProj.m[0][0], 16, [&] {
      glUniformMatrix4fv(program.worldViewProj, 1, GL_FALSE, sent.worldViewProj);
    });
    const float pixelOffset[2] = {offsetX, offsetY};
    sendChanged(sent.pixelOffset, pixelOffset, 2,
                [&] { glUniform2fv(program.pixelOffset, 1, sent.pixelOffset); });
    float color[4];
    if (program.lighting) {
      sendChanged(sent.normalMatrix, normalMatrix(worldView), 9, [&] {
        glUniformMatrix3fv(program.normalMatrix, 1, GL_FALSE, sent.normalMatrix);
      });
      copyColor(color, state_.material.Diffuse);
      sendChanged(sent.matDiffuse, color, 4,
                  [&] { glUniform4fv(program.matDiffuse, 1, sent.matDiffuse); });
      copyColor(color, state_.material.Ambient);
      sendChanged(sent.matAmbient, color, 4,
                  [&] { glUniform4fv(program.matAmbient, 1, sent.matAmbient); });
      copyColor(color, state_.material.Emissive);
      sendChanged(sent.matEmissive, color, 4,
                  [&] { glUniform4fv(program.matEmissive, 1, sent.matEmissive); });
      float lightDirs[kMaxFixedLights * 3], lightDiffuse[kMaxFixedLights * 3];
      D3DCOLORVALUE ambient;
      const int lights = gatherLights(lightDirs, lightDiffuse, &ambient);
      const float ambient3[3] = {ambient.r, ambient.g, ambient.b};
      sendChanged(sent.ambient, ambient3, 3,
                  [&] { glUniform3fv(program.ambient, 1, sent.ambient); });
      if (lights > 0) {
        sendChanged(sent.lightDir, lightDirs, size_t(lights) * 3,
                    [&] { glUniform3fv(program.lightDir, lights, sent.lightDir); });
        sendChanged(sent.lightDiffuse, lightDiffuse, size_t(lights) * 3,
                    [&] { glUniform3fv(program.lightDiffuse, lights, sent.lightDiffuse); });
      }
    }
    copyColor(color, colorValue(state_.renderState(D3DRS_TEXTUREFACTOR)));
    sendChanged(sent.tFactor, color, 4, [&] { glUniform4fv(program.tFactor, 1, sent.tFactor); });
    D3DCOLORVALUE fog = colorValue(state_.renderState(D3DRS_FOGCOLOR));
    const float fogColor[3] = {fog.r, fog.g, fog.b};
    sendChanged(sent.fogColor, fogColor, 3,
                [&] { glUniform3fv(program.fogColor, 1, sent.fogColor); });
    float fogStart = state_.renderStateFloat(D3DRS_FOGSTART);
    float fogEnd = state_.renderStateFloat(D3DRS_FOGEND);
    float range = fogEnd - fogStart;
    const float fog3[3] = {fogStart, range != 0 ? 1.0f / range : 0.0f,
                           state_.renderStateFloat(D3DRS_FOGDENSITY)};
    sendChanged(sent.fog, fog3, 3, [&] { glUniform3fv(program.fog, 1, sent.fog); });
    sendChanged(&sent.fogEnd, &fogEnd, 1, [&] { glUniform1f(program.fogEnd, sent.fogEnd); });
    const float alphaRef = float(state_.renderState(D3DRS_ALPHAREF) & 0xFF);
    sendChanged(&sent.alphaRef, &alphaRef, 1,
                [&] { glUniform1f(program.alphaRef, sent.alphaRef); });

    // Stages past the shader's last are never sampled: their textures and samplers may wait.
    for (int s = 0; s < program.stages; ++s) {
      cache_.bindTexture(GLuint(s), stageTextures_[s]);
      cache_.bindSampler(GLuint(s), samplers_[s]);
      updateSampler(s);
    }

    applyRasterState();
    bindVertices(vertexBuffer, fvf, offset, stride);
    return true;
  }

  // The enabled lights (at most kMaxFixedLights), and for those the shader lights with, their
  // direction towards the light in camera space (the view's rotation of -direction) and their
  // colour; the ambient colour adds every enabled light's ambient. Pointers may be null.
  int gatherLights(float* directions, float* diffuse, D3DCOLORVALUE* ambientOut) const {
    D3DCOLORVALUE ambient = colorValue(state_.renderState(D3DRS_AMBIENT));
    int lights = 0;
    for (const auto& [index, enabled] : state_.lightEnabled) {
      if (!enabled || lights == kMaxFixedLights) {
        continue;
      }
      const D3DLIGHT9& light = state_.lights.at(index);
      ambient.r += light.Ambient.r;
      ambient.g += light.Ambient.g;
      ambient.b += light.Ambient.b;
      if (light.Type != D3DLIGHT_DIRECTIONAL) {
        continue;
      }
      if (directions) {
        const D3DMATRIX& v = state_.view;
        Vec3 d = light.Direction;
        Vec3 dir(d.x * v._11 + d.y * v._21 + d.z * v._31, d.x * v._12 + d.y * v._22 + d.z * v._32,
                 d.x * v._13 + d.y * v._23 + d.z * v._33);
        Vec3 toLight;
        D3DXVec3Normalize(&toLight, &dir);
        toLight = -toLight;
        directions[lights * 3 + 0] = toLight.x;
        directions[lights * 3 + 1] = toLight.y;
        directions[lights * 3 + 2] = toLight.z;
      }
      if (diffuse) {
        diffuse[lights * 3 + 0] = light.Diffuse.r;
        diffuse[lights * 3 + 1] = light.Diffuse.g;
        diffuse[lights * 3 + 2] = light.Diffuse.b;
      }
      ++lights;
    }
    if (ambientOut) {
      *ambientOut = ambient;
    }
    return lights;
  }

  // The inverse transpose of the world-view's linear part, recomputed only when it changes.
  const float* normalMatrix(const Mat4& worldView) {
    Mat4 linear = worldView;
    linear._41 = linear._42 = linear._43 = 0;
    if (normalKnown_ && std::memcmp(&linear, &normalSource_, sizeof linear) == 0) {
      return normal3_;
    }
    Mat4 inverse, normal;
    if (D3DXMatrixInverse(&inverse, nullptr, &linear)) {
      D3DXMatrixTranspose(&normal, &inverse);
    } else {
      normal = linear;
    }
    const float n[9] = {normal._11, normal._12, normal._13, normal._21, normal._22,
                        normal._23, normal._31, normal._32, normal._33};
    std::memcpy(normal3_, n, sizeof n);
    normalSource_ = linear;
    normalKnown_ = true;
    return normal3_;
  }

  // Sends the parameters of stage s's sampler that changed since the last draw.
  void updateSampler(int s) {
    SentSampler& sent = sentSamplers_[s];
    GLuint sampler = samplers_[s];
    auto update = [&](DWORD& known, D3DSAMPLERSTATETYPE type, GLenum parameter,
                      GLenum (*mode)(DWORD)) {
      DWORD value = state_.sampler(s, type);
      if (value != known) {
        glSamplerParameteri(sampler, parameter, GLint(mode(value)));
        known = value;
      }
    };
    update(sent.min, D3DSAMP_MINFILTER, GL_TEXTURE_MIN_FILTER, filterMode);
    update(sent.mag, D3DSAMP_MAGFILTER, GL_TEXTURE_MAG_FILTER, filterMode);
    update(sent.addressU, D3DSAMP_ADDRESSU, GL_TEXTURE_WRAP_S, addressMode);
    update(sent.addressV, D3DSAMP_ADDRESSV, GL_TEXTURE_WRAP_T, addressMode);
    DWORD border = state_.sampler(s, D3DSAMP_BORDERCOLOR);
    if (!sent.borderSent || border != sent.border) {
      D3DCOLORVALUE c = colorValue(border);
      const float borderColor[4] = {c.r, c.g, c.b, c.a};
      glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, borderColor);
      sent.border = border;
      sent.borderSent = true;
    }
  }

  void applyRasterState() {
    const bool depthTest = state_.renderState(D3DRS_ZENABLE) != D3DZB_FALSE;
    cache_.enable(GL_DEPTH_TEST, depthTest);
    if (depthTest) {
      cache_.depthFunc(compareFunc(state_.renderState(D3DRS_ZFUNC)));
    }
    cache_.depthMask(state_.renderState(D3DRS_ZWRITEENABLE) != 0);

    switch (state_.renderState(D3DRS_CULLMODE)) {
      case D3DCULL_CW:
        cache_.enable(GL_CULL_FACE, true);
        cache_.cullFace(GL_FRONT);
        break;
      case D3DCULL_CCW:
        cache_.enable(GL_CULL_FACE, true);
        cache_.cullFace(GL_BACK);
        break;
      default:
        cache_.enable(GL_CULL_FACE, false);
        break;
    }

    const bool blend = state_.renderState(D3DRS_ALPHABLENDENABLE) != 0;
    cache_.enable(GL_BLEND, blend);
    if (blend) {
      GLenum src = blendFactor(state_.renderState(D3DRS_SRCBLEND));
      GLenum dst = blendFactor(state_.renderState(D3DRS_DESTBLEND));
      GLenum op = blendEquation(state_.renderState(D3DRS_BLENDOP));
      if (state_.renderState(D3DRS_SEPARATEALPHABLENDENABLE)) {
        cache_.blendFunc(src, dst, blendFactor(state_.renderState(D3DRS_SRCBLENDALPHA)),
                         blendFactor(state_.renderState(D3DRS_DESTBLENDALPHA)));
        cache_.blendEquation(op, blendEquation(state_.renderState(D3DRS_BLENDOPALPHA)));
      } else {
        cache_.blendFunc(src, dst, src, dst);
        cache_.blendEquation(op, op);
      }
    }

    DWORD write = state_.renderState(D3DRS_COLORWRITEENABLE);
    cache_.colorMask(write & 1, write & 2, write & 4, (write & 8) && targetHasAlpha());
  }

  void bindVertices(GLuint buffer, DWORD fvf, UINT base, UINT stride) {
    if (cache_.sameVertexLayout(VertexLayout{buffer, fvf, base, stride})) {
      return;
    }
    cache_.bindArrayBuffer(buffer);
    auto at = [base](size_t offset) { return reinterpret_cast<const void*>(base + offset); };
    size_t offset = 0;
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, GLsizei(stride), at(offset));
    offset += 12;
    auto attribute = [&](GLuint location, bool present, GLint size, GLenum type,
                         GLboolean normalised, size_t bytes) {
      if (present) {
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, type, normalised, GLsizei(stride), at(offset));
        offset += bytes;
      } else {
        glDisableVertexAttribArray(location);
      }
    };
    attribute(1, fvf & D3DFVF_NORMAL, 3, GL_FLOAT, GL_FALSE, 12);
    if (fvf & D3DFVF_PSIZE) {
      offset += 4;
    }
    // D3DCOLOR is blue, green, red, alpha in memory.
    attribute(2, fvf & D3DFVF_DIFFUSE, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
    if (fvf & D3DFVF_SPECULAR) {
      offset += 4;
    }
    DWORD coords = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    attribute(3, coords > 0, 2, GL_FLOAT, GL_FALSE, 8);
    attribute(4, coords > 1, 2, GL_FLOAT, GL_FALSE, 8);
  }

  SharedContext context_;
  D3DPRESENT_PARAMETERS params_;
  bool clipControl_;
  GLuint vao_ = 0, scratch_ = 0, framebuffer_ = 0, color_ = 0, depth_ = 0;
  GlStateCache& cache_;
  GLuint pixelQuery_ = 0;
  bool pixelQueryActive_ = false;
  GLuint samplers_[kMaxFixedStages] = {};
  SentSampler sentSamplers_[kMaxFixedStages];
  GLuint stageTextures_[kMaxFixedStages] = {};
  FixedProgram* fixedProgram_ = nullptr;
  Mat4 normalSource_;
  float normal3_[9] = {};
  bool normalKnown_ = false;
  GlBackBuffer* backBuffer_ = nullptr;
  GLuint targetFramebuffer_ = 0;
  bool targetHasAlpha_ = true;
  GlFxPrograms fxPrograms_;
  GLuint fxProgram_ = 0;
  const std::vector<FxValue>* fxValues_ = nullptr;
  std::unordered_map<FixedFunctionKey, FixedProgram, FixedFunctionKeyHash> programs_;
};

class GlDirect3D : public RefCounted<IDirect3D9> {
 public:
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
    auto& system = windowSystem();
    int w = system.screenWidth(), h = system.screenHeight();
    if (adapter != D3DADAPTER_DEFAULT || !mode || w <= 0 || h <= 0) {
      return D3DERR_NOTAVAILABLE;
    }
    *mode = D3DDISPLAYMODE{UINT(w), UINT(h), 0, D3DFMT_X8R8G8B8};
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE, HWND focusWindow, DWORD,
                       D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override {
    if (!device || !params || adapter != D3DADAPTER_DEFAULT) {
      return D3DERR_INVALIDCALL;
    }
    *device = nullptr;
    HWND window = params->hDeviceWindow ? params->hDeviceWindow : focusWindow;
    // The desktop host's window system is SDL's, so its native windows are SDL windows.
    SDL_Window* native = nullptr;
    if (host().graphics == GraphicsOutput::Window) {
      native = static_cast<SDL_Window*>(windowSystem().nativeWindow(window));
    }
    std::string error;
    std::shared_ptr<GlContext> context =
        native ? createWindowContext(native, &error) : createHeadlessContext(&error);
    if (!context) {
      // Callers try again with other flags; the reason is the same, said once.
      if (error != lastError_) {
        debugOutput(error + "\n");
        lastError_ = error;
      }
      return D3DERR_NOTAVAILABLE;
    }
    context->use();
    if (epoxy_gl_version() < 33) {
      debugOutput("OpenGL 3.3 is needed, this machine has " +
                  std::to_string(epoxy_gl_version() / 10) + "." +
                  std::to_string(epoxy_gl_version() % 10) + "\n");
      return D3DERR_NOTAVAILABLE;
    }
    bool clipControl = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
    auto* created = new GlDevice(context, *params, clipControl);
    if (!created->initialise()) {
      created->Release();
      return D3DERR_NOTAVAILABLE;
    }
    *device = created;
    return D3D_OK;
  }

 private:
  std::string lastError_;
};

}  // namespace

IDirect3D9* createOpenGlDirect3D() {
  return new GlDirect3D;
}

}  // namespace korvel::platform
