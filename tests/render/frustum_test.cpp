// Frustum planes and tests from plain matrices, without GL.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "render/model.h"
#include "render/render.h"

namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Column-major perspective matrix as gluPerspective builds it.
void perspective(float fovyDegrees, float aspect, float zNear, float zFar, float out[16]) {
  const float f = 1.0f / std::tan(fovyDegrees * 3.14159265f / 360.0f);
  for (int i = 0; i < 16; ++i) out[i] = 0.0f;
  out[0] = f / aspect;
  out[5] = f;
  out[10] = (zFar + zNear) / (zNear - zFar);
  out[11] = -1.0f;
  out[14] = 2.0f * zFar * zNear / (zNear - zFar);
}

Frustum identityFrustum() {
  Frustum f;
  f.extractFrom(kIdentity, kIdentity);
  return f;
}

TEST(Frustum, IdentityMatricesGiveTheUnitCube) {
  Frustum f = identityFrustum();
  // right, left, bottom, top, far, near: inner side towards the origin.
  const float expected[6][4] = {{-1, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1},
                                {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}};
  for (int p = 0; p < 6; ++p) {
    for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(f.planes[p][k], expected[p][k]) << p << "," << k;
  }
}

TEST(Frustum, PlanesAreNormalisedToSignedDistances) {
  float projection[16];
  perspective(50.0f, 4.0f / 3.0f, 5.0f, 40000.0f, projection);
  float modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -100, 0, 0, 1};  // camera at x = 100
  Frustum f;
  f.extractFrom(projection, modelview);
  for (const auto& plane : f.planes) {
    EXPECT_NEAR(std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]), 1.0f, 1e-5f);
  }
  EXPECT_NEAR(f.planes[5][0] * 100 + f.planes[5][2] * -15 + f.planes[5][3], 10.0f, 1e-3f);
  EXPECT_TRUE(f.pointVisible(100, 0, -10));
  EXPECT_FALSE(f.pointVisible(0, 0, -10));   // left of the moved camera's view
  EXPECT_FALSE(f.pointVisible(100, 0, 10));  // behind it
  EXPECT_FALSE(f.pointVisible(100, 0, -40010));
}

TEST(Frustum, PointOnTheNearPlaneIsNotVisible) {
  float projection[16];
  perspective(90.0f, 1.0f, 1.0f, 3.0f, projection);  // exact in floats
  Frustum f;
  f.extractFrom(projection, kIdentity);
  EXPECT_FALSE(f.pointVisible(0, 0, -1.0f));
  EXPECT_TRUE(f.pointVisible(0, 0, -1.01f));
  EXPECT_FALSE(identityFrustum().pointVisible(0, 0, -1.0f));
}

TEST(Frustum, SphereTouchingAPlaneFromOutsideIsRejected) {
  Frustum f = identityFrustum();
  EXPECT_FALSE(f.sphereVisible(-1.0f - 103.0f, 0, 0, 103.0f));
  EXPECT_TRUE(f.sphereVisible(-1.0f - 102.9f, 0, 0, 103.0f));
  EXPECT_TRUE(f.sphereVisible(0, 0, 0, 0.0001f));
  EXPECT_FALSE(f.sphereVisible(0, 0, 200.0f, 103.0f));  // beyond the far plane
}

TEST(Frustum, BoxesNeedOneCornerStrictlyInsideEveryPlane) {
  Frustum f = identityFrustum();
  EXPECT_TRUE(f.boxVisible(1.0f, 0, 0, 0.5f, 0.5f, 0.5f));    // straddles the right plane
  EXPECT_FALSE(f.boxVisible(2.0f, 0, 0, 1.0f, 0.5f, 0.5f));   // nearest corners on it
  EXPECT_FALSE(f.boxVisible(0, -3.0f, 0, 0.5f, 0.5f, 0.5f));  // wholly below
  EXPECT_TRUE(f.boxVisible(0, 0, 0, 10.0f, 10.0f, 10.0f));    // encloses the view
}

// The far palms are chosen by how many pixels a length spans in the view: a
// reflection face of 256 rows at 90 degrees, the main view at 50 degrees.
TEST(Frustum, FocalLengthIsCountedInTheViewportsPixels) {
  float projection[16];
  Frustum f;
  perspective(90.0f, 1.0f, 1.0f, 40000.0f, projection);
  f.extractFrom(projection, kIdentity, 256);
  EXPECT_NEAR(f.focalPixels, 128.0f, 1e-3f);
  perspective(50.0f, 1024.0f / 786.0f, 5.0f, 40000.0f, projection);
  f.extractFrom(projection, kIdentity, 786);
  EXPECT_NEAR(f.focalPixels, 393.0f / std::tan(25.0f * 3.14159265f / 180.0f), 0.05f);
  f.extractFrom(projection, kIdentity);
  EXPECT_EQ(f.focalPixels, 0.0f) << "no viewport given";
}

TEST(Frustum, DegeneratePlaneStaysFinite) {
  const float flat[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  Frustum f;
  f.extractFrom(flat, kIdentity, 300);
  EXPECT_EQ(f.focalPixels, 0.0f);
  for (const auto& plane : f.planes) {
    for (float v : plane) EXPECT_TRUE(std::isfinite(v));
  }
  EXPECT_TRUE(f.pointVisible(3, 4, 5));  // every plane is 0x + 0y + 0z + 1
}

// A textured shape standing for one tile: a sphere at (x, 0, z).
Shape tile(const std::string& picture, float x, float z, float radius) {
  Shape s;
  s.textures.push_back({true, picture});
  s.boundsCentre[0] = x;
  s.boundsCentre[2] = z;
  s.boundsRadius = radius;
  return s;
}

TEST(TrackOrder, TilesOutOfViewAreLeftOutAndEachPictureRunDrawsNearestFirst) {
  // Seen from (0, 0, 100) down -z, as gluLookAt sets the modelview.
  float projection[16];
  perspective(90, 1, 1, 10000, projection);
  float modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -100, 1};
  Frustum f;
  f.extractFrom(projection, modelview);
  EXPECT_FLOAT_EQ(f.eye[0], 0);
  EXPECT_FLOAT_EQ(f.eye[1], 0);
  EXPECT_FLOAT_EQ(f.eye[2], 100);

  Model track;
  track.shapes = {
      tile("Road.tga", 0, -900, 50),    // 0: far
      tile("Road.tga", 0, 300, 50),     // 1: behind the eye: out
      tile("Road.tga", 0, 0, 50),       // 2: near
      tile("Grass.tga", 0, -50, 50),    // 3
      tile("Grass.tga", 5000, 0, 50),   // 4: far off to the side: out
      tile("Grass.tga", 0, -2000, 50),  // 5
      tile("Grass.tga", 0, 50, 80),     // 6: reaches past the eye: in, nearest
      tile("Road.tga", 0, 60, 50),      // 7: a run of its own after the grass
  };
  std::vector<int> order = {42};  // refilled, not appended to
  orderVisibleShapes(track, f, order);
  EXPECT_EQ(order, (std::vector<int>{2, 0, 6, 3, 5, 7}));
}

}  // namespace
