#include "viewer/OptionsFlow.h"

#include <cstdlib>

#include "controls/NumberEdit.h"
#include "dialogs/MainWindowServices.h"
#include "dialogs/OptionDlg.h"
#include "framework/ComCtrls.h"
#include "framework/StdCtrls.h"

std::string CollapseDots(std::string text) {
  for (size_t at = text.find(".."); at != std::string::npos; at = text.find("..")) text.erase(at, 1);
  return text;
}

namespace {
// Selects the item that reads as the number; the item at 1 when none does.
void SelectSize(TComboBox* box, int size) {
  const std::string wanted = std::to_string(size);
  int found = 1;
  for (int i = 0; i < box->Items().Count(); ++i) {
    if (box->Items().Get(i) == wanted) found = i;
  }
  box->SetItemIndex(found);
}

// The selected item's number; fallback when it reads as none.
int SelectedSize(TComboBox* box, int fallback) {
  const int i = box->ItemIndex();
  if (i < 0) return fallback;
  const std::string text = box->Items().Get(i);
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return fallback;
  return static_cast<int>(v);
}
}  // namespace

OptionsOutcome RunOptionsFlow(TForm* owner, ViewerSettings& s, bool& sendToLink,
                              dialogs::MainWindowServices& services) {
  OptionsOutcome out;
  TOptionDlg* dlg = NewForm<TOptionDlg>(owner);
  OptionDlg = dlg;

  const bool desktopLink = services.ProgramLinkExists(kDesktopFolder);
  dlg->CheckBox8->SetChecked(desktopLink);
  dlg->CheckBox1->SetChecked(sendToLink);
  dlg->CheckBox2->SetChecked(s.AutoDetectCode);
  dlg->CheckBox2Click();  // also when the box keeps its state
  dlg->CheckBox3->SetChecked(s.WatchFromLastLine);
  dlg->CheckBox4->SetChecked(s.MergeUnconvertible);
  dlg->CheckBox5->SetChecked(s.DeleteMissingBookmarks);
  dlg->CheckBox7->SetChecked(s.ReduceFlicker);
  dlg->CheckBox9->SetChecked(s.AutoLineList);
  dlg->CheckBox10->SetChecked(s.ConfirmBookmarkLoad);
  dlg->UpDown1->SetPosition(s.DetectSizeMB);
  dlg->UpDown2->SetPosition(s.BookmarkTitleMax);
  dlg->UpDown3->SetPosition(s.CsvColumnMax);
  const bool openWith = services.OpenWithSet();
  dlg->CheckBox6->SetChecked(openWith);
  dlg->Edit1->SetText(s.OpenExtensions);
  SelectSize(dlg->ComboBox1, s.FontSize);
  SelectSize(dlg->ComboBox2, s.BookmarkFontSize);

  if (dlg->ShowModal() == mrOk) {
    out.ok = true;
    s.AutoDetectCode = dlg->CheckBox2->Checked();
    s.WatchFromLastLine = dlg->CheckBox3->Checked();
    s.MergeUnconvertible = dlg->CheckBox4->Checked();
    s.DeleteMissingBookmarks = dlg->CheckBox5->Checked();
    s.AutoLineList = dlg->CheckBox9->Checked();
    s.ConfirmBookmarkLoad = dlg->CheckBox10->Checked();
    s.DetectSizeMB = dlg->UpDown1->Position();
    s.BookmarkTitleMax = dlg->UpDown2->Position();
    s.CsvColumnMax = dlg->UpDown3->Position();
    s.OpenExtensions = CollapseDots(dlg->Edit1->Text());
    s.ReduceFlicker = dlg->CheckBox7->Checked();

    const bool wantDesktop = dlg->CheckBox8->Checked();
    if (wantDesktop != desktopLink) services.SetProgramLink(kDesktopFolder, wantDesktop);

    const bool wantSendTo = dlg->CheckBox1->Checked();
    if (wantSendTo != sendToLink) {
      services.SetProgramLink(kSendToFolder, wantSendTo);
      // What the folder holds now: a failed creation or deletion shows as such.
      sendToLink = services.ProgramLinkExists(kSendToFolder);
    }

    const bool wantOpenWith = dlg->CheckBox6->Checked();
    if (wantOpenWith != openWith) services.SetOpenWith(wantOpenWith);

    const int fontSize = SelectedSize(dlg->ComboBox1, 10);
    out.fontSizeChanged = fontSize != s.FontSize;
    s.FontSize = fontSize;
    const int bookmarkFontSize = SelectedSize(dlg->ComboBox2, 9);
    out.bookmarkFontSizeChanged = bookmarkFontSize != s.BookmarkFontSize;
    s.BookmarkFontSize = bookmarkFontSize;
  }

  OptionDlg = nullptr;
  dlg->Free();
  return out;
}
