// The vehicle behaviour runs measured by the physics tests and the benchmark.
// Every run uses a fixed frame rate: the game's control law is per frame.
#pragma once

#include <algorithm>
#include <cmath>

#include "car_harness.h"

namespace scenarios {

using harness::Runner;

const DriveAction kUp = kAccelerate, kDown = kReverse, kLeft = kSteerLeft, kRight = kSteerRight, kSpace = kHandbrake;

// Lets a fresh car drop onto the road and settle with no key held.
inline void settle(Runner& r, double seconds = 1.0) { r.run(seconds); }

// Seconds of full throttle from rest until every axle turns at 120 rad/s; -1 if never.
inline double accelToAxle120(double fps = 60) {
  harness::makeFlat(gWorld.trackCollide);
  if (!harness::buildWorld()) return -1;
  Runner r;
  r.dt = 1 / fps;
  settle(r);
  harness::holdKey(kUp, true);
  double start = r.time;
  bool reached = r.runUntil(10, [] { return harness::minAxleSpeed() >= 120; });
  harness::holdKey(kUp, false);
  return reached ? r.time - start : -1;
}

struct TopSpeed {
  float speed = 0;        // units per second along the car's heading
  float display = 0;      // the speedometer value, averaged over the last second
};

// Full throttle from rest for `seconds`; leaves the car running for a follow-up.
inline TopSpeed fullThrottle(Runner& r, double seconds) {
  harness::holdKey(kUp, true);
  r.run(seconds - 1);
  double sum = 0;
  int frames = 0;
  r.runUntil(1, [&] {
    sum += gSpeedDisplay;
    ++frames;
    return false;
  });
  harness::holdKey(kUp, false);
  return {harness::forwardSpeed(), static_cast<float>(sum / std::max(frames, 1))};
}

inline TopSpeed topSpeed(double fps = 60, double seconds = 10) {
  harness::makeFlat(gWorld.trackCollide);
  if (!harness::buildWorld()) return {};
  Runner r;
  r.dt = 1 / fps;
  settle(r);
  return fullThrottle(r, seconds);
}

enum class Stop { Brake25000, Handbrake, Coast };

struct StopRun {
  float distance = 0;     // units from the first braking frame to standstill
  float seconds = 0;
  float startSpeed = 0;
};

// From top speed (10 s of throttle), brakes until the car stands (< 1 u/s).
inline StopRun stopFromTopSpeed(Stop how, double fps = 60) {
  harness::makeFlat(gWorld.trackCollide);
  StopRun out;
  if (!harness::buildWorld()) return out;
  Runner r;
  r.dt = 1 / fps;
  settle(r);
  out.startSpeed = fullThrottle(r, 10).speed;
  if (how == Stop::Handbrake) harness::holdKey(kSpace, true);
  NxVec3 start = gCarActor->getGlobalPosition();
  double t0 = r.time;
  if (how == Stop::Brake25000) {
    // No key gives this torque alone: the race frame's controls run, then all
    // four wheels get motor 0 and brake 25000.
    r.afterControls = [] {
      for (NxWheelShape* w : gWheels) {
        w->setMotorTorque(0);
        w->setBrakeTorque(25000);
      }
    };
  }
  r.runUntil(60, [] { return gCarActor->getLinearVelocity().magnitude() < 1; });
  harness::holdKey(kSpace, false);
  NxVec3 end = gCarActor->getGlobalPosition();
  out.distance = std::hypot(end.x - start.x, end.z - start.z);
  out.seconds = static_cast<float>(r.time - t0);
  return out;
}

struct SteerRun {
  float yawRate = 0;      // rad/s about the world's up axis, mean of the last second
  float sideslip = 0;     // largest angle between heading and velocity, rad
  float minUpright = 1;   // smallest y of the car's up axis
  float speed = 0;
};

// Throttle to 600 u/s, then full left lock for three seconds with the
// throttle held whenever the car is below 600 u/s. Yaw over the last second.
inline SteerRun steerAt600(double fps = 60) {
  harness::makeFlat(gWorld.trackCollide);
  SteerRun out;
  if (!harness::buildWorld()) return out;
  Runner r;
  r.dt = 1 / fps;
  settle(r);
  harness::holdKey(kUp, true);
  r.runUntil(20, [] { return harness::forwardSpeed() >= 600; });
  // Full left lock; the driver keeps the throttle on while below 600 u/s.
  harness::holdKey(kLeft, true);
  r.beforeControls = [] { harness::holdKey(kUp, harness::forwardSpeed() < 600); };
  double t0 = r.time, yawSum = 0;
  int yawFrames = 0;
  r.runUntil(3, [&] {
    NxVec3 v = gCarActor->getLinearVelocity();
    NxVec3 f = gCarActor->getGlobalPose().M.getColumn(2);
    float slip = std::fabs(std::atan2(f.x * v.z - f.z * v.x, f.x * v.x + f.z * v.z));
    if (v.magnitude() > 50) out.sideslip = std::max(out.sideslip, slip);
    out.minUpright = std::min(out.minUpright, harness::upright());
    if (r.time - t0 > 2) {
      yawSum += gCarActor->getAngularVelocity().y;
      ++yawFrames;
    }
    return false;
  });
  r.beforeControls = nullptr;
  harness::holdKey(kUp, false);
  harness::holdKey(kLeft, false);
  out.yawRate = static_cast<float>(yawSum / std::max(yawFrames, 1));
  out.speed = gCarActor->getLinearVelocity().magnitude();
  return out;
}

// Drops the car from 100 units above its resting height; the largest upward
// speed after the first wheel touches.
inline float dropRebound(double fps = 60) {
  harness::makeFlat(gWorld.trackCollide);
  if (!harness::buildWorld()) return 1e9f;
  NxVec3 p = gCarActor->getGlobalPosition();
  gCarActor->setGlobalPosition(NxVec3(p.x, p.y + 100, p.z));
  Runner r;
  r.dt = 1 / fps;
  float rebound = 0;
  bool landed = false;
  r.runUntil(4, [&] {
    NxWheelContactData c;
    for (NxWheelShape* w : gWheels) landed = landed || w->getContact(c) != nullptr;
    if (landed) rebound = std::max(rebound, gCarActor->getLinearVelocity().y);
    return false;
  });
  return landed ? rebound : 1e9f;
}

// Handbrake on a slope: how far the car creeps in `seconds` after settling.
inline float slopeDrift(float degrees, double seconds = 5, double fps = 60) {
  harness::makeSlope(gWorld.trackCollide, degrees);
  if (!harness::buildWorld()) return 1e9f;
  // Set the car down parallel to the slope, wheels just above it.
  float a = degrees * 3.14159265f / 180;
  gCarActor->setGlobalOrientationQuat(rotationAboutAxis(NxVec3(1, 0, 0), -degrees));
  gCarActor->setGlobalPosition(NxVec3(0, 22.624f / std::cos(a) + 1, 0));
  Runner r;
  r.dt = 1 / fps;
  harness::holdKey(kSpace, true);
  r.run(1.5);
  NxVec3 start = gCarActor->getGlobalPosition();
  r.run(seconds);
  harness::holdKey(kSpace, false);
  return gCarActor->getGlobalPosition().distance(start);
}

// Coasting (no key: brake 5000) from 1000 u/s to a standstill.
inline float coastDistance(double fps) {
  harness::makeFlat(gWorld.trackCollide);
  if (!harness::buildWorld()) return -1;
  Runner r;
  r.dt = 1 / fps;
  settle(r);
  NxVec3 f = gCarActor->getGlobalPose().M.getColumn(2);
  gCarActor->setLinearVelocity(f * 1000);
  for (NxWheelShape* w : gWheels) w->setAxleSpeed(1000 / w->getRadius());
  NxVec3 start = gCarActor->getGlobalPosition();
  r.runUntil(60, [] { return gCarActor->getLinearVelocity().magnitude() < 1; });
  NxVec3 end = gCarActor->getGlobalPosition();
  return std::hypot(end.x - start.x, end.z - start.z);
}

// Largest relative difference of the coast distance across frame rates, in percent.
inline float coastSpread(float* distances = nullptr) {
  const double rates[4] = {30, 60, 144, 1000};
  float lo = 1e30f, hi = -1e30f;
  for (int i = 0; i < 4; ++i) {
    float d = coastDistance(rates[i]);
    if (distances) distances[i] = d;
    lo = std::min(lo, d);
    hi = std::max(hi, d);
  }
  return lo > 0 ? (hi - lo) / lo * 100 : 1e9f;
}

struct WallRun {
  float furthestZ = 0;    // largest z the car's centre reached
  float upright = 0;      // up axis y after settling
  float restSpeed = 0;
};

// A wall across the road at z = 1500 (100 thick, 300 high); full throttle into it.
inline WallRun wallHit(double fps = 60) {
  Model& m = gWorld.trackCollide;
  harness::makeTerrain(m, 20000, 20, [](float, float) { return 0.0f; });
  Shape& s = m.shapes[0];
  auto vertex = [&s](float x, float y, float z) {
    s.coordinates.push_back({x, y, z});
    return static_cast<int>(s.coordinates.size() - 1);
  };
  // Eight corners of the wall block and its six faces, outward winding.
  int c[8];
  for (int i = 0; i < 8; ++i) c[i] = vertex(i & 1 ? 2000.f : -2000.f, i & 2 ? 300.f : 0.f, i & 4 ? 1600.f : 1500.f);
  const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto& f : faces) {
    int tri[6] = {c[f[0]], c[f[1]], c[f[2]], c[f[0]], c[f[2]], c[f[3]]};
    for (int k : tri) s.indices.push_back(k);
  }
  s.vertexCount = static_cast<int>(s.coordinates.size());
  s.triangleCount = static_cast<int>(s.indices.size() / 3);
  WallRun out;
  if (!harness::buildWorld()) return out;
  Runner r;
  r.dt = 1 / fps;
  settle(r);
  harness::holdKey(kUp, true);
  r.runUntil(8, [&] {
    out.furthestZ = std::max(out.furthestZ, gCarActor->getGlobalPosition().z);
    return false;
  });
  harness::holdKey(kUp, false);
  // The heavy axles keep turning (and pushing) long after the impact; the
  // car comes back down once the brake has stopped them.
  r.run(25);
  out.upright = harness::upright();
  out.restSpeed = gCarActor->getLinearVelocity().magnitude();
  return out;
}

}  // namespace scenarios
