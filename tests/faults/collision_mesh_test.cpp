// Collision meshes cooked from damaged or hostile track models: the engine
// accepts them in bounded time and memory or refuses them, never hangs.
#include <gtest/gtest.h>

#include <vector>

#include "engine/NxCooking.h"
#include "engine/NxPhysics.h"
#include "physics/stream.h"

namespace {

NxTriangleMesh* cookAndLoad(NxPhysicsSDK& sdk, const std::vector<float>& points, const std::vector<NxU32>& triangles) {
  NxTriangleMeshDesc desc;
  desc.numVertices = static_cast<NxU32>(points.size() / 3);
  desc.numTriangles = static_cast<NxU32>(triangles.size() / 3);
  desc.pointStrideBytes = 12;
  desc.triangleStrideBytes = 12;
  desc.points = points.data();
  desc.triangles = triangles.data();
  MemoryWriteStream written;
  if (!NxCookTriangleMesh(desc, written)) return nullptr;
  MemoryReadStream reader(written.data, written.currentSize);
  return sdk.createTriangleMesh(reader);
}

// A hundred thousand triangles hinged on one edge: pairing them all would be
// five billion pairs, a race start that never ends.
TEST(CollisionMesh, FanOfTrianglesOnOneEdgeIsBuiltAtOnce) {
  NxPhysicsSDK* sdk = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION);
  ASSERT_NE(sdk, nullptr);
  const NxU32 fan = 100000;
  std::vector<float> points = {0, 0, 0, 100, 0, 0};
  std::vector<NxU32> triangles;
  for (NxU32 k = 0; k < fan; ++k) {
    points.insert(points.end(), {50, 10 + 0.001f * k, 0.5f * k});
    triangles.insert(triangles.end(), {0, 1, k + 2});
  }
  NxTriangleMesh* mesh = cookAndLoad(*sdk, points, triangles);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->getNbTriangles(), fan);
  sdk->releaseTriangleMesh(*mesh);
  NxReleasePhysicsSDK(sdk);
}

// A header asking for the most a cooked mesh may hold, with almost no bytes
// behind it, and one asking for more than that.
TEST(CollisionMesh, CountsBeyondTheLimitAreRefusedUnread) {
  NxPhysicsSDK* sdk = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION);
  ASSERT_NE(sdk, nullptr);
  const NxU32 header[5] = {NX_COOKED_MESH_MAGIC, NX_COOKED_MESH_VERSION, 0, NX_COOKED_MESH_MAX_COUNT + 1, 1};
  MemoryReadStream tooMany(reinterpret_cast<const NxU8*>(header), sizeof header);
  EXPECT_EQ(sdk->createTriangleMesh(tooMany), nullptr);
  std::vector<float> points((size_t(NX_COOKED_MESH_MAX_COUNT) + 1) * 3, 0.0f);
  const NxU32 triangle[3] = {0, 1, 2};
  NxTriangleMeshDesc desc;
  desc.numVertices = NX_COOKED_MESH_MAX_COUNT + 1;
  desc.numTriangles = 1;
  desc.pointStrideBytes = 12;
  desc.triangleStrideBytes = 12;
  desc.points = points.data();
  desc.triangles = triangle;
  MemoryWriteStream written;
  EXPECT_FALSE(NxCookTriangleMesh(desc, written));
  EXPECT_EQ(written.currentSize, 0u);
  NxReleasePhysicsSDK(sdk);
}

}  // namespace
