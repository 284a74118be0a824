// The conversion routines of Selvane without any platform call: the
// locale mapping (LCMapStringA with the user's default locale) is injected, so the
// routines can be tested with a mapping that fails or expands. selvane.cpp puts
// them behind the two exports.
//
// Texts are NUL-terminated code page 932 bytes; a null pointer is the empty text.
// Byte classes follow the code page 932 lead-byte rule counted from the text's start
// (lead bytes 0x81-0x9F and 0xE0-0xFC; the byte after a lead byte is its trail byte),
// except that a lead byte before the terminator is a single byte: nothing reads
// past the terminator. Results are growable strings (no fixed 2n + 1 buffer).
#pragma once
#include <cstdint>
#include <string>

namespace selvane {

// LCMapStringA(locale, flags, src, srcLen, dst, dstLen): with dstLen 0 the size
// needed, else the bytes written; 0 on failure.
struct Mapper {
  int (*map)(void* user, uint32_t flags, const char* src, int srcLen, char* dst, int dstLen) = nullptr;
  void* user = nullptr;
};

constexpr uint32_t kLcmapFullWidth = 0x00800000;
constexpr uint32_t kLcmapHalfWidth = 0x00400000;
constexpr uint32_t kLcmapHiragana = 0x00100000;
constexpr uint32_t kLcmapKatakana = 0x00200000;

// The flags of the whole-string mapping kinds 0-4 (0 for any other kind).
uint32_t MapKindFlags(int kind);

// The whole text mapped with the kind's flags. When the locale mapping fails
// (sizing call or mapping call), the text comes back unmapped and whole; the empty
// text gives the empty text.
std::string MapStringKind(const Mapper& m, const std::string& text, int kind);

// Digit (digits true) or Latin-letter width: flag 0 to full width, 1 to half width.
std::string ConvertAlphaNumWidth(const char* text, int flag, bool digits);
// Runs of half-width (flag 0) or full-width (flag 1) katakana mapped whole.
std::string ConvertKatakanaWidth(const Mapper& m, const char* text, int flag);
// flag 1: hiragana runs to half-width katakana; flag 0: half-width katakana runs to
// full width, then to hiragana.
std::string ConvertHiraHalfKata(const Mapper& m, const char* text, int flag);
// Symbol runs to full width (flag 0) or half width (flag 1).
std::string ConvertSymbolWidth(const Mapper& m, const char* text, int flag);
// Each word keeps its first letter and has its other letters lowered.
std::string CapitalizeWordTops(const char* text, const char* extra);

// The dispatch of _StringConversion: false when no mode and no type matched.
bool StringConversion(const Mapper& m, const char* text, const char* mode, int type, bool toHalf,
                      const char* extra, std::string* out);

}  // namespace selvane
