// cove.fx - the cove's daylight surfaces: sand, rock, wood, metal, feathers
// and the keeper. A bright sky ambient and the sun lay down the base colour,
// each point light adds its share (less what its shadow map hides), and
// particles drawn with it blend by their alpha (spray and smoke darken what
// lies behind them as well as lighten it). An object lit by a light without
// a shadow map is drawn once, with AmbientLit (ambient, sun and the light);
// one whose light has a map gets it from the Lit pass, after the depth is
// laid down. Everything drawn with it casts shadows (the ShadowMap technique
// of shadows.fxh).

#include "common.fxh"
#include "shadows.fxh"

float4 AmbientColor = {0.55, 0.55, 0.6, 1.0};
float4 EmissiveColor = {0.0, 0.0, 0.0, 0.0};

// The nearest mip level, not a blend of two: on the cove's soft textures the
// seam between levels does not show, and a software rasterizer samples half
// as many texels.
texture DiffuseMap;
sampler DiffuseSampler = sampler_state {
  Texture = <DiffuseMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Point;
  AddressU = Wrap;
  AddressV = Wrap;
};

// The sky's light and the sun's are worked out per vertex: over the cove's
// broad faces that is what a pixel would get, and a software rasterizer pays
// for every normalisation a pixel makes.
vertexshader AmbientVS {
  out vec2 uv;
  out vec3 ambient;
  void main() {
    vec4 position;
    vec3 normal;
    SkinnedVertex(in_Position, in_Normal, in_BlendIndices, in_BlendWeight, position, normal);
    uv = in_TexCoord0.xy;
    ambient = AmbientColor.rgb + Sunlight(mat3(World) * normal);
    gl_Position = WorldViewProj * position;
  }
}

// The ambient pass with the sun and the first light at once (AmbientLit).
vertexshader AmbientLitVS {
  out vec2 uv;
  out vec3 ambient;
  out vec3 toLight;
  out vec3 objNormal;
  out vec3 fromLight;
  void main() {
    vec4 position;
    vec3 normal;
    SkinnedVertex(in_Position, in_Normal, in_BlendIndices, in_BlendWeight, position, normal);
    uv = in_TexCoord0.xy;
    ambient = AmbientColor.rgb + Sunlight(mat3(World) * normal);
    toLight = LightPos - position.xyz;
    fromLight = mat3(World) * -toLight;
    objNormal = normal;
    gl_Position = WorldViewProj * position;
  }
}

pixelshader AmbientPS {
  in vec2 uv;
  in vec3 ambient;
  void main() {
    vec4 base = texture(DiffuseSampler, uv);
    FragColor = vec4(base.rgb * ambient + EmissiveColor.rgb, base.a);
  }
}

glsl CoveLight {
  // What the light of this repetition adds: diffuse with a linear fall-off
  // to the light's range, less what its shadow map hides (fromLight: the
  // same way in world directions, as the map is kept). The map is read
  // whether the point faces the light or not: a software rasterizer would
  // run the lookup anyway, and pay for the branch besides.
  vec3 ShadowedLight(vec3 toLight, vec3 objNormal, vec3 fromLight) {
    float dist = length(toLight);
    float cosine = dot(normalize(objNormal), toLight) / max(dist, 0.0001);
    float falloff = clamp(1.0 - dist / max(LightParams.x, 0.0001), 0.0, 1.0);
    float lit = max(cosine, 0.0) * falloff * LightShadow(0, fromLight, cosine, LightParams);
    return LightColor * lit;
  }
}

pixelshader LitPS {
  in vec2 uv;
  in vec3 toLight;
  in vec3 objNormal;
  in vec3 fromLight;
  void main() {
    vec4 base = texture(DiffuseSampler, uv);
    FragColor = vec4(base.rgb * ShadowedLight(toLight, objNormal, fromLight), base.a);
  }
}

// The ambient pass and the first light in one (the picture is the sum of
// the two passes).
pixelshader AmbientLitPS {
  in vec2 uv;
  in vec3 ambient;
  in vec3 toLight;
  in vec3 objNormal;
  in vec3 fromLight;
  void main() {
    vec4 base = texture(DiffuseSampler, uv);
    vec3 light = ambient + ShadowedLight(toLight, objNormal, fromLight);
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
    VertexShader = AmbientVS;
    PixelShader = AmbientPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}

// An includer that defines AMBIENT_ONLY has no light passes: no light reaches it.
#ifndef AMBIENT_ONLY
technique AmbientLit {
  pass P0 {
    VertexShader = AmbientLitVS;
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
#endif

technique Particles {
  pass P0 {
    VertexShader = ParticleVS;
    PixelShader = ParticlePS;
    ZEnable = true;
    ZWriteEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    CullMode = None;
  }
}
