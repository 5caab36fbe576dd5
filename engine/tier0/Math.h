// Math.h - the engine's math types in one include: vectors, Matrix4x4, AABB,
// Frustum and the free helpers.
#pragma once

#include "tier0/AABB.h"
#include "tier0/Frustum.h"
#include "tier0/MathFunctions.h"
#include "tier0/Matrix.h"
#include "tier0/Vector.h"
