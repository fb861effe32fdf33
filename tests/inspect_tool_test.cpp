// korvel-inspect as scripts use it: JSON on standard output, the exit status, the reason on
// standard error.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <nlohmann/json.hpp>

#include "assets/tvk_writer.h"
#include "platform/d3dx.h"
#include "platform/recording_device.h"
#include "platform/video_file.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "support/tvk_fixtures.h"

namespace korvel {
namespace {

struct ToolRun {
  std::string out;
  int status;
  std::string err;
};

ToolRun runTool(const std::string& tool, const std::string& arguments) {
  testing::TempDir dir;
  std::string errPath = dir.path("stderr.txt");
  std::string command = tool + " " + arguments + " 2>" + errPath;
  ToolRun run{"", -1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    return run;
  }
  std::array<char, 4096> buffer;
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
    run.out.append(buffer.data(), n);
  }
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errPath);
  run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  return run;
}

ToolRun inspect(const std::string& arguments) {
  return runTool(KORVEL_INSPECT, arguments);
}

TEST(InspectToolTest, TgaPrintsTheReadersPixelsInMemoryOrder) {
  testing::TempDir dir;
  // 1 x 1, 32-bit: blue 10, green 20, red 30, alpha 40.
  std::string path =
      dir.write("one.tga", std::vector<unsigned char>{0, 0, 2, 0, 0, 0,  0, 0,  0,  0,  0,
                                                      0, 1, 0, 1, 0, 32, 0, 10, 20, 30, 40});
  ToolRun run = inspect("tga " + path);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(
      run.out,
      "{\"result\":1,\"width\":1,\"height\":1,\"bytesPerPixel\":4,\"pixels\":\"281e140a\"}\n");
  run = inspect("tga --no-pixels " + path);
  EXPECT_EQ(run.out, "{\"result\":1,\"width\":1,\"height\":1,\"bytesPerPixel\":4}\n");
  run = inspect("tga " + dir.path("missing.tga"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("\"result\":-1"), std::string::npos);
}

TEST(InspectToolTest, TvkPrintsTheSceneAfterScaleAndNormals) {
  testing::TempDir dir;
  SceneFile scene = testing::quadScene();
  scene.cameras.push_back({0.5f, 1, 100, Vec3(1, 2, 3), Vec3(0, 0, 0)});
  std::string path = dir.path("quad.tvk");
  ASSERT_TRUE(writeTvk(scene, path));
  ToolRun run = inspect("tvk " + path + " --scale 2");
  ASSERT_EQ(run.status, 0);
  auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["result"], 0);
  EXPECT_EQ(json["materials"][0]["diffuse"], nlohmann::json({1.0, 0.5, 0.0}));
  EXPECT_EQ(json["materials"][0]["subMaterials"], nlohmann::json::array());
  const auto& quad = json["objects"][0];
  EXPECT_EQ(quad["name"], "quad");
  EXPECT_EQ(quad["vertices"][3]["position"], nlohmann::json({2.0, 2.0, 0.0}));
  EXPECT_EQ(quad["vertices"][3]["normal"], nlohmann::json({0.0, 0.0, 1.0}));
  EXPECT_EQ(quad["faces"][1]["vertices"], nlohmann::json({2, 1, 3}));
  EXPECT_EQ(quad["faces"][1]["texCoords"][2], nlohmann::json({1.0, 1.0}));
  EXPECT_EQ(quad["texCoords"].size(), 4u);
  EXPECT_EQ(json["cameras"][0]["fieldOfView"], 0.5);
  EXPECT_EQ(json["lights"], nlohmann::json::array());

  std::vector<uint8_t> bytes = encodeTvk(scene).value();
  bytes.resize(bytes.size() - 5);
  run = inspect("tvk " +
                dir.write("cut.tvk", std::vector<unsigned char>(bytes.begin(), bytes.end())));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(nlohmann::json::parse(run.out)["result"], 2);
}

TEST(InspectToolTest, Mp3PrintsTheStreamAndTheSpectrumHeardThen) {
  testing::TempDir dir;
  std::string path = dir.path("sine.mp3");
  // Bin 23 of the 1024-point transform, half of full scale.
  ASSERT_TRUE(testing::writeSineMp3(path, 23 * 44100.0 / 1024, 0.5, 2.0));
  ToolRun run = inspect("mp3 " + path);
  ASSERT_EQ(run.status, 0);
  auto json = nlohmann::json::parse(run.out);
  EXPECT_NEAR(json["durationSeconds"].get<double>(), 2.0, 0.03);
  EXPECT_EQ(json["sampleRate"], 44100);
  EXPECT_EQ(json["channels"], 2);
  EXPECT_FALSE(json.contains("spectrum"));

  run = inspect("mp3 " + path + " --spectrum-at 1.0");
  ASSERT_EQ(run.status, 0);
  std::vector<float> spectrum = nlohmann::json::parse(run.out)["spectrum"];
  ASSERT_EQ(spectrum.size(), 1024u);
  // The smoother hands each entry its upper neighbour: the sine's bin shows one early.
  size_t peak = size_t(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
  EXPECT_EQ(peak, 22u);
  EXPECT_NEAR(spectrum[22], 0.5f, 0.05f);

  EXPECT_EQ(inspect("mp3 " + dir.path("missing.mp3")).status, 1);
  EXPECT_NE(inspect("mp3 " + path + " --spectrum-at -1").status, 0);
}

TEST(InspectToolTest, NamesThatAreNotUtf8PrintAsLatin1) {
  testing::TempDir dir;
  SceneFile scene = testing::quadScene();
  scene.objects[0].name = "caf\xe9";
  scene.materials[0].textureName = "b\xe4r.tga";
  std::string path = dir.path("latin.tvk");
  ASSERT_TRUE(writeTvk(scene, path));
  ToolRun run = inspect("tvk " + path);
  ASSERT_EQ(run.status, 0) << run.err;
  auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["objects"][0]["name"], "caf\u00e9");
  EXPECT_EQ(json["materials"][0]["texture"], "b\u00e4r.tga");
  // Valid UTF-8 stays as it is.
  scene.objects[0].name = "caf\u00e9";
  ASSERT_TRUE(writeTvk(scene, path));
  EXPECT_EQ(nlohmann::json::parse(inspect("tvk " + path).out)["objects"][0]["name"], "caf\u00e9");
}

TEST(ToolStatusTest, UsageErrorsAreTwoUnreadableFilesOneAndSuccessZero) {
  testing::TempDir dir;
  std::string mp3 = dir.path("sine.mp3");
  ASSERT_TRUE(testing::writeSineMp3(mp3, 440, 0.5, 0.5));
  struct {
    const char* tool;
    std::string arguments;
    int status;
  } cases[] = {
      {KORVEL_INSPECT, "", 2},
      {KORVEL_INSPECT, "--help", 0},
      {KORVEL_INSPECT, "tga", 2},
      {KORVEL_INSPECT, "tga a.tga --bogus", 2},
      {KORVEL_INSPECT, "frobnicate", 2},
      {KORVEL_INSPECT, "tga " + dir.path("missing.tga"), 1},
      {KORVEL_INSPECT, "mp3 " + mp3 + " --spectrum-at 1e300", 2},
      {KORVEL_INSPECT, "mp3 " + mp3 + " --spectrum-at 9.3e18", 2},
      {KORVEL_INSPECT, "mp3 " + mp3 + " --spectrum-at nan", 2},
      {KORVEL_INSPECT, "mp3 " + mp3 + " --spectrum-at inf", 2},
      {KORVEL_INSPECT, "mp3 " + mp3 + " --spectrum-at -1", 2},
      {KORVEL_INSPECT, "mp3 " + mp3 + " --spectrum-at 1e9", 0},
      {KORVEL_TVK_CONVERT, "", 2},
      {KORVEL_TVK_CONVERT, "in.obj", 2},
      {KORVEL_TVK_CONVERT, dir.path("missing.obj") + " " + dir.path("out.tvk"), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.arguments);
    ToolRun run = runTool(c.tool, c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status != 0) {
      EXPECT_FALSE(run.err.empty()) << "a failure says why";
    }
  }
}

TEST(InspectToolTest, FxPrintsParametersTechniquesPassesOrTheCompileError) {
  testing::TempDir dir;
  const std::string pass = R"(
    vertex
      void main() { gl_Position = mul(vec4(aPosition, 1.0), WVP); }
    end
    fragment
      void main() { fragColor = Tint * Weights[1]; }
    end
)";
  std::string good = dir.write("good.fx",
                               "parameter float4x4 WVP\nparameter float4 Tint\n"
                               "parameter float Weights[3]\ntechnique Shade\n"
                               "  pass Lit\n    state CullMode CCW\n" +
                                   pass + "  end\nend\n");
  ToolRun run = inspect("fx " + good);
  ASSERT_EQ(run.status, 0) << run.err;
  auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["parameters"][2],
            nlohmann::json({{"name", "Weights"}, {"type", "float"}, {"count", 3}}));
  EXPECT_EQ(json["techniques"][0]["name"], "Shade");
  EXPECT_EQ(json["techniques"][0]["passes"][0]["name"], "Lit");
  EXPECT_EQ(json["techniques"][0]["passes"][0]["states"]["cullmode"], D3DCULL_CCW);

  // Line 9 of the file is the fragment stage's body.
  std::string glslError = pass;
  glslError.replace(glslError.find("Tint"), 4, "Tnit");
  std::string bad = dir.write("bad.fx",
                              "parameter float4x4 WVP\nparameter float4 Tint\n"
                              "parameter float Weights[3]\ntechnique Shade\n"
                              "  pass Lit\n" +
                                  glslError + "  end\nend\n");
  run = inspect("fx " + bad);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("bad.fx"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Tnit"), std::string::npos) << run.err;

  run = inspect("fx " + dir.write("syntax.fx", "parameter float4x4\n"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("syntax.fx(1): error"), std::string::npos) << run.err;
}

TEST(InspectToolTest, AviPrintsTheFilmAndWritesTheClampedFrameUpright) {
  testing::TempDir dir;
  // Three frames, 64 x 48: the top half red, the bottom half a shade of blue that tells the
  // frames apart.
  std::string film = dir.path("film.avi");
  platform::VideoWriter writer;
  std::string error;
  ASSERT_TRUE(writer.open(film, 64, 48, 25, "ffv1", &error)) << error;
  for (uint8_t blue : {60, 120, 240}) {
    std::vector<uint8_t> picture(64 * 48 * 4, 255);
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 64; ++x) {
        uint8_t* p = &picture[size_t(y * 64 + x) * 4];
        p[0] = y < 24 ? 0 : blue;
        p[1] = 0;
        p[2] = y < 24 ? 255 : 0;
      }
    }
    ASSERT_TRUE(writer.writeFrame(picture));
  }
  ASSERT_TRUE(writer.close());

  std::string png = dir.path("frame.png");
  ToolRun run = inspect("avi " + film + " --frame 99 --png " + png);
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "{\"frameCount\":3,\"width\":64,\"height\":48}\n");

  auto* device = new platform::RecordingDevice(D3DPRESENT_PARAMETERS{}, 0);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device, png.c_str(), &texture), D3D_OK);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  auto texel = [&](int x, int y) {
    const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
    return *reinterpret_cast<const uint32_t*>(row + x * 4);
  };
  EXPECT_EQ(texel(0, 0), 0xFFFF0000u);      // top row: red
  EXPECT_EQ(texel(255, 255), 0xFF0000F0u);  // bottom row: the last frame's blue
  texture->UnlockRect(0);
  texture->Release();
  device->Release();

  run = inspect("avi " + dir.path("missing.avi"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace korvel
