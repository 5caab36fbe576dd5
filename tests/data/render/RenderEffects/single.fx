// Test effect: a Lit pass that takes one light per repetition (LIGHTPOS is a
// single value), as effects written before batches of lights do.
float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float3 LightPos : LIGHTPOS;
float3 LightColor : LIGHTCOLOR;
float3 LightParams : LIGHTPARAMS;
vertexshader VS { void main() { gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); } }
pixelshader PS { void main() { FragColor = vec4(LightColor * LightParams.x, 1.0); } }
technique AmbientEmissive { pass P0 { VertexShader = VS; PixelShader = PS; } }
technique Lit {
  pass P0 { VertexShader = VS; PixelShader = PS; AlphaBlendEnable = true; SrcBlend = One; DestBlend = One; }
}
