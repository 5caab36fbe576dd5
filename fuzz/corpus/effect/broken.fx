float4 Color = {1, 0, 0, 1};

vertexshader VS {
  void main() { gl_Position = vec4(in_Position.xyz, 1.0); }
}
pixelshader PS {
  void main() {
    FragColor = Color
  }
}
technique T { pass P0 { VertexShader = VS; PixelShader = PS; } }
