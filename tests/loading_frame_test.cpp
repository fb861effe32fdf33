// The loading frame as the demo draws it: the text "QUE SECA..." from a real glyph sheet at
// (344, 292), scaled (1.0, 0.5), here over a full-screen layer, written to loading-frame.png.
#include <gtest/gtest.h>

#include "assets/texture.h"
#include "content/glyph_sheet.h"
#include "platform/image_file.h"
#include "render/bitmap_font.h"
#include "render/quad_layer.h"
#include "support/headless_device.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

TEST(LoadingFrameTest, TextAndLayerLandWhereTheUserExpects) {
  testing::TempDir dir;
  content::GlyphSheet sheet;
  std::string error;
  ASSERT_TRUE(content::drawGlyphSheet(content::kDefaultFontPath, 16, &sheet, &error)) << error;
  std::string sheetPath = dir.path("arial.bmp");
  ASSERT_TRUE(platform::writeBmp(sheetPath, sheet.bgra, sheet.width, sheet.height));

  testing::HeadlessDevice dev(800, 600);
  ASSERT_TRUE(dev);
  IDirect3DDevice9* device = dev.device;
  BitmapFont font;
  font.setColourKey(&device, 0xFF000000);
  font.setGlyphsPerRow(16);
  font.setCellWidth(16);
  font.setCellHeight(16);
  font.setScale(Vec2(1.0f, 0.5f));
  ASSERT_EQ(font.load(&device, sheetPath.c_str()), 0);

  // A dim blue ramp across the whole screen, under the text.
  Texture ramp;
  ramp.createTexture(device, 2, 1);
  const uint8_t texels[8] = {60, 20, 10, 255, 140, 60, 20, 255};
  ramp.fill(texels, 4);
  ramp.unlock(0);
  QuadLayer layer;
  layer.build(device, Vec3(0, 0, 0), 50, 50, 1, 1, 0xFFFFFFFF);

  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  dev->BeginScene();
  dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  ramp.bind(0, device);
  layer.draw2D(device);
  dev->SetTexture(0, nullptr);
  IDirect3DSurface9* surface = nullptr;
  dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
  font.setText("QUE SECA...");
  font.setPosition(Vec2(800 * 0.5f - 56, 600 * 0.5f - 8));
  EXPECT_EQ(font.drawText(&device, &surface), 0);
  surface->Release();
  dev->EndScene();

  std::vector<uint8_t> pixels = dev.pixels();
  EXPECT_TRUE(platform::writePng("loading-frame.png", pixels, 800, 600));
  auto brightness = [&](int x, int y) {
    const uint8_t* p = &pixels[(size_t(y) * 800 + x) * 4];
    return p[0] + p[1] + p[2];
  };
  // Some bright text pixels in the band the text covers: 11 cells, half a cell high.
  int bright = 0;
  for (int y = 292; y < 300; ++y) {
    for (int x = 344; x < 344 + 11 * 16; ++x) {
      bright += brightness(x, y) > 600;
    }
  }
  EXPECT_GT(bright, 40);
  // Nothing of the text above or below its band, and the layer everywhere.
  for (int x = 344; x < 344 + 11 * 16; x += 3) {
    EXPECT_LT(brightness(x, 289), 400) << x;
    EXPECT_LT(brightness(x, 302), 400) << x;
  }
  EXPECT_GT(brightness(10, 10), 60);
  EXPECT_GT(brightness(790, 590), brightness(10, 10));
}

}  // namespace
}  // namespace korvel
