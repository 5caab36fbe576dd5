// PlayerController.cpp - movement, jumping, speed cap and contact handling.
#include "tier1/PlayerController.h"

#include "base/Log.h"
#include "tier1/Finite.h"
#include "tier1/WorldObject.h"

#include <cmath>
#include <unordered_map>

namespace {

// Every controller of a world shares one material, so the callbacks find the
// controller through the object they touch. Main thread only, like contacts.
std::unordered_map<const WorldObject*, PlayerController*>& Controllers() {
  static std::unordered_map<const WorldObject*, PlayerController*> controllers;
  return controllers;
}

PlayerController* ControllerOf(const WorldObject* object) {
  auto it = object ? Controllers().find(object) : Controllers().end();
  return it == Controllers().end() ? nullptr : it->second;
}

// The controller of the pair whose contacts are being processed.
PlayerController* g_pairController = nullptr;

}  // namespace

PlayerController::~PlayerController() {
  ReleaseAll();
}

void PlayerController::ReleaseAll() {
  // The World keeps the shared material; its callbacks must not reach a dead controller.
  if (g_pairController == this) g_pairController = nullptr;
  if (m_object && ControllerOf(m_object.Get()) == this) Controllers().erase(m_object.Get());
  m_material.Reset();
  m_object.Reset();
}

bool PlayerController::Init(WorldObject* object) {
  if (!object || !object->GetWorld()) return false;
  ReleaseAll();
  World* world = object->GetWorld();
  PhysicalMaterial* material = world->FindMaterialWithCallback(ContactBegin);
  if (!material) {
    material = world->CreatePhysicalMaterial(0.0f, 0.0f);
    if (!material) {
      LogWarning("PlayerController::Init: no physical material can be made for the controller.");
      return false;
    }
    material->SetCallbacks(ContactBegin, ContactProcess, ContactEnd, nullptr);
  }
  m_material = Ref<PhysicalMaterial>::Share(material);
  m_object = Ref<WorldObject>::Share(object);
  Controllers()[object] = this;
  object->SetPhysicalMaterial(material);
  if (object->GetBody()) {
    PhysicsBodySetContinuousCollisionMode(object->GetBody(), 1);
    // Sleeping bodies get no contacts, and without them no ground to walk on.
    object->SetAutoFreeze(false);
  }
  m_jumped = false;
  return true;
}

void PlayerController::SetHeadingAngle(float radians) {
  if (AcceptFinite("PlayerController::SetHeadingAngle", radians)) m_heading = radians;
}

void PlayerController::SetRunSpeed(float speed) {
  if (AcceptFinite("PlayerController::SetRunSpeed", speed)) m_runSpeed = speed;
}

void PlayerController::SetWalkSpeed(float speed) {
  if (AcceptFinite("PlayerController::SetWalkSpeed", speed)) m_walkSpeed = speed;
}

void PlayerController::Update(uint32_t flags) {
  if (!m_object) return;
  m_moveDirection = Vector3D();
  if (m_object->IsOnGround()) {
    const float c = std::cos(m_heading);
    const float s = std::sin(m_heading);
    if (flags & moveLeft) m_moveDirection += Vector3D(-c, 0.0f, s);
    if (flags & moveRight) m_moveDirection += Vector3D(c, 0.0f, -s);
    if (flags & moveForward) m_moveDirection += Vector3D(s, 0.0f, c);
    if (flags & moveBackward) m_moveDirection += Vector3D(-s, 0.0f, -c);
    // Opposite flags cancel: nothing to normalise.
    if (m_moveDirection.LengthSquared() > 0.0f) m_moveDirection.Normalize();
  }

  const Vector3D position = m_object->GetWorldTransform().GetTranslation();
  if (!(flags & moveJump)) {
    m_jumped = false;
  } else if (m_object->IsOnGround() && !m_jumped) {
    m_object->ApplyImpulse(position, Vector3D(0.0f, kJumpImpulse, 0.0f), true);
    m_jumped = true;
  }

  if (m_moveDirection.Length() > 0.0f) {
    m_object->ApplyImpulse(position, m_moveDirection * kMoveImpulse, true);
    m_idle = false;
  } else {
    m_idle = true;
  }

  Vector3D v = m_object->GetVelocity();
  const float horizontal = std::sqrt(v.x * v.x + v.z * v.z);
  if (horizontal > m_runSpeed) {
    const float k = m_runSpeed / horizontal;
    v.x *= k;
    v.z *= k;
  }
  m_object->SetVelocity(v);
  ++m_updateCount;
}

int PlayerController::ContactBegin(PhysicsMaterial* material, PhysicsBody* body0,
                                   PhysicsBody* body1, void*) {
  auto* o0 = static_cast<WorldObject*>(PhysicsBodyGetUserData(body0));
  auto* o1 = static_cast<WorldObject*>(PhysicsBodyGetUserData(body1));
  g_pairController = ControllerOf(o0);
  if (!g_pairController) g_pairController = ControllerOf(o1);
  if (o0 && o1 && o0->GetPhysicalMaterial() && o1->GetPhysicalMaterial())
    PhysicsMaterialSetContactElasticity(material, 0.0f);
  return 1;
}

int PlayerController::ContactProcess(PhysicsMaterial* material, PhysicsContact*, void*) {
  PlayerController* self = g_pairController;
  if (!self) return 1;
  const bool onGround = self->m_object && self->m_object->IsOnGround();
  if (self->m_idle && onGround) {
    // Stand still on slopes.
    for (int index = 0; index < 2; ++index) {
      PhysicsMaterialSetContactStaticFrictionCoef(material, 1.0f, index);
      PhysicsMaterialSetContactKineticFrictionCoef(material, 1.0f, index);
    }
  } else if (!onGround) {
    // No grip in the air: nothing to steer or stick with against walls.
    for (int index = 0; index < 2; ++index)
      PhysicsMaterialSetContactFrictionState(material, 0, index);
  }
  return 1;
}

void PlayerController::ContactEnd(PhysicsMaterial*, void*) {}
