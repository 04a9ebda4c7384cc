// The wheel: a suspension ray plus three bounded rows inside Bullet's solver
// (suspension, longitudinal and lateral tyre force), and the axle speed that
// the motor, the brake and the road turn.
//
// The spring is far too stiff for the body's mass to be integrated as a force
// (about 28 times the stable limit per sub-step); as a soft constraint row it
// is implicit and stable. Tyre forces are hard rows whose impulse bounds come
// from the tyre curves, because Bullet's iteration diverges for soft rows with
// a relative mixing term of 1 or more.
#include <algorithm>
#include <cmath>

#include "engine/internal.h"

namespace nxe {
namespace {

// Peak friction coefficient of a tyre curve. Both of the game's curves reach
// it: a 10:1 longitudinal to lateral ratio makes the car plough straight on,
// because its heavy axles spin alike and the tyres of one axle scrub in turns.
// A stiffness below 10000 gives proportionally less grip.
NxReal peakFriction(const NxTireFunctionDesc& f) {
  const NxReal kPeak = 20.0f;
  return kPeak * std::min<NxReal>(1.0f, f.stiffnessFactor / 10000.0f);
}

// The curve normalised to its extremum: 0 at rest, 1 at the extremum.
NxReal curve(const NxTireFunctionDesc& f, NxReal slip) {
  if (f.extremumValue <= 0) return 0;
  return std::fabs(f.hermiteEval(slip)) / f.extremumValue;
}

btScalar inverseEffectiveMass(const btRigidBody& b, const btVector3& arm, const btVector3& dir) {
  btVector3 ang = arm.cross(dir);
  return b.getInvMass() + ang.dot(b.getInvInertiaTensorWorld() * ang);
}

// Skips the car's own body and everything that does not collide (triggers).
struct WheelRay : btCollisionWorld::ClosestRayResultCallback {
  WheelRay(const btVector3& from, const btVector3& to, const btCollisionObject* self)
      : ClosestRayResultCallback(from, to), self_(self) {}
  bool needsCollision(btBroadphaseProxy* proxy) const override {
    const btCollisionObject* o = static_cast<const btCollisionObject*>(proxy->m_clientObject);
    if (o == self_ || !o->hasContactResponse()) return false;
    return ClosestRayResultCallback::needsCollision(proxy);
  }
  const btCollisionObject* self_;
};

// Moves w towards 0 by up to `amount`; returns what was not needed.
NxReal brakeTowardsZero(NxReal& w, NxReal amount) {
  if (std::fabs(w) <= amount) {
    NxReal left = amount - std::fabs(w);
    w = 0;
    return left;
  }
  w -= w > 0 ? amount : -amount;
  return 0;
}

}  // namespace

WheelShapeImpl::WheelShapeImpl(ActorImpl& actor, const NxWheelShapeDesc& desc) : actor_(actor), desc_(desc) {
  userData = desc.userData;
  name = desc.name;
  axle_ = 0;
  live.extension = desc.suspensionTravel;
  published = live;
}

WheelShapeImpl::~WheelShapeImpl() = default;

NxActor& WheelShapeImpl::getActor() const { return actor_; }

// The wheel centre: the attachment point moved down the shape's -Y by the
// suspension's extension; the steer and the spin are left to the caller.
NxMat34 WheelShapeImpl::getGlobalPose() const {
  NxMat34 local = desc_.localPose;
  local.t -= local.M.getColumn(1) * published.extension;
  return actor_.publishedPose * local;
}

void WheelShapeImpl::prepare(btScalar h) {
  const btRigidBody& b = *actor_.body;
  const NxReal R = desc_.radius, travel = desc_.suspensionTravel, invW = desc_.inverseWheelMass;
  NxMat34 pose = actor_.livePose();
  NxMat34 local = desc_.localPose;
  btVector3 origin = toBt(pose * local.t);
  btVector3 up = toBt(pose.M * local.M.getColumn(1)).normalized();
  NxReal steer = desc_.steerAngle;
  btVector3 heading = toBt(pose.M * (local.M * NxVec3(std::sin(steer), 0, std::cos(steer))));

  // Velocity at the end of this sub-step without constraints: with gravity and
  // the applied forces, or static friction could never hold the car still.
  btVector3 com = b.getCenterOfMassPosition();
  btVector3 v = b.getLinearVelocity() + (b.getTotalForce() * b.getInvMass() + b.getGravity()) * h;
  btVector3 w = b.getAngularVelocity() + b.getInvInertiaTensorWorld() * b.getTotalTorque() * h;

  // Axle before the solve: motor, then brake (which locks at 0).
  NxReal axle = axle_ + desc_.motorTorque * invW * h;
  leftoverBrake = brakeTowardsZero(axle, std::fabs(desc_.brakeTorque) * invW * h);
  axle_ = axle;

  // The ray reaches a step's travel further when falling: without that the
  // wheel finds the ground only after passing it, and the car bounces.
  btVector3 originVel = v + w.cross(origin - com);
  btScalar down = std::max<btScalar>(0, -originVel.dot(up));
  btScalar skin = actor_.scene_.skinWidth();
  btScalar length = R + travel + down * h + skin;
  btVector3 to = origin - up * length;
  WheelRay ray(origin, to, actor_.body);
  actor_.scene_.world()->rayTest(origin, to, ray);
  live.contactShape = nullptr;
  live.contact = NxWheelContactData();
  touching = ray.hasHit();
  if (!touching) {
    lastNormalImpulse = 0;
    return;
  }
  btScalar distance = ray.m_closestHitFraction * length;
  compression = R + travel - distance;
  normal = ray.m_hitNormalWorld.normalized();
  if (normal.dot(up) < 0) normal = -normal;
  hitPoint = ray.m_hitPointWorld;
  forward = heading - normal * normal.dot(heading);
  if (forward.length2() < 1e-12f) forward = up.cross(normal).cross(normal);  // axle on its end
  forward.normalize();
  lateral = normal.cross(forward);

  btVector3 arm = hitPoint - com;
  btVector3 contactVel = v + w.cross(arm);
  btScalar vf = contactVel.dot(forward), vl = contactVel.dot(lateral);
  btScalar mN = 1 / inverseEffectiveMass(b, arm, normal);
  btScalar mF = 1 / inverseEffectiveMass(b, arm, forward);
  btScalar mL = 1 / inverseEffectiveMass(b, arm, lateral);

  // Suspension: an implicit spring (soft row); beyond full extension a
  // speculative row that lets the gap close within this step and no further.
  const NxSpringDesc& s = desc_.suspension;
  speculative = compression < 0;
  if (speculative || s.spring * h + s.damper <= 0) {
    suspensionTarget = compression / h;
    suspensionCfm = 0;
  } else {
    btScalar x = compression - s.targetValue * travel;
    btScalar k = s.spring, c = s.damper;
    suspensionTarget = (h * k / (c + h * k)) * x / h;
    suspensionCfm = mN / (h * (c + h * k));
  }

  // Tyres: slip ratio and slip angle against the axle before the solve.
  btScalar N = lastNormalImpulse / h;
  btScalar vRef = std::max<btScalar>(std::fabs(vf), 2);
  btScalar slipVel = axle * R - vf;
  btScalar slipRatio = slipVel / vRef;
  btScalar slipAngle = std::atan(std::fabs(vl) / vRef);
  const NxTireFunctionDesc& lng = desc_.longitudalTireForceFunction;
  const NxTireFunctionDesc& lat = desc_.lateralTireForceFunction;
  btScalar gLong = curve(lng, slipRatio), gLat = curve(lat, slipAngle);
  btScalar combined = std::sqrt(gLong * gLong + gLat * gLat);
  btScalar share = combined > 1 ? 1 / combined : 1;
  btScalar capLong = peakFriction(lng) * N * h * share;
  btScalar capLat = peakFriction(lat) * N * h * share;

  // Bounds: the curve force integrated backward-Euler (the slip it removes
  // lowers it), capped by the peak; below a skin width of slip travel per
  // step the tyre holds like static friction.
  btScalar inertiaInSeries = R * R * invW;
  if (std::fabs(slipVel) * h < skin) {
    longBound = capLong;
  } else {
    btScalar c = peakFriction(lng) * N * gLong / std::fabs(slipVel);
    longBound = std::min(h * c * std::fabs(slipVel) / (1 + h * c * (1 / mF + inertiaInSeries)), capLong);
  }
  if (std::fabs(vl) * h < skin) {
    latBound = capLat;
  } else {
    btScalar c = peakFriction(lat) * N * gLat / std::fabs(vl);
    latBound = std::min(h * c * std::fabs(vl) / (1 + h * c / mL), capLat);
  }
  longTarget = axle * R;
  longCfm = inertiaInSeries * mF;  // the axle gives way as the road pushes back

  live.contact.contactPoint = toNx(hitPoint);
  live.contact.contactNormal = toNx(normal);
  live.contact.longitudalDirection = toNx(forward);
  live.contact.lateralDirection = toNx(lateral);
  live.contact.longitudalSlip = static_cast<NxReal>(slipRatio);
  live.contact.lateralSlip = static_cast<NxReal>(slipAngle);
  live.contact.contactPosition = static_cast<NxReal>(distance);
  const btCollisionObject* hit = ray.m_collisionObject;
  ActorImpl* other = hit ? static_cast<ActorImpl*>(hit->getUserPointer()) : nullptr;
  live.contactShape = other ? other->firstSolidShape() : nullptr;
  if (live.contactShape) live.contact.otherShapeMaterialIndex = live.contactShape->getMaterial();
}

void WheelShapeImpl::finish(btScalar h) {
  const NxReal R = desc_.radius, travel = desc_.suspensionTravel, invW = desc_.inverseWheelMass;
  if (!touching) {
    live.extension = travel;
    return;
  }
  // The rows' impulses, recovered by projecting the summed force on the frame.
  btVector3 force = feedback.m_appliedForceBodyA;
  btScalar normalImpulse = force.dot(normal) * h;
  btScalar longImpulse = force.dot(forward) * h;
  btScalar latImpulse = force.dot(lateral) * h;
  lastNormalImpulse = std::max<btScalar>(0, normalImpulse);
  axle_ -= R * invW * longImpulse;
  brakeTowardsZero(axle_, leftoverBrake);
  live.extension = std::min<NxReal>(travel, std::max<NxReal>(0, travel - compression));
  live.contact.contactForce = static_cast<NxReal>(lastNormalImpulse / h);
  live.contact.longitudalImpulse = static_cast<NxReal>(longImpulse);
  live.contact.lateralImpulse = static_cast<NxReal>(latImpulse);
}

// ---- Rows ----------------------------------------------------------------------------------------

WheelConstraint::WheelConstraint(btRigidBody& chassis, btRigidBody& ground, WheelShapeImpl& wheel)
    : btTypedConstraint(CONTACT_CONSTRAINT_TYPE, chassis, ground), wheel_(wheel) {
  setJointFeedback(&wheel.feedback);
  enableFeedback(true);
}

void WheelConstraint::getInfo1(btConstraintInfo1* info) {
  info->m_numConstraintRows = wheel_.touching ? 3 : 0;
  info->nub = 0;
}

void WheelConstraint::getInfo2(btConstraintInfo2* info) {
  const btRigidBody& b = getRigidBodyA();
  btVector3 arm = wheel_.hitPoint - b.getCenterOfMassPosition();
  const btVector3 dirs[3] = {wheel_.normal, wheel_.forward, wheel_.lateral};
  const btScalar targets[3] = {wheel_.suspensionTarget, wheel_.longTarget, 0};
  const btScalar cfms[3] = {wheel_.suspensionCfm, wheel_.longCfm, 0};
  const btScalar lows[3] = {0, -wheel_.longBound, -wheel_.latBound};
  const btScalar highs[3] = {SIMD_INFINITY, wheel_.longBound, wheel_.latBound};
  for (int row = 0; row < 3; ++row) {
    int s = row * info->rowskip;
    btVector3 ang = arm.cross(dirs[row]);
    for (int k = 0; k < 3; ++k) {
      info->m_J1linearAxis[s + k] = dirs[row][k];
      info->m_J1angularAxis[s + k] = ang[k];
      if (info->m_J2linearAxis) info->m_J2linearAxis[s + k] = 0;
      if (info->m_J2angularAxis) info->m_J2angularAxis[s + k] = 0;
    }
    info->m_constraintError[s] = targets[row];
    info->cfm[s] = cfms[row];
    info->m_lowerLimit[s] = lows[row];
    info->m_upperLimit[s] = highs[row];
  }
}

}  // namespace nxe
