// The car's behaviour on generated roads, driven by the game's control law at
// fixed frame rates. The bands are those the handling was tuned to.
#include <gtest/gtest.h>

#include "car_scenarios.h"

namespace {

using namespace scenarios;

class Vehicle : public testing::Test {
 protected:
  void TearDown() override {
    harness::clearControls();
    releasePhysicsWorld();
  }
};

TEST_F(Vehicle, AcceleratesToAxleSpeed120InFourSeconds) {
  double t = accelToAxle120(60);
  EXPECT_GE(t, 4.0);
  EXPECT_LE(t, 4.4);
}

TEST_F(Vehicle, TopSpeedAndSpeedometer) {
  TopSpeed top = topSpeed(60, 10);
  EXPECT_NEAR(top.speed, 1160, 40);
  EXPECT_GE(top.display, 220);
  EXPECT_LE(top.display, 240);
}

TEST_F(Vehicle, BrakingDistances) {
  StopRun brake = stopFromTopSpeed(Stop::Brake25000);
  EXPECT_GE(brake.distance, 1800);
  EXPECT_LE(brake.distance, 2100);
  StopRun hand = stopFromTopSpeed(Stop::Handbrake);
  EXPECT_NEAR(hand.distance, 1250, 125);
  EXPECT_NEAR(hand.seconds, 2, 0.3);
  StopRun coast = stopFromTopSpeed(Stop::Coast);
  EXPECT_NEAR(coast.distance, 9500, 500);
}

TEST_F(Vehicle, FullLockAt600TurnsWithoutSlidingOrRolling) {
  SteerRun s = steerAt600(60);
  EXPECT_GT(s.yawRate, 1.5f);
  EXPECT_LT(s.sideslip, 0.3f);
  EXPECT_GT(s.minUpright, 0.9f);
}

TEST_F(Vehicle, LandsFromADropWithoutRebound) { EXPECT_LT(dropRebound(60), 1e-3f); }

TEST_F(Vehicle, HandbrakeHoldsOnAThirtyDegreeSlope) { EXPECT_LT(slopeDrift(30, 5), 0.05f); }

TEST_F(Vehicle, CoastDownIsTheSameAtAnyFrameRate) {
  float d[4];
  EXPECT_LT(coastSpread(d), 1.0f);
  EXPECT_GT(d[0], 5000);  // and it is a real coast-down
}

TEST_F(Vehicle, FullThrottleIntoAWallStopsAtItAndEndsUpright) {
  WallRun w = wallHit(60);
  EXPECT_GT(w.furthestZ, 1300);    // it did reach the wall
  EXPECT_LT(w.furthestZ, 1500);    // the centre never passed its face
  EXPECT_GT(w.upright, 0.9f);
  EXPECT_LT(w.restSpeed, 5);
}

}  // namespace
