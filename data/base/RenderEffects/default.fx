// default.fx - what world objects without a material of their own draw with.
//
// Techniques by render pass: "AmbientEmissive" lays down the base colour and
// depth, "Lit" adds up to four lights per repetition (additive), each darkened
// by its shadow map when it has one, "AmbientLit" does both at once for the
// first four lights of an object they reach (the engine uses it where those
// lights have no shadow map), "ShadowMap" (shadows.fxh) draws into a light's
// map, "Particles" draws camera-facing quads. Compiled by the engine once per bone-influence
// count: NUM_BONE_INFLUENCES is 0 for static meshes and 1..4 for skinned ones,
// which then read BLENDWEIGHT/BLENDINDICES and the BONES palette. Static
// meshes may be drawn instanced: Instanced is then true and each copy's world
// matrix comes in in_TexCoord4..7 (its columns), with the lights and the eye
// in world space.

#ifndef NUM_BONE_INFLUENCES
#define NUM_BONE_INFLUENCES 0
#endif

float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float4x4 World : WORLDMATRIX;
float3 ViewPos : VIEWPOS;
// A batch of lights per repetition of the Lit pass: the arrays' size is how
// many the engine hands over at once, LightCount how many of them are set.
float3 LightPos[4] : LIGHTPOS;
float3 LightColor[4] : LIGHTCOLOR;
float3 LightParams[4] : LIGHTPARAMS;
int LightCount : LIGHTCOUNT;
bool Instanced : INSTANCED;
float Time : TIME;
float4 AmbientColor = {0.25, 0.25, 0.25, 1.0};
float4 EmissiveColor = {0.0, 0.0, 0.0, 0.0};
#if NUM_BONE_INFLUENCES > 0
float4x4 Bones[20] : BONES;  // the bones one draw uses (kMaxBonesPerDraw)
#endif

texture DiffuseMap;
sampler DiffuseSampler = sampler_state {
  Texture = <DiffuseMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};

#define SHADOW_MAPS 4
#include "shadows.fxh"

glsl Skinning {
  // Object-space position and normal, skinned when the variant has bones.
  // The vertex inputs come as arguments: this block is shared with the
  // pixel stages, which have none.
  void SkinnedVertex(vec4 inPosition, vec4 inNormal, vec4 blendIndices, vec4 blendWeight,
                     out vec4 position, out vec3 normal) {
#if NUM_BONE_INFLUENCES > 0
    // Indices arrive as normalised colour bytes, as Direct3D delivers them.
    ivec4 index = ivec4(blendIndices * 255.0 + 0.5);
    vec4 weight = blendWeight;
#if NUM_BONE_INFLUENCES < 4
    weight[NUM_BONE_INFLUENCES - 1] = 1.0;
    for (int i = 0; i < NUM_BONE_INFLUENCES - 1; ++i) weight[NUM_BONE_INFLUENCES - 1] -= blendWeight[i];
#endif
    position = vec4(0.0);
    normal = vec3(0.0);
    for (int i = 0; i < NUM_BONE_INFLUENCES; ++i) {
      mat4 bone = Bones[clamp(index[i], 0, 19)];
      position += weight[i] * (bone * vec4(inPosition.xyz, 1.0));
      normal += weight[i] * (mat3(bone) * inNormal.xyz);
    }
    position.w = 1.0;
#else
    position = vec4(inPosition.xyz, 1.0);
    normal = inNormal.xyz;
#endif
  }

  // An instanced copy's vertex goes into the world, where its lights and the
  // eye are given; any other stays in the object's own space.
  void PlaceCopy(mat4 world, inout vec4 position, inout vec3 normal) {
    if (!Instanced) return;
    position = world * position;
    normal = mat3(world) * normal;
  }
}

vertexshader BaseVS {
  out vec2 uv;
  void main() {
    vec4 position;
    vec3 normal;
    SkinnedVertex(in_Position, in_Normal, in_BlendIndices, in_BlendWeight, position, normal);
    PlaceCopy(mat4(in_TexCoord4, in_TexCoord5, in_TexCoord6, in_TexCoord7), position, normal);
    uv = in_TexCoord0.xy;
    gl_Position = WorldViewProj * position;
  }
}

pixelshader AmbientEmissivePS {
  in vec2 uv;
  void main() {
    vec4 base = texture(DiffuseSampler, uv);
    FragColor = vec4(base.rgb * AmbientColor.rgb + EmissiveColor.rgb, base.a);
  }
}

vertexshader LitVS {
  out vec2 uv;
  out vec3 objPosition;
  out vec3 objNormal;
  void main() {
    vec4 position;
    vec3 normal;
    SkinnedVertex(in_Position, in_Normal, in_BlendIndices, in_BlendWeight, position, normal);
    PlaceCopy(mat4(in_TexCoord4, in_TexCoord5, in_TexCoord6, in_TexCoord7), position, normal);
    uv = in_TexCoord0.xy;
    // The lights come in the same space.
    objPosition = position.xyz;
    objNormal = normal;
    gl_Position = WorldViewProj * position;
  }
}

glsl Lights {
  // What this repetition's lights add at a point, each less what its shadow map hides.
  vec3 BatchLight(vec3 objPosition, vec3 objNormal) {
    vec3 normal = normalize(objNormal);
    vec3 light = vec3(0.0);
    for (int i = 0; i < LightCount; ++i) {
      vec3 toLight = LightPos[i] - objPosition;
      float dist = length(toLight);
      float range = max(LightParams[i].x, 0.0001);
      float falloff = clamp(1.0 - dist / range, 0.0, 1.0);
      float cosine = dot(normal, toLight / max(dist, 0.0001));
      float diffuse = max(cosine, 0.0);
      // The map is in world directions; an instanced copy is in the world
      // already. It is read for unlit points too: a software rasterizer runs
      // both sides of a branch, and pays for the masks besides.
      vec3 fromLight = Instanced ? -toLight : mat3(World) * -toLight;
      float shadow = LightShadow(i, fromLight, cosine, LightParams[i]);
      light += LightColor[i] * diffuse * falloff * shadow;
    }
    return light;
  }
}

pixelshader LitPS {
  in vec2 uv;
  in vec3 objPosition;
  in vec3 objNormal;
  void main() {
    vec4 base = texture(DiffuseSampler, uv);
    FragColor = vec4(base.rgb * BatchLight(objPosition, objNormal), base.a);
  }
}

// The ambient pass and the first batch of lights in one, for an object that
// lights reach: drawn once instead of twice.
pixelshader AmbientLitPS {
  in vec2 uv;
  in vec3 objPosition;
  in vec3 objNormal;
  void main() {
    vec4 base = texture(DiffuseSampler, uv);
    vec3 light = AmbientColor.rgb + BatchLight(objPosition, objNormal);
    FragColor = vec4(base.rgb * light + EmissiveColor.rgb, base.a);
  }
}

vertexshader ParticleVS {
  out vec2 uv;
  out vec4 color;
  void main() {
    uv = in_TexCoord0.xy;
    color = in_Color0;
    gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0);
  }
}

pixelshader ParticlePS {
  in vec2 uv;
  in vec4 color;
  void main() { FragColor = texture(DiffuseSampler, uv) * color; }
}

technique AmbientEmissive {
  pass P0 {
    VertexShader = BaseVS;
    PixelShader = AmbientEmissivePS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}

technique AmbientLit {
  pass P0 {
    VertexShader = LitVS;
    PixelShader = AmbientLitPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}

technique Lit {
  pass P0 {
    VertexShader = LitVS;
    PixelShader = LitPS;
    ZEnable = true;
    ZWriteEnable = false;
    ZFunc = LessEqual;
    AlphaBlendEnable = true;
    SrcBlend = One;
    DestBlend = One;
  }
}

technique Particles {
  pass P0 {
    VertexShader = ParticleVS;
    PixelShader = ParticlePS;
    ZEnable = true;
    ZWriteEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = One;
    CullMode = None;
  }
}
