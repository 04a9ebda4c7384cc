// The car, its wheels and the sky at the simulated poses, then the scenery.
#include "physics/physics.h"
#include "race/race.h"
#include "render/model.h"
#include "render/render.h"

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

// One wheel model serves all four: the -x side turns it round to face out.
void drawWheel(int i, bool steered) {
  glPushMatrix();
  applyActorPose(gWheelPoses[i]);
  if (steered) glRotatef(gSteerAngle / kRadiansPerDegree, 0.0f, 1.0f, 0.0f);
  glRotatef(gWheelSpin[i], 1.0f, 0.0f, 0.0f);
  if (i == 1 || i == 3) glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
  gWheelModel.draw(false, -1, 0);
  glPopMatrix();
}

}  // namespace

void drawVehicleAndWorld(int /*unused*/) {
  glEnable(GL_MULTISAMPLE_ARB);
  // The sky moves with the car so it always surrounds it, unlit and unfogged.
  glDisable(GL_FOG);
  glPushMatrix();
  glTranslatef(gCarPose.t.x, gCarPose.t.y, gCarPose.t.z);
  glDisable(GL_LIGHTING);
  gSkyModel.draw(false, -1, 0);
  glEnable(GL_LIGHTING);
  glPopMatrix();
  glEnable(GL_FOG);

  glPushMatrix();
  applyActorPose(gCarPose);
  gCarModel.draw(false, -1, 0);
  glPopMatrix();
  drawWheel(0, true);
  drawWheel(1, true);
  drawWheel(2, false);
  drawWheel(3, false);
  glDisable(GL_MULTISAMPLE_ARB);

  glPushMatrix();
  gWorld.draw(false);
  glPopMatrix();
}

