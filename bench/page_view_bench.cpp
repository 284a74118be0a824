// The whole page display in the real main window (read, convert, cut, show
// in the view) at the start, the middle and the end of a large file, in
// Shift_JIS and in UTF-16: ms per page display, ms per page with its painting
// (what the user waits for), pages shown per second while Page Down is held,
// and the floor: a bare EDIT (no framework) of the view's style, size and font
// given the same page text the cheapest way found (several are measured, see
// Floor) and painted once (UpdateWindow of the EDIT). Each figure is the
// median of five turns with min and max; a turn's figure with painting, the
// program's and the floor's alike, is the dearest of the three positions (the lines "<code> painted ms: ...", "<code> floor ms: ..."
// and "<code> pages per second: ..." are read by bench/sections/page.sh). Also
// which windows paint after a page display and while Page Down is held, how
// often and for how long.
//
//   page_view_bench [folder] [size in MiB]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_window.h"
#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
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

// Ways to put a page text into an EDIT; each leaves the client area to be
// painted (the floor then paints it once). Measured under wine64 on the
// shared machine (load 4-8), the view's size and font, ms per page with its
// painting, Shift_JIS / UTF-16 page texts:
//   "settext"   one WM_SETTEXT: the control invalidates each line for the
//               old text and again for the new one, and redraws its scroll
//               bars on the way                                   24-31 ms
//   "redraw"    WM_SETREDRAW off on the EDIT, WM_SETTEXT, on, the client
//               invalidated                                        27-29 ms
//   "onerect"   the same with the formatting rectangle cut to one line
//               while the text is replaced, then set back          60-64 ms
//   "rectonly"  the formatting rectangle alone, drawing left on    ~70 ms
//   "parentoff" WM_SETREDRAW off on the parent window, the rectangle
//               cut to one line while the text is replaced, set back,
//               drawing on, the EDIT invalidated                  6.6-7.4 ms
//   "handle"    EM_SETHANDLE with a buffer of the program's own,
//               drawing off on the EDIT                            15-16 ms
//   "hidden"    the EDIT hidden, WM_SETTEXT, shown again           19-21 ms
// (Drawing switched off on the EDIT itself makes it lay out and draw
// again when it comes back on; off on the parent, the EDIT works as if
// shown but draws nothing.) Every way is measured in each run and the
// cheapest that leaves the whole text set and its client area to be
// painted is the floor.
enum FloorWay { kSetText, kRedraw, kOneRect, kRectOnly, kParentOff, kHandle, kHidden, kWays };
const char* const kWayNames[kWays] = {"settext", "redraw", "onerect", "rectonly", "parentoff", "handle", "hidden"};

// The formatting rectangle of `edit` cut to one line for a scope, then set
// back from the client area.
struct OneLine {
  HWND edit;
  RECT client;
  explicit OneLine(HWND e) : edit(e) {
    GetClientRect(edit, &client);
    RECT one = client;
    one.bottom = one.top + 1;
    SendMessageW(edit, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&one));
  }
  ~OneLine() { SendMessageW(edit, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&client)); }
};

void FloorSet(HWND edit, FloorWay way, const std::wstring& text) {
  const LPARAM t = reinterpret_cast<LPARAM>(text.c_str());
  switch (way) {
    case kSetText:
      SendMessageW(edit, WM_SETTEXT, 0, t);
      break;
    case kRedraw:
      SendMessageW(edit, WM_SETREDRAW, FALSE, 0);
      SendMessageW(edit, WM_SETTEXT, 0, t);
      SendMessageW(edit, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(edit, nullptr, TRUE);
      break;
    case kOneRect:
      SendMessageW(edit, WM_SETREDRAW, FALSE, 0);
      {
        const OneLine one(edit);
        SendMessageW(edit, WM_SETTEXT, 0, t);
      }
      SendMessageW(edit, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(edit, nullptr, TRUE);
      break;
    case kRectOnly: {
      const OneLine one(edit);
      SendMessageW(edit, WM_SETTEXT, 0, t);
      break;
    }
    case kParentOff: {
      const HWND parent = GetParent(edit);
      SendMessageW(parent, WM_SETREDRAW, FALSE, 0);
      {
        const OneLine one(edit);
        SendMessageW(edit, WM_SETTEXT, 0, t);
      }
      SendMessageW(parent, WM_SETREDRAW, TRUE, 0);
      RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
      break;
    }
    case kHandle: {
      const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
      HLOCAL mem = LocalAlloc(LMEM_MOVEABLE, bytes);
      if (!mem) break;
      memcpy(LocalLock(mem), text.c_str(), bytes);
      LocalUnlock(mem);
      const HLOCAL old = reinterpret_cast<HLOCAL>(SendMessageW(edit, EM_GETHANDLE, 0, 0));
      SendMessageW(edit, WM_SETREDRAW, FALSE, 0);
      SendMessageW(edit, EM_SETHANDLE, reinterpret_cast<WPARAM>(mem), 0);
      SendMessageW(edit, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(edit, nullptr, TRUE);
      if (old) LocalFree(old);
      break;
    }
    case kHidden:
      ShowWindow(edit, SW_HIDE);
      SendMessageW(edit, WM_SETTEXT, 0, t);
      ShowWindow(edit, SW_SHOWNA);
      break;
    default:
      break;
  }
}

// The floor: a plain parent window and an EDIT like `view`, given the page
// texts in turn each way and painted once (what waits in the parent too);
// ms per page over `rounds` pages for each way in `ms`. The texts must come
// out whole in the control, and all of its client area must be waiting to
// be painted, or the way does not count (a negative figure). The EDIT has the
// keyboard focus when the view has it (an EDIT with the focus moves its caret
// as its text is replaced, which costs as much again as a small part of the
// painting); the view gets it back at the end.
void Floor(HWND view, const std::wstring texts[2], int rounds, double ms[kWays], int only = -1) {
  const bool focused = GetFocus() == view;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = FloorParentProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"FloorParent";
  RegisterClassW(&wc);
  RECT vr;
  GetWindowRect(view, &vr);
  const int w = vr.right - vr.left, h = vr.bottom - vr.top;
  HWND parent = CreateWindowExW(0, L"FloorParent", L"floor", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                                w + 40, h + 60, nullptr, nullptr, wc.hInstance, nullptr);
  const DWORD style = static_cast<DWORD>(GetWindowLongW(view, GWL_STYLE)) | WS_VISIBLE;
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(view, GWL_EXSTYLE));
  for (int way = 0; way < kWays; ++way) {
    if (only >= 0 && way != only) {
      ms[way] = -1;
      continue;
    }
    HWND edit = CreateWindowExW(exStyle, L"EDIT", L"", style & ~WS_DISABLED, 0, 0, w, h, parent, nullptr,
                                wc.hInstance, nullptr);
    SendMessageW(edit, EM_LIMITTEXT, 0, 0);
    SendMessageW(edit, WM_SETFONT, SendMessageW(view, WM_GETFONT, 0, 0), TRUE);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(texts[1].c_str()));
    if (focused) SetFocus(edit);
    Drain();
    bool sound = !focused || GetFocus() == edit;
    RECT client;
    GetClientRect(edit, &client);
    const double t0 = Now();
    for (int r = 0; r < rounds; ++r) {
      FloorSet(edit, static_cast<FloorWay>(way), texts[r & 1]);
      if (r == 0) {
        RECT waiting;
        sound = GetUpdateRect(edit, &waiting, FALSE) && waiting.top <= client.top && waiting.left <= client.left &&
                waiting.right >= client.right &&
                GetWindowTextLengthW(edit) == static_cast<int>(texts[0].size());
      }
      UpdateWindow(edit);
      UpdateWindow(parent);
    }
    ms[way] = sound ? (Now() - t0) * 1e3 / rounds : -1;
    DestroyWindow(edit);
    Drain();
  }
  DestroyWindow(parent);
  if (focused) SetFocus(view);
  Drain();
}

// What the window shows beyond the view on a page display, alone: the two
// position panels of the status bar and the first line number, given texts
// of a page's length in turn and painted; ms per page over `rounds`.
double Beyond(TVastrelForm* form, int rounds) {
  const std::wstring positions[2] = {L"1,073,782,866", L"1,073,782,948"};
  const std::wstring sizes[2] = {L"1.00 GB", L"1.01 GB"};
  const std::wstring lines[2] = {L"13,107,201", L"13,107,202"};
  Drain();
  const double t0 = Now();
  for (int r = 0; r < rounds; ++r) {
    form->StatusBar1->Panel(1)->SetTextW(positions[r & 1]);
    form->StatusBar1->Panel(2)->SetTextW(sizes[r & 1]);
    form->Panel3->SetTextW(lines[r & 1]);
    Drain();
  }
  return (Now() - t0) * 1e3 / rounds;
}

// "median min max" of five figures.
void PrintFive(const char* code, const char* what, double v[5]) {
  std::sort(v, v + 5);
  std::printf("%s %s: %.3f %.3f %.3f\n", code, what, v[2], v[0], v[4]);
}

std::wstring ViewText(HWND view) {
  std::wstring t(static_cast<size_t>(GetWindowTextLengthW(view)) + 1, L'\0');
  t.resize(static_cast<size_t>(GetWindowTextW(view, &t[0], static_cast<int>(t.size()))));
  return t;
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
  TVastrelForm* form = bench::StartMainWindow(folder, IDOK);

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
    // turns, and each figure is the median of five turns with min and max.
    const int turns = 5, rounds = 20;
    double showMs[3][5], paintedMs[3][5], worstPainted[5], floorMs[5], pagesPerSecond[5], wayMs[kWays][5];
    int64_t pageStart[3] = {};
    const HWND view = form->IsWideView() ? form->CurrentPane : form->Memo1->Handle();
    int focusedTurns = 0;
    for (int turn = 0; turn < turns; ++turn) {
      worstPainted[turn] = 0;
      if (GetFocus() == view) ++focusedTurns;
      for (int k = 0; k < 3; ++k) {
        form->ShowPage(false, true, offsets[k]);
        Drain();
        double t0 = Now();
        for (int r = 0; r < rounds; ++r) form->ShowPage(false, true, offsets[k] + (r & 1) * 128);
        showMs[k][turn] = (Now() - t0) * 1e3 / rounds;
        Drain();
        t0 = Now();
        for (int r = 0; r < rounds; ++r) {
          form->ShowPage(false, true, offsets[k] + (r & 1) * 128);
          Drain();
        }
        paintedMs[k][turn] = (Now() - t0) * 1e3 / rounds;
        worstPainted[turn] = std::max(worstPainted[turn], paintedMs[k][turn]);
        pageStart[k] = form->MyTrackBar1->Position();
      }
      // The floor shows the pages' own texts, as the view holds them: every
      // way with the middle pages', then the cheapest way with the pages at
      // the start and at the end too; like the program's figure, the floor
      // of a turn is its dearest position.
      auto textsAt = [&](int k, std::wstring texts[2]) {
        for (int r = 0; r < 2; ++r) {
          form->ShowPage(false, true, offsets[k] + r * 128);
          Drain();
          texts[r] = ViewText(view);
        }
      };
      std::wstring texts[2];
      textsAt(1, texts);
      double ways[kWays];
      Floor(view, texts, rounds, ways);
      int best = -1;
      for (int way = 0; way < kWays; ++way) {
        wayMs[way][turn] = ways[way];
        if (ways[way] >= 0 && (best < 0 || ways[way] < ways[best])) best = way;
      }
      floorMs[turn] = best < 0 ? -1 : ways[best];
      for (int k : {0, 2}) {
        if (best < 0) break;
        textsAt(k, texts);
        double at[kWays];
        Floor(view, texts, rounds, at, best);
        floorMs[turn] = at[best] < 0 ? -1 : std::max(floorMs[turn], at[best]);
      }
    }
    for (int k = 0; k < 3; ++k) {
      std::sort(showMs[k], showMs[k] + 5);
      std::sort(paintedMs[k], paintedMs[k] + 5);
      std::printf("%-6s page at %-6s (%12lld): ShowPage %6.2f ms, with painting %6.2f ms (medians), page start %lld\n",
                  code, names[k], static_cast<long long>(offsets[k]), showMs[k][2], paintedMs[k][2],
                  static_cast<long long>(pageStart[k]));
    }
    for (int way = 0; way < kWays; ++way) {
      std::sort(wayMs[way], wayMs[way] + 5);
      std::printf("%-6s floor by %-8s %6.2f ms (median; negative: the way left text or paint undone)\n", code,
                  kWayNames[way], wayMs[way][2]);
    }
    std::printf("%-6s the view had the keyboard focus in %d of %d turns (the floor's EDIT has it when the view has)\n",
                code, focusedTurns, turns);
    PaintBreakdown(form, offsets[1], 50);
    std::printf("%-6s status panels and line number alone: %.2f ms per page\n", code, Beyond(form, 50));
    for (int turn = 0; turn < turns; ++turn) pagesPerSecond[turn] = HeldPageDown(form, 2.0);
    PrintFive(code, "painted ms", worstPainted);
    PrintFive(code, "floor ms", floorMs);
    PrintFive(code, "pages per second", pagesPerSecond);
    fileops::Files().Delete(path);
  }
  form->Free();
  return 0;
}
