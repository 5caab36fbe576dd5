// ParticleSystemObject.h - particle systems (world object type 9): a fixed
// pool of particles emitted in bursts, moved, aged and recycled.
//
// Each particle flies in a straight line at constant velocity and spins at a
// constant rate; its colour and radius come from two keyframe tracks sampled
// over its age as a fraction of its life, with a cursor per particle so that
// advancing ages cost constant time. Particles are threaded through free and
// live lists in one block allocated at creation, and the draw list has room
// for the whole pool: nothing is allocated after creation. Random fractions
// come from ParticleRandom, a seedable 15-bit generator, so runs can repeat.
// The class lives with the renderer because it holds a render material; the
// particle renderer (ParticleRenderer.h) draws its draw list.
// Depends on: RenderEffect.h (Material), tier1 (WorldObject, KeyframeTrack).
#pragma once

#include "base/EnumTable.h"
#include "render/gpu/RenderEffect.h"
#include "tier0/Ref.h"
#include "tier1/KeyframeTrack.h"
#include "tier1/WorldObject.h"

#include <cstdint>
#include <memory>
#include <vector>

// The process-wide generator of particle fractions: integers 0..32767 from a
// linear congruential sequence, the same for the same seed on every platform.
class ParticleRandom {
 public:
  static void Seed(uint32_t seed) { State() = seed; }
  static uint32_t Next() {
    State() = State() * 214013u + 2531011u;
    return (State() >> 16) & 0x7fffu;
  }
  // A fraction in [0, 1].
  static float Fraction() { return float(Next()) * (1.0f / 32767.0f); }

 private:
  static uint32_t& State() {
    static uint32_t state = 1;
    return state;
  }
};

enum ParticleEmitterShape : uint32_t {
  EmitterShape_Point = 0,
  EmitterShape_Sphere = 1,
};
// Their names and meanings, for script input and the reference.
const EnumTable& EmitterShapeTable();

struct ParticleSystemSettings {
  ParticleSystemSettings();

  uint32_t maxParticles = 1000;
  float emissionInterval = 0.1f;
  uint32_t particlesPerEmission = 64;
  uint32_t particlesOnCreate = 0;
  float ageOffsetOnCreate = 0.0f;
  uint32_t emitterShape = EmitterShape_Point;
  float minEmitRadius = 0.25f;
  float maxEmitRadius = 0.5f;
  float minLife = 5.0f;
  float maxLife = 10.0f;
  Vector3D minVelocity{0.0f, 0.5f, 0.0f};
  Vector3D maxVelocity{0.0f, 1.0f, 0.0f};
  float minRotation = 0.0f, maxRotation = 0.0f;  // degrees
  float minTorque = 0.0f, maxTorque = 0.0f;      // degrees per second
  bool sorted = false;
  LinearKeyframeTrack<Vector4D> colourTrack;
  LinearKeyframeTrack<float> radiusTrack;
};

struct ParticleSystemObjectParams : ObjectParams {
  ParticleSystemObjectParams()
      : ObjectParams(ObjectType_ParticleSystem, ObjectParamsVariant::ParticleSystem) {}
  ParticleSystemSettings settings;
  Material* material = nullptr;  // borrowed; the system keeps its own reference
  bool playing = true;
};

struct Particle {
  float age;
  float life;
  Vector3D position;
  Vector3D velocity;
  float radius;
  float rotation;  // degrees
  float torque;
  Vector4D colour;
  size_t colourCursor;
  size_t radiusCursor;
  Particle* prev;
  Particle* next;
};

class ParticleSystemObject : public WorldObject {
  KAZ_POOLED_CLASS(ParticleSystemObject)

 public:
  static constexpr uint32_t kMaxPoolSize = 65536;
  // Bursts owed in one frame beyond this are dropped: a tiny interval after a
  // long frame would otherwise keep the frame busy for good.
  static constexpr uint32_t kMaxBurstsPerFrame = 256;

  uint32_t GetType() const override { return ObjectType_ParticleSystem; }
  bool Create(World* world, const ObjectParams& params) override;
  void Destroy() override;
  void Update(float dt) override;

  void EmitOnce();
  void SetSpawnVelocity(const Vector3D& minimum, const Vector3D& maximum);
  // Nearest first, when the system is sorted.
  void SortParticles(const Vector3D& cameraPosition);

  Particle* const* GetDrawList() const { return m_drawList.data(); }
  uint32_t GetDrawCount() const { return m_drawCount; }
  uint32_t GetLiveCount() const { return m_liveCount; }
  uint32_t GetPoolSize() const { return m_settings.maxParticles; }
  Material* GetMaterial() const { return m_material.Get(); }
  bool IsSorted() const { return m_settings.sorted; }
  bool IsPaused() const { return m_paused; }
  const ParticleSystemSettings& GetSettings() const { return m_settings; }

 private:
  ParticleSystemObject() = default;
  void Emit(uint32_t count, float ageOffset);
  void Simulate(float dt);
  void Kill(Particle* particle);

  ParticleSystemSettings m_settings;
  float m_accumulator = 0.0f;
  bool m_paused = false;
  Ref<Material> m_material;
  std::unique_ptr<Particle[]> m_particles;
  Particle* m_free = nullptr;
  Particle* m_liveHead = nullptr;
  Particle* m_liveTail = nullptr;
  uint32_t m_liveCount = 0;
  // Sized for the whole pool at creation; the first m_drawCount are in use.
  std::vector<Particle*> m_drawList;
  uint32_t m_drawCount = 0;
};

// Installs the particle system class as the world's type 9.
void InstallParticleSystemType();
