// Cameras beside the track for the replay viewer, placed from the road's
// centre line the way a broadcast covers a circuit, and the choice of the one
// that shows the car at each tick of a kept race.
#include "shell/trackside.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <istream>
#include <limits>
#include <sstream>
#include <string>
#include <utility>

#include "render/model.h"

namespace {

// ---- Reading the centre line ---------------------------------------------------
// The shipped line has one point every ~50 units: these bounds hold a lap
// forty times ours and refuse only what no track file looks like.
constexpr std::size_t kMaxLineChars = 200;
constexpr std::size_t kMaxPoints = 20000;
constexpr std::size_t kMaxBytes = std::size_t{8} << 20;
constexpr float kMaxCoordinate = 1e6f;  // beyond this, float arithmetic on a lap loses its units

// ---- Placing ---------------------------------------------------------------------
constexpr float kSampleSpacing = 25;
constexpr std::size_t kMaxSamples = 40000;
// Along the lap: at racing speed about two seconds a camera, as a broadcast
// cuts, and the car is never more than ~1300 from the nearest.
constexpr float kCameraSpacing = 2000;
constexpr std::size_t kMaxCameras = 200;
constexpr float kMinLap = 2000;        // a shorter loop is not a track to film
// Far enough out to clear the kerbs, verges and the palms beside them; high
// enough to look over the banks and the crests between camera and car. The
// ground within ~450 of the road lies just under the road's own height.
constexpr float kOffset = 420;
constexpr float kRise = 320;
constexpr float kBendCurvature = 1.0f / 1500;  // a bend worth standing on the outside of

// ---- Following ------------------------------------------------------------------------
constexpr int kHoldTicks = 60;        // a second: no cut comes sooner, unless the car is lost
constexpr float kNearest = 180;       // nearer, the car no longer fits a 50-degree view
constexpr float kFarthest = 3000;     // farther, it is a speck even at the narrowest zoom
constexpr float kBehindCost = 2.5f;   // a camera the car drives away from counts this much farther
constexpr float kSwitchGain = 0.75f;  // a new camera must be this much better to take over
constexpr int kTravelTicks = 20;      // the car's heading from where it was and will be

// ---- Shots ------------------------------------------------------------------------------
constexpr float kViewHalfHeight = 250;  // units shown above the car's centre: the car stays one size
constexpr float kNarrowest = 12, kWidest = 50;
constexpr float kNearPlane = 5, kFarPlane = 40000;
constexpr float kMinPitch = 3, kMaxPitch = 80;
constexpr float kOrbitNearest = 170, kOrbitFarthest = 4000;
constexpr float kDegrees = 3.14159265f / 180;

// ---- Sight ---------------------------------------------------------------------------------
constexpr float kSightStop = 50;  // the ground the car stands on is not in the way
constexpr float kMinCell = 200;
constexpr int kMaxCellsPerSide = 1024;
// A triangle wider than this many cells would fill the grid with copies of
// itself; the few of them (none in the shipped track) are tested every time.
constexpr int kMaxCellsPerTriangle = 4096;

float horizontalDistance(const NxVec3& a, const NxVec3& b) { return std::hypot(a.x - b.x, a.z - b.z); }

bool saneNumber(float v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate; }

// The cell a grid coordinate falls in, for any float (NaN included).
int cellOf(float g, int cells) {
  if (!(g >= 0)) return 0;
  if (g >= static_cast<float>(cells - 1)) return cells - 1;
  return static_cast<int>(g);
}

// One line of at most kMaxLineChars; a longer one is read past and comes back
// empty. False at the end of the stream or of the bytes allowed.
bool readBoundedLine(std::streambuf& in, std::string& line, std::size_t& bytes) {
  line.clear();
  bool tooLong = false, any = false;
  while (bytes < kMaxBytes) {
    const int c = in.sbumpc();
    if (c == std::char_traits<char>::eof()) break;
    ++bytes;
    any = true;
    if (c == '\n') break;
    if (line.size() < kMaxLineChars) {
      line.push_back(static_cast<char>(c));
    } else {
      tooLong = true;
    }
  }
  if (tooLong) line.clear();
  return any;
}

bool parsePoint(const std::string& text, NxVec3& p) {
  std::istringstream in(text);
  float x, y, z;
  if (!(in >> x >> y >> z)) return false;
  if (!saneNumber(x) || !saneNumber(y) || !saneNumber(z)) return false;
  p.set(x, y, z);
  return true;
}

// ---- The line resampled evenly, with its direction and bending ------------------
struct LineSample {
  NxVec3 p;
  float dirX = 0, dirZ = 1;  // horizontal driving direction, unit length
  float curvature = 0;       // 1/radius, positive turning towards (dirZ, -dirX)
};

// Repeated points carry no direction; a closing point equal to the first
// would give a zero-length last segment.
std::vector<NxVec3> withoutRepeats(const std::vector<NxVec3>& points) {
  std::vector<NxVec3> out;
  for (const NxVec3& p : points) {
    if (!saneNumber(p.x) || !saneNumber(p.y) || !saneNumber(p.z)) continue;
    if (!out.empty() && horizontalDistance(p, out.back()) < 1) continue;
    out.push_back(p);
  }
  while (out.size() > 1 && horizontalDistance(out.back(), out.front()) < 1) out.pop_back();
  return out;
}

double closedLength(const std::vector<NxVec3>& points) {
  double total = 0;
  for (std::size_t i = 0; i < points.size(); ++i) total += horizontalDistance(points[i], points[(i + 1) % points.size()]);
  return total;
}

std::vector<LineSample> resample(const std::vector<NxVec3>& raw, double total, std::size_t count) {
  std::vector<LineSample> out;
  out.reserve(count);
  const double step = total / static_cast<double>(count);
  std::size_t seg = 0;
  double segStart = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const double s = static_cast<double>(k) * step;
    double len = horizontalDistance(raw[seg], raw[(seg + 1) % raw.size()]);
    while (s > segStart + len && seg + 1 < raw.size()) {
      segStart += len;
      ++seg;
      len = horizontalDistance(raw[seg], raw[(seg + 1) % raw.size()]);
    }
    const NxVec3& a = raw[seg];
    const NxVec3& b = raw[(seg + 1) % raw.size()];
    const float f = static_cast<float>(len > 0 ? std::clamp((s - segStart) / len, 0.0, 1.0) : 0.0);
    LineSample sample;
    sample.p = a + (b - a) * f;
    out.push_back(sample);
  }
  return out;
}

// Directions from the neighbours; the bending from the turn of direction over
// about 200 units, as a single step of 25 would follow every kink of the file.
void measureBending(std::vector<LineSample>& line, float spacing) {
  const std::size_t n = line.size();
  for (std::size_t i = 0; i < n; ++i) {
    const NxVec3 d = line[(i + 1) % n].p - line[(i + n - 1) % n].p;
    const float len = std::hypot(d.x, d.z);
    if (len > 0) {
      line[i].dirX = d.x / len;
      line[i].dirZ = d.z / len;
    }
  }
  const std::size_t k = std::min(n / 4, std::max<std::size_t>(1, static_cast<std::size_t>(100 / spacing)));
  for (std::size_t i = 0; i < n; ++i) {
    const LineSample& a = line[(i + n - k) % n];
    const LineSample& b = line[(i + k) % n];
    const float turn = std::atan2(a.dirZ * b.dirX - a.dirX * b.dirZ, a.dirX * b.dirX + a.dirZ * b.dirZ);
    line[i].curvature = turn / (2 * static_cast<float>(k) * spacing);
  }
}

// Where in a stretch of the lap its camera stands: the sharpest bend of the
// stretch's middle, so neighbouring cameras never bunch at a shared end, or
// the middle itself when the stretch runs straight.
std::size_t stationIn(const std::vector<LineSample>& line, std::size_t begin, std::size_t end) {
  const std::size_t length = end - begin;
  std::size_t best = begin + length / 2;
  float sharpest = kBendCurvature;
  for (std::size_t i = begin + length / 5; i < end - length / 5; ++i) {
    if (std::fabs(line[i].curvature) > sharpest) {
      sharpest = std::fabs(line[i].curvature);
      best = i;
    }
  }
  return best;
}

// Which way the road turns at a station: its own bend, or on a straight the
// next one within the stretch ahead. +1 towards (dirZ, -dirX).
float turnAt(const std::vector<LineSample>& line, std::size_t station, std::size_t ahead) {
  if (std::fabs(line[station].curvature) >= kBendCurvature) return line[station].curvature > 0 ? 1.0f : -1.0f;
  float sum = 0;
  for (std::size_t k = 0; k < ahead; ++k) sum += line[(station + k) % line.size()].curvature;
  return sum >= 0 ? 1.0f : -1.0f;
}

// A camera must stand nearer to its own stretch of road than to any other:
// beside a neighbouring stretch it would stand in the way of the car there.
bool clearOfRoad(const std::vector<LineSample>& line, const NxVec3& eye, float clearance) {
  for (const LineSample& s : line) {
    const float dx = s.p.x - eye.x, dz = s.p.z - eye.z;
    if (dx * dx + dz * dz < clearance * clearance) return false;
  }
  return true;
}

bool placeAt(const std::vector<LineSample>& line, std::size_t station, float outside, NxVec3& eye) {
  const LineSample& s = line[station];
  const float tries[4][2] = {{outside, kOffset}, {-outside, kOffset}, {outside, kOffset * 0.7f}, {-outside, kOffset * 0.7f}};
  for (const auto& t : tries) {
    const float side = t[0], off = t[1];
    const NxVec3 candidate(s.p.x + side * s.dirZ * off, s.p.y + kRise, s.p.z - side * s.dirX * off);
    if (clearOfRoad(line, candidate, off * 0.75f)) {
      eye = candidate;
      return true;
    }
  }
  return false;
}

float zoomFor(float distance) {
  if (!(distance > 0)) return kWidest;
  const float degrees = 2 * std::atan(kViewHalfHeight / distance) / kDegrees;
  return std::clamp(degrees, kNarrowest, kWidest);
}

}  // namespace

std::vector<NxVec3> readCentreLine(std::istream& in) {
  std::vector<NxVec3> points;
  std::streambuf* buffer = in.rdbuf();
  if (!buffer) return points;
  std::string line;
  std::size_t bytes = 0;
  while (points.size() < kMaxPoints && readBoundedLine(*buffer, line, bytes)) {
    NxVec3 p;
    if (parsePoint(line, p)) points.push_back(p);
  }
  return points;
}

TracksideCameras placeTracksideCameras(const std::vector<NxVec3>& centreLine) {
  TracksideCameras out;
  const std::vector<NxVec3> raw = withoutRepeats(centreLine);
  if (raw.size() < 8) return out;
  const double total = closedLength(raw);
  if (!(total >= kMinLap)) return out;
  const std::size_t samples = std::min(kMaxSamples, static_cast<std::size_t>(total / kSampleSpacing));
  std::vector<LineSample> line = resample(raw, total, samples);
  const float spacing = static_cast<float>(total / static_cast<double>(samples));
  measureBending(line, spacing);
  const std::size_t cameras =
      std::clamp<std::size_t>(static_cast<std::size_t>(std::lround(total / kCameraSpacing)), 3, kMaxCameras);
  for (std::size_t j = 0; j < cameras; ++j) {
    const std::size_t begin = j * samples / cameras, end = (j + 1) * samples / cameras;
    const std::size_t station = stationIn(line, begin, end);
    const float outside = -turnAt(line, station, end - begin);
    NxVec3 eye;
    if (placeAt(line, station, outside, eye)) out.eyes.push_back(eye);
  }
  return out;
}

bool loadTracksideCameras(const char* path, TracksideCameras& out) {
  out = TracksideCameras();
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  out = placeTracksideCameras(readCentreLine(file));
  return !out.eyes.empty();
}

// ---- Sight --------------------------------------------------------------------------

void TerrainSight::addTriangles(const std::vector<std::array<float, 3>>& coordinates, const std::vector<int>& indices) {
  const auto vertex = [&coordinates](int i, NxVec3& v) {
    if (i < 0 || static_cast<std::size_t>(i) >= coordinates.size()) return false;
    v = NxVec3(coordinates[i].data());
    return saneNumber(v.x) && saneNumber(v.y) && saneNumber(v.z);
  };
  for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
    NxVec3 a, b, c;
    if (!vertex(indices[i], a) || !vertex(indices[i + 1], b) || !vertex(indices[i + 2], c)) continue;
    triangles_.push_back({a, b - a, c - a});
  }
}

void TerrainSight::addShapes(const std::vector<Shape>& shapes) {
  for (const Shape& s : shapes) addTriangles(s.coordinates, s.indices);
}

// Each cell lists every triangle whose bounds reach into it, in one flat
// array: a line of sight then tests only the triangles under its own path.
void TerrainSight::build() {
  cellStart_.clear();
  cellTriangles_.clear();
  wide_.clear();
  cellsX_ = cellsZ_ = 0;
  if (triangles_.empty()) return;
  float minX = std::numeric_limits<float>::max(), minZ = minX, maxX = -minX, maxZ = -minX;
  for (const Triangle& t : triangles_) {
    for (const NxVec3& v : {t.a, t.a + t.edge1, t.a + t.edge2}) {
      minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
      minZ = std::min(minZ, v.z), maxZ = std::max(maxZ, v.z);
    }
  }
  minX_ = minX, minZ_ = minZ;
  cell_ = std::max(kMinCell, std::max(maxX - minX, maxZ - minZ) / (kMaxCellsPerSide - 1));
  cellsX_ = std::min(kMaxCellsPerSide, static_cast<int>((maxX - minX) / cell_) + 1);
  cellsZ_ = std::min(kMaxCellsPerSide, static_cast<int>((maxZ - minZ) / cell_) + 1);
  const auto cellRange = [this](const Triangle& t, int& x0, int& x1, int& z0, int& z1) {
    const float xs[3] = {t.a.x, t.a.x + t.edge1.x, t.a.x + t.edge2.x};
    const float zs[3] = {t.a.z, t.a.z + t.edge1.z, t.a.z + t.edge2.z};
    x0 = cellOf((*std::min_element(xs, xs + 3) - minX_) / cell_, cellsX_);
    x1 = cellOf((*std::max_element(xs, xs + 3) - minX_) / cell_, cellsX_);
    z0 = cellOf((*std::min_element(zs, zs + 3) - minZ_) / cell_, cellsZ_);
    z1 = cellOf((*std::max_element(zs, zs + 3) - minZ_) / cell_, cellsZ_);
    return (x1 - x0 + 1) * (z1 - z0 + 1) <= kMaxCellsPerTriangle;
  };
  cellStart_.assign(static_cast<std::size_t>(cellsX_) * cellsZ_ + 1, 0);
  int x0, x1, z0, z1;
  for (std::size_t i = 0; i < triangles_.size(); ++i) {
    if (!cellRange(triangles_[i], x0, x1, z0, z1)) {
      wide_.push_back(static_cast<int>(i));
      continue;
    }
    for (int z = z0; z <= z1; ++z)
      for (int x = x0; x <= x1; ++x) ++cellStart_[static_cast<std::size_t>(z) * cellsX_ + x + 1];
  }
  for (std::size_t i = 1; i < cellStart_.size(); ++i) cellStart_[i] += cellStart_[i - 1];
  cellTriangles_.resize(static_cast<std::size_t>(cellStart_.back()));
  std::vector<int> filled(cellStart_.begin(), cellStart_.end() - 1);
  for (std::size_t i = 0; i < triangles_.size(); ++i) {
    if (!cellRange(triangles_[i], x0, x1, z0, z1)) continue;
    for (int z = z0; z <= z1; ++z)
      for (int x = x0; x <= x1; ++x) cellTriangles_[filled[static_cast<std::size_t>(z) * cellsX_ + x]++] = static_cast<int>(i);
  }
}

// Moller and Trumbore's test, on the segment from `from` `reach` units along.
bool TerrainSight::crosses(const Triangle& t, const NxVec3& from, const NxVec3& along, float reach) const {
  const NxVec3 p = along.cross(t.edge2);
  const float det = t.edge1.dot(p);
  if (std::fabs(det) < 1e-9f) return false;
  const float inverse = 1 / det;
  const NxVec3 s = from - t.a;
  const float u = s.dot(p) * inverse;
  if (u < 0 || u > 1) return false;
  const NxVec3 q = s.cross(t.edge1);
  const float v = along.dot(q) * inverse;
  if (v < 0 || u + v > 1) return false;
  const float at = t.edge2.dot(q) * inverse;
  return at >= 0 && at <= reach;
}

// Walks the grid cells under the segment in order (Amanatides and Woo),
// after clipping the segment to the grid.
bool TerrainSight::clear(const NxVec3& eye, const NxVec3& car) const {
  if (cellsX_ == 0) return true;
  NxVec3 along = car - eye;
  const float length = along.normalize();
  if (!(length > kSightStop)) return true;
  float t0 = 0, t1 = length - kSightStop;
  const float lo[2] = {minX_, minZ_}, hi[2] = {minX_ + cellsX_ * cell_, minZ_ + cellsZ_ * cell_};
  const float start[2] = {eye.x, eye.z}, dir[2] = {along.x, along.z};
  for (int axis = 0; axis < 2; ++axis) {
    if (dir[axis] == 0) {
      if (start[axis] < lo[axis] || start[axis] > hi[axis]) return true;
      continue;
    }
    float enter = (lo[axis] - start[axis]) / dir[axis], leave = (hi[axis] - start[axis]) / dir[axis];
    if (enter > leave) std::swap(enter, leave);
    t0 = std::max(t0, enter), t1 = std::min(t1, leave);
  }
  if (!(t0 <= t1)) return true;
  const float reach = length - kSightStop;
  for (int k : wide_)
    if (crosses(triangles_[k], eye, along, reach)) return false;
  const float gx = (eye.x + along.x * t0 - minX_) / cell_, gz = (eye.z + along.z * t0 - minZ_) / cell_;
  int x = cellOf(gx, cellsX_), z = cellOf(gz, cellsZ_);
  const int stepX = along.x > 0 ? 1 : -1, stepZ = along.z > 0 ? 1 : -1;
  const float inf = std::numeric_limits<float>::infinity();
  const float deltaX = along.x != 0 ? cell_ / std::fabs(along.x) : inf;
  const float deltaZ = along.z != 0 ? cell_ / std::fabs(along.z) : inf;
  float nextX = along.x != 0 ? t0 + ((x + (stepX > 0)) - gx) * cell_ / along.x : inf;
  float nextZ = along.z != 0 ? t0 + ((z + (stepZ > 0)) - gz) * cell_ / along.z : inf;
  for (int steps = 0; steps <= cellsX_ + cellsZ_ + 2; ++steps) {
    const std::size_t c = static_cast<std::size_t>(z) * cellsX_ + x;
    for (int k = cellStart_[c]; k < cellStart_[c + 1]; ++k)
      if (crosses(triangles_[cellTriangles_[k]], eye, along, reach)) return false;
    if (std::min(nextX, nextZ) > t1) break;
    if (nextX < nextZ) {
      x += stepX, nextX += deltaX;
    } else {
      z += stepZ, nextZ += deltaZ;
    }
    if (x < 0 || x >= cellsX_ || z < 0 || z >= cellsZ_) break;
  }
  return true;
}

// ---- Following ------------------------------------------------------------------------

namespace {

class Follower {
 public:
  Follower(const TracksideCameras& cameras, const std::vector<NxVec3>& cars, const TerrainSight* sight)
      : eyes_(cameras.eyes), cars_(cars), sight_(sight && !sight->empty() ? sight : nullptr), cost_(eyes_.size()) {}

  int next(int tick) {
    measure(tick);
    if (current_ >= 0 && sees(current_, tick)) {
      if (tick - lastCut_ >= kHoldTicks) {
        const int better = bestSeeing(tick, cost_[current_] * kSwitchGain, -1);
        if (better >= 0) cut(better, tick);
      }
      return current_;
    }
    // The car is lost: the best camera that sees it, not the one just left
    // unless no other does.
    const int avoid = tick - lastCut_ < kHoldTicks ? previous_ : -1;
    int found = bestSeeing(tick, std::numeric_limits<float>::infinity(), avoid);
    if (found < 0 && avoid >= 0) found = bestSeeing(tick, std::numeric_limits<float>::infinity(), -1);
    if (found < 0 && current_ < 0) found = cheapest();
    if (found >= 0 && found != current_) cut(found, tick);
    return current_;
  }

 private:
  void cut(int camera, int tick) {
    previous_ = current_;
    current_ = camera;
    lastCut_ = tick;
  }

  // How far each camera is from the car, made dearer the more the car drives
  // away from it: a camera ahead sees the car come, one behind its tail.
  void measure(int tick) {
    const int last = static_cast<int>(cars_.size()) - 1;
    const NxVec3 travel = cars_[std::min(last, tick + kTravelTicks)] - cars_[std::max(0, tick - kTravelTicks)];
    const float moved = std::hypot(travel.x, travel.z);
    const NxVec3& car = cars_[tick];
    for (std::size_t c = 0; c < eyes_.size(); ++c) {
      const NxVec3 toEye = eyes_[c] - car;
      const float distance = toEye.magnitude();
      float away = 0;
      const float flat = std::hypot(toEye.x, toEye.z);
      if (moved > 1 && flat > 0) away = std::clamp(-(toEye.x * travel.x + toEye.z * travel.z) / (flat * moved), 0.0f, 1.0f);
      cost_[c] = distance * (1 + (kBehindCost - 1) * away);
    }
  }

  bool sees(int camera, int tick) const {
    const NxVec3& car = cars_[tick];
    const float distance = eyes_[camera].distance(car);
    if (!(distance >= kNearest && distance <= kFarthest)) return false;
    return !sight_ || sight_->clear(eyes_[camera], car);
  }

  // The cheapest camera under `below` that sees the car; the costs are sorted
  // only when asked, and the lines of sight tested cheapest first.
  int bestSeeing(int tick, float below, int avoid) {
    order_.clear();
    for (std::size_t c = 0; c < eyes_.size(); ++c)
      if (static_cast<int>(c) != current_ && static_cast<int>(c) != avoid && cost_[c] < below)
        order_.push_back({cost_[c], static_cast<int>(c)});
    std::sort(order_.begin(), order_.end());
    for (const auto& candidate : order_)
      if (sees(candidate.second, tick)) return candidate.second;
    return -1;
  }

  int cheapest() const {
    int best = 0;
    for (std::size_t c = 1; c < cost_.size(); ++c)
      if (cost_[c] < cost_[best]) best = static_cast<int>(c);
    return best;
  }

  const std::vector<NxVec3>& eyes_;
  const std::vector<NxVec3>& cars_;
  const TerrainSight* sight_;
  std::vector<float> cost_;
  std::vector<std::pair<float, int>> order_;
  int current_ = -1, previous_ = -1;
  int lastCut_ = -kHoldTicks;
};

}  // namespace

std::vector<int> followCar(const TracksideCameras& cameras, const std::vector<NxVec3>& carPerTick,
                           const TerrainSight* sight) {
  std::vector<int> chosen(carPerTick.size(), -1);
  if (cameras.eyes.empty()) return chosen;
  Follower follower(cameras, carPerTick, sight);
  for (std::size_t t = 0; t < carPerTick.size(); ++t) chosen[t] = follower.next(static_cast<int>(t));
  return chosen;
}

// ---- Shots ---------------------------------------------------------------------------

CameraShot tracksideShot(const TracksideCameras& cameras, int camera, const NxVec3& car) {
  if (camera < 0 || static_cast<std::size_t>(camera) >= cameras.eyes.size()) return orbitShot(car, 0, 20, 400);
  CameraShot shot;
  shot.eye = cameras.eyes[camera];
  shot.target = car;
  shot.fieldOfView = zoomFor(shot.eye.distance(car));
  return shot;
}

CameraShot orbitShot(const NxVec3& car, float yawDegrees, float pitchDegrees, float distance) {
  const float yaw = (std::isfinite(yawDegrees) ? yawDegrees : 0) * kDegrees;
  const float pitch = std::clamp(std::isfinite(pitchDegrees) ? pitchDegrees : kMinPitch, kMinPitch, kMaxPitch) * kDegrees;
  const float d = std::clamp(std::isfinite(distance) ? distance : kOrbitNearest, kOrbitNearest, kOrbitFarthest);
  CameraShot shot;
  shot.target = car;
  shot.eye = car + NxVec3(-std::sin(yaw) * std::cos(pitch), std::sin(pitch), -std::cos(yaw) * std::cos(pitch)) * d;
  shot.fieldOfView = zoomFor(d);
  return shot;
}

bool shotSees(const CameraShot& shot, float aspect, const NxVec3& centre, float radius) {
  NxVec3 forward = shot.target - shot.eye;
  if (!(forward.normalize() > 0) || !(aspect > 0)) return false;
  NxVec3 right = forward.cross(NxVec3(0, 1, 0));
  if (!(right.normalize() > 1e-6f)) return false;  // straight up or down: gluLookAt has no up either
  const NxVec3 up = right.cross(forward);
  const NxVec3 p = centre - shot.eye;
  const float depth = p.dot(forward), x = p.dot(right), y = p.dot(up);
  if (!(depth - radius >= kNearPlane && depth + radius <= kFarPlane)) return false;
  // Each side plane through the eye: the centre must lie `radius` inside it.
  const float halfV = shot.fieldOfView * kDegrees / 2;
  const float halfH = std::atan(std::tan(halfV) * aspect);
  const auto inside = [depth, radius](float offset, float half) {
    return std::fabs(offset) * std::cos(half) - depth * std::sin(half) <= -radius;
  };
  return inside(y, halfV) && inside(x, halfH);
}
