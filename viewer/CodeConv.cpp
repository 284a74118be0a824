// The viewer's code conversions on Win32; see viewer/CodeConv.h.
#include "viewer/CodeConv.h"

namespace {

constexpr UINT kCp932 = 932;

const char16_t* U16(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

bool ToWString(bool ok, const std::u16string& in, std::wstring* out) {
  if (!ok) return false;
  try {
    out->assign(reinterpret_cast<const wchar_t*>(in.data()), in.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

std::wstring ToW(const std::u16string& s) { return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size()); }

// The whole text narrowed to code page 932 (the framework's narrow path).
std::string Narrow(const char16_t* text, int count) {
  if (count <= 0) return std::string();
  const auto* w = reinterpret_cast<const wchar_t*>(text);
  int n = WideCharToMultiByte(kCp932, 0, w, count, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kCp932, 0, w, count, &s[0], n, nullptr, nullptr);
  return s;
}

std::u16string Widen(const std::string& s) {
  if (s.empty()) return std::u16string();
  int n = MultiByteToWideChar(kCp932, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return std::u16string();
  std::u16string w(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(kCp932, 0, s.data(), static_cast<int>(s.size()), reinterpret_cast<wchar_t*>(&w[0]), n);
  return w;
}

}  // namespace

// --- Cp932Platform -----------------------------------------------------------------

int Cp932Platform::WideCharToSjis(const char16_t* units, int count, unsigned char out[2]) {
  auto ask = [&](int n) {
    BOOL usedDefault = FALSE;
    char buf[4] = {};
    int r = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(units), n, buf,
                                sizeof buf, nullptr, &usedDefault);
    if (r < 1 || r > 2 || usedDefault) return 0;
    out[0] = static_cast<unsigned char>(buf[0]);
    out[1] = static_cast<unsigned char>(buf[1]);
    return r;
  };
  if (count != 1) return ask(count);  // a surrogate pair: never cached (code page 932 has none)
  if (toSjis_.empty()) toSjis_.assign(0x10000, 0);
  uint32_t& e = toSjis_[units[0]];
  if (e == 0) {
    int r = ask(1);
    e = r == 0 ? 1u : (0x80000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(out[0]) << 8) | out[1]);
  }
  if (e == 1) return 0;
  int r = static_cast<int>((e >> 16) & 0xFF);
  out[0] = static_cast<unsigned char>(e >> 8);
  out[1] = static_cast<unsigned char>(e);
  return r;
}

int Cp932Platform::SjisCharToWide(const unsigned char* bytes, int count, char16_t out[2]) {
  auto ask = [&]() {
    wchar_t buf[4] = {};
    int r = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes), count, buf, 4);
    if (r < 1 || r > 2) return 0;
    out[0] = static_cast<char16_t>(buf[0]);
    out[1] = static_cast<char16_t>(buf[1]);
    return r;
  };
  if (count != 1 && count != 2) return 0;
  if (toWide_.empty()) toWide_.assign(0x10000, 0);
  unsigned key = count == 2 ? (static_cast<unsigned>(bytes[0]) << 8) | bytes[1] : bytes[0];
  uint32_t& e = toWide_[key];
  if (e == 0) {
    int r = ask();
    e = r == 1 ? (0x10000u | out[0]) : 1u;  // a character of code page 932 is one unit
  }
  if (e == 1) return 0;
  out[0] = static_cast<char16_t>(e & 0xFFFF);
  return 1;
}

std::u16string Cp932Platform::UpperCase(const char16_t* text, size_t count) {
  if (UnicodeMode) {
    std::u16string s(text, count);
    if (!s.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(&s[0]), static_cast<DWORD>(s.size()));
    return s;
  }
  std::string n = Narrow(text, static_cast<int>(count));
  if (!n.empty()) CharUpperBuffA(&n[0], static_cast<DWORD>(n.size()));
  return Widen(n);
}

std::u16string Cp932Platform::LowerCase(const char16_t* text, size_t count) {
  if (UnicodeMode) {
    std::u16string s(text, count);
    if (!s.empty()) CharLowerBuffW(reinterpret_cast<wchar_t*>(&s[0]), static_cast<DWORD>(s.size()));
    return s;
  }
  std::string n = Narrow(text, static_cast<int>(count));
  if (!n.empty()) CharLowerBuffA(&n[0], static_cast<DWORD>(n.size()));
  return Widen(n);
}

int Cp932Platform::CompareLocale(unsigned flags, const char16_t* a, int countA, const char16_t* b, int countB) {
  LCID lcid = GetUserDefaultLCID();
  if (UnicodeMode)
    return CompareStringW(lcid, flags, reinterpret_cast<const wchar_t*>(a), countA,
                          reinterpret_cast<const wchar_t*>(b), countB);
  // The narrow path compares the narrowed characters: their byte lengths, not the
  // unit counts.
  std::string na = Narrow(a, countA), nb = Narrow(b, countB);
  return CompareStringA(lcid, flags, na.data(), static_cast<int>(na.size()), nb.data(), static_cast<int>(nb.size()));
}

// --- HandleByteSource ----------------------------------------------------------------

int HandleByteSource::ReadAt(int64_t pos, unsigned char* buf, int count) {
  if (pos < 0) return -1;
  LARGE_INTEGER li;
  li.QuadPart = pos;
  if (!SetFilePointerEx(file_, li, nullptr, FILE_BEGIN)) return -1;
  DWORD got = 0;
  if (!ReadFile(file_, buf, static_cast<DWORD>(count), &got, nullptr)) return -1;
  return static_cast<int>(got);
}

// --- CodeConv ------------------------------------------------------------------------

CodeConv::CodeConv() { platform = &platform_; }

bool CodeConv::WideToSjis(const wchar_t* text, ByteOrder order, std::string* out) {
  return conv::WideToSjis(*this, U16(text), order, out);
}
bool CodeConv::SjisToWide(const char* text, ByteOrder order, std::wstring* out) {
  std::u16string w;
  bool ok = conv::SjisToWide(*this, text, order, &w);
  return ToWString(ok, w, out);
}
bool CodeConv::Utf8ToSjis(const char* text, std::string* out) { return conv::Utf8ToSjis(*this, text, out); }
bool CodeConv::SjisToUtf8(const char* text, std::string* out) { return conv::SjisToUtf8(*this, text, out); }
bool CodeConv::WideToUtf8(const wchar_t* text, ByteOrder order, std::string* out) {
  return conv::WideToUtf8(U16(text), order, out);
}
bool CodeConv::Utf8ToWide(const char* text, ByteOrder order, std::wstring* out) {
  std::u16string w;
  bool ok = conv::Utf8ToWide(text, order, &w);
  return ToWString(ok, w, out);
}
bool CodeConv::SjisToEuc(const char* text, std::string* out) { return conv::SjisToEuc(*this, text, out); }
bool CodeConv::EucToSjis(const char* text, std::string* out) { return conv::EucToSjis(*this, text, out); }
bool CodeConv::JisToSjis(const char* text, std::string* out) { return conv::JisToSjis(*this, text, out); }
bool CodeConv::SjisToJis(const char* text, std::string* out) { return conv::SjisToJis(*this, text, out); }

conv::JisRunKind CodeConv::JisShiftAt(HANDLE file, int64_t offset, std::string* pageBuffer, int64_t* count,
                                      int64_t jisRangeLength, std::function<void()> pump) {
  HandleByteSource src(file, std::move(pump));
  return conv::JisShiftAt(src, offset, pageBuffer, count, jisRangeLength);
}

std::wstring CodeConv::ReplaceAllWide(const wchar_t* text, const wchar_t* pattern, const wchar_t* replacement,
                                      int* count) {
  return ToW(conv::ReplaceAllWide(U16(text), U16(pattern), U16(replacement), count));
}

std::wstring CodeConv::UpperCaseWide(const wchar_t* text) { return ToW(conv::UpperCaseWide(platform_, U16(text))); }
std::wstring CodeConv::LowerCaseWide(const wchar_t* text) { return ToW(conv::LowerCaseWide(platform_, U16(text))); }

int CodeConv::CompareLocale(unsigned flags, const wchar_t* a, int countA, const wchar_t* b, int countB) {
  return conv::CompareLocale(platform_, flags, U16(a), countA, U16(b), countB);
}

bool CodeConv::CompareNoCase(const wchar_t* a, const wchar_t* b, int n) {
  return conv::CompareNoCase(platform_, U16(a), U16(b), n);
}

size_t CodeConv::PosNoCase(const wchar_t* text, const wchar_t* part) {
  return conv::PosNoCase(platform_, U16(text), U16(part));
}
