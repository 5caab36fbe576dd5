// PackageLayout.cpp - the entries of PackageLayout.h.
#include "core/PackageLayout.h"

#include "base/LaunchOptions.h"
#include "console/Console.h"
#include "core/ScreenEffects.h"
#include "menu/Menu.h"
#include "render/gpu/RenderEffect.h"
#include "render/overlay/Overlay2D.h"
#include "render/world/cal3d/DynamicMeshDef.h"
#include "render/world/DebugRender.h"
#include "render/world/GlowManager.h"
#include "script/ScriptManager.h"

std::vector<LayoutEntry> BaseDirectoryLayout() {
  const std::string config =
      std::string(RunFiles::ConfigFolder) + "/NAME" + RunFiles::ConfigExtension;
  return {
      {std::string(RunFiles::ModFolder) + "/NAME.mod",
       "A mod definition (see Mod definition files); every file here is read at start-up."},
      {"NAME/ and NAME.pak",
       "A package: a folder, a zip archive of the same name, or both (the folder is searched "
       "first). A mod lists its packages; \"base\" comes last and must exist."},
      {config,
       "The saved settings of mod NAME: run as console lines at start-up, written when the game "
       "ends. A first run without one starts from the defaults."},
      {RunFiles::LogFile, "The log, written when the launcher is given -log."},
      {std::string(RunFiles::ScreenshotFolder) + "/", "Screenshots, taken with F9."},
      {kDynamicMeshMaterialFile,
       "The material file every dynamic mesh's materials are read from (a real file, not a "
       "package path)."},
  };
}

std::vector<LayoutEntry> PackageLayout() {
  const std::string scripts = ScriptManager::kScriptFolder;
  return {
      {scripts + "/",
       "The mod's Python modules; the scripts folders of every package folder are on sys.path, "
       "in search order."},
      {std::string(ScriptManager::kScriptLibFolder) + "/",
       "More modules (a package's own library)."},
      {scripts + "/" + ScriptManager::kCoreModule + ".py",
       "Where the engine enters the scripts (GetApplicationClass, HandleEvent, PythonShutdown); "
       "the base package has one."},
      {kDefaultEffectFile, "The effect of meshes without a material of their own (base package)."},
      {k2DEffectFile, "The effect of menus, text and 2D overlays (base package)."},
      {kGlowEffectFile, "The glow pass's effect (base package)."},
      {kScreenFlashEffectFile, "The screen flash's effect (base package)."},
      {kDebugEffectFile, "The effect of the debug lines (DrawGrid, DrawBoxes, ...)."},
      {kConsoleFontPath, "The console's font (a bitmap font, see tools/fontbake)."},
      {kMenuFontPath, "The menus' font unless a script sets another."},
  };
}
