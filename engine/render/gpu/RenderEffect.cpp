// RenderEffect.cpp - render effects: an effect file compiled with its defines;
// world render effects are in WorldRenderEffect.cpp, materials in Material.cpp.
#include "render/gpu/RenderEffect.h"

#include <algorithm>
#include <cstdio>

#include "base/FrameProfiler.h"
#include "base/Log.h"
#include "base/StringUtil.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"

KAZ_DEFINE_POOL_NAMED(RenderEffect, 10, "GLRenderEffect");

namespace {

const char* const kPassNames[PASS_COUNT] = {"None", "ZFill",     "AmbientEmissive", "Lit",
                                            "Glow", "ShadowMap", "Particles"};
const char* const kSemanticNames[SEM_COUNT] = {
    "IDENTITYMATRIX",  "PROJ2DMATRIX", "WORLDVIEWPROJMATRIX", "WORLDVIEWMATRIX",
    "WORLDMATRIX",     "VIEWMATRIX",   "PROJMATRIX",          "BONES",
    "VIEWPOS",         "LIGHTPOS",     "LIGHTCOLOR",          "LIGHTPARAMS",
    "LIGHTMASKMATRIX", "TIME",         "PREVFRAMETIME",       "SCREENDIMENSIONS",
    "LIGHTCOUNT",      "INSTANCED",    "SHADOWMAP0",          "SHADOWMAP1",
    "SHADOWMAP2",      "SHADOWMAP3"};

}  // namespace

const char* GetRenderPassName(uint32_t pass) {
  return pass < PASS_COUNT ? kPassNames[pass] : "";
}
const char* GetSemanticName(uint32_t semantic) {
  return semantic < SEM_COUNT ? kSemanticNames[semantic] : "";
}

// ---------------------------------------------------------------------------
// RenderEffect

RenderEffect::~RenderEffect() {
  ReleaseEffect();
}

void RenderEffect::ReleaseEffect() {
  if (m_effect && m_effect->IsBegun()) m_effect->End();
  m_effect.Reset();
  m_begun = m_inPass = false;
}

void RenderEffect::OnDeviceLost() {
  if (m_effect) m_effect->OnLostDevice();
}

void RenderEffect::OnDeviceReset() {
  if (m_effect) m_effect->OnResetDevice();
}

bool RenderEffect::Load(const std::string& fileName, const EffectDefines& defines,
                        const EffectConstants& constants) {
  VideoManager* vm = GetVideoManager();
  if (!vm) {
    LogError("Tried to load RenderEffect while no video manager present!");
    return false;
  }
  if (!vm->GetDevice()) {
    LogError("Tried to load RenderEffect before video started!");
    return false;
  }
  m_fileName = fileName;
  size_t slash = fileName.find_last_of('/');
  std::string dir = slash == std::string::npos ? "" : fileName.substr(0, slash + 1);
  m_includes.clear();
  EffectIncludeHandler include = [this, &dir](const std::string& name, std::string& contents) {
    std::string reason;
    m_includes.push_back(dir + name);
    return ReadPackageFile(dir + name, &contents, &reason);
  };
  std::string text, reason;
  {
    FileSystem::File probe;
    if (!probe.OpenRead(fileName)) {
      LogError("Could not open RenderEffect file '%s'", fileName.c_str());
      return false;
    }
  }
  if (!ReadPackageFile(fileName, &text, &reason)) {
    LogError("Error reading from RenderEffect file '%s'", fileName.c_str());
    return false;
  }
  EffectDesc desc;
  std::string errors;
  GEffect* effect = nullptr;
  // What the device offers beyond the baseline, for the effect to choose by.
  EffectDefines all = defines;
  GCaps caps;
  if (GSucceeded(vm->GetDevice()->GetDeviceCaps(&caps)) && caps.textureGather)
    all.insert_or_assign("TEXTURE_GATHER", std::string(1, '1'));  // GCC 12 warns falsely on = "1"
  bool parsed = ParseEffect(fileName, text, all, include, &desc, &errors);
  if (parsed) {
    ApplyEffectConstants(constants, &desc);
    GResult r = vm->GetDevice()->CreateEffect(desc, &effect, &errors);
    if (GFailed(r)) effect = nullptr;
  }
  if (!effect) {
    LogError("Error compiling RenderEffect file '%s'", fileName.c_str());
    if (!errors.empty()) LogDetail("%s", errors.c_str());
    return false;
  }
  GEffect::Handle tech = effect->FindNextValidTechnique(0);
  if (!tech) {
    LogError("GL .fx file '%s' has no technique that will validate on this hardware!",
             fileName.c_str());
    if (!effect->GetValidationErrors().empty())
      LogDetail("%s", effect->GetValidationErrors().c_str());
    effect->Release();
    return false;
  }
  effect->SetTechnique(tech);
  m_effect = Ref<GEffect>::Adopt(effect);
  return true;
}

uint32_t RenderEffect::GetTechniqueCount() {
  return m_effect ? m_effect->GetTechniqueCount() : 0;
}
EffectHandle RenderEffect::GetTechniqueByName(const char* name) {
  return m_effect ? m_effect->GetTechniqueByName(name) : 0;
}
EffectHandle RenderEffect::GetTechnique(uint32_t index) {
  return m_effect ? m_effect->GetTechnique(index) : 0;
}
std::string RenderEffect::GetTechniqueName(EffectHandle t) {
  const char* n = m_effect ? m_effect->GetTechniqueName(t) : nullptr;
  return n ? n : "";
}
bool RenderEffect::ValidateTechnique(EffectHandle t) {
  return t && m_effect && GSucceeded(m_effect->ValidateTechnique(t));
}
bool RenderEffect::SetTechnique(EffectHandle t) {
  return t && m_effect && GSucceeded(m_effect->SetTechnique(t));
}

uint32_t RenderEffect::Begin() {
  if (!m_effect) return 0;
  uint32_t passes = 0;
  GResult r = m_effect->Begin(&passes, 0);
  if (GFailed(r)) {
    LogDetail("GLEffect::Begin failed with result %s.", GetErrorName(r));
    return 0;
  }
  m_begun = true;
  return passes;
}

bool RenderEffect::End() {
  if (!m_effect) return false;
  GResult r = m_effect->End();
  if (GFailed(r)) {
    LogDetail("GLEffect::End failed with result %s.", GetErrorName(r));
    return false;
  }
  m_begun = m_inPass = false;
  return true;
}

bool RenderEffect::BeginPass(uint32_t pass) {
  if (!m_effect) return false;
  GResult r = m_effect->BeginPass(pass);
  if (GFailed(r)) {
    LogDetail("GLEffect::BeginPass failed (pass %d) with result %s.", int(pass), GetErrorName(r));
    return false;
  }
  FrameProfiler::Instance().CountPass();
  m_inPass = true;
  return true;
}

bool RenderEffect::EndPass() {
  if (!m_effect) return false;
  GResult r = m_effect->EndPass();
  if (GFailed(r)) {
    LogDetail("GLEffect::EndPass failed with result %s.", GetErrorName(r));
    return false;
  }
  m_inPass = false;
  return true;
}

EffectHandle RenderEffect::GetParameterByName(const char* name) {
  return m_effect ? m_effect->GetParameterByName(name) : 0;
}
EffectHandle RenderEffect::GetParameterBySemantic(const char* semantic) {
  return m_effect ? m_effect->GetParameterBySemantic(semantic) : 0;
}
uint32_t RenderEffect::GetParameterType(EffectHandle h) {
  const EffectParam* p = m_effect ? m_effect->GetParameterDesc(h) : nullptr;
  return p ? uint32_t(p->type) : EPT_UNKNOWN;
}
void RenderEffect::SetFloat(EffectHandle h, float v) {
  if (m_effect) m_effect->SetFloat(h, v);
}
void RenderEffect::SetVector3(EffectHandle h, float x, float y, float z) {
  float v[4] = {x, y, z, 1.0f};
  if (m_effect) m_effect->SetVector(h, v);
}
void RenderEffect::SetVector4(EffectHandle h, float x, float y, float z, float w) {
  float v[4] = {x, y, z, w};
  if (m_effect) m_effect->SetVector(h, v);
}
void RenderEffect::SetMatrix(EffectHandle h, const Matrix4x4& m) {
  if (m_effect) m_effect->SetMatrixTranspose(h, m.m);
}
void RenderEffect::SetMatrixArray(EffectHandle h, const Matrix4x4* m, uint32_t count) {
  static_assert(sizeof(Matrix4x4) == 16 * sizeof(float), "matrices are packed");
  if (m_effect && m) m_effect->SetMatrixTransposeArray(h, m[0].m, count);
}
void RenderEffect::SetFloatArray(EffectHandle h, const float* values, uint32_t count) {
  if (m_effect) m_effect->SetFloatArray(h, values, count);
}
uint32_t RenderEffect::GetParameterArraySize(EffectHandle h) const {
  const EffectParam* p = m_effect ? m_effect->GetParameterDesc(h) : nullptr;
  return p ? p->arraySize : 0;
}
void RenderEffect::SetTexture(EffectHandle h, Texture* texture) {
  if (m_effect) m_effect->SetTexture(h, texture ? texture->GetDeviceTexture() : nullptr);
}
void RenderEffect::CommitChanges() {
  if (m_effect && m_effect->IsInPass()) m_effect->CommitChanges();
}

RenderEffect* CreateRenderEffect(const char* fileName, const EffectDefines& defines,
                                 const EffectConstants& constants) {
  RenderEffect* e = RenderEffect::Create();
  if (!e) return nullptr;
  if (!fileName || !e->Load(fileName, defines, constants)) {
    e->Release();
    return nullptr;
  }
  return e;
}

RenderEffect* LoadRenderEffect(const char* fileName) {
  return CreateRenderEffect(fileName, {});
}
