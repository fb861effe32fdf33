// Vector and matrix value types. The float types have the memory layouts of their D3DX
// counterparts, so a Mat4 goes straight to SetTransform and a Vec3 array can be the position
// part of a vertex. All arithmetic is 32-bit float, in single-precision library functions.
#pragma once

#include <cmath>
#include <cstdint>

namespace korvel {

struct Vec2 {
  float x, y;

  Vec2() : x(0), y(0) {}
  Vec2(float x, float y) : x(x), y(y) {}
};

struct Vec3 {
  float x, y, z;

  Vec3() : x(0), y(0), z(0) {}
  Vec3(float x, float y, float z) : x(x), y(y), z(z) {}

  Vec3 operator-() const { return Vec3(-x, -y, -z); }
  Vec3 operator+(const Vec3& b) const { return Vec3(x + b.x, y + b.y, z + b.z); }
  Vec3 operator-(const Vec3& b) const { return Vec3(x - b.x, y - b.y, z - b.z); }
  Vec3 operator*(float s) const { return Vec3(x * s, y * s, z * s); }
  // One reciprocal, three products: not the same bits as three divisions.
  Vec3 operator/(float s) const {
    float r = 1.0f / s;
    return Vec3(r * x, r * y, r * z);
  }
  Vec3& operator-=(const Vec3& b) {
    x -= b.x;
    y -= b.y;
    z -= b.z;
    return *this;
  }
  Vec3& operator+=(const Vec3& b) {
    x += b.x;
    y += b.y;
    z += b.z;
    return *this;
  }
  Vec3& operator*=(float s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  bool operator==(const Vec3&) const = default;

  float dot(const Vec3& b) const { return x * b.x + y * b.y + z * b.z; }
  Vec3 cross(const Vec3& b) const {
    return Vec3(y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x);
  }
  float lengthSquared() const { return x * x + y * y + z * z; }
  float length() const { return std::sqrt(x * x + y * y + z * z); }
  // Leaves vectors shorter than 0.00001 unchanged.
  Vec3& normalize();

  operator float*() { return &x; }
  operator const float*() const { return &x; }
};

struct Vec4 {
  float x, y, z, w;

  Vec4() : x(0), y(0), z(0), w(0) {}
  Vec4(float x, float y, float z, float w) : x(x), y(y), z(z), w(w) {}
  Vec4(const Vec3& v, float w) : x(v.x), y(v.y), z(v.z), w(w) {}
  bool operator==(const Vec4&) const = default;
};

struct Point2i {
  int32_t x, y;

  Point2i() : x(0), y(0) {}
  Point2i(int32_t x, int32_t y) : x(x), y(y) {}
};

struct Plane {
  Vec3 normal;
  float d = 0;
};

// Row vectors: v' = v * M, translation in _41 _42 _43, and in A * B the transformation A
// applies first.
struct Mat4 {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };

  // Leaves the contents unset, as every user sets the matrix before reading it.
  Mat4() {}
  Mat4(float a11, float a12, float a13, float a14, float a21, float a22, float a23, float a24,
       float a31, float a32, float a33, float a34, float a41, float a42, float a43, float a44);

  Mat4& identity();
  Mat4 operator*(const Mat4& b) const;
  bool operator==(const Mat4& b) const;

  // Left-handed view matrix. When up is parallel to the viewing direction it falls back to
  // the y axis, then the z axis; false (matrix untouched) when neither is usable.
  bool lookAt(const Vec3& eye, const Vec3& at, const Vec3& up);
};

static_assert(sizeof(Vec2) == 8 && sizeof(Vec3) == 12 && sizeof(Vec4) == 16);
static_assert(sizeof(Point2i) == 8 && sizeof(Plane) == 16 && sizeof(Mat4) == 64);

}  // namespace korvel
