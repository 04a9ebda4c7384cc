// The world fits what the game assumes: heights at the start and the gates,
// the road through the gate boxes, ground everywhere, scenery beside the road
// and inside the culling spheres, the car and wheel fitting their physics.
#include "content_support.h"
#include "contentgen.h"
#include "race/race.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

using namespace content_test;

namespace {

struct V {
  float x, y, z;
};

struct Surface {
  std::vector<V> tri;  // three corners per triangle
  std::map<std::pair<int, int>, std::vector<int>> cells;
  static constexpr float kCell = 250;

  explicit Surface(const ScannedShape& s) {
    for (const auto& t : s.coordIndex)
      for (int c : t) tri.push_back({s.coords.at(size_t(c))[0], s.coords.at(size_t(c))[1], s.coords.at(size_t(c))[2]});
    for (size_t i = 0; i < tri.size() / 3; ++i) {
      float x0 = std::min({tri[i * 3].x, tri[i * 3 + 1].x, tri[i * 3 + 2].x});
      float x1 = std::max({tri[i * 3].x, tri[i * 3 + 1].x, tri[i * 3 + 2].x});
      float z0 = std::min({tri[i * 3].z, tri[i * 3 + 1].z, tri[i * 3 + 2].z});
      float z1 = std::max({tri[i * 3].z, tri[i * 3 + 1].z, tri[i * 3 + 2].z});
      // Huge far-out cells are only registered where they start; the tests stay near the track.
      if (x1 - x0 > 20 * kCell || z1 - z0 > 20 * kCell) continue;
      for (int cx = int(std::floor(x0 / kCell)); cx <= int(std::floor(x1 / kCell)); ++cx)
        for (int cz = int(std::floor(z0 / kCell)); cz <= int(std::floor(z1 / kCell)); ++cz)
          cells[{cx, cz}].push_back(int(i));
    }
  }
  // Highest surface at (x, z) below `ceiling`; NaN where there is none.
  float heightAt(float x, float z, float ceiling = 1e9f) const {
    auto it = cells.find({int(std::floor(x / kCell)), int(std::floor(z / kCell))});
    float best = std::nanf("");
    if (it == cells.end()) return best;
    for (int i : it->second) {
      const V &a = tri[size_t(i) * 3], &b = tri[size_t(i) * 3 + 1], &c = tri[size_t(i) * 3 + 2];
      float d = (b.z - c.z) * (a.x - c.x) + (c.x - b.x) * (a.z - c.z);
      if (std::fabs(d) < 1e-9f) continue;
      float l0 = ((b.z - c.z) * (x - c.x) + (c.x - b.x) * (z - c.z)) / d;
      float l1 = ((c.z - a.z) * (x - c.x) + (a.x - c.x) * (z - c.z)) / d;
      float l2 = 1 - l0 - l1;
      const float e = -1e-4f;
      if (l0 < e || l1 < e || l2 < e) continue;
      float y = l0 * a.y + l1 * b.y + l2 * c.y;
      if (y <= ceiling && (std::isnan(best) || y > best)) best = y;
    }
    return best;
  }
};

struct Gate {
  float x, y, z, angle, halfX, halfY, halfZ;
};
// Positions, rotations about +y and half extents of the game's trigger boxes.
const Gate kGates[3] = {{-3460, 825, -4835, 337, 17, 117, 163},
                        {2065, 765, -40, 262, 17, 117, 232},
                        {-4065, 145, 1850, 236, 17, 117, 197}};

class World : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string dir = gameDir();
    if (dir.empty()) return;
    auto collide = scanModel(dir + "/Data/Models/Track01_Collide.wrl");
    if (!collide.empty()) ground_ = std::make_unique<Surface>(collide[0]);
    // The drawn track comes in tiles; each part is tested whole.
    auto track = scanModel(dir + "/Data/Models/Track01.wrl");
    const ScannedShape road = mergedPart(track, "Road_");
    if (!road.coords.empty()) road_ = std::make_unique<Surface>(road);
    vergeShape_ = mergedPart(track, "Verge_");
    groundShape_ = mergedPart(track, "Ground_");
    if (!groundShape_.coords.empty()) drawnGround_ = std::make_unique<Surface>(groundShape_);
    std::ifstream in(dir + "/Data/Models/Track01_Centre.txt");
    V p;
    while (in >> p.x >> p.y >> p.z) centre_.push_back(p);
  }
  void SetUp() override {
    if (gameDir().empty()) GTEST_SKIP() << "FIVELAPS_BINARY_DIR is not set";
    ASSERT_TRUE(ground_) << "no collision surface";
    ASSERT_TRUE(road_) << "no road in the drawn track";
    ASSERT_TRUE(drawnGround_) << "no ground in the drawn track";
    ASSERT_GT(centre_.size(), 100u);
  }
  static float distanceToCentre(float x, float z) {
    float best = 1e30f;
    for (size_t i = 0; i < centre_.size(); ++i) {
      const V &a = centre_[i], &b = centre_[(i + 1) % centre_.size()];
      float dx = b.x - a.x, dz = b.z - a.z, len2 = dx * dx + dz * dz;
      float t = len2 > 0 ? std::max(0.0f, std::min(1.0f, ((x - a.x) * dx + (z - a.z) * dz) / len2)) : 0;
      best = std::min(best, std::hypot(a.x + t * dx - x, a.z + t * dz - z));
    }
    return best;
  }
  static std::unique_ptr<Surface> ground_, road_, drawnGround_;
  static ScannedShape groundShape_, vergeShape_;
  static std::vector<V> centre_;
};
std::unique_ptr<Surface> World::ground_, World::road_, World::drawnGround_;
ScannedShape World::groundShape_, World::vergeShape_;
std::vector<V> World::centre_;

}  // namespace

TEST_F(World, RoadHeightsAtTheStartAndTheGates) {
  // Across the road as well as on the centre line.
  auto check = [&](float x, float z, float headingDeg, float lo, float hi, const char* what) {
    float h = headingDeg * 3.14159265f / 180;
    float sx = std::cos(h), sz = -std::sin(h);
    for (float off : {-120.0f, 0.0f, 120.0f}) {
      float y = ground_->heightAt(x + sx * off, z + sz * off);
      ASSERT_FALSE(std::isnan(y)) << what;
      EXPECT_GE(y, lo) << what << " offset " << off;
      EXPECT_LE(y, hi) << what << " offset " << off;
    }
  };
  check(-4210, 2035, 140, -5, 12, "start");
  check(-4065, 1850, 146, 0, 60, "finish");
  check(-3460, -4835, 67, 720, 880, "checkpoint 1");
  check(2065, -40, 352, 660, 820, "checkpoint 2");
}

TEST_F(World, CentreLineStartsAtTheStartPose) {
  EXPECT_NEAR(centre_[0].x, -4210, 1);
  EXPECT_NEAR(centre_[0].z, 2035, 1);
  EXPECT_NEAR(centre_[0].y, 0, 1);
  float heading = std::atan2(centre_[1].x - centre_[0].x, centre_[1].z - centre_[0].z) * 180 / 3.14159265f;
  EXPECT_NEAR(heading, 140, 3);
  for (size_t i = 0; i < centre_.size(); ++i) {
    const V &a = centre_[i], &b = centre_[(i + 1) % centre_.size()];
    float d = std::hypot(b.x - a.x, b.z - a.z);
    EXPECT_GT(d, 35) << i;
    EXPECT_LT(d, 65) << i;
  }
}

// The car's body (road + 5 to road + 40) driven along the centre line passes
// through each box from one thin face to the other, in lap order.
TEST_F(World, CentreLineCrossesEachGateAlongItsHeading) {
  std::vector<size_t> crossedAt;
  for (const Gate& g : kGates) {
    float th = g.angle * 3.14159265f / 180;
    V ax{std::cos(th), 0, -std::sin(th)}, az{std::sin(th), 0, std::cos(th)};
    auto local = [&](const V& p) {
      float dx = p.x - g.x, dz = p.z - g.z;
      return std::make_pair(dx * ax.x + dz * ax.z, dx * az.x + dz * az.z);
    };
    int crossings = 0;
    for (size_t i = 0; i < centre_.size(); ++i) {
      const V &a = centre_[i], &b = centre_[(i + 1) % centre_.size()];
      auto la = local(a), lb = local(b);
      if ((la.first < 0) == (lb.first < 0)) continue;
      float t = la.first / (la.first - lb.first);
      float across = la.second + t * (lb.second - la.second);
      if (std::fabs(across) > g.halfZ - 30) continue;
      ++crossings;
      crossedAt.push_back(i);
      float y = a.y + t * (b.y - a.y);
      EXPECT_LT(y + 5, g.y + g.halfY) << "gate at " << g.x;
      EXPECT_GT(y + 40, g.y - g.halfY) << "gate at " << g.x;
      float dx = b.x - a.x, dz = b.z - a.z, len = std::hypot(dx, dz);
      EXPECT_GT(std::fabs((dx * ax.x + dz * ax.z) / len), std::cos(15 * 3.14159265f / 180)) << "gate at " << g.x;
    }
    EXPECT_EQ(crossings, 1) << "gate at " << g.x;
  }
  ASSERT_EQ(crossedAt.size(), 3u);
  // Lap order from the start: the finish line right away, then checkpoint 1, then 2.
  EXPECT_LT(crossedAt[2], 8u);
  EXPECT_LT(crossedAt[0], crossedAt[1]);
}

// The asphalt is narrower than the narrowest gate.
TEST_F(World, RoadIsNarrowerThanTheGates) {
  for (size_t i = 0; i < centre_.size(); i += 7) {
    const V &a = centre_[i], &b = centre_[(i + 1) % centre_.size()];
    float len = std::hypot(b.x - a.x, b.z - a.z);
    float sx = (b.z - a.z) / len, sz = -(b.x - a.x) / len;
    EXPECT_FALSE(std::isnan(road_->heightAt(a.x + sx * 120, a.z + sz * 120))) << i;
    EXPECT_TRUE(std::isnan(road_->heightAt(a.x + sx * 163, a.z + sz * 163))) << i;
  }
}

// Walking across the road from 700 units left to 700 units right never meets
// a hole or a cliff, and the drawn road lies on the collision surface.
TEST_F(World, GroundIsContinuousBesideTheRoad) {
  for (size_t i = 0; i < centre_.size(); i += 3) {
    const V &a = centre_[i], &b = centre_[(i + 1) % centre_.size()];
    float len = std::hypot(b.x - a.x, b.z - a.z);
    float sx = (b.z - a.z) / len, sz = -(b.x - a.x) / len;
    float prev = std::nanf("");
    for (float off = -700; off <= 700; off += 10) {
      float x = a.x + sx * off, z = a.z + sz * off;
      float y = ground_->heightAt(x, z);
      ASSERT_FALSE(std::isnan(y)) << "hole at " << x << ", " << z;
      if (!std::isnan(prev)) {
        EXPECT_LT(std::fabs(y - prev), 8.0f) << "step at " << x << ", " << z;
      }
      prev = y;
      if (std::fabs(off) < 130) {
        float drawn = road_->heightAt(x, z);
        ASSERT_FALSE(std::isnan(drawn)) << x << ", " << z;
        EXPECT_NEAR(drawn, y, 3.0f) << x << ", " << z;
      }
    }
  }
}

// The drawn ground has fewer points than the collision grid: it must still stay
// under the road, meet the collision ground where the car leaves the road, and
// hold the verges' outer edges.
TEST_F(World, DrawnGroundStaysUnderTheRoadAndOnTheCollisionGround) {
  for (size_t i = 0; i < centre_.size(); i += 3) {
    const V &a = centre_[i], &b = centre_[(i + 1) % centre_.size()];
    float len = std::hypot(b.x - a.x, b.z - a.z);
    float sx = (b.z - a.z) / len, sz = -(b.x - a.x) / len;
    for (float off = -700; off <= 700; off += 10) {
      float x = a.x + sx * off, z = a.z + sz * off;
      float drawn = drawnGround_->heightAt(x, z);
      ASSERT_FALSE(std::isnan(drawn)) << "hole at " << x << ", " << z;
      if (std::fabs(off) < 130) {
        EXPECT_LT(drawn, road_->heightAt(x, z) - 1) << x << ", " << z;
      }
      if (std::fabs(off) > 370 && std::fabs(off) < 450 && distanceToCentre(x, z) > 370) {
        EXPECT_NEAR(drawn, ground_->heightAt(x, z), 8.0f) << x << ", " << z;  // under a wheel radius
      }
    }
  }
  for (const auto& p : vergeShape_.coords) {
    if (distanceToCentre(p[0], p[2]) > 165) {
      EXPECT_GE(drawnGround_->heightAt(p[0], p[2]), p[1] + 1) << p[0] << ", " << p[2];
    }
  }
}

// The wheels roll on the collision surface: the drawn road, which leaves out
// the sections a straight quad covers, must lie on it.
TEST_F(World, DrawnRoadLiesOnTheDrivenRoad) {
  float worst = 0;
  for (size_t i = 0; i < centre_.size(); ++i) {
    const V &a = centre_[i], &b = centre_[(i + 1) % centre_.size()];
    float len = std::hypot(b.x - a.x, b.z - a.z);
    float sx = (b.z - a.z) / len, sz = -(b.x - a.x) / len;
    for (float along : {0.0f, 0.5f})
      for (float off = -130; off <= 130; off += 26) {
        float x = a.x + (b.x - a.x) * along + sx * off, z = a.z + (b.z - a.z) * along + sz * off;
        float drawn = road_->heightAt(x, z);
        ASSERT_FALSE(std::isnan(drawn)) << "no road at " << x << ", " << z;
        worst = std::max(worst, std::fabs(drawn - ground_->heightAt(x, z, drawn + 20)));
      }
  }
  EXPECT_LT(worst, 0.6f);
}

// Where a large block of ground meets smaller ones, their corners lie on its
// side: every inner edge is shared by exactly two triangles, or light shows through.
TEST_F(World, DrawnGroundHasNoCracks) {
  float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
  for (const auto& p : groundShape_.coords)
    for (int a = 0; a < 2; ++a) {
      lo[a] = std::min(lo[a], p[size_t(a * 2)]);
      hi[a] = std::max(hi[a], p[size_t(a * 2)]);
    }
  std::map<std::pair<int, int>, int> edges;
  for (const auto& t : groundShape_.coordIndex)
    for (int c = 0; c < 3; ++c) ++edges[std::minmax(t[size_t(c)], t[size_t((c + 1) % 3)])];
  auto onBorder = [&](int v) {
    const auto& p = groundShape_.coords.at(size_t(v));
    return p[0] == lo[0] || p[0] == hi[0] || p[2] == lo[1] || p[2] == hi[1];
  };
  for (const auto& [edge, uses] : edges) {
    const auto& p = groundShape_.coords.at(size_t(edge.first));
    EXPECT_LE(uses, 2) << "overlap at " << p[0] << ", " << p[2];
    if (uses == 1) {
      EXPECT_TRUE(onBorder(edge.first) && onBorder(edge.second)) << "crack at " << p[0] << ", " << p[2];
    }
  }
}

TEST_F(World, GroundReachesFarBeyondTheTrack) {
  for (float x : {-18000.0f, -1000.0f, 15000.0f})
    for (float z : {-18000.0f, 0.0f, 15000.0f}) EXPECT_FALSE(std::isnan(ground_->heightAt(x, z))) << x << ", " << z;
}

namespace {
struct Table {
  const char* file;
  const char* model;
  float cy, radius, footprint;  // culling sphere and the object's reach on the ground
  bool scaleSphere, rotates;
};
const Table kTables[] = {{"Palme01", "Palme", 86, 103, 12, false, false},
                         {"Palme201", "Palme2", 86, 200, 20, false, true},
                         {"Busch01", "Strauch", 0, 68, 20, false, false},
                         {"Haus01", "Haus", 102, 222, 130, true, true}};

std::vector<std::array<float, 9>> readTable(const std::string& path) {
  std::vector<std::array<float, 9>> rows;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line) && line.find("EOF") == std::string::npos) {
    std::array<float, 9> r{};
    if (std::sscanf(line.c_str(), "%f %f %f %f %f %f %f %f %f", &r[0], &r[1], &r[2], &r[3], &r[4], &r[5],
                    &r[6], &r[7], &r[8]) == 9)
      rows.push_back(r);
  }
  return rows;
}
}  // namespace

TEST_F(World, ScenerySitsOnTheGroundBesideTheRoad) {
  size_t total = 0;
  for (const Table& t : kTables) {
    auto rows = readTable(gameDir() + "/Data/Models/" + t.file + ".txt");
    EXPECT_GE(rows.size(), 10u) << t.file;
    total += rows.size();
    for (const auto& r : rows) {
      float ground = ground_->heightAt(r[0], r[2]);
      ASSERT_FALSE(std::isnan(ground)) << t.file;
      EXPECT_LE(r[1], ground + 0.5f) << t.file << " floats at " << r[0] << ", " << r[2];
      EXPECT_GE(r[1], ground - 40) << t.file << " buried at " << r[0] << ", " << r[2];
      float reach = 154 + t.footprint * std::max({r[6], r[7], r[8]});
      EXPECT_GT(distanceToCentre(r[0], r[2]), reach) << t.file << " on the road at " << r[0] << ", " << r[2];
      EXPECT_GT(r[6], 0.0f);
    }
  }
  EXPECT_GE(total, 300u);
}

// At every placement's own scale, the model stays inside the sphere the game culls with.
TEST_F(World, ModelsFitTheirCullingSpheres) {
  for (const Table& t : kTables) {
    auto shapes = scanModel(gameDir() + "/Data/Models/" + t.model + ".wrl");
    ASSERT_FALSE(shapes.empty()) << t.model;
    for (auto& s : scanModel(gameDir() + "/Data/Models/" + t.model + "_Far.wrl")) shapes.push_back(s);
    auto rows = readTable(gameDir() + "/Data/Models/" + t.file + ".txt");
    rows.push_back({0, 0, 0, 0, 0, 0, 1, 1, 1});
    for (const auto& r : rows) {
      float m = std::max({r[6], r[7], r[8]});
      float cy = t.scaleSphere ? t.cy * m : t.cy, radius = t.scaleSphere ? t.radius * m : t.radius;
      for (const auto& s : shapes)
        for (const auto& p : s.coords) {
          // A turn about +y keeps the distance to a centre on the y axis.
          float d = std::sqrt(std::pow(p[0] * r[6], 2.0f) + std::pow(p[1] * r[7] - cy, 2.0f) + std::pow(p[2] * r[8], 2.0f));
          ASSERT_LE(d, radius) << t.model << " at scale " << r[6];
        }
    }
  }
}

TEST_F(World, TriangleBudgetsForASoftwareRenderer) {
  size_t drawn = 0;
  for (const auto& s : scanModel(gameDir() + "/Data/Models/Track01.wrl")) drawn += s.coordIndex.size();
  // At most the whole track in each of the seven views of a frame.
  EXPECT_LT(drawn, 10000u);
  EXPECT_GT(drawn, 5000u);
  size_t scenery = 0;
  for (const char* m : {"Palme", "Palme2", "Strauch", "Haus"})
    for (const auto& s : scanModel(gameDir() + "/Data/Models/" + m + ".wrl")) scenery += s.coordIndex.size();
  EXPECT_LT(scenery, 300u);
}

namespace {
using P3 = std::array<float, 3>;
P3 operator-(const P3& a, const P3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float dot(const P3& a, const P3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Distance from p to the triangle abc (Ericson's closest-point regions).
float distanceToTriangle(const P3& p, const P3& a, const P3& b, const P3& c) {
  auto along = [](const P3& o, const P3& d, float t) {
    return P3{o[0] + d[0] * t, o[1] + d[1] * t, o[2] + d[2] * t};
  };
  auto dist = [&](const P3& q) { const P3 d = p - q; return std::sqrt(dot(d, d)); };
  const P3 ab = b - a, ac = c - a, ap = p - a;
  const float d1 = dot(ab, ap), d2 = dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return dist(a);
  const P3 bp = p - b;
  const float d3 = dot(ab, bp), d4 = dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return dist(b);
  const float vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return dist(along(a, ab, d1 / (d1 - d3)));
  const P3 cp = p - c;
  const float d5 = dot(ab, cp), d6 = dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return dist(c);
  const float vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return dist(along(a, ac, d2 / (d2 - d6)));
  const float va = d3 * d6 - d5 * d4;
  if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0) {
    return dist(along(b, c - b, (d4 - d3) / ((d4 - d3) + (d5 - d6))));
  }
  const float denom = 1 / (va + vb + vc);
  const P3 q = along(along(a, ab, vb * denom), ac, vc * denom);
  return dist(q);
}

// The farthest that points spread over `from`'s triangles lie from `to`'s surface.
float farthestFrom(const ScannedShape& from, const ScannedShape& to) {
  float worst = 0;
  for (const auto& t : from.coordIndex) {
    const P3 &a = from.coords[size_t(t[0])], &b = from.coords[size_t(t[1])], &c = from.coords[size_t(t[2])];
    for (int i = 0; i <= 4; ++i)
      for (int k = 0; i + k <= 4; ++k) {
        const float u = i / 4.0f, v = k / 4.0f;
        P3 p;
        for (size_t d = 0; d < 3; ++d) p[d] = a[d] + (b[d] - a[d]) * u + (c[d] - a[d]) * v;
        float nearest = 1e9f;
        for (const auto& s : to.coordIndex)
          nearest = std::min(nearest, distanceToTriangle(p, to.coords[size_t(s[0])], to.coords[size_t(s[1])],
                                                         to.coords[size_t(s[2])]));
        worst = std::max(worst, nearest);
      }
  }
  return worst;
}
}  // namespace

// A view draws a palm's far version where the two differ by at most a pixel,
// taking the game's bound on how far apart they are: each shape's surface
// must lie within that bound of the other's, both ways, with the same
// picture and material, on two fifths of the triangles at most.
TEST_F(World, FarPalmsStayWithinTheGamesBoundOfThePalms) {
  for (const char* m : {"Palme", "Palme2"}) {
    const auto near = scanModel(gameDir() + "/Data/Models/" + m + ".wrl");
    const auto far = scanModel(gameDir() + "/Data/Models/" + std::string(m) + "_Far.wrl");
    ASSERT_EQ(far.size(), near.size()) << m;
    size_t nearTriangles = 0, farTriangles = 0;
    for (size_t i = 0; i < near.size(); ++i) {
      EXPECT_EQ(far[i].name, near[i].name) << m;
      EXPECT_EQ(far[i].texture, near[i].texture) << m;
      EXPECT_EQ(far[i].transparency, near[i].transparency) << m;
      for (int c = 0; c < 3; ++c) EXPECT_EQ(far[i].diffuse[c], near[i].diffuse[c]) << m;
      EXPECT_LE(farthestFrom(near[i], far[i]), kFarVersionError) << m << " " << near[i].name;
      EXPECT_LE(farthestFrom(far[i], near[i]), kFarVersionError) << m << " " << near[i].name;
      nearTriangles += near[i].coordIndex.size();
      farTriangles += far[i].coordIndex.size();
    }
    EXPECT_LE(farTriangles * 5, nearTriangles * 2) << m;
  }
}

// The main view draws the sky after the car, its wheels and the track, which
// shows the same picture as the sky first only while all four are fully
// opaque: no transparency and no texel that lets anything through.
TEST_F(World, WhatTheSkyIsDrawnBehindIsFullyOpaque) {
  for (const char* m : {"Sky", "Car", "Wheel", "Track01"}) {
    for (const auto& s : scanModel(gameDir() + "/Data/Models/" + m + ".wrl")) {
      EXPECT_EQ(s.transparency, 0.0f) << m << " " << s.name;
      if (!s.textured) continue;
      Picture picture;
      ASSERT_TRUE(loadPicture(gameDir() + "/" + s.texture, picture)) << s.texture;
      int leastAlpha = 255;
      for (int row = 0; row < picture.height; ++row)
        for (int x = 0; x < picture.width; ++x) leastAlpha = std::min<int>(leastAlpha, picture.alpha(x, row));
      EXPECT_EQ(leastAlpha, 255) << s.texture;
    }
  }
}

TEST_F(World, SkyDomeSurroundsTheCarInsideTheFarPlane) {
  auto sky = scanModel(gameDir() + "/Data/Models/Sky.wrl");
  ASSERT_EQ(sky.size(), 1u);
  EXPECT_TRUE(sky[0].textured);
  float lowest = 1e9f, highest = -1e9f;
  for (const auto& p : sky[0].coords) {
    float d = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    EXPECT_LT(d, 39000);
    EXPECT_GT(d, 20000);
    lowest = std::min(lowest, p[1]);
    highest = std::max(highest, p[1]);
  }
  EXPECT_LT(lowest, -2000) << "the dome reaches below the horizon";
  EXPECT_GT(highest, 20000);
}

namespace {
// Every shape: index lists that agree and stay in range, one normal per corner.
void expectWellFormed(const std::vector<ScannedShape>& shapes, const char* what) {
  for (size_t i = 0; i < shapes.size(); ++i) {
    const auto& s = shapes[i];
    ASSERT_FALSE(s.coordIndex.empty()) << what << " shape " << i;
    ASSERT_EQ(s.normalIndex.size(), s.coordIndex.size()) << what << " shape " << i;
    if (s.textured) {
      ASSERT_EQ(s.texCoordIndex.size(), s.coordIndex.size()) << what << " shape " << i;
    }
    for (size_t t = 0; t < s.coordIndex.size(); ++t)
      for (int c = 0; c < 3; ++c) {
        ASSERT_GE(s.coordIndex[t][c], 0);
        ASSERT_LT(size_t(s.coordIndex[t][c]), s.coords.size()) << what;
        ASSERT_LT(size_t(s.normalIndex[t][c]), s.normals.size()) << what;
        if (s.textured) {
          ASSERT_LT(size_t(s.texCoordIndex[t][c]), s.texCoords.size()) << what;
        }
      }
  }
}
// Cutting a mesh into tiles keeps every triangle once, with its corners as
// they were, and leaves dense parts in small pieces and sparse ones whole.
TEST(TrackTiles, EveryTriangleLandsInExactlyOnePieceUnchanged) {
  content::Mesh m;
  m.name = "Grid";
  m.texture = "Data/Textures/Grass.tga";
  // A dense 40 x 40 patch of quads at the origin and four lone triangles far off.
  for (int i = 0; i <= 40; ++i)
    for (int k = 0; k <= 40; ++k)
      m.add(content::v3(i * 10.0f, 0.1f * i * k, k * 10.0f), content::v3(0, 1, 0), i * 0.1f, k * 0.1f);
  for (int i = 0; i < 40; ++i)
    for (int k = 0; k < 40; ++k) {
      const int a = i * 41 + k;
      m.triangle(a, a + 41, a + 1);
      m.triangle(a + 1, a + 41, a + 42);
    }
  for (float far : {20000.0f, -20000.0f}) {
    const int a = m.add(content::v3(far, 0, far), content::v3(0, 1, 0));
    const int b = m.add(content::v3(far + 500, 0, far), content::v3(0, 1, 0));
    const int c = m.add(content::v3(far, 0, far + 500), content::v3(0, 1, 0));
    m.triangle(a, b, c);
    m.triangle(c, b, a);
  }
  using Corner = std::tuple<float, float, float, float, float>;
  auto corners = [](const content::Mesh& mesh, size_t t) {
    std::vector<Corner> out;
    for (int k = 0; k < 3; ++k) {
      const int v = mesh.tri[t + k];
      out.emplace_back(mesh.pos[v].x, mesh.pos[v].y, mesh.pos[v].z, mesh.u[v], mesh.v[v]);
    }
    return out;
  };
  std::vector<std::vector<Corner>> before, after;
  for (size_t t = 0; t < m.tri.size(); t += 3) before.push_back(corners(m, t));
  const std::vector<content::Mesh> pieces = content::splitIntoTiles(m, 300, 50);
  for (const content::Mesh& piece : pieces) {
    EXPECT_EQ(piece.texture, m.texture);
    EXPECT_EQ(piece.name.compare(0, 5, "Grid_"), 0) << piece.name;
    EXPECT_LE(piece.triangleCount(), 300u) << piece.name;
    for (size_t t = 0; t < piece.tri.size(); t += 3) after.push_back(corners(piece, t));
  }
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before);
  // 3,200 dense triangles need at least 11 pieces; the far ones add few.
  EXPECT_GE(pieces.size(), 11u);
  EXPECT_LE(pieces.size(), 40u);
}

}  // namespace

TEST_F(World, EveryModelIsWellFormed) {
  for (const char* m : {"Sky", "Car", "Wheel", "Palme", "Palme2", "Palme_Far", "Palme2_Far", "Strauch", "Haus", "Track01", "Track01_Collide"})
    expectWellFormed(scanModel(gameDir() + "/Data/Models/" + m + ".wrl"), m);
}

// The body fits the physics box, clears the wheels and carries its mirror
// finish on shapes 0 and 3; the wheel has the physics radius and a mirror rim.
TEST_F(World, CarAndWheelFitTheirPhysics) {
  auto car = scanModel(gameDir() + "/Data/Models/Car.wrl");
  ASSERT_GE(car.size(), 4u);
  for (int i : {0, 3}) {
    EXPECT_FALSE(car[size_t(i)].textured) << "shape " << i;
    EXPECT_LE(car[size_t(i)].transparency, 0.1f) << "shape " << i;
  }
  const float wheels[4][3] = {{21.844f, -13.066f, 36.6004f}, {-21.844f, -13.066f, 36.6004f},
                              {22.9388f, -13.066f, -37.9524f}, {-22.9388f, -13.066f, -37.9524f}};
  for (const auto& s : car)
    for (const auto& p : s.coords) {
      EXPECT_LE(std::fabs(p[0]), 27.902f + 0.01f);
      EXPECT_LE(std::fabs(p[1]), 17.624f + 0.01f);
      EXPECT_LE(std::fabs(p[2]), 61.86f + 0.5f);
      for (const auto& w : wheels) {
        bool inWheel = std::fabs(p[0] - w[0]) < 4.5f && std::hypot(p[1] - w[1], p[2] - w[2]) < 10.0f;
        EXPECT_FALSE(inWheel) << "body point inside a wheel at " << p[0] << ", " << p[1] << ", " << p[2];
      }
    }
  auto wheel = scanModel(gameDir() + "/Data/Models/Wheel.wrl");
  ASSERT_GE(wheel.size(), 3u);
  EXPECT_FALSE(wheel[2].textured);
  EXPECT_LE(wheel[2].transparency, 0.1f);
  float maxR = 0, maxX = 0;
  for (const auto& s : wheel)
    for (const auto& p : s.coords) {
      maxR = std::max(maxR, std::hypot(p[1], p[2]));
      maxX = std::max(maxX, std::fabs(p[0]));
    }
  EXPECT_NEAR(maxR, 9.558f, 0.01f);
  EXPECT_LT(maxX, 6.0f);
}

// A vertex no triangle uses gets no normal from the loader's folding.
TEST_F(World, EveryVertexBelongsToATriangle) {
  for (const char* m : {"Sky", "Car", "Wheel", "Palme", "Palme2", "Palme_Far", "Palme2_Far", "Strauch", "Haus", "Track01"}) {
    auto shapes = scanModel(gameDir() + "/Data/Models/" + m + ".wrl");
    for (size_t i = 0; i < shapes.size(); ++i) {
      std::vector<bool> used(shapes[i].coords.size(), false);
      for (const auto& t : shapes[i].coordIndex)
        for (int c : t) used.at(size_t(c)) = true;
      EXPECT_EQ(std::count(used.begin(), used.end(), false), 0) << m << " shape " << i;
    }
  }
}
