// View-frustum planes from the GL matrices (Gribb and Hartmann), the
// visibility tests the scenery culling uses and the track's drawing order.
#include <algorithm>
#include <cmath>

#include "render/model.h"
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
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  extractFrom(projection, modelview, viewport[3]);
}

void Frustum::extractFrom(const float projection[16], const float modelview[16], int viewportHeight) {
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
  // The modelview is a rotation and a translation: the eye is the rotation's
  // transpose applied to the negated translation.
  for (int i = 0; i < 3; ++i) {
    eye[i] = -(M[4 * i + 0] * M[12] + M[4 * i + 1] * M[13] + M[4 * i + 2] * M[14]);
  }
  // A perspective projection's second diagonal entry is the cotangent of half
  // the vertical field of view: half the viewport's height over the distance
  // at which one unit spans one pixel.
  const float scale = P[5] * 0.5f * static_cast<float>(viewportHeight);
  focalPixels = std::isfinite(scale) && scale > 0 ? scale : 0;
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

namespace {

bool samePicture(const Shape& a, const Shape& b) {
  return !a.textures.empty() && !b.textures.empty() && a.textures.front().textured &&
         b.textures.front().textured && a.textures.front().fileName == b.textures.front().fileName;
}

float distanceSquared(const Shape& shape, const float eye[3]) {
  const float dx = shape.boundsCentre[0] - eye[0], dy = shape.boundsCentre[1] - eye[1],
              dz = shape.boundsCentre[2] - eye[2];
  return dx * dx + dy * dy + dz * dz;
}

}  // namespace

void orderVisibleShapes(const Model& model, const Frustum& frustum, std::vector<int>& order) {
  order.clear();
  const std::vector<Shape>& shapes = model.shapes;
  const int count = static_cast<int>(shapes.size());
  int runStart = 0;
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !samePicture(shapes[i - 1], shapes[i])) runStart = static_cast<int>(order.size());
    const Shape& s = shapes[i];
    if (!frustum.sphereVisible(s.boundsCentre[0], s.boundsCentre[1], s.boundsCentre[2], s.boundsRadius)) {
      continue;
    }
    // Insertion keeps the run sorted as it grows; runs are a few dozen shapes.
    order.push_back(i);
    const float d = distanceSquared(s, frustum.eye);
    for (int k = static_cast<int>(order.size()) - 1;
         k > runStart && distanceSquared(shapes[order[k - 1]], frustum.eye) > d; --k) {
      std::swap(order[k], order[k - 1]);
    }
  }
}
