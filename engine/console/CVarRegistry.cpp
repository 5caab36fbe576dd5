// CVarRegistry.cpp - the registry of console variables; see CVarRegistry.h.
#include "console/CVarRegistry.h"

CVarRegistry& CVarRegistry::Instance() {
  static CVarRegistry registry;
  return registry;
}

CVarRegistry::CVarRegistry()
    : builtins_{&ShowRecentConsoleEntries,
                &ResX,
                &ResY,
                &BPP,
                &RefreshRate,
                &Fullscreen,
                &VSync,
                &WorldStats,
                &WorldRenderStats,
                &SoundStats,
                &SoundDevType,
                &DisplayOGGInfo,
                &GamePaused,
                &TimeWarp,
                &UniversalFudgeFactor,
                &SpecatorMode,
                &MouseSensitivity,
                &InvertMouse,
                &FPS,
                &WireFrame,
                &DebugAxisLength,
                &GridSize,
                &DrawGrid,
                &DrawAxis,
                &DrawSkeletons,
                &DrawBoxes,
                &DrawAnimPaths,
                &EnableShadowMaps,
                &ShadowMapSize,
                &DrawParticles,
                &MaxParticlesPerBatch,
                &GlowEnable,
                &GlowTextureSize,
                &DrawGlowTexture,
                &DrawHUD,
                &EditorMode} {
  for (size_t i = 0; i < kBuiltinCount; ++i) {
    builtinFlags_[i] = builtins_[i]->GetFlags();
    Register(builtins_[i]->GetName(), builtins_[i]);
  }
}

CVarRegistry::~CVarRegistry() {
  index_.clear();
  byName_.clear();
  dynamics_.clear();
}

bool CVarRegistry::Register(std::string_view name, CVar* cvar) {
  if (name.empty() || !cvar || index_.count(name))
    return false;
  auto it = byName_.emplace(std::string(name), cvar).first;
  index_.emplace(std::string_view(it->first), cvar);
  return true;
}

CVar* CVarRegistry::Find(std::string_view name) const {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : it->second;
}

CVarDynamic* CVarRegistry::CreateDynamic(std::string_view name, uint32_t flags) {
  if (name.empty() || Find(name))
    return nullptr;
  auto cvar = std::make_unique<CVarDynamic>(name, flags);
  CVarDynamic* raw = cvar.get();
  dynamics_.push_back(std::move(cvar));
  Register(raw->GetName(), raw);
  return raw;
}

void CVarRegistry::ListAll(std::vector<CVar*>& out) const {
  out.reserve(out.size() + byName_.size());
  for (const auto& [name, cvar] : byName_)
    out.push_back(cvar);
}

int CVarRegistry::Complete(std::string_view prefix, bool caseSensitive,
                           std::vector<std::string>& out) const {
  int count = 0;
  for (const auto& [name, cvar] : byName_) {
    bool match = caseSensitive ? std::string_view(name).starts_with(prefix)
                               : NoCaseStartsWith(name, prefix);
    if (match) {
      out.push_back(name);
      ++count;
    }
  }
  return count;
}

namespace {
const CVar* Inner(const CVar* cvar) {
  if (cvar && cvar->GetType() == CVarType::Dynamic)
    return &static_cast<const CVarDynamic*>(cvar)->GetValue();
  return cvar;
}
}  // namespace

int32_t CVarRegistry::GetInt(std::string_view name, int32_t fallback) const {
  const CVar* cvar = Inner(Find(name));
  if (!cvar)
    return fallback;
  switch (cvar->GetType()) {
    case CVarType::Int: return static_cast<const CVarInt*>(cvar)->Get();
    case CVarType::Bool: return static_cast<const CVarBool*>(cvar)->Get() ? 1 : 0;
    default: {
      int32_t value = 0;
      CVarText::ParseInt(cvar->ToString(), value);
      return value;
    }
  }
}

float CVarRegistry::GetFloat(std::string_view name, float fallback) const {
  const CVar* cvar = Inner(Find(name));
  if (!cvar)
    return fallback;
  switch (cvar->GetType()) {
    case CVarType::Float: return static_cast<const CVarFloat*>(cvar)->Get();
    case CVarType::Int: return static_cast<float>(static_cast<const CVarInt*>(cvar)->Get());
    case CVarType::Bool: return static_cast<const CVarBool*>(cvar)->Get() ? 1.0f : 0.0f;
    default: {
      float value = 0.0f;
      CVarText::ParseFloat(cvar->ToString(), value);
      return value;
    }
  }
}

bool CVarRegistry::GetBool(std::string_view name, bool fallback) const {
  const CVar* cvar = Inner(Find(name));
  if (!cvar)
    return fallback;
  switch (cvar->GetType()) {
    case CVarType::Bool: return static_cast<const CVarBool*>(cvar)->Get();
    case CVarType::Int: return static_cast<const CVarInt*>(cvar)->Get() != 0;
    case CVarType::Float: return static_cast<const CVarFloat*>(cvar)->Get() != 0.0f;
    default: return CVarText::ParseBool(cvar->ToString());
  }
}

std::string CVarRegistry::GetString(std::string_view name, std::string_view fallback) const {
  const CVar* cvar = Find(name);
  return cvar ? cvar->ToString() : std::string(fallback);
}

void CVarRegistry::ResetBuiltins() {
  for (size_t i = 0; i < kBuiltinCount; ++i) {
    CVar* cvar = builtins_[i];
    cvar->SetFlags(builtinFlags_[i]);
    switch (cvar->GetType()) {
      case CVarType::Bool: static_cast<CVarBool*>(cvar)->Reset(); break;
      case CVarType::Int: static_cast<CVarInt*>(cvar)->Reset(); break;
      case CVarType::Float: static_cast<CVarFloat*>(cvar)->Reset(); break;
      case CVarType::String: static_cast<CVarString*>(cvar)->Reset(); break;
      case CVarType::Dynamic: break;
    }
  }
}
