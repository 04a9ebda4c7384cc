// Frame timer against a controllable counter, and the rule that decides when a
// race frame collects the physics step it requested in the frame before.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/NxPhysics.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "shell/game.h"

namespace {

int64_t gFakeNow = 0;
int64_t fakeCounter() { return gFakeNow; }

class FrameTimer : public ::testing::Test {
 protected:
  void SetUp() override { platform::setCounterSource(fakeCounter); }
  void TearDown() override { platform::setCounterSource(nullptr); }
};

TEST_F(FrameTimer, MeasuresTheTimeBetweenTwoCalls) {
  gPerfFrequency = 1000000000;
  gLastCounter = 5000000000LL;
  gFakeNow = 5000000000LL + 16666667;
  updateFrameTimer();
  EXPECT_NEAR(gFrameSeconds, 0.016666667, 1e-9);
  EXPECT_EQ(gNowCounter, gFakeNow);
  EXPECT_EQ(gLastCounter, gFakeNow);
  updateFrameTimer();  // no time passed
  EXPECT_EQ(gFrameSeconds, 0.0);
}

TEST_F(FrameTimer, LargeCounterValuesKeepTheirPrecision) {
  // The difference is taken in 64 bits before the division: a counter running
  // for years still gives a nanosecond-exact frame time.
  gPerfFrequency = 1000000000;
  gLastCounter = (int64_t{1} << 62);
  gFakeNow = gLastCounter + 1;
  updateFrameTimer();
  EXPECT_DOUBLE_EQ(gFrameSeconds, 1e-9);
}

// Ticks a run of `frames` frames of `seconds` each holds.
int ticksOver(int frames, double seconds, double jitter = 0) {
  double accumulator = 0;
  int ticks = 0;
  for (int i = 0; i < frames; ++i) ticks += ticksDue(accumulator, seconds * (1 + (i % 2 ? jitter : -jitter)));
  return ticks;
}

TEST(RaceTicks, EveryDrawingRateRunsSixtyTicksASecond) {
  EXPECT_EQ(ticksOver(600, 1.0 / 60), 600);
  EXPECT_EQ(ticksOver(100, 1.0 / 10), 600);
  EXPECT_EQ(ticksOver(2400, 1.0 / 240), 600);
  EXPECT_NEAR(ticksOver(1440, 1.0 / 144), 600, 1);
  EXPECT_NEAR(ticksOver(370, 1.0 / 37), 600, 1);
  // A display at 60 Hz whose frames wobble still gets one tick every frame.
  double accumulator = 0;
  for (int i = 0; i < 600; ++i) ASSERT_EQ(ticksDue(accumulator, (i % 2 ? 1.4 : 0.6) / 60), 1) << i;
}

TEST(RaceTicks, AStallRunsAtMostFifteenTicksAndTheRaceGoesOnFromThere) {
  double accumulator = 0;
  EXPECT_EQ(ticksDue(accumulator, 2.0), kMaxTicksPerFrame);
  EXPECT_EQ(ticksDue(accumulator, 1.0 / 60), 1) << "the stall's remainder was dropped";
  EXPECT_EQ(ticksDue(accumulator, 0.25), 15);
  for (double nonsense : {-1.0, 0.0, std::nan(""), HUGE_VAL}) EXPECT_EQ(ticksDue(accumulator, nonsense), 0);
}

TEST(PlatformCounter, IsMonotonicInNanoseconds) {
  int64_t frequency = 0, a = 0, b = 0;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency, 1000000000);
  QueryPerformanceCounter(&a);
  QueryPerformanceCounter(&b);
  EXPECT_GE(b, a);
}

// A scene with one falling box: whether the frame fetched shows in its pose.
class FetchRule : public ::testing::Test {
 protected:
  void SetUp() override {
    sdk_ = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION);
    ASSERT_NE(sdk_, nullptr);
    NxSceneDesc sceneDesc;
    sceneDesc.gravity = NxVec3(0, -9.81f, 0);
    gPhysicsScene = sdk_->createScene(sceneDesc);
    ASSERT_NE(gPhysicsScene, nullptr);
    NxBodyDesc body;
    NxBoxShapeDesc box;
    box.dimensions = NxVec3(1, 1, 1);
    NxActorDesc actorDesc;
    actorDesc.shapes.pushBack(&box);
    actorDesc.body = &body;
    actorDesc.density = 1;
    box_ = gPhysicsScene->createActor(actorDesc);
    ASSERT_NE(box_, nullptr);
  }
  void TearDown() override {
    gPhysicsScene = nullptr;
    NxReleasePhysicsSDK(sdk_);
  }
  // Requests a step, runs the fetch rule for a frame of `frameSeconds`, and
  // tells whether the box's pose moved.
  bool fetchedAfter(double frameSeconds) {
    gPhysicsScene->fetchResults(NX_RIGID_BODY_FINISHED, false);  // nothing left outstanding
    float before = box_->getGlobalPosition().y;
    gPhysicsScene->simulate(1.0f / 30.0f);
    gPhysicsScene->flushStream();
    gStepSeconds = frameSeconds;
    fetchPhysicsResults();
    return box_->getGlobalPosition().y != before;
  }
  NxPhysicsSDK* sdk_ = nullptr;
  NxActor* box_ = nullptr;
};

TEST_F(FetchRule, FetchesOnlyForFramesBetweenOneMillisecondAndHalfASecond) {
  EXPECT_FALSE(fetchedAfter(0.0));      // first race frame: nothing was requested before
  EXPECT_FALSE(fetchedAfter(0.001));    // the bounds themselves are outside
  EXPECT_TRUE(fetchedAfter(0.0011));
  EXPECT_TRUE(fetchedAfter(0.033));
  EXPECT_TRUE(fetchedAfter(0.4999));
  EXPECT_FALSE(fetchedAfter(0.5));
  EXPECT_FALSE(fetchedAfter(3.0));
}

TEST(FetchRuleWithoutWorld, DoesNothingWithoutAScene) {
  gPhysicsScene = nullptr;
  gStepSeconds = 0.02;
  fetchPhysicsResults();  // must not dereference a missing world
  SUCCEED();
}

}  // namespace

// ---- Drawn between the ticks --------------------------------------------------------

// The car and camera as a tick leaves them: heading in degrees about +y.
void tickLeaves(float x, float z, float heading, float cameraDistance = 250) {
  gCarPose.M.fromQuat(rotationAboutAxis(NxVec3(0, 1, 0), heading));
  gCarPose.t = NxVec3(x, 30, z);
  for (NxMat34& w : gWheelPoses) w = gCarPose;
  gCameraPos[0] = x;
  gCameraPos[1] = 80;
  gCameraPos[2] = z - cameraDistance;
  gCameraDistance = cameraDistance;
  noteDrawnTick();
}

float drawnHeading() {
  const NxVec3 forward = gDrawn.car.M.getColumn(2);
  return std::atan2(forward.x, forward.z) * 57.29578f;
}

TEST(DrawnPose, BlendsTheLastTwoTicksByTheRemainderAndNeverAcrossAJump) {
  restartDrawnTicks();
  tickLeaves(0, 0, 170);
  blendDrawnPose(-kTickSeconds / 2);
  EXPECT_EQ(gDrawn.car.t, gCarPose.t) << "a new race's first tick is not blended with the last race";
  tickLeaves(10, 0, -170);  // on through 180 degrees
  blendDrawnPose(-kTickSeconds / 2);
  EXPECT_NEAR(gDrawn.car.t.x, 5, 1e-4f);
  EXPECT_NEAR(std::fabs(drawnHeading()), 180, 0.01f) << "the rotation took the long way round";
  blendDrawnPose(kTickSeconds / 2);
  EXPECT_NEAR(gDrawn.car.t.x, 15, 1e-4f) << "half a tick on past the last tick";
  EXPECT_NEAR(gDrawn.eye.x, 15, 1e-4f);
  blendDrawnPose(kTickSeconds * 1e-5);
  EXPECT_EQ(std::memcmp(&gDrawn.car, &gCarPose, sizeof gCarPose), 0) << "at a whole tick: the tick itself";
  gBlendTicks = false;
  blendDrawnPose(-kTickSeconds / 2);
  EXPECT_EQ(gDrawn.car.t, gCarPose.t);
  gBlendTicks = true;

  tickLeaves(20, 0, -170, 80);  // the camera key: a near camera
  blendDrawnPose(-kTickSeconds / 2);
  EXPECT_NEAR(gDrawn.car.t.x, 15, 1e-4f);
  EXPECT_EQ(gDrawn.eye.z, gCameraPos[2]) << "the camera swept between its modes";
  tickLeaves(3000, 0, -170, 80);  // lifted far off: a jump, not motion
  blendDrawnPose(-kTickSeconds / 2);
  EXPECT_EQ(gDrawn.car.t, gCarPose.t);
  tickLeaves(3010, 0, -170, 80);  // and moving on from there is motion again
  blendDrawnPose(-kTickSeconds / 2);
  EXPECT_NEAR(gDrawn.car.t.x, 3005, 1e-3f);

  // The camera key while the car stands (the countdown): the eye moves to the
  // new mode only on the tick the car next moves, which is not blended either.
  tickLeaves(3010, 0, -170, 80);
  gCameraDistance = 250;
  noteDrawnTick();
  tickLeaves(3010.5f, 0, -170, 250);
  blendDrawnPose(-kTickSeconds / 2);
  EXPECT_EQ(gDrawn.eye.z, gCameraPos[2]) << "the camera swept between its modes after a switch at a standstill";

  // The ghost's wheels turn on through 360 degrees, never back round.
  DrawnPose from, to;
  from.ghostShown = to.ghostShown = true;
  from.ghost.spin[0] = 350;
  to.ghost.spin[0] = 10;
  EXPECT_NEAR(std::remainder(blendDrawn(from, to, 0.5f).ghost.spin[0], 360.0f), 0, 1e-3f);
}
