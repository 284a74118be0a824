// The standard controls under wine: the code page 932 memo, the check box
// rule, the combo box's change event, list box items and owner drawing, and
// the default and cancel buttons.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"

namespace {

class TestForm : public TForm {
 public:
  TestForm() : TForm(nullptr, L"TStdCtrlsTestForm") {}
};

// Code page 932 bytes from UTF-16 (the sources stay UTF-8).
std::string Sjis(const std::wstring& w) { return WideToCp932(w); }

void Pump() { Application->ProcessMessages(); }

// One shown form for all cases (a top-level window's destruction waits for
// the display); each case deletes the controls it made.
class StdCtrls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    form = new TestForm();
    form->SetBounds(10, 10, 500, 400);
    form->Show();
  }
  static void TearDownTestSuite() {
    delete form;
    form = nullptr;
  }
  void TearDown() override {
    std::vector<TWinControl*> made = form->Controls();
    for (TWinControl* c : made) delete c;
    form->SetModalResult(mrNone);
    Pump();
  }
  static TestForm* form;
};
TestForm* StdCtrls::form = nullptr;

// Kanji (2 bytes), ASCII, CR LF, half-width kana (1 byte), a lone LF.
//   bytes: 漢 0-1, 字 2-3, abc 4-6, CR LF 7-8, ｶ 9, ﾅ 10, LF 11, xyz 12-14, CR LF 15-16, 終 17-18
//   units: 漢 0,   字 1,   abc 2-4, CR LF 5-6, ｶ 7, ﾅ 8,  LF 9,  xyz 10-12, CR LF 13-14, 終 15
const wchar_t kMemoText[] = L"漢字abc\r\nｶﾅ\nxyz\r\n終";

LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l);
WNDPROC g_savedProc = nullptr;
int g_probeCount = 0;
const UINT kProbe = WM_APP + 77;
LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == kProbe) {
    ++g_probeCount;
    return 1234;
  }
  return CallWindowProcW(g_savedProc, h, m, w, l);
}

}  // namespace

TEST_F(StdCtrls, MemoPositionsAreCp932Bytes) {
  auto* memo = new TMemo(form);
  memo->SetBounds(0, 0, 300, 200);
  memo->SetScrollBars(ssVertical);
  const std::string text = Sjis(kMemoText);
  ASSERT_EQ(19u, text.size());
  memo->SetText(text);
  EXPECT_EQ(text, memo->Text());
  EXPECT_EQ(19, memo->TextLength());

  struct Case {
    int byte, unit;
  } map[] = {{0, 0}, {2, 1}, {4, 2}, {7, 5}, {9, 7}, {10, 8}, {11, 9}, {12, 10}, {17, 15}, {19, 16}};
  for (const Case& c : map) {
    EXPECT_EQ(c.unit, memo->ByteToUnit(c.byte)) << "byte " << c.byte;
    EXPECT_EQ(c.byte, memo->UnitToByte(c.unit)) << "unit " << c.unit;
  }
  // A position inside a double-byte character is its start.
  EXPECT_EQ(0, memo->ByteToUnit(1));

  memo->SetSelection(2, 10);
  EXPECT_EQ(2, memo->SelStart());
  EXPECT_EQ(8, memo->SelLength());
  EXPECT_EQ(Sjis(L"字abc\r\nｶ"), memo->SelText());
  DWORD s = 0, e = 0;
  SendMessageW(memo->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  EXPECT_EQ(1u, s);
  EXPECT_EQ(8u, e);

  memo->SetSelStart(9);
  EXPECT_EQ(9, memo->SelStart());
  EXPECT_EQ(0, memo->SelLength());
  memo->SetSelLength(3);  // ｶﾅ and the lone LF
  EXPECT_EQ(3, memo->SelLength());
  memo->SetSelStart(3);  // inside 字
  EXPECT_EQ(2, memo->SelStart());

  // Lines: whether the lone LF breaks a line is the system's; every line's
  // start, length and text must agree with the bytes of the text.
  EXPECT_EQ(9, memo->LineIndex(1));
  EXPECT_EQ(0, memo->LineFromChar(1));
  EXPECT_EQ(7, memo->LineLength(0));
  EXPECT_EQ(1, memo->LineFromChar(10));
  int lines = memo->LineCount();
  EXPECT_TRUE(lines == 3 || lines == 4) << lines;
  EXPECT_EQ(lines - 1, memo->LineFromChar(17));
  EXPECT_EQ(17, memo->LineIndex(lines - 1));
  EXPECT_EQ(2, memo->LineLength(18));
  for (int i = 0; i < lines; ++i) {
    int start = memo->LineIndex(i);
    int len = memo->LineLength(start);
    ASSERT_GE(start, 0);
    EXPECT_EQ(i, memo->LineFromChar(start)) << "line " << i;
    EXPECT_EQ(text.substr(static_cast<size_t>(start), static_cast<size_t>(len)), memo->Line(i)) << "line " << i;
  }
  EXPECT_EQ(-1, memo->LineIndex(lines));

  memo->SetSelection(4, 10);
  POINT caret = memo->CaretPos();  // the selection's end: after ｶ on line 1
  EXPECT_EQ(1, caret.y);
  EXPECT_EQ(1, caret.x);

  // Lines set from a text with lone CR and LF come out with CR LF.
  memo->SetLinesText(Sjis(L"一\r二\n三\r\n"));
  EXPECT_EQ(Sjis(L"一\r\n二\r\n三\r\n"), memo->Text());
  EXPECT_EQ(4, memo->LineIndex(1));
}

TEST_F(StdCtrls, MemoSelectionBeyondUnit65535) {
  auto* memo = new TMemo(form);
  memo->SetWordWrap(false);
  std::wstring big(70000, L'漢');
  big += L"end";
  memo->SetTextW(big);
  memo->SetSelection(139000, 140003);
  EXPECT_EQ(139000, memo->SelStart());
  EXPECT_EQ(1003, memo->SelLength());
  EXPECT_EQ(Sjis(std::wstring(500, L'漢')) + "end", memo->SelText());
  // One line longer than a word can count.
  EXPECT_EQ(1, memo->LineCount());
  EXPECT_EQ(140003, memo->LineLength(0));
  EXPECT_EQ(Sjis(big), memo->Line(0));
}

TEST_F(StdCtrls, MemoUserEditsRebuildTheMapAndFireOnChange) {
  auto* memo = new TMemo(form);
  int changes = 0;
  memo->OnChange = [&](TWinControl*) { ++changes; };
  memo->SetText("abc");
  EXPECT_EQ(0, changes);  // program writes fire nothing
  memo->SetSelStart(1);
  SendMessageW(memo->Handle(), WM_CHAR, L'あ', 1);  // typed: "aあbc", caret after あ
  EXPECT_EQ(1, changes);
  EXPECT_EQ(Sjis(L"aあbc"), memo->Text());
  EXPECT_EQ(3, memo->SelStart());
  memo->SetSelStart(5);
  EXPECT_EQ(5, memo->SelStart());
  EXPECT_EQ(5, memo->TextLength());
}

TEST_F(StdCtrls, MemoRecreationKeepsTextSelectionFontAndInstalledProcedure) {
  auto* memo = new TMemo(form);
  memo->SetBounds(0, 0, 200, 120);
  memo->Font().SetSize(14);
  memo->SetText(Sjis(kMemoText));
  HWND first = memo->Handle();
  memo->SetSelection(2, 10);
  memo->SetModified(true);
  g_probeCount = 0;
  g_savedProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(first, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  ASSERT_EQ(1234, SendMessageW(first, kProbe, 0, 0));

  struct Step {
    const char* what;
    std::function<void()> change;
    LONG styleOn, styleOff;
  } steps[] = {
      {"word wrap off", [&] { memo->SetWordWrap(false); }, ES_AUTOHSCROLL, 0},
      {"both scroll bars", [&] { memo->SetScrollBars(ssBoth); }, WS_HSCROLL | WS_VSCROLL, 0},
      {"word wrap on", [&] { memo->SetWordWrap(true); }, WS_VSCROLL, WS_HSCROLL | ES_AUTOHSCROLL},
      {"selection kept without focus", [&] { memo->SetHideSelection(false); }, ES_NOHIDESEL, 0},
  };
  for (Step& st : steps) {
    HWND before = memo->Handle();
    st.change();
    HWND h = memo->Handle();
    ASSERT_TRUE(IsWindow(h)) << st.what;
    EXPECT_NE(before, h) << st.what;
    EXPECT_FALSE(IsWindow(before)) << st.what;
    LONG style = GetWindowLongW(h, GWL_STYLE);
    EXPECT_EQ(st.styleOn, style & st.styleOn) << st.what;
    EXPECT_EQ(0, style & st.styleOff) << st.what;
    EXPECT_EQ(Sjis(kMemoText), memo->Text()) << st.what;
    EXPECT_EQ(2, memo->SelStart()) << st.what;
    EXPECT_EQ(8, memo->SelLength()) << st.what;
    EXPECT_TRUE(memo->Modified()) << st.what;
    EXPECT_EQ(reinterpret_cast<WPARAM>(memo->Font().Handle()), static_cast<WPARAM>(SendMessageW(h, WM_GETFONT, 0, 0)))
        << st.what;
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&CountingProc), GetWindowLongPtrW(h, GWLP_WNDPROC)) << st.what;
    int before_count = g_probeCount;
    EXPECT_EQ(1234, SendMessageW(h, kProbe, 0, 0)) << st.what;
    EXPECT_EQ(before_count + 1, g_probeCount) << st.what;
    EXPECT_EQ(memo, TWinControl::FromHandle(h)) << st.what;
  }
}

TEST_F(StdCtrls, CheckBoxClickOnUserToggleAndOnProgramChange) {
  auto* box = new TCheckBox(form);
  box->SetBounds(10, 10, 120, 20);
  box->SetCaption("CR/LF");
  std::vector<std::string> events;
  box->OnClick = [&](TWinControl*) { events.push_back(std::string("click:") + (box->Checked() ? "on" : "off")); };
  box->OnMouseUp = [&](TWinControl*, TMouseButton, TShiftState, int, int) {
    events.push_back(std::string("up:") + (box->Checked() ? "on" : "off"));
  };
  box->SetChecked(true);
  box->SetChecked(true);  // the same value: nothing
  box->SetChecked(false);
  EXPECT_EQ((std::vector<std::string>{"click:on", "click:off"}), events);
  events.clear();

  // The user's click: the toggle and OnClick come first, OnMouseUp sees the new state.
  SendMessageW(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ((std::vector<std::string>{"click:on", "up:on"}), events);
  EXPECT_TRUE(box->Checked());
}

TEST_F(StdCtrls, ComboBoxOnChangeOnlyOnUserSelection) {
  auto* combo = new TComboBox(form);
  combo->SetBounds(10, 40, 120, 21);
  int changes = 0;
  combo->OnChange = [&](TWinControl*) { ++changes; };
  combo->Items().Add("Sjis");
  combo->Items().Add("Euc");
  combo->Items().Add("Jis");
  combo->SetItemIndex(1);
  EXPECT_EQ(1, combo->ItemIndex());
  combo->Items().Add("Utf8");
  EXPECT_EQ(0, changes);
  EXPECT_EQ(4, SendMessageW(combo->Handle(), CB_GETCOUNT, 0, 0));
  // A drop-down list's window is the closed height; the list is below it.
  EXPECT_LT(combo->Height(), 40);

  // The user moves the selection with the keyboard.
  combo->SetFocus();
  SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(1, changes);
  EXPECT_EQ(2, combo->ItemIndex());
  // A selection notification as the window sends it after a pick from the list.
  SendMessageW(combo->Handle(), CB_SETCURSEL, 0, 0);
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo->Handle()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo->Handle()));
  EXPECT_EQ(2, changes);
  EXPECT_EQ(0, combo->ItemIndex());
  combo->SetItemIndex(3);
  combo->Items().Delete(0);
  EXPECT_EQ(2, changes);
}

TEST_F(StdCtrls, ListBoxItemsObjectsSelectionAndUserClick) {
  auto* list = new TListBox(form);
  list->SetBounds(10, 70, 150, 120);
  int clicks = 0, dbl = 0;
  list->OnClick = [&](TWinControl*) { ++clicks; };
  list->OnDblClick = [&](TWinControl*) { ++dbl; };
  list->Items().Add("one");
  AddWithWideCopy(list->Items(), L"二番目");  // shown from its wide object
  list->Items().Add("three");
  list->Items().Insert(0, "zero", nullptr);
  HWND h = list->Handle();
  ASSERT_EQ(4, SendMessageW(h, LB_GETCOUNT, 0, 0));
  wchar_t buf[64] = {};
  SendMessageW(h, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(buf));
  EXPECT_STREQ(L"二番目", buf);
  EXPECT_EQ(L"二番目", GetItemWide(list->Items(), 2));

  list->SetItemIndex(2);
  EXPECT_EQ(2, list->ItemIndex());
  EXPECT_TRUE(list->Selected(2));
  EXPECT_EQ(0, clicks);  // program writes fire nothing

  list->SetFocus();
  SendMessageW(h, WM_KEYDOWN, VK_DOWN, 0);  // the user moves the selection
  EXPECT_EQ(1, clicks);
  EXPECT_EQ(3, list->ItemIndex());

  list->Items().Delete(1);
  SendMessageW(h, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(buf));
  EXPECT_STREQ(L"二番目", buf);

  // Multi-select re-creates the window and keeps the items and the item index.
  list->SetItemIndex(1);
  list->SetMultiSelect(true);
  ASSERT_NE(h, list->Handle());
  h = list->Handle();
  EXPECT_EQ(3, SendMessageW(h, LB_GETCOUNT, 0, 0));
  EXPECT_EQ(1, list->ItemIndex());
  EXPECT_TRUE(list->Selected(1));
  list->ClearSelection();
  list->SetSelected(0, true);
  list->SetSelected(2, true);
  EXPECT_EQ(2, list->SelCount());
  EXPECT_TRUE(list->Selected(0));
  EXPECT_FALSE(list->Selected(1));
  list->ClearSelection();
  EXPECT_EQ(0, list->SelCount());

  list->SetItemHeight(20);
  EXPECT_EQ(20, list->ItemHeight());
  EXPECT_EQ(1, list->ItemAtPos(POINT{5, 25}, true));
  EXPECT_EQ(-1, list->ItemAtPos(POINT{5, 100}, true));
  EXPECT_EQ(3, list->ItemAtPos(POINT{5, 100}, false));
  list->Clear();
  EXPECT_EQ(0, SendMessageW(h, LB_GETCOUNT, 0, 0));
}

TEST_F(StdCtrls, ListBoxOwnerDrawVariableMeasuresAndDraws) {
  auto* list = new TListBox(form);
  list->SetBounds(200, 10, 150, 150);
  list->SetStyle(lbOwnerDrawVariable);
  list->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 10 + index * 5; };
  std::vector<int> drawn;
  list->OnDrawItem = [&](TWinControl*, int index, const RECT& r, TOwnerDrawState) {
    drawn.push_back(index);
    list->Canvas().BrushColor = clRed;
    list->Canvas().FillRect(r);
  };
  list->Handle();
  for (int i = 0; i < 3; ++i) list->Items().Add("item");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(10 + i * 5, SendMessageW(list->Handle(), LB_GETITEMHEIGHT, static_cast<WPARAM>(i), 0)) << i;
  }
  InvalidateRect(list->Handle(), nullptr, TRUE);
  UpdateWindow(list->Handle());
  EXPECT_NE(drawn.end(), std::find(drawn.begin(), drawn.end(), 0));
  EXPECT_NE(drawn.end(), std::find(drawn.begin(), drawn.end(), 2));
}

TEST_F(StdCtrls, EnterAndEscapeGoToDefaultAndCancelButtons) {
  auto* edit = new TEdit(form);
  edit->SetBounds(10, 200, 100, 21);
  auto* memo = new TMemo(form);
  memo->SetBounds(10, 230, 100, 60);
  auto* ok = new TButton(form);
  ok->SetBounds(150, 200, 75, 25);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  ok->ModalResult = mrOk;
  auto* cancel = new TButton(form);
  cancel->SetBounds(150, 230, 75, 25);
  cancel->Cancel = true;
  cancel->ModalResult = mrCancel;
  int okClicks = 0, cancelClicks = 0;
  ok->OnClick = [&](TWinControl*) { ++okClicks; };
  cancel->OnClick = [&](TWinControl*) { ++cancelClicks; };
  int editChanges = 0;
  edit->OnChange = [&](TWinControl*) { ++editChanges; };
  edit->SetText("abc");
  EXPECT_EQ(0, editChanges);

  auto key = [&](TWinControl* target, WORD vk) {
    target->SetFocus();
    MSG m = {target->Handle(), WM_KEYDOWN, vk, 1, 0, {0, 0}};
    Application->DispatchOne(m);
  };
  key(edit, VK_RETURN);
  EXPECT_EQ(1, okClicks);
  EXPECT_EQ(mrOk, form->ModalResult());
  key(edit, VK_ESCAPE);
  EXPECT_EQ(1, cancelClicks);
  EXPECT_EQ(mrCancel, form->ModalResult());
  // Enter in a memo makes a new line; the default button does not see it.
  key(memo, VK_RETURN);
  EXPECT_EQ(1, okClicks);
  // Enter on a focused button clicks that button.
  key(cancel, VK_RETURN);
  EXPECT_EQ(2, cancelClicks);
  EXPECT_EQ(1, okClicks);

  // The user types into the edit.
  edit->SetFocus();
  SendMessageW(edit->Handle(), WM_CHAR, L'x', 1);
  EXPECT_EQ(1, editChanges);
}

TEST_F(StdCtrls, StaticTextClickAndPanelLayoutInsideBevels) {
  auto* panel = new TPanel(form);
  panel->SetBounds(0, 0, 200, 100);
  panel->SetBevelOuter(bvRaised);
  panel->SetBevelInner(bvLowered);
  panel->SetBorderWidth(2);
  auto* inner = new TPanel(panel);
  inner->SetAlign(alClient);
  panel->Handle();
  panel->Realign();
  EXPECT_EQ(4, inner->Left());  // 1 outer + 2 border + 1 inner
  EXPECT_EQ(4, inner->Top());
  EXPECT_EQ(192, inner->Width());
  EXPECT_EQ(92, inner->Height());
  panel->SetBevelOuter(bvNone);
  panel->SetBevelInner(bvNone);
  panel->SetBorderWidth(0);
  EXPECT_EQ(0, inner->Left());
  EXPECT_EQ(200, inner->Width());

  auto* text = new TStaticText(form);
  text->SetBounds(300, 10, 60, 20);
  text->SetCaption(Sjis(L"倍速値"));
  text->SetBorderStyle(sbsSunken);
  int clicks = 0;
  text->OnClick = [&](TWinControl*) { ++clicks; };
  EXPECT_TRUE(GetWindowLongW(text->Handle(), GWL_STYLE) & SS_NOTIFY);
  EXPECT_TRUE(GetWindowLongW(text->Handle(), GWL_STYLE) & SS_SUNKEN);
  EXPECT_EQ(L"倍速値", text->TextW());
  SendMessageW(text->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageW(text->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(1, clicks);
}
