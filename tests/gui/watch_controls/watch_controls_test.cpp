// The watch-speed track bar and the numeric edit box under wine.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <vector>
#include "controls/NewTrackBar.h"
#include "controls/NumberEdit.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Form.h"

namespace {

class HostForm : public TForm {
 public:
  HostForm() : TForm(nullptr, L"TWatchControlsTestForm") { SetBounds(0, 0, 400, 300); }
};

void Pump() { Application->ProcessMessages(); }

bool SelRangeStyle(TWinControl* c) { return (GetWindowLongW(c->Handle(), GWL_STYLE) & TBS_ENABLESELRANGE) != 0; }

}  // namespace

// One host form for the whole suite; each test places its own controls.
class WatchControlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    form = NewForm<HostForm>();
  }
  static void TearDownTestSuite() { form->Free(); }
  void TearDown() override {
    while (!form->Controls().empty()) delete form->Controls().back();
    Pump();
  }
  static HostForm* form;
};

HostForm* WatchControlsTest::form = nullptr;

TEST_F(WatchControlsTest, BarStyleSwitchesTheChannelAndSurvivesReCreation) {
  auto* t = new TNewTrackBar(form);
  EXPECT_EQ(t->BarStyle(), styBox);
  form->Show();
  Pump();
  EXPECT_TRUE(SelRangeStyle(t));
  t->SetBarStyle(styLine);
  t->SetBarStyle(styLine);
  EXPECT_FALSE(SelRangeStyle(t));
  RECT r;
  EXPECT_TRUE(GetUpdateRect(t->Handle(), &r, FALSE));  // the channel is repainted
  Pump();
  t->SetBarStyle(styBox);
  EXPECT_TRUE(SelRangeStyle(t));
  // Made again (orientation change): the style follows BarStyle.
  t->SetBarStyle(styLine);
  t->SetOrientation(trVertical);
  EXPECT_FALSE(SelRangeStyle(t));
  // Set before the window exists: applied when it is made.
  auto* u = new TNewTrackBar(form);
  u->SetBarStyle(styLine);
  u->SetBounds(10, 100, 150, 30);
  EXPECT_FALSE(SelRangeStyle(u));
}

TEST_F(WatchControlsTest, WatchSpeedBarAsOnTheMainWindow) {
  auto* t = new TNewTrackBar(form);
  t->SetBounds(10, 10, 150, 30);
  t->SetMax(1000);
  t->SetMin(100);
  t->SetPosition(1000);
  t->SetBarStyle(styLine);
  std::vector<int> changes;
  t->OnChange = [&](TWinControl*) { changes.push_back(t->Position()); };
  t->OnMouseDown = [&](TWinControl*, TMouseButton b, TShiftState, int, int) {
    if (b == mbRight) t->SetPosition(1000);
  };
  form->Show();
  Pump();
  EXPECT_EQ(SendMessageW(t->Handle(), TBM_GETRANGEMIN, 0, 0), 100);
  EXPECT_EQ(SendMessageW(t->Handle(), TBM_GETRANGEMAX, 0, 0), 1000);
  EXPECT_EQ(SendMessageW(t->Handle(), TBM_GETPOS, 0, 0), 1000);
  t->SetPosition(1000);  // unchanged: nothing
  EXPECT_TRUE(changes.empty());
  t->SetPosition(50);  // clamped to Min
  EXPECT_EQ(changes, (std::vector<int>{100}));
  // The user moves it with the keys: the window reports, OnChange fires.
  t->SetFocus();
  PostMessageW(t->Handle(), WM_KEYDOWN, VK_RIGHT, 0);
  Pump();
  EXPECT_EQ(changes, (std::vector<int>{100, 101}));
  EXPECT_EQ(t->Position(), 101);
  // A right press puts it back to 1000.
  SendMessageW(t->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 10));
  SendMessageW(t->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_EQ(t->Position(), 1000);
  EXPECT_EQ(changes.back(), 1000);
}

TEST_F(WatchControlsTest, TrackBarBackgroundIsItsColor) {
  auto* t = new TNewTrackBar(form);
  t->SetBounds(10, 10, 150, 30);
  t->SetColor(0x00FF00);
  form->Show();
  t->HandleNeeded();
  Pump();
  t->Repaint();
  HDC dc = GetDC(t->Handle());
  COLORREF corner = GetPixel(dc, 1, 1);
  ReleaseDC(t->Handle(), dc);
  EXPECT_EQ(corner, RGB(0, 255, 0));
}

TEST_F(WatchControlsTest, NumberEditStylesAndReCreation) {
  auto* e = new TNumberEdit(form);
  e->SetBounds(10, 10, 80, 22);
  EXPECT_EQ(e->Alignment(), etRightJustify);
  EXPECT_FALSE(e->NumberOnly());
  form->Show();
  Pump();
  LONG style = GetWindowLongW(e->Handle(), GWL_STYLE);
  EXPECT_EQ(style & (ES_CENTER | ES_RIGHT), ES_RIGHT);
  EXPECT_EQ(style & ES_NUMBER, 0);
  e->SetText("1234");
  e->SetFocus();
  HWND before = e->Handle();
  e->SetAlignment(etCenter);
  style = GetWindowLongW(e->Handle(), GWL_STYLE);
  EXPECT_EQ(style & (ES_CENTER | ES_RIGHT), ES_CENTER);
  EXPECT_EQ(e->Text(), "1234");  // the text survives the new window
  EXPECT_TRUE(e->Focused());
  (void)before;
  e->SetAlignment(etLeftJustify);
  EXPECT_EQ(GetWindowLongW(e->Handle(), GWL_STYLE) & (ES_CENTER | ES_RIGHT), 0);
}

TEST_F(WatchControlsTest, NumberOnlyRefusesTypedLettersButTakesOtherText) {
  auto* e = new TNumberEdit(form);
  e->SetBounds(10, 10, 80, 22);
  e->SetNumberOnly(true);
  form->Show();
  Pump();
  EXPECT_NE(GetWindowLongW(e->Handle(), GWL_STYLE) & ES_NUMBER, 0);
  e->SetFocus();
  SendMessageW(e->Handle(), WM_CHAR, '4', 0);
  SendMessageW(e->Handle(), WM_CHAR, 'x', 0);
  SendMessageW(e->Handle(), WM_CHAR, '2', 0);
  EXPECT_EQ(e->Text(), "42");
  e->SetText("12a");  // by program: taken as it is
  EXPECT_EQ(e->Text(), "12a");
  SendMessageW(e->Handle(), EM_SETSEL, 0, -1);
  SendMessageW(e->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"7b"));  // as a paste does
  EXPECT_EQ(e->Text(), "7b");
}

TEST_F(WatchControlsTest, UpDownFollowsTheBoxWhenItIsMadeAgain) {
  auto* e = new TNumberEdit(form);
  e->SetBounds(10, 10, 80, 22);
  auto* ud = new TUpDown(form);
  ud->SetMin(1);
  ud->SetMax(99);
  ud->SetAssociate(e);
  ud->SetPosition(5);
  form->Show();
  Pump();
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(ud->Handle(), UDM_GETBUDDY, 0, 0)), e->Handle());
  HWND old = e->Handle();
  e->SetNumberOnly(true);  // a new window
  EXPECT_NE(e->Handle(), old);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(ud->Handle(), UDM_GETBUDDY, 0, 0)), e->Handle());
  // The arrows of the up-down still step the number in the box.
  SendMessageW(ud->Handle(), WM_KEYDOWN, VK_UP, 0);
  SendMessageW(ud->Handle(), WM_KEYUP, VK_UP, 0);
  Pump();
  EXPECT_EQ(e->Text(), "6");
  // And the arrow keys in the new box (the up-down's hold on the box).
  e->SetFocus();
  SendMessageW(e->Handle(), WM_KEYDOWN, VK_UP, 0);
  SendMessageW(e->Handle(), WM_KEYUP, VK_UP, 0);
  Pump();
  EXPECT_EQ(e->Text(), "7");
  // Made again twice more: no procedure piles up on the box.
  e->SetAlignment(etCenter);
  e->SetAlignment(etRightJustify);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(ud->Handle(), UDM_GETBUDDY, 0, 0)), e->Handle());
  SendMessageW(e->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(e->Handle(), WM_KEYUP, VK_DOWN, 0);
  Pump();
  EXPECT_EQ(e->Text(), "6");
}
