// Start as the only running copy, or hand the command-line files to the
// copy that already runs (FileListCopyData, a WM_COPYDATA with identifier 776
// to the window of class "TVastrelForm" titled "Vastrel").
//
// WinMain:
//   std::vector<std::wstring> args = CommandLineArgsWide();
//   SingleInstanceGuard guard;
//   if (BeginSingleInstance(guard, args) == StartDecision::Exit) return 0;
//   ... initialise the application, create the main window, run the loop
//       (an exception reaching here is shown, then go on) ...
//   EndSingleInstance(guard);
//   return 0;
//
// The main window's WndProc, for WM_COPYDATA:
//   const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(msg.lParam);
//   if (IsFileListCopyData(cds)) {
//     msg.Result = ReceiveFileListCopyData(cds, canOpenNow,
//                      [&](const std::wstring& p) { return TakeHandOver(p); },
//                      Application->Handle());
//     return;   // not passed on
//   }
// where canOpenNow is false while a box or modal form of the program is open
// or long work runs, and TakeHandOver checks the path quickly and posts its
// opening (no box inside WM_COPYDATA, so the sender is never held); when the
// answer is 0 the sender starts its own copy.
//
// The first copy's show handler joins its own arguments with
// JoinParamPathWide(args, 1, UnicodeMode).
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

extern const wchar_t kApplicationTitle[];   // "Vastrel": title, mutex name, window text
extern const wchar_t kMainWindowClass[];    // "TVastrelForm"
constexpr ULONG_PTR kFileListCopyDataId = 776;
// How long the sender waits for the running copy's answer; no answer counts as 0.
constexpr UINT kHandOverTimeoutMs = 10000;

// Process flag: the hand-over goes as UTF-16 (true on the NT family). Set by
// BeginSingleInstance on the second-start path.
extern bool WideApiMode;
// GetVersionExA: platform identifier 2 gives true.
bool IsWideApiSystem();

// The program's arguments from CommandLineToArgvW(GetCommandLineW());
// element 0 is the program.
std::vector<std::wstring> CommandLineArgsWide();

// Existence test of the hand-over: CreateFileW with access 0, OPEN_EXISTING.
bool PathOpensAsFile(const std::wstring& path);
// Re-joins the arguments from index on until they name an existing file
// (pathtext::JoinPathArgs with PathOpensAsFile); the count of arguments is
// the wide array's own.
std::wstring JoinPathArgsWide(const std::vector<std::wstring>& args, int& index);
// The narrow twin: the arguments as code page 932, tested with the narrow
// file test.
std::string JoinPathArgs(const std::vector<std::wstring>& args, int& index);
// Every joined path from argument 1 on, each made absolute, joined by CR LF.
std::wstring BuildHandOverList(const std::vector<std::wstring>& args, bool wideApi);
// The first copy's path from argument startIndex: the arguments replaced by
// their names as stored on disk (unicodeMode), joined until FileExistsEx,
// then made absolute. Empty when there is no such argument.
std::wstring JoinParamPathWide(const std::vector<std::wstring>& args, int startIndex, bool unicodeMode);

// Sends the list (UTF-16 under wideApi, else code page 932) to the running
// copy's window, found by class and exact window text. True when a window
// was found and answered 1.
bool SendFilesToRunningCopy(const std::wstring& list, bool wideApi, const wchar_t* windowClass = kMainWindowClass,
                            const wchar_t* windowText = kApplicationTitle);
// Sends the record to one window; true when it answered 1.
bool SendFileListTo(HWND target, const std::wstring& list, bool wideApi);

// Asks "「Vastrel」を、新たに起動しますか？" (caption "多重起動の確認", Yes/No).
// Yes: false (go on as a further copy). No: sends the argument list (also
// when it is empty); true, so that this copy ends, only when there were file
// arguments and the running copy took them (answered 1). Otherwise false:
// this copy goes on starting and opens its arguments itself.
bool ConfirmSecondStart(const std::vector<std::wstring>& args, const wchar_t* windowClass = kMainWindowClass,
                        const wchar_t* windowText = kApplicationTitle);

struct SingleInstanceGuard {
  HANDLE mutex = nullptr;  // null: running without single instance
  bool owner = false;      // this copy created the mutex and owns it
};
enum class StartDecision { Run, Exit };
// Opens the mutex named mutexName; when it exists (or CreateMutex reports
// ERROR_ALREADY_EXISTS because another copy started at the same moment) this
// is a second start: WideApiMode is set and ConfirmSecondStart decides.
// Otherwise the mutex is created owned. When it cannot be created at all the
// program runs without single instance (no release and close at the end).
StartDecision BeginSingleInstance(SingleInstanceGuard& guard, const std::vector<std::wstring>& args,
                                  const wchar_t* mutexName = kApplicationTitle,
                                  const wchar_t* windowClass = kMainWindowClass,
                                  const wchar_t* windowText = kApplicationTitle);
// The mutex calls that BeginSingleInstance makes, replaceable by tests (to
// give the answers of a start racing another copy, or of a mutex that
// cannot be created). create returns the handle and the last error.
struct MutexCalls {
  std::function<HANDLE(const wchar_t* name)> open;
  std::function<HANDLE(const wchar_t* name, DWORD* lastError)> create;
};
// nullptr members restore the real calls; returns the previous set.
MutexCalls SetMutexCalls(MutexCalls calls);

// The owner releases the mutex ("所有権を解除 Error" when that fails); every
// copy closes its handle ("CloseHandle Error"). Plain message boxes.
void EndSingleInstance(SingleInstanceGuard& guard);

// Whether a WM_COPYDATA record is FileListCopyData.
bool IsFileListCopyData(const COPYDATASTRUCT* cds);
// The record's text: cbData / 2 UTF-16 units (an odd last byte is ignored).
std::wstring DecodeFileListCopyData(const COPYDATASTRUCT* cds);
// The receiving side. canOpenNow false: answers 0 and opens nothing. Else the
// first path of the list goes to takePath (not called for an empty list);
// when it takes the path, appWindow is restored when minimised and the
// answer is 1; otherwise 0.
LRESULT ReceiveFileListCopyData(const COPYDATASTRUCT* cds, bool canOpenNow,
                                const std::function<bool(const std::wstring&)>& takePath, HWND appWindow);
