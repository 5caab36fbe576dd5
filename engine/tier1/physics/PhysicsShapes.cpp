// PhysicsShapes.cpp - collision shapes, their volumes and closed surfaces.
//
// Every convex shape keeps a triangulated copy of its surface; the volume and
// the submerged part used by buoyancy are computed from it, so both agree.
#include "tier1/physics/PhysicsInternal.h"

#include <BulletCollision/CollisionShapes/btEmptyShape.h>
#include <LinearMath/btConvexHullComputer.h>

#include <cmath>
#include <cstring>

namespace {

// Tessellation of round shapes for volume and buoyancy.
constexpr int kRoundSlices = 24;
constexpr int kRoundStacks = 12;

void AddTri(std::vector<btVector3>& s, const btVector3& a, const btVector3& b, const btVector3& c) {
  s.push_back(a);
  s.push_back(b);
  s.push_back(c);
}

// Turns every triangle outwards (the shapes are convex, so away from the centre).
void OrientOutwards(std::vector<btVector3>& s) {
  if (s.empty()) {
    return;
  }
  btVector3 centre(0, 0, 0);
  for (const btVector3& v : s) {
    centre += v;
  }
  centre /= btScalar(s.size());
  for (size_t i = 0; i + 2 < s.size(); i += 3) {
    btVector3 n = (s[i + 1] - s[i]).cross(s[i + 2] - s[i]);
    if (n.dot(s[i] - centre) < 0) {
      std::swap(s[i + 1], s[i + 2]);
    }
  }
}

float SurfaceVolume(const std::vector<btVector3>& s) {
  double v = 0.0;
  for (size_t i = 0; i + 2 < s.size(); i += 3) {
    v += s[i].dot(s[i + 1].cross(s[i + 2]));
  }
  return static_cast<float>(std::fabs(v) / 6.0);
}

void BoxSurface(std::vector<btVector3>& s, const btVector3& h) {
  btVector3 c[8];
  for (int i = 0; i < 8; ++i) {
    c[i] = btVector3((i & 1) ? h.x() : -h.x(), (i & 2) ? h.y() : -h.y(), (i & 4) ? h.z() : -h.z());
  }
  static const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto& f : faces) {
    AddTri(s, c[f[0]], c[f[1]], c[f[2]]);
    AddTri(s, c[f[0]], c[f[2]], c[f[3]]);
  }
}

// A round shape along x: rings of (x, radius) from one end to the other.
void LatheSurface(std::vector<btVector3>& s, const std::vector<std::pair<float, float>>& profile,
                  const btVector3& scale) {
  for (size_t r = 0; r + 1 < profile.size(); ++r) {
    for (int k = 0; k < kRoundSlices; ++k) {
      const float a0 = SIMD_2_PI * k / kRoundSlices;
      const float a1 = SIMD_2_PI * (k + 1) / kRoundSlices;
      auto point = [&](size_t ring, float a) {
        return btVector3(profile[ring].first, profile[ring].second * std::cos(a),
                         profile[ring].second * std::sin(a)) *
               scale;
      };
      btVector3 p00 = point(r, a0), p01 = point(r, a1), p10 = point(r + 1, a0),
                p11 = point(r + 1, a1);
      if (profile[r].second > 0) {
        AddTri(s, p00, p10, p01);
      }
      if (profile[r + 1].second > 0) {
        AddTri(s, p01, p10, p11);
      }
    }
  }
}

std::vector<std::pair<float, float>> SphereProfile(float r) {
  std::vector<std::pair<float, float>> p;
  for (int i = 0; i <= kRoundStacks; ++i) {
    const float a = SIMD_PI * i / kRoundStacks;
    p.emplace_back(-r * std::cos(a), r * std::sin(a));
  }
  return p;
}

std::vector<std::pair<float, float>> CapsuleProfile(float r, float half) {
  std::vector<std::pair<float, float>> p;
  for (int i = 0; i <= kRoundStacks / 2; ++i) {
    const float a = SIMD_PI * i / kRoundStacks;
    p.emplace_back(-half - r * std::cos(a), r * std::sin(a));
  }
  for (int i = kRoundStacks / 2; i <= kRoundStacks; ++i) {
    const float a = SIMD_PI * i / kRoundStacks;
    p.emplace_back(half - r * std::cos(a), r * std::sin(a));
  }
  return p;
}

// Widens a lathed surface about x so that its volume is the round shape's own
// (scaling the radius by k scales every cross-section, and so the volume, by k^2).
void MatchVolume(std::vector<btVector3>& s, float volume) {
  const float have = SurfaceVolume(s);
  if (!(have > 0.0f)) {
    return;
  }
  const float k = std::sqrt(volume / have);
  for (btVector3& v : s) {
    v.setY(v.y() * k);
    v.setZ(v.z() * k);
  }
}

PhysicsCollision* Finish(std::unique_ptr<btCollisionShape> shape, std::vector<btVector3> surface,
                         const float* offset) {
  auto* col = new PhysicsCollision;
  OrientOutwards(surface);
  col->volume = SurfaceVolume(surface);
  // The offset goes into the body's placement rather than a compound shape,
  // which Bullet collides at several times the cost.
  if (offset) {
    col->offset = PhysicsToTransform(offset);
    col->offsetInverse = col->offset.inverse();
    col->hasOffset =
        !(col->offset.getOrigin().isZero() && col->offset.getBasis() == btMatrix3x3::getIdentity());
  }
  col->shape = std::move(shape);
  col->surface = std::move(surface);
  return col;
}

enum ShapeKind : uint32_t { kNull = 1, kSphere, kBox, kCapsule, kCylinder };

template <class Make>
PhysicsCollision* Cached(PhysicsWorld* world, ShapeKind kind, float a, float b, float c,
                         const float* offset, Make make) {
  PhysicsShapeKey key{};
  key[0] = kind;
  const float dims[3] = {a, b, c};
  std::memcpy(&key[1], dims, sizeof(dims));
  if (offset) {
    // Row 3 of an offset is always (0, 0, 0, 1).
    std::memcpy(&key[4], offset, 12 * sizeof(float));
    key[16] = 1;
  }
  if (world) {
    auto it = world->shapes.find(key);
    if (it != world->shapes.end()) {
      ++it->second->refs;
      return it->second;
    }
  }
  PhysicsCollision* col = make();
  if (col && world) {
    world->shapes[key] = col;
    col->cacheWorld = world;
    col->cacheKey = key;
  }
  return col;
}

PhysicsCollision* MakeSphere(float rx, float ry, float rz, const float* offset);
PhysicsCollision* MakeBox(float dx, float dy, float dz, const float* offset);
PhysicsCollision* MakeCapsule(float radius, float height, const float* offset);
PhysicsCollision* MakeCylinder(float radius, float height, const float* offset);

}  // namespace

PhysicsCollision* PhysicsCreateNull(PhysicsWorld* world) {
  return Cached(world, kNull, 0, 0, 0, nullptr,
                [] { return Finish(std::make_unique<btEmptyShape>(), {}, nullptr); });
}

PhysicsCollision* PhysicsCreateSphere(PhysicsWorld* world, float rx, float ry, float rz,
                                      const float* offset) {
  if (!(rx > 0 && ry > 0 && rz > 0)) {
    return nullptr;
  }
  return Cached(world, kSphere, rx, ry, rz, offset, [&] { return MakeSphere(rx, ry, rz, offset); });
}

PhysicsCollision* PhysicsCreateBox(PhysicsWorld* world, float dx, float dy, float dz,
                                   const float* offset) {
  if (!(dx > 0 && dy > 0 && dz > 0)) {
    return nullptr;
  }
  return Cached(world, kBox, dx, dy, dz, offset, [&] { return MakeBox(dx, dy, dz, offset); });
}

PhysicsCollision* PhysicsCreateCapsule(PhysicsWorld* world, float radius, float height,
                                       const float* offset) {
  if (!(radius > 0)) {
    return nullptr;
  }
  return Cached(world, kCapsule, radius, height, 0, offset,
                [&] { return MakeCapsule(radius, height, offset); });
}

PhysicsCollision* PhysicsCreateCylinder(PhysicsWorld* world, float radius, float height,
                                        const float* offset) {
  if (!(radius > 0 && height > 0)) {
    return nullptr;
  }
  return Cached(world, kCylinder, radius, height, 0, offset,
                [&] { return MakeCylinder(radius, height, offset); });
}

namespace {

PhysicsCollision* MakeSphere(float rx, float ry, float rz, const float* offset) {
  if (!(rx > 0 && ry > 0 && rz > 0)) {
    return nullptr;
  }
  std::vector<btVector3> surface;
  std::unique_ptr<btCollisionShape> shape;
  if (rx == ry && ry == rz) {
    shape = std::make_unique<btSphereShape>(rx);
    LatheSurface(surface, SphereProfile(rx), btVector3(1, 1, 1));
    MatchVolume(surface, 4.0f / 3.0f * SIMD_PI * rx * rx * rx);
  } else {
    // An ellipsoid: a unit sphere scaled per axis.
    btVector3 centre(0, 0, 0);
    btScalar one = 1;
    auto multi = std::make_unique<btMultiSphereShape>(&centre, &one, 1);
    multi->setLocalScaling(btVector3(rx, ry, rz));
    shape = std::move(multi);
    LatheSurface(surface, SphereProfile(1), btVector3(rx, ry, rz));
    MatchVolume(surface, 4.0f / 3.0f * SIMD_PI * rx * ry * rz);
  }
  return Finish(std::move(shape), std::move(surface), offset);
}

PhysicsCollision* MakeBox(float dx, float dy, float dz, const float* offset) {
  btVector3 half(dx * 0.5f, dy * 0.5f, dz * 0.5f);
  std::vector<btVector3> surface;
  BoxSurface(surface, half);
  return Finish(std::make_unique<btBoxShape>(half), std::move(surface), offset);
}

PhysicsCollision* MakeCapsule(float radius, float height, const float* offset) {
  // The length includes both caps and is never less than their sum.
  const float middle = std::max(height - 2.0f * radius, 0.0f);
  std::vector<btVector3> surface;
  LatheSurface(surface, CapsuleProfile(radius, middle * 0.5f), btVector3(1, 1, 1));
  MatchVolume(surface, SIMD_PI * radius * radius * (middle + 4.0f / 3.0f * radius));
  return Finish(std::make_unique<btCapsuleShapeX>(radius, middle), std::move(surface), offset);
}

PhysicsCollision* MakeCylinder(float radius, float height, const float* offset) {
  const float h = height * 0.5f;
  std::vector<btVector3> surface;
  LatheSurface(surface, {{-h, 0.0f}, {-h, radius}, {h, radius}, {h, 0.0f}}, btVector3(1, 1, 1));
  MatchVolume(surface, SIMD_PI * radius * radius * height);
  return Finish(std::make_unique<btCylinderShapeX>(btVector3(h, radius, radius)),
                std::move(surface), offset);
}

}  // namespace

PhysicsCollision* PhysicsCreateConvexHull(PhysicsWorld*, int count, const float* points,
                                          int strideBytes, const float* offset) {
  if (count < 4 || !points || strideBytes < static_cast<int>(3 * sizeof(float))) {
    return nullptr;
  }
  btConvexHullComputer hull;
  hull.compute(points, strideBytes, count, 0, 0);
  if (hull.vertices.size() < 4 || hull.faces.size() < 4) {
    return nullptr;  // flat or degenerate point sets enclose nothing
  }
  std::vector<btVector3> surface;
  for (int f = 0; f < hull.faces.size(); ++f) {
    const btConvexHullComputer::Edge* first = &hull.edges[hull.faces[f]];
    const btVector3& a = hull.vertices[first->getSourceVertex()];
    const btConvexHullComputer::Edge* e = first->getNextEdgeOfFace();
    while (e->getTargetVertex() != first->getSourceVertex()) {
      AddTri(surface, a, hull.vertices[e->getSourceVertex()], hull.vertices[e->getTargetVertex()]);
      e = e->getNextEdgeOfFace();
    }
  }
  auto shape = std::make_unique<btConvexHullShape>();
  for (int i = 0; i < hull.vertices.size(); ++i) {
    shape->addPoint(hull.vertices[i], false);
  }
  shape->recalcLocalAabb();
  // Bullet's default margin would float the hull above what it rests on.
  shape->setMargin(0.0f);
  return Finish(std::move(shape), std::move(surface), offset);
}

PhysicsCollision* PhysicsCreateTreeCollision(PhysicsWorld*) {
  auto* col = new PhysicsCollision;
  col->isTree = true;
  col->shape = std::make_unique<btEmptyShape>();
  return col;
}

void PhysicsTreeCollisionBeginBuild(PhysicsCollision* tree) {
  if (!tree || !tree->isTree) {
    return;
  }
  tree->building = true;
  tree->faces.clear();
}

void PhysicsTreeCollisionAddFace(PhysicsCollision* tree, int vertexCount, const float* vertices,
                                 int strideBytes, int) {
  if (!tree || !tree->building || vertexCount < 3 || !vertices) {
    return;
  }
  auto vertex = [&](int i) {
    return PhysicsVec(
        reinterpret_cast<const float*>(reinterpret_cast<const char*>(vertices) + i * strideBytes));
  };
  for (int i = 1; i + 1 < vertexCount; ++i) {
    tree->faces.push_back(vertex(0));
    tree->faces.push_back(vertex(i));
    tree->faces.push_back(vertex(i + 1));
  }
}

void PhysicsTreeCollisionEndBuild(PhysicsCollision* tree, int) {
  if (!tree || !tree->building || tree->refs > 1) {
    return;  // a shape in use by bodies keeps its geometry
  }
  tree->building = false;
  if (tree->faces.empty()) {
    // Bullet cannot build a mesh without faces.
    tree->shape = std::make_unique<btEmptyShape>();
    tree->mesh.reset();
    return;
  }
  auto mesh = std::make_unique<btTriangleMesh>(true, false);
  for (size_t i = 0; i + 2 < tree->faces.size(); i += 3) {
    mesh->addTriangle(tree->faces[i], tree->faces[i + 1], tree->faces[i + 2], false);
  }
  tree->faces.clear();
  tree->faces.shrink_to_fit();
  tree->shape = std::make_unique<btBvhTriangleMeshShape>(mesh.get(), true, true);
  tree->mesh = std::move(mesh);
}

void PhysicsReleaseCollision(PhysicsWorld*, PhysicsCollision* collision) {
  if (collision && --collision->refs == 0) {
    if (collision->cacheWorld) {
      collision->cacheWorld->shapes.erase(collision->cacheKey);
    }
    collision->compound.reset();  // refers to the shape, which refers to the mesh
    collision->shape.reset();
    collision->mesh.reset();
    delete collision;
  }
}

float PhysicsCollisionGetVolume(const PhysicsCollision* collision) {
  return collision ? collision->volume : 0.0f;
}
