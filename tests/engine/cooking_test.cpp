// Cooking into the engine's own format and reading it back.
#include <algorithm>

#include "engine_fixture.h"

namespace {

NxU32 le32(const std::vector<NxU8>& b, size_t at) {
  return NxU32(b[at]) | NxU32(b[at + 1]) << 8 | NxU32(b[at + 2]) << 16 | NxU32(b[at + 3]) << 24;
}

TEST(EngineCooking, WritesTheDocumentedLittleEndianRecord) {
  std::vector<float> points;
  std::vector<NxU32> triangles;
  NxTriangleMeshDesc desc = flatSquare(points, triangles, 50);
  VectorStream stream;
  ASSERT_TRUE(NxCookTriangleMesh(desc, stream));
  ASSERT_EQ(stream.bytes.size(), 20u + 4 * 12 + 2 * 12);
  EXPECT_EQ(le32(stream.bytes, 0), NX_COOKED_MESH_MAGIC);
  EXPECT_EQ(le32(stream.bytes, 4), NX_COOKED_MESH_VERSION);
  EXPECT_EQ(le32(stream.bytes, 12), 4u);
  EXPECT_EQ(le32(stream.bytes, 16), 2u);
  EXPECT_EQ(le32(stream.bytes, 20 + 48 + 4), 2u);  // second index of the first triangle
}

TEST(EngineCooking, RoundTripKeepsVerticesAndWinding) {
  EngineWorld w;
  std::vector<float> points;
  std::vector<NxU32> triangles;
  NxTriangleMeshDesc desc = flatSquare(points, triangles, 50);
  VectorStream stream;
  ASSERT_TRUE(NxCookTriangleMesh(desc, stream));
  NxTriangleMesh* mesh = w.sdk->createTriangleMesh(stream);
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->getNbVertices(), 4u);
  ASSERT_EQ(mesh->getNbTriangles(), 2u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(mesh->getTriangles()[i], triangles[i]);
  EXPECT_EQ(mesh->getVertices()[3], NxVec3(50, 0, 50));
}

TEST(EngineCooking, SixteenBitIndicesAndStridesAreRead) {
  EngineWorld w;
  float points[4][4] = {{0, 0, 0, 9}, {1, 0, 0, 9}, {0, 0, 1, 9}, {1, 0, 1, 9}};  // 16-byte stride
  NxU16 tris[2][4] = {{0, 2, 1, 7}, {1, 2, 3, 7}};                               // 8-byte stride
  NxTriangleMeshDesc desc;
  desc.numVertices = 4;
  desc.numTriangles = 2;
  desc.pointStrideBytes = 16;
  desc.triangleStrideBytes = 8;
  desc.points = points;
  desc.triangles = tris;
  desc.flags = NX_MF_16_BIT_INDICES;
  VectorStream stream;
  ASSERT_TRUE(NxCookTriangleMesh(desc, stream));
  NxTriangleMesh* mesh = w.sdk->createTriangleMesh(stream);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->getTriangles()[5], 3u);
  EXPECT_EQ(mesh->getVertices()[3], NxVec3(1, 0, 1));
}

TEST(EngineCooking, UnusableInputWritesNothingAndForeignBytesGiveNoMesh) {
  EngineWorld w;
  std::vector<float> points;
  std::vector<NxU32> triangles;
  NxTriangleMeshDesc desc = flatSquare(points, triangles, 50);
  triangles[4] = 4;  // one past the last vertex
  VectorStream bad;
  EXPECT_FALSE(NxCookTriangleMesh(desc, bad));
  EXPECT_TRUE(bad.bytes.empty());
  NxTriangleMeshDesc empty;
  VectorStream none;
  EXPECT_FALSE(NxCookTriangleMesh(empty, none));
  EXPECT_EQ(w.sdk->createTriangleMesh(none), nullptr);
  VectorStream foreign;
  foreign.storeDword(0x12345678).storeDword(1).storeDword(0).storeDword(3).storeDword(1);
  EXPECT_EQ(w.sdk->createTriangleMesh(foreign), nullptr);
}

TEST(EngineCooking, AMeshCarriesABoxThatFallsOntoIt) {
  EngineWorld w;
  std::vector<float> points;
  std::vector<NxU32> triangles;
  NxTriangleMeshDesc desc = flatSquare(points, triangles, 100);
  VectorStream stream;
  NxCookTriangleMesh(desc, stream);
  NxTriangleMeshShapeDesc shape;
  shape.meshData = w.sdk->createTriangleMesh(stream);
  NxActorDesc actor;
  actor.shapes.pushBack(&shape);
  ASSERT_NE(w.scene->createActor(actor), nullptr);
  NxActor* box = w.box(NxVec3(0, 5, 0), NxVec3(1, 1, 1), true);
  for (int i = 0; i < 180; ++i) w.frame(1.0f / 60);
  EXPECT_NEAR(box->getGlobalPosition().y, 1, 0.1);
}

}  // namespace

namespace {

// A box sliding fast across a road made of many triangles must not be kicked
// up where the triangles meet.
TEST(EngineCooking, SeamsBetweenTrianglesDoNotKickASlidingBox) {
  EngineWorld w;
  w.scene->getMaterialFromIndex(0)->setDynamicFriction(0);
  const int cells = 40;
  const float size = 4000;
  std::vector<float> points;
  std::vector<NxU32> triangles;
  for (int j = 0; j <= cells; ++j)
    for (int i = 0; i <= cells; ++i) {
      points.push_back(-size / 2 + size * i / cells);
      points.push_back(0);
      points.push_back(-size / 2 + size * j / cells);
    }
  for (int j = 0; j < cells; ++j)
    for (int i = 0; i < cells; ++i) {
      NxU32 a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
      NxU32 quad[6] = {a, c, b, b, c, d};
      triangles.insert(triangles.end(), quad, quad + 6);
    }
  NxTriangleMeshDesc desc;
  desc.numVertices = static_cast<NxU32>(points.size() / 3);
  desc.numTriangles = static_cast<NxU32>(triangles.size() / 3);
  desc.pointStrideBytes = 12;
  desc.triangleStrideBytes = 12;
  desc.points = points.data();
  desc.triangles = triangles.data();
  VectorStream stream;
  ASSERT_TRUE(NxCookTriangleMesh(desc, stream));
  NxTriangleMeshShapeDesc shape;
  shape.meshData = w.sdk->createTriangleMesh(stream);
  NxActorDesc actor;
  actor.shapes.pushBack(&shape);
  ASSERT_NE(w.scene->createActor(actor), nullptr);
  NxActor* box = w.box(NxVec3(-1500, 2, 7), NxVec3(20, 2, 20), true);
  for (int i = 0; i < 60; ++i) w.frame(1.0f / 60);  // settle
  box->setLinearVelocity(NxVec3(900, 0, 0));
  float highest = 0;
  for (int i = 0; i < 150; ++i) {
    w.frame(1.0f / 60);
    highest = std::max(highest, box->getLinearVelocity().y);
  }
  EXPECT_GT(box->getGlobalPosition().x, 0);  // it really crossed many seams
  EXPECT_LT(highest, 1.0f);  // without the edge information: over 100
}

}  // namespace
