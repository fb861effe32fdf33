#include "platform/gl_fixed_function.h"

#include <sstream>

namespace korvel::platform {

namespace {

bool opUsesArg1(DWORD op) {
  return op != D3DTOP_SELECTARG2 && op != D3DTOP_DISABLE;
}
bool opUsesArg2(DWORD op) {
  return op != D3DTOP_SELECTARG1 && op != D3DTOP_DISABLE;
}

bool readsTexture(DWORD op, DWORD arg1, DWORD arg2) {
  if (op == D3DTOP_BLENDTEXTUREALPHA) {
    return true;
  }
  return (opUsesArg1(op) && (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) ||
         (opUsesArg2(op) && (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE);
}

std::string argument(DWORD arg) {
  std::string base;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
      base = "diffuse";
      break;
    case D3DTA_CURRENT:
      base = "current";
      break;
    case D3DTA_TEXTURE:
      base = "tex";
      break;
    case D3DTA_TFACTOR:
      base = "uTFactor";
      break;
    default:
      base = "vec4(0.0)";
      break;  // no specular colour or temporary register
  }
  if (arg & D3DTA_COMPLEMENT) {
    base = "(vec4(1.0) - " + base + ")";
  }
  if (arg & D3DTA_ALPHAREPLICATE) {
    base = "(" + base + ").aaaa";
  }
  return base;
}

std::string operation(DWORD op, const std::string& a1, const std::string& a2) {
  switch (op) {
    case D3DTOP_SELECTARG1:
      return a1;
    case D3DTOP_SELECTARG2:
      return a2;
    case D3DTOP_MODULATE:
      return a1 + " * " + a2;
    case D3DTOP_MODULATE2X:
      return "2.0 * " + a1 + " * " + a2;
    case D3DTOP_MODULATE4X:
      return "4.0 * " + a1 + " * " + a2;
    case D3DTOP_ADD:
      return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED:
      return a1 + " + " + a2 + " - vec4(0.5)";
    case D3DTOP_ADDSIGNED2X:
      return "2.0 * (" + a1 + " + " + a2 + " - vec4(0.5))";
    case D3DTOP_SUBTRACT:
      return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH:
      return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA:
      return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA:
      return "mix(" + a2 + ", " + a1 + ", tex.a)";
    case D3DTOP_BLENDFACTORALPHA:
      return "mix(" + a2 + ", " + a1 + ", uTFactor.a)";
    case D3DTOP_BLENDCURRENTALPHA:
      return "mix(" + a2 + ", " + a1 + ", current.a)";
    default:
      return a1;
  }
}

const char* comparison(uint8_t func) {
  switch (func) {
    case D3DCMP_NEVER:
      return "false";
    case D3DCMP_LESS:
      return "a < uAlphaRef";
    case D3DCMP_EQUAL:
      return "a == uAlphaRef";
    case D3DCMP_LESSEQUAL:
      return "a <= uAlphaRef";
    case D3DCMP_GREATER:
      return "a > uAlphaRef";
    case D3DCMP_NOTEQUAL:
      return "a != uAlphaRef";
    case D3DCMP_GREATEREQUAL:
      return "a >= uAlphaRef";
    default:
      return "true";
  }
}

}  // namespace

bool isPerspective(const D3DMATRIX& projection) {
  return projection._14 != 0 || projection._24 != 0 || projection._34 != 0 || projection._44 != 1;
}

size_t FixedFunctionKeyHash::operator()(const FixedFunctionKey& key) const {
  // The key is a handful of small fields; hash them in one pass.
  size_t h = 1469598103934665603ull;
  auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
  mix(key.hasNormal | key.hasDiffuse << 1 | key.lighting << 2 | key.normalizeNormals << 3 |
      key.diffuseFromVertex << 4 | key.ambientFromVertex << 5 | key.emissiveFromVertex << 6 |
      key.fogFromEyeDepth << 7 | key.clipFallback << 8);
  mix(key.texCoordCount | key.lightCount << 8 | key.fogMode << 16 | key.stageCount << 24 |
      uint64_t(key.alphaFunc) << 32);
  for (int s = 0; s < key.stageCount; ++s) {
    const auto& st = key.stages[s];
    mix(st.colorOp | st.colorArg1 << 8 | st.colorArg2 << 16 | st.alphaOp << 24 |
        uint64_t(st.alphaArg1) << 32 | uint64_t(st.alphaArg2) << 40 | uint64_t(st.texCoord) << 48 |
        uint64_t(st.selectCurrent) << 56);
  }
  return h;
}

FixedFunctionKey makeFixedFunctionKey(const DeviceState& state, DWORD fvf,
                                      const bool textureBound[kMaxFixedStages], int lightCount,
                                      bool clipFallback) {
  FixedFunctionKey key;
  key.hasNormal = (fvf & D3DFVF_NORMAL) != 0;
  key.hasDiffuse = (fvf & D3DFVF_DIFFUSE) != 0;
  key.texCoordCount = uint8_t(std::min<DWORD>(2, (fvf & D3DFVF_TEXCOUNT_MASK) >> 8));
  key.clipFallback = clipFallback;

  key.lighting = state.renderState(D3DRS_LIGHTING) != FALSE;
  if (key.lighting) {
    key.lightCount = uint8_t(std::min(lightCount, kMaxFixedLights));
    key.normalizeNormals = state.renderState(D3DRS_NORMALIZENORMALS) != FALSE;
    // Only the first vertex colour exists in our formats; the second falls back to the material.
    bool vertexColors = state.renderState(D3DRS_COLORVERTEX) != FALSE && key.hasDiffuse;
    auto fromVertex = [&](D3DRENDERSTATETYPE source) {
      return vertexColors && state.renderState(source) == D3DMCS_COLOR1;
    };
    key.diffuseFromVertex = fromVertex(D3DRS_DIFFUSEMATERIALSOURCE);
    key.ambientFromVertex = fromVertex(D3DRS_AMBIENTMATERIALSOURCE);
    key.emissiveFromVertex = fromVertex(D3DRS_EMISSIVEMATERIALSOURCE);
  }

  DWORD tableFog = state.renderState(D3DRS_FOGTABLEMODE);
  if (state.renderState(D3DRS_FOGENABLE) != FALSE && tableFog >= D3DFOG_EXP &&
      tableFog <= D3DFOG_LINEAR) {
    key.fogMode = uint8_t(tableFog);
    key.fogFromEyeDepth = isPerspective(state.projection);
  }

  for (int s = 0; s < kMaxFixedStages; ++s) {
    DWORD colorOp = state.stage(s, D3DTSS_COLOROP);
    if (colorOp == D3DTOP_DISABLE || colorOp > D3DTOP_BLENDCURRENTALPHA) {
      break;
    }
    FixedStageKey& stage = key.stages[s];
    stage.colorOp = uint8_t(colorOp);
    stage.colorArg1 = uint8_t(state.stage(s, D3DTSS_COLORARG1));
    stage.colorArg2 = uint8_t(state.stage(s, D3DTSS_COLORARG2));
    stage.alphaOp = uint8_t(state.stage(s, D3DTSS_ALPHAOP));
    stage.alphaArg1 = uint8_t(state.stage(s, D3DTSS_ALPHAARG1));
    stage.alphaArg2 = uint8_t(state.stage(s, D3DTSS_ALPHAARG2));
    DWORD coord = state.stage(s, D3DTSS_TEXCOORDINDEX) & 0xFFFF;
    stage.texCoord = uint8_t(coord < key.texCoordCount ? coord : 0);
    key.stageCount = uint8_t(s + 1);
    bool texture = readsTexture(colorOp, stage.colorArg1, stage.colorArg2) ||
                   readsTexture(stage.alphaOp, stage.alphaArg1, stage.alphaArg2);
    if (texture && !textureBound[s]) {
      stage = FixedStageKey{};
      stage.selectCurrent = true;
      break;
    }
  }

  if (state.renderState(D3DRS_ALPHATESTENABLE) != FALSE) {
    DWORD func = state.renderState(D3DRS_ALPHAFUNC);
    key.alphaFunc = uint8_t(func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS ? func : D3DCMP_ALWAYS);
  }
  return key;
}

std::string fixedVertexShader(const FixedFunctionKey& key) {
  std::ostringstream s;
  s << "#version 330 core\n"
       "layout(location = 0) in vec3 aPosition;\n"
       "layout(location = 1) in vec3 aNormal;\n"
       "layout(location = 2) in vec4 aColor;\n"
       "layout(location = 3) in vec2 aTex0;\n"
       "layout(location = 4) in vec2 aTex1;\n"
       "uniform mat4 uWorldViewProj;\n"
       "uniform mat3 uNormalMatrix;\n"
       "uniform vec2 uPixelOffset;\n"
       "uniform vec4 uMatDiffuse;\n"
       "uniform vec4 uMatAmbient;\n"
       "uniform vec4 uMatEmissive;\n"
       "uniform vec3 uAmbient;\n";
  if (key.lightCount > 0) {
    s << "uniform vec3 uLightDir[" << int(key.lightCount) << "];\n"
      << "uniform vec3 uLightDiffuse[" << int(key.lightCount) << "];\n";
  }
  s << "out vec4 vColor;\n"
       "out vec2 vTex0;\n"
       "out vec2 vTex1;\n"
       "out float vFogDepth;\n"
       "void main() {\n"
       "  vec4 clip = uWorldViewProj * vec4(aPosition, 1.0);\n";
  s << "  vFogDepth = " << (key.fogFromEyeDepth ? "clip.w" : "clip.z") << ";\n";
  const char* vertexColor = key.hasDiffuse ? "aColor" : "vec4(1.0)";
  if (!key.lighting) {
    s << "  vColor = " << vertexColor << ";\n";
  } else {
    s << "  vec4 cd = " << (key.diffuseFromVertex ? "aColor" : "uMatDiffuse") << ";\n"
      << "  vec4 ca = " << (key.ambientFromVertex ? "aColor" : "uMatAmbient") << ";\n"
      << "  vec4 ce = " << (key.emissiveFromVertex ? "aColor" : "uMatEmissive") << ";\n"
      << "  vec3 lit = vec3(0.0);\n";
    if (key.lightCount > 0) {
      s << "  vec3 n = " << (key.hasNormal ? "uNormalMatrix * aNormal" : "vec3(0.0)") << ";\n";
      if (key.normalizeNormals) {
        s << "  if (dot(n, n) > 0.0) n = normalize(n);\n";
      }
      s << "  for (int i = 0; i < " << int(key.lightCount) << "; ++i)\n"
        << "    lit += uLightDiffuse[i] * clamp(dot(n, uLightDir[i]), 0.0, 1.0);\n";
    }
    s << "  vColor = vec4(clamp(cd.rgb * lit + ca.rgb * uAmbient + ce.rgb, 0.0, 1.0), "
         "clamp(cd.a, 0.0, 1.0));\n";
  }
  s << "  vTex0 = " << (key.texCoordCount > 0 ? "aTex0" : "vec2(0.0)") << ";\n"
    << "  vTex1 = " << (key.texCoordCount > 1 ? "aTex1" : "vTex0") << ";\n"
    << "  clip.xy += uPixelOffset * clip.w;\n";
  if (key.clipFallback) {
    s << "  clip.y = -clip.y;\n"
         "  clip.z = 2.0 * clip.z - clip.w;\n";
  }
  s << "  gl_Position = clip;\n"
       "}\n";
  return s.str();
}

std::string fixedFragmentShader(const FixedFunctionKey& key) {
  std::ostringstream s;
  s << "#version 330 core\n"
       "in vec4 vColor;\n"
       "in vec2 vTex0;\n"
       "in vec2 vTex1;\n"
       "in float vFogDepth;\n"
       "uniform sampler2D uTexture["
    << kMaxFixedStages
    << "];\n"
       "uniform vec4 uTFactor;\n"
       "uniform vec3 uFogColor;\n"
       "uniform vec3 uFog;\n"  // start, 1 / (end - start), density
       "uniform float uFogEnd;\n"
       "uniform float uAlphaRef;\n"
       "out vec4 fragColor;\n"
       "void main() {\n"
       "  vec4 diffuse = vColor;\n"
       "  vec4 current = diffuse;\n"
       "  vec4 tex = vec4(0.0);\n";
  for (int i = 0; i < key.stageCount; ++i) {
    const FixedStageKey& st = key.stages[i];
    if (st.selectCurrent) {
      break;  // current passes on unchanged, and the stages after are off
    }
    s << "  tex = texture(uTexture[" << i << "], " << (st.texCoord == 0 ? "vTex0" : "vTex1")
      << ");\n";
    s << "  {\n"
      << "    vec3 c = clamp(("
      << operation(st.colorOp, argument(st.colorArg1), argument(st.colorArg2))
      << ").rgb, 0.0, 1.0);\n";
    if (st.alphaOp != D3DTOP_DISABLE) {
      s << "    float a = clamp(("
        << operation(st.alphaOp, argument(st.alphaArg1), argument(st.alphaArg2))
        << ").a, 0.0, 1.0);\n";
    } else {
      s << "    float a = current.a;\n";
    }
    s << "    current = vec4(c, a);\n"
      << "  }\n";
  }
  if (key.alphaFunc != 0) {
    s << "  {\n"
      << "    float a = floor(current.a * 255.0 + 0.5);\n"
      << "    if (!(" << comparison(key.alphaFunc) << ")) discard;\n"
      << "  }\n";
  }
  if (key.fogMode != D3DFOG_NONE) {
    s << "  float d = vFogDepth;\n";
    switch (key.fogMode) {
      case D3DFOG_LINEAR:
        s << "  float f = (uFogEnd - d) * uFog.y;\n";
        break;
      case D3DFOG_EXP:
        s << "  float f = exp(-(d * uFog.z));\n";
        break;
      default:
        s << "  float f = exp(-((d * uFog.z) * (d * uFog.z)));\n";
        break;
    }
    s << "  f = clamp(f, 0.0, 1.0);\n"
         "  current.rgb = f * current.rgb + (1.0 - f) * uFogColor;\n";
  }
  s << "  fragColor = current;\n"
       "}\n";
  return s.str();
}

}  // namespace korvel::platform
