// Records every text the outline fonts print while it is installed: the
// text, font, Print arguments, where its origin lands in window pixels and
// the colour current at the time. Shared by the PFD and ND harnesses.
#pragma once
#include <string>
#include <vector>

#include "support/opengl/CgFontFI.h"

namespace testsupport {

struct PrintRecord {
  std::string text;
  const TCGFont3D* font = nullptr;
  float x = 0, y = 0, z = 0;  // Print arguments, in units of the font size
  float winX = 0, winY = 0;   // the text's origin in window pixels
  float r = 0, g = 0, b = 0;  // current colour
};

// Installs the font print hook, appending to *out; removed again by
// StopRecordingPrints.
void RecordPrints(std::vector<PrintRecord>* out);
void StopRecordingPrints();

// The records of text in font f (nullptr: any font).
std::vector<PrintRecord> PrintsOf(const std::vector<PrintRecord>& all, const std::string& text,
                                  const TCGFont3D* f = nullptr);

// The GL state of the main display program's start-up (the matrices its
// frames start from, alpha blending) and the clears that begin each of its
// frames.
void BeginProgramFrame(float drawScale);

}  // namespace testsupport
