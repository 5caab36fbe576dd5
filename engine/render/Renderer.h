// Renderer.h - the world renderer's installation: what the engine calls once
// before it makes a world that is to be drawn.
//
// InstallWorldRenderer() gives the world (tier1/World.h) the factory of its
// renderers and the object types that live in the render area: static meshes
// (type 3), dynamic meshes (type 4) and particle systems (type 9). Every
// renderer the factory makes draws dynamic meshes through the drawable kind
// of world/cal3d/; the display itself starts with CreateVideoManager
// (DeviceVideoManager.h).
// Builds on world/ (WorldRenderer, StaticMeshObject, ParticleSystemObject),
// world/cal3d/ (DynamicMeshObject, DynamicMeshDraw) and tier1/World.h.
#pragma once

void InstallWorldRenderer();
