// The painted dialog button under wine: clicks, the dialog keys Enter and Esc
// with the focus in a native EDIT or on a button, modal results, the picture.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "controls/ColorButton.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Timer.h"

namespace {

void Pump() { Application->ProcessMessages(); }

// A dialog as the UTF-16 dialogs build it: a native EDIT made with
// CreateWindowExW holds the text; OK (Default) and Cancel (Cancel) below it.
class Dialog : public TForm {
 public:
  Dialog() : TForm(nullptr, L"TColorButtonTestDialog") {
    BorderStyle = bsDialog;
    SetBounds(100, 100, 320, 200);
  }
  // The buttons and the edit, made anew for each test.
  void Build() {
    log.clear();
    SetModalResult(mrNone);
    OnShow = nullptr;
    ok = new TColorButton(this);
    ok->Name = "OKBtn";
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->ModalResult = msOk;
    ok->SetBounds(70, 120, 75, 25);
    cancel = new TColorButton(this);
    cancel->Name = "CancelBtn";
    cancel->SetCaption("\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b");  // キャンセル
    cancel->Cancel = true;
    cancel->ModalResult = msCancel;
    cancel->SetBounds(155, 120, 75, 25);
    ok->OnClick = [this](TWinControl*) { log.push_back("ok"); };
    cancel->OnClick = [this](TWinControl*) { log.push_back("cancel"); };
    ok->HandleNeeded();
    cancel->HandleNeeded();
  }
  void Clear() {
    while (!Controls().empty()) delete Controls().back();
    if (edit) DestroyWindow(edit);
    edit = nullptr;
  }
  HWND MakeEdit() {
    edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"text", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 10,
                           10, 290, 24, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    return edit;
  }
  TColorButton* ok = nullptr;
  TColorButton* cancel = nullptr;
  HWND edit = nullptr;
  std::vector<std::string> log;
};

void PostKey(HWND h, WORD vk) { PostMessageW(h, WM_KEYDOWN, vk, 0); }

}  // namespace

// One dialog window for the whole suite (a top-level window costs time to take
// down under a display without a window manager); each test gets new buttons
// and a new edit.
class ColorButtonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    dlg = NewForm<Dialog>();
  }
  static void TearDownTestSuite() { dlg->Free(); }
  void SetUp() override {
    dlg->Build();
    dlg->Show();
    dlg->MakeEdit();
    Pump();
  }
  void TearDown() override {
    dlg->Clear();
    Pump();
  }
  static Dialog* dlg;
};

Dialog* ColorButtonTest::dlg = nullptr;

TEST_F(ColorButtonTest, EnterAndEscFromANativeEditReachTheRightButtonOnce) {
  SetFocus(dlg->edit);
  PostKey(dlg->edit, VK_RETURN);
  Pump();
  EXPECT_EQ(dlg->log, (std::vector<std::string>{"ok"}));
  EXPECT_EQ(dlg->ModalResult(), mrOk);
  dlg->SetModalResult(mrNone);
  PostKey(dlg->edit, VK_ESCAPE);
  Pump();
  EXPECT_EQ(dlg->log, (std::vector<std::string>{"ok", "cancel"}));
  EXPECT_EQ(dlg->ModalResult(), mrCancel);
  EXPECT_EQ(GetFocus(), dlg->edit);
  // The dialog keys do not press the faces.
  EXPECT_FALSE(dlg->ok->Pressed());
  EXPECT_FALSE(dlg->cancel->Pressed());
}

TEST_F(ColorButtonTest, ShowModalEndsOnEnterInTheEditWithOneClick) {
  dlg->Hide();
  Pump();
  // The keys arrive while the modal loop runs.
  TTimer t;
  t.SetInterval(1);
  int stage = 0;
  t.OnTimer = [&](TTimer*) {
    if (stage++ == 0) {
      SetFocus(dlg->edit);
      PostKey(dlg->edit, VK_RETURN);
    }
  };
  t.SetEnabled(true);
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  t.SetEnabled(false);
  EXPECT_EQ(dlg->log, (std::vector<std::string>{"ok"}));

  dlg->log.clear();
  stage = 0;
  t.OnTimer = [&](TTimer*) {
    if (stage++ == 0) {
      SetFocus(dlg->edit);
      PostKey(dlg->edit, VK_ESCAPE);
    }
  };
  t.SetEnabled(true);
  EXPECT_EQ(dlg->ShowModal(), mrCancel);
  t.SetEnabled(false);
  EXPECT_EQ(dlg->log, (std::vector<std::string>{"cancel"}));
}

TEST_F(ColorButtonTest, EnterOnAFocusedButtonClicksThatButton) {
  dlg->cancel->SetFocus();
  Pump();
  ASSERT_TRUE(dlg->cancel->Focused());
  PostKey(dlg->cancel->Handle(), VK_RETURN);
  Pump();
  EXPECT_EQ(dlg->log, (std::vector<std::string>{"cancel"}));
  EXPECT_EQ(dlg->ModalResult(), mrCancel);
  EXPECT_TRUE(dlg->cancel->Pressed());  // stays pressed until a left release

  dlg->log.clear();
  dlg->ok->SetFocus();
  Pump();
  PostKey(dlg->ok->Handle(), VK_RETURN);
  Pump();
  EXPECT_EQ(dlg->log, (std::vector<std::string>{"ok"}));
  EXPECT_EQ(dlg->ModalResult(), mrOk);

  // Esc on the focused OK button goes to Cancel.
  dlg->log.clear();
  PostKey(dlg->ok->Handle(), VK_ESCAPE);
  Pump();
  EXPECT_EQ(dlg->log, (std::vector<std::string>{"cancel"}));
  EXPECT_EQ(dlg->ModalResult(), mrCancel);
}

TEST_F(ColorButtonTest, DisabledOrHiddenButtonsIgnoreTheDialogKeys) {
  SetFocus(dlg->edit);
  dlg->cancel->SetEnabled(false);
  dlg->ok->SetVisible(false);
  PostKey(dlg->edit, VK_ESCAPE);
  PostKey(dlg->edit, VK_RETURN);
  Pump();
  EXPECT_TRUE(dlg->log.empty());
  EXPECT_EQ(dlg->ModalResult(), mrNone);
}

TEST_F(ColorButtonTest, ModalResultIsWrittenAfterOnClick) {
  dlg->ok->OnClick = [this](TWinControl*) {
    EXPECT_EQ(dlg->ModalResult(), mrNone);
    dlg->SetModalResult(mrNo);
  };
  dlg->ok->Click();
  EXPECT_EQ(dlg->ModalResult(), mrOk);
  // msNone is written too: a click of such a button keeps a modal dialog open.
  auto* other = new TColorButton(dlg);
  other->OnClick = [this](TWinControl*) { dlg->SetModalResult(mrYes); };
  other->Click();
  EXPECT_EQ(dlg->ModalResult(), mrNone);
}

TEST_F(ColorButtonTest, MouseClickInsideOnlyAndPressedFaceWhileDragging) {
  HWND h = dlg->ok->Handle();
  std::vector<std::string> order;
  dlg->ok->OnClick = [&](TWinControl*) {
    order.push_back(dlg->ok->Pressed() ? "click(pressed)" : "click");
  };
  dlg->ok->OnMouseUp = [&](TWinControl*, TMouseButton, TShiftState, int, int) { order.push_back("up"); };
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_TRUE(dlg->ok->Pressed());
  EXPECT_TRUE(dlg->ok->Focused());
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(order, (std::vector<std::string>{"click(pressed)", "up"}));
  EXPECT_FALSE(dlg->ok->Pressed());
  EXPECT_EQ(dlg->ModalResult(), mrOk);

  // Out of the button with the button held: raised face on screen; back in:
  // pressed; release outside: no click.
  order.clear();
  dlg->SetModalResult(mrNone);
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 10));
  HDC dc = GetDC(h);
  COLORREF downCorner = GetPixel(dc, 1, 1);  // the pressed face's grey frame
  ReleaseDC(h, dc);
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 10));
  dc = GetDC(h);
  COLORREF upCorner = GetPixel(dc, 1, 1);
  ReleaseDC(h, dc);
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, 12));
  dc = GetDC(h);
  COLORREF backInCorner = GetPixel(dc, 1, 1);
  ReleaseDC(h, dc);
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 10));
  EXPECT_EQ(downCorner, RGB(128, 128, 128));
  EXPECT_EQ(upCorner, RGB(255, 255, 255));  // the raised default face's white line
  EXPECT_EQ(backInCorner, RGB(128, 128, 128));
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(200, 10));
  EXPECT_EQ(order, (std::vector<std::string>{"up"}));
  EXPECT_EQ(dlg->ModalResult(), mrNone);
}

TEST_F(ColorButtonTest, CaptionDefaultsAndPlacement) {
  auto* b = new TColorButton(dlg);
  b->Name = "ColorButton3";
  EXPECT_EQ(b->Width(), 75);
  EXPECT_EQ(b->Height(), 25);
  EXPECT_TRUE(b->TabStop);
  EXPECT_EQ(b->Caption(), "");
  b->HandleNeeded();
  EXPECT_EQ(b->Caption(), "ColorButton3");  // the window's creation puts the name in
  b->SetCaptionLeft(0);
  EXPECT_EQ(b->CaptionLeft(), -1);
  b->SetCaptionLeft(75);
  EXPECT_EQ(b->CaptionLeft(), -1);
  b->SetCaptionLeft(5);
  EXPECT_EQ(b->CaptionLeft(), 5);
  b->SetCaptionTop(25);
  EXPECT_EQ(b->CaptionTop(), -1);
  b->SetCaptionTop(4);
  b->SetCaptionAlign(psBottom);
  EXPECT_EQ(b->CaptionTop(), -1);
  int f = b->Font().Height() / 2;
  EXPECT_EQ(b->TextPosition(), 3 * (25 / 4) + f);
  b->SetCaptionAlign(psTop);
  EXPECT_EQ(b->TextPosition(), 25 / 4 + f);
  b->SetCaptionAlign(psCenter);
  EXPECT_EQ(b->TextPosition(), 25 / 2 + f);
}

TEST_F(ColorButtonTest, GetAlphaColorBlendsPerChannelWithAnArithmeticShift) {
  EXPECT_EQ(TColorButton::GetAlphaColor(0xFFFFFF, 0x000000, 200), 0xC7C7C7);
  EXPECT_EQ(TColorButton::GetAlphaColor(0x000000, 0xFFFFFF, 0), 0xFFFFFF);
  EXPECT_EQ(TColorButton::GetAlphaColor(0x000000, 0x0000FF, 1), 0x0000FE);  // -255 >> 8 = -1
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(static_cast<COLORREF>(TColorButton::GetAlphaColor(static_cast<int>(clBtnFace), 0, 256)), face);
}

TEST_F(ColorButtonTest, PictureOfTheFaces) {
  dlg->ok->SetColor(0xE0E0E0);
  dlg->cancel->SetColor(0xE0E0E0);
  SetFocus(dlg->edit);
  Pump();
  TBitmap b;
  // Default, not focused: black outer frame, face colour inside, shade line.
  dlg->ok->PaintTo(b);
  ASSERT_EQ(b.Width(), 75);
  EXPECT_EQ(b.PixelRGB(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(b.PixelRGB(74, 24), RGB(0, 0, 0));
  EXPECT_EQ(b.PixelRGB(5, 5), RGB(0xE0, 0xE0, 0xE0));
  EXPECT_EQ(b.PixelRGB(1, 1), RGB(255, 255, 255));           // white inner line
  EXPECT_EQ(b.PixelRGB(10, 22), RGB(0xAF, 0xAF, 0xAF));      // 0xE0 * 200 / 256
  // Not default, not focused: no outer frame; the upper-left line at LineAlfLevel.
  dlg->cancel->PaintTo(b);
  EXPECT_NE(b.PixelRGB(10, 0), RGB(0, 0, 0));
  EXPECT_EQ(b.PixelRGB(10, 1), RGB(0xC0, 0xC0, 0xC0));       // 0xE0 * 220 / 256
  EXPECT_EQ(b.PixelRGB(10, 23), RGB(0, 0, 0));               // black lower line
  // Focused: frame, the k = 1 inset and the dotted focus rectangle.
  dlg->cancel->SetFocus();
  Pump();
  dlg->cancel->PaintTo(b);
  EXPECT_EQ(b.PixelRGB(10, 0), RGB(0, 0, 0));
  EXPECT_EQ(b.PixelRGB(3, 3), RGB(0, 0, 0));
  EXPECT_EQ(b.PixelRGB(5, 3), RGB(0, 0, 0));
  EXPECT_NE(b.PixelRGB(4, 3), RGB(0, 0, 0));
  EXPECT_EQ(b.PixelRGB(70, 5), RGB(0, 0, 0));                // column W - 5
  // An icon at the left, Height - 8 square at (3, H / 2 - s / 2); the caption
  // moves right by IconSize + Indent + 3.
  TBitmap plain;
  dlg->ok->SetFocus();
  Pump();
  dlg->ok->PaintTo(plain);
  dlg->ok->SetGlyph(LoadIconW(nullptr, IDI_APPLICATION));
  dlg->ok->PaintTo(b);
  int iconPixels = 0;
  for (int y = 3; y < 3 + 17; ++y)
    for (int x = 3; x < 3 + 17; ++x) iconPixels += b.PixelRGB(x, y) != plain.PixelRGB(x, y);
  EXPECT_GT(iconPixels, 20);
  // Inside the focus rectangle only the caption differs from the face (its
  // pixels may be pure black with a font drawn without smoothing).
  int firstText = -1, firstTextPlain = -1;
  for (int x = 21; x < 70 && firstText < 0; ++x)
    for (int y = 6; y < 19; ++y)
      if (b.PixelRGB(x, y) != RGB(0xE0, 0xE0, 0xE0)) { firstText = x; break; }
  for (int x = 21; x < 70 && firstTextPlain < 0; ++x)
    for (int y = 6; y < 19; ++y)
      if (plain.PixelRGB(x, y) != RGB(0xE0, 0xE0, 0xE0)) { firstTextPlain = x; break; }
  EXPECT_GT(firstText, firstTextPlain);  // centred in the room right of the icon
  dlg->ok->SetGlyph(nullptr);
  // Disabled: the caption is embossed (some white pixels below and right).
  dlg->ok->SetEnabled(false);
  dlg->ok->PaintTo(b);
  int white = 0, grey = 0;
  for (int y = 4; y < 21; ++y) {
    for (int x = 4; x < 70; ++x) {
      if (b.PixelRGB(x, y) == RGB(255, 255, 255)) white++;
      if (b.PixelRGB(x, y) == RGB(128, 128, 128)) grey++;
    }
  }
  EXPECT_GT(white, 5);
  EXPECT_GT(grey, 5);
}
