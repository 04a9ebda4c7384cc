// The scene: Bullet world, fixed stepping, double-buffered results, triggers.
#include <BulletCollision/CollisionDispatch/btInternalEdgeUtility.h>

#include <algorithm>
#include <cmath>

#include "engine/internal.h"

namespace nxe {
namespace {

// Materials are combined by averaging, as the game's values expect (Bullet multiplies).
btScalar averageFriction(const btCollisionObject* a, const btCollisionObject* b) {
  return (a->getFriction() + b->getFriction()) * btScalar(0.5);
}
btScalar averageRestitution(const btCollisionObject* a, const btCollisionObject* b) {
  return (a->getRestitution() + b->getRestitution()) * btScalar(0.5);
}

bool adjustMeshContact(btManifoldPoint& cp, const btCollisionObjectWrapper* obj0, int partId0, int index0,
                       const btCollisionObjectWrapper* obj1, int partId1, int index1) {
  (void)partId0; (void)index0;
  // Only the mesh carries the custom-material flag; smooth its internal edges.
  if (obj1->getCollisionObject()->getCollisionFlags() & btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK)
    btAdjustInternalEdgeContacts(cp, obj1, obj0, partId1, index1);
  else if (obj0->getCollisionObject()->getCollisionFlags() & btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK)
    btAdjustInternalEdgeContacts(cp, obj0, obj1, partId0, index0);
  return false;
}

void installCallbacks() {
  gCalculateCombinedFrictionCallback = averageFriction;
  gCalculateCombinedRestitutionCallback = averageRestitution;
  gContactAddedCallback = adjustMeshContact;
}

}  // namespace

NxScene& MaterialImpl::getScene() const { return scene_; }

SceneImpl::SceneImpl(SdkImpl& sdk, const NxSceneDesc& desc)
    : sdk_(sdk), gravity_(desc.gravity), maxTimestep_(desc.maxTimestep), maxIter_(desc.maxIter),
      method_(desc.timeStepMethod), triggerReport_(desc.userTriggerReport) {
  installCallbacks();
  configuration_ = new btDefaultCollisionConfiguration();
  dispatcher_ = new btCollisionDispatcher(configuration_);
  broadphase_ = new btDbvtBroadphase();
  solver_ = new btSequentialImpulseConstraintSolver();
  world_ = new btDiscreteDynamicsWorld(dispatcher_, broadphase_, solver_, configuration_);
  world_->setGravity(toBt(gravity_));
  world_->getSolverInfo().m_numIterations = 10;
  ground_ = new btRigidBody(0, nullptr, nullptr);
  // Material 0 always exists: the default material.
  materials_.push_back(new MaterialImpl(*this, 0, NxMaterialDesc()));
}

SceneImpl::~SceneImpl() {
  while (!actors_.empty()) releaseActor(*actors_.back());
  for (MaterialImpl* m : materials_) delete m;
  delete world_;
  delete ground_;
  delete solver_;
  delete broadphase_;
  delete dispatcher_;
  delete configuration_;
}

NxPhysicsSDK& SceneImpl::getPhysicsSDK() { return sdk_; }

NxReal SceneImpl::skinWidth() const { return sdk_.getParameter(NX_SKIN_WIDTH); }

void SceneImpl::setGravity(const NxVec3& g) {
  gravity_ = g;
  world_->setGravity(toBt(g));
  for (NxActor* a : actors_) {
    ActorImpl* actor = static_cast<ActorImpl*>(a);
    if (actor->body) actor->body->setGravity(toBt(g));
  }
}

void SceneImpl::setTiming(NxReal maxTimestep, NxU32 maxIter, NxTimeStepMethod method) {
  if (maxTimestep > 0) maxTimestep_ = maxTimestep;
  if (maxIter > 0) maxIter_ = maxIter;
  method_ = method;
}

void SceneImpl::getTiming(NxReal& maxTimestep, NxU32& maxIter, NxTimeStepMethod& method,
                          NxU32* numSubSteps) const {
  maxTimestep = maxTimestep_;
  maxIter = maxIter_;
  method = method_;
  if (numSubSteps) *numSubSteps = lastSubSteps_;
}

NxMaterial* SceneImpl::createMaterial(const NxMaterialDesc& desc) {
  AllocScope scope(sdk_.getAllocator());
  MaterialImpl* m = new MaterialImpl(*this, static_cast<NxMaterialIndex>(materials_.size()), desc);
  materials_.push_back(m);
  return m;
}

NxMaterial* SceneImpl::getMaterialFromIndex(NxMaterialIndex index) { return material(index); }

MaterialImpl* SceneImpl::material(NxMaterialIndex index) {
  // An unknown index means the default material, as in the original engine.
  return index < materials_.size() ? materials_[index] : materials_[0];
}

NxActor* SceneImpl::createActor(const NxActorDesc& desc) {
  AllocScope scope(sdk_.getAllocator());
  ActorImpl* actor = new ActorImpl(*this, desc);
  if (!actor) return nullptr;
  actors_.push_back(actor);
  return actor;
}

void SceneImpl::releaseActor(NxActor& actor) {
  AllocScope scope(sdk_.getAllocator());
  auto it = std::find(actors_.begin(), actors_.end(), &actor);
  if (it == actors_.end()) return;
  actors_.erase(it);
  ActorImpl* impl = static_cast<ActorImpl*>(&actor);
  for (NxShape* s : impl->shapes_) {
    if (!s->isWheel()) forgetShape(static_cast<ShapeImpl*>(s));
  }
  delete impl;
  sdk_.collectMeshes();
}

// Drops pending events and overlaps that mention a shape about to go away.
void SceneImpl::forgetShape(ShapeImpl* shape) {
  events_.erase(std::remove_if(events_.begin(), events_.end(),
                               [shape](const TriggerEvent& e) { return e.trigger == shape || e.other == shape; }),
                events_.end());
  for (auto it = overlaps_.begin(); it != overlaps_.end();) {
    if (it->first == shape || it->second == shape)
      it = overlaps_.erase(it);
    else
      ++it;
  }
}

// ---- Stepping ----------------------------------------------------------------------------

void SceneImpl::simulate(NxReal elapsedTime) {
  // A request whose predecessor was never fetched completes that fetch first:
  // a caller that skips fetches (after long frames) still sees the world move
  // and still hears of its triggers, one request late as always.
  if (pending_) fetchResults(NX_RIGID_BODY_FINISHED, false, nullptr);
  AllocScope scope(sdk_.getAllocator());
  for (NxActor* a : actors_) static_cast<ActorImpl*>(a)->latchForces();
  NxU32 steps = 0;
  btScalar h = maxTimestep_;
  if (method_ == NX_TIMESTEP_FIXED) {
    if (elapsedTime > 0 && std::isfinite(elapsedTime)) accumulator_ += elapsedTime;
    double whole = std::floor(accumulator_ / maxTimestep_ + 1e-9);
    // Whole sub-steps beyond the cap are dropped; only the fraction is carried.
    accumulator_ -= whole * maxTimestep_;
    if (accumulator_ < 0) accumulator_ = 0;
    steps = whole > maxIter_ ? maxIter_ : static_cast<NxU32>(whole);
  } else if (elapsedTime > 0 && std::isfinite(elapsedTime)) {
    // Variable stepping: the time in at most maxIter equal steps no longer than maxTimestep.
    steps = std::min<NxU32>(maxIter_, static_cast<NxU32>(std::ceil(elapsedTime / maxTimestep_)));
    h = elapsedTime / static_cast<btScalar>(steps);
  }
  for (NxU32 i = 0; i < steps; ++i) subStep(h);
  lastSubSteps_ = steps;
  pending_ = true;
}

void SceneImpl::subStep(btScalar h) {
  for (NxActor* a : actors_) {
    ActorImpl* actor = static_cast<ActorImpl*>(a);
    if (!actor->body) continue;
    actor->applyLatchedForces(h);
    for (WheelShapeImpl* w : actor->wheels) w->prepare(h);
  }
  world_->stepSimulation(h, 0);
  for (NxActor* a : actors_) {
    ActorImpl* actor = static_cast<ActorImpl*>(a);
    if (!actor->body) continue;
    for (WheelShapeImpl* w : actor->wheels) w->finish(h);
    actor->limitAngularVelocity();
  }
  detectTriggers();
  ++subStepCount_;
}

bool SceneImpl::fetchResults(NxSimulationStatus status, bool block, NxU32* errorState) {
  (void)block;  // the step is computed inside simulate: results are always ready
  if (errorState) *errorState = 0;
  if (!(status & NX_RIGID_BODY_FINISHED) || !pending_) return true;
  pending_ = false;
  for (NxActor* a : actors_) static_cast<ActorImpl*>(a)->publish();
  // Deliver after publishing, so a report sees the poses of its step. The
  // report may not release actors; take a copy in case it simulates again.
  Vec<TriggerEvent> events;
  events.swap(events_);
  if (triggerReport_)
    for (const TriggerEvent& e : events) triggerReport_->onTrigger(*e.trigger, *e.other, e.status);
  return true;
}

// ---- Triggers ----------------------------------------------------------------------------

void SceneImpl::detectTriggers() {
  std::set<std::pair<ShapeImpl*, ShapeImpl*>, std::less<std::pair<ShapeImpl*, ShapeImpl*>>,
           EngineStdAllocator<std::pair<ShapeImpl*, ShapeImpl*>>> now;
  int manifolds = dispatcher_->getNumManifolds();
  for (int i = 0; i < manifolds; ++i) {
    btPersistentManifold* m = dispatcher_->getManifoldByIndexInternal(i);
    ActorImpl* a0 = static_cast<ActorImpl*>(m->getBody0()->getUserPointer());
    ActorImpl* a1 = static_cast<ActorImpl*>(m->getBody1()->getUserPointer());
    if (!a0 || !a1 || a0->trigger == a1->trigger) continue;
    bool touching = false;
    for (int p = 0; p < m->getNumContacts() && !touching; ++p) touching = m->getContactPoint(p).getDistance() < 0;
    if (!touching) continue;
    ActorImpl* trig = a0->trigger ? a0 : a1;
    ActorImpl* other = a0->trigger ? a1 : a0;
    ShapeImpl* ts = trig->firstSolidShape();
    ShapeImpl* os = other->firstSolidShape();
    if (ts && os) now.insert(std::make_pair(ts, os));
  }
  for (const auto& pair : now) {
    NxTriggerFlag flag = overlaps_.count(pair) ? NX_TRIGGER_ON_STAY : NX_TRIGGER_ON_ENTER;
    if (pair.first->getFlags() & flag) events_.push_back({pair.first, pair.second, flag});
  }
  for (const auto& pair : overlaps_) {
    if (!now.count(pair) && (pair.first->getFlags() & NX_TRIGGER_ON_LEAVE))
      events_.push_back({pair.first, pair.second, NX_TRIGGER_ON_LEAVE});
  }
  overlaps_.swap(now);
}

}  // namespace nxe
