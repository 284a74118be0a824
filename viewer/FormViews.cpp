// Text views: the wrappers over the memo and the two wide panes, the panes'
// and their panel's window procedures, the wheel hooks, the application's key
// routing, wrap switching and the characters-per-page measure.
#include <windowsx.h>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/ComCtrls.h"
#include "text/PageText.h"
#include "viewer/VastrelForm.h"

namespace {
TVastrelForm* Form() { return VastrelForm; }

LRESULT CALLBACK PaneProcedure(HWND h, UINT m, WPARAM w, LPARAM l) {
  TVastrelForm* f = Form();
  if (!f) return DefWindowProcW(h, m, w, l);
  return f->PaneWndProc(h, m, w, l);
}

LRESULT CALLBACK Panel5Procedure(HWND h, UINT m, WPARAM w, LPARAM l) {
  TVastrelForm* f = Form();
  if (!f || !f->Panel5PrevProc) return DefWindowProcW(h, m, w, l);
  return f->Panel5WndProc(h, m, w, l);
}

LRESULT CALLBACK MemoWheelProcedure(HWND h, UINT m, WPARAM w, LPARAM l) {
  TVastrelForm* f = Form();
  if (!f || !f->Memo1PrevProc) return DefWindowProcW(h, m, w, l);
  return f->WheelWndProc(h, f->Memo1PrevProc, m, w, l);
}

LRESULT CALLBACK ListViewWheelProcedure(HWND h, UINT m, WPARAM w, LPARAM l) {
  TVastrelForm* f = Form();
  if (!f || !f->ListView1PrevProc) return DefWindowProcW(h, m, w, l);
  return f->WheelWndProc(h, f->ListView1PrevProc, m, w, l);
}

void GetSel(HWND h, int& s, int& e) {
  DWORD a = 0, b = 0;
  SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  s = static_cast<int>(a);
  e = static_cast<int>(b);
}
}  // namespace

// ---- wrappers

namespace {
HWND TextViewOf(TVastrelForm* f) { return f->IsWideView() ? f->CurrentPane : f->Memo1->Handle(); }
}  // namespace

bool TVastrelForm::IsTextModified() {
  if (IsWideView()) return SendMessageW(CurrentPane, EM_GETMODIFY, 0, 0) != 0;
  return Memo1->Modified();
}

void TVastrelForm::SetTextModified(bool flag) {
  if (IsWideView()) {
    SendMessageW(CurrentPane, EM_SETMODIFY, flag, 0);
  } else {
    Memo1->SetModified(flag);
  }
}

void TVastrelForm::SetTextWide(const std::wstring& text) {
  SendMessageW(CurrentPane, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TVastrelForm::SetTextNarrow(const std::string& text) { Memo1->SetText(text); }

void TVastrelForm::SetSelection(int64_t start, int64_t end) {
  if (IsWideView()) {
    SendMessageW(CurrentPane, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
  } else {
    Memo1->SetSelection(static_cast<int>(start), static_cast<int>(end));
  }
}

int64_t TVastrelForm::GetSelStart() {
  if (!IsWideView()) return Memo1->SelStart();
  int s, e;
  GetSel(CurrentPane, s, e);
  return s;
}

int64_t TVastrelForm::GetSelLength() {
  if (!IsWideView()) return Memo1->SelLength();
  int s, e;
  GetSel(CurrentPane, s, e);
  return e - s;
}

int TVastrelForm::GetLineCount() {
  if (IsWideView()) return static_cast<int>(SendMessageW(CurrentPane, EM_GETLINECOUNT, 0, 0));
  return Memo1->LineCount();
}

void TVastrelForm::ClearTextControl() {
  if (IsWideView()) {
    SetTextWide(std::wstring());
    RedrawTextView(false);
  } else {
    Memo1->Clear();
  }
}

int64_t TVastrelForm::GetTextLength(bool measureUtf8) {
  switch (Doc.TextCode) {
    case tcUtf16:
      return SendMessageW(CurrentPane, WM_GETTEXTLENGTH, 0, 0);
    case tcUtf8: {
      if (!measureUtf8) return SendMessageW(CurrentPane, WM_GETTEXTLENGTH, 0, 0);
      std::string utf8;
      std::wstring text = GetTextWide();
      if (!Conv.WideToUtf8(text.c_str(), CodeConv::ByteOrder::Little, &utf8)) return 0;
      return static_cast<int64_t>(utf8.size());
    }
    default:
      return Memo1->TextLength();
  }
}

int TVastrelForm::GetEditHeight() {
  RECT r = {};
  GetWindowRect(CurrentPane, &r);
  return r.bottom - r.top;
}

std::wstring TVastrelForm::GetTextWide() {
  int n = GetWindowTextLengthW(CurrentPane);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(CurrentPane, &text[0], n + 1);
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  return text;
}

std::string TVastrelForm::GetTextNarrow() { return Memo1->Text(); }

void TVastrelForm::MoveSelStart(int64_t start) {
  int64_t length = GetSelLength();
  SetSelection(start, start + length);
}

void TVastrelForm::SetSelLengthEx(int64_t length) {
  int64_t start = GetSelStart();
  SetSelection(start, start + length);
}

void TVastrelForm::SetTextReadOnlyStyle(bool flag) {
  HWND view = TextViewOf(this);
  if (!flag && GetFocus() == view && MyTrackBar1->CanFocus()) {
    // The view loses the keyboard with its input: keys typed or repeating
    // during the work must not reach it.
    MyTrackBar1->SetFocus();
  }
  EnableWindow(view, flag ? TRUE : FALSE);
  if (!IsWideView()) Memo1->SetEnabled(flag);
}

// The selected characters are the substring [s, e) of the view's whole text,
// so that soft wraps of the wrapped pane add nothing.
std::wstring TVastrelForm::GetSelTextWide() {
  int s, e;
  GetSel(CurrentPane, s, e);
  if (e - s < 1) return std::wstring();
  std::wstring text = GetTextWide();
  if (s < 0 || static_cast<size_t>(s) >= text.size()) return std::wstring();
  return text.substr(static_cast<size_t>(s), static_cast<size_t>(e - s));
}

std::string TVastrelForm::GetSelTextNarrow() {
  int s = Memo1->SelStart(), n = Memo1->SelLength();
  if (n < 1) return std::string();
  std::string text = Memo1->Text();
  if (s < 0 || static_cast<size_t>(s) >= text.size()) return std::string();
  return text.substr(static_cast<size_t>(s), static_cast<size_t>(n));
}

std::wstring TVastrelForm::GetLineTextWide(int line) {
  int index = static_cast<int>(SendMessageW(CurrentPane, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  if (index < 0) return std::wstring();
  int length = static_cast<int>(SendMessageW(CurrentPane, EM_LINELENGTH, static_cast<WPARAM>(index), 0));
  if (length <= 0) return std::wstring();
  std::wstring buf(static_cast<size_t>(length) + 2, L'\0');
  buf[0] = static_cast<wchar_t>(length + 1);
  int got = static_cast<int>(SendMessageW(CurrentPane, EM_GETLINE, static_cast<WPARAM>(line),
                                          reinterpret_cast<LPARAM>(&buf[0])));
  buf.resize(static_cast<size_t>(got > 0 ? got : 0));
  return buf;
}

// ---- characters per page

namespace {
SIZE MeasureW(HWND window, HFONT font) {
  SIZE s = {0, 0};
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  GetTextExtentPoint32W(dc, L"W", 1, &s);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  if (s.cx < 1) s.cx = 1;
  if (s.cy < 1) s.cy = 1;
  return s;
}
}  // namespace

int64_t TVastrelForm::CharsPerPageNarrow(const std::string* text) {
  // Measured with the view's own font: the amount of text of a short page
  // then matches what the view shows.
  SIZE w = MeasureW(Memo1->Handle(), Memo1->Font().Handle());
  CharsPerLine = Memo1->Width() / w.cx;
  int64_t result = pagetext::CharsPerPage(Memo1->Width(), Memo1->Height(), w.cx, w.cy);
  if (text && result > 0 && static_cast<size_t>(result) < text->size()) {
    // Never a cut between a lead byte and its trail byte.
    result = static_cast<int64_t>(
        pagetext::NarrowCutAt(reinterpret_cast<const uint8_t*>(text->data()), text->size(), result));
  }
  return result;
}

int64_t TVastrelForm::CharsPerPageWide() {
  RECT r = {};
  GetWindowRect(CurrentPane, &r);
  SIZE w = MeasureW(CurrentPane, Memo1->Font().Handle());
  CharsPerLine = (r.right - r.left) / w.cx;
  return CharsPerLine * ((r.bottom - r.top) / w.cy) * 2;
}

// ---- wrap switching and pane fitting

void TVastrelForm::ShowPaneInstead(HWND pane) {
  const HWND other = pane == WrappedPane ? UnwrappedPane : WrappedPane;
  // A hidden window keeps no keyboard: the focus would fall to the panel,
  // where the page keys do nothing.
  const HWND focus = GetFocus();
  const bool hadFocus = focus && (focus == other || IsChild(other, focus));
  ShowWindow(other, SW_HIDE);
  ShowWindow(pane, SW_SHOW);
  CurrentPane = pane;
  Panel5Resize();
  if (hadFocus && IsWindowEnabled(pane)) ::SetFocus(pane);
}

void TVastrelForm::CheckBox2Click() {
  if (IsWideView()) {
    bool unwrappedCurrent = (GetWindowLongW(CurrentPane, GWL_STYLE) & WS_HSCROLL) != 0;
    if (CheckBox2->Checked() && unwrappedCurrent) {
      ShowPaneInstead(WrappedPane);
    } else if (!CheckBox2->Checked() && !unwrappedCurrent) {
      ShowPaneInstead(UnwrappedPane);
    } else {
      Panel5Resize();
    }
  } else {
    Memo1->SetWordWrap(CheckBox2->Checked());
  }
  if (Doc.FileSize >= 0) ShowPage(false, true, MyTrackBar1->Position());
  RedrawTextView(true);
}

void TVastrelForm::Panel5Resize() {
  if (!CurrentPane) return;
  int w = Panel5->ClientWidth() - (Panel6->Visible() ? Panel6->Width() : 0);
  int h = Panel5->ClientHeight();
  SetWindowPos(CurrentPane, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- procedures

LRESULT TVastrelForm::PaneWndProc(HWND pane, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC prev = pane == UnwrappedPane ? UnwrappedPaneProc : WrappedPaneProc;
  if (!prev) return DefWindowProcW(pane, msg, wp, lp);
  switch (msg) {
    case WM_ERASEBKGND: {
      bool applies = pane == WrappedPane || !CheckBox2->Checked();
      if (applies) {
        if (!AllowNextErase && Settings.ReduceFlicker) return 1;
        AllowNextErase = false;
      }
      break;
    }
    case WM_KEYDOWN: {
      // The pane's own commands (Ctrl+O, Ctrl+A, Ctrl+F, Ctrl+R, Ctrl+E, F3)
      // are run by the pane; every other menu shortcut works here as from the
      // form's controls.
      const WORD key = static_cast<WORD>(wp);
      const vastrel::KeyDecision own = vastrel::DecideViewKeyDown(
          true, key, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, Doc.FileSize >= 0, CheckBox1->Checked(), FileCommandsAllowed());
      if (own.command == vastrel::ViewCommand::None && !own.refused && MainMenu1 &&
          MainMenu1->IsShortCut(ShortCutOf(key, KeyShiftState()))) {
        return 0;
      }
      HandlePaneKeyDown(key);
      // Delete is the program's; the page keys page through the file, and the
      // pane does not scroll its own text as well.
      if (wp == VK_DELETE || wp == VK_PRIOR || wp == VK_NEXT) return 0;
      break;
    }
    case WM_KEYUP:
      HandleKeyUp(static_cast<WORD>(wp));
      break;
    case WM_CHAR:
      if (wp != 3) return 0;  // only Ctrl+C reaches the pane: typing never changes its text
      break;
    case WM_LBUTTONUP:
      UpdateFileSelection(wp);
      break;
    case WM_RBUTTONUP: {
      // The click point is in the pane's own client coordinates.
      POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(pane, &pt);
      PopupMenu1->Popup(pt.x, pt.y, Handle());
      return 0;
    }
    case WM_CONTEXTMENU: {
      // From the keyboard (the menu key, Shift+F10): the program's menu, not
      // the edit window's own, at the pane's corner when no point is given.
      POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (lp == -1) {
        pt = POINT{0, 0};
        ClientToScreen(pane, &pt);
      }
      PopupMenu1->Popup(pt.x, pt.y, Handle());
      return 0;
    }
    case WM_MOUSEWHEEL:
      StepPosition(GET_WHEEL_DELTA_WPARAM(wp) > 0);
      return 0;
    default:
      break;
  }
  return CallWindowProcW(prev, pane, msg, wp, lp);
}

LRESULT TVastrelForm::Panel5WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == CurrentPane && CurrentPane) {
        SetTextColor(reinterpret_cast<HDC>(wp), ColorToRGB(Memo1->Font().Color()));
        SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(PaneBrush);
      }
      break;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lp) == CurrentPane && CurrentPane) {
        if (HIWORD(wp) == EN_CHANGE) SetTextModified(true);
        return 0;
      }
      break;
    default:
      break;
  }
  return CallWindowProcW(Panel5PrevProc, h, msg, wp, lp);
}

LRESULT TVastrelForm::WheelWndProc(HWND h, WNDPROC previous, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSEWHEEL) {
    StepPosition(GET_WHEEL_DELTA_WPARAM(wp) > 0);
    return 0;
  }
  return CallWindowProcW(previous, h, msg, wp, lp);
}

void TVastrelForm::RouteKeyMessage(MSG& msg, bool& handled) {
  if (msg.message != WM_KEYDOWN) return;
  if (msg.wParam == VK_DELETE && Memo1->HandleAllocated() && msg.hwnd == Memo1->Handle()) {
    WORD key = VK_DELETE;
    Memo1KeyDown(key, 0);
    handled = true;
    return;
  }
  // F1 hands the caret line to the window in front before ours, as the
  // paste button does, and only while that button may be pressed.
  if (msg.wParam == VK_F1 && SpeedButton6->Enabled()) SpeedButton6Click();
  HWND focus = GetFocus();
  if (!focus) return;
  wchar_t cls[129] = {};
  GetClassNameW(focus, cls, 128);
  if (cls[0] == L'T') return;
  if (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) {
    bool singleLineEdit = lstrcmpiW(cls, L"Edit") == 0 && !(GetWindowLongW(focus, GWL_STYLE) & ES_MULTILINE);
    if (singleLineEdit || lstrcmpiW(cls, L"ListBox") == 0) return;  // default and cancel buttons
  }
  // A native window (a pane, a dialog's edit) gets its keys at once.
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  handled = true;
}

void TVastrelForm::InstallViewHooks() {
  Panel5PrevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(Panel5->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Panel5Procedure)));
  Memo1PrevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(Memo1->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MemoWheelProcedure)));
  ListView1PrevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(ListView1->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListViewWheelProcedure)));
  Application->OnMessage = [this](MSG& m, bool& handled) { RouteKeyMessage(m, handled); };
}

void TVastrelForm::InstallPaneProcedures() {
  UnwrappedPaneProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(UnwrappedPane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaneProcedure)));
  WrappedPaneProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(WrappedPane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaneProcedure)));
}
