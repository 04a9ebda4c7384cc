// Public interface of the rigid-body engine: math types, engine objects,
// descriptors and constants. No third-party type appears here; the engine's
// implementation lives in engine/*.cpp.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

typedef float NxReal;
typedef float NxF32;
typedef double NxF64;
typedef uint8_t NxU8;
typedef uint16_t NxU16;
typedef uint32_t NxU32;
typedef int32_t NxI32;
typedef NxU16 NxMaterialIndex;

#define NX_PHYSICS_SDK_VERSION 0x02030200u
const NxReal NxPi = 3.141592653589793f;

// ---- Math ---------------------------------------------------------------------

class NxVec3 {
 public:
  NxReal x = 0, y = 0, z = 0;

  NxVec3() = default;
  explicit NxVec3(NxReal a) : x(a), y(a), z(a) {}
  NxVec3(NxReal nx, NxReal ny, NxReal nz) : x(nx), y(ny), z(nz) {}
  explicit NxVec3(const NxReal* v) : x(v[0]), y(v[1]), z(v[2]) {}

  void set(NxReal nx, NxReal ny, NxReal nz) { x = nx; y = ny; z = nz; }
  void set(const NxReal* v) { x = v[0]; y = v[1]; z = v[2]; }
  void get(NxReal* v) const { v[0] = x; v[1] = y; v[2] = z; }
  void zero() { x = y = z = 0; }
  bool isZero() const { return x == 0 && y == 0 && z == 0; }
  NxReal& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  NxReal operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

  NxVec3 operator+(const NxVec3& v) const { return NxVec3(x + v.x, y + v.y, z + v.z); }
  NxVec3 operator-(const NxVec3& v) const { return NxVec3(x - v.x, y - v.y, z - v.z); }
  NxVec3 operator-() const { return NxVec3(-x, -y, -z); }
  NxVec3 operator*(NxReal f) const { return NxVec3(x * f, y * f, z * f); }
  NxVec3 operator/(NxReal f) const { return NxVec3(x / f, y / f, z / f); }
  NxVec3& operator+=(const NxVec3& v) { x += v.x; y += v.y; z += v.z; return *this; }
  NxVec3& operator-=(const NxVec3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
  NxVec3& operator*=(NxReal f) { x *= f; y *= f; z *= f; return *this; }
  NxVec3& operator/=(NxReal f) { x /= f; y /= f; z /= f; return *this; }
  bool operator==(const NxVec3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const NxVec3& v) const { return !(*this == v); }

  NxReal dot(const NxVec3& v) const { return x * v.x + y * v.y + z * v.z; }
  NxVec3 cross(const NxVec3& v) const {
    return NxVec3(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
  }
  void cross(const NxVec3& a, const NxVec3& b) { *this = a.cross(b); }
  NxReal operator|(const NxVec3& v) const { return dot(v); }    // dot product
  NxVec3 operator^(const NxVec3& v) const { return cross(v); }  // cross product
  NxReal magnitudeSquared() const { return dot(*this); }
  NxReal magnitude() const { return std::sqrt(magnitudeSquared()); }
  NxReal distance(const NxVec3& v) const { return (*this - v).magnitude(); }
  NxReal distanceSquared(const NxVec3& v) const { return (*this - v).magnitudeSquared(); }
  // Makes the vector unit length; returns its old length (0 leaves it unchanged).
  NxReal normalize() {
    NxReal m = magnitude();
    if (m > 0) *this /= m;
    return m;
  }
};
inline NxVec3 operator*(NxReal f, const NxVec3& v) { return v * f; }

class NxQuat {
 public:
  NxReal x = 0, y = 0, z = 0, w = 1;

  NxQuat() = default;
  NxQuat(const NxVec3& v, NxReal nw) : x(v.x), y(v.y), z(v.z), w(nw) {}
  // Rotation by angleDegrees about axis (normalised here).
  NxQuat(NxReal angleDegrees, const NxVec3& axis) { fromAngleAxis(angleDegrees, axis); }

  void id() { x = y = z = 0; w = 1; }
  void setXYZW(NxReal nx, NxReal ny, NxReal nz, NxReal nw) { x = nx; y = ny; z = nz; w = nw; }
  void setWXYZ(NxReal nw, NxReal nx, NxReal ny, NxReal nz) { setXYZW(nx, ny, nz, nw); }
  void getXYZW(NxReal* v) const { v[0] = x; v[1] = y; v[2] = z; v[3] = w; }
  void fromAngleAxis(NxReal angleDegrees, const NxVec3& axis);
  void fromAngleAxisFast(NxReal angleRadians, const NxVec3& unitAxis);
  // Angle in degrees and unit axis.
  void getAngleAxis(NxReal& angleDegrees, NxVec3& axis) const;
  NxReal magnitude() const { return std::sqrt(x * x + y * y + z * z + w * w); }
  NxReal normalize();
  NxReal dot(const NxQuat& q) const { return x * q.x + y * q.y + z * q.z + w * q.w; }
  void conjugate() { x = -x; y = -y; z = -z; }
  NxQuat operator*(const NxQuat& q) const;
  // v = this * v * conj(this) (the quaternion must be unit length).
  void rotate(NxVec3& v) const;
  void inverseRotate(NxVec3& v) const;
  NxVec3 rot(const NxVec3& v) const { NxVec3 r = v; rotate(r); return r; }
  NxVec3 invRot(const NxVec3& v) const { NxVec3 r = v; inverseRotate(r); return r; }
};

// Row-major 3x3: m[row][column].
class NxMat33 {
 public:
  NxReal m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

  NxMat33() = default;
  explicit NxMat33(const NxQuat& q) { fromQuat(q); }
  NxMat33(const NxVec3& row0, const NxVec3& row1, const NxVec3& row2) {
    setRow(0, row0); setRow(1, row1); setRow(2, row2);
  }

  void id();
  void zero();
  NxReal& operator()(int row, int col) { return m[row][col]; }
  NxReal operator()(int row, int col) const { return m[row][col]; }
  void setRow(int row, const NxVec3& v) { m[row][0] = v.x; m[row][1] = v.y; m[row][2] = v.z; }
  NxVec3 getRow(int row) const { return NxVec3(m[row][0], m[row][1], m[row][2]); }
  void getRow(int row, NxVec3& v) const { v = getRow(row); }
  void setColumn(int col, const NxVec3& v) { m[0][col] = v.x; m[1][col] = v.y; m[2][col] = v.z; }
  NxVec3 getColumn(int col) const { return NxVec3(m[0][col], m[1][col], m[2][col]); }
  void getColumn(int col, NxVec3& v) const { v = getColumn(col); }

  void fromQuat(const NxQuat& q);
  void toQuat(NxQuat& q) const;
  void setRowMajor(const NxReal* d);
  void getRowMajor(NxReal* d) const;
  void setColumnMajor(const NxReal* d);
  void getColumnMajor(NxReal* d) const;
  // Rotations about one axis, angle in radians.
  void rotX(NxReal angle);
  void rotY(NxReal angle);
  void rotZ(NxReal angle);

  void multiply(const NxVec3& src, NxVec3& dst) const { dst = *this * src; }
  void multiplyByTranspose(const NxVec3& src, NxVec3& dst) const;
  NxVec3 operator*(const NxVec3& v) const {
    return NxVec3(m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
                  m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                  m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z);
  }
  NxMat33 operator*(const NxMat33& b) const;
  NxMat33 getTransposed() const;
  void setTransposed() { *this = getTransposed(); }
  NxReal determinant() const;
  // False (and this left unchanged) when the matrix is singular.
  bool getInverse(NxMat33& dst) const;
};

// A rigid pose: rotation M, then translation t. Layout: nine floats row by row, then t.
class NxMat34 {
 public:
  NxMat33 M;
  NxVec3 t;

  NxMat34() = default;
  NxMat34(const NxMat33& rot, const NxVec3& trans) : M(rot), t(trans) {}

  void id() { M.id(); t.zero(); }
  void zero() { M.zero(); t.zero(); }
  NxVec3 operator*(const NxVec3& v) const { return M * v + t; }
  void multiply(const NxVec3& src, NxVec3& dst) const { dst = *this * src; }
  NxMat34 operator*(const NxMat34& b) const { return NxMat34(M * b.M, M * b.t + t); }
  // Inverse of a rigid transform (rotation part orthonormal).
  void multiplyByInverseRT(const NxVec3& src, NxVec3& dst) const;
  bool getInverseRT(NxMat34& dst) const;
  bool getInverse(NxMat34& dst) const;
  // 4x4 arrays for OpenGL (column-major) and for row-major use.
  void getColumnMajor44(NxReal* d) const;
  void setColumnMajor44(const NxReal* d);
  void getRowMajor44(NxReal* d) const;
  void setRowMajor44(const NxReal* d);
};
static_assert(sizeof(NxMat34) == 12 * sizeof(NxReal), "NxMat34 is nine rotation floats then three");

// A growable array as the descriptors use it (actorDesc.shapes.pushBack(&shapeDesc)).
template <class T>
class NxArray {
 public:
  void pushBack(const T& v) { items_.push_back(v); }
  void clear() { items_.clear(); }
  NxU32 size() const { return static_cast<NxU32>(items_.size()); }
  bool isEmpty() const { return items_.empty(); }
  T& operator[](NxU32 i) { return items_[i]; }
  const T& operator[](NxU32 i) const { return items_[i]; }
  typename std::vector<T>::const_iterator begin() const { return items_.begin(); }
  typename std::vector<T>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<T> items_;
};

// ---- Constants ---------------------------------------------------------------

enum NxParameter {
  NX_PENALTY_FORCE = 0,
  NX_SKIN_WIDTH = 1,                 // contact skin width (default 0.025)
  NX_DEFAULT_SLEEP_LIN_VEL_SQUARED = 2,
  NX_DEFAULT_SLEEP_ANG_VEL_SQUARED = 3,
  NX_BOUNCE_THRESHOLD = 4,
  NX_DYN_FRICT_SCALING = 5,
  NX_STA_FRICT_SCALING = 6,
  NX_MAX_ANGULAR_VELOCITY = 7,       // default for bodies that give none: 7 rad/s
  NX_PARAMS_NUM_VALUES
};

enum NxBroadPhaseType { NX_BROADPHASE_QUADRATIC, NX_BROADPHASE_FULL, NX_BROADPHASE_COHERENT };

enum NxTimeStepMethod { NX_TIMESTEP_FIXED, NX_TIMESTEP_VARIABLE };

enum NxSimulationStatus { NX_RIGID_BODY_FINISHED = 1 << 0 };

enum NxSimulationType { NX_SIMULATION_SW = 0, NX_SIMULATION_HW = 1 };

enum NxForceMode {
  NX_FORCE,                 // mass * distance / time^2, applied over the step
  NX_IMPULSE,               // mass * distance / time
  NX_VELOCITY_CHANGE,       // distance / time, ignoring mass
  NX_SMOOTH_IMPULSE,        // impulse spread over the sub-steps of one simulate
  NX_SMOOTH_VELOCITY_CHANGE,
  NX_ACCELERATION           // distance / time^2, ignoring mass
};

// Shape flags. The three trigger bits double as the status passed to onTrigger.
enum NxShapeFlag {
  NX_TRIGGER_ON_ENTER = 1 << 0,
  NX_TRIGGER_ON_LEAVE = 1 << 1,
  NX_TRIGGER_ON_STAY = 1 << 2,
  NX_TRIGGER_ENABLE = NX_TRIGGER_ON_ENTER | NX_TRIGGER_ON_LEAVE | NX_TRIGGER_ON_STAY,
  NX_SF_VISUALIZATION = 1 << 3,
  NX_SF_DISABLE_COLLISION = 1 << 4,
  NX_SF_FEATURE_INDICES = 1 << 5,
  NX_SF_DISABLE_RAYCASTING = 1 << 6,
  NX_SF_POINT_CONTACT_FORCE = 1 << 7
};
typedef NxShapeFlag NxTriggerFlag;

enum NxShapeType { NX_SHAPE_PLANE, NX_SHAPE_SPHERE, NX_SHAPE_BOX, NX_SHAPE_CAPSULE, NX_SHAPE_WHEEL,
                   NX_SHAPE_CONVEX, NX_SHAPE_MESH };

enum NxBodyFlag {
  NX_BF_DISABLE_GRAVITY = 1 << 0,
  NX_BF_FROZEN_POS_X = 1 << 1,
  NX_BF_KINEMATIC = 1 << 7,
  NX_BF_VISUALIZATION = 1 << 8
};

enum NxCombineMode { NX_CM_AVERAGE = 0, NX_CM_MIN = 1, NX_CM_MULTIPLY = 2, NX_CM_MAX = 3 };

enum NxMeshFlags { NX_MF_FLIPNORMALS = 1 << 0, NX_MF_16_BIT_INDICES = 1 << 1 };

enum NxMemoryType { NX_MEMORY_PERSISTENT, NX_MEMORY_TEMP };

enum NxErrorCode { NXE_NO_ERROR, NXE_INVALID_PARAMETER, NXE_INVALID_OPERATION, NXE_OUT_OF_MEMORY,
                   NXE_INTERNAL_ERROR, NXE_ASSERTION, NXE_DB_INFO, NXE_DB_WARNING, NXE_DB_PRINT };

enum NxAssertResponse { NX_AR_CONTINUE, NX_AR_IGNORE, NX_AR_BREAKPOINT };

// ---- User interfaces ------------------------------------------------------------

class NxUserAllocator {
 public:
  virtual ~NxUserAllocator() = default;
  virtual void* mallocDEBUG(size_t size, const char* fileName, int line, const char* className,
                            NxMemoryType type) = 0;
  virtual void* mallocDEBUG(size_t size, const char* fileName, int line) = 0;
  virtual void* malloc(size_t size, NxMemoryType type) = 0;
  virtual void* malloc(size_t size) = 0;
  virtual void* realloc(void* memory, size_t size) = 0;
  virtual void free(void* memory) = 0;
};

class NxUserOutputStream {
 public:
  virtual ~NxUserOutputStream() = default;
  virtual void reportError(NxErrorCode code, const char* message, const char* file, int line) = 0;
  virtual NxAssertResponse reportAssertViolation(const char* message, const char* file, int line) = 0;
  virtual void print(const char* message) = 0;
};

// Byte stream used by cooking (store) and mesh creation (read).
class NxStream {
 public:
  virtual ~NxStream() = default;
  virtual NxU8 readByte() const = 0;
  virtual NxU16 readWord() const = 0;
  virtual NxU32 readDword() const = 0;
  virtual NxF32 readFloat() const = 0;
  virtual NxF64 readDouble() const = 0;
  virtual void readBuffer(void* buffer, NxU32 size) const = 0;
  virtual NxStream& storeByte(NxU8 b) = 0;
  virtual NxStream& storeWord(NxU16 w) = 0;
  virtual NxStream& storeDword(NxU32 d) = 0;
  virtual NxStream& storeFloat(NxF32 f) = 0;
  virtual NxStream& storeDouble(NxF64 f) = 0;
  virtual NxStream& storeBuffer(const void* buffer, NxU32 size) = 0;
};

class NxShape;
class NxActor;
class NxScene;
class NxMaterial;
class NxTriangleMesh;
class NxPhysicsSDK;
class NxWheelShape;

// Called from inside NxScene::fetchResults, on the caller's thread.
class NxUserTriggerReport {
 public:
  virtual ~NxUserTriggerReport() = default;
  virtual void onTrigger(NxShape& triggerShape, NxShape& otherShape, NxTriggerFlag status) = 0;
};

// ---- Descriptors --------------------------------------------------------------------

class NxPhysicsSDKDesc {
 public:
  NxU32 hwPageSize = 65536;
  NxU32 hwPageMax = 256;
  NxU32 hwConvexMax = 2048;
  void setToDefault() { *this = NxPhysicsSDKDesc(); }
};

class NxSceneDesc {
 public:
  NxVec3 gravity;                                  // (0, 0, 0)
  NxUserTriggerReport* userTriggerReport = nullptr;
  void* userNotify = nullptr;
  void* userContactReport = nullptr;
  NxReal maxTimestep = 1.0f / 60.0f;
  NxU32 maxIter = 8;
  NxTimeStepMethod timeStepMethod = NX_TIMESTEP_FIXED;
  NxBroadPhaseType broadPhase = NX_BROADPHASE_FULL;
  NxSimulationType simType = NX_SIMULATION_SW;
  bool groundPlane = false;
  bool boundsPlanes = false;
  bool collisionDetection = true;
  NxU32 flags = 0;
  void* userData = nullptr;
  void setToDefault() { *this = NxSceneDesc(); }
  bool isValid() const { return maxTimestep > 0 && maxIter > 0; }
};

class NxMaterialDesc {
 public:
  NxReal dynamicFriction = 0;
  NxReal staticFriction = 0;
  NxReal restitution = 0;
  NxReal dynamicFrictionV = 0;
  NxReal staticFrictionV = 0;
  NxVec3 dirOfAnisotropy = NxVec3(1, 0, 0);
  NxU32 flags = 0;
  NxCombineMode frictionCombineMode = NX_CM_AVERAGE;
  NxCombineMode restitutionCombineMode = NX_CM_AVERAGE;
  void setToDefault() { *this = NxMaterialDesc(); }
};

class NxBodyDesc {
 public:
  NxMat34 massLocalPose;            // identity
  NxVec3 massSpaceInertia;          // 0: derived from the shapes
  NxReal mass = 0;                  // 0: derived from the actor's density
  NxVec3 linearVelocity;
  NxVec3 angularVelocity;
  NxReal wakeUpCounter = 20.0f * 0.02f;
  NxReal linearDamping = 0;
  NxReal angularDamping = 0.05f;
  NxReal maxAngularVelocity = -1;   // negative: the engine's default (7 rad/s)
  NxU32 flags = NX_BF_VISUALIZATION;
  NxReal sleepLinearVelocity = -1;
  NxReal sleepAngularVelocity = -1;
  NxU32 solverIterationCount = 4;
  void setToDefault() { *this = NxBodyDesc(); }
};

class NxShapeDesc {
 public:
  virtual ~NxShapeDesc() = default;
  NxShapeType getType() const { return type; }
  NxMat34 localPose;
  NxU32 shapeFlags = NX_SF_VISUALIZATION;
  NxU16 group = 0;
  NxMaterialIndex materialIndex = 0;
  NxReal mass = -1;
  NxReal density = 1;
  NxReal skinWidth = -1;            // negative: the SDK's NX_SKIN_WIDTH
  void* userData = nullptr;
  const char* name = nullptr;

 protected:
  explicit NxShapeDesc(NxShapeType t) : type(t) {}
  NxShapeType type;
};

class NxBoxShapeDesc : public NxShapeDesc {
 public:
  NxBoxShapeDesc() : NxShapeDesc(NX_SHAPE_BOX) {}
  NxVec3 dimensions;                // half extents
  void setToDefault() { *this = NxBoxShapeDesc(); }
};

class NxTriangleMeshShapeDesc : public NxShapeDesc {
 public:
  NxTriangleMeshShapeDesc() : NxShapeDesc(NX_SHAPE_MESH) {}
  NxTriangleMesh* meshData = nullptr;
  NxU32 meshFlags = 0;
  void setToDefault() { *this = NxTriangleMeshShapeDesc(); }
};

class NxSpringDesc {
 public:
  NxReal spring = 0;
  NxReal damper = 0;
  NxReal targetValue = 0;
};

// Tyre force curve: two cubic Hermite pieces through (0,0), the extremum and
// the asymptote, flat at both; mirrored for negative slip.
class NxTireFunctionDesc {
 public:
  NxReal extremumSlip = 1.0f;
  NxReal extremumValue = 0.02f;
  NxReal asymptoteSlip = 2.0f;
  NxReal asymptoteValue = 0.01f;
  NxReal stiffnessFactor = 1000000.0f;
  void setToDefault() { *this = NxTireFunctionDesc(); }
  bool isValid() const {
    return extremumSlip > 0 && asymptoteSlip > extremumSlip && extremumValue > 0 &&
           asymptoteValue > 0 && stiffnessFactor > 0;
  }
  // The curve at slip t (sign kept).
  NxReal hermiteEval(NxReal t) const;
};

enum NxWheelShapeFlags { NX_WF_WHEEL_AXIS_CONTACT_NORMAL = 1 << 0, NX_WF_INPUT_LAT_SLIPVELOCITY = 1 << 1,
                         NX_WF_INPUT_LNG_SLIPVELOCITY = 1 << 2 };

class NxWheelShapeDesc : public NxShapeDesc {
 public:
  NxWheelShapeDesc() : NxShapeDesc(NX_SHAPE_WHEEL) {}
  NxReal radius = 1;
  NxReal suspensionTravel = 1;
  NxSpringDesc suspension;
  NxTireFunctionDesc longitudalTireForceFunction;
  NxTireFunctionDesc lateralTireForceFunction;
  NxReal inverseWheelMass = 1;
  NxU32 wheelFlags = 0;
  NxReal motorTorque = 0;
  NxReal brakeTorque = 0;
  NxReal steerAngle = 0;
  void setToDefault() { *this = NxWheelShapeDesc(); }
};

class NxActorDesc {
 public:
  NxMat34 globalPose;               // identity
  const NxBodyDesc* body = nullptr; // null: a static actor
  NxReal density = 0;
  NxArray<NxShapeDesc*> shapes;
  NxU32 flags = 0;
  NxU16 group = 0;
  void* userData = nullptr;
  const char* name = nullptr;
  void setToDefault() { *this = NxActorDesc(); }
};

// Triangle soup to cook. flags: NxMeshFlags.
class NxTriangleMeshDesc {
 public:
  NxU32 numVertices = 0;
  NxU32 numTriangles = 0;
  NxU32 pointStrideBytes = 0;
  NxU32 triangleStrideBytes = 0;
  const void* points = nullptr;
  const void* triangles = nullptr;
  NxU32 flags = 0;
  NxU32 materialIndexStride = 0;
  const void* materialIndices = nullptr;
  NxReal convexEdgeThreshold = 0.001f;
  void setToDefault() { *this = NxTriangleMeshDesc(); }
  bool isValid() const;
};

// ---- Engine objects -------------------------------------------------------------------

class NxMaterial {
 public:
  virtual ~NxMaterial() = default;
  virtual NxMaterialIndex getMaterialIndex() = 0;
  virtual void setRestitution(NxReal r) = 0;
  virtual NxReal getRestitution() const = 0;
  virtual void setStaticFriction(NxReal f) = 0;
  virtual NxReal getStaticFriction() const = 0;
  virtual void setDynamicFriction(NxReal f) = 0;
  virtual NxReal getDynamicFriction() const = 0;
  virtual void setFrictionCombineMode(NxCombineMode mode) = 0;
  virtual NxCombineMode getFrictionCombineMode() const = 0;
  virtual NxScene& getScene() const = 0;
  void* userData = nullptr;
};

class NxTriangleMesh {
 public:
  virtual ~NxTriangleMesh() = default;
  virtual NxU32 getNbVertices() const = 0;
  virtual NxU32 getNbTriangles() const = 0;
  virtual const NxVec3* getVertices() const = 0;
  virtual const NxU32* getTriangles() const = 0;   // three per triangle
  virtual NxU32 getReferenceCount() const = 0;
  void* userData = nullptr;
};

// What a wheel touches this step (all zero without contact).
struct NxWheelContactData {
  NxVec3 contactPoint;
  NxVec3 contactNormal;
  NxVec3 longitudalDirection;
  NxVec3 lateralDirection;
  NxReal contactForce = 0;
  NxReal longitudalSlip = 0;
  NxReal lateralSlip = 0;
  NxReal longitudalImpulse = 0;
  NxReal lateralImpulse = 0;
  NxU32 otherShapeMaterialIndex = 0;
  NxReal contactPosition = 0;       // distance from the wheel origin along -Y to the hit
};

class NxShape {
 public:
  virtual ~NxShape() = default;
  virtual NxActor& getActor() const = 0;
  virtual NxShapeType getType() const = 0;
  virtual NxMat34 getGlobalPose() const = 0;
  virtual NxVec3 getGlobalPosition() const { return getGlobalPose().t; }
  virtual NxMat34 getLocalPose() const = 0;
  virtual NxU32 getFlags() const = 0;
  virtual bool getFlag(NxShapeFlag flag) const { return (getFlags() & flag) != 0; }
  virtual NxMaterialIndex getMaterial() const = 0;
  virtual void setMaterial(NxMaterialIndex index) = 0;
  virtual NxWheelShape* isWheel() { return nullptr; }
  void* userData = nullptr;
  const char* name = nullptr;
};

class NxWheelShape : public NxShape {
 public:
  NxWheelShape* isWheel() override { return this; }
  virtual void setMotorTorque(NxReal torque) = 0;
  virtual NxReal getMotorTorque() const = 0;
  virtual void setBrakeTorque(NxReal torque) = 0;
  virtual NxReal getBrakeTorque() const = 0;
  virtual void setSteerAngle(NxReal radians) = 0;
  virtual NxReal getSteerAngle() const = 0;
  // Signed spin rate in rad/s; positive rolls the wheel forward (+Z).
  virtual NxReal getAxleSpeed() const = 0;
  virtual void setAxleSpeed(NxReal speed) = 0;
  virtual NxReal getRadius() const = 0;
  virtual NxReal getSuspensionTravel() const = 0;
  virtual NxSpringDesc getSuspension() const = 0;
  virtual NxReal getInverseWheelMass() const = 0;
  virtual NxTireFunctionDesc getLongitudalTireForceFunction() const = 0;
  virtual NxTireFunctionDesc getLateralTireForceFunction() const = 0;
  // The touched shape, or null; data is filled in either case.
  virtual NxShape* getContact(NxWheelContactData& data) const = 0;
};

class NxActor {
 public:
  virtual ~NxActor() = default;
  virtual NxScene& getScene() const = 0;
  virtual bool isDynamic() const = 0;

  virtual NxShape* createShape(const NxShapeDesc& desc) = 0;
  virtual NxU32 getNbShapes() const = 0;
  virtual NxShape* const* getShapes() const = 0;

  virtual void setGlobalPose(const NxMat34& pose) = 0;
  virtual void setGlobalPosition(const NxVec3& position) = 0;
  virtual void setGlobalOrientation(const NxMat33& orientation) = 0;
  virtual void setGlobalOrientationQuat(const NxQuat& orientation) = 0;
  virtual NxMat34 getGlobalPose() const = 0;
  virtual NxVec3 getGlobalPosition() const = 0;
  virtual NxMat33 getGlobalOrientation() const = 0;
  virtual NxQuat getGlobalOrientationQuat() const = 0;

  // Centre of mass in the actor frame; the offset form moves it relative to where it is.
  virtual NxVec3 getCMassLocalPosition() const = 0;
  virtual void setCMassOffsetLocalPosition(const NxVec3& position) = 0;
  virtual NxVec3 getCMassGlobalPosition() const = 0;
  virtual NxReal getMass() const = 0;
  virtual NxVec3 getMassSpaceInertiaTensor() const = 0;

  virtual void setLinearVelocity(const NxVec3& v) = 0;
  virtual NxVec3 getLinearVelocity() const = 0;
  virtual void setAngularVelocity(const NxVec3& w) = 0;
  virtual NxVec3 getAngularVelocity() const = 0;
  virtual NxReal getMaxAngularVelocity() const = 0;
  virtual NxReal getAngularDamping() const = 0;
  virtual NxVec3 getPointVelocity(const NxVec3& worldPoint) const = 0;

  // Forces: world or actor-frame force at a world or actor-frame point.
  virtual void addForceAtPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode = NX_FORCE) = 0;
  virtual void addForceAtLocalPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode = NX_FORCE) = 0;
  virtual void addLocalForceAtPos(const NxVec3& force, const NxVec3& pos, NxForceMode mode = NX_FORCE) = 0;
  virtual void addLocalForceAtLocalPos(const NxVec3& force, const NxVec3& pos,
                                       NxForceMode mode = NX_FORCE) = 0;
  virtual void addForce(const NxVec3& force, NxForceMode mode = NX_FORCE) = 0;
  virtual void addTorque(const NxVec3& torque, NxForceMode mode = NX_FORCE) = 0;

  virtual bool isSleeping() const = 0;
  virtual void wakeUp(NxReal wakeCounterValue = 0.4f) = 0;

  void* userData = nullptr;
  const char* name = nullptr;
};

class NxScene {
 public:
  virtual ~NxScene() = default;
  virtual NxPhysicsSDK& getPhysicsSDK() = 0;

  virtual void setGravity(const NxVec3& g) = 0;
  virtual void getGravity(NxVec3& g) const = 0;
  virtual void setTiming(NxReal maxTimestep = 1.0f / 60.0f, NxU32 maxIter = 8,
                         NxTimeStepMethod method = NX_TIMESTEP_FIXED) = 0;
  virtual void getTiming(NxReal& maxTimestep, NxU32& maxIter, NxTimeStepMethod& method,
                         NxU32* numSubSteps = nullptr) const = 0;

  virtual void setUserTriggerReport(NxUserTriggerReport* report) = 0;
  virtual NxUserTriggerReport* getUserTriggerReport() const = 0;

  virtual NxMaterial* createMaterial(const NxMaterialDesc& desc) = 0;
  virtual NxMaterial* getMaterialFromIndex(NxMaterialIndex index) = 0;
  virtual NxU32 getNbMaterials() const = 0;

  virtual NxActor* createActor(const NxActorDesc& desc) = 0;
  virtual void releaseActor(NxActor& actor) = 0;
  virtual NxU32 getNbActors() const = 0;
  virtual NxActor** getActors() = 0;

  // Fixed stepping: the elapsed time is cut into maxTimestep sub-steps, at most
  // maxIter of them per call; a fraction of a sub-step is carried to the next call
  // and whole sub-steps beyond maxIter are dropped. Forces added since the last
  // simulate act on every sub-step of this one and are cleared afterwards.
  // Calling simulate again before fetchResults neither blocks nor fails: it
  // first fetches the earlier request (publishing its results and delivering
  // its trigger events from inside simulate), then computes the new one.
  virtual void simulate(NxReal elapsedTime) = 0;
  virtual void flushStream() = 0;
  // Publishes the requested steps (poses, velocities, axle speeds) and delivers
  // trigger events. Never blocks; true once the results are in (also when there
  // was nothing outstanding).
  virtual bool fetchResults(NxSimulationStatus status, bool block = false, NxU32* errorState = nullptr) = 0;
  virtual bool checkResults(NxSimulationStatus status, bool block = false) = 0;

  // Engine statistics (not part of the classic interface): sub-steps computed so far.
  virtual NxU32 getSubStepCount() const = 0;
  void* userData = nullptr;
};

class NxPhysicsSDK {
 public:
  virtual ~NxPhysicsSDK() = default;
  virtual void release() = 0;
  virtual bool setParameter(NxParameter param, NxReal value) = 0;
  virtual NxReal getParameter(NxParameter param) const = 0;
  virtual NxScene* createScene(const NxSceneDesc& desc) = 0;
  virtual void releaseScene(NxScene& scene) = 0;
  virtual NxU32 getNbScenes() const = 0;
  // Reads a mesh written by NxCookTriangleMesh; null when the data is not one.
  virtual NxTriangleMesh* createTriangleMesh(const NxStream& stream) = 0;
  // A mesh still used by a shape stays alive until that shape's actor goes.
  virtual void releaseTriangleMesh(NxTriangleMesh& mesh) = 0;
  virtual NxU32 getNbTriangleMeshes() const = 0;
  virtual NxUserAllocator* getAllocator() const = 0;
};

// Creates the engine. allocator: every engine allocation goes through it
// (null: the C heap). Null on a version mismatch or when memory runs out.
NxPhysicsSDK* NxCreatePhysicsSDK(NxU32 sdkVersion, NxUserAllocator* allocator = nullptr,
                                 NxUserOutputStream* outputStream = nullptr,
                                 const NxPhysicsSDKDesc& desc = NxPhysicsSDKDesc());
// Releases the engine with all its scenes, actors and meshes.
void NxReleasePhysicsSDK(NxPhysicsSDK* sdk);
// The version of the rigid-body library the engine runs on (its own
// numbering: 324 for 3.24). A race depends on it bit for bit.
NxU32 NxRigidBodyLibraryVersion();
