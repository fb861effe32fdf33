#include <epoxy/gl.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "platform/d3d9_resources.h"
#include "platform/d3d9_state_block.h"
#include "platform/d3dx.h"
#include "platform/effect_file.h"
#include "platform/effect_host.h"

namespace korvel::platform {

namespace {

class TextBuffer : public RefCounted<ID3DXBuffer> {
 public:
  explicit TextBuffer(const std::string& text) : text_(text.begin(), text.end()) {
    text_.push_back('\0');
  }
  void* GetBufferPointer() override { return text_.data(); }
  DWORD GetBufferSize() override { return DWORD(text_.size()); }

 private:
  std::vector<char> text_;
};

const char* glslType(EffectParameterType type) {
  switch (type) {
    case EffectParameterType::Matrix:
      return "mat4";
    case EffectParameterType::Vector:
      return "vec4";
    case EffectParameterType::Float:
      return "float";
    default:
      return "sampler2D";
  }
}

std::string declarations(const EffectDescription& effect) {
  std::ostringstream s;
  for (const auto& p : effect.parameters) {
    s << "uniform " << glslType(p.type) << " " << p.name;
    if (p.count > 1) {
      s << "[" << p.count << "]";
    }
    s << ";\n";
  }
  // Row vectors, as the matrices were given: mul(v, M) is v * M.
  s << "vec4 mul(vec4 v, mat4 m) { return m * v; }\n"
       "vec3 mul(vec3 v, mat3 m) { return m * v; }\n";
  return s.str();
}

std::string withLines(const EffectShaderStage& stage) {
  if (stage.code.empty()) {
    return "";
  }
  return "#line " + std::to_string(stage.firstLine) + "\n" + stage.code;
}

std::string vertexSource(const EffectDescription& effect, const EffectPass& pass, bool fallback) {
  std::ostringstream s;
  s << "#version 330 core\n"
       "layout(location = 0) in vec3 aPosition;\n"
       "layout(location = 1) in vec3 aNormal;\n"
       "layout(location = 2) in vec4 aColor;\n"
       "layout(location = 3) in vec2 aTexCoord;\n"
       "uniform vec2 korvel_PixelOffset;\n"
    << declarations(effect) << withLines(effect.common) << "#define main effect_main\n"
    << withLines(pass.vertex)
    << "#undef main\n"
       "void main() {\n"
       "  effect_main();\n"
       "  gl_Position.xy += korvel_PixelOffset * gl_Position.w;\n";
  if (fallback) {
    s << "  gl_Position.y = -gl_Position.y;\n"
         "  gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n";
  }
  s << "}\n";
  return s.str();
}

std::string fragmentSource(const EffectDescription& effect, const EffectPass& pass) {
  std::ostringstream s;
  s << "#version 330 core\n"
       "out vec4 fragColor;\n"
    << declarations(effect) << withLines(effect.common) << withLines(pass.fragment);
  return s.str();
}

struct Value {
  std::vector<float> floats;
  IDirect3DBaseTexture9* texture = nullptr;
};

class Effect : public RefCounted<ID3DXEffect> {
 public:
  Effect(IDirect3DDevice9* device, EffectDescription description)
      : device_(device), host_(dynamic_cast<EffectHost*>(device)), effect_(std::move(description)) {
    device_->AddRef();
    for (const auto& p : effect_.parameters) {
      size_t floats = p.type == EffectParameterType::Matrix   ? 16
                      : p.type == EffectParameterType::Vector ? 4
                      : p.type == EffectParameterType::Float  ? 1
                                                              : 0;
      values_[p.name].floats.assign(floats * p.count, 0.0f);
    }
  }

  ~Effect() override {
    if (host_ && active_) {
      host_->useEffectProgram(0, nullptr);
    }
    for (auto& [name, value] : values_) {
      if (value.texture) {
        value.texture->Release();
      }
    }
    if (host_) {
      host_->useContext();
      for (unsigned program : programs_) {
        host_->deleteEffectProgram(program);
      }
      if (!samplers_.empty()) {
        glDeleteSamplers(GLsizei(samplers_.size()), samplers_.data());
      }
    }
    device_->Release();
  }

  // Compiles every pass; false with the reasons in `errors`.
  bool compile(const std::string& source, std::string* errors) {
    if (!host_) {
      return true;  // a device without shaders still runs the passes' states
    }
    bool fallback = host_->needsClipFallback();
    host_->useContext();
    for (const auto& technique : effect_.techniques) {
      for (const auto& pass : technique.passes) {
        std::string log;
        unsigned program = host_->compileEffectProgram(vertexSource(effect_, pass, fallback),
                                                       fragmentSource(effect_, pass), &log);
        if (!program) {
          *errors += source + ": technique " + technique.name + ", pass " + pass.name +
                     " (line numbers are the file's):\n" + log;
          return false;
        }
        programs_.push_back(program);
      }
    }
    for (const auto& p : effect_.parameters) {
      if (p.type == EffectParameterType::Texture) {
        GLuint sampler = 0;
        glGenSamplers(1, &sampler);
        GLenum filter = p.filter == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR;
        GLenum wrap = p.address == D3DTADDRESS_CLAMP    ? GL_CLAMP_TO_EDGE
                      : p.address == D3DTADDRESS_MIRROR ? GL_MIRRORED_REPEAT
                                                        : GL_REPEAT;
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filter);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filter);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrap);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrap);
        samplers_.push_back(sampler);
      }
    }
    return true;
  }

  HRESULT SetTechnique(D3DXHANDLE name) override {
    for (size_t i = 0; name && i < effect_.techniques.size(); ++i) {
      if (effect_.techniques[i].name == name) {
        technique_ = i;
        return D3D_OK;
      }
    }
    return D3DERR_INVALIDCALL;
  }

  HRESULT Begin(UINT* passes, DWORD flags) override {
    const EffectTechnique& technique = effect_.techniques[technique_];
    if (passes) {
      *passes = UINT(technique.passes.size());
    }
    saved_ = std::make_unique<StateBlock>(device_);
    if (flags == 0) {
      for (const auto& pass : technique.passes) {
        for (const auto& [state, value] : pass.states) {
          saved_->saveRenderState(state);
        }
      }
    }
    begun_ = true;
    return D3D_OK;
  }

  HRESULT Pass(UINT index) override {
    const EffectTechnique& technique = effect_.techniques[technique_];
    if (!begun_ || index >= technique.passes.size()) {
      return D3DERR_INVALIDCALL;
    }
    for (const auto& [state, value] : technique.passes[index].states) {
      device_->SetRenderState(state, value);
    }
    if (host_) {
      size_t first = 0;
      for (size_t t = 0; t < technique_; ++t) {
        first += effect_.techniques[t].passes.size();
      }
      host_->useEffectProgram(programs_[first + index],
                              [this](unsigned program) { upload(program); });
      active_ = true;
    }
    return D3D_OK;
  }

  HRESULT BeginPass(UINT index) override { return Pass(index); }
  HRESULT EndPass() override { return begun_ ? D3D_OK : D3DERR_INVALIDCALL; }

  HRESULT End() override {
    if (!begun_) {
      return D3DERR_INVALIDCALL;
    }
    if (host_) {
      host_->useEffectProgram(0, nullptr);
      active_ = false;
    }
    saved_.reset();  // puts the saved states back
    begun_ = false;
    return D3D_OK;
  }

  HRESULT SetMatrix(D3DXHANDLE name, const D3DXMATRIX* matrix) override {
    return matrix ? setFloats(name, EffectParameterType::Matrix, &matrix->m[0][0], 16)
                  : D3DERR_INVALIDCALL;
  }
  HRESULT SetVector(D3DXHANDLE name, const D3DXVECTOR4* vector) override {
    return vector ? setFloats(name, EffectParameterType::Vector, &vector->x, 4)
                  : D3DERR_INVALIDCALL;
  }
  HRESULT SetFloatArray(D3DXHANDLE name, const float* values, UINT count) override {
    Value* value = find(name, std::nullopt);
    if (!value || !values || value->floats.empty()) {
      return value ? D3DERR_INVALIDCALL : D3D_OK;
    }
    std::copy(values, values + std::min<size_t>(count, value->floats.size()),
              value->floats.begin());
    return D3D_OK;
  }
  HRESULT SetFloat(D3DXHANDLE name, float value) override {
    return setFloats(name, EffectParameterType::Float, &value, 1);
  }
  HRESULT SetTexture(D3DXHANDLE name, IDirect3DBaseTexture9* texture) override {
    Value* value = find(name, EffectParameterType::Texture);
    if (!value) {
      return D3D_OK;
    }
    if (texture) {
      texture->AddRef();
    }
    if (value->texture) {
      value->texture->Release();
    }
    value->texture = texture;
    return D3D_OK;
  }

 private:
  // Null for a name the effect does not declare (or of another type), which is ignored.
  Value* find(D3DXHANDLE name, std::optional<EffectParameterType> type) {
    if (!name) {
      return nullptr;
    }
    const EffectParameter* p = effect_.parameter(name);
    if (!p || (type && p->type != *type)) {
      return nullptr;
    }
    return &values_[p->name];
  }

  HRESULT setFloats(D3DXHANDLE name, EffectParameterType type, const float* data, size_t n) {
    Value* value = find(name, type);
    if (value) {
      std::copy(data, data + std::min(n, value->floats.size()), value->floats.begin());
    }
    return D3D_OK;
  }

  void upload(unsigned program) {
    GLint unit = 0;
    size_t sampler = 0;
    for (const auto& p : effect_.parameters) {
      GLint location = glGetUniformLocation(program, p.name.c_str());
      const Value& value = values_[p.name];
      switch (p.type) {
        case EffectParameterType::Matrix:
          glUniformMatrix4fv(location, p.count, GL_FALSE, value.floats.data());
          break;
        case EffectParameterType::Vector:
          glUniform4fv(location, p.count, value.floats.data());
          break;
        case EffectParameterType::Float:
          glUniform1fv(location, p.count, value.floats.data());
          break;
        case EffectParameterType::Texture:
          glActiveTexture(GL_TEXTURE0 + unit);
          glBindTexture(GL_TEXTURE_2D, host_->textureName(value.texture));
          glBindSampler(GLuint(unit), samplers_[sampler++]);
          glUniform1i(location, unit++);
          break;
      }
    }
  }

  IDirect3DDevice9* device_;
  EffectHost* host_;
  EffectDescription effect_;
  std::map<std::string, Value> values_;
  std::vector<unsigned> programs_;  // every pass of every technique, in order
  std::vector<GLuint> samplers_;    // one per texture parameter, in order
  size_t technique_ = 0;
  bool begun_ = false;
  bool active_ = false;
  std::unique_ptr<StateBlock> saved_;
};

}  // namespace

ID3DXBuffer* createTextBuffer(const std::string& text) {
  return new TextBuffer(text);
}

}  // namespace korvel::platform

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, const char* path, const void*, void*,
                                  DWORD, void*, ID3DXEffect** effect, ID3DXBuffer** errors) {
  using namespace korvel::platform;
  if (errors) {
    *errors = nullptr;
  }
  if (!device || !path || !effect) {
    return D3DERR_INVALIDCALL;
  }
  *effect = nullptr;
  auto fail = [errors](const std::string& text) {
    if (errors) {
      *errors = createTextBuffer(text);
    }
    return D3DXERR_INVALIDDATA;
  };
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return fail(std::string(path) + ": error: cannot open the file");
  }
  std::stringstream text;
  text << file.rdbuf();
  std::string error;
  auto description = parseEffect(text.str(), path, &error);
  if (!description) {
    return fail(error);
  }
  auto* created = new Effect(device, std::move(*description));
  if (!created->compile(path, &error)) {
    created->Release();
    return fail(error);
  }
  *effect = created;
  return D3D_OK;
}
