// CVarRegistry.cpp - the registry of console variables; see CVarRegistry.h.
#include "console/CVarRegistry.h"

#include <cstring>

namespace {
constexpr size_t kInitialSlots = 128;

// Equal lengths assumed; inline because lookups in another letter case are common.
bool SameNameBytes(std::string_view a, std::string_view b) {
  if (memcmp(a.data(), b.data(), a.size()) == 0) return true;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}
}  // namespace

// Bit 0x20 forced on in every byte folds ASCII letter case; the few other
// bytes it folds together merely share a hash value.
uint64_t CVarRegistry::HashName(std::string_view s) {
  constexpr uint64_t kFold = 0x2020202020202020ull;
  const char* p = s.data();
  size_t n = s.size();
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  while (n >= 8) {
    uint64_t w;
    memcpy(&w, p, 8);
    h = (h ^ (w | kFold)) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
    p += 8;
    n -= 8;
  }
  if (n > 0) {
    uint64_t w = 0;
    memcpy(&w, p, n);
    h = (h ^ (w | kFold)) * 0xBF58476D1CE4E5B9ull;
  }
  h ^= h >> 29;
  h *= 0x94D049BB133111EBull;
  h ^= h >> 32;
  return h;
}

void CVarRegistry::InsertIndex(std::string_view name, CVar* cvar) {
  if ((m_byName.size() + 1) * 2 > m_slots.size()) {
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(old.empty() ? kInitialSlots : old.size() * 2, Slot{});
    for (const Slot& slot : old)
      if (slot.cvar) InsertIndex(slot.name, slot.cvar);
  }
  const size_t mask = m_slots.size() - 1;
  uint64_t h = HashName(name);
  size_t i = static_cast<size_t>(h) & mask;
  while (m_slots[i].cvar) i = (i + 1) & mask;
  m_slots[i] = Slot{h, name, cvar};
}

CVarRegistry& CVarRegistry::Instance() {
  static CVarRegistry registry;
  return registry;
}

CVarRegistry::CVarRegistry()
    : m_builtins{&ShowRecentConsoleEntries,
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
    m_builtinFlags[i] = m_builtins[i]->GetFlags();
    Register(m_builtins[i]->GetName(), m_builtins[i]);
  }
}

CVarRegistry::~CVarRegistry() {
  m_slots.clear();
  m_byName.clear();
  m_dynamics.clear();
}

bool CVarRegistry::Register(std::string_view name, CVar* cvar) {
  if (name.empty() || !cvar || Find(name)) return false;
  auto it = m_byName.emplace(std::string(name), cvar).first;
  InsertIndex(it->first, cvar);
  return true;
}

CVar* CVarRegistry::Find(std::string_view name) const {
  if (m_slots.empty()) return nullptr;
  const size_t mask = m_slots.size() - 1;
  const uint64_t h = HashName(name);
  for (size_t i = static_cast<size_t>(h) & mask; m_slots[i].cvar; i = (i + 1) & mask) {
    const Slot& slot = m_slots[i];
    if (slot.hash == h && slot.name.size() == name.size() && SameNameBytes(slot.name, name))
      return slot.cvar;
  }
  return nullptr;
}

CVarDynamic* CVarRegistry::CreateDynamic(std::string_view name, uint32_t flags) {
  if (name.empty() || Find(name)) return nullptr;
  auto cvar = std::make_unique<CVarDynamic>(name, flags);
  CVarDynamic* raw = cvar.get();
  m_dynamics.push_back(std::move(cvar));
  Register(raw->GetName(), raw);
  return raw;
}

void CVarRegistry::KeepValue(std::string_view name, std::string_view value) {
  if (!name.empty() && !Find(name)) m_kept[std::string(name)] = std::string(value);
}

bool CVarRegistry::TakeKeptValue(CVar& cvar) {
  auto kept = m_kept.find(cvar.GetName());
  if (kept == m_kept.end()) return false;
  cvar.SetFromString(kept->second);
  m_kept.erase(kept);
  return true;
}

void CVarRegistry::ForgetDynamics() {
  m_kept.clear();
  if (m_dynamics.empty()) return;
  for (const auto& cvar : m_dynamics) m_byName.erase(cvar->GetName());
  m_slots.clear();
  for (const auto& [name, cvar] : m_byName) InsertIndex(name, cvar);
  m_dynamics.clear();
}

void CVarRegistry::ListAll(std::vector<CVar*>& out) const {
  out.reserve(out.size() + m_byName.size());
  for (const auto& [name, cvar] : m_byName) out.push_back(cvar);
}

int CVarRegistry::Complete(std::string_view prefix, bool caseSensitive,
                           std::vector<std::string>& out) const {
  int count = 0;
  for (const auto& [name, cvar] : m_byName) {
    bool match =
        caseSensitive ? std::string_view(name).starts_with(prefix) : NoCaseStartsWith(name, prefix);
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
  if (!cvar) return fallback;
  switch (cvar->GetType()) {
    case CVarType::Int:
      return static_cast<const CVarInt*>(cvar)->Get();
    case CVarType::Bool:
      return static_cast<const CVarBool*>(cvar)->Get() ? 1 : 0;
    default: {
      int32_t value = 0;
      CVarText::ParseInt(cvar->ToString(), value);
      return value;
    }
  }
}

float CVarRegistry::GetFloat(std::string_view name, float fallback) const {
  const CVar* cvar = Inner(Find(name));
  if (!cvar) return fallback;
  switch (cvar->GetType()) {
    case CVarType::Float:
      return static_cast<const CVarFloat*>(cvar)->Get();
    case CVarType::Int:
      return static_cast<float>(static_cast<const CVarInt*>(cvar)->Get());
    case CVarType::Bool:
      return static_cast<const CVarBool*>(cvar)->Get() ? 1.0f : 0.0f;
    default: {
      float value = 0.0f;
      CVarText::ParseFloat(cvar->ToString(), value);
      return value;
    }
  }
}

bool CVarRegistry::GetBool(std::string_view name, bool fallback) const {
  const CVar* cvar = Inner(Find(name));
  if (!cvar) return fallback;
  switch (cvar->GetType()) {
    case CVarType::Bool:
      return static_cast<const CVarBool*>(cvar)->Get();
    case CVarType::Int:
      return static_cast<const CVarInt*>(cvar)->Get() != 0;
    case CVarType::Float:
      return static_cast<const CVarFloat*>(cvar)->Get() != 0.0f;
    default:
      return CVarText::ParseBool(cvar->ToString());
  }
}

std::string CVarRegistry::GetString(std::string_view name, std::string_view fallback) const {
  const CVar* cvar = Find(name);
  return cvar ? cvar->ToString() : std::string(fallback);
}

void CVarRegistry::ResetBuiltins() {
  for (size_t i = 0; i < kBuiltinCount; ++i) {
    CVar* cvar = m_builtins[i];
    cvar->SetFlags(m_builtinFlags[i]);
    switch (cvar->GetType()) {
      case CVarType::Bool:
        static_cast<CVarBool*>(cvar)->Reset();
        break;
      case CVarType::Int:
        static_cast<CVarInt*>(cvar)->Reset();
        break;
      case CVarType::Float:
        static_cast<CVarFloat*>(cvar)->Reset();
        break;
      case CVarType::String:
        static_cast<CVarString*>(cvar)->Reset();
        break;
      case CVarType::Dynamic:
        break;
    }
  }
}
