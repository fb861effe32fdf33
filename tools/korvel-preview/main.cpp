// korvel-preview: pictures of what the generator made, for docs/content.md. Textures as PNGs
// (the seamless ones tiled 2 x 2), the glyph sheet and the loading line at the demo's scale,
// frames of the intro film, and each model rendered headless through the demo's own device and
// shader files, from the distance its scene views it.
#include <CLI/CLI.hpp>
#include <cmath>
#include <filesystem>
#include <iostream>

#include "assets/texture.h"
#include "assets/tvk_scene.h"
#include "audio/music_stream.h"
#include "cli_status.h"
#include "content/music/score.h"
#include "platform/d3d9.h"
#include "platform/d3dx.h"
#include "platform/d3dx_math.h"
#include "platform/image_file.h"
#include "platform/offline_host.h"
#include "platform/offscreen_device.h"
#include "platform/video_file.h"
#include "render/bitmap_font.h"

namespace {

using namespace korvel;

using Device = platform::OffscreenDevice;

std::string outDir, dataDir;
int failures = 0;

void save(const std::string& name, const std::vector<uint8_t>& bgra, unsigned w, unsigned h) {
  std::string path = (std::filesystem::path(outDir) / name).string();
  if (!platform::writePng(path, bgra, w, h)) {
    std::cerr << "korvel-preview: cannot write " << path << "\n";
    ++failures;
  }
}

std::string data(const std::string& name) {
  return (std::filesystem::path(dataDir) / name).string();
}

// The texture as the demo's reader holds it, top row first; tiled `tiles` x `tiles`.
void previewTexture(const std::string& name, int tiles) {
  Texture t;
  if (t.loadImage(data(name).c_str()) != 1) {
    ++failures;
    return;
  }
  unsigned w = unsigned(t.width) * unsigned(tiles), h = unsigned(t.height) * unsigned(tiles);
  std::vector<uint8_t> out(size_t(w) * h * 4);
  for (unsigned y = 0; y < h; ++y) {
    for (unsigned x = 0; x < w; ++x) {
      size_t source = size_t(y % unsigned(t.height)) * unsigned(t.width) + x % unsigned(t.width);
      uint8_t* p = &out[(size_t(y) * w + x) * 4];
      if (t.bytesPerPixel == 1) {
        p[0] = p[1] = p[2] = t.pixels[source];
      } else {  // alpha, red, green, blue
        const uint8_t* s = &t.pixels[source * 4];
        p[0] = s[3];
        p[1] = s[2];
        p[2] = s[1];
      }
      p[3] = 255;
    }
  }
  save(std::filesystem::path(name).stem().string() + ".png", out, w, h);
}

void previewFilm() {
  platform::VideoDecoder film;
  if (!film.open(data("v2.avi"))) {
    ++failures;
    return;
  }
  for (int index : {0, 24, 44, 64, 96, 130}) {
    std::vector<uint8_t> bgr;
    if (!film.decodeFrame(index, 320, 240, &bgr)) {
      ++failures;
      continue;
    }
    std::vector<uint8_t> out(320 * 240 * 4);
    for (int y = 0; y < 240; ++y) {  // the decoder hands the bottom row first
      for (int x = 0; x < 320; ++x) {
        const uint8_t* s = &bgr[(size_t(239 - y) * 320 + x) * 3];
        uint8_t* p = &out[(size_t(y) * 320 + x) * 4];
        p[0] = s[0];
        p[1] = s[1];
        p[2] = s[2];
        p[3] = 255;
      }
    }
    save("film-" + std::to_string(index) + ".png", out, 320, 240);
  }
}

void previewLoadingLine() {
  Device dev(800, 600, D3DFMT_X8R8G8B8);
  IDirect3DDevice9* device = dev.device;
  BitmapFont font;
  font.setColourKey(&device, 0xFF000000);
  font.setGlyphsPerRow(16);
  font.setCellWidth(16);
  font.setCellHeight(16);
  font.setScale(Vec2(1.0f, 0.5f));
  font.load(&device, data("arial.bmp").c_str());
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  IDirect3DSurface9* surface = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
  font.setText("QUE SECA...");
  font.setPosition(Vec2(800 * 0.5f - 56, 600 * 0.5f - 8));
  font.drawText(&device, &surface);
  surface->Release();
  device->EndScene();
  // The middle of the screen, enlarged four times so the glyphs can be judged.
  std::vector<uint8_t> all = dev.pixels();
  const unsigned cx = 320, cy = 280, w = 224, h = 32, zoom = 4;
  std::vector<uint8_t> out(size_t(w * zoom) * h * zoom * 4);
  for (unsigned y = 0; y < h * zoom; ++y) {
    for (unsigned x = 0; x < w * zoom; ++x) {
      const uint8_t* s = &all[(size_t(cy + y / zoom) * 800 + cx + x / zoom) * 4];
      std::copy(s, s + 4, &out[(size_t(y) * w * zoom + x) * 4]);
    }
  }
  save("loading-line.png", out, w * zoom, h * zoom);
  Texture sheet;  // the sheet itself
  IDirect3DTexture9* texture = nullptr;
  (void)sheet;
  if (SUCCEEDED(D3DXCreateTextureFromFileA(device, data("arial.bmp").c_str(), &texture))) {
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
    std::vector<uint8_t> pixels(256 * 128 * 4);
    for (int y = 0; y < 128; ++y) {
      std::copy_n(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, 256 * 4,
                  &pixels[size_t(y) * 256 * 4]);
    }
    texture->UnlockRect(0);
    texture->Release();
    save("arial.png", pixels, 256, 128);
  }
}

D3DXVECTOR4 vec4(const Vec3& v, float w) {
  return D3DXVECTOR4(v.x, v.y, v.z, w);
}

// One model through a shader file, with the parameters its scene gives it at time t.
struct FxShot {
  const char* model;
  float loadScale;
  const char* fx;
  const char* technique;
  float yaw, pitch, roll, scaleY;
  Vec3 eye;
  float fieldOfView, nearPlane;
  D3DXVECTOR4 light;
  const char* base;  // BaseTexture, or null
  const char* name;
};

void previewFxModel(const FxShot& shot, float time) {
  Device dev(512, 512, D3DFMT_X8R8G8B8);
  IDirect3DDevice9* device = dev.device;
  TvkScene model;
  model.load(device, data(shot.model).c_str(), shot.loadScale);
  ID3DXEffect* fx = nullptr;
  ID3DXBuffer* errors = nullptr;
  if (FAILED(D3DXCreateEffectFromFileA(device, data(shot.fx).c_str(), nullptr, nullptr, 0, nullptr,
                                       &fx, &errors))) {
    std::cerr << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : shot.fx) << "\n";
    ++failures;
    return;
  }
  Texture map, ramp;
  map.loadTexture(device, data("map.tga").c_str());
  IDirect3DTexture9* base = nullptr;
  if (shot.base) {
    D3DXCreateTextureFromFileA(device, data(shot.base).c_str(), &base);
  }
  ramp.createTexture(device, 32, 1);
  uint8_t shades[32];
  for (int i = 0; i < 32; ++i) {
    shades[i] = i < 6 ? 0 : i < 9 ? 51 : i < 18 ? 127 : 255;
  }
  ramp.fill(shades, 1);
  ramp.unlock(0);

  D3DXMATRIX rot, scale, world, view, proj, wvp;
  D3DXMatrixRotationYawPitchRoll(&rot, shot.yaw, shot.pitch, shot.roll);
  D3DXMatrixScaling(&scale, 1, shot.scaleY, 1);
  D3DXMatrixMultiply(&world, &rot, &scale);
  D3DXVECTOR3 at(0, 0, 1), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &shot.eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&proj, shot.fieldOfView, 1.0f, shot.nearPlane, 2000.0f);
  wvp = world * view * proj;
  fx->SetTechnique(shot.technique);
  fx->SetMatrix("World", &world);
  fx->SetMatrix("View", &view);
  fx->SetMatrix("Proj", &proj);
  fx->SetMatrix("WVP", &wvp);
  float eye[3] = {shot.eye.x, shot.eye.y, shot.eye.z};
  fx->SetFloatArray("eyeVec", eye, 3);
  fx->SetFloat("fTime", time);
  fx->SetVector("lightVec", &shot.light);
  fx->SetTexture("BaseTexture", base);
  fx->SetTexture("SphereMapTexture", map.d3dTexture());
  fx->SetTexture("ShadesTexture", ramp.d3dTexture());
  fx->SetTexture("BorderTexture", map.d3dTexture());

  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  UINT passes = 0;
  fx->Begin(&passes, 0);
  for (UINT i = 0; i < passes; ++i) {
    fx->Pass(i);
    model.draw(device);
  }
  fx->End();
  device->EndScene();
  save(shot.name, dev.pixels(), 512, 512);
  fx->Release();
  if (base) {
    base->Release();
  }
  model.release();
}

// The fish as the undersea scene draws it: fixed function, foggy water, a few lengths away.
void previewFish() {
  Device dev(512, 512, D3DFMT_X8R8G8B8);
  IDirect3DDevice9* device = dev.device;
  TvkScene fish;
  fish.load(device, data("models/fish1.tvk").c_str(), 6.0f);
  D3DXMATRIX world, turn, shrink, view, proj;
  D3DXMatrixRotationY(&turn, 2.2f);
  D3DXMatrixScaling(&shrink, 0.035f, 0.035f, 0.035f);
  world = shrink * turn;
  D3DXVECTOR3 eye(0, 2, -8), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&proj, 1.5707964f, 1.0f, 1.0f, 4000.0f);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &proj);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0.4f, -0.8f, 0.5f};
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, 0xFF404850);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF606680, 1.0f, 0);
  device->BeginScene();
  fish.draw(device);
  device->EndScene();
  save("fish1.png", dev.pixels(), 512, 512);
  fish.release();
}

// A picture being drawn by hand: plots and spectrograms.
struct Canvas {
  unsigned width, height;
  std::vector<uint8_t> bgra;
  Canvas(unsigned w, unsigned h, uint32_t colour) : width(w), height(h), bgra(size_t(w) * h * 4) {
    for (size_t i = 0; i < size_t(w) * h; ++i) {
      set(i, colour);
    }
  }
  void set(size_t i, uint32_t colour) {
    bgra[i * 4] = uint8_t(colour);
    bgra[i * 4 + 1] = uint8_t(colour >> 8);
    bgra[i * 4 + 2] = uint8_t(colour >> 16);
    bgra[i * 4 + 3] = 255;
  }
  void pixel(int x, int y, uint32_t colour) {
    if (x >= 0 && y >= 0 && unsigned(x) < width && unsigned(y) < height) {
      set(size_t(y) * width + unsigned(x), colour);
    }
  }
};

// The music as the demo hears it: the track played on the offline host's silent output, the
// spectrum read through the demo's own music stream at each moment asked for.
struct Listener {
  platform::OfflineHost& offline;
  MusicStream music;
  bool ok;
  explicit Listener(platform::OfflineHost& host) : offline(host) {
    music.init();
    music.loadStream(data("korvel.mp3").c_str());
    ok = music.stream != 0 && music.initSpectrum(1024) == 1;
    music.play();
  }
  double duration() { return platform::audioSystem().streamInfo(music.stream).durationSeconds; }
  // The smoothed spectrum at `seconds` of playback.
  const float* at(double seconds) {
    offline.clock.advanceSeconds(seconds - platform::clockSeconds(offline.clock) + start);
    return music.getSpectrum();
  }
  double start = platform::clockSeconds(offline.clock);
};

// spectrum[0], which dims the stacked layers, 60 times a second as the demo reads it, with the
// sections marked: one row per 30 seconds.
void previewBassLevel(platform::OfflineHost& offline) {
  Listener listener(offline);
  if (!listener.ok) {
    ++failures;
    return;
  }
  const double seconds = listener.duration();
  const unsigned rowSeconds = 30, pixelsPerSecond = 40, rowHeight = 120;
  const unsigned rows = unsigned(std::ceil(seconds / rowSeconds));
  Canvas canvas(rowSeconds * pixelsPerSecond, rows * rowHeight, 0xFF101018);
  for (const auto& section : music::sections()) {
    double start = section.firstBar * 4 * music::kBeatSeconds;
    unsigned x = unsigned(start * pixelsPerSecond);
    unsigned row = x / canvas.width;
    for (unsigned y = 0; y < rowHeight; ++y) {
      canvas.pixel(int(x % canvas.width), int(row * rowHeight + y), 0xFF806020);
    }
  }
  for (unsigned frame = 0; frame < unsigned(seconds * 60); ++frame) {
    double t = frame / 60.0;
    float level = listener.at(t)[0];
    unsigned x = unsigned(t * pixelsPerSecond);
    unsigned row = x / canvas.width;
    int base = int((row + 1) * rowHeight) - 4;
    int top = base - int(std::min(level, 1.0f) * float(rowHeight - 10));
    for (int y = top; y <= base; ++y) {
      canvas.pixel(int(x % canvas.width), y, level > 0.64f ? 0xFFFF5050 : 0xFF60C0FF);
    }
  }
  // Grid lines at 0.25, 0.5 (where layers begin to wrap) and 0.64 (where the first does).
  for (unsigned row = 0; row < rows; ++row) {
    for (float mark : {0.25f, 0.5f, 0.64f}) {
      int y = int((row + 1) * rowHeight) - 4 - int(mark * float(rowHeight - 10));
      for (unsigned x = 0; x < canvas.width; x += 4) {
        canvas.pixel(int(x), y, 0xFF505060);
      }
    }
  }
  save("soundtrack-bass.png", canvas.bgra, canvas.width, canvas.height);
}

// Ten columns a second, frequencies on a log scale from 30 Hz to 16 kHz, loudness as colour.
void previewSpectrogram(platform::OfflineHost& offline) {
  Listener listener(offline);
  if (!listener.ok) {
    ++failures;
    return;
  }
  const double seconds = listener.duration();
  const unsigned columns = unsigned(seconds * 10), height = 256;
  Canvas canvas(columns, height, 0xFF000000);
  std::vector<float> magnitudes(512);
  for (unsigned c = 0; c < columns; ++c) {
    listener.at(c / 10.0);
    platform::audioSystem().fftMagnitudes(listener.music.stream, magnitudes.data(), 1024);
    for (unsigned y = 0; y < height; ++y) {
      double frequency = 30.0 * std::pow(16000.0 / 30.0, double(height - 1 - y) / (height - 1));
      size_t bin = std::min<size_t>(511, size_t(frequency / (44100.0 / 1024.0)));
      double db = 20.0 * std::log10(std::max(magnitudes[bin], 1e-6f));
      double x = std::clamp((db + 80.0) / 80.0, 0.0, 1.0);
      uint8_t r = uint8_t(255 * std::min(1.0, x * 1.6)), g = uint8_t(255 * x * x),
              b = uint8_t(255 * std::max(0.0, 0.6 - x) * x * 2.5);
      canvas.pixel(int(c), int(y), 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b);
    }
  }
  save("soundtrack-spectrogram.png", canvas.bgra, canvas.width, canvas.height);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Renders previews of the generated data/ tree into a folder of PNGs.",
               "korvel-preview");
  app.add_option("DATA", dataDir, "the generated data/ folder")->required();
  app.add_option("OUTDIR", outDir, "where the PNGs go (made if missing)")->required();
  if (int status = korvel::tools::parseCommandLine(app, argc, argv); status >= 0) {
    return status;
  }
  std::filesystem::create_directories(outDir);
  korvel::platform::OfflineHost offline;
  offline.windows.echo = true;

  for (const char* name : {"map.tga", "velmira.tga", "bgrnd1b.tga", "square24.tga"}) {
    previewTexture(name, 1);
  }
  for (const char* name : {"darkenv1.tga", "darkenv2.tga", "seafloor.tga", "heightmap.tga"}) {
    previewTexture(name, 2);  // seamless: tiled, so a seam would show
  }
  previewLoadingLine();
  previewFilm();

  const float t = 1.2f;
  Vec3 lightPos(300 * std::sin(0.5f * t), 100 * std::cos(90 - 1.5f * t), 300 * std::cos(1.5f * t));
  FxShot phong{"models/tolvan.tvk",
               6.0f,
               "shaders/simple_mesh.fx",
               "TechniquePhongModel",
               t / 8,
               t / 8,
               t / 8,
               1,
               Vec3(350 * std::cos(t / 4), 800 * std::sin(t / 4), 5),
               0.8f,
               0.1f,
               vec4(lightPos, 1),
               "darkenv2.tga",
               "tolvan.png"};
  previewFxModel(phong, t);
  Vec3 celLight(-100, 50, 300), celAt(0, 0, -1), celDir = celAt - celLight;
  celDir.normalize();
  FxShot cel{"models/spike4.tvk",
             3.0f,
             "shaders/cartooner.fx",
             "TechniqueCelShading1",
             t / 2,
             t / 2,
             t / 2,
             1.6f,
             Vec3(250 * std::cos(t / 2), 250 * std::sin(3.5f * t), -10),
             1.5707964f,
             0.1f,
             vec4(celDir, 0),
             nullptr,
             "spike4.png"};
  previewFxModel(cel, t);
  Vec3 pulseLight(3 * std::sin(-t / 2), std::cos(1.5f * t), -3 * std::cos(t / 2));
  Vec3 pulseDir = Vec3(0, 0, -1) - pulseLight;
  pulseDir.normalize();
  FxShot pulse{"models/cuber.tvk",
               0.95f,
               "shaders/simple_mesh.fx",
               "TechniquePhongModel",
               t / 4,
               t / 4,
               0.2f * t,
               0.8f,
               Vec3(290 * std::cos(t / 4), 0, 290 * std::sin(t / 4)),
               0.9f * 0.8f,
               1.0f,
               vec4(-pulseDir, 0),
               "velmira.tga",
               "cuber.png"};
  previewFxModel(pulse, t);
  previewFish();
  previewBassLevel(offline);
  previewSpectrogram(offline);
  return failures == 0 ? 0 : 1;
}
