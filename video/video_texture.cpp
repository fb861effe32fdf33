#include "video/video_texture.h"

#include "platform/window_system.h"

namespace korvel {

int AviStream::open(IDirect3DDevice9* device, const char* path) {
  if (!path || !decoder_.open(path)) {
    platform::windowSystem().messageBox(nullptr, "Failed To Open The AVI Stream", "Error",
                                        MB_ICONWARNING);
    frameCount = 0;
    return -1;
  }
  frameWidth = decoder_.width();
  frameHeight = decoder_.height();
  frameCount = decoder_.frameCount();
  dibBits.assign(size_t(kSide) * kSide * 3, 0);
  if (FAILED(device->CreateTexture(kSide, kSide, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture,
                                   nullptr))) {
    texture = nullptr;
  }
  return 0;
}

int AviStream::decodeFrame(int frame) {
  if (!decoder_.decodeFrame(frame, kSide, kSide, &dibBits) || !texture) {
    return 0;
  }
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
    return 0;
  }
  // Row for row as the picture is stored: texture row 0 holds the picture's bottom row.
  for (int y = 0; y < kSide; ++y) {
    const uint8_t* source = dibBits.data() + size_t(y) * kSide * 3;
    uint8_t* target = static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch;
    for (int x = 0; x < kSide; ++x, source += 3, target += 4) {
      target[0] = source[0];
      target[1] = source[1];
      target[2] = source[2];
      target[3] = 255;
    }
  }
  texture->UnlockRect(0);
  return 0;
}

void AviStream::close() {
  if (texture) {
    texture->Release();
    texture = nullptr;
  }
  decoder_.close();
}

VideoTexture::~VideoTexture() {
  if (stream) {
    stream->close();
    delete stream;
    stream = nullptr;
  }
  if (layer) {
    layer->release();
    delete layer;
    layer = nullptr;
  }
}

int VideoTexture::init(IDirect3DDevice9* device, const char* path) {
  layer = new QuadLayer;
  layer->build(device, Vec3(0, 0, 0), 50.0f, 50.0f, 1.0f, 1.0f, 0xFFFFFFFF);
  layer->setTexture(nullptr);
  stream = new AviStream;
  if (stream->open(device, path) < 0) {
    platform::windowSystem().messageBox(nullptr, "failed to load movie", "error", MB_OK);
    return E_FAIL;
  }
  return 0;
}

void VideoTexture::setColour(D3DCOLOR colour) {
  if (layer) {
    layer->setColour(colour);
  }
}

int VideoTexture::drawFrame(IDirect3DDevice9* device, int frame) {
  int last = frameCount() - 1;
  if (frame > last) {
    frame = last;
  }
  if (frame < 0) {
    frame = 0;
  }
  if (stream && frameCount() > 0) {
    stream->decodeFrame(frame);
  }
  device->SetTexture(0, stream ? stream->texture : nullptr);
  if (layer) {
    layer->draw2D(device);
  }
  return 0;
}

}  // namespace korvel
