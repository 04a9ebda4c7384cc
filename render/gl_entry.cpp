// GL extension entry points (through GLEW, which owns the __glew pointers)
// and the framebuffer the reflection cube map is rendered through.
#include <cstdio>

#include "render/render.h"

GLuint gEnvFramebuffer = 0;
GLuint gEnvCubeTexture = 0;
GLuint gEnvDepthBuffer = 0;

namespace {

const GLsizei kEnvFaceSize = 256;

bool gGlewReady = false;

}  // namespace

// GLEW needs a current context; its pointers stay valid for the whole run.
bool initGlEntryPoints() {
  if (gGlewReady) return true;
  glewExperimental = GL_TRUE;
  GLenum result = glewInit();
  if (result != GLEW_OK) {
    std::printf("OpenGL entry points could not be loaded: %s\n",
                reinterpret_cast<const char*>(glewGetErrorString(result)));
    return false;
  }
  // GLEW may leave a harmless GL error behind on newer contexts.
  while (glGetError() != GL_NO_ERROR) {
  }
  gGlewReady = true;
  return true;
}

namespace {

bool framebufferEntryPointsPresent() {
  return __glewBindRenderbufferEXT && __glewGenRenderbuffersEXT && __glewRenderbufferStorageEXT &&
         __glewBindFramebufferEXT && __glewGenFramebuffersEXT && __glewFramebufferTexture2DEXT &&
         __glewFramebufferRenderbufferEXT && __glewCheckFramebufferStatusEXT;
}

// The driver has to accept a cube face as colour attachment beside the depth
// buffer, or every reflection pass would draw into nothing.
bool envFramebufferComplete() {
  if (gEnvCubeTexture == 0) return true;  // nothing to attach yet
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                            GL_TEXTURE_CUBE_MAP_POSITIVE_X, gEnvCubeTexture, 0);
  GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
  if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
    std::printf("Reflection framebuffer incomplete (status 0x%04x): the car shows no reflections\n",
                status);
  }
  // The colour attachment stays empty until the frame loop attaches a face.
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                            GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, 0);
  return status == GL_FRAMEBUFFER_COMPLETE_EXT;
}

}  // namespace

bool fetchVertexBufferEntryPoints() {
  static bool warned = false;
  if (initGlEntryPoints() && __glewBindBufferARB && __glewGenBuffersARB && __glewBufferDataARB) return true;
  if (!warned) {
    std::printf("OpenGL extension GL_ARB_vertex_buffer_object is missing: models draw from client arrays\n");
    warned = true;
  }
  return false;
}

bool vertexBuffersAvailable() {
  return gGlewReady && __glewBindBufferARB && __glewGenBuffersARB && __glewBufferDataARB;
}

void bindModelBuffers(GLuint vertexBuffer, GLuint indexBuffer) {
  if (!vertexBuffersAvailable()) return;
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, vertexBuffer);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, indexBuffer);
}

void loadExtensionEntryPoints() {
  if (!initGlEntryPoints()) return;
  if (!framebufferEntryPointsPresent()) {
    std::printf("OpenGL extension GL_EXT_framebuffer_object is missing: the car shows no reflections\n");
    return;
  }
  glGenFramebuffersEXT(1, &gEnvFramebuffer);
  glGenRenderbuffersEXT(1, &gEnvDepthBuffer);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gEnvFramebuffer);
  glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, gEnvDepthBuffer);
  glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, kEnvFaceSize, kEnvFaceSize);
  glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                               gEnvDepthBuffer);
  const bool complete = envFramebufferComplete();
  glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  // The frame loop skips the reflection pass without a usable framebuffer.
  if (!complete) gEnvFramebuffer = 0;
}
