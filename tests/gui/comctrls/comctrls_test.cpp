// The common controls under wine: list view items, selection and custom
// draw; up-down clamping, buddy and user presses; status bar panels; the
// program's image list.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"

namespace {

class TestForm : public TForm {
 public:
  TestForm() : TForm(nullptr, L"TComCtrlsTestForm") {}
};

std::wstring ItemText(HWND lv, int item, int sub) {
  wchar_t buf[128] = {};
  LVITEMW it = {};
  it.iSubItem = sub;
  it.pszText = buf;
  it.cchTextMax = 128;
  SendMessageW(lv, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
  return buf;
}

}  // namespace

class ComCtrls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    form = new TestForm();
    form->SetBounds(10, 10, 600, 450);
    form->Show();
  }
  static void TearDownTestSuite() {
    delete form;
    form = nullptr;
  }
  void TearDown() override {
    std::vector<TWinControl*> made = form->Controls();
    for (TWinControl* c : made) delete c;
    Application->ProcessMessages();
  }
  static TestForm* form;
};
TestForm* ComCtrls::form = nullptr;

TEST_F(ComCtrls, ListViewItemsColumnsAndSelection) {
  auto* lv = new TListView(form);
  lv->SetBounds(0, 0, 400, 200);
  lv->SetRowSelect(true);
  lv->SetGridLines(true);
  lv->SetMultiSelect(true);
  lv->SetDoubleBuffered(true);
  for (const char* caption : {"A", "B", "C"}) {
    TListColumn* c = lv->AddColumn();
    c->SetCaption(caption);
    c->SetMinWidth(40);
    c->SetWidth(30);  // below the minimum
    c->SetAlignment(taCenter);
  }
  int data[5];
  for (int i = 0; i < 5; ++i) {
    TListItem* it = lv->AddItem();
    it->SetCaption("row" + std::to_string(i));
    it->AddSubItem(WideToCp932(L"列" + std::to_wstring(i)));
    it->AddSubItem("x");
    it->Data = &data[i];
  }
  HWND h = lv->Handle();
  EXPECT_EQ(40, lv->Column(1)->Width());
  DWORD ex = static_cast<DWORD>(SendMessageW(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER),
            ex & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER));
  ASSERT_EQ(5, SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(L"row3", ItemText(h, 3, 0));
  EXPECT_EQ(L"列3", ItemText(h, 3, 1));

  // Writes update the row; deletion renumbers the rest.
  lv->Item(2)->SetSubItem(1, "y");
  EXPECT_EQ(L"y", ItemText(h, 2, 2));
  lv->DeleteItem(1);
  ASSERT_EQ(4, lv->Count());
  EXPECT_EQ(L"row2", ItemText(h, 1, 0));
  EXPECT_EQ(1, lv->Item(1)->Index());
  EXPECT_EQ(&data[2], lv->Item(1)->Data);
  TListItem* inserted = lv->InsertItem(0);
  inserted->SetCaption("new");
  EXPECT_EQ(L"new", ItemText(h, 0, 0));
  EXPECT_EQ(L"row0", ItemText(h, 1, 0));
  EXPECT_EQ(4, lv->Item(4)->Index());

  EXPECT_EQ(nullptr, lv->Selected());
  lv->SetItemIndex(2);
  EXPECT_EQ(2, lv->ItemIndex());
  EXPECT_EQ(lv->Item(2), lv->Selected());
  lv->Item(4)->SetSelected(true);
  EXPECT_EQ((std::vector<int>{2, 4}), lv->SelectedIndexes());
  EXPECT_EQ(2, lv->SelCount());
  lv->SetItemIndex(3);
  EXPECT_EQ((std::vector<int>{3}), lv->SelectedIndexes());
  lv->ClearSelection();
  EXPECT_EQ(0, lv->SelCount());

  EXPECT_EQ(lv->Item(0), lv->TopItem());
  EXPECT_GT(lv->VisibleRowCount(), 4);
  RECT r = lv->Item(1)->DisplayRect();
  EXPECT_EQ(lv->Item(1), lv->GetItemAt(100, (r.top + r.bottom) / 2));
  EXPECT_EQ(nullptr, lv->GetItemAt(10, 190));
  RECT cell = lv->SubItemRect(1, 1);
  EXPECT_GE(cell.left, lv->Column(0)->Width() - 1);

  lv->SetShowColumnHeaders(false);
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & LVS_NOCOLUMNHEADER);
  lv->Clear();
  EXPECT_EQ(0, SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(0, lv->Count());
}

TEST_F(ComCtrls, ListViewCustomDrawPaintsRows) {
  auto* lv = new TListView(form);
  lv->SetBounds(0, 210, 300, 150);
  lv->AddColumn()->SetWidth(100);
  for (int i = 0; i < 3; ++i) lv->AddItem()->SetCaption("r");
  std::set<int> painted;
  lv->OnAdvancedCustomDrawItem = [&](TListView* sender, TListItem* item, TCustomDrawState, TCustomDrawStage stage,
                                     bool& defaultDraw) {
    EXPECT_EQ(cdPrePaint, stage);
    painted.insert(item->Index());
    RECT r = item->DisplayRect();
    sender->Canvas().BrushColor = clRed;
    sender->Canvas().FillRect(r);
    defaultDraw = false;
  };
  InvalidateRect(lv->Handle(), nullptr, TRUE);
  UpdateWindow(lv->Handle());
  EXPECT_EQ((std::set<int>{0, 1, 2}), painted);
}

TEST_F(ComCtrls, UpDownClampsFollowsBuddyAndReportsUserPresses) {
  auto* edit = new TEdit(form);
  edit->SetBounds(10, 10, 60, 21);
  auto* ud = new TUpDown(form);
  ud->SetBounds(70, 10, 17, 21);
  ud->SetMin(1);
  ud->SetMax(8);
  ud->SetAssociate(edit);
  int changing = 0;
  std::vector<TUDBtnType> clicks;
  bool allow = true;
  ud->OnChanging = [&](TUpDown*, bool& a) {
    ++changing;
    a = allow;
  };
  ud->OnClick = [&](TUpDown*, TUDBtnType b) { clicks.push_back(b); };

  struct Case {
    int write, expect;
  } cases[] = {{5, 5}, {20, 8}, {-3, 1}, {8, 8}, {1, 1}};
  for (const Case& c : cases) {
    ud->SetPosition(c.write);
    EXPECT_EQ(c.expect, ud->Position()) << c.write;
    EXPECT_EQ(std::to_string(c.expect), edit->Text()) << c.write;
  }
  EXPECT_EQ(0, changing);  // program writes fire nothing
  EXPECT_TRUE(clicks.empty());
  ud->SetMax(4);
  ud->SetPosition(4);
  ud->SetMax(3);
  EXPECT_EQ(3, ud->Position());

  // The buddy's window is made again: the up-down attaches to the new one.
  HWND oldEdit = edit->Handle();
  edit->RecreateWnd();
  ASSERT_NE(oldEdit, edit->Handle());
  ud->SetPosition(2);
  EXPECT_EQ(reinterpret_cast<LRESULT>(edit->Handle()), SendMessageW(ud->Handle(), UDM_GETBUDDY, 0, 0));
  EXPECT_EQ("2", edit->Text());
  // The new buddy window still reaches the framework control.
  int keys = 0;
  edit->OnKeyDown = [&](TWinControl*, WORD& k, TShiftState) {
    if (k == 'A') ++keys;
  };
  SendMessageW(edit->Handle(), WM_KEYDOWN, 'A', 1);
  EXPECT_EQ(1, keys);
  edit->OnKeyDown = nullptr;

  // The user presses the up arrow (upper half), then the down arrow.
  HWND h = ud->Handle();
  RECT rc;
  GetClientRect(h, &rc);
  auto press = [&](int y) {
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.right / 2, y));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(rc.right / 2, y));
  };
  press(2);
  EXPECT_EQ(3, ud->Position());
  EXPECT_EQ("3", edit->Text());
  press(rc.bottom - 3);
  EXPECT_EQ(2, ud->Position());
  EXPECT_EQ(2, changing);
  EXPECT_EQ((std::vector<TUDBtnType>{btNext, btPrev}), clicks);
  // A number typed into the buddy is the position, clamped; steps go on from it.
  edit->SetText("7");
  EXPECT_EQ(3, ud->Position());
  edit->SetText("1");
  press(2);
  EXPECT_EQ(2, ud->Position());
  EXPECT_EQ(3, changing);
  clicks.pop_back();
  // A refused step changes nothing.
  allow = false;
  press(2);
  EXPECT_EQ(2, ud->Position());
  EXPECT_EQ(2u, clicks.size());
}

TEST_F(ComCtrls, StatusBarPanels) {
  auto* sb = new TStatusBar(form);
  EXPECT_EQ(alBottom, sb->Align());
  TStatusPanel* size = sb->AddPanel();
  size->SetWidth(60);
  TStatusPanel* pos = sb->AddPanel();
  pos->SetWidth(100);
  TStatusPanel* hint = sb->AddPanel();
  size->SetText("1,024");
  pos->SetTextW(L"表示位置");
  hint->SetText(WideToCp932(L"選択サイズ"));
  HWND h = sb->Handle();
  EXPECT_EQ(3, SendMessageW(h, SB_GETPARTS, 0, 0));
  int edges[3] = {};
  SendMessageW(h, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  EXPECT_EQ(60, edges[0]);
  EXPECT_EQ(160, edges[1]);
  EXPECT_EQ(-1, edges[2]);
  EXPECT_EQ(L"1,024", sb->WindowPanelText(0));
  EXPECT_EQ(L"表示位置", sb->WindowPanelText(1));
  EXPECT_EQ(L"選択サイズ", sb->WindowPanelText(2));
  EXPECT_EQ(L"選択サイズ", hint->TextW());
  pos->SetAlignment(taCenter);
  EXPECT_EQ(L"表示位置", pos->TextW());
  // The bar sits at the bottom of the form's client area.
  EXPECT_EQ(form->ClientHeight(), sb->Top() + sb->Height());
  EXPECT_EQ(form->ClientWidth(), sb->Width());

  sb->SetSimpleText("busy");
  sb->SetSimplePanel(true);
  EXPECT_TRUE(SendMessageW(h, SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(L"busy", sb->WindowPanelText(-1));
  sb->SetSimplePanel(false);
  EXPECT_FALSE(SendMessageW(h, SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(L"1,024", sb->WindowPanelText(0));
}

TEST(ProgramImages, EveryIndexHasAGlyphAndTheNamedOnesDiffer) {
  TImageList list;
  MakeProgramImages(list);
  ASSERT_EQ(kProgramImageCount, list.Count());
  // Each image drawn on white: the mask keeps the corners white, the glyph
  // leaves some pixel non-white.
  auto render = [&](int index) {
    std::vector<COLORREF> px;
    TBitmap b(16, 16);
    b.Canvas().BrushColor = clWhite;
    b.Canvas().FillRect(RECT{0, 0, 16, 16});
    list.Draw(b.Canvas(), 0, 0, index);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) px.push_back(b.PixelRGB(x, y));
    return px;
  };
  std::vector<std::vector<COLORREF>> images;
  for (int i = 0; i < kProgramImageCount; ++i) {
    images.push_back(render(i));
    const auto& p = images.back();
    EXPECT_EQ(RGB(255, 255, 255), p[0]) << "corner of image " << i;
    EXPECT_TRUE(std::any_of(p.begin(), p.end(), [](COLORREF c) { return c != RGB(255, 255, 255); })) << i;
  }
  const int named[] = {imgFind, imgMenuUnticked, imgMenuTicked, imgHelp, imgOptions, imgBookmark, imgConvert,
                       imgPanelHidden, imgPanelShown, imgTitle, imgPaste, imgPasteLineEnd, imgFileMissing,
                       imgLineNumbersOff, imgLineNumbersOn, imgStepBack, imgStepBackLatched, imgStepForward,
                       imgStepForwardLatched, imgLineList, imgJump, imgStop};
  for (int a : named) {
    for (int b : named) {
      if (a < b) EXPECT_NE(images[a], images[b]) << a << " and " << b;
    }
    EXPECT_NE(images[0], images[a]) << a << " looks like the neutral glyph";
  }
  // Indexes without a glyph of their own share the neutral one.
  EXPECT_EQ(images[0], images[2]);
  HICON icon = list.GetIcon(imgStepBack);
  EXPECT_NE(nullptr, icon);
  DestroyIcon(icon);
}

TEST_F(ComCtrls, ListViewMouseUpArrivesEvenWhenTheWindowTracksTheClick) {
  auto* lv = new TListView(form);
  lv->SetBounds(0, 0, 300, 150);
  lv->SetRowSelect(true);
  lv->AddColumn()->SetWidth(200);
  for (int i = 0; i < 3; ++i) lv->AddItem()->SetCaption("row");
  std::vector<std::string> events;
  lv->OnMouseDown = [&](TWinControl*, TMouseButton, TShiftState, int, int y) {
    TListItem* it = lv->GetItemAt(20, y);
    events.push_back("down:" + std::to_string(it ? it->Index() : -1));
  };
  lv->OnMouseUp = [&](TWinControl*, TMouseButton, TShiftState, int, int) {
    events.push_back("up:" + std::to_string(lv->ItemIndex()));
  };
  RECT r = lv->Item(1)->DisplayRect();
  int y = (r.top + r.bottom) / 2;
  // The release waits in the queue, as when the user clicks quickly; the
  // window's own click tracking takes it from there.
  PostMessageW(lv->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, y));
  SendMessageW(lv->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, y));
  Application->ProcessMessages();
  ASSERT_EQ(2u, events.size());
  EXPECT_EQ("down:1", events[0]);
  EXPECT_EQ("up:1", events[1]);  // after the window selected the row
}

TEST_F(ComCtrls, AutoSizeColumnsShareTheFreeWidth) {
  auto* lv = new TListView(form);
  lv->BorderNone = true;
  lv->SetBounds(0, 0, 300, 100);
  lv->Handle();
  TListColumn* fixed = lv->AddColumn();
  fixed->SetWidth(60);
  TListColumn* a = lv->AddColumn();
  a->SetMinWidth(40);
  a->SetWidth(50);
  a->SetAutoSize(true);
  TListColumn* b = lv->AddColumn();
  b->SetMinWidth(40);
  b->SetWidth(50);
  b->SetAutoSize(true);
  int client = lv->ClientWidth();
  EXPECT_EQ((client - 60) / 2, a->Width());
  EXPECT_EQ((client - 60) / 2, b->Width());
  lv->SetWidth(301);  // a resize shares the width again
  EXPECT_EQ((lv->ClientWidth() - 60) / 2, a->Width());
  lv->SetWidth(120);  // never below the minimum
  EXPECT_EQ(40, a->Width());
  EXPECT_EQ(40, b->Width());
  EXPECT_EQ(60, fixed->Width());
}
