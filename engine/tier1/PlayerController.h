// PlayerController.h - walks a dynamic world object like a character.
//
// Each Update takes movement flags: on ground it pushes the body along the
// heading, makes it jump once per press of the jump flag, and caps the
// horizontal speed at the run speed. The controlled body gets a material of
// its own (one per world, shared by its controllers) whose contact callbacks take the bounce out,
// hold the character on slopes while idle and drop friction while airborne.
//
// Depends on tier1/World.h and tier1/WorldObject.h.
#pragma once

#include "tier0/Math.h"
#include "tier0/Ref.h"
#include "tier1/WorldObject.h"

#include <cstdint>

class WorldObject;

class PlayerController {
 public:
  enum MoveFlags : uint32_t {
    moveLeft = 1,
    moveRight = 2,
    moveForward = 4,
    moveBackward = 8,
    moveJump = 16,
    moveCrouch = 32,  // accepted, not used yet
    moveWalk = 64,    // accepted, not used yet
  };

  // Velocity change of a jump, and of one update's push along the heading.
  static constexpr float kJumpImpulse = 12.0f;
  static constexpr float kMoveImpulse = 150.0f;

  PlayerController() = default;
  ~PlayerController();
  PlayerController(const PlayerController&) = delete;
  PlayerController& operator=(const PlayerController&) = delete;

  // All controllers of a world share one material. False (and nothing kept)
  // without an object in a world, or when no material can be made (logged).
  bool Init(WorldObject* object);
  void Update(uint32_t flags);
  // Values that are not finite are refused with a warning.
  void SetHeadingAngle(float radians);
  void SetRunSpeed(float speed);
  void SetWalkSpeed(float speed);

  float GetHeadingAngle() const { return m_heading; }
  float GetRunSpeed() const { return m_runSpeed; }
  float GetWalkSpeed() const { return m_walkSpeed; }
  const Vector3D& GetMoveDirection() const { return m_moveDirection; }
  bool HasJumped() const { return m_jumped; }
  bool IsIdle() const { return m_idle; }
  uint32_t GetUpdateCount() const { return m_updateCount; }
  WorldObject* GetObject() const { return m_object.Get(); }
  PhysicalMaterial* GetPhysicalMaterial() const { return m_material.Get(); }

 private:
  void ReleaseAll();
  static int ContactBegin(PhysicsMaterial* material, PhysicsBody* body0, PhysicsBody* body1,
                          void* userData);
  static int ContactProcess(PhysicsMaterial* material, PhysicsContact* contact, void* userData);
  static void ContactEnd(PhysicsMaterial* material, void* userData);

  Ref<PhysicalMaterial> m_material;
  Ref<WorldObject> m_object;
  float m_heading = 0.0f;
  Vector3D m_moveDirection;
  float m_runSpeed = 7.5f;
  float m_walkSpeed = 3.75f;
  bool m_jumped = false;
  bool m_idle = false;
  uint32_t m_updateCount = 0;
};
