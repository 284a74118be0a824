#include "framework/Thread.h"

#include <process.h>

#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>

#include "framework/Control.h"
#include "framework/Cp932.h"
#include "framework/MessageService.h"

namespace {

std::atomic<DWORD> g_guiThread{GetCurrentThreadId()};

struct SyncRequest {
  std::function<void()> fn;
  HANDLE done = nullptr;
  std::exception_ptr error;
};

std::mutex g_queueLock;
std::deque<SyncRequest*> g_queue;
std::function<void()> g_wakeup;
ThreadExceptionHandler g_exceptionHandler;
HANDLE g_syncEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // auto reset: requests queued
HWND g_syncWindow = nullptr;
const UINT g_syncMessage = RegisterWindowMessageW(L"VastrelSynchronizeRequest");

LRESULT CALLBACK SyncWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == g_syncMessage) {
    CheckSynchronize();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void DefaultWakeup() {
  HWND w;
  {
    std::lock_guard<std::mutex> l(g_queueLock);
    w = g_syncWindow;
  }
  if (w)
    PostMessageW(w, g_syncMessage, 0, 0);
  else
    PostThreadMessageW(g_guiThread, WM_NULL, 0, 0);
}

std::wstring ExceptionText(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return Cp932ToWide(ex.what());
  } catch (...) {
    return L"unknown exception";
  }
}

void ReportThreadException(const std::wstring& text) {
  ThreadExceptionHandler h;
  {
    std::lock_guard<std::mutex> l(g_queueLock);
    h = g_exceptionHandler;
  }
  auto show = [h, text]() {
    try {
      if (h)
        h(text);
      else
        MessageBoxWide(text, MessageTitle(), MB_OK | MB_ICONERROR);
    } catch (...) {
    }
  };
  try {
    SynchronizeCall(show);
  } catch (...) {
  }
}

}  // namespace

DWORD GuiThreadId() { return g_guiThread; }
bool IsGuiThread() { return GetCurrentThreadId() == g_guiThread; }
void SetGuiThread(DWORD threadId) { g_guiThread = threadId; }

void InstallSynchronizeWindow() {
  if (!IsGuiThread()) return;
  {
    std::lock_guard<std::mutex> l(g_queueLock);
    if (g_syncWindow) return;
  }
  HWND w = CreateMessageWindow(L"VastrelSynchronizeWindow", SyncWndProc);
  std::lock_guard<std::mutex> l(g_queueLock);
  g_syncWindow = w;
}

void SetSynchronizeWakeup(std::function<void()> wakeup) {
  std::lock_guard<std::mutex> l(g_queueLock);
  g_wakeup = std::move(wakeup);
}

ThreadExceptionHandler SetThreadExceptionHandler(ThreadExceptionHandler handler) {
  std::lock_guard<std::mutex> l(g_queueLock);
  ThreadExceptionHandler old = std::move(g_exceptionHandler);
  g_exceptionHandler = std::move(handler);
  return old;
}

bool CheckSynchronize() {
  if (!IsGuiThread()) return false;
  bool ran = false;
  for (;;) {
    SyncRequest* r;
    {
      std::lock_guard<std::mutex> l(g_queueLock);
      if (g_queue.empty()) break;
      r = g_queue.front();
      g_queue.pop_front();
    }
    try {
      r->fn();
    } catch (...) {
      r->error = std::current_exception();
    }
    ran = true;
    SetEvent(r->done);
  }
  return ran;
}

void SynchronizeCall(std::function<void()> fn) {
  if (IsGuiThread()) {
    fn();
    return;
  }
  SyncRequest r;
  r.fn = std::move(fn);
  r.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!r.done) throw std::runtime_error("Synchronize: no event");
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> l(g_queueLock);
    g_queue.push_back(&r);
    wake = g_wakeup;
  }
  SetEvent(g_syncEvent);
  if (wake)
    wake();
  else
    DefaultWakeup();
  WaitForSingleObject(r.done, INFINITE);
  CloseHandle(r.done);
  if (r.error) std::rethrow_exception(r.error);
}

// ---- TThread ----

TThread::TThread() {
  resumeEvent_ = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  startGate_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  terminateEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (IsGuiThread()) InstallSynchronizeWindow();
}

void TThread::StopAndWait() {
  if (!handle_ || GetCurrentThreadId() == threadId_) return;
  Terminate();
  WaitFor();
}

TThread::~TThread() {
  if (handle_) {
    StopAndWait();
    CloseHandle(handle_);
  }
  if (resumeEvent_) CloseHandle(resumeEvent_);
  if (startGate_) CloseHandle(startGate_);
  if (terminateEvent_) CloseHandle(terminateEvent_);
}

bool TThread::Resume() {
  suspendRequested_ = false;
  SetEvent(resumeEvent_);
  if (started_.exchange(true)) return true;
  unsigned id = 0;
  uintptr_t h = _beginthreadex(nullptr, 0, &TThread::Entry, this, 0, &id);
  if (!h) {
    started_ = false;
    return false;
  }
  handle_ = reinterpret_cast<HANDLE>(h);
  threadId_ = id;
  // The body may end (and with FreeOnTerminate delete this object) at once:
  // it starts only after the fields above are set, and nothing here touches
  // the object afterwards.
  SetEvent(startGate_);
  return true;
}

void TThread::Suspend() {
  if (!started_) return;
  suspendRequested_ = true;
  ResetEvent(resumeEvent_);
}

void TThread::Terminate() {
  terminated_ = true;
  SetEvent(terminateEvent_);
}

bool TThread::CheckSuspended() {
  while (suspendRequested_ && !terminated_) {
    HANDLE hs[2] = {resumeEvent_, terminateEvent_};
    WaitForMultipleObjects(2, hs, FALSE, INFINITE);
  }
  return !terminated_;
}

bool TThread::SleepUnlessTerminated(DWORD ms) {
  if (!terminated_) WaitForSingleObject(terminateEvent_, ms);
  return !terminated_;
}

int TThread::WaitFor() {
  if (!handle_) return ReturnValue;
  if (!IsGuiThread()) {
    WaitForSingleObject(handle_, INFINITE);
    return ReturnValue;
  }
  for (;;) {
    CheckSynchronize();
    HANDLE hs[2] = {handle_, g_syncEvent};
    DWORD w = MsgWaitForMultipleObjects(2, hs, FALSE, INFINITE, QS_SENDMESSAGE);
    if (w == WAIT_OBJECT_0) break;
    if (w == WAIT_OBJECT_0 + 1) continue;  // served at the top of the loop
    if (w == WAIT_OBJECT_0 + 2) {
      MSG m;
      PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);  // delivers sent messages
      continue;
    }
    if (w == WAIT_FAILED) {
      WaitForSingleObject(handle_, INFINITE);
      break;
    }
  }
  CheckSynchronize();
  return ReturnValue;
}

void TThread::RunBody() {
  try {
    Execute();
  } catch (...) {
    ReportThreadException(ExceptionText(std::current_exception()));
  }
  if (OnTerminate) {
    try {
      SynchronizeCall([this]() { OnTerminate(this); });
    } catch (...) {
      ReportThreadException(ExceptionText(std::current_exception()));
    }
  }
  finished_ = true;
}

unsigned __stdcall TThread::Entry(void* self) {
  TThread* t = static_cast<TThread*>(self);
  WaitForSingleObject(t->startGate_, INFINITE);
  unsigned rv = 0;
  try {
    t->RunBody();
    rv = static_cast<unsigned>(t->ReturnValue.load());
    if (t->FreeOnTerminate) delete t;
  } catch (...) {
    // Nothing may leave the thread entry.
  }
  return rv;
}
