#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "commands.h"
#include "output.h"
#include "platform/image_file.h"
#include "platform/recording_device.h"
#include "video/video_texture.h"

namespace korvel::inspect {

namespace {

// The texture's texels with the picture's top row first, as the film is seen on screen.
std::vector<uint8_t> upright(IDirect3DTexture9* texture) {
  const int side = AviStream::kSide;
  std::vector<uint8_t> picture(size_t(side) * side * 4);
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) {
    return {};
  }
  for (int y = 0; y < side; ++y) {
    const auto* row =
        static_cast<const uint8_t*>(locked.pBits) + size_t(side - 1 - y) * locked.Pitch;
    std::copy(row, row + side * 4, picture.begin() + ptrdiff_t(y) * side * 4);
  }
  texture->UnlockRect(0);
  return picture;
}

}  // namespace

void addAviCommand(CLI::App& app, Command* run) {
  auto* command = app.add_subcommand("avi", "Read a film as the demo's video texture does");
  auto file = std::make_shared<std::string>();
  auto frame = std::make_shared<int>(0);
  auto png = std::make_shared<std::string>();
  command->add_option("FILE", *file, "the film")->required();
  command->add_option("--frame", *frame, "the frame to show, clamped to the film (default 0)");
  command->add_option("--png", *png, "write that frame, as it lands in the texture, to this PNG");
  command->callback([=] {
    *run = [=] {
      // A device in memory: the texture is what a real one would be handed.
      auto* device = new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0);
      int status = 0;
      {
        VideoTexture video;
        if (video.init(device, file->c_str()) != 0) {
          status = 1;
        } else {
          Json out;
          out["frameCount"] = video.frameCount();
          out["width"] = video.stream->frameWidth;
          out["height"] = video.stream->frameHeight;
          if (!png->empty()) {
            video.drawFrame(device, *frame);
            std::vector<uint8_t> picture =
                video.stream->texture ? upright(video.stream->texture) : std::vector<uint8_t>{};
            if (picture.empty() ||
                !platform::writePng(*png, picture, AviStream::kSide, AviStream::kSide)) {
              std::cerr << "korvel-inspect: could not write " << *png << "\n";
              status = 1;
            }
          }
          print(out);
        }
      }
      device->Release();
      return status;
    };
  });
}

}  // namespace korvel::inspect
