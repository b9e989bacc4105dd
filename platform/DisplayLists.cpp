#include "platform/DisplayLists.h"

#include <GL/gl.h>
#include <algorithm>

namespace platform {

const std::vector<unsigned>& FixedDisplayListNumbers() {
  static const std::vector<unsigned> numbers = [] {
    std::vector<unsigned> n = {1, 2, 3, 4};                     // compass cards
    for (unsigned i = 3010; i <= 3013; ++i) n.push_back(i);     // ND symbols
    for (unsigned i = 3020; i <= 3024; ++i) n.push_back(i);
    n.insert(n.end(), {3025, 3027, 3028, 3029});                // fix symbols
    n.insert(n.end(), {3031, 3032, 3034, 3035, 3040, 3041});    // symbols, pointer, arc, route stars
    for (unsigned i = 3042; i <= 3047; ++i) n.push_back(i);     // VOR and ADF pointers
    n.insert(n.end(), {3050, 2051, 2052, 2060});                // IRS and other symbols
    std::sort(n.begin(), n.end());
    return n;
  }();
  return numbers;
}

bool IsFixedDisplayList(unsigned list) {
  const auto& n = FixedDisplayListNumbers();
  return std::binary_search(n.begin(), n.end(), list);
}

void ReserveFixedDisplayLists() {
  for (unsigned list : FixedDisplayListNumbers()) {
    if (glIsList(list)) continue;
    glNewList(list, GL_COMPILE);
    glEndList();
  }
}

bool BeginFixedList(unsigned list) {
  if (!IsFixedDisplayList(list)) return false;
  glNewList(list, GL_COMPILE);
  return true;
}

void DeleteFixedList(unsigned list) {
  if (IsFixedDisplayList(list)) glDeleteLists(list, 1);
}

}  // namespace platform
