// Fixed stepping, the result buffer, forces, triggers and memory routing.
#include <cstdint>
#include <utility>
#include <vector>

#include "engine_fixture.h"

namespace {

const float kStep = 1.0f / 60;

TEST(EngineStepping, FramesShorterThanAStepMoveNothingUntilTheyAddUp) {
  EngineWorld w;
  NxActor* box = w.box(NxVec3(0, 100, 0), NxVec3(1, 1, 1), true);
  w.frame(0.01f);
  EXPECT_EQ(w.scene->getSubStepCount(), 0u);
  EXPECT_FLOAT_EQ(box->getGlobalPosition().y, 100);
  w.frame(0.01f);  // 0.02 s carried: one sub-step, 0.0033 s left over
  EXPECT_EQ(w.scene->getSubStepCount(), 1u);
  EXPECT_LT(box->getGlobalPosition().y, 100);
  w.frame(0.0134f);  // 0.0167 s: the next one
  EXPECT_EQ(w.scene->getSubStepCount(), 2u);
}

TEST(EngineStepping, LongFramesAreCappedAtEightStepsAndTheExcessDropped) {
  EngineWorld w;
  w.box(NxVec3(0, 100, 0), NxVec3(1, 1, 1), true);
  w.frame(0.51f);  // 30.6 steps' worth
  NxReal maxStep;
  NxU32 maxIter, lastSteps;
  NxTimeStepMethod method;
  w.scene->getTiming(maxStep, maxIter, method, &lastSteps);
  EXPECT_EQ(lastSteps, 8u);
  EXPECT_EQ(w.scene->getSubStepCount(), 8u);
  w.frame(0.007f);  // only the 0.01 s fraction was carried: 0.017 s makes one step
  EXPECT_EQ(w.scene->getSubStepCount(), 9u);
  w.frame(0.0f);
  w.frame(-1.0f);   // nonsense time moves nothing
  EXPECT_EQ(w.scene->getSubStepCount(), 9u);
}

TEST(EngineStepping, EveryTickRequestIsExactlyOneStepForAnHour) {
  // Summed in float, 1/60 would drift and now and then give none or two.
  EngineWorld w;
  w.box(NxVec3(0, 100, 0), NxVec3(1, 1, 1), true);
  for (NxU32 i = 1; i <= 60u * 60 * 60; ++i) {
    w.scene->simulate(kStep);
    if (w.scene->getSubStepCount() != i) FAIL() << "request " << i << " gave " << w.scene->getSubStepCount();
  }
}

TEST(EngineStepping, ReadsBeforeTheFetchAreThoseOfTheLastFetchedStep) {
  EngineWorld w;
  NxActor* box = w.box(NxVec3(0, 100, 0), NxVec3(1, 1, 1), true);
  w.frame(kStep);
  NxVec3 fetched = box->getGlobalPosition();
  NxVec3 velocity = box->getLinearVelocity();
  w.scene->simulate(kStep);
  w.scene->flushStream();
  EXPECT_EQ(box->getGlobalPosition(), fetched);
  EXPECT_EQ(box->getLinearVelocity(), velocity);
  EXPECT_EQ(box->getGlobalPose().t, fetched);
  EXPECT_TRUE(w.scene->fetchResults(NX_RIGID_BODY_FINISHED, false));
  EXPECT_LT(box->getGlobalPosition().y, fetched.y);
}

TEST(EngineStepping, ASecondRequestBeforeTheFetchFetchesTheFirstAndGoesOn) {
  EngineWorld w;
  NxActor* box = w.box(NxVec3(0, 100, 0), NxVec3(1, 1, 1), true);
  w.scene->simulate(kStep);
  EXPECT_FLOAT_EQ(box->getGlobalPosition().y, 100);
  w.scene->simulate(kStep);  // neither blocks nor fails
  // The first request is now published; the second waits for its fetch.
  EXPECT_NEAR(box->getLinearVelocity().y, -10 * kStep, 1e-3);
  EXPECT_TRUE(w.scene->fetchResults(NX_RIGID_BODY_FINISHED, false));
  EXPECT_EQ(w.scene->getSubStepCount(), 2u);
  EXPECT_NEAR(box->getLinearVelocity().y, -10 * 2 * kStep, 1e-3);
  // Nothing outstanding: the game's busy wait must still end.
  EXPECT_TRUE(w.scene->fetchResults(NX_RIGID_BODY_FINISHED, false));
}

TEST(EngineStepping, ACallerThatNeverFetchesStillSeesTheWorldMove) {
  EngineWorld w;
  NxActor* box = w.box(NxVec3(0, 100, 0), NxVec3(1, 1, 1), true);
  float last = 100;
  for (int frame = 0; frame < 5; ++frame) {
    w.scene->simulate(0.6f);  // frames so long that the game skips its fetch
    if (frame > 0) {
      EXPECT_LT(box->getGlobalPosition().y, last);
    }
    last = box->getGlobalPosition().y;
  }
}

TEST(EngineStepping, ForcesActOnEveryStepOfOneRequestAndAreThenCleared) {
  EngineWorld w(nullptr, NxVec3(0, 0, 0));
  NxActor* box = w.box(NxVec3(0, 0, 0), NxVec3(1, 1, 1), true);
  float mass = box->getMass();
  EXPECT_NEAR(mass, 8, 1e-4);  // density 1 times the 2 x 2 x 2 box
  box->addForceAtLocalPos(NxVec3(mass * 6, 0, 0), NxVec3(0, 0, 0), NX_FORCE);
  w.frame(2 * kStep);  // two sub-steps
  EXPECT_NEAR(box->getLinearVelocity().x, 6 * 2 * kStep, 1e-4);
  w.frame(2 * kStep);  // no force given this frame
  EXPECT_NEAR(box->getLinearVelocity().x, 6 * 2 * kStep, 1e-4);
  // Off-centre force: a turn as well.
  box->addForceAtLocalPos(NxVec3(0, mass, 0), NxVec3(1, 0, 0), NX_FORCE);
  w.frame(kStep);
  EXPECT_GT(box->getAngularVelocity().z, 0);
}

TEST(EngineStepping, CentreOfMassOffsetKeepsTheActorFrame) {
  EngineWorld w(nullptr, NxVec3(0, 0, 0));
  NxActor* box = w.box(NxVec3(5, 6, 7), NxVec3(2, 1, 3), true);
  EXPECT_EQ(box->getCMassLocalPosition(), NxVec3(0, 0, 0));
  box->setCMassOffsetLocalPosition(NxVec3(0, -3, 0));
  EXPECT_EQ(box->getCMassLocalPosition(), NxVec3(0, -3, 0));
  EXPECT_EQ(box->getGlobalPosition(), NxVec3(5, 6, 7));
  EXPECT_EQ(box->getCMassGlobalPosition(), NxVec3(5, 3, 7));
  w.frame(kStep);
  EXPECT_NEAR(box->getGlobalPosition().y, 6, 1e-4);
}

TEST(EngineStepping, AngularSpeedIsLimitedToSevenByDefault) {
  EngineWorld w(nullptr, NxVec3(0, 0, 0));
  NxActor* box = w.box(NxVec3(0, 0, 0), NxVec3(1, 1, 1), true);
  EXPECT_FLOAT_EQ(box->getMaxAngularVelocity(), 7);
  box->setAngularVelocity(NxVec3(0, 20, 0));
  w.frame(kStep);
  EXPECT_NEAR(box->getAngularVelocity().magnitude(), 7, 1e-3);
}

// Records the reports in order.
struct RecordingReport : NxUserTriggerReport {
  void onTrigger(NxShape& trigger, NxShape& other, NxTriggerFlag status) override {
    intptr_t id = reinterpret_cast<intptr_t>(trigger.getActor().userData);
    events.push_back({static_cast<int>(id), status});
    others.push_back(&other.getActor());
  }
  std::vector<std::pair<int, int>> events;
  std::vector<NxActor*> others;
};

TEST(EngineTriggers, EnterStayLeaveReachTheReportFromTheFetchWithTheTriggerId) {
  EngineWorld w(nullptr, NxVec3(0, 0, 0));
  RecordingReport report;
  w.scene->setUserTriggerReport(&report);
  NxActor* gate = w.box(NxVec3(0, 0, 0), NxVec3(1, 10, 10), false, NX_TRIGGER_ENABLE);
  gate->setGlobalOrientationQuat(NxQuat(90, NxVec3(0, 1, 0)));  // thin along z now
  gate->userData = reinterpret_cast<void*>(static_cast<intptr_t>(-2));
  NxActor* car = w.box(NxVec3(0, 0, -20), NxVec3(2, 2, 2), true);
  car->setLinearVelocity(NxVec3(0, 0, 60));  // one unit per step
  for (int step = 0; step < 45; ++step) w.frame(kStep);
  ASSERT_GE(report.events.size(), 3u);
  EXPECT_EQ(report.events.front(), std::make_pair(-2, int(NX_TRIGGER_ON_ENTER)));
  EXPECT_EQ(report.events.back(), std::make_pair(-2, int(NX_TRIGGER_ON_LEAVE)));
  int enters = 0, leaves = 0, stays = 0;
  for (const auto& e : report.events) {
    enters += e.second == NX_TRIGGER_ON_ENTER;
    leaves += e.second == NX_TRIGGER_ON_LEAVE;
    stays += e.second == NX_TRIGGER_ON_STAY;
  }
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 1);
  // Overlap while |z| < 3 (half widths 1 + 2), one unit per step.
  EXPECT_GE(stays, 3);
  EXPECT_EQ(report.others.front(), car);
  // The gate is not solid: the car went straight through at its own speed.
  EXPECT_NEAR(car->getLinearVelocity().z, 60, 1e-3);
}

TEST(EngineTriggers, EventsWaitForTheFetchOfTheirRequest) {
  EngineWorld w(nullptr, NxVec3(0, 0, 0));
  RecordingReport report;
  w.scene->setUserTriggerReport(&report);
  w.box(NxVec3(0, 0, 0), NxVec3(5, 5, 5), false, NX_TRIGGER_ENABLE);
  w.box(NxVec3(0, 0, 0), NxVec3(1, 1, 1), true);
  w.scene->simulate(kStep);
  EXPECT_TRUE(report.events.empty());
  w.scene->simulate(kStep);  // fetches the first request on the way
  ASSERT_EQ(report.events.size(), 1u);
  EXPECT_EQ(report.events[0].second, NX_TRIGGER_ON_ENTER);
  w.scene->fetchResults(NX_RIGID_BODY_FINISHED, false);
  ASSERT_EQ(report.events.size(), 2u);
  EXPECT_EQ(report.events[1].second, NX_TRIGGER_ON_STAY);
}

TEST(EngineMemory, EveryEngineAndBulletBlockGoesThroughTheUserAllocator) {
  CountingAllocator allocator;
  {
    EngineWorld w(&allocator);
    long afterScene = allocator.total;
    EXPECT_GT(afterScene, 5);  // the SDK, the scene and Bullet's world
    std::vector<float> points;
    std::vector<NxU32> triangles;
    NxTriangleMeshDesc desc = flatSquare(points, triangles, 100);
    VectorStream stream;
    ASSERT_TRUE(NxCookTriangleMesh(desc, stream));
    NxTriangleMesh* mesh = w.sdk->createTriangleMesh(stream);
    ASSERT_NE(mesh, nullptr);
    NxTriangleMeshShapeDesc shape;
    shape.meshData = mesh;
    NxActorDesc actor;
    actor.shapes.pushBack(&shape);
    ASSERT_NE(w.scene->createActor(actor), nullptr);
    w.box(NxVec3(0, 5, 0), NxVec3(1, 1, 1), true);
    for (int i = 0; i < 30; ++i) w.frame(kStep);
    EXPECT_GT(allocator.total, afterScene);
    EXPECT_GT(allocator.live, 0);
  }
  EXPECT_EQ(allocator.live, 0);  // nothing outlives the SDK
}

TEST(EngineSdk, WrongInterfaceVersionGivesNoEngine) {
  EXPECT_EQ(NxCreatePhysicsSDK(0x02020000), nullptr);
  NxPhysicsSDK* sdk = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION);
  ASSERT_NE(sdk, nullptr);
  EXPECT_TRUE(sdk->setParameter(NX_SKIN_WIDTH, 0.01f));
  EXPECT_FLOAT_EQ(sdk->getParameter(NX_SKIN_WIDTH), 0.01f);
  NxReleasePhysicsSDK(sdk);
}

TEST(EngineSdk, DefaultMaterialExistsAndNewOnesGetTheNextIndex) {
  EngineWorld w;
  NxMaterial* m0 = w.scene->getMaterialFromIndex(0);
  ASSERT_NE(m0, nullptr);
  EXPECT_EQ(m0->getMaterialIndex(), 0);
  m0->setDynamicFriction(0.9f);
  EXPECT_FLOAT_EQ(w.scene->getMaterialFromIndex(0)->getDynamicFriction(), 0.9f);
  NxMaterial* m1 = w.scene->createMaterial(NxMaterialDesc());
  EXPECT_EQ(m1->getMaterialIndex(), 1);
  EXPECT_FLOAT_EQ(m1->getStaticFriction(), 0);
}

}  // namespace
