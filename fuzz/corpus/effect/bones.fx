// Compiles only for some bone counts: three influences trip #error.
#if NUM_BONE_INFLUENCES == 3
#error three bone influences are not supported
#endif
float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float4x4 World : WORLDMATRIX;
float3 LightPos : LIGHTPOS;
float Time : TIME;
texture DiffuseMap;
texture NormalMap;
sampler DiffuseSampler = sampler_state { Texture = <DiffuseMap>; };
vertexshader VS { void main() { gl_Position = WorldViewProj * in_Position; } }
pixelshader PS { void main() { FragColor = texture(DiffuseSampler, vec2(0.5)); } }
technique AmbientEmissive { pass P0 { VertexShader = VS; PixelShader = PS; } }
technique Lit { pass P0 { VertexShader = VS; PixelShader = PS; AlphaBlendEnable = true; } }
