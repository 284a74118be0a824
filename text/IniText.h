// Pure pieces of ini handling: the direct reader of the UTF-16 list stores,
// integer reading of ini values, and the one-character test of code page 932
// texts. No <windows.h>.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace initext {

// Lines of a store's UTF-16 text: a leading U+FEFF is skipped, the text is
// split at line ends (CR LF; a lone LF also ends a line and a CR before it
// is dropped), empty lines are left out.
std::vector<std::wstring> StoreLines(const std::wstring& text);

// The lines of one section of a store text: after the first line equal to
// "[" + section + "]" (ASCII letters compared without case, as the profile
// functions find sections) up to the next line that begins with "[", every
// line that contains "=", whole. Empty for an empty section name or when
// the section is missing.
std::vector<std::wstring> SectionLinesFromText(const std::wstring& text, const std::wstring& section);
// The same with the header lines compared by `same` (the store layer passes
// the comparison that the system uses for paths).
using SameName = bool (*)(const std::wstring& a, const std::wstring& b);
std::vector<std::wstring> SectionLinesFromText(const std::wstring& text, const std::wstring& section, SameName same);

// Every line of a store text that begins with "[", brackets included.
std::vector<std::wstring> SectionHeadersFromText(const std::wstring& text);

// True when a equals b with ASCII letters compared without case.
bool EqualsNoCaseAscii(const std::wstring& a, const std::wstring& b);

// Store lines keep blanks around their values and a value's own enclosing
// quotes through the profile functions (which drop both): a value that
// begins or ends with a blank or tab, or is enclosed in a pair of quotes,
// is written enclosed in double quotes; reading drops one enclosing pair of
// double quotes. Lines without "=" pass unchanged.
// A CR or LF in a value never reaches the store as itself (each stored line
// is one entry): such a value, or one holding the escape unit U+0010, is
// stored quoted with CR as U+0010 'r', LF as U+0010 'n' and U+0010 doubled;
// reading undoes that inside a quoted value. Values without these units are
// stored and read exactly as before.
std::wstring QuoteStoreLine(const std::wstring& line);
std::wstring UnquoteStoreLine(const std::wstring& line);

// Whether bytes hold a UTF-16LE unit of an ini file's ASCII structure ("[",
// "=", CR or LF followed by a zero byte, at an even offset): what every
// UTF-16LE store holds, and what narrow text holds only by rare accident.
bool HasUtf16IniUnits(const std::string& bytes);

// Reads an ini value as a 32-bit integer: optional blanks around, an
// optional sign, decimal digits, or hex after "0x" or "$". Anything else,
// and values outside the 32-bit range, give def.
int32_t ParseIniInteger(const std::string& text, int32_t def);
int32_t ParseIniInteger(const std::wstring& text, int32_t def);

// Code page 932 byte classes.
bool IsCp932LeadByte(unsigned char b);
bool IsCp932TrailByte(unsigned char b);
// True when text is exactly one character of code page 932: one single-byte
// character (not a lead byte, not NUL) or one lead byte with a trail byte.
bool IsOneCp932Char(const std::string& text);

}  // namespace initext
