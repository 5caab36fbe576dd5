// EffectTables.cpp - the names of render states, sampler states, their values and parameter types.
#include "render/effect/EffectTables.h"

namespace effecttables {
namespace {

const NamedValue kBlendValues[] = {{"Zero", GBLEND_ZERO},
                                   {"One", GBLEND_ONE},
                                   {"SrcColor", GBLEND_SRCCOLOR},
                                   {"InvSrcColor", GBLEND_INVSRCCOLOR},
                                   {"SrcAlpha", GBLEND_SRCALPHA},
                                   {"InvSrcAlpha", GBLEND_INVSRCALPHA},
                                   {"DestAlpha", GBLEND_DESTALPHA},
                                   {"InvDestAlpha", GBLEND_INVDESTALPHA},
                                   {"DestColor", GBLEND_DESTCOLOR},
                                   {"InvDestColor", GBLEND_INVDESTCOLOR},
                                   {"SrcAlphaSat", GBLEND_SRCALPHASAT},
                                   {nullptr, 0}};
const NamedValue kCmpValues[] = {{"Never", GCMP_NEVER},
                                 {"Less", GCMP_LESS},
                                 {"Equal", GCMP_EQUAL},
                                 {"LessEqual", GCMP_LESSEQUAL},
                                 {"Greater", GCMP_GREATER},
                                 {"NotEqual", GCMP_NOTEQUAL},
                                 {"GreaterEqual", GCMP_GREATEREQUAL},
                                 {"Always", GCMP_ALWAYS},
                                 {nullptr, 0}};
const NamedValue kCullValues[] = {
    {"None", GCULL_NONE}, {"CW", GCULL_CW}, {"CCW", GCULL_CCW}, {nullptr, 0}};
const NamedValue kFillValues[] = {
    {"Point", GFILL_POINT}, {"Wireframe", GFILL_WIREFRAME}, {"Solid", GFILL_SOLID}, {nullptr, 0}};
const NamedValue kBlendOpValues[] = {
    {"Add", GBLENDOP_ADD}, {"Subtract", GBLENDOP_SUBTRACT}, {"RevSubtract", GBLENDOP_REVSUBTRACT},
    {"Min", GBLENDOP_MIN}, {"Max", GBLENDOP_MAX},           {nullptr, 0}};
const NamedValue kStencilOpValues[] = {{"Keep", GSTENCILOP_KEEP},
                                       {"Zero", GSTENCILOP_ZERO},
                                       {"Replace", GSTENCILOP_REPLACE},
                                       {"IncrSat", GSTENCILOP_INCRSAT},
                                       {"DecrSat", GSTENCILOP_DECRSAT},
                                       {"Invert", GSTENCILOP_INVERT},
                                       {"Incr", GSTENCILOP_INCR},
                                       {"Decr", GSTENCILOP_DECR},
                                       {nullptr, 0}};
const NamedValue kShadeValues[] = {{"Flat", 1}, {"Gouraud", 2}, {"Phong", 3}, {nullptr, 0}};
const NamedValue kAddressValues[] = {{"Wrap", GTADDRESS_WRAP},
                                     {"Mirror", GTADDRESS_MIRROR},
                                     {"Clamp", GTADDRESS_CLAMP},
                                     {"Border", GTADDRESS_BORDER},
                                     {nullptr, 0}};
const NamedValue kFilterValues[] = {{"None", GTEXF_NONE},
                                    {"Point", GTEXF_POINT},
                                    {"Linear", GTEXF_LINEAR},
                                    {"Anisotropic", GTEXF_ANISOTROPIC},
                                    {nullptr, 0}};
const StateInfo kRenderStates[] = {
    {"ZEnable", GRS_ZENABLE, VK_BOOL, nullptr},
    {"FillMode", GRS_FILLMODE, VK_ENUM, kFillValues},
    {"ShadeMode", GRS_SHADEMODE, VK_ENUM, kShadeValues},
    {"ZWriteEnable", GRS_ZWRITEENABLE, VK_BOOL, nullptr},
    {"AlphaTestEnable", GRS_ALPHATESTENABLE, VK_BOOL, nullptr},
    {"SrcBlend", GRS_SRCBLEND, VK_ENUM, kBlendValues},
    {"DestBlend", GRS_DESTBLEND, VK_ENUM, kBlendValues},
    {"CullMode", GRS_CULLMODE, VK_ENUM, kCullValues},
    {"ZFunc", GRS_ZFUNC, VK_ENUM, kCmpValues},
    {"AlphaRef", GRS_ALPHAREF, VK_INT, nullptr},
    {"AlphaFunc", GRS_ALPHAFUNC, VK_ENUM, kCmpValues},
    {"DitherEnable", GRS_DITHERENABLE, VK_BOOL, nullptr},
    {"AlphaBlendEnable", GRS_ALPHABLENDENABLE, VK_BOOL, nullptr},
    {"FogEnable", GRS_FOGENABLE, VK_BOOL, nullptr},
    {"SpecularEnable", GRS_SPECULARENABLE, VK_BOOL, nullptr},
    {"StencilEnable", GRS_STENCILENABLE, VK_BOOL, nullptr},
    {"StencilFail", GRS_STENCILFAIL, VK_ENUM, kStencilOpValues},
    {"StencilZFail", GRS_STENCILZFAIL, VK_ENUM, kStencilOpValues},
    {"StencilPass", GRS_STENCILPASS, VK_ENUM, kStencilOpValues},
    {"StencilFunc", GRS_STENCILFUNC, VK_ENUM, kCmpValues},
    {"StencilRef", GRS_STENCILREF, VK_INT, nullptr},
    {"StencilMask", GRS_STENCILMASK, VK_INT, nullptr},
    {"StencilWriteMask", GRS_STENCILWRITEMASK, VK_INT, nullptr},
    {"TextureFactor", GRS_TEXTUREFACTOR, VK_INT, nullptr},
    {"Lighting", GRS_LIGHTING, VK_BOOL, nullptr},
    {"PointSize", GRS_POINTSIZE, VK_FLOAT, nullptr},
    {"ColorWriteEnable", GRS_COLORWRITEENABLE, VK_INT, nullptr},
    {"BlendOp", GRS_BLENDOP, VK_ENUM, kBlendOpValues},
    {"ScissorTestEnable", GRS_SCISSORTESTENABLE, VK_BOOL, nullptr},
    {"SlopeScaleDepthBias", GRS_SLOPESCALEDEPTHBIAS, VK_FLOAT, nullptr},
    {"DepthBias", GRS_DEPTHBIAS, VK_FLOAT, nullptr},
    {"SeparateAlphaBlendEnable", GRS_SEPARATEALPHABLENDENABLE, VK_BOOL, nullptr},
    {"SrcBlendAlpha", GRS_SRCBLENDALPHA, VK_ENUM, kBlendValues},
    {"DestBlendAlpha", GRS_DESTBLENDALPHA, VK_ENUM, kBlendValues},
    {"BlendOpAlpha", GRS_BLENDOPALPHA, VK_ENUM, kBlendOpValues},
};
const SamplerStateInfo kSamplerStates[] = {
    {"AddressU", GSAMP_ADDRESSU, VK_ENUM, kAddressValues},
    {"AddressV", GSAMP_ADDRESSV, VK_ENUM, kAddressValues},
    {"AddressW", GSAMP_ADDRESSW, VK_ENUM, kAddressValues},
    {"BorderColor", GSAMP_BORDERCOLOR, VK_INT, nullptr},
    {"MagFilter", GSAMP_MAGFILTER, VK_ENUM, kFilterValues},
    {"MinFilter", GSAMP_MINFILTER, VK_ENUM, kFilterValues},
    {"MipFilter", GSAMP_MIPFILTER, VK_ENUM, kFilterValues},
    {"MipMapLodBias", GSAMP_MIPMAPLODBIAS, VK_FLOAT, nullptr},
    {"MaxMipLevel", GSAMP_MAXMIPLEVEL, VK_INT, nullptr},
    {"MaxAnisotropy", GSAMP_MAXANISOTROPY, VK_INT, nullptr},
};
const TypeInfo kTypes[] = {
    {"float", EPT_FLOAT, 1, 1, ETK_NONE},     {"float1", EPT_FLOAT, 1, 1, ETK_NONE},
    {"float2", EPT_FLOAT, 1, 2, ETK_NONE},    {"float3", EPT_FLOAT, 1, 3, ETK_NONE},
    {"float4", EPT_FLOAT, 1, 4, ETK_NONE},    {"float3x3", EPT_FLOAT, 3, 3, ETK_NONE},
    {"float4x4", EPT_FLOAT, 4, 4, ETK_NONE},  {"matrix", EPT_FLOAT, 4, 4, ETK_NONE},
    {"int", EPT_INT, 1, 1, ETK_NONE},         {"bool", EPT_BOOL, 1, 1, ETK_NONE},
    {"string", EPT_STRING, 1, 1, ETK_NONE},   {"texture", EPT_TEXTURE, 1, 1, ETK_2D},
    {"texture2D", EPT_TEXTURE, 1, 1, ETK_2D}, {"textureCUBE", EPT_TEXTURE, 1, 1, ETK_CUBE},
    {"texture3D", EPT_TEXTURE, 1, 1, ETK_3D}, {"sampler", EPT_SAMPLER, 1, 1, ETK_2D},
    {"sampler2D", EPT_SAMPLER, 1, 1, ETK_2D}, {"samplerCUBE", EPT_SAMPLER, 1, 1, ETK_CUBE},
    {"sampler3D", EPT_SAMPLER, 1, 1, ETK_3D},
};

}  // namespace

std::span<const StateInfo> RenderStateTable() {
  return kRenderStates;
}
std::span<const SamplerStateInfo> SamplerStateTable() {
  return kSamplerStates;
}
std::span<const TypeInfo> TypeTable() {
  return kTypes;
}

}  // namespace effecttables

const char* GetRenderStateName(GRenderState state) {
  for (const effecttables::StateInfo& s : effecttables::RenderStateTable())
    if (s.state == state) return s.name;
  return "";
}
