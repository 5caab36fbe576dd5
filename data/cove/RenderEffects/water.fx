// water.fx - the sea: small waves drifting two ways at once (two scrolling
// samples of a normal map tilt the surface), mirroring the sky where the eye
// looks along the water and showing the water's own colour, lit by the sky
// and the sun, where it looks down into it; a little see-through over the
// sloping sand. It has no Lit technique: the lamp's and the campfire's ranges
// end before the waterline, and a pass of theirs over the whole sea would add
// nothing. It casts no shadows (no ShadowMap technique).

#include "common.fxh"

float4 AmbientColor = {0.45, 0.55, 0.65, 0.8};
// How far the waves tilt the surface, and how far apart they are (per texture repeat).
float WaveTilt = 0.35;
float WaveScale = 0.5;

texture DiffuseMap;
sampler DiffuseSampler = sampler_state {
  Texture = <DiffuseMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};

// Slopes of the waves: red along x, green along z, 0.5 level.
texture NormalMap;
sampler NormalSampler = sampler_state {
  Texture = <NormalMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};

texture SkyMap;
samplerCUBE SkySampler = sampler_state {
  Texture = <SkyMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Clamp;
  AddressV = Clamp;
  AddressW = Clamp;
};

glsl Waves {
  vec3 Sea(vec2 uv) {
    vec3 a = texture(DiffuseSampler, uv + vec2(Time * 0.02, Time * 0.01)).rgb;
    vec3 b = texture(DiffuseSampler, uv * 1.7 - vec2(Time * 0.015, -Time * 0.02)).rgb;
    return (a + b) * 0.5;
  }

  // The surface's normal in world space; the sea lies in the x-z plane.
  vec3 WaveNormal(vec2 uv) {
    vec2 a = texture(NormalSampler, uv * WaveScale + vec2(Time * 0.031, Time * 0.017)).rg;
    vec2 b = texture(NormalSampler, uv * WaveScale * 1.63 - vec2(Time * 0.023, -Time * 0.029)).rg;
    vec2 tilt = (a + b - 1.0) * WaveTilt;
    return normalize(vec3(tilt.x, 1.0, tilt.y));
  }
}

vertexshader SeaVS {
  out vec2 uv;
  out vec3 fromEye;
  void main() {
    vec4 position = vec4(in_Position.xyz, 1.0);
    uv = in_TexCoord0.xy;
    // VIEWPOS is the eye in the sea's own space: both ends go into the world.
    fromEye = (World * position).xyz - (World * vec4(ViewPos, 1.0)).xyz;
    gl_Position = WorldViewProj * position;
  }
}

pixelshader SeaPS {
  in vec2 uv;
  in vec3 fromEye;
  void main() {
    vec3 normal = WaveNormal(uv);
    vec3 view = normalize(fromEye);
    vec3 mirrored = reflect(view, normal);
    mirrored.y = abs(mirrored.y);  // a wave never mirrors what lies under the sea
    vec3 sky = texture(SkySampler, mirrored).rgb;
    // Looking along the water it mirrors nearly all; looking down, little.
    float fresnel = 0.08 + 0.92 * pow(1.0 - max(dot(-view, normal), 0.0), 5.0);
    // The sun is divided by the alpha so that it still adds in full.
    vec3 body = Sea(uv) * (AmbientColor.rgb + Sunlight(normal) / AmbientColor.a);
    vec3 glint = SunColor * 2.0 * pow(max(dot(mirrored, normalize(SunDirection)), 0.0), 120.0);
    FragColor = vec4(mix(body, sky, fresnel) + glint, mix(AmbientColor.a, 1.0, fresnel));
  }
}

technique AmbientEmissive {
  pass P0 {
    VertexShader = SeaVS;
    PixelShader = SeaPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
  }
}
