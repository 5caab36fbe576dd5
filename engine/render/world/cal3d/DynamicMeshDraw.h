// DynamicMeshDraw.h - the drawable kind of dynamic meshes (world object type
// 4): one draw per hardware sub-mesh with its bone palette, through the
// skinned variant of each material's effect, and the bone lines of the
// DrawSkeletons debug item.
// Builds on world/DrawableKind.h and DynamicMeshObject.h (in the .cpp).
#pragma once

#include "render/world/DrawableKind.h"

class DynamicMeshDrawing final : public DrawableKind {
 public:
  uint32_t Draw(WorldObject* object, uint32_t pass, const FrameView& view,
                const ObjectTransforms& transforms, ObjectLightSet* lights) override;
  bool GetBoneLines(WorldObject* object, std::vector<Vector3D>& points) override;
};
