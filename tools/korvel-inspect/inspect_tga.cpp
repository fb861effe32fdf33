#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "assets/texture.h"
#include "commands.h"
#include "output.h"

namespace korvel::inspect {

namespace {

std::string hex(const uint8_t* bytes, size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string out(count * 2, '0');
  for (size_t i = 0; i < count; ++i) {
    out[2 * i] = digits[bytes[i] >> 4];
    out[2 * i + 1] = digits[bytes[i] & 15];
  }
  return out;
}

}  // namespace

void addTgaCommand(CLI::App& app, Command* run) {
  auto* command = app.add_subcommand("tga", "Read a TGA file as the demo's texture reader does");
  auto file = std::make_shared<std::string>();
  auto noPixels = std::make_shared<bool>(false);
  command->add_option("FILE", *file, "the TGA file")->required();
  command->add_flag("--no-pixels", *noPixels, "leave the pixel bytes out");
  command->callback([=] {
    *run = [=] {
      Texture texture;
      int result = texture.loadImage(file->c_str());
      Json out;
      out["result"] = result;
      out["width"] = texture.width;
      out["height"] = texture.height;
      out["bytesPerPixel"] = texture.bytesPerPixel;
      if (!*noPixels) {
        size_t size =
            texture.pixels ? size_t(texture.width) * texture.height * texture.bytesPerPixel : 0;
        out["pixels"] = hex(texture.pixels, size);
      }
      print(out);
      return result == 1 ? 0 : 1;
    };
  });
}

}  // namespace korvel::inspect
