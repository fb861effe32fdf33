#include "assets/texture.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>

#include "content/tga_writer.h"
#include "platform/offline_host.h"
#include "platform/recording_device.h"
#include "support/headless_device.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using testing::TempDir;

// An uncompressed TGA: the 18-byte header, then `data` as the file stores it.
std::vector<unsigned char> tgaFile(int width, int height, int bits,
                                   const std::vector<unsigned char>& data, int type = -1,
                                   int descriptor = 0) {
  if (type < 0) {
    type = bits == 8 ? 3 : 2;
  }
  std::vector<unsigned char> file = {0,
                                     0,
                                     (unsigned char)type,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     (unsigned char)(width & 0xFF),
                                     (unsigned char)(width >> 8),
                                     (unsigned char)(height & 0xFF),
                                     (unsigned char)(height >> 8),
                                     (unsigned char)bits,
                                     (unsigned char)descriptor};
  for (unsigned char byte : data) {
    file.push_back(byte);
  }
  return file;
}

std::vector<unsigned char> pixelsOf(const Texture& t) {
  size_t n = size_t(t.width) * t.height * t.bytesPerPixel;
  return std::vector<unsigned char>(t.pixels, t.pixels + n);
}

class TextureTest : public ::testing::Test {
 protected:
  TextureTest() : device(new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0)) {}
  ~TextureTest() override { device->Release(); }

  std::vector<unsigned char> level0(Texture& t) {
    D3DLOCKED_RECT locked;
    t.texture->LockRect(0, &locked, nullptr, 0);
    std::vector<unsigned char> out(
        static_cast<unsigned char*>(locked.pBits),
        static_cast<unsigned char*>(locked.pBits) + size_t(t.width) * t.height * 4);
    t.texture->UnlockRect(0);
    return out;
  }

  platform::OfflineHost offline;
  platform::OfflineWindowSystem& system = offline.windows;
  TempDir dir;
  platform::RecordingDevice* device;
};

TEST_F(TextureTest, WrittenTgaFilesReadBackTopRowFirst) {
  struct {
    int bits;
    std::vector<unsigned char> written;  // top row first, as the writer takes them
    std::vector<unsigned char> read;     // grey, or alpha, red, green, blue
  } cases[] = {
      {8, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {24,
       {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255},
       {255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255}},
      {32,
       {10, 20, 30, 40, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       {40, 30, 20, 10, 4, 3, 2, 1, 8, 7, 6, 5, 12, 11, 10, 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    std::string error;
    std::string path = dir.path("written.tga");
    ASSERT_TRUE(content::writeTga(path, 2, 2, c.bits, c.written, &error)) << error;
    Texture t;
    ASSERT_EQ(t.loadImage(path.c_str()), 1);
    EXPECT_EQ(pixelsOf(t), c.read);
  }
  std::string error;
  EXPECT_FALSE(content::writeTga(dir.path("short.tga"), 2, 2, 24, {1, 2, 3}, &error));
  EXPECT_FALSE(std::filesystem::exists(dir.path("short.tga")));
  EXPECT_TRUE(system.shown.empty());
}

TEST_F(TextureTest, LoadImageTurnsRowsAndChannelsIntoTheirLayouts) {
  struct {
    const char* name;
    std::vector<unsigned char> file;
    int bytesPerPixel;
    std::vector<unsigned char> pixels;
  } cases[] = {
      // Bottom row (blue, white) first, then the top row (red, green); blue-green-red.
      {"24-bit",
       tgaFile(2, 2, 24, {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0}),
       4,
       {255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255}},
      // Blue 10, green 20, red 30, alpha 40.
      {"32-bit", tgaFile(1, 1, 32, {10, 20, 30, 40}), 4, {40, 30, 20, 10}},
      {"8-bit grey", tgaFile(2, 2, 8, {1, 2, 3, 4}), 1, {3, 4, 1, 2}},
      {"top-first origin", tgaFile(1, 2, 8, {7, 9}, -1, 0x20), 1, {7, 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Texture t;
    ASSERT_EQ(t.loadImage(dir.write("image.tga", c.file).c_str()), 1);
    EXPECT_EQ(t.bytesPerPixel, c.bytesPerPixel);
    EXPECT_EQ(pixelsOf(t), c.pixels);
  }
  EXPECT_TRUE(system.shown.empty());
}

TEST_F(TextureTest, LoadTextureStoresBlueGreenRedAlpha) {
  Texture t;
  EXPECT_EQ(t.loadTexture(device, dir.write("a.tga", tgaFile(1, 1, 32, {10, 20, 30, 40})).c_str()),
            1);
  ASSERT_NE(t.texture, nullptr);
  EXPECT_EQ(t.pixels, nullptr);
  EXPECT_EQ(level0(t), (std::vector<unsigned char>{10, 20, 30, 40}));
  EXPECT_EQ(device->log.matching("CreateTexture"),
            (std::vector<std::string>{"CreateTexture(1, 1, 0, 0, 21, 1)"}));
  // A grey image becomes opaque grey instead of being read past its end.
  Texture grey;
  grey.loadTexture(device, dir.write("g.tga", tgaFile(2, 1, 8, {0, 200})).c_str());
  EXPECT_EQ(level0(grey), (std::vector<unsigned char>{0, 0, 0, 255, 200, 200, 200, 255}));
}

// Peak resident memory of the process so far, in kilobytes.
long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(TextureTest, AHeaderClaimingMoreThanTheFileHoldsIsRefusedBeforeAllocating) {
  // 18 bytes that claim 16384 x 16384 x 32 bits: a gigabyte.
  std::string path = dir.write("huge.tga", tgaFile(16384, 16384, 32, {}));
  long before = peakKilobytes();
  Texture t;
  EXPECT_EQ(t.loadImage(path.c_str()), -1);
  EXPECT_LT(peakKilobytes() - before, 64 * 1024) << "the reader allocated for pixels it lacks";
  ASSERT_EQ(system.shown.size(), 1u);
  EXPECT_NE(system.shown[0].text.find("shorter"), std::string::npos);
}

TEST_F(TextureTest, MalformedFilesAreRefusedWithAMessageAndChangeNothing) {
  std::string longName(300, 'x');
  struct {
    const char* name;
    std::string path;
    const char* message;
  } cases[] = {
      {"missing", dir.path("none.tga"), "Error loading "},
      {"missing, very long path", dir.path(longName + ".tga"), "Error loading "},
      {"short header", dir.write("h.tga", std::vector<unsigned char>{0, 0, 2, 0}),
       "Error loading header of "},
      {"truncated pixels", dir.write("t.tga", tgaFile(4, 4, 24, {1, 2, 3})), "shorter"},
      {"zero width", dir.write("z.tga", tgaFile(0, 4, 24, {})), "size"},
      {"negative height", dir.write("n.tga", tgaFile(2, 0xFFFF, 24, {})), "size"},
      {"16-bit", dir.write("d.tga", tgaFile(1, 1, 16, {1, 2}, 2)), "only 8-bit grey"},
      {"run-length", dir.write("r.tga", tgaFile(1, 1, 24, {0x80, 1, 2, 3}, 10)),
       "only uncompressed"},
      {"colour-mapped", dir.write("m.tga", tgaFile(1, 1, 8, {0}, 1)), "only uncompressed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Texture t;
    ASSERT_EQ(t.loadImage(dir.write("ok.tga", tgaFile(1, 1, 24, {1, 2, 3})).c_str()), 1);
    system.shown.clear();
    EXPECT_EQ(t.loadImage(c.path.c_str()), -1);
    ASSERT_EQ(system.shown.size(), 1u);
    EXPECT_NE(system.shown[0].text.find(c.message), std::string::npos) << system.shown[0].text;
    EXPECT_EQ(system.shown[0].caption, "Error");
    EXPECT_EQ(t.width, 1);
    EXPECT_EQ(pixelsOf(t), (std::vector<unsigned char>{255, 3, 2, 1}));
  }
  // The whole path survives in the message.
  Texture t;
  system.shown.clear();
  t.loadImage(dir.path(longName + ".tga").c_str());
  EXPECT_NE(system.shown.at(0).text.find(longName + ".tga"), std::string::npos);
}

TEST_F(TextureTest, MissingFileStillLeavesAUsableObject) {
  Texture t;
  EXPECT_EQ(t.loadTexture(device, dir.path("gone.tga").c_str()), 1);
  ASSERT_EQ(system.shown.size(), 2u);
  EXPECT_EQ(system.shown[0].text.rfind("Error loading ", 0), 0u);
  EXPECT_EQ(system.shown[1].text, "failed to create RGBA texture");
  EXPECT_EQ(system.shown[1].caption, "moo");
  EXPECT_EQ(t.texture, nullptr);
  t.bind(0, device);
  EXPECT_EQ(device->log.matching("SetTexture"), (std::vector<std::string>{"SetTexture(0, null)"}));
}

TEST_F(TextureTest, FillCopiesTexelsInTextureOrder) {
  Texture ramp;
  ASSERT_EQ(ramp.createTexture(device, 8, 1), 0);
  const unsigned char grey[8] = {0, 0, 255, 255, 255, 255, 255, 255};
  ramp.fill(grey, 1);
  ramp.unlock(0);
  std::vector<unsigned char> expected;
  for (unsigned char g : grey) {
    expected.insert(expected.end(), {g, g, g, 255});
  }
  EXPECT_EQ(level0(ramp), expected);

  Texture colour;
  colour.createTexture(device, 2, 1);
  const unsigned char bgr[6] = {1, 2, 3, 4, 5, 6};
  colour.fill(bgr, 3);
  colour.unlock(0);
  EXPECT_EQ(level0(colour), (std::vector<unsigned char>{1, 2, 3, 255, 4, 5, 6, 255}));

  Texture none;
  none.fill(grey, 1);
  none.unlock(0);
  ASSERT_EQ(system.shown.size(), 1u);
  EXPECT_EQ(system.shown[0].text, "failed to lock texture");
}

}  // namespace
}  // namespace korvel
