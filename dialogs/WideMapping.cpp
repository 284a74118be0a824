#include "dialogs/WideMapping.h"

#include <windows.h>

namespace dialogs {
namespace {

DWORD Flags(unsigned kinds) {
  DWORD f = 0;
  if (kinds & wideconv::kHalfWidth) f |= LCMAP_HALFWIDTH;
  if (kinds & wideconv::kFullWidth) f |= LCMAP_FULLWIDTH;
  if (kinds & wideconv::kHiragana) f |= LCMAP_HIRAGANA;
  if (kinds & wideconv::kKatakana) f |= LCMAP_KATAKANA;
  return f;
}

const LCID kJapanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT);

}  // namespace

void WideMapping::Upper(std::wstring& text) {
  if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
}

void WideMapping::Lower(std::wstring& text) {
  if (!text.empty()) CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
}

bool WideMapping::Map(std::wstring& text, unsigned kinds) {
  if (text.empty()) return true;
  const DWORD flags = Flags(kinds);
  const int n = LCMapStringW(LOCALE_USER_DEFAULT, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return false;
  std::wstring out(static_cast<size_t>(n), L'\0');
  if (LCMapStringW(LOCALE_USER_DEFAULT, flags, text.data(), static_cast<int>(text.size()), &out[0], n) != n)
    return false;
  text.swap(out);
  return true;
}

bool WideMapping::MapCp932(std::wstring& text, unsigned kinds) {
  if (text.empty()) return true;
  BOOL lossy = FALSE;
  const int size = static_cast<int>(text.size());
  const int nb = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr, &lossy);
  if (nb <= 0 || lossy) return false;
  std::string narrow(static_cast<size_t>(nb), '\0');
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), size, &narrow[0], nb, nullptr, &lossy);
  if (lossy) return false;
  const DWORD flags = Flags(kinds);
  const int nm = LCMapStringA(kJapanese, flags, narrow.data(), nb, nullptr, 0);
  if (nm <= 0) return false;
  std::string mapped(static_cast<size_t>(nm), '\0');
  if (LCMapStringA(kJapanese, flags, narrow.data(), nb, &mapped[0], nm) != nm) return false;
  const int nw = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, mapped.data(), nm, nullptr, 0);
  if (nw <= 0) return false;
  std::wstring out(static_cast<size_t>(nw), L'\0');
  MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, mapped.data(), nm, &out[0], nw);
  text.swap(out);
  return true;
}

}  // namespace dialogs
