// Renderer.cpp - the world renderer's installation; see Renderer.h.
#include "render/Renderer.h"

#include "render/world/cal3d/DynamicMeshDraw.h"
#include "render/world/cal3d/DynamicMeshObject.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/StaticMeshObject.h"
#include "render/world/WorldRenderer.h"
#include "tier1/World.h"

namespace {

class RendererFactory final : public WorldRendererFactory {
 public:
  WorldRenderer* Create(World* world) override {
    auto* renderer = new WorldRenderer();
    if (!renderer->Init(world)) {
      delete renderer;
      return nullptr;
    }
    renderer->SetDrawableKind(ObjectType_DynamicMesh, &m_dynamicMeshes);
    return renderer;
  }

  void Destroy(WorldRenderer* renderer) override {
    if (!renderer) return;
    renderer->Shutdown();
    delete renderer;
  }

 private:
  DynamicMeshDrawing m_dynamicMeshes;
};

}  // namespace

void InstallWorldRenderer() {
  static RendererFactory factory;
  World::SetRendererFactory(&factory);
  InstallStaticMeshType();
  InstallDynamicMeshType();
  InstallParticleSystemType();
}
