// Worker threads with a synchronise call to the GUI thread.
//
// The GUI thread is the thread that initialised the program (the one that
// ran static initialisation, i.e. WinMain's thread); SetGuiThread changes it.
//
// Synchronize(fn) from a worker queues fn, wakes the GUI thread and blocks
// the worker until the GUI thread has run fn (called on the GUI thread it
// runs fn at once). An exception thrown by fn is caught on the GUI thread and
// thrown again in the worker, out of Synchronize.
//
// What the GUI thread's loops must do so that requests are served:
//  * The wake-up is a message posted to a hidden message-only window that
//    this unit creates on the GUI thread (InstallSynchronizeWindow; the first
//    TThread constructed on the GUI thread installs it). Its window procedure
//    calls CheckSynchronize, so every loop that dispatches messages -- the
//    application's main loop, ProcessMessages, modal loops, and the system's
//    own loops of message boxes, menus and common dialogs -- serves requests
//    as a side effect of DispatchMessage.
//  * In addition, the application's main loop, ProcessMessages and every
//    modal loop call CheckSynchronize() once per pass (after dispatching, and
//    when GetMessage/WaitMessage returns), which serves requests queued while
//    the hidden window did not exist or whose wake-up was replaced.
//  * TThread::WaitFor called on the GUI thread serves requests (and sent
//    messages) itself while it waits.
//  * A loop of our own that waits with WaitForSingleObject or Sleep on the
//    GUI thread while a worker may synchronise would deadlock: wait with
//    WaitFor, or call CheckSynchronize in the loop.
// SetSynchronizeWakeup replaces the wake-up (it is called on the worker after
// queueing; nullptr restores the default).
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

// Runs the queued synchronise calls; GUI thread only (false elsewhere).
// Returns whether it ran any.
bool CheckSynchronize();
// Runs fn on the GUI thread and waits for it (see above).
void SynchronizeCall(std::function<void()> fn);
void SetSynchronizeWakeup(std::function<void()> wakeup);
// Creates the hidden window that serves wake-ups; call on the GUI thread.
void InstallSynchronizeWindow();
void SetGuiThread(DWORD threadId);
DWORD GuiThreadId();
bool IsGuiThread();

// Receives the text of an exception that escaped a thread body or its
// OnTerminate; called on the GUI thread. Default: an error box through the
// message service. Returns the previous handler.
using ThreadExceptionHandler = std::function<void(const std::wstring& message)>;
ThreadExceptionHandler SetThreadExceptionHandler(ThreadExceptionHandler handler);

class TThread {
 public:
  // The thread is created suspended: Execute begins at the first Resume
  // (or Start). A thread that should run at once is started by its creator
  // right after construction (CreateStarted does both).
  TThread();
  // Terminates a running thread, lets a suspended one go on, and waits for
  // it (serving synchronise calls on the GUI thread). Called by the thread
  // itself (FreeOnTerminate) it only closes the handle.
  // A derived class's part is destroyed before this runs, while the body may
  // still use it: every derived class whose thread may still run when it is
  // deleted calls StopAndWait() first thing in its own destructor.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  template <class T, class... A>
  static T* CreateStarted(A&&... args) {
    T* t = new T(std::forward<A>(args)...);
    t->Start();
    return t;
  }

  // Starts the thread the first time; later, ends a cooperative suspension.
  // False when the system could not create the thread.
  bool Resume();
  bool Start() { return Resume(); }
  // Asks the body to pause at its next CheckSuspended (never SuspendThread).
  void Suspend();
  bool Suspended() const { return suspendRequested_ || !started_; }
  // Sets the terminate request; wakes a suspended or sleeping body.
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Waits until the thread has ended (including its OnTerminate); returns
  // ReturnValue. Returns at once for a thread never started. On the GUI
  // thread it serves synchronise calls and sent messages while waiting.
  int WaitFor();
  bool Finished() const { return finished_; }
  HANDLE Handle() const { return handle_; }
  DWORD ThreadID() const { return threadId_; }

  // Deletes the object on its own thread after Execute and OnTerminate.
  // Do not WaitFor or delete such a thread from outside once started.
  std::atomic<bool> FreeOnTerminate{false};
  // Runs on the GUI thread (through Synchronize) after Execute ends.
  std::function<void(TThread*)> OnTerminate;
  std::atomic<int> ReturnValue{0};

 protected:
  virtual void Execute() = 0;
  // Runs fn on the GUI thread; the worker waits for it.
  void Synchronize(std::function<void()> fn) { SynchronizeCall(std::move(fn)); }
  // Blocks while a suspension is asked for; returns !Terminated().
  bool CheckSuspended();
  // Terminate and WaitFor (nothing for a thread never started or on the
  // thread itself); for derived destructors.
  void StopAndWait();
  // Sleeps ms milliseconds or until Terminate; returns !Terminated().
  bool SleepUnlessTerminated(DWORD ms);

 private:
  static unsigned __stdcall Entry(void* self);
  void RunBody();

  HANDLE handle_ = nullptr;
  DWORD threadId_ = 0;
  HANDLE resumeEvent_ = nullptr;     // manual reset, set while not suspended
  HANDLE startGate_ = nullptr;       // set once Resume has stored the handle
  HANDLE terminateEvent_ = nullptr;  // manual reset, set by Terminate
  std::atomic<bool> started_{false};
  std::atomic<bool> suspendRequested_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
};
