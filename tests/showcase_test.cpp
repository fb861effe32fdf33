// The same frame headless and in a window, written to PNG files to be looked at.
#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d9.h"
#include "platform/image_file.h"
#include "platform/window_system.h"
#include "support/headless_device.h"
#include "support/showcase.h"

namespace korvel {
namespace {

using testing::HeadlessDevice;

LRESULT plainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return platform::windowSystem().defWindowProc(window, message, wParam, lParam);
}

std::vector<uint8_t> drawInWindow(UINT width, UINT height) {
  auto& system = platform::windowSystem();
  WNDCLASSEXA windowClass{sizeof(WNDCLASSEXA), 0, plainProcedure, nullptr, "ShowcaseTest"};
  system.registerClass(windowClass);
  HWND window = system.createWindow("ShowcaseTest", "showcase", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                    0, int(width), int(height), nullptr);
  std::vector<uint8_t> pixels;
  if (window) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = D3DFMT_A8R8G8B8;
    params.SwapEffect = D3DSWAPEFFECT_COPY;
    params.hDeviceWindow = window;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    if (d3d &&
        SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device))) {
      testing::drawShowcase(device);
      UINT w = 0, h = 0;
      platform::readBackBuffer(device, &pixels, &w, &h);
      device->Present(nullptr, nullptr, nullptr, nullptr);
      device->Release();
    }
    if (d3d) {
      d3d->Release();
    }
    system.destroyWindow(window);
  }
  system.unregisterClass("ShowcaseTest", nullptr);
  return pixels;
}

TEST(ShowcaseTest, HeadlessFrameShowsTheMeshAndTheBlendedQuad) {
  HeadlessDevice dev(320, 240);
  ASSERT_TRUE(dev);
  ASSERT_TRUE(testing::drawShowcase(dev.device));
  std::vector<uint8_t> pixels = dev.pixels();
  EXPECT_TRUE(platform::writePng("device-showcase.png", pixels, 320, 240));
  EXPECT_EQ(dev.pixel(2, 2), 0xFF202848u);      // cleared background
  EXPECT_NE(dev.pixel(100, 150), 0xFF202848u);  // the cube, lit
  D3DCOLOR quad = dev.pixel(250, 40);           // the quad over the background
  EXPECT_NE(quad, 0xFF202848u);
  EXPECT_NE(quad & 0x00FFFFFF, 0x00FFFFFFu);  // blended, not opaque white
}

TEST(ShowcaseTest, WindowDrawsTheSameFrameAsHeadless) {
  std::vector<uint8_t> windowed = drawInWindow(320, 240);
  if (windowed.empty()) {
    GTEST_SKIP() << "no display with OpenGL here";
  }
  HeadlessDevice dev(320, 240);
  ASSERT_TRUE(testing::drawShowcase(dev.device));
  std::vector<uint8_t> headless = dev.pixels();
  platform::writePng("device-showcase-window.png", windowed, 320, 240);
  ASSERT_EQ(windowed.size(), headless.size());
  size_t differing = 0;
  for (size_t i = 0; i < windowed.size(); ++i) {
    differing += std::abs(int(windowed[i]) - int(headless[i])) > 2;
  }
  EXPECT_EQ(differing, 0u);
}

}  // namespace
}  // namespace korvel
