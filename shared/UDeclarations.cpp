#include "shared/UDeclarations.h"

const char* const CompassLabels[12] = {"0",  "3",  "6",  "9",  "12", "15",
                                       "18", "21", "24", "27", "30", "33"};

float DrawScale = 255.0f;
bool RequiredFilesFound = false;
std::int32_t FieldElevation = 0;
