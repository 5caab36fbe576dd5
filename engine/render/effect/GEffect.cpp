// GEffect.cpp - the device-independent half of an effect: values, techniques, passes.
#include "render/effect/GEffect.h"

#include <algorithm>
#include <cstring>

#include "base/StringUtil.h"

GEffect::GEffect(GDevice* device, EffectDesc desc) : m_device(device), m_desc(std::move(desc)) {
  m_device->AddRef();
  m_values.resize(m_desc.params.size());
  m_samplerUnits.assign(m_desc.params.size(), -1);
  int unit = 0;
  for (size_t i = 0; i < m_desc.params.size(); ++i) {
    const EffectParam& p = m_desc.params[i];
    Value& v = m_values[i];
    if (p.type == EPT_FLOAT || p.type == EPT_INT || p.type == EPT_BOOL) {
      v.data.assign(p.ElementCount(), 0.0f);
      std::copy(p.initial.begin(), p.initial.end(), v.data.begin());
    }
    if (p.type == EPT_SAMPLER && unit < int(kMaxSamplers)) m_samplerUnits[i] = unit++;
  }
  m_valid.assign(m_desc.techniques.size(), 0);
  // Which value feeds each sampler, found once rather than by name on every commit.
  m_samplerSources.assign(m_desc.params.size(), -1);
  for (size_t i = 0; i < m_desc.params.size(); ++i) {
    if (m_samplerUnits[i] < 0) continue;
    const EffectParam& p = m_desc.params[i];
    if (p.samplerTexture.empty()) {
      m_samplerSources[i] = int(i);  // a texture set on the sampler itself
    } else if (Handle h = GetParameterByName(p.samplerTexture.c_str())) {
      m_samplerSources[i] = int(h - 1);
    }
  }
}

GEffect::~GEffect() {
  for (Value& v : m_values) SafeRelease(v.texture);
  m_device->Release();
}

GEffect::Handle GEffect::GetTechnique(uint32_t index) const {
  return index < m_desc.techniques.size() ? kTechniqueBase + index : 0;
}

GEffect::Handle GEffect::GetTechniqueByName(const char* name) const {
  if (!name) return 0;
  for (size_t i = 0; i < m_desc.techniques.size(); ++i)
    if (m_desc.techniques[i].name == name) return kTechniqueBase + uint32_t(i);
  return 0;
}

const char* GEffect::GetTechniqueName(Handle t) const {
  if (t < kTechniqueBase || t - kTechniqueBase >= m_desc.techniques.size()) return nullptr;
  return m_desc.techniques[t - kTechniqueBase].name.c_str();
}

GResult GEffect::ValidateTechnique(Handle t) {
  if (t < kTechniqueBase || t - kTechniqueBase >= m_desc.techniques.size()) return GERR_INVALIDCALL;
  uint32_t index = t - kTechniqueBase;
  if (m_valid[index] == 0) {
    const EffectTechnique& tech = m_desc.techniques[index];
    GCaps caps;
    bool ok = GSucceeded(m_device->GetDeviceCaps(&caps));
    if (ok && tech.requiredVersion) {
      uint32_t vs = caps.vertexShaderVersion & 0xFFFF, ps = caps.pixelShaderVersion & 0xFFFF;
      ok = tech.requiredVersion <= vs && tech.requiredVersion <= ps;
      if (!ok)
        m_validationErrors = "technique '" + tech.name + "' requires shader model " +
                             std::to_string(tech.requiredVersion >> 8) + "." +
                             std::to_string(tech.requiredVersion & 0xFF);
    }
    for (uint32_t p = 0; ok && p < tech.passes.size(); ++p) {
      std::string error;
      ok = CompilePass(index, p, &error);
      if (!ok) m_validationErrors = error;
    }
    m_valid[index] = ok ? 1 : -1;
  }
  return m_valid[index] > 0 ? G_OK : GERR_NOTAVAILABLE;
}

GEffect::Handle GEffect::FindNextValidTechnique(Handle after) {
  uint32_t start = (after >= kTechniqueBase) ? after - kTechniqueBase + 1 : 0;
  for (uint32_t i = start; i < m_desc.techniques.size(); ++i)
    if (GSucceeded(ValidateTechnique(kTechniqueBase + i))) return kTechniqueBase + i;
  return 0;
}

GResult GEffect::SetTechnique(Handle t) {
  if (t < kTechniqueBase || t - kTechniqueBase >= m_desc.techniques.size()) return GERR_INVALIDCALL;
  if (m_begun) return GERR_INVALIDCALL;
  m_technique = t;
  return G_OK;
}

GResult GEffect::Begin(uint32_t* passes, uint32_t flags) {
  if (m_begun || !m_technique) return GERR_INVALIDCALL;
  if (GFailed(ValidateTechnique(m_technique))) return GERR_INVALIDCALL;
  const EffectTechnique& tech = m_desc.techniques[m_technique - kTechniqueBase];
  m_saveState = !(flags & GFX_DONOTSAVESTATE);
  m_savedStates.clear();
  m_savedSamplers.clear();
  if (m_saveState) {
    for (const EffectPass& p : tech.passes)
      for (const auto& entry : p.states) {
        const auto state = entry.first;
        if (std::any_of(m_savedStates.begin(), m_savedStates.end(),
                        [state](const auto& s) { return s.first == state; }))
          continue;
        uint32_t current = 0;
        m_device->GetRenderState(state, &current);
        m_savedStates.emplace_back(state, current);
      }
    for (size_t i = 0; i < m_desc.params.size(); ++i) {
      int unit = m_samplerUnits[i];
      if (unit < 0) continue;
      for (const auto& [state, value] : m_desc.params[i].samplerStates) {
        uint32_t current = 0;
        m_device->GetSamplerState(uint32_t(unit), state, &current);
        m_savedSamplers.push_back({uint32_t(unit), state, current});
      }
    }
  }
  m_begun = true;
  if (passes) *passes = uint32_t(tech.passes.size());
  return G_OK;
}

void GEffect::BindSamplers() {
  for (size_t i = 0; i < m_desc.params.size(); ++i) {
    int unit = m_samplerUnits[i];
    if (unit < 0) continue;
    const EffectParam& p = m_desc.params[i];
    int source = m_samplerSources[i];
    GTexture* tex = source >= 0 ? m_values[size_t(source)].texture : nullptr;
    m_device->SetTexture(uint32_t(unit), tex);
    for (const auto& [state, value] : p.samplerStates)
      m_device->SetSamplerState(uint32_t(unit), state, value);
  }
}

GResult GEffect::BeginPass(uint32_t pass) {
  if (!m_begun || m_inPass) return GERR_INVALIDCALL;
  uint32_t tech = m_technique - kTechniqueBase;
  if (pass >= m_desc.techniques[tech].passes.size()) return GERR_INVALIDCALL;
  for (const auto& [state, value] : m_desc.techniques[tech].passes[pass].states)
    m_device->SetRenderState(state, value);
  GResult r = ApplyPass(tech, pass);
  if (GFailed(r)) return r;
  BindSamplers();
  UploadValues(tech, pass);
  m_pass = pass;
  m_inPass = true;
  return G_OK;
}

GResult GEffect::CommitChanges() {
  if (!m_inPass) return GERR_INVALIDCALL;
  BindSamplers();
  UploadValues(m_technique - kTechniqueBase, m_pass);
  return G_OK;
}

GResult GEffect::EndPass() {
  if (!m_inPass) return GERR_INVALIDCALL;
  m_inPass = false;
  return G_OK;
}

GResult GEffect::End() {
  if (!m_begun) return GERR_INVALIDCALL;
  if (m_inPass) EndPass();
  for (const auto& [state, value] : m_savedStates) m_device->SetRenderState(state, value);
  for (const SavedSampler& s : m_savedSamplers) m_device->SetSamplerState(s.unit, s.state, s.value);
  // Our texture references stay with the effect, not with the device.
  for (size_t i = 0; i < m_desc.params.size(); ++i)
    if (m_samplerUnits[i] >= 0) m_device->SetTexture(uint32_t(m_samplerUnits[i]), nullptr);
  m_savedStates.clear();
  m_savedSamplers.clear();
  UnbindPass();
  m_begun = false;
  return G_OK;
}

GEffect::Handle GEffect::GetParameterByName(const char* name) const {
  if (!name) return 0;
  for (size_t i = 0; i < m_desc.params.size(); ++i)
    if (m_desc.params[i].name == name) return Handle(i + 1);
  return 0;
}

GEffect::Handle GEffect::GetParameterBySemantic(const char* semantic) const {
  if (!semantic) return 0;
  for (size_t i = 0; i < m_desc.params.size(); ++i)
    if (!m_desc.params[i].semantic.empty() && EqualsNoCase(m_desc.params[i].semantic, semantic))
      return Handle(i + 1);
  return 0;
}

const EffectParam* GEffect::GetParameterDesc(Handle h) const {
  return (h >= 1 && h <= m_desc.params.size()) ? &m_desc.params[h - 1] : nullptr;
}

int GEffect::SamplerUnit(uint32_t paramIndex) const {
  return paramIndex < m_samplerUnits.size() ? m_samplerUnits[paramIndex] : -1;
}

GEffect::Value* GEffect::GetValue(Handle h, EffectParamType want) {
  const EffectParam* p = GetParameterDesc(h);
  if (!p) return nullptr;
  if (want == EPT_FLOAT && (p->type == EPT_FLOAT || p->type == EPT_INT || p->type == EPT_BOOL))
    return &m_values[h - 1];
  if (want == EPT_TEXTURE && (p->type == EPT_TEXTURE || p->type == EPT_SAMPLER))
    return &m_values[h - 1];
  return nullptr;
}

GResult GEffect::SetFloats(Handle h, const float* v, uint32_t count, EffectParamType) {
  Value* val = GetValue(h, EPT_FLOAT);
  if (!val || !v) return GERR_INVALIDCALL;
  uint32_t n = std::min<uint32_t>(count, uint32_t(val->data.size()));
  if (n && std::memcmp(val->data.data(), v, n * sizeof(float)) == 0) return G_OK;
  std::copy(v, v + n, val->data.begin());
  ++val->version;
  return G_OK;
}

GResult GEffect::SetFloat(Handle h, float v) {
  return SetFloats(h, &v, 1, EPT_FLOAT);
}
GResult GEffect::SetInt(Handle h, int32_t v) {
  float f = float(v);
  return SetFloats(h, &f, 1, EPT_FLOAT);
}
GResult GEffect::SetBool(Handle h, bool v) {
  float f = v ? 1.0f : 0.0f;
  return SetFloats(h, &f, 1, EPT_FLOAT);
}
GResult GEffect::SetVector(Handle h, const float v[4]) {
  const EffectParam* p = GetParameterDesc(h);
  if (!p) return GERR_INVALIDCALL;
  return SetFloats(h, v, std::min<uint32_t>(4, p->ElementCount()), EPT_FLOAT);
}
GResult GEffect::SetFloatArray(Handle h, const float* v, uint32_t count) {
  return SetFloats(h, v, count, EPT_FLOAT);
}

GResult GEffect::SetMatrix(Handle h, const float m[16]) {
  return SetMatrixArray(h, m, 1);
}
GResult GEffect::SetMatrixTranspose(Handle h, const float m[16]) {
  return SetMatrixTransposeArray(h, m, 1);
}

GResult GEffect::SetMatrixArray(Handle h, const float* m, uint32_t count) {
  const EffectParam* p = GetParameterDesc(h);
  if (!p || p->type != EPT_FLOAT || p->rows != p->columns || !m) return GERR_INVALIDCALL;
  uint32_t n = p->rows;
  if (n == 4) return SetFloats(h, m, count * 16, EPT_FLOAT);  // already the stored layout
  // Smaller matrices keep the top-left n x n of each 4x4; one or two fit on the stack.
  float local[32] = {};
  std::vector<float> heap;
  float* tmp = local;
  if (size_t(count) * n * n > 32) {
    heap.resize(size_t(count) * n * n);
    tmp = heap.data();
  }
  size_t k = 0;
  for (uint32_t i = 0; i < count; ++i)
    for (uint32_t r = 0; r < n; ++r)
      for (uint32_t c = 0; c < n; ++c) tmp[k++] = m[i * 16 + r * 4 + c];
  return SetFloats(h, tmp, uint32_t(k), EPT_FLOAT);
}

GResult GEffect::SetMatrixTransposeArray(Handle h, const float* m, uint32_t count) {
  if (!m) return GERR_INVALIDCALL;
  // Per-draw path: a single matrix must not touch the heap.
  float local[32] = {};
  std::vector<float> heap;
  float* t = local;
  if (size_t(count) * 16 > 32) {
    heap.resize(size_t(count) * 16);
    t = heap.data();
  }
  for (uint32_t k = 0; k < count; ++k)
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) t[k * 16 + r * 4 + c] = m[k * 16 + c * 4 + r];
  return SetMatrixArray(h, t, count);
}

GResult GEffect::SetTexture(Handle h, GTexture* texture) {
  Value* val = GetValue(h, EPT_TEXTURE);
  if (!val) return GERR_INVALIDCALL;
  if (val->texture == texture) return G_OK;
  if (texture) texture->AddRef();
  SafeRelease(val->texture);
  val->texture = texture;
  ++val->version;
  return G_OK;
}

GResult GEffect::GetFloatArray(Handle h, float* out, uint32_t count) const {
  const EffectParam* p = GetParameterDesc(h);
  if (!p || !out || m_values[h - 1].data.empty()) return GERR_INVALIDCALL;
  const std::vector<float>& d = m_values[h - 1].data;
  std::copy(d.begin(), d.begin() + std::min<size_t>(count, d.size()), out);
  return G_OK;
}

GTexture* GEffect::GetTexture(Handle h) const {
  const EffectParam* p = GetParameterDesc(h);
  return p ? m_values[h - 1].texture : nullptr;
}
