// A texture the timeline renders a scene into before switching back to the back buffer.
#pragma once

#include "platform/d3d9.h"

namespace korvel {

class RenderTarget {
 public:
  // 1 on success.
  int create(IDirect3DDevice9* device, int width, int height);
  // Remembers the current render target, to come back to with select(…, 2).
  int saveBackBuffer(IDirect3DDevice9* device);
  // The texture's surface at `level`, taken once and kept.
  int takeSurface(int level);
  // 0: the texture, 2: the saved target (released then); then clears whatever is current.
  void select(IDirect3DDevice9* device, int which);
  void release();

  IDirect3DTexture9* texture = nullptr;
  IDirect3DSurface9* surface = nullptr;
  IDirect3DSurface9* savedBackBuffer = nullptr;
  int width = 0, height = 0;
};

}  // namespace korvel
