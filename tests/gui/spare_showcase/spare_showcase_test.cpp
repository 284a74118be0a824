// One form holding every spare control, as a user sees it: each control is a
// window of its own class on the form, and the form's picture (saved as
// spare_showcase.bmp in the working folder, the dialog as spare_dialog.bmp)
// shows them.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <set>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Form.h"
#include "framework/Timer.h"
#include "spare_controls/BitmapButton.h"
#include "spare_controls/ColorDBNavigator.h"
#include "spare_controls/ComboBox.h"
#include "spare_controls/MediaInfoBtn.h"
#include "spare_controls/NewButton.h"
#include "spare_controls/NewDriveComboBox.h"
#include "spare_controls/NewProgressBar.h"
#include "spare_controls/YesAllNoCancelBox.h"
#include "support/screen_shot.h"

namespace {

void Pump() { Application->ProcessMessages(); }

// The form's client area as its controls paint it: self-painted controls
// through PaintTo, native ones through WM_PRINT.
void Compose(TForm* form, TBitmap& out) {
  out.SetSize(form->ClientWidth(), form->ClientHeight());
  out.Canvas().BrushColor = form->Color();
  out.Canvas().FillRect(RECT{0, 0, out.Width(), out.Height()});
  for (TWinControl* c : form->Controls()) {
    if (!c->Visible()) continue;
    TBitmap part;
    if (auto* cc = dynamic_cast<TCustomControl*>(c)) {
      cc->PaintTo(part);
    } else {
      RECT r;
      GetWindowRect(c->Handle(), &r);
      part.SetSize(r.right - r.left, r.bottom - r.top);
      SendMessageW(c->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(part.Canvas().Handle()),
                   PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    }
    BitBlt(out.Canvas().Handle(), c->Left(), c->Top(), part.Width(), part.Height(), part.Canvas().Handle(), 0, 0,
           SRCCOPY);
  }
}

// A dialog: its client area (native controls and the message label through WM_PRINT).
void ComposeDialog(TYesAllNoCancelDlg* d, TBitmap& out) {
  Compose(d, out);
  TBitmap panel;
  RECT pr;
  GetWindowRect(d->Panel1->Handle(), &pr);
  POINT p0{pr.left, pr.top};
  ScreenToClient(d->Handle(), &p0);
  static_cast<TCustomControl*>(d->Panel1)->PaintTo(panel);
  for (TWinControl* c : d->Panel1->Controls()) {
    if (!c->Visible()) continue;
    RECT r;
    GetWindowRect(c->Handle(), &r);
    TBitmap part(r.right - r.left, r.bottom - r.top);
    SendMessageW(c->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(part.Canvas().Handle()),
                 PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
    BitBlt(panel.Canvas().Handle(), c->Left(), c->Top(), part.Width(), part.Height(), part.Canvas().Handle(), 0, 0,
           SRCCOPY);
  }
  BitBlt(out.Canvas().Handle(), p0.x, p0.y, panel.Width(), panel.Height(), panel.Canvas().Handle(), 0, 0, SRCCOPY);
  RECT lr;
  GetWindowRect(d->MessageLabel, &lr);
  POINT l0{lr.left, lr.top};
  ScreenToClient(d->Handle(), &l0);
  TBitmap label(lr.right - lr.left, lr.bottom - lr.top);
  label.Canvas().BrushColor = d->Color();
  label.Canvas().FillRect(RECT{0, 0, label.Width(), label.Height()});
  SendMessageW(d->MessageLabel, WM_PRINT, reinterpret_cast<WPARAM>(label.Canvas().Handle()), PRF_CLIENT);
  BitBlt(out.Canvas().Handle(), l0.x, l0.y, label.Width(), label.Height(), label.Canvas().Handle(), 0, 0, SRCCOPY);
}

using testsupport::SaveBmp;

int Colours(const TBitmap& b) {
  std::set<COLORREF> seen;
  for (int y = 0; y < b.Height(); y += 2)
    for (int x = 0; x < b.Width(); x += 2) seen.insert(b.PixelRGB(x, y));
  return static_cast<int>(seen.size());
}

class Showcase : public TForm {
 public:
  Showcase() : TForm(nullptr, L"TSpareShowcase") {
    SetBounds(20, 20, 660, 420);
    SetText("Spare controls");
  }
};

}  // namespace

TEST(SpareShowcase, AFormHoldingEveryControl) {
  Application->Initialize();
  Showcase* form = NewForm<Showcase>();

  TBitmap strip(160, 40);
  const COLORREF cells[4] = {0xC08040, 0x909090, 0x4080C0, 0x40C040};
  for (int i = 0; i < 4; ++i) {
    strip.Canvas().BrushColor = 0xFF00FF;
    strip.Canvas().FillRect(RECT{40 * i, 0, 40 * i + 40, 40});
    strip.Canvas().PenColor = 0x202020;
    strip.Canvas().BrushColor = cells[i];
    strip.Canvas().Ellipse(40 * i + 1, 1, 40 * i + 39, 39);
  }
  auto* bb = new TBitmapButton(form);
  bb->SetBounds(10, 10, 40, 40);
  bb->SetGlyph(&strip);
  bb->SetText("BB");
  auto* bb2 = new TBitmapButton(form);
  bb2->SetBounds(60, 10, 40, 40);
  bb2->SetGlyph(&strip);
  bb2->SetText("Dn");
  bb2->SetDown(true);

  int x = 110;
  for (BTNSTYLE s : {btEllipse, btRound, btGraphic}) {
    auto* m = new TMediaInfoBtn(form);
    m->SetBounds(x, 10, 90, 40);
    m->SetButtonStyle(s);
    m->SetRoundSize(12);
    m->ColorButton = 0xC06030;
    m->SetCaption(s == btEllipse ? "Ellipse" : s == btRound ? "Round" : "");
    if (s == btGraphic) m->SetEnabled(false);
    x += 100;
  }

  auto* nb = new TNewButton(form);
  nb->SetBounds(10, 70, 90, 30);
  nb->SetText("Rounded");
  auto* ne = new TNewButton(form);
  ne->SetBounds(110, 70, 90, 30);
  ne->SetButtonStyle(btEllipse);
  ne->SetText("Ellipse");
  auto* cb = new TNewCheckBox(form);
  cb->SetBounds(210, 75, 117, 17);
  cb->SetText("Check box");
  cb->SetChecked(true);
  auto* sw = new TNewCheckBox(form);
  sw->SetBounds(340, 75, 117, 17);
  sw->SetText("Switch");
  sw->SetBoxStyle(stOnOffBox);
  sw->SetBoxWidth(24);
  sw->ColorCheck = 0x00A000;
  sw->SetChecked(true);

  auto* drives = new TNewDriveComboBox(form);
  drives->SetBounds(10, 120, 180, 24);
  auto* combo = new TNewComboBox(form);
  combo->SetBounds(200, 120, 150, 24);
  for (const char* s : {"alpha", "beta", "gamma"}) combo->Items().Add(s);
  combo->SetItemIndex(1);

  auto* bar = new TNewProgressBar(form);
  bar->SetBounds(10, 170, 200, 32);
  bar->SetForeColor(0xC04000);
  bar->SetProgress(55);
  auto* blocks = new TNewProgressBar(form);
  blocks->SetBounds(220, 170, 200, 32);
  blocks->SetForeColor(0x0080FF);
  blocks->SetSmooth(true);
  blocks->SetBarStyle(btGradetion);
  blocks->SetProgress(70);
  auto* pie = new TNewProgressBar(form);
  pie->SetBounds(10, 215, 80, 80);
  pie->SeTCGaugeKind(iuPie);
  pie->SetForeColor(0x0000C0);
  pie->SetProgress(30);
  auto* needle = new TNewProgressBar(form);
  needle->SetBounds(100, 215, 120, 80);
  needle->SeTCGaugeKind(iuNeedle);
  needle->SetProgress(65);
  auto* vert = new TNewProgressBar(form);
  vert->SetBounds(230, 215, 40, 100);
  vert->SeTCGaugeKind(iuVerticalBar);
  vert->SetForeColor(0x008000);
  vert->SetProgress(40);
  auto* nav = new TColorDBNavigator(form);
  nav->SetBounds(10, 330, 300, 25);
  nav->SetColor(0x80E0FF);

  form->Show();
  for (TWinControl* c : form->Controls()) {
    if (auto* b = dynamic_cast<TBitmapButton*>(c)) b->Loaded();
    if (auto* m = dynamic_cast<TMediaInfoBtn*>(c)) m->Loaded();
    if (auto* n = dynamic_cast<TNewButton*>(c)) n->Loaded();
  }
  drives->Loaded();
  Pump();
  form->Repaint();
  for (TWinControl* c : form->Controls()) c->Repaint();
  Pump();

  std::set<std::wstring> classes;
  for (HWND h = GetWindow(form->Handle(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    classes.insert(cls);
  }
  for (const wchar_t* name : {L"TBitmapButton", L"TMediaInfoBtn", L"TNewButton", L"TNewCheckBox", L"TNewProgressBar",
                              L"TColorDBNavigator", L"TNewComboBox", L"TNewDriveComboBox"})
    EXPECT_TRUE(classes.count(name)) << std::string(name, name + wcslen(name));

  TBitmap shot;
  Compose(form, shot);
  SaveBmp(shot, "spare_showcase.bmp");
  EXPECT_GT(Colours(shot), 20);

  // The question dialog, with a picture-less message and its check box.
  TYesAllNoCancelBox box;
  box.Title = "Replace";
  box.Msg = L"Replace \"alpha\" with \"beta\" here?\r\nA second line & more.";
  box.OkBtnCaption = Cp932FromUtf8(u8"はい");
  box.NoBtnCaption = Cp932FromUtf8(u8"いいえ");
  box.CheckBoxVisible = true;
  box.CheckBoxCaption = Cp932FromUtf8(u8"以降すべてに適用");
  box.SetOkBtnEnabled(true);
  box.SetNoBtnEnabled(true);
  box.SetCancelBtnEnabled(true);
  TTimer t;
  t.SetInterval(50);
  int ticks = 0;
  t.OnTimer = [&](TTimer*) {
    if (!box.Dialog() || ++ticks < 3) return;
    TBitmap d;
    ComposeDialog(box.Dialog(), d);
    SaveBmp(d, "spare_dialog.bmp");
    PostMessageW(box.Dialog()->CancelBtn->Handle(), BM_CLICK, 0, 0);
    t.SetEnabled(false);
  };
  t.SetEnabled(true);
  EXPECT_EQ(box.Execute(), 2);
  form->Free();
}
