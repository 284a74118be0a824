// The viewer's character-code conversions on Win32: the pure routines
// of text/conv*.h with code page 932 (WideCharToMultiByte / MultiByteToWideChar) and
// the user's locale (CharUpperBuffW, CompareStringW, ...) plugged in.
//
// The main window holds one `CodeConv` as a member and sets its fields from
// `ViewerSettings` (SubstituteChar, MergeUnconvertible) and `UnicodeMode`; the
// conversions read and write those fields (UnconvertibleList and UnconvertibleCount
// are cleared by the caller before a conversion that reports them, such as the
// whole-file conversion;
// KanaByShiftOut lives as long as the window). Results are returned through an
// out-parameter; the reported length is its size() (bytes for narrow results,
// UTF-16 units for wide results: `SjisToWide`'s length in bytes is 2 x size()).
// A false return is "no result" (absent input, no memory).
// Every routine takes the byte order of its UTF-16 side explicitly and never
// changes its input; pass the file's ByteOrder only for raw file units.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "text/conv.h"
#include "text/conv_jisshift.h"
#include "text/conv_text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected");

// Code page 932 and the user's locale as a conv::Platform. The single-character
// mappings are asked of the system once per character and kept.
class Cp932Platform : public conv::Platform {
 public:
  // Under UnicodeMode the case and compare functions work on UTF-16 (CharUpperBuffW,
  // CharLowerBuffW, CompareStringW); otherwise on the text narrowed to code page 932
  // (CharUpperBuffA, CharLowerBuffA, CompareStringA with the byte lengths of the
  // narrowed characters), widened again.
  bool UnicodeMode = true;

  int WideCharToSjis(const char16_t* units, int count, unsigned char out[2]) override;
  int SjisCharToWide(const unsigned char* bytes, int count, char16_t out[2]) override;
  std::u16string UpperCase(const char16_t* text, size_t count) override;
  std::u16string LowerCase(const char16_t* text, size_t count) override;
  int CompareLocale(unsigned flags, const char16_t* a, int countA, const char16_t* b, int countB) override;

 private:
  std::vector<uint32_t> toSjis_;  // per unit: 0 not asked yet, 1 none, else 0x80000000 | count << 16 | bytes
  std::vector<uint32_t> toWide_;  // per byte or lead<<8|trail: 0 not asked, 1 none, else 0x10000 | unit
};

// The open file as JisShiftAt reads it: positioned reads on the handle, and an
// optional message pump between steps.
class HandleByteSource : public conv::JisByteSource {
 public:
  HandleByteSource(HANDLE file, std::function<void()> pump) : file_(file), pump_(std::move(pump)) {}
  int ReadAt(int64_t pos, unsigned char* buf, int count) override;
  void Pump() override {
    if (pump_) pump_();
  }

 private:
  HANDLE file_;
  std::function<void()> pump_;
};

class CodeConv : public conv::Context {
 public:
  using ByteOrder = conv::ByteOrder;
  CodeConv();
  CodeConv(const CodeConv&) = delete;
  CodeConv& operator=(const CodeConv&) = delete;

  // Selects the UTF-16 or the narrow path of the case and compare functions.
  void SetUnicodeMode(bool on) { platform_.UnicodeMode = on; }
  bool UnicodeMode() const { return platform_.UnicodeMode; }

  // --- the conversions ---
  bool WideToSjis(const wchar_t* text, ByteOrder order, std::string* out);
  bool SjisToWide(const char* text, ByteOrder order, std::wstring* out);
  bool Utf8ToSjis(const char* text, std::string* out);
  bool SjisToUtf8(const char* text, std::string* out);
  bool WideToUtf8(const wchar_t* text, ByteOrder order, std::string* out);
  bool Utf8ToWide(const char* text, ByteOrder order, std::wstring* out);
  bool SjisToEuc(const char* text, std::string* out);
  bool EucToSjis(const char* text, std::string* out);
  bool JisToSjis(const char* text, std::string* out);
  bool SjisToJis(const char* text, std::string* out);
  static void SwapUtf16Bytes(void* buf, size_t byteLength, bool force, size_t start, ByteOrder order) {
    conv::SwapUtf16Bytes(buf, byteLength, force, start, order);
  }
  // See conv::JisShiftAt. Reads `file` at absolute offsets (its file pointer moves);
  // `pump` lets pending messages run between steps.
  conv::JisRunKind JisShiftAt(HANDLE file, int64_t offset, std::string* pageBuffer, int64_t* count,
                              int64_t jisRangeLength, std::function<void()> pump = {});
  static std::string ReplaceAllNarrow(const char* text, const char* pattern, const char* replacement) {
    return conv::ReplaceAllNarrow(text, pattern, replacement);
  }
  static std::wstring ReplaceAllWide(const wchar_t* text, const wchar_t* pattern, const wchar_t* replacement,
                                     int* count = nullptr);
  std::wstring UpperCaseWide(const wchar_t* text);
  std::wstring LowerCaseWide(const wchar_t* text);
  // 1 less, 2 equal, 3 greater, 0 failure (flags as CompareStringW's).
  int CompareLocale(unsigned flags, const wchar_t* a, int countA, const wchar_t* b, int countB);
  bool CompareNoCase(const wchar_t* a, const wchar_t* b, int n);
  // 1-based, 0 when absent or when either is empty.
  size_t PosNoCase(const wchar_t* text, const wchar_t* part);

  // UnconvertibleList as a wide string (for the whole-file conversion's message).
  std::wstring UnconvertibleListText() const {
    return std::wstring(reinterpret_cast<const wchar_t*>(UnconvertibleList.data()), UnconvertibleList.size());
  }

  Cp932Platform& Cp932() { return platform_; }

 private:
  Cp932Platform platform_;
};
