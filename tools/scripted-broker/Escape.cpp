#include "tools/scripted-broker/Escape.h"

namespace broker {

namespace {
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string EscapeBytes(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() + 8);
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c >= 0x20 && c <= 0x7E) {
          out.push_back(ch);
        } else {
          out += "\\x";
          out.push_back(kHex[c >> 4]);
          out.push_back(kHex[c & 0x0F]);
        }
    }
  }
  return out;
}

bool UnescapeBytes(std::string_view text, std::string& out, std::string* error) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      result.push_back(text[i]);
      continue;
    }
    if (i + 1 >= text.size()) {
      if (error) *error = "lone backslash at the end";
      return false;
    }
    char e = text[++i];
    switch (e) {
      case 'r': result.push_back('\r'); break;
      case 'n': result.push_back('\n'); break;
      case 't': result.push_back('\t'); break;
      case '\\': result.push_back('\\'); break;
      case 'x': {
        int hi = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        int lo = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) {
          if (error) *error = "\\x needs two hex digits (column " + std::to_string(i) + ")";
          return false;
        }
        result.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        break;
      }
      default:
        if (error) *error = std::string("unknown escape \\") + e + " (column " + std::to_string(i) + ")";
        return false;
    }
  }
  out = std::move(result);
  return true;
}

}  // namespace broker
