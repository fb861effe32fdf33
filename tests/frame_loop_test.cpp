// The loop stepped from outside, as offline rendering drives it: each step is one frame, and
// the frame can be read back before the next.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/vantor_d3d.h"
#include "platform/offline_host.h"

namespace korvel {
namespace {

// Clears each frame to a colour that counts the frames, then presents.
class CountingApp : public VantorD3D {
 public:
  ~CountingApp() override {
    if (device)
      device->Release();
    if (d3d)
      d3d->Release();
  }
  int init() override { return createDevice(width, height, fullscreen, 0); }
  int frame() override {
    ++frames;
    device->Clear(0, nullptr, D3DCLEAR_TARGET,
                  D3DCOLOR_ARGB(255, frames * 40, 0, 255 - frames * 40), 1.0f, 0);
    present();
    if (frames == stopAt) {
      running = 0;
    }
    return 1;
  }
  int frames = 0;
  int stopAt = -1;
};

D3DCOLOR firstPixel(const std::vector<uint8_t>& pixels) {
  D3DCOLOR color = 0;
  std::memcpy(&color, pixels.data(), 4);
  return color & 0xFFFFFF;
}

TEST(FrameLoopTest, EachStepDrawsOneFrameThatCanBeReadBack) {
  platform::OfflineHost offline;
  CountingApp app;
  ASSERT_EQ(app.create(nullptr, "KORVEL", 64, 48, 32, 1), 1);
  app.stopAt = 4;
  app.beginLoop();
  std::vector<D3DCOLOR> seen;
  bool more = true;
  while (more) {
    more = app.step();
    std::vector<uint8_t> pixels;
    UINT w = 0, h = 0;
    ASSERT_TRUE(app.readBackBuffer(&pixels, &w, &h));
    EXPECT_EQ(w, 64u);
    EXPECT_EQ(h, 48u);
    seen.push_back(firstPixel(pixels));
  }
  EXPECT_EQ(app.frames, 4);
  EXPECT_EQ(seen, (std::vector<D3DCOLOR>{0x2800D7, 0x5000AF, 0x780087, 0xA0005F}));
  EXPECT_FALSE(app.step()) << "a loop that has ended stays ended";
  EXPECT_EQ(app.frames, 4);
}

TEST(FrameLoopTest, AQuitMessageEndsTheLoopWithoutAFrame) {
  platform::OfflineHost offline;
  CountingApp app;
  ASSERT_EQ(app.create(nullptr, "KORVEL", 64, 48, 32, 1), 1);
  app.beginLoop();
  EXPECT_TRUE(app.step());
  offline.windows.script(MSG{app.getHwnd(), WM_CLOSE, 0, 0});
  EXPECT_TRUE(app.step());  // the close is handled and this pass still draws
  EXPECT_FALSE(app.step());
  EXPECT_EQ(app.frames, 2);
}

}  // namespace
}  // namespace korvel
