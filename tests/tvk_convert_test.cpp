#include "convert.h"

#include <gtest/gtest.h>

#include "assets/scene_file.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

const char* const kQuadObj = R"(mtllib quad.mtl
o Panel
v 0 0 0
v 2 0 0
v 2 2 0
v 0 2 0
vt 0 0
vt 1 0
vt 1 1
vt 0 1
usemtl Painted
f 1/1 2/2 3/3 4/4
)";

const char* const kQuadMtl = R"(newmtl Painted
Kd 1.0 0.5 0.25
Ka 0.1 0.1 0.1
Ks 0.5 0.5 0.5
Ns 32
map_Kd data/panel.tga
)";

TEST(TvkConvertTest, ObjBecomesAModelTheReaderAccepts) {
  testing::TempDir dir;
  dir.write("quad.mtl", kQuadMtl);
  convert::Options options;
  options.input = dir.write("quad.obj", kQuadObj);
  options.output = dir.path("quad.tvk");
  options.scale = 0.5f;
  options.fieldOfView = 1.2f;
  std::string summary, error;
  ASSERT_TRUE(convert::convertModel(options, &summary, &error)) << error;
  EXPECT_NE(summary.find("1 objects, 4 vertices, 2 triangles"), std::string::npos) << summary;

  SceneFile scene;
  ASSERT_EQ(scene.load(options.output.c_str()), 0);
  scene.recomputeNormals();
  ASSERT_EQ(scene.objects.size(), 1u);
  const ObjectRecord& panel = scene.objects[0];
  EXPECT_EQ(panel.name, "Panel");
  ASSERT_EQ(panel.faces.size(), 2u);
  ASSERT_GE(panel.materialIndex, 0);
  const MaterialRecord& material = scene.materials[size_t(panel.materialIndex)];
  EXPECT_EQ(material.diffuse, Vec3(1.0f, 0.5f, 0.25f));
  EXPECT_EQ(material.power, 32.0f);
  EXPECT_EQ(material.textureName, "data/panel.tga");
  EXPECT_EQ(scene.cameras.at(0).fieldOfView, 1.2f);
  float maxX = 0;
  for (const auto& v : panel.vertices) {
    maxX = std::max(maxX, v.position.x);
    // Facing the default camera of a left-handed scene, which looks along +z.
    EXPECT_NEAR(v.normal.z, -1.0f, 1e-6f);
  }
  EXPECT_EQ(maxX, 1.0f);
  // The picture's top row (OBJ v = 1) is v = 0 for the demo.
  bool topLeftFound = false;
  for (const auto& face : panel.faces) {
    const int corners[3] = {face.a, face.b, face.c};
    for (int c = 0; c < 3; ++c) {
      const auto& p = panel.vertices[size_t(corners[c])].position;
      const auto& t = panel.texVertices[size_t(face.texVertices[c])];
      if (p.x == 0 && p.y == 1) {
        EXPECT_EQ(t.v, 0.0f);
        topLeftFound = true;
      }
    }
  }
  EXPECT_TRUE(topLeftFound);
}

TEST(TvkConvertTest, UnreadableInputIsRefusedAndWritesNothing) {
  testing::TempDir dir;
  convert::Options options;
  options.input = dir.write("broken.obj", "this is not a model\n");
  options.output = dir.path("out.tvk");
  std::string summary, error;
  EXPECT_FALSE(convert::convertModel(options, &summary, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(options.output));
}

}  // namespace
}  // namespace korvel
