// AnimPathObject.h - a path of waypoints along which world objects are moved.
//
// Each segment between two waypoints is a cubic Bezier curve travelled in the
// first waypoint's duration; the waypoint's rotation type decides how the
// moving object is turned (keep, face along the path, look at the origin).
// Objects started with PlayObject stay registered (and referenced) until a
// non-looping run ends, the path is destroyed, or they are started again.
//
// Depends on tier0 math and tier1/WorldObject.h.
#pragma once

#include "tier0/Ref.h"
#include "tier1/WorldObject.h"

#include <functional>
#include <map>
#include <vector>

enum PathRotationType : uint32_t {
  PathRotation_Keep = 0,
  PathRotation_Unused = 1,  // accepted; keeps the object's rotation
  PathRotation_FacePath = 2,
  PathRotation_LookAtOrigin = 3,
};

class AnimPathObject : public WorldObject {
  KAZ_POOLED_CLASS(AnimPathObject)

 public:
  struct Waypoint {
    Matrix4x4 localTransform;
    Matrix4x4 worldTransform;
    float duration;
    Vector3D inTangent;
    Vector3D outTangent;
    uint32_t rotationType;
    Ref<WorldObject> target;  // not used by the motion
  };

  struct PlayState {
    bool active = true;
    bool loop = false;
    Matrix4x4 matrix;
    uint32_t segment = 0;
    float time = 0.0f;
  };

  // How far ahead (seconds) the facing direction is sampled.
  static constexpr float kLookAhead = 0.001f;

  using WorldObject::Create;
  uint32_t GetType() const override { return ObjectType_AnimPath; }
  void SetWorldTransform(const Matrix4x4& matrix) override;
  void Destroy() override;
  void Update(float dt) override;

  void AddWaypoint(const Matrix4x4& transform, float duration, uint32_t rotationType,
                   WorldObject* target);
  uint32_t GetWaypointCount() const { return static_cast<uint32_t>(m_waypoints.size()); }
  const Waypoint& GetWaypoint(uint32_t index) const { return m_waypoints[index]; }
  void RemoveAllWaypoints();
  bool PlayObject(WorldObject* object, bool loop, float startTime);

  bool IsPlaying(WorldObject* object) const { return m_players.count(object) != 0; }
  const PlayState* GetPlayState(WorldObject* object) const;
  // Point on segment `segment` at s in 0..1 (world space).
  Vector3D GetCurvePoint(uint32_t segment, float s) const;

 private:
  AnimPathObject() = default;
  ~AnimPathObject() override;
  void ReleaseAll();
  // Moves (segment, time) past the waypoints whose durations it covers.
  // False when a non-looping run went past the end.
  bool Advance(PlayState& state) const;
  float Duration(uint32_t index) const;

  std::vector<Waypoint> m_waypoints;
  // Held while they play; looked up by their plain pointer.
  struct ByObject {
    using is_transparent = void;
    static const WorldObject* Of(const Ref<WorldObject>& r) { return r.Get(); }
    static const WorldObject* Of(const WorldObject* p) { return p; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      return std::less<const WorldObject*>()(Of(a), Of(b));
    }
  };
  std::map<Ref<WorldObject>, PlayState, ByObject> m_players;
};
