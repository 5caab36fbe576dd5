// WorldFixture.h - the world tests' fixture: a fresh World, captured log lines,
// stepping by simulated seconds and small record builders.
#pragma once

#include "common/LogCapture.h"
#include "tier1/World.h"
#include "tier1/WorldObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

class WorldFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    world = World::Create();
    ASSERT_NE(world, nullptr);
  }
  void TearDown() override { world->Release(); }

  int CountLogged(const std::string& text, LogLevel level) const { return log.Count(text, level); }

  // Frames of 1/50 s, like a steady game.
  void Run(float seconds, float frame = 0.02f) {
    const int frames = static_cast<int>(std::lround(seconds / frame));
    for (int i = 0; i < frames; ++i) world->Update(frame);
  }

  static Matrix4x4 At(float x, float y, float z) {
    return Matrix4x4::MakeTranslation(Vector3D(x, y, z));
  }

  // A null object with a body of the given collision type.
  WorldObject* Body(uint32_t colType, bool dynamic, const Matrix4x4& where, const Vector3D& mins,
                    const Vector3D& maxs, float radius = 0.0f) {
    ObjectParams p(ObjectType_Null);
    p.colType = colType;
    p.dynamic = dynamic;
    p.transform = where;
    p.mins = mins;
    p.maxs = maxs;
    p.radius = radius;
    return world->CreateObject(p);
  }
  WorldObject* Box(float x, float y, float z, float half = 0.5f, bool dynamic = true) {
    return Body(Collision_Box, dynamic, At(x, y, z), Vector3D(-half, -half, -half),
                Vector3D(half, half, half));
  }
  // A static slab whose top face is at y = 0.
  WorldObject* Floor(float size = 50.0f) {
    return Body(Collision_Box, false, At(0, 0, 0), Vector3D(-size, -1, -size),
                Vector3D(size, 0, size));
  }

  kaztest::LogCapture log;
  World* world = nullptr;
};
