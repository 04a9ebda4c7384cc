// The per-frame control law, the read-back and the speed measurement.
#include <gtest/gtest.h>

#include <cmath>

#include "car_harness.h"

namespace {

const int kUp = 101, kDown = 103, kLeft = 100, kRight = 102, kSpace = 32;

class Controls : public testing::Test {
 protected:
  void SetUp() override {
    harness::makeFlat(gWorld.trackCollide);
    ASSERT_TRUE(harness::buildWorld());
    harness::Runner settle;
    settle.run(1);
    gMotorTorque = gBrakeTorque = gSteerAngle = 0;
    gCarSpeed = gPrevCarSpeed = 0;
  }
  void TearDown() override {
    harness::clearControls();
    releasePhysicsWorld();
  }
  static void expectWheels(float motor, float brake) {
    for (NxWheelShape* w : gWheels) {
      EXPECT_FLOAT_EQ(w->getMotorTorque(), motor);
      EXPECT_FLOAT_EQ(w->getBrakeTorque(), brake);
    }
  }
};

TEST_F(Controls, ThrottleRampsPerFrameAndReleaseCoasts) {
  gKeys[kUp] = 1;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 150);
  expectWheels(150, 0);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 300);
  gKeys[kUp] = 0;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 0);
  expectWheels(0, 5000);
}

TEST_F(Controls, TorqueHalvesOnceAnAxleReaches120) {
  gKeys[kUp] = 1;
  gMotorTorque = 1000;
  gWheels[2]->setAxleSpeed(120);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 500);
  gWheels[2]->setAxleSpeed(119);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 650);
}

TEST_F(Controls, ThrottleWhileRollingBackwardsBrakesAsWell) {
  for (NxWheelShape* w : gWheels) w->setAxleSpeed(-5);
  gKeys[kUp] = 1;
  gMotorTorque = -600;  // reverse torque is dropped first
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 150);
  expectWheels(150, 25000);
}

TEST_F(Controls, ReverseMirrorsThrottleWithItsOwnLimit) {
  gKeys[kDown] = 1;
  gMotorTorque = 800;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, -150);
  for (NxWheelShape* w : gWheels) w->setAxleSpeed(-40);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, -75);
  for (NxWheelShape* w : gWheels) w->setAxleSpeed(3);
  updateVehicleControls();
  expectWheels(-225, 25000);
}

TEST_F(Controls, ThrottleAndHandbrakeTogetherBrake) {
  gKeys[kUp] = 1;
  gKeys[kSpace] = 1;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 0);
  expectWheels(0, 40000);
}

TEST_F(Controls, TheCountdownAndTheFinishIgnoreTheDriveKeys) {
  gRaceClock = -2;
  gKeys[kUp] = gKeys[kLeft] = gKeys['r'] = 1;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 0);
  EXPECT_FLOAT_EQ(gSteerAngle, 0);
  expectWheels(0, 5000);  // as the settling frames left them
  gRaceClock = 10;
  gRaceFinished = true;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 0);
  EXPECT_GT(gSteerAngle, 0);  // steering still works after the finish
  brakeFinishedCar();
  expectWheels(0, 20000);
}

TEST_F(Controls, SteeringStepsClampAndCentre) {
  gKeys[kLeft] = 1;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0.0062832f);
  EXPECT_FLOAT_EQ(gWheels[0]->getSteerAngle(), 0.0062832f);
  EXPECT_FLOAT_EQ(gWheels[2]->getSteerAngle(), 0);  // rear wheels never steer
  gKeys[kRight] = 1;  // both: left first, then right
  updateVehicleControls();
  EXPECT_NEAR(gSteerAngle, 0.0062832f + 0.0062832f - 0.0251327f, 1e-6);
  gKeys[kLeft] = gKeys[kRight] = 0;
  gSteerAngle = 0.03f;
  updateVehicleControls();
  EXPECT_NEAR(gSteerAngle, 0.03f - 0.0251327f, 1e-6);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0);
  gKeys[kLeft] = 1;
  for (int i = 0; i < 200; ++i) updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, gMaxSteerAngle);
  EXPECT_NEAR(gMaxSteerAngle, 0.5235988f, 1e-6);
}

TEST_F(Controls, TheSteeringLimitNeverTurnsNegative) {
  EXPECT_NEAR(steeringLimit(0), 0.5235988f, 1e-6);
  EXPECT_NEAR(steeringLimit(10), 0.5235988f - 10 * 1.2f * 0.017453292f, 1e-6);
  EXPECT_NEAR(steeringLimit(25), 0, 1e-6);
  EXPECT_EQ(steeringLimit(40), 0);
  // Fast enough that the unfloored limit would be -0.3: left must not steer right.
  gCarSpeed = 40;
  gKeys[kLeft] = 1;
  for (int i = 0; i < 5; ++i) updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0);
  gKeys[kLeft] = 0;
  gKeys[kRight] = 1;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0);
}

TEST_F(Controls, ReadBackPutsWheelsOnTheRoadAndFacesForward) {
  readVehicleState();
  // From the -x wheels, whose front and rear attachment points differ in x.
  EXPECT_NEAR(gCarForward[0], (-21.844f + 22.9388f) / 74.552795f, 1e-4);
  EXPECT_NEAR(gCarForward[1], 1, 1e-3);
  for (const NxMat34& w : gWheelPoses) EXPECT_NEAR(w.t.y, 9.558f, 0.01f);  // centre one radius up
  EXPECT_NEAR(gWheelPoses[0].t.x, 21.844f, 1e-3);
  float spin = gWheelSpin[0];
  gWheels[0]->setAxleSpeed(3);
  readVehicleState();
  EXPECT_FLOAT_EQ(gWheelSpin[0], spin + 3);
}

TEST_F(Controls, SpeedIsDistancePerFrameWithJumpsDiscarded) {
  gPrevCarPos = NxVec3(0, 0, 0);
  gPrevCarSpeed = 2;
  gCarPose.t = NxVec3(3, 0, 4);
  updateCarSpeed();
  EXPECT_FLOAT_EQ(gCarSpeed, 5);
  EXPECT_FLOAT_EQ(gSpeedDisplay, 60);
  updateCarSpeed();  // no new step: the speed stands
  EXPECT_FLOAT_EQ(gCarSpeed, 5);
  gCarPose.t = NxVec3(3, 0, 104);  // a jump of 100
  updateCarSpeed();
  EXPECT_FLOAT_EQ(gCarSpeed, 5);
  EXPECT_EQ(gPrevCarPos, NxVec3(3, 0, 104));
  gCarPose.t = NxVec3(3, 0, 109);  // and on at 5 per frame
  updateCarSpeed();
  EXPECT_FLOAT_EQ(gCarSpeed, 5);
}

TEST_F(Controls, ASpeedometerLeftBehindCatchesUpOnceTheSpeedHolds) {
  // After a knock the shown speed is 4.5 while the car drives on at 19 per frame.
  gPrevCarPos = NxVec3(0, 0, 0);
  gCarSpeed = gPrevCarSpeed = 4.5f;
  gCarPose.t = NxVec3(0, 0, 4.5f);
  updateCarSpeed();
  float shown[3];
  for (int i = 0; i < 3; ++i) {
    gCarPose.t = gPrevCarPos + NxVec3(0, 0, 19);
    updateCarSpeed();
    shown[i] = gCarSpeed;
  }
  EXPECT_FLOAT_EQ(shown[0], 4.5f);  // one frame's jump is still discarded
  EXPECT_FLOAT_EQ(shown[1], 19);
  EXPECT_FLOAT_EQ(shown[2], 19);
}

}  // namespace
