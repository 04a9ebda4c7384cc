// The car, its wheel, the scenery models and the sky dome.
#include "contentgen.h"

#include <algorithm>

namespace content {
namespace {

Material paintLike(Vec3 diffuse, Vec3 specular, float shininess) {
  Material m;
  m.ambient = 0.3f;
  m.diffuse = diffuse;
  m.specular = specular;
  m.shininess = shininess;
  return m;
}

Mesh makeMesh(const char* name, Material mat, const char* texture = "") {
  Mesh m;
  m.name = name;
  m.mat = mat;
  m.texture = texture;
  return m;
}

// ---- Car ---------------------------------------------------------------------------------
// Body frame: forward +z, body box half extents (27.902, 17.624, 61.86); the
// wheel centres sit at y -13.066, front z 36.6004, rear z -37.9524.
constexpr float kHalfLength = 61.86f;
constexpr float kWheelY = -13.066f;
constexpr float kFrontAxle = 36.6004f, kRearAxle = -37.9524f;
constexpr float kArchRadius = 12.5f;
constexpr float kWellInner = 16.0f;

float piecewise(const std::vector<std::pair<float, float>>& pts, float z) {
  if (z >= pts.front().first) return pts.front().second;
  for (size_t i = 1; i < pts.size(); ++i)
    if (z >= pts[i].first) {
      float t = (z - pts[i].first) / (pts[i - 1].first - pts[i].first);
      t = t * t * (3 - 2 * t);
      return pts[i].second + (pts[i - 1].second - pts[i].second) * t;
    }
  return pts.back().second;
}

struct Profile {
  float halfWidth, bottom, arch, belt, top, topHalfWidth;
  bool cabin;
};

Profile carProfile(float z) {
  Profile p;
  // Side view of the roof line, nose to tail.
  p.top = piecewise({{61.86f, -1.5f}, {46, 1.2f}, {22, 3.6f}, {6, 16.6f}, {-16, 17.3f},
                     {-40, 6.8f}, {-55, 6.0f}, {-61.86f, 5.4f}}, z);
  p.halfWidth = piecewise({{61.86f, 24.5f}, {48, 27.2f}, {20, 27.9f}, {-40, 27.9f},
                           {-61.86f, 26.4f}}, z);
  p.bottom = piecewise({{61.86f, -11.5f}, {54, -15}, {-54, -15}, {-61.86f, -11}}, z);
  p.belt = std::min(p.top - 1.8f, 3.0f);
  float cabin = clamp01((p.top - 3.6f) / (16.6f - 3.6f));
  p.cabin = cabin > 0.05f;
  p.topHalfWidth = p.halfWidth - 2.5f - 6.5f * cabin;
  p.arch = p.bottom;
  for (float axle : {kFrontAxle, kRearAxle}) {
    float dz = z - axle;
    if (std::fabs(dz) < kArchRadius)
      p.arch = std::max(p.arch, kWheelY + std::sqrt(kArchRadius * kArchRadius - dz * dz));
  }
  return p;
}

// The right half of a cross-section, bottom centre round to top centre.
std::vector<Vec3> ring(float z) {
  Profile p = carProfile(z);
  return {v3(0, p.bottom, z),          v3(kWellInner, p.bottom, z), v3(kWellInner, p.arch, z),
          v3(p.halfWidth, p.arch, z),  v3(p.halfWidth, p.belt, z),  v3(p.topHalfWidth, p.top, z),
          v3(0, p.top, z)};
}

// Segment j of the cross-section between stations: which shape it belongs to.
int carShapeFor(int j, float z0, float z1) {
  if (j <= 2) return 1;  // underbody and wheel wells
  float zm = 0.5f * (z0 + z1);
  if (j == 4 && carProfile(zm).cabin && zm < 20 && zm > -38) return 3;  // side windows
  if (j == 5 && ((zm < 21 && zm > 6.5f) || (zm < -17 && zm > -39))) return 3;  // screens
  return 0;
}

void loftBody(std::vector<Mesh>& shapes) {
  std::vector<float> zs;
  const int stations = 44;
  for (int k = 0; k <= stations; ++k) zs.push_back(kHalfLength - 2 * kHalfLength * k / stations);
  // Extra stations through the arches keep their curve round.
  for (float axle : {kFrontAxle, kRearAxle})
    for (int k = -6; k <= 6; ++k) zs.push_back(axle + kArchRadius * k / 6.0f * 0.999f);
  std::sort(zs.begin(), zs.end(), [](float a, float b) { return a > b; });
  zs.erase(std::unique(zs.begin(), zs.end(), [](float a, float b) { return std::fabs(a - b) < 0.3f; }),
           zs.end());
  std::vector<std::vector<Vec3>> rings;
  for (float z : zs) rings.push_back(ring(z));
  for (int sideSign = 1; sideSign >= -1; sideSign -= 2) {
    for (int j = 0; j < 6; ++j) {
      // Normals smoothed along the body, kept sharp between profile segments.
      std::vector<Vec3> quadN(zs.size() - 1);
      auto corner = [&](size_t k, int jj) {
        Vec3 p = rings[k][size_t(jj)];
        p.x *= float(sideSign);
        return p;
      };
      auto outward = [&](size_t k) {
        Vec3 mid = (corner(k, j) + corner(k, j + 1) + corner(k + 1, j) + corner(k + 1, j + 1)) * 0.25f;
        Profile pr = carProfile(mid.z);
        return mid - v3(0, 0.5f * (pr.bottom + pr.top), mid.z);
      };
      for (size_t k = 0; k + 1 < zs.size(); ++k) {
        Vec3 n = cross(corner(k + 1, j) - corner(k, j), corner(k, j + 1) - corner(k, j));
        if (length(n) < 1e-6f) n = cross(corner(k + 1, j + 1) - corner(k, j + 1), corner(k + 1, j) - corner(k, j + 1)) * -1.0f;
        if (dot(n, outward(k)) < 0) n = n * -1.0f;
        quadN[k] = normalised(n);
      }
      for (size_t k = 0; k + 1 < zs.size(); ++k) {
        Vec3 a = corner(k, j), b = corner(k, j + 1), c = corner(k + 1, j + 1), d = corner(k + 1, j);
        if (length(a - b) < 1e-4f && length(c - d) < 1e-4f) continue;  // flat segment here
        Mesh& m = shapes[size_t(carShapeFor(j, zs[k], zs[k + 1]))];
        Vec3 n0 = normalised(quadN[k] + (k > 0 ? quadN[k - 1] : quadN[k]));
        Vec3 n1 = normalised(quadN[k] + (k + 2 < zs.size() ? quadN[k + 1] : quadN[k]));
        if (m.name == "Trim") n0 = n1 = quadN[k];
        Vec3 out = outward(k);
        Vec3 faceN = cross(b - a, c - a);
        bool flip = dot(faceN, out) < 0;
        bool first = length(cross(b - a, c - a)) > 1e-6f, second = length(cross(c - a, d - a)) > 1e-6f;
        if (!first && !second) continue;
        // Only corners that a triangle uses: a loose vertex would keep no normal.
        int ia = m.add(a, n0), ic = m.add(c, n1);
        if (first) {
          int ib = m.add(b, n0);
          flip ? m.triangle(ia, ic, ib) : m.triangle(ia, ib, ic);
        }
        if (second) {
          int id = m.add(d, n1);
          flip ? m.triangle(ia, id, ic) : m.triangle(ia, ic, id);
        }
      }
    }
  }
  // Nose and tail caps: fans round the section centre.
  for (size_t end : {size_t(0), rings.size() - 1}) {
    float z = zs[end];
    Vec3 outDir = v3(0, 0, z > 0 ? 1.0f : -1.0f);
    std::vector<Vec3> poly;
    for (int j = 0; j <= 6; ++j) poly.push_back(rings[end][size_t(j)]);
    for (int j = 5; j >= 1; --j) {
      Vec3 p = rings[end][size_t(j)];
      p.x = -p.x;
      poly.push_back(p);
    }
    Profile pr = carProfile(z);
    Vec3 c = v3(0, 0.5f * (pr.bottom + pr.top), z);
    for (size_t i = 0; i < poly.size(); ++i) shapes[0].flatTri(c, poly[i], poly[(i + 1) % poly.size()], outDir);
  }
}

void addBox(Mesh& m, Vec3 lo, Vec3 hi) {
  Vec3 c[8];
  for (int i = 0; i < 8; ++i) c[i] = v3(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
  m.flatQuad(c[0], c[2], c[6], c[4], v3(-1, 0, 0));
  m.flatQuad(c[1], c[5], c[7], c[3], v3(1, 0, 0));
  m.flatQuad(c[0], c[4], c[5], c[1], v3(0, -1, 0));
  m.flatQuad(c[2], c[3], c[7], c[6], v3(0, 1, 0));
  m.flatQuad(c[0], c[1], c[3], c[2], v3(0, 0, -1));
  m.flatQuad(c[4], c[6], c[7], c[5], v3(0, 0, 1));
}

}  // namespace

ModelFile buildCar() {
  std::vector<Mesh> s;
  // Shapes 0 and 3 take the mirror reflection: paint and dark glass.
  s.push_back(makeMesh("Paint", paintLike(v3(0.78f, 0.06f, 0.04f), v3(0.9f, 0.9f, 0.9f), 0.7f)));
  s.push_back(makeMesh("Trim", paintLike(v3(0.05f, 0.05f, 0.05f), v3(0.2f, 0.2f, 0.2f), 0.2f)));
  s.push_back(makeMesh("Lamps", paintLike(v3(1.0f, 0.97f, 0.85f), v3(1, 1, 1), 0.9f)));
  s.push_back(makeMesh("Glass", paintLike(v3(0.04f, 0.05f, 0.07f), v3(1, 1, 1), 0.9f)));
  s.push_back(makeMesh("TailLamps", paintLike(v3(0.85f, 0.02f, 0.02f), v3(0.8f, 0.8f, 0.8f), 0.8f)));
  s[2].mat.ambient = 1.0f;
  loftBody(s);
  // Head and tail lamps just proud of the caps; a grille between the headlamps.
  for (int sideSign = -1; sideSign <= 1; sideSign += 2) {
    float x0 = sideSign * 13.0f, x1 = sideSign * 21.0f;
    Vec3 f = v3(0, 0, 1), b = v3(0, 0, -1);
    float zf = kHalfLength + 0.25f, zb = -kHalfLength - 0.25f;
    s[2].flatQuad(v3(x0, -6.5f, zf), v3(x1, -6.5f, zf), v3(x1, -3.5f, zf), v3(x0, -3.5f, zf), f);
    s[4].flatQuad(v3(x0, 0.0f, zb), v3(sideSign * 23.5f, 0.0f, zb), v3(sideSign * 23.5f, 3.5f, zb),
                  v3(x0, 3.5f, zb), b);
  }
  float zf = kHalfLength + 0.25f;
  s[1].flatQuad(v3(-10, -10, zf), v3(10, -10, zf), v3(10, -6.5f, zf), v3(-10, -6.5f, zf), v3(0, 0, 1));
  // Rear wing on two posts.
  addBox(s[0], v3(-25, 8.5f, -60), v3(25, 10.0f, -53));
  addBox(s[1], v3(-16, 5.0f, -58), v3(-13, 8.6f, -55));
  addBox(s[1], v3(13, 5.0f, -58), v3(16, 8.6f, -55));
  ModelFile f;
  f.shapes = s;
  return f;
}

// ---- Wheel ---------------------------------------------------------------------------------
ModelFile buildWheel() {
  const float R = 9.558f, halfW = 4.0f, rimR = 6.8f;
  const int seg = 24;
  Mesh tyre = makeMesh("Tyre", paintLike(v3(0.07f, 0.07f, 0.07f), v3(0.1f, 0.1f, 0.1f), 0.1f));
  Mesh hub = makeMesh("Hub", paintLike(v3(0.12f, 0.12f, 0.13f), v3(0.3f, 0.3f, 0.3f), 0.3f));
  Mesh rim = makeMesh("Rim", paintLike(v3(0.75f, 0.75f, 0.78f), v3(1, 1, 1), 0.9f));
  auto at = [](float x, float r, float a) { return v3(x, r * std::cos(a), r * std::sin(a)); };
  // Tyre cross-section, outside round to inside: tread, shoulders, walls.
  const std::pair<float, float> prof[] = {{-halfW, rimR},        {-halfW - 0.2f, 8.6f},
                                          {-halfW + 0.4f, R - 0.1f}, {-halfW + 1.0f, R},
                                          {halfW - 1.0f, R},     {halfW - 0.4f, R - 0.1f},
                                          {halfW + 0.2f, 8.6f},  {halfW, rimR}};
  for (int i = 0; i < seg; ++i) {
    float a0 = 2 * kPi * i / seg, a1 = 2 * kPi * (i + 1) / seg;
    for (int j = 0; j + 1 < 8; ++j) {
      Vec3 p0 = at(prof[j].first, prof[j].second, a0), p1 = at(prof[j + 1].first, prof[j + 1].second, a0);
      Vec3 p2 = at(prof[j + 1].first, prof[j + 1].second, a1), p3 = at(prof[j].first, prof[j].second, a1);
      Vec3 mid = (p0 + p1 + p2 + p3) * 0.25f;
      Vec3 radial = v3(0, mid.y, mid.z);
      float xs = 0.5f * (prof[j].first + prof[j + 1].first);
      // The tread faces away from the axle, the walls away from the wheel's middle.
      bool tread = j >= 2 && j <= 4;
      Vec3 out = tread ? normalised(radial) : normalised(radial) * 0.4f + v3(xs > 0 ? 1.0f : -1.0f, 0, 0);
      tyre.flatQuad(p0, p1, p2, p3, out);
    }
    // The inner face closed by a dark disc, the outer face by the rim.
    hub.flatTri(v3(-halfW + 0.2f, 0, 0), at(-halfW + 0.2f, rimR, a0), at(-halfW + 0.2f, rimR, a1), v3(-1, 0, 0));
    hub.flatTri(v3(1.0f, 0, 0), at(1.0f, rimR, a0), at(1.0f, rimR, a1), v3(1, 0, 0));
    // Rim lip and the outer ring.
    rim.flatQuad(at(halfW, rimR, a0), at(halfW - 0.6f, rimR - 1.2f, a0), at(halfW - 0.6f, rimR - 1.2f, a1),
                 at(halfW, rimR, a1), v3(1, 0, 0));
    rim.flatQuad(at(halfW - 0.6f, rimR - 1.2f, a0), at(1.0f, rimR - 1.2f, a0), at(1.0f, rimR - 1.2f, a1),
                 at(halfW - 0.6f, rimR - 1.2f, a1), v3(0, -std::cos(0.5f * (a0 + a1)), -std::sin(0.5f * (a0 + a1))));
  }
  // Five spokes and the hub cap.
  for (int k = 0; k < 5; ++k) {
    float a = 2 * kPi * k / 5;
    Vec3 dir = v3(0, std::cos(a), std::sin(a)), across = v3(0, -std::sin(a), std::cos(a));
    Vec3 p0 = v3(3.2f, 0, 0) + dir * 1.6f - across * 1.1f, p1 = v3(3.2f, 0, 0) + dir * 1.6f + across * 1.1f;
    Vec3 p2 = v3(2.2f, 0, 0) + dir * (rimR - 1.1f) + across * 0.8f, p3 = v3(2.2f, 0, 0) + dir * (rimR - 1.1f) - across * 0.8f;
    rim.flatQuad(p0, p1, p2, p3, v3(1, 0, 0));
    rim.flatQuad(p0 - v3(0.8f, 0, 0), p1 - v3(0.8f, 0, 0), p2 - v3(0.8f, 0, 0), p3 - v3(0.8f, 0, 0), v3(-1, 0, 0));
  }
  for (int i = 0; i < 10; ++i) {
    float a0 = 2 * kPi * i / 10, a1 = 2 * kPi * (i + 1) / 10;
    rim.flatTri(v3(3.6f, 0, 0), at(3.2f, 1.9f, a0), at(3.2f, 1.9f, a1), v3(1, 0, 0));
  }
  ModelFile f;
  f.shapes = {tyre, hub, rim};
  return f;
}

// ---- Scenery -------------------------------------------------------------------------------
namespace {
const char* kTexBark = "Data/Textures/Bark.tga";
const char* kTexFrond = "Data/Textures/Frond.tga";
const char* kTexBush = "Data/Textures/Bush.tga";
const char* kTexWall = "Data/Textures/HouseWall.tga";
const char* kTexRoof = "Data/Textures/RoofTiles.tga";
const char* kTexSky = "Data/Textures/Sky.tga";

Material leafMaterial() { return paintLike(v3(1, 1, 1), v3(0.05f, 0.05f, 0.05f), 0.1f); }

// How finely a palm is built. Seen from the road a trunk is a few pixels
// wide: five sides read as round. The far version is what a palm looks like
// from where it covers a few pixels: straight three-sided trunks and flat
// fronds, about a third of the triangles.
struct PalmDetail {
  int sides;     // around each trunk
  int maxRings;  // along each trunk, at most
  int frondSegments;
};
const PalmDetail kNearPalm = {5, 8, 2};
const PalmDetail kFarPalm = {3, 1, 1};

// A tapered trunk along a gentle curve from `base` to `top`.
void addTrunk(Mesh& m, Vec3 base, Vec3 top, float r0, float r1, Vec3 bend, int rings,
              const PalmDetail& detail) {
  const int sides = detail.sides;
  rings = std::min(rings, detail.maxRings);
  std::vector<std::vector<int>> idx(rings + 1);
  for (int k = 0; k <= rings; ++k) {
    float t = float(k) / rings;
    Vec3 c = base + (top - base) * t + bend * std::sin(t * kPi);
    float r = r0 + (r1 - r0) * t;
    for (int i = 0; i <= sides; ++i) {
      float a = 2 * kPi * i / sides;
      Vec3 n = v3(std::cos(a), 0, std::sin(a));
      idx[k].push_back(m.add(c + n * r, n, float(i) / sides, t * length(top - base) / 40.0f));
    }
  }
  for (int k = 0; k < rings; ++k)
    for (int i = 0; i < sides; ++i) {
      int a = idx[k][i], b = idx[k][i + 1], c = idx[k + 1][i + 1], d = idx[k + 1][i];
      m.triangle(a, c, b);
      m.triangle(a, d, c);
    }
}

// One palm frond: a drooping strip of two quads, the leaf picture along it;
// far away one quad.
void addFrond(Mesh& m, Vec3 crown, float yaw, float len, float width, float lift, const PalmDetail& detail) {
  Vec3 dir = v3(std::sin(yaw), 0, std::cos(yaw)), across = v3(std::cos(yaw), 0, -std::sin(yaw));
  const int n = detail.frondSegments;
  int prevL = -1, prevR = -1;
  for (int k = 0; k <= n; ++k) {
    float t = float(k) / n;
    // Rises a little, then hangs down towards the tip.
    Vec3 c = crown + dir * (len * t) + v3(0, lift * t - (lift + len * 0.55f) * t * t, 0);
    // Wide enough at the base that the straight edge still holds the leaf's outline.
    float w = width * (k == 0 ? 0.5f : (k == n ? 0.35f : 1.0f)) * 0.5f;
    Vec3 up = normalised(cross(across, dir) * -1.0f + v3(0, 0.3f, 0));
    int l = m.add(c - across * w, up, 0, t), r = m.add(c + across * w, up, 1, t);
    if (prevL >= 0) {
      m.triangle(prevL, prevR, r);
      m.triangle(prevL, r, l);
    }
    prevL = l;
    prevR = r;
  }
}

void palmCrown(Mesh& leaves, Vec3 crown, int fronds, float len, float width, float phase,
               const PalmDetail& detail) {
  for (int i = 0; i < fronds; ++i) {
    float yaw = phase + 2 * kPi * i / fronds;
    float lift = (i % 2) ? 18.0f : 8.0f;
    addFrond(leaves, crown, yaw, len * ((i % 3) ? 1.0f : 0.85f), width, lift, detail);
  }
}

ModelFile palm(const PalmDetail& d) {
  Mesh bark = makeMesh("Trunk", leafMaterial(), kTexBark);
  Mesh leaves = makeMesh("Fronds", leafMaterial(), kTexFrond);
  addTrunk(bark, v3(0, -6, 0), v3(6, 148, 2), 6.5f, 3.8f, v3(5, 0, 2), 3, d);
  palmCrown(leaves, v3(6, 147, 2), 9, 62, 30, 0.3f, d);
  ModelFile f;
  f.shapes = {bark, leaves};
  return f;
}

ModelFile palm2(const PalmDetail& d) {
  Mesh bark = makeMesh("Trunk", leafMaterial(), kTexBark);
  Mesh leaves = makeMesh("Fronds", leafMaterial(), kTexFrond);
  addTrunk(bark, v3(-4, -8, 0), v3(-30, 232, 6), 8.5f, 4.8f, v3(-8, 0, 0), 4, d);
  addTrunk(bark, v3(5, -8, 2), v3(28, 196, -10), 8.0f, 4.5f, v3(10, 0, -4), 4, d);
  palmCrown(leaves, v3(-30, 231, 6), 10, 78, 38, 0.1f, d);
  palmCrown(leaves, v3(28, 195, -10), 9, 70, 34, 0.5f, d);
  ModelFile f;
  f.shapes = {bark, leaves};
  return f;
}
}  // namespace

ModelFile buildPalm() { return palm(kNearPalm); }
ModelFile buildPalm2() { return palm2(kNearPalm); }
ModelFile buildPalmFar() { return palm(kFarPalm); }
ModelFile buildPalm2Far() { return palm2(kFarPalm); }

ModelFile buildBush() {
  Mesh m = makeMesh("Foliage", leafMaterial(), kTexBush);
  const float r = 31, h = 36;
  // Three upright cards crossing at the centre, and a lid.
  for (int i = 0; i < 3; ++i) {
    float a = kPi * i / 3;
    Vec3 d = v3(std::cos(a), 0, std::sin(a));
    Vec3 n = v3(-d.z, 0.4f, d.x);
    int p0 = m.add(d * -r + v3(0, -3, 0), n, 0, 0), p1 = m.add(d * r + v3(0, -3, 0), n, 1, 0);
    int p2 = m.add(d * r + v3(0, h, 0), n, 1, 1), p3 = m.add(d * -r + v3(0, h, 0), n, 0, 1);
    m.triangle(p0, p1, p2);
    m.triangle(p0, p2, p3);
  }
  int q0 = m.add(v3(-22, 24, -22), v3(0, 1, 0), 0, 0), q1 = m.add(v3(22, 24, -22), v3(0, 1, 0), 1, 0);
  int q2 = m.add(v3(22, 24, 22), v3(0, 1, 0), 1, 1), q3 = m.add(v3(-22, 24, 22), v3(0, 1, 0), 0, 1);
  m.triangle(q0, q2, q1);
  m.triangle(q0, q3, q2);
  ModelFile f;
  f.shapes = {m};
  return f;
}

ModelFile buildHouse() {
  const float hx = 100, hz = 72, wallTop = 112, ridge = 168, eave = 12, base = -45;
  Mesh walls = makeMesh("Walls", paintLike(v3(1, 1, 1), v3(0.05f, 0.05f, 0.05f), 0.1f), kTexWall);
  Mesh roof = makeMesh("Roof", paintLike(v3(1, 1, 1), v3(0.1f, 0.1f, 0.1f), 0.2f), kTexRoof);
  Mesh stone = makeMesh("Plinth", paintLike(v3(0.55f, 0.5f, 0.45f), v3(0, 0, 0), 0.05f));
  Mesh door = makeMesh("Door", paintLike(v3(0.35f, 0.2f, 0.1f), v3(0.1f, 0.1f, 0.1f), 0.2f));
  // Walls: u by 100 units per window bay, v by storey height.
  auto wall = [&](Vec3 a, Vec3 b, Vec3 out) {
    float w = length(b - a);
    int i0 = walls.add(a, out, 0, 0), i1 = walls.add(b, out, w / 100, 0);
    int i2 = walls.add(b + v3(0, wallTop, 0), out, w / 100, 1), i3 = walls.add(a + v3(0, wallTop, 0), out, 0, 1);
    walls.triangle(i0, i1, i2);
    walls.triangle(i0, i2, i3);
    stone.flatQuad(a + v3(0, base, 0), b + v3(0, base, 0), b, a, out);
  };
  Vec3 c00 = v3(-hx, 0, -hz), c10 = v3(hx, 0, -hz), c11 = v3(hx, 0, hz), c01 = v3(-hx, 0, hz);
  wall(c01, c11, v3(0, 0, 1));
  wall(c11, c10, v3(1, 0, 0));
  wall(c10, c00, v3(0, 0, -1));
  wall(c00, c01, v3(-1, 0, 0));
  // Gables at the short ends.
  for (float sx : {-hx, hx}) {
    Vec3 out = v3(sx > 0 ? 1.0f : -1.0f, 0, 0);
    int a = walls.add(v3(sx, wallTop, -hz), out, 0, 1), b = walls.add(v3(sx, wallTop, hz), out, 1.44f, 1);
    int c = walls.add(v3(sx, ridge, 0), out, 0.72f, 1.5f);
    walls.triangle(a, b, c);
  }
  // Roof planes with an overhang; tiles run down the slope.
  for (float sz : {-1.0f, 1.0f}) {
    Vec3 lowL = v3(-hx - eave, wallTop - 8, sz * (hz + eave)), lowR = v3(hx + eave, wallTop - 8, sz * (hz + eave));
    Vec3 topR = v3(hx + eave, ridge, 0), topL = v3(-hx - eave, ridge, 0);
    Vec3 n = normalised(v3(0, hz + eave, sz * (ridge - wallTop + 8)));
    float slope = length(topL - lowL);
    int i0 = roof.add(lowL, n, 0, 0), i1 = roof.add(lowR, n, (2 * hx + 2 * eave) / 60, 0);
    int i2 = roof.add(topR, n, (2 * hx + 2 * eave) / 60, slope / 60), i3 = roof.add(topL, n, 0, slope / 60);
    roof.triangle(i0, i1, i2);
    roof.triangle(i0, i2, i3);
  }
  door.flatQuad(v3(-18, 0, hz + 0.8f), v3(18, 0, hz + 0.8f), v3(18, 58, hz + 0.8f), v3(-18, 58, hz + 0.8f),
                v3(0, 0, 1));
  ModelFile f;
  f.shapes = {walls, roof, stone, door};
  return f;
}

ModelFile buildSky() {
  const float radius = 32000;
  // The picture carries the sky's gradient: the dome only needs to be round.
  const int az = 16;
  const float elev[] = {-25, -8, 0, 6, 15, 30, 50, 70, 90};
  const int rings = int(sizeof elev / sizeof elev[0]);
  Material m;
  m.ambient = 1.0f;
  m.diffuse = v3(1, 1, 1);
  Mesh sky = makeMesh("Dome", m, kTexSky);
  // Texture: u twice round the horizon, v from the lowest ring (0) to the zenith (1).
  std::vector<std::vector<int>> idx(rings);
  for (int r = 0; r < rings; ++r) {
    float e = elev[r] * kPi / 180;
    float v = (elev[r] - elev[0]) / (90 - elev[0]);
    // The zenith ring needs one point per segment only.
    int last = (r + 1 == rings) ? az - 1 : az;
    for (int i = 0; i <= last; ++i) {
      float a = 2 * kPi * (i + (r + 1 == rings ? 0.5f : 0.0f)) / az;
      Vec3 dir = v3(std::cos(e) * std::sin(a), std::sin(e), std::cos(e) * std::cos(a));
      idx[r].push_back(sky.add(dir * radius, dir * -1.0f, 2.0f * i / az, v));
    }
  }
  for (int r = 0; r + 1 < rings; ++r)
    for (int i = 0; i < az; ++i) {
      int a = idx[r][i], b = idx[r][i + 1], d = idx[r + 1][i];
      int c = (r + 2 < rings) ? idx[r + 1][i + 1] : d;
      // Seen from inside: counter-clockwise from the centre.
      if (r + 2 < rings) {
        sky.triangle(a, c, b);
        sky.triangle(a, d, c);
      } else {
        sky.triangle(a, d, b);
      }
    }
  ModelFile f;
  f.shapes = {sky};
  return f;
}

}  // namespace content
