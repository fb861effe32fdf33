#include "render/bitmap_font.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/debug_output.h"
#include "platform/host.h"
#include "platform/image_file.h"
#include "platform/recording_device.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using platform::RefCounted;

// Remembers every Draw as "source rectangle @ position x scale".
class RecordingSprite : public RefCounted<ID3DXSprite> {
 public:
  HRESULT Draw(IDirect3DTexture9*, const RECT* source, const D3DXVECTOR2* scaling,
               const D3DXVECTOR2*, float, const D3DXVECTOR2* translation, D3DCOLOR) override {
    std::ostringstream out;
    if (source) {
      out << "(" << source->left << "," << source->top << "," << source->right << ","
          << source->bottom << ")";
    } else {
      out << "whole";
    }
    out << " @ " << translation->x << "," << translation->y << " x " << scaling->x << ","
        << scaling->y;
    draws.push_back(out.str());
    return fail ? E_FAIL : D3D_OK;
  }
  HRESULT Begin() override { return D3D_OK; }
  HRESULT End() override { return D3D_OK; }

  std::vector<std::string> draws;
  bool fail = false;
};

class FontTest : public ::testing::Test {
 protected:
  FontTest() : device(new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0)) {
    font.sprite = recorder;
    font.setGlyphsPerRow(16);
    font.setCellWidth(16);
    font.setCellHeight(16);
  }
  ~FontTest() override { device->Release(); }

  platform::HostScope diagnostics{[this] {
    platform::Host host;
    host.diagnostics = [this](const std::string& text) { debug += text; };
    return host;
  }()};
  platform::RecordingDevice* device;
  IDirect3DDevice9* devicePointer = device;
  IDirect3DSurface9* backBuffer = reinterpret_cast<IDirect3DSurface9*>(device);  // only tested
  RecordingSprite* recorder = new RecordingSprite;  // owned by the font
  BitmapFont font;
  std::string debug;
};

TEST_F(FontTest, TextStepsOneCellPerGlyphAndComesBackToItsStart) {
  font.setScale(Vec2(1.0f, 0.5f));
  font.setPosition(Vec2(100, 50));
  font.setText("AB");
  EXPECT_EQ(font.drawText(&devicePointer, &backBuffer), 0);
  EXPECT_EQ(recorder->draws, (std::vector<std::string>{"(16,32,32,48) @ 100,50 x 1,0.5",
                                                       "(32,32,48,48) @ 116,50 x 1,0.5"}));
  EXPECT_EQ(font.getPosition().x, 100);
  EXPECT_EQ(font.getPosition().y, 50);
  // A second line starts where it is put, not one cell on.
  recorder->draws.clear();
  font.drawText(&devicePointer, &backBuffer);
  EXPECT_EQ(recorder->draws.at(0), "(16,32,32,48) @ 100,50 x 1,0.5");
}

TEST_F(FontTest, CellsCoverCodes32To159AndOthersDrawNothing) {
  font.setPosition(Vec2(0, 0));
  font.setText(" \x9f\x01\xa0Z");
  EXPECT_EQ(font.drawText(&devicePointer, &backBuffer), 0);
  // Space is the first cell, 159 the last; 1 and 160 are skipped but still take their place.
  EXPECT_EQ(recorder->draws,
            (std::vector<std::string>{"(0,0,16,16) @ 0,0 x 1,1", "(240,112,256,128) @ 16,0 x 1,1",
                                      "(160,48,176,64) @ 64,0 x 1,1"}));
  recorder->draws.clear();
  font.setText("");
  EXPECT_EQ(font.drawText(&devicePointer, &backBuffer), 0);
  EXPECT_TRUE(recorder->draws.empty());
}

TEST_F(FontTest, FailuresAreReportedToTheDeveloperOutput) {
  IDirect3DSurface9* none = nullptr;
  font.setText("A");
  EXPECT_EQ(font.drawText(&devicePointer, &none), E_FAIL);
  EXPECT_TRUE(recorder->draws.empty());
  recorder->fail = true;
  EXPECT_EQ(font.drawText(&devicePointer, &backBuffer), E_FAIL);
  EXPECT_EQ(debug, "Could not draw the sprite\nFailed to rasterise font to screen\n");
  debug.clear();
  EXPECT_EQ(font.load(&devicePointer, "/nonexistent/arial.bmp"), E_FAIL);
  EXPECT_EQ(debug,
            "Could not create a texture surface from the following file:\n"
            "/nonexistent/arial.bmp\n");
  EXPECT_EQ(font.sprite, nullptr);
  debug.clear();
  EXPECT_EQ(font.draw(&devicePointer, &backBuffer), E_FAIL);
  EXPECT_EQ(debug, "Could not draw the sprite\n");
}

TEST_F(FontTest, ColourKeyIsKeptUntilLoadAndReloadsAfterIt) {
  testing::TempDir dir;
  std::vector<uint8_t> pixels = {0, 0, 255, 255, 0, 0, 0, 255};  // red, black
  platform::writePng(dir.path("sheet.png"), pixels, 2, 1, true);
  Sprite sprite;
  EXPECT_EQ(sprite.setColourKey(&devicePointer, 0xFFFF0000), 0);
  EXPECT_TRUE(device->log.matching("CreateTexture").empty());
  ASSERT_EQ(sprite.load(&devicePointer, dir.path("sheet.png").c_str()), 0);
  EXPECT_EQ(sprite.fileName, dir.path("sheet.png"));
  auto texel = [&](int i) {
    D3DLOCKED_RECT locked;
    sprite.texture->LockRect(0, &locked, nullptr, 0);
    D3DCOLOR c = static_cast<D3DCOLOR*>(locked.pBits)[i];
    sprite.texture->UnlockRect(0);
    return c;
  };
  EXPECT_EQ(texel(0), 0x00000000u);
  EXPECT_EQ(texel(1), 0xFF000000u);
  EXPECT_EQ(sprite.setColourKey(&devicePointer, 0xFF000000), 0);
  EXPECT_EQ(device->log.matching("CreateTexture").size(), 2u);
  EXPECT_EQ(texel(0), 0xFFFF0000u);
  EXPECT_EQ(texel(1), 0x00000000u);
}

}  // namespace
}  // namespace korvel
