// Headless car runs: a generated collision model, the game's world set-up and
// the race frame's physics steps at a fixed frame rate. Shared by the physics
// tests and the physics benchmark.
#pragma once

#include <cmath>
#include <cstring>
#include <functional>

#include "physics/physics.h"
#include "race/race.h"
#include "shell/game.h"
#include "ui/ui.h"

namespace harness {

// A square grid of `cells` x `cells` quads, `size` units across, centred on the
// origin, with the height given by `height(x, z)`.
inline void makeTerrain(Model& model, float size, int cells, const std::function<float(float, float)>& height) {
  model.shapes.assign(1, Shape());
  Shape& s = model.shapes[0];
  int n = cells + 1;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      float x = -size / 2 + size * i / cells, z = -size / 2 + size * j / cells;
      s.coordinates.push_back({x, height(x, z), z});
    }
  for (int j = 0; j < cells; ++j)
    for (int i = 0; i < cells; ++i) {
      int a = j * n + i, b = a + 1, c = a + n, d = c + 1;
      // Counter-clockwise seen from above: normals point up.
      int tris[6] = {a, c, b, b, c, d};
      for (int k : tris) s.indices.push_back(k);
    }
  s.vertexCount = static_cast<int>(s.coordinates.size());
  s.triangleCount = static_cast<int>(s.indices.size() / 3);
  model.shapeCount = 1;
}

inline void makeFlat(Model& model) {
  makeTerrain(model, 60000, 60, [](float, float) { return 0.0f; });
}

// Ground rising along +z at `degrees` (the car, heading 0, faces uphill).
inline void makeSlope(Model& model, float degrees) {
  float t = std::tan(degrees * 3.14159265f / 180);
  makeTerrain(model, 4000, 8, [t](float, float z) { return z * t; });
}

inline void clearControls() {
  std::memset(gKeys, 0, sizeof gKeys);
  gTickInput = TickInput();
  gMotorTorque = 0;
  gBrakeTorque = 0;
  gSteerAngle = 0;
  gMaxSteerAngle = 3.1415927f / 6;
  gCarSpeed = 0;
  gPrevCarSpeed = 0;
  for (float& s : gWheelSpin) s = 0;
  gRaceFinished = false;
}

// Builds the race world on the collision model in gWorld.trackCollide, with
// the car at (x, z) facing `heading`; the race clock runs.
inline bool buildWorld(float x = 0, float z = 0, float heading = 0, bool triggers = false) {
  clearControls();
  gStartX = x;
  gStartZ = z;
  gStartHeading = heading;
  gTitleEntry = triggers ? 0 : 1;
  setUpPhysicsWorld();
  gRaceClock = 1;
  if (!gCarActor) return false;
  readVehicleState();
  gPrevCarPos = gCarPose.t;
  return true;
}

// One race frame's physics part, in the frame loop's order.
struct Runner {
  double dt = 1.0 / 60;
  double time = 0;
  bool requested = false;
  std::function<void()> beforeControls;  // sets keys for this frame
  std::function<void()> afterControls;   // overrides what the controls gave the wheels

  void frame() {
    if (requested) gPhysicsScene->fetchResults(NX_RIGID_BODY_FINISHED, false);
    if (beforeControls) beforeControls();
    updateVehicleControls();
    if (afterControls) afterControls();
    gPhysicsScene->simulate(static_cast<float>(dt));
    gPhysicsScene->flushStream();
    requested = true;
    readVehicleState();
    brakeFinishedCar();
    updateCarSpeed();
    time += dt;
    gRaceClock += static_cast<float>(dt);
  }
  // Runs frames until `done` or `seconds` pass; true when `done` was met.
  bool runUntil(double seconds, const std::function<bool()>& done) {
    double end = time + seconds;
    while (time < end - 1e-9) {
      frame();
      if (done && done()) return true;
    }
    return false;
  }
  void run(double seconds) { runUntil(seconds, nullptr); }
};

inline float forwardSpeed() {
  NxVec3 v = gCarActor->getLinearVelocity();
  NxVec3 f = gCarActor->getGlobalPose().M.getColumn(2);
  return v.dot(f);
}

inline float minAxleSpeed() {
  float m = 1e30f;
  for (NxWheelShape* w : gWheels) m = std::fmin(m, w->getAxleSpeed());
  return m;
}

inline float upright() { return gCarActor->getGlobalPose().M.getColumn(1).y; }

// Holds or lets go of a driving action as the control law reads it.
inline void holdKey(DriveAction action, bool down) {
  const unsigned bit = driveBit(action);
  gTickInput.keys = static_cast<uint16_t>(down ? gTickInput.keys | bit : gTickInput.keys & ~bit);
}

}  // namespace harness
