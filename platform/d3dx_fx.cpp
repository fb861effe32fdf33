#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "platform/d3d9_resources.h"
#include "platform/d3d9_state_block.h"
#include "platform/d3dx.h"
#include "platform/fx_file.h"
#include "platform/fx_host.h"

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

const char* glslType(FxParameterType type) {
  switch (type) {
    case FxParameterType::Matrix:
      return "mat4";
    case FxParameterType::Vector:
      return "vec4";
    case FxParameterType::Float:
      return "float";
    default:
      return "sampler2D";
  }
}

std::string declarations(const FxDescription& effect) {
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

std::string withLines(const FxShaderStage& stage) {
  if (stage.code.empty()) {
    return "";
  }
  return "#line " + std::to_string(stage.firstLine) + "\n" + stage.code;
}

std::string vertexSource(const FxDescription& effect, const FxPass& pass, bool fallback) {
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

std::string fragmentSource(const FxDescription& effect, const FxPass& pass) {
  std::ostringstream s;
  s << "#version 330 core\n"
       "out vec4 fragColor;\n"
    << declarations(effect) << withLines(effect.common) << withLines(pass.fragment);
  return s.str();
}

// A shader file compiled for one device: its passes' programs and its parameters' values.
class CompiledFx : public RefCounted<ID3DXEffect> {
 public:
  CompiledFx(IDirect3DDevice9* device, FxDescription description)
      : device_(device), host_(dynamic_cast<FxHost*>(device)), fx_(std::move(description)) {
    device_->AddRef();
    for (const auto& p : fx_.parameters) {
      size_t floats = p.type == FxParameterType::Matrix   ? 16
                      : p.type == FxParameterType::Vector ? 4
                      : p.type == FxParameterType::Float  ? 1
                                                          : 0;
      values_.emplace_back().floats.assign(floats * size_t(p.count), 0.0f);
    }
  }

  ~CompiledFx() override {
    if (host_ && active_) {
      host_->useFxProgram(0, nullptr);
    }
    for (auto& value : values_) {
      if (value.texture) {
        value.texture->Release();
      }
    }
    if (host_) {
      for (unsigned program : programs_) {
        host_->deleteFxProgram(program);
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
    for (const auto& technique : fx_.techniques) {
      for (const auto& pass : technique.passes) {
        std::string log;
        unsigned program = host_->compileFxProgram(vertexSource(fx_, pass, fallback),
                                                   fragmentSource(fx_, pass), fx_.parameters, &log);
        if (!program) {
          *errors += source + ": technique " + technique.name + ", pass " + pass.name +
                     " (line numbers are the file's):\n" + log;
          return false;
        }
        programs_.push_back(program);
      }
    }
    return true;
  }

  HRESULT SetTechnique(D3DXHANDLE name) override {
    for (size_t i = 0; name && i < fx_.techniques.size(); ++i) {
      if (fx_.techniques[i].name == name) {
        technique_ = i;
        return D3D_OK;
      }
    }
    return D3DERR_INVALIDCALL;
  }

  HRESULT Begin(UINT* passes, DWORD flags) override {
    const FxTechnique& technique = fx_.techniques[technique_];
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
    const FxTechnique& technique = fx_.techniques[technique_];
    if (!begun_ || index >= technique.passes.size()) {
      return D3DERR_INVALIDCALL;
    }
    for (const auto& [state, value] : technique.passes[index].states) {
      device_->SetRenderState(state, value);
    }
    if (host_) {
      size_t first = 0;
      for (size_t t = 0; t < technique_; ++t) {
        first += fx_.techniques[t].passes.size();
      }
      host_->useFxProgram(programs_[first + index], &values_);
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
      host_->useFxProgram(0, nullptr);
      active_ = false;
    }
    saved_.reset();  // puts the saved states back
    begun_ = false;
    return D3D_OK;
  }

  HRESULT SetMatrix(D3DXHANDLE name, const D3DXMATRIX* matrix) override {
    return matrix ? setFloats(name, FxParameterType::Matrix, &matrix->m[0][0], 16)
                  : D3DERR_INVALIDCALL;
  }
  HRESULT SetVector(D3DXHANDLE name, const D3DXVECTOR4* vector) override {
    return vector ? setFloats(name, FxParameterType::Vector, &vector->x, 4) : D3DERR_INVALIDCALL;
  }
  HRESULT SetFloatArray(D3DXHANDLE name, const float* values, UINT count) override {
    FxValue* value = find(name, std::nullopt);
    if (!value || !values || value->floats.empty()) {
      return value ? D3DERR_INVALIDCALL : D3D_OK;
    }
    std::copy(values, values + std::min<size_t>(count, value->floats.size()),
              value->floats.begin());
    return D3D_OK;
  }
  HRESULT SetFloat(D3DXHANDLE name, float value) override {
    return setFloats(name, FxParameterType::Float, &value, 1);
  }
  HRESULT SetTexture(D3DXHANDLE name, IDirect3DBaseTexture9* texture) override {
    FxValue* value = find(name, FxParameterType::Texture);
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
  FxValue* find(D3DXHANDLE name, std::optional<FxParameterType> type) {
    if (!name) {
      return nullptr;
    }
    const FxParameter* p = fx_.parameter(name);
    if (!p || (type && p->type != *type)) {
      return nullptr;
    }
    return &values_[size_t(p - fx_.parameters.data())];
  }

  HRESULT setFloats(D3DXHANDLE name, FxParameterType type, const float* data, size_t n) {
    FxValue* value = find(name, type);
    if (value) {
      std::copy(data, data + std::min(n, value->floats.size()), value->floats.begin());
    }
    return D3D_OK;
  }

  IDirect3DDevice9* device_;
  FxHost* host_;
  FxDescription fx_;
  std::vector<FxValue> values_;     // one per parameter, in order
  std::vector<unsigned> programs_;  // every pass of every technique, in order
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
  auto description = parseFx(text.str(), path, &error);
  if (!description) {
    return fail(error);
  }
  auto* created = new CompiledFx(device, std::move(*description));
  if (!created->compile(path, &error)) {
    created->Release();
    return fail(error);
  }
  *effect = created;
  return D3D_OK;
}
