#include "tools/autopilot/driver.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

namespace autopilot {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kWheelBase = 74.552795f;
// The game's steering steps per frame: away from centre, and back through it.
constexpr float kSteerSlow = kPi * 0.002f;
constexpr float kSteerFast = 2 * kPi * 0.004f;
// Speed the handbrake takes off per second (units/s^2), measured at 60 fps.
constexpr float kHandbrakeDecel = 480.0f;

float wrapAngle(float a) {
  while (a > kPi) a -= 2 * kPi;
  while (a < -kPi) a += 2 * kPi;
  return a;
}

bool parsePoint(const std::string& text, LinePoint& p) {
  std::istringstream in(text);
  if (!(in >> p.x >> p.y >> p.z)) return false;
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

bool CentreLine::read(std::istream& in, float spacing) {
  std::vector<LinePoint> raw;
  std::string text;
  while (std::getline(in, text)) {
    LinePoint p;
    if (!parsePoint(text, p)) continue;
    // Repeated points carry no direction; they would only break the resampling.
    if (!raw.empty() && std::hypot(p.x - raw.back().x, p.z - raw.back().z) < 1e-3f) continue;
    raw.push_back(p);
  }
  points_.clear();
  length_ = 0;
  if (raw.size() < 3 || !(spacing > 0)) return false;
  resample(raw, spacing);
  if (points_.size() < 8) {
    points_.clear();
    return false;
  }
  measureCurvature();
  return true;
}

bool CentreLine::load(const char* path, float spacing) {
  std::ifstream in(path);
  return in && read(in, spacing);
}

// Walks the closed polyline in even steps so that index arithmetic is distance.
void CentreLine::resample(const std::vector<LinePoint>& raw, float spacing) {
  double total = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const LinePoint& a = raw[i];
    const LinePoint& b = raw[(i + 1) % raw.size()];
    total += std::hypot(b.x - a.x, b.z - a.z);
  }
  const std::size_t count = static_cast<std::size_t>(total / spacing);
  if (count < 8) return;
  spacing_ = static_cast<float>(total / count);
  length_ = static_cast<float>(total);
  std::size_t seg = 0;
  double segStart = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const double s = k * static_cast<double>(spacing_);
    for (;;) {
      const LinePoint& a = raw[seg];
      const LinePoint& b = raw[(seg + 1) % raw.size()];
      const double len = std::hypot(b.x - a.x, b.z - a.z);
      if (s <= segStart + len || seg + 1 == raw.size()) {
        const float f = static_cast<float>(len > 0 ? std::clamp((s - segStart) / len, 0.0, 1.0) : 0.0);
        LinePoint p;
        p.x = a.x + (b.x - a.x) * f;
        p.y = a.y + (b.y - a.y) * f;
        p.z = a.z + (b.z - a.z) * f;
        p.s = static_cast<float>(s);
        points_.push_back(p);
        break;
      }
      segStart += len;
      ++seg;
    }
  }
}

// Headings from neighbours, curvature from the heading change over about 80
// units: the generator's points are smooth, but a single-step difference of a
// 20-unit sampling would still be noisy.
void CentreLine::measureCurvature() {
  const std::size_t n = points_.size();
  for (std::size_t i = 0; i < n; ++i) {
    const LinePoint& a = at(i + n - 1);
    const LinePoint& b = at(i + 1);
    points_[i].heading = std::atan2(b.x - a.x, b.z - a.z);
  }
  const std::size_t k = std::max<std::size_t>(1, static_cast<std::size_t>(40.0f / spacing_ + 0.5f));
  for (std::size_t i = 0; i < n; ++i) {
    const float dh = wrapAngle(at(i + k).heading - at(i + n - k).heading);
    points_[i].curvature = dh / (2.0f * k * spacing_);
  }
}

std::size_t CentreLine::nearest(float x, float z, std::size_t hint, std::size_t back, std::size_t ahead) const {
  const std::size_t n = points_.size();
  std::size_t best = hint % n;
  float bestD = 1e30f;
  for (std::size_t k = 0; k <= back + ahead; ++k) {
    const std::size_t i = (hint + n * 4 + k - back) % n;
    const float d = std::hypot(points_[i].x - x, points_[i].z - z);
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return best;
}

float CentreLine::lateralOffset(std::size_t i, float x, float z) const {
  const LinePoint& p = at(i);
  const float dx = x - p.x, dz = z - p.z;
  // The left normal of direction (sin h, cos h) about +y is (cos h, -sin h).
  return dx * std::cos(p.heading) - dz * std::sin(p.heading);
}

float steeringLimitFor(float speedPerFrame) {
  return std::max(0.0f, kPi / 6 - speedPerFrame * 1.2f * kPi / 180);
}

float nextSteerAngle(float angle, bool left, bool right, float limit) {
  if (left) {
    angle += angle < 0 ? kSteerFast : kSteerSlow;
    if (angle > limit) angle = limit;
  }
  if (right) {
    angle -= angle > 0 ? kSteerFast : kSteerSlow;
    if (angle < -limit) angle = -limit;
  }
  if (!left && !right) {
    if (std::fabs(angle) < kSteerFast) angle = 0;
    else angle += angle > 0 ? -kSteerFast : kSteerFast;
  }
  return angle;
}

void chooseSteering(float angle, float wanted, float limit, bool& left, bool& right) {
  const float none = std::fabs(nextSteerAngle(angle, false, false, limit) - wanted);
  const float l = std::fabs(nextSteerAngle(angle, true, false, limit) - wanted);
  const float r = std::fabs(nextSteerAngle(angle, false, true, limit) - wanted);
  // Where centring gets as close as the key would, hold the key anyway: it keeps
  // the wheel moving towards the wanted side in the frames after.
  const float best = std::min({none, l, r});
  left = wanted > angle && l <= best;
  right = !left && wanted < angle && r <= best;
}

namespace {

// The largest bend within `window` points either side: plans must not slip
// between two samples of a hairpin.
float sharpestNear(const CentreLine& line, std::size_t i, std::size_t window) {
  float k = 0;
  for (std::size_t d = 0; d <= 2 * window; ++d)
    k = std::max(k, std::fabs(line.at(i + line.size() - window + d).curvature));
  return k;
}

float cornerSpeed(const CentreLine& line, std::size_t i, double fps, const DriverTuning& t) {
  const std::size_t n = line.size();
  const float k = std::max(sharpestNear(line, i, 2), 1e-6f);
  float v = std::min(t.topSpeed, std::sqrt(t.lateralGrip / k));
  // The limit shrinks with the per-frame speed: keep it above the bend's angle.
  const float needed = std::atan(kWheelBase * k) * t.steerReserve;
  // Even on a straight some steering must remain to correct the line.
  const float perFrame = std::clamp((kPi / 6 - needed) / (1.2f * kPi / 180), 1.5f, 21.0f);
  v = std::min(v, static_cast<float>(perFrame * fps));
  // The wheel turns a fixed step per frame: a bend that tightens fast needs time.
  const float a0 = std::atan(kWheelBase * line.at(i + n - 2).curvature);
  const float a1 = std::atan(kWheelBase * line.at(i + 2).curvature);
  const float rate = std::fabs(a1 - a0) / (4 * line.spacing());
  if (rate > 1e-6f) v = std::min(v, static_cast<float>(kSteerSlow * fps / rate));
  return std::max(v, 60.0f);
}

}  // namespace

std::vector<float> speedPlan(const CentreLine& line, double fps, const DriverTuning& tuning) {
  const std::size_t n = line.size();
  std::vector<float> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = cornerSpeed(line, i, fps, tuning);
  // Braking reaches back from each bend; two rounds close the loop.
  for (int round = 0; round < 2; ++round) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t i = n - 1 - k;
      const float next = v[(i + 1) % n];
      v[i] = std::min(v[i], std::sqrt(next * next + 2 * tuning.braking * line.spacing()));
    }
  }
  return v;
}

Driver::Driver(const CentreLine& line, DriverTuning tuning) : line_(line), tuning_(tuning) {}

void Driver::reset(float x, float z) {
  index_ = line_.nearest(x, z, 0, line_.size() / 8, line_.size() / 8);
  travelled_ = 0;
  lastProgressTime_ = 0;
  progressMark_ = 0;
  recoverUntil_ = -1;
  framesSinceProgress_ = 0;
}

void Driver::updatePlan(double fps) {
  // Replanning is cheap, but a plan that jitters with every frame time would
  // make the throttle hunt; follow the frame rate in 5 % steps.
  if (planFps_ > 0 && std::fabs(fps - planFps_) < 0.05 * planFps_) return;
  planFps_ = fps;
  plan_ = speedPlan(line_, fps, tuning_);
}

// Pure pursuit: the steering angle whose arc passes through a point ahead on the line.
float Driver::pursuitAngle(const CarView& car, float speed) const {
  const float lookAhead = std::max(tuning_.minLookAhead, speed * tuning_.lookAheadTime);
  const std::size_t ahead = static_cast<std::size_t>(lookAhead / line_.spacing()) + 1;
  const LinePoint& p = line_.at(index_ + ahead);
  const float dx = p.x - car.x, dz = p.z - car.z;
  const float fl = std::hypot(car.forwardX, car.forwardZ);
  const float fx = fl > 0 ? car.forwardX / fl : 0, fz = fl > 0 ? car.forwardZ / fl : 1;
  const float alpha = std::atan2(fz * dx - fx * dz, fx * dx + fz * dz);
  const float dist = std::max(1.0f, std::hypot(dx, dz));
  return std::atan(2 * kWheelBase * std::sin(alpha) / dist);
}

bool Driver::recovering(const CarView&, double raceSeconds) {
  if (raceSeconds <= 0) {
    lastProgressTime_ = raceSeconds;
    progressMark_ = travelled_;
    return false;
  }
  if (raceSeconds < recoverUntil_) return true;
  ++framesSinceProgress_;
  if (travelled_ > progressMark_ + 60) {
    progressMark_ = travelled_;
    lastProgressTime_ = raceSeconds;
    framesSinceProgress_ = 0;
  } else if (raceSeconds - lastProgressTime_ > tuning_.recoverAfter && framesSinceProgress_ > 60) {
    // Torque builds per frame: at a low frame rate a standing start is slow, not stuck.
    framesSinceProgress_ = 0;
    recoverUntil_ = raceSeconds + 1.5;
    lastProgressTime_ = recoverUntil_;
    return true;
  }
  return false;
}

DriveKeys Driver::decide(const CarView& car, double raceSeconds) {
  const std::size_t n = line_.size();
  const std::size_t before = index_;
  index_ = line_.nearest(car.x, car.z, index_, 4, 80);
  std::size_t step = (index_ + n - before) % n;
  travelled_ += step < n / 2 ? static_cast<double>(step) * line_.spacing()
                             : -static_cast<double>(n - step) * line_.spacing();
  lateral_ = line_.lateralOffset(index_, car.x, car.z);

  const double fps = 1.0 / std::max(1e-3, car.frameSeconds);
  updatePlan(fps);
  const float speed = static_cast<float>(car.speedPerFrame * fps);
  // The throttle acts a few frames late: look at the plan slightly ahead.
  const std::size_t reach = 1 + static_cast<std::size_t>(speed * 0.25f / line_.spacing());
  target_ = plan_[index_];
  for (std::size_t k = 1; k <= reach; ++k) target_ = std::min(target_, plan_[(index_ + k) % n]);

  DriveKeys keys;
  const float limit = steeringLimitFor(car.speedPerFrame);
  float wanted = pursuitAngle(car, speed);
  if (recovering(car, raceSeconds)) {
    // Backing out of a wall or a spin: reverse with the wheel turned the other way.
    keys.reverse = true;
    wanted = -wanted;
  } else if (speed < target_ * 1.02f) {
    keys.accelerate = true;
  } else if (speed > target_ * 1.3f && speed - kHandbrakeDecel * car.frameSeconds > target_) {
    // One frame of the handbrake takes off a fixed share of a second's speed:
    // at a low frame rate that is a lot, so it is kept for real overspeed.
    keys.brake = true;
  }
  // Otherwise coast. Releasing the throttle also drops the motor torque, which
  // grows back only 150 a frame: at a low frame rate every release costs seconds.
  chooseSteering(car.steerAngle, wanted, limit, keys.left, keys.right);
  return keys;
}

}  // namespace autopilot
