// Internal-edge information for a triangle mesh: for every edge shared by two
// triangles, the angle between them and whether the edge is convex. Bullet
// uses it to keep contacts at the seams of a flat road from pointing sideways.
//
// Bullet's own generator finds neighbours with one tree query per triangle;
// here they come from a map of shared edges, which is several times faster on
// large tracks. The stored values are those Bullet's contact adjustment reads.
#include <BulletCollision/CollisionShapes/btTriangleInfoMap.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "engine/internal.h"

namespace nxe {
namespace {

// Vertices at the same position are the same vertex, whatever their index.
struct PositionKey {
  uint32_t bits[3];
  bool operator==(const PositionKey& o) const { return std::memcmp(bits, o.bits, sizeof bits) == 0; }
};
struct PositionHash {
  size_t operator()(const PositionKey& k) const {
    return (size_t(k.bits[0]) * 73856093u) ^ (size_t(k.bits[1]) * 19349663u) ^ (size_t(k.bits[2]) * 83492791u);
  }
};

template <class K, class V, class H = std::hash<K>>
using HashMap = std::unordered_map<K, V, H, std::equal_to<K>, EngineStdAllocator<std::pair<const K, V>>>;

struct Side {
  uint32_t triangle;
  int corner;  // the edge runs from corner to corner + 1 (mod 3)
};

btVector3 corner(const Vec<NxVec3>& v, const Vec<NxU32>& idx, uint32_t t, int c) {
  return toBt(v[idx[t * 3 + c]]);
}

// Records, for triangle A, its edge shared with triangle B. `normals` holds
// each triangle's unit normal by its winding.
void recordEdge(btTriangleInfoMap& map, const Vec<NxVec3>& v, const Vec<NxU32>& idx, const Vec<btVector3>& normals,
                const Side& a, const Side& b) {
  btVector3 A[3] = {corner(v, idx, a.triangle, 0), corner(v, idx, a.triangle, 1), corner(v, idx, a.triangle, 2)};
  btVector3 B[3] = {corner(v, idx, b.triangle, 0), corner(v, idx, b.triangle, 1), corner(v, idx, b.triangle, 2)};
  // Edges are named V0V1, V1V2 and V2V0, in that direction.
  int from = a.corner, to = (a.corner + 1) % 3, otherA = (a.corner + 2) % 3;
  // B runs along the same edge the other way round (or the same way, if the
  // winding differs); find its corners at A's `from` and `to`.
  int bFrom, bTo;
  if (B[b.corner] == A[from]) {
    bFrom = b.corner;
    bTo = (b.corner + 1) % 3;
  } else {
    bTo = b.corner;
    bFrom = (b.corner + 1) % 3;
  }
  int otherB = 3 - bFrom - bTo;

  btVector3 normalA = normals[a.triangle];
  // B's normal taken with the shared edge reversed relative to A's corners:
  // its own normal when B runs the edge the other way, as a consistently
  // wound neighbour does.
  btVector3 normalB = bTo == (bFrom + 1) % 3 ? -normals[b.triangle] : normals[b.triangle];
  btVector3 edge = (A[to] - A[from]).normalized();
  // In-plane directions from the edge into each triangle.
  btVector3 intoA = edge.cross(normalA).normalized();
  if (intoA.dot(A[otherA] - A[from]) < 0) intoA = -intoA;
  btVector3 intoB = edge.cross(normalB).normalized();
  if (intoB.dot(B[otherB] - B[bFrom]) < 0) intoB = -intoB;

  btScalar corrected = 0;
  bool convex = false;
  btVector3 axis = intoA.cross(intoB);
  if (axis.length2() >= map.m_planarEpsilon) {
    axis.normalize();
    btVector3 up = axis.cross(intoA).normalized();
    btScalar opening = std::atan2(intoB.dot(up), intoB.dot(intoA));
    btScalar bend = SIMD_PI - opening;
    convex = normalA.dot(intoB) < 0;
    corrected = convex ? bend : -bend;
  }

  int key = static_cast<int>(a.triangle);  // one part: the key is the triangle index
  btTriangleInfo* info = map.find(btHashInt(key));
  if (!info) {
    map.insert(btHashInt(key), btTriangleInfo());
    info = map.find(btHashInt(key));
  }
  // The rotation axis runs against the edge's own direction, as Bullet stores it.
  btVector3 rotationAxis = A[from] - A[to];
  btVector3 predictedB = corrected == 0 ? normalA : quatRotate(btQuaternion(rotationAxis, -corrected), normalA);
  bool swap = predictedB.dot(normalB) < 0;
  if (from == 0) {
    info->m_edgeV0V1Angle = -corrected;
    if (convex) info->m_flags |= TRI_INFO_V0V1_CONVEX;
    if (swap) info->m_flags |= TRI_INFO_V0V1_SWAP_NORMALB;
  } else if (from == 1) {
    info->m_edgeV1V2Angle = -corrected;
    if (convex) info->m_flags |= TRI_INFO_V1V2_CONVEX;
    if (swap) info->m_flags |= TRI_INFO_V1V2_SWAP_NORMALB;
  } else {
    info->m_edgeV2V0Angle = -corrected;
    if (convex) info->m_flags |= TRI_INFO_V2V0_CONVEX;
    if (swap) info->m_flags |= TRI_INFO_V2V0_SWAP_NORMALB;
  }
}

}  // namespace

constexpr size_t kMaxTrianglesOnEdge = 16;

void buildEdgeInfo(const Vec<NxVec3>& vertices, const Vec<NxU32>& indices, btTriangleInfoMap& map) {
  // Weld by position so that duplicated vertices still join their triangles.
  Vec<uint32_t> weld(vertices.size());
  HashMap<PositionKey, uint32_t, PositionHash> byPosition;
  byPosition.reserve(vertices.size());
  for (size_t i = 0; i < vertices.size(); ++i) {
    PositionKey k;
    std::memcpy(k.bits, &vertices[i], sizeof k.bits);
    weld[i] = byPosition.emplace(k, static_cast<uint32_t>(i)).first->second;
  }
  // Every edge of every usable triangle, keyed by its two welded vertices;
  // sorting brings the triangles that share an edge together.
  struct EdgeRef {
    uint64_t key;
    Side side;
    bool operator<(const EdgeRef& o) const {
      return key != o.key ? key < o.key : side.triangle < o.side.triangle;
    }
  };
  size_t triangles = indices.size() / 3;
  Vec<EdgeRef> refs;
  refs.reserve(triangles * 3);
  Vec<btVector3> normals(triangles);
  for (uint32_t t = 0; t < triangles; ++t) {
    btVector3 a = corner(vertices, indices, t, 0), b = corner(vertices, indices, t, 1);
    btVector3 c = corner(vertices, indices, t, 2);
    btVector3 n = (b - a).cross(c - a);
    if (n.length2() < map.m_equalVertexThreshold) continue;  // degenerate
    normals[t] = n.normalized();
    for (int k = 0; k < 3; ++k) {
      uint64_t p = weld[indices[t * 3 + k]], q = weld[indices[t * 3 + (k + 1) % 3]];
      if (p == q) continue;
      refs.push_back({p < q ? (p << 32 | q) : (q << 32 | p), Side{t, k}});
    }
  }
  std::sort(refs.begin(), refs.end());
  for (size_t first = 0; first < refs.size();) {
    size_t end = first + 1;
    while (end < refs.size() && refs[end].key == refs[first].key) ++end;
    // A sound surface has two triangles on an edge, overlapping pieces a few
    // more. Pairing every triangle of a fan of thousands on one edge would take
    // quadratic time (a damaged track could stall the race start for minutes),
    // and such an edge has no single neighbour to smooth against anyway.
    if (end - first > kMaxTrianglesOnEdge) {
      first = end;
      continue;
    }
    for (size_t i = first; i < end; ++i)
      for (size_t j = first; j < i; ++j) {
        recordEdge(map, vertices, indices, normals, refs[i].side, refs[j].side);
        recordEdge(map, vertices, indices, normals, refs[j].side, refs[i].side);
      }
    first = end;
  }
}

}  // namespace nxe
