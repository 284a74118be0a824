// The window frame and the small handlers of the main window: the label
// painted on the frame beside the menu bar, the owner-drawn last item of the
// bar that tells where the bar ends, the enabling of menu items when a menu
// opens, the resize handling, the step-multiplier box, the selection-status
// switch, the line-number hover timer, and shared colour and path helpers.
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Clipboard.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "text/StatusText.h"
#include "viewer/MenuState.h"
#include "viewer/PathRoutines.h"
#include "viewer/VastrelForm.h"

namespace {

// Posted by the owner drawing of the bar's last item: normal drawing comes
// back once the message loop is out of the bar's painting.
const UINT kOwnerDrawDone = WM_APP + 0x118;

const TColor kInactiveGrey = 0x808080;
const TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;

// The procedure that the frame's own one replaced (the framework's, the same
// for every window of the main window's class): the messages of a window that
// is going away still reach it.
WNDPROC g_framePrevProc = nullptr;

LRESULT CALLBACK FrameProcedure(HWND h, UINT m, WPARAM w, LPARAM l) {
  TVastrelForm* f = VastrelForm;
  if (!f || !f->FramePrevProc || !f->HandleAllocated() || f->Handle() != h) {
    return g_framePrevProc ? CallWindowProcW(g_framePrevProc, h, m, w, l) : DefWindowProcW(h, m, w, l);
  }
  return f->FrameWndProc(m, w, l);
}

}  // namespace

// ---- frame label

LRESULT TVastrelForm::FrameWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCACTIVATE:
      return HandleNcActivate(wp, lp);
    case WM_NCPAINT:
      return HandleNcPaint(wp, lp);
    case kOwnerDrawDone:
      if (MainMenu1 && MainMenu1->OwnerDraw()) {
        MainMenu1->SetOwnerDraw(false);
        DrawMenuBar(Handle());
      }
      return 0;
    default:
      break;
  }
  return CallWindowProcW(FramePrevProc, Handle(), msg, wp, lp);
}

LRESULT TVastrelForm::HandleNcActivate(WPARAM wp, LPARAM lp) {
  const LRESULT result = CallWindowProcW(FramePrevProc, Handle(), WM_NCACTIVATE, wp, lp);
  FrameActive = wp != 0;
  PaintCaptionLabel(FrameActive);
  return result;
}

LRESULT TVastrelForm::HandleNcPaint(WPARAM wp, LPARAM lp) {
  if (wp == 0) CallWindowProcW(FramePrevProc, Handle(), WM_NCPAINT, 0, 0);
  CallWindowProcW(FramePrevProc, Handle(), WM_NCPAINT, wp, lp);
  // A repaint says nothing about activation: the state of the last
  // WM_NCACTIVATE holds.
  PaintCaptionLabel(FrameActive);
  return 1;
}

void TVastrelForm::PaintCaptionLabel(bool active) {
  if (!UnicodeMode || FrameLabelText.empty() || !HandleAllocated()) return;
  // Drawn normally, the bar's items take other widths than when the program
  // drew them: the last item's edge is taken again once the bar is laid out.
  if (MainMenu1 && !MainMenu1->OwnerDraw()) {
    const int last = GetMenuItemCount(MainMenu1->Handle()) - 1;
    RECT item = {}, window = {};
    if (last >= 0 && GetMenuItemRect(Handle(), MainMenu1->Handle(), static_cast<UINT>(last), &item) &&
        item.right > item.left && GetWindowRect(Handle(), &window)) {
      MenuBarEnd = item.right - window.left;
    }
  }
  // A window DC comes from a shared cache: taken for this paint only.
  HDC dc = GetWindowDC(Handle());
  if (!dc) return;
  DrawCaptionLabel(dc, active);
  ReleaseDC(Handle(), dc);
}

void TVastrelForm::DrawCaptionLabel(HDC dc, bool active) {
  if (!UnicodeMode || FrameLabelText.empty()) return;
  const int frameX = GetSystemMetrics(SM_CXFRAME), frameY = GetSystemMetrics(SM_CYFRAME);
  const int caption = GetSystemMetrics(SM_CYCAPTION), menu = GetSystemMetrics(SM_CYMENU);
  CaptionLabelRect = {MenuBarEnd, frameY + caption, frameX + ClientWidth(), frameY + caption + menu};
  const RECT& r = CaptionLabelRect;
  TCanvas& c = CaptionCanvas;
  c.Attach(dc);
  if (active) {
    // The pen keeps the colour of the last paint.
    c.Font.SetColor(clCaptionText);
  } else {
    c.Font.SetColor(kInactiveGrey);
    c.PenColor = kInactiveGrey;
  }
  CaptionFontColour = c.Font.Color();
  CaptionPenColour = c.PenColor;
  c.MoveTo(10, r.bottom - 1);
  c.LineTo(r.left + 2, r.bottom - 1);
  c.BrushStyle = bsSolid;
  c.BrushColor = clWindow;
  c.RoundRect(r.left, r.top, r.right, r.bottom, 8, 8);
  c.TextRect(r, FrameLabelText, DT_SINGLELINE | DT_VCENTER);
  c.Detach();
}

void TVastrelForm::N32DrawItem(HDC dc, const RECT& rect) {
  // The item stays drawn by the program: the menu colour, no caption.
  MenuBarEnd = rect.right;
  FillRect(dc, &rect, GetSysColorBrush(COLOR_MENU));
  if (HandleAllocated() && MainMenu1->OwnerDraw()) PostMessageW(Handle(), kOwnerDrawDone, 0, 0);
}

// ---- menus opened

bool TVastrelForm::HasLines() {
  if (CheckBox7->Checked() && ListView1->Visible()) return ListView1->Count() > 0;
  return GetTextLength(false) > 0;
}

bool TVastrelForm::FileExists() { return !Doc.FilePath.empty() && FileExistsEx(Doc.FilePath, UnicodeMode); }

namespace {

vastrel::MenuState MenuStateOf(TVastrelForm& f) {
  vastrel::MenuInputs in;
  in.hasLines = f.HasLines();
  in.fileExists = f.FileExists();
  in.lineThreadIdle = f.LineThreadIdle;
  in.clipboardHasFiles = Clipboard::HasFormat(CF_HDROP);
  in.backupExists = !f.Doc.BackupPath.empty() && FileExistsEx(f.Doc.BackupPath, f.UnicodeMode);
  in.crlfTicked = f.CheckBox6->Checked();
  in.watching = f.ChkSpBtn->Down();
  in.csvTicked = f.CheckBox7->Checked();
  in.searchTextEmpty = f.SearchText.empty();
  in.deleteLock = f.CheckBox1->Checked();
  in.viewHasSelection = f.GetSelLength() != 0;
  in.workIdle = f.FileCommandsAllowed();
  return vastrel::ComputeMenuState(in);
}

}  // namespace

void TVastrelForm::File1Click() {
  const vastrel::MenuState m = MenuStateOf(*this);
  const bool idle = FileCommandsAllowed();
  Open1->SetEnabled(idle);
  N17->SetEnabled(m.convertEnabled);
  Paste1->SetVisible(m.pasteVisible);
  Paste1->SetEnabled(idle);
}

void TVastrelForm::E1Click() {
  const vastrel::MenuState m = MenuStateOf(*this);
  Undo1->SetVisible(m.undoVisible);
  Undo1->SetEnabled(m.undoEnabled);
  for (TMenuItem* item : {AllSelMenu, MaxSelectMenu, PageSelMenu, N23}) item->SetEnabled(m.selectEnabled);
  EditMenu->SetEnabled(m.editEnabled);
  Find2->SetEnabled(m.findEnabled);
  FindNext2->SetEnabled(m.findNextEnabled);
  N22->SetImageIndex(imgMenuUnticked + (N22->Checked() ? 1 : 0));
  N3->SetImageIndex(imgMenuUnticked + (N3->Checked() ? 1 : 0));
}

void TVastrelForm::PopupMenu1Popup() {
  const vastrel::MenuState m = MenuStateOf(*this);
  Edit1->SetEnabled(m.popupEditEnabled);
  PopN5->SetEnabled(m.bookmarkEnabled);
  Delete1->SetEnabled(m.deleteEnabled);
  Copy1->SetVisible(m.copyVisible);
}

// ---- other handlers

void TVastrelForm::Exit1Click() { Close(); }

void TVastrelForm::FormResize() {
  AllowNextErase = true;
  const bool csv = ListView1->Visible();
  std::vector<int> rows;
  if (csv) rows = ListView1->SelectedIndexes();
  if (WorkIdle || csv) ShowPage(false, true, MyTrackBar1->Position());
  if (csv) {
    for (int i : rows) {
      if (i >= 0 && i < ListView1->Count()) ListView1->Item(i)->SetSelected(true);
    }
    ListView1->Invalidate();
  }
  PaintCaptionLabel(FrameActive);
}

void TVastrelForm::StaticText1Click() {
  StepMultiplier = StepMultiplier >= 1000 ? 1 : StepMultiplier * 10;
  StaticText1->SetCaption(std::to_string(StepMultiplier));
}

void TVastrelForm::StaticText1MouseDown(TMouseButton button) {
  if (button != mbRight) return;
  StepMultiplier = StepMultiplier == 1 ? 1000 : 1;
  StaticText1->SetCaption(std::to_string(StepMultiplier));
}

void TVastrelForm::CheckBox8Click() {
  if (FileExists() && HasLines()) ShowSelectionStatus();
}

void TVastrelForm::Timer3Timer() {
  Timer3->SetEnabled(false);
  if (CurrentLine > 0) {
    CurrentLine = -1;
    ListBox1->SetItemIndex(-1);
    ListBox1->Invalidate();
  }
}

// ---- shared routines

void TVastrelForm::RedrawTextView(bool force) {
  if (!Settings.ReduceFlicker && !force) return;
  if (CheckBox7->Checked()) return;
  Application->ProcessMessages();
  const bool keep = Settings.ReduceFlicker;
  Settings.ReduceFlicker = false;
  if (CurrentPane) RedrawWindow(CurrentPane, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
  Settings.ReduceFlicker = keep;
}

TColor TVastrelForm::SysColorToRgb(TColor c) {
  if (c & clSystemColor) return GetSysColor(static_cast<int>(c & 0xFF));
  return c;
}

TColor TVastrelForm::BlendColor(TColor a, TColor b, int w) {
  return statustext::BlendColor(SysColorToRgb(a), SysColorToRgb(b), w);
}

std::wstring TVastrelForm::NormalizePath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  return statustext::NormalizePath(path, folder);
}

// ---- wiring

void TVastrelForm::InstallFrameHandlers() {
  File1->OnClick = [this](TMenuItem*) { File1Click(); };
  E1->OnClick = [this](TMenuItem*) { E1Click(); };
  PopupMenu1->OnPopup = [this](TPopupMenu*) { PopupMenu1Popup(); };
  Exit1->OnClick = [this](TMenuItem*) { Exit1Click(); };
  N4->OnClick = [this](TMenuItem*) { N4Click(); };
  OnResize = [this](TWinControl*) { FormResize(); };
  StaticText1->OnClick = [this](TWinControl*) { StaticText1Click(); };
  StaticText1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int) { StaticText1MouseDown(b); };
  CheckBox8->OnClick = [this](TWinControl*) { CheckBox8Click(); };
  Timer3->OnTimer = [this](TTimer*) { Timer3Timer(); };

  // The bar's last item is drawn by the program (its own drawing stays), so
  // that it records where the bar ends; the bar's other items are drawn by
  // the program only until then. The sub-menus are made first so that they
  // keep their normal drawing.
  N32->OnDrawItem = [this](TMenuItem*, HDC dc, const RECT& r, bool) { N32DrawItem(dc, r); };
  for (int i = 0; i < MainMenu1->Items.Count(); ++i) {
    TMenuItem* top = MainMenu1->Items.Item(i);
    if (top->Count() > 0) top->SubMenuHandle();
  }
  MainMenu1->SetOwnerDraw(true);

  FrameActive = HandleAllocated() && GetActiveWindow() == Handle();
  FramePrevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameProcedure)));
  if (FramePrevProc != &FrameProcedure) g_framePrevProc = FramePrevProc;
}
