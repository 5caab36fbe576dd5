// ScreenFlash.fx - the full-screen flash: an untextured quad in screen pixels
// whose colour and opacity the frame loop sets every frame.

float4x4 Proj2D : PROJ2DMATRIX;
float4 FlashColor = {1.0, 1.0, 1.0, 0.0};

vertexshader FlashVS {
  void main() { gl_Position = Proj2D * vec4(in_Position.xyz, 1.0); }
}

pixelshader FlashPS {
  void main() { FragColor = FlashColor; }
}

technique Flash {
  pass P0 {
    VertexShader = FlashVS;
    PixelShader = FlashPS;
    ZEnable = false;
    ZWriteEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    CullMode = None;
  }
}
