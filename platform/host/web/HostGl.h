// The GL entry points in the page: OpenGL ES 3.0 (WebGL 2), with the few desktop
// calls it lacks mapped onto their ES forms.
#pragma once

#include <GLES3/gl3.h>

#define GL_POINT 0x1B00
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02

// No polygon modes: wireframe is drawn with line lists instead (see GlMesh).
inline void glPolygonMode(GLenum, GLenum) {}
inline void glClearDepth(double depth) { glClearDepthf(static_cast<GLfloat>(depth)); }
inline void glDepthRange(double nearZ, double farZ) {
    glDepthRangef(static_cast<GLfloat>(nearZ), static_cast<GLfloat>(farZ));
}
// WebGL 2 is ES 3.0: invalidation is core there.
inline int epoxy_gl_version() { return 30; }
inline bool epoxy_is_desktop_gl() { return false; }
inline bool epoxy_has_gl_extension(const char*) { return false; }
