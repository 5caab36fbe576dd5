// main.cpp - meshconv: converts the models a modelling tool exports into the engine's mesh files.
//
//   meshconv [options] INPUT OUTPUT.mesh            a static mesh
//   meshconv --character [options] INPUT DIR        a Cal3D character and its definition
//
// The conversion runs in a child process: whatever a corrupt file does to the importer
// (Debian's Assimp stops on some with an assertion and spins on others), meshconv itself
// answers with one line and status 1 within the time limit, and leaves no partial output
// (every file is written beside its place and renamed into it).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "Convert.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: meshconv [options] INPUT OUTPUT.mesh\n"
    "       meshconv --character [options] INPUT DIR\n"
    "  INPUT             a model file: glTF 2.0 (.gltf, .glb), FBX, Collada (.dae), OBJ, PLY\n"
    "                    or any other format Assimp reads\n"
    "  OUTPUT.mesh       the static mesh file to write\n"
    "  DIR               with --character: the folder for NAME.xsf (skeleton), NAME.xmf (mesh),\n"
    "                    NAME_ANIMATION.xaf (one per animation) and NAME.xml (the definition)\n"
    "options:\n"
    "  --crease DEGREES  normals made for meshes without them are shared by faces meeting\n"
    "                    at less than this angle (default 30; 180 smooths everything)\n"
    "  --up y|z          the up axis of a file whose format does not say it (OBJ, PLY, STL);\n"
    "                    default y\n"
    "  --scale FACTOR    multiply positions by FACTOR (after the file's own unit; default 1)\n"
    "  --tangents        add a float4 tangent to each vertex, for effects that read in_Tangent\n"
    "  --no-optimise     keep the file's triangle and vertex order\n"
    "  --texture-dir DIR the package folder texture names are given in (default Textures/)\n"
    "  --textures DIR    write the images the model file carries inside it into DIR\n"
    "  --materials FILE  write a Python module naming each material group's textures\n"
    "  --name NAME       the character's file and piece name (default: INPUT's name)\n"
    "  --time-limit SECONDS  give up on a file not converted by then (default 300; 0: never)\n";

struct Command {
  meshconv::Options options;
  bool character = false;
  std::string input, output, texturesDir, materialsFile, name;
  unsigned timeLimit = 300;  // seconds; 0: none
};

bool Number(const char* text, float low, float high, float* out) {
  char* end = nullptr;
  const float value = std::strtof(text, &end);
  if (!end || *end || end == text || !std::isfinite(value) || value < low || value > high)
    return false;
  *out = value;
  return true;
}

// False after printing what is wrong with the command line.
bool Parse(int argc, char** argv, Command* c) {
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    auto bad = [&](const char* what) {
      std::fprintf(stderr, "meshconv: %s %s\n%s", arg.c_str(), what, kUsage);
      return false;
    };
    if (arg == "--character") {
      c->character = true;
    } else if (arg == "--tangents") {
      c->options.tangents = true;
    } else if (arg == "--no-optimise" || arg == "--no-optimize") {
      c->options.optimise = false;
    } else if (arg == "--crease") {
      if (!hasValue || !Number(argv[++i], 0.0f, 180.0f, &c->options.creaseDegrees))
        return bad("needs an angle from 0 to 180 degrees");
    } else if (arg == "--scale") {
      if (!hasValue || !Number(argv[++i], 1e-6f, 1e6f, &c->options.scale))
        return bad("needs a factor above 0");
    } else if (arg == "--time-limit") {
      float seconds = 0.0f;
      if (!hasValue || !Number(argv[++i], 0.0f, 86400.0f, &seconds) ||
          seconds != std::floor(seconds))
        return bad("needs a whole number of seconds (0: no limit)");
      c->timeLimit = unsigned(seconds);
    } else if (arg == "--up") {
      const std::string axis = hasValue ? argv[++i] : "";
      if (axis != "y" && axis != "Y" && axis != "z" && axis != "Z") return bad("needs y or z");
      c->options.up = (axis == "z" || axis == "Z") ? meshconv::UpAxis::kZ : meshconv::UpAxis::kY;
    } else if (arg == "--texture-dir" || arg == "--textures" || arg == "--materials" ||
               arg == "--name") {
      if (!hasValue) return bad("needs a value");
      std::string value = argv[++i];
      if (arg == "--texture-dir")
        c->options.textureDir = value.empty() || value.back() == '/' ? value : value + "/";
      if (arg == "--textures") c->texturesDir = value;
      if (arg == "--materials") c->materialsFile = value;
      if (arg == "--name") c->name = value;
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return bad("is not an option");
    } else {
      plain.push_back(arg);
    }
  }
  if (plain.size() != 2) {
    std::fputs(kUsage, stderr);
    return false;
  }
  c->input = plain[0];
  c->output = plain[1];
  if (c->name.empty()) c->name = fs::path(c->input).stem().string();
  return true;
}

bool WriteFile(const fs::path& path, const void* data, size_t size, std::string* error) {
  const fs::path temp = path.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    if (!out) {
      *error = "cannot write " + temp.string();
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) *error = "cannot write " + path.string() + ": " + ec.message();
  return !ec;
}

bool WriteText(const fs::path& path, const std::string& text, std::string* error) {
  return WriteFile(path, text.data(), text.size(), error);
}

bool WriteExtras(const Command& c, const std::vector<meshconv::MaterialInfo>& materials,
                 std::string* error) {
  if (!c.materialsFile.empty() &&
      !WriteText(c.materialsFile, meshconv::WriteMaterialsModule(materials, c.input), error))
    return false;
  for (const meshconv::MaterialInfo& m : materials) {
    if (c.texturesDir.empty() || m.diffuse.embedded.empty()) continue;
    std::error_code ec;
    fs::create_directories(c.texturesDir, ec);
    if (!WriteFile(fs::path(c.texturesDir) / fs::path(m.diffuse.name).filename(),
                   m.diffuse.embedded.data(), m.diffuse.embedded.size(), error))
      return false;
  }
  return true;
}

bool Convert(const Command& c, std::string* error) {
  using meshconv::Source;
  Source source;
  if (!source.Load(c.input, c.character ? Source::Purpose::kCharacter : Source::Purpose::kStatic,
                   error))
    return false;
  if (!c.character) {
    meshconv::StaticResult result;
    std::vector<uint8_t> bytes;
    if (!meshconv::BuildStaticMesh(source.Scene(), c.options, c.name, &result, error) ||
        !meshfile::Write(result.mesh, &bytes, error) || !WriteExtras(c, result.materials, error) ||
        !WriteFile(c.output, bytes.data(), bytes.size(), error))
      return false;
    std::printf("%s\n", result.report.Summary(c.output).c_str());
    return true;
  }
  meshconv::Character character;
  if (!meshconv::BuildCharacter(source.Scene(), c.options, c.name, &character, error)) return false;
  std::error_code ec;
  fs::create_directories(c.output, ec);
  if (ec) {
    *error = "cannot make " + c.output + ": " + ec.message();
    return false;
  }
  for (const auto& [file, text] : meshconv::WriteCharacter(character))
    if (!WriteText(fs::path(c.output) / file, text, error)) return false;
  if (!WriteExtras(c, character.materials, error)) return false;
  const std::string definition =
      (fs::path(c.output) / (meshconv::SafeFileName(c.name) + ".xml")).string();
  std::printf("%s\n", character.report.Summary(definition).c_str());
  return true;
}

// In the child: converts, and sends the line that says why not (if so) through `report`.
// The importer's own complaints (an assertion's text) go nowhere: the line is ours.
[[noreturn]] void Child(const Command& command, int report) {
  const int quiet = open("/dev/null", O_WRONLY);
  if (quiet >= 0) dup2(quiet, STDERR_FILENO);
  if (command.timeLimit > 0) alarm(command.timeLimit);
  std::string error;
  const bool ok = Convert(command, &error);
  if (!ok) {
    const std::string line = "meshconv: " + command.input + ": " + error + "\n";
    if (write(report, line.data(), line.size()) < 0) std::exit(1);
  }
  std::exit(ok ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv) {
  Command command;
  if (!Parse(argc, argv, &command)) return 2;
  std::fflush(nullptr);
  int report[2];
  const pid_t child = pipe(report) == 0 ? fork() : -1;
  if (child == 0) {
    close(report[0]);
    Child(command, report[1]);
  }
  if (child < 0) {
    std::fprintf(stderr, "meshconv: %s: cannot start the conversion: %s\n", command.input.c_str(),
                 std::strerror(errno));
    return 1;
  }
  close(report[1]);
  std::string line;
  char buffer[512];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) != 0;)
    if (n > 0)
      line.append(buffer, size_t(n));
    else if (errno != EINTR)
      break;
  close(report[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return 0;
  std::error_code ec;
  if (!command.character) fs::remove(command.output + ".tmp", ec);
  if (!line.empty() && WIFEXITED(status)) {
    std::fputs(line.c_str(), stderr);
  } else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
    std::fprintf(stderr, "meshconv: %s: not converted within %u seconds (see --time-limit)\n",
                 command.input.c_str(), command.timeLimit);
  } else if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "meshconv: %s: the importer failed on this file (signal %d)\n",
                 command.input.c_str(), WTERMSIG(status));
  } else {
    std::fprintf(stderr, "meshconv: %s: the conversion failed (status %d)\n", command.input.c_str(),
                 WEXITSTATUS(status));
  }
  return 1;
}
