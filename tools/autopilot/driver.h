// The autopilot's driving: follows the track's centre line with the same four
// arrow keys a player has. Everything here is plain arithmetic on values the
// game exposes, so it can be tried against a toy car without GL or engine.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <vector>

namespace autopilot {

struct LinePoint {
  float x = 0, y = 0, z = 0;
  float s = 0;          // distance along the line from its first point
  float heading = 0;    // radians, the angle about +y of the direction (sin h, cos h)
  float curvature = 0;  // signed 1/radius, positive turning towards +x (left)
};

// The closed centre line in driving order, resampled to even spacing.
class CentreLine {
 public:
  // Reads "x y z" lines; lines that do not hold three finite numbers are skipped.
  // False when fewer than 8 usable points remain after resampling.
  bool read(std::istream& in, float spacing = 20.0f);
  bool load(const char* path, float spacing = 20.0f);

  std::size_t size() const { return points_.size(); }
  float length() const { return length_; }
  float spacing() const { return spacing_; }
  const LinePoint& at(std::size_t i) const { return points_[i % points_.size()]; }
  // The point nearest to (x, z), searched from `hint` back a little and far ahead,
  // so that parts of the track that pass near each other cannot capture the car.
  std::size_t nearest(float x, float z, std::size_t hint, std::size_t back, std::size_t ahead) const;
  // Signed distance of (x, z) from the line at point i, positive on the +x (left) side.
  float lateralOffset(std::size_t i, float x, float z) const;

 private:
  void resample(const std::vector<LinePoint>& raw, float spacing);
  void measureCurvature();
  std::vector<LinePoint> points_;
  float length_ = 0;
  float spacing_ = 20;
};

// The car as the autopilot sees it in one frame.
struct CarView {
  float x = 0, z = 0;
  float forwardX = 0, forwardZ = 1;  // ground-plane forward (need not be unit length)
  float speedPerFrame = 0;           // distance moved in the last frame
  float steerAngle = 0;              // radians, positive left
  double frameSeconds = 1.0 / 60;    // smoothed frame time
};

struct DriveKeys {
  bool accelerate = false, reverse = false, left = false, right = false, brake = false;
};

struct DriverTuning {
  float lateralGrip = 550;    // units/s^2 the tyres hold in a bend, with margin
  float braking = 300;        // units/s^2 planned for braking
  float topSpeed = 1150;      // units/s
  float steerReserve = 1.35;  // steering limit kept above what a bend needs
  float minLookAhead = 140;   // units
  float lookAheadTime = 0.45; // s of travel to the pursuit point
  float recoverAfter = 2.5;   // s without progress before backing off
};

// Steering limit of the game at a per-frame speed: pi/6 less 1.2 degrees per unit,
// never below 0.
float steeringLimitFor(float speedPerFrame);
// The steering angle after one frame with the given keys, by the game's rates.
float nextSteerAngle(float angle, bool left, bool right, float limit);
// The key choice (left, right or neither) whose next angle lies closest to `wanted`.
void chooseSteering(float angle, float wanted, float limit, bool& left, bool& right);
// The highest speed (units/s) at each line point from which the car can still slow
// for every bend ahead, given the frame rate (steering limits shrink with the
// per-frame speed, and steering moves a fixed step per frame).
std::vector<float> speedPlan(const CentreLine& line, double framesPerSecond, const DriverTuning& tuning);

class Driver {
 public:
  explicit Driver(const CentreLine& line, DriverTuning tuning = DriverTuning());
  // Places the tracker at the start pose (the first line point is the start).
  void reset(float x, float z);
  DriveKeys decide(const CarView& car, double raceSeconds);

  std::size_t index() const { return index_; }
  float targetSpeed() const { return target_; }
  float lateralError() const { return lateral_; }
  // Laps of the line travelled since reset, from the tracked index (for sanity checks).
  double distanceTravelled() const { return travelled_; }

 private:
  float pursuitAngle(const CarView& car, float speed) const;
  void updatePlan(double fps);
  bool recovering(const CarView& car, double raceSeconds);

  const CentreLine& line_;
  DriverTuning tuning_;
  std::vector<float> plan_;
  double planFps_ = 0;
  std::size_t index_ = 0;
  float target_ = 0;
  float lateral_ = 0;
  double travelled_ = 0;
  double lastProgressTime_ = 0;
  double progressMark_ = 0;
  double recoverUntil_ = -1;
  int framesSinceProgress_ = 0;
};

}  // namespace autopilot
