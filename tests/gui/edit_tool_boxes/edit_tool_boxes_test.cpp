// The edit dialogs' tools that ask first (numbering with its settings box,
// insertion and deletion at line starts with an input box), the UTF-16
// conversions with the real locale mappings, the "文書整形" menu's state and
// the narrow indent shortcuts, as real windows under wine. The boxes are
// answered from inside their modal loops by messages posted before the tool
// is fired.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/NumberEdit.h"
#include "dialogs/InputBoxWUnit.h"
#include "dialogs/InputTextDlg.h"
#include "dialogs/InputWidTextDlg.h"
#include "dialogs/MainWindowServices.h"
#include "dialogs/NoInpUnit.h"
#include "framework/Bevel.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/InputQuery.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

namespace {

void Pump() { Application->ProcessMessages(); }

class FakeServices : public dialogs::MainWindowServices {
 public:
  std::wstring ClipboardText() override { return L""; }
  std::wstring SelectedText(int) override { return L""; }
  int64_t CurrentLine() override { return -1; }
  std::string PickedLineNumber() override { return ""; }
};

// ---- answering a modal box from inside its loop

const UINT kStep = WM_APP + 91;
std::function<void()> g_step;

LRESULT CALLBACK DriverProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == kStep) {
    auto step = std::move(g_step);
    g_step = nullptr;
    if (step) step();
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

HWND Driver() {
  static HWND h = nullptr;
  if (!h) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DriverProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ToolBoxDriver";
    RegisterClassW(&wc);
    h = CreateWindowW(L"ToolBoxDriver", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }
  return h;
}

// Runs step on the innermost modal box once it runs; sets ran when it did
// (no box of that kind: nothing runs).
template <class Box>
void WhenShown(std::function<void(Box*)> step, bool* ran = nullptr) {
  g_step = [step, ran] {
    auto* box = dynamic_cast<Box*>(TForm::InnermostModal());
    if (!box) return;
    if (ran) *ran = true;
    step(box);
  };
  PostMessageW(Driver(), kStep, 0, 0);
}

std::wstring WindowText(HWND h) {
  wchar_t buf[512] = {};
  GetWindowTextW(h, buf, 512);
  return buf;
}

void Click(TWinControl* button) { SendMessageW(button->Handle(), BM_CLICK, 0, 0); }

void Fire(TForm* form, TMenuItem* item) {
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(item->Command(), 0), 0);
  Pump();
}

TMenuItem* FindItem(TMenuItem* root, const std::string& name) {
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* m = root->Item(i);
    if (m->Name == name) return m;
    if (TMenuItem* f = FindItem(m, name)) return f;
  }
  return nullptr;
}

std::string J(const char* utf8) { return Cp932FromUtf8(utf8); }

std::wstring WideText(TInputWidTextDlg* d) { return d->GetEditText(); }
void WideSelect(TInputWidTextDlg* d, int start, int end) { SendMessageW(d->WideTextEdit, EM_SETSEL, start, end); }
std::pair<int, int> WideSel(TInputWidTextDlg* d) {
  DWORD s = 0, e = 0;
  SendMessageW(d->WideTextEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return {static_cast<int>(s), static_cast<int>(e)};
}

// Sets the numbering box and presses OK.
void AnswerNumbering(int start, const std::wstring& separator, int align, bool skip) {
  WhenShown<TOKRightDlg>([=](TOKRightDlg* box) {
    box->NumberEdit1->SetTextW(std::to_wstring(start));
    box->Edit1->SetTextW(separator);
    box->ComboBox1->SetItemIndex(align);
    box->CheckBox1->SetChecked(skip);
    Click(box->OKBtn);
  });
}

// Saves the screen's picture of a window as a 32-bit BMP in the working folder.
void SaveWindowPicture(HWND h, const char* name) {
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Pump();
  RECT r;
  GetWindowRect(h, &r);
  const int w = r.right - r.left, ht = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -ht;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, ht, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  const DWORD bytes = static_cast<DWORD>(w) * ht * 4;
  fh.bfSize = fh.bfOffBits + bytes;
  if (FILE* f = fopen(name, "wb")) {
    fwrite(&fh, sizeof fh, 1, f);
    fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    auto* px = static_cast<DWORD*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(w) * ht; ++i) px[i] |= 0xFF000000u;
    fwrite(bits, 1, bytes, f);
    fclose(f);
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

class EditToolBoxes : public testing::Test {
 protected:
  void TearDown() override {
    g_step = nullptr;
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_SHIFT] = keys[VK_MENU] = 0;
    SetKeyboardState(keys);
  }
  FakeServices services;
};

TEST_F(EditToolBoxes, NumberingSettingsBoxDefaultsAndRange) {
  auto* box = NewForm<TOKRightDlg>(nullptr);
  box->Show();
  Pump();
  EXPECT_EQ(WindowText(box->Handle()), L"行の先頭に番号を挿入");
  RECT client;
  GetClientRect(box->Handle(), &client);
  EXPECT_EQ(client.right, 384);
  EXPECT_EQ(client.bottom, 123);
  // What the controls show.
  EXPECT_EQ(WindowText(box->NumberEdit1->Handle()), L"0");
  EXPECT_EQ(WindowText(box->Edit1->Handle()), L"．");
  EXPECT_EQ(WindowText(box->ComboBox1->Handle()), L"左に揃える");
  EXPECT_EQ(SendMessageW(box->ComboBox1->Handle(), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(box->CheckBox1->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(WindowText(box->CheckBox1->Handle()), L"空行等は除く");
  TOKRightDlg::Params p = box->LineNumberParams();
  EXPECT_EQ(p.start, 0);
  EXPECT_EQ(p.separator, L"．");
  EXPECT_EQ(p.align, 0);
  EXPECT_TRUE(p.skipBlankLines);
  // The up-down holds the start to 0..30000, whether set or typed.
  SendMessageW(box->UpDown1->Handle(), UDM_SETPOS32, 0, 35000);
  EXPECT_EQ(SendMessageW(box->UpDown1->Handle(), UDM_GETPOS32, 0, 0), 30000);
  SetWindowTextW(box->NumberEdit1->Handle(), L"35000");
  EXPECT_EQ(box->LineNumberParams().start, 30000);
  box->UpDown1->SetPosition(-4);
  EXPECT_EQ(WindowText(box->NumberEdit1->Handle()), L"0");
  // The frame lies below the controls and takes no clicks.
  EXPECT_EQ(GetWindow(GetWindow(box->Handle(), GW_CHILD), GW_HWNDLAST), box->Bevel1->Handle());
  POINT inside = {box->Edit1->Left() + 2, box->Edit1->Top() + 2};
  EXPECT_EQ(ChildWindowFromPointEx(box->Handle(), inside, CWP_SKIPINVISIBLE), box->Edit1->Handle());
  SaveWindowPicture(box->Handle(), "numbering_settings.bmp");
  box->Free();
}

TEST_F(EditToolBoxes, NarrowNumberingNumbersEveryTouchedLine) {
  std::string text;
  for (char c = 'a'; c <= 'j'; ++c) text += std::string(1, c) + "\r\n";
  text += "\r\n k";
  auto* dlg = NewForm<TInputTextDlg>(text, nullptr, &services);
  dlg->Show();
  Pump();
  // Cancel: nothing changes.
  dlg->Memo1->SetSelection(0, 3);
  bool ran = false;
  WhenShown<TOKRightDlg>([](TOKRightDlg* box) { Click(box->CancelBtn); }, &ran);
  Fire(dlg, dlg->N7);
  EXPECT_TRUE(ran);
  EXPECT_EQ(dlg->Memo1->Text(), text);
  EXPECT_EQ(OKRightDlg, nullptr);
  // Ten lines from 1, zero-filled: 01 to 10; the blank lines too.
  dlg->Memo1->SetSelection(0, static_cast<int>(text.size()));
  AnswerNumbering(0, L"：", 2, true);
  Fire(dlg, dlg->N7);
  std::string expected;
  for (int i = 0; i < 10; ++i) expected += "0" + std::to_string(i) + J("：") + std::string(1, char('a' + i)) + "\r\n";
  expected += "10" + J("：") + "\r\n11" + J("：") + " k";
  EXPECT_EQ(dlg->Memo1->Text(), expected);
  EXPECT_EQ(dlg->Memo1->SelStart(), 0);
  EXPECT_EQ(dlg->Memo1->SelLength(), static_cast<int>(expected.size()));
  dlg->Undo1Click();
  EXPECT_EQ(dlg->Memo1->Text(), text);
  dlg->Free();
}

TEST_F(EditToolBoxes, WideNumberingSkipsBlankLinesAndIsPictured) {
  const std::wstring text = L"head\r\nalpha\r\n\r\n beta\r\ngamma\r\n\tdelta\r\nepsilon\r\ntail";
  auto* dlg = NewForm<TInputWidTextDlg>(text, nullptr, 0, &services);
  dlg->Show();
  Pump();
  // Not whole lines: no box, nothing.
  WideSelect(dlg, 1, 8);
  bool ran = false;
  WhenShown<TOKRightDlg>([](TOKRightDlg* box) { Click(box->CancelBtn); }, &ran);
  Fire(dlg, dlg->N34);
  EXPECT_FALSE(ran);
  EXPECT_EQ(WideText(dlg), text);
  // The lines from alpha to epsilon, from 8, padded: blank-led lines keep no number.
  const int start = 6, end = static_cast<int>(text.size()) - 6;
  WideSelect(dlg, start, end);
  AnswerNumbering(8, L". ", 1, true);
  Fire(dlg, dlg->N34);
  const std::wstring numbered =
      L"head\r\n 8. alpha\r\n\r\n beta\r\n 9. gamma\r\n\tdelta\r\n10. epsilon\r\ntail";
  EXPECT_EQ(WideText(dlg), numbered);
  EXPECT_EQ(WideSel(dlg), std::make_pair(start, end + 12));
  SaveWindowPicture(dlg->Handle(), "numbered_selection.bmp");
  dlg->N39Click();
  EXPECT_EQ(WideText(dlg), text);
  // Without the skip every line is numbered.
  WideSelect(dlg, start, end);
  AnswerNumbering(1, L"-", 0, false);
  Fire(dlg, dlg->N34);
  EXPECT_EQ(WideText(dlg), L"head\r\n1-alpha\r\n2-\r\n3- beta\r\n4-gamma\r\n5-\tdelta\r\n6-epsilon\r\ntail");
  dlg->Free();
}

TEST_F(EditToolBoxes, NarrowInsertionAndDeletionAskThroughTheInputQuery) {
  const std::string text = J("あいう\r\nab：cd\r\n：cd\r\nxy");
  auto* dlg = NewForm<TInputTextDlg>(text, nullptr, &services);
  dlg->Show();
  Pump();
  dlg->Memo1->SetSelection(0, static_cast<int>(text.size()));
  std::wstring caption, prompt;
  WhenShown<TInputQueryForm>([&](TInputQueryForm* box) {
    caption = WindowText(box->Handle());
    prompt = WindowText(box->Prompt->Handle());
    box->Edit->SetTextW(L"＞");
    Click(box->OKBtn);
  });
  Fire(dlg, dlg->TopInpMenu);
  EXPECT_EQ(caption, L"行の先頭に文字を");
  EXPECT_EQ(prompt, L"挿入する文字を入力");
  EXPECT_EQ(dlg->Memo1->Text(), J("＞あいう\r\n＞ab：cd\r\n＞：cd\r\n＞xy"));
  EXPECT_EQ(dlg->Memo1->SelLength(), static_cast<int>(text.size()) + 8);
  dlg->Undo1Click();
  // Deletion by text: through the first occurrence.
  dlg->Memo1->SetSelection(0, static_cast<int>(text.size()));
  WhenShown<TInputQueryForm>([&](TInputQueryForm* box) {
    caption = WindowText(box->Handle());
    prompt = WindowText(box->Prompt->Handle());
    box->Edit->SetTextW(L"：");
    Click(box->OKBtn);
  });
  Fire(dlg, dlg->N40);
  EXPECT_EQ(caption, L"行の先頭から文字を");
  EXPECT_EQ(prompt, L"削除する文字数、又は文字を入力");
  EXPECT_EQ(dlg->Memo1->Text(), J("あいう\r\ncd\r\ncd\r\nxy"));
  dlg->Undo1Click();
  // Deletion by count: a double-byte character counts as one.
  dlg->Memo1->SetSelection(0, 2);
  WhenShown<TInputQueryForm>([](TInputQueryForm* box) {
    box->Edit->SetTextW(L"2");
    Click(box->OKBtn);
  });
  Fire(dlg, dlg->N40);
  EXPECT_EQ(dlg->Memo1->Text(), J("う\r\nab：cd\r\n：cd\r\nxy"));
  dlg->Undo1Click();
  // Cancel and an empty answer change nothing.
  WhenShown<TInputQueryForm>([](TInputQueryForm* box) {
    box->Edit->SetTextW(L"zz");
    Click(box->CancelBtn);
  });
  Fire(dlg, dlg->TopInpMenu);
  WhenShown<TInputQueryForm>([](TInputQueryForm* box) { Click(box->OKBtn); });
  Fire(dlg, dlg->TopInpMenu);
  EXPECT_EQ(dlg->Memo1->Text(), text);
  dlg->Free();
}

TEST_F(EditToolBoxes, WideInsertionAndDeletionAskThroughTheWideInputBox) {
  const std::wstring pair = L"\xD83D\xDE00";
  const std::wstring text = L"ab\r\n\r\n x\r\n" + pair + L"z";
  auto* dlg = NewForm<TInputWidTextDlg>(text, nullptr, 0, &services);
  dlg->Show();
  Pump();
  WideSelect(dlg, 0, static_cast<int>(text.size()));
  std::wstring caption, check;
  WhenShown<TInputWideDlg>([&](TInputWideDlg* box) {
    caption = WindowText(box->Handle());
    check = WindowText(box->CheckBox1->Handle());
    EXPECT_EQ(box->Mode, ibPlainInput);
    EXPECT_EQ(WindowText(box->PromptLabel), L"挿入する文字を入力");
    SetWindowTextW(box->InputEdit, L"# ");
    Click(box->OKBtn);
  });
  Fire(dlg, dlg->N36);
  EXPECT_EQ(caption, L"行の先頭に文字を");
  EXPECT_EQ(check, L"空行、タブ、スペースは除く");
  // The box's skip switch is on by default: the empty and blank-led lines stay.
  EXPECT_EQ(WideText(dlg), L"# ab\r\n\r\n x\r\n# " + pair + L"z");
  dlg->N39Click();
  // Deletion by count 1: the surrogate pair goes whole.
  WideSelect(dlg, 0, static_cast<int>(text.size()));
  WhenShown<TInputWideDlg>([&](TInputWideDlg* box) {
    caption = WindowText(box->Handle());
    SetWindowTextW(box->InputEdit, L"1");
    Click(box->OKBtn);
  });
  Fire(dlg, dlg->N37);
  EXPECT_EQ(caption, L"行の先頭から文字を");
  EXPECT_EQ(WideText(dlg), L"b\r\n\r\nx\r\nz");
  EXPECT_EQ(WideSel(dlg), std::make_pair(0, 9));
  dlg->Free();
}

TEST_F(EditToolBoxes, WideConversionsByTheLocale) {
  auto* dlg = NewForm<TInputWidTextDlg>(L"", nullptr, 0, &services);
  dlg->Show();
  Pump();
  struct Case {
    const char* item;
    std::wstring in, out;
  };
  const Case cases[] = {
      {"ABCabc1", L"HeLLo Ａ", L"hello ａ"},
      {"abcABCB1", L"hello ａ", L"HELLO Ａ"},
      {"N3", L"hello WORLD", L"Hello World"},
      {"N5", L"ＡＢＣ１２３！カナ", L"ABC123!ｶﾅ"},
      {"N7", L"ガＡデータ", L"ｶﾞＡﾃﾞーﾀ"},  // ー is no katakana letter here
      {"N8", L"ＡｂＣ１", L"AbC１"},
      {"N9", L"ＡＢ１２", L"ＡＢ12"},
      {"N10", L"！Ａ＃", L"!Ａ#"},
      {"N12", L"ABC123!ｶﾅ", L"ＡＢＣ１２３！カナ"},
      {"N14", L"ｶﾞ ﾃﾞｰﾀ", L"ガ データ"},
      {"N15", L"Ab1", L"Ａｂ1"},
      {"N16", L"Ab1", L"Ab１"},
      {"N17", L"a!b#", L"a！b＃"},
      {"N19", L"カタカナ", L"かたかな"},
      {"N20", L"ひらがな", L"ヒラガナ"},
      {"N21", L"がぎ", L"ｶﾞｷﾞ"},
      {"N22", L"ｶﾞｰﾄﾞ", L"がーど"},
  };
  for (const Case& c : cases) {
    TMenuItem* item = FindItem(&dlg->MainMenu1->Items, c.item);
    ASSERT_NE(item, nullptr) << c.item;
    SetWindowTextW(dlg->WideTextEdit, (L"<" + c.in + L">").c_str());
    WideSelect(dlg, 1, static_cast<int>(c.in.size()) + 1);
    Fire(dlg, item);
    EXPECT_EQ(WideText(dlg), L"<" + c.out + L">") << c.item;
    dlg->N39Click();
    EXPECT_EQ(WideText(dlg), L"<" + c.in + L">") << c.item;
  }
  // Nothing without a selection.
  WideSelect(dlg, 1, 1);
  Fire(dlg, FindItem(&dlg->MainMenu1->Items, "abcABCB1"));
  EXPECT_EQ(WideText(dlg), L"<ｶﾞｰﾄﾞ>");
  // With "選択保持" the converted text stays selected, its new length counted.
  dlg->CheckBox1->SetChecked(true);
  WideSelect(dlg, 1, 6);
  Fire(dlg, FindItem(&dlg->MainMenu1->Items, "N22"));
  EXPECT_EQ(WideText(dlg), L"<がーど>");
  EXPECT_EQ(WideSel(dlg), std::make_pair(1, 4));
  dlg->Free();
}

TEST_F(EditToolBoxes, NarrowEraToolsThroughTheConversionLibrary) {
  const std::string text = J("平成１２年に2019年");
  auto* dlg = NewForm<TInputTextDlg>(text, nullptr, &services);
  dlg->Show();
  Pump();
  dlg->Memo1->SetSelection(0, static_cast<int>(text.size()));
  Fire(dlg, dlg->N15);  // era to year, half width
  EXPECT_EQ(dlg->Memo1->Text(), J("2000年に2019年"));
  dlg->Undo1Click();
  dlg->Memo1->SetSelection(0, static_cast<int>(text.size()));
  Fire(dlg, dlg->N21);  // year to era, full width, two kanji
  EXPECT_EQ(dlg->Memo1->Text(), J("平成１２年に令和１年"));
  dlg->Undo1Click();
  EXPECT_EQ(dlg->Memo1->Text(), text);
  dlg->Free();
}

TEST_F(EditToolBoxes, NarrowToolMenuNeedsASelectionAndShortcutsReachTheirItems) {
  const std::string text = "a\r\nb";
  auto* dlg = NewForm<TInputTextDlg>(text, nullptr, &services);
  dlg->Show();
  Pump();
  // The menu as it opens (its handle may be made again as items change).
  auto open = [&] {
    SendMessageW(dlg->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(dlg->N5->SubMenuHandle()), 0);
  };
  auto grayed = [&](TMenuItem* item) {
    return (GetMenuState(dlg->N5->SubMenuHandle(), item->Command(), MF_BYCOMMAND) & MF_GRAYED) != 0;
  };
  dlg->Memo1->SetSelection(1, 1);
  open();
  EXPECT_TRUE(grayed(dlg->N7));
  EXPECT_TRUE(grayed(dlg->N41));
  dlg->Memo1->SetSelection(0, 1);
  open();
  EXPECT_FALSE(grayed(dlg->N7));
  EXPECT_FALSE(grayed(dlg->N41));

  // Keys as the user types them, through the message loop, to the memo with the focus.
  dlg->Memo1->SetFocus();
  auto press = [&](WORD key, bool ctrl, bool shift, bool alt) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_MENU] = alt ? 0x80 : 0;
    SetKeyboardState(keys);
    const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    const LPARAM lp = 1 | (alt ? (1 << 29) : 0);
    PostMessageW(dlg->Memo1->Handle(), down, key, lp);
    Pump();
    keys[VK_CONTROL] = keys[VK_SHIFT] = keys[VK_MENU] = 0;
    SetKeyboardState(keys);
  };
  struct Case {
    WORD key;
    bool ctrl, shift, alt;
    std::string out;
  };
  const Case cases[] = {
      {VK_TAB, true, false, false, "\ta\r\nb"},
      {VK_SPACE, true, false, false, J("　a\r\nb")},
      {VK_SPACE, false, false, true, " a\r\nb"},
  };
  const Case undo[] = {
      {VK_TAB, true, true, false, "\ta\r\nb"},
      {VK_SPACE, true, true, false, J("　a\r\nb")},
      {VK_SPACE, false, true, false, " a\r\nb"},
  };
  for (size_t i = 0; i < 3; ++i) {
    const Case& c = cases[i];
    dlg->Memo1->SetSelection(0, 1);
    press(c.key, c.ctrl, c.shift, c.alt);
    EXPECT_EQ(dlg->Memo1->Text(), c.out) << i;
    EXPECT_TRUE(IsWindowEnabled(dlg->Handle())) << i;  // no system menu or other loop is left open
    EXPECT_EQ(GetFocus(), dlg->Memo1->Handle()) << i;
    const Case& u = undo[i];  // the changed line is still selected
    press(u.key, u.ctrl, u.shift, u.alt);
    EXPECT_EQ(dlg->Memo1->Text(), text) << i;
  }
  // Without a selection the shortcuts do nothing.
  dlg->Memo1->SetSelection(1, 1);
  press(VK_TAB, true, false, false);
  EXPECT_EQ(dlg->Memo1->Text(), text);
  dlg->Free();
}

}  // namespace
