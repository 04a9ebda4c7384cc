// The car and its wheels at the simulated poses, the track, the sky and the
// placed scenery, and the ghost.
#include <cmath>

#include "physics/physics.h"
#include "race/ghost.h"
#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/game.h"

void applyActorPose(const NxMat34& pose) {
  const auto& R = pose.M.m;
  const float matrix[16] = {R[0][0], R[1][0], R[2][0], 0.0f,  //
                            R[0][1], R[1][1], R[2][1], 0.0f,  //
                            R[0][2], R[1][2], R[2][2], 0.0f,  //
                            pose.t.x, pose.t.y, pose.t.z, 1.0f};
  glMultMatrixf(matrix);
}

namespace {

const float kRadiansPerDegree = 0.017453292f;

// One wheel model serves all four: the -x side turns it round to face out;
// the front pair (0 and 1) is steered.
void drawWheel(int i, const NxMat34& pose, float steer, float spin, float opacity) {
  glPushMatrix();
  applyActorPose(pose);
  if (i < 2) glRotatef(steer / kRadiansPerDegree, 0.0f, 1.0f, 0.0f);
  glRotatef(spin, 1.0f, 0.0f, 0.0f);
  if (i == 1 || i == 3) glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
  if (opacity < 1.0f)
    gWheelModel.drawTranslucent(opacity);
  else
    gWheelModel.draw(false, -1, 0);
  glPopMatrix();
}

}  // namespace

// The sky comes after the car and the track. All three are fully opaque, so
// each pixel shows the nearest of them just as with the sky first, but the
// sky is then shaded only where nothing hides it. The placed objects blend
// their frond edges over whatever is behind, so they come after the sky.
void drawVehicleAndWorld(int /*unused*/) {
  glEnable(GL_MULTISAMPLE_ARB);
  glPushMatrix();
  applyActorPose(gDrawn.car);
  gCarModel.draw(false, -1, 0);
  glPopMatrix();
  for (int i = 0; i < 4; ++i) drawWheel(i, gDrawn.wheels[i], gDrawn.steer, gDrawn.spin[i], 1.0f);
  glDisable(GL_MULTISAMPLE_ARB);

  glPushMatrix();
  gWorld.drawTrack(false);
  glPopMatrix();

  // The sky moves with the car so it always surrounds it, unlit and unfogged.
  glEnable(GL_MULTISAMPLE_ARB);
  glDisable(GL_FOG);
  glPushMatrix();
  glTranslatef(gDrawn.car.t.x, gDrawn.car.t.y, gDrawn.car.t.z);
  glDisable(GL_LIGHTING);
  gSkyModel.draw(false, -1, 0);
  glEnable(GL_LIGHTING);
  glPopMatrix();
  glEnable(GL_FOG);
  glDisable(GL_MULTISAMPLE_ARB);

  glPushMatrix();
  gWorld.drawPlaced(false);
  glPopMatrix();
}

namespace {

// The car model's length, nose to tail; the body the engine drives when the
// model has no vertices. Measured once for each load of the model, not each frame.
float carLength() {
  static const Shape* measuredShapes = nullptr;
  static float length = 0;
  if (measuredShapes == gCarModel.shapes.data() && length > 0) return length;
  float front = -1e30f, back = 1e30f;
  for (const Shape& s : gCarModel.shapes)
    for (const ModelVertex& v : s.vertices) {
      front = std::fmax(front, v.z);
      back = std::fmin(back, v.z);
    }
  measuredShapes = gCarModel.shapes.data();
  length = front > back ? front - back : 123.72f;
  return length;
}

}  // namespace

void drawGhost() {
  if (!gDrawn.ghostShown || gShowGhost != 1) return;  // F11 may come between two ticks
  const GhostPose* pose = &gDrawn.ghost;
  const float opacity = gGhostOpacity * ghostVisibility(pose->car.t, gDrawn.car.t, gDrawn.eye, carLength());
  if (opacity <= 0) return;
  glEnable(GL_MULTISAMPLE_ARB);
  glPushMatrix();
  applyActorPose(pose->car);
  gCarModel.drawTranslucent(opacity);
  glPopMatrix();
  for (int i = 0; i < 4; ++i)
    drawWheel(i, NxMat34(pose->car.M, pose->wheels[i]), pose->steer, pose->spin[i], opacity);
  glDisable(GL_MULTISAMPLE_ARB);
}
