// The race world: set-up values, triggers, the cooked track, releasing the
// previous race's world, and a world whose engine is missing.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cmath>
#include <cstdint>

#include "car_harness.h"
#include "physics/allocator.h"

namespace {

class PhysicsWorld : public testing::Test {
 protected:
  void SetUp() override { harness::makeFlat(gWorld.trackCollide); }
  void TearDown() override { releasePhysicsWorld(); }
};

TEST_F(PhysicsWorld, SetUpBuildsSceneMaterialTrackAndCar) {
  ASSERT_TRUE(harness::buildWorld(0, 0, 0, true));
  NxMaterial* m = gPhysicsScene->getMaterialFromIndex(0);
  EXPECT_FLOAT_EQ(m->getRestitution(), 0);
  EXPECT_FLOAT_EQ(m->getStaticFriction(), 0.1f);
  EXPECT_FLOAT_EQ(m->getDynamicFriction(), 0.9f);
  EXPECT_FLOAT_EQ(gPhysicsSdk->getParameter(NX_SKIN_WIDTH), 0.01f);
  NxVec3 g;
  gPhysicsScene->getGravity(g);
  EXPECT_EQ(g, NxVec3(0, -9.81f, 0));
  NxReal step;
  NxU32 iterations;
  NxTimeStepMethod method;
  gPhysicsScene->getTiming(step, iterations, method);
  EXPECT_FLOAT_EQ(step, 1.0f / 60);
  EXPECT_EQ(iterations, 8u);
  EXPECT_EQ(method, NX_TIMESTEP_FIXED);
  EXPECT_NE(gTrackActor, nullptr);
  ASSERT_NE(gCarActor, nullptr);
  EXPECT_NE(gPhysicsAllocator, nullptr);
  EXPECT_GT(gPhysicsAllocator->liveBlocks(), 0u);  // the engine really allocates through it
  // Triggers, track, car: five actors.
  EXPECT_EQ(gPhysicsScene->getNbActors(), 5u);
}

TEST_F(PhysicsWorld, TriggersCarryTheirIdsPosesAndTriggerFlags) {
  ASSERT_TRUE(harness::buildWorld(0, 0, 0, true));
  const int ids[3] = {-1, -2, -3};
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(gCheckpointTriggers[i], nullptr);
    EXPECT_EQ(reinterpret_cast<intptr_t>(gCheckpointTriggers[i]->userData), ids[i]);
    EXPECT_FALSE(gCheckpointTriggers[i]->isDynamic());
    NxShape* shape = gCheckpointTriggers[i]->getShapes()[0];
    EXPECT_EQ(shape->getFlags() & NX_TRIGGER_ENABLE, unsigned(NX_TRIGGER_ENABLE));
  }
  NxMat34 pose = gCheckpointTriggers[1]->getGlobalPose();
  EXPECT_EQ(pose.t, NxVec3(2065, 765, -40));
  // 262 degrees about +y: the box's x axis turned accordingly.
  float a = 262 * 0.017453292f;
  NxVec3 x = pose.M.getColumn(0);
  EXPECT_NEAR(x.x, std::cos(a), 1e-5);
  EXPECT_NEAR(x.z, -std::sin(a), 1e-5);
  NxQuat q = rotationAboutAxis(NxVec3(0, 2, 0), 262);
  EXPECT_NEAR(q.y, std::sin(a / 2), 1e-6);
  EXPECT_NEAR(q.w, std::cos(a / 2), 1e-6);
}

TEST_F(PhysicsWorld, TheCarEntersAndLeavesTheFinishLine) {
  // Start 300 units before the finish line's centre, heading across it.
  float a = 236 * 0.017453292f;
  NxVec3 across(std::cos(a), 0, -std::sin(a));  // the gate's thin axis
  float heading = std::atan2(across.x, across.z) / 0.017453292f;
  ASSERT_TRUE(harness::buildWorld(-4065 - 300 * across.x, 1850 - 300 * across.z, heading, true));
  int touchedBefore = gNbTouchedBodies;
  harness::Runner r;
  r.run(0.5);
  harness::holdKey(kAccelerate, true);
  bool entered = r.runUntil(6, [] { return gLastTrigger == -3; });
  EXPECT_TRUE(entered);
  EXPECT_EQ(gNbTouchedBodies, touchedBefore + 1);
  bool left = r.runUntil(6, [] { return gLastTrigger == 0; });
  harness::holdKey(kAccelerate, false);
  EXPECT_TRUE(left);
  EXPECT_EQ(gNbTouchedBodies, touchedBefore);
}

TEST_F(PhysicsWorld, ATrackShapeWithoutTrianglesGivesNoMeshAndNoTrackActor) {
  Shape& s = gWorld.trackCollide.shapes[0];
  s.indices.clear();
  s.triangleCount = 0;
  ASSERT_TRUE(harness::buildWorld());
  EXPECT_EQ(gTrackActor, nullptr);
  EXPECT_EQ(gTrackMeshDesc.numTriangles, 0u);
  gWorld.trackCollide.shapes.clear();  // no shape at all
  EXPECT_EQ(cookTrackMesh(), nullptr);
}

TEST_F(PhysicsWorld, CookingCopiesShapeZeroAndSkipsTrianglesNamingMissingVertices) {
  Shape& s = gWorld.trackCollide.shapes[0];
  int triangles = s.triangleCount;
  s.indices[1] = s.vertexCount + 5;  // a damaged file
  ASSERT_TRUE(harness::buildWorld());
  ASSERT_NE(gTrackActor, nullptr);
  EXPECT_EQ(gTrackMeshDesc.numVertices, unsigned(s.vertexCount));
  EXPECT_EQ(gTrackMeshDesc.numTriangles, unsigned(triangles - 1));
  EXPECT_EQ(gTrackMeshDesc.pointStrideBytes, 12u);
  EXPECT_EQ(gTrackMeshDesc.triangleStrideBytes, 12u);
  EXPECT_EQ(gTrackMeshDesc.flags, 0u);
  EXPECT_EQ(gCollisionTriangles[3], s.indices[3]);  // winding kept
  EXPECT_EQ(gCollisionVertices[4], s.coordinates[1][1]);
}

TEST_F(PhysicsWorld, MemoryStaysFlatOverManyRaces) {
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(harness::buildWorld());
  size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(harness::buildWorld());
    harness::Runner r;
    r.run(0.2);
  }
  size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 64 * 1024) << before << " -> " << after;
}

TEST_F(PhysicsWorld, WithoutAnEngineEveryCarFunctionIsSafe) {
  releasePhysicsWorld();
  EXPECT_EQ(gPhysicsSdk, nullptr);
  EXPECT_EQ(gPhysicsScene, nullptr);
  EXPECT_EQ(gCarActor, nullptr);
  EXPECT_EQ(createCheckpointTrigger(NxVec3(1, 1, 1)), nullptr);
  EXPECT_EQ(cookTrackMesh(), nullptr);
  EXPECT_EQ(createCar(NxVec3(0, 0, 0), 0), nullptr);
  EXPECT_EQ(createCarBody(NxVec3(0, 0, 0), NxVec3(1, 1, 1), 1), nullptr);
  EXPECT_EQ(createWheel(nullptr, WheelSetup{NxVec3(0, 0, 0), 1, 1, 1, 0}), nullptr);
  harness::holdKey(kAccelerate, true);
  gRaceClock = 1;
  updateVehicleControls();
  readVehicleState();
  gRaceFinished = true;
  brakeFinishedCar();
  gRaceFinished = false;
  updateCarSpeed();
  harness::holdKey(kAccelerate, false);
  releasePhysicsWorld();  // twice is fine
}

}  // namespace
