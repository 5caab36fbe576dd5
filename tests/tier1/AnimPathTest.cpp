// AnimPathTest.cpp - keyframe tracks and animation paths.
#include "WorldFixture.h"

#include "tier1/AnimPathObject.h"
#include "tier1/KeyframeTrack.h"

namespace {

// ---- tracks ---------------------------------------------------------------

TEST(KeyframeTrackTest, SamplesAtAndBetweenKeys) {
  LinearKeyframeTrack<float> track;
  track.Initialize(1.0f, 2.0f, 1.0f);
  size_t cursor = 0;
  EXPECT_FLOAT_EQ(track.Sample(0.0f, cursor), 1.0f);
  EXPECT_FLOAT_EQ(track.Sample(0.25f, cursor), 1.25f);
  EXPECT_FLOAT_EQ(track.Sample(1.0f, cursor), 2.0f);
  EXPECT_FLOAT_EQ(track.Sample(1.5f, cursor), 2.0f);
  EXPECT_EQ(cursor, 1u);  // the last key
  EXPECT_FLOAT_EQ(track.Sample(-1.0f, cursor), 1.0f);
  EXPECT_EQ(cursor, 0u);
}

TEST(KeyframeTrackTest, GoesBackwardsAcrossSeveralKeys) {
  LinearKeyframeTrack<float> track;
  track.InsertKeyframe(0.0f, 0.0f);
  track.InsertKeyframe(1.0f, 10.0f);
  track.InsertKeyframe(2.0f, 20.0f);
  track.InsertKeyframe(3.0f, 0.0f);
  EXPECT_FLOAT_EQ(track.GetLength(), 3.0f);
  size_t cursor = 0;
  EXPECT_FLOAT_EQ(track.Sample(2.5f, cursor), 10.0f);
  EXPECT_EQ(cursor, 2u);
  EXPECT_FLOAT_EQ(track.Sample(0.5f, cursor), 5.0f);  // not the first key's value
  EXPECT_EQ(cursor, 0u);
  EXPECT_FLOAT_EQ(track.Sample(1.5f), 15.0f);
}

TEST(KeyframeTrackTest, InsertInitializeAndNormalize) {
  LinearKeyframeTrack<float> track;
  track.Initialize(0.0f, 4.0f, 4.0f);
  track.InsertKeyframe(2.0f, 7.0f);
  ASSERT_EQ(track.GetKeyframeCount(), 3u);
  EXPECT_FLOAT_EQ(track.GetKeyframeValue(1), 7.0f);
  EXPECT_FLOAT_EQ(track.GetLength(), 4.0f);  // inserting between keeps the length
  track.Normalize();
  EXPECT_FLOAT_EQ(track.GetLength(), 1.0f);
  EXPECT_FLOAT_EQ(track.GetKeyframeTime(1), 0.5f);
  EXPECT_FLOAT_EQ(track.GetKeyframeTime(2), 1.0f);
  track.InsertKeyframe(3.0f, 1.0f);
  EXPECT_FLOAT_EQ(track.GetLength(), 3.0f);

  LinearKeyframeTrack<float> empty;
  empty.Normalize();
  EXPECT_FLOAT_EQ(empty.GetLength(), 0.0f);
  empty.Initialize(5.0f, 6.0f, 0.0f);  // needs a positive length
  EXPECT_EQ(empty.GetKeyframeCount(), 0u);
  EXPECT_FLOAT_EQ(empty.Sample(0.3f), 0.0f);
}

TEST(KeyframeTrackTest, EqualTimesGiveTheLaterValue) {
  LinearKeyframeTrack<Vector4D> colours;
  colours.InsertKeyframe(0.0f, Vector4D(1, 1, 1, 1));
  colours.InsertKeyframe(0.0f, Vector4D(0, 0, 0, 0));
  colours.InsertKeyframe(1.0f, Vector4D(0, 0, 1, 0));
  size_t cursor = 0;
  EXPECT_EQ(colours.Sample(0.5f, cursor), Vector4D(0, 0, 0.5f, 0));
}

// ---- paths ----------------------------------------------------------------

class AnimPathTest : public WorldFixture {
 protected:
  AnimPathObject* Path(int waypoints, float duration, uint32_t rotation = PathRotation_Keep) {
    auto* path =
        static_cast<AnimPathObject*>(world->CreateObject(ObjectParams(ObjectType_AnimPath)));
    for (int i = 0; i < waypoints; ++i)
      path->AddWaypoint(At(static_cast<float>(i) * 10.0f, 0, 0), duration, rotation, nullptr);
    return path;
  }
  WorldObject* Marker() { return world->CreateObject(ObjectParams(ObjectType_Null)); }
  static Vector3D Pos(const WorldObject* o) { return o->GetWorldTransform().GetTranslation(); }
};

TEST_F(AnimPathTest, TangentsFollowTheRules) {
  AnimPathObject* path = Path(2, 1.0f);
  EXPECT_EQ(path->GetWaypoint(0).outTangent, Vector3D(0, 0, -2));
  EXPECT_EQ(path->GetWaypoint(1).inTangent, Vector3D(0, 0, 2));
  path->AddWaypoint(At(20, 0, 0), 1.0f, 0, nullptr);
  EXPECT_EQ(path->GetWaypoint(1).outTangent, Vector3D(10, 0, 0));
  EXPECT_EQ(path->GetWaypoint(1).inTangent, Vector3D(-10, 0, 0));
  EXPECT_EQ(path->GetWaypoint(2).inTangent, Vector3D(0, 0, -2));
  EXPECT_EQ(path->GetWaypoint(0).outTangent, Vector3D(0, 0, 2));
}

TEST_F(AnimPathTest, PlayNeedsTwoWaypointsAndAnotherObject) {
  AnimPathObject* path = Path(1, 1.0f);
  WorldObject* m = Marker();
  EXPECT_FALSE(path->PlayObject(m, false, 0.0f));
  path->AddWaypoint(At(10, 0, 0), 1.0f, 0, nullptr);
  path->AddWaypoint(At(20, 0, 0), 1.0f, 0, nullptr);
  EXPECT_FALSE(path->PlayObject(path, false, 0.0f));
  EXPECT_FALSE(path->PlayObject(nullptr, false, 0.0f));
  // A start past the end without a loop succeeds but registers nothing.
  const uint32_t refs = m->GetRefCount();
  EXPECT_TRUE(path->PlayObject(m, false, 5.0f));
  EXPECT_FALSE(path->IsPlaying(m));
  EXPECT_EQ(m->GetRefCount(), refs);
  EXPECT_TRUE(path->PlayObject(m, true, 3.5f));
  ASSERT_NE(path->GetPlayState(m), nullptr);
  EXPECT_EQ(path->GetPlayState(m)->segment, 1u);
  EXPECT_NEAR(path->GetPlayState(m)->time, 0.5f, 1e-5f);
}

TEST_F(AnimPathTest, WaypointTiming) {
  AnimPathObject* path = Path(3, 1.0f);
  WorldObject* m = Marker();
  ASSERT_TRUE(path->PlayObject(m, false, 0.0f));
  world->Update(0.5f);
  EXPECT_TRUE(Pos(m).NearlyEquals(path->GetCurvePoint(0, 0.5f), 1e-4f));
  world->Update(0.5f);
  EXPECT_TRUE(Pos(m).NearlyEquals(Vector3D(10, 0, 0), 1e-4f));
  world->Update(0.25f);
  EXPECT_TRUE(Pos(m).NearlyEquals(path->GetCurvePoint(1, 0.25f), 1e-4f));
  world->Update(1.0f);  // the run ends; the object stays where it was last put
  EXPECT_FALSE(path->IsPlaying(m));
}

TEST_F(AnimPathTest, LoopReturnsToTheFirstWaypoint) {
  AnimPathObject* path = Path(4, 1.0f);
  WorldObject* m = Marker();
  ASSERT_TRUE(path->PlayObject(m, true, 0.0f));
  for (int i = 0; i < 6; ++i) world->Update(0.5f);  // n - 1 = 3 seconds
  EXPECT_TRUE(Pos(m).NearlyEquals(Vector3D(0, 0, 0), 1e-4f));
  EXPECT_TRUE(path->IsPlaying(m));
}

TEST_F(AnimPathTest, ZeroDurationsInALoopDoNotHang) {
  AnimPathObject* path = Path(3, 0.0f);
  WorldObject* m = Marker();
  EXPECT_TRUE(path->PlayObject(m, true, 2.0f));
  world->Update(0.1f);
  EXPECT_TRUE(std::isfinite(Pos(m).x));
  EXPECT_TRUE(Pos(m).NearlyEquals(Vector3D(0, 0, 0), 1e-4f));
  // Partly zero: the zero segment is skipped.
  AnimPathObject* mixed =
      static_cast<AnimPathObject*>(world->CreateObject(ObjectParams(ObjectType_AnimPath)));
  mixed->AddWaypoint(At(0, 0, 0), 0.0f, 0, nullptr);
  mixed->AddWaypoint(At(10, 0, 0), 1.0f, 0, nullptr);
  mixed->AddWaypoint(At(20, 0, 0), 0.0f, 0, nullptr);
  WorldObject* n = Marker();
  EXPECT_TRUE(mixed->PlayObject(n, true, 0.0f));
  world->Update(0.5f);
  EXPECT_TRUE(Pos(n).NearlyEquals(mixed->GetCurvePoint(1, 0.5f), 1e-4f));
  // A huge stall costs one lap, not millions.
  world->Update(1.0e6f);
  EXPECT_TRUE(std::isfinite(Pos(n).x));
}

TEST_F(AnimPathTest, FacingAlongThePath) {
  auto* path = static_cast<AnimPathObject*>(world->CreateObject(ObjectParams(ObjectType_AnimPath)));
  path->AddWaypoint(At(0, 0, 0), 1.0f, PathRotation_FacePath, nullptr);
  path->AddWaypoint(At(0, 0, 10), 1.0f, PathRotation_FacePath, nullptr);
  path->AddWaypoint(At(0, 0, 20), 1.0f, PathRotation_FacePath, nullptr);
  WorldObject* m = Marker();
  ASSERT_TRUE(path->PlayObject(m, false, 0.0f));
  world->Update(1.5f);
  // The object's forward axis (third column of its rotation) points along +z.
  const Matrix4x4& t = m->GetWorldTransform();
  EXPECT_TRUE(Vector3D(t.m[2], t.m[6], t.m[10]).NearlyEquals(Vector3D(0, 0, 1), 0.05f));
}

TEST_F(AnimPathTest, ReplayKeepsOneReferenceAndDestroyReleases) {
  AnimPathObject* path = Path(3, 1.0f);
  WorldObject* m = Marker();
  const uint32_t refs = m->GetRefCount();
  ASSERT_TRUE(path->PlayObject(m, true, 0.0f));
  ASSERT_TRUE(path->PlayObject(m, true, 0.5f));
  EXPECT_EQ(m->GetRefCount(), refs + 1);
  world->RemoveObject(path);
  EXPECT_EQ(m->GetRefCount(), refs);
}

TEST_F(AnimPathTest, RemovingWaypointsKeepsPlayersButStopsThem) {
  WorldObject* target = Marker();
  const uint32_t targetRefs = target->GetRefCount();
  AnimPathObject* path = Path(2, 1.0f);
  path->AddWaypoint(At(20, 0, 0), 1.0f, 0, target);
  EXPECT_EQ(target->GetRefCount(), targetRefs + 1);
  WorldObject* m = Marker();
  ASSERT_TRUE(path->PlayObject(m, true, 0.5f));
  path->RemoveAllWaypoints();
  EXPECT_EQ(target->GetRefCount(), targetRefs);
  EXPECT_EQ(path->GetWaypointCount(), 0u);
  ASSERT_TRUE(path->IsPlaying(m));
  EXPECT_EQ(path->GetPlayState(m)->segment, 0u);
  m->SetWorldTransform(At(7, 7, 7));
  world->Update(0.5f);
  EXPECT_EQ(Pos(m), Vector3D(7, 7, 7));
}

TEST_F(AnimPathTest, MovingThePathMovesItsWaypoints) {
  AnimPathObject* path = Path(2, 1.0f);
  path->SetWorldTransform(At(0, 5, 0));
  EXPECT_EQ(path->GetWaypoint(1).worldTransform.GetTranslation(), Vector3D(10, 5, 0));
  WorldObject* m = Marker();
  ASSERT_TRUE(path->PlayObject(m, false, 0.0f));
  world->Update(0.999f);
  EXPECT_NEAR(Pos(m).y, 5.0f, 1e-3f);
}

}  // namespace
