#include "frame_reader.h"

#include <cstring>

namespace korvel::capture {

FrameReader::FrameReader(IDirect3DDevice9* device, UINT width, UINT height)
    : device_(device), width_(width), height_(height) {
  for (auto& surface : surfaces_) {
    ok_ = ok_ && SUCCEEDED(device->CreateOffscreenPlainSurface(
                     width, height, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr));
  }
}

FrameReader::~FrameReader() {
  for (auto* surface : surfaces_) {
    if (surface) {
      surface->Release();
    }
  }
}

std::optional<ReadFrame> FrameReader::read(bool musicPlaying, bool* ok) {
  std::optional<ReadFrame> oldest;
  if (int(inFlight_.size()) == kInFlight) {
    oldest = collect();
  }
  IDirect3DSurface9* backBuffer = nullptr;
  *ok = SUCCEEDED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) &&
        SUCCEEDED(device_->GetRenderTargetData(backBuffer, surfaces_[nextSurface_]));
  if (backBuffer) {
    backBuffer->Release();
  }
  if (*ok) {
    inFlight_.push_back({nextSurface_, musicPlaying});
    nextSurface_ = (nextSurface_ + 1) % kInFlight;
  }
  return oldest;
}

std::optional<ReadFrame> FrameReader::next() {
  if (inFlight_.empty()) {
    return std::nullopt;
  }
  return collect();
}

std::optional<ReadFrame> FrameReader::collect() {
  InFlight frame = inFlight_.front();
  inFlight_.pop_front();
  IDirect3DSurface9* surface = surfaces_[frame.surface];
  D3DLOCKED_RECT locked{};
  if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    ok_ = false;
    return std::nullopt;
  }
  ReadFrame out{std::vector<uint8_t>(size_t(width_) * height_ * 4), frame.musicPlaying};
  for (UINT y = 0; y < height_; ++y) {
    std::memcpy(out.pixels.data() + size_t(y) * width_ * 4,
                static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                size_t(width_) * 4);
  }
  surface->UnlockRect();
  return out;
}

}  // namespace korvel::capture
