// The fish school of the undersea scene: boids that keep apart, align, cohere, steer round an
// invisible sphere and follow a goal, turned into yaw, pitch and speed so each fish swims and
// banks like a body. Draws nothing: after each step every boid holds its world matrix.
#pragma once

#include <vector>

#include "render/math.h"

namespace korvel {

struct Boid {
  Mat4 world;  // rotation, then translation to the position before the last move
  Vec3 position;
  Vec3 direction;  // unit heading: the world matrix's third row
  Vec3 separation, alignment, cohesion, goalPull, avoidance;
  unsigned neighbours = 0;
  float speed = 0.1f;
  float yaw = 0, pitch = 0, roll = 0;
  float yawRate = 0;
  Vec3 colour;  // a saturated hue; not used in drawing
};

struct FlockObstacle {
  Vec3 centre;
  float radius = 0;  // boids keep out of 1.5 times this
};

class Flock {
 public:
  // Nothing at all when boidCount <= 0. Draws 14 numbers per boid from the shared random
  // generator, in order. Obstacle 0 is a sphere of radius 60 at the origin; any further ones
  // are points at the origin (radius 0).
  void create(int boidCount, int obstacleCount);
  // One step; only the move along the heading scales with dt (seconds).
  void update(float dt);
  void release();

  unsigned boidCount = 0;
  Boid* boids = nullptr;
  unsigned obstacleCount = 0;
  FlockObstacle* obstacles = nullptr;
  Vec3 goal;

  Flock() = default;
  Flock(const Flock&) = delete;
  Flock& operator=(const Flock&) = delete;
  ~Flock() { release(); }

 private:
  void gather();
  void steer(Boid& boid, float dt);

  // Scratch for the pair scan, sized by create so update allocates nothing: positions laid
  // out by axis, so the squared distances to every later boid compute in one tight loop.
  std::vector<float> xs_, ys_, zs_, distances_;
};

}  // namespace korvel
