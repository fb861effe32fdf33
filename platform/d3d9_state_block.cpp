#include "platform/d3d9_state_block.h"

namespace korvel::platform {

void StateBlock::saveRenderState(D3DRENDERSTATETYPE state) {
  DWORD value = 0;
  if (SUCCEEDED(device_->GetRenderState(state, &value))) {
    states_.push_back({Saved::Render, 0, state, value});
  }
}

void StateBlock::saveStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
  DWORD value = 0;
  if (SUCCEEDED(device_->GetTextureStageState(stage, type, &value))) {
    states_.push_back({Saved::Stage, stage, type, value});
  }
}

void StateBlock::saveSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) {
  DWORD value = 0;
  if (SUCCEEDED(device_->GetSamplerState(sampler, type, &value))) {
    states_.push_back({Saved::Sampler, sampler, type, value});
  }
}

void StateBlock::saveTransforms() {
  if (transforms_) {
    return;
  }
  transforms_ = true;
  device_->GetTransform(D3DTS_WORLD, &world_);
  device_->GetTransform(D3DTS_VIEW, &view_);
  device_->GetTransform(D3DTS_PROJECTION, &projection_);
}

void StateBlock::saveTexture(DWORD stage) {
  IDirect3DBaseTexture9* texture = nullptr;
  if (SUCCEEDED(device_->GetTexture(stage, &texture))) {
    textures_.emplace_back(stage, texture);
  }
}

void StateBlock::saveVertexInput() {
  if (vertexInput_) {
    return;
  }
  vertexInput_ = true;
  device_->GetFVF(&fvf_);
  device_->GetStreamSource(0, &stream_, &offset_, &stride_);
  device_->GetIndices(&indices_);
}

void StateBlock::restore() {
  for (auto it = states_.rbegin(); it != states_.rend(); ++it) {
    switch (it->kind) {
      case Saved::Render:
        device_->SetRenderState(D3DRENDERSTATETYPE(it->type), it->value);
        break;
      case Saved::Stage:
        device_->SetTextureStageState(it->index, D3DTEXTURESTAGESTATETYPE(it->type), it->value);
        break;
      case Saved::Sampler:
        device_->SetSamplerState(it->index, D3DSAMPLERSTATETYPE(it->type), it->value);
        break;
    }
  }
  states_.clear();
  for (auto it = textures_.rbegin(); it != textures_.rend(); ++it) {
    device_->SetTexture(it->first, it->second);
    if (it->second) {
      it->second->Release();
    }
  }
  textures_.clear();
  if (transforms_) {
    device_->SetTransform(D3DTS_WORLD, &world_);
    device_->SetTransform(D3DTS_VIEW, &view_);
    device_->SetTransform(D3DTS_PROJECTION, &projection_);
    transforms_ = false;
  }
  if (vertexInput_) {
    device_->SetFVF(fvf_);
    device_->SetStreamSource(0, stream_, offset_, stride_);
    device_->SetIndices(indices_);
    if (stream_) {
      stream_->Release();
    }
    if (indices_) {
      indices_->Release();
    }
    stream_ = nullptr;
    indices_ = nullptr;
    vertexInput_ = false;
  }
}

}  // namespace korvel::platform
