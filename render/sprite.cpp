#include "render/sprite.h"

#include "platform/debug_output.h"

namespace korvel {

Sprite::~Sprite() {
  if (sprite) {
    sprite->Release();
  }
  if (texture) {
    texture->Release();
  }
}

HRESULT Sprite::load(IDirect3DDevice9** device, const char* path) {
  if (!device || !*device || !path) {
    return E_FAIL;
  }
  if (sprite) {
    sprite->Release();
    sprite = nullptr;
  }
  if (texture) {
    texture->Release();
    texture = nullptr;
  }
  if (FAILED(D3DXCreateTextureFromFileExA(*device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                          D3DUSAGE_RENDERTARGET, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                          D3DX_DEFAULT, D3DX_DEFAULT, colourKey, nullptr, nullptr,
                                          &texture))) {
    texture = nullptr;
    platform::debugOutput("Could not create a texture surface from the following file:\n");
    platform::debugOutput(path);
    platform::debugOutput("\n");
    return E_FAIL;
  }
  fileName = path;
  if (FAILED(D3DXCreateSprite(*device, &sprite))) {
    sprite = nullptr;
    platform::debugOutput("Could not create the sprite\n");
    return E_FAIL;
  }
  return 0;
}

HRESULT Sprite::setColourKey(IDirect3DDevice9** device, D3DCOLOR key) {
  colourKey = key;
  if (!texture) {
    return 0;
  }
  std::string path = fileName;  // load replaces fileName
  return load(device, path.c_str());
}

HRESULT Sprite::draw(IDirect3DDevice9** device, IDirect3DSurface9** backBuffer) {
  if (!device || !*device || !backBuffer || !*backBuffer) {
    return E_FAIL;
  }
  position.x += advance.x;
  position.y += advance.y;
  advance = Vec2(0, 0);
  bool whole = sourceRect.left == 0 && sourceRect.top == 0 && sourceRect.right == 0 &&
               sourceRect.bottom == 0;
  if (!sprite || FAILED(sprite->Draw(texture, whole ? nullptr : &sourceRect, &scale,
                                     &rotationCentre, rotation, &position, colour))) {
    platform::debugOutput("Could not draw the sprite\n");
    return E_FAIL;
  }
  return 0;
}

}  // namespace korvel
