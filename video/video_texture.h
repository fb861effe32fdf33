// The intro film as a texture: any frame of the file decoded on request, stretched to
// 256 x 256 and drawn over the whole screen through a quad layer.
#pragma once

#include <vector>

#include "platform/d3d9.h"
#include "platform/video_file.h"
#include "render/quad_layer.h"

namespace korvel {

class AviStream {
 public:
  // 0, or a negative value after telling the user; the object stays usable either way.
  int open(IDirect3DDevice9* device, const char* path);
  // Decodes `frame` into the texture; a frame that cannot be had leaves the previous one.
  int decodeFrame(int frame);
  void close();

  int frameWidth = 0, frameHeight = 0;
  int frameCount = 0;
  std::vector<uint8_t> dibBits;  // 256 rows of 768 bytes, blue-green-red, bottom row first
  IDirect3DTexture9* texture = nullptr;

  static constexpr int kSide = 256;

 private:
  platform::VideoDecoder decoder_;
};

class VideoTexture {
 public:
  ~VideoTexture();
  // 0, or E_FAIL when the film cannot be opened (after the messages).
  int init(IDirect3DDevice9* device, const char* path);
  void setColour(D3DCOLOR colour);
  int frameCount() const { return stream ? stream->frameCount : 0; }
  // Shows `frame`, clamped to the film, over the whole screen. Returns 0.
  int drawFrame(IDirect3DDevice9* device, int frame);

  AviStream* stream = nullptr;
  QuadLayer* layer = nullptr;
};

}  // namespace korvel
