// Only one technique, for hardware newer than any we have.
vertexshader VS { void main() { gl_Position = in_Position; } }
pixelshader PS { void main() { FragColor = vec4(1.0); } }
technique Future { requires 5.0; pass P0 { VertexShader = VS; PixelShader = PS; } }
