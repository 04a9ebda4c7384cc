// What a frame draws: the car, its wheels, the chase camera and the ghost,
// blended between the last two ticks by the wall-clock time past the last one.
//
// Ticks start half a tick early (ticksDue), so after a frame's ticks the
// remainder lies between -1/2 and +1/2 tick: a frame draws the last two ticks
// blended at 1 + remainder, between them when the ticks ran ahead of the wall
// clock and up to half a tick beyond the last when they lag. The picture then
// shows the race exactly at the wall clock's time, with no delay; at a steady
// 60 frames a second the remainder stays at 0 and each frame draws its tick.
#include <algorithm>
#include <cmath>
#include <limits>

#include "physics/physics.h"
#include "race/ghost.h"
#include "shell/game.h"

// ---- Per frame ----------------------------------------------------------------------
DrawnPose gDrawn;
bool gBlendTicks = true;

namespace {

DrawnPose gPrevious, gLatest;  // the last two ticks'
bool gRestart = true;
// The camera key pressed while the car stands still: the chase camera places
// its eye in the new mode only when the car next moves.
bool gEyeSwitchPending = false;

// A move 3 units longer than both the last move and the last move that was
// motion is a jump, not motion: the speed measurement's own rule. A jump lasts
// one tick; the move after it is motion again, as is the first move watched.
class JumpWatch {
 public:
  bool jumped(const NxVec3& from, const NxVec3& to) {
    const float move = from.distance(to);
    const bool jump = move > motion_ + 3 && move > last_ + 3;
    last_ = move;
    if (!jump) motion_ = move;
    return jump;
  }
  void restart() {
    motion_ = 0;
    last_ = std::numeric_limits<float>::infinity();
  }

 private:
  float motion_ = 0, last_ = std::numeric_limits<float>::infinity();
};
JumpWatch gCarJumps, gGhostJumps;

// Remainders this close to a whole tick draw the tick as it is.
constexpr double kExactWithin = 1e-3;
constexpr double kMostAhead = 1.5;  // ticks start half a tick early: never more

DrawnPose thisTick() {
  DrawnPose p;
  p.car = gCarPose;
  for (int i = 0; i < 4; ++i) {
    p.wheels[i] = gWheelPoses[i];
    p.spin[i] = gWheelSpin[i];
  }
  p.steer = gSteerAngle;
  p.eye = NxVec3(gCameraPos[0], gCameraPos[1], gCameraPos[2]);
  p.cameraDistance = gCameraDistance;
  const GhostPose* ghost = ghostPoseNow();
  p.ghostShown = ghost != nullptr;
  if (ghost) p.ghost = *ghost;
  return p;
}

NxVec3 mix(const NxVec3& a, const NxVec3& b, float t) { return a + (b - a) * t; }

float mix(float a, float b, float t) { return a + (b - a) * t; }

// The ghost's file keeps its wheels' spin modulo 360: the shorter way round.
float mixDegrees(float a, float b, float t) { return a + std::remainder(b - a, 360.0f) * t; }

NxMat34 mix(const NxMat34& a, const NxMat34& b, float t) {
  NxQuat qa, qb;
  a.M.toQuat(qa);
  b.M.toQuat(qb);
  const float side = qa.dot(qb) < 0 ? -1.0f : 1.0f;  // q and -q turn alike: take the shorter way
  NxQuat q;
  q.setXYZW(mix(qa.x, side * qb.x, t), mix(qa.y, side * qb.y, t), mix(qa.z, side * qb.z, t),
            mix(qa.w, side * qb.w, t));
  q.normalize();
  NxMat34 m;
  m.M.fromQuat(q);
  m.t = mix(a.t, b.t, t);
  return m;
}

}  // namespace

DrawnPose blendDrawn(const DrawnPose& from, const DrawnPose& to, float t) {
  DrawnPose p = to;
  p.car = mix(from.car, to.car, t);
  for (int i = 0; i < 4; ++i) {
    p.wheels[i] = mix(from.wheels[i], to.wheels[i], t);
    // Spins grow without end: the difference of two large sums is exact enough.
    p.spin[i] = from.spin[i] + static_cast<float>((double(to.spin[i]) - from.spin[i]) * t);
  }
  p.steer = mix(from.steer, to.steer, t);
  p.eye = mix(from.eye, to.eye, t);
  if (from.ghostShown && to.ghostShown) {
    p.ghost.car = mix(from.ghost.car, to.ghost.car, t);
    for (int i = 0; i < 4; ++i) {
      p.ghost.wheels[i] = mix(from.ghost.wheels[i], to.ghost.wheels[i], t);
      p.ghost.spin[i] = mixDegrees(from.ghost.spin[i], to.ghost.spin[i], t);
    }
    p.ghost.steer = mix(from.ghost.steer, to.ghost.steer, t);
  }
  return p;
}

void restartDrawnTicks() {
  gRestart = true;
  gEyeSwitchPending = false;
}

void noteDrawnTick() {
  const DrawnPose now = thisTick();
  if (gRestart) gCarJumps.restart();
  if (gRestart || gCarJumps.jumped(gLatest.car.t, now.car.t)) {
    gPrevious = now;  // a new race or a jump: nothing sweeps across the screen
  } else {
    gPrevious = gLatest;
    if (now.cameraDistance != gPrevious.cameraDistance) gEyeSwitchPending = true;
    if (gEyeSwitchPending && !(now.eye == gPrevious.eye)) {
      gPrevious.eye = now.eye;  // the switch: the eye jumps to the new mode
      gEyeSwitchPending = false;
    }
    gPrevious.cameraDistance = now.cameraDistance;
  }
  const bool ghostRan = gPrevious.ghostShown && now.ghostShown;
  if (!ghostRan) gGhostJumps.restart();
  if (!ghostRan || gGhostJumps.jumped(gPrevious.ghost.car.t, now.ghost.car.t)) {
    gPrevious.ghost = now.ghost;
    gPrevious.ghostShown = now.ghostShown;
  }
  gLatest = now;
  gRestart = false;
}

const DrawnPose& drawnPrevious() { return gPrevious; }
const DrawnPose& drawnLatest() { return gLatest; }

void blendDrawnPose(double remainder) {
  const double t = 1 + remainder / kTickSeconds;
  if (!gBlendTicks || std::fabs(t - 1) < kExactWithin) {
    gDrawn = gLatest;
    return;
  }
  gDrawn = blendDrawn(gPrevious, gLatest, static_cast<float>(std::clamp(t, 0.0, kMostAhead)));
}
