// CameraObject.cpp - view and projection matrices, PV objects.
#include "tier1/CameraObject.h"

#include <algorithm>

KAZ_DEFINE_POOL(CameraObject, 10);

bool CameraObject::Create(World* world, const ObjectParams& params) {
  if (!WorldObject::Create(world, params)) return false;
  m_fieldOfView = params.variant == ObjectParamsVariant::Camera
                      ? static_cast<const CameraObjectParams&>(params).fieldOfView
                      : kDefaultFieldOfView;
  return true;
}

void CameraObject::Destroy() {
  // The PV objects hold the camera as the camera holds them.
  DetachAllPVObjects();
  WorldObject::Destroy();
}

void CameraObject::DetachAllPVObjects() {
  while (!m_pvObjects.empty()) DetachPVObject(m_pvObjects.back().Get());
}

Matrix4x4 CameraObject::GetViewMatrix() const {
  const Matrix4x4 c = Matrix4x4::Product(GetWorldTransform(), m_secondary);
  const Vector3D eye = c.GetTranslation();
  return Matrix4x4::MakeLookAtLH(eye, eye + c.GetForward(), c.GetUp());
}

Matrix4x4 CameraObject::GetProjectionMatrix(float aspect, float zNear, float zFar) const {
  return Matrix4x4::MakePerspectiveProjectionFovLH(m_fieldOfView, aspect, zNear, zFar);
}

void CameraObject::AttachPVObject(WorldObject* object) {
  if (!object || object == this) return;
  if (object->m_pvCamera == this) return;
  // One camera per PV object: another camera lets go of it first.
  if (object->m_pvCamera) object->m_pvCamera->DetachPVObject(object);
  object->m_pvCamera = Ref<CameraObject>::Share(this);
  m_pvObjects.push_back(Ref<WorldObject>::Share(object));
}

void CameraObject::DetachPVObject(WorldObject* object) {
  auto it = std::find(m_pvObjects.begin(), m_pvObjects.end(), object);
  if (!object || it == m_pvObjects.end()) return;
  // Both references go when this returns, the camera's first: it may be the
  // camera's last, and nothing touches the camera after that.
  Ref<WorldObject> held = std::move(*it);
  m_pvObjects.erase(it);
  Ref<CameraObject> camera = std::move(object->m_pvCamera);
}
