#include "framework/Form.h"
#include "framework/Application.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"

namespace {
std::vector<TForm*> g_modalRuns;  // forms in ShowModal, innermost last

BOOL CALLBACK CollectEnabledWindow(HWND h, LPARAM lp) {
  auto* list = reinterpret_cast<std::pair<HWND, std::vector<HWND>*>*>(lp);
  if (h != list->first && IsWindowVisible(h) && IsWindowEnabled(h)) list->second->push_back(h);
  return TRUE;
}
}  // namespace

TForm::TForm(TForm* owner, const std::wstring& className)
    : TWinControl(nullptr), className_(className), owner_(owner) {
  visible_ = false;
  width_ = 640;
  height_ = 480;
  left_ = CW_USEDEFAULT;
  top_ = CW_USEDEFAULT;
  if (!Application->MainForm() && !owner) Application->SetMainForm(this);
}

TForm::~TForm() {
  if (icon_) DestroyIcon(icon_);
  if (Application->MainForm() == this) Application->SetMainForm(nullptr);
}

void TForm::AfterConstruction() {
  if (OnCreate) OnCreate(this);
}

void TForm::Free() {
  if (freed_) return;
  if (nesting_ > 0) {
    deletePending_ = true;
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    return;
  }
  freed_ = true;
  if (OnDestroy) OnDestroy(this);
  delete this;
}

TForm::NestGuard::NestGuard(TForm* f) : form(f) {
  if (form) form->nesting_++;
}

TForm::NestGuard::~NestGuard() {
  if (!form) return;
  form->nesting_--;
  if (form->nesting_ == 0 && form->deletePending_) {
    form->deletePending_ = false;
    form->Free();
  }
}

void TForm::CreateParams(TCreateParams& p) {
  p.ClassName = className_;
  p.SystemClass = false;
  p.ExStyle = WS_EX_CONTROLPARENT;
  switch (BorderStyle) {
    case bsSizeable:
      p.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
      if (!MinimizeBox) p.Style &= ~WS_MINIMIZEBOX;
      if (!MaximizeBox) p.Style &= ~WS_MAXIMIZEBOX;
      break;
    case bsDialog:
      p.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
      p.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsSingle:
      p.Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
      if (!MinimizeBox) p.Style &= ~WS_MINIMIZEBOX;
      break;
    case bsToolWindow:
      p.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
      p.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (StayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  p.ClassStyle = CS_DBLCLKS;
}

void TForm::AfterCreate() {
  if (owner_ && owner_->HandleAllocated()) {
    SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_->hwnd_));
  }
  if (menu_) ::SetMenu(hwnd_, menu_->Handle());
  if (icon_) {
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
  RECT wr;
  GetWindowRect(hwnd_, &wr);
  left_ = wr.left;
  top_ = wr.top;
}

void TForm::SetMenu(TMainMenu* menu) {
  menu_ = menu;
  if (hwnd_) {
    ::SetMenu(hwnd_, menu ? menu->Handle() : nullptr);
    DrawMenuBar(hwnd_);
  }
}

void TForm::SetBounds(int l, int t, int w, int h) {
  if (MaxWidth > 0 && w > MaxWidth) w = MaxWidth;
  if (MaxHeight > 0 && h > MaxHeight) h = MaxHeight;
  if (MinWidth > 0 && w < MinWidth) w = MinWidth;
  if (MinHeight > 0 && h < MinHeight) h = MinHeight;
  TWinControl::SetBounds(l, t, w, h);
}

void TForm::SetIcon(HICON icon) {
  if (icon == icon_) return;
  HICON old = icon_;
  icon_ = icon;
  if (hwnd_) {
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
  if (old) DestroyIcon(old);
}

void TForm::SetActiveControl(TWinControl* c) {
  active_ = c;
  if (c && hwnd_ && c->CanFocus()) c->SetFocus();
}

void TForm::SetVisible(bool v) {
  if (v && !hwnd_) Handle();
  if (v && hwnd_ && Position != poDesigned && !shown_) {
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (Position == poOwnerFormCenter && owner_ && owner_->HandleAllocated()) GetWindowRect(owner_->hwnd_, &area);
    SetBounds(area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2, w, h);
  }
  visible_ = v;
  if (!hwnd_) return;
  if (v) {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
  } else {
    ShowWindow(hwnd_, SW_HIDE);
  }
}

bool TForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TForm::Close() {
  if (modalLevel_ > 0) {
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  CloseDone();
}

void TForm::CloseDone() {
  TCloseAction action = Application->MainForm() == this ? caFree : caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Hide();
    Application->Terminate();
    return;
  }
  if (action == caMinimize) {
    ShowWindow(hwnd_, SW_MINIMIZE);
  } else {
    Hide();
    if (action == caFree) Free();
  }
}

TForm* TForm::InnermostModal() { return g_modalRuns.empty() ? nullptr : g_modalRuns.back(); }

int TForm::ShowModal() {
  NestGuard guard(this);
  ModalScope open;
  struct RunEntry {
    explicit RunEntry(TForm* f) { g_modalRuns.push_back(f); }
    ~RunEntry() { g_modalRuns.pop_back(); }
  } entry(this);
  modalResult_ = mrNone;
  modalLevel_++;
  // The other windows of the thread are disabled while the form runs.
  std::vector<HWND> disabled;
  Handle();
  std::pair<HWND, std::vector<HWND>*> walk(hwnd_, &disabled);
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&walk));
  for (HWND h : disabled) EnableWindow(h, FALSE);
  Show();
  while (modalResult_ == mrNone && !Application->Terminated()) {
    Application->HandleMessage();
    if (modalResult_ != mrNone) {
      // A button or a close request set the result: the form may still refuse.
      if (!CloseQuery()) modalResult_ = mrNone;
    }
  }
  for (HWND h : disabled) EnableWindow(h, TRUE);
  if (hwnd_) {
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  visible_ = false;
  if (owner_ && owner_->HandleAllocated()) SetActiveWindow(owner_->Handle());
  modalLevel_--;
  return modalResult_;
}

bool TForm::DialogKey(WORD key) { return TWinControl::DialogKey(key); }

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_SHOWWINDOW:
      if (wp && !shown_) {
        shown_ = true;
        LRESULT r = DefaultHandler(msg, wp, lp);
        NestGuard guard(this);
        if (OnShow) OnShow(this);
        return r;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) {
        if (OnActivate) OnActivate(this);
        if (nativeFocus_ && IsWindow(nativeFocus_) && IsChild(hwnd_, nativeFocus_) &&
            IsWindowVisible(nativeFocus_)) {
          ::SetFocus(nativeFocus_);
          return 0;
        }
        if (active_ && active_->HandleAllocated() && IsWindowVisible(active_->Handle())) {
          ::SetFocus(active_->Handle());
          return 0;
        }
      } else {
        HWND f = GetFocus();
        if (f && IsChild(hwnd_, f)) {
          // A native child (a plain EDIT a dialog made itself) is remembered as
          // its window; anything inside a framework control as that control.
          nativeFocus_ = f;
          for (HWND h = f; h && h != hwnd_; h = GetParent(h)) {
            if (TWinControl* c = FromHandle(h)) {
              active_ = c;
              nativeFocus_ = nullptr;
              break;
            }
          }
        }
        if (OnDeactivate) OnDeactivate(this);
      }
      break;
    case WM_COMMAND:
      if (lp == 0 && menu_ && HIWORD(wp) == 0) {
        NestGuard guard(this);
        if (menu_->DispatchCommand(LOWORD(wp))) return 0;
      }
      if (lp == 0 && HIWORD(wp) == 0 && TPopupMenu::DispatchAny(LOWORD(wp))) return 0;
      break;
    case WM_GETMINMAXINFO: {
      LRESULT r = DefaultHandler(msg, wp, lp);
      auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
      if (MinWidth > 0) mm->ptMinTrackSize.x = MinWidth;
      if (MinHeight > 0) mm->ptMinTrackSize.y = MinHeight;
      if (MaxWidth > 0) mm->ptMaxTrackSize.x = MaxWidth;
      if (MaxHeight > 0) mm->ptMaxTrackSize.y = MaxHeight;
      return r;
    }
    case WM_INITMENUPOPUP: {
      NestGuard guard(this);
      if (TMenuItem::DispatchPopup(reinterpret_cast<HMENU>(wp))) return 0;
      break;
    }
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (m->CtlType == ODT_MENU && TMenuItem::DispatchMeasure(m)) return TRUE;
      break;
    }
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (d->CtlType == ODT_MENU && TMenuItem::DispatchDraw(d)) return TRUE;
      break;
    }
    default:
      break;
  }
  return TWinControl::WndProc(msg, wp, lp);
}
