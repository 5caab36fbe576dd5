// DebugRender.fx - the debug lines: grid, axes, boxes, skeletons and paths,
// in their vertex colours, over the scene but depth-tested. With OnTop set
// (skeletons: the skin around the bones would hide every one of them) the
// lines go to the near plane (depth 0, as in every effect here) and pass the
// depth test everywhere.

float4x4 World : WORLDMATRIX;
float4x4 View : VIEWMATRIX;
float4x4 Proj : PROJMATRIX;
float OnTop = 0;

vertexshader LineVS {
  out vec4 colour;
  void main() {
    colour = in_Color0;
    gl_Position = Proj * View * World * vec4(in_Position.xyz, 1.0);
    if (OnTop > 0.5) gl_Position.z = 0.0001 * gl_Position.w;
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
