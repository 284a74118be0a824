// The backup copy of a cached file: engine::CopyFileReplacing to a new file,
// five runs. Usage: backup_bench <folder> <size MiB>.
// Prints "backup seconds: MEDIAN MIN MAX" and the rate; bench/sections/backup.sh
// times cp making the same new file in the same run and adds the ratio.
#include <windows.h>

#include <algorithm>
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
  double seconds[5];
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  for (int run = 0; run < 5; ++run) {
    DeleteFileW(target.c_str());  // each copy makes a new file, as a backup does
    QueryPerformanceCounter(&t0);
    const engine::CopyOutcome r = engine::CopyFileReplacing(source, target, sink);
    QueryPerformanceCounter(&t1);
    if (!r.done()) {
      std::printf("copy failed: step %d error %lu\n", static_cast<int>(r.step), r.error);
      return 1;
    }
    seconds[run] = double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart);
  }
  DeleteFileW(target.c_str());
  std::sort(seconds, seconds + 5);
  std::printf("backup copy of %lld MiB: %.3f MB/s (median of five)\n", mib, double(bytes) / 1e6 / seconds[2]);
  std::printf("backup seconds: %.4f %.4f %.4f\n", seconds[2], seconds[0], seconds[4]);
  return 0;
}
