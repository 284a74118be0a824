// A stand-in for the help viewer: appends its command line and every
// WM_COPYDATA payload it receives to Brevint.log beside itself (UTF-8 lines),
// and shows a window of the viewer's class, owned by its main window, until
// that window is closed (or 60 seconds pass).
#include <windows.h>

#include <string>

namespace {
std::wstring g_log;
HWND g_main = nullptr;

void Append(const std::string& line) {
  HANDLE h = CreateFileW(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD n = 0;
  const std::string text = line + "\n";
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  CloseHandle(h);
}

std::string Utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

LRESULT CALLBACK HelpProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COPYDATA: {
      auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      const std::string bytes(static_cast<const char*>(cds->lpData), cds->cbData);
      // Code page 932 bytes: shown as UTF-16 through that code page.
      const int n = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
      std::wstring w(n, L'\0');
      MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), &w[0], n);
      Append("copydata " + std::to_string(cds->dwData) + " " + std::to_string(cds->cbData) + " " + Utf8(w));
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow(g_main);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(h, msg, wp, lp);
  }
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  wchar_t module[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH * 2);
  g_log = module;
  g_log = g_log.substr(0, g_log.find_last_of(L'\\') + 1) + L"Brevint.log";
  Append("start " + Utf8(GetCommandLineW()));

  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"BrevintMain";
  RegisterClassW(&wc);
  wc.lpfnWndProc = HelpProc;
  wc.lpszClassName = L"TOrvikHelpDlg";
  RegisterClassW(&wc);
  g_main = CreateWindowExW(0, L"BrevintMain", L"Brevint", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                           instance, nullptr);
  CreateWindowExW(0, L"TOrvikHelpDlg", L"Help", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, g_main, nullptr,
                  instance, nullptr);
  SetTimer(nullptr, 0, 60000, nullptr);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_TIMER && m.hwnd == nullptr) break;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return 0;
}
