#include "platform/d3d9.h"
#include "platform/gl_direct3d.h"

namespace korvel::platform {

namespace {
Direct3DProvider installedProvider = nullptr;
}

void installDirect3DProvider(Direct3DProvider provider) {
  installedProvider = provider;
}

UINT vertexSizeOfFvf(DWORD fvf) {
  UINT size = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
      size += 12;
      break;
    case D3DFVF_XYZRHW:
      size += 16;
      break;
    default:
      break;
  }
  if (fvf & D3DFVF_NORMAL)
    size += 12;
  if (fvf & D3DFVF_PSIZE)
    size += 4;
  if (fvf & D3DFVF_DIFFUSE)
    size += 4;
  if (fvf & D3DFVF_SPECULAR)
    size += 4;
  size += 8 * ((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  return size;
}

UINT vertexCountOfPrimitives(D3DPRIMITIVETYPE type, UINT count) {
  if (count == 0) {
    return 0;
  }
  switch (type) {
    case D3DPT_POINTLIST:
      return count;
    case D3DPT_LINELIST:
      return count * 2;
    case D3DPT_LINESTRIP:
      return count + 1;
    case D3DPT_TRIANGLELIST:
      return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return count + 2;
    default:
      return 0;
  }
}

}  // namespace korvel::platform

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) {
    return nullptr;
  }
  using namespace korvel::platform;
  return installedProvider ? installedProvider() : createOpenGlDirect3D();
}
