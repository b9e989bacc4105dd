// Reading variable values out of broker lines.
//
// A broker line holds items "name value". A variable's value text is found
// at the first occurrence of its name (case-sensitive; a name that begins a
// longer name matches inside it), one character after the name is skipped,
// up to 8 characters are taken (or the whole rest of the line for the
// readers that ask for it), and the text is cut before its first CR, then
// before its first blank. Conversion is lenient and never throws: the value
// of the leading number, 0 when there is none; integers saturate.
#pragma once
#include <string_view>

namespace brokerlink {

enum class ValueSpan { Eight, RestOfLine };

// False when name does not occur in line (the variable keeps its value).
bool BrokerValueText(std::string_view line, std::string_view name, std::string_view& text,
                     ValueSpan span = ValueSpan::Eight);
bool ReadBrokerInt(std::string_view line, std::string_view name, int& value);
bool ReadBrokerDouble(std::string_view line, std::string_view name, double& value,
                      ValueSpan span = ValueSpan::Eight);
bool ReadBrokerFloat(std::string_view line, std::string_view name, float& value,
                     ValueSpan span = ValueSpan::Eight);
// Lines that begin with "Conn" are connection notices, not variables.
inline bool IsConnLine(std::string_view line) { return line.substr(0, 4) == "Conn"; }

}  // namespace brokerlink
