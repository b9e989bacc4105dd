#include "platform/Numbers.h"

#include <charconv>
#include <cmath>
#include <climits>
#include <cstdio>

namespace platform {

int SafeRound(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(std::nearbyint(v));  // default rounding: halves to even
}

int SafeTrunc(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

double Clamp(double v, double lo, double hi) {
  if (std::isnan(v)) return lo;
  return v < lo ? lo : (v > hi ? hi : v);
}

static std::string_view Trim(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

bool ParseInt(std::string_view text, int& out) {
  text = Trim(text);
  if (text.empty()) return false;
  bool neg = false;
  std::string_view t = text;
  if (t.front() == '+' || t.front() == '-') {
    neg = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  } else if (!t.empty() && t[0] == '$') {
    base = 16;
    t.remove_prefix(1);
  }
  if (t.empty()) return false;
  long long v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v, base);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
  if (neg) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseDecimalInt(std::string_view text, int& out) {
  bool neg = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    neg = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  // One past INT_MAX is the magnitude of INT_MIN; more is out of range.
  constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > kLimit) return false;
  }
  if (neg) v = -v;
  if (v > INT_MAX) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseDouble(std::string_view text, double& out) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
  out = v;
  return true;
}

int LenientInt(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    neg = t[i] == '-';
    ++i;
  }
  long long v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    v = v * 10 + (t[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (neg) v = -v;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

namespace {

// The decimal order of magnitude of a number text such as "-0.0012e-3"
// (-6 here): the exponent of its first significant digit. Large exponents
// saturate; a text without a significant digit gives 0.
long long DecimalOrder(std::string_view m) {
  if (!m.empty() && m.front() == '-') m.remove_prefix(1);
  const size_t e = m.find_first_of("eE");
  long long exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view x = m.substr(e + 1);
    const bool neg = !x.empty() && x.front() == '-';
    if (!x.empty() && (x.front() == '-' || x.front() == '+')) x.remove_prefix(1);
    auto er = std::from_chars(x.data(), x.data() + x.size(), exponent);
    if (er.ec == std::errc::result_out_of_range) exponent = 1000000;
    if (exponent > 1000000) exponent = 1000000;
    if (neg) exponent = -exponent;
    m = m.substr(0, e);
  }
  const size_t dot = m.find('.');
  const std::string_view whole = m.substr(0, dot);
  const size_t firstWhole = whole.find_first_not_of('0');
  if (firstWhole != std::string_view::npos)
    return exponent + static_cast<long long>(whole.size() - firstWhole) - 1;
  if (dot == std::string_view::npos) return 0;
  const std::string_view frac = m.substr(dot + 1);
  const size_t firstFrac = frac.find_first_not_of('0');
  if (firstFrac == std::string_view::npos) return 0;
  return exponent - static_cast<long long>(firstFrac) - 1;
}

}  // namespace

double LenientDouble(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  t.remove_prefix(i);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  // Only digits make a number: "nan" and "inf" texts read as 0.
  size_t first = (!t.empty() && t.front() == '-') ? 1 : 0;
  if (first >= t.size() || !((t[first] >= '0' && t[first] <= '9') || t[first] == '.')) return 0.0;
  // Longest prefix that from_chars accepts (digits, one ".", exponent).
  double v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: infinity for a huge magnitude,
    // zero for a tiny one ("1e-400").
    const bool negative = t.front() == '-';
    const bool tiny = DecimalOrder(std::string_view(t.data(), static_cast<size_t>(r.ptr - t.data()))) < 0;
    if (tiny) return negative ? -0.0 : 0.0;
    return negative ? -HUGE_VAL : HUGE_VAL;
  }
  if (r.ec != std::errc()) return 0.0;
  return v;
}

std::string FormatInt(long long v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string FormatDouble(double v, int decimals) {
  char buf[512];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return "0";
  return std::string(buf, r.ptr);
}

}  // namespace platform
