// 2DQuads.fx - the 2D overlays: quads and bitmap text in screen pixels.
// Vertices carry a position in pixels, a colour and a texture coordinate.
// Textured multiplies the colour by TEXTURE0; Untextured is the colour alone;
// Font takes the glyph coverage of TEXTURE1 as the colour's opacity.

float4x4 Proj2D : PROJ2DMATRIX;
float4x4 Identity : IDENTITYMATRIX;
texture QuadTexture : TEXTURE0;
texture FontTexture : TEXTURE1;

sampler QuadSampler = sampler_state {
  Texture = <QuadTexture>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};

sampler FontSampler = sampler_state {
  Texture = <FontTexture>;
  MinFilter = Point; MagFilter = Point; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};

glsl Shared {
  vec4 ToScreen(vec4 position) { return Proj2D * Identity * vec4(position.xyz, 1.0); }
}

vertexshader QuadVS {
  out vec4 colour;
  out vec2 uv;
  void main() {
    gl_Position = ToScreen(in_Position);
    colour = in_Color0;
    uv = in_TexCoord0.xy;
  }
}

pixelshader TexturedPS {
  in vec4 colour;
  in vec2 uv;
  void main() { FragColor = colour * texture(QuadSampler, uv); }
}

pixelshader UntexturedPS {
  in vec4 colour;
  in vec2 uv;
  void main() { FragColor = colour; }
}

pixelshader FontPS {
  in vec4 colour;
  in vec2 uv;
  void main() { FragColor = vec4(colour.rgb, colour.a * texture(FontSampler, uv).a); }
}

technique Textured {
  pass P0 {
    VertexShader = QuadVS;
    PixelShader = TexturedPS;
    ZEnable = false;
    ZWriteEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    CullMode = None;
  }
}

technique Untextured {
  pass P0 {
    VertexShader = QuadVS;
    PixelShader = UntexturedPS;
    ZEnable = false;
    ZWriteEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    CullMode = None;
  }
}

technique Font {
  pass P0 {
    VertexShader = QuadVS;
    PixelShader = FontPS;
    ZEnable = false;
    ZWriteEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    CullMode = None;
  }
}
