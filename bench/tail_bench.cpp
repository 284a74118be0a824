// The tail mover on a large file: 2 bytes inserted at offset 0 and then
// deleted again, through the engine with the block size the window uses and a
// progress sink that lets pending messages run after each block, as the main
// window's does; with the journal (in a folder beside the file) or without.
// Prints the seconds of the two moves, and checks that the file ends
// byte-identical to how it started.
//
//   tail_bench make FOLDER MIB       writes the file
//   tail_bench plain|journal FOLDER MIB
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/TailMover.h"
#include "framework/Application.h"
#include "framework/FileOps.h"
#include "viewer/WorkProgress.h"

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

// The bytes of block k (1 MiB each): different in every block and position.
void FillBlock(std::vector<char>& b, int64_t k) {
  uint32_t x = 0x9E3779B9u ^ static_cast<uint32_t>(k * 2654435761u);
  for (size_t i = 0; i < b.size(); i += 4) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    memcpy(&b[i], &x, 4);
  }
}

bool Make(const std::wstring& path, int64_t blocks) {
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  std::vector<char> b(1 << 20);
  for (int64_t k = 0; k < blocks; ++k) {
    FillBlock(b, k);
    if (!fileops::WriteFully(f.get(), b.data(), static_cast<DWORD>(b.size()))) return false;
  }
  return f.Close();
}

bool Same(HANDLE h, int64_t blocks) {
  if (fileops::Files().Size(h) != blocks << 20) return false;
  if (fileops::Files().Seek(h, 0, FILE_BEGIN) != 0) return false;
  std::vector<char> want(1 << 20), got(1 << 20);
  for (int64_t k = 0; k < blocks; ++k) {
    FillBlock(want, k);
    DWORD n = 0;
    if (!fileops::ReadFully(h, got.data(), static_cast<DWORD>(got.size()), &n) || n != got.size()) return false;
    if (want != got) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Application->Initialize();
  if (argc < 4) {
    std::printf("usage: tail_bench make|plain|journal FOLDER MIB\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string a = argv[2];
  const std::wstring folder(a.begin(), a.end());
  const int64_t mib = _atoi64(argv[3]);
  const std::wstring path = folder + L"\\tail_" + std::to_wstring(mib) + L".bin";
  if (mode == "make") {
    if (!Make(path, mib)) {
      std::printf("cannot write the file\n");
      return 1;
    }
    return 0;
  }
  fileops::File f;
  if (!f.Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
              FILE_FLAG_RANDOM_ACCESS)) {
    std::printf("cannot open the file\n");
    return 1;
  }
  bool stop = false;
  vastrel::WorkProgress sink(nullptr, stop);  // pumps messages by time
  engine::TailMoveOptions options;
  options.tempFolder = folder + L"\\";
  if (mode == "journal") {
    // The journal beside the file, on the same file system as the move.
    options.journalFolder = folder + L"\\journal";
    CreateDirectoryW(options.journalFolder.c_str(), nullptr);
    options.filePath = path;
  }
  const double mb = static_cast<double>(mib) * 1048576.0 / 1e6;

  double t0 = Now();
  const engine::TailMoveOutcome in = engine::ReplaceRange(f.get(), 0, 0, "\r\n", 2, sink, options);
  const double insertSeconds = Now() - t0;
  t0 = Now();
  const engine::TailMoveOutcome out = engine::ReplaceRange(f.get(), 0, 2, nullptr, 0, sink, options);
  const double deleteSeconds = Now() - t0;
  if (!in.done() || !out.done()) {
    std::printf("the move failed (error %lu / %lu)\n", in.error, out.error);
    return 1;
  }
  const bool same = Same(f.get(), mib);
  std::printf("%s: insert 2 bytes at 0: %.3f s, %.1f MB/s; delete them again: %.3f s, %.1f MB/s; file byte-identical: %s\n",
              mode.c_str(), insertSeconds, mb / insertSeconds, deleteSeconds, mb / deleteSeconds, same ? "yes" : "NO");
  std::printf("seconds: %.4f\n", insertSeconds + deleteSeconds);
  return same ? 0 : 1;
}
