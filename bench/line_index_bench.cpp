// The line-index build over a large cached file, through the engine alone and
// through the real main window (the build on its thread, its progress bar, its
// end taken over on the GUI thread), with the production chunk size: each the
// median of five runs with min and max, records checked against the line
// count written into the file.
//
//   line_index_bench [folder] [size in MiB]
//
// Writes "lines_<size>.txt" of CR LF lines of mixed length and
// "lines_<size>_utf16.txt", its UTF-16 form of the same size. Prints the lines
// "engine seconds: M MIN MAX" and "window seconds: M MIN MAX" (read by
// bench/sections/line_index.sh), then the switch-on and UTF-16 figures of
// the engine.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/bench_window.h"
#include "engine/LineIndex.h"
#include "framework/Application.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "framework/Thread.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"

namespace {

double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// One block of lines of 1 to 120 characters; the file repeats it. Returns
// the line ends in the whole file (a final partial block cut at a line end).
int64_t WriteLines(const std::wstring& path, int64_t size, bool wide) {
  std::string block;
  unsigned seed = 12345;
  int64_t blockLines = 0;
  while (block.size() < (1u << 20) - 200) {
    seed = seed * 1103515245u + 12345u;
    const size_t len = 1 + (seed >> 16) % 120;
    for (size_t i = 0; i < len; ++i) block += char('a' + (i + len) % 26);
    block += "\r\n";
    ++blockLines;
  }
  if (wide) {
    std::string w;
    for (char c : block) {
      w += c;
      w += '\0';
    }
    block = w;
  }
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return -1;
  int64_t lines = 0;
  for (int64_t done = 0; done + int64_t(block.size()) <= size; done += int64_t(block.size())) {
    if (!fileops::WriteFully(f.get(), block.data(), DWORD(block.size()))) return -1;
    lines += blockLines;
  }
  return lines;
}

struct Figure {
  bench::Five seconds;
  int64_t lines = -1;
};

Figure Measure(const std::wstring& path, int code, bool lone) {
  Figure f;
  const int64_t size = GetFileSize64(path);
  for (int run = 0; run < 5; ++run) {
    engine::CheckpointList out;
    engine::NullProgress none;
    engine::LineIndexOptions o;
    o.textCode = code;
    o.lone = lone;
    const double t0 = Now();
    const engine::LineIndexResult r = engine::BuildLineIndex(path, o, size, none, out);
    const double t = Now() - t0;
    if (r.cancelled || out.size() < 3) return Figure();
    f.seconds.Add(t);
    // The final record's lines: every line end but the file's last.
    f.lines = out[out.size() - 2].Lines + 1;
  }
  return f;
}

// The build as the user starts it in the window: from the start of the build
// to its records taken over on the GUI thread, the GUI thread serving its
// messages meanwhile.
Figure MeasureInWindow(TVastrelForm* form, const std::wstring& path) {
  Figure f;
  form->OpenFile(path);
  Application->ProcessMessages();
  for (int run = 0; run < 5; ++run) {
    form->ClearLineList();
    const double t0 = Now();
    form->StartLineCount(path);
    while (!form->LineThreadIdle) {
      CheckSynchronize();
      Application->ProcessMessages();
      if (!form->LineThreadIdle) MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    f.seconds.Add(Now() - t0);
    const engine::CheckpointList& l = *form->LineCheckpointList;
    if (l.size() < 3) return Figure();
    f.lines = l[l.size() - 2].Lines + 1;
  }
  return f;
}

// The reads alone, as the builder makes them (seek, 1 MiB plus 2 bytes).
double ReadOnly(const std::wstring& path) {
  double best = 1e9;
  std::string buf((1 << 20) + 2, '\0');
  for (int run = 0; run < 3; ++run) {
    fileops::File f;
    if (!f.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN))
      return 0;
    const double t0 = Now();
    int64_t pos = 0;
    for (;;) {
      DWORD got = 0;
      fileops::Files().Seek(f.get(), pos, FILE_BEGIN);
      if (!fileops::ReadFully(f.get(), &buf[0], DWORD(buf.size()), &got) || got < buf.size()) break;
      pos += 1 << 20;
    }
    best = std::min(best, Now() - t0);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring folder = L".";
  if (argc > 1) {
    std::string a = argv[1];
    folder.assign(a.begin(), a.end());
  }
  const int64_t mib = argc > 2 ? std::atoll(argv[2]) : 1024;
  const int64_t size = mib << 20;
  const std::wstring narrow = folder + L"\\lines_" + std::to_wstring(mib) + L".txt";
  const std::wstring wide = folder + L"\\lines_" + std::to_wstring(mib) + L"_utf16.txt";
  const int64_t lines = WriteLines(narrow, size, false);
  const int64_t wideLines = WriteLines(wide, size, true);
  if (lines < 0 || wideLines < 0) {
    std::printf("could not write the files\n");
    return 1;
  }
  // A first pass puts the files into the cache.
  Measure(narrow, 0, false);
  const double mb = double(GetFileSize64(narrow)) / 1e6;
  const double mbWide = double(GetFileSize64(wide)) / 1e6;
  const Figure off = Measure(narrow, 0, false);
  const Figure on = Measure(narrow, 0, true);
  const Figure utf16 = Measure(wide, 1, false);
  TVastrelForm* form = bench::StartMainWindow(folder + L"\\", IDNO);
  const Figure window = MeasureInWindow(form, narrow);
  form->Free();
  bool ok = true;
  auto line = [&](const char* what, const Figure& f, double size, int64_t want) {
    const bool right = f.lines == want;
    ok = ok && right;
    std::printf("%-26s %8.3f s (%.3f-%.3f) %9.1f MB/s  lines %lld %s\n", what, f.seconds.Median(), f.seconds.Min(),
                f.seconds.Max(), size / f.seconds.Median(), static_cast<long long>(f.lines),
                right ? "(checked)" : "(WRONG)");
  };
  std::printf("line index of %lld MiB, median of five (min-max)\n", static_cast<long long>(mib));
  line("engine, CR/LF switch off", off, mb, lines);
  line("engine, CR/LF switch on", on, mb, lines);
  line("engine, UTF-16", utf16, mbWide, wideLines);
  line("window, CR/LF switch off", window, mb, lines);
  std::printf("%-26s %8.3f s (the reads alone, best of three)\n", "reading", ReadOnly(narrow));
  std::printf("engine seconds: %.6f %.6f %.6f\n", off.seconds.Median(), off.seconds.Min(), off.seconds.Max());
  std::printf("window seconds: %.6f %.6f %.6f\n", window.seconds.Median(), window.seconds.Min(),
              window.seconds.Max());
  std::fflush(stdout);
  return ok ? 0 : 1;
}
