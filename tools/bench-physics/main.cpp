// Physics benchmark: the car's behaviour on generated roads and the engine's
// step and cooking times on a 100,000-triangle hilly track.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "car_scenarios.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void hills(Model& m) {
  // 224 x 224 cells, two triangles each: 100,352 triangles.
  harness::makeTerrain(m, 40000, 224, [](float x, float z) {
    return 150 * std::sin(x / 900) * std::cos(z / 1100) + 10 * std::sin(x / 230 + z / 310);
  });
}

void engineTimings() {
  hills(gWorld.trackCollide);
  // Cooking: the whole track step of the world set-up, timed alone.
  harness::clearControls();
  gTitleEntry = 1;
  setUpPhysicsWorld();
  auto t0 = Clock::now();
  NxActor* track = cookTrackMesh();
  double cookMs = msSince(t0);
  if (!track || !harness::buildWorld()) {
    std::printf("physics.cook_ms: nan ms\n");
    return;
  }
  harness::Runner r;
  r.run(1);
  harness::holdKey(scenarios::kUp, true);
  NxU32 before = gPhysicsScene->getSubStepCount();
  double simulateMs = 0;
  for (int frame = 0; frame < 1200; ++frame) {
    harness::holdKey(scenarios::kLeft, (frame / 120) % 2 == 1);  // weave across the hills
    gPhysicsScene->fetchResults(NX_RIGID_BODY_FINISHED, false);
    updateVehicleControls();
    auto s0 = Clock::now();
    gPhysicsScene->simulate(1.0f / 60);
    simulateMs += msSince(s0);
    readVehicleState();
    updateCarSpeed();
    gRaceClock += 1.0f / 60;
  }
  harness::clearControls();
  NxU32 steps = gPhysicsScene->getSubStepCount() - before;
  std::printf("physics.substep_us: %.1f us\n", steps ? simulateMs * 1000 / steps : NAN);
  std::printf("physics.cook_ms: %.1f ms\n", cookMs);
}

}  // namespace

int main() {
  using namespace scenarios;
  std::printf("vehicle.accel_to_120_s: %.3f s\n", accelToAxle120());
  std::printf("vehicle.display_speed_60fps: %.1f display\n", topSpeed().display);
  StopRun brake = stopFromTopSpeed(Stop::Brake25000);
  std::printf("vehicle.brake_stop_units: %.0f units\n", brake.distance);
  StopRun hand = stopFromTopSpeed(Stop::Handbrake);
  std::printf("vehicle.handbrake_stop_units: %.0f units\n", hand.distance);
  SteerRun steer = steerAt600();
  std::printf("vehicle.steer600_yaw_rads: %.3f rad/s\n", steer.yawRate);
  std::printf("vehicle.steer600_sideslip_rad: %.3f rad\n", steer.sideslip);
  std::printf("vehicle.drop_rebound_ups: %.5f u/s\n", dropRebound());
  std::printf("vehicle.slope30_drift_units: %.4f units\n", slopeDrift(30));
  std::printf("vehicle.coast_fps_spread_pct: %.3f %%\n", coastSpread());
  engineTimings();
  releasePhysicsWorld();
  return 0;
}
