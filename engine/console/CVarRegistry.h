// CVarRegistry.h - the process-wide set of console variables.
//
// Holds the engine's 36 built-in variables as typed members (engine code reads
// them directly, e.g. CVarRegistry::Instance().ResX.Get(), every time it needs
// the value) plus the dynamic variables scripts create at run time. Names are
// keys without regard to ASCII letter case; listings are in case-insensitive
// alphabetical order. A hash index keeps lookups by name cheap.
//
// Depends on CVar.h. Main thread only: no lock.
#pragma once

#include "console/CVar.h"

#include <bit>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CVarRegistry {
 public:
  // The process-wide registry, created on first use.
  static CVarRegistry& Instance();

  // A standalone registry with the built-in table (tests use their own).
  CVarRegistry();
  ~CVarRegistry();
  CVarRegistry(const CVarRegistry&) = delete;
  CVarRegistry& operator=(const CVarRegistry&) = delete;

  // Stores a non-owned variable under name; false for an empty name, a null
  // variable or a name that is already registered (the earlier one stays).
  bool Register(std::string_view name, CVar* cvar);
  CVar* Find(std::string_view name) const;
  // A new owned CVarDynamic (int 0); null when the name exists or is empty.
  CVarDynamic* CreateDynamic(std::string_view name, uint32_t flags);
  // A value given for a name no variable has yet: the configuration file runs
  // before the scripts create their variables. The last value kept wins.
  void KeepValue(std::string_view name, std::string_view value);
  // Sets the variable from the value kept for its name and forgets it; false
  // when none was kept.
  bool TakeKeptValue(CVar& cvar);
  // Removes the variables CreateDynamic made and the values kept: they belong
  // to the game that ran, and the next start makes them afresh from its file.
  void ForgetDynamics();
  // Appends every variable in case-insensitive alphabetical order.
  void ListAll(std::vector<CVar*>& out) const;
  // Appends the names that begin with prefix, in listing order; returns the count.
  int Complete(std::string_view prefix, bool caseSensitive, std::vector<std::string>& out) const;
  size_t GetCount() const { return m_byName.size(); }

  // Typed reads by name for code that has only a name; fallback when the
  // variable does not exist. Other types are converted through their text.
  int32_t GetInt(std::string_view name, int32_t fallback = 0) const;
  float GetFloat(std::string_view name, float fallback = 0.0f) const;
  bool GetBool(std::string_view name, bool fallback = false) const;
  std::string GetString(std::string_view name, std::string_view fallback = {}) const;

  // Puts every built-in variable back to its default value and flags.
  void ResetBuiltins();

  // Built-in variables, in registration order.
  CVarBool ShowRecentConsoleEntries{"ShowRecentConsoleEntries", false, CVarFlag_NoSave, true};
  CVarInt ResX{"ResX", 1024, 0, true};
  CVarInt ResY{"ResY", 768, 0, true};
  CVarInt BPP{"BPP", 32, 0, true};
  CVarInt RefreshRate{"RefreshRate", 60, 0, true};
  CVarBool Fullscreen{"Fullscreen", false, 0, true};
  CVarBool VSync{"VSync", false, 0, true};
  CVarBool WorldStats{"WorldStats", false, CVarFlag_NoSave, true};
  CVarBool WorldRenderStats{"WorldRenderStats", false, CVarFlag_NoSave, true};
  CVarBool SoundStats{"SoundStats", false, CVarFlag_NoSave, true};
  CVarString SoundDevType{"SoundDevType", "hw", 0, true};
  CVarBool DisplayOGGInfo{"DisplayOGGInfo", false, CVarFlag_NoSave, true};
  CVarBool GamePaused{"GamePaused", false, CVarFlag_NoSave, true};
  CVarFloat TimeWarp{"TimeWarp", 1.0f, CVarFlag_NoSave, true};
  CVarFloat UniversalFudgeFactor{"UniversalFudgeFactor", std::bit_cast<float>(0x40B0BFB1u),
                                 CVarFlag_NoSave, true};  // 5.5234
  CVarBool SpecatorMode{"SpecatorMode", false, CVarFlag_NoSave, true};
  CVarFloat MouseSensitivity{"MouseSensitivity", 1.0f, 0, true};
  CVarBool InvertMouse{"InvertMouse", false, 0, true};
  CVarBool FPS{"FPS", false, CVarFlag_NoSave, true};
  CVarBool WireFrame{"WireFrame", false, CVarFlag_NoSave, true};
  CVarFloat DebugAxisLength{"DebugAxisLength", 1.0f, 0, true};
  CVarFloat GridSize{"GridSize", 64.0f, 0, true};
  CVarBool DrawGrid{"DrawGrid", false, CVarFlag_NoSave, true};
  CVarBool DrawAxis{"DrawAxis", false, CVarFlag_NoSave, true};
  CVarBool DrawSkeletons{"DrawSkeletons", false, CVarFlag_NoSave, true};
  CVarBool DrawBoxes{"DrawBoxes", false, CVarFlag_NoSave, true};
  CVarBool DrawAnimPaths{"DrawAnimPaths", false, CVarFlag_NoSave, true};
  CVarBool EnableShadowMaps{"EnableShadowMaps", true, 0, true};
  CVarInt ShadowMapSize{"ShadowMapSize", 512, 0, true};
  CVarBool DrawParticles{"DrawParticles", true, CVarFlag_NoSave, true};
  CVarInt MaxParticlesPerBatch{"MaxParticlesPerBatch", 2000, 0, true};
  CVarBool GlowEnable{"GlowEnable", true, 0, true};
  CVarInt GlowTextureSize{"GlowTextureSize", 512, 0, true};
  CVarBool DrawGlowTexture{"DrawGlowTexture", false, CVarFlag_NoSave, true};
  CVarBool DrawHUD{"DrawHUD", true, 0, true};
  CVarBool EditorMode{"EditorMode", false, CVarFlag_NoSave, true};

  static constexpr size_t kBuiltinCount = 36;

 private:
  // Listing order; values are non-owning (built-ins) or point into m_dynamics.
  std::map<std::string, CVar*, NoCaseLess> m_byName;
  // Lookup index: open addressing over a power-of-two table, at most half
  // full; names view the keys held by m_byName's nodes. Engine code looks
  // names up often, and this beats a node-based hash map by a wide margin.
  struct Slot {
    uint64_t hash = 0;
    std::string_view name;
    CVar* cvar = nullptr;
  };
  static uint64_t HashName(std::string_view name);
  void InsertIndex(std::string_view name, CVar* cvar);
  std::vector<Slot> m_slots;
  std::vector<std::unique_ptr<CVarDynamic>> m_dynamics;
  std::map<std::string, std::string, NoCaseLess> m_kept;
  CVar* m_builtins[kBuiltinCount];
  uint32_t m_builtinFlags[kBuiltinCount];
};
