// The physics world of a race: engine, scene, default material, checkpoint
// triggers, the cooked track and the car.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "physics/allocator.h"
#include "physics/physics.h"
#include "race/race.h"
#include "ui/ui.h"

// ---- Per race: the world ------------------------------------------------------------------
TrackingAllocator* gPhysicsAllocator = nullptr;
NxPhysicsSDK* gPhysicsSdk = nullptr;
NxScene* gPhysicsScene = nullptr;
NxActor* gCheckpointTriggers[3] = {nullptr, nullptr, nullptr};
NxActor* gTrackActor = nullptr;
NxActor* gCarActor = nullptr;

namespace {

struct TriggerSetup {
  int id;
  NxVec3 halfExtents;
  NxVec3 position;
  float yawDegrees;
};

const TriggerSetup kTriggers[3] = {
    {-1, NxVec3(17, 117, 163), NxVec3(-3460, 825, -4835), 337},  // checkpoint 1
    {-2, NxVec3(17, 117, 232), NxVec3(2065, 765, -40), 262},     // checkpoint 2
    {-3, NxVec3(17, 117, 197), NxVec3(-4065, 145, 1850), 236},   // finish line
};

void createCheckpointTriggers() {
  for (int i = 0; i < 3; ++i) {
    const TriggerSetup& t = kTriggers[i];
    NxActor* trigger = createCheckpointTrigger(t.halfExtents);
    gCheckpointTriggers[i] = trigger;
    if (!trigger) continue;
    trigger->setGlobalPosition(t.position);
    trigger->setGlobalOrientationQuat(rotationAboutAxis(NxVec3(0, 1, 0), t.yawDegrees));
    trigger->userData = reinterpret_cast<void*>(static_cast<intptr_t>(t.id));
  }
}

}  // namespace

NxQuat rotationAboutAxis(const NxVec3& axis, float degrees) {
  NxVec3 a = axis;
  a.normalize();
  float h = degrees * 0.017453292f / 2;
  return NxQuat(a * std::sin(h), std::cos(h));
}

void releasePhysicsWorld() {
  // Releasing the engine releases its scene, actors, materials and meshes.
  if (gPhysicsSdk) gPhysicsSdk->release();
  gPhysicsSdk = nullptr;
  gPhysicsScene = nullptr;
  for (NxActor*& t : gCheckpointTriggers) t = nullptr;
  gTrackActor = nullptr;
  gCarActor = nullptr;
  for (NxWheelShape*& w : gWheels) w = nullptr;
  gWheelMaterial = nullptr;  // each scene gets its own wheel material
  // An allocator with blocks still out would be needed to free them later.
  if (gPhysicsAllocator && gPhysicsAllocator->liveBlocks() == 0) delete gPhysicsAllocator;
  gPhysicsAllocator = nullptr;
}

void setUpPhysicsWorld() {
  releasePhysicsWorld();
  gPhysicsAllocator = new TrackingAllocator;
  gPhysicsSdk = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION, gPhysicsAllocator, nullptr, NxPhysicsSDKDesc());
  if (!gPhysicsSdk) return;  // the race set-up reports it and goes back to the title
  gPhysicsSdk->setParameter(NX_SKIN_WIDTH, 0.01f);

  NxSceneDesc sceneDesc;
  sceneDesc.gravity = NxVec3(0, -9.81f, 0);
  sceneDesc.broadPhase = NX_BROADPHASE_COHERENT;
  sceneDesc.collisionDetection = true;
  sceneDesc.timeStepMethod = NX_TIMESTEP_FIXED;
  sceneDesc.maxTimestep = 1.0f / 60.0f;
  sceneDesc.maxIter = 8;
  gPhysicsScene = gPhysicsSdk->createScene(sceneDesc);
  if (!gPhysicsScene) {
    releasePhysicsWorld();
    return;
  }
  gPhysicsScene->setUserTriggerReport(&gTriggerReport);

  NxMaterial* defaultMaterial = gPhysicsScene->getMaterialFromIndex(0);
  defaultMaterial->setRestitution(0.0f);
  defaultMaterial->setStaticFriction(0.1f);
  defaultMaterial->setDynamicFriction(0.9f);

  if (gTitleEntry == 0) createCheckpointTriggers();
  gTrackActor = cookTrackMesh();
  gCarActor = createCar(NxVec3(gStartX, 0, gStartZ), gStartHeading);
}

NxActor* createCheckpointTrigger(const NxVec3& halfExtents) {
  if (!gPhysicsScene) return nullptr;
  NxBoxShapeDesc box;
  box.dimensions = halfExtents;
  box.shapeFlags |= NX_TRIGGER_ENABLE;
  NxActorDesc actorDesc;
  actorDesc.shapes.pushBack(&box);
  return gPhysicsScene->createActor(actorDesc);
}
