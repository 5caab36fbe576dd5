// lamp.fx - a lamp that shines by itself: flat warm light in the scene and
// the same light, brighter, in the Glow pass that the glow blurs around it.

float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float4 LampColor = {1.0, 0.75, 0.35, 1.0};

vertexshader LampVS {
  void main() { gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); }
}

pixelshader LampPS {
  void main() { FragColor = LampColor; }
}

technique AmbientEmissive {
  pass P0 {
    VertexShader = LampVS;
    PixelShader = LampPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}

technique Glow {
  pass P0 {
    VertexShader = LampVS;
    PixelShader = LampPS;
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
  }
}
