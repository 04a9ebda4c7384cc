// The track's collision mesh: shape 0 of the collision model, cooked into
// memory and read back as one static actor.
#include <algorithm>
#include <cstring>

#include "engine/NxCooking.h"
#include "physics/physics.h"
#include "physics/stream.h"
#include "race/race.h"

// ---- Per race: collision arrays (the previous race's are freed) ---------------
float* gCollisionVertices = nullptr;
int* gCollisionTriangles = nullptr;
NxTriangleMeshDesc gTrackMeshDesc;

namespace {

int gCollisionVertexCount = 0;
int gCollisionTriangleCount = 0;

// Copies positions and triangles of shape 0. Counts never exceed what the
// shape really holds, and a triangle naming a missing vertex is left out, so
// a damaged file yields a smaller mesh instead of a read past the arrays.
void buildCollisionArrays(const Model& model) {
  delete[] gCollisionVertices;
  delete[] gCollisionTriangles;
  gCollisionVertices = nullptr;
  gCollisionTriangles = nullptr;
  gCollisionVertexCount = 0;
  gCollisionTriangleCount = 0;
  if (model.shapes.empty()) return;
  const Shape& shape = model.shapes[0];
  int vertexCount = std::max(0, std::min(shape.vertexCount, static_cast<int>(shape.coordinates.size())));
  int triangleCount = std::max(0, std::min(shape.triangleCount, static_cast<int>(shape.indices.size() / 3)));
  gCollisionVertices = new float[size_t(vertexCount) * 3 + 1];
  for (int v = 0; v < vertexCount; ++v)
    for (int k = 0; k < 3; ++k) gCollisionVertices[v * 3 + k] = shape.coordinates[v][k];
  gCollisionTriangles = new int[size_t(triangleCount) * 3 + 1];
  int kept = 0;
  for (int t = 0; t < triangleCount; ++t) {
    const int* corner = &shape.indices[size_t(t) * 3];
    bool valid = true;
    for (int k = 0; k < 3; ++k) valid = valid && corner[k] >= 0 && corner[k] < vertexCount;
    if (!valid) continue;
    std::memcpy(&gCollisionTriangles[size_t(kept) * 3], corner, 3 * sizeof(int));
    ++kept;
  }
  gCollisionVertexCount = vertexCount;
  gCollisionTriangleCount = kept;
}

}  // namespace

NxActor* cookTrackMesh() {
  buildCollisionArrays(gWorld.trackCollide);
  gTrackMeshDesc = NxTriangleMeshDesc();
  gTrackMeshDesc.numVertices = static_cast<NxU32>(gCollisionVertexCount);
  gTrackMeshDesc.numTriangles = static_cast<NxU32>(gCollisionTriangleCount);
  gTrackMeshDesc.pointStrideBytes = 12;
  gTrackMeshDesc.triangleStrideBytes = 12;
  gTrackMeshDesc.points = gCollisionVertices;
  gTrackMeshDesc.triangles = gCollisionTriangles;
  gTrackMeshDesc.flags = 0;
  if (!gPhysicsSdk || !gPhysicsScene) return nullptr;

  NxInitCooking(nullptr, nullptr);
  NxTriangleMesh* mesh = nullptr;
  {
    MemoryWriteStream written;
    NxCookTriangleMesh(gTrackMeshDesc, written);
    // An empty cook has no block to read from: there is no mesh then.
    if (written.currentSize > 0) {
      MemoryReadStream reader(written.data, written.currentSize);
      mesh = gPhysicsSdk->createTriangleMesh(reader);
    }
  }
  if (!mesh) return nullptr;

  NxTriangleMeshShapeDesc shapeDesc;
  shapeDesc.meshData = mesh;
  NxActorDesc actorDesc;
  actorDesc.density = 0;
  actorDesc.globalPose.t = NxVec3(0, 0, 0);
  actorDesc.shapes.pushBack(&shapeDesc);
  return gPhysicsScene->createActor(actorDesc);
}
