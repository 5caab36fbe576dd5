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
  // The nine-tap Gaussian along one axis, folded into five bilinear fetches:
  // each pair of outer taps becomes one fetch between them, weighted by the
  // pair's sum and placed at their weighted centre.
  const float kCentreWeight = 0.2270270270;
  const float kNearWeight = 0.3162162162;
  const float kFarWeight = 0.0702702703;
  const float kNearOffset = 1.3846153846;
  const float kFarOffset = 3.2307692308;
}

vertexshader QuadVS {
  out vec2 uv;
  void main() {
    gl_Position = Proj2D * Identity * vec4(in_Position.xyz, 1.0);
    uv = in_TexCoord0.xy;
  }
}

// The fetch positions are worked out per vertex (they vary linearly across
// the quad), so the pixel shader does no address arithmetic of its own.
glsl BlurTaps {
  void BlurTaps(vec2 uv, vec2 texel, out vec2 centre, out vec4 near, out vec4 far) {
    centre = uv;
    near = vec4(uv + texel * kNearOffset, uv - texel * kNearOffset);
    far = vec4(uv + texel * kFarOffset, uv - texel * kFarOffset);
  }
}

vertexshader BlurHVS {
  out vec2 centre;
  out vec4 near;
  out vec4 far;
  void main() {
    gl_Position = Proj2D * Identity * vec4(in_Position.xyz, 1.0);
    BlurTaps(in_TexCoord0.xy, vec2(1.0, 0.0) / vec2(textureSize(GlowSampler, 0)), centre, near, far);
  }
}

vertexshader BlurVVS {
  out vec2 centre;
  out vec4 near;
  out vec4 far;
  void main() {
    gl_Position = Proj2D * Identity * vec4(in_Position.xyz, 1.0);
    BlurTaps(in_TexCoord0.xy, vec2(0.0, 1.0) / vec2(textureSize(GlowSampler, 0)), centre, near, far);
  }
}

pixelshader BlurPS {
  in vec2 centre;
  in vec4 near;
  in vec4 far;
  void main() {
    FragColor = texture(GlowSampler, centre) * kCentreWeight +
                (texture(GlowSampler, near.xy) + texture(GlowSampler, near.zw)) * kNearWeight +
                (texture(GlowSampler, far.xy) + texture(GlowSampler, far.zw)) * kFarWeight;
  }
}

pixelshader OverlayPS {
  in vec2 uv;
  // The blur spreads the light thin; this brings the halo back up.
  void main() { FragColor = vec4(texture(GlowSampler, uv).rgb * 2.0, 1.0); }
}

technique BlurH {
  pass P0 {
    VertexShader = BlurHVS;
    PixelShader = BlurPS;
    ZEnable = false;
    ZWriteEnable = false;
    AlphaBlendEnable = false;
    CullMode = None;
  }
}

technique BlurV {
  pass P0 {
    VertexShader = BlurVVS;
    PixelShader = BlurPS;
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
