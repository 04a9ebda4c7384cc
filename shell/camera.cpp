// The chase camera, the reflection cube map rendered around the car every
// race frame, and the projections of the main view.
#include <GL/glew.h>
#include <GL/glu.h>

#include "physics/physics.h"
#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/game.h"

// ---- Per race: chase camera ------------------------------------------------
float gCameraPos[3] = {0, 0, 0};
float gCameraDistance = 250.0f;
float gCameraHeight = 50.0f;
float gCameraSide = 0.0f;
float gCameraDir[2] = {0, 1};

namespace {

constexpr float kFarDistance = 250.0f;  // the mode is told by this distance alone
constexpr int kCubeFaceSize = 256;

bool farMode() { return gCameraDistance == kFarDistance; }

// Without framebuffer objects the cube map keeps its first picture rather than
// calling entry points that were never found.
bool cubeFacesRenderable() {
  return gEnvFramebuffer != 0 && gEnvCubeTexture != 0 && glBindFramebufferEXT && glFramebufferTexture2DEXT &&
         glFramebufferRenderbufferEXT;
}

void setCameraMode(float distance, float height, float side) {
  gCameraDistance = distance;
  gCameraHeight = height;
  gCameraSide = side;
}

void perspective(float fieldOfView, float aspect, float nearDistance) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fieldOfView, aspect, nearDistance, gViewDistance);
  glMatrixMode(GL_MODELVIEW);
}

struct CubeFace {
  GLenum target;
  float nearDistance;
};

// The cube is turned about the vertical so that its -Z face looks from the car
// away from the camera; +Z looks back at the camera itself.
const CubeFace kCubeFaces[6] = {
    {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 5}, {GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, 1},
    {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, 1}, {GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 5},
    {GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 1}, {GL_TEXTURE_CUBE_MAP_POSITIVE_X, 1},
};

void lookFromCarForFace(int face, const NxVec3& c, float fx, float fz) {
  switch (face) {
    case 0: gluLookAt(c.x, c.y, c.z, c.x + fx, c.y, c.z + fz, 0, -1, 0); break;
    case 1: gluLookAt(c.x, c.y, c.z, c.x, c.y - 10000, c.z, fx, 0, fz); break;
    case 2: gluLookAt(c.x, c.y, c.z, c.x + fz, c.y, c.z - fx, 0, -1, 0); break;
    case 3: gluLookAt(c.x, c.y, c.z, gDrawn.eye.x, gDrawn.eye.y, gDrawn.eye.z, 0, -1, 0); break;
    case 4: gluLookAt(c.x, c.y, c.z, c.x, c.y + 10000, c.z, -fx, 0, -fz); break;
    default: gluLookAt(c.x, c.y, c.z, c.x - fz, c.y, c.z + fx, 0, -1, 0); break;
  }
}

void renderCubeFace(int face, const NxVec3& c, float fx, float fz) {
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, kCubeFaces[face].target,
                            gEnvCubeTexture, 0);
  glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                               gEnvDepthBuffer);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();  // the identity the race frame started with
  glViewport(0, 0, kCubeFaceSize, kCubeFaceSize);
  perspective(90, 1, kCubeFaces[face].nearDistance);
  lookFromCarForFace(face, c, fx, fz);
  viewFrustum.extract();
  gWorld.draw(true);
  // The sky sits around the car and is never fogged; fog comes back for the
  // next face's scenery.
  glDisable(GL_FOG);
  glPushMatrix();
  glTranslatef(c.x, c.y, c.z);
  gSkyModel.draw(false, -1, 0);
  glPopMatrix();
  glEnable(GL_FOG);
  glPopMatrix();
}

}  // namespace

// The tick's camera bit is a press: the keys that made it were let go when
// the tick took them, so a held key switches once (and again on each repeat).
void updateCameraModeKey() {
  if (!(gTickInput.keys & driveBit(kCamera))) return;
  if (farMode()) {
    setCameraMode(80, 15, 50);
  } else {
    setCameraMode(kFarDistance, 50, 0);
  }
}

void updateChaseCamera() {
  const NxVec3& c = gCarPose.t;
  // A car that has not moved keeps the camera where it is (even just after a
  // mode switch).
  if (c.x == gPrevCarPos.x && c.y == gPrevCarPos.y && c.z == gPrevCarPos.z) return;
  gCameraDir[0] += (gCarForward[0] - gCameraDir[0]) / 12;
  gCameraDir[1] += (gCarForward[1] - gCameraDir[1]) / 12;
  if (!farMode()) {
    gCameraDir[0] = gCarForward[0];
    gCameraDir[1] = gCarForward[1];
  }
  // The smoothed direction is left unnormalised: in a turn it shortens and the
  // far camera closes in.
  const float dx = gCameraDir[0], dz = gCameraDir[1];
  gCameraPos[0] = c.x - dx * gCameraDistance + dz * gCameraSide;
  gCameraPos[1] = c.y + gCameraHeight;
  gCameraPos[2] = c.z - dz * gCameraDistance - dx * gCameraSide;
}

// Around the car where this frame draws it, turned to the camera that sees it.
void renderReflectionCubeMap() {
  if (!cubeFacesRenderable()) return;
  const NxVec3& c = gDrawn.car.t;
  const float fx = c.x - gDrawn.eye.x;
  const float fz = c.z - gDrawn.eye.z;
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gEnvFramebuffer);
  for (int face = 0; face < 6; ++face) renderCubeFace(face, c, fx, fz);
}

void setUpMainView() { setUpMainViewFrom(gDrawn.eye, gDrawn.car.t, 50); }

void setUpMainViewFrom(const NxVec3& eye, const NxVec3& c, float fieldOfView) {
  if (glBindFramebufferEXT) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glViewport(0, 0, gScreenWidth, gScreenHeight);
  perspective(fieldOfView, static_cast<float>(gScreenWidth) / static_cast<float>(gScreenHeight), 5);
  glLoadIdentity();
  gluLookAt(eye.x, eye.y, eye.z, c.x, c.y, c.z, 0, 1, 0);
  viewFrustum.extract();
}

void onReshape(int width, int height) {
  glViewport(0, 0, width, height);
  if (height == 0) height = 1;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(50, static_cast<float>(width) / static_cast<float>(height), 5, gViewDistance);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
