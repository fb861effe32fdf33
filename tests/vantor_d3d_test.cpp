#include "app/vantor_d3d.h"

#include <gtest/gtest.h>

#include "platform/offline_host.h"
#include "platform/recording_device.h"

namespace korvel {
namespace {

using platform::RecordingDevice;
using platform::RecordingDirect3D;

RecordingDirect3D* provided = nullptr;
IDirect3D9* provide() {
  if (provided) {
    provided->AddRef();
  }
  return provided;
}

// The offline host with the recording Direct3D in place of OpenGL.
platform::Host recordingHost(platform::OfflineHost& offline) {
  platform::Host host = offline.preset();
  host.direct3d = provide;
  return host;
}

class DeviceApp : public VantorD3D {
 public:
  int frame() override { return 1; }
  ~DeviceApp() override {
    if (device)
      device->Release();
    if (d3d)
      d3d->Release();
  }
  RecordingDevice* recording() const { return static_cast<RecordingDevice*>(device); }
  const D3DPRESENT_PARAMETERS& params() const { return presentParams; }
  void open(int fullscreen) { create(nullptr, "KORVEL", 800, 600, 32, fullscreen); }
};

class VantorD3DTest : public ::testing::Test {
 protected:
  void SetUp() override {
    provided = &d3d;
    d3d.AddRef();  // the test's own reference outlives the application's
  }
  void TearDown() override { provided = nullptr; }

  platform::OfflineHost offline;
  platform::HostScope recording{recordingHost(offline)};
  platform::OfflineWindowSystem& system = offline.windows;
  RecordingDirect3D d3d;
  DeviceApp app;
};

TEST_F(VantorD3DTest, FullScreenBackBufferIsTheWindowSizeWithAlphaAndDepth) {
  app.open(1);
  ASSERT_EQ(app.createDevice(800, 600, 1, 1), 1);
  const D3DPRESENT_PARAMETERS& p = app.params();
  EXPECT_EQ(p.BackBufferWidth, 800u);
  EXPECT_EQ(p.BackBufferHeight, 600u);
  EXPECT_EQ(p.BackBufferFormat, D3DFMT_A8R8G8B8);
  EXPECT_EQ(p.BackBufferCount, 1u);
  EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_COPY);
  EXPECT_EQ(p.hDeviceWindow, app.getHwnd());
  EXPECT_EQ(p.Windowed, FALSE);
  EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
  EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
  EXPECT_EQ(p.Flags, D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
  EXPECT_EQ(p.PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);
  // The desktop is not asked in full screen.
  EXPECT_TRUE(d3d.log.matching("GetAdapterDisplayMode").empty());
  ASSERT_NE(app.recording(), nullptr);
  EXPECT_EQ(app.recording()->behaviorFlags(), D3DCREATE_HARDWARE_VERTEXPROCESSING);
  EXPECT_TRUE(system.shown.empty());
}

TEST_F(VantorD3DTest, WindowedBackBufferTakesTheDesktopMode) {
  app.open(0);
  ASSERT_EQ(app.createDevice(800, 600, 0, 1), 1);
  EXPECT_EQ(app.params().BackBufferWidth, 1280u);
  EXPECT_EQ(app.params().BackBufferHeight, 1024u);
  EXPECT_EQ(app.params().BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(app.params().Windowed, TRUE);
  EXPECT_EQ(app.getWidth(), 800);
  EXPECT_EQ(system.opened.at(0).width, 800);
}

TEST_F(VantorD3DTest, RefusedHardwareVertexProcessingRetriesInSoftwareSilently) {
  d3d.refuseHardwareVertexProcessing = true;
  app.open(1);
  ASSERT_EQ(app.createDevice(800, 600, 1, 1), 1);
  std::vector<std::string> attempts = d3d.log.matching("CreateDevice");
  ASSERT_EQ(attempts.size(), 2u);
  EXPECT_NE(attempts[0].find(", 64)"), std::string::npos) << attempts[0];
  EXPECT_NE(attempts[1].find(", 32)"), std::string::npos) << attempts[1];
  EXPECT_EQ(app.recording()->behaviorFlags(), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  EXPECT_TRUE(system.shown.empty());
}

TEST_F(VantorD3DTest, FailuresAreToldWithTheirMessages) {
  struct {
    const char* name;
    bool noDirect3D, noDisplayMode, noDevice;
    const char* message;
  } cases[] = {
      {"no Direct3D object", true, false, false, "couldnt create d3d object"},
      {"desktop mode unreadable", false, true, false, "Failed to GetAdapterDisplayMode!"},
      {"no device at all", false, false, true, "Failed to create the Direct3D device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::OfflineHost nested;
    platform::HostScope nestedRecording(recordingHost(nested));
    auto& local = nested.windows;
    RecordingDirect3D failing;
    failing.failDisplayMode = c.noDisplayMode;
    failing.refuseAllDevices = c.noDevice;
    provided = c.noDirect3D ? nullptr : &failing;
    failing.AddRef();
    DeviceApp probe;
    probe.open(0);
    EXPECT_EQ(probe.createDevice(800, 600, 0, 1), 0);
    ASSERT_EQ(local.shown.size(), 1u);
    EXPECT_EQ(local.shown[0].text, c.message);
    EXPECT_EQ(local.shown[0].caption, "DIRECT3D");
    EXPECT_EQ(local.shown[0].type, MB_ICONERROR);
    EXPECT_EQ(local.shown[0].owner, probe.getHwnd());
    EXPECT_EQ(probe.recording(), nullptr);
  }
}

TEST_F(VantorD3DTest, PresentShowsTheWholeBackBuffer) {
  app.open(1);
  app.createDevice(800, 600, 1, 1);
  EXPECT_EQ(app.present(), D3D_OK);
  EXPECT_EQ(app.recording()->log.matching("Present"),
            (std::vector<std::string>{"Present(null, null, null, null)"}));
}

}  // namespace
}  // namespace korvel
