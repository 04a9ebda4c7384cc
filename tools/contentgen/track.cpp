// The race track: centre line, road, verges, terrain, collision surface and
// the scenery that lines the road.
#include "contentgen.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace content {
namespace {

// The route: the start pose, the finish line and both checkpoints are fixed by
// the game (positions, crossing headings and heights); the rest shapes the lap.
struct ControlPoint {
  float x, z, y;
  float heading;  // degrees; NaN where the curve chooses its own direction
};
const float kFree = std::nanf("");
const ControlPoint kRoute[] = {
    {-4210, 2035, 0, 140},    // start
    {-4065, 1850, 12, 146},   // finish line
    {-3350, 900, 125, kFree},
    {-3050, -600, 305, kFree},
    {-3850, -2200, 495, kFree},
    {-4550, -3700, 660, kFree},
    {-4400, -5000, 760, kFree},
    {-3460, -4835, 780, 67},  // checkpoint 1
    {-2000, -4300, 800, kFree},
    {0, -3650, 770, kFree},
    {1650, -2350, 735, kFree},
    {2200, -1150, 720, kFree},
    {2065, -40, 720, 352},    // checkpoint 2
    {1900, 1300, 665, kFree},
    {1200, 2600, 525, kFree},
    {-800, 3300, 300, kFree},
    {-3000, 3600, 100, kFree},
    {-4650, 3300, 12, kFree},
    {-5000, 2650, 0, kFree},
};
constexpr int kRouteCount = int(sizeof kRoute / sizeof kRoute[0]);

struct Sample {
  Vec3 p;      // centre, at road height
  Vec3 dir;    // horizontal driving direction
  float s;     // arc length from the start
  float curv;  // signed horizontal curvature (1 / radius)
};

Vec3 hermite(Vec3 p0, Vec3 m0, Vec3 p1, Vec3 m1, float t) {
  float t2 = t * t, t3 = t2 * t;
  return p0 * (2 * t3 - 3 * t2 + 1) + m0 * (t3 - 2 * t2 + t) + p1 * (-2 * t3 + 3 * t2) +
         m1 * (t3 - t2);
}

Vec3 planar(const ControlPoint& c) { return v3(c.x, 0, c.z); }

// Closed curve through the route, sampled every `spacing` units of arc length.
std::vector<Sample> sampleCentreLine(float spacing) {
  std::vector<Vec3> dirs(kRouteCount);
  for (int i = 0; i < kRouteCount; ++i) {
    const ControlPoint& c = kRoute[i];
    if (!std::isnan(c.heading)) {
      float h = c.heading * kPi / 180;
      dirs[i] = v3(std::sin(h), 0, std::cos(h));
    } else {
      Vec3 prev = planar(kRoute[(i + kRouteCount - 1) % kRouteCount]);
      Vec3 next = planar(kRoute[(i + 1) % kRouteCount]);
      dirs[i] = normalised(next - prev);
    }
  }
  // Dense polyline first, with the control point arc lengths for the heights.
  std::vector<Vec3> dense;
  std::vector<float> knotS(kRouteCount + 1, 0);
  float s = 0;
  const int steps = 400;
  for (int i = 0; i < kRouteCount; ++i) {
    Vec3 p0 = planar(kRoute[i]), p1 = planar(kRoute[(i + 1) % kRouteCount]);
    float chord = length(p1 - p0);
    Vec3 m0 = dirs[i] * chord, m1 = dirs[(i + 1) % kRouteCount] * chord;
    knotS[i] = s;
    for (int k = 0; k < steps; ++k) {
      Vec3 p = hermite(p0, m0, p1, m1, float(k) / steps);
      if (!dense.empty()) s += length(p - dense.back());
      dense.push_back(p);
    }
  }
  s += length(planar(kRoute[0]) - dense.back());
  knotS[kRouteCount] = s;
  const float total = s;
  // Heights: a Catmull-Rom curve over arc length, level at the fixed points.
  auto height = [&](float at) {
    int i = 0;
    while (i + 1 < kRouteCount && knotS[i + 1] <= at) ++i;
    auto h = [&](int k) { return kRoute[((k % kRouteCount) + kRouteCount) % kRouteCount].y; };
    auto ks = [&](int k) {
      if (k < 0) return knotS[k + kRouteCount] - total;
      if (k > kRouteCount) return knotS[k - kRouteCount] + total;
      return knotS[k];
    };
    auto slope = [&](int k) {
      if (!std::isnan(kRoute[((k % kRouteCount) + kRouteCount) % kRouteCount].heading)) return 0.0f;
      return (h(k + 1) - h(k - 1)) / (ks(k + 1) - ks(k - 1));
    };
    float s0 = ks(i), s1 = ks(i + 1), len = s1 - s0;
    float t = (at - s0) / len;
    Vec3 r = hermite(v3(h(i), 0, 0), v3(slope(i) * len, 0, 0), v3(h(i + 1), 0, 0),
                     v3(slope(i + 1) * len, 0, 0), t);
    return r.x;
  };
  // Resample evenly.
  int count = std::max(8, int(std::lround(total / spacing)));
  float step = total / count;
  std::vector<Sample> out;
  size_t j = 0;
  float sj = 0;
  for (int k = 0; k < count; ++k) {
    float target = k * step;
    while (j + 1 < dense.size() && sj + length(dense[j + 1] - dense[j]) < target) {
      sj += length(dense[j + 1] - dense[j]);
      ++j;
    }
    Vec3 a = dense[j], b = dense[(j + 1) % dense.size()];
    float seg = length(b - a);
    Vec3 p = seg > 0 ? a + (b - a) * ((target - sj) / seg) : a;
    p.y = height(target);
    out.push_back({p, v3(0, 0, 0), target, 0});
  }
  for (int k = 0; k < count; ++k) {
    Vec3 prev = out[(k + count - 1) % count].p, next = out[(k + 1) % count].p;
    Vec3 d = next - prev;
    d.y = 0;
    out[k].dir = normalised(d);
  }
  for (int k = 0; k < count; ++k) {
    Vec3 d0 = out[(k + count - 1) % count].dir, d1 = out[(k + 1) % count].dir;
    float turn = std::atan2(cross(d0, d1).y, dot(d0, d1));
    out[k].curv = turn / (2 * step);
  }
  return out;
}

// Horizontal unit vector across the road (to the driver's right).
Vec3 side(const Sample& s) { return v3(s.dir.z, 0, -s.dir.x); }

// ---- Terrain ---------------------------------------------------------------------------
struct Terrain {
  std::vector<float> xs, zs;
  std::vector<float> h;     // xs.size() * zs.size(), x fastest
  std::vector<float> road;  // distance of each grid point from the centre line
  float at(size_t i, size_t k) const { return h[k * xs.size() + i]; }
  // Height of the drawn surface, split into triangles the way the mesh is.
  float heightAt(float x, float z) const;
};

size_t cellIndex(const std::vector<float>& a, float v) {
  size_t i = size_t(std::upper_bound(a.begin(), a.end(), v) - a.begin());
  if (i == 0) return 0;
  if (i >= a.size()) return a.size() - 2;
  return i - 1;
}

float Terrain::heightAt(float x, float z) const {
  size_t i = cellIndex(xs, x), k = cellIndex(zs, z);
  float fx = clamp01((x - xs[i]) / (xs[i + 1] - xs[i]));
  float fz = clamp01((z - zs[k]) / (zs[k + 1] - zs[k]));
  float h00 = at(i, k), h10 = at(i + 1, k), h01 = at(i, k + 1), h11 = at(i + 1, k + 1);
  // Cells are cut along the (0,0)-(1,1) diagonal.
  if (fx >= fz) return h00 + (h10 - h00) * fx + (h11 - h10) * fz;
  return h00 + (h11 - h01) * fx + (h01 - h00) * fz;
}

struct Nearest {
  float dist;
  float nearH;  // road height at the nearest centre point
  float regional;
};

Nearest nearestRoad(const std::vector<Sample>& cl, float x, float z) {
  float best = 1e30f, wsum = 0, hsum = 0;
  std::vector<float> dist(cl.size());
  for (size_t i = 0; i < cl.size(); ++i) {
    float dx = cl[i].p.x - x, dz = cl[i].p.z - z, d2 = dx * dx + dz * dz;
    dist[i] = std::sqrt(d2);
    best = std::min(best, dist[i]);
    float w = 1.0f / (d2 + 1500.0f * 1500.0f);
    wsum += w;
    hsum += w * cl[i].p.y;
  }
  // The road height nearby, softly weighted: where two stretches of road at
  // different heights are about equally near, the ground runs smoothly between.
  float nsum = 0, nw = 0;
  for (size_t i = 0; i < cl.size(); ++i) {
    float excess = dist[i] - best;
    if (excess > 900) continue;
    float w = std::exp(-excess / 150.0f);
    nw += w;
    nsum += w * cl[i].p.y;
  }
  return {best, nsum / nw, hsum / wsum};
}

// Ground height: next to the road a bed just below it, blending into rolling
// hills and, far out, a ring of mountains that closes the horizon. Where the
// grid is too coarse to follow the road, carveUnderRoad lowers it further.
float groundHeight(const Nearest& n, float x, float z) {
  float hills = 140 * fbm2(x / 2600, z / 2600, 17, 4);
  float mountains = smoothstep(3500, 15000, n.dist) * (2200 + 1200 * fbm2(x / 5000, z / 5000, 23, 3));
  float natural = n.regional + hills * smoothstep(600, 2500, n.dist) + mountains;
  float bed = n.nearH - 10;
  return bed + (natural - bed) * smoothstep(450, 1500, n.dist);
}

std::vector<float> gridLines(float lo, float hi, float step, float reach) {
  std::vector<float> inner;
  int n = int(std::ceil((hi - lo) / step));
  for (int i = 0; i <= n; ++i) inner.push_back(lo + i * step);
  std::vector<float> out;
  float d = step, p = lo;
  std::vector<float> before;
  while (p > lo - reach) {
    d *= 1.35f;
    p -= d;
    before.push_back(p);
  }
  out.assign(before.rbegin(), before.rend());
  out.insert(out.end(), inner.begin(), inner.end());
  d = step;
  p = inner.back();
  while (p < hi + reach) {
    d *= 1.35f;
    p += d;
    out.push_back(p);
  }
  return out;
}

// Every grid cell under the road (kerbs included) gets its corners below the
// road there, so the ground never shows through the asphalt.
void carveUnderRoad(Terrain& t, const std::vector<Sample>& cl) {
  const float reach = kRoadHalf + kKerb + 10;
  for (size_t n = 0; n < cl.size(); ++n) {
    const Sample& a = cl[n];
    const Sample& b = cl[(n + 1) % cl.size()];
    for (float f = 0; f < 1; f += 0.25f) {
      Vec3 c = a.p + (b.p - a.p) * f;
      Vec3 r = normalised(side(a) + (side(b) - side(a)) * f);
      for (float off = -reach; off <= reach; off += 20) {
        Vec3 p = c + r * off;
        size_t i = cellIndex(t.xs, p.x), k = cellIndex(t.zs, p.z);
        for (size_t di = 0; di < 2; ++di)
          for (size_t dk = 0; dk < 2; ++dk) {
            float& h = t.h[(k + dk) * t.xs.size() + i + di];
            h = std::min(h, c.y - 6);
          }
      }
    }
  }
}

Terrain buildTerrain(const std::vector<Sample>& fine) {
  // The distance searches only need the centre line every ~60 units.
  std::vector<Sample> cl;
  for (size_t i = 0; i < fine.size(); i += 2) cl.push_back(fine[i]);
  float minX = 1e30f, maxX = -1e30f, minZ = 1e30f, maxZ = -1e30f;
  for (const Sample& s : cl) {
    minX = std::min(minX, s.p.x);
    maxX = std::max(maxX, s.p.x);
    minZ = std::min(minZ, s.p.z);
    maxZ = std::max(maxZ, s.p.z);
  }
  Terrain t;
  t.xs = gridLines(minX - 900, maxX + 900, 150, 30000);
  t.zs = gridLines(minZ - 900, maxZ + 900, 150, 30000);
  t.h.resize(t.xs.size() * t.zs.size());
  t.road.resize(t.h.size());
  for (size_t k = 0; k < t.zs.size(); ++k)
    for (size_t i = 0; i < t.xs.size(); ++i) {
      const Nearest n = nearestRoad(cl, t.xs[i], t.zs[k]);
      t.h[k * t.xs.size() + i] = groundHeight(n, t.xs[i], t.zs[k]);
      t.road[k * t.xs.size() + i] = n.dist;
    }
  carveUnderRoad(t, fine);
  return t;
}

// ---- Meshes ----------------------------------------------------------------------------
const char* kTexRoad = "Data/Textures/Road.tga";
const char* kTexKerb = "Data/Textures/Kerb.tga";
const char* kTexGrass = "Data/Textures/Grass.tga";
const char* kTexStart = "Data/Textures/StartLine.tga";
constexpr float kGrassTile = 420;
// How the drawn track is cut into pieces: a view draws only the pieces it can
// see, and each costs the renderer one draw.
constexpr size_t kTrackTileTriangles = 300;
constexpr float kTrackTileSize = 1500;
// The drawn road, kerbs and verges leave out a section wherever a straight
// quad passes within this many units of it (the asphalt is 280 wide), and
// span at most this many sections: bends keep their sections, straights and
// even slopes need only a few.
constexpr float kStripTolerance = 0.5f;
constexpr size_t kStripMaxSpan = 8;

Material groundMaterial() {
  Material m;
  m.ambient = 0.4f;
  m.diffuse = v3(1, 1, 1);
  m.specular = v3(0, 0, 0);
  m.shininess = 0.05f;
  return m;
}

// A grid point with its normal from the neighbouring heights.
int addGridPoint(Mesh& m, const Terrain& t, size_t i, size_t k, bool textured) {
  size_t nx = t.xs.size(), nz = t.zs.size();
  size_t i0 = i ? i - 1 : i, i1 = i + 1 < nx ? i + 1 : i;
  size_t k0 = k ? k - 1 : k, k1 = k + 1 < nz ? k + 1 : k;
  float dhdx = (t.at(i1, k) - t.at(i0, k)) / (t.xs[i1] - t.xs[i0]);
  float dhdz = (t.at(i, k1) - t.at(i, k0)) / (t.zs[k1] - t.zs[k0]);
  Vec3 p = v3(t.xs[i], t.at(i, k), t.zs[k]);
  return m.add(p, v3(-dhdx, 1, -dhdz), textured ? p.x / kGrassTile : 0, textured ? p.z / kGrassTile : 0);
}

void addTerrain(Mesh& m, const Terrain& t, bool textured) {
  size_t nx = t.xs.size(), nz = t.zs.size();
  std::vector<int> idx(nx * nz);
  for (size_t k = 0; k < nz; ++k)
    for (size_t i = 0; i < nx; ++i) idx[k * nx + i] = addGridPoint(m, t, i, k, textured);
  for (size_t k = 0; k + 1 < nz; ++k)
    for (size_t i = 0; i + 1 < nx; ++i) {
      int a = idx[k * nx + i], b = idx[k * nx + i + 1];
      int c = idx[(k + 1) * nx + i], d = idx[(k + 1) * nx + i + 1];
      // Counter-clockwise seen from above; split along a-d as heightAt assumes.
      m.triangle(a, d, b);
      m.triangle(a, c, d);
    }
}

// ---- The drawn ground: the collision grid thinned out ---------------------------------
// The collision surface keeps every grid point; the drawn ground only those its
// shape needs, so that seven views a frame stay affordable on a renderer without
// a graphics card. A block of grid cells becomes two triangles when every grid
// point inside lies close enough to them, else it is quartered.

// How far the drawn ground may rise above or sink below the grid at a point
// `d` from the centre line. Under the road and kerbs it is hidden but must stay
// below them; the verges rest their outer edge on it; beside them the car
// leaves the road; further out the margin grows with the distance (some three
// degrees seen from the road), so that it stays about the same on screen.
struct Slack {
  float up, down;
};
Slack groundSlack(float d) {
  const float verge = kRoadHalf + kKerb + kShoulder;
  if (d < kRoadHalf + kKerb + 10) return {4, 1e9f};
  if (d < verge + 60) return {2, 3};
  const float margin = std::max(4.0f, 0.05f * (d - 450));
  return {margin, margin};
}

class ThinnedGround {
 public:
  explicit ThinnedGround(const Terrain& t) : t_(t), nx_(t.xs.size()), nz_(t.zs.size()), kept_(nx_ * nz_, false) {
    size_t size = 1;
    while (size < std::max(nx_, nz_) - 1) size *= 2;
    split(0, 0, size);
    // From the road outwards: the camera is always on it, so nearer ground
    // comes first and hides what lies behind it from the depth test.
    std::sort(blocks_.begin(), blocks_.end(), [this](const Block& a, const Block& b) { return nearness(a) < nearness(b); });
  }
  void addTo(Mesh& m) const;

 private:
  struct Block {
    size_t i0, k0, i1, k1;
  };
  using GridPoint = std::pair<size_t, size_t>;
  void split(size_t i0, size_t k0, size_t size);
  float nearness(const Block& b) const {
    return std::min(t_.road[b.k0 * nx_ + b.i0], t_.road[b.k1 * nx_ + b.i1]);
  }
  bool fits(const Block& b) const;
  std::vector<GridPoint> outline(const Block& b) const;
  size_t plainCorner(const Block& b, const std::vector<GridPoint>& ring) const;
  template <typename Triangle>
  void zigzag(const Block& b, const Triangle& triangle) const;
  const Terrain& t_;
  size_t nx_, nz_;
  std::vector<bool> kept_;
  std::vector<Block> blocks_;
};

void ThinnedGround::split(size_t i0, size_t k0, size_t size) {
  if (i0 + 1 >= nx_ || k0 + 1 >= nz_) return;
  Block b{i0, k0, std::min(i0 + size, nx_ - 1), std::min(k0 + size, nz_ - 1)};
  if ((b.i1 - b.i0 == 1 && b.k1 - b.k0 == 1) || fits(b)) {
    blocks_.push_back(b);
    for (size_t i : {b.i0, b.i1})
      for (size_t k : {b.k0, b.k1}) kept_[k * nx_ + i] = true;
    return;
  }
  const size_t half = size / 2;
  split(i0, k0, half);
  split(i0 + half, k0, half);
  split(i0, k0 + half, half);
  split(i0 + half, k0 + half, half);
}

// The block's two triangles are cut along the (i0,k0)-(i1,k1) diagonal, as
// Terrain::heightAt cuts a cell.
bool ThinnedGround::fits(const Block& b) const {
  const float h00 = t_.at(b.i0, b.k0), h10 = t_.at(b.i1, b.k0), h01 = t_.at(b.i0, b.k1), h11 = t_.at(b.i1, b.k1);
  for (size_t k = b.k0; k <= b.k1; ++k)
    for (size_t i = b.i0; i <= b.i1; ++i) {
      float fx = (t_.xs[i] - t_.xs[b.i0]) / (t_.xs[b.i1] - t_.xs[b.i0]);
      float fz = (t_.zs[k] - t_.zs[b.k0]) / (t_.zs[b.k1] - t_.zs[b.k0]);
      float drawn = fx >= fz ? h00 + (h10 - h00) * fx + (h11 - h10) * fz : h00 + (h11 - h01) * fx + (h01 - h00) * fz;
      float error = drawn - t_.at(i, k);
      Slack slack = groundSlack(t_.road[k * nx_ + i]);
      if (error > slack.up || -error > slack.down) return false;
    }
  return true;
}

// The kept grid points round a block, anticlockwise in grid order from
// (i0, k0): its corners and the corners of smaller neighbours on its sides.
std::vector<ThinnedGround::GridPoint> ThinnedGround::outline(const Block& b) const {
  std::vector<GridPoint> ring;
  auto take = [&](size_t i, size_t k) {
    if (kept_[k * nx_ + i]) ring.emplace_back(i, k);
  };
  for (size_t i = b.i0; i < b.i1; ++i) take(i, b.k0);
  for (size_t k = b.k0; k < b.k1; ++k) take(b.i1, k);
  for (size_t i = b.i1; i > b.i0; --i) take(i, b.k1);
  for (size_t k = b.k1; k > b.k0; --k) take(b.i0, k);
  return ring;
}

// Two triangles for a plain block, cut as the grid cuts a cell. A block with
// neighbours' corners on its sides is a fan round a grid point inside it, or,
// one cell wide, a zigzag between its two long sides.
void ThinnedGround::addTo(Mesh& m) const {
  std::vector<int> index(nx_ * nz_, -1);
  auto vertex = [&](GridPoint g) {
    int& v = index[g.second * nx_ + g.first];
    if (v < 0) v = addGridPoint(m, t_, g.first, g.second, true);
    return v;
  };
  // Every triangle wound as the grid's own, whichever way it was found.
  auto triangle = [&](GridPoint a, GridPoint b, GridPoint c) {
    float abx = t_.xs[b.first] - t_.xs[a.first], abz = t_.zs[b.second] - t_.zs[a.second];
    float acx = t_.xs[c.first] - t_.xs[a.first], acz = t_.zs[c.second] - t_.zs[a.second];
    if (abx * acz - abz * acx < 0) m.triangle(vertex(a), vertex(b), vertex(c));
    else m.triangle(vertex(a), vertex(c), vertex(b));
  };
  for (const Block& b : blocks_) {
    const auto ring = outline(b);
    if (ring.size() == 4) {
      triangle({b.i0, b.k0}, {b.i1, b.k1}, {b.i1, b.k0});
      triangle({b.i0, b.k0}, {b.i0, b.k1}, {b.i1, b.k1});
    } else if (const size_t apex = plainCorner(b, ring); apex < ring.size()) {
      // Both sides at this corner are plain: the fan needs two triangles fewer.
      for (size_t j = 1; j + 1 < ring.size(); ++j)
        triangle(ring[apex], ring[(apex + j) % ring.size()], ring[(apex + j + 1) % ring.size()]);
    } else if (b.i1 - b.i0 >= 2 && b.k1 - b.k0 >= 2) {
      const GridPoint centre{(b.i0 + b.i1) / 2, (b.k0 + b.k1) / 2};
      for (size_t j = 0; j < ring.size(); ++j) triangle(centre, ring[j], ring[(j + 1) % ring.size()]);
    } else {
      zigzag(b, triangle);
    }
  }
}

// Where in the outline a corner stands whose two sides hold no other point;
// the outline's size when there is none.
size_t ThinnedGround::plainCorner(const Block& b, const std::vector<GridPoint>& ring) const {
  const size_t n = ring.size();
  for (size_t j = 0; j < n; ++j) {
    auto isCorner = [&b](GridPoint g) {
      return (g.first == b.i0 || g.first == b.i1) && (g.second == b.k0 || g.second == b.k1);
    };
    if (isCorner(ring[j]) && isCorner(ring[(j + 1) % n]) && isCorner(ring[(j + n - 1) % n])) return j;
  }
  return n;
}

template <typename Triangle>
void ThinnedGround::zigzag(const Block& b, const Triangle& triangle) const {
  // The two long sides, each in the same direction.
  const bool alongI = b.k1 - b.k0 == 1;
  std::vector<GridPoint> side[2];
  const size_t length = alongI ? b.i1 - b.i0 : b.k1 - b.k0;
  for (size_t s = 0; s <= length; ++s)
    for (int which = 0; which < 2; ++which) {
      GridPoint g = alongI ? GridPoint{b.i0 + s, which ? b.k1 : b.k0} : GridPoint{which ? b.i1 : b.i0, b.k0 + s};
      if (kept_[g.second * nx_ + g.first]) side[which].push_back(g);
    }
  auto step = [alongI](GridPoint g) { return alongI ? g.first : g.second; };
  size_t p = 0, q = 0;
  while (p + 1 < side[0].size() || q + 1 < side[1].size()) {
    const bool advanceFirst =
        q + 1 >= side[1].size() || (p + 1 < side[0].size() && step(side[0][p + 1]) <= step(side[1][q + 1]));
    if (advanceFirst) {
      triangle(side[0][p], side[0][p + 1], side[1][q]);
      ++p;
    } else {
      triangle(side[0][p], side[1][q + 1], side[1][q]);
      ++q;
    }
  }
}

// Left to right: verge edge, kerb edge, asphalt edge, centre, asphalt edge, kerb edge, verge edge.
struct CrossSection {
  Vec3 pt[7];
};

// Offsets across the road, left to right; the inner side of a tight bend
// keeps its verge short so that the strip never folds over itself.
template <typename GroundHeight>
CrossSection crossSection(const Sample& s, const GroundHeight& groundAt) {
  CrossSection cs;
  Vec3 r = side(s);
  float vergeL = kRoadHalf + kKerb + kShoulder, vergeR = vergeL;
  if (s.curv != 0) {
    float radius = 1.0f / std::fabs(s.curv);
    float limit = std::max(kRoadHalf + kKerb + 20, 0.9f * radius);
    // Shorten the side that lies towards the bend's centre.
    Vec3 toCentre = cross(v3(0, 1, 0), s.dir) * (s.curv > 0 ? 1.0f : -1.0f);
    if (dot(toCentre, r) > 0) vergeR = std::min(vergeR, limit);
    else vergeL = std::min(vergeL, limit);
  }
  const float offs[7] = {-vergeL, -(kRoadHalf + kKerb), -kRoadHalf, 0, kRoadHalf, kRoadHalf + kKerb, vergeR};
  for (int i = 0; i < 7; ++i) {
    Vec3 p = s.p + r * offs[i];
    if (i == 0 || i == 6) p.y = std::min(s.p.y - 2, groundAt(p.x, p.z) - 1.5f);
    cs.pt[i] = p;
  }
  return cs;
}

// Which sections a strip over columns `from` to `to` needs: a section is left
// out where every point of it lies within `tolerance` of the straight line
// between the kept sections either side, so straights and gentle slopes take
// long quads while bends keep every section. The first section is always kept;
// the strip closes from the last kept one back to it.
std::vector<size_t> sectionsToKeep(const std::vector<CrossSection>& cs, int from, int to, float tolerance,
                                   size_t maxSpan) {
  const size_t n = cs.size();
  auto at = [&](size_t k) -> const CrossSection& { return cs[k % n]; };
  auto spanFits = [&](size_t i, size_t j) {
    for (size_t m = i + 1; m < j; ++m) {
      const float t = float(m - i) / float(j - i);
      for (int c = from; c <= to; ++c) {
        const Vec3 straight = at(i).pt[c] + (at(j).pt[c] - at(i).pt[c]) * t;
        if (length(straight - at(m).pt[c]) > tolerance) return false;
      }
    }
    return true;
  };
  std::vector<size_t> keep;
  size_t i = 0;
  while (i < n) {
    keep.push_back(i);
    size_t j = i + 1;
    while (j < n && j + 1 - i <= maxSpan && spanFits(i, j + 1)) ++j;
    i = j;
  }
  return keep;
}

// Columns `from` to `to` of the kept sections, every `stride`-th point across.
void addStrip(Mesh& m, const std::vector<CrossSection>& cs, const std::vector<size_t>& keep, int from, int to,
              bool textured, int uvMode, float vScale, int stride = 1) {
  size_t n = cs.size();
  for (size_t q = 0; q < keep.size(); ++q) {
    const size_t k = keep[q], next = q + 1 < keep.size() ? keep[q + 1] : n;
    const CrossSection& a = cs[k];
    const CrossSection& b = cs[next % n];
    float v0 = float(k) * vScale, v1 = float(next) * vScale;
    for (int j = from; j < to; j += stride) {
      Vec3 p[4] = {a.pt[j], a.pt[j + stride], b.pt[j + stride], b.pt[j]};
      float us[4], vs[4];
      for (int q = 0; q < 4; ++q) {
        if (uvMode == 0) {  // world-space, matching the terrain's grass
          us[q] = p[q].x / kGrassTile;
          vs[q] = p[q].z / kGrassTile;
        } else {  // across the strip 0..1, along it by distance
          bool outer = (q == 1 || q == 2);
          float u0 = float(j - from) / float(to - from), u1 = float(j - from + stride) / float(to - from);
          us[q] = outer ? u1 : u0;
          vs[q] = (q >= 2) ? v1 : v0;
        }
      }
      Vec3 n = cross(p[1] - p[0], p[3] - p[0]);
      if (n.y < 0) n = n * -1.0f;
      Vec3 nb = cross(p[2] - p[1], p[0] - p[1]);
      if (nb.y < 0) nb = nb * -1.0f;
      Vec3 nn = normalised(normalised(n) + normalised(nb));
      int i0 = m.add(p[0], nn, textured ? us[0] : 0, textured ? vs[0] : 0);
      int i1 = m.add(p[1], nn, textured ? us[1] : 0, textured ? vs[1] : 0);
      int i2 = m.add(p[2], nn, textured ? us[2] : 0, textured ? vs[2] : 0);
      int i3 = m.add(p[3], nn, textured ? us[3] : 0, textured ? vs[3] : 0);
      // Counter-clockwise from above whichever way the strip runs.
      Vec3 up = cross(p[1] - p[0], p[2] - p[0]);
      if (up.y >= 0) {
        m.triangle(i0, i1, i2);
        m.triangle(i0, i2, i3);
      } else {
        m.triangle(i0, i2, i1);
        m.triangle(i0, i3, i2);
      }
    }
  }
}

// The finish line: a chequered band lying just on the asphalt.
void addStartLine(Mesh& m, const std::vector<Sample>& cl) {
  Vec3 finish = v3(-4065, 0, 1850);
  size_t best = 0;
  for (size_t i = 0; i < cl.size(); ++i)
    if (length(v3(cl[i].p.x, 0, cl[i].p.z) - finish) < length(v3(cl[best].p.x, 0, cl[best].p.z) - finish))
      best = i;
  const Sample& s = cl[best];
  Vec3 r = side(s), c = s.p + v3(0, 0.6f, 0);
  Vec3 a = c - r * kRoadHalf - s.dir * 12, b = c + r * kRoadHalf - s.dir * 12;
  Vec3 e = c + r * kRoadHalf + s.dir * 12, d = c - r * kRoadHalf + s.dir * 12;
  int i0 = m.add(a, v3(0, 1, 0), 0, 0), i1 = m.add(b, v3(0, 1, 0), 10, 0);
  int i2 = m.add(e, v3(0, 1, 0), 10, 1), i3 = m.add(d, v3(0, 1, 0), 0, 1);
  Vec3 up = cross(b - a, e - a);
  if (up.y >= 0) {
    m.triangle(i0, i1, i2);
    m.triangle(i0, i2, i3);
  } else {
    m.triangle(i0, i2, i1);
    m.triangle(i0, i3, i2);
  }
}

// ---- Scenery placement -------------------------------------------------------------------
// Height of the finished ground (road, verges and terrain) under a point:
// scenery must stand on what the car drives on, not on the terrain below a verge.
class SurfaceQuery {
 public:
  // Triangles wider than `widest` cells are left out: no scenery stands on far-out ground.
  explicit SurfaceQuery(const Mesh& m, float widest = 8) : m_(m) {
    for (size_t i = 0; i + 2 < m.tri.size(); i += 3) {
      Vec3 a = m.pos[size_t(m.tri[i])], b = m.pos[size_t(m.tri[i + 1])], c = m.pos[size_t(m.tri[i + 2])];
      float x0 = std::min({a.x, b.x, c.x}), x1 = std::max({a.x, b.x, c.x});
      float z0 = std::min({a.z, b.z, c.z}), z1 = std::max({a.z, b.z, c.z});
      if (x1 - x0 > widest * kCell || z1 - z0 > widest * kCell) continue;
      for (int cx = cell(x0); cx <= cell(x1); ++cx)
        for (int cz = cell(z0); cz <= cell(z1); ++cz) cells_[key(cx, cz)].push_back(i);
    }
  }
  float heightAt(float x, float z, float fallback) const {
    auto it = cells_.find(key(cell(x), cell(z)));
    if (it == cells_.end()) return fallback;
    float best = -1e30f;
    for (size_t i : it->second) {
      Vec3 a = m_.pos[size_t(m_.tri[i])], b = m_.pos[size_t(m_.tri[i + 1])], c = m_.pos[size_t(m_.tri[i + 2])];
      float d = (b.z - c.z) * (a.x - c.x) + (c.x - b.x) * (a.z - c.z);
      if (std::fabs(d) < 1e-9f) continue;
      float l0 = ((b.z - c.z) * (x - c.x) + (c.x - b.x) * (z - c.z)) / d;
      float l1 = ((c.z - a.z) * (x - c.x) + (a.x - c.x) * (z - c.z)) / d;
      float l2 = 1 - l0 - l1;
      if (l0 < -1e-4f || l1 < -1e-4f || l2 < -1e-4f) continue;
      best = std::max(best, l0 * a.y + l1 * b.y + l2 * c.y);
    }
    return best > -1e29f ? best : fallback;
  }

 private:
  static constexpr float kCell = 200;
  static int cell(float v) { return int(std::floor(v / kCell)); }
  // Shifted unsigned: a negative cell must not shift a negative value.
  static int64_t key(int cx, int cz) { return int64_t(uint64_t(int64_t(cx)) << 32) ^ uint32_t(cz); }
  const Mesh& m_;
  std::map<int64_t, std::vector<size_t>> cells_;
};

struct Occupied {
  float x, z, r;
};

bool clearOfRoad(const std::vector<Sample>& cl, float x, float z, float clearance) {
  for (const Sample& s : cl) {
    float dx = s.p.x - x, dz = s.p.z - z;
    if (dx * dx + dz * dz < clearance * clearance) return false;
  }
  return true;
}

bool clearOf(const std::vector<Occupied>& occ, float x, float z, float r) {
  for (const Occupied& o : occ) {
    float dx = o.x - x, dz = o.z - z, rr = o.r + r;
    if (dx * dx + dz * dz < rr * rr) return false;
  }
  return true;
}

float headingOf(Vec3 d) { return std::atan2(d.x, d.z) * 180 / kPi; }

struct Placer {
  const std::vector<Sample>& cl;
  const Terrain& t;
  const SurfaceQuery& ground;
  std::vector<Occupied> occ;
  // Lowest ground under a footprint, so a placed object never floats.
  float footing(float x, float z, float r) const {
    float h = ground.heightAt(x, z, t.heightAt(x, z));
    for (int a = 0; a < 8; ++a) {
      float ang = a * kPi / 4, px = x + r * std::cos(ang), pz = z + r * std::sin(ang);
      h = std::min(h, ground.heightAt(px, pz, t.heightAt(px, pz)));
    }
    return h;
  }
  bool place(std::vector<Placement>& list, float x, float z, float roadClear, float footprint,
             float yaw, float scale, float sink) {
    if (!clearOfRoad(cl, x, z, roadClear) || !clearOf(occ, x, z, footprint)) return false;
    float y = footing(x, z, footprint * 0.5f) - sink;
    // Nothing on a slope steeper than its plinth can hide.
    if (ground.heightAt(x, z, t.heightAt(x, z)) - y > sink + 0.15f * footprint + 10) return false;
    list.push_back({x, y, z, yaw, scale, scale, scale});
    occ.push_back({x, z, footprint});
    return true;
  }
};

size_t nearestSample(const std::vector<Sample>& cl, float x, float z) {
  size_t best = 0;
  float bd = 1e30f;
  for (size_t i = 0; i < cl.size(); ++i) {
    float dx = cl[i].p.x - x, dz = cl[i].p.z - z, d = dx * dx + dz * dz;
    if (d < bd) bd = d, best = i;
  }
  return best;
}

void placeScenery(World& w, const std::vector<Sample>& cl, const Terrain& t, const SurfaceQuery& ground) {
  Placer pl{cl, t, ground, {}};
  Rng rng(2024);
  const float edge = kRoadHalf + kKerb;
  // Houses and palms frame the start and each gate: one pair on each side.
  const Vec3 landmarks[] = {v3(-4210, 0, 2035), v3(-4065, 0, 1850), v3(-3460, 0, -4835),
                            v3(2065, 0, -40)};
  for (const Vec3& lm : landmarks) {
    const Sample& s = cl[nearestSample(cl, lm.x, lm.z)];
    Vec3 r = side(s);
    for (int sideSign = -1; sideSign <= 1; sideSign += 2) {
      for (float along : {-260.0f, 300.0f}) {
        Vec3 p = s.p + r * (sideSign * 520.0f) + s.dir * along;
        float yaw = headingOf(r * float(-sideSign));
        pl.place(w.houses, p.x, p.z, edge + 300, 190, yaw, 1.0f, 8);
      }
      for (float along : {-120.0f, -40.0f, 40.0f, 120.0f}) {
        Vec3 p = s.p + r * (sideSign * (edge + 75.0f)) + s.dir * along;
        pl.place(w.palms, p.x, p.z, edge + 60, 25, 0, 1.15f, 2);
      }
    }
  }
  // Along the whole lap: palms in a loose avenue, bushes between them, the
  // big palms a little further out and small villages here and there.
  for (size_t i = 0; i < cl.size(); i += 4) {
    const Sample& s = cl[i];
    Vec3 r = side(s);
    for (int sideSign = -1; sideSign <= 1; sideSign += 2) {
      if (rng.uniform() < 0.55f) {
        Vec3 p = s.p + r * (sideSign * (edge + rng.range(70, 150))) + s.dir * rng.range(-40, 40);
        pl.place(w.palms, p.x, p.z, edge + 60, 30, 0, rng.range(0.85f, 1.2f), 2);
      }
      if (rng.uniform() < 0.7f) {
        Vec3 p = s.p + r * (sideSign * (edge + rng.range(50, 260))) + s.dir * rng.range(-60, 60);
        pl.place(w.bushes, p.x, p.z, edge + 45, 30, 0, rng.range(0.7f, 1.3f), 1);
      }
      if (rng.uniform() < 0.22f) {
        Vec3 p = s.p + r * (sideSign * (edge + rng.range(260, 520))) + s.dir * rng.range(-80, 80);
        pl.place(w.palms2, p.x, p.z, edge + 220, 60, rng.range(0, 360), rng.range(0.8f, 1.1f), 3);
      }
    }
    if (i % 40 == 20) {
      int sideSign = rng.uniform() < 0.5f ? -1 : 1;
      for (int hcount = 0; hcount < 3; ++hcount) {
        Vec3 p = s.p + r * (sideSign * rng.range(560, 900)) + s.dir * rng.range(-400, 400);
        float yaw = headingOf(r * float(-sideSign)) + rng.range(-15, 15);
        pl.place(w.houses, p.x, p.z, edge + 330, 200, yaw, rng.range(0.85f, 1.15f), 8);
      }
    }
  }
}

}  // namespace

World buildWorld() {
  World w;
  std::vector<Sample> cl = sampleCentreLine(30);
  Terrain terrain = buildTerrain(cl);
  auto gridHeight = [&terrain](float x, float z) { return terrain.heightAt(x, z); };
  std::vector<CrossSection> sections;
  for (const Sample& s : cl) sections.push_back(crossSection(s, gridHeight));
  Mesh ground{"Ground", groundMaterial(), kTexGrass, {}, {}, {}, {}, {}};
  ThinnedGround(terrain).addTo(ground);
  // The drawn verges end on the drawn ground, every second section as the
  // collision surface has them.
  const SurfaceQuery drawnGround(ground, 40);
  auto drawnHeight = [&](float x, float z) { return drawnGround.heightAt(x, z, terrain.heightAt(x, z)); };
  std::vector<CrossSection> vergeSections;
  for (size_t i = 0; i < cl.size(); i += 2) vergeSections.push_back(crossSection(cl[i], drawnHeight));

  // The road and its kerbs share their sections, so no seam opens between them.
  const std::vector<size_t> roadKeep = sectionsToKeep(sections, 1, 5, kStripTolerance, kStripMaxSpan);
  const std::vector<size_t> leftKeep = sectionsToKeep(vergeSections, 0, 1, kStripTolerance, kStripMaxSpan);
  const std::vector<size_t> rightKeep = sectionsToKeep(vergeSections, 5, 6, kStripTolerance, kStripMaxSpan);
  Mesh road{"Road", groundMaterial(), kTexRoad, {}, {}, {}, {}, {}};
  road.mat.specular = v3(0.15f, 0.15f, 0.15f);
  // The asphalt is flat across: one quad spans it.
  addStrip(road, sections, roadKeep, 2, 4, true, 1, 30.0f / 280.0f, 2);
  Mesh kerbL{"KerbLeft", groundMaterial(), kTexKerb, {}, {}, {}, {}, {}};
  addStrip(kerbL, sections, roadKeep, 1, 2, true, 1, 30.0f / 60.0f);
  addStrip(kerbL, sections, roadKeep, 4, 5, true, 1, 30.0f / 60.0f);
  Mesh verge{"Verge", groundMaterial(), kTexGrass, {}, {}, {}, {}, {}};
  addStrip(verge, vergeSections, leftKeep, 0, 1, true, 0, 0);
  addStrip(verge, vergeSections, rightKeep, 5, 6, true, 0, 0);
  Mesh line{"FinishLine", groundMaterial(), kTexStart, {}, {}, {}, {}, {}};
  addStartLine(line, cl);
  // Nearest first: the ground under the road and the verges then fails the
  // depth test before it is shaded. Each part is cut into tiles, so that a
  // view draws only the tiles it can see.
  for (const Mesh* part : {&road, &kerbL, &line, &verge, &ground}) {
    for (Mesh& tile : splitIntoTiles(*part, kTrackTileTriangles, kTrackTileSize)) w.track.shapes.push_back(std::move(tile));
  }

  // The collision surface: the same road every second section, and the same ground.
  std::vector<CrossSection> coarse;
  for (size_t i = 0; i < sections.size(); i += 2) coarse.push_back(sections[i]);
  Material plain;
  Mesh solid{"Surface", plain, "", {}, {}, {}, {}, {}};
  std::vector<size_t> every(coarse.size());
  for (size_t i = 0; i < every.size(); ++i) every[i] = i;
  addStrip(solid, coarse, every, 0, 6, false, 0, 0);
  addTerrain(solid, terrain, false);
  w.collide.shapes = {solid};

  for (const Sample& s : sampleCentreLine(50)) w.centre.push_back(s.p);
  SurfaceQuery query(w.collide.shapes[0]);
  placeScenery(w, cl, terrain, query);
  return w;
}

namespace {
bool writePlacements(const std::string& path, const std::vector<Placement>& list) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  for (const Placement& p : list)
    std::fprintf(f, "%.2f %.2f %.2f 0.0 %.2f 0.0 %.3f %.3f %.3f\n", p.x, p.y, p.z, p.yaw, p.sx, p.sy,
                 p.sz);
  std::fprintf(f, "EOF\n");
  return std::fclose(f) == 0;
}
}  // namespace

bool writeWorld(const std::string& dir, const World& w) {
  std::string models = dir + "/Data/Models/";
  bool ok = writeModel(models + "Track01.wrl", w.track);
  ok = writeModel(models + "Track01_Collide.wrl", w.collide) && ok;
  ok = writePlacements(models + "Palme01.txt", w.palms) && ok;
  ok = writePlacements(models + "Palme201.txt", w.palms2) && ok;
  ok = writePlacements(models + "Busch01.txt", w.bushes) && ok;
  ok = writePlacements(models + "Haus01.txt", w.houses) && ok;
  // Driving order from the start, one point about every 50 units.
  FILE* f = std::fopen((models + "Track01_Centre.txt").c_str(), "w");
  if (!f) return false;
  for (const Vec3& p : w.centre) std::fprintf(f, "%.1f %.1f %.1f\n", p.x, p.y, p.z);
  return std::fclose(f) == 0 && ok;
}

}  // namespace content
