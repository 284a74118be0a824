// Whole-file search speed on a large Shift_JIS file of mixed Japanese and
// ASCII lines: an ASCII word and a Japanese word, each at the end and absent,
// with case and kana told apart, and the default case-insensitive search.
//
//   search_bench [folder] [size in MiB]
//
// Writes the file (default 1024 MiB) and, for a byte-for-byte comparison with
// other tools, each searched word in Shift_JIS to "search_word_<name>.txt" in
// the folder. Prints one line per case: "RESULT <name> <MB/s> <found>".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/SearchScanner.h"
#include "framework/Cp932.h"
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

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  return fileops::WriteFully(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()));
}

// Mixed lines, then the two words on the last line.
bool WriteFile(const std::wstring& path, int64_t size, const std::string& tail) {
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  const char* const lines[] = {
      "日本語の文章と ASCII text が混ざった行です。番号 12345\r\n",
      "The quick brown fox jumps over the lazy dog, 今日は晴れ。\r\n",
      "東京都千代田区 1-2-3 テスト用のデータ行、カタカナとひらがな\r\n",
      "plain ascii line with some words: alpha beta gamma delta\r\n",
  };
  std::string block;
  for (int i = 0; block.size() < (1u << 20); ++i) block += Cp932FromUtf8(lines[i % 4]);
  block.resize(1u << 20);
  int64_t done = 0;
  const int64_t body = size - static_cast<int64_t>(tail.size());
  while (done < body) {
    const DWORD n = static_cast<DWORD>(std::min<int64_t>(static_cast<int64_t>(block.size()), body - done));
    if (!fileops::WriteFully(f.get(), block.data(), n)) return false;
    done += n;
  }
  return fileops::WriteFully(f.get(), tail.data(), static_cast<DWORD>(tail.size()));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring folder = argc > 1 ? argv[1] : L".";
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  const int64_t size = (argc > 2 ? _wtoi64(argv[2]) : 1024) << 20;
  const std::wstring path = folder + L"search_bench.txt";
  const std::string asciiWord = "Zephyrine", japaneseWord = Cp932FromUtf8("検索終点語");
  if (!WriteFile(path, size, "\r\n" + asciiWord + " " + japaneseWord + "\r\n")) {
    std::printf("cannot write %ls\n", path.c_str());
    return 1;
  }
  struct Case {
    const char* name;
    std::string word;  // Shift_JIS
    bool caseSensitive, kanaSensitive;
  } cases[] = {
      {"ascii_end", asciiWord, true, true},
      {"japanese_end", japaneseWord, true, true},
      {"ascii_absent", "Qxjvwzkq", true, true},
      {"japanese_absent", Cp932FromUtf8("存在しない語"), true, true},
      {"ascii_end_default", asciiWord, false, true},
  };
  CodeConv conv;
  for (const Case& c : cases) {
    WriteBytes(folder + L"search_word_" + std::wstring(c.name, c.name + strlen(c.name)) + L".txt", c.word + "\n");
    const std::wstring w = Cp932ToWide(c.word);
    engine::SearchPatterns p = engine::BuildSearchPatterns(conv.Cp932(), std::u16string(w.begin(), w.end()),
                                                           c.caseSensitive, c.kanaSensitive, nullptr);
    fileops::File f;
    f.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    engine::SearchSpec spec;
    engine::NullProgress progress;
    const double t0 = Now();
    engine::SearchResult r = engine::SearchFileRange(f.get(), size, spec, p, conv, progress);
    const double t = Now() - t0;
    std::printf("RESULT %s %.0f %s\n", c.name, static_cast<double>(size) / (1 << 20) / t,
                r.outcome == engine::SearchOutcome::Found ? "found" : "absent");
    std::fflush(stdout);
  }
  return 0;
}
