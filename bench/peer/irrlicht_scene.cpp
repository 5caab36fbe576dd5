// irrlicht_scene.cpp - the peer benchmark's scene drawn by Irrlicht 1.8 (the
// baseline the engine is measured against): reads the layout make_scene.py
// wrote, loads the same sphere OBJ and texture, and records the wall-clock
// time between consecutive frames. Built by run.sh against Debian's
// libirrlicht-dev; nothing of the engine's build uses it.
//
//   irrlicht_scene LAYOUT SPHERE.obj TEXTURE OUT WARMUP FRAMES [SHOT.png]
//
// Static hardware buffers, fixed-function (per-vertex) lighting with the
// scene's ambient at 0.25 like default.fx, trilinear filtering like its
// sampler, vsync off. SHOT, when given, is a screenshot of warm-up frame 30.
// Links libIrrlicht and libGL (for that screenshot).
#include <GL/gl.h>
#include <irrlicht.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace irr;

namespace {

constexpr u32 kWidth = 1024, kHeight = 768;
constexpr size_t kShotFrame = 30;

int Fail(const std::string& text) {
  std::fprintf(stderr, "irrlicht_scene: FAILED: %s\n", text.c_str());
  return 1;
}

struct Layout {
  core::vector3df eye, target;
  f32 fieldOfView = 0;
  std::vector<core::vector3df> spheres;
  std::vector<std::pair<core::vector3df, f32>> lights;  // position, radius
  bool hasCamera = false;
};

bool ReadLayout(const char* path, Layout* layout, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = std::string("cannot read the layout ") + path;
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream words(line);
    std::string kind;
    if (!(words >> kind) || kind[0] == '#') continue;
    f32 v[7] = {};
    const int wanted = kind == "camera" ? 7 : kind == "light" ? 4 : kind == "sphere" ? 3 : 0;
    int got = 0;
    while (got < wanted && words >> v[got]) ++got;
    if (wanted == 0 || got != wanted) {
      *error = std::string(path) + ":" + std::to_string(number) + ": bad line '" + line + "'";
      return false;
    }
    if (kind == "camera") {
      layout->eye.set(v[0], v[1], v[2]);
      layout->target.set(v[3], v[4], v[5]);
      layout->fieldOfView = v[6];
      layout->hasCamera = true;
    } else if (kind == "sphere") {
      layout->spheres.emplace_back(v[0], v[1], v[2]);
    } else {
      layout->lights.emplace_back(core::vector3df(v[0], v[1], v[2]), v[3]);
    }
  }
  if (!layout->hasCamera) *error = std::string(path) + ": no camera line";
  return layout->hasCamera;
}

// The back buffer of the frame being drawn: Irrlicht's own screenshot reads
// the front buffer, which Mesa under Xvfb leaves black.
bool SaveBackBuffer(video::IVideoDriver* driver, const char* path) {
  std::vector<u32> pixels(kWidth * kHeight), flipped(kWidth * kHeight);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
  for (u32 y = 0; y < kHeight; ++y)  // OpenGL's rows run bottom up
    std::copy_n(&pixels[(kHeight - 1 - y) * kWidth], kWidth, &flipped[y * kWidth]);
  video::IImage* image = driver->createImageFromData(
      video::ECF_A8R8G8B8, core::dimension2d<u32>(kWidth, kHeight), flipped.data());
  const bool saved = image && driver->writeImageToFile(image, path);
  if (image) image->drop();
  return saved;
}

bool WholeNumber(const char* text, size_t* out) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0') return false;
  *out = value;
  return true;
}

// The scene of the layout: one shared mesh in static buffers, a node per sphere.
bool BuildScene(IrrlichtDevice* device, const Layout& layout, const char* meshPath,
                const char* texturePath, std::string* error) {
  scene::ISceneManager* smgr = device->getSceneManager();
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::IAnimatedMesh* mesh = smgr->getMesh(meshPath);
  if (!mesh || !mesh->getMesh(0)) {
    *error = std::string("cannot load the mesh ") + meshPath;
    return false;
  }
  mesh->getMesh(0)->setHardwareMappingHint(scene::EHM_STATIC);
  video::ITexture* texture = driver->getTexture(texturePath);
  if (!texture) {
    *error = std::string("cannot load the texture ") + texturePath;
    return false;
  }
  for (const core::vector3df& position : layout.spheres) {
    scene::IMeshSceneNode* node = smgr->addMeshSceneNode(mesh->getMesh(0), nullptr, -1, position);
    if (!node) {
      *error = "cannot add a sphere node";
      return false;
    }
    node->setMaterialTexture(0, texture);
    node->setMaterialFlag(video::EMF_LIGHTING, true);
    node->setMaterialFlag(video::EMF_TRILINEAR_FILTER, true);
  }
  for (const auto& [position, radius] : layout.lights)
    smgr->addLightSceneNode(nullptr, position, video::SColorf(1.0f, 1.0f, 1.0f), radius);
  smgr->setAmbientLight(video::SColorf(0.25f, 0.25f, 0.25f));
  scene::ICameraSceneNode* camera = smgr->addCameraSceneNode(nullptr, layout.eye, layout.target);
  camera->setFOV(layout.fieldOfView);
  camera->setAspectRatio(f32(kWidth) / f32(kHeight));
  camera->setNearValue(1.0f);
  camera->setFarValue(500.0f);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t warmup = 0, frames = 0;
  if ((argc != 7 && argc != 8) || !WholeNumber(argv[5], &warmup) ||
      !WholeNumber(argv[6], &frames) || frames == 0) {
    std::fprintf(stderr,
                 "usage: irrlicht_scene LAYOUT SPHERE.obj TEXTURE OUT WARMUP FRAMES [SHOT.png]\n");
    return 2;
  }
  Layout layout;
  std::string error;
  if (!ReadLayout(argv[1], &layout, &error)) return Fail(error);

  IrrlichtDevice* device = createDevice(video::EDT_OPENGL, core::dimension2d<u32>(kWidth, kHeight),
                                        24, /*fullscreen=*/false, /*stencil=*/false,
                                        /*vsync=*/false);
  if (!device) return Fail("cannot open an OpenGL window (is DISPLAY set?)");
  device->getLogger()->setLogLevel(ELL_WARNING);
  video::IVideoDriver* driver = device->getVideoDriver();
  if (!BuildScene(device, layout, argv[2], argv[3], &error)) {
    device->drop();
    return Fail(error);
  }
  std::printf("irrlicht_scene: Irrlicht %s, %ls (%s), %zu spheres, %zu lights\n",
              device->getVersion(), driver->getName(), driver->getVendorInfo().c_str(),
              layout.spheres.size(), layout.lights.size());

  using Clock = std::chrono::steady_clock;
  std::vector<double> times;
  times.reserve(warmup + frames);
  Clock::time_point last = Clock::now();
  while (times.size() < warmup + frames) {
    if (!device->run()) {
      device->drop();
      return Fail("the window closed after " + std::to_string(times.size()) + " frames");
    }
    driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    device->getSceneManager()->drawAll();
    if (argc == 8 && times.size() + 1 == kShotFrame && !SaveBackBuffer(driver, argv[7]))
      std::fprintf(stderr, "irrlicht_scene: could not write the screenshot %s\n", argv[7]);
    driver->endScene();
    const Clock::time_point now = Clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  }
  device->drop();

  std::ofstream out(argv[4]);
  for (size_t i = warmup; i < times.size(); ++i) out << times[i] << '\n';
  out.close();
  if (!out) return Fail(std::string("cannot write ") + argv[4]);
  return 0;
}
