// One rectangle of a texture drawn on the screen through the D3DX sprite, with scale,
// rotation and colour. Diagnostics go to the developer's output, not to the user.
#pragma once

#include <string>

#include "platform/d3dx.h"

namespace korvel {

class Sprite {
 public:
  Sprite() = default;
  virtual ~Sprite();
  Sprite(const Sprite&) = delete;
  Sprite& operator=(const Sprite&) = delete;

  // `device` and `backBuffer` are the addresses of the caller's pointers; a null pointer
  // behind them refuses the work with E_FAIL.
  HRESULT load(IDirect3DDevice9** device, const char* path);
  HRESULT setColourKey(IDirect3DDevice9** device, D3DCOLOR key);
  void setSourceRect(const RECT& rect) { sourceRect = rect; }
  void setScale(const Vec2& s) { scale = s; }
  void setPosition(const Vec2& p) { position = p; }
  Vec2 getPosition() const { return position; }
  HRESULT draw(IDirect3DDevice9** device, IDirect3DSurface9** backBuffer);

  IDirect3DTexture9* texture = nullptr;
  ID3DXSprite* sprite = nullptr;
  RECT sourceRect{0, 0, 0, 0};  // all 0: the whole texture
  std::string fileName;         // of the last successful load
  float rotation = 0;
  Vec2 rotationCentre{0, 0};
  Vec2 scale{1, 1};
  Vec2 position{0, 0};
  D3DCOLOR colourKey = 0xFF000000;
  D3DCOLOR colour = 0xFFFFFFFF;
  Vec2 advance{0, 0};  // added to position at the next draw
};

}  // namespace korvel
