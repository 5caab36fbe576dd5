// Material.cpp - materials: an effect and the textures bound to its parameters,
// and the shared default materials.
#include "render/gpu/RenderEffect.h"

#include "base/Log.h"
#include "render/gpu/Texture.h"

#include <string>
#include <utility>

KAZ_DEFINE_POOL(Material, 10);

namespace {

// The shared default materials (static, dynamic). The slots hold no
// reference: the last user's release destroys the material and empties its slot.
Material* g_defaultMaterials[kDefaultMaterialKinds] = {};

}  // namespace

Material::~Material() {
  for (Material*& slot : g_defaultMaterials)
    if (slot == this) slot = nullptr;
}

bool Material::SetRenderEffect(const char* fileName) {
  m_effect = Ref<WorldRenderEffect>::Adopt(GetWorldRenderEffect(fileName, 0));
  if (!m_effect) {
    LogMessage("Material: Failed to load RenderEffect '%s'", fileName ? fileName : "");
    return false;
  }
  return true;
}

uint32_t Material::NamedParameter(const char* parameter, const char* texture) const {
  const uint32_t index = m_effect->GetNamedParameter(parameter);
  const std::string& effect = m_effect->GetName();
  if (!index && FirstReport("effect parameter " + effect + " " + (parameter ? parameter : "")))
    LogWarning("Effect '%s' has no parameter '%s'; the texture '%s' is not used.", effect.c_str(),
               parameter ? parameter : "", texture ? texture : "");
  return index;
}

bool Material::SetTexture(const char* parameter, const char* textureName) {
  if (!m_effect) return false;
  uint32_t index = NamedParameter(parameter, textureName);
  if (!index) return false;
  // A texture that cannot be loaded (the loader says which and why) shows the
  // placeholder: the parameter must not keep what another material bound.
  Ref<TextureResource> resource = Ref<TextureResource>::Adopt(GetTextureResource(textureName));
  const bool loaded = bool(resource);
  if (!loaded) resource = Ref<TextureResource>::Adopt(GetTextureResource(kPlaceholderTextureName));
  m_bindings.erase(index);
  if (resource) m_bindings[index].resource = std::move(resource);
  return loaded;
}

bool Material::SetTexture(const char* parameter, Texture* texture) {
  if (!m_effect || !texture) return false;
  uint32_t index = NamedParameter(parameter, "(a texture object)");
  if (!index) return false;
  m_bindings.erase(index);
  m_bindings[index].texture = Ref<Texture>::Share(texture);
  return true;
}

bool Material::ApplyTextures() {
  if (!m_effect) return false;
  // The effect is shared by every material of its file: a parameter this
  // material leaves unbound gets the blank texture, never another's.
  for (uint32_t index = 1; index <= m_effect->GetNamedParameterCount(); ++index) {
    auto it = m_bindings.find(index);
    Texture* t = nullptr;
    if (it != m_bindings.end()) {
      t = it->second.resource ? it->second.resource->GetTexture() : it->second.texture.Get();
    } else {
      if (!m_blank) m_blank = Ref<TextureResource>::Adopt(GetTextureResource(kBlankTextureName));
      t = m_blank ? m_blank->GetTexture() : nullptr;
    }
    m_effect->SetNamedTexture(index, t);
  }
  return true;
}

void Material::ClearTextures() {
  m_bindings.clear();
}

Material* CreateMaterial() {
  return Material::Create();
}

Material* GetDefaultMaterial(uint32_t kind) {
  if (kind >= kDefaultMaterialKinds) return nullptr;
  Material*& slot = g_defaultMaterials[kind];
  if (slot) {
    slot->AddRef();
    return slot;
  }
  Material* m = Material::Create();
  if (!m) return nullptr;
  if (!m->SetRenderEffect(kDefaultEffectFile)) {
    m->Release();
    return nullptr;
  }
  slot = m;
  return m;
}

void ReleaseDefaultMaterial() {
  // Users keep theirs; the next need after video shutdown builds a fresh one.
  for (Material*& slot : g_defaultMaterials) slot = nullptr;
}
