// The engine's cooked-mesh reader over arbitrary bytes, and a mesh it accepts
// put into a scene as the track is.
#include <algorithm>
#include <cstring>

#include "engine/NxCooking.h"
#include "engine/NxPhysics.h"
#include "fuzz_input.h"
#include "physics/stream.h"

namespace {

struct Engine {
  NxPhysicsSDK* sdk = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION);
  NxScene* scene = nullptr;
  Engine() {
    fuzz::require(sdk != nullptr, "the engine starts");
    NxSceneDesc desc;
    scene = sdk->createScene(desc);
    fuzz::require(scene != nullptr, "a scene can be made");
  }
};

void checkMesh(const NxTriangleMesh& mesh) {
  const NxU32 vertices = mesh.getNbVertices();
  const NxU32* triangles = mesh.getTriangles();
  for (NxU32 i = 0; i < mesh.getNbTriangles() * 3; ++i) {
    fuzz::require(triangles[i] < vertices, "a cooked triangle names its vertices");
  }
}

// The reader pads a short stream with zeros, so a header may ask for up to its
// limit of four million triangles from a few bytes. Building the collision
// tree of such a mesh takes seconds: correct, but it would drown the search.
// Counts far beyond the bytes given are left to the corpus case for them.
bool countsFitInput(const uint8_t* data, size_t size) {
  uint8_t header[20] = {};  // read as the reader does: zeros past the end
  std::memcpy(header, data, std::min<size_t>(size, sizeof header));
  uint32_t vertices, triangles;
  std::memcpy(&vertices, header + 12, 4);
  std::memcpy(&triangles, header + 16, 4);
  const uint64_t needed = 20 + uint64_t(vertices) * 12 + uint64_t(triangles) * 12;
  return needed <= size + 64 * 1024 || vertices > NX_COOKED_MESH_MAX_COUNT || triangles > NX_COOKED_MESH_MAX_COUNT;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!countsFitInput(data, size)) return 0;
  static Engine engine;
  MemoryReadStream stream(data, static_cast<NxU32>(size));
  NxTriangleMesh* mesh = engine.sdk->createTriangleMesh(stream);
  if (!mesh) return 0;
  checkMesh(*mesh);
  NxTriangleMeshShapeDesc shapeDesc;
  shapeDesc.meshData = mesh;
  NxActorDesc actorDesc;
  actorDesc.density = 0;
  actorDesc.shapes.pushBack(&shapeDesc);
  NxActor* actor = engine.scene->createActor(actorDesc);
  if (actor) {
    // One step with the mesh in the broadphase, as the first race frame does.
    engine.scene->simulate(1.0f / 60);
    engine.scene->flushStream();
    engine.scene->fetchResults(NX_RIGID_BODY_FINISHED, true);
    engine.scene->releaseActor(*actor);
  }
  engine.sdk->releaseTriangleMesh(*mesh);
  return 0;
}
