// The whole page display in the real main window (read, convert, cut, show
// in the view) at the start, the middle and the end of a large file, in
// Shift_JIS and in UTF-16: ms per page display, ms per page with its painting,
// pages shown per second while Page Down is held, and the floor: a bare
// window (no framework) that reads 8 KB, converts it and sets it into an EDIT
// of the view's style, size and font with drawing off on its parent. Also
// which windows paint after a page display and while Page Down is held, how
// often and for how long.
//
//   page_view_bench [folder] [size in MiB]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "viewer/VastrelForm.h"

namespace {

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

bool Write(const std::wstring& path, int64_t size, bool wide) {
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  // One line of Japanese text, repeated: 40 characters and CR LF.
  const std::wstring line = L"ページ表示の速さを測るための行です。位置に関わらず同じ時間で表示されるはずです。\r\n";
  std::string unit;
  if (wide) {
    for (wchar_t c : line) {
      unit += static_cast<char>(c & 0xFF);
      unit += static_cast<char>(c >> 8);
    }
  } else {
    const int n = WideCharToMultiByte(932, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    unit.resize(static_cast<size_t>(n));
    WideCharToMultiByte(932, 0, line.c_str(), static_cast<int>(line.size()), &unit[0], n, nullptr, nullptr);
  }
  std::string block;
  if (wide) block = "\xFF\xFE";
  while (block.size() < (1u << 20)) block += unit;
  for (int64_t done = 0; done < size; done += static_cast<int64_t>(block.size())) {
    if (!fileops::WriteFully(f.get(), block.data(), static_cast<DWORD>(block.size()))) return false;
    if (wide && done == 0) block.erase(0, 2);
  }
  return true;
}

// Runs every waiting message, paints included, until the queue is empty.
void Drain() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

// The windows that paint, how often and for how long, per page shown.
struct PaintRow {
  HWND h;
  int count;
  double ms;
};

void CountPaint(std::vector<PaintRow>& rows, HWND h, double ms) {
  auto it = std::find_if(rows.begin(), rows.end(), [&](const PaintRow& x) { return x.h == h; });
  if (it == rows.end()) it = rows.insert(rows.end(), PaintRow{h, 0, 0});
  ++it->count;
  it->ms += ms;
}

void PrintPaints(const std::vector<PaintRow>& rows, double pages) {
  for (const PaintRow& x : rows) {
    wchar_t cls[64] = {};
    GetClassNameW(x.h, cls, 64);
    RECT rc = {};
    GetWindowRect(x.h, &rc);
    std::printf("  paints of %-20ls %4dx%-4d: %.2f per page, %.2f ms per page\n", cls,
                static_cast<int>(rc.right - rc.left), static_cast<int>(rc.bottom - rc.top), x.count / pages,
                x.ms / pages);
  }
}

// What paints after a page display, over `rounds` page displays at `at`.
void PaintBreakdown(TVastrelForm* form, int64_t at, int rounds) {
  std::vector<PaintRow> rows;
  for (int r = 0; r < rounds; ++r) {
    form->ShowPage(false, true, at + (r & 1) * 128);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      const double t0 = Now();
      TranslateMessage(&m);
      DispatchMessageW(&m);
      if (m.message == WM_PAINT) CountPaint(rows, m.hwnd, (Now() - t0) * 1e3);
    }
  }
  PrintPaints(rows, rounds);
}

LRESULT CALLBACK FloorParentProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

// The floor: a plain parent window and an EDIT like `view`; ms per 8 KB set
// (read, convert, set with drawing off on the parent, one redraw), without
// and with the painting, over `rounds` sets.
void Floor(HWND view, const std::wstring& path, bool wide, int64_t at, int rounds, double* setMs, double* paintedMs) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = FloorParentProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"FloorParent";
  RegisterClassW(&wc);
  RECT vr;
  GetWindowRect(view, &vr);
  const int w = vr.right - vr.left, h = vr.bottom - vr.top;
  HWND parent = CreateWindowExW(0, L"FloorParent", L"floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, w + 40, h + 60,
                                nullptr, nullptr, wc.hInstance, nullptr);
  const DWORD style = static_cast<DWORD>(GetWindowLongW(view, GWL_STYLE)) | WS_VISIBLE;
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(view, GWL_EXSTYLE));
  HWND edit = CreateWindowExW(exStyle, L"EDIT", L"", style & ~WS_DISABLED, 0, 0, w, h, parent, nullptr, wc.hInstance,
                              nullptr);
  SendMessageW(edit, EM_LIMITTEXT, 0, 0);
  SendMessageW(edit, WM_SETFONT, SendMessageW(view, WM_GETFONT, 0, 0), TRUE);
  Drain();
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  std::vector<char> raw(8192);
  std::vector<wchar_t> text(8192 + 1);
  auto once = [&](int r) {
    LARGE_INTEGER to;
    to.QuadPart = at + (r & 1) * 128;
    SetFilePointerEx(f, to, nullptr, FILE_BEGIN);
    DWORD got = 0;
    ReadFile(f, raw.data(), 8192, &got, nullptr);
    int n;
    if (wide) {
      n = static_cast<int>(got / 2);
      memcpy(text.data(), raw.data(), static_cast<size_t>(n) * 2);
    } else {
      n = MultiByteToWideChar(932, 0, raw.data(), static_cast<int>(got), text.data(), 8192);
    }
    text[static_cast<size_t>(n)] = 0;
    SendMessageW(parent, WM_SETREDRAW, FALSE, 0);
    SetWindowTextW(edit, text.data());
    SendMessageW(parent, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  };
  once(0);
  Drain();
  double t0 = Now();
  for (int r = 0; r < rounds; ++r) once(r);
  *setMs = (Now() - t0) * 1e3 / rounds;
  Drain();
  t0 = Now();
  for (int r = 0; r < rounds; ++r) {
    once(r);
    Drain();
  }
  *paintedMs = (Now() - t0) * 1e3 / rounds;
  CloseHandle(f);
  DestroyWindow(parent);
  Drain();
}

// Page Down held for `seconds`: one key-down, the step timers running, one
// key-up; the pages counted as the view paints a page it had not shown. Prints
// where the time goes: the steps (timer ticks), the painting, the waiting.
double HeldPageDown(TVastrelForm* form, double seconds) {
  form->ShowPage(false, true, 0);
  Drain();
  const HWND view = form->IsWideView() ? form->CurrentPane : form->Memo1->Handle();
  int64_t shown = form->MyTrackBar1->Position();
  int pages = 0, steps = 0;
  std::vector<PaintRow> rows;
  double stepMs = 0, paintMs = 0, otherMs = 0, waitMs = 0;
  SendMessageW(view, WM_KEYDOWN, VK_NEXT, 1);
  const double t0 = Now();
  while (Now() - t0 < seconds) {
    MSG m;
    double a = Now();
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
      waitMs += (Now() - a) * 1e3;
      continue;
    }
    a = Now();
    TranslateMessage(&m);
    DispatchMessageW(&m);
    const double ms = (Now() - a) * 1e3;
    if (m.message == WM_TIMER) {
      stepMs += ms;
      ++steps;
    } else if (m.message == WM_PAINT) {
      paintMs += ms;
      CountPaint(rows, m.hwnd, ms);
    } else {
      otherMs += ms;
    }
    if (m.message == WM_PAINT && m.hwnd == view && form->MyTrackBar1->Position() != shown) {
      shown = form->MyTrackBar1->Position();
      ++pages;
    }
  }
  const double elapsed = Now() - t0;
  SendMessageW(view, WM_KEYUP, VK_NEXT, 0xC0000001);
  Drain();
  const double n = pages > 0 ? pages : 1;
  std::printf("  held: %d timer steps, per page shown: step %.2f ms, painting %.2f ms, other %.2f ms, waiting %.2f ms\n",
              steps, stepMs / n, paintMs / n, otherMs / n, waitMs / n);
  PrintPaints(rows, n);
  return pages / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring folder = L"Z:\\dev\\shm\\";
  if (argc > 1) {
    std::string a = argv[1];
    folder.assign(a.begin(), a.end());
    if (folder.back() != L'\\') folder += L'\\';
  }
  const int64_t size = (argc > 2 ? std::atoll(argv[2]) : 2048) << 20;
  SetMessageHandler([](const MessageRequest&) { return IDOK; });
  Application->Initialize();
  TVastrelForm::ProgramFolderOverride = folder;
  TVastrelForm::ArgumentsOverride = {L"Vastrel.exe"};
  TVastrelForm* form = NewForm<TVastrelForm>();
  form->Show();
  Application->ProcessMessages();

  for (bool wide : {false, true}) {
    const std::wstring path = folder + (wide ? L"bench_view_utf16.txt" : L"bench_view_sjis.txt");
    if (!Write(path, size, wide)) {
      std::printf("cannot write %ls\n", path.c_str());
      return 1;
    }
    form->OpenFile(path);
    Drain();
    const char* code = wide ? "UTF-16" : "SJIS";
    const int64_t real = form->RealFileSize;
    const int64_t offsets[] = {0, real / 2 + 33, real - 8192};
    const char* names[] = {"start", "middle", "end"};
    // The machine may be shared: the positions and the floor are measured in
    // turns, several times over, and each figure is the best of its turns.
    const int turns = 7, rounds = 20;
    double showMs[3], paintedMs[3], floorMs = 1e9, floorPaintedMs = 1e9;
    std::fill(showMs, showMs + 3, 1e9);
    std::fill(paintedMs, paintedMs + 3, 1e9);
    int64_t pageStart[3] = {};
    const HWND view = form->IsWideView() ? form->CurrentPane : form->Memo1->Handle();
    for (int turn = 0; turn < turns; ++turn) {
      for (int k = 0; k < 3; ++k) {
        form->ShowPage(false, true, offsets[k]);
        Drain();
        double t0 = Now();
        for (int r = 0; r < rounds; ++r) form->ShowPage(false, true, offsets[k] + (r & 1) * 128);
        showMs[k] = std::min(showMs[k], (Now() - t0) * 1e3 / rounds);
        Drain();
        t0 = Now();
        for (int r = 0; r < rounds; ++r) {
          form->ShowPage(false, true, offsets[k] + (r & 1) * 128);
          Drain();
        }
        paintedMs[k] = std::min(paintedMs[k], (Now() - t0) * 1e3 / rounds);
        pageStart[k] = form->MyTrackBar1->Position();
      }
      // The floor reads from the middle page's start: whole characters.
      double set = 0, painted = 0;
      Floor(view, path, wide, pageStart[1], rounds, &set, &painted);
      floorMs = std::min(floorMs, set);
      floorPaintedMs = std::min(floorPaintedMs, painted);
    }
    for (int k = 0; k < 3; ++k) {
      std::printf("%-6s page at %-6s (%12lld): ShowPage %6.2f ms, with painting %6.2f ms, page start %lld\n", code,
                  names[k], static_cast<long long>(offsets[k]), showMs[k], paintedMs[k],
                  static_cast<long long>(pageStart[k]));
    }
    std::printf("%-6s floor (bare EDIT, drawing off on its parent): %6.2f ms, with painting %6.2f ms\n", code, floorMs,
                floorPaintedMs);
    std::printf("  (each the best of %d turns of %d page displays)\n", turns, rounds);
    PaintBreakdown(form, offsets[1], 50);
    const double worst = *std::max_element(showMs, showMs + 3);
    std::printf("%-6s ShowPage (worst of start/middle/end) / floor: %.2f (goal <= 1.5, ShowPage <= 15 ms); end/start: %.2f (goal <= 1.1)\n",
                code, worst / floorMs, showMs[2] / showMs[0]);
    std::printf("%-6s Page Down held 5 s: %.1f pages/s (goal >= 40)\n", code, HeldPageDown(form, 5.0));
    fileops::Files().Delete(path);
  }
  form->Free();
  return 0;
}
