// Test effect: a textured or flat-coloured quad in clip space.
#include "common.fxh"

float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float4 Tint : TINT = {1, 1, 1, 1};
texture DiffuseMap;
sampler DiffuseSampler = sampler_state {
  Texture = <DiffuseMap>;
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
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
  void main() { FragColor = texture(DiffuseSampler, uv) * Tint; }
}

pixelshader SolidPS {
  void main() { FragColor = Scale(Tint); }
}

technique Textured {
  pass P0 { VertexShader = QuadVS; PixelShader = TexturedPS; CullMode = None; ZEnable = false; }
}

technique Culled {
  pass P0 { VertexShader = QuadVS; PixelShader = SolidPS; ZEnable = false; }
}

technique CulledCW {
  pass P0 { VertexShader = QuadVS; PixelShader = SolidPS; CullMode = CW; ZEnable = false; }
}

technique Blended {
  pass P0 {
    VertexShader = QuadVS;
    PixelShader = SolidPS;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    ZWriteEnable = false;
    CullMode = None;
  }
}

technique AlphaTested {
  pass P0 {
    VertexShader = QuadVS;
    PixelShader = SolidPS;
    AlphaTestEnable = true;
    AlphaFunc = Greater;
    AlphaRef = 128;
    CullMode = None;
  }
}

technique Future {
  requires 4.0;
  pass P0 { VertexShader = QuadVS; PixelShader = SolidPS; }
}

technique DepthTested {
  pass P0 { VertexShader = QuadVS; PixelShader = SolidPS; CullMode = None; ZFunc = Less; }
}
