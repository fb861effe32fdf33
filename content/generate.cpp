#include "content/generate.h"

#include <filesystem>

#include "assets/tvk_writer.h"
#include "content/file_output.h"
#include "content/film.h"
#include "content/glyph_sheet.h"
#include "content/models.h"
#include "content/shaders.h"
#include "content/soundtrack.h"
#include "content/textures.h"
#include "content/tga_writer.h"
#include "platform/image_file.h"

namespace korvel::content {

namespace {

// The loading line is drawn at scale (1, 0.5): capitals 13 pixels tall in 16-pixel cells and a
// little narrow, so on screen they stand 6.5 pixels tall and about 10 wide, bold and even.
GlyphLayout loadingLineLayout() {
  GlyphLayout layout;
  layout.capHeight = 13;
  layout.widthRatio = 0.8f;
  layout.blackBelow = 60;
  return layout;
}

bool writePicture(const std::string& path, const Picture& picture, std::string* error) {
  return writeTga(path, picture.width, picture.height, picture.bitsPerPixel, picture.bytes, error);
}

}  // namespace

bool generateData(const std::string& outDir, std::string* error,
                  const std::function<void(const std::string&)>& progress) {
  namespace fs = std::filesystem;
  std::error_code code;
  for (const char* folder : {"", "shaders", "models"}) {
    fs::create_directories(fs::path(outDir) / folder, code);
    if (code) {
      *error = "cannot make " + (fs::path(outDir) / folder).string() + ": " + code.message();
      return false;
    }
  }
  auto at = [&](const std::string& name) { return (fs::path(outDir) / name).string(); };
  auto step = [&](const std::string& name, const std::function<bool(const std::string&)>& make) {
    if (progress) {
      progress(name);
    }
    return make(at(name));
  };

  struct Texture {
    const char* name;
    Picture (*make)();
  } textures[] = {
      {"map.tga", sphereMapTexture},      {"velmira.tga", velmiraTexture},
      {"darkenv1.tga", darkVeinsTexture}, {"darkenv2.tga", darkStreaksTexture},
      {"bgrnd1b.tga", backgroundTexture}, {"seafloor.tga", seafloorTexture},
      {"square24.tga", squareTexture},    {"heightmap.tga", heightmapTexture},
  };
  for (const auto& t : textures) {
    if (!step(t.name,
              [&](const std::string& path) { return writePicture(path, t.make(), error); })) {
      return false;
    }
  }

  if (!step("arial.bmp", [&](const std::string& path) {
        GlyphSheet sheet;
        if (!drawGlyphSheet(kDefaultFontPath, 16, &sheet, error, loadingLineLayout())) {
          return false;
        }
        return writeThroughTemporaryPath(
            path,
            [&](const std::string& partial) {
              return platform::writeBmp(partial, sheet.bgra, sheet.width, sheet.height);
            },
            error);
      })) {
    return false;
  }

  struct Text {
    const char* name;
    std::string (*make)();
  } shaders[] = {{"shaders/simple_mesh.fx", simpleMeshFx}, {"shaders/cartooner.fx", cartoonerFx}};
  for (const auto& s : shaders) {
    if (!step(s.name, [&](const std::string& path) {
          std::string text = s.make();
          return writeFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()), error);
        })) {
      return false;
    }
  }

  struct Model {
    const char* name;
    SceneFile (*make)();
  } models[] = {{"models/tolvan.tvk", tolvanModel},
                {"models/spike4.tvk", spikeModel},
                {"models/cuber.tvk", cuberModel},
                {"models/fish1.tvk", fishModel}};
  for (const auto& m : models) {
    if (!step(m.name, [&](const std::string& path) { return writeTvk(m.make(), path, error); })) {
      return false;
    }
  }

  if (!step("v2.avi", [&](const std::string& path) {
        Film film;
        return film.prepare(kDefaultFontPath, error) && writeFilm(film, path, error);
      })) {
    return false;
  }

  return step("korvel.mp3", [&](const std::string& path) { return writeSoundtrack(path, error); });
}

}  // namespace korvel::content
