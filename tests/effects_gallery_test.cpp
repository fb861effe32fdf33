// Each effect drawn headless with the real textures of data/, at a few moments, into
// build/tests/effect-*.png (docs/effects-gallery.md shows them): pictures a person can judge,
// with a check that each drew something where it should.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "assets/tvk_scene.h"
#include "effects/flock.h"
#include "effects/heightmap_terrain.h"
#include "effects/pillar_field_effect.h"
#include "effects/spinning_squares_effect.h"
#include "effects/tube_effect.h"
#include "effects/waving_grid.h"
#include "platform/d3dx_math.h"
#include "platform/image_file.h"
#include "platform/offline_host.h"
#include "platform/random.h"
#include "support/headless_device.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

// The effects read "data/..." from the working directory, as the demo does: the build folder.
class EffectsGalleryTest : public ::testing::Test {
 protected:
  EffectsGalleryTest() : here_(fs::current_path()) {
    fs::current_path(fs::path(KORVEL_DATA).parent_path());
  }
  ~EffectsGalleryTest() override { fs::current_path(here_); }

  void begin() {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev->BeginScene();
  }
  // Writes the frame and returns its mean brightness (0 to 255).
  double finish(const std::string& name) {
    dev->EndScene();
    std::vector<uint8_t> pixels = dev.pixels();
    EXPECT_TRUE(
        platform::writePng((here_ / ("effect-" + name + ".png")).string(), pixels, 400, 300));
    double sum = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
      sum += (pixels[i] + pixels[i + 1] + pixels[i + 2]) / 3.0;
    }
    return sum / double(pixels.size() / 4);
  }

  fs::path here_;
  platform::OfflineHost offline;
  testing::HeadlessDevice dev{400, 300};
};

TEST_F(EffectsGalleryTest, PillarFieldGlowsThroughFog) {
  PillarFieldEffect pillars;
  pillars.init(dev.device);
  for (float t : {0.0f, 3.0f, 7.5f}) {
    begin();
    pillars.render(t);
    double brightness = finish("pillars-" + std::to_string(int(t * 10)));
    EXPECT_GT(brightness, 4) << t;
    EXPECT_LT(brightness, 200) << t;
  }
  EXPECT_TRUE(offline.windows.shown.empty());
}

TEST_F(EffectsGalleryTest, TubeGlowsWhereItsLightFlies) {
  TubeEffect tube;
  tube.init(dev.device);
  // Moments of its window when the light passes close to the wall in view.
  for (float t : {107.66f, 117.08f, 124.84f}) {
    begin();
    tube.render(t);
    // A small light: only the patch of wall within 8 units of it glows.
    EXPECT_GT(finish("tube-" + std::to_string(int(t))), 0.01) << t;
  }
}

TEST_F(EffectsGalleryTest, SquaresWhirl) {
  SpinningSquaresEffect squares;
  squares.init(dev.device);
  for (float t : {0.0f, 0.7f, 2.0f}) {
    begin();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);  // as the frames before them leave it
    squares.render(t);
    EXPECT_GT(finish("squares-" + std::to_string(int(t * 10))), 3) << t;
  }
}

TEST_F(EffectsGalleryTest, SheetWaves) {
  WavingGrid grid;
  grid.setViewSize(20, 20);
  grid.build(dev.device, -10, -13, 11, 12);
  grid.loadTexture("data/bgrnd1b.tga");
  for (float t : {0.0f, 4.0f}) {
    begin();
    grid.bindTexture(0);
    grid.setColour(0xFFFFFFFF);
    grid.setBlend(D3DBLEND_SRCALPHA, D3DBLEND_ONE);
    grid.render(-0.1f * t, 0, t, true);
    EXPECT_GT(finish("sheet-" + std::to_string(int(t * 10))), 20) << t;
  }
}

TEST_F(EffectsGalleryTest, SeaFloorAndTheSchoolInFog) {
  HeightmapTerrain floor;
  floor.setHeightScale(220);
  floor.setSpacing(16);
  floor.setHeightOffset(-300);
  floor.build(dev.device, "data/heightmap.tga");
  srand(1);
  Flock flock;
  flock.create(400, 1);
  TvkScene fish;
  fish.load(dev.device, "data/models/fish1.tvk", 6.0f);
  // A light, so the picture shows the shapes; the scene itself keeps the device's.
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.9f, 0.95f, 1.0f, 1};
  light.Direction = {0.3f, -1.0f, 0.2f};
  dev->SetLight(0, &light);
  dev->LightEnable(0, TRUE);
  dev->SetRenderState(D3DRS_AMBIENT, 0xFF303848);
  for (float t : {2.0f, 6.0f}) {
    for (int step = 0; step < 60; ++step) {
      flock.goal = Vec3(200 * std::sin(0.1f * t), 20, 200 * std::cos(0.125f * t));
      flock.update(1 / 60.0f);
    }
    Vec3 centre;
    for (unsigned i = 0; i < flock.boidCount; ++i) {
      centre += flock.boids[i].position;
    }
    centre = centre / float(flock.boidCount);
    Vec3 eye = centre + Vec3(std::sin(0.3111f * t), 0.75f * std::sin(0.163f * t) + 0.7f,
                             std::cos(0.3155f * t)) *
                            140.0f;
    eye.y = 20 - eye.y;
    Vec3 up(0, 1, 0);
    Mat4 view, proj, shrink;
    D3DXMatrixLookAtLH(&view, &eye, &centre, &up);
    D3DXMatrixPerspectiveFovLH(&proj, 1.5707964f, 4.0f / 3.0f, 1.0f, 4000.0f);
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    float density = 0.001f * std::sin(2 * t) + 0.003f;
    DWORD densityBits;
    std::memcpy(&densityBits, &density, 4);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetRenderState(D3DRS_FOGCOLOR, 0x80606680);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x80606680, 1.0f, 0);
    dev->BeginScene();
    dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP2);
    dev->SetRenderState(D3DRS_FOGDENSITY, densityBits);
    floor.render(t);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    dev->SetTexture(0, nullptr);
    D3DXMatrixScaling(&shrink, 0.035f, 0.035f, 0.035f);
    for (unsigned i = 0; i < flock.boidCount; ++i) {
      dev->SetTransform(D3DTS_WORLD, &flock.boids[i].world);
      dev->MultiplyTransform(D3DTS_WORLD, &shrink);
      fish.draw(dev.device);
    }
    dev->SetRenderState(D3DRS_FOGENABLE, FALSE);
    EXPECT_GT(finish("undersea-" + std::to_string(int(t * 10))), 40) << t;
  }
  fish.release();
}

}  // namespace
}  // namespace korvel
