#include "pfd/UheadFMA.h"

void THeading::Draw(float, float, float, double) {}
void TFMA::SetAutopilotState(const std::array<int, 4>&, const std::array<int, 4>&,
                             const std::array<int, 3>&, int, bool) {}
void TFMA::Draw(int&, int&, int&, int&, int&, int&, int&, int&, int&) {}
