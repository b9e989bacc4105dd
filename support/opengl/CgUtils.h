// Small numeric helpers of the OpenGL support library.
#pragma once

// Base raised to an integer exponent by repeated multiplication in single
// precision; 1 for exponent 0; 1 / Base^|Exponent| for a negative one.
float CgPower(float Base, int Exponent);

// Switches on object-linear texture-coordinate generation for S and T:
// s = sScale * x and t = tScale * y of the object coordinates drawn.
void EnableObjectLinearTexGen(double sScale, double tScale);
