// The shared text and string-list routines of the main window: UTF-16 texts
// carried as wide objects of list items, split and joined at CR LF, found by
// their key; the safe character pointers; a text's length in the file's code.
#include <cassert>

#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/Graphics.h"
#include "framework/StringList.h"
#include "text/TextLists.h"
#include "viewer/VastrelForm.h"

const wchar_t* TVastrelForm::WidePtr(const std::wstring& text) { return textlists::WidePtr(text); }

const wchar_t* TVastrelForm::WideCharAt(const std::wstring& text, int n) {
  assert(n >= 1 && static_cast<size_t>(n) <= text.size());
  return textlists::WideCharAt(text, n < 1 ? 0 : static_cast<size_t>(n));
}

wchar_t* TVastrelForm::NewWideObject(const std::wstring& text) { return NewWideCopy(text); }

void TVastrelForm::FreeItemObject(TStrings& list, int index, bool deleteItem) {
  if (index < 0 || index >= list.Count()) return;
  list.PutObject(index, nullptr);  // the list frees the block it owned
  if (deleteItem) list.Delete(index);
}

void TVastrelForm::FreeItemObjects(TStrings& list, bool deleteItems) {
  for (int i = list.Count() - 1; i >= 0; --i) FreeItemObject(list, i, deleteItems);
}

int TVastrelForm::FindItemWide(TStrings& list, const std::wstring& key) {
  for (int i = 0; i < list.Count(); ++i) {
    const std::wstring text = UnicodeMode ? GetItemWide(list, i) : Cp932ToWide(list.Get(i));
    if (textlists::ItemKey(text) == key) return i;
  }
  return -1;
}

void TVastrelForm::SplitLines(TStrings& list, const std::wstring& text, bool skipEmpty, bool clearFirst) {
  if (clearFirst) FreeItemObjects(list, true);
  for (const auto& line : textlists::SplitLines(text, skipEmpty)) AddWithWideCopy(list, line);
}

std::wstring TVastrelForm::JoinLines(TStrings& list) {
  std::vector<std::wstring> lines;
  lines.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) lines.push_back(GetItemWide(list, i));
  return textlists::JoinLines(lines);
}

int64_t TVastrelForm::EncodedLength(const std::wstring& text) {
  const std::u16string units(text.begin(), text.end());
  return static_cast<int64_t>(textlists::EncodedLength(Conv.Cp932(), Settings.SubstituteChar, Doc.TextCode, units));
}

void TVastrelForm::MakeGlyphBitmap(TBitmap& bitmap, int imageIndex, TColor colour) {
  bitmap.SetSize(16, 16);
  TCanvas& c = bitmap.Canvas();
  c.BrushColor = colour;
  c.BrushStyle = bsSolid;
  c.FillRect(RECT{0, 0, 16, 16});
  ImageList1->Draw(c, 0, 0, imageIndex, true);
}
