#!/usr/bin/env python3
# check_layers.py - keeps the engine's layers acyclic and its platform code in its corners.
#
#   tools/check_layers.py [SOURCE_DIR]      (default: the folder above tools/)
#   tools/check_layers.py --self-test       (the check finds the faults of a small made-up tree)
#
# Run by CTest as layers.includes. It reads every #include of engine/ and
# shell/ and of engine/CMakeLists.txt and reports, one line each:
#
#  1. An include of a higher layer. The layers, lowest first (an area may
#     include itself and anything below it; a lower layer reaches a higher one
#     only through a hook the higher one installs):
#
#         base < tier0 < console < tier1 < render < sound < menu < script < core
#
#     base is the ground floor (engine/base): the log, the string helpers,
#     the export macros, the engine's interface and its event codes and
#     listeners.
#     core is the top floor: the engine object, its built-in commands, start-up
#     and the frame loop. The launcher (shell/) talks to the engine only
#     through its exported face, base/KazEngine.h, and may use the ground.
#  2. An area library in engine/CMakeLists.txt that lists a library of its own
#     layer or above (kaz_area(NAME ... LIBS ...)), or an area folder that is
#     not in the order.
#  3. A platform header included outside its backend corner (PLATFORMS below),
#     directly or through one of our headers: neutral code includes no header
#     that brings in a platform. A corner offers the rest of its area a header
#     free of platform includes (tier1/physics/Physics.h is one).
#
# A new area goes into LAYERS (and engine/CMakeLists.txt) before its first
# include of another area; a new backend corner goes into PLATFORMS.
import os
import re
import sys

LAYERS = ["base", "tier0", "console", "tier1", "render", "sound", "menu", "script", "core"]

# Engine headers the launcher may include besides the ground.
SHELL_ENGINE_HEADERS = {"base/KazEngine.h"}

# Platform -> (pattern of its headers, corners: path prefixes below the
# repository root where they may be included).
#   SDL: the launcher owns the window; the GL backend makes its context on it.
#   FFmpeg: video textures decode in their own corner of render, render/video/.
#   Cal3D: dynamic meshes own GPU buffers, so they live in render/world/cal3d/.
PLATFORMS = {
    "OpenGL": (r"^(GL|EGL|GLES\d*|KHR)/", ["engine/render/gl/"]),
    "SDL": (r"^(SDL2/)?SDL[_.]", ["shell/", "engine/render/gl/"]),
    "OpenAL": (r"^AL/", ["engine/sound/al/"]),
    "Vorbis": (r"^(vorbis|ogg)/", ["engine/sound/al/"]),
    "Python": (r"^(python3[\d.]*/)?Python\.h$", ["engine/script/"]),
    "Bullet": (r"^(btBullet|Bullet|BulletCollision/|BulletDynamics/|LinearMath/|bullet/)",
               ["engine/tier1/physics/"]),
    "PhysFS": (r"^physfs\.h$", ["engine/tier0/FileSystem"]),
    "Cal3D": (r"^cal3d/", ["engine/render/world/cal3d/"]),
    "FFmpeg": (r"^lib(av[a-z]*|sw[a-z]*)/", ["engine/render/video/"]),
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
AREA_LIBS = re.compile(r"kaz_area\(\s*(\w+)([^)]*)\)", re.S)
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc", ".c", ".inl")


def layer_of(path):
    """Layer of an engine path below engine/ ("render/gl/GLDevice.h"), or None."""
    return path.split("/", 1)[0] if "/" in path else None


def platform_of(header):
    for name, (pattern, _) in PLATFORMS.items():
        if re.match(pattern, header):
            return name
    return None


def in_corner(rel, platform):
    return any(rel.startswith(corner) for corner in PLATFORMS[platform][1])


class Tree:
    def __init__(self, root):
        self.root = root
        self.includes = {}  # repository path -> [(line, '<' or '"', name)]
        for top in ("engine", "shell"):
            for folder, _, files in os.walk(os.path.join(root, top)):
                for name in sorted(files):
                    if name.endswith(SOURCE_EXT):
                        full = os.path.join(folder, name)
                        rel = os.path.relpath(full, root).replace(os.sep, "/")
                        self.includes[rel] = self._read(full)
        self._platforms = {}

    @staticmethod
    def _read(path):
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        found = []
        for m in INCLUDE.finditer(text):
            found.append((text.count("\n", 0, m.start()) + 1, m.group(1), m.group(2)))
        return found

    def resolve(self, rel, name):
        """Repository path of a quoted include, or None when it is not ours."""
        here = os.path.dirname(rel)
        for candidate in (f"{here}/{name}", f"engine/{name}"):
            candidate = os.path.normpath(candidate).replace(os.sep, "/")
            if candidate in self.includes:
                return candidate
        return None

    def platforms(self, rel, seen=None):
        """Platforms a file brings in, directly or through our headers: {name: chain}."""
        if rel in self._platforms:
            return self._platforms[rel]
        seen = seen or set()
        seen.add(rel)
        found = {}
        for _, kind, name in self.includes.get(rel, []):
            platform = platform_of(name)
            if platform:
                found.setdefault(platform, [name])
                continue
            target = self.resolve(rel, name) if kind == '"' else None
            if target and target not in seen:
                for p, chain in self.platforms(target, seen).items():
                    found.setdefault(p, [target] + chain)
        self._platforms[rel] = found
        return found


def check_includes(tree, problems):
    rank = {name: i for i, name in enumerate(LAYERS)}
    for rel, includes in sorted(tree.includes.items()):
        in_shell = rel.startswith("shell/")
        mine = None if in_shell else layer_of(rel[len("engine/"):])
        if not in_shell and mine not in rank:
            problems.append(f"{rel}: area '{mine}' is not in the layer order")
            continue
        for line, kind, name in includes:
            where = f"{rel}:{line}"
            platform = platform_of(name)
            if platform and not in_corner(rel, platform):
                corners = " or ".join(PLATFORMS[platform][1])
                problems.append(f"{where}: {platform} header <{name}> outside {corners}")
                continue
            target = tree.resolve(rel, name) if kind == '"' else None
            if not target or not target.startswith("engine/"):
                continue
            theirs = layer_of(target[len("engine/"):])
            if in_shell:
                if theirs != "base" and name not in SHELL_ENGINE_HEADERS:
                    problems.append(f"{where}: the launcher includes engine internals ({name})")
            elif theirs not in rank:
                problems.append(f"{where}: includes {name} of area '{theirs}', not in the order")
            elif rank[theirs] > rank[mine]:
                problems.append(f"{where}: {mine} includes {name} of the higher layer {theirs}")
            for p, chain in tree.platforms(target).items():
                if not in_corner(rel, p):
                    problems.append(f"{where}: neutral code includes {name}, which brings in "
                                    f"{p} ({' -> '.join(chain)}); only "
                                    f"{' or '.join(PLATFORMS[p][1])} may")


def check_libraries(root, problems):
    rank = {name: i for i, name in enumerate(LAYERS)}
    path = os.path.join(root, "engine", "CMakeLists.txt")
    with open(path, encoding="utf-8") as f:
        text = re.sub(r"#.*", "", f.read())
    declared = set()
    for m in AREA_LIBS.finditer(text):
        area, args = m.group(1), m.group(2).split()
        declared.add(area)
        if area not in rank:
            problems.append(f"engine/CMakeLists.txt: kaz_{area} is not in the layer order")
            continue
        libs = args[args.index("LIBS") + 1:] if "LIBS" in args else []
        for lib in libs:
            below = lib[len("kaz_"):] if lib.startswith("kaz_") else None
            if below is not None and (below not in rank or rank[below] >= rank[area]):
                problems.append(f"engine/CMakeLists.txt: kaz_{area} links {lib}, "
                                f"which is not below it")
    for area in LAYERS:
        if area not in declared:
            problems.append(f"engine/CMakeLists.txt: no kaz_area({area} ...)")
    for entry in sorted(os.listdir(os.path.join(root, "engine"))):
        if os.path.isdir(os.path.join(root, "engine", entry)) and entry not in rank:
            problems.append(f"engine/{entry}/: area not in the layer order")


def find_problems(root):
    problems = []
    tree = Tree(root)
    check_includes(tree, problems)
    check_libraries(root, problems)
    return tree, problems


# A made-up tree with one fault of each kind, and the files that follow the rules.
SELF_TEST_TREE = {
    "engine/CMakeLists.txt": "\n".join(
        f"kaz_area({a} LIBS {'kaz_core' if a == 'tier0' else ''})" for a in LAYERS),
    "engine/base/Log.h": "",
    "engine/base/KazEngine.h": "",
    "engine/core/Engine.h": '#include "base/Log.h"\n#include "tier1/World.h"\n',
    "engine/tier0/Files.cpp": '#include "base/Log.h"\n#include "core/Engine.h"\n',
    "engine/render/gl/Device.h": "#include <GL/glcorearb.h>\n",
    "engine/render/gl/Device.cpp": '#include "render/gl/Device.h"\n#include <SDL2/SDL.h>\n',
    "engine/render/gl/Backend.h": "",
    "engine/render/Video.cpp": '#include "render/gl/Backend.h"\n#include "render/gl/Device.h"\n',
    "engine/tier1/physics/Physics.h": "",
    "engine/tier1/physics/Internal.h": "#include <btBulletDynamicsCommon.h>\n",
    "engine/tier1/World.h": '#include "tier1/physics/Physics.h"\n',
    "engine/tier1/World.cpp": "#include <btBulletDynamicsCommon.h>\n",
    "engine/console/Console.cpp": "#include <SDL.h>\n",
    "engine/extra/Thing.cpp": "",
    "shell/Shell.cpp": ('#include "base/KazEngine.h"\n#include "base/Log.h"\n'
                        '#include "core/Engine.h"\n#include <SDL.h>\n'),
}
SELF_TEST_EXPECTED = [
    "engine/CMakeLists.txt: kaz_tier0 links kaz_core, which is not below it",
    "engine/console/Console.cpp:1: SDL header <SDL.h> outside",
    "engine/extra/: area not in the layer order",
    "engine/extra/Thing.cpp: area 'extra' is not in the layer order",
    "engine/render/Video.cpp:2: neutral code includes render/gl/Device.h, which brings in OpenGL",
    "engine/tier0/Files.cpp:2: tier0 includes core/Engine.h of the higher layer core",
    "engine/tier1/World.cpp:1: Bullet header <btBulletDynamicsCommon.h> outside",
    "shell/Shell.cpp:3: the launcher includes engine internals (core/Engine.h)",
]


def self_test():
    import tempfile
    with tempfile.TemporaryDirectory() as root:
        for rel, text in SELF_TEST_TREE.items():
            os.makedirs(os.path.join(root, os.path.dirname(rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w", encoding="utf-8") as f:
                f.write(text)
        _, problems = find_problems(root)
    missed = [e for e in SELF_TEST_EXPECTED if not any(p.startswith(e) for p in problems)]
    extra = [p for p in problems if not any(p.startswith(e) for e in SELF_TEST_EXPECTED)]
    for line in missed:
        print(f"missed: {line}")
    for line in extra:
        print(f"reported wrongly: {line}")
    if missed or extra:
        return 1
    print(f"self-test: all {len(SELF_TEST_EXPECTED)} made-up faults found, nothing else")
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    tree, problems = find_problems(os.path.abspath(root))
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} layering problem(s); order: {' < '.join(LAYERS)}")
        return 1
    print(f"{len(tree.includes)} files follow the layers: {' < '.join(LAYERS)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
