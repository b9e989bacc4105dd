// Safe conversions between computed doubles and integers, and lenient,
// locale-free number parsing. Broker data can be NaN, infinite or huge:
// nothing here is undefined for any input.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Nearest integer, halves to even. NaN gives 0; values outside the int
// range are clamped to it.
int SafeRound(double v);
// Truncation toward zero with the same guards.
int SafeTrunc(double v);
// Clamp a double to a finite range (NaN gives lo).
double Clamp(double v, double lo, double hi);

// Strict parse of a whole string as a decimal (or "0x"/"$" hex) integer,
// surrounding blanks allowed. Returns false for anything else or overflow.
bool ParseInt(std::string_view text, int& out);
// Strict parse of a whole string as a decimal integer: digits with at most
// one leading sign, nothing else (no blanks, no hexadecimal). Returns false
// for anything else or a value outside the int range.
bool ParseDecimalInt(std::string_view text, int& out);
// Strict parse of a whole string as a floating-point number with ".".
bool ParseDouble(std::string_view text, double& out);

// Lenient conversions: the value of the longest leading number; 0 when the
// text does not start with one. Integers saturate instead of overflowing.
int LenientInt(std::string_view text);
double LenientDouble(std::string_view text);

// Locale-free formatting with ".".
std::string FormatInt(long long v);
std::string FormatDouble(double v, int decimals);

}  // namespace platform
