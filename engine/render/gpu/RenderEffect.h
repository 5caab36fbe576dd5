// RenderEffect.h - render effects, world render effects and materials.
//
// RenderEffect: one compiled effect file (our own format, docs/effects.md)
// with its selected technique; thin wrappers for techniques, passes and
// parameters. Pooled ("GLRenderEffect", grow count 10); takes part in device
// loss and reset.
// WorldRenderEffect: the resource ("WorldRenderEffect") for effects that draw
// world objects: the same file compiled in up to five variants, one per count
// of bone influences (NUM_BONE_INFLUENCES 0..4), with the engine's parameter
// semantics resolved in each and a technique per render pass looked up by
// name ("None", "ZFill", "AmbientEmissive", "Lit", "Glow", "ShadowMap",
// "Particles"); the Lit pass repeats once per light.
// Material: an effect plus texture bindings by parameter name. Pooled
// ("Material", grow count 10).
// Effect files are read through the package file system; #include is served
// relative to the effect's directory.
// Depends on: GEffect.h, EffectParser.h, Texture.h, VideoManager.h,
// tier0 (ObjectPool, Ref, Resource*, Matrix4x4, FileSystem), base/Log.
#pragma once

#include "render/effect/EffectParser.h"
#include "render/effect/GEffect.h"
#include "render/gpu/Texture.h"
#include "tier0/Matrix.h"
#include "tier0/ObjectPool.h"
#include "tier0/Ref.h"
#include "tier0/Resource.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

using EffectHandle = uint32_t;

class RenderEffect : public PooledObject {
  KAZ_POOLED_CLASS(RenderEffect)

 public:
  virtual uint32_t GetTechniqueCount();
  virtual EffectHandle GetTechniqueByName(const char* name);
  virtual EffectHandle GetTechnique(uint32_t index);
  virtual std::string GetTechniqueName(EffectHandle technique);
  virtual bool ValidateTechnique(EffectHandle technique);
  virtual bool SetTechnique(EffectHandle technique);
  // Pass count, 0 on failure.
  virtual uint32_t Begin();
  virtual bool End();
  virtual bool BeginPass(uint32_t pass);
  virtual bool EndPass();
  virtual EffectHandle GetParameterByName(const char* name);
  virtual EffectHandle GetParameterBySemantic(const char* semantic);
  // 0 unknown, 1 void, 2 float, 3 int, 4 bool, 5 string, 6 texture, 7 sampler.
  virtual uint32_t GetParameterType(EffectHandle parameter);
  virtual void SetFloat(EffectHandle h, float value);
  virtual void SetVector3(EffectHandle h, float x, float y, float z);
  virtual void SetVector4(EffectHandle h, float x, float y, float z, float w);
  virtual void SetMatrix(EffectHandle h, const Matrix4x4& m);
  virtual void SetMatrixArray(EffectHandle h, const Matrix4x4* m, uint32_t count);
  // Up to count floats, packed as the parameter holds them (an array of float3 takes three each).
  virtual void SetFloatArray(EffectHandle h, const float* values, uint32_t count);
  virtual void SetTexture(EffectHandle h, Texture* texture);
  virtual void CommitChanges();

  // constants: values compiled in, by semantic (see EffectConstants).
  bool Load(const std::string& fileName, const EffectDefines& defines,
            const EffectConstants& constants = {});
  const std::string& GetFileName() const { return m_fileName; }
  // The files the last Load read through #include (package paths).
  const std::vector<std::string>& GetIncludes() const { return m_includes; }
  bool IsBegun() const { return m_begun; }
  bool IsInPass() const { return m_inPass; }
  GEffect* GetDeviceEffect() const { return m_effect.Get(); }
  // Elements of an array parameter; 0 for a parameter that is not an array.
  uint32_t GetParameterArraySize(EffectHandle h) const;
  // Device hooks.
  void OnDeviceLost();
  void OnDeviceReset();
  void ReleaseEffect();

 protected:
  RenderEffect() = default;
  ~RenderEffect() override;

 private:
  Ref<GEffect> m_effect;
  std::string m_fileName;
  std::vector<std::string> m_includes;
  bool m_begun = false, m_inPass = false;
};

RenderEffect* CreateRenderEffect(const char* fileName, const EffectDefines& defines,
                                 const EffectConstants& constants = {});
RenderEffect* LoadRenderEffect(const char* fileName);

// Render passes of the world renderer.
enum RenderPass : uint32_t {
  PASS_NONE = 0,
  PASS_ZFILL = 1,
  PASS_AMBIENTEMISSIVE = 2,
  PASS_LIT = 3,
  PASS_GLOW = 4,
  PASS_SHADOWMAP = 5,
  PASS_PARTICLES = 6,
  PASS_COUNT = 7,
};
const char* GetRenderPassName(uint32_t pass);

// Semantics every world effect variant resolves, by index.
enum EffectSemantic : uint32_t {
  SEM_IDENTITYMATRIX = 0,
  SEM_PROJ2DMATRIX,
  SEM_WORLDVIEWPROJMATRIX,
  SEM_WORLDVIEWMATRIX,
  SEM_WORLDMATRIX,
  SEM_VIEWMATRIX,
  SEM_PROJMATRIX,
  SEM_BONES,
  SEM_VIEWPOS,
  SEM_LIGHTPOS,
  SEM_LIGHTCOLOR,
  SEM_LIGHTPARAMS,
  SEM_LIGHTMASKMATRIX,
  SEM_TIME,
  SEM_PREVFRAMETIME,
  SEM_SCREENDIMENSIONS,
  // How many lights of the LIGHTPOS, LIGHTCOLOR and LIGHTPARAMS arrays this
  // repetition of the Lit pass holds.
  SEM_LIGHTCOUNT,
  // 1 while the draw is instanced, else 0; declaring it lets an effect be instanced.
  SEM_INSTANCED,
  // The shadow cube maps of the lights of one repetition of the Lit pass:
  // SHADOWMAP0 is the first light's, and so on (LIGHTPARAMS y is 1 for a
  // light that has one).
  SEM_SHADOWMAP0,
  SEM_SHADOWMAP1,
  SEM_SHADOWMAP2,
  SEM_SHADOWMAP3,
  SEM_COUNT,
};
const char* GetSemanticName(uint32_t semantic);

// One light as the Lit pass hands it to an effect.
struct RenderLight {
  float position[3];       // in the object's own space
  float worldPosition[3];  // in the world (instanced draws)
  float color[3];
  float range;
  Texture* shadowMap = nullptr;  // the light's cube of distances, or null when it casts none
};

// Lights of one Lit repetition that can bring their shadow maps (SHADOWMAP0..3).
constexpr uint32_t kMaxShadowMapsPerBatch = SEM_COUNT - SEM_SHADOWMAP0;

// The lights an object is drawn with in the Lit pass (the world renderer's
// light set implements it).
class RenderLightSet {
 public:
  virtual ~RenderLightSet() = default;
  // Lights of the per-pixel list not yet used in this pass (a set that
  // hands a batch over again, for another part of the screen, counts it).
  virtual uint32_t RemainingLights() const = 0;
  // The next unused lights, at most max of them, into out (marked used);
  // how many. A batch may come again with its shadow maps left out, where
  // no shadow can fall.
  virtual uint32_t UseNextLights(uint32_t max, RenderLight* out) = 0;
};

// Lights one repetition of the Lit pass takes at most, whatever an effect declares.
constexpr uint32_t kMaxLightBatch = 16;

constexpr uint32_t kMaxBoneInfluences = 4;
// Bone matrices one skinned draw uses at most; effects size their BONES array for it.
constexpr uint32_t kMaxBonesPerDraw = 20;
constexpr uint32_t kMaxNamedParameters = 64;

class WorldRenderEffect : public Resource {
 public:
  explicit WorldRenderEffect(ResourceManager* manager);
  ~WorldRenderEffect() override;

  bool Load(bool initial) override;
  void Unload(bool final) override;
  // The compiled variants die with the device; they are built again on demand.
  void OnVideoShutdown() override { Unload(false); }
  // The effect file and the files its variants include.
  bool UsesFile(const std::string& path) const override;
  bool Reload() override;

  bool SelectVariant(uint32_t boneCount);
  // Whether the variant has a technique for the pass that validates (looked
  // up once, then kept); builds the variant when needed, without making it current.
  bool HasTechnique(uint32_t pass, uint32_t boneCount);
  // How a variant's technique for a pass treats what is behind it (looked up once, then kept).
  enum PassTraits : uint32_t {
    Trait_Blends = 1,      // a pass blends with the target
    Trait_KeepsDepth = 2,  // a pass leaves the depth buffer as it was
    Trait_Instanced = 4,   // the effect declares INSTANCED
  };
  uint32_t GetPassTraits(uint32_t pass, uint32_t boneCount);
  // Lights one repetition of the variant's Lit pass takes: the size of its
  // LIGHTPOS array, 1 when LIGHTPOS is a single value (one pass per light).
  uint32_t GetLightBatch(uint32_t boneCount);
  // Draws that follow are instanced (INSTANCED 1): lights come in world space.
  void SetInstanced(bool instanced);
  uint32_t SetupPass(uint32_t pass, uint32_t boneCount, RenderLightSet* lights);
  // The way through a pass for many draws with one material, values that do
  // not change set once: BeginTechnique selects the pass's technique (the
  // Lit pass's without taking a light) and begins it, returning the pass
  // count; then per draw the caller sets its values, TakeLights (in the Lit
  // pass, the next batch of the set; false when none is left) and
  // CommitChanges inside BeginPass/EndPass; ResetPass ends it.
  uint32_t BeginTechnique(uint32_t pass, uint32_t boneCount);
  bool TakeLights(RenderLightSet* lights);
  // An effect may also have an AmbientLit technique: the AmbientEmissive
  // pass of an object that lights reach, drawing its ambient light and the
  // first batch of its lights at once (the Lit pass then goes on from the
  // second batch), so that a lit object is drawn once instead of twice.
  bool HasAmbientLit(uint32_t boneCount);
  // BeginTechnique for the AmbientEmissive pass with that technique;
  // TakeLights then takes the batch it draws.
  uint32_t BeginAmbientLit(uint32_t boneCount);
  void CommitChanges();
  uint32_t NextLight();
  bool BeginPass(uint32_t index);
  bool EndPass();
  void ResetPass();
  // Ends the technique begun by SetupPass/NextLight (the renderer's end of a pass).
  void EndTechnique();
  void SetSemanticVector(uint32_t semantic, float x, float y, float z);
  void SetSemanticMatrix(uint32_t semantic, const Matrix4x4& m);
  void SetSemanticMatrixArray(uint32_t semantic, const Matrix4x4* m, uint32_t count);
  // 1-based index of a named texture parameter, 0 when the effect lacks it.
  uint32_t GetNamedParameter(const char* name);
  void SetNamedTexture(uint32_t index, Texture* texture);

  int GetCurrentVariant() const { return m_currentVariant; }
  RenderEffect* GetCurrentEffect() const { return m_currentEffect; }
  RenderEffect* GetVariantEffect(uint32_t boneCount) const;
  // A NO_SHADOWS program of the variant (for any count of lights), once a Lit
  // repetition without maps has built it.
  RenderEffect* GetShadowlessEffect(uint32_t boneCount) const;
  uint32_t GetNamedParameterCount() const { return m_namedCount; }
  EffectHandle GetSemanticHandle(uint32_t semantic) const;

 private:
  // A technique per pass, and AmbientLit after them.
  static constexpr uint32_t kAmbientLitSlot = PASS_COUNT;
  static constexpr uint32_t kTechniqueSlots = PASS_COUNT + 1;
  static const char* SlotName(uint32_t slot);
  bool HasSlot(uint32_t slot, uint32_t boneCount);
  uint32_t BeginSlot(uint32_t slot, uint32_t boneCount);
  struct Variant {
    Ref<RenderEffect> effect;
    bool failed = false;
    EffectHandle semantics[SEM_COUNT] = {};
    EffectHandle techniques[kTechniqueSlots] = {};
    // HasTechnique's answers per slot: 0 not asked yet, 1 yes, 2 no.
    uint8_t hasTechnique[kTechniqueSlots] = {};
    // GetPassTraits's answers, with bit 31 set once worked out.
    uint32_t traits[PASS_COUNT] = {};
    uint32_t lightBatch = 0;  // LIGHTPOS array size, 0: a single light
  };
  // The last value given for a semantic. The renderer sets values before it
  // knows which variant a pass draws with, so each variant gets them all when
  // it becomes current.
  struct SemanticValue {
    enum Kind : uint8_t { kNone, kVector, kMatrices } kind = kNone;
    float vector[3] = {};
    std::vector<Matrix4x4> matrices;
  };
  // Variants 0..kMaxBoneInfluences are the plain ones; each has a twin
  // compiled with NO_SHADOWS for the Lit repetitions in which no light brings
  // a shadow map (shadow code costs the same whether a map is there or not).
  // An effect with a LIGHTCOUNT parameter also gets both compiled per count
  // of lights a repetition takes, 1..kFixedLightCounts, with the count a
  // constant: a loop over the batch unrolls, where llvmpipe runs a loop over
  // a uniform count to the arrays' size (a batch of one costs a full one).
  static constexpr uint32_t kPlainVariants = kMaxBoneInfluences + 1;
  static constexpr uint32_t kFixedLightCounts = 8;
  static constexpr uint32_t kVariants = 2 * kPlainVariants * (kFixedLightCounts + 1);
  // bones + kPlainVariants * (twin + 2 * count); count 0: LIGHTCOUNT stays a uniform.
  static constexpr uint32_t VariantIndex(uint32_t bones, bool twin, uint32_t count) {
    return bones + kPlainVariants * ((twin ? 1u : 0u) + 2u * count);
  }
  // A new effect's semantics and light batch.
  void LookUp(Variant& v);
  // Builds variant `index` when needed and makes it current.
  bool MakeCurrent(uint32_t index);
  // The variant of the current bone count that a batch of `count` lights
  // with or without shadow maps draws with, carrying a technique and pass
  // already begun over to it.
  void ChooseVariant(bool shadowMaps, uint32_t count);
  // Makes variant `index` current with the current technique slot; false
  // (the current one kept) when it cannot be built or lacks the technique.
  bool SwitchVariant(uint32_t index);
  bool SetupLight();
  // The next batch of lights (chooses the variant) into the effect's light semantics.
  bool SetLightValues(RenderLightSet* lights);
  void ApplySemantic(uint32_t semantic);
  void ApplyNamedTexture(uint32_t index);

  Variant m_variants[kVariants];
  int m_currentVariant = -1;
  uint32_t m_currentPass = 0;
  uint32_t m_currentSlot = 0;  // the technique's: the pass, or kAmbientLitSlot
  uint32_t m_passIndex = 0;    // the pass BeginPass began
  RenderEffect* m_currentEffect = nullptr;
  uint32_t m_passCount = 0;
  RenderLightSet* m_lights = nullptr;
  bool m_instanced = false;
  SemanticValue m_values[SEM_COUNT];
  struct Named {
    std::string name;
    EffectHandle handles[kVariants] = {};
    Ref<Texture> texture;  // the last texture set, for variants made current later
  };
  std::vector<Named> m_named;
  std::map<std::string, uint32_t> m_nameIndex;
  uint32_t m_namedCount = 0;
};

// The resource with variant boneCount selected (one more reference), or null.
// A resource whose variant fails is kept (with its failure) until
// ReleaseFailedRenderEffects, so a broken file is compiled and logged once.
WorldRenderEffect* GetWorldRenderEffect(const char* fileName, uint32_t boneCount);
// Drops the broken effects kept above (video shutdown).
void ReleaseFailedRenderEffects();
ResourceManager& GetWorldRenderEffectManager();

class Material : public PooledObject {
  KAZ_POOLED_CLASS(Material)

 public:
  bool SetRenderEffect(const char* fileName);
  // Binds the named texture file; false when the effect lacks the parameter
  // (reported once per effect and name) or the file cannot be loaded (then
  // the placeholder texture is bound instead).
  bool SetTexture(const char* parameter, const char* textureName);
  // Binds a texture object directly (render targets, video textures).
  bool SetTexture(const char* parameter, Texture* texture);
  bool ApplyTextures();
  void ClearTextures();
  WorldRenderEffect* GetRenderEffect() const { return m_effect.Get(); }
  size_t GetBindingCount() const { return m_bindings.size(); }

 protected:
  Material() = default;
  ~Material() override;

 private:
  // A texture object, or a texture resource whose current texture is used.
  struct Binding {
    Ref<Texture> texture;
    Ref<TextureResource> resource;
  };

  // The effect's index for the parameter; 0 after a warning naming it.
  uint32_t NamedParameter(const char* parameter, const char* texture) const;

  Ref<WorldRenderEffect> m_effect;
  std::map<uint32_t, Binding> m_bindings;
  Ref<TextureResource> m_blank;  // for the parameters no binding names
};

Material* CreateMaterial();
// The effect of the shared default materials (a package file).
constexpr const char* kDefaultEffectFile = "RenderEffects/default.fx";
// The materials meshes without their own share ("RenderEffects/default.fx"),
// one for static and one for dynamic meshes: created on first need, one more
// reference for the caller, gone when the last user releases it.
enum DefaultMaterialKind : uint32_t {
  DefaultMaterial_Static = 0,
  DefaultMaterial_Dynamic = 1,
};
constexpr uint32_t kDefaultMaterialKinds = 2;
Material* GetDefaultMaterial(uint32_t kind = DefaultMaterial_Static);
// Forgets the shared slots (video shutdown); users keep their references.
void ReleaseDefaultMaterial();
