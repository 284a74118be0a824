#include "text/WideConvert.h"

namespace wideconv {
namespace {

bool HalfUpper(wchar_t c) { return c >= L'A' && c <= L'Z'; }
bool HalfLower(wchar_t c) { return c >= L'a' && c <= L'z'; }
bool FullUpper(wchar_t c) { return c >= 0xFF21 && c <= 0xFF3A; }
bool FullLower(wchar_t c) { return c >= 0xFF41 && c <= 0xFF5A; }
bool HalfLetter(wchar_t c) { return HalfUpper(c) || HalfLower(c); }
bool FullLetter(wchar_t c) { return FullUpper(c) || FullLower(c); }
bool HalfDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool FullDigit(wchar_t c) { return c >= 0xFF10 && c <= 0xFF19; }

bool FullKatakana(wchar_t c) { return c >= 0x30A1 && c <= 0x30F6; }
bool HalfKatakana(wchar_t c) { return c >= 0xFF66 && c <= 0xFF9F; }
bool Hiragana(wchar_t c) { return c >= 0x3041 && c <= 0x3093; }
bool HalfSymbol(wchar_t c) {
  return (c >= 0x20 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E) || (c >= 0xA1 && c <= 0xA5) || c == 0xB0;
}
bool FullSymbol(wchar_t c) {
  return (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
         (c >= 0xFF5B && c <= 0xFF5E) || (c >= 0xFF61 && c <= 0xFF65) || c == 0xFF70;
}

// Adds delta to every character that inRange accepts.
std::wstring Shift(std::wstring text, bool (*inRange)(wchar_t), int delta) {
  for (wchar_t& c : text)
    if (inRange(c)) c = static_cast<wchar_t>(c + delta);
  return text;
}

// Upper case, then each Latin letter after a Latin letter of its own width in lower case.
std::wstring WordCapitals(const std::wstring& text, Mapper& mapper) {
  std::wstring t = text;
  mapper.Upper(t);
  for (size_t i = t.size(); i-- > 1;) {
    const wchar_t c = t[i], before = t[i - 1];
    if (HalfUpper(c) && HalfLetter(before)) t[i] = static_cast<wchar_t>(c + 0x20);
    if (FullUpper(c) && FullLetter(before)) t[i] = static_cast<wchar_t>(c + 0x20);
  }
  return t;
}

// Maps each run of characters that inRun accepts by kinds, then by
// thenKinds when not 0; the rest stays. The whole text stays when one mapping
// fails.
std::wstring MapRuns(const std::wstring& text, bool (*inRun)(wchar_t), unsigned kinds, unsigned thenKinds,
                     bool viaCp932, Mapper& mapper) {
  auto map = [&](std::wstring& run, unsigned k) { return viaCp932 ? mapper.MapCp932(run, k) : mapper.Map(run, k); };
  std::wstring out;
  out.reserve(text.size());
  std::wstring run;
  for (size_t i = 0; i < text.size();) {
    if (!inRun(text[i])) {
      size_t j = i;
      while (j < text.size() && !inRun(text[j])) ++j;
      out.append(text, i, j - i);
      i = j;
      continue;
    }
    size_t j = i;
    while (j < text.size() && inRun(text[j])) ++j;
    run.assign(text, i, j - i);
    if (!map(run, kinds) || (thenKinds && !map(run, thenKinds))) return text;
    out += run;
    i = j;
  }
  return out;
}

std::wstring MapAll(const std::wstring& text, unsigned kinds, Mapper& mapper) {
  if (text.empty()) return text;
  std::wstring t = text;
  return mapper.Map(t, kinds) ? t : text;
}

}  // namespace

std::wstring Convert(const std::wstring& text, int tag, Mapper& mapper) {
  switch (tag) {
    case 0: {
      std::wstring t = text;
      mapper.Lower(t);
      return t;
    }
    case 1: {
      std::wstring t = text;
      mapper.Upper(t);
      return t;
    }
    case 2: return WordCapitals(text, mapper);
    case 3: return MapAll(text, kHalfWidth, mapper);
    case 4: return MapRuns(text, FullKatakana, kHalfWidth, 0, true, mapper);
    case 5: return Shift(text, FullLetter, -0xFEE0);
    case 6: return Shift(text, FullDigit, -0xFEE0);
    case 7: return MapRuns(text, FullSymbol, kHalfWidth, 0, false, mapper);
    case 8: return MapAll(text, kFullWidth, mapper);
    case 9: return MapRuns(text, HalfKatakana, kFullWidth, 0, true, mapper);
    case 10: return Shift(text, HalfLetter, 0xFEE0);
    case 11: return Shift(text, HalfDigit, 0xFEE0);
    case 12: return MapRuns(text, HalfSymbol, kFullWidth, 0, false, mapper);
    case 13: return MapAll(text, kHiragana, mapper);
    case 14: return MapAll(text, kKatakana, mapper);
    case 15: return MapRuns(text, Hiragana, kKatakana | kHalfWidth, 0, true, mapper);
    case 16: return MapRuns(text, HalfKatakana, kFullWidth, kHiragana, true, mapper);
    default: return text;
  }
}

}  // namespace wideconv
