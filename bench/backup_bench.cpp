// The backup copy of a cached file: engine::CopyFileReplacing against the
// same file, best of three. Usage: backup_bench <folder> <size MiB>.
// Prints "backup seconds: S" and the rate; bench/run.sh times cp on the same
// file in the same run and prints the ratio.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/FileCopy.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string folderA = argv[1];
  const long long mib = std::atoll(argv[2]);
  const std::wstring folder(folderA.begin(), folderA.end());
  const std::wstring source = folder + L"\\backup_" + std::to_wstring(mib) + L".txt";
  const std::wstring target = folder + L"\\backup_" + std::to_wstring(mib) + L"_copy.txt";
  const long long bytes = mib << 20;
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &a) ||
      ((static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow) != bytes) {
    HANDLE h = CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = (i % 80 == 79) ? '\n' : static_cast<char>('a' + i % 26);
    DWORD done = 0;
    for (long long k = 0; k < mib; ++k) WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &done, nullptr);
    CloseHandle(h);
  }
  engine::NullProgress sink;
  double best = 1e30;
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  for (int run = 0; run < 3; ++run) {
    QueryPerformanceCounter(&t0);
    const engine::CopyOutcome r = engine::CopyFileReplacing(source, target, sink);
    QueryPerformanceCounter(&t1);
    if (!r.done()) {
      std::printf("copy failed: step %d error %lu\n", static_cast<int>(r.step), r.error);
      return 1;
    }
    const double s = double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart);
    if (s < best) best = s;
  }
  DeleteFileW(target.c_str());
  std::printf("backup copy of %lld MiB: %.3f MB/s\n", mib, double(bytes) / 1e6 / best);
  std::printf("backup seconds: %.4f\n", best);
  return 0;
}
