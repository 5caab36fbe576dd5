// glow.fx - things that shine by themselves: the lighthouse lamp, the
// shells and the lantern glass. The texture (white when none is given)
// tinted by GlowColor is drawn flat in the scene and again, pulsing
// slowly, in the Glow pass that the glow blurs into a halo.

#include "common.fxh"

float4 GlowColor = {1.0, 0.85, 0.5, 1.0};
float PulseRate = 2.0;

texture DiffuseMap;
sampler DiffuseSampler = sampler_state {
  Texture = <DiffuseMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};

pixelshader ShinePS {
  in vec2 uv;
  void main() {
    vec4 base = texture(DiffuseSampler, uv);
    FragColor = vec4(mix(base.rgb, vec3(1.0), 0.5) * GlowColor.rgb, 1.0);
  }
}

pixelshader HaloPS {
  in vec2 uv;
  void main() {
    float pulse = 0.75 + 0.25 * sin(Time * PulseRate);
    FragColor = vec4(GlowColor.rgb * pulse, 1.0);
  }
}

technique AmbientEmissive {
  pass P0 {
    VertexShader = BaseVS;
    PixelShader = ShinePS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}

technique Glow {
  pass P0 {
    VertexShader = BaseVS;
    PixelShader = HaloPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}
