// The locale mappings of the UTF-16 edit dialog's conversions on Win32: case
// by CharUpperBuffW/CharLowerBuffW, width and kana by LCMapStringW under the
// user's locale, and the code page 932 path by LCMapStringA under the Japanese
// locale (whose code page is 932, whatever the system's ANSI code page is).
#pragma once
#include "text/WideConvert.h"

namespace dialogs {

class WideMapping : public wideconv::Mapper {
 public:
  void Upper(std::wstring& text) override;
  void Lower(std::wstring& text) override;
  bool Map(std::wstring& text, unsigned kinds) override;
  bool MapCp932(std::wstring& text, unsigned kinds) override;
};

}  // namespace dialogs
