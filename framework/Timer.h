// Timers on a hidden message window of the GUI thread.
//
// Rules: setting Interval to a new value restarts a running timer; setting the
// same value does nothing. Enabled starts and stops it. OnTimer is never
// re-entered: a tick that arrives while the handler runs (for example from a
// nested message loop inside it) is dropped. Property writes fire no events.
#pragma once
#include <windows.h>
#include <functional>

class TTimer {
 public:
  TTimer();
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  UINT Interval() const { return interval_; }
  void SetInterval(UINT ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  std::function<void(TTimer* sender)> OnTimer;

  // One tick, as from WM_TIMER (used by the window and by tests).
  void Tick();
  // The window that receives this timer's WM_TIMER, and its id.
  static HWND Window();
  UINT_PTR Id() const { return id_; }
  bool Running() const { return running_; }

 private:
  void Apply();
  UINT interval_ = 1000;
  bool enabled_ = false;
  bool running_ = false;  // SetTimer is in force
  bool inHandler_ = false;
  UINT_PTR id_;
};
