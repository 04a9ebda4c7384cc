// Mesh cooking: turns a triangle soup into the engine's stored mesh format.
//
// Cooked triangle mesh, little-endian throughout:
//   u32 magic 'NXTM' (0x4D54584E), u32 version (1), u32 flags (NxMeshFlags, 16-bit bit cleared),
//   u32 numVertices, u32 numTriangles,
//   numVertices * 3 f32 (x, y, z), numTriangles * 3 u32 vertex indices (winding kept).
#pragma once

#include "engine/NxPhysics.h"

const NxU32 NX_COOKED_MESH_MAGIC = 0x4D54584Eu;
const NxU32 NX_COOKED_MESH_VERSION = 1;
// Most vertices, and most triangles, a cooked mesh may hold (4M each).
const NxU32 NX_COOKED_MESH_MAX_COUNT = 1u << 22;

// Allocator and output stream are accepted and not needed.
bool NxInitCooking(NxUserAllocator* allocator = nullptr, NxUserOutputStream* outputStream = nullptr);
void NxCloseCooking();
// False (nothing written) when the descriptor is unusable: no points or
// triangles arrays, strides too small, an index out of range, or more
// vertices or triangles than NX_COOKED_MESH_MAX_COUNT.
bool NxCookTriangleMesh(const NxTriangleMeshDesc& desc, NxStream& stream);
