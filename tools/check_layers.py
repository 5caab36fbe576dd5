#!/usr/bin/env python3
# check_layers.py - holds the engine's folders to their floor plan: no include
# runs up a floor, no circle of includes, platform code only in its corners.
#
#   tools/check_layers.py [SOURCE_DIR]      (default: the folder above tools/)
#   tools/check_layers.py --self-test       (the check finds the faults of a small made-up tree)
#   tools/check_layers.py --plan            (prints the floor plan and nothing else)
#
# Run by CTest as layers.includes and layers.checkerCatchesFaults. It reads
# every #include of engine/ and shell/ and of engine/CMakeLists.txt, prints the
# floor plan (FLOORS below) and reports, one line each:
#
#  1. An include that runs up: a file may include files of its own room and of
#     rooms on lower floors. A room is a folder (a subfolder is a room of its
#     own); every folder of engine/ stands in the plan. A lower floor reaches a
#     higher one only through an interface the higher one implements and
#     installs. The launcher (shell/) talks to the engine only through its
#     exported face, base/KazEngine.h, and may use the ground floor.
#  2. A circle of includes: between rooms (two rooms that include each other,
#     even on one floor), or of more than two files inside a room. A file
#     here is a header with its source (X.h and X.cpp are one).
#  3. An area library in engine/CMakeLists.txt that lists a library of its own
#     area or above (kaz_area(NAME ... LIBS ...)); the areas' order is that of
#     their rooms in the plan.
#  4. A platform header included outside its backend corner (PLATFORMS below),
#     directly or through one of our headers: neutral code includes no header
#     that brings in a platform. A corner offers the rest of its area a header
#     free of platform includes (tier1/physics/Physics.h is one).
#
# A new folder goes into FLOORS before its first file; a new backend corner
# goes into PLATFORMS.
import os
import re
import sys

# The floor plan, lowest first: (floor, [(room, what it holds), ...]). Rooms
# are folders below engine/ (shell/ for the launcher).
FLOORS = [
    ("ground", [("base", "log, string helpers, export macros, engine events, IKazEngine")]),
    ("foundation",
     [("tier0", "math, file system, file watching, resources, serializers, pools, XML")]),
    ("console", [("console", "console variables, commands, configuration, console text")]),
    ("physics", [("tier1/physics", "the Bullet layer behind Physics.h")]),
    ("world", [("tier1", "the world, its object types, animation paths, player controller")]),
    ("graphics device",
     [("render/device", "the abstract device, formats, images, font files, CPU copies"),
      ("render/video", "the FFmpeg reader behind video textures")]),
    ("effect language", [("render/effect", "effect files: preprocessor, parser, device effect")]),
    ("graphics backends", [("render/gl", "the OpenGL 3.3 device (namespace gldev)"),
                           ("render/fake", "the scriptable device of the tests")]),
    ("GPU objects",
     [("render/gpu", "the display, buffers, vertex formats, textures, effects, fonts")]),
    ("2D", [("render/overlay", "2D quads and text, the console's drawing")]),
    ("world drawing", [("render/world", "the world renderer, static meshes, particles, glow")]),
    ("skinned meshes", [("render/world/cal3d", "dynamic meshes over Cal3D")]),
    ("renderer", [("render", "the display over a device, the world renderer's installation")]),
    ("sound", [("sound", "the sound manager and instances as the engine sees them")]),
    ("sound backend", [("sound/al", "OpenAL and Ogg Vorbis streams")]),
    ("menus", [("menu", "menus, widgets, message boxes")]),
    ("scripting", [("script", "the Python bridge and its modules")]),
    ("engine",
     [("core", "the engine object: start-up, frame loop, commands, input, overlays, hot reload")]),
    ("launcher", [("shell", "boot console, SDL window and input, main loop")]),
]

# Engine headers the launcher may include besides the ground.
SHELL_ENGINE_HEADERS = {"base/KazEngine.h"}

# Platform -> (pattern of its headers, corners: path prefixes below the
# repository root where they may be included).
#   SDL: the launcher owns the window; the GL backend makes its context on it.
#   FFmpeg: video textures decode in their own corner of render, render/video/.
#   Cal3D: dynamic meshes own GPU buffers, so they live in render/world/cal3d/.
#   inotify: Linux's file watching, behind tier0/FileWatcher.h.
PLATFORMS = {
    "OpenGL": (r"^(GL|EGL|GLES\d*|KHR)/", ["engine/render/gl/"]),
    "SDL": (r"^(SDL2/)?SDL[_.]", ["shell/", "engine/render/gl/"]),
    "OpenAL": (r"^AL/", ["engine/sound/al/"]),
    "Vorbis": (r"^(vorbis|ogg)/", ["engine/sound/al/"]),
    "Python": (r"^(python3[\d.]*/)?Python\.h$", ["engine/script/"]),
    "Bullet": (r"^(btBullet|Bullet|BulletCollision/|BulletDynamics/|LinearMath/|bullet/)",
               ["engine/tier1/physics/"]),
    "PhysFS": (r"^physfs\.h$", ["engine/tier0/FileSystem"]),
    "inotify": (r"^sys/inotify\.h$", ["engine/tier0/FileWatcherInotify"]),
    "Cal3D": (r"^cal3d/", ["engine/render/world/cal3d/"]),
    "FFmpeg": (r"^lib(av[a-z]*|sw[a-z]*)/", ["engine/render/video/"]),
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
AREA_LIBS = re.compile(r"kaz_area\(\s*(\w+)([^)]*)\)", re.S)
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc", ".c", ".inl")


class Plan:
    def __init__(self, floors):
        self.floors = floors
        self.floor_of = {}  # room -> floor index
        for index, (_, rooms) in enumerate(floors):
            for room, _ in rooms:
                self.floor_of[room] = index
        # Areas (a room's first folder) in the order their rooms first appear.
        self.areas = []
        for _, rooms in floors:
            for room, _ in rooms:
                area = room.split("/")[0]
                if area != "shell" and area not in self.areas:
                    self.areas.append(area)

    def room_of(self, rel):
        """Room of a repository path ("engine/render/gl/GLDevice.h" -> "render/gl")."""
        if rel.startswith("shell/"):
            return "shell"
        return os.path.dirname(rel[len("engine/"):])

    def describe(self, room):
        index = self.floor_of[room]
        return f"{room}/ (floor {index + 1}, {self.floors[index][0]})"

    def lines(self):
        out = ["The floor plan, top floor first (a room may include its own floor and below):"]
        for index in range(len(self.floors) - 1, -1, -1):
            name, rooms = self.floors[index]
            for i, (room, holds) in enumerate(rooms):
                head = f"{index + 1:3}  {name:18}" if i == 0 else " " * 23
                out.append(f"{head} {room + '/':22} {holds}")
        return out


PLAN = Plan(FLOORS)


def platform_of(header):
    for name, (pattern, _) in PLATFORMS.items():
        if re.match(pattern, header):
            return name
    return None


def in_corner(rel, platform):
    return any(rel.startswith(corner) for corner in PLATFORMS[platform][1])


def unit_of(rel):
    """A header and its source are one file of the circle check."""
    return os.path.splitext(rel)[0]


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

    def edges(self):
        """(file, line, include as written, file included) for every include of ours."""
        for rel, includes in sorted(self.includes.items()):
            for line, kind, name in includes:
                target = self.resolve(rel, name) if kind == '"' else None
                if target:
                    yield rel, line, name, target

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


def strong_components(nodes, edges):
    """Tarjan's strongly connected components of a graph {node: set(node)}."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []

    def visit(start):
        work = [(start, iter(sorted(edges.get(start, ()))))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = len(index)
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                found.append(sorted(component))

    for node in sorted(nodes):
        if node not in index:
            visit(node)
    return found


def check_rooms(tree, problems):
    """Every file in a room of the plan; no include up a floor; the launcher's rule."""
    for rel in sorted(tree.includes):
        room = PLAN.room_of(rel)
        if room not in PLAN.floor_of:
            problems.append(f"{rel}: folder {room}/ is not in the floor plan")
    for rel, line, name, target in tree.edges():
        mine, theirs = PLAN.room_of(rel), PLAN.room_of(target)
        if mine not in PLAN.floor_of or theirs not in PLAN.floor_of:
            continue
        where = f"{rel}:{line}"
        if mine == "shell":
            if theirs not in ("base", "shell") and name not in SHELL_ENGINE_HEADERS:
                problems.append(f"{where}: the launcher includes engine internals ({name})")
        elif PLAN.floor_of[theirs] > PLAN.floor_of[mine]:
            problems.append(f"{where}: includes {name} up a floor: {PLAN.describe(mine)} "
                            f"reaches {PLAN.describe(theirs)}")


def long_circle(component, edges):
    """A circle of more than two files inside a strongly connected component, or None.

    Every include of such a component lies on a circle; when all its circles
    are of two files, every include is answered by one back and the pairs
    form a tree. So either an include has no answer (it and the way back make
    a longer circle) or the pairs close a ring of their own."""
    members = set(component)

    def path(start, goal):
        previous, queue = {start: None}, [start]
        for node in queue:
            for child in sorted(edges.get(node, ())):
                if child in members and child not in previous:
                    previous[child] = node
                    queue.append(child)
        walk, node = [], goal
        while node is not None:
            walk.append(node)
            node = previous[node]
        return walk[::-1]

    for a in component:
        for b in sorted(edges.get(a, ())):
            if b in members and a not in edges.get(b, ()):
                return [a] + path(b, a)[:-1]
    parent = {}
    for root in component:
        if root in parent:
            continue
        parent[root], stack = None, [root]
        while stack:
            node = stack.pop()
            for child in sorted(edges.get(node, ()) & members):
                if child == parent[node]:
                    continue
                if child in parent:  # a ring of pairs: node ... child
                    ring, up = [node], parent[node]
                    while up is not None and up != child:
                        ring.append(up)
                        up = parent[up]
                    return ring + [child]
                parent[child] = node
                stack.append(child)
    return None


def check_circles(tree, problems):
    """No two rooms include each other; no circle of more than two files."""
    room_edges, room_why, unit_edges, unit_why = {}, {}, {}, {}
    for rel, line, name, target in tree.edges():
        a, b = PLAN.room_of(rel), PLAN.room_of(target)
        if a != b:
            room_edges.setdefault(a, set()).add(b)
            room_why.setdefault((a, b), f"{rel}:{line} includes {name}")
        ua, ub = unit_of(rel), unit_of(target)
        if ua != ub:
            unit_edges.setdefault(ua, set()).add(ub)
            unit_why.setdefault((ua, ub), f"{rel}:{line} includes {name}")
    rooms = set(room_edges) | {b for targets in room_edges.values() for b in targets}
    for component in strong_components(rooms, room_edges):
        if len(component) > 1:
            ties = [room_why[(a, b)] for a in component for b in sorted(room_edges.get(a, ()))
                    if b in component]
            rooms_named = ", ".join(c + "/" for c in component)
            problems.append(f"include circle between rooms {rooms_named}: {'; '.join(ties)}")
    units = set(unit_edges) | {b for targets in unit_edges.values() for b in targets}
    for component in strong_components(units, unit_edges):
        circle = long_circle(component, unit_edges) if len(component) > 2 else None
        if circle:
            ties = [unit_why[(a, b)] for a, b in zip(circle, circle[1:] + circle[:1])]
            problems.append(f"include circle of {len(circle)} files "
                            f"{' -> '.join(circle + circle[:1])}: {'; '.join(ties)}")


def check_platforms(tree, problems):
    for rel, includes in sorted(tree.includes.items()):
        for line, kind, name in includes:
            where = f"{rel}:{line}"
            platform = platform_of(name)
            if platform and not in_corner(rel, platform):
                corners = " or ".join(PLATFORMS[platform][1])
                problems.append(f"{where}: {platform} header <{name}> outside {corners}")
                continue
            target = tree.resolve(rel, name) if kind == '"' else None
            if not target:
                continue
            for p, chain in tree.platforms(target).items():
                if not in_corner(rel, p):
                    problems.append(f"{where}: neutral code includes {name}, which brings in "
                                    f"{p} ({' -> '.join(chain)}); only "
                                    f"{' or '.join(PLATFORMS[p][1])} may")


def check_libraries(root, problems):
    rank = {name: i for i, name in enumerate(PLAN.areas)}
    path = os.path.join(root, "engine", "CMakeLists.txt")
    with open(path, encoding="utf-8") as f:
        text = re.sub(r"#.*", "", f.read())
    declared = set()
    for m in AREA_LIBS.finditer(text):
        area, args = m.group(1), m.group(2).split()
        declared.add(area)
        if area not in rank:
            problems.append(f"engine/CMakeLists.txt: kaz_{area} is not in the floor plan")
            continue
        libs = args[args.index("LIBS") + 1:] if "LIBS" in args else []
        for lib in libs:
            below = lib[len("kaz_"):] if lib.startswith("kaz_") else None
            if below is not None and (below not in rank or rank[below] >= rank[area]):
                problems.append(f"engine/CMakeLists.txt: kaz_{area} links {lib}, "
                                f"which is not below it")
    for area in PLAN.areas:
        if area not in declared:
            problems.append(f"engine/CMakeLists.txt: no kaz_area({area} ...)")


def find_problems(root):
    problems = []
    tree = Tree(root)
    check_rooms(tree, problems)
    check_circles(tree, problems)
    check_platforms(tree, problems)
    check_libraries(root, problems)
    return tree, problems


# A made-up tree with one fault of each kind, beside files that follow the
# rules: circles of two files inside a room are allowed, also two that share a
# file (Pool and Count each with Ref).
SELF_TEST_TREE = {
    "engine/CMakeLists.txt": "\n".join(
        f"kaz_area({a} LIBS {'kaz_core' if a == 'tier0' else ''})" for a in PLAN.areas),
    "engine/base/Log.h": "",
    "engine/base/KazEngine.h": "",
    "engine/core/Engine.h": '#include "base/Log.h"\n#include "tier1/World.h"\n',
    "engine/tier0/Files.cpp": '#include "base/Log.h"\n#include "core/Engine.h"\n',
    "engine/tier0/Pool.h": '#include "tier0/Ref.h"\n',
    "engine/tier0/Pool.cpp": '#include "tier0/Pool.h"\n',
    "engine/tier0/Ref.h": "",
    "engine/tier0/Ref.cpp": ('#include "tier0/Ref.h"\n#include "tier0/Pool.h"\n'
                             '#include "tier0/Count.h"\n'),
    "engine/tier0/Count.h": '#include "tier0/Ref.h"\n',
    "engine/console/A.h": '#include "console/B.h"\n',
    "engine/console/B.h": "",
    "engine/console/B.cpp": '#include "console/B.h"\n#include "console/C.h"\n',
    "engine/console/C.h": "",
    "engine/console/C.cpp": '#include "console/C.h"\n#include "console/A.h"\n',
    "engine/render/fake/Fake.h": "",
    "engine/render/fake/Fake.cpp": ('#include "render/fake/Fake.h"\n'
                                    '#include "render/gl/Backend.h"\n'),
    "engine/render/gl/Device.h": "#include <GL/glcorearb.h>\n",
    "engine/render/gl/Device.cpp": ('#include "render/gl/Device.h"\n#include <SDL2/SDL.h>\n'
                                    '#include "render/fake/Fake.h"\n'),
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
    "engine/extra/Thing.cpp: folder extra/ is not in the floor plan",
    "engine/render/Video.cpp:2: neutral code includes render/gl/Device.h, which brings in OpenGL",
    "engine/tier0/Files.cpp:2: includes core/Engine.h up a floor: tier0/ (floor 2",
    "engine/tier1/World.cpp:1: Bullet header <btBulletDynamicsCommon.h> outside",
    "include circle between rooms render/fake/, render/gl/:",
    ("include circle of 3 files "
     "engine/console/A -> engine/console/B -> engine/console/C -> engine/console/A:"),
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
    if sys.argv[1:] == ["--plan"]:
        print("\n".join(PLAN.lines()))
        return 0
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    tree, problems = find_problems(os.path.abspath(root))
    print("\n".join(PLAN.lines()))
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} problem(s) with the floor plan")
        return 1
    print(f"{len(tree.includes)} files keep to the floor plan: no include runs up a floor, "
          f"no circle between rooms, none of more than two files in a room")
    return 0


if __name__ == "__main__":
    sys.exit(main())
