#include "assets/tvk_scene.h"

#include <gtest/gtest.h>

#include "assets/tvk_writer.h"
#include "platform/offline_host.h"
#include "platform/recording_device.h"
#include "support/temp_dir.h"
#include "support/tvk_fixtures.h"

namespace korvel {
namespace {

using platform::MemoryIndexBuffer;
using platform::MemoryVertexBuffer;
using platform::RecordingDevice;

class TvkSceneTest : public ::testing::Test {
 protected:
  TvkSceneTest() : device(new RecordingDevice(D3DPRESENT_PARAMETERS{}, 0)) {}
  ~TvkSceneTest() override {
    model.release();
    device->Release();
  }
  void loadScene(const SceneFile& scene, float scale = 1) {
    std::string path = dir.path("model.tvk");
    ASSERT_TRUE(writeTvk(scene, path));
    ASSERT_EQ(model.load(device, path.c_str(), scale), 0);
  }
  const ModelVertex* vertices(int object) {
    auto* memory = static_cast<MemoryVertexBuffer*>(model.vertexBuffers[size_t(object)].buffer);
    return reinterpret_cast<const ModelVertex*>(memory->bytes().data());
  }
  std::vector<uint16_t> indices(int object) {
    auto* memory = static_cast<MemoryIndexBuffer*>(model.indexBuffers[size_t(object)].buffer);
    auto* data = reinterpret_cast<const uint16_t*>(memory->bytes().data());
    return std::vector<uint16_t>(data, data + memory->bytes().size() / 2);
  }

  platform::OfflineHost offline;
  platform::OfflineWindowSystem& system = offline.windows;
  testing::TempDir dir;
  RecordingDevice* device;
  TvkScene model;
};

TEST(VertexColourTest, ChannelsAreTruncatedTimes255) {
  EXPECT_EQ(vertexColour(Vec3(1.0f, 0.5f, 0.0f)), 0xFFFF7F00u);
  EXPECT_EQ(vertexColour(Vec3(0.2f, 0.2f, 0.2f)), 0xFF333333u);
  // Out of range and not a number: low 8 bits of the truncation, never undefined.
  EXPECT_EQ(vertexColour(Vec3(2.0f, -1.0f, std::nanf(""))), 0xFFFE0100u);
}

TEST_F(TvkSceneTest, BuildsOneBufferPairPerObjectAndDrawsThem) {
  loadScene(testing::quadScene());
  EXPECT_TRUE(model.isLoaded());
  EXPECT_EQ(device->log.matching("CreateVertexBuffer"),
            (std::vector<std::string>{"CreateVertexBuffer(144, 0, 338, 0)"}));
  EXPECT_EQ(device->log.matching("CreateIndexBuffer"),
            (std::vector<std::string>{"CreateIndexBuffer(12, 0, 101, 1)"}));
  EXPECT_EQ(indices(0), (std::vector<uint16_t>{0, 1, 2, 2, 1, 3}));
  const ModelVertex* v = vertices(0);
  EXPECT_EQ(v[0].colour, 0xFFFF7F00u);
  EXPECT_EQ(v[3].u, 1.0f);
  EXPECT_EQ(v[3].v, 1.0f);
  EXPECT_EQ(v[2].normal, Vec3(0, 0, 1));  // rebuilt from the positions

  device->log.calls.clear();
  EXPECT_EQ(model.draw(device), 1);
  std::string vb = device->log.labelOf(model.vertexBuffers[0].buffer);
  std::string ib = device->log.labelOf(model.indexBuffers[0].buffer);
  EXPECT_EQ(device->log.calls,
            (std::vector<std::string>{
                "SetFVF(338)", "SetMaterial()", "SetStreamSource(0, " + vb + ", 0, 36)",
                "SetIndices(" + ib + ")", "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"}));
  D3DMATERIAL9 material = device->state().material;
  EXPECT_EQ(material.Diffuse.g, 0.5f);
  EXPECT_EQ(material.Diffuse.a, 1.0f);
  EXPECT_EQ(material.Ambient.r, 0.1f);
  EXPECT_EQ(material.Emissive.r, 0.0f);
  EXPECT_EQ(material.Power, 8.0f);
}

TEST_F(TvkSceneTest, ScalesPositionsAndTakesTheFirstCamera) {
  SceneFile scene = testing::quadScene();
  scene.cameras.push_back({0.75f, 2, 900, Vec3(1, 2, 3), Vec3(0, 0, 1)});
  loadScene(scene, 3);
  EXPECT_EQ(vertices(0)[3].position, Vec3(3, 3, 0));
  EXPECT_EQ(model.camera.getFieldOfView(), 0.75f);
  EXPECT_EQ(model.camera.position, Vec3(1, 2, 3));  // as stored, not scaled
  EXPECT_EQ(model.camera.farDistance, 900.0f);
}

TEST_F(TvkSceneTest, ObjectsWithoutMaterialOrCoordinatesGetWhiteAndZero) {
  SceneFile scene = testing::quadScene();
  scene.objects[0].materialIndex = -1;
  scene.objects[0].texVertices.clear();
  for (auto& face : scene.objects[0].faces) {
    face.texVertices[0] = face.texVertices[1] = face.texVertices[2] = -1;
  }
  loadScene(scene);
  EXPECT_EQ(model.camera.getFieldOfView(), 60.0f);  // no camera in the file
  EXPECT_EQ(vertices(0)[3].colour, 0xFFFFFFFFu);
  EXPECT_EQ(vertices(0)[3].u, 0.0f);
  model.draw(device);
  EXPECT_EQ(device->state().material.Diffuse.r, 1.0f);
  EXPECT_EQ(device->state().material.Ambient.b, 1.0f);
}

TEST_F(TvkSceneTest, NeverLoadedOrReleasedModelsDrawNothing) {
  TvkScene empty;
  EXPECT_FALSE(empty.isLoaded());
  EXPECT_EQ(empty.draw(device), 0);
  EXPECT_TRUE(device->log.matching("Draw").empty());
  empty.release();
  loadScene(testing::quadScene());
  model.release();
  model.release();
  EXPECT_FALSE(model.isLoaded());
  EXPECT_EQ(model.draw(device), 0);
}

TEST_F(TvkSceneTest, MissingFileGivesAnEmptyModel) {
  EXPECT_EQ(model.load(device, dir.path("none.tvk").c_str(), 1), 0);
  EXPECT_TRUE(model.isLoaded());
  EXPECT_EQ(model.draw(device), 0);
  EXPECT_EQ(system.shown.size(), 2u);
}

}  // namespace
}  // namespace korvel
