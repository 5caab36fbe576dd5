// GLFunctions.h - the OpenGL 3.3 core entry points the GL device uses.
//
// Loaded at run time through SDL_GL_GetProcAddress once a context exists, so
// nothing links against a particular GL library version; names drop the
// "gl" prefix and live in namespace kgl (kgl::Clear is glClear).
// Depends on: GL/glcorearb.h (types and constants only), SDL2.
#pragma once

#include <GL/glcorearb.h>

#include <string>

#define KAZ_GL_FUNCTIONS                                                                    \
  KAZ_GL(PFNGLGETERRORPROC, GetError)                                                       \
  KAZ_GL(PFNGLGETSTRINGPROC, GetString)                                                     \
  KAZ_GL(PFNGLGETSTRINGIPROC, GetStringi)                                                   \
  KAZ_GL(PFNGLGETINTEGERVPROC, GetIntegerv)                                                 \
  KAZ_GL(PFNGLGETFLOATVPROC, GetFloatv)                                                     \
  KAZ_GL(PFNGLENABLEPROC, Enable)                                                           \
  KAZ_GL(PFNGLDISABLEPROC, Disable)                                                         \
  KAZ_GL(PFNGLCLEARPROC, Clear)                                                             \
  KAZ_GL(PFNGLCLEARCOLORPROC, ClearColor)                                                   \
  KAZ_GL(PFNGLCLEARDEPTHPROC, ClearDepth)                                                   \
  KAZ_GL(PFNGLCLEARSTENCILPROC, ClearStencil)                                               \
  KAZ_GL(PFNGLVIEWPORTPROC, Viewport)                                                       \
  KAZ_GL(PFNGLDEPTHRANGEPROC, DepthRange)                                                   \
  KAZ_GL(PFNGLSCISSORPROC, Scissor)                                                         \
  KAZ_GL(PFNGLDEPTHFUNCPROC, DepthFunc)                                                     \
  KAZ_GL(PFNGLDEPTHMASKPROC, DepthMask)                                                     \
  KAZ_GL(PFNGLBLENDFUNCSEPARATEPROC, BlendFuncSeparate)                                     \
  KAZ_GL(PFNGLBLENDEQUATIONSEPARATEPROC, BlendEquationSeparate)                             \
  KAZ_GL(PFNGLCULLFACEPROC, CullFace)                                                       \
  KAZ_GL(PFNGLFRONTFACEPROC, FrontFace)                                                     \
  KAZ_GL(PFNGLPOLYGONMODEPROC, PolygonMode)                                                 \
  KAZ_GL(PFNGLPOLYGONOFFSETPROC, PolygonOffset)                                             \
  KAZ_GL(PFNGLCOLORMASKPROC, ColorMask)                                                     \
  KAZ_GL(PFNGLSTENCILFUNCPROC, StencilFunc)                                                 \
  KAZ_GL(PFNGLSTENCILOPPROC, StencilOp)                                                     \
  KAZ_GL(PFNGLSTENCILMASKPROC, StencilMask)                                                 \
  KAZ_GL(PFNGLPOINTSIZEPROC, PointSize)                                                     \
  KAZ_GL(PFNGLPIXELSTOREIPROC, PixelStorei)                                                 \
  KAZ_GL(PFNGLREADPIXELSPROC, ReadPixels)                                                   \
  KAZ_GL(PFNGLFINISHPROC, Finish)                                                           \
  KAZ_GL(PFNGLFLUSHPROC, Flush)                                                             \
  KAZ_GL(PFNGLGENTEXTURESPROC, GenTextures)                                                 \
  KAZ_GL(PFNGLDELETETEXTURESPROC, DeleteTextures)                                           \
  KAZ_GL(PFNGLBINDTEXTUREPROC, BindTexture)                                                 \
  KAZ_GL(PFNGLACTIVETEXTUREPROC, ActiveTexture)                                             \
  KAZ_GL(PFNGLTEXIMAGE2DPROC, TexImage2D)                                                   \
  KAZ_GL(PFNGLTEXIMAGE3DPROC, TexImage3D)                                                   \
  KAZ_GL(PFNGLTEXSUBIMAGE2DPROC, TexSubImage2D)                                             \
  KAZ_GL(PFNGLTEXSUBIMAGE3DPROC, TexSubImage3D)                                             \
  KAZ_GL(PFNGLCOMPRESSEDTEXIMAGE2DPROC, CompressedTexImage2D)                               \
  KAZ_GL(PFNGLCOMPRESSEDTEXSUBIMAGE2DPROC, CompressedTexSubImage2D)                         \
  KAZ_GL(PFNGLTEXPARAMETERIPROC, TexParameteri)                                             \
  KAZ_GL(PFNGLTEXPARAMETERIVPROC, TexParameteriv)                                           \
  KAZ_GL(PFNGLGETTEXIMAGEPROC, GetTexImage)                                                 \
  KAZ_GL(PFNGLGENBUFFERSPROC, GenBuffers)                                                   \
  KAZ_GL(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                                             \
  KAZ_GL(PFNGLBINDBUFFERPROC, BindBuffer)                                                   \
  KAZ_GL(PFNGLBUFFERDATAPROC, BufferData)                                                   \
  KAZ_GL(PFNGLBUFFERSUBDATAPROC, BufferSubData)                                             \
  KAZ_GL(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays)                                         \
  KAZ_GL(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays)                                   \
  KAZ_GL(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                                         \
  KAZ_GL(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray)                         \
  KAZ_GL(PFNGLDISABLEVERTEXATTRIBARRAYPROC, DisableVertexAttribArray)                       \
  KAZ_GL(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer)                                 \
  KAZ_GL(PFNGLVERTEXATTRIB4FPROC, VertexAttrib4f)                                           \
  KAZ_GL(PFNGLDRAWARRAYSPROC, DrawArrays)                                                   \
  KAZ_GL(PFNGLDRAWELEMENTSPROC, DrawElements)                                               \
  KAZ_GL(PFNGLDRAWELEMENTSBASEVERTEXPROC, DrawElementsBaseVertex)                           \
  KAZ_GL(PFNGLDRAWELEMENTSINSTANCEDBASEVERTEXPROC, DrawElementsInstancedBaseVertex)         \
  KAZ_GL(PFNGLVERTEXATTRIBDIVISORPROC, VertexAttribDivisor)                                 \
  KAZ_GL(PFNGLCREATESHADERPROC, CreateShader)                                               \
  KAZ_GL(PFNGLSHADERSOURCEPROC, ShaderSource)                                               \
  KAZ_GL(PFNGLCOMPILESHADERPROC, CompileShader)                                             \
  KAZ_GL(PFNGLGETSHADERIVPROC, GetShaderiv)                                                 \
  KAZ_GL(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)                                       \
  KAZ_GL(PFNGLDELETESHADERPROC, DeleteShader)                                               \
  KAZ_GL(PFNGLCREATEPROGRAMPROC, CreateProgram)                                             \
  KAZ_GL(PFNGLATTACHSHADERPROC, AttachShader)                                               \
  KAZ_GL(PFNGLLINKPROGRAMPROC, LinkProgram)                                                 \
  KAZ_GL(PFNGLGETPROGRAMIVPROC, GetProgramiv)                                               \
  KAZ_GL(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)                                     \
  KAZ_GL(PFNGLDELETEPROGRAMPROC, DeleteProgram)                                             \
  KAZ_GL(PFNGLUSEPROGRAMPROC, UseProgram)                                                   \
  KAZ_GL(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)                                   \
  KAZ_GL(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation)                                   \
  KAZ_GL(PFNGLBINDFRAGDATALOCATIONPROC, BindFragDataLocation)                               \
  KAZ_GL(PFNGLUNIFORM1IPROC, Uniform1i)                                                     \
  KAZ_GL(PFNGLUNIFORM1FPROC, Uniform1f)                                                     \
  KAZ_GL(PFNGLUNIFORM1FVPROC, Uniform1fv)                                                   \
  KAZ_GL(PFNGLUNIFORM2FVPROC, Uniform2fv)                                                   \
  KAZ_GL(PFNGLUNIFORM3FVPROC, Uniform3fv)                                                   \
  KAZ_GL(PFNGLUNIFORM4FVPROC, Uniform4fv)                                                   \
  KAZ_GL(PFNGLUNIFORM1IVPROC, Uniform1iv)                                                   \
  KAZ_GL(PFNGLUNIFORMMATRIX3FVPROC, UniformMatrix3fv)                                       \
  KAZ_GL(PFNGLUNIFORMMATRIX4FVPROC, UniformMatrix4fv)                                       \
  KAZ_GL(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers)                                         \
  KAZ_GL(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)                                   \
  KAZ_GL(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                                         \
  KAZ_GL(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D)                               \
  KAZ_GL(PFNGLFRAMEBUFFERTEXTURELAYERPROC, FramebufferTextureLayer)                         \
  KAZ_GL(PFNGLFRAMEBUFFERRENDERBUFFERPROC, FramebufferRenderbuffer)                         \
  KAZ_GL(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)                           \
  KAZ_GL(PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC, GetFramebufferAttachmentParameteriv) \
  KAZ_GL(PFNGLGENRENDERBUFFERSPROC, GenRenderbuffers)                                       \
  KAZ_GL(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers)                                 \
  KAZ_GL(PFNGLBINDRENDERBUFFERPROC, BindRenderbuffer)                                       \
  KAZ_GL(PFNGLRENDERBUFFERSTORAGEPROC, RenderbufferStorage)                                 \
  KAZ_GL(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer)                                         \
  KAZ_GL(PFNGLDRAWBUFFERPROC, DrawBuffer)                                                   \
  KAZ_GL(PFNGLREADBUFFERPROC, ReadBuffer)                                                   \
  KAZ_GL(PFNGLGENSAMPLERSPROC, GenSamplers)                                                 \
  KAZ_GL(PFNGLDELETESAMPLERSPROC, DeleteSamplers)                                           \
  KAZ_GL(PFNGLBINDSAMPLERPROC, BindSampler)                                                 \
  KAZ_GL(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri)                                     \
  KAZ_GL(PFNGLSAMPLERPARAMETERFPROC, SamplerParameterf)                                     \
  KAZ_GL(PFNGLSAMPLERPARAMETERFVPROC, SamplerParameterfv)

namespace kgl {
#define KAZ_GL(type, name) extern type name;
KAZ_GL_FUNCTIONS
#undef KAZ_GL

// Loads every entry point of the current context; false (with the first
// missing name in *missing) when one is absent.
bool Load(std::string* missing);
}  // namespace kgl
