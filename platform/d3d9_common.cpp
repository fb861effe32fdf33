#include "platform/d3d9.h"

#include <cstring>

#include "platform/gl_direct3d.h"
#include "platform/host.h"

namespace korvel::platform {

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

bool readBackBuffer(IDirect3DDevice9* device, std::vector<uint8_t>* pixels, UINT* width,
                    UINT* height) {
  IDirect3DSurface9* surface = nullptr;
  if (!device || FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface))) {
    return false;
  }
  D3DSURFACE_DESC desc{};
  D3DLOCKED_RECT locked{};
  bool ok = SUCCEEDED(surface->GetDesc(&desc)) &&
            SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY));
  if (ok) {
    pixels->resize(size_t(desc.Width) * desc.Height * 4);
    for (UINT y = 0; y < desc.Height; ++y) {
      std::memcpy(pixels->data() + size_t(y) * desc.Width * 4,
                  static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                  size_t(desc.Width) * 4);
    }
    surface->UnlockRect();
    *width = desc.Width;
    *height = desc.Height;
  }
  surface->Release();
  return ok;
}

}  // namespace korvel::platform

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) {
    return nullptr;
  }
  using namespace korvel::platform;
  const auto& provider = host().direct3d;
  return provider ? provider() : createOpenGlDirect3D();
}
