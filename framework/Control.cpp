#include "framework/Control.h"
#include <windowsx.h>
#include <algorithm>
#include <set>
#include <unordered_map>
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "framework/Form.h"
#include "framework/Menus.h"

namespace {
TWinControl* g_creating = nullptr;  // the control whose CreateWindowExW runs
int g_nextId = 100;

// The object of each of our windows, by handle. Every message looks its
// window up here: a window property would do as well, but reading one may be
// a trip to the window server, on every message. Windows of another thread
// may be looked up at the same time, hence the lock.
class ObjectTable {
 public:
  ObjectTable() { InitializeCriticalSection(&lock_); }
  TWinControl* Find(HWND h) {
    EnterCriticalSection(&lock_);
    auto it = map_.find(h);
    TWinControl* c = it == map_.end() ? nullptr : it->second;
    LeaveCriticalSection(&lock_);
    return c;
  }
  void Set(HWND h, TWinControl* c) {
    EnterCriticalSection(&lock_);
    map_[h] = c;
    LeaveCriticalSection(&lock_);
  }
  // Only the entry of that object: the handle may already be another window's.
  void Remove(HWND h, TWinControl* c) {
    EnterCriticalSection(&lock_);
    auto it = map_.find(h);
    if (it != map_.end() && it->second == c) map_.erase(it);
    LeaveCriticalSection(&lock_);
  }

 private:
  CRITICAL_SECTION lock_;
  std::unordered_map<HWND, TWinControl*> map_;
};

// Never destroyed: windows may still be going away while the program ends.
ObjectTable& Objects() {
  static ObjectTable* table = new ObjectTable;
  return *table;
}

}  // namespace

TShiftState KeyShiftState() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState MouseShiftState(WPARAM wp) {
  TShiftState s = 0;
  if (wp & MK_SHIFT) s |= ssShift;
  if (wp & MK_CONTROL) s |= ssCtrl;
  if (wp & MK_LBUTTON) s |= ssLeft;
  if (wp & MK_RBUTTON) s |= ssRight;
  if (wp & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

void RegisterFrameworkClass(const std::wstring& className, UINT classStyle, HBRUSH background, HICON icon) {
  static std::set<std::wstring> registered;
  if (registered.count(className)) return;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = classStyle;
  wc.lpfnWndProc = TWinControl::ClassProc();
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.lpszClassName = className.c_str();
  if (RegisterClassExW(&wc)) registered.insert(className);
}

HWND CreateMessageWindow(const wchar_t* className, WNDPROC proc) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);
  return CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

std::wstring SuperclassName(const std::wstring& nativeClass) {
  static std::set<std::wstring> made;
  std::wstring name = L"T" + nativeClass;
  if (made.count(name)) return name;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(nullptr, nativeClass.c_str(), &wc)) return nativeClass;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name.c_str();
  wc.style &= ~CS_GLOBALCLASS;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nativeClass;
  made.insert(name);
  return name;
}

// ---- TWinControl

TWinControl::TWinControl(TWinControl* parent) : parent_(parent) {
  if (parent_) {
    parent_->children_.push_back(this);
    font_ = parent_->font_;
    color_ = parent_->color_;
  }
  font_.OnChange = [this] { FontChanged(); };
}

TWinControl::~TWinControl() {
  std::vector<TWinControl*> kids;
  kids.swap(children_);
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
    (*it)->parent_ = nullptr;
    delete *it;
  }
  if (hwnd_) DestroyWnd();
  if (parent_) parent_->RemoveChild(this);
  font_.OnChange = nullptr;
}

void TWinControl::RemoveChild(TWinControl* child) {
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
  return hwnd ? Objects().Find(hwnd) : nullptr;
}

TForm* TWinControl::ParentForm() {
  for (TWinControl* c = this; c; c = c->parent_) {
    if (TForm* f = dynamic_cast<TForm*>(c)) return f;
  }
  return nullptr;
}

HWND TWinControl::Handle() {
  if (!hwnd_ && !creating_) {
    if (parent_) parent_->Handle();
    if (!hwnd_) CreateWnd();
  }
  return hwnd_;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.ClassName = L"TWinControl";
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if (visible_) p.Style |= WS_VISIBLE;
  if (!enabled_) p.Style |= WS_DISABLED;
  if (TabStop) p.Style |= WS_TABSTOP;
  std::wstring className = p.ClassName;
  if (!p.SystemClass) {
    RegisterFrameworkClass(p.ClassName, p.ClassStyle, p.Background);
  } else {
    // Native controls run under a framework name ("T" + the native class) so that
    // code which tells framework windows from native ones by the class name's
    // first letter sees them as framework windows; the behaviour is the native one.
    className = SuperclassName(p.ClassName);
  }
  HWND parentWnd = nullptr;
  HMENU idOrMenu = nullptr;
  if (parent_) {
    parentWnd = parent_->hwnd_;
    idOrMenu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(g_nextId++));
  }
  creating_ = true;
  TWinControl* prevCreating = g_creating;
  g_creating = this;
  HWND h = CreateWindowExW(p.ExStyle, className.c_str(), text_.c_str(), p.Style, left_, top_, width_, height_,
                           parentWnd, idOrMenu, GetModuleHandleW(nullptr), nullptr);
  g_creating = prevCreating;
  creating_ = false;
  if (!h) return;
  hwnd_ = h;
  if (p.SystemClass) {
    Objects().Set(h, this);
    nativeProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticProc)));
  }
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
  AfterCreate();
  for (TWinControl* c : children_) {
    if (!c->hwnd_) c->CreateWnd();
  }
  Realign();
}

void TWinControl::DestroyWnd() {
  if (!hwnd_) return;
  BeforeDestroy();
  for (TWinControl* c : children_) c->BeforeDestroy();
  HWND h = hwnd_;
  DestroyWindow(h);  // children go with it; each clears its handle on WM_NCDESTROY
  Objects().Remove(h, this);
  hwnd_ = nullptr;
  nativeProc_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (!hwnd_) return;
  // A procedure that the program put in place of ours is put back after re-creation.
  LONG_PTR installed = GetWindowLongPtrW(hwnd_, GWLP_WNDPROC);
  text_ = TextW();
  bool hadFocus = GetFocus() == hwnd_;
  DestroyWnd();
  CreateWnd();
  if (hwnd_ && installed != reinterpret_cast<LONG_PTR>(&StaticProc)) {
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, installed);
  }
  if (hwnd_ && hadFocus) ::SetFocus(hwnd_);
}

void TWinControl::SetBounds(int l, int t, int w, int h) {
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  bool changed = l != left_ || t != top_ || w != width_ || h != height_;
  left_ = l;
  top_ = t;
  width_ = w;
  height_ = h;
  if (!changed) return;
  ApplyBounds();
  if (align_ != alNone && parent_ && !parent_->realigning_) parent_->Realign();
}

void TWinControl::ApplyBounds() {
  if (hwnd_ && !inSetBounds_) {
    inSetBounds_ = true;
    SetWindowPos(hwnd_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    inSetBounds_ = false;
  }
}

int TWinControl::ClientWidth() {
  RECT r = ClientRect();
  return r.right - r.left;
}

int TWinControl::ClientHeight() {
  RECT r = ClientRect();
  return r.bottom - r.top;
}

RECT TWinControl::ClientRect() {
  RECT r = {0, 0, width_, height_};
  if (hwnd_) GetClientRect(hwnd_, &r);
  return r;
}

void TWinControl::SetAlign(TAlign a) {
  if (a == align_) return;
  align_ = a;
  if (parent_) parent_->Realign();
}

void TWinControl::Realign() {
  if (realigning_) return;
  realigning_ = true;
  RECT r = ClientRect();
  AdjustClientRect(r);
  const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
  for (TAlign kind : order) {
    for (TWinControl* c : children_) {
      if (c->align_ != kind || !c->visible_) continue;
      int w = c->width_, h = c->height_;
      switch (kind) {
        case alTop: c->SetBounds(r.left, r.top, r.right - r.left, h); r.top += h; break;
        case alBottom: c->SetBounds(r.left, r.bottom - h, r.right - r.left, h); r.bottom -= h; break;
        case alLeft: c->SetBounds(r.left, r.top, w, r.bottom - r.top); r.left += w; break;
        case alRight: c->SetBounds(r.right - w, r.top, w, r.bottom - r.top); r.right -= w; break;
        case alClient: c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); break;
        default: break;
      }
    }
  }
  realigning_ = false;
}

void TWinControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (hwnd_) {
    ShowWindow(hwnd_, v ? SW_SHOWNA : SW_HIDE);
  } else if (v && parent_ && parent_->hwnd_) {
    Handle();
  }
  if (align_ != alNone && parent_) parent_->Realign();
}

bool TWinControl::Showing() const {
  for (const TWinControl* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void TWinControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  if (hwnd_) EnableWindow(hwnd_, v);
}

void TWinControl::SetFocus() {
  HWND h = Handle();
  if (h) ::SetFocus(h);
}

bool TWinControl::Focused() { return hwnd_ && GetFocus() == hwnd_; }

bool TWinControl::CanFocus() {
  if (!Showing()) return false;
  for (TWinControl* c = this; c; c = c->parent_) {
    if (!c->enabled_) return false;
  }
  return true;
}

void TWinControl::Invalidate() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void TWinControl::Update() {
  if (hwnd_) UpdateWindow(hwnd_);
}

void TWinControl::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Invalidate();
}

std::string TWinControl::Text() { return WideToCp932(TextW()); }
void TWinControl::SetText(const std::string& t) { SetTextW(Cp932ToWide(t)); }

std::wstring TWinControl::TextW() {
  if (!hwnd_) return text_;
  int n = GetWindowTextLengthW(hwnd_);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(hwnd_, &w[0], n + 1);
  w.resize(static_cast<size_t>(n < 0 ? 0 : n));
  return w;
}

void TWinControl::SetTextW(const std::wstring& t) {
  text_ = t;
  if (hwnd_) SetWindowTextW(hwnd_, t.c_str());
}

void TWinControl::FontChanged() {
  if (hwnd_) {
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
    Invalidate();
  }
}

bool TWinControl::DialogKey(WORD key) {
  for (TWinControl* c : children_) {
    if (c->visible_ && c->enabled_ && c->DialogKey(key)) return true;
  }
  return false;
}

void TWinControl::Click() {
  if (OnClick) OnClick(this);
}

void TWinControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TWinControl::MouseMove(TShiftState s, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TWinControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
void TWinControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TWinControl::KeyDown(WORD& key, TShiftState s) {
  if (OnKeyDown) OnKeyDown(this, key, s);
}
void TWinControl::KeyUp(WORD& key, TShiftState s) {
  if (OnKeyUp) OnKeyUp(this, key, s);
}
void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}
void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}
void TWinControl::Resize() {
  if (OnResize) OnResize(this);
}

void TWinControl::PaintWindow(HDC dc) {
  RECT r;
  GetClientRect(hwnd_, &r);
  HBRUSH b = CreateSolidBrush(ColorToRGB(color_));
  FillRect(dc, &r, b);
  DeleteObject(b);
}

LRESULT TWinControl::MouseAfterNative(UINT msg, WPARAM wp, LPARAM lp, bool withDblClick, bool& handled) {
  handled = false;
  TMouseButton b;
  bool down = true, dbl = false;
  switch (msg) {
    case WM_LBUTTONDOWN: b = mbLeft; break;
    case WM_RBUTTONDOWN: b = mbRight; break;
    case WM_MBUTTONDOWN: b = mbMiddle; break;
    case WM_LBUTTONDBLCLK: b = mbLeft; dbl = true; break;
    case WM_RBUTTONDBLCLK: b = mbRight; dbl = true; break;
    case WM_LBUTTONUP: b = mbLeft; down = false; break;
    case WM_RBUTTONUP: b = mbRight; down = false; break;
    case WM_MBUTTONUP: b = mbMiddle; down = false; break;
    default: return 0;
  }
  handled = true;
  int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
  TShiftState shift = MouseShiftState(wp);
  LRESULT r = DefaultHandler(msg, wp, lp);
  if (!hwnd_) return r;
  if (dbl) {
    if (withDblClick && b == mbLeft) DblClick();
    MouseDown(b, shift | ssDouble, x, y);
  } else if (down) {
    MouseDown(b, shift, x, y);
  } else {
    MouseUp(b, shift, x, y);
  }
  return r;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
  if (nativeProc_) return CallWindowProcW(nativeProc_, hwnd_, msg, wp, lp);
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

namespace {
TWinControl* ReflectTarget(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      return lp ? TWinControl::FromHandle(reinterpret_cast<HWND>(lp)) : nullptr;
    case WM_NOTIFY:
      return TWinControl::FromHandle(reinterpret_cast<NMHDR*>(lp)->hwndFrom);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_HSCROLL:
    case WM_VSCROLL:
      return lp ? TWinControl::FromHandle(reinterpret_cast<HWND>(lp)) : nullptr;
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      return d->CtlType == ODT_MENU ? nullptr : TWinControl::FromHandle(d->hwndItem);
    }
    default:
      return nullptr;
  }
}
}  // namespace

LRESULT TWinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg >= CN_BASE && msg < CN_BASE + 0x400) {
    // A reflected notification that this control does not take: the parent's default.
    return parent_ && parent_->hwnd_ ? parent_->DefaultHandler(msg - CN_BASE, wp, lp) : 0;
  }
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
      if (TWinControl* child = ReflectTarget(msg, wp, lp)) {
        if (child != this) return child->WndProc(CN_BASE + msg, wp, lp);
      }
      break;
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (m->CtlType != ODT_MENU) {
        for (TWinControl* c : children_) {
          if (c->hwnd_ && GetDlgCtrlID(c->hwnd_) == static_cast<int>(m->CtlID)) return c->WndProc(CN_BASE + msg, wp, lp);
        }
        // An owner-drawn list with fixed items asks while its CreateWindowExW
        // runs, before the control knows its window: the control being made answers.
        if (g_creating && g_creating->parent_ == this && !g_creating->hwnd_)
          return g_creating->WndProc(CN_BASE + msg, wp, lp);
      }
      break;
    }
    case WM_PAINT:
      if (!nativeProc_) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        PaintWindow(dc);
        EndPaint(hwnd_, &ps);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      if (!nativeProc_) return 1;
      break;
    case WM_SIZE:
      if (!inSetBounds_) {
        RECT wr;
        GetWindowRect(hwnd_, &wr);
        width_ = wr.right - wr.left;
        height_ = wr.bottom - wr.top;
      }
      Realign();
      Resize();
      break;
    case WM_MOVE:
      if (!inSetBounds_ && parent_) {
        RECT wr;
        GetWindowRect(hwnd_, &wr);
        POINT pt = {wr.left, wr.top};
        if (parent_->hwnd_) ScreenToClient(parent_->hwnd_, &pt);
        left_ = pt.x;
        top_ = pt.y;
      }
      break;
    case WM_SETFOCUS:
      DoEnter();
      break;
    case WM_KILLFOCUS:
      DoExit();
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      TMouseButton b = msg == WM_LBUTTONDOWN ? mbLeft : msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
      if (!nativeProc_ && msg == WM_LBUTTONDOWN) {
        mouseInside_ = true;
        if (TabStop && CanFocus()) ::SetFocus(hwnd_);
      }
      MouseDown(b, MouseShiftState(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      break;
    }
    case WM_LBUTTONDBLCLK:
      DblClick();
      MouseDown(mbLeft, MouseShiftState(wp) | ssDouble, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      break;
    case WM_RBUTTONDBLCLK:
      MouseDown(mbRight, MouseShiftState(wp) | ssDouble, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      break;
    case WM_MOUSEMOVE:
      if (TApplication* app = TApplication::Instance()) app->HintMouseMove(this);
      MouseMove(MouseShiftState(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      TMouseButton b = msg == WM_LBUTTONUP ? mbLeft : msg == WM_RBUTTONUP ? mbRight : mbMiddle;
      int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      MouseUp(b, MouseShiftState(wp), x, y);
      if (!nativeProc_ && msg == WM_LBUTTONUP && mouseInside_) {
        mouseInside_ = false;
        if (hwnd_ && x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) Click();
      }
      break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(wp);
      // The form's menu shortcuts come first, from whichever control has the key.
      TApplication* app = TApplication::Instance();
      const bool offered = app && app->ShortCutOffered(hwnd_, msg, wp);
      if (TForm* form = ParentForm()) {
        if (TMainMenu* menu = form->Menu()) {
          if (!offered && menu->IsShortCut(ShortCutOf(key, KeyShiftState()))) return 0;
        }
      }
      KeyDown(key, KeyShiftState());
      if (key == 0) return 0;
      wp = key;
      break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(wp);
      KeyUp(key, KeyShiftState());
      if (key == 0) return 0;
      wp = key;
      break;
    }
    case WM_CHAR: {
      if (wp < 0x80) {
        char c = static_cast<char>(wp);
        KeyPress(c);
        if (c == 0) return 0;
        wp = static_cast<unsigned char>(c);
      }
      break;
    }
    case WM_CONTEXTMENU:
      if (PopupMenu) {
        POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (lp == -1) {  // from the keyboard: no mouse point
          pt = POINT{0, 0};
          ClientToScreen(hwnd_, &pt);
        }
        TForm* form = ParentForm();
        PopupMenu->Popup(pt.x, pt.y, form && form->HandleAllocated() ? form->Handle() : hwnd_);
        return 0;
      }
      break;
    case WM_GETDLGCODE:
      if (!nativeProc_) return DLGC_WANTARROWS | DLGC_WANTCHARS;
      break;
    case WM_SETCURSOR:
      // The screen cursor (hourglass during long work) wins over the window's own.
      if (HCURSOR c = TScreen::CursorHandle(Screen->Cursor())) {
        ::SetCursor(c);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return DefaultHandler(msg, wp, lp);
}

LRESULT CALLBACK TWinControl::StaticProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  TWinControl* c = Objects().Find(h);
  if (!c && g_creating && !g_creating->hwnd_) {
    c = g_creating;
    Objects().Set(h, c);
    c->hwnd_ = h;
  }
  if (!c) return DefWindowProcW(h, m, w, l);
  LRESULT r = 0;
  try {
    r = c->WndProc(m, w, l);
  } catch (...) {
    TApplication::HandleCallbackException();
  }
  if (m == WM_NCDESTROY) {
    Objects().Remove(h, c);
    if (c->hwnd_ == h) {
      c->hwnd_ = nullptr;
      c->nativeProc_ = nullptr;
    }
  }
  return r;
}

// ---- TCustomControl

namespace {
// The off-screen canvas keeps its DC from paint to paint: put the DC's own
// objects back first, so that giving the canvas the control's font never
// deletes a font that is still selected (which would leak it).
void FreshCanvas(TCanvas& c, const TFont& font) {
  HDC dc = c.Detach();
  c.Attach(dc);
  c.Font = font;
}
}  // namespace

void TCustomControl::PaintWindow(HDC dc) {
  RECT r;
  GetClientRect(hwnd_, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  buffer_.SetSize(w, h);
  FreshCanvas(buffer_.Canvas(), font_);
  Paint();
  BitBlt(dc, 0, 0, w, h, buffer_.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TCustomControl::PaintTo(TBitmap& target) {
  int w = hwnd_ ? ClientWidth() : width_, h = hwnd_ ? ClientHeight() : height_;
  buffer_.SetSize(w, h);
  FreshCanvas(buffer_.Canvas(), font_);
  Paint();
  target.SetSize(w, h);
  BitBlt(target.Canvas().Handle(), 0, 0, w, h, buffer_.Canvas().Handle(), 0, 0, SRCCOPY);
}
