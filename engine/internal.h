// Engine internals: the Nx objects hosted on Bullet. Only engine/*.cpp include this.
#pragma once

#include <btBulletDynamicsCommon.h>
#include <BulletCollision/CollisionShapes/btTriangleInfoMap.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "engine/NxPhysics.h"

namespace nxe {

// ---- Memory: every engine and Bullet block goes through the SDK's allocator ----
// The allocator that serves allocations right now (set around each engine call).
NxUserAllocator* activeAllocator();
void setActiveAllocator(NxUserAllocator* allocator);
void* engineAlloc(size_t size, const char* className);
void engineFree(void* memory);
void installBulletHooks();

class AllocScope {
 public:
  explicit AllocScope(NxUserAllocator* a) : previous_(activeAllocator()) { setActiveAllocator(a); }
  ~AllocScope() { setActiveAllocator(previous_); }
  AllocScope(const AllocScope&) = delete;
  AllocScope& operator=(const AllocScope&) = delete;

 private:
  NxUserAllocator* previous_;
};

// Engine objects are allocated through the active allocator.
struct EngineObject {
  static void* operator new(size_t size) noexcept { return engineAlloc(size, "NxObject"); }
  static void operator delete(void* p) { engineFree(p); }
};

// Standard-library containers inside the engine use the same route.
template <class T>
struct EngineStdAllocator {
  typedef T value_type;
  EngineStdAllocator() = default;
  template <class U>
  EngineStdAllocator(const EngineStdAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(engineAlloc(n * sizeof(T), "NxArray")); }
  void deallocate(T* p, size_t) { engineFree(p); }
  template <class U>
  bool operator==(const EngineStdAllocator<U>&) const { return true; }
  template <class U>
  bool operator!=(const EngineStdAllocator<U>&) const { return false; }
};
template <class T>
using Vec = std::vector<T, EngineStdAllocator<T>>;

inline btVector3 toBt(const NxVec3& v) { return btVector3(v.x, v.y, v.z); }
inline NxVec3 toNx(const btVector3& v) { return NxVec3(v.x(), v.y(), v.z()); }
btTransform toBt(const NxMat34& m);
NxMat34 toNx(const btTransform& t);

// Fills `map` with the seams between triangles sharing an edge (engine/edges.cpp).
void buildEdgeInfo(const Vec<NxVec3>& vertices, const Vec<NxU32>& indices, btTriangleInfoMap& map);

class SceneImpl;
class ActorImpl;
class SdkImpl;
class WheelConstraint;

// ---- Materials --------------------------------------------------------------------
class MaterialImpl : public NxMaterial, public EngineObject {
 public:
  MaterialImpl(SceneImpl& scene, NxMaterialIndex index, const NxMaterialDesc& desc)
      : scene_(scene), index_(index), desc_(desc) {}
  NxMaterialIndex getMaterialIndex() override { return index_; }
  void setRestitution(NxReal r) override { desc_.restitution = r; }
  NxReal getRestitution() const override { return desc_.restitution; }
  void setStaticFriction(NxReal f) override { desc_.staticFriction = f; }
  NxReal getStaticFriction() const override { return desc_.staticFriction; }
  void setDynamicFriction(NxReal f) override { desc_.dynamicFriction = f; }
  NxReal getDynamicFriction() const override { return desc_.dynamicFriction; }
  void setFrictionCombineMode(NxCombineMode mode) override { desc_.frictionCombineMode = mode; }
  NxCombineMode getFrictionCombineMode() const override { return desc_.frictionCombineMode; }
  NxScene& getScene() const override;

 private:
  SceneImpl& scene_;
  NxMaterialIndex index_;
  NxMaterialDesc desc_;
};

// ---- Triangle mesh --------------------------------------------------------------------
class TriangleMeshImpl : public NxTriangleMesh, public EngineObject {
 public:
  TriangleMeshImpl(Vec<NxVec3>&& vertices, Vec<NxU32>&& indices);
  ~TriangleMeshImpl() override;
  NxU32 getNbVertices() const override { return static_cast<NxU32>(vertices_.size()); }
  NxU32 getNbTriangles() const override { return static_cast<NxU32>(indices_.size() / 3); }
  const NxVec3* getVertices() const override { return vertices_.data(); }
  const NxU32* getTriangles() const override { return indices_.data(); }
  NxU32 getReferenceCount() const override { return references_; }
  btBvhTriangleMeshShape* shape() { return shape_; }
  void addReference() { ++references_; }
  void removeReference() { --references_; }
  bool released = false;

 private:
  Vec<NxVec3> vertices_;
  Vec<NxU32> indices_;
  btTriangleIndexVertexArray* arrays_ = nullptr;
  btBvhTriangleMeshShape* shape_ = nullptr;
  btTriangleInfoMap* edgeInfo_ = nullptr;
  NxU32 references_ = 0;
};

// ---- Shapes -------------------------------------------------------------------------------
class ShapeImpl : public NxShape, public EngineObject {
 public:
  ShapeImpl(ActorImpl& actor, const NxShapeDesc& desc);
  NxActor& getActor() const override;
  NxShapeType getType() const override { return type_; }
  NxMat34 getGlobalPose() const override;
  NxMat34 getLocalPose() const override { return localPose_; }
  NxU32 getFlags() const override { return flags_; }
  NxMaterialIndex getMaterial() const override { return material_; }
  void setMaterial(NxMaterialIndex index) override { material_ = index; }

  ActorImpl& actor_;
  NxShapeType type_;
  NxMat34 localPose_;
  NxU32 flags_;
  NxMaterialIndex material_;
  btCollisionShape* collision = nullptr;   // null for wheels
  NxVec3 boxHalfExtents;                  // boxes only
  TriangleMeshImpl* mesh = nullptr;       // meshes only
};

// What fetchResults publishes for a wheel.
struct WheelState {
  NxReal axleSpeed = 0;
  NxReal extension = 0;          // current suspension extension (travel when free)
  NxWheelContactData contact;
  NxShape* contactShape = nullptr;
};

class WheelShapeImpl : public NxWheelShape, public EngineObject {
 public:
  WheelShapeImpl(ActorImpl& actor, const NxWheelShapeDesc& desc);
  ~WheelShapeImpl() override;
  NxActor& getActor() const override;
  NxShapeType getType() const override { return NX_SHAPE_WHEEL; }
  NxMat34 getGlobalPose() const override;
  NxMat34 getLocalPose() const override { return desc_.localPose; }
  NxU32 getFlags() const override { return desc_.shapeFlags; }
  NxMaterialIndex getMaterial() const override { return desc_.materialIndex; }
  void setMaterial(NxMaterialIndex index) override { desc_.materialIndex = index; }

  void setMotorTorque(NxReal torque) override { desc_.motorTorque = torque; }
  NxReal getMotorTorque() const override { return desc_.motorTorque; }
  void setBrakeTorque(NxReal torque) override { desc_.brakeTorque = torque; }
  NxReal getBrakeTorque() const override { return desc_.brakeTorque; }
  void setSteerAngle(NxReal radians) override { desc_.steerAngle = radians; }
  NxReal getSteerAngle() const override { return desc_.steerAngle; }
  NxReal getAxleSpeed() const override { return published.axleSpeed; }
  void setAxleSpeed(NxReal speed) override { axle_ = speed; published.axleSpeed = speed; }
  NxReal getRadius() const override { return desc_.radius; }
  NxReal getSuspensionTravel() const override { return desc_.suspensionTravel; }
  NxSpringDesc getSuspension() const override { return desc_.suspension; }
  NxReal getInverseWheelMass() const override { return desc_.inverseWheelMass; }
  NxTireFunctionDesc getLongitudalTireForceFunction() const override {
    return desc_.longitudalTireForceFunction;
  }
  NxTireFunctionDesc getLateralTireForceFunction() const override { return desc_.lateralTireForceFunction; }
  NxShape* getContact(NxWheelContactData& data) const override {
    data = published.contact;
    return published.contactShape;
  }

  // Sub-step work around Bullet's solve (engine/wheel.cpp).
  void prepare(btScalar h);
  void finish(btScalar h);
  void publish() { published = live; published.axleSpeed = axle_; }

  ActorImpl& actor_;
  NxWheelShapeDesc desc_;
  WheelState live;
  WheelState published;
  WheelConstraint* constraint = nullptr;

  // Per-sub-step working values shared with the constraint rows.
  NxReal axle_ = 0;
  bool touching = false;
  NxReal compression = 0;        // R + travel - hit distance
  btVector3 hitPoint, normal, forward, lateral;
  btScalar suspensionTarget = 0, suspensionCfm = 0;
  bool speculative = false;
  btScalar longTarget = 0, longCfm = 0, longBound = 0, latBound = 0;
  NxReal leftoverBrake = 0;      // brake capacity not used this sub-step
  NxReal lastNormalImpulse = 0;
  btJointFeedback feedback;
};

// ---- Actors ----------------------------------------------------------------------------------
class ActorImpl : public NxActor, public EngineObject {
 public:
  ActorImpl(SceneImpl& scene, const NxActorDesc& desc);
  ~ActorImpl() override;

  NxScene& getScene() const override;
  bool isDynamic() const override { return body != nullptr; }
  NxShape* createShape(const NxShapeDesc& desc) override;
  NxU32 getNbShapes() const override { return static_cast<NxU32>(shapes_.size()); }
  NxShape* const* getShapes() const override { return shapes_.data(); }

  void setGlobalPose(const NxMat34& pose) override;
  void setGlobalPosition(const NxVec3& position) override;
  void setGlobalOrientation(const NxMat33& orientation) override;
  void setGlobalOrientationQuat(const NxQuat& orientation) override;
  NxMat34 getGlobalPose() const override { return publishedPose; }
  NxVec3 getGlobalPosition() const override { return publishedPose.t; }
  NxMat33 getGlobalOrientation() const override { return publishedPose.M; }
  NxQuat getGlobalOrientationQuat() const override;

  NxVec3 getCMassLocalPosition() const override { return massOffset_; }
  void setCMassOffsetLocalPosition(const NxVec3& position) override;
  NxVec3 getCMassGlobalPosition() const override { return publishedPose * massOffset_; }
  NxReal getMass() const override { return mass_; }
  NxVec3 getMassSpaceInertiaTensor() const override { return inertia_; }

  void setLinearVelocity(const NxVec3& v) override;
  NxVec3 getLinearVelocity() const override { return publishedLinVel; }
  void setAngularVelocity(const NxVec3& w) override;
  NxVec3 getAngularVelocity() const override { return publishedAngVel; }
  NxReal getMaxAngularVelocity() const override { return maxAngularVelocity_; }
  NxReal getAngularDamping() const override { return angularDamping_; }
  NxVec3 getPointVelocity(const NxVec3& worldPoint) const override;

  void addForceAtPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode) override;
  void addForceAtLocalPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode) override;
  void addLocalForceAtPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode) override;
  void addLocalForceAtLocalPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode) override;
  void addForce(const NxVec3& force, NxForceMode mode) override;
  void addTorque(const NxVec3& torque, NxForceMode mode) override;

  bool isSleeping() const override { return false; }
  void wakeUp(NxReal) override {}

  // Engine side.
  NxMat34 livePose() const;                  // the actor frame from Bullet's current state
  void latchForces();                        // forces added since the last simulate act now
  void applyLatchedForces(btScalar h);       // once per sub-step
  void publish();
  void limitAngularVelocity();
  ShapeImpl* firstSolidShape() const;

  SceneImpl& scene_;
  btRigidBody* body = nullptr;               // dynamic actors
  btCollisionObject* object = nullptr;       // static actors (or the body)
  btCompoundShape* compound = nullptr;
  Vec<NxShape*> shapes_;
  Vec<WheelShapeImpl*> wheels;
  bool trigger = false;

  NxMat34 publishedPose;
  NxVec3 publishedLinVel, publishedAngVel;

 private:
  void rebuildMass();
  void placeBody(const NxMat34& actorPose);
  void addForceWorld(const NxVec3& force, const NxVec3& worldPoint, NxForceMode mode);

  NxMat34 staticPose_;
  NxReal density_ = 0;
  NxReal explicitMass_ = 0;
  NxVec3 explicitInertia_;
  NxReal mass_ = 0;
  NxVec3 inertia_;
  NxVec3 massOffset_;                        // centre of mass in the actor frame
  NxReal maxAngularVelocity_ = 7;
  NxReal angularDamping_ = 0.05f;
  btVector3 pendingForce_{0, 0, 0}, pendingTorque_{0, 0, 0};
  btVector3 pendingImpulse_{0, 0, 0}, pendingAngularImpulse_{0, 0, 0};
  btVector3 stepForce_{0, 0, 0}, stepTorque_{0, 0, 0};
};

// One wheel's rows inside Bullet's solver: chassis against the fixed body.
class WheelConstraint : public btTypedConstraint {
 public:
  WheelConstraint(btRigidBody& chassis, btRigidBody& ground, WheelShapeImpl& wheel);
  void getInfo1(btConstraintInfo1* info) override;
  void getInfo2(btConstraintInfo2* info) override;
  void setParam(int, btScalar, int) override {}
  btScalar getParam(int, int) const override { return 0; }

 private:
  WheelShapeImpl& wheel_;
};

// ---- Scene ---------------------------------------------------------------------------------
struct TriggerEvent {
  ShapeImpl* trigger;
  ShapeImpl* other;
  NxTriggerFlag status;
};

class SceneImpl : public NxScene, public EngineObject {
 public:
  SceneImpl(SdkImpl& sdk, const NxSceneDesc& desc);
  ~SceneImpl() override;

  NxPhysicsSDK& getPhysicsSDK() override;
  void setGravity(const NxVec3& g) override;
  void getGravity(NxVec3& g) const override { g = gravity_; }
  void setTiming(NxReal maxTimestep, NxU32 maxIter, NxTimeStepMethod method) override;
  void getTiming(NxReal& maxTimestep, NxU32& maxIter, NxTimeStepMethod& method,
                 NxU32* numSubSteps) const override;
  void setUserTriggerReport(NxUserTriggerReport* report) override { triggerReport_ = report; }
  NxUserTriggerReport* getUserTriggerReport() const override { return triggerReport_; }
  NxMaterial* createMaterial(const NxMaterialDesc& desc) override;
  NxMaterial* getMaterialFromIndex(NxMaterialIndex index) override;
  NxU32 getNbMaterials() const override { return static_cast<NxU32>(materials_.size()); }
  NxActor* createActor(const NxActorDesc& desc) override;
  void releaseActor(NxActor& actor) override;
  NxU32 getNbActors() const override { return static_cast<NxU32>(actors_.size()); }
  NxActor** getActors() override { return actors_.data(); }
  void simulate(NxReal elapsedTime) override;
  void flushStream() override {}
  bool fetchResults(NxSimulationStatus status, bool block, NxU32* errorState) override;
  bool checkResults(NxSimulationStatus, bool) override { return true; }
  NxU32 getSubStepCount() const override { return subStepCount_; }

  MaterialImpl* material(NxMaterialIndex index);
  btDiscreteDynamicsWorld* world() { return world_; }
  // The immovable partner of the wheel rows (never in the world).
  btRigidBody& groundBody() { return *ground_; }
  SdkImpl& sdk() { return sdk_; }
  NxReal skinWidth() const;
  void forgetShape(ShapeImpl* shape);

 private:
  void subStep(btScalar h);
  void detectTriggers();

  SdkImpl& sdk_;
  NxVec3 gravity_;
  NxReal maxTimestep_;
  NxU32 maxIter_;
  NxTimeStepMethod method_;
  double accumulator_ = 0;
  NxU32 lastSubSteps_ = 0;
  NxU32 subStepCount_ = 0;
  bool pending_ = false;
  NxUserTriggerReport* triggerReport_ = nullptr;
  Vec<MaterialImpl*> materials_;
  Vec<NxActor*> actors_;
  Vec<TriggerEvent> events_;
  std::set<std::pair<ShapeImpl*, ShapeImpl*>, std::less<std::pair<ShapeImpl*, ShapeImpl*>>,
           EngineStdAllocator<std::pair<ShapeImpl*, ShapeImpl*>>> overlaps_;

  btDefaultCollisionConfiguration* configuration_ = nullptr;
  btCollisionDispatcher* dispatcher_ = nullptr;
  btBroadphaseInterface* broadphase_ = nullptr;
  btSequentialImpulseConstraintSolver* solver_ = nullptr;
  btDiscreteDynamicsWorld* world_ = nullptr;
  btRigidBody* ground_ = nullptr;
};

// ---- SDK -------------------------------------------------------------------------------------
class SdkImpl : public NxPhysicsSDK, public EngineObject {
 public:
  explicit SdkImpl(NxUserAllocator* allocator) : allocator_(allocator) {}
  ~SdkImpl() override;
  void release() override;
  bool setParameter(NxParameter param, NxReal value) override;
  NxReal getParameter(NxParameter param) const override;
  NxScene* createScene(const NxSceneDesc& desc) override;
  void releaseScene(NxScene& scene) override;
  NxU32 getNbScenes() const override { return static_cast<NxU32>(scenes_.size()); }
  NxTriangleMesh* createTriangleMesh(const NxStream& stream) override;
  void releaseTriangleMesh(NxTriangleMesh& mesh) override;
  NxU32 getNbTriangleMeshes() const override { return static_cast<NxU32>(meshes_.size()); }
  NxUserAllocator* getAllocator() const override { return allocator_; }
  // Frees meshes that were released and are no longer used by any shape.
  void collectMeshes();

 private:
  NxUserAllocator* allocator_;
  NxReal params_[NX_PARAMS_NUM_VALUES] = {0, 0.025f, 0.15f * 0.15f, 0.14f * 0.14f, 2.0f, 1, 1, 7};
  Vec<SceneImpl*> scenes_;
  Vec<TriangleMeshImpl*> meshes_;
};

}  // namespace nxe
