// The replace dialogs, the skip-all question box and both replace flows as
// real windows under wine, driven by posted messages: the UTF-16 replace
// dialog's keys and its hook slot, the box's layouts by mode, and one whole
// replace in each edit dialog, answered at each occurrence, with each box
// beside its occurrence inside the text control.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "controls/ColorButton.h"
#include "controls/ColorProgressBar.h"
#include "dialogs/InputTextDlg.h"
#include "dialogs/InputWidTextDlg.h"
#include "dialogs/MainWindowServices.h"
#include "dialogs/MessageSkipDlg.h"
#include "dialogs/OkikaeDlg.h"
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

namespace {

void Pump() { Application->ProcessMessages(); }

// Runs fn from the message loop that is running then (a modal run's).
LRESULT CALLBACK LaterProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_APP) {
    auto* fn = reinterpret_cast<std::function<void()>*>(l);
    (*fn)();
    delete fn;
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}
void Later(std::function<void()> fn) {
  static HWND helper = nullptr;
  if (!helper) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = LaterProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ReplaceDialogsTestLater";
    RegisterClassW(&wc);
    helper = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }
  PostMessageW(helper, WM_APP, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(fn))));
}

void PostKey(HWND h, WORD vk) {
  const LPARAM scan = vk == VK_RETURN ? 0x001C0001 : vk == VK_ESCAPE ? 0x00010001 : 0x000F0001;
  PostMessageW(h, WM_KEYDOWN, vk, scan);
}

void PostClick(TForm& form, TWinControl* button) {
  PostMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button->Handle()), BN_CLICKED),
               reinterpret_cast<LPARAM>(button->Handle()));
}

std::wstring WindowText(HWND h) {
  wchar_t buf[512] = {};
  GetWindowTextW(h, buf, 511);
  return buf;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The screen's pixels of rect as a 32-bit BMP file (a picture to look at).
// Only when a picture is asked for (never in the suite): wine puts what
// windows drew on the screen a little later, so the messages run a while first.
void SaveScreen(RECT rect, const char* name) {
  for (const DWORD until = GetTickCount() + 300; GetTickCount() < until;) Application->ProcessMessages();
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(w * h * 4);
  if (FILE* f = std::fopen(name, "wb")) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    auto* px = static_cast<DWORD*>(bits);
    for (int i = 0; i < w * h; ++i) px[i] |= 0xFF000000u;
    std::fwrite(bits, 4, static_cast<size_t>(w * h), f);
    std::fclose(f);
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

// A picture of one window when VASTREL_REPLACE_SHOT is set.
void ShotOf(HWND window, const char* name) {
  if (!std::getenv("VASTREL_REPLACE_SHOT")) return;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT r;
  GetWindowRect(window, &r);
  SaveScreen(r, name);
}

class FakeServices : public dialogs::MainWindowServices {
 public:
  std::wstring ClipboardText() override { return L""; }
  std::wstring SelectedText(int) override { return L""; }
  int64_t CurrentLine() override { return -1; }
  std::string PickedLineNumber() override { return ""; }
};

struct Marker {
  int id;
  void operator()(MSG&, bool&) const {}
};

// What a scripted answer does to the question box.
enum class Reply { Ok, No, Close, OkAll, NoAll };

class ReplaceDialogs : public testing::Test {
 protected:
  void TearDown() override {
    TOkikaeDlg::OnShowHook = nullptr;
    TOkikaeWidDlg::OnShowHook = nullptr;
    TMessageSkipDlg::OnShowHook = nullptr;
    Application->OnMessage = nullptr;
  }

  // Answers each question box by replies, recording what it showed and
  // whether it lay inside control's rectangle.
  void AnswerQuestions(std::vector<Reply> replies, std::function<HWND()> control,
                       std::function<std::wstring()> selected) {
    TMessageSkipDlg::OnShowHook = [this, replies, control, selected](TMessageSkipDlg& box) {
      const size_t k = questions.size();
      questions.push_back(box.MessageText);
      occurrences.push_back(selected());
      RECT b, c;
      GetWindowRect(box.Handle(), &b);
      GetWindowRect(control(), &c);
      inside.push_back(Inside(b, c));
      // Beside the occurrence: the box's top one line below the selection's
      // end, or its bottom up to a line above it.
      DWORD selStart = 0, selEnd = 0;
      SendMessageW(control(), EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
      const LRESULT at = SendMessageW(control(), EM_POSFROMCHAR, selEnd > 0 ? selEnd - 1 : 0, 0);
      POINT caret = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
      ClientToScreen(control(), &caret);
      const int h = 20;  // at least the line pitch of the controls' fonts
      beside.push_back((b.top >= caret.y && b.top <= caret.y + h) || (b.bottom <= caret.y && b.bottom >= caret.y - h));
      const Reply reply = k < replies.size() ? replies[k] : Reply::Ok;
      TMessageSkipDlg* p = &box;
      Later([this, p, reply, k, control] {
        EXPECT_TRUE(IsWindowVisible(p->NoBtn->Handle()));
        if (k == 0 && std::getenv("VASTREL_REPLACE_SHOT")) {
          RECT owner, b;
          GetWindowRect(GetAncestor(control(), GA_ROOT), &owner);
          GetWindowRect(p->Handle(), &b);
          RedrawWindow(GetAncestor(control(), GA_ROOT), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
          RedrawWindow(p->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
          UnionRect(&owner, &owner, &b);
          SaveScreen(owner, shotName.c_str());
        }
        if (reply == Reply::OkAll || reply == Reply::NoAll)
          PostMessageW(p->CheckBox1->Handle(), BM_SETCHECK, BST_CHECKED, 0);
        if (reply == Reply::Close)
          PostMessageW(p->Handle(), WM_CLOSE, 0, 0);
        else
          PostClick(*p, reply == Reply::No || reply == Reply::NoAll ? p->NoBtn : p->OKBtn);
      });
    };
  }

  std::vector<std::wstring> questions, occurrences;
  std::vector<bool> inside, beside;
  std::string shotName = "replace_question.bmp";
};

TEST_F(ReplaceDialogs, WideReplaceDialogCyclesTabAndKeepsEnterInTheReplacement) {
  Application->OnMessage = Marker{7};
  auto* d = NewForm<TOkikaeWidDlg>(L"find", nullptr, L"repl");
  std::vector<HWND> order;
  int resultInside = -1;
  TOkikaeWidDlg::OnShowHook = [&](TOkikaeWidDlg& dlg) {
    EXPECT_EQ(WindowText(dlg.SearchEdit), L"find");
    EXPECT_EQ(WindowText(dlg.ReplaceEdit), L"repl");
    Later([&] {
      ShotOf(dlg.Handle(), "replace_dialog_tab.bmp");
      order.push_back(GetFocus());
      for (int i = 0; i < 5; ++i) {
        PostKey(GetFocus(), VK_TAB);
        Pump();
        order.push_back(GetFocus());
      }
      // Enter and Escape in the replacement act inside it; the dialog stays.
      ::SetFocus(dlg.ReplaceEdit);
      SendMessageW(dlg.ReplaceEdit, EM_SETSEL, 2, 2);
      PostKey(dlg.ReplaceEdit, VK_RETURN);
      PostKey(dlg.ReplaceEdit, VK_ESCAPE);
      Pump();
      resultInside = dlg.ModalResult();
      // Enter in the search answers OK.
      ::SetFocus(dlg.SearchEdit);
      PostKey(dlg.SearchEdit, VK_RETURN);
    });
  };
  EXPECT_EQ(d->Execute(), mrOk);
  EXPECT_EQ(resultInside, mrNone);
  const std::vector<HWND> cycle = {d->SearchEdit,        d->ReplaceEdit,       d->CheckBox1->Handle(),
                                   d->OKBtn->Handle(),   d->CancelBtn->Handle(), d->SearchEdit};
  EXPECT_EQ(order, cycle);
  EXPECT_EQ(d->FindText, L"find");
  EXPECT_EQ(d->ReplaceText, L"re\r\npl");
  EXPECT_TRUE(d->CheckBox1->Checked());  // case matters unless unticked
  // The hook slot is back as it was before the dialog.
  ASSERT_NE(Application->OnMessage.target<Marker>(), nullptr);
  EXPECT_EQ(Application->OnMessage.target<Marker>()->id, 7);
  d->Free();
}

TEST_F(ReplaceDialogs, WideReplaceDialogEscapeCancelsAndTheHookComesBackWithoutClose) {
  Application->OnMessage = Marker{3};
  auto* d = NewForm<TOkikaeWidDlg>(L"", nullptr, L"");
  TOkikaeWidDlg::OnShowHook = [&](TOkikaeWidDlg& dlg) {
    Later([&dlg] {
      SetWindowTextW(dlg.SearchEdit, L"typed");
      PostKey(dlg.SearchEdit, VK_ESCAPE);
    });
  };
  EXPECT_EQ(d->Execute(), mrCancel);
  EXPECT_EQ(d->FindText, L"");  // Cancel takes nothing over
  EXPECT_EQ(Application->OnMessage.target<Marker>()->id, 3);
  d->Free();

  // Freed without running: the hook goes back with it.
  d = NewForm<TOkikaeWidDlg>(L"a", nullptr, L"b");
  EXPECT_NE(Application->OnMessage.target<TOkikaeWidDlg::KeyHook>(), nullptr);
  d->Free();
  EXPECT_EQ(Application->OnMessage.target<Marker>()->id, 3);
  // A hook set after the dialog's stays.
  d = NewForm<TOkikaeWidDlg>(L"a", nullptr, L"b");
  Application->OnMessage = Marker{4};
  d->Free();
  EXPECT_EQ(Application->OnMessage.target<Marker>()->id, 4);
}

TEST_F(ReplaceDialogs, NarrowReplaceDialogWritesTheCallersStringsOnOkOnly) {
  std::string search = "abc", replacement = "x";
  auto* d = NewForm<TOkikaeDlg>(search, nullptr, replacement);
  TOkikaeDlg::OnShowHook = [](TOkikaeDlg& dlg) {
    EXPECT_EQ(dlg.Edit1->Text(), "abc");
    EXPECT_EQ(dlg.Memo2->Text(), "x");
    EXPECT_FALSE(dlg.CheckBox1->Checked());
    dlg.Edit1->SetText("new");
    dlg.Memo2->SetText("two\r\nlines");
    Later([&dlg] { PostKey(dlg.Edit1->Handle(), VK_ESCAPE); });
  };
  EXPECT_EQ(d->ShowModal(), mrCancel);
  EXPECT_EQ(search, "abc");
  d->Free();
  d = NewForm<TOkikaeDlg>(search, nullptr, replacement);
  TOkikaeDlg::OnShowHook = [](TOkikaeDlg& dlg) {
    dlg.Edit1->SetText("new");
    dlg.Memo2->SetText("two\r\nlines");
    Later([&dlg] { PostKey(dlg.Edit1->Handle(), VK_RETURN); });
  };
  EXPECT_EQ(d->ShowModal(), mrOk);
  EXPECT_EQ(search, "new");
  EXPECT_EQ(replacement, "two\r\nlines");
  // The layout follows the size: buttons around the middle, the memo down to
  // the case box.
  d->SetBounds(d->Left(), d->Top(), 500, 360);
  Pump();
  EXPECT_EQ(d->OKBtn->Left(), 250 - 75 - 3);
  EXPECT_EQ(d->CancelBtn->Left(), 253);
  EXPECT_EQ(d->CheckBox1->Top(), d->OKBtn->Top() - 30);
  const int memoBottom = d->Memo2->Top() + d->Memo2->Height();
  EXPECT_LT(memoBottom, d->CheckBox1->Top());
  EXPECT_GT(memoBottom, d->CheckBox1->Top() - 20);
  EXPECT_GT(d->Edit1->Width(), 400);
  d->Free();
}

TEST_F(ReplaceDialogs, MessageBoxModes) {
  const std::string title = Application->Title();
  Application->SetTitle("Vastrel title");
  // Mode 1, no caption: the application's title; OK and No around the
  // middle, the box at the left; OK is the only default, so Enter answers OK.
  auto* q = NewForm<TMessageSkipDlg>("", nullptr, 1, L"'x' を置き換えますか？");
  EXPECT_EQ(q->Caption(), "Vastrel title");
  TMessageSkipDlg::OnShowHook = [](TMessageSkipDlg& box) {
    TMessageSkipDlg* p = &box;
    Later([p] { PostKey(p->CheckBox1->Handle(), VK_RETURN); });
  };
  EXPECT_EQ(q->ShowModal(), mrOk);
  q->Show();
  Pump();
  RECT form, ok, no, check;
  GetWindowRect(q->Handle(), &form);
  GetWindowRect(q->OKBtn->Handle(), &ok);
  GetWindowRect(q->NoBtn->Handle(), &no);
  GetWindowRect(q->CheckBox1->Handle(), &check);
  const int middle = (form.left + form.right) / 2;
  EXPECT_LT(ok.right, middle);
  EXPECT_GT(no.left, middle);
  EXPECT_LT(check.right, ok.left);
  EXPECT_TRUE(IsWindowVisible(q->NoBtn->Handle()));
  EXPECT_TRUE(GetWindowLongW(q->OKBtn->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_FALSE(GetWindowLongW(q->NoBtn->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_EQ(WindowText(q->MessageLabel), L"'x' を置き換えますか？");
  q->Free();
  TMessageSkipDlg::OnShowHook = nullptr;

  // A place given before the run wins over the centring.
  auto* placed = NewForm<TMessageSkipDlg>("", nullptr, 1, L"q");
  placed->SetBounds(37, 41, placed->Width(), placed->Height());
  RECT shownAt = {};
  TMessageSkipDlg::OnShowHook = [&shownAt](TMessageSkipDlg& box) {
    GetWindowRect(box.Handle(), &shownAt);
    TMessageSkipDlg* p = &box;
    Later([p] { PostClick(*p, p->NoBtn); });
  };
  EXPECT_EQ(placed->ShowModal(), mrNo);
  EXPECT_EQ(shownAt.left, 37);
  EXPECT_EQ(shownAt.top, 41);
  placed->Free();
  TMessageSkipDlg::OnShowHook = nullptr;

  // Mode 2: no check box, OK centred, a given caption.
  auto* wide = NewForm<TMessageSkipDlg>("Note", nullptr, 2, L"line one\r\nline two");
  wide->Show();
  Pump();
  EXPECT_EQ(wide->Caption(), "Note");
  EXPECT_FALSE(IsWindowVisible(wide->CheckBox1->Handle()));
  EXPECT_FALSE(IsWindowVisible(wide->NoBtn->Handle()));
  GetWindowRect(wide->Handle(), &form);
  GetWindowRect(wide->OKBtn->Handle(), &ok);
  EXPECT_LE(std::abs((ok.left + ok.right) / 2 - (form.left + form.right) / 2), 4);
  wide->Free();

  // Mode 0: the client fits the widest line (measured in the label's font)
  // with 16 pixels each side, and never more than the screen less 100.
  const std::wstring narrowLine = L"short", wideLine = L"a much wider second line of the message";
  auto* fit = NewForm<TMessageSkipDlg>("", nullptr, 0, narrowLine + L"\r\n" + wideLine);
  HDC dc = GetDC(fit->MessageLabel);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(fit->MessageLabel, WM_GETFONT, 0, 0)));
  SIZE s = {};
  GetTextExtentPoint32W(dc, wideLine.c_str(), static_cast<int>(wideLine.size()), &s);
  SelectObject(dc, old);
  ReleaseDC(fit->MessageLabel, dc);
  EXPECT_GT(s.cx, 170);  // wider than the label made at first
  EXPECT_EQ(fit->ClientWidth(), std::max<int>(200, s.cx + 32));
  RECT label;
  GetWindowRect(fit->MessageLabel, &label);
  EXPECT_GE(label.right - label.left, s.cx);
  fit->Free();
  auto* huge = NewForm<TMessageSkipDlg>("", nullptr, 0, std::wstring(600, L'W'));
  EXPECT_EQ(huge->ClientWidth(), GetSystemMetrics(SM_CXSCREEN) - 100);
  huge->Free();
  Application->SetTitle(title);
}

TEST_F(ReplaceDialogs, NarrowReplaceFlowAsksBesideEachOccurrence) {
  FakeServices services;
  // "あ" makes bytes and characters differ; the last line holds two.
  const std::string text = "\x82\xA0one two One\r\nx\r\none\r\nthree one one";
  auto* dlg = NewForm<TInputTextDlg>(text, nullptr, &services);
  dlg->Show();
  Pump();
  dlg->Memo1->SetSelection(2, 5);
  std::string proposed;
  TOkikaeDlg::OnShowHook = [&](TOkikaeDlg& o) {
    proposed = o.Edit1->Text();
    o.Edit1->SetText("ONE");  // lowered without MatchCase
    o.Memo2->SetText("1");
    TOkikaeDlg* p = &o;
    Later([p] {
      ShotOf(p->Handle(), "replace_dialog_narrow.bmp");
      PostClick(*p, p->OKBtn);
    });
  };
  AnswerQuestions({Reply::Ok, Reply::No, Reply::Close, Reply::OkAll}, [dlg] { return dlg->Memo1->Handle(); },
                  [dlg] { return Cp932ToWide(dlg->Memo1->SelText()); });
  shotName = "replace_question_narrow.bmp";
  SendMessageW(dlg->Handle(), WM_COMMAND, MAKEWPARAM(dlg->Replace1->Command(), 0), 0);
  Pump();
  EXPECT_EQ(proposed, "one");
  EXPECT_EQ(dlg->Memo1->Text(), "\x82\xA0" "1 two One\r\nx\r\n1\r\nthree 1 1");
  ASSERT_EQ(questions.size(), 4u);
  for (const std::wstring& q : questions) EXPECT_EQ(q, L"'one' を置き換えますか？");
  EXPECT_EQ(occurrences, (std::vector<std::wstring>{L"one", L"One", L"one", L"one"}));
  EXPECT_EQ(inside, (std::vector<bool>{true, true, true, true}));
  EXPECT_EQ(beside, (std::vector<bool>{true, true, true, true}));
  EXPECT_EQ(services.LastFindText, "one");
  EXPECT_EQ(services.LastReplaceText, "1");
  EXPECT_TRUE(dlg->OKBtn->Enabled());
  EXPECT_EQ(dlg->ColorProgressBar1->Position(), 0u);
  // The undo of the text tools is not the replace's: it still holds the text as received.
  EXPECT_EQ(dlg->UndoText, text);
  dlg->Free();
}

TEST_F(ReplaceDialogs, NarrowReplaceByLinesAsksAtEachOriginalOccurrenceOnce) {
  FakeServices services;
  services.LastFindText = "a";
  services.LastReplaceText = "x\r\na";  // each replacement brings a line holding the search
  const std::string text = "\x82\xA0 a b\r\na";
  auto* dlg = NewForm<TInputTextDlg>(text, nullptr, &services);
  dlg->Show();
  Pump();
  dlg->Memo1->SetSelection(0, 0);
  TOkikaeDlg::OnShowHook = [](TOkikaeDlg& o) {
    TOkikaeDlg* p = &o;
    Later([p] { PostClick(*p, p->OKBtn); });
  };
  AnswerQuestions({Reply::Ok, Reply::Ok, Reply::Ok}, [dlg] { return dlg->Memo1->Handle(); },
                  [dlg] { return Cp932ToWide(dlg->Memo1->SelText()); });
  SendMessageW(dlg->Handle(), WM_COMMAND, MAKEWPARAM(dlg->Replace1->Command(), 0), 0);
  Pump();
  EXPECT_EQ(dlg->Memo1->Text(), "\x82\xA0 x\r\na b\r\nx\r\na");
  EXPECT_EQ(occurrences, (std::vector<std::wstring>{L"a", L"a"}));
  EXPECT_EQ(inside, (std::vector<bool>{true, true}));
  dlg->Free();
}

TEST_F(ReplaceDialogs, WideReplaceFlowAsksBesideEachOccurrenceAndStops) {
  FakeServices services;
  std::wstring text = L"あone two One\r\n";
  for (int i = 0; i < 40; ++i) text += L"filler line\r\n";  // the last ones lie below the visible part
  text += L"one\r\nthree one one";
  auto* dlg = NewForm<TInputWidTextDlg>(text, nullptr, 0, &services);
  dlg->Show();
  Pump();
  const auto* editHook = Application->OnMessage.target<TInputWidTextDlg::KeyHook>();
  ASSERT_NE(editHook, nullptr);
  SendMessageW(dlg->WideTextEdit, EM_SETSEL, 1, 4);
  std::wstring proposed;
  TOkikaeWidDlg::OnShowHook = [&](TOkikaeWidDlg& o) {
    proposed = WindowText(o.SearchEdit);
    TOkikaeWidDlg* p = &o;
    Later([p] {
      SetWindowTextW(p->ReplaceEdit, L"[1]");
      p->CheckBox1->SetChecked(false);
      ShotOf(p->Handle(), "replace_dialog_wide.bmp");
      PostKey(p->SearchEdit, VK_RETURN);
    });
  };
  auto selected = [dlg] {
    DWORD s = 0, e = 0;
    SendMessageW(dlg->WideTextEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    return dlg->GetEditText().substr(s, e - s);
  };
  AnswerQuestions({Reply::Ok, Reply::Close, Reply::No, Reply::Ok, Reply::NoAll}, [dlg] { return dlg->WideTextEdit; },
                  selected);
  shotName = "replace_question_wide.bmp";
  SendMessageW(dlg->Handle(), WM_COMMAND, MAKEWPARAM(dlg->Replace1->Command(), 0), 0);
  Pump();
  EXPECT_EQ(proposed, L"one");
  std::wstring expected = L"あ[1] two [1]\r\n";
  for (int i = 0; i < 40; ++i) expected += L"filler line\r\n";
  expected += L"one\r\nthree [1] one";  // stopped at the last one: what was accepted stays
  EXPECT_EQ(dlg->GetEditText(), expected);
  ASSERT_EQ(questions.size(), 5u);
  EXPECT_EQ(questions[1], L"'One' を置き換えますか？");  // the occurrence's own text
  EXPECT_EQ(occurrences, (std::vector<std::wstring>{L"one", L"One", L"one", L"one", L"one"}));
  EXPECT_EQ(inside, (std::vector<bool>(5, true)));
  EXPECT_EQ(beside, (std::vector<bool>(5, true)));
  EXPECT_EQ(services.LastFindTextWide, L"one");
  EXPECT_EQ(services.LastReplaceTextWide, L"[1]");
  // The edit dialog's key hook is back in its slot.
  const auto* hook = Application->OnMessage.target<TInputWidTextDlg::KeyHook>();
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(hook->dialog, dlg);
  dlg->Free();
}

TEST_F(ReplaceDialogs, WideReplaceAllGoesIntoTheEditInOneWrite) {
  FakeServices services;
  services.LastFindTextWide = L"ab";
  const std::wstring text = L"ab\r\nab ab\r\nab";
  auto* dlg = NewForm<TInputWidTextDlg>(text, nullptr, 0, &services);
  dlg->Show();
  Pump();
  SendMessageW(dlg->WideTextEdit, EM_SETSEL, 0, 0);
  std::wstring proposedSearch, proposedReplacement;
  TOkikaeWidDlg::OnShowHook = [&](TOkikaeWidDlg& o) {
    proposedSearch = WindowText(o.SearchEdit);
    proposedReplacement = WindowText(o.ReplaceEdit);
    SetWindowTextW(o.ReplaceEdit, L"x\r\nab");  // lines that hold the search again
    TOkikaeWidDlg* p = &o;
    Later([p] { PostKey(p->SearchEdit, VK_RETURN); });
  };
  AnswerQuestions({Reply::No, Reply::OkAll}, [dlg] { return dlg->WideTextEdit; }, [] { return std::wstring(); });
  SendMessageW(dlg->Handle(), WM_COMMAND, MAKEWPARAM(dlg->Replace1->Command(), 0), 0);
  Pump();
  // No earlier replacement: the last search is proposed as both.
  EXPECT_EQ(proposedSearch, L"ab");
  EXPECT_EQ(proposedReplacement, L"ab");
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_EQ(dlg->GetEditText(), L"ab\r\nx\r\nab x\r\nab\r\nx\r\nab");
  EXPECT_TRUE(dlg->OKBtn->Enabled());
  dlg->Free();
}

}  // namespace
