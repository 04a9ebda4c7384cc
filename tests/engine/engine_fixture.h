// Small engine worlds for the engine tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/NxCooking.h"
#include "engine/NxPhysics.h"

// Counts the blocks the engine takes through its user allocator.
class CountingAllocator : public NxUserAllocator {
 public:
  void* mallocDEBUG(size_t size, const char*, int, const char*, NxMemoryType) override {
    ++live;
    ++total;
    return std::malloc(size);
  }
  void* mallocDEBUG(size_t, const char*, int) override { return nullptr; }
  void* malloc(size_t size, NxMemoryType) override { return mallocDEBUG(size, nullptr, 0, nullptr, NX_MEMORY_TEMP); }
  void* malloc(size_t) override { return nullptr; }
  void* realloc(void* p, size_t size) override { return std::realloc(p, size); }
  void free(void* p) override {
    if (!p) return;
    --live;
    std::free(p);
  }
  long live = 0;
  long total = 0;
};

// An NxStream over a byte vector, for cooking round trips.
class VectorStream : public NxStream {
 public:
  NxU8 readByte() const override { NxU8 v = 0; readBuffer(&v, 1); return v; }
  NxU16 readWord() const override { NxU16 v = 0; readBuffer(&v, 2); return v; }
  NxU32 readDword() const override { NxU32 v = 0; readBuffer(&v, 4); return v; }
  NxF32 readFloat() const override { NxF32 v = 0; readBuffer(&v, 4); return v; }
  NxF64 readDouble() const override { NxF64 v = 0; readBuffer(&v, 8); return v; }
  void readBuffer(void* dst, NxU32 size) const override {
    for (NxU32 i = 0; i < size; ++i) static_cast<NxU8*>(dst)[i] = cursor < bytes.size() ? bytes[cursor++] : 0;
  }
  NxStream& storeByte(NxU8 b) override { return storeBuffer(&b, 1); }
  NxStream& storeWord(NxU16 w) override { return storeBuffer(&w, 2); }
  NxStream& storeDword(NxU32 d) override { return storeBuffer(&d, 4); }
  NxStream& storeFloat(NxF32 f) override { return storeBuffer(&f, 4); }
  NxStream& storeDouble(NxF64 f) override { return storeBuffer(&f, 8); }
  NxStream& storeBuffer(const void* src, NxU32 size) override {
    const NxU8* p = static_cast<const NxU8*>(src);
    bytes.insert(bytes.end(), p, p + size);
    return *this;
  }
  std::vector<NxU8> bytes;
  mutable size_t cursor = 0;
};

struct EngineWorld {
  explicit EngineWorld(NxUserAllocator* allocator = nullptr, NxVec3 gravity = NxVec3(0, -10, 0)) {
    sdk = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION, allocator);
    NxSceneDesc desc;
    desc.gravity = gravity;
    scene = sdk->createScene(desc);
  }
  ~EngineWorld() { sdk->release(); }
  EngineWorld(const EngineWorld&) = delete;
  EngineWorld& operator=(const EngineWorld&) = delete;

  NxActor* box(const NxVec3& at, const NxVec3& half, bool dynamic, NxU32 extraFlags = 0) {
    NxBodyDesc body;
    NxBoxShapeDesc shape;
    shape.dimensions = half;
    shape.shapeFlags |= extraFlags;
    NxActorDesc actor;
    if (dynamic) {
      actor.body = &body;
      actor.density = 1;
    }
    actor.globalPose.t = at;
    actor.shapes.pushBack(&shape);
    return scene->createActor(actor);
  }
  // One simulate and its fetch, as the game's frame does.
  void frame(float dt) {
    scene->simulate(dt);
    scene->flushStream();
    scene->fetchResults(NX_RIGID_BODY_FINISHED, false);
  }

  NxPhysicsSDK* sdk = nullptr;
  NxScene* scene = nullptr;
};

// A flat square of two triangles, `half` units each way at height 0.
inline NxTriangleMeshDesc flatSquare(std::vector<float>& points, std::vector<NxU32>& triangles, float half) {
  points = {-half, 0, -half, half, 0, -half, -half, 0, half, half, 0, half};
  triangles = {0, 2, 1, 1, 2, 3};
  NxTriangleMeshDesc desc;
  desc.numVertices = 4;
  desc.numTriangles = 2;
  desc.pointStrideBytes = 12;
  desc.triangleStrideBytes = 12;
  desc.points = points.data();
  desc.triangles = triangles.data();
  return desc;
}
