#include "tests/common/PrintRecorder.h"

#include <GL/gl.h>

#include "kestrane/KestraneFrame.h"

namespace testsupport {

void RecordPrints(std::vector<PrintRecord>* out) {
  TCGFont3D::SetPrintHook([out](const TCGFont3D& font, const char* text, float x, float y, float z) {
    PrintRecord r;
    r.text = text;
    r.font = &font;
    r.x = x;
    r.y = y;
    r.z = z;
    // The origin in window pixels: model-view (which carries the
    // orthographic square), then the viewport.
    GLfloat m[16];
    GLint vp[4];
    GLfloat c[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetIntegerv(GL_VIEWPORT, vp);
    glGetFloatv(GL_CURRENT_COLOR, c);
    const float px = x * font.Size, py = y * font.Size, pz = z * font.Size;
    const float nx = m[0] * px + m[4] * py + m[8] * pz + m[12];
    const float ny = m[1] * px + m[5] * py + m[9] * pz + m[13];
    r.winX = vp[0] + (nx + 1) / 2 * vp[2];
    r.winY = vp[1] + (ny + 1) / 2 * vp[3];
    r.r = c[0];
    r.g = c[1];
    r.b = c[2];
    out->push_back(r);
  });
}

void StopRecordingPrints() { TCGFont3D::SetPrintHook(nullptr); }

std::vector<PrintRecord> PrintsOf(const std::vector<PrintRecord>& all, const std::string& text,
                                  const TCGFont3D* f) {
  std::vector<PrintRecord> out;
  for (const PrintRecord& r : all)
    if (r.text == text && (f == nullptr || r.font == f)) out.push_back(r);
  return out;
}

void BeginProgramFrame(float drawScale) {
  LoadFrameMatrices(drawScale);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor3f(1, 1, 0);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
}

}  // namespace testsupport
