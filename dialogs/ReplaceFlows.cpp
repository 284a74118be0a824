#include "dialogs/ReplaceFlows.h"

#include "controls/ColorButton.h"
#include "controls/ColorProgressBar.h"
#include "dialogs/InputTextDlg.h"
#include "dialogs/InputWidTextDlg.h"
#include "dialogs/MainWindowServices.h"
#include "dialogs/MessageSkipDlg.h"
#include "dialogs/OkikaeDlg.h"
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "framework/StdCtrls.h"
#include "text/ReplaceFlow.h"

namespace dialogs {
namespace {

using replaceflow::Answer;

// Pixel height of the font that a text control shows.
int LineHeight(HWND control) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return tm.tmHeight;
}

// Asks at an occurrence already selected in control: behind is the unit
// index of the character behind it. The box goes beside that character.
Answer AskBeside(TForm* owner, HWND control, int behind, const std::wstring& question, const wchar_t* allCaption) {
  TCursorGuard arrow(crDefault);
  auto* box = NewForm<TMessageSkipDlg>(Cp932FromUtf8("確認"), owner, 1, question);
  MessageSkipDlg = box;
  box->CheckBox1->SetTextW(allCaption);
  box->NoBtn->Show();
  replaceflow::BoxPlace place;
  place.posBehind = static_cast<long>(SendMessageW(control, EM_POSFROMCHAR, behind, 0));
  place.posLast = static_cast<long>(SendMessageW(control, EM_POSFROMCHAR, behind > 0 ? behind - 1 : 0, 0));
  POINT origin = {0, 0};
  ClientToScreen(control, &origin);
  RECT r;
  GetWindowRect(control, &r);
  place.originX = origin.x;
  place.originY = origin.y;
  place.left = r.left;
  place.top = r.top;
  place.right = r.right;
  place.bottom = r.bottom;
  place.boxWidth = box->Width();
  place.boxHeight = box->Height();
  place.lineHeight = LineHeight(control);
  const replaceflow::ScreenPoint at = replaceflow::PlaceQuestionBox(place);
  box->SetBounds(at.x, at.y, box->Width(), box->Height());
  const int result = box->ShowModal();
  Answer answer;
  answer.replace = result != mrNo;  // OK, or the box closed by its title bar
  answer.all = box->CheckBox1->Checked();
  MessageSkipDlg = nullptr;
  box->Free();
  Application->ProcessMessages();
  return answer;
}

// Code page 932 text lowered by the user's locale.
std::string LowerCp932(const std::string& text) {
  std::wstring w = Cp932ToWide(text);
  if (!w.empty()) CharLowerBuffW(&w[0], static_cast<DWORD>(w.size()));
  return WideToCp932(w);
}

std::wstring UpperWide(const std::wstring& text) {
  std::wstring u = text;
  if (!u.empty()) CharUpperBuffW(&u[0], static_cast<DWORD>(u.size()));
  return u;
}

class NarrowHost : public replaceflow::Host<std::string> {
 public:
  explicit NarrowHost(TInputTextDlg& d) : d_(d) {}
  void Step(size_t lines) override { d_.ColorProgressBar1->StepBy(lines); }
  Answer Ask(size_t pos, size_t length, const std::string& question) override {
    TMemo* memo = d_.Memo1;
    memo->SetSelection(static_cast<int>(pos), static_cast<int>(pos + length));
    memo->ScrollCaret();
    return AskBeside(&d_, memo->Handle(), memo->ByteToUnit(static_cast<int>(pos + length)), Cp932ToWide(question),
                     L"全て ");
  }
  void Replaced(size_t pos, size_t length, const std::string& replacement) override {
    d_.Memo1->SetSelection(static_cast<int>(pos), static_cast<int>(pos + length));
    const std::wstring wide = Cp932ToWide(replacement);
    SendMessageW(d_.Memo1->Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  }

 private:
  TInputTextDlg& d_;
};

class WideHost : public replaceflow::Host<std::wstring> {
 public:
  explicit WideHost(TInputWidTextDlg& d) : d_(d) {}
  void Step(size_t lines) override { d_.ColorProgressBar1->StepBy(lines); }
  Answer Ask(size_t pos, size_t length, const std::wstring& question) override {
    HWND edit = d_.WideTextEdit;
    SendMessageW(edit, EM_SETSEL, pos, pos + length);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    return AskBeside(&d_, edit, static_cast<int>(pos + length), question, L"全て");
  }
  void Replaced(size_t pos, size_t length, const std::wstring& replacement) override {
    SendMessageW(d_.WideTextEdit, EM_SETSEL, pos, pos + length);
    SendMessageW(d_.WideTextEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(replacement.c_str()));
  }

 private:
  TInputWidTextDlg& d_;
};

// Puts the swept text into a text control with one write, keeping the scroll
// position and leaving the painting to the end.
void SetWholeText(HWND control, const std::wstring& text) {
  const LRESULT first = SendMessageW(control, EM_GETFIRSTVISIBLELINE, 0, 0);
  SendMessageW(control, WM_SETREDRAW, FALSE, 0);
  SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(control, EM_LINESCROLL, 0, first);
  SendMessageW(control, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(control, nullptr, TRUE);
}

// The bar's maximum for the walk; back to 0 however the walk ends.
class ProgressRun {
 public:
  ProgressRun(TColorProgressBar* bar, size_t lines) : bar_(bar) {
    bar_->SetPosition(0);
    bar_->SetMax(lines);
  }
  ~ProgressRun() { bar_->SetPosition(0); }

 private:
  TColorProgressBar* bar_;
};

}  // namespace

void RunNarrowReplace(TInputTextDlg& d) {
  MainWindowServices& services = d.Services() ? *d.Services() : MainWindow();
  const std::string text = d.Memo1->Text();
  auto proposal = replaceflow::Propose(text, static_cast<size_t>(d.Memo1->SelStart()),
                                       static_cast<size_t>(d.Memo1->SelLength()), services.LastFindText,
                                       services.LastReplaceText);
  std::string search = proposal.first, replacement = proposal.second;
  bool matchCase = false;
  {
    auto* dlg = NewForm<TOkikaeDlg>(search, &d, replacement);
    OkikaeDlg = dlg;
    const int result = dlg->ShowModal();
    matchCase = dlg->CheckBox1->Checked();
    OkikaeDlg = nullptr;
    dlg->Free();
    if (result != mrOk || search.empty()) return;
  }
  TCursorGuard hourglass(crHourGlass);
  ProgressRun progress(d.ColorProgressBar1, replaceflow::CountLines(text));
  NarrowHost host(d);
  const auto out = replaceflow::ReplaceNarrow(text, search, replacement, matchCase, LowerCp932, host);
  services.LastFindText = out.lastFind;  // lowered without MatchCase
  services.LastReplaceText = out.lastReplace;
  if (out.swept) {
    TMemo* memo = d.Memo1;
    const int first = memo->GetFirstVisibleLine();
    SendMessageW(memo->Handle(), WM_SETREDRAW, FALSE, 0);
    memo->SetText(out.text);
    memo->LineScroll(0, first);
    SendMessageW(memo->Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(memo->Handle(), nullptr, TRUE);
  }
  if (out.replaced) d.OKBtn->SetEnabled(true);
}

void RunWideReplace(TInputWidTextDlg& d) {
  MainWindowServices& services = d.Services() ? *d.Services() : MainWindow();
  const std::wstring text = d.GetEditText();
  DWORD start = 0, end = 0;
  SendMessageW(d.WideTextEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const auto proposal =
      replaceflow::Propose(text, start, end - start, services.LastFindTextWide, services.LastReplaceTextWide);
  std::wstring search, replacement;
  bool matchCase = false;
  {
    auto* dlg = NewForm<TOkikaeWidDlg>(proposal.first, &d, proposal.second);
    OkikaeWidDlg = dlg;
    const int result = dlg->Execute();
    search = dlg->FindText;
    replacement = dlg->ReplaceText;
    matchCase = dlg->CheckBox1->Checked();
    OkikaeWidDlg = nullptr;
    dlg->Free();
    if (result != mrOk || search.empty()) return;
  }
  TCursorGuard hourglass(crHourGlass);
  ProgressRun progress(d.ColorProgressBar1, replaceflow::CountLines(text));
  WideHost host(d);
  const auto out = replaceflow::ReplaceWide(text, search, replacement, matchCase, UpperWide, host);
  services.LastFindTextWide = out.lastFind;
  services.LastReplaceTextWide = out.lastReplace;
  if (out.swept) SetWholeText(d.WideTextEdit, out.text);
  if (out.replaced) d.OKBtn->SetEnabled(true);
}

}  // namespace dialogs
