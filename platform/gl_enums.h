// Direct3D 9 state values in OpenGL's terms.
#pragma once

#include <epoxy/gl.h>

#include "platform/d3d9_types.h"

namespace korvel::platform {

inline GLenum blendFactor(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_ONE:
      return GL_ONE;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    default:
      return GL_ONE;
  }
}

inline GLenum blendEquation(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
      return GL_MIN;
    case D3DBLENDOP_MAX:
      return GL_MAX;
    default:
      return GL_FUNC_ADD;
  }
}

inline GLenum compareFunc(DWORD func) {
  switch (func) {
    case D3DCMP_NEVER:
      return GL_NEVER;
    case D3DCMP_LESS:
      return GL_LESS;
    case D3DCMP_EQUAL:
      return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
      return GL_LEQUAL;
    case D3DCMP_GREATER:
      return GL_GREATER;
    case D3DCMP_NOTEQUAL:
      return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
      return GL_GEQUAL;
    default:
      return GL_ALWAYS;
  }
}

inline GLenum addressMode(DWORD mode) {
  switch (mode) {
    case D3DTADDRESS_MIRROR:
      return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    default:
      return GL_REPEAT;
  }
}

inline GLenum filterMode(DWORD filter) {
  return filter == D3DTEXF_LINEAR || filter == D3DTEXF_ANISOTROPIC ? GL_LINEAR : GL_NEAREST;
}

inline bool primitiveMode(D3DPRIMITIVETYPE type, GLenum* mode) {
  switch (type) {
    case D3DPT_POINTLIST:
      *mode = GL_POINTS;
      return true;
    case D3DPT_LINELIST:
      *mode = GL_LINES;
      return true;
    case D3DPT_LINESTRIP:
      *mode = GL_LINE_STRIP;
      return true;
    case D3DPT_TRIANGLELIST:
      *mode = GL_TRIANGLES;
      return true;
    case D3DPT_TRIANGLESTRIP:
      *mode = GL_TRIANGLE_STRIP;
      return true;
    case D3DPT_TRIANGLEFAN:
      *mode = GL_TRIANGLE_FAN;
      return true;
    default:
      return false;
  }
}

}  // namespace korvel::platform
