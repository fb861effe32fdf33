#include "render/math.h"

#include <cmath>

namespace korvel {

namespace {
constexpr float kEpsilon = 0.00001f;
}

Vec3& Vec3::normalize() {
  float len = std::sqrt(x * x + y * y + z * z);
  if (std::fabs(len) < kEpsilon) {
    return *this;
  }
  float r = 1.0f / len;
  x *= r;
  y *= r;
  z *= r;
  return *this;
}

Mat4::Mat4(float a11, float a12, float a13, float a14, float a21, float a22, float a23, float a24,
           float a31, float a32, float a33, float a34, float a41, float a42, float a43, float a44)
    : _11(a11),
      _12(a12),
      _13(a13),
      _14(a14),
      _21(a21),
      _22(a22),
      _23(a23),
      _24(a24),
      _31(a31),
      _32(a32),
      _33(a33),
      _34(a34),
      _41(a41),
      _42(a42),
      _43(a43),
      _44(a44) {}

Mat4& Mat4::identity() {
  *this = Mat4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return *this;
}

Mat4 Mat4::operator*(const Mat4& b) const {
  Mat4 r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] =
          m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j] + m[i][3] * b.m[3][j];
    }
  }
  return r;
}

bool Mat4::operator==(const Mat4& b) const {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (m[i][j] != b.m[i][j]) {
        return false;
      }
    }
  }
  return true;
}

bool Mat4::lookAt(const Vec3& eye, const Vec3& at, const Vec3& up) {
  Vec3 nAxis = at - eye;
  nAxis.normalize();

  Vec3 vAxis = up - nAxis * up.dot(nAxis);
  if (vAxis.length() < kEpsilon) {
    vAxis = Vec3(0, 1, 0) - nAxis * nAxis.y;
  }
  if (vAxis.length() < kEpsilon) {
    vAxis = Vec3(0, 0, 1) - nAxis * nAxis.z;
  }
  if (vAxis.length() < kEpsilon) {
    return false;
  }
  vAxis.normalize();
  Vec3 uAxis = vAxis.cross(nAxis);

  // clang-format off
  *this = Mat4(uAxis.x, vAxis.x, nAxis.x, 0,
               uAxis.y, vAxis.y, nAxis.y, 0,
               uAxis.z, vAxis.z, nAxis.z, 0,
               -eye.dot(uAxis), -eye.dot(vAxis), -eye.dot(nAxis), 1);
  // clang-format on
  return true;
}

}  // namespace korvel
