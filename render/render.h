// Rendering state owned by the render folder: the view frustum, the GL
// extension entry points, the reflection cube map and its framebuffer, and
// the picture-loading scheme shared by HUD and menus.
#pragma once

#include <GL/glew.h>

#include "engine/NxPhysics.h"

struct Placement;

class Frustum {
 public:
  float planes[6][4] = {};  // 0 right, 1 left, 2 bottom, 3 top, 4 far, 5 near
  void extract();
  // Extraction from given column-major matrices (what extract reads from GL).
  void extractFrom(const float projection[16], const float modelview[16]);
  void normalizePlane(int plane);
  bool pointVisible(float x, float y, float z) const;
  bool sphereVisible(float x, float y, float z, float radius) const;
  bool boxVisible(float x, float y, float z, float hx, float hy, float hz) const;
};
extern Frustum viewFrustum;

// ---- Per process: reflection cube map and its framebuffer ------------------
extern GLuint gEnvFramebuffer;
extern GLuint gEnvCubeTexture;
extern GLuint gEnvDepthBuffer;

void loadExtensionEntryPoints();
void loadReflectionCubeMap();

// The picture-loading scheme of the HUD and menus: a new image-library name
// used as the GL texture name, linear filtering, RGBA from BGRA bytes; prints
// "File <path> not found" when the file cannot be loaded. Returns the name.
GLuint loadPicture(const char* fileName);

// ---- Drawing -----------------------------------------------------------------
void drawVehicleAndWorld(int unused);
void applyActorPose(const NxMat34& pose);
float maxOf3(const Placement& placement);
// The function-key switches copied into the per-model flags of the models each
// one reaches (sky, track, car, wheel and the scenery models, per switch).
void applyTexFilteringToModels(int value);
void applyMipmappingToModels(int value);
void applyRenderPathToModels(int value);
void applyDisplayListsToModels(int value);
void applyAnisotropyToModels(int value);
