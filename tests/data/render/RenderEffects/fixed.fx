// Test effect: a quad whose colour tells the values of its parameters, for
// effects compiled with some of them fixed (red: a quarter per turn of a loop
// bounded by COUNT; green: SHARE; blue: the first of Counts, an array with
// the semantic COUNT too, halved unless SWITCH).
float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
int Count : COUNT;
float Share : SHARE = 0.25;
bool Switch : SWITCH;
float Counts[2] : COUNT;

vertexshader QuadVS {
  void main() { gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); }
}

pixelshader TellPS {
  void main() {
    float turns = 0.0;
    for (int i = 0; i < Count; ++i) turns += 0.25;
    FragColor = vec4(turns, Share, Switch ? Counts[0] : 0.5 * Counts[0], 1.0);
  }
}

technique Tell {
  pass P0 { VertexShader = QuadVS; PixelShader = TellPS; CullMode = None; ZEnable = false; }
}
