// WorldRenderEffect.cpp - the effect of world objects: a file compiled once per
// bone-influence count (its variants), the renderer's passes and lights through it.
#include "render/gpu/RenderEffect.h"

#include <algorithm>
#include <cstdio>

#include "base/Log.h"
#include "base/StringUtil.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"

namespace {

ResourceManager g_effectManager("WorldRenderEffect");  // built at static initialisation
ResourceManager& EffectManager() {
  return g_effectManager;
}

// One reference to each effect resource with a variant that failed to build.
std::vector<WorldRenderEffect*>& FailedEffects() {
  static std::vector<WorldRenderEffect*> effects;
  return effects;
}

// Seconds since engine start: a float of seconds since boot would lose its
// fractions after days of uptime and make time-driven effects stutter.
float EffectTime() {
  VideoManager* vm = GetVideoManager();
  return vm ? float(vm->GetTimeSinceStart()) : 0.0f;
}

}  // namespace

WorldRenderEffect::WorldRenderEffect(ResourceManager* manager) : Resource(manager) {}

WorldRenderEffect::~WorldRenderEffect() {
  Unload(true);
}

bool WorldRenderEffect::Load(bool) {
  FileSystem::File f;
  return f.OpenRead(GetName());
}

void WorldRenderEffect::Unload(bool) {
  ResetPass();
  for (Variant& v : m_variants) {
    v = Variant();
  }
  m_currentVariant = -1;
  for (Named& n : m_named) {
    for (EffectHandle& h : n.handles) h = 0;
    n.texture.Reset();
  }
}

bool WorldRenderEffect::UsesFile(const std::string& path) const {
  if (Resource::UsesFile(path)) return true;
  for (const Variant& v : m_variants) {
    if (!v.effect) continue;
    for (const std::string& include : v.effect->GetIncludes())
      if (EqualsNoCase(include, path)) return true;
  }
  return false;
}

bool WorldRenderEffect::Reload() {
  // Every variant in use (and the plain one) is compiled from the new file
  // before any old one is given up, so a broken save changes nothing.
  Ref<RenderEffect> fresh[kMaxBoneInfluences + 1];
  for (uint32_t n = 0; n <= kMaxBoneInfluences; ++n) {
    if (n > 0 && !m_variants[n].effect) continue;
    char value[16];
    std::snprintf(value, sizeof(value), "%d", int(n));
    fresh[n] = Ref<RenderEffect>::Adopt(
        CreateRenderEffect(GetName().c_str(), {{"NUM_BONE_INFLUENCES", value}}));
    if (!fresh[n]) return false;
  }
  Unload(false);
  for (uint32_t n = 0; n <= kMaxBoneInfluences; ++n) {
    m_variants[n].effect = std::move(fresh[n]);
    if (m_variants[n].effect) LookUp(m_variants[n]);
  }
  return true;
}

RenderEffect* WorldRenderEffect::GetVariantEffect(uint32_t boneCount) const {
  return boneCount <= kMaxBoneInfluences ? m_variants[boneCount].effect.Get() : nullptr;
}

RenderEffect* WorldRenderEffect::GetShadowlessEffect(uint32_t boneCount) const {
  if (boneCount > kMaxBoneInfluences) return nullptr;
  for (uint32_t count = 0; count <= kFixedLightCounts; ++count)
    if (RenderEffect* e = m_variants[VariantIndex(boneCount, true, count)].effect.Get()) return e;
  return nullptr;
}

EffectHandle WorldRenderEffect::GetSemanticHandle(uint32_t semantic) const {
  if (m_currentVariant < 0 || semantic >= SEM_COUNT) return 0;
  return m_variants[m_currentVariant].semantics[semantic];
}

bool WorldRenderEffect::SelectVariant(uint32_t n) {
  return n <= kMaxBoneInfluences && MakeCurrent(n);
}

void WorldRenderEffect::LookUp(Variant& v) {
  for (uint32_t s = 0; s < SEM_COUNT; ++s)
    v.semantics[s] = v.effect->GetParameterBySemantic(GetSemanticName(s));
  v.lightBatch =
      std::min(v.effect->GetParameterArraySize(v.semantics[SEM_LIGHTPOS]), kMaxLightBatch);
}

bool WorldRenderEffect::MakeCurrent(uint32_t index) {
  if (index >= kVariants) return false;
  if (int(index) == m_currentVariant) return true;
  Variant& v = m_variants[index];
  if (!v.effect) {
    if (v.failed) return false;
    v.failed = true;
    const bool twin = (index / kPlainVariants) % 2 == 1;
    const int bones = int(index % kPlainVariants);
    const uint32_t count = index / (2 * kPlainVariants);
    char value[16];
    std::snprintf(value, sizeof(value), "%d", bones);
    EffectDefines defines = {{"NUM_BONE_INFLUENCES", value}};
    // Not `= "1"`: GCC 12 warns falsely about that (-Wrestrict).
    if (twin) defines.insert_or_assign("NO_SHADOWS", std::string(1, '1'));
    EffectConstants constants;
    if (count) constants[GetSemanticName(SEM_LIGHTCOUNT)] = float(count);
    v.effect = Ref<RenderEffect>::Adopt(CreateRenderEffect(GetName().c_str(), defines, constants));
    if (!v.effect) {
      char lights[32] = "";
      if (count) std::snprintf(lights, sizeof(lights), " for %u lights", count);
      LogDetail("Failed to load RenderEffect '%s' with %d bone influences%s%s!", GetName().c_str(),
                bones, twin ? " and NO_SHADOWS" : "", lights);
      return false;
    }
    LookUp(v);
    // A twin that still reads a shadow map saves nothing: the plain one is used.
    if (twin && v.semantics[SEM_SHADOWMAP0]) {
      v.effect.Reset();
      return false;
    }
  }
  m_currentVariant = int(index);
  for (uint32_t s = 0; s < SEM_COUNT; ++s) ApplySemantic(s);
  for (uint32_t i = 1; i <= m_namedCount; ++i) ApplyNamedTexture(i);
  return true;
}

const char* WorldRenderEffect::SlotName(uint32_t slot) {
  return slot == kAmbientLitSlot ? "AmbientLit" : GetRenderPassName(slot);
}

bool WorldRenderEffect::HasSlot(uint32_t slot, uint32_t boneCount) {
  if (slot >= kTechniqueSlots || boneCount > kMaxBoneInfluences) return false;
  Variant& v = m_variants[boneCount];
  if (!v.effect) {
    const int current = m_currentVariant;
    if (!SelectVariant(boneCount)) return false;
    if (current >= 0) MakeCurrent(uint32_t(current));
  }
  if (!v.hasTechnique[slot]) {
    const EffectHandle t = v.effect->GetTechniqueByName(SlotName(slot));
    v.hasTechnique[slot] = t && v.effect->ValidateTechnique(t) ? 1 : 2;
  }
  return v.hasTechnique[slot] == 1;
}

bool WorldRenderEffect::HasTechnique(uint32_t pass, uint32_t boneCount) {
  return pass < PASS_COUNT && HasSlot(pass, boneCount);
}

bool WorldRenderEffect::HasAmbientLit(uint32_t boneCount) {
  if (!HasSlot(kAmbientLitSlot, boneCount)) return false;
  // Without a light to take, the pass would draw none and the Lit pass would
  // skip the lights it was given: the technique is not used, and said so once.
  Variant& v = m_variants[boneCount];
  if (v.semantics[SEM_LIGHTPOS]) return true;
  LogWarning(
      "RenderEffect '%s': technique AmbientLit is not used, the effect has no LIGHTPOS "
      "parameter.",
      GetName().c_str());
  v.hasTechnique[kAmbientLitSlot] = 2;
  return false;
}

uint32_t WorldRenderEffect::GetPassTraits(uint32_t pass, uint32_t boneCount) {
  constexpr uint32_t kKnown = 0x80000000u;
  if (pass >= PASS_COUNT || !HasTechnique(pass, boneCount)) return 0;
  Variant& v = m_variants[boneCount];
  if (!(v.traits[pass] & kKnown)) {
    uint32_t traits = v.semantics[SEM_INSTANCED] ? uint32_t(Trait_Instanced) : 0u;
    const GEffect* effect = v.effect->GetDeviceEffect();
    const EffectHandle t = v.effect->GetTechniqueByName(GetRenderPassName(pass));
    for (const EffectPass& p : effect->GetDesc().techniques[t - GEffect::kTechniqueBase].passes) {
      for (const auto& [state, value] : p.states) {
        if (state == GRS_ALPHABLENDENABLE && value) traits |= Trait_Blends;
        if ((state == GRS_ZWRITEENABLE || state == GRS_ZENABLE) && !value)
          traits |= Trait_KeepsDepth;
      }
    }
    v.traits[pass] = traits | kKnown;
  }
  return v.traits[pass] & ~kKnown;
}

uint32_t WorldRenderEffect::GetLightBatch(uint32_t boneCount) {
  if (boneCount > kMaxBoneInfluences || !HasTechnique(PASS_LIT, boneCount)) return 1;
  return std::max(1u, m_variants[boneCount].lightBatch);
}

void WorldRenderEffect::SetInstanced(bool instanced) {
  m_instanced = instanced;
  SetSemanticVector(SEM_INSTANCED, instanced ? 1.0f : 0.0f, 0.0f, 0.0f);
}

bool WorldRenderEffect::SetupLight() {
  if (m_currentPass != PASS_LIT || !m_currentEffect || !m_lights ||
      m_lights->RemainingLights() == 0)
    return false;
  return SetLightValues(m_lights);
}

void WorldRenderEffect::ChooseVariant(bool shadowMaps, uint32_t count) {
  const uint32_t bones = uint32_t(m_currentVariant) % kPlainVariants;
  const Variant& plain = m_variants[bones];
  // Only an effect that reads shadow maps has a twin worth building.
  const bool twin = !shadowMaps && plain.semantics[SEM_SHADOWMAP0];
  const uint32_t fixed = plain.semantics[SEM_LIGHTCOUNT] && count <= kFixedLightCounts ? count : 0;
  // A variant that cannot be had falls back to the next (each failure is kept).
  if (fixed && SwitchVariant(VariantIndex(bones, twin, fixed))) return;
  if (SwitchVariant(VariantIndex(bones, twin, 0)) || !twin) return;
  if (fixed && SwitchVariant(VariantIndex(bones, false, fixed))) return;
  SwitchVariant(bones);
}

bool WorldRenderEffect::SwitchVariant(uint32_t index) {
  if (int(index) == m_currentVariant) return true;
  const int previous = m_currentVariant;
  RenderEffect* old = m_currentEffect;
  const bool begun = old && old->IsBegun(), inPass = old && old->IsInPass();
  if (!MakeCurrent(index)) return false;
  Variant& v = m_variants[index];
  const uint32_t slot = m_currentSlot;
  if (!v.techniques[slot]) v.techniques[slot] = v.effect->GetTechniqueByName(SlotName(slot));
  if (!v.techniques[slot]) {
    if (previous >= 0) MakeCurrent(uint32_t(previous));
    return false;
  }
  if (inPass) old->EndPass();
  if (begun) old->End();
  m_currentEffect = v.effect.Get();
  if (v.semantics[SEM_TIME]) m_currentEffect->SetFloat(v.semantics[SEM_TIME], EffectTime());
  m_currentEffect->SetTechnique(v.techniques[slot]);
  if (begun) m_currentEffect->Begin();
  if (inPass) m_currentEffect->BeginPass(m_passIndex);
  return true;
}

bool WorldRenderEffect::TakeLights(RenderLightSet* lights) {
  const bool lit = m_currentPass == PASS_LIT || m_currentSlot == kAmbientLitSlot;
  if (!lit || !m_currentEffect || !lights) return false;
  return SetLightValues(lights);
}

void WorldRenderEffect::CommitChanges() {
  if (m_currentEffect) m_currentEffect->CommitChanges();
}

uint32_t WorldRenderEffect::BeginTechnique(uint32_t pass, uint32_t boneCount) {
  return pass < PASS_COUNT ? BeginSlot(pass, boneCount) : 0;
}

uint32_t WorldRenderEffect::BeginAmbientLit(uint32_t boneCount) {
  return BeginSlot(kAmbientLitSlot, boneCount);
}

uint32_t WorldRenderEffect::BeginSlot(uint32_t slot, uint32_t boneCount) {
  if (!HasSlot(slot, boneCount) || !SelectVariant(boneCount)) return 0;
  Variant& v = m_variants[m_currentVariant];
  if (!v.techniques[slot]) v.techniques[slot] = v.effect->GetTechniqueByName(SlotName(slot));
  m_currentPass = slot == kAmbientLitSlot ? uint32_t(PASS_AMBIENTEMISSIVE) : slot;
  m_currentSlot = slot;
  m_currentEffect = v.effect.Get();
  m_lights = nullptr;
  if (v.semantics[SEM_TIME]) m_currentEffect->SetFloat(v.semantics[SEM_TIME], EffectTime());
  m_currentEffect->SetTechnique(v.techniques[slot]);
  m_passCount = m_currentEffect->Begin();
  return m_passCount;
}

bool WorldRenderEffect::SetLightValues(RenderLightSet* lights) {
  if (!lights || lights->RemainingLights() == 0) return false;
  // An effect with arrays of lights takes a batch of them in one repetition
  // (a variant's twin takes as many as it does).
  const uint32_t batch = std::max(1u, m_variants[m_currentVariant].lightBatch);
  RenderLight taken[kMaxLightBatch];
  const uint32_t count = lights->UseNextLights(batch, taken);
  if (!count) return false;
  bool shadowMaps = false;
  for (uint32_t i = 0; i < count && i < kMaxShadowMapsPerBatch; ++i)
    shadowMaps |= taken[i].shadowMap && taken[i].shadowMap->GetWidth();
  ChooseVariant(shadowMaps, count);
  Variant& v = m_variants[m_currentVariant];
  if (!m_currentEffect->IsBegun()) {
    // Only SetupPass's Lit pass comes here before it begins.
    if (!v.techniques[PASS_LIT]) v.techniques[PASS_LIT] = v.effect->GetTechniqueByName("Lit");
    if (!v.techniques[PASS_LIT] || !m_currentEffect->SetTechnique(v.techniques[PASS_LIT]))
      return false;
  }
  float positions[kMaxLightBatch * 3] = {}, colors[kMaxLightBatch * 3] = {};
  float params[kMaxLightBatch * 3] = {};
  for (uint32_t i = 0; i < count; ++i) {
    const float* at = m_instanced ? taken[i].worldPosition : taken[i].position;
    for (int c = 0; c < 3; ++c) {
      positions[i * 3 + c] = at[c];
      colors[i * 3 + c] = taken[i].color[c];
    }
    params[i * 3] = taken[i].range;
    // y: whether the light brings a shadow map, z: one texel of it at unit distance.
    if (Texture* map = taken[i].shadowMap; map && i < kMaxShadowMapsPerBatch && map->GetWidth()) {
      params[i * 3 + 1] = 1.0f;
      params[i * 3 + 2] = 2.0f / float(map->GetWidth());
    }
  }
  for (uint32_t i = 0; i < kMaxShadowMapsPerBatch; ++i)
    if (EffectHandle h = v.semantics[SEM_SHADOWMAP0 + i])
      m_currentEffect->SetTexture(h, i < count ? taken[i].shadowMap : nullptr);
  if (!v.lightBatch) {
    if (v.semantics[SEM_LIGHTPARAMS])
      m_currentEffect->SetVector3(v.semantics[SEM_LIGHTPARAMS], params[0], params[1], params[2]);
    if (v.semantics[SEM_LIGHTPOS])
      m_currentEffect->SetVector3(v.semantics[SEM_LIGHTPOS], positions[0], positions[1],
                                  positions[2]);
    if (v.semantics[SEM_LIGHTCOLOR])
      m_currentEffect->SetVector3(v.semantics[SEM_LIGHTCOLOR], colors[0], colors[1], colors[2]);
  } else {
    // Unused entries are zero: no colour, no range.
    m_currentEffect->SetFloatArray(v.semantics[SEM_LIGHTPOS], positions, batch * 3);
    if (v.semantics[SEM_LIGHTCOLOR])
      m_currentEffect->SetFloatArray(v.semantics[SEM_LIGHTCOLOR], colors, batch * 3);
    if (v.semantics[SEM_LIGHTPARAMS])
      m_currentEffect->SetFloatArray(v.semantics[SEM_LIGHTPARAMS], params, batch * 3);
  }
  if (v.semantics[SEM_LIGHTCOUNT])
    m_currentEffect->SetFloat(v.semantics[SEM_LIGHTCOUNT], float(count));
  return true;
}

uint32_t WorldRenderEffect::SetupPass(uint32_t pass, uint32_t boneCount, RenderLightSet* lights) {
  if (!SelectVariant(boneCount)) return 0;
  Variant& v = m_variants[m_currentVariant];
  m_currentPass = m_currentSlot = pass;
  m_currentEffect = v.effect.Get();
  if (v.semantics[SEM_TIME]) m_currentEffect->SetFloat(v.semantics[SEM_TIME], EffectTime());
  if (pass == PASS_LIT) {
    m_lights = lights;
    if (lights && SetupLight()) {
      m_passCount = m_currentEffect->Begin();
      return m_passCount;
    }
    m_currentPass = 0;
    m_currentEffect = nullptr;
    return 0;
  }
  if (pass >= PASS_COUNT) {
    m_currentPass = 0;
    return 0;
  }
  if (!v.techniques[pass]) {
    EffectHandle t = m_currentEffect->GetTechniqueByName(GetRenderPassName(pass));
    if (!t || !m_currentEffect->ValidateTechnique(t)) {
      m_currentPass = 0;
      return 0;
    }
    v.techniques[pass] = t;
  }
  m_currentEffect->SetTechnique(v.techniques[pass]);
  m_passCount = m_currentEffect->Begin();
  return m_passCount;
}

uint32_t WorldRenderEffect::NextLight() {
  if (!m_currentEffect) return 0;
  m_currentEffect->End();
  if (m_currentPass == PASS_LIT && SetupLight()) {
    m_passCount = m_currentEffect->Begin();
    return m_passCount;
  }
  return 0;
}

bool WorldRenderEffect::BeginPass(uint32_t index) {
  if (!m_currentPass || !m_currentEffect || index >= m_passCount) return false;
  m_passIndex = index;
  return m_currentEffect->BeginPass(index);
}

bool WorldRenderEffect::EndPass() {
  if (!m_currentPass || !m_currentEffect) return false;
  return m_currentEffect->EndPass();
}

void WorldRenderEffect::EndTechnique() {
  if (m_currentEffect && m_currentEffect->IsBegun()) m_currentEffect->End();
}

void WorldRenderEffect::ResetPass() {
  // An effect still begun would keep its states; end it first.
  if (m_currentEffect && m_currentEffect->IsBegun()) m_currentEffect->End();
  m_currentPass = m_currentSlot = 0;
  m_currentEffect = nullptr;
  m_passCount = 0;
  m_lights = nullptr;
}

void WorldRenderEffect::ApplySemantic(uint32_t semantic) {
  const SemanticValue& value = m_values[semantic];
  if (m_currentVariant < 0 || value.kind == SemanticValue::kNone) return;
  Variant& v = m_variants[m_currentVariant];
  EffectHandle h = v.semantics[semantic];
  if (!v.effect || !h) return;
  if (value.kind == SemanticValue::kVector)
    v.effect->SetVector3(h, value.vector[0], value.vector[1], value.vector[2]);
  else
    v.effect->SetMatrixArray(h, value.matrices.data(), uint32_t(value.matrices.size()));
}

void WorldRenderEffect::SetSemanticVector(uint32_t semantic, float x, float y, float z) {
  if (semantic >= SEM_COUNT) return;
  SemanticValue& value = m_values[semantic];
  value.kind = SemanticValue::kVector;
  value.vector[0] = x;
  value.vector[1] = y;
  value.vector[2] = z;
  ApplySemantic(semantic);
}

void WorldRenderEffect::SetSemanticMatrix(uint32_t semantic, const Matrix4x4& m) {
  SetSemanticMatrixArray(semantic, &m, 1);
}

void WorldRenderEffect::SetSemanticMatrixArray(uint32_t semantic, const Matrix4x4* m,
                                               uint32_t count) {
  if (semantic >= SEM_COUNT || !m) return;
  SemanticValue& value = m_values[semantic];
  value.kind = SemanticValue::kMatrices;
  value.matrices.assign(m, m + count);
  ApplySemantic(semantic);
}

uint32_t WorldRenderEffect::GetNamedParameter(const char* name) {
  if (m_currentVariant < 0 || !name) return 0;
  Variant& v = m_variants[m_currentVariant];
  auto it = m_nameIndex.find(name);
  if (it != m_nameIndex.end()) {
    Named& n = m_named[it->second];
    if (!n.handles[m_currentVariant] && v.effect)
      n.handles[m_currentVariant] = v.effect->GetParameterByName(name);
    return it->second + 1;
  }
  if (!v.effect || m_namedCount >= kMaxNamedParameters) return 0;
  EffectHandle h = v.effect->GetParameterByName(name);
  if (!h) return 0;
  Named n;
  n.name = name;
  n.handles[m_currentVariant] = h;
  m_named.push_back(n);
  m_nameIndex[name] = m_namedCount;
  return ++m_namedCount;
}

void WorldRenderEffect::ApplyNamedTexture(uint32_t index) {
  Named& n = m_named[index - 1];
  Variant& v = m_variants[m_currentVariant];
  if (!v.effect) return;
  if (!n.handles[m_currentVariant])
    n.handles[m_currentVariant] = v.effect->GetParameterByName(n.name.c_str());
  if (n.handles[m_currentVariant])
    v.effect->SetTexture(n.handles[m_currentVariant], n.texture.Get());
}

void WorldRenderEffect::SetNamedTexture(uint32_t index, Texture* texture) {
  if (m_currentVariant < 0 || index < 1 || index > m_namedCount) return;
  m_named[index - 1].texture = Ref<Texture>::Share(texture);
  ApplyNamedTexture(index);
}

ResourceManager& GetWorldRenderEffectManager() {
  return EffectManager();
}

WorldRenderEffect* GetWorldRenderEffect(const char* fileName, uint32_t boneCount) {
  if (!fileName) return nullptr;
  WorldRenderEffect* e = EffectManager().GetOrLoad<WorldRenderEffect>(fileName);
  if (!e) return nullptr;
  if (!e->SelectVariant(boneCount)) {
    // The resource remembers which of its variants failed; dropping its last
    // reference would forget that and compile (and log) the file again on
    // every request. Broken effects stay until the video shuts down; without
    // a device nothing was compiled, so nothing is kept.
    std::vector<WorldRenderEffect*>& kept = FailedEffects();
    VideoManager* vm = GetVideoManager();
    if (vm && vm->GetDevice() && std::find(kept.begin(), kept.end(), e) == kept.end())
      kept.push_back(e);
    else
      e->Release();
    return nullptr;
  }
  return e;
}

void ReleaseFailedRenderEffects() {
  std::vector<WorldRenderEffect*> kept;
  kept.swap(FailedEffects());
  for (WorldRenderEffect* e : kept) e->Release();
}
