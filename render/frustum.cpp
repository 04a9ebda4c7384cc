// View-frustum planes from the GL matrices (Gribb and Hartmann) and the
// visibility tests the scenery culling uses.
#include <cmath>

#include "render/render.h"

Frustum viewFrustum;

namespace {

float distanceTo(const float plane[4], float x, float y, float z) {
  return plane[0] * x + plane[1] * y + plane[2] * z + plane[3];
}

}  // namespace

void Frustum::extract() {
  float projection[16];
  float modelview[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  extractFrom(projection, modelview);
}

void Frustum::extractFrom(const float projection[16], const float modelview[16]) {
  const float* P = projection;
  const float* M = modelview;
  float C[16];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      C[4 * r + c] = M[4 * r + 0] * P[0 + c] + M[4 * r + 1] * P[4 + c] + M[4 * r + 2] * P[8 + c] +
                     M[4 * r + 3] * P[12 + c];
    }
  }
  // Row 3 plus or minus row k of the combined matrix, one plane at a time.
  const struct { int row; float sign; } kPlaneRows[6] = {
      {0, -1.0f}, {0, 1.0f}, {1, 1.0f}, {1, -1.0f}, {2, -1.0f}, {2, 1.0f}};
  for (int p = 0; p < 6; ++p) {
    const int k = kPlaneRows[p].row;
    const float s = kPlaneRows[p].sign;
    planes[p][0] = C[3] + s * C[0 + k];
    planes[p][1] = C[7] + s * C[4 + k];
    planes[p][2] = C[11] + s * C[8 + k];
    planes[p][3] = C[15] + s * C[12 + k];
    normalizePlane(p);
  }
}

void Frustum::normalizePlane(int plane) {
  float* q = planes[plane];
  const float length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
  // A degenerate projection gives a plane without a normal; leaving it as it
  // is keeps the tests finite (they then depend on the sign of d alone).
  if (length == 0.0f) return;
  q[0] /= length;
  q[1] /= length;
  q[2] /= length;
  q[3] /= length;
}

bool Frustum::pointVisible(float x, float y, float z) const {
  for (const auto& plane : planes) {
    if (distanceTo(plane, x, y, z) <= 0.0f) return false;
  }
  return true;
}

bool Frustum::sphereVisible(float x, float y, float z, float radius) const {
  for (const auto& plane : planes) {
    if (distanceTo(plane, x, y, z) <= -radius) return false;
  }
  return true;
}

bool Frustum::boxVisible(float x, float y, float z, float hx, float hy, float hz) const {
  for (const auto& plane : planes) {
    bool anyInside = false;
    for (int corner = 0; corner < 8 && !anyInside; ++corner) {
      const float cx = x + ((corner & 1) ? hx : -hx);
      const float cy = y + ((corner & 2) ? hy : -hy);
      const float cz = z + ((corner & 4) ? hz : -hz);
      anyInside = distanceTo(plane, cx, cy, cz) > 0.0f;
    }
    if (!anyInside) return false;
  }
  return true;
}
