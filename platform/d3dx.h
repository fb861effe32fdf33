// The D3DX utility functions the program links in: image loaders, a sprite, an effect
// compiler with its effect runtime, and the matrix builders of d3dx_math.h.
#pragma once

#include "platform/d3d9.h"
#include "platform/d3dx_math.h"

#include <string>

using D3DXVECTOR2 = korvel::Vec2;
using D3DXVECTOR4 = korvel::Vec4;
using D3DXHANDLE = const char*;

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr UINT D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFEu;
constexpr UINT D3DX_FROM_FILE = 0xFFFFFFFDu;
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

struct D3DXIMAGE_INFO {
  UINT Width, Height, Depth, MipLevels;
  D3DFORMAT Format;
};

class ID3DXBuffer : public IUnknown {
 public:
  virtual void* GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};

class ID3DXSprite : public IUnknown {
 public:
  // Draws `source` of `texture` (all of it when null) as a screen rectangle in pixels: scaled,
  // rotated about `rotationCentre` by `rotation` radians, its top-left corner at `translation`,
  // texels multiplied by `color`, alpha-blended. Any of the vectors may be null.
  virtual HRESULT Draw(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR2* scaling,
                       const D3DXVECTOR2* rotationCentre, float rotation,
                       const D3DXVECTOR2* translation, D3DCOLOR color) = 0;
  // Optional around draws; Draw works without them.
  virtual HRESULT Begin() = 0;
  virtual HRESULT End() = 0;
};

class ID3DXEffect : public IUnknown {
 public:
  virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
  // Sets up the current technique and reports its number of passes. Flags 0 saves the states
  // the passes change; End puts them back.
  virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
  virtual HRESULT Pass(UINT pass) = 0;
  virtual HRESULT BeginPass(UINT pass) = 0;
  virtual HRESULT EndPass() = 0;
  virtual HRESULT End() = 0;
  // A name the effect does not declare is ignored.
  virtual HRESULT SetMatrix(D3DXHANDLE name, const D3DXMATRIX* matrix) = 0;
  virtual HRESULT SetVector(D3DXHANDLE name, const D3DXVECTOR4* vector) = 0;
  virtual HRESULT SetFloatArray(D3DXHANDLE name, const float* values, UINT count) = 0;
  virtual HRESULT SetFloat(D3DXHANDLE name, float value) = 0;
  virtual HRESULT SetTexture(D3DXHANDLE name, IDirect3DBaseTexture9* texture) = 0;
};

// A managed texture of the file's size with every level the file's picture could have; only
// level 0 is filled. TGA (plain and run-length), BMP, PNG and JPEG are read.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture);
// As above with the caller's usage, pool and levels; texels whose full ARGB value equals
// `colorKey` become transparent black (a key of 0 keys nothing).
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* path, UINT width,
                                     UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* info, void* palette,
                                     IDirect3DTexture9** texture);
// The same from a file's bytes in memory.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT size,
                                            UINT width, UINT height, UINT mipLevels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                            DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* info, void* palette,
                                            IDirect3DTexture9** texture);

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite);

// Compiles an effect file (the format of docs/fx-files.md). On failure `effect` is null and,
// when there is something to say, `errors` holds the text: file, line and what is wrong.
HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, const char* path, const void* defines,
                                  void* include, DWORD flags, void* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** errors);

namespace korvel::platform {
// A buffer holding `text` with its terminating zero.
ID3DXBuffer* createTextBuffer(const std::string& text);
}  // namespace korvel::platform
