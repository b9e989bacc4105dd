#include "pfd/Uspeed.h"

void TSpeedTape::Draw(int, float, float, float, float, float, float, float, float, double) {}
void TSpeedTape::DrawSelectedSpeedAndMach(double, double, double, double) {}
void TSpeedTape::DrawSpeedBugs(int, double, double) {}
void TSpeedTape::ParseLine(const std::string&) {}
void TSpeedTicker::Draw(bool, float, double) {}
