#include "viewer/SingleInstance.h"

#include <shellapi.h>

#include "framework/Cp932.h"
#include "framework/MessageService.h"
#include "text/PathText.h"
#include "viewer/PathRoutines.h"

const wchar_t kApplicationTitle[] = L"Vastrel";
const wchar_t kMainWindowClass[] = L"TVastrelForm";
bool WideApiMode = false;

bool IsWideApiSystem() {
  OSVERSIONINFOA vi = {};
  vi.dwOSVersionInfoSize = sizeof vi;  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&vi)) return false;
#pragma GCC diagnostic pop
  return vi.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::vector<std::wstring> CommandLineArgsWide() {
  std::vector<std::wstring> args;
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!argv) return args;
  for (int i = 0; i < n; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

bool PathOpensAsFile(const std::wstring& path) {
  if (path.empty()) return false;
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

std::wstring JoinPathArgsWide(const std::vector<std::wstring>& args, int& index) {
  return pathtext::JoinPathArgs(args, index, PathOpensAsFile);
}

std::string JoinPathArgs(const std::vector<std::wstring>& args, int& index) {
  std::wstring joined = pathtext::JoinPathArgs(args, index, [](const std::wstring& p) {
    DWORD a = GetFileAttributesA(WideToCp932(p).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  });
  return WideToCp932(joined);
}

std::wstring BuildHandOverList(const std::vector<std::wstring>& args, bool wideApi) {
  const int count = args.empty() ? 0 : static_cast<int>(args.size()) - 1;
  std::wstring list;
  for (int index = 1; index <= count; ++index) {
    if (!list.empty()) list += L"\r\n";
    std::wstring path = wideApi ? JoinPathArgsWide(args, index) : Cp932ToWide(JoinPathArgs(args, index));
    list += FullPathName(path);
  }
  return list;
}

std::wstring JoinParamPathWide(const std::vector<std::wstring>& args, int startIndex, bool unicodeMode) {
  const int count = args.empty() ? 0 : static_cast<int>(args.size()) - 1;
  if (startIndex < 1 || startIndex > count) return std::wstring();
  std::vector<std::wstring> stored = args;
  if (unicodeMode)
    for (int i = 1; i <= count; ++i) stored[i] = LongFileName(stored[i]);
  int index = startIndex;
  std::wstring path =
      pathtext::JoinPathArgs(stored, index, [unicodeMode](const std::wstring& p) { return FileExistsEx(p, unicodeMode); });
  return FullPathName(path);
}

bool SendFileListTo(HWND target, const std::wstring& list, bool wideApi) {
  COPYDATASTRUCT cds = {};
  cds.dwData = kFileListCopyDataId;
  DWORD_PTR answer = 0;
  if (wideApi) {
    cds.cbData = static_cast<DWORD>(list.size() * sizeof(wchar_t));
    cds.lpData = cds.cbData ? const_cast<wchar_t*>(list.data()) : nullptr;
    if (!SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG,
                             kHandOverTimeoutMs, &answer)) {
      answer = 0;  // timed out or hung: this copy opens the file itself
    }
  } else {
    std::string narrow = WideToCp932(list);
    cds.cbData = static_cast<DWORD>(narrow.size());
    cds.lpData = cds.cbData ? &narrow[0] : nullptr;
    if (!SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG,
                             kHandOverTimeoutMs, &answer)) {
      answer = 0;
    }
  }
  return answer == 1;
}

bool SendFilesToRunningCopy(const std::wstring& list, bool wideApi, const wchar_t* windowClass,
                            const wchar_t* windowText) {
  HWND target = FindWindowW(windowClass, windowText);
  if (!target) return false;
  return SendFileListTo(target, list, wideApi);
}

bool ConfirmSecondStart(const std::vector<std::wstring>& args, const wchar_t* windowClass, const wchar_t* windowText) {
  std::wstring text = std::wstring(L"「") + kApplicationTitle + L"」を、新たに起動しますか？";
  if (MessageBoxWide(text, L"多重起動の確認", MB_ICONQUESTION | MB_YESNO, nullptr) == IDYES) return false;
  std::wstring list = BuildHandOverList(args, WideApiMode);
  bool delivered = SendFilesToRunningCopy(list, WideApiMode, windowClass, windowText);
  const bool hadArguments = args.size() > 1;
  return hadArguments && delivered;
}

namespace {
MutexCalls g_mutexCalls;

HANDLE OpenNamedMutex(const wchar_t* name) {
  if (g_mutexCalls.open) return g_mutexCalls.open(name);
  return OpenMutexW(SYNCHRONIZE, FALSE, name);
}

HANDLE CreateNamedMutex(const wchar_t* name, DWORD* lastError) {
  if (g_mutexCalls.create) return g_mutexCalls.create(name, lastError);
  HANDLE h = CreateMutexW(nullptr, TRUE, name);
  *lastError = GetLastError();
  return h;
}
}  // namespace

MutexCalls SetMutexCalls(MutexCalls calls) {
  MutexCalls old = std::move(g_mutexCalls);
  g_mutexCalls = std::move(calls);
  return old;
}

StartDecision BeginSingleInstance(SingleInstanceGuard& guard, const std::vector<std::wstring>& args,
                                  const wchar_t* mutexName, const wchar_t* windowClass, const wchar_t* windowText) {
  guard = SingleInstanceGuard{};
  HANDLE h = OpenNamedMutex(mutexName);
  if (!h) {
    DWORD lastError = 0;
    h = CreateNamedMutex(mutexName, &lastError);
    if (!h) return StartDecision::Run;  // no single instance this time
    if (lastError != ERROR_ALREADY_EXISTS) {
      guard.mutex = h;
      guard.owner = true;
      return StartDecision::Run;
    }
    // Another copy created it a moment ago: this is a second start.
  }
  guard.mutex = h;
  guard.owner = false;
  WideApiMode = IsWideApiSystem();
  if (ConfirmSecondStart(args, windowClass, windowText)) {
    CloseHandle(guard.mutex);
    guard.mutex = nullptr;
    return StartDecision::Exit;
  }
  return StartDecision::Run;
}

void EndSingleInstance(SingleInstanceGuard& guard) {
  if (guard.owner && !ReleaseMutex(guard.mutex)) ShowMessageWide(L"所有権を解除 Error");
  if (guard.mutex && !CloseHandle(guard.mutex)) ShowMessageWide(L"CloseHandle Error");
  guard = SingleInstanceGuard{};
}

bool IsFileListCopyData(const COPYDATASTRUCT* cds) { return cds && cds->dwData == kFileListCopyDataId; }

std::wstring DecodeFileListCopyData(const COPYDATASTRUCT* cds) {
  if (!cds || !cds->lpData) return std::wstring();
  return std::wstring(static_cast<const wchar_t*>(cds->lpData), cds->cbData / 2);
}

LRESULT ReceiveFileListCopyData(const COPYDATASTRUCT* cds, bool canOpenNow,
                                const std::function<bool(const std::wstring&)>& takePath, HWND appWindow) {
  if (!canOpenNow) return 0;
  std::wstring first = pathtext::FirstListedPath(DecodeFileListCopyData(cds));
  if (first.empty() || !takePath || !takePath(first)) return 0;
  if (appWindow && IsIconic(appWindow)) OpenIcon(appWindow);
  return 1;
}
