// main.cpp - obj2mesh: converts Wavefront OBJ files to static mesh files.
//
//   obj2mesh input.obj output.mesh
#include "ObjMesh.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: obj2mesh input.obj output.mesh\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "obj2mesh: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  obj2mesh::Mesh mesh;
  std::string error;
  std::vector<uint8_t> bytes;
  if (!obj2mesh::ReadObj(text.str(), argv[1], &mesh, &error) ||
      !obj2mesh::WriteMesh(mesh, &bytes, &error)) {
    std::fprintf(stderr, "obj2mesh: %s\n", error.c_str());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "obj2mesh: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
