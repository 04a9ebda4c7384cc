// Out-of-line math of the public types.
#include <cmath>

#include "engine/NxPhysics.h"

void NxQuat::fromAngleAxis(NxReal angleDegrees, const NxVec3& axis) {
  NxVec3 a = axis;
  a.normalize();
  fromAngleAxisFast(angleDegrees * 0.017453292f, a);
}

void NxQuat::fromAngleAxisFast(NxReal angleRadians, const NxVec3& unitAxis) {
  NxReal h = angleRadians * 0.5f;
  NxReal s = std::sin(h);
  setXYZW(unitAxis.x * s, unitAxis.y * s, unitAxis.z * s, std::cos(h));
}

void NxQuat::getAngleAxis(NxReal& angleDegrees, NxVec3& axis) const {
  NxReal s = std::sqrt(x * x + y * y + z * z);
  if (s < 1e-12f) {
    angleDegrees = 0;
    axis.set(1, 0, 0);
    return;
  }
  axis.set(x / s, y / s, z / s);
  angleDegrees = 2.0f * std::atan2(s, w) / 0.017453292f;
}

NxReal NxQuat::normalize() {
  NxReal m = magnitude();
  if (m > 0) {
    x /= m; y /= m; z /= m; w /= m;
  }
  return m;
}

NxQuat NxQuat::operator*(const NxQuat& q) const {
  NxQuat r;
  r.w = w * q.w - x * q.x - y * q.y - z * q.z;
  r.x = w * q.x + x * q.w + y * q.z - z * q.y;
  r.y = w * q.y + y * q.w + z * q.x - x * q.z;
  r.z = w * q.z + z * q.w + x * q.y - y * q.x;
  return r;
}

void NxQuat::rotate(NxVec3& v) const {
  // v' = v + 2w (q x v) + 2 q x (q x v)
  NxVec3 q(x, y, z);
  NxVec3 t = q.cross(v) * 2.0f;
  v = v + t * w + q.cross(t);
}

void NxQuat::inverseRotate(NxVec3& v) const {
  NxQuat c = *this;
  c.conjugate();
  c.rotate(v);
}

void NxMat33::id() {
  zero();
  m[0][0] = m[1][1] = m[2][2] = 1;
}

void NxMat33::zero() {
  for (auto& row : m)
    for (NxReal& e : row) e = 0;
}

void NxMat33::fromQuat(const NxQuat& q) {
  NxReal x = q.x, y = q.y, z = q.z, w = q.w;
  m[0][0] = 1 - 2 * (y * y + z * z);
  m[0][1] = 2 * (x * y - w * z);
  m[0][2] = 2 * (x * z + w * y);
  m[1][0] = 2 * (x * y + w * z);
  m[1][1] = 1 - 2 * (x * x + z * z);
  m[1][2] = 2 * (y * z - w * x);
  m[2][0] = 2 * (x * z - w * y);
  m[2][1] = 2 * (y * z + w * x);
  m[2][2] = 1 - 2 * (x * x + y * y);
}

void NxMat33::toQuat(NxQuat& q) const {
  NxReal trace = m[0][0] + m[1][1] + m[2][2];
  if (trace > 0) {
    NxReal s = std::sqrt(trace + 1) * 2;
    q.setXYZW((m[2][1] - m[1][2]) / s, (m[0][2] - m[2][0]) / s, (m[1][0] - m[0][1]) / s, 0.25f * s);
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    NxReal s = std::sqrt(1 + m[0][0] - m[1][1] - m[2][2]) * 2;
    q.setXYZW(0.25f * s, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s, (m[2][1] - m[1][2]) / s);
  } else if (m[1][1] > m[2][2]) {
    NxReal s = std::sqrt(1 + m[1][1] - m[0][0] - m[2][2]) * 2;
    q.setXYZW((m[0][1] + m[1][0]) / s, 0.25f * s, (m[1][2] + m[2][1]) / s, (m[0][2] - m[2][0]) / s);
  } else {
    NxReal s = std::sqrt(1 + m[2][2] - m[0][0] - m[1][1]) * 2;
    q.setXYZW((m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, 0.25f * s, (m[1][0] - m[0][1]) / s);
  }
  q.normalize();
}

void NxMat33::setRowMajor(const NxReal* d) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r][c] = d[r * 3 + c];
}

void NxMat33::getRowMajor(NxReal* d) const {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) d[r * 3 + c] = m[r][c];
}

void NxMat33::setColumnMajor(const NxReal* d) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r][c] = d[c * 3 + r];
}

void NxMat33::getColumnMajor(NxReal* d) const {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) d[c * 3 + r] = m[r][c];
}

void NxMat33::rotX(NxReal angle) {
  NxReal c = std::cos(angle), s = std::sin(angle);
  *this = NxMat33(NxVec3(1, 0, 0), NxVec3(0, c, -s), NxVec3(0, s, c));
}

void NxMat33::rotY(NxReal angle) {
  NxReal c = std::cos(angle), s = std::sin(angle);
  *this = NxMat33(NxVec3(c, 0, s), NxVec3(0, 1, 0), NxVec3(-s, 0, c));
}

void NxMat33::rotZ(NxReal angle) {
  NxReal c = std::cos(angle), s = std::sin(angle);
  *this = NxMat33(NxVec3(c, -s, 0), NxVec3(s, c, 0), NxVec3(0, 0, 1));
}

void NxMat33::multiplyByTranspose(const NxVec3& src, NxVec3& dst) const {
  dst = getTransposed() * src;
}

NxMat33 NxMat33::operator*(const NxMat33& b) const {
  NxMat33 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j];
  return r;
}

NxMat33 NxMat33::getTransposed() const {
  NxMat33 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = m[j][i];
  return r;
}

NxReal NxMat33::determinant() const {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

bool NxMat33::getInverse(NxMat33& dst) const {
  NxReal det = determinant();
  if (det == 0) return false;
  NxReal inv = 1 / det;
  NxMat33 r;
  r.m[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) * inv;
  r.m[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * inv;
  r.m[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * inv;
  r.m[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) * inv;
  r.m[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * inv;
  r.m[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * inv;
  r.m[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) * inv;
  r.m[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * inv;
  r.m[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * inv;
  dst = r;
  return true;
}

void NxMat34::multiplyByInverseRT(const NxVec3& src, NxVec3& dst) const {
  M.multiplyByTranspose(src - t, dst);
}

bool NxMat34::getInverseRT(NxMat34& dst) const {
  NxMat33 rt = M.getTransposed();
  dst = NxMat34(rt, -(rt * t));
  return true;
}

bool NxMat34::getInverse(NxMat34& dst) const {
  NxMat33 inv;
  if (!M.getInverse(inv)) return false;
  dst = NxMat34(inv, -(inv * t));
  return true;
}

void NxMat34::getColumnMajor44(NxReal* d) const {
  for (int c = 0; c < 3; ++c) {
    for (int r = 0; r < 3; ++r) d[c * 4 + r] = M.m[r][c];
    d[c * 4 + 3] = 0;
  }
  d[12] = t.x; d[13] = t.y; d[14] = t.z; d[15] = 1;
}

void NxMat34::setColumnMajor44(const NxReal* d) {
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) M.m[r][c] = d[c * 4 + r];
  t.set(d[12], d[13], d[14]);
}

void NxMat34::getRowMajor44(NxReal* d) const {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) d[r * 4 + c] = M.m[r][c];
    d[r * 4 + 3] = t[r];
  }
  d[12] = d[13] = d[14] = 0; d[15] = 1;
}

void NxMat34::setRowMajor44(const NxReal* d) {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) M.m[r][c] = d[r * 4 + c];
    t[r] = d[r * 4 + 3];
  }
}

NxReal NxTireFunctionDesc::hermiteEval(NxReal t) const {
  NxReal sign = t < 0 ? -1.0f : 1.0f;
  NxReal s = std::fabs(t);
  if (s >= asymptoteSlip) return sign * asymptoteValue;
  // Two cubic Hermite pieces. The first leaves 0 with twice the secant's
  // slope and arrives flat at the extremum (a parabola, 2u - u^2); the second
  // runs flat from the extremum to flat at the asymptote.
  if (s < extremumSlip) {
    NxReal u = s / extremumSlip;
    NxReal m0 = 2.0f * extremumValue;  // the tangent at 0, per unit of u
    NxReal h10 = u * u * u - 2 * u * u + u;
    NxReal h01 = -2 * u * u * u + 3 * u * u;
    return sign * (h10 * m0 + h01 * extremumValue);
  }
  NxReal u = (s - extremumSlip) / (asymptoteSlip - extremumSlip);
  NxReal h00 = 2 * u * u * u - 3 * u * u + 1;
  NxReal h01 = -2 * u * u * u + 3 * u * u;
  return sign * (h00 * extremumValue + h01 * asymptoteValue);
}

bool NxTriangleMeshDesc::isValid() const {
  if (numVertices == 0 || numTriangles == 0 || !points || !triangles) return false;
  if (pointStrideBytes < 12) return false;
  NxU32 indexBytes = (flags & NX_MF_16_BIT_INDICES) ? 2 : 4;
  return triangleStrideBytes >= 3 * indexBytes;
}
