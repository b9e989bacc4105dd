// Byte escapes shared by the record file and the scenario file, so that
// line ends and other control bytes stay visible and exact:
//   \r CR, \n LF, \t TAB, \\ backslash, \xHH any byte (two hex digits).
// Every other byte from 0x20 to 0x7E stands for itself.
#pragma once
#include <string>
#include <string_view>

namespace broker {

// Escapes every byte outside 0x20..0x7E and the backslash.
std::string EscapeBytes(std::string_view bytes);

// Reverses EscapeBytes. Returns false (and leaves out unchanged) when the
// text holds an unknown escape, a lone trailing backslash or bad hex digits;
// error then says what and where.
bool UnescapeBytes(std::string_view text, std::string& out, std::string* error = nullptr);

}  // namespace broker
