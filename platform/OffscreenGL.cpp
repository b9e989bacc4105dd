#include "platform/OffscreenGL.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <cstdlib>

namespace platform {

OffscreenGL::OffscreenGL(int width, int height) : width_(width), height_(height) {
  // Mesa's software rasteriser, whatever hardware the machine has.
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  EGLDisplay dpy = EGL_NO_DISPLAY;
  if (getPlatformDisplay)
    dpy = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (dpy == EGL_NO_DISPLAY) {
    error_ = "no surfaceless EGL display";
    return;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(dpy, &major, &minor)) {
    error_ = "eglInitialize failed";
    return;
  }
  display_ = dpy;
  const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                  EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                  EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                  EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8,
                                  EGL_NONE};
  EGLConfig config;
  EGLint count = 0;
  if (!eglChooseConfig(dpy, configAttribs, &config, 1, &count) || count < 1) {
    error_ = "no RGBA8/depth24/stencil8 pbuffer config";
    return;
  }
  const EGLint pbufferAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(dpy, config, pbufferAttribs);
  if (surface == EGL_NO_SURFACE) {
    error_ = "eglCreatePbufferSurface failed";
    return;
  }
  surface_ = surface;
  eglBindAPI(EGL_OPENGL_API);
  const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                   EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext ctx = eglCreateContext(dpy, config, EGL_NO_CONTEXT, contextAttribs);
  if (ctx == EGL_NO_CONTEXT) {
    error_ = "eglCreateContext failed";
    return;
  }
  context_ = ctx;
  valid_ = MakeCurrent();
  if (!valid_) error_ = "eglMakeCurrent failed";
  else glViewport(0, 0, width, height);
}

OffscreenGL::~OffscreenGL() {
  if (display_) {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_) eglDestroyContext(display_, context_);
    if (surface_) eglDestroySurface(display_, surface_);
    eglTerminate(display_);
  }
}

bool OffscreenGL::MakeCurrent() {
  if (!display_ || !surface_ || !context_) return false;
  return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

std::vector<uint8_t> OffscreenGL::ReadPixels() const {
  std::vector<uint8_t> pixels(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
  if (!valid_) return pixels;
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

}  // namespace platform
