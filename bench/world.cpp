// world.cpp - the simulated world against Bullet used directly.
//
// 1000 unit boxes fall as a pile or as a spread layer onto a static plane (a
// large box) or a static triangle mesh, for 10 simulated seconds (2500 steps
// of 0.004 s). The World runs it as the engine does, in frames of 1/50 s with
// object updates, force and transform callbacks and material callbacks; the
// baseline builds the same scene in Bullet with the same masses, inertia,
// friction, elasticity and sleeping parameters and steps it directly. Scene
// building is not timed.
#include "tier1/NullObject.h"
#include "tier1/World.h"
#include "tier1/WorldObject.h"

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The static mesh class is not there yet: a stand-in with a triangle mesh.
// (Outside the anonymous namespace: the pool's friend names the global ObjectPool.)
class BenchMeshObject : public WorldObject {
  KAZ_POOLED_CLASS(BenchMeshObject)

 public:
  using WorldObject::Create;
  uint32_t GetType() const override { return ObjectType_StaticMesh; }
  PhysicsCollision* CreateCollision(const ObjectParams& params) override;

 private:
  BenchMeshObject() = default;
};
KAZ_DEFINE_POOL(BenchMeshObject, 1);

namespace {

constexpr int kBoxes = 1000;
constexpr uint64_t kSteps = 2500;
constexpr float kFrame = 0.02f;
constexpr float kGroundHalf = 100.0f;
constexpr int kMeshCells = 50;  // per side: 2 x 50 x 50 triangles

enum Ground { kPlane = 0, kMesh = 1 };
enum Layout { kPile = 0, kLayer = 1 };

struct Vec {
  float x, y, z;
};

// The same triangles for both sides of the comparison.
std::vector<Vec> MeshTriangles() {
  std::vector<Vec> tris;
  const float cell = 2.0f * kGroundHalf / kMeshCells;
  for (int i = 0; i < kMeshCells; ++i) {
    for (int j = 0; j < kMeshCells; ++j) {
      const float x0 = -kGroundHalf + i * cell, z0 = -kGroundHalf + j * cell;
      const float x1 = x0 + cell, z1 = z0 + cell;
      tris.insert(tris.end(),
                  {{x0, 0, z0}, {x0, 0, z1}, {x1, 0, z1}, {x0, 0, z0}, {x1, 0, z1}, {x1, 0, z0}});
    }
  }
  return tris;
}

// Box centres: a jittered 10 x 10 x 10 stack that collapses, or a 32 x 32 layer.
std::vector<Vec> BoxPositions(Layout layout) {
  std::vector<Vec> out;
  uint32_t seed = 12345;
  auto jitter = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * 0.6f;
  };
  for (int i = 0; i < kBoxes; ++i) {
    if (layout == kPile) {
      const int x = i % 10, z = (i / 10) % 10, y = i / 100;
      out.push_back({(x - 4.5f) * 1.1f + jitter(), 1.0f + y * 1.1f, (z - 4.5f) * 1.1f + jitter()});
    } else {
      const int x = i % 32, z = i / 32;
      out.push_back({(x - 15.5f) * 2.0f, 1.0f, (z - 15.5f) * 2.0f});
    }
  }
  return out;
}

}  // namespace

PhysicsCollision* BenchMeshObject::CreateCollision(const ObjectParams&) {
  static const std::vector<Vec> tris = MeshTriangles();
  PhysicsCollision* tree = PhysicsCreateTreeCollision(GetWorld()->GetPhysicsWorld());
  PhysicsTreeCollisionBeginBuild(tree);
  for (size_t i = 0; i < tris.size(); i += 3)
    PhysicsTreeCollisionAddFace(tree, 3, &tris[i].x, sizeof(Vec), 1);
  PhysicsTreeCollisionEndBuild(tree, 0);
  return tree;
}

namespace {

ObjectMakerOf<BenchMeshObject> g_benchMeshObjectMaker;

void BuildWorldScene(World* world, Ground ground, Layout layout) {
  if (ground == kPlane) {
    ObjectParams floor(ObjectType_Null);
    floor.colType = Collision_Box;
    floor.mins = Vector3D(-kGroundHalf, -1.0f, -kGroundHalf);
    floor.maxs = Vector3D(kGroundHalf, 0.0f, kGroundHalf);
    world->CreateObject(floor);
  } else {
    World::SetObjectMaker(ObjectType_StaticMesh, &g_benchMeshObjectMaker);
    ObjectParams mesh(ObjectType_StaticMesh);
    mesh.colType = Collision_TriangleMesh;
    world->CreateObject(mesh);
    World::SetObjectMaker(ObjectType_StaticMesh, nullptr);
  }
  ObjectParams box(ObjectType_Null);
  box.colType = Collision_Box;
  box.dynamic = true;
  box.mins = Vector3D(-0.5f, -0.5f, -0.5f);
  box.maxs = Vector3D(0.5f, 0.5f, 0.5f);
  for (const Vec& p : BoxPositions(layout)) {
    box.transform = Matrix4x4::MakeTranslation(Vector3D(p.x, p.y, p.z));
    world->CreateObject(box);
  }
}

void RunWorld(benchmark::State& state, Ground ground, Layout layout) {
  uint64_t steps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    World* world = World::Create();
    BuildWorldScene(world, ground, layout);
    const uint64_t start = world->GetStepCount();
    state.ResumeTiming();
    while (world->GetStepCount() - start < kSteps) world->Update(kFrame);
    state.PauseTiming();
    steps = world->GetStepCount() - start;
    world->Release();
    state.ResumeTiming();
  }
  state.counters["steps"] = static_cast<double>(steps);
}

// Bullet on its own, set up as an engine user would: one shared box shape,
// gravity inside Bullet, no motion states.
struct BulletScene {
  btDefaultCollisionConfiguration config;
  btCollisionDispatcher dispatcher{&config};
  btDbvtBroadphase broadphase;
  btSequentialImpulseConstraintSolver solver;
  btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &config};
  btBoxShape boxShape{btVector3(0.5f, 0.5f, 0.5f)};
  std::unique_ptr<btCollisionShape> groundShape;
  std::unique_ptr<btTriangleMesh> mesh;
  std::vector<std::unique_ptr<btRigidBody>> bodies;

  BulletScene(Ground ground, Layout layout) {
    gDeactivationTime = 0.5f;
    world.setGravity(btVector3(0, -9.8f, 0));
    btTransform groundAt = btTransform::getIdentity();
    if (ground == kPlane) {
      groundShape = std::make_unique<btBoxShape>(btVector3(kGroundHalf, 0.5f, kGroundHalf));
      groundAt.setOrigin(btVector3(0, -0.5f, 0));
    } else {
      mesh = std::make_unique<btTriangleMesh>(true, false);
      const std::vector<Vec> tris = MeshTriangles();
      for (size_t i = 0; i < tris.size(); i += 3) {
        mesh->addTriangle(btVector3(tris[i].x, tris[i].y, tris[i].z),
                          btVector3(tris[i + 1].x, tris[i + 1].y, tris[i + 1].z),
                          btVector3(tris[i + 2].x, tris[i + 2].y, tris[i + 2].z), false);
      }
      groundShape = std::make_unique<btBvhTriangleMeshShape>(mesh.get(), true, true);
    }
    Add(groundShape.get(), groundAt, 0.0f);
    for (const Vec& p : BoxPositions(layout)) {
      btTransform at = btTransform::getIdentity();
      at.setOrigin(btVector3(p.x, p.y, p.z));
      Add(&boxShape, at, 1.0f);
    }
  }
  ~BulletScene() {
    for (auto& body : bodies) world.removeRigidBody(body.get());
  }
  void Add(btCollisionShape* shape, const btTransform& at, float mass) {
    btRigidBody::btRigidBodyConstructionInfo info(
        mass, nullptr, shape, mass > 0 ? btVector3(2, 2, 2) : btVector3(0, 0, 0));
    info.m_startWorldTransform = at;
    info.m_friction = 0.8f;  // pairs multiply, as the World's materials do
    info.m_restitution = 0.5f;
    info.m_linearSleepingThreshold = 0.1f;
    info.m_angularSleepingThreshold = 0.1f;
    bodies.push_back(std::make_unique<btRigidBody>(info));
    world.addRigidBody(bodies.back().get());
  }
};

void RunBullet(benchmark::State& state, Ground ground, Layout layout) {
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<BulletScene>(ground, layout);
    state.ResumeTiming();
    for (uint64_t i = 0; i < kSteps; ++i) scene->world.stepSimulation(0.004f, 0);
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
  }
  state.counters["steps"] = static_cast<double>(kSteps);
}

void BM_WorldPilePlane(benchmark::State& s) {
  RunWorld(s, kPlane, kPile);
}
void BM_BulletPilePlane(benchmark::State& s) {
  RunBullet(s, kPlane, kPile);
}
void BM_WorldLayerPlane(benchmark::State& s) {
  RunWorld(s, kPlane, kLayer);
}
void BM_BulletLayerPlane(benchmark::State& s) {
  RunBullet(s, kPlane, kLayer);
}
void BM_WorldPileMesh(benchmark::State& s) {
  RunWorld(s, kMesh, kPile);
}
void BM_BulletPileMesh(benchmark::State& s) {
  RunBullet(s, kMesh, kPile);
}
void BM_WorldLayerMesh(benchmark::State& s) {
  RunWorld(s, kMesh, kLayer);
}
void BM_BulletLayerMesh(benchmark::State& s) {
  RunBullet(s, kMesh, kLayer);
}

// Alternating World and Bullet runs, so that load changes hit both alike.
BENCHMARK(BM_BulletPilePlane)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WorldPilePlane)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_BulletLayerPlane)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WorldLayerPlane)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BulletPileMesh)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WorldPileMesh)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_BulletLayerMesh)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WorldLayerMesh)->Unit(benchmark::kMillisecond)->Iterations(3);

// Prints the console table, then the World's cost per step relative to Bullet
// alone (CPU time is the steadier figure on a loaded machine).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations <= 0) continue;
      // Per step: the World's last frame may run a few steps past 2500.
      auto steps = run.counters.find("steps");
      const double n =
          double(run.iterations) * (steps != run.counters.end() ? double(steps->second) : 1.0);
      std::string name = run.benchmark_name();
      name = name.substr(0, name.find('/'));  // without "/iterations:N"
      times_[name] = {run.real_accumulated_time / n, run.cpu_accumulated_time / n};
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* scene : {"PilePlane", "LayerPlane", "PileMesh", "LayerMesh"})
      Ratio(std::string("BM_World") + scene, std::string("BM_Bullet") + scene);
  }

 private:
  void Ratio(const std::string& a, const std::string& b) {
    auto ia = times_.find(a), ib = times_.find(b);
    if (ia != times_.end() && ib != times_.end() && ib->second.first > 0 && ib->second.second > 0)
      std::printf("ratio %-20s / %-20s = %.3f real, %.3f cpu\n", a.c_str(), b.c_str(),
                  ia->second.first / ib->second.first, ia->second.second / ib->second.second);
  }
  std::map<std::string, std::pair<double, double>> times_;  // real, cpu per step
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
