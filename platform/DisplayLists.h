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
// Starts compiling the fixed list `list` (GL_COMPILE). A number that is not
// one of the fixed numbers is refused: nothing is started and the result
// is false, so no owner can overwrite a font's or another owner's list.
bool BeginFixedList(unsigned list);
// Deletes the fixed list `list`; other numbers are left alone.
void DeleteFixedList(unsigned list);

}  // namespace platform
