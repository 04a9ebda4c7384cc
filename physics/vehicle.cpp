// The car: one box body on four driven wheels, the per-tick control law and
// the state read back for drawing, the camera, the HUD and the engine sound.
#include <cstdio>

#include "physics/physics.h"
#include "shell/game.h"
#include "ui/ui.h"

// ---- Per race: the car's engine objects ----------------------------------------------
NxWheelShape* gWheels[4] = {nullptr, nullptr, nullptr, nullptr};
NxMaterial* gWheelMaterial = nullptr;
NxTireFunctionDesc gLongitudinalTire;
NxTireFunctionDesc gLateralTire;

// ---- Per process: control and read-back state (carried over between races) --------
float gMotorTorque = 0;
float gBrakeTorque = 0;
float gSteerAngle = 0;
float gMaxSteerAngle = 0.5235988f;
NxMat34 gCarPose;
NxMat34 gWheelPoses[4];
float gCarForward[2] = {0, 0};
float gWheelSpin[4] = {0, 0, 0, 0};
float gCarSpeed = 0;
float gPrevCarSpeed = 0;
float gLastMeasuredSpeed = 0;
NxVec3 gPrevCarPos;
float gSpeedDisplay = 0;
bool gBrakeByTravel = true;

namespace {

const NxVec3 kBodyHalfExtents(27.902f, 17.624f, 61.86f);
const float kBodyDensity = 1.0e-7f;
const float kCentreOfMassDrop = 22.624f;
const float kStartHeight = 35.248f;
const NxVec3 kWheelPositions[4] = {
    NxVec3(21.844f, -10.066f, 36.6004f), NxVec3(-21.844f, -10.066f, 36.6004f),
    NxVec3(22.9388f, -10.066f, -37.9524f), NxVec3(-22.9388f, -10.066f, -37.9524f)};
// The rear force points sit at the front track width, not at the rear wheels.
const NxVec3 kForcePoints[4] = {
    NxVec3(21.844f, -10.066f, 36.6004f), NxVec3(-21.844f, -10.066f, 36.6004f),
    NxVec3(21.844f, -10.066f, -37.9524f), NxVec3(-21.844f, -10.066f, -37.9524f)};
const NxVec3 kRoofPoint(0, 17.624f, 0);
const NxVec3 kFloorPoint(0, -17.624f, 0);
const float kWheelBase = 74.552795f;  // front to rear attachment points along z

const float kFastSteerStep = 0.0251327f;  // 2 pi * 0.004: back towards the centre, and centring
const float kSlowSteerStep = 0.0062832f;  // pi * 0.002: further out

// What stops a car rolling against the drive before it turns the other way.
const float kStoppingBrake = 25000;

// The motor's torque rises while every axle turns slower than this (forwards,
// backwards); a pad's trigger lowers the bar in proportion to its travel.
const float kTopAxleSpeed = 120.0f;
const float kTopReverseAxleSpeed = 40.0f;

void giveTorques() {
  for (NxWheelShape* w : gWheels) {
    if (!w) continue;
    w->setMotorTorque(gMotorTorque);
    w->setBrakeTorque(gBrakeTorque);
  }
}

void giveSteerAngle() {
  for (int i = 0; i < 2; ++i)
    if (gWheels[i]) gWheels[i]->setSteerAngle(gSteerAngle);
}

bool everyAxleBelow(float speed) {
  for (NxWheelShape* w : gWheels)
    if (w && !(w->getAxleSpeed() < speed)) return false;
  return true;
}

bool everyAxleAbove(float speed) {
  for (NxWheelShape* w : gWheels)
    if (w && !(w->getAxleSpeed() > speed)) return false;
  return true;
}

float meanAxleSpeed() {
  float sum = 0;
  for (NxWheelShape* w : gWheels)
    if (w) sum += w->getAxleSpeed();
  return sum / 4;
}

// A trigger part way brakes by its share: the key's brake (share 1) is the
// same float either way.
float stoppingBrake(float share) { return gBrakeByTravel ? kStoppingBrake * share : kStoppingBrake; }

// `accelerate` and `reverse` are the share of the key each gives: 1 for the
// key or a trigger pulled all the way, 0 for neither. A share moves the axle
// speed at which the torque stops rising, never the steps it rises by.
void applyDriveKeys(float accelerate, float reverse) {
  if (accelerate > 0) {
    if (gMotorTorque < 0) gMotorTorque = 0;
    if (everyAxleBelow(kTopAxleSpeed * accelerate))
      gMotorTorque += 150;
    else
      gMotorTorque *= 0.5f;
    gBrakeTorque = 0;
    if (meanAxleSpeed() < 0) gBrakeTorque = stoppingBrake(accelerate);  // rolling backwards: stop first
    giveTorques();
  } else if (reverse > 0) {
    if (gMotorTorque > 0) gMotorTorque = 0;
    if (everyAxleAbove(-kTopReverseAxleSpeed * reverse))
      gMotorTorque -= 150;
    else
      gMotorTorque *= 0.5f;
    gBrakeTorque = 0;
    if (meanAxleSpeed() > 0) gBrakeTorque = stoppingBrake(reverse);
    giveTorques();
  }
}

void applyBodyForces(bool racing) {
  if (racing) {
    for (const NxVec3& p : kForcePoints) gCarActor->addForceAtLocalPos(NxVec3(0, -2, 0), p, NX_FORCE);
  } else {
    for (const NxVec3& p : kForcePoints) gCarActor->addLocalForceAtLocalPos(NxVec3(0, -5, 0), p, NX_FORCE);
    gCarActor->addLocalForceAtLocalPos(NxVec3(0, 0, 0.2f), NxVec3(0, 0, 0), NX_FORCE);
  }
  // No net force; a couple that rights the car when it tilts.
  gCarActor->addForceAtLocalPos(NxVec3(0, 2, 0), kRoofPoint, NX_FORCE);
  gCarActor->addForceAtLocalPos(NxVec3(0, -2, 0), kFloorPoint, NX_FORCE);
}

// `left` and `right` are shares of the steering limit, as for the drive: a
// stick half way steers by the keys' steps up to half the limit.
void applySteeringKeys(float left, float right) {
  if (left > 0) {
    gSteerAngle += gSteerAngle < 0 ? kFastSteerStep : kSlowSteerStep;
    const float limit = gMaxSteerAngle * left;
    if (gSteerAngle > limit) gSteerAngle = limit;
    giveSteerAngle();
  }
  if (right > 0) {
    gSteerAngle -= gSteerAngle > 0 ? kFastSteerStep : kSlowSteerStep;
    const float limit = gMaxSteerAngle * right;
    if (gSteerAngle < -limit) gSteerAngle = -limit;
    giveSteerAngle();
  }
  if (!(left > 0) && !(right > 0)) {
    if (gSteerAngle > -kFastSteerStep && gSteerAngle < kFastSteerStep)
      gSteerAngle = 0;
    else
      gSteerAngle += gSteerAngle > 0 ? -kFastSteerStep : kFastSteerStep;
    giveSteerAngle();
  }
}

// A held key gives its whole share; otherwise the pad's share of its travel.
float share(const TickInput& input, DriveAction key, int padValue) {
  if (input.keys & driveBit(key)) return 1.0f;
  return padValue > 0 ? static_cast<float>(padValue) / kAnalogSteps : 0.0f;
}

}  // namespace

float steeringLimit(float carSpeed) {
  // Unfloored, the limit turns negative above 25 units per tick and the
  // clamps below would flip the steering: left would steer right.
  float limit = 3.1415927f / 6.0f - carSpeed * 1.2f * 3.1415927f / 180.0f;
  return limit > 0 ? limit : 0;
}

NxActor* createCarBody(const NxVec3& position, const NxVec3& halfExtents, float density) {
  if (!gPhysicsScene) return nullptr;
  NxBodyDesc bodyDesc;
  NxBoxShapeDesc box;
  box.dimensions = halfExtents;
  NxActorDesc actorDesc;
  actorDesc.body = &bodyDesc;
  actorDesc.density = density;
  actorDesc.globalPose.t = position;
  actorDesc.shapes.pushBack(&box);
  return gPhysicsScene->createActor(actorDesc);
}

NxWheelShape* createWheel(NxActor* body, const WheelSetup& setup) {
  gLongitudinalTire.extremumSlip = 1.0f;
  gLongitudinalTire.extremumValue = 0.02f;
  gLongitudinalTire.asymptoteSlip = 2.0f;
  gLongitudinalTire.asymptoteValue = 0.01f;
  gLongitudinalTire.stiffnessFactor = 100000.0f;
  gLateralTire = gLongitudinalTire;
  gLateralTire.stiffnessFactor = 10000.0f;
  if (!body || !gPhysicsScene) return nullptr;

  NxWheelShapeDesc wheelDesc;
  if (!gWheelMaterial) gWheelMaterial = gPhysicsScene->createMaterial(NxMaterialDesc());
  if (gWheelMaterial) wheelDesc.materialIndex = gWheelMaterial->getMaterialIndex();
  wheelDesc.localPose.t = setup.position;
  wheelDesc.lateralTireForceFunction = gLateralTire;
  wheelDesc.longitudalTireForceFunction = gLongitudinalTire;
  // The spring is given per unit of travel; scale it to the wheel's geometry.
  float h = setup.suspensionTravel > 0 ? (setup.suspensionTravel + setup.radius) / setup.suspensionTravel : 1;
  wheelDesc.suspension.spring = setup.springRate * h;
  wheelDesc.suspension.damper = 0;
  wheelDesc.suspension.targetValue = setup.springTarget * h;
  wheelDesc.radius = setup.radius;
  wheelDesc.suspensionTravel = setup.suspensionTravel;
  wheelDesc.inverseWheelMass = 0.0015f;
  NxShape* shape = body->createShape(wheelDesc);
  return shape ? shape->isWheel() : nullptr;
}

NxActor* createCar(const NxVec3& startPosition, float headingDegrees) {
  NxActor* body = createCarBody(startPosition, kBodyHalfExtents, kBodyDensity);
  if (!body) return nullptr;
  for (int i = 0; i < 4; ++i) {
    WheelSetup setup{kWheelPositions[i], 9.558f, 3.0f, 5000.0f, 0.0f};
    gWheels[i] = createWheel(body, setup);
  }
  NxVec3 centre = body->getCMassLocalPosition();
  centre.y -= kCentreOfMassDrop;
  body->setCMassOffsetLocalPosition(centre);
  body->setGlobalPosition(NxVec3(startPosition.x, kStartHeight, startPosition.z));
  body->setGlobalOrientationQuat(rotationAboutAxis(NxVec3(0, 1, 0), headingDegrees));
  return body;
}

void updateVehicleControls() {
  if (!gCarActor) return;
  const bool racing = gRaceClock > 0;
  const bool driving = racing && !gRaceFinished;
  const TickInput& in = gTickInput;
  const float accelerate = share(in, kAccelerate, in.throttle), reverse = share(in, kReverse, in.brake);
  const float left = share(in, kSteerLeft, in.steer), right = share(in, kSteerRight, -in.steer);

  if (driving) applyDriveKeys(accelerate, reverse);
  if (driving && (in.keys & driveBit(kHandbrake))) {
    gMotorTorque = 0;
    gBrakeTorque = 40000;
    giveTorques();
  } else if (driving && !(accelerate > 0) && !(reverse > 0)) {
    gMotorTorque = 0;
    gBrakeTorque = 5000;
    giveTorques();
  }
  if (driving && (in.keys & driveBit(kLift)))
    gCarActor->addForceAtLocalPos(NxVec3(0, 8, 0), kRoofPoint, NX_FORCE);
  applyBodyForces(racing);

  gMaxSteerAngle = steeringLimit(gCarSpeed);  // from the previous tick's speed
  if (tracesEnabled()) std::printf("Speed: %f\n", gCarSpeed);
  // Steering keeps working after the finish; only driving stops.
  if (racing) applySteeringKeys(left, right);
}

void readVehicleState() {
  if (!gCarActor) return;
  gCarPose = gCarActor->getGlobalPose();
  for (int i = 0; i < 4; ++i) gWheelPoses[i] = gWheels[i] ? gWheels[i]->getGlobalPose() : gCarPose;
  const NxVec3& front = gWheelPoses[1].t;
  const NxVec3& rear = gWheelPoses[3].t;
  gCarForward[0] = (front.x - rear.x) / kWheelBase;
  gCarForward[1] = (front.z - rear.z) / kWheelBase;
  for (int i = 0; i < 4; ++i)
    if (gWheels[i]) gWheelSpin[i] += gWheels[i]->getAxleSpeed();
}

void brakeFinishedCar() {
  if (!gRaceFinished) return;
  gMotorTorque = 0;
  gBrakeTorque = 20000;
  giveTorques();
}

void updateCarSpeed() {
  NxVec3 p = gCarPose.t;
  // A tick without a new step leaves the last measured speed standing.
  if (p != gPrevCarPos) {
    float measured = p.distance(gPrevCarPos);
    // A jump (a new race, a knock) lasts one tick and is not speed. Judged
    // against the shown speed alone, a car that regained its pace faster than
    // 3 units per tick would keep a stale speedometer for good; a speed that
    // holds from one tick to the next is believed.
    bool jump = measured > gPrevCarSpeed + 3 && measured > gLastMeasuredSpeed + 3;
    gLastMeasuredSpeed = measured;
    gCarSpeed = jump ? gPrevCarSpeed : measured;
  }
  gPrevCarSpeed = gCarSpeed;
  gPrevCarPos = p;
  gSpeedDisplay = 12 * gCarSpeed;
}
