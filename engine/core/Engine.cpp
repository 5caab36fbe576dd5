// Engine.cpp - start-up and shutdown orders, printing, input and the frame loop.
#include "core/Engine.h"

#include "base/FrameProfiler.h"
#include "base/LaunchOptions.h"
#include "base/Log.h"
#include "base/StringUtil.h"
#include "console/ConfigFile.h"
#include "console/CVarRegistry.h"
#include "core/BuiltinCommands.h"
#include "core/FrameOverlays.h"
#include "core/ProfileCommand.h"
#include "core/SystemInfo.h"
#include "menu/MenuManager.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/VideoManager.h"
#include "render/overlay/ConsoleRenderer.h"
#include "render/Renderer.h"
#include "render/world/cal3d/DynamicMeshDef.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/WorldRenderer.h"
#include "script/ScriptHost.h"
#include "script/ScriptManager.h"
#include "sound/SoundManager.h"
#include "tier0/FileSystem.h"
#include "tier0/ObjectPool.h"
#include "tier0/ResourceManager.h"
#include "tier1/CameraObject.h"
#include "tier1/World.h"
#include "tier1/WorldObject.h"

#include <unistd.h>

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace {

// Prints every log line through the engine, prefixed by severity. Worker
// threads can still log after kazShutdown: with no engine the text is dropped.
void EngineLogHandler(const char* text, LogLevel level) {
  IKazEngine* engine = kazGetInterface();
  if (!engine || !text) return;
  switch (level) {
    case LogLevel_Warning:
      engine->Printf("[orange]WARNING: [white]%s", text);
      break;
    case LogLevel_Error:
      engine->Printf("[red]ERROR: [white]%s", text);
      break;
    case LogLevel_Detail:
      engine->Printf("[grey]%s", text);
      break;
    default:
      engine->Printf("%s", text);
      break;
  }
}

// The file-open trace of the "logfilesystem" option.
void FileOpenTrace(FileSystem::EventType type, FileSystem::File* file, void*) {
  IKazEngine* engine = kazGetInterface();
  if (!engine || !file || type != FileSystem::FileOpened) return;
  engine->Printf(
      "[orange]File opened: [cyan](mode='%c') [grey]%s [blue]@[grey] %s [white] (%d bytes)",
      file->GetMode(), file->GetFileName(), FileSystem::GetRealDir(file->GetFileName()).c_str(),
      static_cast<int>(file->GetLength()));
}

// Relative paths of scripts and tools then resolve against the game.
void ChangeToGameFolder(const std::string& folder) {
  if (!folder.empty() && chdir(folder.c_str()) != 0)
    LogWarning("Failed to change the working directory to '%s'.", folder.c_str());
}

struct StartupError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace

KazEngine::KazEngine() = default;

KazEngine::~KazEngine() = default;

// ---------------------------------------------------------------------------
// Start-up and shutdown
// ---------------------------------------------------------------------------

bool KazEngine::Startup(int argc, char** argv, void* window, const char* title,
                        const char* mainModName, KazOutputCallback output, void* userData) {
  if (!window) return false;
  m_window = window;
  m_title = title ? title : "";
  m_mainModName = mainModName ? mainModName : "";
  try {
    SetLogHandler(&EngineLogHandler);
    // A new run reports every mistake afresh.
    ForgetReports();
    if (argc > 1) m_commandLine.Parse(argc, argv, 1);
    m_output = output;
    m_outputUserData = userData;
    m_console.SetOpen(false, false);
    m_console.SetOutputHook(&KazEngine::ForwardOutput, this);
    m_console.SetCommandProcessor(&m_processor);
    RegisterBuiltinCommands(static_cast<IKazEngine*>(this));
    SetBuiltinCommandHooks(this);
    RunStartupSteps(argc, argv);
  } catch (const std::exception& e) {
    LogError("KazStartup: %s", e.what());
    Shutdown();
    return false;
  }
  return true;
}

void KazEngine::RunStartupSteps(int argc, char** argv) {
  // The file system; a failure here makes the later steps fail in their turn.
  FileSystem::Init(argc >= 1 && argv && argv[0] ? argv[0] : "");
  FileSystem::SetDefaultEndianMode(FileSystem::Little);
  ResolveFolders();

  if (m_commandLine.Has(LaunchOption::LogFileSystem))
    FileSystem::SetEventHandler(&FileOpenTrace, nullptr);
  if (m_commandLine.Has(LaunchOption::Log))
    m_console.OpenLogFile(m_folders.write + RunFiles::LogFile);

  LogSystemInfo(QuerySystemInfo());
  if (m_folders.game != m_folders.engine || m_folders.write != m_folders.game)
    LogDetail("Game folder %s, engine packages in %s, saving into %s", m_folders.game.c_str(),
              m_folders.engine.c_str(), m_folders.write.c_str());

  // Before anything reads the clock: a fade started by a script must see the same time.
  ApplyRepeatableRunOptions();

  AddStartupPackages();

  RunConfigFile();

  StartScripts();

  ApplyCommandLineVariables([this](const std::string& name) { return m_commandLine.Find(name); });

  // The world's renderer and mesh types come from the render layer.
  InstallWorldRenderer();
  // A failure inside the world's creation ends start-up with its own text.
  m_world = Ref<World>::Adopt(World::Create());
  if (!m_world) throw StartupError("Failed to create the world.");

  StartVideo();

  if (!m_commandLine.Has(LaunchOption::NoSound)) StartSound();

  if (!GetScriptManager()->OnStartup())
    throw StartupError("Script cancelled engine startup (OnStartup).");
  // Now the mod's own variables exist too.
  ReportUnknownOptions();

  // Every package is mounted by now.
  if (m_commandLine.Has(LaunchOption::HotReload)) m_hotReload.Start();

  m_firstFrame = true;
  m_quitCode = KazQuit_Continue;
  m_totalTime = 0.0f;
  m_started = true;
  Broadcast(EngineEvent_Started);
}

// What the script modules reach of the engine.
class KazEngine::Scripting final : public ScriptHost {
 public:
  explicit Scripting(KazEngine& engine) : m_engine(engine) {}
  void Print(const char* text, bool continueLine) override { m_engine.Print(text, continueLine); }
  World* GetWorld() override { return m_engine.GetWorld(); }
  void SetRenderCamera(WorldObject* camera) override { m_engine.SetRenderCamera(camera); }
  WorldObject* GetRenderCamera() override { return m_engine.GetRenderCamera(); }
  void StartFade(float seconds, bool toBlack) override { m_engine.StartFade(seconds, toBlack); }
  void StopFade() override { m_engine.StopFade(); }
  void StartFlash(float seconds, float red, float green, float blue) override {
    m_engine.StartFlash(seconds, red, green, blue);
  }
  void StopFlash() override { m_engine.StopFlash(); }
  void ForceRedraw() override { m_engine.Render(); }

 private:
  KazEngine& m_engine;
};

void KazEngine::StartScripts() {
  m_scripting = std::make_unique<Scripting>(*this);
  SetScriptHost(m_scripting.get());

  std::string className = m_mods[static_cast<size_t>(m_selectedMod)].className;
  if (className.empty()) {
    int mainMod = m_mods.Find(m_mainModName);
    if (mainMod >= 0) className = m_mods[static_cast<size_t>(mainMod)].className;
  }
  if (!CreateScriptManager(&m_listeners, className.c_str()))
    throw StartupError("Failed to initialize script manager.");
  if (!GetScriptManager()->OnPreStartup())
    throw StartupError("Script cancelled engine startup (OnPreStartup).");
}

void KazEngine::RunConfigFile() {
  const std::string path = ConfigReadPath();
  std::error_code error;
  if (std::filesystem::exists(path, error) || error) {
    ExecuteScript(m_processor, path);
    return;
  }
  // The first run of a mod: nothing is wrong, the settings are saved at the end.
  LogMessage("No saved settings yet ([grey]%s[white]): starting with the defaults.", path.c_str());
}

void KazEngine::ReportUnknownOptions() const {
  for (const std::string& word : m_commandLine.StrayWords())
    LogWarning(
        "Ignoring '%s' on the command line: options begin with '-' (shell -help lists them).",
        word.c_str());
  const CVarRegistry& cvars = CVarRegistry::Instance();
  for (const auto& [name, value] : m_commandLine.Options()) {
    if (FindLaunchOption(name) || cvars.Find(name)) continue;
    LogWarning(
        "Unknown command-line option '-%s': neither a launcher option nor a console variable "
        "(shell -help lists the options).",
        name.c_str());
  }
}

void KazEngine::AddStartupPackages() {
  if (const std::string* pkg = m_commandLine.Find(LaunchOption::Pkg)) {
    for (const std::string& name : SplitString(*pkg, ';'))
      if (!name.empty()) AddPackage(name.c_str(), true);
  }

  m_mods.Enumerate(m_folders.game);
  SelectMod();

  const ModInfo& mod = m_mods[static_cast<size_t>(m_selectedMod)];
  Printf("Selected mod [grey]%s [white]([grey]%s[white]), version [grey]%d.%d.%d",
         mod.fullName.c_str(), mod.name.c_str(), mod.Major(), mod.Minor(), mod.Patch());
  for (const std::string& name : mod.packages) {
    if (!AddPackage(name.c_str(), true)) LogWarning("Failed to add mod package '%s'", name.c_str());
  }
  if (!AddPackage("base", true)) throw StartupError("Package with name 'base' MUST exist!");
}

void KazEngine::SelectMod() {
  int mainMod = m_mods.Find(m_mainModName);
  // A game folder of its own: its only mod, or the one the command line names,
  // is the game, whatever the launcher calls its game.
  if (mainMod < 0 && m_mods.Size() == 1) mainMod = 0;
  if (const std::string* wanted = m_commandLine.Find(LaunchOption::Mod); mainMod < 0 && wanted)
    mainMod = m_mods.Find(*wanted);
  if (mainMod < 0) throw StartupError("Main game is not present or properlly isntalled.");
  m_selectedMod = -1;
  if (const std::string* wanted = m_commandLine.Find(LaunchOption::Mod)) {
    int found = m_mods.Find(*wanted);
    if (found >= 0) {
      m_selectedMod = found;
    } else {
      LogWarning(
          "Failed to load mod '%s' specified on the command line, falling back to main game.",
          wanted->c_str());
      m_selectedMod = mainMod;
    }
  } else {
    m_selectedMod = mainMod;
  }
}

void KazEngine::ApplyRepeatableRunOptions() {
  if (const std::string* seed = m_commandLine.Find(LaunchOption::ParticleSeed)) {
    uint32_t value = 0;
    const char* end = seed->data() + seed->size();
    auto [stop, error] = std::from_chars(seed->data(), end, value);
    if (error == std::errc() && stop == end)
      ParticleRandom::Seed(value);
    else
      LogWarning("Ignoring particleseed '%s': expected a whole number from 0 to 4294967295.",
                 seed->c_str());
  }
  const std::string* value = m_commandLine.Find(LaunchOption::FixedFrame);
  if (!value) return;
  double seconds = 0.0;
  const char* end = value->data() + value->size();
  auto [stop, error] = std::from_chars(value->data(), end, seconds);  // whatever the locale
  // Longer than a second a frame would only be a typing mistake.
  if (error != std::errc() || stop != end || !(seconds > 0.0 && seconds <= 1.0)) {
    LogWarning("Ignoring fixedframe '%s': expected seconds per frame, above 0 and at most 1.",
               value->c_str());
    return;
  }
  SetFixedFrameTime(seconds);
  LogMessage("Every frame advances the clock by %g seconds.", seconds);
}

void KazEngine::SetFixedFrameTime(double seconds) {
  if (seconds > 0.0) {
    // The same start on every machine, so that every time the engine shows repeats.
    if (m_clock != &m_frameClock) m_frameClock.Set(1000.0);
    m_clock = &m_frameClock;
    m_fixedFrameTime = seconds;
  } else {
    m_clock = &m_steadyClock;
    m_fixedFrameTime = 0.0;
  }
}

void KazEngine::StartVideo() {
  if (!m_video) m_video = CreateVideoManager(m_window);
  if (!m_video) throw StartupError("Failed to initialize video manager.");
  // Effects animated by time follow the engine's clock, fixed frame time included.
  m_video->SetTimeSource([this] { return m_clock->Now(); });
  // Falls back to 640x480, 16 bits, windowed, with VSync, after one warning.
  if (!m_video->ApplyDisplaySettings())
    throw StartupError("Failed to start video, even with basic settings.");
  // Step 25 begins with the console font, once, when video is first ready.
  m_console.SetDrawing(&GetConsoleRenderer());
  m_console.LoadFont();
  OnDisplayModeSet();
}

int KazEngine::RestartVideo() {
  if (!m_video) return 2;
  int result = m_video->RestartVideo();
  if (result == 0) OnDisplayModeSet();
  return result;
}

void KazEngine::StartSound() {
  if (!m_sound) m_sound = CreateSoundManager();
  if (!m_sound)
    LogError("Failed to initialize sound.");
  else if (!m_sound->Init())
    LogError("Failed to initialize sound.");
  UpdateSoundObjectHooks();
}

bool KazEngine::RestartSound() {
  if (!m_sound) return false;
  const bool ok = m_sound->Init();
  UpdateSoundObjectHooks();
  return ok;
}

bool KazEngine::WatchPackages(bool watch) {
  if (watch) return m_hotReload.Start();
  if (m_hotReload.Stop()) LogMessage("Stopped watching the package folders.");
  return true;
}

void KazEngine::OnDisplayModeSet() {
  const CVarRegistry& cvars = CVarRegistry::Instance();
  MenuManager& menus = GetMenuManager();
  if (!m_menusInitialised) {
    m_menusInitialised = true;
    if (!menus.Initialise(&GetVideoMenuRenderer(), cvars.ResX.Get(), cvars.ResY.Get()))
      LogWarning("Failed to initialize the menu manager.");
  }
  menus.SetScreenSize(cvars.ResX.Get(), cvars.ResY.Get());
  if (!m_rendererInitialised && m_world) {
    m_world->InitRenderer(true);
    m_rendererInitialised = true;
  }
  SetCursorPosition(cvars.ResX.Get() / 2, cvars.ResY.Get() / 2);
}

std::string KazEngine::ConfigFilePath() const {
  return ModList::ConfigFilePath(m_folders.write, m_mods[static_cast<size_t>(m_selectedMod)]);
}

std::string KazEngine::ConfigReadPath() const {
  const std::string saved = ConfigFilePath();
  std::error_code ec;
  if (m_folders.write == m_folders.game || std::filesystem::exists(saved, ec)) return saved;
  const std::string shipped =
      ModList::ConfigFilePath(m_folders.game, m_mods[static_cast<size_t>(m_selectedMod)]);
  return std::filesystem::exists(shipped, ec) ? shipped : saved;
}

void KazEngine::ResolveFolders() {
  std::string error;
  const FolderContext context =
      CurrentFolderContext(m_commandLine.Find(LaunchOption::BaseDir), FileSystem::GetBaseDir());
  if (!ResolveGameFolders(context, &m_folders, &error)) throw StartupError(error);
  std::error_code ec;
  if (m_folders.write != m_folders.game) std::filesystem::create_directories(m_folders.write, ec);
  ChangeToGameFolder(m_folders.game);
  ResourceManager::SetReportDir(m_folders.write);
  SetDynamicMeshMaterialFile(m_folders.engine + "base/cal3dmat.xrf");
}

void KazEngine::Shutdown() {
  m_hotReload.Stop();
  Broadcast(EngineEvent_ShuttingDown);
  if (ScriptManager* scripts = GetScriptManager()) scripts->OnShutdown();
  ChangeToGameFolder(m_folders.game);
  SetRenderCamera(nullptr);
  DestroyScriptManager();
  SetScriptHost(nullptr);
  m_world.Reset();
  m_rendererInitialised = false;
  GetMenuManager().Shutdown();
  m_menusInitialised = false;
  m_console.ReleaseFont();
  m_flashEffect.Reset();
  SetBuiltinCommandHooks(nullptr);
  // The commands carry this engine as user data: they go with it, and the
  // next start-up registers them afresh.
  CommandRegistry::Instance().UnregisterCommands(static_cast<IKazEngine*>(this));
  FrameProfiler::Instance().Reset();
  if (m_sound) {
    DestroySoundManager();
    m_sound = nullptr;
  }
  if (m_video) {
    DestroyVideoManager();
    m_video = nullptr;
  }
  // Only a completed start-up writes the configuration back: a failed one
  // (before the file ran, or with video fallback values in the variables)
  // leaves the stored file as it was.
  if (m_selectedMod != -1 && m_started) SaveConfiguration(ConfigFilePath());
  m_started = false;
  CVarRegistry::Instance().ForgetDynamics();

  // Every pooled object should be back by now; say which are not while the
  // log still reaches the console.
  ObjectPool::ReportLeaks();

  // The file system goes last, so that a later start-up begins afresh.
  FileSystem::SetEventHandler(nullptr, nullptr);
  FileSystem::Uninit();
}

bool KazEngine::AddPackage(const char* name, bool append) {
  if (!name) return false;
  // Before start-up every folder is the launcher's.
  const std::vector<std::string> folders = m_folders.game.empty()
                                               ? std::vector<std::string>{FileSystem::GetBaseDir()}
                                               : m_folders.PackageFolders(name);
  for (const std::string& folder : folders) {
    if (ModList::AddPackage(folder, name, append)) return true;
    if (!ModList::IsPackageName(name)) break;  // refused, and said so, once
  }
  return false;
}

// ---------------------------------------------------------------------------
// Printing
// ---------------------------------------------------------------------------

void KazEngine::ForwardOutput(const char* text, bool continueLine, void* engine) {
  auto* self = static_cast<KazEngine*>(engine);
  if (self && self->m_output) self->m_output(text, continueLine, self->m_outputUserData);
}

void KazEngine::Print(const char* text, bool continueLine) {
  m_console.Print(text, continueLine);
}

void KazEngine::Printf(const char* format, ...) {
  char buf[kFormatBufferSize];
  va_list args;
  va_start(args, format);
  FormatBounded(buf, sizeof(buf), format, args);
  va_end(args);
  Print(buf, false);
}

int KazEngine::ExecuteCommand(bool echo, const char* format, ...) {
  char buf[kFormatBufferSize];
  va_list args;
  va_start(args, format);
  FormatBounded(buf, sizeof(buf), format, args);
  va_end(args);
  return m_console.Execute(buf, echo);
}

// ---------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------

void KazEngine::Quit(bool withError) {
  m_quitCode = withError ? KazQuit_Halt : KazQuit_Quit;
}

void KazEngine::Broadcast(int code, int key, int dx, int dy) {
  // The listeners are the script application's callbacks.
  ProfileScope scope(ProfilePart_Scripts);
  EngineEvent event;
  event.code = code;
  event.category = EngineEvent::CategoryOf(code);
  event.engine = this;
  event.key = key;
  event.dx = dx;
  event.dy = dy;
  m_listeners.Broadcast(event);
}

void KazEngine::SetRenderCamera(WorldObject* object) {
  m_renderCamera.Reset();
  m_screenViewCamera.Reset();
  if (!object || object->GetType() != ObjectType_Camera) return;
  m_renderCamera = Ref<WorldObject>::Share(object);
  m_screenViewCamera = m_renderCamera;
}

bool KazEngine::StartFlash(float duration, float red, float green, float blue) {
  if (!m_flashEffect && m_video)
    m_flashEffect = Ref<RenderEffect>::Adopt(LoadRenderEffect(kScreenFlashEffectFile));
  if (!m_flashEffect) {
    LogError("Failed to load screen flash render effect.");
    return false;
  }
  m_flash.Start(m_clock->Now(), duration, red, green, blue);
  return true;
}

// ---------------------------------------------------------------------------
// Frame loop
// ---------------------------------------------------------------------------

int KazEngine::RunFrame() {
  const CVarRegistry& cvars = CVarRegistry::Instance();
  FrameProfiler::Instance().BeginFrame();
  PrintFinishedProfile();
  if (m_fixedFrameTime > 0.0) m_frameClock.Advance(m_fixedFrameTime);
  const double now = m_clock->Now();
  float rawDelta = m_firstFrame ? (1.0f / 60.0f) : static_cast<float>(now - m_lastFrameTime);
  if (m_fixedFrameTime > 0.0) rawDelta = static_cast<float>(m_fixedFrameTime);
  const float scaledDelta = rawDelta * cvars.TimeWarp.Get();

  m_lastFrameTime = now;
  m_frameDelta = scaledDelta;
  m_totalTime += scaledDelta;
  ++m_frameCounter;
  if (now - m_fpsStart > 1.0) {
    m_fps = static_cast<float>(m_frameCounter / (now - m_fpsStart));
    m_frameCounter = 0;
    m_fpsStart = now;
  }

  // Files saved since the last frame, before anything of this frame uses them.
  m_hotReload.Poll();
  QueueStatistics();
  m_console.Update(rawDelta);
  GetMenuManager().Update(rawDelta);

  if (!cvars.GamePaused.Get() && m_world) {
    if (ScriptManager* scripts = GetScriptManager()) {
      ProfileScope scope(ProfilePart_Scripts);
      scripts->UpdateTimers(scaledDelta);
    }
    m_world->Update(scaledDelta);
    m_worldTime += scaledDelta;
    if (m_mouseX != 0 || m_mouseY != 0) {
      Broadcast(EngineEvent_MouseMoved, 0, m_mouseX, m_mouseY);
      m_mouseX = m_mouseY = 0;
    }
    for (int key = 0; key < kNumHeldKeys; ++key)
      if (m_heldKeys[key]) Broadcast(EngineEvent_KeyHeld, key);
    Broadcast(EngineEvent_Frame);
  }

  if (m_sound && m_renderCamera) {
    ProfileScope scope(ProfilePart_Sound);
    m_sound->SetListenerTransform(m_renderCamera->GetWorldTransform());
  }

  Render();

  m_firstFrame = false;
  return m_quitCode;
}

void KazEngine::QueueStatistics() {
  const CVarRegistry& cvars = CVarRegistry::Instance();
  if (cvars.FPS.Get()) {
    m_console.AddNoticef("FPS: %.2f", static_cast<double>(m_fps));
    m_console.AddNotice(" ");
  }
  if (cvars.WorldStats.Get()) {
    m_console.AddNotice("[orange]--- World ---");
    if (m_world) {
      for (uint32_t type = ObjectType_Null; type <= ObjectType_Field; ++type)
        m_console.AddNoticef("[cyan]%s(s) [grey]: [white]%d", GetObjectTypeName(type),
                             static_cast<int>(m_world->GetObjectCount(type)));
      m_console.AddNotice(" ");
      m_console.AddNoticef("[cyan]Particles[grey] : [white]%d",
                           static_cast<int>(m_world->GetParticleCount()));
    } else {
      m_console.AddNotice("[red](No world present)");
    }
    m_console.AddNotice(" ");
  }
  if (cvars.WorldRenderStats.Get()) {
    m_console.AddNotice("[orange]--- World Render ---");
    if (m_world && m_world->GetRenderer()) {
      const WorldRenderer::Stats& stats = m_world->GetRenderer()->GetStats();
      const auto line = [this](const char* name, uint32_t drawn, uint32_t total) {
        m_console.AddNoticef("[cyan]%s [grey]:[white] %d / %d", name, int(drawn), int(total));
      };
      line("Static Meshes", stats.staticMeshes, m_world->GetObjectCount(ObjectType_StaticMesh));
      line("Dynamic Meshes", stats.dynamicMeshes, m_world->GetObjectCount(ObjectType_DynamicMesh));
      line("Particle Systems", stats.particleSystems,
           m_world->GetObjectCount(ObjectType_ParticleSystem));
      line("Particles", stats.particles, m_world->GetParticleCount());
    } else {
      m_console.AddNotice("[red](No world or renderer present)");
    }
    m_console.AddNotice(" ");
  }
  if (cvars.SoundStats.Get()) {
    for (const std::string& line : GetSoundStatsLines()) m_console.AddNotice(line.c_str());
  }
  QueueProfileOverlay(m_console);
}

void KazEngine::Render() {
  const double now = m_clock->Now();
  // Effects advance their timing every frame, drawn or not.
  float flashOpacity = m_flash.Update(now);
  float fadeOpacity = m_fade.Update(now);
  if (!m_active || !m_video) return;
  m_video->SetClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  m_video->Clear(true, true, false);
  m_video->BeginScene();
  if (m_world && m_world->GetRenderer() && m_renderCamera)
    m_world->GetRenderer()->Render(static_cast<CameraObject*>(m_renderCamera.Get()));
  const CVarRegistry& cvars = CVarRegistry::Instance();
  ProfileScope overlays(ProfilePart_2D);
  if (cvars.DrawHUD.Get()) GetMenuManager().Draw();
  if (cvars.EditorMode.Get()) DrawEditorCursor(*m_video, m_cursorX, m_cursorY);
  const int width = cvars.ResX.Get(), height = cvars.ResY.Get();
  if (flashOpacity >= 0.0f)
    DrawFlash(*m_video, m_flashEffect.Get(), m_flash, flashOpacity, width, height);
  if (fadeOpacity >= 0.0f) DrawFade(*m_video, fadeOpacity, width, height);
  m_console.Draw(0, 0, cvars.ResX.Get(), cvars.ResY.Get() / 2, cvars.ShowRecentConsoleEntries.Get(),
                 true);
  ProfileScope present(ProfilePart_Present);
  m_video->EndScene();
  m_video->Present();
}
