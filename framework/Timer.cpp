#include "framework/Timer.h"
#include <map>
#include "framework/Application.h"
#include "framework/Control.h"

namespace {
std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> m;
  return m;
}
UINT_PTR g_nextTimerId = 1;

LRESULT CALLBACK TimerWndProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_TIMER) {
    auto it = Timers().find(static_cast<UINT_PTR>(w));
    if (it != Timers().end()) {
      try {
        it->second->Tick();
      } catch (...) {
        TApplication::HandleCallbackException();
      }
    }
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}
}  // namespace

HWND TTimer::Window() {
  static HWND wnd = nullptr;
  if (!wnd) wnd = CreateMessageWindow(L"TTimerWindow", TimerWndProc);
  return wnd;
}

TTimer::TTimer() : id_(g_nextTimerId++) { Timers()[id_] = this; }

TTimer::~TTimer() {
  if (running_) KillTimer(Window(), id_);
  Timers().erase(id_);
}

void TTimer::SetInterval(UINT ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (running_) {
    KillTimer(Window(), id_);
    running_ = false;
  }
  Apply();
}

void TTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  if (!v && running_) {
    KillTimer(Window(), id_);
    running_ = false;
  }
  Apply();
}

void TTimer::Apply() {
  if (enabled_ && interval_ > 0 && !running_) {
    running_ = SetTimer(Window(), id_, interval_, nullptr) != 0;
  }
}

void TTimer::Tick() {
  if (inHandler_ || !enabled_) return;
  inHandler_ = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{inHandler_};
  if (OnTimer) OnTimer(this);
}
