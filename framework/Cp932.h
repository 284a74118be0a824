// Conversion between the program's narrow texts (code page 932 bytes in
// std::string) and UTF-16 (std::wstring). Always code page 932, never the
// system's ANSI code page, so the program behaves the same on any locale.
#pragma once
#include <string>

// Bytes that code page 932 does not map become U+30FB (the system's default
// for invalid sequences) as MultiByteToWideChar decides; NUL bytes are kept.
std::wstring Cp932ToWide(const std::string& text);
std::wstring Cp932ToWide(const char* data, size_t length);
// Characters missing from code page 932 become "?" (the system default).
std::string WideToCp932(const std::wstring& text);
std::string WideToCp932(const wchar_t* data, size_t length);

// Code page 932 bytes of a UTF-8 text, for the program's own Japanese texts
// written in the sources (which are UTF-8).
std::string Cp932FromUtf8(const char* utf8);
