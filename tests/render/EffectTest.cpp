// EffectTest.cpp - tests of effect files, world render effects and materials.
//
// The effect language (preprocessor, parser, errors with file and line), the
// effect state machine, world render effects with their bone-influence
// variants and passes, and materials - on the fake device.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "render/effect/EffectParser.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "RenderTestUtil.h"
#include "tier0/ResourceManager.h"

using namespace rendertest;

namespace {

const char* kSmall = R"(
float4x4 WVP : WorldViewProjMatrix;
float3 Light : LIGHTPOS = {1, 2, 3};
float Bones[4] : BONES;
texture Diffuse;
sampler S = sampler_state { Texture = <Diffuse>; AddressU = Clamp; MinFilter = Linear; };
vertexshader VS { void main() { gl_Position = WVP * in_Position; } }
pixelshader PS { void main() { FragColor = vec4(1.0); } }
technique A { pass { VertexShader = VS; PixelShader = PS; SrcBlend = InvSrcAlpha; ZFunc = Greater; } }
technique B { requires 3.0; pass P0 { VertexShader = VS; PixelShader = PS; } pass P1 { VertexShader = VS; PixelShader = PS; } }
)";

bool Parse(const std::string& text, EffectDesc* desc, std::string* errors,
           const EffectDefines& defs = {}, const std::map<std::string, std::string>& files = {}) {
  return ParseEffect(
      "test.fx", text, defs,
      [&](const std::string& name, std::string& out) {
        auto it = files.find(name);
        if (it == files.end()) return false;
        out = it->second;
        return true;
      },
      desc, errors);
}

TEST(EffectParser, ParametersSamplersAndTechniques) {
  EffectDesc d;
  std::string errors;
  ASSERT_TRUE(Parse(kSmall, &d, &errors)) << errors;
  ASSERT_EQ(d.params.size(), 5u);
  EXPECT_EQ(d.params[0].semantic, "WORLDVIEWPROJMATRIX");
  EXPECT_EQ(d.params[0].rows, 4u);
  EXPECT_EQ(d.params[1].initial, (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(d.params[2].arraySize, 4u);
  EXPECT_EQ(d.params[4].samplerTexture, "Diffuse");
  ASSERT_EQ(d.params[4].samplerStates.size(), 2u);
  EXPECT_EQ(d.params[4].samplerStates[0].second, uint32_t(GTADDRESS_CLAMP));
  ASSERT_EQ(d.techniques.size(), 2u);
  EXPECT_EQ(d.techniques[0].passes[0].states[0].second, uint32_t(GBLEND_INVSRCALPHA));
  EXPECT_EQ(d.techniques[0].passes[0].states[1].first, GRS_ZFUNC);
  EXPECT_EQ(d.techniques[1].requiredVersion, 0x300u);
  EXPECT_EQ(d.techniques[1].passes.size(), 2u);
  // Shader blocks carry the line they start on.
  ASSERT_EQ(d.shaders.size(), 2u);
  EXPECT_EQ(d.shaders[0].code.rfind("#line 7 0\n", 0), 0u) << d.shaders[0].code;
}

TEST(EffectParser, IncludesAndMacros) {
  std::map<std::string, std::string> files = {
      {"lib.fxh",
       "#define COUNT 3\n#if NUM_BONE_INFLUENCES > 1 && defined(COUNT)\nfloat Skinned;\n#endif\n"}};
  EffectDesc d;
  std::string errors;
  ASSERT_TRUE(Parse("#include \"lib.fxh\"\nfloat4 V[COUNT];\n", &d, &errors,
                    {{"NUM_BONE_INFLUENCES", "2"}}, files))
      << errors;
  ASSERT_EQ(d.params.size(), 2u);
  EXPECT_EQ(d.params[0].name, "Skinned");
  EXPECT_EQ(d.params[1].arraySize, 3u);
  ASSERT_TRUE(Parse("#include \"lib.fxh\"\n", &d, &errors, {{"NUM_BONE_INFLUENCES", "0"}}, files));
  EXPECT_TRUE(d.params.empty());
}

TEST(EffectParser, ErrorsNameTheFileAndLineAndRecursionStops) {
  const std::map<std::string, std::string> files = {
      {"bad.fxh", "\n\ntechnique T { pass { Bogus = 1; } }\n"},
      {"self.fxh", "#include \"self.fxh\"\n"}};
  const std::pair<const char*, const char*> cases[] = {
      {"float A;\n\nfloat B = {1, 2\n;\n", "test.fx(4): error:"},
      {"float A;\n#include \"bad.fxh\"\n", "bad.fxh(3): error: unknown render state 'Bogus'"},
      {"#include \"missing.fxh\"\n", "test.fx(1): error: cannot open include file 'missing.fxh'"},
      {"#if 1\nfloat A;\n", "unterminated #if"},
      {"#if 1 / 0\n#endif\n", "division by zero"},
      {"#include \"self.fxh\"\n", "nested too deeply"},
  };
  EffectDesc d;
  for (auto [text, want] : cases) {
    std::string errors;
    EXPECT_FALSE(Parse(text, &d, &errors, {}, files)) << text;
    EXPECT_NE(errors.find(want), std::string::npos) << errors;
  }
  std::string errors;
  EXPECT_TRUE(Parse("#define A B\n#define B A\nfloat A;\n", &d, &errors)) << errors;
}

TEST(EffectParser, DefaultBonePaletteFitsTheGuaranteedUniforms) {
  const auto read = [](const char* name) {
    std::ifstream in(kaztest::SourceDir() + "/data/base/RenderEffects/" + name);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  std::string errors;
  EffectDesc d;
  ASSERT_TRUE(Parse(read("default.fx"), &d, &errors, {{"NUM_BONE_INFLUENCES", "4"}},
                    {{"shadows.fxh", read("shadows.fxh")}}))
      << errors;
  // OpenGL 3.3 promises 1,024 vertex uniform components; count each row as a vec4.
  uint32_t components = 0;
  const EffectParam* bones = nullptr;
  for (const EffectParam& p : d.params) {
    if (p.type == EPT_FLOAT) components += p.rows * 4 * (p.arraySize ? p.arraySize : 1);
    if (p.semantic == "BONES") bones = &p;
  }
  ASSERT_NE(bones, nullptr);
  EXPECT_GE(bones->arraySize, kMaxBonesPerDraw);
  EXPECT_LE(components, 1024u);
}

class EffectTest : public StartedVideoTest {};

TEST_F(EffectTest, LookupsMatricesAndStatesRestoredAtEnd) {
  RenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  EXPECT_EQ(fx->GetTechniqueCount(), 7u);
  EffectHandle t = fx->GetTechniqueByName("Blended");
  EXPECT_NE(t, 0u);
  EXPECT_EQ(fx->GetTechniqueName(t), "Blended");
  EXPECT_EQ(fx->GetTechniqueByName("Nope"), 0u);
  EXPECT_EQ(fx->GetTechniqueName(0), "");
  EffectHandle wvp = fx->GetParameterBySemantic("worldviewprojmatrix");
  EXPECT_EQ(wvp, fx->GetParameterByName("WorldViewProj"));
  EXPECT_EQ(fx->GetParameterType(wvp), 2u);
  EXPECT_EQ(fx->GetParameterType(fx->GetParameterByName("DiffuseMap")), 6u);
  EXPECT_EQ(fx->GetParameterType(fx->GetParameterByName("DiffuseSampler")), 7u);
  // A technique for newer hardware does not validate; the others do.
  EXPECT_FALSE(fx->ValidateTechnique(fx->GetTechniqueByName("Future")));
  EXPECT_TRUE(fx->ValidateTechnique(fx->GetTechniqueByName("Textured")));
  EXPECT_FALSE(fx->SetTechnique(0));
  // Matrices are handed over transposed.
  Matrix4x4 m;
  m.m[3] = 7.0f;  // translation x
  EffectHandle h = fx->GetParameterByName("WorldViewProj");
  fx->SetMatrix(h, m);
  float v[16];
  ASSERT_TRUE(GSucceeded(fx->GetDeviceEffect()->GetFloatArray(h, v, 16)));
  EXPECT_EQ(v[12], 7.0f);
  // Passes restore their states at the end.
  GDevice* dev = Device();
  dev->SetRenderState(GRS_CULLMODE, GCULL_CW);
  ASSERT_TRUE(fx->SetTechnique(fx->GetTechniqueByName("Blended")));
  ASSERT_EQ(fx->Begin(), 1u);
  EXPECT_FALSE(fx->SetTechnique(fx->GetTechniqueByName("Textured")));  // not while begun
  ASSERT_TRUE(fx->BeginPass(0));
  EXPECT_FALSE(fx->BeginPass(0));
  uint32_t state = 0;
  dev->GetRenderState(GRS_SRCBLEND, &state);
  EXPECT_EQ(state, uint32_t(GBLEND_SRCALPHA));
  EXPECT_TRUE(fx->EndPass());
  EXPECT_TRUE(fx->End());
  dev->GetRenderState(GRS_SRCBLEND, &state);
  EXPECT_EQ(state, uint32_t(GBLEND_ONE));
  dev->GetRenderState(GRS_CULLMODE, &state);
  EXPECT_EQ(state, uint32_t(GCULL_CW));
  EXPECT_FALSE(fx->End());
  EXPECT_EQ(m_log.Count("GLEffect::End failed with result GLERR_INVALIDCALL."), 1);
  fx->Release();
}

TEST_F(EffectTest, NoValidTechniqueFailsTheLoad) {
  EXPECT_EQ(LoadRenderEffect("RenderEffects/future.fx"), nullptr);
  EXPECT_EQ(m_log.Count(
                "GL .fx file 'RenderEffects/future.fx' has no technique that will validate on this "
                "hardware!",
                LogLevel_Error),
            1);
  EXPECT_EQ(LoadRenderEffect("RenderEffects/none.fx"), nullptr);
  EXPECT_EQ(m_log.Count("Could not open RenderEffect file 'RenderEffects/none.fx'", LogLevel_Error),
            1);
}

class TestLights : public RenderLightSet {
 public:
  uint32_t RemainingLights() const override { return left; }
  uint32_t UseNextLights(uint32_t max, RenderLight* out) override {
    uint32_t n = 0;
    for (; n < max && left; ++n) {
      --left;
      RenderLight& l = out[n];
      l.position[0] = l.position[1] = l.position[2] = float(left);
      l.worldPosition[0] = l.worldPosition[1] = l.worldPosition[2] = 100.0f + float(left);
      l.color[0] = l.color[1] = l.color[2] = 1;
      l.range = 10;
    }
    return n;
  }
  uint32_t left = 2;
};

TEST_F(EffectTest, WorldEffectVariantsPassesAndLights) {
  WorldRenderEffect* w = GetWorldRenderEffect("RenderEffects/bones.fx", 0);
  ASSERT_NE(w, nullptr) << m_log.Dump();
  EXPECT_NE(w->GetSemanticHandle(SEM_WORLDVIEWPROJMATRIX), 0u);
  EXPECT_NE(w->GetSemanticHandle(SEM_TIME), 0u);
  EXPECT_EQ(w->GetSemanticHandle(SEM_BONES), 0u);
  // No Glow technique: nothing to draw, nothing logged.
  m_log.Clear();
  EXPECT_EQ(w->SetupPass(PASS_GLOW, 0, nullptr), 0u);
  EXPECT_TRUE(m_log.Lines().empty());
  EXPECT_EQ(w->SetupPass(PASS_AMBIENTEMISSIVE, 0, nullptr), 1u);
  EXPECT_TRUE(w->BeginPass(0));
  EXPECT_FALSE(w->BeginPass(1));
  EXPECT_TRUE(w->EndPass());
  w->ResetPass();
  // Lit: once per light.
  TestLights lights;
  EXPECT_EQ(w->SetupPass(PASS_LIT, 0, &lights), 1u);
  EXPECT_EQ(w->NextLight(), 1u);
  EXPECT_EQ(w->NextLight(), 0u);
  w->ResetPass();
  // Three influences fail once, loudly, then quietly; variant 0 is unaffected.
  EXPECT_FALSE(w->SelectVariant(3));
  EXPECT_FALSE(w->SelectVariant(3));
  EXPECT_EQ(
      m_log.Count("Failed to load RenderEffect 'RenderEffects/bones.fx' with 3 bone influences!"),
      1);
  EXPECT_TRUE(w->SelectVariant(0));
  EXPECT_TRUE(w->SelectVariant(4));
  // Time counts from engine start.
  ASSERT_EQ(w->SetupPass(PASS_AMBIENTEMISSIVE, 0, nullptr), 1u);
  w->ResetPass();
  GEffect* fx = w->GetVariantEffect(0)->GetDeviceEffect();
  float time = -1.0f;
  fx->GetFloatArray(w->GetSemanticHandle(SEM_TIME), &time, 1);
  EXPECT_GE(time, 0.0f);
  EXPECT_LT(time, 60.0f);
  w->Release();
}

TEST_F(EffectTest, NamedParametersAndMaterials) {
  Material* m = CreateMaterial();
  ASSERT_NE(m, nullptr);
  EXPECT_FALSE(m->SetTexture("DiffuseMap", "Textures/red_dxt1.dds"));  // no effect yet
  ASSERT_TRUE(m->SetRenderEffect("RenderEffects/bones.fx")) << m_log.Dump();
  WorldRenderEffect* w = m->GetRenderEffect();
  EXPECT_EQ(w->GetNamedParameter("Nothing"), 0u);
  EXPECT_EQ(w->GetNamedParameterCount(), 0u);
  EXPECT_TRUE(m->SetTexture("DiffuseMap", "Textures/red_dxt1.dds"));
  EXPECT_TRUE(m->SetTexture("DiffuseMap", "!Cube!Textures/cube.dds"));
  EXPECT_EQ(m->GetBindingCount(), 1u);  // the second binding replaced the first
  EXPECT_TRUE(m->ApplyTextures());
  RenderEffect* fx = w->GetCurrentEffect() ? w->GetCurrentEffect() : w->GetVariantEffect(0);
  GTexture* bound = fx->GetDeviceEffect()->GetTexture(fx->GetParameterByName("DiffuseMap"));
  ASSERT_NE(bound, nullptr);
  EXPECT_EQ(bound->GetType(), GTEXTYPE_CUBE);
  EXPECT_EQ(GetTextureResourceManager().Find("Textures/red_dxt1.dds"),
            nullptr);  // dropped with its binding
  EXPECT_FALSE(m->SetRenderEffect("RenderEffects/none.fx"));
  EXPECT_EQ(m_log.Count("Material: Failed to load RenderEffect 'RenderEffects/none.fx'",
                        LogLevel_Message),
            1);
  m->Release();
}

TEST_F(EffectTest, MissingTexturesShowThePlaceholderNeverAnotherMaterialsTexture) {
  // Three materials of one effect file, which they share: one with a texture,
  // one whose texture file is missing, one that names none. Each draws with
  // its own, never with what another bound before it.
  Material* good = CreateMaterial();
  Material* missing = CreateMaterial();
  Material* bare = CreateMaterial();
  for (Material* m : {good, missing, bare})
    ASSERT_TRUE(m->SetRenderEffect("RenderEffects/default.fx")) << m_log.Dump();
  ASSERT_TRUE(good->SetTexture("DiffuseMap", "Textures/red_dxt1.dds"));
  EXPECT_FALSE(missing->SetTexture("DiffuseMap", "Textures/none.png"));
  EXPECT_FALSE(missing->SetTexture("DiffuseMap", "Textures/none.png"));
  EXPECT_EQ(m_log.Count("Failed to load texture 'Textures/none.png' (GLERR_NOTFOUND - could not "
                        "open file)",
                        LogLevel_Error),
            1)
      << m_log.Dump();
  EXPECT_EQ(missing->GetBindingCount(), 1u);

  WorldRenderEffect* w = good->GetRenderEffect();
  ASSERT_TRUE(w->SelectVariant(0));
  GEffect* fx = w->GetVariantEffect(0)->GetDeviceEffect();
  const auto bound = [&] { return fx->GetTexture(fx->GetParameterByName("DiffuseMap")); };
  const auto format = [&] {
    GSurfaceDesc desc;
    bound()->GetLevelDesc(0, &desc);
    return desc.format;
  };
  good->ApplyTextures();
  ASSERT_NE(bound(), nullptr);
  EXPECT_EQ(format(), FMT_DXT1);
  // The missing texture shows the magenta and black checker, not the last one bound.
  missing->ApplyTextures();
  ASSERT_NE(bound(), nullptr);
  EXPECT_EQ(format(), FMT_A8R8G8B8);
  GLockedRect rect;
  ASSERT_TRUE(GSucceeded(bound()->LockRect(0, 0, &rect, GLOCK_READONLY)));
  const auto* texel = static_cast<const uint8_t*>(rect.bits);  // B, G, R, A
  EXPECT_EQ(std::vector<int>(texel, texel + 4), (std::vector<int>{255, 0, 255, 255}));
  texel += 8 * 4;  // the next cell of the checker
  EXPECT_EQ(std::vector<int>(texel, texel + 4), (std::vector<int>{0, 0, 0, 255}));
  bound()->UnlockRect(0, 0);
  // A material that names no texture draws with plain white, not the last one bound.
  good->ApplyTextures();
  bare->ApplyTextures();
  ASSERT_NE(bound(), nullptr);
  ASSERT_TRUE(GSucceeded(bound()->LockRect(0, 0, &rect, GLOCK_READONLY)));
  texel = static_cast<const uint8_t*>(rect.bits);
  EXPECT_EQ(std::vector<int>(texel, texel + 4), (std::vector<int>{255, 255, 255, 255}));
  bound()->UnlockRect(0, 0);

  // A parameter the effect lacks is named once, with the effect.
  EXPECT_FALSE(bare->SetTexture("Diffuse", "Textures/red_dxt1.dds"));
  EXPECT_FALSE(bare->SetTexture("Diffuse", "Textures/red_dxt1.dds"));
  EXPECT_EQ(m_log.Count("Effect 'RenderEffects/default.fx' has no parameter 'Diffuse'; the "
                        "texture 'Textures/red_dxt1.dds' is not used.",
                        LogLevel_Warning),
            1)
      << m_log.Dump();
  for (Material* m : {good, missing, bare}) m->Release();
}

TEST_F(EffectTest, DefaultEffectVariantsDrawAndGetTheValuesSetBeforeAPass) {
  // A skinned draw left variant 4 current; a static one sets its values first.
  WorldRenderEffect* w = GetWorldRenderEffect("RenderEffects/default.fx", 4);
  ASSERT_NE(w, nullptr) << m_log.Dump();
  // The default effect has the world techniques in every variant.
  for (uint32_t bones : {0u, 4u}) {
    EXPECT_EQ(w->SetupPass(PASS_AMBIENTEMISSIVE, bones, nullptr), 1u);
    w->ResetPass();
    TestLights lights;
    EXPECT_GE(w->SetupPass(PASS_LIT, bones, &lights), 1u);
    w->ResetPass();
  }
  EXPECT_NE(w->GetSemanticHandle(SEM_BONES), 0u);
  Material* m = CreateMaterial();
  ASSERT_TRUE(m->SetRenderEffect("RenderEffects/default.fx"));
  ASSERT_TRUE(m->SetTexture("DiffuseMap", "Textures/red_dxt1.dds"));
  w->SelectVariant(4);
  Matrix4x4 wvp;
  wvp.m[3] = 7.0f;
  w->SetSemanticMatrix(SEM_WORLDVIEWPROJMATRIX, wvp);
  m->ApplyTextures();
  ASSERT_EQ(w->SetupPass(PASS_AMBIENTEMISSIVE, 0, nullptr), 1u);
  w->ResetPass();
  float wvp0[16];
  GEffect* fx0 = w->GetVariantEffect(0)->GetDeviceEffect();
  fx0->GetFloatArray(fx0->GetParameterByName("WorldViewProj"), wvp0, 16);
  EXPECT_NE(std::find(wvp0, wvp0 + 16, 7.0f), wvp0 + 16);
  EXPECT_NE(fx0->GetTexture(fx0->GetParameterByName("DiffuseMap")), nullptr);
  // Bones set while the static variant is current reach the skinned one.
  std::vector<Matrix4x4> bones(kMaxBonesPerDraw);
  bones.back().m[3] = 5.0f;
  w->SetSemanticMatrixArray(SEM_BONES, bones.data(), kMaxBonesPerDraw);
  ASSERT_EQ(w->SetupPass(PASS_AMBIENTEMISSIVE, 4, nullptr), 1u);
  w->ResetPass();
  GEffect* fx4 = w->GetVariantEffect(4)->GetDeviceEffect();
  std::vector<float> palette(16 * kMaxBonesPerDraw);
  fx4->GetFloatArray(fx4->GetParameterByName("Bones"), palette.data(), uint32_t(palette.size()));
  EXPECT_EQ(palette[16 * (kMaxBonesPerDraw - 1) + 12], 5.0f);
  m->Release();
  w->Release();
}

// Each repetition of the Lit pass, and the ambient pass with its first batch,
// draws with the number of its lights compiled in, and gets the lights' values.
TEST_F(EffectTest, LightBatchesDrawWithTheirCountCompiledIn) {
  WorldRenderEffect* w = GetWorldRenderEffect("RenderEffects/default.fx", 0);
  ASSERT_NE(w, nullptr) << m_log.Dump();
  auto compiledCount = [&]() {
    const GEffect* fx = w->GetCurrentEffect()->GetDeviceEffect();
    const EffectParam* p = fx->GetParameterDesc(fx->GetParameterBySemantic("LIGHTCOUNT"));
    return p && p->constant && !p->initial.empty() ? p->initial[0] : -1.0f;
  };
  auto firstLight = [&]() {
    GEffect* fx = w->GetCurrentEffect()->GetDeviceEffect();
    float at[3] = {};
    fx->GetFloatArray(fx->GetParameterBySemantic("LIGHTPOS"), at, 3);
    return at[0];
  };
  TestLights lights;
  lights.left = 6;
  ASSERT_EQ(w->SetupPass(PASS_LIT, 0, &lights), 1u);
  EXPECT_EQ(compiledCount(), 4.0f) << m_log.Dump();
  EXPECT_EQ(firstLight(), 5.0f);
  ASSERT_EQ(w->NextLight(), 1u);
  EXPECT_EQ(compiledCount(), 2.0f);
  EXPECT_EQ(firstLight(), 1.0f);
  EXPECT_EQ(w->NextLight(), 0u);
  w->ResetPass();
  // Switched inside a begun pass, the pass stays begun.
  lights.left = 3;
  ASSERT_EQ(w->BeginAmbientLit(0), 1u);
  ASSERT_TRUE(w->BeginPass(0));
  ASSERT_TRUE(w->TakeLights(&lights));
  EXPECT_EQ(compiledCount(), 3.0f);
  EXPECT_TRUE(w->GetCurrentEffect()->IsInPass());
  EXPECT_TRUE(w->EndPass());
  w->ResetPass();
  // The other passes keep the count a value set at run time.
  ASSERT_EQ(w->SetupPass(PASS_AMBIENTEMISSIVE, 0, nullptr), 1u);
  EXPECT_EQ(compiledCount(), -1.0f);
  w->ResetPass();
  w->Release();
}

TEST_F(EffectTest, BrokenEffectIsCompiledAndLoggedOnce) {
  Device()->Script().failTechniques = {"T"};
  const int before = Device()->Calls("CreateEffect");  // the 2D overlays' own effect
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(GetWorldRenderEffect("RenderEffects/broken.fx", 0), nullptr);
  EXPECT_EQ(m_log.Count("'RenderEffects/broken.fx' has no technique that will validate"), 1)
      << m_log.Dump();
  EXPECT_EQ(Device()->Calls("CreateEffect") - before, 1);
  // The broken resource goes with the video.
  GetVideoManager()->Close();
  EXPECT_EQ(GetWorldRenderEffectManager().Find("RenderEffects/broken.fx"), nullptr);
}

TEST(WorldEffectWithoutVideo, FailsWithoutKeepingTheResource) {
  kaztest::LogCapture capture;
  MountTestData();
  EXPECT_EQ(GetWorldRenderEffect("RenderEffects/bones.fx", 0), nullptr);
  EXPECT_EQ(capture.Count("Tried to load RenderEffect while no video manager present!"), 1);
  // Nothing was compiled, so nothing is remembered as broken.
  EXPECT_EQ(GetWorldRenderEffectManager().Find("RenderEffects/bones.fx"), nullptr);
}

}  // namespace
