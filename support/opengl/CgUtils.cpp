#include "support/opengl/CgUtils.h"

#include <GL/gl.h>

#include <cmath>

float CgPower(float Base, int Exponent) {
  // The magnitude as unsigned so that the most negative int needs no negation.
  const unsigned n = Exponent < 0 ? 0u - static_cast<unsigned>(Exponent) : static_cast<unsigned>(Exponent);
  float r = 1.0f;
  for (unsigned i = 0; i < n; ++i) {
    r *= Base;
    // Once the product is 0, infinite or NaN its magnitude no longer
    // changes: only the sign still depends on how many factors remain.
    if (r == 0.0f || !std::isfinite(r)) {
      if (std::signbit(Base) && ((n - i - 1) & 1u)) r = -r;
      break;
    }
  }
  return Exponent < 0 ? 1.0f / r : r;
}

void EnableObjectLinearTexGen(double sScale, double tScale) {
  const GLdouble sPlane[4] = {sScale, 0, 0, 0};
  const GLdouble tPlane[4] = {0, tScale, 0, 0};
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGendv(GL_S, GL_OBJECT_PLANE, sPlane);
  glTexGendv(GL_T, GL_OBJECT_PLANE, tPlane);
}
