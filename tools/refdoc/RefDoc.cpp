// RefDoc.cpp - writes the engine reference for game authors (docs/reference.md)
// from the engine's own tables.
//
//   kaz_refdoc OUT.md          writes the reference
//   kaz_refdoc --check FILE    exits 1 when FILE differs from what it would write
//
// Every entry comes from the table the engine reads by: the mod definition
// keys (core/Mods.h), the command-line options (base/LaunchOptions.h), the
// files the engine opens (core/PackageLayout.h), each object type's creation
// keys with their defaults (script/CreationKeys.h), the enumerations, the key
// codes (shell/KeyTable.h), the built-in commands and the console variables.
// An entry without its text is an error: the tool names it and exits 1, so
// nothing reaches the engine undocumented.
#include "base/LaunchOptions.h"
#include "console/CVar.h"
#include "console/CVarRegistry.h"
#include "console/CommandRegistry.h"
#include "core/BuiltinCommands.h"
#include "core/Mods.h"
#include "core/ProfileCommand.h"
#include "core/PackageLayout.h"
#include "menu/MenuEnums.h"
#include "render/world/ParticleSystemObject.h"
#include "script/CreationKeys.h"
#include "tier1/World.h"
#include "tier1/WorldEnums.h"
#include "tier1/WorldObject.h"

#include "KeyTable.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Entries that lack their text, named for the error message.
std::vector<std::string> g_undocumented;

std::string Cell(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '|')
      out += "\\|";
    else if (c == '\n')
      out += "<br>";
    else
      out += c;
  }
  return out;
}

std::string Required(const char* text, const std::string& what) {
  if (!text || !*text) g_undocumented.push_back(what);
  return Cell(text ? text : "");
}

std::string Number(float value) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%g", static_cast<double>(value));
  return buf;
}

// "(a, b, c)"; built by appending, which GCC 12's bounds warnings accept.
std::string Tuple(std::initializer_list<float> values) {
  std::string text = "(";
  for (float value : values) {
    if (text.size() > 1) text += ", ";
    text += Number(value);
  }
  text += ")";
  return text;
}

std::string VectorText(const Vector3D& v) {
  return Tuple({v.x, v.y, v.z});
}

std::string ColourText(const Vector4D& v) {
  return Tuple({v.x, v.y, v.z, v.w});
}

// One row per key: name, what it takes, default, required, meaning.
class KeyDocumenter final : public CreationKeyVisitor {
 public:
  explicit KeyDocumenter(std::string typeName) : m_type(std::move(typeName)) {}

  void Count(const CreationKey& k, uint32_t& v) override { Row(k, KeyKind::Count, Num(v)); }
  void Enum(const CreationKey& k, uint32_t& v, const EnumTable& table) override {
    Row(k, std::string("one of the ") + table.title, Num(v) + " (" + table.NameOf(v) + ")");
  }
  void Bool(const CreationKey& k, bool& v) override { Row(k, KeyKind::Bool, v ? "True" : "False"); }
  void Float(const CreationKey& k, float& v) override { Row(k, KeyKind::Float, Number(v)); }
  void String(const CreationKey& k, std::string& v) override {
    Row(k, KeyKind::String, v.empty() ? "\"\"" : "\"" + v + "\"");
  }
  void Vector(const CreationKey& k, Vector3D& v) override {
    Row(k, KeyKind::Vector, VectorText(v));
  }
  void Colour(const CreationKey& k, Vector3D& v) override {
    Row(k, KeyKind::Colour, VectorText(v));
  }
  void Matrix(const CreationKey& k, Matrix4x4& v) override {
    Row(k, KeyKind::Matrix, v == Matrix4x4() ? "the identity" : "a matrix");
  }
  void Object(const CreationKey& k, WorldObject*& v) override {
    Row(k, KeyKind::Object, v ? "an object" : "None");
  }
  void Material(const CreationKey& k, ::Material*& v) override {
    Row(k, KeyKind::Material, v ? "a material" : "None");
  }
  void Materials(const CreationKey& k, MaterialMap& v) override {
    Row(k, KeyKind::Materials, v.empty() ? "{}" : "a dict");
  }
  void ColourKeys(const CreationKey& k, LinearKeyframeTrack<Vector4D>& v) override {
    Row(k, KeyKind::ColourKeys, Keys(v, [](const Vector4D& c) { return ColourText(c); }));
  }
  void RadiusKeys(const CreationKey& k, LinearKeyframeTrack<float>& v) override {
    Row(k, KeyKind::RadiusKeys, Keys(v, [](float r) { return Number(r); }));
  }

  const std::string& Rows() const { return m_rows; }
  bool Empty() const { return m_rows.empty(); }

 private:
  static std::string Num(uint32_t v) { return std::to_string(v); }
  // "[(time, value), ...]" of a track's keys.
  template <class T, class Shown>
  static std::string Keys(const LinearKeyframeTrack<T>& track, Shown shown) {
    std::string text = "[";
    for (size_t i = 0; i < track.GetKeyframeCount(); ++i) {
      if (i) text += ", ";
      text += "(";
      text += Number(track.GetKeyframeTime(i));
      text += ", ";
      text += shown(track.GetKeyframeValue(i));
      text += ")";
    }
    text += "]";
    return text;
  }
  void Row(const CreationKey& k, const std::string& kind, const std::string& fallback) {
    m_rows += "| `" + std::string(k.name) + "` | " + Cell(kind) + " | " +
              (k.required ? std::string("required") : Cell(fallback)) + " | " +
              Required(k.meaning, m_type + " key " + k.name) + " |\n";
  }
  std::string m_type;
  std::string m_rows;
};

const char kKeyTableHead[] =
    "| Key | Takes | Default | Meaning |\n"
    "|---|---|---|---|\n";

void WriteHeader(std::ostringstream& out) {
  out << "# Engine reference\n"
         "\n"
         "<!-- Generated by the build (kaz_refdoc) from the engine's own tables; do not edit.\n"
         "     Regenerate with: cmake --build --preset release --target update_reference_docs "
         "-->\n"
         "\n"
         "What a game is made of and what the engine reads: files and folders, mod definitions,\n"
         "the command line, the objects scripts create and their keys, the numbers scripts pass,\n"
         "the key codes, and the console's commands and variables. The script modules'\n"
         "functions are in [scripting.md](scripting.md). Names of every kind are compared\n"
         "without regard to letter case, except the keys of mod definition files and of\n"
         "CreateObject's dictionary.\n";
}

void WriteLayout(std::ostringstream& out) {
  out << "\n## Files and folders\n\n"
         "### The base directory\n\n"
         "The folder that holds the launcher (`shell`) and the engine library.\n\n"
         "| Path | What it is |\n|---|---|\n";
  for (const LayoutEntry& e : BaseDirectoryLayout())
    out << "| `" << e.path << "` | " << Required(e.what.c_str(), e.path) << " |\n";
  out << "\n### Inside the packages\n\n"
         "Paths the engine opens by name, found in the first package of the search path that "
         "holds them (the command line's -pkg packages, the mod's packages, then \"base\"). "
         "Meshes, textures, sounds and fonts a game names itself may lie anywhere in its "
         "packages.\n\n"
         "| Path | What it is |\n|---|---|\n";
  for (const LayoutEntry& e : PackageLayout())
    out << "| `" << e.path << "` | " << Required(e.what.c_str(), e.path) << " |\n";
}

void WriteModKeys(std::ostringstream& out) {
  out << "\n## Mod definition files\n\n"
         "`mods/NAME.mod`: one `Key=Value` a line (blanks around both are dropped; keys are "
         "case-sensitive; a later line wins). An unknown key is reported with its line. Missing "
         "keys are empty (the version 0.0.0).\n\n"
         "| Key | Meaning | Example |\n|---|---|---|\n";
  for (const ModKeyInfo& k : GetModKeys())
    out << "| `" << k.key << "` | " << Required(k.meaning, std::string("mod key ") + k.key)
        << " | `" << k.example << "` |\n";
}

void WriteCommandLine(std::ostringstream& out) {
  out << "\n## The command line\n\n"
         "`shell [options] [-CVarName value ...]`; `shell -help` prints this table. An option's "
         "value is every word up to the next word that begins with '-'; an option given twice "
         "keeps its first value. Any console variable can be set for a run (`-ResX 800`); it "
         "applies after the saved settings ran. A word that is neither an option nor a console "
         "variable (once the mod has started) gets one warning naming it.\n\n"
         "| Option | Value | Read by | Meaning |\n|---|---|---|---|\n";
  for (const LaunchOptionInfo& o : GetLaunchOptions())
    out << "| `-" << o.name << "` | " << (*o.argument ? o.argument : "-") << " | "
        << (o.launcher ? "launcher" : "engine") << " | "
        << Required(o.help, std::string("option ") + o.name) << " |\n";
}

void WriteObjectTypes(std::ostringstream& out) {
  out << "\n## Objects: _World.CreateObject(typeId, keys)\n\n"
         "`keys` is a dict. A key that is absent keeps its default; an unknown key, or a value "
         "of the wrong kind, is reported once (naming the key and the type) and ignored; "
         "without a required key nothing is made and None is returned.\n\n"
         "### Keys of every type\n\n"
      << kKeyTableHead;
  auto common = MakeObjectParams(ObjectType_Null);
  KeyDocumenter commonKeys("common");
  VisitCommonKeys(*common, commonKeys);
  out << commonKeys.Rows();
  for (const EnumValue& type : ObjectTypeTable().values) {
    auto params = MakeObjectParams(type.value);
    if (!params) {
      g_undocumented.push_back(std::string("creation record of ") + type.name);
      continue;
    }
    KeyDocumenter keys(type.name);
    VisitTypeKeys(*params, keys);
    out << "\n### " << type.value << ": " << type.name << "\n\n"
        << Required(type.meaning, std::string("object type ") + type.name) << "\n";
    if (keys.Empty())
      out << "\nNo keys of its own.\n";
    else
      out << "\n" << kKeyTableHead << keys.Rows();
  }
}

void WriteEnumerations(std::ostringstream& out) {
  out << "\n## Numbers scripts pass\n";
  const EnumTable* tables[] = {
      &ObjectTypeTable(),       &CollisionTypeTable(), &LightTypeTable(),   &JointTypeTable(),
      &FieldTypeTable(),        &EmitterShapeTable(),  &AttachTypeTable(),  &PathRotationTable(),
      &RayQueryFlagTable(),     &WidgetTypeTable(),    &ElementTypeTable(), &MessageBoxStyleTable(),
      &MessageBoxButtonTable(), &CVarFlagTable(),
  };
  for (const EnumTable* table : tables) {
    out << "\n### " << table->title << "\n\nUsed by: " << table->usage
        << ".\n\n| Value | Name | Meaning |\n|---|---|---|\n";
    for (const EnumValue& v : table->values)
      out << "| " << v.value << " | " << v.name << " | "
          << Required(v.meaning, std::string(table->title) + " " + v.name) << " |\n";
  }
}

void WriteKeys(std::ostringstream& out) {
  out << "\n## Key codes\n\n"
         "The numbers OnButtonPress, OnButtonHold and OnButtonRelease receive, and the key "
         "names a replay file uses (`12 key Left Shift down`): SDL's names of the keys, by "
         "their position on a US keyboard.\n\n"
         "| Code | Keys |\n|---|---|\n";
  for (const EngineKeyNames& key : ListEngineKeys()) {
    out << "| " << key.code << " |";
    for (size_t i = 0; i < key.names.size(); ++i) out << (i ? ", " : " ") << key.names[i];
    out << " |\n";
  }
}

void WriteCommands(std::ostringstream& out) {
  out << "\n## Console commands\n\n"
         "Typed into the console (the backquote key opens it), run from a console script or the "
         "configuration "
         "file, or by `_Engine.ConExecute`. Scripts add their own with `_Engine.RegisterCCmd`.\n\n"
         "| Command | Help |\n|---|---|\n";
  CommandRegistry registry;
  RegisterBuiltinCommands(nullptr, registry);
  RegisterProfileCommand(nullptr, registry);
  std::vector<std::string> names;
  registry.ListNames(names);
  for (const std::string& name : names) {
    std::string doc;
    registry.GetDoc(name, doc);
    out << "| `" << name << "` | " << Required(doc.c_str(), "command " + name) << " |\n";
  }
}

void WriteVariables(std::ostringstream& out) {
  out << "\n## Console variables\n\n"
         "`Name value` in the console or the configuration file sets one; `Name` alone shows "
         "it; `help Name` explains it. Saved ones are written to the mod's configuration file "
         "when the game ends. Scripts read and set them with `_Engine.GetCVar` and `SetCVar` "
         "(setting an unknown name creates a variable).\n\n"
         "| Variable | Type | Default | Saved | Meaning |\n|---|---|---|---|---|\n";
  const CVarRegistry cvars;  // the built-in table at its defaults
  std::vector<CVar*> list;
  cvars.ListAll(list);
  const char* types[] = {"bool", "int", "float", "string", "dynamic"};
  for (const CVar* cvar : list)
    out << "| `" << cvar->GetName() << "` | " << types[static_cast<int>(cvar->GetType())] << " | `"
        << cvar->ToString() << "` | " << (cvar->HasFlag(CVarFlag_NoSave) ? "no" : "yes") << " | "
        << Required(cvar->GetHelp(), "variable " + cvar->GetName()) << " |\n";
}

std::string Reference() {
  std::ostringstream out;
  WriteHeader(out);
  WriteLayout(out);
  WriteModKeys(out);
  WriteCommandLine(out);
  WriteObjectTypes(out);
  WriteEnumerations(out);
  WriteKeys(out);
  WriteCommands(out);
  WriteVariables(out);
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: %s OUT.md | --check FILE\n", argv[0]);
    return 2;
  }
  const std::string reference = Reference();
  if (!g_undocumented.empty()) {
    std::fprintf(stderr,
                 "These entries have no text for the reference; add it where they are "
                 "defined:\n");
    for (const std::string& what : g_undocumented) std::fprintf(stderr, "  %s\n", what.c_str());
    return 1;
  }
  if (check) {
    std::ifstream file(argv[2], std::ios::binary);
    std::stringstream stored;
    stored << file.rdbuf();
    if (stored.str() == reference) return 0;
    std::fprintf(stderr,
                 "%s differs from the generated reference; regenerate it with\n"
                 "  cmake --build --preset release --target update_reference_docs\n",
                 argv[2]);
    return 1;
  }
  std::ofstream(argv[1], std::ios::binary) << reference;
  return 0;
}
