// Remembers chosen device states and puts them back when it goes, so a helper that draws
// (the sprite, an effect) leaves the frame's persistent states as it found them.
#pragma once

#include <vector>

#include "platform/d3d9.h"

namespace korvel::platform {

class StateBlock {
 public:
  explicit StateBlock(IDirect3DDevice9* device) : device_(device) {}
  ~StateBlock() { restore(); }
  StateBlock(const StateBlock&) = delete;
  StateBlock& operator=(const StateBlock&) = delete;

  void saveRenderState(D3DRENDERSTATETYPE state);
  void saveStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type);
  void saveSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type);
  void saveTransforms();
  void saveTexture(DWORD stage);
  // Vertex format, stream 0 and indices.
  void saveVertexInput();
  // Puts back everything saved, newest first; later calls do nothing until more is saved.
  void restore();

 private:
  struct Saved {
    enum Kind { Render, Stage, Sampler } kind;
    DWORD index, type, value;
  };

  IDirect3DDevice9* device_;
  std::vector<Saved> states_;
  bool transforms_ = false;
  D3DMATRIX world_, view_, projection_;
  std::vector<std::pair<DWORD, IDirect3DBaseTexture9*>> textures_;
  bool vertexInput_ = false;
  DWORD fvf_ = 0;
  IDirect3DVertexBuffer9* stream_ = nullptr;
  UINT offset_ = 0, stride_ = 0;
  IDirect3DIndexBuffer9* indices_ = nullptr;
};

}  // namespace korvel::platform
