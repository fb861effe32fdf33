#include "video/video_texture.h"

#include <gtest/gtest.h>

#include "platform/offline_host.h"
#include "platform/recording_device.h"
#include "platform/video_file.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

// Solid frames of these colours (blue, green, red bytes), 320 x 240, lossless.
const uint8_t kColours[6][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                                {255, 255, 0}, {0, 255, 255}, {40, 80, 120}};

std::string writeFilm(const testing::TempDir& dir, int width = 320, int height = 240) {
  std::string path = dir.path("film.avi");
  platform::VideoWriter writer;
  std::string error;
  EXPECT_TRUE(writer.open(path, width, height, 25, "ffv1", &error)) << error;
  for (const auto& c : kColours) {
    std::vector<uint8_t> picture(size_t(width) * height * 4);
    for (size_t i = 0; i < picture.size(); i += 4) {
      picture[i] = c[0];
      picture[i + 1] = c[1];
      picture[i + 2] = c[2];
      picture[i + 3] = 255;
    }
    EXPECT_TRUE(writer.writeFrame(picture));
  }
  EXPECT_TRUE(writer.close());
  return path;
}

TEST(VideoDecoderTest, HandsOutAnyFrameAndReadsOnWithoutSeeking) {
  testing::TempDir dir;
  platform::VideoDecoder decoder;
  ASSERT_TRUE(decoder.open(writeFilm(dir)));
  EXPECT_EQ(decoder.frameCount(), 6);
  EXPECT_EQ(decoder.width(), 320);
  EXPECT_EQ(decoder.height(), 240);
  std::vector<uint8_t> picture;
  for (int index : {4, 1, 5, 0, 2, 3}) {
    ASSERT_TRUE(decoder.decodeFrame(index, 8, 8, &picture)) << index;
    EXPECT_EQ(picture[0], kColours[index][0]) << index;
    EXPECT_EQ(picture[1], kColours[index][1]) << index;
    EXPECT_EQ(picture[2], kColours[index][2]) << index;
  }
  int seeks = decoder.seekCount();
  for (int index : {4, 4, 5, 5}) {
    ASSERT_TRUE(decoder.decodeFrame(index, 8, 8, &picture));
    EXPECT_EQ(picture[2], kColours[index][2]);
  }
  EXPECT_EQ(decoder.seekCount(), seeks);  // 3 was the last: 4 and 5 follow on, or repeat
  EXPECT_FALSE(decoder.decodeFrame(6, 8, 8, &picture));
  EXPECT_FALSE(decoder.open(dir.write("not-a-film.avi", "nothing to see")));
}

class VideoTextureTest : public ::testing::Test {
 protected:
  VideoTextureTest() : device(new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0)) {}
  ~VideoTextureTest() override { device->Release(); }

  std::vector<uint8_t> texels(const VideoTexture& video) {
    D3DLOCKED_RECT locked;
    video.stream->texture->LockRect(0, &locked, nullptr, 0);
    auto* bytes = static_cast<uint8_t*>(locked.pBits);
    std::vector<uint8_t> out(bytes, bytes + 256 * 256 * 4);
    video.stream->texture->UnlockRect(0);
    return out;
  }

  platform::OfflineHost offline;
  platform::OfflineWindowSystem& system = offline.windows;
  testing::TempDir dir;
  platform::RecordingDevice* device;
};

TEST_F(VideoTextureTest, FramesAreClampedFillTheTextureAndAreOpaque) {
  VideoTexture video;
  ASSERT_EQ(video.init(device, writeFilm(dir).c_str()), 0);
  video.setColour(0xFFFFFFFF);
  EXPECT_EQ(video.frameCount(), 6);
  EXPECT_EQ(device->log.matching("CreateTexture"),
            (std::vector<std::string>{"CreateTexture(256, 256, 0, 0, 22, 1)"}));
  struct {
    int asked, shown;
  } cases[] = {{-5, 0}, {2, 2}, {16, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked);
    video.drawFrame(device, c.asked);
    std::vector<uint8_t> t = texels(video);
    for (size_t i = 0; i < t.size(); i += 4 * 997) {
      ASSERT_EQ(t[i], kColours[c.shown][0]);
      ASSERT_EQ(t[i + 1], kColours[c.shown][1]);
      ASSERT_EQ(t[i + 2], kColours[c.shown][2]);
      ASSERT_EQ(t[i + 3], 255);
    }
    EXPECT_EQ(t[t.size() - 2], kColours[c.shown][2]);  // the last texel too: stretched, not boxed
  }
  EXPECT_EQ(device->log.matching("DrawIndexedPrimitive").size(), 3u);
  EXPECT_TRUE(system.shown.empty());
}

TEST_F(VideoTextureTest, TextureRowZeroHoldsThePicturesBottomRow) {
  std::string path = dir.path("halves.avi");
  platform::VideoWriter writer;
  std::string error;
  ASSERT_TRUE(writer.open(path, 64, 64, 25, "ffv1", &error)) << error;
  std::vector<uint8_t> picture(64 * 64 * 4, 255);
  for (size_t i = 0; i < picture.size() / 2; i += 4) {  // top half red, bottom half white
    picture[i] = picture[i + 1] = 0;
  }
  ASSERT_TRUE(writer.writeFrame(picture));
  ASSERT_TRUE(writer.close());
  VideoTexture video;
  ASSERT_EQ(video.init(device, path.c_str()), 0);
  video.drawFrame(device, 0);
  std::vector<uint8_t> t = texels(video);
  EXPECT_EQ(t[0], 255);            // row 0: the white bottom
  EXPECT_EQ(t[255 * 256 * 4], 0);  // row 255: the red top
  EXPECT_EQ(t[255 * 256 * 4 + 2], 255);
}

TEST_F(VideoTextureTest, MissingFilmIsToldAndDrawsAPlainLayer) {
  VideoTexture video;
  EXPECT_EQ(video.init(device, dir.path("v2.avi").c_str()), E_FAIL);
  ASSERT_EQ(system.shown.size(), 2u);
  EXPECT_EQ(system.shown[0].text, "Failed To Open The AVI Stream");
  EXPECT_EQ(system.shown[0].caption, "Error");
  EXPECT_EQ(system.shown[0].type, MB_ICONWARNING);
  EXPECT_EQ(system.shown[1].text, "failed to load movie");
  EXPECT_EQ(system.shown[1].caption, "error");
  EXPECT_EQ(video.frameCount(), 0);
  device->log.calls.clear();
  EXPECT_EQ(video.drawFrame(device, 3), 0);
  EXPECT_EQ(device->log.matching("SetTexture"), (std::vector<std::string>{"SetTexture(0, null)"}));
  EXPECT_EQ(device->log.matching("DrawIndexedPrimitive").size(), 1u);
}

}  // namespace
}  // namespace korvel
