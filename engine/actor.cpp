// Actors and their shapes. A dynamic actor is a Bullet rigid body whose frame
// is the centre of mass; the actor frame sits at massOffset_ behind it.
#include <cmath>

#include "engine/internal.h"

namespace nxe {

// ---- Shapes ------------------------------------------------------------------------------------

ShapeImpl::ShapeImpl(ActorImpl& actor, const NxShapeDesc& desc)
    : actor_(actor), type_(desc.getType()), localPose_(desc.localPose), flags_(desc.shapeFlags),
      material_(desc.materialIndex) {
  userData = desc.userData;
  name = desc.name;
  if (type_ == NX_SHAPE_BOX) {
    boxHalfExtents = static_cast<const NxBoxShapeDesc&>(desc).dimensions;
    collision = new btBoxShape(toBt(boxHalfExtents));
  } else if (type_ == NX_SHAPE_MESH) {
    mesh = static_cast<TriangleMeshImpl*>(static_cast<const NxTriangleMeshShapeDesc&>(desc).meshData);
    if (mesh) {
      mesh->addReference();
      collision = mesh->shape();
    }
  }
}

NxActor& ShapeImpl::getActor() const { return actor_; }

NxMat34 ShapeImpl::getGlobalPose() const { return actor_.publishedPose * localPose_; }

// ---- Actors --------------------------------------------------------------------------------------

ActorImpl::ActorImpl(SceneImpl& scene, const NxActorDesc& desc) : scene_(scene), staticPose_(desc.globalPose) {
  userData = desc.userData;
  name = desc.name;
  publishedPose = desc.globalPose;
  density_ = desc.density;
  const NxBodyDesc* b = desc.body;
  if (b) {
    explicitMass_ = b->mass;
    explicitInertia_ = b->massSpaceInertia;
    maxAngularVelocity_ = b->maxAngularVelocity >= 0 ? b->maxAngularVelocity
                                                     : scene.sdk().getParameter(NX_MAX_ANGULAR_VELOCITY);
    angularDamping_ = b->angularDamping;
    compound = new btCompoundShape(false);
    btRigidBody::btRigidBodyConstructionInfo info(1, nullptr, compound);
    body = new btRigidBody(info);
    body->setDamping(b->linearDamping, b->angularDamping);
    body->setSleepingThresholds(0, 0);
    // Bullet's applyForce does not wake a sleeping body: the car never sleeps.
    body->setActivationState(DISABLE_DEACTIVATION);
    body->setFriction(scene.material(0)->getDynamicFriction());
    body->setRestitution(scene.material(0)->getRestitution());
    object = body;
  }
  for (NxShapeDesc* s : desc.shapes)
    if (s) createShape(*s);
  if (body) {
    rebuildMass();
    placeBody(desc.globalPose);
    body->setLinearVelocity(toBt(b->linearVelocity));
    body->setAngularVelocity(toBt(b->angularVelocity));
    publishedLinVel = b->linearVelocity;
    publishedAngVel = b->angularVelocity;
    body->setUserPointer(this);
    scene.world()->addRigidBody(body);
  }
}

ActorImpl::~ActorImpl() {
  for (WheelShapeImpl* w : wheels) {
    if (w->constraint) {
      scene_.world()->removeConstraint(w->constraint);
      delete w->constraint;
      w->constraint = nullptr;
    }
  }
  if (object) {
    if (body)
      scene_.world()->removeRigidBody(body);
    else
      scene_.world()->removeCollisionObject(object);
  }
  delete object;
  if (compound) delete compound;
  for (NxShape* s : shapes_) {
    if (WheelShapeImpl* w = static_cast<WheelShapeImpl*>(s->isWheel())) {
      delete w;
      continue;
    }
    ShapeImpl* shape = static_cast<ShapeImpl*>(s);
    if (shape->mesh)
      shape->mesh->removeReference();
    else
      delete shape->collision;
    delete shape;
  }
}

NxScene& ActorImpl::getScene() const { return scene_; }

ShapeImpl* ActorImpl::firstSolidShape() const {
  for (NxShape* s : shapes_)
    if (!s->isWheel()) return static_cast<ShapeImpl*>(s);
  return nullptr;
}

NxShape* ActorImpl::createShape(const NxShapeDesc& desc) {
  AllocScope scope(scene_.sdk().getAllocator());
  if (desc.getType() == NX_SHAPE_WHEEL) {
    if (!body) return nullptr;  // a wheel needs a body to carry
    WheelShapeImpl* wheel = new WheelShapeImpl(*this, static_cast<const NxWheelShapeDesc&>(desc));
    shapes_.push_back(wheel);
    wheels.push_back(wheel);
    wheel->constraint = new WheelConstraint(*body, scene_.groundBody(), *wheel);
    // No constraint references: they would allocate inside the shared ground body.
    scene_.world()->addConstraint(wheel->constraint, false);
    return wheel;
  }
  ShapeImpl* shape = new ShapeImpl(*this, desc);
  if (!shape->collision) {  // unsupported type or a mesh without data
    delete shape;
    return nullptr;
  }
  shapes_.push_back(shape);
  if (desc.shapeFlags & NX_TRIGGER_ENABLE) trigger = true;
  if (body) {
    if (body->getBroadphaseHandle()) rebuildMass();  // the constructor builds it once at the end
    return shape;
  }
  // Static actor: one collision object per actor, its shape in world space.
  if (object) {
    scene_.world()->removeCollisionObject(object);
    delete object;
    object = nullptr;
    if (compound) delete compound;
    compound = nullptr;
  }
  object = new btCollisionObject();
  ShapeImpl* only = shapes_.size() == 1 ? static_cast<ShapeImpl*>(shapes_[0]) : nullptr;
  if (only) {
    object->setCollisionShape(only->collision);
    object->setWorldTransform(toBt(staticPose_ * only->localPose_));
  } else {
    compound = new btCompoundShape(false);
    for (NxShape* s : shapes_)
      if (!s->isWheel()) compound->addChildShape(toBt(s->getLocalPose()), static_cast<ShapeImpl*>(s)->collision);
    object->setCollisionShape(compound);
    object->setWorldTransform(toBt(staticPose_));
  }
  int flags = btCollisionObject::CF_STATIC_OBJECT;
  if (trigger) flags |= btCollisionObject::CF_NO_CONTACT_RESPONSE;
  if (shape->mesh) flags |= btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK;
  object->setCollisionFlags(flags);
  MaterialImpl* m = scene_.material(shape->material_);
  object->setFriction(m->getDynamicFriction());
  object->setRestitution(m->getRestitution());
  object->setUserPointer(this);
  scene_.world()->addCollisionObject(object, btBroadphaseProxy::StaticFilter,
                                     btBroadphaseProxy::AllFilter ^ btBroadphaseProxy::StaticFilter);
  return shape;
}

// Mass, centre of mass and inertia from the solid shapes (boxes count; meshes
// have no volume). The inertia is that of the boxes about their joint centre.
void ActorImpl::rebuildMass() {
  NxReal mass = 0;
  NxVec3 centre;
  struct Part { NxReal m; NxVec3 at, half; };
  Vec<Part> parts;
  for (NxShape* s : shapes_) {
    if (s->isWheel()) continue;
    ShapeImpl* shape = static_cast<ShapeImpl*>(s);
    if (shape->type_ != NX_SHAPE_BOX) continue;
    NxVec3 h = shape->boxHalfExtents;
    NxReal volume = 8 * h.x * h.y * h.z;
    NxReal m = density_ > 0 ? density_ * volume : volume;
    parts.push_back({m, shape->localPose_.t, h});
    mass += m;
    centre += shape->localPose_.t * m;
  }
  if (mass > 0) centre /= mass;
  NxVec3 inertia;
  for (const Part& p : parts) {
    NxVec3 d = p.at - centre;
    inertia.x += p.m / 3 * (p.half.y * p.half.y + p.half.z * p.half.z) + p.m * (d.y * d.y + d.z * d.z);
    inertia.y += p.m / 3 * (p.half.x * p.half.x + p.half.z * p.half.z) + p.m * (d.x * d.x + d.z * d.z);
    inertia.z += p.m / 3 * (p.half.x * p.half.x + p.half.y * p.half.y) + p.m * (d.x * d.x + d.y * d.y);
  }
  if (explicitMass_ > 0) {
    if (mass > 0) inertia *= explicitMass_ / mass;
    mass = explicitMass_;
  }
  if (!explicitInertia_.isZero()) inertia = explicitInertia_;
  if (mass <= 0) {  // a body without volume still needs to move sensibly
    mass = 1;
    inertia = NxVec3(1, 1, 1);
  }
  NxMat34 pose = body ? livePose() : staticPose_;
  mass_ = mass;
  inertia_ = inertia;
  massOffset_ = centre;
  body->setMassProps(mass, toBt(inertia));
  placeBody(pose);
}

NxMat34 ActorImpl::livePose() const {
  if (!body) return staticPose_;
  NxMat34 com = toNx(body->getWorldTransform());
  return NxMat34(com.M, com.t - com.M * massOffset_);
}

// Puts the body where the actor frame is `actorPose`, with the compound
// children re-centred on the centre of mass.
void ActorImpl::placeBody(const NxMat34& actorPose) {
  if (!body) {
    staticPose_ = actorPose;
    publishedPose = actorPose;
    if (object) {
      ShapeImpl* only = shapes_.size() == 1 && !compound ? static_cast<ShapeImpl*>(shapes_[0]) : nullptr;
      object->setWorldTransform(toBt(only ? actorPose * only->localPose_ : actorPose));
      if (object->getBroadphaseHandle()) scene_.world()->updateSingleAabb(object);
    }
    return;
  }
  while (compound->getNumChildShapes() > 0) compound->removeChildShapeByIndex(0);
  for (NxShape* s : shapes_) {
    if (s->isWheel()) continue;
    ShapeImpl* shape = static_cast<ShapeImpl*>(s);
    NxMat34 local = shape->localPose_;
    local.t -= massOffset_;
    compound->addChildShape(toBt(local), shape->collision);
  }
  btTransform t = toBt(NxMat34(actorPose.M, actorPose * massOffset_));
  body->setWorldTransform(t);
  body->setInterpolationWorldTransform(t);
  body->setCenterOfMassTransform(t);
  if (body->getBroadphaseHandle()) scene_.world()->updateSingleAabb(body);
  publishedPose = actorPose;
}

void ActorImpl::setGlobalPose(const NxMat34& pose) { placeBody(pose); }

void ActorImpl::setGlobalPosition(const NxVec3& position) {
  NxMat34 pose = body ? livePose() : staticPose_;
  pose.t = position;
  placeBody(pose);
}

void ActorImpl::setGlobalOrientation(const NxMat33& orientation) {
  NxMat34 pose = body ? livePose() : staticPose_;
  pose.M = orientation;
  placeBody(pose);
}

void ActorImpl::setGlobalOrientationQuat(const NxQuat& orientation) {
  NxQuat q = orientation;
  q.normalize();
  setGlobalOrientation(NxMat33(q));
}

NxQuat ActorImpl::getGlobalOrientationQuat() const {
  NxQuat q;
  publishedPose.M.toQuat(q);
  return q;
}

void ActorImpl::setCMassOffsetLocalPosition(const NxVec3& position) {
  if (!body) return;
  NxMat34 pose = livePose();
  massOffset_ = position;
  placeBody(pose);
}

void ActorImpl::setLinearVelocity(const NxVec3& v) {
  if (!body) return;
  body->setLinearVelocity(toBt(v));
  publishedLinVel = v;
}

void ActorImpl::setAngularVelocity(const NxVec3& w) {
  if (!body) return;
  body->setAngularVelocity(toBt(w));
  publishedAngVel = w;
}

NxVec3 ActorImpl::getPointVelocity(const NxVec3& worldPoint) const {
  NxVec3 com = publishedPose * massOffset_;
  return publishedLinVel + publishedAngVel.cross(worldPoint - com);
}

// ---- Forces ----------------------------------------------------------------------------------------

void ActorImpl::addForceWorld(const NxVec3& force, const NxVec3& worldPoint, NxForceMode mode) {
  if (!body) return;
  NxMat34 pose = livePose();
  btVector3 f = toBt(force);
  btVector3 arm = toBt(worldPoint - pose * massOffset_);
  switch (mode) {
    case NX_FORCE:
      pendingForce_ += f;
      pendingTorque_ += arm.cross(f);
      break;
    case NX_ACCELERATION:
      pendingForce_ += f * mass_;
      pendingTorque_ += arm.cross(f * mass_);
      break;
    case NX_IMPULSE:
    case NX_SMOOTH_IMPULSE:
      body->applyImpulse(f, arm);
      break;
    case NX_VELOCITY_CHANGE:
    case NX_SMOOTH_VELOCITY_CHANGE:
      body->applyImpulse(f * mass_, arm);
      break;
  }
}

void ActorImpl::addForceAtPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode) {
  addForceWorld(force, pos, mode);
}

void ActorImpl::addForceAtLocalPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode) {
  addForceWorld(force, livePose() * pos, mode);
}

void ActorImpl::addLocalForceAtPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode) {
  addForceWorld(livePose().M * force, pos, mode);
}

void ActorImpl::addLocalForceAtLocalPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode) {
  NxMat34 pose = livePose();
  addForceWorld(pose.M * force, pose * pos, mode);
}

void ActorImpl::addForce(const NxVec3& force, NxForceMode mode) {
  if (!body) return;
  addForceWorld(force, livePose() * massOffset_, mode);
}

void ActorImpl::addTorque(const NxVec3& torque, NxForceMode mode) {
  if (!body) return;
  if (mode == NX_FORCE)
    pendingTorque_ += toBt(torque);
  else if (mode == NX_IMPULSE || mode == NX_SMOOTH_IMPULSE)
    body->applyTorqueImpulse(toBt(torque));
}

void ActorImpl::latchForces() {
  stepForce_ = pendingForce_;
  stepTorque_ = pendingTorque_;
  pendingForce_.setZero();
  pendingTorque_.setZero();
}

void ActorImpl::applyLatchedForces(btScalar) {
  body->applyCentralForce(stepForce_);
  body->applyTorque(stepTorque_);
}

void ActorImpl::limitAngularVelocity() {
  btVector3 w = body->getAngularVelocity();
  btScalar m = w.length();
  if (maxAngularVelocity_ > 0 && m > maxAngularVelocity_) body->setAngularVelocity(w * (maxAngularVelocity_ / m));
}

void ActorImpl::publish() {
  if (!body) return;
  publishedPose = livePose();
  publishedLinVel = toNx(body->getLinearVelocity());
  publishedAngVel = toNx(body->getAngularVelocity());
  for (WheelShapeImpl* w : wheels) w->publish();
}

}  // namespace nxe
