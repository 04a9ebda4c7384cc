// The public math types and the tyre curve.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/NxPhysics.h"

namespace {

void expectNear(const NxVec3& a, const NxVec3& b, float tol = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

TEST(EngineMath, QuaternionTurnsForwardTowardsLeftAboutUp) {
  NxQuat q(90, NxVec3(0, 2, 0));  // axis is normalised
  expectNear(q.rot(NxVec3(0, 0, 1)), NxVec3(1, 0, 0));
  expectNear(NxMat33(q) * NxVec3(0, 0, 1), NxVec3(1, 0, 0));
  expectNear(q.invRot(NxVec3(1, 0, 0)), NxVec3(0, 0, 1));
}

TEST(EngineMath, MatrixQuaternionRoundTripForLargeAngles) {
  for (float deg : {0.f, 45.f, 179.f, 181.f, 262.f, 337.f}) {
    NxQuat q(deg, NxVec3(0.3f, 1, -0.2f));
    NxQuat back;
    NxMat33(q).toQuat(back);
    // q and -q are the same rotation.
    EXPECT_NEAR(std::fabs(q.dot(back)), 1, 1e-5) << deg;
  }
}

TEST(EngineMath, PoseLayoutAndOpenGlMatrix) {
  NxMat34 pose(NxMat33(NxQuat(90, NxVec3(0, 1, 0))), NxVec3(10, 20, 30));
  const float* raw = reinterpret_cast<const float*>(&pose);
  EXPECT_FLOAT_EQ(raw[9], 10);   // rotation rows first, then the translation
  EXPECT_FLOAT_EQ(raw[2], pose.M(0, 2));
  float gl[16];
  pose.getColumnMajor44(gl);
  EXPECT_FLOAT_EQ(gl[12], 10);
  EXPECT_FLOAT_EQ(gl[1], pose.M(1, 0));
  EXPECT_FLOAT_EQ(gl[15], 1);
  NxMat34 inv;
  ASSERT_TRUE(pose.getInverseRT(inv));
  expectNear((inv * pose) * NxVec3(1, 2, 3), NxVec3(1, 2, 3), 1e-4f);
}

TEST(EngineMath, TyreCurvePassesItsPointsFlatAtBothAndMirrored) {
  NxTireFunctionDesc f;  // 1.0 / 0.02, 2.0 / 0.01
  EXPECT_FLOAT_EQ(f.hermiteEval(0), 0);
  EXPECT_FLOAT_EQ(f.hermiteEval(1), 0.02f);
  EXPECT_FLOAT_EQ(f.hermiteEval(2), 0.01f);
  EXPECT_FLOAT_EQ(f.hermiteEval(5), 0.01f);
  EXPECT_FLOAT_EQ(f.hermiteEval(-1), -0.02f);
  EXPECT_NEAR(f.hermiteEval(1.001f), f.hermiteEval(0.999f), 1e-7);   // flat at the extremum
  EXPECT_NEAR(f.hermiteEval(1.999f), 0.01f, 1e-7);                  // flat at the asymptote
  EXPECT_GT(f.hermiteEval(0.1f), 0.1f * 0.02f);                     // rises steeply from 0
}

}  // namespace
