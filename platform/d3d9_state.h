// Everything a Direct3D 9 device remembers between calls, starting from the values Direct3D 9
// gives a new device. States persist from drawing to drawing and frame to frame.
#pragma once

#include <array>
#include <map>

#include "platform/d3d9.h"

namespace korvel::platform {

// The render states that change which fixed-function shader draws, rather than only its
// numbers: lighting and its colour sources, table fog, alpha testing.
bool shapesFixedFunction(D3DRENDERSTATETYPE type);

struct DeviceState {
  DeviceState();

  std::array<DWORD, kRenderStateCount> renderStates{};
  std::array<std::array<DWORD, kTextureStageStateCount>, kTextureStageCount> stageStates{};
  std::array<std::array<DWORD, kSamplerStateCount>, kTextureStageCount> samplerStates{};
  D3DMATRIX world, view, projection;
  D3DMATERIAL9 material{};
  std::map<DWORD, D3DLIGHT9> lights;
  std::map<DWORD, bool> lightEnabled;
  DWORD fvf = 0;
  IDirect3DVertexBuffer9* streamSource = nullptr;
  UINT streamOffset = 0;
  UINT streamStride = 0;
  IDirect3DIndexBuffer9* indices = nullptr;
  std::array<IDirect3DBaseTexture9*, kTextureStageCount> textures{};
  D3DVIEWPORT9 viewport{};

  D3DMATRIX* transform(D3DTRANSFORMSTATETYPE type);
  DWORD renderState(D3DRENDERSTATETYPE type) const { return renderStates[type]; }
  float renderStateFloat(D3DRENDERSTATETYPE type) const;
  DWORD stage(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const { return stageStates[stage][type]; }
  DWORD sampler(DWORD sampler, D3DSAMPLERSTATETYPE type) const {
    return samplerStates[sampler][type];
  }
  // The light Direct3D uses for an index enabled before SetLight: white, along +z.
  static D3DLIGHT9 defaultLight();
};

// Float-valued states (fog start, end, density) travel as their bit patterns.
DWORD floatBits(float value);
float bitsFloat(DWORD bits);

// Reads of a D3DCOLOR as floats in [0, 1].
D3DCOLORVALUE colorValue(D3DCOLOR color);

}  // namespace korvel::platform
