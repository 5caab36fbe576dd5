// DynamicMeshDraw.cpp - the world renderer's skinned drawing of dynamic meshes.
#include "core/Log.h"
#include "render/VideoManager.h"
#include "render/WorldRenderer.h"
#include "render/cal3d/DynamicMeshObject.h"

#include <cal3d/cal3d.h>

void DrawDynamicMesh(WorldRenderer&, WorldObject* object, uint32_t pass, const FrameView& view,
                     RenderLightSet* lights) {
  auto* mesh = static_cast<DynamicMeshObject*>(object);
  DynamicMeshDef* def = mesh->GetDefinition();
  CalHardwareModel* hardware = def ? def->GetHardwareModel() : nullptr;
  if (!hardware || !mesh->GetModel() || !def->GetVertexBuffer()) {
    LogDetail("DynamicMesh instance with no def!");
    return;
  }
  auto* video = static_cast<GLVideoManager*>(GetVideoManager());
  const Matrix4x4& world = mesh->GetWorldTransform();
  const Matrix4x4 worldView = Matrix4x4::Product(view.view, world);
  const Matrix4x4 worldViewProjection = Matrix4x4::Product(view.viewProjection, world);
  const Vector3D eye = world.GetFastInverse().TransformVector(view.cameraPosition);
  float bones[kMaxBonesPerDraw * 12];
  Matrix4x4 palette[kMaxBonesPerDraw];
  for (int h = 0; h < hardware->getHardwareMeshCount(); ++h) {
    hardware->selectHardwareMesh(h);
    const intptr_t slot = reinterpret_cast<intptr_t>(hardware->getMapUserData(0)) - 1;
    Material* material = slot >= 0 ? mesh->GetMaterial(uint32_t(slot)) : nullptr;
    WorldRenderEffect* fx = material ? material->GetRenderEffect() : nullptr;
    if (!fx) continue;
    const uint32_t boneCount = mesh->GetBoneMatrices(h, bones);
    for (uint32_t b = 0; b < boneCount; ++b) {
      Matrix4x4& m = palette[b];
      m = Matrix4x4();
      for (int i = 0; i < 12; ++i) m.m[i] = bones[b * 12 + i];
    }
    fx->SetSemanticMatrix(SEM_WORLDMATRIX, world);
    fx->SetSemanticMatrix(SEM_VIEWMATRIX, view.view);
    fx->SetSemanticMatrix(SEM_PROJMATRIX, view.projection);
    fx->SetSemanticMatrix(SEM_WORLDVIEWPROJMATRIX, worldViewProjection);
    fx->SetSemanticMatrix(SEM_WORLDVIEWMATRIX, worldView);
    fx->SetSemanticVector(SEM_VIEWPOS, eye.x, eye.y, eye.z);
    fx->SetSemanticMatrixArray(SEM_BONES, palette, boneCount);
    if (lights) static_cast<ObjectLightSet*>(lights)->ResetLights();
    uint32_t passes = fx->SetupPass(pass, kMaxBoneInfluences, lights);
    if (!passes) continue;
    def->GetVertexFormat()->Activate();
    def->GetVertexBuffer()->Activate(0);
    def->GetIndexBuffer()->Activate();
    material->ApplyTextures();
    while (passes) {
      for (uint32_t i = 0; i < passes; ++i) {
        if (!fx->BeginPass(i)) continue;
        video->DrawIndexedPrimitive(
            PRIM_TRIANGLES, hardware->getBaseVertexIndex(), uint32_t(hardware->getVertexCount()),
            uint32_t(hardware->getStartIndex()), uint32_t(hardware->getFaceCount()));
        fx->EndPass();
      }
      passes = fx->NextLight();
    }
    fx->ResetPass();
  }
}
