// PackageImporter.cpp - Python imports from the engine's packages, folders and
// .pak archives alike.
//
// A finder on sys.meta_path, ahead of the interpreter's path finder, looks a
// module up through the package file system in its search order, trying in
// each package what sys.path names for it: scripts/, scripts/Lib/ and the
// package's own top. A module is compiled under the name of its package and
// path ("<game>/mygame.pak/scripts/Game.py"), so a traceback says where it
// came from; a package's submodules are looked up below its folder.
#include "script/PythonSupport.h"

#include "base/Log.h"
#include "tier0/FileSystem.h"

#include <algorithm>
#include <tuple>

namespace {

// What scripts see of the finder and its loaders; _find and _read are the
// two native helpers below.
const char kImporterScript[] =
    "import sys\n"
    "_bootstrap = sys.modules['_frozen_importlib']\n"
    "MARK = '<packages>/'\n"
    "class PackageLoader:\n"
    "    def __init__(self, path):\n"
    "        self.path = path\n"
    "    def create_module(self, spec):\n"
    "        return None\n"
    "    def exec_module(self, module):\n"
    "        source = _read(self.path)\n"
    "        if source is None:\n"
    "            raise ImportError('cannot read ' + module.__spec__.origin, name=module.__name__)\n"
    "        code = compile(source, module.__spec__.origin, 'exec', dont_inherit=True)\n"
    "        exec(code, module.__dict__)\n"
    "    def get_source(self, name):\n"
    "        source = _read(self.path)\n"
    "        if source is None:\n"
    "            return None\n"
    "        text = source[3:] if source[:3] == b'\\xef\\xbb\\xbf' else source\n"
    "        text = text.decode('utf-8', 'replace')\n"
    "        return text.replace('\\r\\n', '\\n').replace('\\r', '\\n')\n"
    "class PackageFinder:\n"
    "    @staticmethod\n"
    "    def find_spec(name, path=None, target=None):\n"
    "        if path is not None:\n"
    "            path = [p[len(MARK):] for p in path if isinstance(p, str) and "
    "p.startswith(MARK)]\n"
    "        found = _find(name.rpartition('.')[2], path)\n"
    "        if found is None:\n"
    "            return None\n"
    "        origin, virtual, package = found\n"
    "        spec = _bootstrap.ModuleSpec(name, PackageLoader(virtual), origin=origin,\n"
    "                                     is_package=package)\n"
    "        spec.has_location = True\n"
    "        if package:\n"
    "            spec.submodule_search_locations = [MARK + virtual.rpartition('/')[0]]\n"
    "        return spec\n"
    "    @staticmethod\n"
    "    def invalidate_caches():\n"
    "        pass\n"
    "_at = [i for i, f in enumerate(sys.meta_path) if getattr(f, '__name__', '') == 'PathFinder']\n"
    "sys.meta_path.insert(_at[0] if _at else len(sys.meta_path), PackageFinder)\n";

// The folders of a package that sys.path names, in its order.
const char* const kScriptRoots[] = {"scripts/", "scripts/Lib/", ""};

bool IsFile(const std::string& path) {
  return FileSystem::Exists(path) && !FileSystem::IsDirectory(path);
}

// A found module: the name to compile it under, its virtual path, package or not.
PyObject* Found(const std::string& path, bool package) {
  std::string realDir = FileSystem::GetRealDir(path);
  if (!realDir.empty() && realDir.back() != '/') realDir += '/';
  return Py_BuildValue("(ssO)", (realDir + path).c_str(), path.c_str(),
                       package ? Py_True : Py_False);
}

// A top-level module: the first package in search order that holds it in one
// of its script roots; within a package the roots in sys.path's order, and a
// package folder before a module file.
PyObject* FindTopLevel(const std::string& name) {
  const std::vector<std::string> entries = FileSystem::GetSearchPaths();
  std::tuple<size_t, int, int> best{entries.size(), 0, 0};
  std::string bestPath;
  for (int root = 0; root < 3; ++root) {
    const std::string base = std::string(kScriptRoots[root]) + name;
    const std::string candidates[2] = {base + "/__init__.py", base + ".py"};
    for (int c = 0; c < 2; ++c) {
      if (!IsFile(candidates[c])) continue;
      const std::string realDir = FileSystem::GetRealDir(candidates[c]);
      const size_t entry =
          size_t(std::find(entries.begin(), entries.end(), realDir) - entries.begin());
      const std::tuple<size_t, int, int> key{entry, root, c};
      if (bestPath.empty() || key < best) {
        best = key;
        bestPath = candidates[c];
      }
    }
  }
  if (bestPath.empty()) Py_RETURN_NONE;
  return Found(bestPath, std::get<2>(best) == 0);
}

// _find(name, folders): (origin, virtual path, is package) or None. Without
// folders (None) a top-level module; else a submodule in those package folders.
PyObject* Find(PyObject*, PyObject* args) {
  const char* name = nullptr;
  PyObject* folders = nullptr;
  if (!PyArg_ParseTuple(args, "sO:_find", &name, &folders)) return nullptr;
  if (!FileSystem::IsInitialized()) Py_RETURN_NONE;
  if (folders == Py_None) return FindTopLevel(name);
  if (!PyList_Check(folders)) Py_RETURN_NONE;
  for (Py_ssize_t i = 0; i < PyList_Size(folders); ++i) {
    const char* folder = PyUnicode_AsUTF8(PyList_GetItem(folders, i));
    if (!folder) return nullptr;
    const std::string base = std::string(folder) + "/" + name;
    if (IsFile(base + "/__init__.py")) return Found(base + "/__init__.py", true);
    if (IsFile(base + ".py")) return Found(base + ".py", false);
  }
  Py_RETURN_NONE;
}

// _read(path): the file's bytes, or None when it cannot be read whole.
PyObject* Read(PyObject*, PyObject* args) {
  const char* path = nullptr;
  if (!PyArg_ParseTuple(args, "s:_read", &path)) return nullptr;
  FileSystem::File file;
  if (!FileSystem::IsInitialized() || !file.OpenRead(path)) Py_RETURN_NONE;
  const uint32_t length = file.GetLength();
  PyObject* bytes = PyBytes_FromStringAndSize(nullptr, Py_ssize_t(length));
  if (!bytes) return nullptr;
  if (file.Read(PyBytes_AS_STRING(bytes), length) != length) {
    Py_DECREF(bytes);
    Py_RETURN_NONE;
  }
  return bytes;
}

PyMethodDef kHelpers[] = {
    {"_find", Find, METH_VARARGS, nullptr},
    {"_read", Read, METH_VARARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

bool InstallPackageImporter() {
  PyObject* globals = PyDict_New();
  bool ok = globals && PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()) == 0;
  PyObject* name = PyUnicode_FromString("kaz_packages");
  ok = ok && name && PyDict_SetItemString(globals, "__name__", name) == 0;
  Py_XDECREF(name);
  for (PyMethodDef* helper = kHelpers; ok && helper->ml_name; ++helper) {
    PyObject* function = PyCFunction_New(helper, nullptr);
    ok = function && PyDict_SetItemString(globals, helper->ml_name, function) == 0;
    Py_XDECREF(function);
  }
  PyObject* result = ok ? PyRun_String(kImporterScript, Py_file_input, globals, globals) : nullptr;
  Py_XDECREF(result);
  Py_XDECREF(globals);
  if (!result) {
    PrintPythonError();
    LogError("Scripts in .pak archives cannot be imported: the package importer did not start.");
    return false;
  }
  return true;
}
