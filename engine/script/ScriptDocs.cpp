// ScriptDocs.cpp - arguments, results and errors of the _Engine and _World
// functions, in the order of their method tables (a test keeps the orders
// equal). Names and doc strings come from the method tables themselves.
#include "script/PythonSupport.h"

#include "script/ScriptDocs.h"

namespace {

const char kNone[] = "";
const char kObj[] = "TypeError \"parameter 1 must be a WorldObject.\"";
const char kVec[] = "TypeError when a vector argument is not an Engine.Vector3D";

const ScriptFunctionDoc g_engineDocs[] = {
    {"GetApplication", "none", "the application object, or None", kNone},
    {"ConPrint", "text (str)", "None; prints the text to the console in yellow, as a stream",
     kNone},
    {"ConExecute", "line (str)",
     "the result code of the last console line (0 success, -1 unknown name or read-only variable)",
     kNone},
    {"RegisterCCmd", "name (str), callable, doc (str)",
     "True; typing the name in the console calls callable(args) with a tuple of the argument "
     "strings; a number returned is the line's result code (anything else gives 0)",
     "TypeError \"Second parameter must be a callable object.\", \"CCmd is already "
     "registered.\""},
    {"SetCVar", "name (str), value",
     "True, or False when the variable could not be created; an unknown name creates a "
     "variable whose type follows the value",
     kNone},
    {"GetCVar", "name (str)", "the value (bool, int, float or str), or None for an unknown name",
     kNone},
    {"SetCVarFlags", "name (str), flags (int)", "True, or False for an unknown name", kNone},
    {"GetCVarFlags", "name (str)", "the flags (int), or None for an unknown name", kNone},
    {"IsCVarStatic", "name (str)",
     "True for built-in variables, False for script variables, None for an unknown name", kNone},
    {"GetFrameDeltaTime", "none", "the scaled duration of the frame in seconds (float)", kNone},
    {"GetTime", "none", "the sum of all scaled frame durations in seconds (float)", kNone},
    {"EnumerateFiles", "path (str)", "a tuple of the file names in the virtual folder", kNone},
    {"RegisterTimerEvent", "eventId (int), seconds (float)",
     "None; after that much unpaused game time _Core.HandleEvent(eventId, None) runs once", kNone},
    {"StartFade", "seconds (float), mode (int)",
     "None; mode 0 fades in from black, any other mode fades out to black", kNone},
    {"StopFade", "none", "None; ends the fade", kNone},
    {"StartFlash", "seconds (float), red, green, blue (floats)",
     "None; flashes the screen in that colour", kNone},
    {"StopFlash", "none", "None; ends the flash", kNone},
    {"ForceRedraw", "none", "None; draws and presents the overlays at once", kNone},
    {nullptr, nullptr, nullptr, nullptr},
};

const ScriptFunctionDoc g_worldDocs[] = {
    {"Reset", "none", "None; removes every object", kNone},
    {"GetNearZ", "none", "the near clipping distance (float)", kNone},
    {"GetFarZ", "none", "the far clipping distance (float)", kNone},
    {"SetNearZ", "distance (float)", "None", kNone},
    {"SetFarZ", "distance (float)", "None", kNone},
    {"GetGravity", "none", "the gravity (Vector3D)", kNone},
    {"SetGravity", "gravity (Vector3D)", "None", kVec},
    {"CreateObject", "typeId (int 1 to 10), keys (dict)",
     "a new WorldObject, or None when creation failed",
     "TypeError \"first param must be a valid object type ID.\", \"second param must be "
     "kwargs (ie. a dict)\""},
    {"RemoveObject", "object", "None", kObj},
    {"CreateRenderMaterial", "effect file (str), textures (dict: parameter -> texture name)",
     "a new RenderMaterial, or None when the effect cannot be loaded",
     "TypeError \"Second parameter must be a dictionary\""},
    {"SetRenderCamera", "camera object, or anything else to clear", "None", kNone},
    {"GetRenderCamera", "none", "the render camera (WorldObject), or None", kNone},
    {"IntersectRay", "origin (Vector3D), direction (Vector3D), flags (1 static, 2 dynamic)",
     "(object, None, point, normal, distance) for the nearest hit, or None", kVec},
    {"objIsEqual", "a, b", "True when both hold the same world object", kNone},
    {"objGetType", "object", "the type id (int)", kObj},
    {"objGetSphereRadius", "object", "the radius (float)", kObj},
    {"objSetSphereRadius", "object, radius (float)", "None", kObj},
    {"objGetBoundingBox", "object", "(mins, maxs) as Vector3Ds, in object space", kObj},
    {"objSetBoundingBox", "object, mins (Vector3D), maxs (Vector3D)", "None", kObj},
    {"objGetWorldTransform", "object", "the world transform (Matrix4x4)", kObj},
    {"objSetWorldTransform", "object, transform (Matrix4x4)", "the stored transform", kObj},
    {"objIsVisible", "object", "True or False", kObj},
    {"objSetVisible", "object, visible (int)", "None", kObj},
    {"objGetVelocity", "object", "the body's velocity (Vector3D; zero without a body)", kObj},
    {"objSetVelocity", "object, velocity (Vector3D)", "None", kObj},
    {"objApplyForce", "object, point (Vector3D), impulse (Vector3D), worldSpace (int)", "None",
     kObj},
    {"objSetLinearDamping", "object, damping (float)", "None", kObj},
    {"objSetAngularDamping", "object, damping (Vector3D)", "None", kObj},
    {"objSetAutoFreeze", "object, autoFreeze (int)", "None; also wakes the body", kObj},
    {"objIsOnGround", "object", "True or False", kObj},
    {"objSetOnGroundThreshold", "object, threshold (float)", "None", kObj},
    {"objAttachObject", "parent, child, attachType (0 to 2), keepOffset (int)", "True or False",
     "TypeError \"param 3 must be a valid attach type ID.\", \"parameter 1 and 2 must be "
     "WorldObjects.\""},
    {"objDetachObject", "parent, child", "True or False",
     "TypeError \"parameter 1 and 2 must be WorldObjects.\""},
    {"objDynMeshPlayCycleAnimation", "mesh, animation (str), weight, delay (floats)",
     "True, or False for an unknown animation",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshPlayActionAnimation", "mesh, animation (str), delayIn, delayOut (floats)",
     "True, or False for an unknown animation",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshStopAnimation", "mesh, animation (str), delay (float)", "True or False",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshStopAllAnimations", "mesh, int", "True",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshGetBonePosition", "mesh, bone (str)", "the position (Vector3D), or None",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshGetAnimLength", "mesh, animation (str)", "seconds (float), or None",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objCamSetSecondaryTransform", "camera, transform (Matrix4x4)", "True",
     "TypeError \"parameter 1 must be a Camera WorldObject.\""},
    {"objCamGetSecondaryTransform", "camera",
     "the secondary transform; the identity for other objects", kNone},
    {"objCamAttachPVObject", "camera, object", "None",
     "TypeError \"parameter 1 must be a Camera WorldObject.\", \"parameter 2 must be a "
     "WorldObject.\""},
    {"objCamDetachPVObject", "camera, object", "None",
     "TypeError \"parameter 1 must be a Camera WorldObject.\", \"parameter 2 must be a "
     "WorldObject.\""},
    {"animAddWaypoint",
     "path, transform (Matrix4x4), duration (float), rotationType (0 to 3), target or None", "None",
     "TypeError \"parameter 1 must be a AnimPath WorldObject.\", \"rotation type ID is "
     "invalid.\""},
    {"animGetWaypointCount", "path", "the number of waypoints",
     "TypeError \"parameter 1 must be a AnimPath WorldObject.\""},
    {"animRemoveAllWaypoints", "path", "None",
     "TypeError \"parameter 1 must be a AnimPath WorldObject.\""},
    {"animPlayObject", "path, object, loop (int), startTime (float)", "True or False",
     "TypeError \"parameter 1 must be a AnimPath WorldObject.\", \"parameter 2 must be a "
     "WorldObject.\""},
    {"sndPlay", "sound, loop (int)", "True",
     "TypeError \"parameter 1 must be a Sound WorldObject.\""},
    {"sndPause", "sound, pause (int)", "True",
     "TypeError \"parameter 1 must be a Sound WorldObject.\""},
    {"psEmitOnce", "system", "None",
     "TypeError \"parameter 1 must be a ParticleSystem WorldObject.\""},
    {"psSetSpawnVelocity", "system, minimum (Vector3D), maximum (Vector3D)", "None",
     "TypeError \"parameter 1 must be a ParticleSystem WorldObject.\""},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const ScriptFunctionDoc* GetEngineModuleDocs() {
  return g_engineDocs;
}

const ScriptFunctionDoc* GetWorldModuleDocs() {
  return g_worldDocs;
}
