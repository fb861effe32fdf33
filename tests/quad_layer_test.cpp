#include "render/quad_layer.h"

#include <gtest/gtest.h>

#include "platform/recording_device.h"
#include "render/render_target.h"
#include "support/headless_device.h"

namespace korvel {
namespace {

using testing::HeadlessDevice;

// 2 x 2 texels, top row first: red, green / blue, white.
IDirect3DTexture9* fourColours(HeadlessDevice& dev) {
  return dev.makeTexture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
}

class QuadLayerPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dev);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  HeadlessDevice dev{16, 16};
};

TEST_F(QuadLayerPictureTest, Draw2DFillsTheViewportWithTextureOriginAtTheBottomLeft) {
  QuadLayer layer;
  layer.build(dev.device, Vec3(0, 0, 0), 50, 50, 1, 1, 0xFFFFFFFF);
  IDirect3DTexture9* texture = fourColours(dev);
  dev->SetTexture(0, texture);
  layer.draw2D(dev.device);
  EXPECT_EQ(dev.pixel(0, 15), 0xFFFF0000u);  // texel (0, 0)
  EXPECT_EQ(dev.pixel(15, 15), 0xFF00FF00u);
  EXPECT_EQ(dev.pixel(0, 0), 0xFF0000FFu);
  EXPECT_EQ(dev.pixel(15, 0), 0xFFFFFFFFu);
  dev->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(QuadLayerPictureTest, Draw3DShowsThePictureUprightOnlyWhenMirrored) {
  QuadLayer layer;
  layer.build(dev.device, Vec3(0, 0, 0), 1, 1, 1, 1, 0xFFFFFFFF);
  layer.texture.texture = fourColours(dev);  // the layer's own picture
  layer.hasTexture = 1;
  // At z = 4 the unit square spans the middle half of the screen.
  layer.draw3D(dev.device, Vec3(0, 0, 4), 1);
  EXPECT_EQ(dev.pixel(5, 5), 0xFFFF0000u);  // vertex 0 at the top-left
  EXPECT_EQ(dev.pixel(10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(dev.pixel(1, 1), 0xFF000000u);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  layer.draw3D(dev.device, Vec3(0, 0, 4), 0);
  EXPECT_EQ(dev.pixel(10, 5), 0xFFFF0000u);  // turned half: vertex 0 at the top-right
  EXPECT_EQ(dev.pixel(5, 10), 0xFFFFFFFFu);
  dev->SetTexture(0, nullptr);
}

class QuadLayerCallsTest : public ::testing::Test {
 protected:
  QuadLayerCallsTest() : device(new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0)) {}
  ~QuadLayerCallsTest() override { device->Release(); }
  platform::RecordingDevice* device;
};

TEST_F(QuadLayerCallsTest, BuildFillsTheRectangleAndDrawPlainDrawsTwice) {
  QuadLayer layer;
  layer.build(device, Vec3(1, 2, 3), 16, 8, 16, 4, 0x80FFFFFF);
  QuadVertex* v = layer.lock();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v[0].position, Vec3(-15, -6, 3));
  EXPECT_EQ(v[1].position, Vec3(-15, 10, 3));
  EXPECT_EQ(v[3].position, Vec3(17, 10, 3));
  EXPECT_EQ(v[2].u, 16.0f);
  EXPECT_EQ(v[1].v, 4.0f);
  EXPECT_EQ(v[3].colour, 0x80FFFFFFu);
  layer.unlock();
  layer.setColour(0xFF102030);
  EXPECT_EQ(layer.lock()[2].colour, 0xFF102030u);
  layer.unlock();
  EXPECT_EQ(device->state().stage(0, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
  EXPECT_EQ(device->state().stage(0, D3DTSS_ALPHAOP), DWORD(D3DTOP_MODULATE));

  device->log.calls.clear();
  layer.drawPlain();
  EXPECT_EQ(device->log.matching("Draw"),
            (std::vector<std::string>{"DrawPrimitive(5, 0, 2)",
                                      "DrawIndexedPrimitive(5, 0, 0, 4, 0, 2)"}));
  // No texture: draw3D binds null, twice.
  device->log.calls.clear();
  layer.setTexture(nullptr);
  layer.draw3D(device, Vec3(0, 0, 2), 0);
  EXPECT_EQ(device->log.matching("SetTexture"),
            (std::vector<std::string>{"SetTexture(0, null)", "SetTexture(0, null)"}));
}

TEST_F(QuadLayerCallsTest, RenderTargetSelectsClearsAndKeepsOneSurfaceReference) {
  RenderTarget target;
  ASSERT_EQ(target.create(device, 256, 256), 1);
  target.saveBackBuffer(device);
  target.takeSurface(0);
  IDirect3DSurface9* first = target.surface;
  target.takeSurface(0);
  EXPECT_EQ(target.surface, first);
  device->log.calls.clear();
  target.select(device, 0);
  target.select(device, 1);
  target.select(device, 2);
  EXPECT_EQ(device->log.calls,
            (std::vector<std::string>{
                "SetRenderTarget(0, ?)", "Clear(0, null, 3, 2130706432, 1, 0)",
                "Clear(0, null, 3, 2130706432, 1, 0)", "SetRenderTarget(0, backbuffer)",
                "Clear(0, null, 3, 2130706432, 1, 0)"}));
  EXPECT_EQ(target.savedBackBuffer, nullptr);
  target.release();
  target.release();
  EXPECT_EQ(target.texture, nullptr);
}

}  // namespace
}  // namespace korvel
