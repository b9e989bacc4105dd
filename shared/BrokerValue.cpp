#include "shared/BrokerValue.h"

#include "platform/Numbers.h"

#include <cfloat>
#include <cmath>

namespace brokerlink {

using platform::Clamp;
using platform::LenientDouble;
using platform::LenientInt;

bool BrokerValueText(std::string_view line, std::string_view name, std::string_view& text,
                     ValueSpan span) {
  if (name.empty()) return false;
  size_t p = line.find(name);
  if (p == std::string_view::npos) return false;
  size_t start = p + name.size() + 1;  // the one character after the name is skipped
  if (start > line.size()) start = line.size();
  std::string_view t = line.substr(start, span == ValueSpan::Eight ? 8 : std::string_view::npos);
  size_t cr = t.find('\r');
  if (cr != std::string_view::npos) t = t.substr(0, cr);
  size_t blank = t.find(' ');
  if (blank != std::string_view::npos) t = t.substr(0, blank);
  text = t;
  return true;
}

bool ReadBrokerInt(std::string_view line, std::string_view name, int& value) {
  std::string_view t;
  if (!BrokerValueText(line, name, t)) return false;
  value = LenientInt(t);
  return true;
}

bool ReadBrokerDouble(std::string_view line, std::string_view name, double& value, ValueSpan span) {
  std::string_view t;
  if (!BrokerValueText(line, name, t, span)) return false;
  value = LenientDouble(t);
  return true;
}

bool ReadBrokerFloat(std::string_view line, std::string_view name, float& value, ValueSpan span) {
  double d = 0;
  if (!ReadBrokerDouble(line, name, d, span)) return false;
  // Saturate to the float range instead of overflowing.
  if (std::isnan(d)) d = 0;
  value = static_cast<float>(Clamp(d, -FLT_MAX, FLT_MAX));
  return true;
}

}  // namespace brokerlink
