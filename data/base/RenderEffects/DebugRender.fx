// DebugRender.fx - the debug lines: grid, axes, boxes, skeletons and paths,
// in their vertex colours, over the scene but depth-tested.

float4x4 World : WORLDMATRIX;
float4x4 View : VIEWMATRIX;
float4x4 Proj : PROJMATRIX;

vertexshader LineVS {
  out vec4 colour;
  void main() {
    colour = in_Color0;
    gl_Position = Proj * View * World * vec4(in_Position.xyz, 1.0);
  }
}

pixelshader LinePS {
  in vec4 colour;
  void main() { FragColor = colour; }
}

technique Lines {
  pass P0 {
    VertexShader = LineVS;
    PixelShader = LinePS;
    ZEnable = true;
    ZWriteEnable = false;
    ZFunc = LessEqual;
    AlphaBlendEnable = false;
    CullMode = None;
  }
}
