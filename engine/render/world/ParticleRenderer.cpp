// ParticleRenderer.cpp - particle batches: corners, rotation table, buffers.
#include "render/world/ParticleRenderer.h"

#include "base/Log.h"
#include "console/CVarRegistry.h"
#include "render/device/Formats.h"
#include "render/gpu/VideoManager.h"
#include "render/world/RenderQueue.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kDegreeStep = 0.017452778f;

void FourCorners(const Vector3D& up, const Vector3D& right, Vector3D out[4]) {
  out[0] = (up - right).GetNormalized();
  out[1] = (up + right).GetNormalized();
  out[2] = (right - up).GetNormalized();
  out[3] = (-up - right).GetNormalized();
}

}  // namespace

int ParticleRenderer::RotationEntry(float degrees) {
  if (degrees == 0.0f || !std::isfinite(degrees)) return -1;
  // Range-checked before it becomes an integer; fmod only for the huge ones.
  if (std::fabs(degrees) >= 1e9f) degrees = std::fmod(degrees, 360.0f);
  int entry = int(degrees) % 360;
  return entry < 0 ? entry + 360 : entry;
}

bool ParticleRenderer::Init(VideoManager* video) {
  Shutdown();
  if (!video) return false;
  CVarInt& perBatch = CVarRegistry::Instance().MaxParticlesPerBatch;
  if (perBatch.Get() < 1) perBatch.Set(1);
  if (perBatch.Get() > int(kMaxBatch)) perBatch.Set(int(kMaxBatch));
  m_capacity = uint32_t(perBatch.Get());
  m_video = video;
  m_vertices = Ref<VertexBuffer>::Adopt(CreateVertexBuffer(kVertexSize, m_capacity * 4, true));
  if (!m_vertices) {
    LogMessage("Failed to create particle vertex buffer with %d vertices.", int(m_capacity * 4));
    Shutdown();
    return false;
  }
  m_format = Ref<DeviceVertexFormat>::Adopt(CreateVertexFormat());
  if (!m_format || !m_format->AddField(VFT_FLOAT3, VFU_POSITION) ||
      !m_format->AddField(VFT_COLOR, VFU_COLOR) || !m_format->AddField(VFT_FLOAT2, VFU_TEXCOORD) ||
      !m_format->GetDeviceDeclaration()) {
    LogMessage("Failed to create particle vertex format.");
    Shutdown();
    return false;
  }
  m_indices = Ref<IndexBuffer>::Adopt(CreateIndexBuffer(0, m_capacity * 6, true));
  if (!m_indices) {
    LogMessage("Failed to create particle index buffer with %d indices.", int(m_capacity * 6));
    Shutdown();
    return false;
  }
  m_batchSizes.reserve(16);
  return true;
}

void ParticleRenderer::Shutdown() {
  for (size_t i = 0; i < m_groupCount; ++i) {
    m_groups[i].systems.clear();
    m_groups[i].material.Reset();
  }
  m_groupCount = 0;
  m_indices.Reset();
  m_format.Reset();
  m_vertices.Reset();
  m_video = nullptr;
  m_capacity = 0;
}

void ParticleRenderer::Queue(ParticleSystemObject* system) {
  Material* material = system ? system->GetMaterial() : nullptr;
  if (!material) return;
  Group* group = nullptr;
  for (size_t i = 0; i < m_groupCount && !group; ++i) {
    if (m_groups[i].material.Get() == material) group = &m_groups[i];
  }
  if (!group) {
    if (m_groupCount == m_groups.size()) m_groups.emplace_back();
    group = &m_groups[m_groupCount++];
    group->material = Ref<Material>::Share(material);
  }
  group->systems.push_back(Ref<ParticleSystemObject>::Share(system));
}

void ParticleRenderer::BuildCorners(const FrameView& view) {
  const Vector3D right = view.view.GetRight();
  const Vector3D up = view.view.GetUp();
  const Vector3D forward = view.view.GetForward();
  FourCorners(up, right, m_corners);
  float angle = 0.0f;
  for (int k = 0; k < 360; ++k, angle += kDegreeStep) {
    const Vector3D turnedUp = (up * std::cos(angle) + right * std::sin(angle)).GetNormalized();
    const Vector3D turnedRight = turnedUp.Cross(forward);
    FourCorners(turnedUp, turnedRight, m_rotated[k]);
  }
}

void ParticleRenderer::Render(const FrameView& view) {
  m_batchSizes.clear();
  m_drawnSystems = m_drawnParticles = 0;
  if (m_groupCount == 0) return;
  BuildCorners(view);
  for (size_t i = 0; i < m_groupCount; ++i) {
    Group& group = m_groups[i];
    for (auto& system : group.systems) system->SortParticles(view.cameraPosition);
    DrawGroup(group, view);
    group.systems.clear();
    group.material.Reset();
  }
  m_groupCount = 0;
}

bool ParticleRenderer::Lock(uint32_t count, Vertex** vertices, uint16_t** indices) {
  *vertices = static_cast<Vertex*>(m_vertices->Lock(0, count * 4));
  if (!*vertices) {
    LogDetail("Failed to lock particle vertex buffer.");
    return false;
  }
  *indices = static_cast<uint16_t*>(m_indices->Lock(0, count * 6));
  if (!*indices) {
    m_vertices->Unlock();
    LogDetail("Failed to lock particle index buffer.");
    return false;
  }
  return true;
}

void ParticleRenderer::Unlock() {
  m_indices->Unlock();
  m_vertices->Unlock();
}

void ParticleRenderer::DrawGroup(Group& group, const FrameView& view) {
  Material* material = group.material.Get();
  WorldRenderEffect* effect = material->GetRenderEffect();
  if (!effect || !m_vertices) return;
  material->ApplyTextures();
  effect->SetSemanticMatrix(SEM_WORLDMATRIX, Matrix4x4());
  effect->SetSemanticMatrix(SEM_VIEWMATRIX, view.view);
  effect->SetSemanticMatrix(SEM_PROJMATRIX, view.projection);
  effect->SetSemanticMatrix(SEM_WORLDVIEWPROJMATRIX, view.viewProjection);
  effect->SetSemanticMatrix(SEM_WORLDVIEWMATRIX, view.view);
  const Vector3D& eye = view.cameraPosition;
  effect->SetSemanticVector(SEM_VIEWPOS, eye.x, eye.y, eye.z);
  m_vertices->Activate(0);
  m_format->Activate();
  m_indices->Activate();

  // Each lock covers only what its batch will hold.
  uint32_t remaining = 0;
  for (auto& system : group.systems) remaining += system->GetDrawCount();
  if (remaining == 0) return;
  Vertex* v;
  uint16_t* ix;
  if (!Lock(std::min(remaining, m_capacity), &v, &ix)) return;
  uint32_t n = 0;
  m_countedUpTo = 0;
  size_t batchFirst = 0;
  for (size_t s = 0; s < group.systems.size(); ++s) {
    ParticleSystemObject* system = group.systems[s].Get();
    Particle* const* list = system->GetDrawList();
    const uint32_t count = system->GetDrawCount();
    for (uint32_t i = 0; i < count; ++i) {
      const Particle& p = *list[i];
      const uint32_t colour = PackColour(p.colour.x, p.colour.y, p.colour.z, p.colour.w);
      const int entry = RotationEntry(p.rotation);
      const Vector3D* corners = entry < 0 ? m_corners : m_rotated[entry];
      Vertex* quad = v + 4 * n;
      static const float kU[4] = {0, 1, 1, 0}, kV[4] = {0, 0, 1, 1};
      for (int c = 0; c < 4; ++c) {
        const Vector3D at = p.position + corners[c] * p.radius;
        quad[c] = {at.x, at.y, at.z, colour, kU[c], kV[c]};
      }
      uint16_t* q = ix + 6 * n;
      const uint16_t base = uint16_t(4 * n);
      q[0] = base, q[1] = base + 1, q[2] = base + 3;
      q[3] = base + 1, q[4] = base + 2, q[5] = base + 3;
      if (++n == m_capacity) {
        Unlock();
        if (DrawBatch(effect, n)) CountDrawn(group, batchFirst, s, n);
        batchFirst = s;
        remaining -= n;
        n = 0;
        if (remaining && !Lock(std::min(remaining, m_capacity), &v, &ix)) return;
      }
    }
  }
  if (n == 0) return;  // the last batch was full and drawn
  Unlock();
  if (DrawBatch(effect, n)) CountDrawn(group, batchFirst, group.systems.size() - 1, n);
}

void ParticleRenderer::CountDrawn(const Group& group, size_t first, size_t last,
                                  uint32_t particles) {
  m_drawnParticles += particles;
  for (size_t s = std::max(first, m_countedUpTo); s <= last; ++s)
    if (group.systems[s]->GetDrawCount() > 0) ++m_drawnSystems;
  m_countedUpTo = last + 1;
}

bool ParticleRenderer::DrawBatch(WorldRenderEffect* effect, uint32_t count) {
  m_batchSizes.push_back(count);
  bool drawn = false;
  uint32_t passes = effect->SetupPass(PASS_PARTICLES, 0, nullptr);
  while (passes) {
    for (uint32_t i = 0; i < passes; ++i) {
      if (!effect->BeginPass(i)) continue;
      drawn = m_video->DrawIndexedPrimitive(PRIM_TRIANGLES, 0, 4 * count, 0, 2 * count) || drawn;
      effect->EndPass();
    }
    passes = effect->NextLight();
  }
  effect->ResetPass();
  return drawn;
}
