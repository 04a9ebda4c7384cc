// The per-frame control law, the read-back and the speed measurement.
#include <gtest/gtest.h>

#include <cmath>

#include "car_harness.h"

namespace {

const DriveAction kUp = kAccelerate, kDown = kReverse, kLeft = kSteerLeft, kRight = kSteerRight, kSpace = kHandbrake;

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
  harness::holdKey(kUp, true);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 150);
  expectWheels(150, 0);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 300);
  harness::holdKey(kUp, false);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 0);
  expectWheels(0, 5000);
}

TEST_F(Controls, TorqueHalvesOnceAnAxleReaches120) {
  harness::holdKey(kUp, true);
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
  harness::holdKey(kUp, true);
  gMotorTorque = -600;  // reverse torque is dropped first
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 150);
  expectWheels(150, 25000);
}

TEST_F(Controls, ReverseMirrorsThrottleWithItsOwnLimit) {
  harness::holdKey(kDown, true);
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
  harness::holdKey(kUp, true);
  harness::holdKey(kSpace, true);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 0);
  expectWheels(0, 40000);
}

TEST_F(Controls, TheCountdownAndTheFinishIgnoreTheDriveKeys) {
  gRaceClock = -2;
  harness::holdKey(kUp, true);
  harness::holdKey(kLeft, true);
  harness::holdKey(kLift, true);
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
  harness::holdKey(kLeft, true);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0.0062832f);
  EXPECT_FLOAT_EQ(gWheels[0]->getSteerAngle(), 0.0062832f);
  EXPECT_FLOAT_EQ(gWheels[2]->getSteerAngle(), 0);  // rear wheels never steer
  harness::holdKey(kRight, true);  // both: left first, then right
  updateVehicleControls();
  EXPECT_NEAR(gSteerAngle, 0.0062832f + 0.0062832f - 0.0251327f, 1e-6);
  harness::holdKey(kLeft, false);
  harness::holdKey(kRight, false);
  gSteerAngle = 0.03f;
  updateVehicleControls();
  EXPECT_NEAR(gSteerAngle, 0.03f - 0.0251327f, 1e-6);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0);
  harness::holdKey(kLeft, true);
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
  harness::holdKey(kLeft, true);
  for (int i = 0; i < 5; ++i) updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0);
  harness::holdKey(kLeft, false);
  harness::holdKey(kRight, true);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0);
}

// A stick or trigger all the way is the key, bit for bit, over a drive that
// meets every rule: the torque's climb and halving, the limit's clamp, the
// step back through the centre.
TEST_F(Controls, APadAllTheWayIsTheKey) {
  auto drive = [](bool pad) {
    EXPECT_TRUE(harness::buildWorld());
    harness::Runner r;
    r.beforeControls = [&r, pad] {
      const int t = static_cast<int>(r.time * 60 + 0.5);
      const bool left = t % 90 < 40, right = t % 90 >= 50, reverse = t >= 400;
      gTickInput = TickInput();
      if (pad) {
        gTickInput.steer = static_cast<int16_t>(left ? kAnalogSteps : right ? -kAnalogSteps : 0);
        gTickInput.throttle = static_cast<int16_t>(reverse ? 0 : kAnalogSteps);
        gTickInput.brake = static_cast<int16_t>(reverse ? kAnalogSteps : 0);
      } else {
        harness::holdKey(kLeft, left);
        harness::holdKey(kRight, right);
        harness::holdKey(reverse ? kDown : kUp, true);
      }
    };
    r.run(8);
    return poseHash();
  };
  const uint64_t keys = drive(false);
  EXPECT_GT(gCarSpeed, 5) << "the drive reached the torque's limit";
  EXPECT_EQ(drive(true), keys);
}

// Part of the travel moves the key's limits, not its steps: the steering
// comes out by the keys' steps to the share of the limit, the torque climbs
// by 150 up to the share of the axle speed at which the key's stops.
TEST_F(Controls, PartOfTheTravelScalesTheLimitNotTheSteps) {
  gTickInput.steer = 500;
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0.0062832f);
  for (int i = 0; i < 100; ++i) updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0.5f * gMaxSteerAngle);
  gTickInput.steer = -250;  // across the centre: the fast step back, then out to a quarter on the right
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, 0.5f * gMaxSteerAngle - 0.0251327f);
  for (int i = 0; i < 100; ++i) updateVehicleControls();
  EXPECT_FLOAT_EQ(gSteerAngle, -0.25f * gMaxSteerAngle);

  gTickInput = TickInput();
  gTickInput.throttle = 500;
  for (NxWheelShape* w : gWheels) w->setAxleSpeed(59);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 150);
  gWheels[1]->setAxleSpeed(60);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, 75);
  gTickInput = TickInput();
  gTickInput.brake = 500;  // brakes by half the key's brake while rolling on, then reverses down to -20
  updateVehicleControls();
  expectWheels(-150, 12500);
  for (NxWheelShape* w : gWheels) w->setAxleSpeed(-20);
  updateVehicleControls();
  EXPECT_FLOAT_EQ(gMotorTorque, -75);
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
