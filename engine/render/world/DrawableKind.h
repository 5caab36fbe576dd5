// DrawableKind.h - a kind of world object that the world renderer queues but
// that is drawn by code of a room above it (skinned meshes, world/cal3d/).
//
// The renderer's installation (render/Renderer.cpp) registers one kind per
// object type with each world renderer it makes; objects of a type without a
// kind are queued but neither drawn nor counted.
// Builds on tier0/Vector.h; the frame's view and light sets come from RenderQueue.h.
#pragma once

#include "tier0/Vector.h"

#include <cstdint>
#include <vector>

class ObjectLightSet;
class WorldObject;
struct FrameView;
struct ObjectTransforms;

class DrawableKind {
 public:
  virtual ~DrawableKind() = default;
  // One object of this kind in the current pass, lit by lights (none for a
  // camera-held object), seen as view describes, with the matrices and eye
  // the renderer worked out for it. Returns the draws issued.
  virtual uint32_t Draw(WorldObject* object, uint32_t pass, const FrameView& view,
                        const ObjectTransforms& transforms, ObjectLightSet* lights) = 0;
  // Two points per bone in the object's own frame, for DrawSkeletons; false
  // when the object has no skeleton.
  virtual bool GetBoneLines(WorldObject* object, std::vector<Vector3D>& points) { return false; }
};
