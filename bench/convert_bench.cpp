// The whole-file converter over a large cached Shift_JIS file into UTF-8,
// with the production block size, megabytes per second.
//
//   convert_bench [folder] [size in MiB]
//
// Writes (once, kept for later runs) "conv_sjis_<size>.txt" of CR LF lines of
// ASCII, half-width kana and level-1 kanji, reads it once to cache it, then
// converts it to "conv_utf8_<size>.txt" in the same folder. Prints the seconds
// (the line "convert seconds: ..." is read by bench/run.sh) and MB/s.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/FileConverter.h"
#include "framework/FileOps.h"
#include "viewer/CodeConv.h"

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

}  // namespace

int main(int argc, char** argv) {
  const std::string folderA = argc > 1 ? argv[1] : "Z:\\tmp";
  const int64_t mib = argc > 2 ? atoll(argv[2]) : 1024;
  const std::wstring folder(folderA.begin(), folderA.end());
  const std::wstring src = folder + L"\\conv_sjis_" + std::to_wstring(mib) + L".txt";
  const std::wstring dst = folder + L"\\conv_utf8_" + std::to_wstring(mib) + L".txt";
  if (GetFileAttributesW(src.c_str()) == INVALID_FILE_ATTRIBUTES && !WriteSjis(src, mib << 20)) {
    std::printf("cannot write the source\n");
    return 1;
  }
  {  // read once: the file is cached for both converters
    fileops::File f;
    f.Open(src, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    std::vector<char> buf(1 << 20);
    DWORD got = 0;
    while (fileops::ReadFully(f.get(), buf.data(), DWORD(buf.size()), &got) && got) {
    }
  }
  DeleteFileW(dst.c_str());
  engine::ConvertRequest r;
  r.sourcePath = src;
  r.sourceCode = engine::ccShiftJis;
  r.targetPath = dst;
  r.targetCode = engine::ccUtf8;
  Cp932Platform platform;
  engine::NullProgress none;
  const double t0 = Now();
  const engine::ConvertOutcome o = engine::ConvertFile(r, platform, none);
  const double t = Now() - t0;
  if (o.status != engine::ConvertStatus::Done) {
    std::printf("conversion failed: status %d, error %lu, unconvertible %llu\n", int(o.status), o.error,
                (unsigned long long)o.unconvertibleCount);
    return 1;
  }
  std::printf("convert seconds: %.3f\n", t);
  std::printf("engine Shift_JIS -> UTF-8: %.1f MB/s (%lld MiB)\n", double(mib << 20) / 1e6 / t, (long long)mib);
  return 0;
}
