// CommandProcessor.h - what the console executes, completes and draws with.
//
// CommandProcessor is the console's only window on the rest of the engine:
// it runs a line (a command from CommandRegistry, or a console variable
// assignment or query), completes variable names, and offers the few 2D
// drawing operations the console needs. EngineCommandProcessor is the
// engine's implementation; it also runs console scripts, writes the
// configuration file and owns the console font.
//
// Drawing goes through a ConsoleDrawing the engine installs once video is
// ready; until then, and whenever no console font is loaded, it does nothing
// and measures 0, so the console must cope with a 0 font height.
//
// Depends on CommandRegistry.h, CVarRegistry.h, ConsoleDrawing.h, base/Log.h.
#pragma once

#include "console/CommandRegistry.h"
#include "console/ConsoleDrawing.h"
#include "console/CVarRegistry.h"

#include <string>
#include <string_view>
#include <vector>

constexpr const char* kConsoleFontPath = "Fonts/console.f";

// Result codes of Execute (a command's own result otherwise).
constexpr int kCommandOk = 0;
constexpr int kCommandFailed = -1;

class CommandProcessor {
 public:
  virtual ~CommandProcessor() = default;

  virtual void BeginQuads() {}  // untextured quads follow
  virtual void EndQuads() {}
  virtual void BeginFont() {}  // text in the console font follows
  virtual void EndFont() {}
  // Filled rectangle, colour channels 0..1.
  virtual void DrawRectangle(int x1, int y1, int x2, int y2, float red, float green, float blue,
                             float alpha) = 0;
  // Plain text (no markup) at scale 1.0 with its top left at (x, y).
  virtual void DrawText(std::string_view text, int x, int y, float red, float green, float blue,
                        float alpha) = 0;
  virtual int GetFontHeight() = 0;
  virtual int GetTextWidth(std::string_view text) = 0;

  // Runs one line. verbose is true only for lines typed into the console and
  // confirmed with Enter; it enables the confirmation and unknown-name lines.
  virtual int Execute(std::string_view line, bool verbose) = 0;
  // Console variable names beginning with prefix (any letter case), in
  // listing order, appended to names; returns their number.
  virtual int Complete(std::string_view prefix, std::vector<std::string>& names) = 0;
};

class EngineCommandProcessor final : public CommandProcessor {
 public:
  explicit EngineCommandProcessor(CommandRegistry& commands = CommandRegistry::Instance(),
                                  CVarRegistry& cvars = CVarRegistry::Instance());
  ~EngineCommandProcessor() override;

  void BeginQuads() override;
  void EndQuads() override;
  void BeginFont() override;
  void EndFont() override;
  void DrawRectangle(int x1, int y1, int x2, int y2, float red, float green, float blue,
                     float alpha) override;
  void DrawText(std::string_view text, int x, int y, float red, float green, float blue,
                float alpha) override;
  int GetFontHeight() override;
  int GetTextWidth(std::string_view text) override;

  int Execute(std::string_view line, bool verbose) override;
  int Complete(std::string_view prefix, std::vector<std::string>& names) override;

  // Runs a console script (operating-system path): every line that is not a
  // '#' comment is echoed and executed quietly, whatever its result. False
  // (after an error line) when the file cannot be opened.
  bool ExecuteScript(const std::string& path);
  // Writes every variable without NoSave; see ConfigFile.h.
  bool SaveConfiguration(const std::string& path);
  // What the console is drawn with (not owned; null: nothing is drawn).
  void SetDrawing(ConsoleDrawing* drawing);
  // Releases a loaded console font and loads kConsoleFontPath through the
  // drawing; without one it does nothing and drawing stays inert.
  void LoadConsoleFont();
  // Releases the console font.
  void Shutdown();

  CommandRegistry& GetCommands() { return m_commands; }
  CVarRegistry& GetCVars() { return m_cvars; }

 private:
  // The drawing, when it holds a font.
  ConsoleDrawing* Drawing() const;

  CommandRegistry& m_commands;
  CVarRegistry& m_cvars;
  ConsoleDrawing* m_drawing = nullptr;
};
