// GEffect.h - a compiled render effect on a device.
//
// Holds the parsed effect, the parameter values and the technique/pass state
// machine (Begin, BeginPass, CommitChanges, EndPass, End), the way Direct3D's
// effect interface exposes them. Begin saves every render state and sampler
// state that a pass of the selected technique sets; End puts them back, so a
// drawing routine never sees an effect's states leak. The device-specific
// part (compiling a pass, binding it, uploading changed values) is left to a
// subclass per device.
// Handles: 0 is none; parameters are 1..N, techniques 0x10001..; both stable.
// Matrices follow Direct3D's effect convention: a matrix E set with SetMatrix
// is what the shader multiplies as mul(v, E); SetMatrixTranspose(M) stores
// M transposed, so a shader written "M * v" in GLSL sees the engine's M.
// Depends on: GraphicsDevice.h, EffectParser.h.
#pragma once

#include "render/device/GraphicsDevice.h"
#include "render/effect/EffectParser.h"

#include <string>
#include <vector>

class GEffect : public GObject {
 public:
  using Handle = uint32_t;
  static constexpr Handle kTechniqueBase = 0x10001;

  GEffect(GDevice* device, EffectDesc desc);

  const EffectDesc& GetDesc() const { return m_desc; }
  uint32_t GetParameterCount() const { return uint32_t(m_desc.params.size()); }
  uint32_t GetTechniqueCount() const { return uint32_t(m_desc.techniques.size()); }

  Handle GetTechnique(uint32_t index) const;
  Handle GetTechniqueByName(const char* name) const;
  // nullptr for a bad handle.
  const char* GetTechniqueName(Handle technique) const;
  // The first technique after `after` (0: from the start) that validates; 0 if none.
  Handle FindNextValidTechnique(Handle after);
  GResult ValidateTechnique(Handle technique);
  GResult SetTechnique(Handle technique);
  Handle GetCurrentTechnique() const { return m_technique; }

  GResult Begin(uint32_t* passes, uint32_t flags);
  GResult BeginPass(uint32_t pass);
  GResult CommitChanges();
  GResult EndPass();
  GResult End();
  bool IsBegun() const { return m_begun; }
  bool IsInPass() const { return m_inPass; }

  Handle GetParameterByName(const char* name) const;
  Handle GetParameterBySemantic(const char* semantic) const;
  const EffectParam* GetParameterDesc(Handle parameter) const;

  GResult SetFloat(Handle h, float v);
  GResult SetInt(Handle h, int32_t v);
  GResult SetBool(Handle h, bool v);
  GResult SetVector(Handle h, const float v[4]);
  GResult SetFloatArray(Handle h, const float* v, uint32_t count);
  GResult SetMatrix(Handle h, const float m[16]);
  GResult SetMatrixTranspose(Handle h, const float m[16]);
  GResult SetMatrixArray(Handle h, const float* m, uint32_t count);
  GResult SetMatrixTransposeArray(Handle h, const float* m, uint32_t count);
  GResult SetTexture(Handle h, GTexture* texture);
  // Reads back a value (tests, tools): up to count floats.
  GResult GetFloatArray(Handle h, float* out, uint32_t count) const;
  GTexture* GetTexture(Handle h) const;

  // Why the last technique that failed to validate failed ("" when none did).
  const std::string& GetValidationErrors() const { return m_validationErrors; }

  virtual void OnLostDevice() {}
  virtual void OnResetDevice() {}

 protected:
  ~GEffect() override;

  struct Value {
    std::vector<float> data;  // floats, ints and bools alike; matrices row-major E
    GTexture* texture = nullptr;
    uint32_t version = 1;
  };

  // Compiles pass `pass` of technique `tech`; false with a message when it cannot run here.
  virtual bool CompilePass(uint32_t tech, uint32_t pass, std::string* error) = 0;
  // Makes the pass current on the device.
  virtual GResult ApplyPass(uint32_t tech, uint32_t pass) = 0;
  // Sends values changed since the pass last saw them.
  virtual void UploadValues(uint32_t tech, uint32_t pass) = 0;
  virtual void UnbindPass() {}

  // The texture unit of a sampler parameter (its rank among the samplers), or -1.
  int SamplerUnit(uint32_t paramIndex) const;
  void BindSamplers();

  GDevice* m_device;
  EffectDesc m_desc;
  std::vector<Value> m_values;
  std::vector<int> m_samplerUnits;
  std::vector<int> m_samplerSources;  // per sampler parameter: the value holding its texture, or -1
  // Per technique: 0 untested, 1 valid, -1 invalid.
  std::vector<int> m_valid;
  Handle m_technique = 0;
  bool m_begun = false;
  bool m_inPass = false;
  uint32_t m_pass = 0;

 private:
  Value* GetValue(Handle h, EffectParamType want);
  GResult SetFloats(Handle h, const float* v, uint32_t count, EffectParamType type);

  std::vector<std::pair<GRenderState, uint32_t>> m_savedStates;
  struct SavedSampler {
    uint32_t unit;
    GSamplerState state;
    uint32_t value;
  };
  std::vector<SavedSampler> m_savedSamplers;
  bool m_saveState = true;
  std::string m_validationErrors;
};

constexpr uint32_t GFX_DONOTSAVESTATE = 0x1;
