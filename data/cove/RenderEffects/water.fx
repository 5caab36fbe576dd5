// water.fx - the sea: the water texture drifting two ways at once, lit by
// the sky and the sun, a little see-through over the sloping sand. It has no
// Lit technique: the lamp's and the campfire's ranges end before the
// waterline, and a pass of theirs over the whole sea would add nothing.

#include "common.fxh"

float4 AmbientColor = {0.45, 0.55, 0.65, 0.8};

texture DiffuseMap;
sampler DiffuseSampler = sampler_state {
  Texture = <DiffuseMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};

glsl Drift {
  vec3 Sea(vec2 uv) {
    vec3 a = texture(DiffuseSampler, uv + vec2(Time * 0.02, Time * 0.01)).rgb;
    vec3 b = texture(DiffuseSampler, uv * 1.7 - vec2(Time * 0.015, -Time * 0.02)).rgb;
    return (a + b) * 0.5;
  }
}

pixelshader SeaPS {
  in vec2 uv;
  in vec3 worldNormal;
  // The sun is divided by the alpha so that it still adds in full, as the
  // point lights' passes do.
  void main() {
    vec3 light = AmbientColor.rgb + Sunlight(worldNormal) / AmbientColor.a;
    FragColor = vec4(Sea(uv) * light, AmbientColor.a);
  }
}

technique AmbientEmissive {
  pass P0 {
    VertexShader = AmbientVS;
    PixelShader = SeaPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
  }
}
