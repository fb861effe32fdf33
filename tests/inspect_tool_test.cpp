// korvel-inspect as scripts use it: JSON on standard output, the exit status, the reason on
// standard error.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "assets/tvk_writer.h"
#include "support/temp_dir.h"
#include "support/tvk_fixtures.h"

namespace korvel {
namespace {

struct ToolRun {
  std::string out;
  int status;
};

ToolRun inspect(const std::string& arguments) {
  std::string command = std::string(KORVEL_INSPECT) + " " + arguments + " 2>/dev/null";
  ToolRun run{"", -1};
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
  return run;
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

  std::vector<uint8_t> bytes = encodeTvk(scene);
  bytes.resize(bytes.size() - 5);
  run = inspect("tvk " +
                dir.write("cut.tvk", std::vector<unsigned char>(bytes.begin(), bytes.end())));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(nlohmann::json::parse(run.out)["result"], 2);
}

}  // namespace
}  // namespace korvel
