// Pure pieces of the shared text and string-list routines: splitting and
// joining texts at CR LF, the key of a list line, a bounded character
// pointer, and the length of a text once encoded in a file's code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/conv.h"

namespace textlists {

// The lines of text split at CR LF. An empty text gives none; otherwise the
// rest after the last CR LF is the last line, also when empty (a text ending
// in CR LF gives a last empty line). With skipEmpty, empty lines before the
// last are left out.
std::vector<std::wstring> SplitLines(const std::wstring& text, bool skipEmpty);
// The lines joined with CR LF between them.
std::wstring JoinLines(const std::vector<std::wstring>& lines);

// The key by which a list line is found: the part before the first "=",
// after the first "@" in it, before the first "#" in that. For a bookmark
// line "100@205#12=title" it is "205".
std::wstring ItemKey(const std::wstring& line);

// Pointer to the n-th character (1-based) of text; for n outside 1..length a
// pointer to a shared empty text (never null, never past the text).
const wchar_t* WideCharAt(const std::wstring& text, size_t n);
// Pointer to the characters of text; a shared empty text for an empty one.
const wchar_t* WidePtr(const std::wstring& text);

// Length of text (UTF-16, native order) in the code: 0 Shift_JIS bytes, 1
// UTF-16 units, 2 UTF-8 bytes, 3 EUC-JP bytes (of its Shift_JIS form), 4
// Shift_JIS bytes (no escape sequences counted). Characters that code page
// 932 lacks count as their substitute, as the conversions write it. Nothing
// outside the call changes: no list of unconvertible characters grows.
size_t EncodedLength(conv::Platform& platform, const std::string& substituteChar, int code,
                     const std::u16string& text);

}  // namespace textlists
