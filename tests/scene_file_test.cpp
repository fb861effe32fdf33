#include "assets/scene_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "assets/tvk_writer.h"
#include "platform/offline_host.h"
#include "support/reference_normals.h"
#include "support/temp_dir.h"
#include "support/tvk_fixtures.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::quadScene;

int load(SceneFile& scene, const std::vector<uint8_t>& bytes) {
  return scene.loadBytes(bytes.data(), bytes.size());
}

bool sameBits(const Vec3& a, const Vec3& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(SceneFileTest, AllZeroCountsLoadAnEmptyScene) {
  Bytes file;
  file.header().i16(0).i16(0).i16(0).i16(0);
  SceneFile scene;
  EXPECT_EQ(load(scene, file.data), 0);
  EXPECT_TRUE(scene.materials.empty());
  EXPECT_TRUE(scene.objects.empty());
  EXPECT_TRUE(scene.cameras.empty());
  EXPECT_TRUE(scene.lights.empty());
}

TEST(SceneFileTest, WrittenScenesReadBackWithTheirRecords) {
  SceneFile original = quadScene();
  original.materials[0].textureName = "data/map.tga";
  original.materials[0].subMaterials.resize(2);
  original.materials[0].subMaterials[1].textureName = "inner.tga";
  original.cameras.push_back({0.8f, 1, 500, Vec3(1, 2, 3), Vec3(4, 5, 6)});
  original.lights.push_back({2, Vec3(1, 0.5f, 0.25f), 3, Vec3(7, 8, 9), Vec3(0, 0, 0)});
  ObjectRecord bare;  // no texture coordinates: no texture-index block in the file
  bare.name = "bare";
  bare.vertices = {{Vec3(0, 0, 0), Vec3()}, {Vec3(1, 0, 0), Vec3()}, {Vec3(0, 0, 1), Vec3()}};
  bare.cornerTags = {0};
  bare.faces = {FaceRecord{0, 1, 2, {0, 0, 0}, {-1, -1, -1}, Vec3(0, 1, 0), 0}};
  original.objects.push_back(bare);

  SceneFile scene;
  ASSERT_EQ(load(scene, encodeTvk(original).value()), 0);
  ASSERT_EQ(scene.materials.size(), 1u);
  EXPECT_EQ(scene.materials[0].textureName, "data/map.tga");
  EXPECT_EQ(scene.materials[0].diffuse, Vec3(1.0f, 0.5f, 0.0f));
  EXPECT_EQ(scene.materials[0].power, 8.0f);
  ASSERT_EQ(scene.materials[0].subMaterials.size(), 2u);
  EXPECT_EQ(scene.materials[0].subMaterials[1].textureName, "inner.tga");
  ASSERT_EQ(scene.objects.size(), 2u);
  EXPECT_EQ(scene.objects[0].name, "quad");
  EXPECT_EQ(scene.objects[0].vertices[3].position, Vec3(1, 1, 0));
  EXPECT_EQ(scene.objects[0].faces[1].texVertices[2], 3);
  EXPECT_EQ(scene.objects[1].name, "bare");
  EXPECT_TRUE(scene.objects[1].texVertices.empty());
  EXPECT_EQ(scene.objects[1].faces[0].texVertices[0], -1);
  EXPECT_EQ(scene.objects[1].faces[0].normal, Vec3(0, 1, 0));
  ASSERT_EQ(scene.cameras.size(), 1u);
  EXPECT_EQ(scene.cameras[0].fieldOfView, 0.8f);
  EXPECT_EQ(scene.lights.at(0).intensity, 3.0f);
}

TEST(SceneFileTest, PositionsAreTurnedUpButCamerasAreNot) {
  // Written by hand: one camera at (1, 2, 3), one object whose only vertex is stored (1, 2, 3).
  Bytes file;
  file.header().i16(0).i16(1).i16(1).i16(0);
  file.f32(1).f32(1).f32(100).vec3(1, 2, 3).vec3(0, 0, 0);
  file.i16(-1).text("v");
  for (int i = 0; i < 8; ++i)
    file.vec3(1, 2, 3);
  file.i16(1).vec3(1, 2, 3).i16(0).i16(0).i16(0);
  SceneFile scene;
  ASSERT_EQ(load(scene, file.data), 0);
  EXPECT_EQ(scene.objects[0].vertices[0].position, Vec3(1, 3, -2));
  EXPECT_EQ(scene.objects[0].corners[0], Vec3(1, 2, 3));
  EXPECT_EQ(scene.cameras[0].position, Vec3(1, 2, 3));
}

TEST(SceneFileTest, MapListsSkipUnknownKindsAndKeepTheLastDiffuseName) {
  struct {
    const char* name;
    std::vector<uint8_t> mapList;
    const char* texture;
  } cases[] = {
      {"other kind skipped", Bytes().u8('<').u8(0x37).u8('1').text("wood.tga").u8('>').data,
       "wood.tga"},
      {"second name wins", Bytes().u8(0).u8('1').text("a.tga").u8('1').text("b.tga").u8('>').data,
       "b.tga"},
      {"other maps discarded",
       Bytes()
           .u8(0)
           .u8('6')
           .text("op.tga")
           .u8('8')
           .text("bp.tga")
           .u8('9')
           .text("rf.tga")
           .u8('>')
           .data,
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file;
    file.header().i16(1).materialStart();
    file.data.insert(file.data.end(), c.mapList.begin(), c.mapList.end());
    file.i16(0).i16(0).i16(0).i16(0);  // sub-materials, then the scene's counts
    SceneFile scene;
    ASSERT_EQ(load(scene, file.data), 0);
    EXPECT_EQ(scene.materials[0].textureName, c.texture);
  }
}

TEST(SceneFileTest, TextureCoordinatesAreFlippedAndClamped) {
  SceneFile original = quadScene();
  // Stored as the file holds them: (u, v) = (1.5, -0.25) and (0.25, 0.75).
  original.objects[0].texVertices[0] = {1.5f, 1.25f};
  original.objects[0].texVertices[1] = {0.25f, 0.25f};
  SceneFile scene;
  ASSERT_EQ(load(scene, encodeTvk(original).value()), 0);
  EXPECT_EQ(scene.objects[0].texVertices[0].u, 1.0f);
  EXPECT_EQ(scene.objects[0].texVertices[0].v, 1.0f);
  EXPECT_EQ(scene.objects[0].texVertices[1].u, 0.25f);
  EXPECT_EQ(scene.objects[0].texVertices[1].v, 0.25f);
}

TEST(SceneFileTest, MissingFilesAndWrongMagicAreNotModels) {
  platform::OfflineHost offline;
  platform::OfflineWindowSystem& system = offline.windows;
  SceneFile scene;
  EXPECT_EQ(scene.load("/nonexistent/model.tvk"), 1);
  ASSERT_EQ(system.shown.size(), 2u);
  EXPECT_EQ(system.shown[0].text, "failed to create file handle");
  EXPECT_EQ(system.shown[1].text, "failed to open scene file");
  EXPECT_EQ(system.shown[1].caption, "moo");

  std::vector<uint8_t> bytes = encodeTvk(quadScene()).value();
  bytes[11] = 'X';
  EXPECT_EQ(load(scene, bytes), 1);
  EXPECT_TRUE(scene.objects.empty());
  EXPECT_EQ(system.shown.size(), 2u);  // no message for a wrong magic
}

// The bytes of quadScene with one field of its object set to `bad`, a value the writer refuses.
// The field is found where setting it to the valid `other` first changes the file.
std::vector<uint8_t> patched(void (*set)(ObjectRecord&, int), int other, int bad, int size = 2) {
  std::vector<uint8_t> base = encodeTvk(quadScene()).value();
  SceneFile changed = quadScene();
  set(changed.objects[0], other);
  std::vector<uint8_t> moved = encodeTvk(changed).value();
  size_t at = size_t(std::mismatch(base.begin(), base.end(), moved.begin()).first - base.begin());
  for (int i = 0; i < size; ++i) {
    base.at(at + size_t(i)) = uint8_t((bad >> (8 * i)) & 0xFF);
  }
  return base;
}

TEST(SceneFileTest, MalformedFilesAreRefusedWithTwoAndTheWriterRefusesToMakeThem) {
  struct {
    const char* name;
    void (*set)(ObjectRecord&, int);
    int other, bad, size;
  } faults[] = {
      {"vertex index", [](ObjectRecord& o, int v) { o.faces[1].c = v; }, 0, 4, 2},
      {"negative vertex index", [](ObjectRecord& o, int v) { o.faces[0].a = v; }, 3, -1, 2},
      {"corner tag index", [](ObjectRecord& o, int v) { o.faces[0].cornerTags[2] = v; }, 0, 3, 2},
      {"texture vertex index", [](ObjectRecord& o, int v) { o.faces[1].texVertices[0] = v; }, 0, 9,
       2},
      {"material index", [](ObjectRecord& o, int v) { o.materialIndex = v; }, -1, 1, 2},
      {"negative selector", [](ObjectRecord& o, int v) { o.faces[0].subMaterial = int8_t(v); }, 1,
       -3, 1},
  };
  for (const auto& f : faults) {
    SCOPED_TRACE(f.name);
    SceneFile wrong = quadScene();
    f.set(wrong.objects[0], f.bad);
    std::string error;
    EXPECT_FALSE(encodeTvk(wrong, &error).has_value());
    EXPECT_NE(error.find("object 'quad'"), std::string::npos) << error;
    SceneFile scene;
    EXPECT_EQ(load(scene, patched(f.set, f.other, f.bad, f.size)), 2);
  }

  SceneFile deep;
  MaterialRecord* m = &deep.materials.emplace_back();
  for (int i = 0; i < SceneFile::kMaxMaterialDepth; ++i) {
    m = &m->subMaterials.emplace_back();
  }
  std::string error;
  EXPECT_FALSE(encodeTvk(deep, &error).has_value());
  EXPECT_NE(error.find("nested"), std::string::npos) << error;
  Bytes nested;
  nested.header().i16(1);
  for (int i = 0; i <= SceneFile::kMaxMaterialDepth; ++i) {
    nested.materialStart().u8('<').u8('>').i16(i < SceneFile::kMaxMaterialDepth ? 1 : 0);
  }
  nested.i16(0).i16(0).i16(0);
  SceneFile scene;
  EXPECT_EQ(load(scene, nested.data), 2);
  // One level less reads.
  deep.materials[0].subMaterials[0].subMaterials.clear();
  ASSERT_TRUE(encodeTvk(deep).has_value());
  EXPECT_EQ(load(scene, encodeTvk(deep).value()), 0);

  struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"negative material count", Bytes().header().i16(-2).data},
      {"unterminated name",
       Bytes().header().i16(0).i16(1).i16(0).i16(0).i16(-1).text(std::string(300, 'n')).data},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(load(scene, c.bytes), 2);
  }
  // A negative vertex count, written by hand.
  Bytes file;
  file.header().i16(0).i16(1).i16(0).i16(0).i16(-1).text("o");
  for (int i = 0; i < 8; ++i)
    file.vec3(0, 0, 0);
  file.i16(-5);
  EXPECT_EQ(load(scene, file.data), 2);
}

TEST(SceneFileTest, EveryTruncationIsRefusedAndKeepsWhatWasWhole) {
  SceneFile two = quadScene();
  two.objects.push_back(two.objects[0]);
  two.objects[1].name = "second";
  std::vector<uint8_t> bytes = encodeTvk(two).value();
  size_t firstObjectEnd = encodeTvk(quadScene()).value().size();
  for (size_t length = 0; length < bytes.size(); ++length) {
    SceneFile scene;
    int result = scene.loadBytes(bytes.data(), length);
    ASSERT_NE(result, 0) << length;
    if (length >= firstObjectEnd) {
      ASSERT_EQ(scene.objects.size(), 2u);
      EXPECT_EQ(scene.objects[0].faces.size(), 2u) << length;
      EXPECT_TRUE(scene.objects[1].vertices.empty()) << length;  // the one being read
    }
  }
}

TEST(SceneFileTest, ScaleAndNormalRebuildFollowThePositions) {
  SceneFile scene = quadScene();
  ObjectRecord& quad = scene.objects[0];
  quad.vertices.push_back({Vec3(9, 9, 9), Vec3(1, 0, 0)});  // named by no face
  scene.scalePositions(2);
  EXPECT_EQ(quad.vertices[3].position, Vec3(2, 2, 0));
  scene.recomputeNormals();
  // (p0 - p1) x (p1 - p2) for the quad in the z = 0 plane.
  EXPECT_EQ(quad.faces[0].normal, Vec3(0, 0, 1));
  EXPECT_EQ(quad.vertices[1].normal, Vec3(0, 0, 1));
  EXPECT_EQ(quad.vertices[4].normal, Vec3(0, 0, 0));
}

TEST(SceneFileTest, FastNormalRebuildMatchesThePlainOneBitForBit) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SceneFile fast = testing::randomMesh(seed, 30 + int(seed) * 7, 200);
    SceneFile plain = fast;
    fast.recomputeNormals();
    testing::referenceRecomputeNormals(plain);
    const auto& a = fast.objects[0];
    const auto& b = plain.objects[0];
    for (size_t f = 0; f < a.faces.size(); ++f) {
      ASSERT_TRUE(sameBits(a.faces[f].normal, b.faces[f].normal)) << seed << " face " << f;
    }
    for (size_t v = 0; v < a.vertices.size(); ++v) {
      ASSERT_TRUE(sameBits(a.vertices[v].normal, b.vertices[v].normal)) << seed << " vertex " << v;
    }
  }
}

TEST(SceneFileTest, WriterLeavesNothingBehindWhenItCannotWrite) {
  testing::TempDir dir;
  EXPECT_FALSE(writeTvk(quadScene(), dir.path("missing-folder/model.tvk")));
  std::string path = dir.path("model.tvk");
  EXPECT_TRUE(writeTvk(quadScene(), path));
  SceneFile scene;
  EXPECT_EQ(scene.load(path.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
}

}  // namespace
}  // namespace korvel
