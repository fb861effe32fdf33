#include "effects/flock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#ifdef __SSE2__
#include <immintrin.h>
#endif

#include "platform/d3dx_math.h"
#include "platform/random.h"

namespace korvel {

namespace {

constexpr float kNeighbourDistance = 40.0f;
constexpr float kAvoidDistance = 40.0f;

float rand01() {
  return float(rand()) / 32767.0f;
}

}  // namespace

void Flock::create(int count, int obstacleCountWanted) {
  if (count <= 0) {
    return;
  }
  release();
  boidCount = unsigned(count);
  boids = new Boid[boidCount];
  goal = Vec3(0, 0, 0);
  for (unsigned i = 0; i < boidCount; ++i) {
    float r[15];
    for (int k = 1; k <= 14; ++k) {
      r[k] = rand01();
    }
    Boid& b = boids[i];
    b.world.identity();
    b.position = Vec3((r[4] - r[5]) * 200.0f, r[3] * 100.0f, (r[1] - r[2]) * 200.0f);
    Vec3 heading(r[10] - r[11], r[8] - r[9], r[6] - r[7]);
    D3DXVec3Normalize(&b.direction, &heading);
    b.yaw = b.pitch = b.roll = b.yawRate = 0;
    b.speed = 0.1f;
    Vec3 c(r[14], r[13], r[12]);
    float lowest = std::min({c.x, c.y, c.z});
    c = Vec3(c.x - lowest, c.y - lowest, c.z - lowest);
    float highest = std::max({c.x, c.y, c.z});
    b.colour = highest > 0 ? Vec3(c.x / highest, c.y / highest, c.z / highest) : c;
  }
  xs_.assign(boidCount, 0.0f);
  ys_.assign(boidCount, 0.0f);
  zs_.assign(boidCount, 0.0f);
  distances_.assign(boidCount, 0.0f);
  if (obstacleCountWanted > 0) {
    obstacleCount = unsigned(obstacleCountWanted);
    obstacles = new FlockObstacle[obstacleCount]();
    obstacles[0].centre = Vec3(0, 0, 0);
    obstacles[0].radius = 60.0f;
  }
}

void Flock::release() {
  delete[] boids;
  boids = nullptr;
  boidCount = 0;
  delete[] obstacles;
  obstacles = nullptr;
  obstacleCount = 0;
}

void Flock::update(float dt) {
  gather();
  for (unsigned i = 0; i < boidCount; ++i) {
    steer(boids[i], dt);
  }
}

void Flock::gather() {
  for (unsigned i = 0; i < boidCount; ++i) {
    Boid& b = boids[i];
    b.separation = b.alignment = b.cohesion = b.goalPull = b.avoidance = Vec3(0, 0, 0);
    b.neighbours = 0;
  }
  const float reach2 = kNeighbourDistance * kNeighbourDistance;
  float* xs = xs_.data();
  float* ys = ys_.data();
  float* zs = zs_.data();
  float* d2s = distances_.data();
  for (unsigned i = 0; i < boidCount; ++i) {
    xs[i] = boids[i].position.x;
    ys[i] = boids[i].position.y;
    zs[i] = boids[i].position.z;
  }
  for (unsigned i = 0; i < boidCount; ++i) {
    Boid& bi = boids[i];
    const Vec3 pi = bi.position;
    // Squared distances to every later boid, the same products and sums as |diff| takes.
    for (unsigned j = i + 1; j < boidCount; ++j) {
      const float dx = pi.x - xs[j], dy = pi.y - ys[j], dz = pi.z - zs[j];
      d2s[j] = dx * dx + dy * dy + dz * dz;
    }
    // sqrt is monotonic and exact at 1600, so a squared distance of 1600 or more is never a
    // neighbour; below it the distance itself decides, as it always did. The near ones are
    // marked in a bit mask per 32 boids, without branches, and visited in order. Boid i's own
    // sums stay in registers; they add up in the same order as they would in memory.
    Vec3 separation = bi.separation, alignment = bi.alignment, cohesion = bi.cohesion;
    unsigned neighbours = bi.neighbours;
    for (unsigned base = i + 1; base < boidCount; base += 32) {
      const unsigned end = std::min(base + 32, boidCount);
      uint32_t mask = 0;
      unsigned j0 = base;
#ifdef __SSE2__
      const __m128 reach = _mm_set1_ps(reach2);
      for (; j0 + 4 <= end; j0 += 4) {
        const int bits = _mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(d2s + j0), reach));
        mask |= uint32_t(bits) << (j0 - base);
      }
#endif
      for (unsigned j = j0; j < end; ++j) {
        mask |= uint32_t(d2s[j] < reach2) << (j - base);
      }
      while (mask) {
        const unsigned j = base + unsigned(__builtin_ctz(mask));
        mask &= mask - 1;
        const float d = std::sqrt(d2s[j]);
        if (!(d < kNeighbourDistance) || d == 0.0f) {
          continue;  // coincident boids have no direction to push apart along
        }
        Boid& bj = boids[j];
        const Vec3 diff = pi - bj.position;
        // Vec3's division multiplies by one reciprocal: shared by both directions, same bits.
        const float perD2 = 1.0f / (d * d), perD = 1.0f / d;
        const Vec3 push(perD2 * diff.x, perD2 * diff.y, perD2 * diff.z);
        separation += push;
        bj.separation -= push;
        alignment += Vec3(perD * bj.direction.x, perD * bj.direction.y, perD * bj.direction.z);
        bj.alignment += Vec3(perD * bi.direction.x, perD * bi.direction.y, perD * bi.direction.z);
        cohesion += bj.position;
        bj.cohesion += pi;
        ++neighbours;
        ++bj.neighbours;
      }
    }
    bi.separation = separation;
    bi.alignment = alignment;
    bi.cohesion = cohesion;
    bi.neighbours = neighbours;
    for (unsigned k = 0; k < obstacleCount; ++k) {
      const Vec3 diff = pi - obstacles[k].centre;
      const float r = obstacles[k].radius * 1.5f;
      if (diff.dot(bi.direction) <= 0) {
        const float s = diff.length() - r;
        if (s < kAvoidDistance && s != 0.0f) {  // on the surface there is no way out to push
          bi.avoidance += diff / s;
        }
      }
    }
    if (bi.neighbours > 0) {
      const float n = float(bi.neighbours);
      Vec3 c = bi.cohesion / n - pi;
      float length = c.length();
      bi.cohesion = length > 0 ? c / length : Vec3(0, 0, 0);
      Vec3 a = bi.alignment / n;
      float l = a.length();
      bi.alignment = l > 0 ? (a / l - bi.direction) / l : a;
    }
    Vec3 toGoal = goal - pi;
    D3DXVec3Normalize(&bi.goalPull, &toGoal);
  }
}

void Flock::steer(Boid& b, float dt) {
  Vec3 force = b.avoidance + b.separation + b.alignment * 0.1f + b.cohesion + b.goalPull;
  float length = force.length();
  if (length > 1.0f) {
    force = force / length;
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
  b.speed = std::clamp(b.speed, 0.425f, 4.25f);

  Vec3 offset(force.x, 0, force.z);
  const Vec3 delta = b.direction;
  if (offset.length() > 0) {
    Vec3 flat = offset;
    D3DXVec3Normalize(&offset, &flat);
  }
  float p = offset.dot(delta);
  if (p > 0.7f) {
    p -= 0.7f;
    b.speed += p * 0.005f;
  }
  offset = offset.cross(delta);
  const float turn = (1.0f - p) / 2.0f * 0.07f;
  if (offset.y > 0.05f) {
    b.yawRate = (b.yawRate * 19.0f + turn) * 0.05f;
  } else if (offset.y < -0.05f) {
    b.yawRate = (b.yawRate * 19.0f - turn) * 0.05f;
  } else {
    b.yawRate *= 0.98f;
  }
  b.yaw += b.yawRate;
  b.roll = -b.yawRate * 20.0f;

  Mat4 translation, rotation;
  D3DXMatrixTranslation(&translation, b.position.x, b.position.y, b.position.z);
  D3DXMatrixRotationYawPitchRoll(&rotation, -b.yaw, -b.pitch, -b.roll);
  D3DXMatrixMultiply(&b.world, &rotation, &translation);
  b.direction = Vec3(b.world._31, b.world._32, b.world._33);
  b.position += b.direction * b.speed * 100.0f * dt;
}

}  // namespace korvel
