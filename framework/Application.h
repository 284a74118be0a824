// The application object: title, message loop, nested message processing,
// the message hook, the hint event and the exception display.
//
// Every loop of the GUI thread (Run, ProcessMessages, a modal run, a thread's
// WaitFor) runs pending synchronise calls of worker threads through the
// synchronise handler, after every message and whenever WakeUp() was called.
#pragma once
#include <windows.h>
#include <exception>
#include <functional>
#include <string>

class TForm;
class TWinControl;

class TApplication {
 public:
  static TApplication* Instance();

  std::string Title() const { return title_; }  // code page 932
  void SetTitle(const std::string& t) { title_ = t; }

  void Initialize();
  // The main form: Run() ends when it closes. The first form made with
  // CreateForm becomes the main form.
  TForm* MainForm() const { return mainForm_; }
  void SetMainForm(TForm* f) { mainForm_ = f; }
  // Handle standing for the application: the main form's window.
  HWND Handle() const;

  // Runs the message loop until the main form has closed or Terminate().
  void Run();
  // Runs every message that is waiting, then returns. A quit request that
  // arrives here is kept: Terminated() turns true and Run() ends.
  void ProcessMessages();
  // Waits for one message (or a wake-up) and handles it; false once terminated.
  bool HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Sees every message taken from the queue before it is dispatched.
  std::function<void(MSG& msg, bool& handled)> OnMessage;

  // Hint: the long part ("after |") of the hint of the control under the mouse.
  std::string Hint() const { return hint_; }
  void SetHint(const std::string& h);
  std::function<void()> OnHint;
  void HintMouseMove(TWinControl* control);
  static std::string GetLongHint(const std::string& hint);
  static std::string GetShortHint(const std::string& hint);

  // Exception display: the message of an exception that reached a callback or
  // the main loop. Tests replace OnException to collect them.
  std::function<void(const std::string& message)> OnException;
  void ShowException(const std::string& message);
  // To be called from inside a catch (...) of a callback.
  static void HandleCallbackException();

  // Worker threads' synchronise calls (framework/Thread.h): every loop runs
  // CheckSynchronize(), or the handler set here instead; WakeUp() may be called
  // from any thread.
  void SetSynchronizeHandler(std::function<bool()> handler) { syncHandler_ = std::move(handler); }
  void WakeUp();
  bool RunSynchronized();

  DWORD ThreadId() const { return threadId_; }

  // Handles one message already taken from the queue (hook, dialog keys, dispatch).
  void DispatchOne(MSG& msg);
  // Whether the key-down now being dispatched to h was offered to the menu's
  // shortcuts already (and not taken).
  bool ShortCutOffered(HWND h, UINT message, WPARAM key) const;

 private:
  TApplication();
  bool IsDialogKeyHandled(MSG& msg);
  // A key-down that the menu of the control's form takes as a shortcut.
  bool IsMenuShortCutHandled(MSG& msg);
  const MSG* offeredKey_ = nullptr;
  std::string title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::string hint_;
  TWinControl* hintControl_ = nullptr;
  std::function<bool()> syncHandler_;
  DWORD threadId_ = 0;
};

#define Application (TApplication::Instance())
