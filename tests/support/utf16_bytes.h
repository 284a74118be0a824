// UTF-16 texts as the bytes of a file, for tests that write or compare such
// files.
#pragma once

#include <string>

namespace testsupport {

namespace detail {
template <class Unit>
std::string Utf16Bytes(const std::basic_string<Unit>& s, bool bigEndian) {
  std::string out;
  for (Unit u : s) {
    const char low = static_cast<char>(u & 0xFF);
    const char high = static_cast<char>((u >> 8) & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}
}  // namespace detail

// Little-endian units, after the mark FF FE when mark is set.
inline std::string Utf16Le(const std::wstring& w, bool mark = false) {
  return (mark ? std::string("\xFF\xFE", 2) : std::string()) + detail::Utf16Bytes(w, false);
}
inline std::string Utf16Le(const std::u16string& s) { return detail::Utf16Bytes(s, false); }
// Big-endian units, without mark.
inline std::string Utf16Be(const std::u16string& s) { return detail::Utf16Bytes(s, true); }

}  // namespace testsupport
