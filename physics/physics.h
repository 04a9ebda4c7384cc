// The physics world of a race, the car and the lap counting. The engine is
// reached through its Nx interface only.
#pragma once

#include "engine/NxPhysics.h"

class TrackingAllocator;
class CheckpointTriggerReport;
struct Model;

// ---- Per race: the world (rebuilt at every race start) ---------------------
extern TrackingAllocator* gPhysicsAllocator;
extern NxPhysicsSDK* gPhysicsSdk;        // null when the engine could not be created
extern NxScene* gPhysicsScene;
extern CheckpointTriggerReport gTriggerReport;
extern NxActor* gCheckpointTriggers[3];
extern NxActor* gTrackActor;             // null when cooking failed
extern NxActor* gCarActor;

void setUpPhysicsWorld();
NxActor* createCheckpointTrigger(const NxVec3& halfExtents);
// Releases the previous race's world, if any (memory stays flat over races).
void releasePhysicsWorld();
// Rotation about an axis by an angle in degrees.
NxQuat rotationAboutAxis(const NxVec3& axis, float degrees);

// ---- Track collision mesh ---------------------------------------------------
extern float* gCollisionVertices;
extern int* gCollisionTriangles;
extern NxTriangleMeshDesc gTrackMeshDesc;
NxActor* cookTrackMesh();

// ---- Vehicle ----------------------------------------------------------------
struct WheelSetup {
  NxVec3 position;
  float radius;
  float suspensionTravel;
  float springRate;
  float springTarget;
};

extern NxWheelShape* gWheels[4];
extern NxMaterial* gWheelMaterial;
extern NxTireFunctionDesc gLongitudinalTire;
extern NxTireFunctionDesc gLateralTire;

// Per process (carried over between races unless said otherwise).
extern float gMotorTorque;
extern float gBrakeTorque;
extern float gSteerAngle;
extern float gMaxSteerAngle;
extern NxMat34 gCarPose;
extern NxMat34 gWheelPoses[4];
extern float gCarForward[2];
extern float gWheelSpin[4];
extern float gCarSpeed;
extern float gPrevCarSpeed;
extern float gLastMeasuredSpeed;  // the last tick that moved, before the jump filter
extern NxVec3 gPrevCarPos;
extern float gSpeedDisplay;      // 12 x the travel of the last tick
// Per race: a trigger part way brakes by its travel (off for a replay of a
// recording made before that rule).
extern bool gBrakeByTravel;

NxActor* createCar(const NxVec3& startPosition, float headingDegrees);
NxActor* createCarBody(const NxVec3& position, const NxVec3& halfExtents, float density);
NxWheelShape* createWheel(NxActor* body, const WheelSetup& setup);
void updateVehicleControls();
void readVehicleState();
void brakeFinishedCar();
void updateCarSpeed();
// The steering limit at a per-tick speed (never below 0).
float steeringLimit(float carSpeed);

// ---- Checkpoints and laps ---------------------------------------------------
extern int gLastTrigger;
extern int gNbTouchedBodies;
extern int gCurrentLap;
extern bool gCheckpoint1Passed;
extern bool gCheckpoint2Passed;
extern bool gLapClosed;
extern bool gRaceFinished;

class CheckpointTriggerReport : public NxUserTriggerReport {
 public:
  void onTrigger(NxShape& triggerShape, NxShape& otherShape, NxTriggerFlag status) override;
};
void updateLapProgress();
void resetLapState();
