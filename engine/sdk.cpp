// The SDK object, mesh cooking and cooked-mesh loading.
#include <algorithm>
#include <cstring>

#include "engine/NxCooking.h"
#include "engine/internal.h"

namespace nxe {

btTransform toBt(const NxMat34& m) {
  btMatrix3x3 basis(m.M.m[0][0], m.M.m[0][1], m.M.m[0][2], m.M.m[1][0], m.M.m[1][1], m.M.m[1][2],
                    m.M.m[2][0], m.M.m[2][1], m.M.m[2][2]);
  return btTransform(basis, toBt(m.t));
}

NxMat34 toNx(const btTransform& t) {
  NxMat34 m;
  const btMatrix3x3& b = t.getBasis();
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m.M.m[r][c] = b[r][c];
  m.t = toNx(t.getOrigin());
  return m;
}

// ---- Triangle mesh ----------------------------------------------------------------------

TriangleMeshImpl::TriangleMeshImpl(Vec<NxVec3>&& vertices, Vec<NxU32>&& indices)
    : vertices_(std::move(vertices)), indices_(std::move(indices)) {
  static_assert(sizeof(NxVec3) == 12, "vertices are packed xyz floats");
  btIndexedMesh part;
  part.m_numTriangles = static_cast<int>(indices_.size() / 3);
  part.m_triangleIndexBase = reinterpret_cast<const unsigned char*>(indices_.data());
  part.m_triangleIndexStride = 3 * sizeof(NxU32);
  part.m_numVertices = static_cast<int>(vertices_.size());
  part.m_vertexBase = reinterpret_cast<const unsigned char*>(vertices_.data());
  part.m_vertexStride = sizeof(NxVec3);
  part.m_indexType = PHY_INTEGER;
  part.m_vertexType = PHY_FLOAT;
  arrays_ = new btTriangleIndexVertexArray();
  arrays_->addIndexedMesh(part, PHY_INTEGER);
  shape_ = new btBvhTriangleMeshShape(arrays_, true, true);
  // Edge information keeps wheels and body from catching on the seams between triangles.
  edgeInfo_ = new btTriangleInfoMap();
  buildEdgeInfo(vertices_, indices_, *edgeInfo_);
  shape_->setTriangleInfoMap(edgeInfo_);
}

TriangleMeshImpl::~TriangleMeshImpl() {
  delete shape_;
  delete edgeInfo_;
  delete arrays_;
}

// ---- SDK -----------------------------------------------------------------------------------

SdkImpl::~SdkImpl() {
  AllocScope scope(allocator_);
  while (!scenes_.empty()) releaseScene(*scenes_.back());
  for (TriangleMeshImpl* mesh : meshes_) delete mesh;
  meshes_.clear();
  meshes_.shrink_to_fit();
  scenes_.shrink_to_fit();
}

void SdkImpl::release() {
  AllocScope scope(allocator_);
  delete this;
}

bool SdkImpl::setParameter(NxParameter param, NxReal value) {
  if (param < 0 || param >= NX_PARAMS_NUM_VALUES) return false;
  params_[param] = value;
  return true;
}

NxReal SdkImpl::getParameter(NxParameter param) const {
  if (param < 0 || param >= NX_PARAMS_NUM_VALUES) return 0;
  return params_[param];
}

NxScene* SdkImpl::createScene(const NxSceneDesc& desc) {
  if (!desc.isValid()) return nullptr;
  AllocScope scope(allocator_);
  SceneImpl* scene = new SceneImpl(*this, desc);
  scenes_.push_back(scene);
  return scene;
}

void SdkImpl::releaseScene(NxScene& scene) {
  AllocScope scope(allocator_);
  auto it = std::find(scenes_.begin(), scenes_.end(), &scene);
  if (it == scenes_.end()) return;
  scenes_.erase(it);
  delete static_cast<SceneImpl*>(&scene);
  collectMeshes();
}

namespace {

NxU32 read32(const NxStream& stream) {
  unsigned char b[4];
  stream.readBuffer(b, 4);
  return NxU32(b[0]) | NxU32(b[1]) << 8 | NxU32(b[2]) << 16 | NxU32(b[3]) << 24;
}

NxF32 readF32(const NxStream& stream) {
  NxU32 bits = read32(stream);
  NxF32 f;
  std::memcpy(&f, &bits, 4);
  return f;
}

// Reads the cooked format of NxCooking.h; false when the bytes are not one.
bool readCookedMesh(const NxStream& stream, Vec<NxVec3>& vertices, Vec<NxU32>& indices) {
  if (read32(stream) != NX_COOKED_MESH_MAGIC) return false;
  if (read32(stream) != NX_COOKED_MESH_VERSION) return false;
  NxU32 flags = read32(stream);
  NxU32 numVertices = read32(stream);
  NxU32 numTriangles = read32(stream);
  if (numVertices == 0 || numTriangles == 0) return false;
  // The stream cannot say how many bytes it holds, so the counts are checked
  // against a limit far above any track (a few hundred thousand triangles) and
  // the arrays grow as data arrives: a damaged header costs no more memory
  // than the limit allows, never the 3 GB its counts might ask for.
  if (numVertices > NX_COOKED_MESH_MAX_COUNT || numTriangles > NX_COOKED_MESH_MAX_COUNT) return false;
  vertices.reserve(std::min<NxU32>(numVertices, 1u << 16));
  for (NxU32 i = 0; i < numVertices; ++i) {
    NxVec3 v;
    v.x = readF32(stream);
    v.y = readF32(stream);
    v.z = readF32(stream);
    vertices.push_back(v);
  }
  indices.reserve(size_t(std::min<NxU32>(numTriangles, 1u << 16)) * 3);
  for (NxU32 t = 0; t < numTriangles; ++t) {
    NxU32 a = read32(stream), b = read32(stream), c = read32(stream);
    if (a >= numVertices || b >= numVertices || c >= numVertices) return false;
    if (flags & NX_MF_FLIPNORMALS) std::swap(b, c);
    indices.push_back(a);
    indices.push_back(b);
    indices.push_back(c);
  }
  return true;
}

}  // namespace

NxTriangleMesh* SdkImpl::createTriangleMesh(const NxStream& stream) {
  AllocScope scope(allocator_);
  Vec<NxVec3> vertices;
  Vec<NxU32> indices;
  if (!readCookedMesh(stream, vertices, indices)) return nullptr;
  TriangleMeshImpl* mesh = new TriangleMeshImpl(std::move(vertices), std::move(indices));
  meshes_.push_back(mesh);
  return mesh;
}

void SdkImpl::releaseTriangleMesh(NxTriangleMesh& mesh) {
  static_cast<TriangleMeshImpl&>(mesh).released = true;
  collectMeshes();
}

void SdkImpl::collectMeshes() {
  AllocScope scope(allocator_);
  for (size_t i = 0; i < meshes_.size();) {
    TriangleMeshImpl* mesh = meshes_[i];
    if (mesh->released && mesh->getReferenceCount() == 0) {
      delete mesh;
      meshes_.erase(meshes_.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

}  // namespace nxe

// ---- Loader entry points ---------------------------------------------------------------

NxU32 NxRigidBodyLibraryVersion() { return static_cast<NxU32>(btGetVersion()); }

NxPhysicsSDK* NxCreatePhysicsSDK(NxU32 sdkVersion, NxUserAllocator* allocator, NxUserOutputStream* outputStream,
                                 const NxPhysicsSDKDesc& desc) {
  (void)desc;  // no hardware: the page and convex limits have nothing to limit
  if (sdkVersion != NX_PHYSICS_SDK_VERSION) {
    if (outputStream)
      outputStream->reportError(NXE_INVALID_PARAMETER, "unsupported interface version", __FILE__, __LINE__);
    return nullptr;
  }
  nxe::installBulletHooks();
  nxe::AllocScope scope(allocator);
  return new nxe::SdkImpl(allocator);  // null when the allocator refuses
}

void NxReleasePhysicsSDK(NxPhysicsSDK* sdk) {
  if (sdk) sdk->release();
}

// ---- Cooking ----------------------------------------------------------------------------

bool NxInitCooking(NxUserAllocator*, NxUserOutputStream*) { return true; }
void NxCloseCooking() {}

namespace {

NxU32 readIndex(const NxTriangleMeshDesc& desc, NxU32 triangle, int corner) {
  const unsigned char* base = static_cast<const unsigned char*>(desc.triangles) +
                              size_t(triangle) * desc.triangleStrideBytes;
  if (desc.flags & NX_MF_16_BIT_INDICES) {
    NxU16 v;
    std::memcpy(&v, base + corner * 2, 2);
    return v;
  }
  NxU32 v;
  std::memcpy(&v, base + corner * 4, 4);
  return v;
}

}  // namespace

bool NxCookTriangleMesh(const NxTriangleMeshDesc& desc, NxStream& stream) {
  if (!desc.isValid()) return false;
  // What the reader would refuse is not written at all.
  if (desc.numVertices > NX_COOKED_MESH_MAX_COUNT || desc.numTriangles > NX_COOKED_MESH_MAX_COUNT) return false;
  for (NxU32 t = 0; t < desc.numTriangles; ++t)
    for (int c = 0; c < 3; ++c)
      if (readIndex(desc, t, c) >= desc.numVertices) return false;
  // Assemble the whole record first: one storeBuffer per section keeps cooking fast.
  std::vector<unsigned char> bytes;
  bytes.reserve(20 + size_t(desc.numVertices) * 12 + size_t(desc.numTriangles) * 12);
  auto put32 = [&bytes](NxU32 v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  put32(NX_COOKED_MESH_MAGIC);
  put32(NX_COOKED_MESH_VERSION);
  put32(desc.flags & ~NxU32(NX_MF_16_BIT_INDICES));
  put32(desc.numVertices);
  put32(desc.numTriangles);
  for (NxU32 i = 0; i < desc.numVertices; ++i) {
    const unsigned char* p = static_cast<const unsigned char*>(desc.points) + size_t(i) * desc.pointStrideBytes;
    for (int k = 0; k < 3; ++k) {
      NxU32 bits;
      std::memcpy(&bits, p + k * 4, 4);
      put32(bits);
    }
  }
  for (NxU32 t = 0; t < desc.numTriangles; ++t)
    for (int c = 0; c < 3; ++c) put32(readIndex(desc, t, c));
  stream.storeBuffer(bytes.data(), static_cast<NxU32>(bytes.size()));
  return true;
}
