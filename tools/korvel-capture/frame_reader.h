// Reads presented frames back without waiting for them: each frame is copied into the next of
// a few system-memory surfaces in turn, and a surface is locked (and its frame handed on) only
// when its turn comes round again, by which time the copy has long finished.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/d3d9.h"

namespace korvel::capture {

struct ReadFrame {
  std::vector<uint8_t> pixels;  // BGRA, top row first
  bool musicPlaying = false;
};

class FrameReader {
 public:
  static constexpr int kInFlight = 3;

  FrameReader(IDirect3DDevice9* device, UINT width, UINT height);
  ~FrameReader();
  FrameReader(const FrameReader&) = delete;
  FrameReader& operator=(const FrameReader&) = delete;

  explicit operator bool() const { return ok_; }
  // Starts reading the frame just presented; returns the oldest frame in flight once
  // kInFlight are, or nothing. False in `ok` when the device refused.
  std::optional<ReadFrame> read(bool musicPlaying, bool* ok);
  // The frames still in flight, oldest first.
  std::optional<ReadFrame> next();

 private:
  std::optional<ReadFrame> collect();

  IDirect3DDevice9* device_;
  UINT width_, height_;
  IDirect3DSurface9* surfaces_[kInFlight] = {};
  struct InFlight {
    int surface;
    bool musicPlaying;
  };
  std::deque<InFlight> inFlight_;
  int nextSurface_ = 0;
  bool ok_ = true;
};

}  // namespace korvel::capture
