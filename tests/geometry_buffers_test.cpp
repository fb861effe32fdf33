#include "render/geometry_buffers.h"

#include <gtest/gtest.h>

#include "platform/recording_device.h"

namespace korvel {
namespace {

using platform::RecordingDevice;

class GeometryBuffersTest : public ::testing::Test {
 protected:
  GeometryBuffersTest() : device(new RecordingDevice(D3DPRESENT_PARAMETERS{}, 0)) {}
  ~GeometryBuffersTest() override { device->Release(); }
  RecordingDevice* device;
};

TEST_F(GeometryBuffersTest, VertexBufferAsksForCountTimesStrideAndBindsItsStride) {
  VertexBuffer vertices;
  EXPECT_EQ(vertices.fvf, D3DFVF_XYZ);
  EXPECT_EQ(vertices.create(device, 4, 0x142, 24), D3D_OK);
  vertices.bind(device);
  EXPECT_EQ(device->log.calls, (std::vector<std::string>{"CreateVertexBuffer(96, 0, 322, 0)",
                                                         "SetStreamSource(0, vb1, 0, 24)"}));
  vertices.release();
}

TEST_F(GeometryBuffersTest, LockedContentsReachTheBuffer) {
  VertexBuffer vertices;
  vertices.create(device, 2, 0x152, 36);
  auto* data = static_cast<float*>(vertices.lock());
  ASSERT_NE(data, nullptr);
  data[9] = 7.5f;  // the second vertex's x
  vertices.unlock();
  auto* memory = static_cast<platform::MemoryVertexBuffer*>(vertices.buffer);
  EXPECT_EQ(reinterpret_cast<const float*>(memory->bytes().data())[9], 7.5f);
  vertices.release();

  IndexBuffer indices;
  indices.create(device, 6, 2);
  uint16_t* index = indices.lock();
  ASSERT_NE(index, nullptr);
  index[5] = 3;
  indices.unlock();
  auto* indexMemory = static_cast<platform::MemoryIndexBuffer*>(indices.buffer);
  EXPECT_EQ(indexMemory->bytes().size(), 12u);
  EXPECT_EQ(reinterpret_cast<const uint16_t*>(indexMemory->bytes().data())[5], 3);
  indices.release();
}

TEST_F(GeometryBuffersTest, IndexBufferDrawsListsUntilToldOtherwise) {
  IndexBuffer indices;
  indices.create(device, 6, 2);
  VertexBuffer vertices;
  vertices.create(device, 4, 0x152, 36);
  vertices.bind(device);
  indices.bind(device);
  indices.draw(device, 4, 2, 0);
  indices.setPrimitiveType(D3DPT_TRIANGLESTRIP);
  indices.draw(device, 4, 2, 3);
  EXPECT_EQ(
      device->log.calls,
      (std::vector<std::string>{
          "CreateIndexBuffer(12, 0, 101, 1)", "CreateVertexBuffer(144, 0, 338, 0)",
          "SetStreamSource(0, vb2, 0, 36)", "SetIndices(ib1)",
          "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)", "DrawIndexedPrimitive(5, 0, 0, 4, 3, 2)"}));
  indices.release();
  vertices.release();
}

TEST_F(GeometryBuffersTest, ReleaseIsSafeTwiceAndOnANeverCreatedBuffer) {
  VertexBuffer never;
  never.release();
  EXPECT_EQ(never.lock(), nullptr);
  never.unlock();
  IndexBuffer twice;
  twice.create(device, 3, 2);
  twice.release();
  twice.release();
  EXPECT_EQ(twice.buffer, nullptr);
  EXPECT_EQ(twice.lock(), nullptr);
}

}  // namespace
}  // namespace korvel
