// glow.fx - the glow: the Glow pass's image blurred back and forth between
// two square targets (BlurH, then BlurV, four times), then added over the
// scene (Overlay). Drawn as 2D quads in target pixels.

float4x4 Proj2D : PROJ2DMATRIX;
float4x4 Identity : IDENTITYMATRIX;
texture GlowTexture : TEXTURE;

sampler GlowSampler = sampler_state {
  Texture = <GlowTexture>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};

glsl Blur {
  // Nine taps of a Gaussian along one axis, in texels of the source.
  vec4 Blur9(vec2 uv, vec2 axis) {
    vec2 texel = axis / vec2(textureSize(GlowSampler, 0));
    const float weights[5] = float[5](0.2270270, 0.1945946, 0.1216216, 0.0540541, 0.0162162);
    vec4 sum = texture(GlowSampler, uv) * weights[0];
    for (int i = 1; i < 5; ++i) {
      sum += texture(GlowSampler, uv + texel * float(i)) * weights[i];
      sum += texture(GlowSampler, uv - texel * float(i)) * weights[i];
    }
    return sum;
  }
}

vertexshader QuadVS {
  out vec2 uv;
  void main() {
    gl_Position = Proj2D * Identity * vec4(in_Position.xyz, 1.0);
    uv = in_TexCoord0.xy;
  }
}

pixelshader BlurHPS {
  in vec2 uv;
  void main() { FragColor = Blur9(uv, vec2(1.0, 0.0)); }
}

pixelshader BlurVPS {
  in vec2 uv;
  void main() { FragColor = Blur9(uv, vec2(0.0, 1.0)); }
}

pixelshader OverlayPS {
  in vec2 uv;
  // The blur spreads the light thin; this brings the halo back up.
  void main() { FragColor = vec4(texture(GlowSampler, uv).rgb * 2.0, 1.0); }
}

technique BlurH {
  pass P0 {
    VertexShader = QuadVS;
    PixelShader = BlurHPS;
    ZEnable = false;
    ZWriteEnable = false;
    AlphaBlendEnable = false;
    CullMode = None;
  }
}

technique BlurV {
  pass P0 {
    VertexShader = QuadVS;
    PixelShader = BlurVPS;
    ZEnable = false;
    ZWriteEnable = false;
    AlphaBlendEnable = false;
    CullMode = None;
  }
}

technique Overlay {
  pass P0 {
    VertexShader = QuadVS;
    PixelShader = OverlayPS;
    ZEnable = false;
    ZWriteEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = One;
    DestBlend = One;
    CullMode = None;
  }
}
