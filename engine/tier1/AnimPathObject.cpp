// AnimPathObject.cpp - waypoints, tangents, playing and moving objects.
#include "tier1/AnimPathObject.h"

#include "tier1/Finite.h"

#include <cmath>

KAZ_DEFINE_POOL(AnimPathObject, 10);

namespace {

Matrix4x4 WithRotationOf(const Matrix4x4& rotation, const Vector3D& position) {
  Matrix4x4 m = rotation;
  m.m[12] = m.m[13] = m.m[14] = 0.0f;
  m.m[15] = 1.0f;
  m.SetTranslation(position);
  return m;
}

}  // namespace

AnimPathObject::~AnimPathObject() {
  ReleaseAll();
}

void AnimPathObject::ReleaseAll() {
  m_players.clear();
  m_waypoints.clear();
}

void AnimPathObject::Destroy() {
  m_players.clear();
  RemoveAllWaypoints();
  WorldObject::Destroy();
}

void AnimPathObject::SetWorldTransform(const Matrix4x4& matrix) {
  if (!AcceptFinite("SetWorldTransform", matrix)) return;
  WorldObject::SetWorldTransform(matrix);
  for (Waypoint& wp : m_waypoints)
    wp.worldTransform = Matrix4x4::Product(matrix, wp.localTransform);
}

void AnimPathObject::AddWaypoint(const Matrix4x4& transform, float duration, uint32_t rotationType,
                                 WorldObject* target) {
  if (!AcceptFinite("AddWaypoint", transform, duration)) return;
  Waypoint wp{transform,
              Matrix4x4::Product(GetWorldTransform(), transform),
              duration,
              Vector3D(),
              Vector3D(),
              rotationType,
              Ref<WorldObject>::Share(target)};
  const size_t n = m_waypoints.size();
  if (n == 1) {
    m_waypoints[0].outTangent = Vector3D(0.0f, 0.0f, -2.0f);
    wp.inTangent = Vector3D(0.0f, 0.0f, 2.0f);
  } else if (n >= 2) {
    const Vector3D d =
        (transform.GetTranslation() - m_waypoints[n - 2].localTransform.GetTranslation()) * 0.5f;
    m_waypoints[n - 1].outTangent = d;
    m_waypoints[n - 1].inTangent = -d;
    wp.inTangent = m_waypoints[n - 2].outTangent;
    m_waypoints[0].outTangent = -wp.inTangent;
  }
  m_waypoints.push_back(std::move(wp));
}

void AnimPathObject::RemoveAllWaypoints() {
  m_waypoints.clear();
  for (auto& [object, state] : m_players) {
    state.segment = 0;
    state.time = 0.0f;
  }
}

float AnimPathObject::Duration(uint32_t index) const {
  // A negative duration would run the walk backwards forever.
  const float d = m_waypoints[index].duration;
  return d > 0.0f ? d : 0.0f;
}

bool AnimPathObject::Advance(PlayState& state) const {
  const uint32_t last = static_cast<uint32_t>(m_waypoints.size()) - 1;
  float total = 0.0f;
  for (uint32_t i = 0; i < last; ++i) total += Duration(i);
  if (!(total > 0.0f) || !std::isfinite(state.time)) {
    // Nothing to travel: a loop rests at the first waypoint, a run ends.
    state.segment = 0;
    state.time = 0.0f;
    return state.loop;
  }
  // Whole laps at once, so that a long stall costs no more than one lap.
  if (state.loop && state.time >= total) state.time = std::fmod(state.time, total);
  while (state.segment < last && state.time >= Duration(state.segment)) {
    state.time -= Duration(state.segment);
    if (++state.segment >= last) {
      if (!state.loop) return false;
      state.segment = 0;
    }
  }
  if (state.segment >= last) state.segment = 0;
  return true;
}

bool AnimPathObject::PlayObject(WorldObject* object, bool loop, float startTime) {
  if (!object || object == this || m_waypoints.size() < 2) return false;
  if (!AcceptFinite("PlayObject", startTime)) return false;
  PlayState state;
  state.loop = loop;
  state.time = startTime;
  if (!Advance(state)) return true;  // started past the end of a run that does not loop
  auto it = m_players.find(object);
  if (it == m_players.end()) {
    m_players.emplace(Ref<WorldObject>::Share(object), state);
  } else {
    it->second = state;  // restarted; the reference it holds stays
  }
  return true;
}

const AnimPathObject::PlayState* AnimPathObject::GetPlayState(WorldObject* object) const {
  auto it = m_players.find(object);
  return it == m_players.end() ? nullptr : &it->second;
}

Vector3D AnimPathObject::GetCurvePoint(uint32_t segment, float s) const {
  const Waypoint& a = m_waypoints[segment];
  const Waypoint& b = m_waypoints[segment + 1];
  const Vector3D p0 = a.worldTransform.GetTranslation();
  const Vector3D p1 = b.worldTransform.GetTranslation();
  return BezierPoint(p0, p0 + a.outTangent, p1 + b.inTangent, p1, s);
}

void AnimPathObject::Update(float dt) {
  WorldObject::Update(dt);
  if (m_waypoints.size() < 2) return;
  for (auto it = m_players.begin(); it != m_players.end();) {
    PlayState& state = it->second;
    if (!state.active) break;
    state.time += dt;
    if (!Advance(state)) {
      it = m_players.erase(it);
      continue;
    }
    WorldObject* object = it->first.Get();
    const Waypoint& wp = m_waypoints[state.segment];
    const float duration = Duration(state.segment);
    const float s = duration > 0.0f ? state.time / duration : 0.0f;
    const Vector3D position = GetCurvePoint(state.segment, s);
    Matrix4x4 rotation = object->GetWorldTransform();
    const Vector3D up(0.0f, 1.0f, 0.0f);
    Matrix4x4 turned;
    bool turn = false;
    if (wp.rotationType == PathRotation_FacePath) {
      const float ahead = duration > 0.0f ? (state.time + kLookAhead) / duration : s;
      turned = Matrix4x4::MakeLookAtLH(position, GetCurvePoint(state.segment, ahead), up)
                   .GetFastInverse();
      turn = true;
    } else if (wp.rotationType == PathRotation_LookAtOrigin) {
      turned = Matrix4x4::MakeLookAtLH(position, Vector3D(), up);
      turn = true;
    }
    // No direction to face (standing still, straight up): keep the rotation.
    if (turn && IsFinite(turned)) rotation = turned;
    object->SetWorldTransform(WithRotationOf(rotation, position));
    ++it;
  }
}
