#include "pfd/Ualtitude.h"

void TAltitudeTape::Draw(bool, float, float, float) {}
void TAltitudeTape::DrawSelected(float) {}
void TAltitudeTicker::Draw(bool, float) {}
void TVSI::Draw(bool, float) {}
