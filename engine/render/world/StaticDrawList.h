// StaticDrawList.h - the frame's static meshes as draws, in the order that
// costs the device least.
//
// Each material slot of each queued static mesh is one item. Items whose
// AmbientEmissive technique writes depth and does not blend ("opaque") are
// sorted by effect, material, mesh and slot, so that a run of items sharing
// all four is drawn with the effect begun once, its material and geometry
// bound once and only the per-object values set per draw; the runs go front
// to back by their nearest item, and the items of a run front to back too,
// so that later pixels fail the depth test before they are shaded. The other
// items (they blend, or keep the depth buffer as it was, like a sky) follow
// in queue order, each on its own. A run of two or more whose effect declares
// INSTANCED and whose vertex format leaves room for the copies' matrices is
// one instanced draw a pass (in the Lit pass one per set of lights the copies
// share), its matrices in a dynamic vertex buffer. In the AmbientEmissive
// pass an effect with an AmbientLit technique draws the items lights reach
// with it and their first batch of lights (unless that batch reads shadow
// maps), and their Lit repetitions start at the second batch. A large group
// is drawn as runs of its triangles (StaticMeshDef::Cluster): the runs out of
// view are left out, and in a Lit repetition those outside its rectangle or
// its lights' spheres, so that a light at one end of a long cliff does not
// send the whole cliff through the device again; consecutive runs are one draw.
// Builds on RenderQueue.h (QueuedObject, FrameView), StaticMeshObject.h and
// gpu (RenderEffect, VideoManager, GpuBuffers, VertexFormat).
#pragma once

#include "render/gpu/GpuBuffers.h"
#include "render/world/RenderQueue.h"
#include "tier0/Ref.h"

#include <cstdint>
#include <vector>

class Material;
class StaticMeshDef;
class WorldRenderEffect;

class StaticDrawList {
 public:
  // Copies an instanced draw takes at most (the instance buffer's size).
  static constexpr uint32_t kMaxInstances = 1024;

  // Items of the queue (newest first, as queued), sorted, for this frame.
  void Build(QueuedObject* queue, const FrameView& view);
  // Draws every item with a technique for the pass; returns how many objects
  // had their first draw of the frame.
  uint32_t Draw(uint32_t pass, const FrameView& view);
  void Clear();
  // Draws, and copies drawn instanced, by the last Draw (tests).
  uint32_t GetInstancedDraws() const { return m_instancedDraws; }
  // Releases the instance buffer (video shutdown makes a new one necessary).
  void ReleaseBuffers() { m_instances.Reset(); }

 private:
  struct Item {
    QueuedObject* queued;
    StaticMeshDef* def;
    uint32_t group;
    Material* material;
    WorldRenderEffect* fx;
    float distance;      // squared, from the eye to the object's box
    uint64_t lightsKey;  // the same for the same type-1 lights
    uint32_t seq;        // its place in queue order
    bool opaque;
    // Point lights its AmbientLit draw took this frame: its Lit pass starts
    // after them (the object's other material slots may not have AmbientLit).
    uint32_t ambientLights;
  };
  struct Run {
    uint32_t first, count;  // items of m_items
    float nearest;
    uint32_t firstSeq;
    bool opaque;
  };

  static bool SameState(const Item& a, const Item& b) {
    return a.fx == b.fx && a.material == b.material && a.def == b.def && a.group == b.group;
  }
  void DrawRun(const Run& run, uint32_t pass, const FrameView& view);
  // Items of one run (indices of m_items) with the pass's technique, or with
  // AmbientLit (ambientLit) in the AmbientEmissive pass.
  void DrawSequence(std::vector<uint32_t>& sequence, uint32_t pass, bool ambientLit,
                    const FrameView& view);
  // One draw (draw()) per batch of the item's lights in the Lit pass, once
  // otherwise; with ambientLit the first batch, which its Lit pass then skips.
  template <typename DrawFn>
  static bool DrawLit(Item& item, uint32_t pass, bool ambientLit, const DrawFn& draw);
  void DrawItem(Item& item, uint32_t pass, bool ambientLit, const FrameView& view);
  // Where each of the item's clusters lies on the screen (empty: out of view),
  // in m_clusterRects; false when its group has none.
  bool PlaceClusters(const Item& item, const FrameView& view);
  // The clusters of the item's group in view and, in a batch of lights kept
  // to a rectangle, within it and the lights' reach; consecutive ones in one
  // draw. False when none was drawn.
  bool DrawClusters(const Item& item);
  // The items (indices of m_items) drawn as copies of one another.
  void DrawCopies(const uint32_t* items, uint32_t count, uint32_t pass, bool ambientLit,
                  const FrameView& view);
  bool Drawn(const Item& item);
  bool InstanceBuffer();

  std::vector<Item> m_items;
  std::vector<Run> m_runs;                 // in draw order
  std::vector<uint32_t> m_sequence;        // scratch: items of one run in draw order
  std::vector<uint32_t> m_litSequence;     // scratch: those drawn with AmbientLit
  std::vector<AABB> m_clusterBoxes;        // scratch: PlaceClusters', in the world
  std::vector<ScreenRect> m_clusterRects;  // and on the screen
  Ref<VertexBuffer> m_instances;
  uint32_t m_newlyDrawn = 0;
  uint32_t m_instancedDraws = 0;
};
