// The fixed order in which one broker line reaches the element parsers.
#pragma once
#include <string>

// Hands line (without its LF; a CR before the LF stays) to every element
// parser, in order. The shutdown notice is handled by the caller first.
void DispatchToParsers(const std::string& line);
