// Rendering state owned by the render folder: the view frustum, the GL
// extension entry points, the reflection cube map and its framebuffer, and
// the picture-loading scheme shared by HUD and menus.
#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <vector>

#include "engine/NxPhysics.h"

struct Model;
struct Placement;

class Frustum {
 public:
  float planes[6][4] = {};  // 0 right, 1 left, 2 bottom, 3 top, 4 far, 5 near
  float eye[3] = {};        // where the view is seen from, in model space
  // The view's focal length in pixels: a length L at distance d from the eye
  // spans about L * focalPixels / d pixels near the middle of the view.
  // 0 when not known.
  float focalPixels = 0;
  // From GL's current matrices and viewport.
  void extract();
  // Extraction from given column-major matrices (what extract reads from GL)
  // and the viewport's height in pixels.
  void extractFrom(const float projection[16], const float modelview[16], int viewportHeight = 0);
  void normalizePlane(int plane);
  bool pointVisible(float x, float y, float z) const;
  bool sphereVisible(float x, float y, float z, float radius) const;
  bool boxVisible(float x, float y, float z, float hx, float hy, float hz) const;
};
extern Frustum viewFrustum;

// The shapes of `model` whose bounds reach into `frustum`, in drawing order:
// file order between runs of shapes that share one picture, nearest to the
// eye first within a run, so that near ground hides far ground from the depth
// test before it is shaded. Fills `order` with shape indices.
void orderVisibleShapes(const Model& model, const Frustum& frustum, std::vector<int>& order);

// ---- Per process: reflection cube map and its framebuffer ------------------
// gEnvFramebuffer stays 0 when the driver lacks framebuffer objects or rejects
// a cube face as its colour attachment: the reflection pass must then be skipped.
extern GLuint gEnvFramebuffer;
extern GLuint gEnvCubeTexture;
extern GLuint gEnvDepthBuffer;

// Initialises GLEW once (with the context current); true when it succeeded.
bool initGlEntryPoints();
// Initialises GLEW if needed (needs a current context) and creates the reflection
// framebuffer with its 256 x 256 depth buffer. Prints one line when an
// extension is missing or the framebuffer is incomplete with a cube face.
void loadExtensionEntryPoints();
// The cube map's faces, always 256 x 256, first filled from Dark.jpg.
void loadReflectionCubeMap();

// The vertex-buffer entry points, fetched before every model load; false (and
// one printed line per run) when the extension is missing.
bool fetchVertexBufferEntryPoints();
bool vertexBuffersAvailable();
// Binds both buffer targets; does nothing without the extension.
void bindModelBuffers(GLuint vertexBuffer, GLuint indexBuffer);

// Longest side of a picture the game loads; the largest it ships is 1024.
constexpr unsigned kMaxPictureSide = 4096;
// True when an 18-byte TGA header describes a layout the image library
// handles safely (see textures.cpp); TGA files failing it are not loaded.
bool tgaHeaderUsable(const unsigned char* header, std::size_t size);
// True when a whole JPEG file's marker segments all fit in it, with a frame
// and a scan; JPEG files failing it are not loaded.
bool jpegStructureUsable(const unsigned char* data, std::size_t size);
// Brings the image library's current image to bottom-up 8-bit rows of
// `format` (IL_BGRA or IL_RGB), the layout every upload reads. False when the
// picture could not be converted: it is then one white texel.
bool conformCurrentImage(unsigned int format);

// The picture-loading scheme of the HUD and menus: a new image-library name
// used as the GL texture name, linear filtering, RGBA from BGRA bytes; prints
// "File <path> not found" when the file cannot be loaded. Returns the name.
GLuint loadPicture(const char* fileName);

// ---- Drawing -----------------------------------------------------------------
// Triangles the models have handed to GL, in every view, since whoever reads
// the count (the game benchmark, once a frame) last set it back to zero.
extern long gTrianglesSent;
void drawVehicleAndWorld(int unused);
// The ghost's car at its pose of the current tick, translucent, when one is shown.
void drawGhost();
void applyActorPose(const NxMat34& pose);
float maxOf3(const Placement& placement);
// The function-key switches copied into the per-model flags of the models each
// one reaches (sky, track, car, wheel and the scenery models, per switch).
void applyTexFilteringToModels(int value);
void applyMipmappingToModels(int value);
void applyRenderPathToModels(int value);
void applyDisplayListsToModels(int value);
void applyAnisotropyToModels(int value);
