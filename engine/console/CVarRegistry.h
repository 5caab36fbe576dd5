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
  CVarBool ShowRecentConsoleEntries{
      "ShowRecentConsoleEntries", false, CVarFlag_NoSave, true,
      "Shows the newest console lines at the top of the screen while the console is closed."};
  CVarInt ResX{
      "ResX", 1024, 0, true,
      "Width of the window, or of the fullscreen mode, in pixels (start-up and restartvideo)."};
  CVarInt ResY{
      "ResY", 768, 0, true,
      "Height of the window, or of the fullscreen mode, in pixels (start-up and restartvideo)."};
  CVarInt BPP{"BPP", 32, 0, true, "Colour depth of a fullscreen mode in bits: 16 or 32."};
  CVarInt RefreshRate{"RefreshRate", 60, 0, true,
                      "Refresh rate of a fullscreen mode in hertz; 0 takes any."};
  CVarBool Fullscreen{"Fullscreen", false, 0, true,
                      "Runs in a fullscreen mode instead of a window."};
  CVarBool VSync{"VSync", false, 0, true,
                 "Waits for the display's refresh before showing a frame."};
  CVarBool WorldStats{"WorldStats", false, CVarFlag_NoSave, true,
                      "Shows the number of objects of each type and of particles."};
  CVarBool WorldRenderStats{
      "WorldRenderStats", false, CVarFlag_NoSave, true,
      "Shows how many meshes, particle systems and particles were drawn, of how many."};
  CVarBool SoundStats{"SoundStats", false, CVarFlag_NoSave, true,
                      "Shows the sound manager's sources, buffers and streams."};
  CVarString SoundDevType{
      "SoundDevType", "hw", 0, true,
      "The OpenAL device to open: \"hw\" or \"sw\" for OpenAL's hardware or software device, "
      "\"mute\" for none, anything else the default one (restartsound)."};
  CVarBool DisplayOGGInfo{"DisplayOGGInfo", false, CVarFlag_NoSave, true,
                          "Logs a summary of every Ogg Vorbis stream that opens."};
  CVarBool GamePaused{
      "GamePaused", false, CVarFlag_NoSave, true,
      "Stops the world, the timers, OnUpdate and held keys; menus and the console go on."};
  CVarFloat TimeWarp{"TimeWarp", 1.0f, CVarFlag_NoSave, true,
                     "Scales game time: 0.5 runs the world at half speed."};
  CVarFloat UniversalFudgeFactor{"UniversalFudgeFactor", std::bit_cast<float>(0x40B0BFB1u),
                                 CVarFlag_NoSave, true,
                                 "Free for scripts; the engine does not read it."};  // 5.5234
  CVarBool SpecatorMode{"SpecatorMode", false, CVarFlag_NoSave, true,
                        "Free for scripts (spelt as it always was); the engine does not read it."};
  CVarFloat MouseSensitivity{"MouseSensitivity", 1.0f, 0, true,
                             "For scripts: how far mouse motion turns the view."};
  CVarBool InvertMouse{"InvertMouse", false, 0, true,
                       "For scripts: whether moving the mouse forward looks down."};
  CVarBool FPS{"FPS", false, CVarFlag_NoSave, true, "Shows the frame rate."};
  CVarBool WireFrame{"WireFrame", false, CVarFlag_NoSave, true, "Draws the world as lines."};
  CVarFloat DebugAxisLength{"DebugAxisLength", 1.0f, 0, true,
                            "Length of the axes DrawAxis and DrawGrid draw."};
  CVarFloat GridSize{"GridSize", 64.0f, 0, true, "Size of the grid DrawGrid draws (1 to 1000000)."};
  CVarBool DrawGrid{"DrawGrid", false, CVarFlag_NoSave, true,
                    "Draws a grid on the ground plane and the world's axes."};
  CVarBool DrawAxis{"DrawAxis", false, CVarFlag_NoSave, true, "Draws every object's axes."};
  CVarBool DrawSkeletons{"DrawSkeletons", false, CVarFlag_NoSave, true,
                         "Draws the bones of dynamic meshes."};
  CVarBool DrawBoxes{"DrawBoxes", false, CVarFlag_NoSave, true,
                     "Draws every object's bounding box."};
  CVarBool DrawAnimPaths{"DrawAnimPaths", false, CVarFlag_NoSave, true,
                         "Draws the curves of animation paths."};
  CVarBool EnableShadowMaps{"EnableShadowMaps", true, 0, true,
                            "Lets lights that cast shadows render shadow maps."};
  CVarInt ShadowMapSize{"ShadowMapSize", 512, 0, true, "Edge of a shadow map in pixels."};
  CVarBool DrawParticles{"DrawParticles", true, CVarFlag_NoSave, true, "Draws particle systems."};
  CVarInt MaxParticlesPerBatch{"MaxParticlesPerBatch", 2000, 0, true,
                               "Most particles drawn in one batch."};
  CVarBool GlowEnable{"GlowEnable", true, 0, true, "Draws the glow pass."};
  CVarInt GlowTextureSize{"GlowTextureSize", 512, 0, true, "Edge of the glow texture in pixels."};
  CVarBool DrawGlowTexture{"DrawGlowTexture", false, CVarFlag_NoSave, true,
                           "Shows the glow texture over the screen."};
  CVarBool DrawHUD{"DrawHUD", true, 0, true, "Draws the menus."};
  CVarBool EditorMode{"EditorMode", false, CVarFlag_NoSave, true, "Draws the mouse cursor."};

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
  CVar* m_builtins[kBuiltinCount];
  uint32_t m_builtinFlags[kBuiltinCount];
};
