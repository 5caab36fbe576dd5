// DynamicMeshDraw.cpp - the skinned drawing of dynamic meshes; see DynamicMeshDraw.h.
//
// Hardware sub-meshes that share a material are drawn inside one effect pass,
// each with its own bone palette committed before its draw: beginning and
// ending passes costs far more than changing the palette.
#include "render/world/cal3d/DynamicMeshDraw.h"

#include "base/Log.h"
#include "render/gpu/VideoManager.h"
#include "render/world/cal3d/DynamicMeshObject.h"
#include "render/world/RenderQueue.h"

#include <cal3d/cal3d.h>

#include <vector>

namespace {

struct Palette {
  Matrix4x4 bones[kMaxBonesPerDraw];
  uint32_t count = 0;
};

Material* MaterialOf(const DynamicMeshObject* mesh, CalHardwareModel* hardware, int h) {
  hardware->selectHardwareMesh(h);
  const intptr_t slot = reinterpret_cast<intptr_t>(hardware->getMapUserData(0)) - 1;
  Material* material = slot >= 0 ? mesh->GetMaterial(uint32_t(slot)) : nullptr;
  return material && material->GetRenderEffect() ? material : nullptr;
}

void BuildPalette(const DynamicMeshObject* mesh, int h, Palette& palette) {
  float bones[kMaxBonesPerDraw * 12];
  palette.count = mesh->GetBoneMatrices(h, bones);
  for (uint32_t b = 0; b < palette.count; ++b) {
    Matrix4x4& m = palette.bones[b];
    m = Matrix4x4();
    for (int i = 0; i < 12; ++i) m.m[i] = bones[b * 12 + i];
  }
}

// Draws hardware meshes [first, end) of one material through every pass and
// light; returns the draws issued.
uint32_t DrawRun(DynamicMeshObject* mesh, Material* material, int first, int end, uint32_t pass,
                 const FrameView& view, const ObjectTransforms& transforms, ObjectLightSet* lights,
                 const std::vector<Palette>& palettes) {
  DynamicMeshDef* def = mesh->GetDefinition();
  CalHardwareModel* hardware = def->GetHardwareModel();
  WorldRenderEffect* fx = material->GetRenderEffect();
  const Vector3D& eye = transforms.localEye;
  fx->SetSemanticMatrix(SEM_WORLDMATRIX, transforms.world);
  fx->SetSemanticMatrix(SEM_VIEWMATRIX, view.view);
  fx->SetSemanticMatrix(SEM_PROJMATRIX, view.projection);
  fx->SetSemanticMatrix(SEM_WORLDVIEWPROJMATRIX, transforms.worldViewProjection);
  fx->SetSemanticMatrix(SEM_WORLDVIEWMATRIX, transforms.worldView);
  fx->SetSemanticVector(SEM_VIEWPOS, eye.x, eye.y, eye.z);
  fx->SetSemanticMatrixArray(SEM_BONES, palettes[first].bones, palettes[first].count);
  if (lights) lights->ResetLights();
  uint32_t passes = fx->SetupPass(pass, kMaxBoneInfluences, lights);
  if (!passes) return 0;
  uint32_t draws = 0;
  def->GetVertexFormat()->Activate();
  def->GetVertexBuffer()->Activate(0);
  def->GetIndexBuffer()->Activate();
  material->ApplyTextures();
  VideoManager* video = GetVideoManager();
  while (passes) {
    for (uint32_t i = 0; i < passes; ++i) {
      if (!fx->BeginPass(i)) continue;
      for (int h = first; h < end; ++h) {
        if (h != first || i != 0) {
          fx->SetSemanticMatrixArray(SEM_BONES, palettes[h].bones, palettes[h].count);
          if (RenderEffect* current = fx->GetCurrentEffect()) current->CommitChanges();
        }
        hardware->selectHardwareMesh(h);
        draws += video->DrawIndexedPrimitive(
            PRIM_TRIANGLES, hardware->getBaseVertexIndex(), uint32_t(hardware->getVertexCount()),
            uint32_t(hardware->getStartIndex()), uint32_t(hardware->getFaceCount()));
      }
      fx->EndPass();
    }
    passes = fx->NextLight();
  }
  fx->ResetPass();
  return draws;
}

}  // namespace

uint32_t DynamicMeshDrawing::Draw(WorldObject* object, uint32_t pass, const FrameView& view,
                                  const ObjectTransforms& transforms, ObjectLightSet* lights) {
  auto* mesh = static_cast<DynamicMeshObject*>(object);
  DynamicMeshDef* def = mesh->GetDefinition();
  CalHardwareModel* hardware = def ? def->GetHardwareModel() : nullptr;
  if (!hardware || !mesh->GetModel() || !def->GetVertexBuffer()) {
    LogDetail("DynamicMesh instance with no def!");
    return 0;
  }
  const int count = hardware->getHardwareMeshCount();
  static thread_local std::vector<Palette> palettes;
  palettes.resize(size_t(count));
  for (int h = 0; h < count; ++h) BuildPalette(mesh, h, palettes[size_t(h)]);
  uint32_t draws = 0;
  for (int h = 0; h < count;) {
    Material* material = MaterialOf(mesh, hardware, h);
    int end = h + 1;
    while (end < count && MaterialOf(mesh, hardware, end) == material) ++end;
    if (material)
      draws += DrawRun(mesh, material, h, end, pass, view, transforms, lights, palettes);
    h = end;
  }
  return draws;
}

bool DynamicMeshDrawing::GetBoneLines(WorldObject* object, std::vector<Vector3D>& points) {
  if (!object || object->GetType() != ObjectType_DynamicMesh) return false;
  return static_cast<DynamicMeshObject*>(object)->GetBoneLines(points);
}
