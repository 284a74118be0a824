// The run-time binding of the conversion library (Selvane.dll) and the text
// conversions built on it, usable without any dialog: the narrow edit dialog's
// conversion commands wrap it, and the kana-insensitive search uses it hidden.
//
// The library is loaded by full path from the program's own folder (never by
// a bare name, which would let the system's search order find a planted copy
// in the current folder or on the path), for one command at a time: Load,
// convert, Free. A missing library or a missing export shows no message:
// upper and lower case still work (they need no library), every other
// conversion leaves the text as it was. A null result of the library leaves
// the text as it was too.
#pragma once
#include <windows.h>

#include <string>

#include "conversion/SelvaneApi.h"

// The conversion kinds of ConvertText (the menu items' Tags).
enum TextConvKind {
  ckLowerCase = 0,
  ckUpperCase = 1,
  ckKataToHira = 4,
  ckHiraToKata = 5,
  ckHiraToHalfKata = 6,
  ckHalfKataToHira = 7,
  ckTopBigABC = 8,
};

// The type argument of _StringConversion (the width items' Tags).
enum WidthConvType { wcNone = 0, wcKatakana = 3, wcAlphabet = 4, wcDigit = 5, wcSymbol = 6, wcAll = 7 };

class ConversionLibrary {
 public:
  // baseName: the library's file name without ".dll", looked for in folder
  // (with a trailing backslash; empty: the running program's folder).
  explicit ConversionLibrary(std::wstring baseName = L"Selvane", std::wstring folder = std::wstring());
  ~ConversionLibrary() { Free(); }
  ConversionLibrary(const ConversionLibrary&) = delete;
  ConversionLibrary& operator=(const ConversionLibrary&) = delete;

  // Binds another library from now on (frees the current one). For tests.
  void SetSource(std::wstring baseName, std::wstring folder = std::wstring()) {
    Free();
    baseName_ = std::move(baseName);
    folder_ = std::move(folder);
  }

  // True at once when loaded; otherwise loads and resolves both exports.
  bool Load();
  // Loads the library and resolves both exports; null (and nothing kept) when
  // either is missing.
  HMODULE Resolve();
  void Free();
  bool Loaded() const { return module_ != nullptr; }
  HMODULE Module() const { return module_; }

  // _StringConversion(text, mode, type, toHalf, ""), its result copied, then
  // _DeleteBuf every time. ok (optional) is false when the library gave no
  // result or is not loaded; the returned text is then empty.
  std::string CallStringConversion(const std::string& text, const std::string& mode, bool toHalf, int type,
                                   bool* ok = nullptr);
  // The text converted by kind; unchanged when the library is needed but not
  // loaded, or gave no result.
  std::string ConvertText(const std::string& text, int kind);
  // A width conversion of every kind (loads and frees the library itself).
  std::string ConvertWholeWidth(const std::string& text, bool toHalf);
  // The width conversion of one type (a width menu item); unchanged when the
  // library is not loaded or gives no result.
  std::string ConvertWidth(const std::string& text, bool toHalf, int type);

  std::wstring Path() const;

 private:
  std::wstring baseName_, folder_;
  HMODULE module_ = nullptr;
  StringConversionProc stringConversion_ = nullptr;
  DeleteBufProc deleteBuf_ = nullptr;
};
