// Particle systems made and driven from scripts: the creation keys (key
// lists, a malformed list ignored as a whole), psEmitOnce and
// psSetSpawnVelocity acting on a real system over the fake video device.
#include "script/ScriptFixture.h"

#include "render/DeviceVideoManager.h"
#include "render/RenderTestUtil.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/WorldRenderer.h"
#include "tier1/World.h"

using scripttest::ScriptFixture;

namespace {

class ParticleScriptTest : public ScriptFixture {
 protected:
  void SetUp() override {
    ScriptFixture::SetUp();
    CVarRegistry::Instance().ResetBuiltins();
    rendertest::NextScript() = FakeScript();
    int window = 0;
    VideoManager* video = CreateVideoManager(&window, rendertest::MakeFakeSystem);
    ASSERT_NE(video, nullptr);
    InstallParticleSystemType();
    m_world = World::Create();
    ASSERT_NE(Start(), nullptr);
    ASSERT_EQ(video->SetDisplayMode(), 0);
    ASSERT_EQ(Exec("import _World, Engine\nV = Engine.Vector3D\nV4 = Engine.Vector4D\n"
                   "mat = _World.CreateRenderMaterial('RenderEffects/default.fx', {})"),
              "ok");
  }
  void TearDown() override {
    DestroyScriptManager();
    m_world->Release();
    World::SetObjectFactory(ObjectType_ParticleSystem, nullptr);
    DestroyVideoManager();
    ScriptFixture::TearDown();
  }
  ParticleSystemObject* System() {
    return static_cast<ParticleSystemObject*>(m_world->GetFirstObject(ObjectType_ParticleSystem));
  }
  kaztest::LogCapture m_log;
};

TEST_F(ParticleScriptTest, KeysReachTheSystem) {
  ASSERT_EQ(Exec("ps = _World.CreateObject(9, {'material': mat, 'maxParticles': 10, "
                 "'particlesOnCreate': 2, 'playing': False, 'sorted': True, "
                 "'radiusKeys': [(0, 3.0), (2, 5.0)], "
                 "'colorKeys': ((0, V4(1, 0, 0, 1)), (1, V4(0, 0, 1, 1), 7))})"),
            "ok");
  ParticleSystemObject* s = System();
  ASSERT_NE(s, nullptr) << m_log.Dump();
  EXPECT_EQ(s->GetPoolSize(), 10u);
  EXPECT_TRUE(s->IsPaused());
  EXPECT_TRUE(s->IsSorted());
  EXPECT_EQ(s->GetDrawCount(), 2u);
  EXPECT_FLOAT_EQ(s->GetDrawList()[0]->radius, 3.0f);
  // The colour list had a three-member pair: the default white stays.
  EXPECT_EQ(s->GetDrawList()[0]->colour, Vector4D(1, 1, 1, 1));
  EXPECT_FLOAT_EQ(s->GetSettings().radiusTrack.GetKeyframeTime(1), 1.0f);  // normalised
}

TEST_F(ParticleScriptTest, EmitOnceAndSpawnVelocityAct) {
  ASSERT_EQ(Exec("ps = _World.CreateObject(9, {'material': mat, 'playing': False})\n"
                 "_World.psSetSpawnVelocity(ps, V(1, 0, 0), V(1, 0, 0))\n"
                 "_World.psEmitOnce(ps)"),
            "ok");
  ParticleSystemObject* s = System();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetLiveCount(), 64u);
  s->Update(1.0f);
  EXPECT_FLOAT_EQ(s->GetDrawList()[0]->position.x, 1.0f);
  EXPECT_EQ(Eval("_World.CreateObject(9, {})"), "None");
  EXPECT_TRUE(m_log.Has("CreateObject: a ParticleSystem needs the key 'material'; none was made."));
}

}  // namespace
