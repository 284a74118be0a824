// The 64-bit slider under wine with a real window: mouse, keys, focus, events
// and the picture.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdint>
#include <vector>
#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Cursor.h"
#include "framework/Form.h"

namespace {

class HostForm : public TForm {
 public:
  HostForm() : TForm(nullptr, L"TTrackBarTestForm") { SetBounds(0, 0, 400, 400); }
};

void Pump() { Application->ProcessMessages(); }

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

COLORREF Grey(int v) { return RGB(v, v, v); }

}  // namespace

// One host form for the whole suite (a top-level window costs time to take
// down under a display without a window manager); each test gets a new slider.
class MyTrackBarTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    form = NewForm<HostForm>();
    form->Show();
    Pump();
  }
  static void TearDownTestSuite() { form->Free(); }
  void SetUp() override {
    bar = new TMyTrackBar(form);
    bar->SetBounds(10, 10, 200, 20);  // horizontal: track length 200 - 30 = 170
    bar->OnChange = [this](TWinControl*) { changes.push_back(bar->Position()); };
    bar->HandleNeeded();
    Pump();
  }
  void TearDown() override {
    while (!form->Controls().empty()) delete form->Controls().back();
    Pump();
  }

  void Down(int x, int y, WPARAM flags = MK_LBUTTON) { SendMessageW(bar->Handle(), WM_LBUTTONDOWN, flags, At(x, y)); }
  void Move(int x, int y, WPARAM flags = MK_LBUTTON) { SendMessageW(bar->Handle(), WM_MOUSEMOVE, flags, At(x, y)); }
  void Up(int x, int y) { SendMessageW(bar->Handle(), WM_LBUTTONUP, 0, At(x, y)); }
  void Key(WORD vk) {
    PostMessageW(bar->Handle(), WM_KEYDOWN, vk, 0);
    Pump();
  }
  // Thumb start for the bar's current position, as painted.
  int Thumb() {
    TBitmap b;
    bar->PaintTo(b);
    return bar->ThumbStart();
  }

  static HostForm* form;
  TMyTrackBar* bar = nullptr;
  std::vector<int64_t> changes;
};

HostForm* MyTrackBarTest::form = nullptr;

TEST_F(MyTrackBarTest, DefaultsAndSetters) {
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 100);
  EXPECT_EQ(bar->Step(), 10);
  EXPECT_EQ(bar->BarPrs(), 15);
  EXPECT_EQ(bar->TrackLength(), 170);
  EXPECT_EQ(bar->BoxColor(), clGray);
  EXPECT_EQ(bar->FocusColor(), clBlue);
  EXPECT_EQ(bar->ThumbColor(), clBlack);
  auto* fresh = new TMyTrackBar(form);
  EXPECT_EQ(fresh->Width(), 150);
  EXPECT_EQ(fresh->Height(), 16);

  bar->SetBarPrs(5);
  EXPECT_EQ(bar->BarPrs(), 10);
  bar->SetBarPrs(40);
  EXPECT_EQ(bar->BarPrs(), 15);

  bar->SetMin(20);
  bar->SetMax(10);  // below Min: Max = Min
  EXPECT_EQ(bar->Max(), 20);
  bar->SetMin(0);
  bar->SetMax(100);
  bar->SetMin(500);  // above Max: Min = Max
  EXPECT_EQ(bar->Min(), 100);
  bar->SetMin(0);

  bar->SetLineSize(0);
  EXPECT_EQ(bar->LineSize(), 1);
  bar->SetPageSize(1000);
  EXPECT_EQ(bar->PageSize(), 100);
  bar->SetStep(-3);
  EXPECT_EQ(bar->Step(), 100);
  bar->SetMax(int64_t(1) << 40);
  bar->SetStep(-3);  // Max cut to 32 bits
  EXPECT_EQ(bar->Step(), 0);
  EXPECT_TRUE(changes.empty());
}

TEST_F(MyTrackBarTest, SetPositionClampsAndFiresEveryTime) {
  bar->SetPosition(40);
  bar->SetPosition(40);  // unchanged: fires again
  bar->SetPosition(500);
  bar->SetPosition(-7);
  EXPECT_EQ(changes, (std::vector<int64_t>{40, 40, 100, 0}));
  // Lowering Max leaves the position until the next SetPosition.
  bar->SetPosition(90);
  bar->SetMax(50);
  EXPECT_EQ(bar->Position(), 90);
  EXPECT_EQ(Thumb(), 90 * 170 / 50 + 15 - 8);  // drawn past the track
  bar->SetPosition(bar->Position());
  EXPECT_EQ(bar->Position(), 50);
}

TEST_F(MyTrackBarTest, ClicksBesideTheThumbPageByStep) {
  bar->SetPosition(50);
  changes.clear();
  int T = Thumb();
  EXPECT_EQ(T, 50 * 170 / 100 + 15 - 8);
  Down(T + 40, 8);  // after the thumb
  Up(T + 40, 8);
  EXPECT_EQ(bar->Position(), 60);
  T = Thumb();
  Down(T - 5, 8);  // before
  Up(T - 5, 8);
  EXPECT_EQ(bar->Position(), 50);
  T = Thumb();
  Down(T + 18, 8);  // exactly at T + 18: stays
  Up(T + 18, 8);
  EXPECT_EQ(bar->Position(), 50);
  Down(T + 10, 19);  // beside the thumb in the cross direction: a drag does not start, nothing moves
  Up(T + 10, 19);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(changes, (std::vector<int64_t>{60, 50}));

  // Shift: Step / 30, so 0 with Step 10 (SetPosition still fires).
  changes.clear();
  Down(T + 40, 8, MK_LBUTTON | MK_SHIFT);
  Up(T + 40, 8);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(changes.size(), 1u);
  bar->SetStep(90);
  Down(T + 40, 8, MK_LBUTTON | MK_SHIFT);
  Up(T + 40, 8);
  EXPECT_EQ(bar->Position(), 53);

  // Near the ends: to 0 and to Max.
  bar->SetPosition(5);
  Down(1, 8);
  Up(1, 8);
  EXPECT_EQ(bar->Position(), 0);
  bar->SetPosition(95);
  Down(199, 8);
  Up(199, 8);
  EXPECT_EQ(bar->Position(), 100);
}

TEST_F(MyTrackBarTest, PagingSaturatesAtTheEndsOfThe64BitRange) {
  bar->SetMax(INT64_MAX);
  bar->SetStep(1000000);
  bar->SetPosition(INT64_MAX - 10);
  Down(199, 8);
  Up(199, 8);
  EXPECT_EQ(bar->Position(), INT64_MAX);
  // A Min above 0 is ignored by paging: before the thumb with v <= 0 asks for
  // 0, which SetPosition raises to Min.
  bar->SetMax(100);
  bar->SetStep(10);
  bar->SetMin(20);
  bar->SetPosition(25);
  Down(1, 8);
  Up(1, 8);
  EXPECT_EQ(bar->Position(), 20);
}

TEST_F(MyTrackBarTest, RightButtonTakesTheFocusAndDoesNothingElse) {
  form->SetFocus();
  Pump();
  int downs = 0;
  bar->OnMouseDown = [&](TWinControl*, TMouseButton b, TShiftState, int, int) {
    EXPECT_EQ(b, mbRight);
    EXPECT_FALSE(bar->Dragging());
    downs++;
  };
  bar->SetPosition(50);
  changes.clear();
  SendMessageW(bar->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, At(190, 8));
  EXPECT_EQ(downs, 1);
  EXPECT_TRUE(bar->Focused());
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_TRUE(changes.empty());
}

TEST_F(MyTrackBarTest, DragMovesThePositionAndEndsOnRelease) {
  std::vector<std::string> log;
  bar->OnMouseUp = [&](TWinControl*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
  bar->OnClick = [&](TWinControl*) { log.push_back("click"); };
  int T = Thumb();  // position 0: T = 7
  EXPECT_EQ(T, 7);
  Down(T + 3, 8);
  EXPECT_TRUE(bar->Dragging());
  EXPECT_EQ(bar->ThumbColor(), clYellow);
  EXPECT_TRUE(changes.empty());  // a press on the thumb moves nothing
  Move(15 + 85, 8);              // pointer at P + L/2
  EXPECT_EQ(bar->Position(), 50);
  Move(15 + 170, 8);
  EXPECT_EQ(bar->Position(), 100);
  Move(500, 8);  // beyond the track, held to Max (capture keeps the moves coming)
  EXPECT_EQ(bar->Position(), 100);
  Move(-40, 8);
  EXPECT_EQ(bar->Position(), 0);
  EXPECT_EQ(changes, (std::vector<int64_t>{50, 100, 100, 0}));
  Up(-40, 8);
  EXPECT_FALSE(bar->Dragging());
  EXPECT_EQ(bar->ThumbColor(), bar->BtnColor());
  EXPECT_EQ(log, (std::vector<std::string>{"up", "click"}));  // OnClick once, after OnMouseUp
  // Moves without the button do not drag.
  Move(100, 8, 0);
  EXPECT_EQ(bar->Position(), 0);
  // Min takes no part in the mapping: a drag to the start asks for 0, which
  // SetPosition raises to Min.
  bar->SetMin(20);
  bar->SetPosition(50);
  Down(Thumb() + 3, 8);
  Move(15 + 17, 8);  // 100 * 17 / 170 = 10, raised to 20
  EXPECT_EQ(bar->Position(), 20);
  Move(0, 8);
  EXPECT_EQ(bar->Position(), 20);
  Up(0, 8);
}

TEST_F(MyTrackBarTest, DragIsExactForTheLargestFileSize) {
  bar->SetMax(INT64_MAX);
  bar->SetPosition(0);
  Down(Thumb() + 2, 8);
  Move(15 + 85, 8);
  EXPECT_EQ(bar->Position(), INT64_MAX / 2);  // floor((2^63 - 1) * 85 / 170)
  Move(15 + 1, 8);
  EXPECT_EQ(bar->Position(), INT64_MAX / 170);
  Move(15 + 170, 8);
  EXPECT_EQ(bar->Position(), INT64_MAX);
  Up(15 + 170, 8);
  EXPECT_EQ(Thumb(), 170 + 15 - 8);
  bar->SetPosition(INT64_MAX / 2);
  EXPECT_EQ(Thumb(), 84 + 15 - 8);  // just below the middle
}

TEST_F(MyTrackBarTest, DragOnATrackWithoutLengthKeepsThePosition) {
  bar->SetBounds(10, 10, 30, 20);  // 30 - 2 * 15 = 0
  Pump();
  EXPECT_EQ(bar->TrackLength(), 0);
  bar->SetPosition(40);
  changes.clear();
  EXPECT_EQ(Thumb(), 7);  // thumb at the start
  Down(9, 8);
  ASSERT_TRUE(bar->Dragging());
  Move(20, 8);
  Move(2, 8);
  Up(2, 8);
  EXPECT_EQ(bar->Position(), 40);
  EXPECT_TRUE(changes.empty());
}

TEST_F(MyTrackBarTest, HoverColoursTheThumb) {
  int T = Thumb();
  Move(T + 5, 10, 0);
  EXPECT_TRUE(bar->GetNobFocus());
  EXPECT_EQ(bar->ThumbColor(), clYellow);
  Move(T + 60, 10, 0);
  EXPECT_FALSE(bar->GetNobFocus());
  EXPECT_EQ(bar->ThumbColor(), bar->BtnColor());
}

TEST_F(MyTrackBarTest, KeysMoveThePositionOnlyWithKeyDownEvent) {
  EXPECT_EQ(SendMessageW(bar->Handle(), WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
  std::vector<WORD> keys;
  bar->OnKeyDown = [&](TWinControl*, WORD& k, TShiftState) { keys.push_back(k); };
  bar->SetPageSize(25);
  bar->SetPosition(50);
  changes.clear();
  bar->SetFocus();
  Key(VK_RIGHT);
  EXPECT_EQ(bar->Position(), 51);
  Key(VK_DOWN);
  EXPECT_EQ(bar->Position(), 52);
  Key(VK_LEFT);
  Key(VK_UP);
  EXPECT_EQ(bar->Position(), 50);
  Key(VK_NEXT);
  EXPECT_EQ(bar->Position(), 75);
  Key(VK_PRIOR);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(changes, (std::vector<int64_t>{51, 52, 51, 50, 75, 50}));
  EXPECT_EQ(keys, (std::vector<WORD>{VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP, VK_NEXT, VK_PRIOR}));

  bar->KeyDownEvent = false;  // as on the main window: keys only reach OnKeyDown
  changes.clear();
  keys.clear();
  Key(VK_DOWN);
  Key(VK_NEXT);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(keys, (std::vector<WORD>{VK_DOWN, VK_NEXT}));

  // At the ends of the 64-bit range the keys saturate.
  bar->KeyDownEvent = true;
  bar->SetMax(INT64_MAX);
  bar->SetPageSize(1000);
  bar->SetPosition(INT64_MAX - 3);
  Key(VK_NEXT);
  EXPECT_EQ(bar->Position(), INT64_MAX);
  bar->SetMin(INT64_MIN);
  bar->SetPosition(INT64_MIN + 1);
  Key(VK_PRIOR);
  EXPECT_EQ(bar->Position(), INT64_MIN);
}

TEST_F(MyTrackBarTest, FocusLossEndsADrag) {
  Down(Thumb() + 3, 8);
  ASSERT_TRUE(bar->Dragging());
  form->SetFocus();
  Pump();
  EXPECT_FALSE(bar->Dragging());
  EXPECT_EQ(bar->ThumbColor(), clYellow);  // the colour stays until the next move or release
}

TEST_F(MyTrackBarTest, OwnCursorOverTheClientAreaUnlessTheScreenCursorWins) {
  bar->Cursor = IDC_HAND;
  const HWND h = bar->Handle();
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), overClient), TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  {
    TCursorGuard wait;
    ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), overClient), TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  }
}

// ---- The picture

TEST_F(MyTrackBarTest, HorizontalPictureTrackGrooveAndThumb) {
  bar->SetPosition(50);  // p = 85, T = 92, face (92, 2) - (109, 17)
  TBitmap b;
  bar->PaintTo(b);
  ASSERT_EQ(b.Width(), 200);
  ASSERT_EQ(b.Height(), 20);
  const COLORREF box = RGB(128, 128, 128);
  EXPECT_EQ(b.PixelRGB(50, 16), box);           // track
  EXPECT_EQ(b.PixelRGB(50, 6), RGB(0, 0, 0));   // groove rows H/3, H/3 + 1
  EXPECT_EQ(b.PixelRGB(50, 7), RGB(0, 0, 0));
  EXPECT_EQ(b.PixelRGB(50, 8), RGB(255, 255, 255));
  EXPECT_EQ(b.PixelRGB(14, 6), box);            // the groove starts at BarPrs
  EXPECT_EQ(b.PixelRGB(15, 6), RGB(0, 0, 0));
  EXPECT_EQ(b.PixelRGB(185, 6), box);           // and ends before W - BarPrs
  EXPECT_EQ(bar->ThumbStart(), 92);
  EXPECT_EQ(b.PixelRGB(92, 9), RGB(0, 0, 0));   // face outline, left
  EXPECT_EQ(b.PixelRGB(108, 9), RGB(0, 0, 0));  // right
  EXPECT_EQ(b.PixelRGB(91, 9), box);
  // Gradient of the resting thumb (black at first): row 15 has k = 2, d = 150 / 8.5.
  EXPECT_EQ(b.PixelRGB(100, 15), Grey(35));
  EXPECT_EQ(b.PixelRGB(100, 4), Grey(229));     // k = 13
  EXPECT_EQ(b.PixelRGB(100, 3), RGB(0xF1, 0xF1, 0xF1));  // top interior row keeps the light edge
  EXPECT_EQ(b.PixelRGB(100, 9), b.PixelRGB(95, 9));      // one colour per row
}

TEST_F(MyTrackBarTest, ThumbColoursFollowTheState) {
  bar->SetPosition(50);
  bar->SetBtnColor(clBtnFace);  // the unresolved bytes (15, 0, 0) are the start
  TBitmap b;
  bar->PaintTo(b);
  EXPECT_EQ(b.PixelRGB(100, 15), RGB(15 + 35, 35, 35));
  bar->SetFocus();
  Pump();
  bar->PaintTo(b);
  EXPECT_EQ(b.PixelRGB(100, 15), RGB(35, 35, 255 - 84 + 35));  // FocusColor blue
  // Disabled: track and groove, no thumb.
  bar->SetEnabled(false);
  bar->PaintTo(b);
  EXPECT_EQ(b.PixelRGB(100, 15), RGB(128, 128, 128));
  EXPECT_EQ(b.PixelRGB(100, 6), RGB(0, 0, 0));
}

TEST_F(MyTrackBarTest, VerticalPictureAsOnTheMainWindow) {
  bar->SetOrientation(pbVertical);
  bar->SetBoxColor(clBtnFace);
  bar->SetStep(1);
  bar->SetBounds(10, 10, 16, 300);  // L = 270, B = 11, X0 = 3
  Pump();
  bar->SetMax(1000);
  bar->SetPosition(500);  // p = 135, T = 142, face (3, 142) - (14, 159)
  TBitmap b;
  bar->PaintTo(b);
  EXPECT_EQ(bar->ThumbStart(), 142);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(b.PixelRGB(5, 100), face);             // track
  EXPECT_EQ(b.PixelRGB(8, 100), RGB(0, 0, 0));     // groove columns W/2, W/2 + 1
  EXPECT_EQ(b.PixelRGB(10, 100), RGB(255, 255, 255));
  EXPECT_EQ(b.PixelRGB(8, 142), RGB(0, 0, 0));     // face top border
  EXPECT_EQ(b.PixelRGB(8, 143), RGB(0xF1, 0xF1, 0xF1));
  EXPECT_EQ(b.PixelRGB(8, 157), Grey(0));          // first row of the gradient, k = 0
  EXPECT_EQ(b.PixelRGB(8, 150), Grey(116));        // k = 7, d = 16.666666
  EXPECT_EQ(b.PixelRGB(3, 150), RGB(0, 0, 0));     // face left border at X0
  EXPECT_EQ(b.PixelRGB(8, 158), RGB(0, 0, 0));     // bottom border
  // Max 0 puts the thumb at the start; with the largest file size it stays exact.
  bar->SetMax(0);
  bar->PaintTo(b);
  EXPECT_EQ(bar->ThumbStart(), 7);
  bar->SetMax(INT64_MAX);
  bar->SetPosition(INT64_MAX);
  bar->PaintTo(b);
  EXPECT_EQ(bar->ThumbStart(), 270 + 7);
}

TEST_F(MyTrackBarTest, TrackInTheMarkerColourGetsNoStripes) {
  // Background and track in the face's own marker colour: only the face
  // interior takes the gradient.
  bar->SetColor(0xF1F1F1);
  bar->SetBoxColor(0xF1F1F1);
  bar->SetPosition(50);
  TBitmap b;
  bar->PaintTo(b);
  EXPECT_EQ(b.PixelRGB(100, 15), Grey(35));
  EXPECT_EQ(b.PixelRGB(150, 15), RGB(0xF1, 0xF1, 0xF1));
  EXPECT_EQ(b.PixelRGB(199, 10), RGB(0xF1, 0xF1, 0xF1));
  EXPECT_EQ(b.PixelRGB(120, 4), RGB(0xF1, 0xF1, 0xF1));
}

TEST_F(MyTrackBarTest, PositionChangesReachTheScreenAtOnce) {
  // SetPosition paints synchronously: the window shows the new thumb without a
  // message round.
  bar->SetPosition(0);
  bar->SetPosition(100);  // T = 177
  HDC dc = GetDC(bar->Handle());
  COLORREF atNew = GetPixel(dc, 185, 15);
  COLORREF atOld = GetPixel(dc, 15, 15);
  ReleaseDC(bar->Handle(), dc);
  EXPECT_EQ(atNew, Grey(35));
  EXPECT_EQ(atOld, RGB(128, 128, 128));
}
