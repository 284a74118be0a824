// The whole-file converter over large cached files, with the production block
// size: Shift_JIS to UTF-8, UTF-8 to Shift_JIS and EUC-JP to UTF-16 through the
// engine, and Shift_JIS to UTF-8 through the real window; each the median of
// five runs with min and max.
//
//   convert_bench [folder] [size in MiB]
//
// Writes "conv_sjis_<size>.txt" of CR LF lines of ASCII, half-width kana and
// level-1 kanji, and its UTF-8 and EUC-JP forms ("conv_utf8_<size>.txt",
// "conv_euc_<size>.txt"); the outputs are "conv_out_utf8.txt",
// "conv_out_sjis.txt", "conv_out_utf16.txt" and "conv_out_window.txt". Prints
// the lines "<what> seconds: MEDIAN MIN MAX" read by bench/sections/convert.sh.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_window.h"
#include "engine/FileConverter.h"
#include "framework/Application.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "viewer/CodeConv.h"
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

bool WriteSjis(const std::wstring& path, int64_t size) {
  std::string block;
  unsigned seed = 4711;
  while (block.size() < (1u << 20) - 400) {
    seed = seed * 1103515245u + 12345u;
    const int len = 4 + (seed >> 16) % 60;
    for (int i = 0; i < len; ++i) {
      seed = seed * 1103515245u + 12345u;
      const unsigned r = (seed >> 16) % 10;
      if (r < 4) {
        block += char('a' + (seed >> 20) % 26);
      } else if (r < 5) {
        block += char(0xB1 + (seed >> 20) % 40);  // half-width kana
      } else {
        // A level-1 kanji: rows 16-47 (lead 0x88 from trail 0x9F, 0x89-0x97, 0x98 to 0x72).
        const unsigned lead = 0x89 + (seed >> 20) % 15;
        unsigned trail = 0x40 + (seed >> 8) % 0xBD;
        if (trail == 0x7F) trail = 0x80;
        block += char(lead);
        block += char(trail);
      }
    }
    block += "\r\n";
  }
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  for (int64_t done = 0; done + int64_t(block.size()) <= size; done += int64_t(block.size()))
    if (!fileops::WriteFully(f.get(), block.data(), DWORD(block.size()))) return false;
  return f.Close();
}

void Print(const char* what, const bench::Five& f) {
  std::printf("%s seconds: %.6f %.6f %.6f\n", what, f.Median(), f.Min(), f.Max());
}

// One conversion through the engine; false (and a line saying why) on failure.
bool Convert(const std::wstring& src, int from, const std::wstring& dst, int to, double* seconds) {
  DeleteFileW(dst.c_str());
  engine::ConvertRequest r;
  r.sourcePath = src;
  r.sourceCode = from;
  r.targetPath = dst;
  r.targetCode = to;
  Cp932Platform platform;
  engine::NullProgress none;
  const double t0 = Now();
  const engine::ConvertOutcome o = engine::ConvertFile(r, platform, none);
  *seconds = Now() - t0;
  if (o.status != engine::ConvertStatus::Done) {
    std::printf("conversion failed: status %d, error %lu, unconvertible %llu\n", int(o.status), o.error,
                (unsigned long long)o.unconvertibleCount);
    return false;
  }
  return true;
}

void ReadOnce(const std::wstring& path) {
  fileops::File f;
  f.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
  std::vector<char> buf(1 << 20);
  DWORD got = 0;
  while (fileops::ReadFully(f.get(), buf.data(), DWORD(buf.size()), &got) && got) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folderA = argc > 1 ? argv[1] : "Z:\\tmp";
  const int64_t mib = argc > 2 ? atoll(argv[2]) : 1024;
  const std::wstring folder = std::wstring(folderA.begin(), folderA.end()) + L"\\";
  const std::wstring n = std::to_wstring(mib);
  const std::wstring sjis = folder + L"conv_sjis_" + n + L".txt", utf8 = folder + L"conv_utf8_" + n + L".txt",
                     euc = folder + L"conv_euc_" + n + L".txt";
  const std::wstring outUtf8 = folder + L"conv_out_utf8.txt", outSjis = folder + L"conv_out_sjis.txt",
                     outUtf16 = folder + L"conv_out_utf16.txt", outWindow = folder + L"conv_out_window.txt";
  double t = 0;
  // The sources: Shift_JIS written here, UTF-8 and EUC-JP converted from it.
  if (!WriteSjis(sjis, mib << 20) || !Convert(sjis, engine::ccShiftJis, utf8, engine::ccUtf8, &t) ||
      !Convert(sjis, engine::ccShiftJis, euc, engine::ccEucJp, &t)) {
    std::printf("cannot write the sources\n");
    return 1;
  }
  struct Kind {
    const char* name;
    const std::wstring* src;
    int from;
    const std::wstring* dst;
    int to;
  } kinds[] = {{"engine sjis-utf8", &sjis, engine::ccShiftJis, &outUtf8, engine::ccUtf8},
               {"engine utf8-sjis", &utf8, engine::ccUtf8, &outSjis, engine::ccShiftJis},
               {"engine euc-utf16", &euc, engine::ccEucJp, &outUtf16, engine::ccUtf16}};
  for (const Kind& k : kinds) {
    ReadOnce(*k.src);  // cached for both converters
    bench::Five f;
    for (int run = 0; run < 5; ++run) {
      if (!Convert(*k.src, k.from, *k.dst, k.to, &t)) return 1;
      f.Add(t);
    }
    Print(k.name, f);
  }
  // Shift_JIS to UTF-8 through the window's command path: its progress bar,
  // abort button and message pump between blocks.
  TVastrelForm* form = bench::StartMainWindow(folder, IDNO);
  form->OpenFile(sjis);
  Application->ProcessMessages();
  bench::Five w;
  for (int run = 0; run < 5; ++run) {
    DeleteFileW(outWindow.c_str());
    const double t0 = Now();
    const bool done = form->ConvertFileCode(outWindow, engine::ccUtf8, false, 1);
    w.Add(Now() - t0);
    if (!done) {
      std::printf("the window's conversion failed\n");
      return 1;
    }
  }
  form->Free();
  Print("window sjis-utf8", w);
  return 0;
}
