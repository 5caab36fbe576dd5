// GLEffect.cpp - effects on the GL device: GLSL programs per pass, attribute and uniform binding.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "base/Log.h"
#include "render/gl/GLDevice.h"

namespace gldev {
namespace {

// Vertex inputs every vertex stage sees, by location (AttributeLocation).
const char* const kAttributeNames[16] = {
    "in_Position",  "in_BlendWeight", "in_BlendIndices", "in_Normal",
    "in_Color0",    "in_Color1",      "in_Tangent",      "in_Binormal",
    "in_TexCoord0", "in_TexCoord1",   "in_TexCoord2",    "in_TexCoord3",
    "in_TexCoord4", "in_TexCoord5",   "in_TexCoord6",    "in_TexCoord7"};

std::string GlslType(const EffectParam& p) {
  switch (p.type) {
    case EPT_FLOAT:
      if (p.rows == 4 && p.columns == 4) return "mat4";
      if (p.rows == 3 && p.columns == 3) return "mat3";
      if (p.columns == 2) return "vec2";
      if (p.columns == 3) return "vec3";
      if (p.columns == 4) return "vec4";
      return "float";
    case EPT_INT:
      return "int";
    case EPT_BOOL:
      return "bool";
    case EPT_SAMPLER:
      return p.textureKind == ETK_CUBE ? "samplerCube"
             : p.textureKind == ETK_3D ? "sampler3D"
                                       : "sampler2D";
    default:
      return "";
  }
}

// "const int LightCount = 2;": a fixed value in GLSL's own spelling,
// whatever the process's locale.
std::string ConstantDeclaration(const EffectParam& p, const std::string& type) {
  const float v = p.initial.empty() ? 0.0f : p.initial[0];
  std::string value;
  if (p.type == EPT_BOOL) {
    value = v != 0.0f ? "true" : "false";
  } else if (p.type == EPT_INT) {
    value = std::to_string(std::isfinite(v) ? int(std::clamp(v, -1e9f, 1e9f)) : 0);
  } else {
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof(text), std::isfinite(v) ? v : 0.0f);
    value.assign(text, ec == std::errc() ? end : text);
    if (value.find_first_of(".e") == std::string::npos) value += ".0";
  }
  return "const " + type + ' ' + p.name + " = " + value + ";\n";
}

const char* kAlphaTest = R"(
bool kaz_AlphaPasses(float a) {
  float v = floor(clamp(a, 0.0, 1.0) * 255.0 + 0.5);
  switch (kaz_AlphaFunc) {
    case 1: return false;
    case 2: return v < kaz_AlphaRef;
    case 3: return v == kaz_AlphaRef;
    case 4: return v <= kaz_AlphaRef;
    case 5: return v > kaz_AlphaRef;
    case 6: return v != kaz_AlphaRef;
    case 7: return v >= kaz_AlphaRef;
    default: return true;
  }
}
)";

}  // namespace

Effect::Effect(Device* device, EffectDesc desc) : GEffect(device, std::move(desc)), m_gl(device) {
  m_passPrograms.resize(m_desc.techniques.size());
  for (size_t t = 0; t < m_desc.techniques.size(); ++t)
    m_passPrograms[t].assign(m_desc.techniques[t].passes.size(), {nullptr, nullptr});
}

Effect::~Effect() {
  for (auto& [key, prog] : m_programs) {
    if (m_gl->CurrentProgram() == prog.name) m_gl->UseProgram(0, nullptr);
    kgl::DeleteProgram(prog.name);
  }
}

std::string Effect::BuildSource(const EffectPass& pass, EffectStage stage, bool alphaTest) const {
  const EffectShader* body =
      m_desc.FindShader(stage == ES_VERTEX ? pass.vertexShader : pass.pixelShader);
  std::string s = "#version 330 core\n";
  // The effect was told (TEXTURE_GATHER) and may gather. Only a stage that
  // does gets the extension: it makes words such as "sample" keywords.
  bool gathers = false;
  for (const EffectShader& sh : m_desc.shaders)
    if ((sh.stage == ES_COMMON || &sh == body) &&
        sh.code.find("textureGather") != std::string::npos)
      gathers = true;
  if (gathers && m_gl->HasGather()) s += "#extension GL_ARB_gpu_shader5 : enable\n";
  s += stage == ES_VERTEX ? "#define KAZ_VERTEX_SHADER 1\n" : "#define KAZ_PIXEL_SHADER 1\n";
  for (const EffectParam& p : m_desc.params) {
    std::string type = GlslType(p);
    if (type.empty()) continue;
    if (p.constant) {
      s += ConstantDeclaration(p, type);
      continue;
    }
    s += "uniform ";
    s += type;
    s += ' ';
    s += p.name;
    if (p.arraySize) {
      s += '[';
      s += std::to_string(p.arraySize);
      s += ']';
    }
    s += ";\n";
  }
  if (stage == ES_VERTEX) {
    static_assert(kMaxClipPlanes == 6, "the vertex epilogue's arrays");
    s += "uniform vec4 kaz_ClipPlanes[6];\nout float gl_ClipDistance[6];\n";
    s += "uniform float kaz_FlipY;\n";
    for (int i = 0; i < 16; ++i) {
      // Appended piece by piece (here and above): GCC 12 warns falsely
      // (-Wrestrict) about the chained form.
      s += "layout(location = ";
      s += std::to_string(i);
      s += ") in vec4 ";
      s += kAttributeNames[i];
      s += ";\n";
    }
  } else {
    s += "layout(location = 0) out vec4 FragColor;\n";
    s += "uniform int kaz_AlphaFunc;\nuniform float kaz_AlphaRef;\n";
    s += kAlphaTest;
  }
  s += "#define main kaz_main\n";
  for (const EffectShader& sh : m_desc.shaders)
    if (sh.stage == ES_COMMON) s += sh.code;
  if (body) s += body->code;
  s += "#undef main\n";
  if (stage == ES_VERTEX) {
    // The device's clip planes are in Direct3D's clip space, the shader's
    // own (a plane not enabled reads as zeros: it keeps everything); then y
    // as the target runs (flipped into a texture, whose row 0 is the top;
    // upright into the window), depth 0..1.
    s += "void main() {\n  kaz_main();\n"
         "  for (int i = 0; i < 6; ++i) gl_ClipDistance[i] = dot(kaz_ClipPlanes[i], gl_Position);\n"
         "  gl_Position.y *= kaz_FlipY;\n"
         "  gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n}\n";
  } else {
    // Only the alpha-tested variant may discard: a shader that can discard
    // costs the rasteriser its fast paths even when the test always passes.
    if (alphaTest)
      s += "void main() {\n  kaz_main();\n  if (kaz_AlphaFunc != 8 && "
           "!kaz_AlphaPasses(FragColor.a)) discard;\n}\n";
    else
      s += "void main() {\n  kaz_main();\n}\n";
  }
  return s;
}

// "0:12(5): error: ..." (Mesa) or "0(12) : error ..." -> "file.fx(12): error: ...".
std::string Effect::MapLog(const std::string& log) const {
  std::string out;
  size_t pos = 0;
  while (pos < log.size()) {
    size_t eol = log.find('\n', pos);
    if (eol == std::string::npos) eol = log.size();
    std::string line = log.substr(pos, eol - pos);
    pos = eol + 1;
    if (line.empty()) continue;
    char* end = nullptr;
    long file = std::strtol(line.c_str(), &end, 10);
    long lineNo = -1;
    const char* rest = nullptr;
    if (end != line.c_str() && *end == ':') {
      lineNo = std::strtol(end + 1, &end, 10);
      if (*end == '(') end = std::strchr(end, ')');
      if (end && *end == ')') ++end;
      rest = end;
    } else if (end != line.c_str() && *end == '(') {
      lineNo = std::strtol(end + 1, &end, 10);
      rest = (*end == ')') ? end + 1 : nullptr;
    }
    if (rest && lineNo >= 0 && file >= 0 && size_t(file) < m_desc.files.size()) {
      while (*rest == ' ' || *rest == ':') ++rest;
      out += m_desc.files[size_t(file)] + "(" + std::to_string(lineNo) + "): " + rest + "\n";
    } else {
      out += line + "\n";
    }
  }
  return out;
}

Effect::Program* Effect::GetProgram(uint32_t tech, uint32_t pass, bool alphaTest,
                                    std::string* error) {
  if (Program* cached = m_passPrograms[tech][pass][alphaTest]) return cached;
  const EffectPass& p = m_desc.techniques[tech].passes[pass];
  ProgramKey key{p.vertexShader, p.pixelShader, alphaTest};
  if (auto f = m_failed.find(key); f != m_failed.end()) {
    *error = f->second;
    return nullptr;
  }
  auto it = m_programs.find(key);
  if (it != m_programs.end()) {
    m_passPrograms[tech][pass][alphaTest] = &it->second;
    return &it->second;
  }
  if (p.vertexShader.empty() || p.pixelShader.empty()) {
    *error = m_desc.fileName + ": pass " + std::to_string(pass) + " of technique '" +
             m_desc.techniques[tech].name + "' needs a VertexShader and a PixelShader";
    m_failed[key] = *error;
    return nullptr;
  }
  GLuint shaders[2] = {0, 0};
  bool ok = true;
  for (int i = 0; i < 2 && ok; ++i) {
    EffectStage stage = i == 0 ? ES_VERTEX : ES_PIXEL;
    std::string src = BuildSource(p, stage, alphaTest);
    shaders[i] = kgl::CreateShader(i == 0 ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    const char* text = src.c_str();
    kgl::ShaderSource(shaders[i], 1, &text, nullptr);
    kgl::CompileShader(shaders[i]);
    GLint status = 0;
    kgl::GetShaderiv(shaders[i], GL_COMPILE_STATUS, &status);
    if (!status) {
      GLint len = 0;
      kgl::GetShaderiv(shaders[i], GL_INFO_LOG_LENGTH, &len);
      std::string log(size_t(std::max(len, 1)), '\0');
      kgl::GetShaderInfoLog(shaders[i], len, nullptr, log.data());
      *error = MapLog(log.c_str());
      ok = false;
    }
  }
  GLuint prog = 0;
  if (ok) {
    prog = kgl::CreateProgram();
    kgl::AttachShader(prog, shaders[0]);
    kgl::AttachShader(prog, shaders[1]);
    kgl::LinkProgram(prog);
    GLint status = 0;
    kgl::GetProgramiv(prog, GL_LINK_STATUS, &status);
    if (!status) {
      GLint len = 0;
      kgl::GetProgramiv(prog, GL_INFO_LOG_LENGTH, &len);
      std::string log(size_t(std::max(len, 1)), '\0');
      kgl::GetProgramInfoLog(prog, len, nullptr, log.data());
      *error = m_desc.fileName + ": link failed for " + p.vertexShader + "/" + p.pixelShader +
               ": " + log.c_str();
      kgl::DeleteProgram(prog);
      ok = false;
    }
  }
  for (GLuint s : shaders)
    if (s) kgl::DeleteShader(s);
  if (!ok) {
    m_failed[key] = *error;
    return nullptr;
  }
  Program& pr = m_programs[key];
  pr.name = prog;
  pr.locations.resize(m_desc.params.size(), -1);
  pr.versions.assign(m_desc.params.size(), 0);
  m_gl->UseProgram(prog, nullptr);
  for (size_t i = 0; i < m_desc.params.size(); ++i) {
    const EffectParam& param = m_desc.params[i];
    if (GlslType(param).empty()) continue;
    pr.locations[i] = kgl::GetUniformLocation(prog, param.name.c_str());
    if (param.type == EPT_SAMPLER && pr.locations[i] >= 0 && SamplerUnit(uint32_t(i)) >= 0)
      kgl::Uniform1i(pr.locations[i], SamplerUnit(uint32_t(i)));
  }
  pr.alphaFunc = kgl::GetUniformLocation(prog, "kaz_AlphaFunc");
  pr.alphaRef = kgl::GetUniformLocation(prog, "kaz_AlphaRef");
  pr.clipPlanes = kgl::GetUniformLocation(prog, "kaz_ClipPlanes");
  pr.orientation.flipY = kgl::GetUniformLocation(prog, "kaz_FlipY");
  m_passPrograms[tech][pass][alphaTest] = &pr;
  return &pr;
}

// Validation builds the variant without the alpha test (the common case);
// the alpha-tested one differs only in its epilogue and is built on first use.
bool Effect::CompilePass(uint32_t tech, uint32_t pass, std::string* error) {
  return GetProgram(tech, pass, false, error) != nullptr;
}

bool Effect::AlphaTestWanted() const {
  return m_gl->RenderState(GRS_ALPHATESTENABLE) &&
         m_gl->RenderState(GRS_ALPHAFUNC) != uint32_t(GCMP_ALWAYS);
}

Effect::Program* Effect::SelectProgram(uint32_t tech, uint32_t pass) {
  bool alphaTest = AlphaTestWanted();
  Program* p = m_passPrograms[tech][pass][alphaTest];
  if (!p) {
    std::string error;
    p = GetProgram(tech, pass, alphaTest, &error);
    if (!p) {
      if (m_lastError != error) LogError("%s", error.c_str());
      m_lastError = error;
      return nullptr;
    }
  }
  m_gl->UseProgram(p->name, &p->orientation);
  return p;
}

GResult Effect::ApplyPass(uint32_t tech, uint32_t pass) {
  return SelectProgram(tech, pass) ? G_OK : GERR_INVALIDCALL;
}

void Effect::UploadValues(uint32_t tech, uint32_t pass) {
  // The alpha test may have been switched since the pass began.
  Program* pr = SelectProgram(tech, pass);
  if (!pr) return;
  for (size_t i = 0; i < m_desc.params.size(); ++i) {
    GLint loc = pr->locations[i];
    const Value& v = m_values[i];
    if (loc < 0 || pr->versions[i] == v.version || v.data.empty()) continue;
    pr->versions[i] = v.version;
    const EffectParam& p = m_desc.params[i];
    GLsizei count = GLsizei(p.arraySize ? p.arraySize : 1);
    const float* d = v.data.data();
    if (p.type == EPT_INT || p.type == EPT_BOOL) {
      std::vector<GLint> ints(v.data.begin(), v.data.end());
      kgl::Uniform1iv(loc, GLsizei(ints.size()), ints.data());
    } else if (p.rows == 4 && p.columns == 4) {
      kgl::UniformMatrix4fv(loc, count, GL_FALSE,
                            d);  // row-major E read as columns: GLSL sees E transposed
    } else if (p.rows == 3 && p.columns == 3) {
      kgl::UniformMatrix3fv(loc, count, GL_FALSE, d);
    } else if (p.columns == 4) {
      kgl::Uniform4fv(loc, count, d);
    } else if (p.columns == 3) {
      kgl::Uniform3fv(loc, count, d);
    } else if (p.columns == 2) {
      kgl::Uniform2fv(loc, count, d);
    } else {
      kgl::Uniform1fv(loc, count, d);
    }
  }
  uint32_t func = m_gl->RenderState(GRS_ALPHATESTENABLE) ? m_gl->RenderState(GRS_ALPHAFUNC)
                                                         : uint32_t(GCMP_ALWAYS);
  uint32_t ref = m_gl->RenderState(GRS_ALPHAREF) & 0xFF;
  if (pr->alphaFunc >= 0 && func != pr->lastAlphaFunc) {
    kgl::Uniform1i(pr->alphaFunc, GLint(func));
    pr->lastAlphaFunc = func;
  }
  if (pr->alphaRef >= 0 && ref != pr->lastAlphaRef) {
    kgl::Uniform1f(pr->alphaRef, float(ref));
    pr->lastAlphaRef = ref;
  }
  if (pr->clipPlanes >= 0 && pr->clipVersion != m_gl->ClipPlaneVersion()) {
    kgl::Uniform4fv(pr->clipPlanes, GLsizei(kMaxClipPlanes), m_gl->ShaderClipPlanes());
    pr->clipVersion = m_gl->ClipPlaneVersion();
  }
}

GResult Device::CreateEffect(const EffectDesc& desc, GEffect** effect, std::string* errors) {
  if (!effect) return GERR_INVALIDCALL;
  Effect* e = new Effect(this, desc);
  // Compile up front what can run here, so shader errors surface as compile
  // errors with their file and line rather than as a technique that fails to validate.
  GCaps caps = m_system->Caps();
  uint32_t model = std::min(caps.vertexShaderVersion, caps.pixelShaderVersion) & 0xFFFF;
  for (uint32_t t = 0; t < desc.techniques.size(); ++t) {
    if (desc.techniques[t].requiredVersion > model) continue;
    if (GFailed(e->ValidateTechnique(GEffect::kTechniqueBase + t))) {
      if (errors) *errors = e->GetValidationErrors();
      e->Release();
      return GERR_COMPILEFAILED;
    }
  }
  *effect = e;
  return G_OK;
}

}  // namespace gldev
