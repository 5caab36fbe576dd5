// Test effect: a textured quad whose sampler sets no states of its own, so
// it samples with whatever the device's sampler unit holds.
float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
texture DiffuseMap;
sampler DiffuseSampler = sampler_state {
  Texture = <DiffuseMap>;
};

vertexshader QuadVS {
  out vec2 uv;
  void main() {
    uv = in_TexCoord0.xy;
    gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0);
  }
}

pixelshader TexturedPS {
  in vec2 uv;
  void main() { FragColor = texture(DiffuseSampler, uv); }
}

technique Textured {
  pass P0 { VertexShader = QuadVS; PixelShader = TexturedPS; CullMode = None; ZEnable = false; }
}
