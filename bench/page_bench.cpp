// Page display cost at the start, the middle and the end of a large file, and
// a backward line scan over a long stretch without line ends.
//
//   page_bench [folder] [size in MiB]
//
// Writes two files of the given size (default 1024 MiB) into the folder
// (default: the temporary folder): one of 80-byte lines, one without any line
// end. Prints microseconds per page display's file work against the bare
// reads of the same page (open, read 64 KiB at its start, close) in the same
// process, and the time of the long scan; each the median of five rounds with
// min and max (the lines "page us <where>: ...", "read us <where>: ..." and
// "scan seconds: ..." are read by bench/sections/page.sh). The files are left
// in the folder.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/FileOps.h"
#include "text/LineScan.h"
#include "text/PageText.h"
#include "viewer/FileAccess.h"

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

bool WriteFile(const std::wstring& path, int64_t size, bool lines) {
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  std::string block(1 << 20, 'x');
  if (lines) {
    for (size_t i = 0; i < block.size(); i += 80) {
      const std::string n = std::to_string(i / 80);
      block.replace(i, n.size(), n);
      if (i + 79 < block.size()) {
        block[i + 78] = '\r';
        block[i + 79] = '\n';
      }
    }
  }
  for (int64_t done = 0; done < size; done += static_cast<int64_t>(block.size())) {
    const DWORD n = static_cast<DWORD>(std::min<int64_t>(static_cast<int64_t>(block.size()), size - done));
    if (!fileops::WriteFully(f.get(), block.data(), n)) return false;
  }
  return true;
}

// The file work of one page display: size, open, line start, read, NUL
// units, cut, close.
size_t ShowPageOnce(const std::wstring& path, int64_t position, std::vector<uint8_t>& buf) {
  const int64_t size = GetFileSize64(path);
  HANDLE h = OpenForReading(path);
  if (h == INVALID_HANDLE_VALUE) return 0;
  linescan::ScanOptions opt;
  linescan::LineState st;
  const int64_t start = linescan::FindLineStartBack(FileReader(h), size, 0, position, opt, st);
  DWORD got = 0;
  SeekFile64(h, FILE_BEGIN, start);
  fileops::ReadFully(h, buf.data(), 64 * 1024, &got);
  pagetext::ShowNulsAsAt(buf.data(), got, 1, 1);
  const auto cut = pagetext::CutPageNarrow(buf.data(), got, 40);
  fileops::Files().Close(h);
  return cut.end;
}

// The same page's bytes and nothing else: open, read 64 KiB at its start, close.
size_t ReadPageOnce(const std::wstring& path, int64_t start, std::vector<uint8_t>& buf) {
  HANDLE h = OpenForReading(path);
  if (h == INVALID_HANDLE_VALUE) return 0;
  DWORD got = 0;
  SeekFile64(h, FILE_BEGIN, start);
  fileops::ReadFully(h, buf.data(), 64 * 1024, &got);
  fileops::Files().Close(h);
  return got;
}

// "median min max" of five figures.
void PrintFive(const char* what, double v[5]) {
  std::sort(v, v + 5);
  std::printf("%s: %.3f %.3f %.3f\n", what, v[2], v[0], v[4]);
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring folder;
  if (argc > 1) {
    std::string a = argv[1];
    folder.assign(a.begin(), a.end());
  } else {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    folder = tmp;
  }
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  const int64_t size = (argc > 2 ? std::atoll(argv[2]) : 1024) << 20;
  const std::wstring linesPath = folder + L"bench_lines.txt", flatPath = folder + L"bench_flat.txt";

  double t0 = Now();
  if (!WriteFile(linesPath, size, true) || !WriteFile(flatPath, size, false)) {
    std::printf("cannot write the files\n");
    return 1;
  }
  std::printf("wrote 2 x %lld MiB in %.2f s\n", static_cast<long long>(size >> 20), Now() - t0);

  std::vector<uint8_t> buf(2 * 64 * 1024 + 20);
  const int64_t offsets[] = {0, size / 2 + 17, size - 4096};
  const char* names[] = {"start", "middle", "end"};
  const int rounds = 500;
  for (int k = 0; k < 3; ++k) {
    ShowPageOnce(linesPath, offsets[k], buf);  // warm the cache
    // Where the page starts: the bare reads read from there.
    linescan::ScanOptions opt;
    linescan::LineState st;
    HANDLE hs = OpenForReading(linesPath);
    const int64_t start = linescan::FindLineStartBack(FileReader(hs), size, 0, offsets[k], opt, st);
    fileops::Files().Close(hs);
    double page[5], read[5];
    size_t shown = 0;
    for (int turn = 0; turn < 5; ++turn) {
      t0 = Now();
      shown = 0;
      for (int r = 0; r < rounds; ++r) shown += ShowPageOnce(linesPath, offsets[k], buf);
      page[turn] = (Now() - t0) * 1e6 / rounds;
      t0 = Now();
      for (int r = 0; r < rounds; ++r) ReadPageOnce(linesPath, start, buf);
      read[turn] = (Now() - t0) * 1e6 / rounds;
    }
    std::printf("page at %-6s (%12lld): %zu bytes shown\n", names[k], static_cast<long long>(offsets[k]),
                shown / rounds);
    PrintFive((std::string("page us ") + names[k]).c_str(), page);
    PrintFive((std::string("read us ") + names[k]).c_str(), read);
  }
  HANDLE h = OpenForReading(flatPath);
  linescan::ScanOptions opt;
  linescan::LineState st;
  double scan[5];
  for (int pass = 0; pass < 6; ++pass) {
    t0 = Now();
    const int64_t start = linescan::FindLineStartBack(FileReader(h), size, 0, size - 1, opt, st);
    const double seconds = Now() - t0;
    if (pass == 0)
      std::printf("backward scan over %lld MiB without line ends (first): %.3f s, line start %lld\n",
                  static_cast<long long>(size >> 20), seconds, static_cast<long long>(start));
    else
      scan[pass - 1] = seconds;
  }
  PrintFive("scan seconds", scan);
  t0 = Now();
  const int64_t fwd = linescan::FindLineStartForward(FileReader(h), size, 0, size, size - 32, 1, opt, st);
  std::printf("forward scan over %lld MiB without line ends: %.3f s, result %lld\n",
              static_cast<long long>(size >> 20), Now() - t0, static_cast<long long>(fwd));
  fileops::Files().Close(h);
  // Both files stay for bench/run.sh, which reads the same pages and scans the
  // same stretch with native tools and then removes them.
  return 0;
}
