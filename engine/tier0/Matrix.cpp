// Matrix.cpp - builders, inverse, determinant and text forms of Matrix4x4.
#include "tier0/Matrix.h"

#include <cmath>
#include <cstdio>

namespace {
Matrix4x4 Zero() {
  Matrix4x4 r;
  for (float& e : r.m) e = 0.0f;
  return r;
}

Matrix4x4 LookAt(const Vector3D& eye, const Vector3D& z, const Vector3D& up) {
  const Vector3D x = up.Cross(z).GetNormalized();
  const Vector3D y = z.Cross(x);
  return Matrix4x4(x.x, x.y, x.z, -x.Dot(eye), y.x, y.y, y.z, -y.Dot(eye), z.x, z.y, z.z,
                   -z.Dot(eye), 0, 0, 0, 1);
}

// Cofactors of the 4x4 matrix a (row-major), transposed (the adjugate), in
// double so that nearly singular view-projection matrices still invert cleanly.
void Adjugate(const float* a, double* inv) {
  const double m0 = a[0], m1 = a[1], m2 = a[2], m3 = a[3], m4 = a[4], m5 = a[5], m6 = a[6],
               m7 = a[7], m8 = a[8], m9 = a[9], m10 = a[10], m11 = a[11], m12 = a[12], m13 = a[13],
               m14 = a[14], m15 = a[15];
  inv[0] = m5 * m10 * m15 - m5 * m11 * m14 - m9 * m6 * m15 + m9 * m7 * m14 + m13 * m6 * m11 -
           m13 * m7 * m10;
  inv[4] = -m4 * m10 * m15 + m4 * m11 * m14 + m8 * m6 * m15 - m8 * m7 * m14 - m12 * m6 * m11 +
           m12 * m7 * m10;
  inv[8] = m4 * m9 * m15 - m4 * m11 * m13 - m8 * m5 * m15 + m8 * m7 * m13 + m12 * m5 * m11 -
           m12 * m7 * m9;
  inv[12] = -m4 * m9 * m14 + m4 * m10 * m13 + m8 * m5 * m14 - m8 * m6 * m13 - m12 * m5 * m10 +
            m12 * m6 * m9;
  inv[1] = -m1 * m10 * m15 + m1 * m11 * m14 + m9 * m2 * m15 - m9 * m3 * m14 - m13 * m2 * m11 +
           m13 * m3 * m10;
  inv[5] = m0 * m10 * m15 - m0 * m11 * m14 - m8 * m2 * m15 + m8 * m3 * m14 + m12 * m2 * m11 -
           m12 * m3 * m10;
  inv[9] = -m0 * m9 * m15 + m0 * m11 * m13 + m8 * m1 * m15 - m8 * m3 * m13 - m12 * m1 * m11 +
           m12 * m3 * m9;
  inv[13] = m0 * m9 * m14 - m0 * m10 * m13 - m8 * m1 * m14 + m8 * m2 * m13 + m12 * m1 * m10 -
            m12 * m2 * m9;
  inv[2] =
      m1 * m6 * m15 - m1 * m7 * m14 - m5 * m2 * m15 + m5 * m3 * m14 + m13 * m2 * m7 - m13 * m3 * m6;
  inv[6] = -m0 * m6 * m15 + m0 * m7 * m14 + m4 * m2 * m15 - m4 * m3 * m14 - m12 * m2 * m7 +
           m12 * m3 * m6;
  inv[10] =
      m0 * m5 * m15 - m0 * m7 * m13 - m4 * m1 * m15 + m4 * m3 * m13 + m12 * m1 * m7 - m12 * m3 * m5;
  inv[14] = -m0 * m5 * m14 + m0 * m6 * m13 + m4 * m1 * m14 - m4 * m2 * m13 - m12 * m1 * m6 +
            m12 * m2 * m5;
  inv[3] =
      -m1 * m6 * m11 + m1 * m7 * m10 + m5 * m2 * m11 - m5 * m3 * m10 - m9 * m2 * m7 + m9 * m3 * m6;
  inv[7] =
      m0 * m6 * m11 - m0 * m7 * m10 - m4 * m2 * m11 + m4 * m3 * m10 + m8 * m2 * m7 - m8 * m3 * m6;
  inv[11] =
      -m0 * m5 * m11 + m0 * m7 * m9 + m4 * m1 * m11 - m4 * m3 * m9 - m8 * m1 * m7 + m8 * m3 * m5;
  inv[15] =
      m0 * m5 * m10 - m0 * m6 * m9 - m4 * m1 * m10 + m4 * m2 * m9 + m8 * m1 * m6 - m8 * m2 * m5;
}

double Determinant(const float* a, const double* inv) {
  return a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
}
}  // namespace

Matrix4x4 Matrix4x4::MakeTranslation(const Vector3D& t) {
  Matrix4x4 r;
  r.SetTranslation(t);
  return r;
}

Matrix4x4 Matrix4x4::MakeScale(const Vector3D& s) {
  Matrix4x4 r;
  r.m[0] = s.x;
  r.m[5] = s.y;
  r.m[10] = s.z;
  return r;
}

Matrix4x4 Matrix4x4::MakeXRotation(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix4x4 r;
  r.m[5] = c;
  r.m[6] = s;
  r.m[9] = -s;
  r.m[10] = c;
  return r;
}

Matrix4x4 Matrix4x4::MakeYRotation(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix4x4 r;
  r.m[0] = c;
  r.m[2] = -s;
  r.m[8] = s;
  r.m[10] = c;
  return r;
}

Matrix4x4 Matrix4x4::MakeZRotation(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix4x4 r;
  r.m[0] = c;
  r.m[1] = -s;
  r.m[4] = s;
  r.m[5] = c;
  return r;
}

Matrix4x4 Matrix4x4::MakeRotation(const Vector3D& axis, float angle) {
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  const float x = axis.x, y = axis.y, z = axis.z;
  Matrix4x4 r;
  r.m[0] = t * x * x + c;
  r.m[1] = t * x * y - s * z;
  r.m[2] = t * x * z + s * y;
  r.m[4] = t * x * y + s * z;
  r.m[5] = t * y * y + c;
  r.m[6] = t * y * z - s * x;
  r.m[8] = t * x * z - s * y;
  r.m[9] = t * y * z + s * x;
  r.m[10] = t * z * z + c;
  return r;
}

Matrix4x4 Matrix4x4::MakeLookAtLH(const Vector3D& eye, const Vector3D& at, const Vector3D& up) {
  return LookAt(eye, (at - eye).GetNormalized(), up);
}

Matrix4x4 Matrix4x4::MakeLookAtRH(const Vector3D& eye, const Vector3D& at, const Vector3D& up) {
  return LookAt(eye, (eye - at).GetNormalized(), up);
}

Matrix4x4 Matrix4x4::MakePerspectiveProjectionFovLH(float fovY, float aspect, float zNear,
                                                    float zFar) {
  const float h = 1.0f / std::tan(fovY * 0.5f);
  Matrix4x4 r = Zero();
  r.m[0] = h / aspect;
  r.m[5] = h;
  r.m[10] = zFar / (zFar - zNear);
  r.m[11] = -zNear * zFar / (zFar - zNear);
  r.m[14] = 1.0f;
  return r;
}

Matrix4x4 Matrix4x4::MakePerspectiveProjectionFovRH(float fovY, float aspect, float zNear,
                                                    float zFar) {
  Matrix4x4 r = MakePerspectiveProjectionFovLH(fovY, aspect, zNear, zFar);
  r.m[11] = zNear * zFar / (zFar - zNear);
  r.m[14] = -1.0f;
  return r;
}

Matrix4x4 Matrix4x4::MakePerspectiveProjectionLH(float width, float height, float zNear,
                                                 float zFar) {
  Matrix4x4 r = Zero();
  r.m[0] = 2.0f * zNear / width;
  r.m[5] = 2.0f * zNear / height;
  r.m[10] = zFar / (zFar - zNear);
  r.m[11] = zNear * zFar / (zNear - zFar);
  r.m[14] = 1.0f;
  return r;
}

Matrix4x4 Matrix4x4::MakeOrthoLH(float width, float height, float zNear, float zFar) {
  Matrix4x4 r = Zero();
  r.m[0] = 2.0f / width;
  r.m[5] = 2.0f / height;
  r.m[10] = 1.0f / (zFar - zNear);
  r.m[11] = zNear / (zNear - zFar);
  r.m[15] = 1.0f;
  return r;
}

Matrix4x4 Matrix4x4::Make2DProjectionLH(float x0, float x1, float y0, float y1, float zNear,
                                        float zFar) {
  Matrix4x4 r = Zero();
  r.m[0] = 2.0f / (x1 - x0);
  r.m[3] = (x0 + x1) / (x0 - x1);
  r.m[5] = 2.0f / (y1 - y0);
  r.m[7] = (y0 + y1) / (y0 - y1);
  r.m[10] = 1.0f / (zFar - zNear);
  r.m[11] = zNear / (zNear - zFar);
  r.m[15] = 1.0f;
  return r;
}

void Matrix4x4::Transpose() {
  for (int row = 0; row < 4; ++row)
    for (int col = row + 1; col < 4; ++col) {
      const float t = m[row * 4 + col];
      m[row * 4 + col] = m[col * 4 + row];
      m[col * 4 + row] = t;
    }
}

float Matrix4x4::GetDeterminant() const {
  double inv[16];
  Adjugate(m, inv);
  return static_cast<float>(Determinant(m, inv));
}

Matrix4x4 Matrix4x4::GetFastInverse() const {
  Matrix4x4 r(m[0], m[4], m[8], 0, m[1], m[5], m[9], 0, m[2], m[6], m[10], 0, 0, 0, 0, 1);
  const Vector3D t = r.TransformVector(GetTranslation(), false);
  r.SetTranslation(-t);
  return r;
}

bool Matrix4x4::GetInverse(Matrix4x4& out) const {
  double inv[16];
  Adjugate(m, inv);
  const double det = Determinant(m, inv);
  if (det == 0.0 || !std::isfinite(det)) return false;
  const double scale = 1.0 / det;
  Matrix4x4 r;
  for (int i = 0; i < 16; ++i) r.m[i] = static_cast<float>(inv[i] * scale);
  out = r;
  return true;
}

void Matrix4x4::ToColumnMajor(float out[16]) const {
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) out[col * 4 + row] = m[row * 4 + col];
}

Matrix4x4 Matrix4x4::FromColumnMajor(const float in[16]) {
  Matrix4x4 r;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) r.m[row * 4 + col] = in[col * 4 + row];
  return r;
}

bool Matrix4x4::operator==(const Matrix4x4& o) const {
  for (int i = 0; i < 16; ++i)
    if (m[i] != o.m[i]) return false;
  return true;
}

bool Matrix4x4::NearlyEquals(const Matrix4x4& o, float epsilon) const {
  for (int i = 0; i < 16; ++i)
    if (!(std::fabs(m[i] - o.m[i]) < epsilon)) return false;
  return true;
}

namespace {
std::string FormatMatrix(const char* format, const float* m) {
  char buf[512];
  int n = std::snprintf(buf, sizeof(buf), format, m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7],
                        m[8], m[9], m[10], m[11], m[12], m[13], m[14], m[15]);
  if (n < 0) return std::string();
  return std::string(buf, static_cast<size_t>(n) < sizeof(buf) ? n : sizeof(buf) - 1);
}
}  // namespace

std::string Matrix4x4::ToString() const {
  return FormatMatrix("<%g, %g, %g, %g,\n %g, %g, %g, %g,\n %g, %g, %g, %g,\n %g, %g, %g, %g>", m);
}

std::string Matrix4x4::ToRepr() const {
  return FormatMatrix(
      "Matrix4x4(%g, %g, %g, %g,\n %g, %g, %g, %g,\n %g, %g, %g, %g,\n %g, %g, %g, %g)", m);
}
