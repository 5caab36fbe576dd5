// ParticleSystemObject.cpp - emitting, moving, ageing and recycling particles.
#include "render/world/ParticleSystemObject.h"

#include "base/Log.h"

#include <algorithm>
#include <cmath>
#include <new>

KAZ_DEFINE_POOL(ParticleSystemObject, 10);

const EnumTable& EmitterShapeTable() {
  static constexpr EnumValue kShapes[] = {
      {EmitterShape_Point, "Point", "Particles start at the system's position."},
      {EmitterShape_Sphere, "Sphere",
       "Particles start between minEmitRadius and maxEmitRadius from it."},
  };
  static const EnumTable table{"Particle emitter shapes",
                               "CreateObject key \"emitterShape\" of a ParticleSystem", kShapes};
  return table;
}

namespace {

WorldObject* MakeParticleSystem() {
  return ParticleSystemObject::Create();
}

float Between(float low, float high) {
  return low + (high - low) * ParticleRandom::Fraction();
}

// Time as a fraction of life; a particle without life is at its end (0/0
// would carry a NaN into the tracks and the vertex buffer).
float AgeFraction(const Particle& p) {
  return p.life > 0.0f ? p.age / p.life : 1.0f;
}

}  // namespace

void InstallParticleSystemType() {
  World::SetObjectFactory(ObjectType_ParticleSystem, MakeParticleSystem);
}

ParticleSystemSettings::ParticleSystemSettings() {
  colourTrack.Initialize(Vector4D(1.0f, 1.0f, 1.0f, 1.0f), Vector4D(0.0f, 0.0f, 0.0f, 0.0f), 1.0f);
  radiusTrack.Initialize(1.0f, 2.0f, 1.0f);
}

bool ParticleSystemObject::Create(World* world, const ObjectParams& params) {
  if (params.variant != ObjectParamsVariant::ParticleSystem || !WorldObject::Create(world, params))
    return false;
  const auto& record = static_cast<const ParticleSystemObjectParams&>(params);
  m_settings = record.settings;
  m_settings.maxParticles = std::clamp(m_settings.maxParticles, 1u, kMaxPoolSize);
  if (!record.material) {
    LogError("No material provided for particle system.");
    return false;
  }
  m_material = Ref<Material>::Share(record.material);
  m_settings.colourTrack.Normalize();
  m_settings.radiusTrack.Normalize();

  const uint32_t count = m_settings.maxParticles;
  m_particles.reset(new (std::nothrow) Particle[count]);
  if (!m_particles) {
    LogError("Failed to allocate %d particles", int(count));
    return false;
  }
  m_drawList.assign(count, nullptr);
  m_drawCount = 0;
  m_liveHead = m_liveTail = nullptr;
  m_liveCount = 0;
  m_free = nullptr;
  for (uint32_t i = count; i-- > 0;) {
    m_particles[i].next = m_free;
    m_particles[i].prev = nullptr;
    m_free = &m_particles[i];
  }
  m_accumulator = 0.0f;
  Emit(m_settings.particlesOnCreate, m_settings.ageOffsetOnCreate);
  Simulate(0.0f);
  m_paused = !record.playing;
  return true;
}

void ParticleSystemObject::Destroy() {
  m_material.Reset();
  m_drawList.clear();
  m_drawList.shrink_to_fit();
  m_drawCount = 0;
  m_particles.reset();
  m_free = m_liveHead = m_liveTail = nullptr;
  m_liveCount = 0;
  WorldObject::Destroy();
}

void ParticleSystemObject::EmitOnce() {
  if (m_particles) Emit(m_settings.particlesPerEmission, 0.0f);
}

void ParticleSystemObject::SetSpawnVelocity(const Vector3D& minimum, const Vector3D& maximum) {
  m_settings.minVelocity = minimum;
  m_settings.maxVelocity = maximum;
}

void ParticleSystemObject::Emit(uint32_t count, float ageOffset) {
  const Matrix4x4& transform = GetWorldTransform();
  const ParticleSystemSettings& s = m_settings;
  for (uint32_t i = 0; i < count && m_free; ++i) {
    Particle* p = m_free;
    m_free = p->next;
    ++m_liveCount;
    p->prev = nullptr;
    p->next = m_liveHead;
    if (m_liveHead) m_liveHead->prev = p;
    m_liveHead = p;
    if (!m_liveTail) m_liveTail = p;

    Vector3D offset;
    if (s.emitterShape == EmitterShape_Sphere) {
      Vector3D direction(ParticleRandom::Fraction() * 2.0f - 1.0f,
                         ParticleRandom::Fraction() * 2.0f - 1.0f,
                         ParticleRandom::Fraction() * 2.0f - 1.0f);
      const float length = direction.Length();
      direction = length > 1e-6f ? direction * (1.0f / length) : Vector3D(0.0f, 1.0f, 0.0f);
      offset = direction * Between(s.minEmitRadius, s.maxEmitRadius);
    }
    p->position = transform.TransformVector(offset);
    const Vector3D velocity =
        s.minVelocity + (s.maxVelocity - s.minVelocity) * ParticleRandom::Fraction();
    p->velocity = transform.TransformVector(velocity, false);
    // The start rotation is drawn between the two limits (both 0 by default).
    p->rotation = Between(s.minRotation, s.maxRotation);
    p->torque = Between(s.minTorque, s.maxTorque);
    p->life = Between(s.minLife, s.maxLife);
    p->age = ageOffset * p->life;
    p->colourCursor = p->radiusCursor = 0;
    p->radius = s.radiusTrack.Sample(ageOffset, p->radiusCursor);
    p->colour = s.colourTrack.Sample(ageOffset, p->colourCursor);
  }
}

void ParticleSystemObject::Update(float dt) {
  WorldObject::Update(dt);
  if (!m_particles) return;
  if (!(dt > 0.0f) || !std::isfinite(dt)) dt = 0.0f;
  const float interval = m_settings.emissionInterval;
  if (!m_paused && interval > 0.0f && std::isfinite(interval)) {
    m_accumulator += dt;
    uint32_t bursts = 0;
    while (m_accumulator >= interval) {
      if (++bursts > kMaxBurstsPerFrame) {
        m_accumulator = std::fmod(m_accumulator, interval);
        break;
      }
      Emit(m_settings.particlesPerEmission, 0.0f);
      m_accumulator -= interval;
      if (m_accumulator >= interval) {
        Simulate(interval);
        dt = std::max(dt - interval, 0.0f);
      }
    }
  }
  Simulate(dt);
  if (World* world = GetWorld()) world->AddParticles(m_liveCount);
}

void ParticleSystemObject::Kill(Particle* p) {
  (p->prev ? p->prev->next : m_liveHead) = p->next;
  (p->next ? p->next->prev : m_liveTail) = p->prev;
  --m_liveCount;
  p->prev = nullptr;
  p->next = m_free;
  m_free = p;
}

void ParticleSystemObject::Simulate(float dt) {
  Particle** out = m_drawList.data();
  uint32_t drawn = 0;
  const float inf = INFINITY;
  Vector3D mins(inf, inf, inf), maxs(-inf, -inf, -inf);
  const ParticleSystemSettings& s = m_settings;
  for (Particle* p = m_liveHead; p;) {
    Particle* next = p->next;
    p->age += dt;
    if (p->age <= p->life) {
      p->position += p->velocity * dt;
      p->rotation += p->torque * dt;
      const float t = AgeFraction(*p);
      p->colour = s.colourTrack.Sample(t, p->colourCursor);
      p->radius = s.radiusTrack.Sample(t, p->radiusCursor);
      const float half = p->radius * 0.5f;
      mins.x = std::min(mins.x, p->position.x - half);
      mins.y = std::min(mins.y, p->position.y - half);
      mins.z = std::min(mins.z, p->position.z - half);
      maxs.x = std::max(maxs.x, p->position.x + half);
      maxs.y = std::max(maxs.y, p->position.y + half);
      maxs.z = std::max(maxs.z, p->position.z + half);
      out[drawn++] = p;
    } else {
      Kill(p);
    }
    p = next;
  }
  m_drawCount = drawn;
  if (drawn == 0) {
    SetBox(Vector3D(), Vector3D());
    return;
  }
  const Vector3D origin = GetWorldTransform().GetTranslation();
  const Vector3D lo = mins - origin, hi = maxs - origin;
  // A particle flown to infinity would make the box unusable; keep the last one.
  if (std::isfinite(lo.x + lo.y + lo.z + hi.x + hi.y + hi.z)) SetBox(lo, hi);
}

void ParticleSystemObject::SortParticles(const Vector3D& cameraPosition) {
  if (!m_settings.sorted) return;
  // A NaN distance counts as farthest, so the order stays a strict weak one.
  auto distance = [&](const Particle* p) {
    const float d = p->position.DistanceSquared(cameraPosition);
    return d == d ? d : INFINITY;
  };
  std::sort(m_drawList.begin(), m_drawList.begin() + m_drawCount,
            [&](const Particle* a, const Particle* b) { return distance(a) < distance(b); });
}
