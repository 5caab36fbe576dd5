// Vector.cpp - text forms of the vectors (display "<...>", representation "VectorND(...)").
#include "tier0/Vector.h"

#include <cstdio>

namespace {
// Longest "%g" of a float is 13 characters ("-1.17549e-38"); four of them fit easily.
constexpr size_t kVectorTextSize = 96;

template <typename... Floats>
std::string Format(const char* format, Floats... values) {
  char buf[kVectorTextSize];
  int n = std::snprintf(buf, sizeof(buf), format, static_cast<double>(values)...);
  return std::string(buf, n < 0 ? 0 : static_cast<size_t>(n) < sizeof(buf) ? n : sizeof(buf) - 1);
}
}  // namespace

std::string Vector2D::ToString() const {
  return Format("<%g, %g>", x, y);
}
std::string Vector2D::ToRepr() const {
  return Format("Vector2D(%g, %g)", x, y);
}
std::string Vector3D::ToString() const {
  return Format("<%g, %g, %g>", x, y, z);
}
std::string Vector3D::ToRepr() const {
  return Format("Vector3D(%g, %g, %g)", x, y, z);
}
std::string Vector4D::ToString() const {
  return Format("<%g, %g, %g, %g>", x, y, z, w);
}
std::string Vector4D::ToRepr() const {
  return Format("Vector4D(%g, %g, %g, %g)", x, y, z, w);
}
