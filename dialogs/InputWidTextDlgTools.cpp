// The text tools of the UTF-16 edit dialog's "文書整形" menu and its replace
// command. The line tools need a selection of whole lines (lines end at CR LF
// only); they rewrite a copy of the selected lines and replace the selection
// with one write. The era tools run the code page 932 routines over the
// stretches of the selection that code page 932 can hold; the case, width and
// kana conversions map the selection by the user's locale. Numbering asks for
// its settings with TOKRightDlg, insertion and deletion at line starts with
// TInputWideDlg. Replace is a stand-in that changes nothing.
#include "dialogs/InputWidTextDlg.h"

#include <functional>

#include "controls/ColorButton.h"
#include "dialogs/ReplaceFlows.h"
#include "framework/Buttons.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "dialogs/InputBoxWUnit.h"
#include "dialogs/MainWindowServices.h"
#include "dialogs/NoInpUnit.h"
#include "dialogs/WideMapping.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "text/EraDates.h"
#include "text/LineTools.h"

namespace {

using Lines = std::vector<std::wstring>;

struct WideSelection {
  std::wstring text;
  int start = 0;
  int length = 0;
};

WideSelection ReadSelection(TInputWidTextDlg& d) {
  WideSelection s;
  s.text = d.GetEditText();
  DWORD start = 0, end = 0;
  SendMessageW(d.WideTextEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  s.start = static_cast<int>(start);
  s.length = static_cast<int>(end - start);
  return s;
}

void ReplaceSelection(TInputWidTextDlg& d, const std::wstring& with) {
  SendMessageW(d.WideTextEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(with.c_str()));
  d.OKBtn->SetEnabled(true);
}

// The selected whole lines rewritten, or false when the selection is not
// one of whole lines.
bool RewriteSelectedLines(TInputWidTextDlg& d, const WideSelection& s, const std::function<Lines(Lines)>& rewrite,
                          std::wstring& result) {
  if (!linetools::WholeLineSelection(s.text, static_cast<size_t>(s.start), static_cast<size_t>(s.length)))
    return false;
  result = linetools::JoinCrLf(rewrite(linetools::SplitCrLf(s.text.substr(s.start, s.length))));
  return true;
}

// A line tool: the changed lines are selected afterwards.
void LineTool(TInputWidTextDlg& d, const std::function<Lines(Lines)>& rewrite) {
  const WideSelection s = ReadSelection(d);
  std::wstring block;
  if (!RewriteSelectedLines(d, s, rewrite, block)) return;
  d.UndoText = s.text;
  ReplaceSelection(d, block);
  SendMessageW(d.WideTextEdit, EM_SETSEL, s.start, s.start + static_cast<int>(block.size()));
}

std::wstring UpperCased(const std::wstring& line) {
  std::wstring u = line;
  if (!u.empty()) CharUpperBuffW(&u[0], static_cast<DWORD>(u.size()));
  return u;
}

int ItemTag(TMenuItem* sender) { return sender ? sender->Tag : 0; }

// Code page 932 text and back; false when a character has no code there.
bool ToCp932(const std::wstring& w, std::string& out) {
  out.clear();
  if (w.empty()) return true;
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.resize(static_cast<size_t>(n));
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), &out[0], n, nullptr,
                      &usedDefault);
  return !usedDefault;
}
std::wstring FromCp932(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

// Width of code page 932 text by the user's locale; unchanged when the mapping fails.
std::string MapWidth(const std::string& s, bool toHalf) {
  if (s.empty()) return s;
  const DWORD flags = toHalf ? LCMAP_HALFWIDTH : LCMAP_FULLWIDTH;
  const int n = LCMapStringA(LOCALE_USER_DEFAULT, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return s;
  std::string out(static_cast<size_t>(n), '\0');
  if (LCMapStringA(LOCALE_USER_DEFAULT, flags, s.data(), static_cast<int>(s.size()), &out[0], n) <= 0) return s;
  return out;
}

// Runs a code page 932 routine over text. Characters that code page 932 lacks
// are kept as they are: the routine runs on the stretches between them.
std::wstring ThroughCp932(const std::wstring& text, const std::function<std::string(const std::string&)>& routine) {
  std::string narrow;
  if (ToCp932(text, narrow)) return FromCp932(routine(narrow));
  std::wstring out, stretch;
  for (size_t i = 0; i < text.size();) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    const std::wstring ch = text.substr(i, pair ? 2 : 1);
    i += ch.size();
    std::string one;
    if (ToCp932(ch, one)) {
      stretch += ch;
      continue;
    }
    if (!stretch.empty()) {
      ToCp932(stretch, narrow);
      out += FromCp932(routine(narrow));
      stretch.clear();
    }
    out += ch;
  }
  if (!stretch.empty()) {
    ToCp932(stretch, narrow);
    out += FromCp932(routine(narrow));
  }
  return out;
}

// Converts the selection by routine, as one selection tool.
void ConvertSelectionThroughCp932(TInputWidTextDlg& d, const std::function<std::string(const std::string&)>& routine) {
  const WideSelection s = ReadSelection(d);
  if (s.length <= 0) return;
  const int start = d.BeginSelectionTool();
  d.UndoText = s.text;
  const std::wstring selected = s.text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length));
  const std::wstring converted = ThroughCp932(selected, routine);
  if (converted != selected) ReplaceSelection(d, converted);
  d.EndSelectionTool(start, d.SelLengthBefore);
}

}  // namespace

void TInputWidTextDlg::ABCabc1Click(TMenuItem* sender) {
  const WideSelection s = ReadSelection(*this);
  if (s.length <= 0) return;
  TCursorGuard hourglass(crHourGlass);
  UndoText = s.text;
  const int start = BeginSelectionTool();
  const std::wstring selected = s.text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length));
  dialogs::WideMapping mapping;
  const std::wstring converted = wideconv::Convert(selected, ItemTag(sender), mapping);
  if (converted != selected) ReplaceSelection(*this, converted);
  EndSelectionTool(start, SelLengthBefore);
}

void TInputWidTextDlg::N26Click(TMenuItem* sender) {
  const bool full = ItemTag(sender) == 1;
  ConvertSelectionThroughCp932(*this, [&](const std::string& t) { return eradates::EraToYear(t, full, MapWidth); });
}

void TInputWidTextDlg::mtshr1Click(TMenuItem* sender) {
  const int tag = ItemTag(sender);
  const bool full = tag >= 20;
  const int form = full ? tag - 20 : tag - 10;
  ConvertSelectionThroughCp932(*this, [&](const std::string& t) { return eradates::YearToEra(t, form, full, MapWidth); });
}

void TInputWidTextDlg::N32Click(TMenuItem* sender) {
  SortDescending = sender != N32;
  const WideSelection s = ReadSelection(*this);
  std::wstring block;
  if (!RewriteSelectedLines(*this, s,
                            [&](Lines l) { return linetools::SortWide(std::move(l), SortDescending, UpperCased); },
                            block))
    return;
  const int start = BeginSelectionTool();
  UndoText = s.text;
  ReplaceSelection(*this, block);
  EndSelectionTool(start, SelLengthBefore);
}

void TInputWidTextDlg::N34Click(TMenuItem*) {
  const WideSelection s = ReadSelection(*this);
  if (!linetools::WholeLineSelection(s.text, static_cast<size_t>(s.start), static_cast<size_t>(s.length))) return;
  auto* box = NewForm<TOKRightDlg>(this);
  OKRightDlg = box;
  const bool ok = box->ShowModal() == mrOk;
  const TOKRightDlg::Params p = box->LineNumberParams();
  OKRightDlg = nullptr;
  box->Free();
  if (!ok) return;
  linetools::Numbering how;
  how.start = p.start;
  how.align = p.align;
  how.skipBlankLed = p.skipBlankLines;
  LineTool(*this, [&](Lines l) { return linetools::NumberLines(std::move(l), p.separator, how); });
}

void TInputWidTextDlg::N36Click(TMenuItem* sender) {
  if (!sender) return;
  const WideSelection s = ReadSelection(*this);
  if (!linetools::WholeLineSelection(s.text, static_cast<size_t>(s.start), static_cast<size_t>(s.length))) return;
  const bool insert = sender == N36;
  auto* box = NewForm<TInputWideDlg>(insert ? L"挿入する文字を入力" : L"削除する文字数、又は文字を入力", this,
                                     ibPlainInput, L"");
  std::wstring caption = Cp932ToWide(sender->Caption());
  caption.resize(caption.size() > 2 ? caption.size() - 2 : 0);
  box->SetTextW(caption);
  TImageList* images = Services() ? Services()->MenuImages() : nullptr;
  if (images && sender->ImageIndex() >= 0) box->SetIcon(images->GetIcon(sender->ImageIndex()));
  const bool ok = box->ShowModal() == mrOk;
  const std::wstring answer = box->InputText;
  const bool skipBlankLed = box->CheckBox1->Checked();
  box->Free();
  if (!ok || answer.empty()) return;
  LineTool(*this, [&](Lines l) {
    return insert ? linetools::InsertAtStarts(std::move(l), answer, skipBlankLed)
                  : linetools::DeleteAtStarts(std::move(l), answer);
  });
}

void TInputWidTextDlg::N38Click(TMenuItem*) {
  const WideSelection s = ReadSelection(*this);
  std::wstring block;
  if (!RewriteSelectedLines(*this, s, [](Lines l) { return linetools::RemoveEmptyLines(l); }, block)) return;
  UndoText = s.text;
  ReplaceSelection(*this, block);
}

void TInputWidTextDlg::N43Click(TMenuItem* sender) {
  const std::wstring prefix = linetools::WideIndentPrefix(ItemTag(sender));
  LineTool(*this, [&](Lines l) { return linetools::Indent(std::move(l), prefix); });
}

void TInputWidTextDlg::N47Click(TMenuItem* sender) {
  const std::wstring prefix = linetools::WideIndentPrefix(ItemTag(sender));
  LineTool(*this, [&](Lines l) { return linetools::Outdent(std::move(l), prefix); });
}

void TInputWidTextDlg::N50Click(TMenuItem*) {
  LineTool(*this, [](Lines l) { return linetools::RemoveLeadingBlanks(std::move(l)); });
}

void TInputWidTextDlg::Replace1Click(TMenuItem*) { dialogs::RunWideReplace(*this); }
