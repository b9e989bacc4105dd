// The fixed display-list numbers of the navigation display. They are
// reserved as empty lists as soon as a context exists, before any font asks
// glGenLists for a block, so that no two owners ever share a number.
#pragma once
#include <vector>

namespace platform {

// Every fixed number, ascending.
const std::vector<unsigned>& FixedDisplayListNumbers();
bool IsFixedDisplayList(unsigned list);
// Defines each fixed number as an empty list in the current context.
void ReserveFixedDisplayLists();

}  // namespace platform
