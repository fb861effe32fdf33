#include "render/math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/d3dx_math.h"

namespace korvel {
namespace {

constexpr float kPi = 3.14159265358979f;

Vec3 transformPoint(const Vec3& v, const Mat4& m) {
  return Vec3(v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41,
              v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42,
              v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43);
}

void expectNear(const Mat4& actual, const Mat4& expected, float tolerance = 1e-6f) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << "_" << i + 1 << j + 1;
    }
  }
}

void expectNear(const Vec3& actual, const Vec3& expected, float tolerance = 1e-6f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

Mat4 identity() {
  return Mat4().identity();
}

TEST(Vec3Test, Arithmetic) {
  Vec3 a(1, 2, 3), b(4, 5, 6);
  EXPECT_EQ(a.cross(b), Vec3(-3, 6, -3));
  EXPECT_EQ(a.dot(b), 32.0f);
  EXPECT_EQ(-a, Vec3(-1, -2, -3));
  EXPECT_EQ(a + b, Vec3(5, 7, 9));
  EXPECT_EQ(b - a, Vec3(3, 3, 3));
  EXPECT_EQ(a * 2.0f, Vec3(2, 4, 6));
  EXPECT_EQ(Vec3(3, 0, 4).length(), 5.0f);
  EXPECT_EQ(Vec3(3, 0, 4).lengthSquared(), 25.0f);
  // Division multiplies by one rounded reciprocal.
  const float r = 1.0f / 3.0f;
  EXPECT_EQ(Vec3(1, 2, 7) / 3.0f, Vec3(r * 1, r * 2, r * 7));
  Vec3 c = a;
  EXPECT_EQ(&(c += b), &c);
  EXPECT_EQ(c, Vec3(5, 7, 9));
  EXPECT_EQ(&(c *= 2.0f), &c);
  EXPECT_EQ(c, Vec3(10, 14, 18));
  const float* p = a;
  EXPECT_EQ(p[2], 3.0f);
  EXPECT_EQ(Vec4(a, 7), Vec4(1, 2, 3, 7));
}

TEST(Vec3Test, NormalizeLeavesTinyVectorsAlone) {
  struct Case {
    Vec3 in, out;
  } cases[] = {
      {Vec3(0, 0, 0), Vec3(0, 0, 0)},
      {Vec3(0.000009f, 0, 0), Vec3(0.000009f, 0, 0)},
      {Vec3(0.000004f, 0.000004f, 0.000004f), Vec3(0.000004f, 0.000004f, 0.000004f)},
      {Vec3(3, 0, 4), Vec3(3 * 0.2f, 0, 4 * 0.2f)},
      {Vec3(0, -2, 0), Vec3(0, -1, 0)},
  };
  for (const Case& c : cases) {
    Vec3 v = c.in;
    EXPECT_EQ(&v.normalize(), &v);
    EXPECT_EQ(v, c.out) << c.in.x << " " << c.in.y << " " << c.in.z;
  }
}

TEST(LookAtTest, FollowsTheAxesAndFallbacks) {
  struct Case {
    const char* name;
    Vec3 eye, at, up;
    Mat4 expected;
  } cases[] = {
      {"straight ahead", Vec3(0, 0, 0), Vec3(0, 0, 1), Vec3(0, 1, 0), identity()},
      {"up along the view: y axis fails, z axis used", Vec3(0, 0, 0), Vec3(0, 1, 0), Vec3(0, 1, 0),
       Mat4(-1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1)},
      {"up along the view: y axis used", Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(1, 0, 0),
       Mat4(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1)},
      {"eye at the target: degenerate right axis", Vec3(1, 2, 3), Vec3(1, 2, 3), Vec3(0, 2, 0),
       Mat4(0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, -2, 0, 1)},
      {"eye at the target, no up: y axis used", Vec3(4, 5, 6), Vec3(4, 5, 6), Vec3(0, 0, 0),
       Mat4(0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, -5, 0, 1)},
      {"moved back", Vec3(0, 0, -5), Vec3(0, 0, 0), Vec3(0, 1, 0),
       Mat4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Mat4 m;
    ASSERT_TRUE(m.lookAt(c.eye, c.at, c.up));
    expectNear(m, c.expected);
  }
}

TEST(LookAtTest, MatchesD3DXWhenUpIsNotParallelAndNeverFailsForAUnitDirection) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(-10, 10);
  for (int i = 0; i < 200; ++i) {
    Vec3 eye(coord(rng), coord(rng), coord(rng));
    Vec3 at(coord(rng), coord(rng), coord(rng));
    Vec3 up(coord(rng), coord(rng), coord(rng));
    Mat4 ours, d3dx;
    ASSERT_TRUE(ours.lookAt(eye, at, up));
    D3DXMatrixLookAtLH(&d3dx, &eye, &at, &up);
    float sine = (at - eye).cross(up).length() / ((at - eye).length() * up.length());
    if (sine > 0.05f) {
      expectNear(ours, d3dx, 2e-4f);
    }
    // Up exactly along the view still gives a matrix.
    Mat4 parallel;
    EXPECT_TRUE(parallel.lookAt(eye, at, at - eye));
  }
}

TEST(D3DXMatrixTest, BuildersGiveTheDocumentedRows) {
  const float c = std::cos(0.5f), s = std::sin(0.5f);
  const Vec3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
  const Mat4 sequence(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  Mat4 m;
  struct Case {
    const char* name;
    Mat4 actual, expected;
  } cases[] = {
      {"scaling", *D3DXMatrixScaling(&m, 2, 3, 4),
       Mat4(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1)},
      {"translation", *D3DXMatrixTranslation(&m, 5, 6, 7),
       Mat4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1)},
      {"rotation y", *D3DXMatrixRotationY(&m, 0.5f),
       Mat4(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1)},
      {"rotation z", *D3DXMatrixRotationZ(&m, 0.5f),
       Mat4(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1)},
      {"perspective fov", *D3DXMatrixPerspectiveFovLH(&m, kPi / 2, 4.0f / 3.0f, 1, 100),
       Mat4(0.75f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 100.0f / 99.0f, 1, 0, 0, -100.0f / 99.0f, 0)},
      {"perspective of the quad layers", *D3DXMatrixPerspectiveLH(&m, 1, 1, -1, 1),
       Mat4(-2, 0, 0, 0, 0, -2, 0, 0, 0, 0, 0.5f, 1, 0, 0, 0.5f, 0)},
      {"orthographic", *D3DXMatrixOrthoLH(&m, 800, 600, 1, 11),
       Mat4(2.0f / 800, 0, 0, 0, 0, 2.0f / 600, 0, 0, 0, 0, 0.1f, 0, 0, 0, -0.1f, 1)},
      {"look-at", *D3DXMatrixLookAtLH(&m, &eye, &at, &up),
       Mat4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1)},
      {"identity", *D3DXMatrixIdentity(&m), identity()},
      {"transpose", *D3DXMatrixTranspose(&m, &sequence),
       Mat4(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    expectNear(k.actual, k.expected);
  }
}

TEST(D3DXMatrixTest, YawPitchRollAppliesRollThenPitchThenYaw) {
  const double a = 0.3, b = -0.7, c = 1.1;  // yaw, pitch, roll
  const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b),
               cc = std::cos(c), sc = std::sin(c);
  // clang-format off
  Mat4 expected(cc * ca + sc * sb * sa, sc * cb, -cc * sa + sc * sb * ca, 0,
                -sc * ca + cc * sb * sa, cc * cb, sc * sa + cc * sb * ca, 0,
                cb * sa, -sb, cb * ca, 0,
                0, 0, 0, 1);
  // clang-format on
  Mat4 m;
  D3DXMatrixRotationYawPitchRoll(&m, a, b, c);
  expectNear(m, expected);

  // Roll a quarter turn takes x to y; yaw a quarter turn then takes x to -z.
  D3DXMatrixRotationYawPitchRoll(&m, 0, 0, kPi / 2);
  expectNear(transformPoint(Vec3(1, 0, 0), m), Vec3(0, 1, 0));
  D3DXMatrixRotationYawPitchRoll(&m, kPi / 2, 0, 0);
  expectNear(transformPoint(Vec3(1, 0, 0), m), Vec3(0, 0, -1));
}

TEST(D3DXMatrixTest, ProductAppliesTheLeftMatrixFirstAndMayOverwriteAnInput) {
  Mat4 translate, rotate, product;
  D3DXMatrixTranslation(&translate, 1, 0, 0);
  D3DXMatrixRotationZ(&rotate, kPi / 2);
  D3DXMatrixMultiply(&product, &translate, &rotate);
  expectNear(transformPoint(Vec3(0, 0, 0), product), Vec3(0, 1, 0));
  EXPECT_EQ(product, translate * rotate);

  Mat4 inPlace = translate;
  D3DXMatrixMultiply(&inPlace, &inPlace, &rotate);
  EXPECT_EQ(inPlace, product);
  inPlace = rotate;
  D3DXMatrixMultiply(&inPlace, &translate, &inPlace);
  EXPECT_EQ(inPlace, product);
}

TEST(D3DXMatrixTest, InverseIsGeneral) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> value(-3, 3);
  Mat4 perspective;
  D3DXMatrixPerspectiveFovLH(&perspective, 0.9f, 1.333f, 0.5f, 300);
  Mat4 matrices[] = {perspective,
                     Mat4(2, 0.5f, 0, 0.1f, 0, 3, 1, 0, 0.2f, 0, 0.5f, 0, 4, -2, 7, 1)};
  for (const Mat4& m : matrices) {
    Mat4 inv;
    ASSERT_NE(D3DXMatrixInverse(&inv, nullptr, &m), nullptr);
    expectNear(m * inv, identity(), 1e-4f);
    expectNear(inv * m, identity(), 1e-4f);
  }
  for (int i = 0; i < 100; ++i) {
    Mat4 m;
    for (auto& row : m.m) {
      for (float& e : row) {
        e = value(rng);
      }
    }
    float det = 0;
    Mat4 inv;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    if (std::fabs(det) > 0.5f) {
      expectNear(m * inv, identity(), 1e-3f);
    }
    // In place.
    Mat4 copy = m;
    D3DXMatrixInverse(&copy, nullptr, &copy);
    EXPECT_EQ(copy, inv);
  }
}

TEST(D3DXMatrixTest, SingularInverseReturnsNullAndLeavesTheOutputAlone) {
  Mat4 singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1);
  Mat4 out = identity();
  float det = 99;
  EXPECT_EQ(D3DXMatrixInverse(&out, &det, &singular), nullptr);
  EXPECT_EQ(det, 0.0f);
  EXPECT_EQ(out, identity());
}

TEST(D3DXVectorTest, NormalizeDividesByTheLengthAndKeepsZero) {
  Vec3 out;
  Vec3 v(3, 0, 4);
  D3DXVec3Normalize(&out, &v);
  EXPECT_EQ(out, Vec3(3.0f / 5.0f, 0, 4.0f / 5.0f));
  Vec3 zero;
  D3DXVec3Normalize(&out, &zero);
  EXPECT_EQ(out, Vec3(0, 0, 0));
  D3DXVec3Normalize(&v, &v);
  EXPECT_EQ(v, Vec3(0.6f, 0, 0.8f));
}

}  // namespace
}  // namespace korvel
