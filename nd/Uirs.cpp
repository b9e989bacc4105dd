#include "nd/Uirs.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "shared/BrokerValue.h"
#include "platform/DisplayLists.h"

std::unique_ptr<tIRS> Irs;

void tIRS::Init() {
  Latitude.fill(-91);
  Longitude.fill(-181);
  if (!platform::BeginFixedList(kPositionSymbolList)) return;
  glLineWidth(2);
  glColor3f(1, 1, 1);
  glBegin(GL_LINES);
  for (int k = 0; k < 5; ++k) {
    const double a = 72.0 * k * std::numbers::pi / 180.0;
    glVertex2d(0, 0);
    glVertex2d(3 * std::sin(a), 3 * std::cos(a));
  }
  glEnd();
  glLineWidth(1);
  glEndList();
}

void tIRS::ParseLine(std::string_view Line) {
  if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
  if (Line.empty()) return;
  if (Line.find("MV.Irs") == std::string_view::npos || brokerlink::IsConnLine(Line)) return;
  // Read in this order; a name that begins a longer one also matches inside
  // it ("MV.Irs1Align" in "MV.Irs1AlignDel"), as the broker rule has it.
  struct Group {
    const char* names[3];
    std::array<int, 3>& values;
  };
  const Group groups[] = {
      {{"MV.Irs1Align", "MV.Irs2Align", "MV.Irs3Align"}, Align},
      {{"MV.Irs1Sel", "MV.Irs2Sel", "MV.Irs3Sel"}, Sel},
      {{"MV.Irs1Quality", "MV.Irs2Quality", "MV.Irs3Quality"}, IrsQuality},
      {{"MV.Irs1AlignDel", "MV.Irs2AlignDel", "MV.Irs3AlignDel"}, AlignDel},
  };
  using brokerlink::ReadBrokerInt;
  for (const Group& g : groups)
    for (int i = 0; i < 3; ++i) ReadBrokerInt(Line, g.names[i], g.values[i]);
  ReadBrokerInt(Line, "MV.IrsAligning", Aligning);
  ReadBrokerInt(Line, "MV.IrsAttHdg", AttHdg);
}

void tIRS::SetPosition(int Index, double Lat, double Lon) {
  if (Index < 1 || Index > 3) return;
  Latitude[Index - 1] = Lat;
  Longitude[Index - 1] = Lon;
}

int tIRS::Quality(int Index) const {
  if (Index < 1 || Index > 3) return 0;
  return IrsQuality[Index - 1];
}

int tIRS::HeadingStatus() const {
  int s = Aligning == 1 ? 1 : 0;
  if (AttHdg > -2 || PositionValid()) s = 2;
  if (AttHdg == 0 && Sel[0] == 0 && Sel[1] == 0 && Sel[2] == 0) s = 0;
  return s;
}

int tIRS::AttitudeStatus() const {
  int s = Aligning == 1 ? 1 : 0;
  if (Aligning == 0) {
    for (int i = 0; i < 3; ++i)
      if (Sel[i] > 0 && AlignDel[i] == 0) s = 2;
  }
  bool allFailed = true;
  for (int i = 0; i < 3; ++i)
    if (!(Sel[i] == 2 && IrsQuality[i] > 2)) allFailed = false;
  if (allFailed) s = 0;
  return s;
}

bool tIRS::PositionValid() const {
  for (int i = 0; i < 3; ++i)
    if (Sel[i] == 2 && (IrsQuality[i] == 1 || IrsQuality[i] == 2)) return true;
  return false;
}

void tIRS::DrawPositions(const NdFrame& Frame) const {
  for (int i = 0; i < 3; ++i)
    if (Latitude[i] != -91 && (IrsQuality[i] == 1 || IrsQuality[i] == 2))
      PlotSymbol(Frame, kPositionSymbolList, "", static_cast<float>(Latitude[i]),
                 static_cast<float>(Longitude[i]));
}
