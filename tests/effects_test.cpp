// The animated effects: the list, the flock's steering, and what each effect writes and draws
// on a recording device, against the numbers their formulas give.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "content/tga_writer.h"
#include "effects/effect.h"
#include "effects/flock.h"
#include "effects/heightmap_terrain.h"
#include "effects/pillar_field_effect.h"
#include "effects/spinning_squares_effect.h"
#include "effects/tube_effect.h"
#include "effects/waving_grid.h"
#include "platform/d3dx_math.h"
#include "platform/offline_host.h"
#include "platform/random.h"
#include "platform/recording_device.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using platform::RecordingDevice;

class RecordingTest : public ::testing::Test {
 protected:
  RecordingTest() : device(new RecordingDevice(D3DPRESENT_PARAMETERS{}, 0)) {}
  ~RecordingTest() override { device->Release(); }
  int calls(const std::string& prefix) { return int(device->log.matching(prefix).size()); }

  platform::OfflineHost offline;
  RecordingDevice* device;
};

// ---- The effect list ---------------------------------------------------------------------

struct CountingEffect : Effect {
  int init(IDirect3DDevice9*) override { return 0; }
  int render(float time) override {
    rendered.push_back(time);
    return 0;
  }
  void release() override {
    if (resource) {
      ++freed;
      resource = false;
    }
  }
  std::vector<float> rendered;
  bool resource = true;
  int freed = 0;
};

TEST(EffectListTest, SubtractsStartsKeepsDoubleEntriesAndReleasesOnce) {
  CountingEffect a, b;
  b.setTimes({10.0f, 25.0f});
  EffectList list(nullptr);
  list.add(&a);
  list.add(&b);
  list.add(&b);
  EXPECT_EQ(list.size(), 3);
  list.render(0, 12.0f);
  list.render(1, 12.0f);
  list.render(2, 12.5f);
  EXPECT_EQ(a.rendered, (std::vector<float>{12.0f}));
  EXPECT_EQ(b.rendered, (std::vector<float>{2.0f, 2.5f}));
  list.releaseAll();
  b.release();
  EXPECT_EQ(a.freed, 1);
  EXPECT_EQ(b.freed, 1);
  EXPECT_TRUE(list.effects.empty());
}

// ---- The flock ---------------------------------------------------------------------------

// The steering exactly as written out, step by step, without any shortcut: the golden run
// compares the fast version with it bit for bit.
void referenceUpdate(Flock& f, float dt) {
  for (unsigned i = 0; i < f.boidCount; ++i) {
    Boid& b = f.boids[i];
    b.separation = b.alignment = b.cohesion = b.goalPull = b.avoidance = Vec3(0, 0, 0);
    b.neighbours = 0;
  }
  for (unsigned i = 0; i < f.boidCount; ++i) {
    Boid& bi = f.boids[i];
    for (unsigned j = i + 1; j < f.boidCount; ++j) {
      Boid& bj = f.boids[j];
      Vec3 diff = bi.position - bj.position;
      float d = diff.length();
      if (d < 40.0f && d != 0.0f) {
        bi.separation += diff / (d * d);
        bj.separation -= diff / (d * d);
        bi.alignment += bj.direction / d;
        bj.alignment += bi.direction / d;
        bi.cohesion += bj.position;
        bj.cohesion += bi.position;
        bi.neighbours += 1;
        bj.neighbours += 1;
      }
    }
    for (unsigned k = 0; k < f.obstacleCount; ++k) {
      Vec3 diff = bi.position - f.obstacles[k].centre;
      float r = f.obstacles[k].radius * 1.5f;
      if (diff.dot(bi.direction) <= 0) {
        float s = diff.length() - r;
        if (s < 40.0f && s != 0.0f) {
          bi.avoidance += diff / s;
        }
      }
    }
    if (bi.neighbours > 0) {
      Vec3 c = bi.cohesion / float(bi.neighbours) - bi.position;
      bi.cohesion = c.length() > 0 ? c / c.length() : Vec3(0, 0, 0);
      Vec3 a = bi.alignment / float(bi.neighbours);
      float l = a.length();
      bi.alignment = l > 0 ? (a / l - bi.direction) / l : a;
    }
    Vec3 toGoal = f.goal - bi.position;
    D3DXVec3Normalize(&bi.goalPull, &toGoal);
  }
  for (unsigned i = 0; i < f.boidCount; ++i) {
    Boid& b = f.boids[i];
    Vec3 force = b.avoidance + b.separation + b.alignment * 0.1f + b.cohesion + b.goalPull;
    if (force.length() > 1) {
      force = force / force.length();
    }
    if (force.y > 0.01f) {
      b.pitch = std::min(b.pitch + 0.0125f, 0.8f);
    } else if (force.y < -0.01f) {
      b.pitch = std::max(b.pitch - 0.0125f, -0.8f);
    } else {
      b.pitch *= 0.98f;
    }
    b.speed -= 0.002f * b.pitch;
    b.speed = (b.speed - 0.85f) * 0.99f + 0.85f;
    b.speed = std::min(std::max(b.speed, 0.425f), 4.25f);
    Vec3 offset(force.x, 0, force.z), delta = b.direction;
    if (offset.length() > 0) {
      Vec3 o = offset;
      D3DXVec3Normalize(&offset, &o);
    }
    float p = offset.dot(delta);
    if (p > 0.7f) {
      p -= 0.7f;
      b.speed += p * 0.005f;
    }
    offset = offset.cross(delta);
    float turn = (1 - p) / 2 * 0.07f;
    if (offset.y > 0.05f) {
      b.yawRate = (b.yawRate * 19 + turn) * 0.05f;
    } else if (offset.y < -0.05f) {
      b.yawRate = (b.yawRate * 19 - turn) * 0.05f;
    } else {
      b.yawRate *= 0.98f;
    }
    b.yaw += b.yawRate;
    b.roll = -b.yawRate * 20;
    Mat4 trans, rot;
    D3DXMatrixTranslation(&trans, b.position.x, b.position.y, b.position.z);
    D3DXMatrixRotationYawPitchRoll(&rot, -b.yaw, -b.pitch, -b.roll);
    D3DXMatrixMultiply(&b.world, &rot, &trans);
    b.direction = Vec3(b.world._31, b.world._32, b.world._33);
    b.position += b.direction * b.speed * 100.0f * dt;
  }
}

TEST(FlockTest, GoldenRunMatchesThePlainTranscriptionBitForBit) {
  srand(1);
  Flock fast;
  fast.create(400, 1);
  srand(1);
  Flock plain;
  plain.create(400, 1);
  for (int step = 0; step < 100; ++step) {
    Vec3 goal(200 * std::sin(0.1f * step / 60.0f), 20, 200 * std::cos(0.125f * step / 60.0f));
    fast.goal = plain.goal = goal;
    fast.update(1 / 60.0f);
    referenceUpdate(plain, 1 / 60.0f);
  }
  for (unsigned i = 0; i < 400; ++i) {
    ASSERT_EQ(std::memcmp(&fast.boids[i].position, &plain.boids[i].position, sizeof(Vec3)), 0) << i;
    ASSERT_EQ(std::memcmp(&fast.boids[i].world, &plain.boids[i].world, sizeof(Mat4)), 0) << i;
  }
  // The school stays together: most fish have neighbours.
  int social = 0;
  for (unsigned i = 0; i < 400; ++i) {
    social += fast.boids[i].neighbours > 0;
  }
  EXPECT_GT(social, 300);
}

TEST(FlockTest, CreationDrawsFourteenNumbersPerBoidAndSaturatesColours) {
  srand(1);
  Flock flock;
  flock.create(3, 2);
  ASSERT_EQ(flock.boidCount, 3u);
  EXPECT_EQ(flock.obstacleCount, 2u);
  EXPECT_EQ(flock.obstacles[0].radius, 60.0f);
  EXPECT_EQ(flock.obstacles[1].radius, 0.0f);
  srand(1);
  for (int i = 0; i < 42; ++i) {
    rand();
  }
  int next = rand();
  srand(1);
  Flock again;
  again.create(3, 0);
  EXPECT_EQ(rand(), next) << "three boids take 42 numbers";
  for (unsigned i = 0; i < 3; ++i) {
    const Vec3& c = flock.boids[i].colour;
    EXPECT_EQ(std::min({c.x, c.y, c.z}), 0.0f);
    EXPECT_FLOAT_EQ(std::max({c.x, c.y, c.z}), 1.0f);
    EXPECT_NEAR(flock.boids[i].direction.length(), 1.0f, 1e-5f);
    EXPECT_GE(flock.boids[i].position.y, 0.0f);
    EXPECT_LE(flock.boids[i].position.y, 100.0f);
  }
  Flock none;
  none.create(0, 1);
  EXPECT_EQ(none.boids, nullptr);
  EXPECT_EQ(none.obstacles, nullptr);
}

// Two boids `distance` apart on x, both heading along +z, goal straight ahead.
void pair(Flock& f, float distance) {
  f.create(2, 0);
  for (unsigned i = 0; i < 2; ++i) {
    f.boids[i].position = Vec3(float(i) * distance, 0, 0);
    f.boids[i].direction = Vec3(0, 0, 1);
  }
  f.goal = Vec3(0, 0, 1000);
}

TEST(FlockTest, NeighboursAreStrictlyCloserThanForty) {
  Flock apart, close;
  pair(apart, 40.0f);
  pair(close, 39.99f);
  apart.update(0);
  close.update(0);
  EXPECT_EQ(apart.boids[0].neighbours, 0u);
  EXPECT_EQ(apart.boids[0].cohesion, Vec3(0, 0, 0));
  EXPECT_EQ(close.boids[0].neighbours, 1u);
  EXPECT_EQ(close.boids[1].neighbours, 1u);
  Flock same;
  pair(same, 0.0f);  // coincident: no direction to push apart along, no division
  same.update(0);
  EXPECT_TRUE(std::isfinite(same.boids[0].position.x));
}

TEST(FlockTest, SpeedPitchAndObstacles) {
  Flock f;
  pair(f, 200.0f);
  f.boids[0].pitch = 0.5f;
  f.update(0);
  // The first update lifts the speed from 0.1 to the floor of 0.425, plus at most the bonus
  // for heading where the force points.
  EXPECT_GE(f.boids[0].speed, 0.425f);
  EXPECT_LE(f.boids[0].speed, 0.425f + 0.0015f);
  EXPECT_FLOAT_EQ(f.boids[0].pitch, 0.49f) << "a level force lets the pitch decay";

  Flock ahead;
  ahead.create(1, 1);
  ahead.boids[0].position = Vec3(0, 0, 100);
  ahead.boids[0].direction = Vec3(0, 0, -1);  // towards the sphere: 100 − 90 = 10 from it
  ahead.update(0);
  EXPECT_EQ(ahead.boids[0].avoidance, Vec3(0, 0, 10));
  Flock behind;
  behind.create(1, 1);
  behind.boids[0].position = Vec3(0, 0, 100);
  behind.boids[0].direction = Vec3(0, 0, 1);
  behind.update(0);
  EXPECT_EQ(behind.boids[0].avoidance, Vec3(0, 0, 0));
}

// ---- The sea floor ------------------------------------------------------------------------

TEST_F(RecordingTest, TerrainFollowsItsHeightmapAndDrawsDepthMinusFourStrips) {
  testing::TempDir dir;
  std::string error;
  std::vector<uint8_t> grey(64 * 64, 0);
  grey[63 * 64 + 63] = 255;  // the last pixel of the picture's bottom row
  ASSERT_TRUE(content::writeTga(dir.path("h64.tga"), 64, 64, 8, grey, &error));
  ASSERT_TRUE(content::writeTga(dir.path("h2.tga"), 2, 2, 8, {0, 0, 0, 0}, &error));

  HeightmapTerrain terrain;
  terrain.setSpacing(16);
  terrain.setHeightScale(220);
  terrain.setHeightOffset(-300);
  terrain.build(device, dir.path("h64.tga").c_str());
  ASSERT_EQ(terrain.width, 64);
  auto* v = static_cast<LitVertex*>(terrain.vertexBuffer->lock());
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v[0].x, -512.0f);
  EXPECT_EQ(v[63].x, 496.0f);
  EXPECT_EQ(v[63].u, 15.75f);
  EXPECT_EQ(v[0].y, -300.0f);
  EXPECT_EQ(v[64 * 64 - 1].y, -80.0f);
  terrain.vertexBuffer->unlock();
  device->log.calls.clear();
  terrain.render(0);
  EXPECT_EQ(calls("DrawIndexedPrimitive"), 60);
  EXPECT_EQ(device->log.matching("DrawIndexedPrimitive")[1],
            "DrawIndexedPrimitive(5, 0, 0, 4096, 128, 126)");

  HeightmapTerrain tiny;
  tiny.build(device, dir.path("h2.tga").c_str());
  device->log.calls.clear();
  tiny.render(0);
  EXPECT_EQ(calls("DrawIndexedPrimitive"), 0);

  HeightmapTerrain missing;
  missing.build(device, dir.path("none.tga").c_str());
  device->log.calls.clear();
  missing.render(0);
  EXPECT_EQ(calls("Draw"), 0);

  std::vector<uint8_t> huge(300 * 10, 0);
  ASSERT_TRUE(content::writeTga(dir.path("wide.tga"), 300, 10, 8, huge, &error));
  offline.windows.shown.clear();
  HeightmapTerrain wide;
  wide.build(device, dir.path("wide.tga").c_str());
  EXPECT_EQ(wide.vertexBuffer, nullptr);
  ASSERT_FALSE(offline.windows.shown.empty());
  EXPECT_NE(offline.windows.shown[0].text.find("256 x 256"), std::string::npos);
}

// ---- Pillars, tube, squares, sheet ---------------------------------------------------------

TEST_F(RecordingTest, PillarFieldWritesItsPillarsAndDrawsOnlyEvenRows) {
  PillarFieldEffect pillars;
  pillars.init(device);
  device->log.calls.clear();
  pillars.render(0);
  auto* v = static_cast<LitVertex*>(pillars.pillarBuffer.lock());
  ASSERT_NE(v, nullptr);
  // Pillar (0, 0): z0 = 0.35 + √89 × 0.125 − 1.35, its first quad's corner a at (0, 1, 0).
  EXPECT_FLOAT_EQ(v[0].z, (0.35f + std::sqrt(89.0f) * 0.125f - 1.35f) * 64.0f);
  EXPECT_EQ(v[0].x, -20.0f);
  EXPECT_EQ(v[0].colour >> 24, 125u);
  EXPECT_EQ(pillars.pillarVertexCount, 4800);
  pillars.pillarBuffer.unlock();
  EXPECT_EQ(calls("DrawPrimitive(4"), 8);
  EXPECT_EQ(device->log.matching("DrawPrimitive(4")[1], "DrawPrimitive(4, 600, 100)");
  EXPECT_EQ(calls("DrawIndexedPrimitive"), 31);
  D3DLIGHT9 light{};
  device->GetLight(0, &light);
  Vec3 expected(34, 0, 44);
  expected.normalize();
  EXPECT_FLOAT_EQ(light.Direction.x, expected.x);
  EXPECT_FLOAT_EQ(light.Direction.z, expected.z);
  pillars.release();
  pillars.release();
}

TEST_F(RecordingTest, TubeLooksFromItsEyeAndGlowsOnlyNearItsLight) {
  EXPECT_EQ(TubeEffect::lightColour(Vec3(0, 16, 20), Vec3(0, 16, 20)), 0xFFE5F2FFu);
  EXPECT_EQ(TubeEffect::lightColour(Vec3(0, 8, 20), Vec3(0, 16, 20)), 0xFF000000u);
  EXPECT_EQ(TubeEffect::lightColour(Vec3(0, 12, 20), Vec3(0, 16, 20)) & 0xFF, 191u);
  TubeEffect tube;
  tube.init(device);
  device->log.calls.clear();
  tube.render(0);
  Mat4 view, expected;
  device->GetTransform(D3DTS_VIEW, &view);
  Vec3 eye(-29, -10, 0), at(0, 0, 10), up(0, 1, 0);
  D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
  EXPECT_EQ(view, expected);
  EXPECT_EQ(calls("DrawIndexedPrimitive"), 48);
  EXPECT_EQ(device->log.matching("DrawIndexedPrimitive")[47],
            "DrawIndexedPrimitive(5, 0, 0, 1617, 3102, 64)");
  DWORD fog = 0;
  device->GetRenderState(D3DRS_FOGENABLE, &fog);
  EXPECT_EQ(fog, 0u) << "the tube turns its fog off again";
  tube.release();
  tube.release();
}

TEST_F(RecordingTest, SquaresSwayTheViewAndDrawEveryCellTwice) {
  SpinningSquaresEffect squares;
  squares.init(device);
  EXPECT_EQ(squares.point(5, 5, 0), Vec3(0, 0, 10));
  EXPECT_EQ(squares.point(5, 5, 1), Vec3(0, 0, 14));
  EXPECT_NEAR(squares.point(0, 0, 0).z, 10 - 8 * std::sqrt(50.0f), 1e-4f);
  device->log.calls.clear();
  squares.render(0);
  Mat4 view;
  device->GetTransform(D3DTS_VIEW, &view);
  EXPECT_EQ(view._41, 0.0f);
  EXPECT_EQ(view._42, -4.0f);
  EXPECT_EQ(view._43, -6.0f);
  EXPECT_EQ(calls("SetTransform(256"), 200);  // D3DTS_WORLD
  EXPECT_EQ(calls("DrawPrimitive("), 200);
  EXPECT_EQ(calls("DrawIndexedPrimitive("), 200);
  squares.release();
  squares.release();
  squares.render(0);  // after release: draws nothing, and does not crash
}

TEST_F(RecordingTest, SheetWavesItsTextureAndDrawsTwentyFourStrips) {
  WavingGrid grid;
  grid.setViewSize(20, 20);
  EXPECT_EQ(grid.build(device, -10, -13, 11, 12), 1);
  EXPECT_EQ(grid.cols, 21);
  EXPECT_EQ(grid.rows, 25);
  device->log.calls.clear();
  grid.render(0, 0, 0, true);
  auto* v = static_cast<LitVertex*>(grid.vertexBuffer.lock());
  ASSERT_NE(v, nullptr);
  EXPECT_FLOAT_EQ(v[0].u, 0.225f);
  EXPECT_FLOAT_EQ(v[0].v, 0.1f);
  grid.vertexBuffer.unlock();
  auto draws = device->log.matching("DrawIndexedPrimitive");
  ASSERT_EQ(draws.size(), 24u);
  EXPECT_EQ(draws[1], "DrawIndexedPrimitive(5, 0, 0, 525, 42, 40)");
}

}  // namespace
}  // namespace korvel
