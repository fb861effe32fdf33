// The generated data/ tree as the demo's own readers see it: sizes, formats, seamless tiling,
// closed outward models, a readable film, shader files that compile, and the same bytes on
// every run.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <tuple>

#include "assets/scene_file.h"
#include "assets/texture.h"
#include "content/generate.h"
#include "platform/d3dx.h"
#include "platform/fx_file.h"
#include "platform/offline_host.h"
#include "platform/recording_device.h"
#include "platform/video_file.h"
#include "support/headless_device.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

std::string data(const std::string& name) {
  return (fs::path(KORVEL_DATA) / name).string();
}

std::vector<char> bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ContentTest, GeneratingAgainGivesTheSameBytes) {
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(content::generateData(dir.path("data"), &error)) << error;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path("data"))) {
    if (!entry.is_regular_file()) {
      continue;
    }
    ++files;
    fs::path relative = fs::relative(entry.path(), dir.path("data"));
    EXPECT_EQ(relative.string().find(".partial"), std::string::npos) << relative;
    EXPECT_TRUE(bytesOf(entry.path()) == bytesOf(fs::path(KORVEL_DATA) / relative)) << relative;
  }
  EXPECT_EQ(files, 17);
}

TEST(ContentTest, TexturesReadWithBothReadersAtTheirSizes) {
  platform::OfflineHost offline;
  auto* device = new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0);
  struct {
    const char* name;
    int size, bytesPerPixel;
  } textures[] = {{"map.tga", 256, 4},      {"velmira.tga", 256, 4},  {"darkenv1.tga", 256, 4},
                  {"darkenv2.tga", 256, 4}, {"bgrnd1b.tga", 256, 4},  {"seafloor.tga", 256, 4},
                  {"square24.tga", 128, 4}, {"heightmap.tga", 128, 1}};
  for (const auto& t : textures) {
    SCOPED_TRACE(t.name);
    Texture texture;
    ASSERT_EQ(texture.loadImage(data(t.name).c_str()), 1);
    EXPECT_EQ(texture.width, t.size);
    EXPECT_EQ(texture.height, t.size);
    EXPECT_EQ(texture.bytesPerPixel, t.bytesPerPixel);
    IDirect3DTexture9* loaded = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, data(t.name).c_str(), &loaded), D3D_OK);
    D3DSURFACE_DESC desc{};
    loaded->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, UINT(t.size));
    loaded->Release();
  }
  // The 24-bit files carry no alpha: the texture reader makes them opaque.
  std::ifstream square(data("square24.tga"), std::ios::binary);
  char header[18];
  square.read(header, 18);
  EXPECT_EQ(header[16], 24);
  EXPECT_TRUE(offline.windows.shown.empty());
  device->Release();
}

// How far apart two pixel columns (or rows) are, on average over their channels.
double difference(const Texture& t, int a, int b, bool columns) {
  double sum = 0;
  const int channels = t.bytesPerPixel;
  for (int i = 0; i < t.height; ++i) {
    for (int c = 0; c < channels; ++c) {
      int pa = columns ? i * t.width + a : a * t.width + i;
      int pb = columns ? i * t.width + b : b * t.width + i;
      sum += std::abs(int(t.pixels[pa * channels + c]) - int(t.pixels[pb * channels + c]));
    }
  }
  return sum / (t.height * channels);
}

TEST(ContentTest, SeamlessTexturesContinueAcrossTheirEdges) {
  platform::OfflineHost offline;
  for (const char* name : {"darkenv1.tga", "darkenv2.tga", "seafloor.tga", "heightmap.tga"}) {
    SCOPED_TRACE(name);
    Texture t;
    ASSERT_EQ(t.loadImage(data(name).c_str()), 1);
    const int last = t.width - 1;
    for (bool columns : {true, false}) {
      // The last column next to the first differs no more than the neighbours on either side.
      double beside =
          std::max(difference(t, 0, 1, columns), difference(t, last - 1, last, columns));
      EXPECT_LT(difference(t, last, 0, columns), 1.5 * beside + 1)
          << (columns ? "columns" : "rows");
    }
  }
}

TEST(ContentTest, GlyphSheetIsKeyedOnExactBlackWithoutAFringe) {
  platform::OfflineHost offline;
  testing::HeadlessDevice dev(16, 16);
  IDirect3DTexture9* sheet = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(dev.device, data("arial.bmp").c_str(), 0, 0, 1, 0,
                                         D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0, 0, 0xFF000000,
                                         nullptr, nullptr, &sheet),
            D3D_OK);
  D3DSURFACE_DESC desc{};
  sheet->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 256u);
  EXPECT_EQ(desc.Height, 128u);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(sheet->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  auto texel = [&](int x, int y) {
    return *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) +
                                              y * locked.Pitch + x * 4);
  };
  int inA = 0, dim = 0, cleared = 0;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 256; ++x) {
      uint32_t t = texel(x, y);
      int brightness = int((t >> 16) & 0xFF);
      cleared += t == 0;
      dim += t != 0 && brightness < 100;
      // 'A' is code 65: cell 33, column 1 of row 2.
      inA += x >= 16 && x < 32 && y >= 32 && y < 48 && brightness > 200;
    }
  }
  sheet->UnlockRect(0);
  sheet->Release();
  EXPECT_GT(inA, 20);
  EXPECT_EQ(dim, 0) << "dark pixels the key leaves would fringe the glyphs";
  EXPECT_GT(cleared, 256 * 128 / 2);
}

// Every directed edge, by its end positions, is met once in the other direction: the surface
// is closed and consistently wound. A positive volume then means the faces point outwards.
void expectClosedAndOutward(const ObjectRecord& o) {
  auto key = [&](int v) {
    const Vec3& p = o.vertices[size_t(v)].position;
    return std::make_tuple(std::lround(p.x * 1000), std::lround(p.y * 1000),
                           std::lround(p.z * 1000));
  };
  std::map<std::pair<decltype(key(0)), decltype(key(0))>, int> edges;
  double volume = 0;
  for (const auto& f : o.faces) {
    int corners[3] = {f.a, f.b, f.c};
    for (int i = 0; i < 3; ++i) {
      ++edges[{key(corners[i]), key(corners[(i + 1) % 3])}];
    }
    const Vec3 &a = o.vertices[size_t(f.a)].position, &b = o.vertices[size_t(f.b)].position,
               &c = o.vertices[size_t(f.c)].position;
    volume += a.dot(b.cross(c)) / 6.0;
  }
  int unmatched = 0;
  for (const auto& [edge, count] : edges) {
    auto reverse = edges.find({edge.second, edge.first});
    unmatched += reverse == edges.end() || reverse->second != count;
  }
  EXPECT_EQ(unmatched, 0) << o.name << " is open or wound both ways";
  EXPECT_GT(volume, 0) << o.name << " is wound inwards";
}

TEST(ContentTest, ModelsAreClosedFaceOutwardsAndHaveTheirScenesSizes) {
  struct {
    const char* name;
    float scale, minSize, maxSize;
    size_t minFaces, maxFaces;
  } models[] = {{"models/tolvan.tvk", 6.0f, 170, 260, 2000, 8000},
                {"models/spike4.tvk", 3.0f, 200, 300, 500, 4000},
                {"models/cuber.tvk", 0.95f, 90, 130, 200, 1000},
                {"models/fish1.tvk", 6.0f * 0.035f, 6.5f, 10, 150, 800}};
  for (const auto& m : models) {
    SCOPED_TRACE(m.name);
    SceneFile scene;
    ASSERT_EQ(scene.load(data(m.name).c_str()), 0);
    scene.scalePositions(m.scale);
    ASSERT_FALSE(scene.materials.empty());
    ASSERT_EQ(scene.cameras.size(), 1u);
    EXPECT_GT(scene.cameras[0].fieldOfView, 0.3f);
    EXPECT_LT(scene.cameras[0].fieldOfView, 1.6f);
    size_t faces = 0;
    Vec3 lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
    for (const auto& o : scene.objects) {
      expectClosedAndOutward(o);
      EXPECT_FALSE(o.texVertices.empty()) << o.name;
      EXPECT_GE(o.materialIndex, 0) << o.name;
      faces += o.faces.size();
      for (const auto& v : o.vertices) {
        lo = Vec3(std::min(lo.x, v.position.x), std::min(lo.y, v.position.y),
                  std::min(lo.z, v.position.z));
        hi = Vec3(std::max(hi.x, v.position.x), std::max(hi.y, v.position.y),
                  std::max(hi.z, v.position.z));
      }
    }
    float size = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
    EXPECT_GE(size, m.minSize);
    EXPECT_LE(size, m.maxSize);
    EXPECT_GE(faces, m.minFaces);
    EXPECT_LE(faces, m.maxFaces);
  }
  // The fish swims along +z: its length lies along z, the forked tail behind.
  SceneFile fish;
  ASSERT_EQ(fish.load(data("models/fish1.tvk").c_str()), 0);
  float minZ = 0, maxZ = 0, maxX = 0, maxY = 0;
  for (const auto& o : fish.objects) {
    for (const auto& v : o.vertices) {
      minZ = std::min(minZ, v.position.z);
      maxZ = std::max(maxZ, v.position.z);
      maxX = std::max(maxX, std::fabs(v.position.x));
      maxY = std::max(maxY, std::fabs(v.position.y));
    }
  }
  EXPECT_GT(maxZ - minZ, 2 * 2 * std::max(maxX, maxY));
  EXPECT_LT(minZ, -maxZ) << "the tail reaches further back than the nose forward";
}

TEST(ContentTest, EveryFilmFrameDecodesAndTheFirstIsWorthLookingAt) {
  platform::VideoDecoder film;
  ASSERT_TRUE(film.open(data("v2.avi")));
  EXPECT_EQ(film.frameCount(), 150);
  EXPECT_EQ(film.width(), 320);
  EXPECT_EQ(film.height(), 240);
  std::vector<double> brightness;
  for (int i = 0; i < 150; ++i) {
    std::vector<uint8_t> frame;
    ASSERT_TRUE(film.decodeFrame(i, 320, 240, &frame)) << i;
    double sum = 0;
    for (uint8_t b : frame) {
      sum += b;
    }
    brightness.push_back(sum / double(frame.size()));
  }
  // Frame 0 holds the line of light: not black, not washed out; the title frames are brighter
  // still, and the last frame has gone dark.
  EXPECT_GT(brightness[0], 6);
  EXPECT_LT(brightness[0], 60);
  EXPECT_GT(brightness[80], brightness[0]);
  EXPECT_LT(brightness[149], 3);
}

TEST(ContentTest, ShaderFilesCompileAndDeclareWhatTheScenesSet) {
  platform::OfflineHost offline;
  testing::HeadlessDevice dev(16, 16);
  std::vector<std::string> common = {"World",     "View",   "Proj",   "ViewProj",
                                     "WorldView", "WVP",    "InvWVP", "InvWorld",
                                     "InvView",   "eyeVec", "fTime",  "lightVec"};
  struct {
    const char* name;
    const char* technique;
    std::vector<std::string> textures;
  } files[] = {
      {"shaders/simple_mesh.fx", "TechniquePhongModel", {"BaseTexture", "SphereMapTexture"}},
      {"shaders/cartooner.fx", "TechniqueCelShading1", {"ShadesTexture", "BorderTexture"}}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(D3DXCreateEffectFromFileA(dev.device, data(f.name).c_str(), nullptr, nullptr, 0,
                                        nullptr, &effect, &errors),
              D3D_OK)
        << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    EXPECT_EQ(effect->SetTechnique(f.technique), D3D_OK);
    effect->Release();

    std::ifstream in(data(f.name));
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string error;
    auto fx = platform::parseFx(text, f.name, &error);
    ASSERT_TRUE(fx) << error;
    for (const auto& name : common) {
      const platform::FxParameter* p = fx->parameter(name);
      ASSERT_NE(p, nullptr) << name;
      auto expected = name == "fTime"                          ? platform::FxParameterType::Float
                      : name == "eyeVec" || name == "lightVec" ? platform::FxParameterType::Vector
                                                               : platform::FxParameterType::Matrix;
      EXPECT_EQ(p->type, expected) << name;
    }
    for (const auto& name : f.textures) {
      const platform::FxParameter* p = fx->parameter(name);
      ASSERT_NE(p, nullptr) << name;
      EXPECT_EQ(p->type, platform::FxParameterType::Texture) << name;
    }
  }
}

}  // namespace
}  // namespace korvel
