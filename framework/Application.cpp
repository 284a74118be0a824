#include "framework/Application.h"
#include <stdexcept>
#include "framework/Control.h"
#include "framework/Cp932.h"
#include "framework/Form.h"
#include "framework/Menus.h"
#include "framework/Thread.h"


TApplication::TApplication() : threadId_(GetCurrentThreadId()) {}

TApplication* TApplication::Instance() {
  static TApplication* app = new TApplication();
  return app;
}

void TApplication::Initialize() {
  threadId_ = GetCurrentThreadId();
  // A quit request left from an earlier run of the loop does not end the next one.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  SetGuiThread(threadId_);
  InstallSynchronizeWindow();
  terminated_ = false;
}

HWND TApplication::Handle() const { return mainForm_ ? mainForm_->Handle() : nullptr; }

void TApplication::Terminate() {
  if (!terminated_) PostQuitMessage(0);
}

void TApplication::WakeUp() { PostThreadMessageW(threadId_, WM_NULL, 0, 0); }

bool TApplication::RunSynchronized() {
  try {
    if (!syncHandler_) return CheckSynchronize();
    return syncHandler_();
  } catch (...) {
    HandleCallbackException();
    return true;
  }
}

bool TApplication::IsDialogKeyHandled(MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  WORD key = static_cast<WORD>(msg.wParam);
  if (key != VK_RETURN && key != VK_ESCAPE && key != VK_TAB) return false;
  if (GetKeyState(VK_MENU) < 0) return false;
  // The framework control that the key is for: the window itself, or the nearest
  // ancestor that is one (a native child such as a combo box's edit).
  HWND h = msg.hwnd;
  TWinControl* own = TWinControl::FromHandle(h);
  bool wants;
  if (own) {
    wants = own->WantKey(key);
  } else {
    LRESULT code = SendMessageW(h, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg));
    wants = (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0 || (key == VK_TAB && (code & DLGC_WANTTAB));
    // A multi-line edit takes Enter only with ES_WANTRETURN; Esc and Tab never.
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    if (lstrcmpiW(cls, L"EDIT") == 0) {
      LONG style = GetWindowLongW(h, GWL_STYLE);
      wants = key == VK_RETURN && (style & ES_MULTILINE) && (style & ES_WANTRETURN);
    }
    for (HWND p = GetParent(h); p && !own; p = GetParent(p)) own = TWinControl::FromHandle(p);
  }
  if (wants || !own) return false;
  TForm* form = own->ParentForm();
  if (!form) return false;
  if (key == VK_TAB) {
    HWND next = GetNextDlgTabItem(form->Handle(), GetFocus(), GetKeyState(VK_SHIFT) < 0);
    if (next) ::SetFocus(next);
    return true;
  }
  return form->DialogKey(key);
}

bool TApplication::IsMenuShortCutHandled(MSG& msg) {
  // Offered before the dialog keys and before the key is translated, so that
  // a key the menu takes neither moves the focus (Ctrl+Tab) nor types a
  // character (Ctrl+Space) nor opens the system menu (Alt+Space).
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  TWinControl* own = TWinControl::FromHandle(msg.hwnd);
  if (!own) return false;
  TForm* form = own->ParentForm();
  if (!form || !form->Menu() || !own->Enabled()) return false;
  if (form->Menu()->IsShortCut(ShortCutOf(static_cast<WORD>(msg.wParam), KeyShiftState()))) return true;
  offeredKey_ = &msg;  // the control does not offer it a second time
  return false;
}

bool TApplication::ShortCutOffered(HWND h, UINT message, WPARAM key) const {
  return offeredKey_ && offeredKey_->hwnd == h && offeredKey_->message == message && offeredKey_->wParam == key;
}

void TApplication::DispatchOne(MSG& msg) {
  try {
    if (OnMessage) {
      bool handled = false;
      OnMessage(msg, handled);
      if (handled) return;
    }
    const MSG* outerOffered = offeredKey_;
    offeredKey_ = nullptr;
    struct Restore {
      const MSG*& slot;
      const MSG* value;
      ~Restore() { slot = value; }
    } restore{offeredKey_, outerOffered};
    if (IsMenuShortCutHandled(msg)) return;
    if (IsDialogKeyHandled(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  } catch (...) {
    HandleCallbackException();
  }
}

bool TApplication::HandleMessage() {
  if (terminated_) return false;
  RunSynchronized();
  MSG msg;
  BOOL r = GetMessageW(&msg, nullptr, 0, 0);
  if (r == 0 || r == -1) {
    terminated_ = true;
    return false;
  }
  DispatchOne(msg);
  RunSynchronized();
  return !terminated_;
}

void TApplication::ProcessMessages() {
  MSG msg;
  RunSynchronized();
  while (!terminated_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;  // kept: the main loop ends when it sees this
      break;
    }
    DispatchOne(msg);
    RunSynchronized();
  }
}

void TApplication::Run() {
  if (mainForm_ && !mainForm_->Visible()) mainForm_->Show();
  if (mainForm_) mainForm_->Show();
  while (HandleMessage()) {
  }
}

void TApplication::SetHint(const std::string& h) {
  if (h == hint_) return;
  hint_ = h;
  if (OnHint) OnHint();
}

std::string TApplication::GetLongHint(const std::string& hint) {
  size_t k = hint.find('|');
  return k == std::string::npos ? hint : hint.substr(k + 1);
}

std::string TApplication::GetShortHint(const std::string& hint) {
  size_t k = hint.find('|');
  return k == std::string::npos ? hint : hint.substr(0, k);
}

void TApplication::HintMouseMove(TWinControl* control) {
  if (control == hintControl_) return;
  hintControl_ = control;
  SetHint(control ? GetLongHint(control->Hint) : std::string());
}

void TApplication::ShowException(const std::string& message) {
  if (OnException) {
    OnException(message);
    return;
  }
  std::wstring text = Cp932ToWide(message), caption = Cp932ToWide(title_);
  MessageBoxW(mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr, text.c_str(),
              caption.c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleCallbackException() {
  try {
    throw;
  } catch (const std::exception& e) {
    Instance()->ShowException(e.what());
  } catch (...) {
    Instance()->ShowException("Unknown error");
  }
}
