// GLStates.cpp - render and sampler states of the GL device, mapped onto OpenGL.
#include "render/gl/GLDevice.h"

#include <algorithm>
#include <cstring>

namespace gldev {
namespace {

GLenum BlendFactor(uint32_t v) {
  switch (v) {
    case GBLEND_ZERO:
      return GL_ZERO;
    case GBLEND_ONE:
      return GL_ONE;
    case GBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case GBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case GBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case GBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case GBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case GBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case GBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case GBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case GBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    default:
      return GL_ONE;
  }
}

GLenum BlendEquation(uint32_t v) {
  switch (v) {
    case GBLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case GBLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case GBLENDOP_MIN:
      return GL_MIN;
    case GBLENDOP_MAX:
      return GL_MAX;
    default:
      return GL_FUNC_ADD;
  }
}

GLenum CompareFunc(uint32_t v) {
  return (v >= GCMP_NEVER && v <= GCMP_ALWAYS) ? GL_NEVER + (v - 1) : GL_ALWAYS;
}

GLenum StencilOp(uint32_t v) {
  switch (v) {
    case GSTENCILOP_ZERO:
      return GL_ZERO;
    case GSTENCILOP_REPLACE:
      return GL_REPLACE;
    case GSTENCILOP_INCRSAT:
      return GL_INCR;
    case GSTENCILOP_DECRSAT:
      return GL_DECR;
    case GSTENCILOP_INVERT:
      return GL_INVERT;
    case GSTENCILOP_INCR:
      return GL_INCR_WRAP;
    case GSTENCILOP_DECR:
      return GL_DECR_WRAP;
    default:
      return GL_KEEP;
  }
}

GLenum AddressMode(uint32_t v) {
  switch (v) {
    case GTADDRESS_MIRROR:
      return GL_MIRRORED_REPEAT;
    case GTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case GTADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    default:
      return GL_REPEAT;
  }
}

float AsFloat(uint32_t v) {
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}

}  // namespace

void Device::ApplyBlend() {
  bool separate = m_rs[GRS_SEPARATEALPHABLENDENABLE] != 0;
  GLenum src = BlendFactor(m_rs[GRS_SRCBLEND]), dst = BlendFactor(m_rs[GRS_DESTBLEND]);
  GLenum srcA = separate ? BlendFactor(m_rs[GRS_SRCBLENDALPHA]) : src;
  GLenum dstA = separate ? BlendFactor(m_rs[GRS_DESTBLENDALPHA]) : dst;
  kgl::BlendFuncSeparate(src, dst, srcA, dstA);
  GLenum op = BlendEquation(m_rs[GRS_BLENDOP]);
  kgl::BlendEquationSeparate(op, separate ? BlendEquation(m_rs[GRS_BLENDOPALPHA]) : op);
}

void Device::ApplyStencil() {
  const Surface* ds = static_cast<const Surface*>(m_depthStencil);
  const bool noStencil = DrawsToWindow() && !(ds && HasStencilBits(ds->Desc().format));
  if (m_rs[GRS_STENCILENABLE] && !noStencil)
    kgl::Enable(GL_STENCIL_TEST);
  else
    kgl::Disable(GL_STENCIL_TEST);
  kgl::StencilFunc(CompareFunc(m_rs[GRS_STENCILFUNC]), GLint(m_rs[GRS_STENCILREF]),
                   m_rs[GRS_STENCILMASK]);
  kgl::StencilOp(StencilOp(m_rs[GRS_STENCILFAIL]), StencilOp(m_rs[GRS_STENCILZFAIL]),
                 StencilOp(m_rs[GRS_STENCILPASS]));
  kgl::StencilMask(m_rs[GRS_STENCILWRITEMASK]);
}

void Device::ApplyRenderState(GRenderState s) {
  uint32_t v = m_rs[s];
  switch (s) {
    case GRS_ZENABLE:
      v && !(DrawsToWindow() && !m_depthStencil) ? kgl::Enable(GL_DEPTH_TEST)
                                                 : kgl::Disable(GL_DEPTH_TEST);
      break;
    case GRS_ZWRITEENABLE:
      kgl::DepthMask(v ? GL_TRUE : GL_FALSE);
      break;
    case GRS_ZFUNC:
      kgl::DepthFunc(CompareFunc(v));
      break;
    case GRS_ALPHABLENDENABLE:
      v ? kgl::Enable(GL_BLEND) : kgl::Disable(GL_BLEND);
      break;
    case GRS_SRCBLEND:
    case GRS_DESTBLEND:
    case GRS_BLENDOP:
    case GRS_SEPARATEALPHABLENDENABLE:
    case GRS_SRCBLENDALPHA:
    case GRS_DESTBLENDALPHA:
    case GRS_BLENDOPALPHA:
      ApplyBlend();
      break;
    case GRS_CULLMODE:
      // Clockwise is front in Direct3D: ApplyOrientation sets GL's front face.
      if (v == GCULL_NONE) {
        kgl::Disable(GL_CULL_FACE);
      } else {
        kgl::Enable(GL_CULL_FACE);
        kgl::CullFace(v == GCULL_CW ? GL_FRONT : GL_BACK);
      }
      break;
    case GRS_FILLMODE:
      kgl::PolygonMode(GL_FRONT_AND_BACK, v == GFILL_WIREFRAME ? GL_LINE
                                          : v == GFILL_POINT   ? GL_POINT
                                                               : GL_FILL);
      break;
    case GRS_STENCILENABLE:
    case GRS_STENCILFAIL:
    case GRS_STENCILZFAIL:
    case GRS_STENCILPASS:
    case GRS_STENCILFUNC:
    case GRS_STENCILREF:
    case GRS_STENCILMASK:
    case GRS_STENCILWRITEMASK:
      ApplyStencil();
      break;
    case GRS_COLORWRITEENABLE:
      kgl::ColorMask((v & 1) ? GL_TRUE : GL_FALSE, (v & 2) ? GL_TRUE : GL_FALSE,
                     (v & 4) ? GL_TRUE : GL_FALSE, (v & 8) ? GL_TRUE : GL_FALSE);
      break;
    case GRS_SCISSORTESTENABLE:
      // Clears and presentation borrow the scissor box: it is put back with the state.
      v ? kgl::Enable(GL_SCISSOR_TEST) : kgl::Disable(GL_SCISSOR_TEST);
      ApplyScissor();
      break;
    case GRS_CLIPPLANEENABLE:
      ++m_clipVersion;
      for (uint32_t i = 0; i < kMaxClipPlanes; ++i)
        (v >> i) & 1 ? kgl::Enable(GL_CLIP_DISTANCE0 + i) : kgl::Disable(GL_CLIP_DISTANCE0 + i);
      break;
    case GRS_DEPTHBIAS:
    case GRS_SLOPESCALEDEPTHBIAS: {
      float bias = AsFloat(m_rs[GRS_DEPTHBIAS]), slope = AsFloat(m_rs[GRS_SLOPESCALEDEPTHBIAS]);
      if (bias != 0.0f || slope != 0.0f)
        kgl::Enable(GL_POLYGON_OFFSET_FILL);
      else
        kgl::Disable(GL_POLYGON_OFFSET_FILL);
      kgl::PolygonOffset(slope,
                         bias * 65536.0f);  // bias is in 0..1 depth units, GL's in depth steps
      break;
    }
    case GRS_POINTSIZE:
      kgl::PointSize(std::max(1.0f, AsFloat(v)));
      break;
    default:
      break;  // fixed-function states (lighting, fog...) and the alpha test, which effects read
  }
}

void Device::ApplyAllStates() {
  ApplyOrientation();
  static const GRenderState kApplied[] = {
      GRS_ZENABLE,          GRS_ZWRITEENABLE,      GRS_ZFUNC,     GRS_ALPHABLENDENABLE,
      GRS_SRCBLEND,         GRS_CULLMODE,          GRS_FILLMODE,  GRS_STENCILENABLE,
      GRS_COLORWRITEENABLE, GRS_SCISSORTESTENABLE, GRS_DEPTHBIAS, GRS_POINTSIZE,
      GRS_CLIPPLANEENABLE};
  for (GRenderState s : kApplied) ApplyRenderState(s);
}

GResult Device::SetRenderState(GRenderState state, uint32_t value) {
  if (state >= GRS_MAX) return GERR_INVALIDCALL;
  if (m_rs[state] == value) return G_OK;
  m_rs[state] = value;
  ApplyRenderState(state);
  return G_OK;
}

GResult Device::GetRenderState(GRenderState state, uint32_t* value) {
  if (state >= GRS_MAX || !value) return GERR_INVALIDCALL;
  *value = m_rs[state];
  return G_OK;
}

void Device::ApplySampler(uint32_t u) {
  GLuint s = m_samplers[u];
  const uint32_t* st = m_ss[u];
  std::copy(st, st + GSAMP_MAX, m_appliedSs[u]);
  m_dirtySamplers &= ~(1u << u);
  kgl::SamplerParameteri(s, GL_TEXTURE_WRAP_S, GLint(AddressMode(st[GSAMP_ADDRESSU])));
  kgl::SamplerParameteri(s, GL_TEXTURE_WRAP_T, GLint(AddressMode(st[GSAMP_ADDRESSV])));
  kgl::SamplerParameteri(s, GL_TEXTURE_WRAP_R, GLint(AddressMode(st[GSAMP_ADDRESSW])));
  uint32_t c = st[GSAMP_BORDERCOLOR];
  float border[4] = {float((c >> 16) & 255) / 255.0f, float((c >> 8) & 255) / 255.0f,
                     float(c & 255) / 255.0f, float(c >> 24) / 255.0f};
  kgl::SamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, border);
  bool magPoint = st[GSAMP_MAGFILTER] <= GTEXF_POINT;
  bool minPoint = st[GSAMP_MINFILTER] <= GTEXF_POINT;
  GLenum minFilter;
  switch (st[GSAMP_MIPFILTER]) {
    case GTEXF_POINT:
      minFilter = minPoint ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST;
      break;
    case GTEXF_LINEAR:
    case GTEXF_ANISOTROPIC:
      minFilter = minPoint ? GL_NEAREST_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
      break;
    default:
      minFilter = minPoint ? GL_NEAREST : GL_LINEAR;
      break;
  }
  kgl::SamplerParameteri(s, GL_TEXTURE_MAG_FILTER, magPoint ? GL_NEAREST : GL_LINEAR);
  kgl::SamplerParameteri(s, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
  kgl::SamplerParameterf(s, GL_TEXTURE_LOD_BIAS, AsFloat(st[GSAMP_MIPMAPLODBIAS]));
  kgl::SamplerParameterf(s, GL_TEXTURE_MIN_LOD, float(st[GSAMP_MAXMIPLEVEL]));
}

GResult Device::SetSamplerState(uint32_t sampler, GSamplerState state, uint32_t value) {
  if (sampler >= kMaxSamplers || state >= GSAMP_MAX) return GERR_INVALIDCALL;
  if (m_ss[sampler][state] == value) return G_OK;
  m_ss[sampler][state] = value;
  m_dirtySamplers |= 1u << sampler;
  return G_OK;
}

void Device::ApplyDirtySamplers() {
  for (uint32_t u = 0; m_dirtySamplers; ++u) {
    const uint32_t bit = 1u << u;
    if (!(m_dirtySamplers & bit)) continue;
    if (std::equal(m_ss[u], m_ss[u] + GSAMP_MAX, m_appliedSs[u]))
      m_dirtySamplers &= ~bit;
    else
      ApplySampler(u);
  }
}

GResult Device::GetSamplerState(uint32_t sampler, GSamplerState state, uint32_t* value) {
  if (sampler >= kMaxSamplers || state >= GSAMP_MAX || !value) return GERR_INVALIDCALL;
  *value = m_ss[sampler][state];
  return G_OK;
}

}  // namespace gldev
