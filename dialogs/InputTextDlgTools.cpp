// The text tools of the narrow edit dialog's "文書整形" menu and its replace
// command. The line tools work on a copy of the memo's text (lines end at CR
// LF only) and put the result back with one write; the era tools convert the
// selection. Numbering asks for its settings with TOKRightDlg, insertion and
// deletion at line starts ask with the one-line input query. Replace is a
// stand-in that changes nothing.
#include "dialogs/InputTextDlg.h"

#include <functional>

#include "dialogs/ReplaceFlows.h"
#include "dialogs/NoInpUnit.h"
#include "framework/Buttons.h"
#include "framework/Cp932.h"
#include "framework/InputQuery.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "text/EraDates.h"
#include "text/LineTools.h"

namespace {

using Lines = std::vector<std::string>;

// Puts text into the memo with one write, keeping the scroll position.
void SetMemoText(TInputTextDlg& d, const std::string& text) {
  const int first = d.Memo1->GetFirstVisibleLine();
  SendMessageW(d.Memo1->Handle(), WM_SETREDRAW, FALSE, 0);
  d.Memo1->SetText(text);
  d.Memo1->LineScroll(0, first);
  SendMessageW(d.Memo1->Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(d.Memo1->Handle(), nullptr, TRUE);
  d.OKBtn->SetEnabled(true);
}

// Rewrites the lines that the selection touches; the changed lines are
// selected afterwards (the old start, the old length plus the net change).
void RewriteTouchedLines(TInputTextDlg& d, const std::function<Lines(Lines)>& rewrite) {
  const std::string text = d.Memo1->Text();
  const int start = d.Memo1->SelStart();
  const int length = d.Memo1->SelLength();
  linetools::Block b;
  if (!linetools::TouchedLines(text, static_cast<size_t>(start), static_cast<size_t>(length), b)) return;
  d.UndoText = text;
  const std::string block =
      linetools::JoinCrLf(rewrite(linetools::SplitCrLf(text.substr(b.start, b.end - b.start))));
  const std::string result = text.substr(0, b.start) + block + text.substr(b.end);
  if (result == text) return;
  SetMemoText(d, result);
  d.Memo1->SetSelStart(start);
  d.Memo1->SetSelLength(length + static_cast<int>(result.size()) - static_cast<int>(text.size()));
}

int ItemTag(TMenuItem* sender) { return sender ? sender->Tag : 0; }

bool TouchedLinesFound(TInputTextDlg& d) {
  linetools::Block b;
  return linetools::TouchedLines(d.Memo1->Text(), static_cast<size_t>(d.Memo1->SelStart()),
                                 static_cast<size_t>(d.Memo1->SelLength()), b);
}

// The caption of a prompt: the item's caption less its last two characters.
std::wstring PromptCaption(TMenuItem* item) {
  std::wstring caption = Cp932ToWide(item->Caption());
  caption.resize(caption.size() > 2 ? caption.size() - 2 : 0);
  return caption;
}

}  // namespace

void TInputTextDlg::SortUpMenuClick(TMenuItem* sender) {
  SortDescending = sender != SortUpMenu;
  const std::string text = Memo1->Text();
  linetools::Block b;
  if (!linetools::TouchedLines(text, static_cast<size_t>(Memo1->SelStart()),
                               static_cast<size_t>(Memo1->SelLength()), b))
    return;
  const int start = BeginSelectionTool();
  UndoText = text;
  const std::string block = linetools::JoinCrLf(
      linetools::SortNarrow(linetools::SplitCrLf(text.substr(b.start, b.end - b.start)), SortDescending));
  const std::string result = text.substr(0, b.start) + block + text.substr(b.end);
  if (result != text) SetMemoText(*this, result);
  EndSelectionTool(start, SelLengthBefore);
}

void TInputTextDlg::N7Click(TMenuItem*) {
  if (!TouchedLinesFound(*this)) return;
  auto* box = NewForm<TOKRightDlg>(this);
  OKRightDlg = box;
  const bool ok = box->ShowModal() == mrOk;
  const TOKRightDlg::Params p = box->LineNumberParams();
  OKRightDlg = nullptr;
  box->Free();
  if (!ok) return;
  // Every line of the scope gets its number here, blank or not.
  linetools::Numbering how;
  how.start = p.start;
  how.align = p.align;
  const std::string separator = WideToCp932(p.separator);
  RewriteTouchedLines(*this, [&](Lines l) { return linetools::NumberLines(std::move(l), separator, how); });
}

void TInputTextDlg::TopInpMenuClick(TMenuItem* sender) {
  if (!sender || !TouchedLinesFound(*this)) return;
  const bool insert = sender == TopInpMenu;
  std::string answer;
  if (!InputQuery(WideToCp932(PromptCaption(sender)),
                  Cp932FromUtf8(insert ? "挿入する文字を入力" : "削除する文字数、又は文字を入力"), answer, this))
    return;
  if (answer.empty()) return;
  RewriteTouchedLines(*this, [&](Lines l) {
    return insert ? linetools::InsertAtStarts(std::move(l), answer) : linetools::DeleteAtStarts(std::move(l), answer);
  });
}

void TInputTextDlg::N41Click(TMenuItem*) {
  const std::string text = Memo1->Text();
  UndoText = text;
  const std::string result = linetools::RemoveEmptyLinesNarrow(text, static_cast<size_t>(Memo1->SelStart()),
                                                               static_cast<size_t>(Memo1->SelLength()));
  if (result != text) SetMemoText(*this, result);
}

void TInputTextDlg::IndentMenu1Click(TMenuItem* sender) {
  const std::string prefix = linetools::NarrowIndentPrefix(ItemTag(sender));
  RewriteTouchedLines(*this, [&](Lines l) { return linetools::Indent(std::move(l), prefix); });
}

void TInputTextDlg::OutdentMenu1Click(TMenuItem* sender) {
  const std::string prefix = linetools::NarrowIndentPrefix(ItemTag(sender));
  RewriteTouchedLines(*this, [&](Lines l) { return linetools::Outdent(std::move(l), prefix); });
}

void TInputTextDlg::IndentAllDelMenuClick(TMenuItem*) {
  RewriteTouchedLines(*this, [](Lines l) { return linetools::RemoveLeadingBlanks(std::move(l)); });
}

void TInputTextDlg::AdMenuClick(TMenuItem* sender) {
  if (Memo1->SelLength() <= 0) return;
  const bool full = ItemTag(sender) == 1;
  const eradates::WidthFn width = [this](const std::string& t, bool toHalf) { return ConvertWholeWidth(t, toHalf); };
  ConvertSelection([&](const std::string& s) { return eradates::EraToYear(s, full, width); });
}

void TInputTextDlg::mtsh1Click(TMenuItem* sender) {
  if (Memo1->SelLength() <= 0) return;
  const int tag = ItemTag(sender);
  const bool full = tag >= 20;
  const int form = full ? tag - 20 : tag - 10;
  const eradates::WidthFn width = [this](const std::string& t, bool toHalf) { return ConvertWholeWidth(t, toHalf); };
  ConvertSelection([&](const std::string& s) { return eradates::YearToEra(s, form, full, width); });
}
void TInputTextDlg::Replace1Click(TMenuItem*) { dialogs::RunNarrowReplace(*this); }
