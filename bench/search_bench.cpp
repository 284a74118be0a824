// Whole-file search speed in each of the codes, on the same text: mixed
// Japanese and ASCII lines, then on the last line an ASCII word and a
// hiragana word. Each case is searched to the end of the file (Find, then Find
// Next until nothing more is found), five times; the hits are counted.
//
//   search_bench <folder> <size in MiB> <code>
//     code: sjis, utf16le, utf16be, utf8, euc, jis. Writes "search_<code>.txt"
//     and, for each case, the searched bytes in that code to
//     "search_word_<code>_<case>.txt" (for grep -f). Prints one line per case:
//     "RESULT <code> <case> <median s> <min s> <max s> <hits>".
//   search_bench <folder> <size in MiB> window
//     The default search (case folded) of a Shift_JIS file through the real
//     main window (progress bar, abort button, messages pumped) against the
//     engine alone in the same process: "WINDOW <median s> <min> <max>" and
//     "ENGINE <median s> <min> <max>".
//
// Cases: exact_end / exact_absent (case and kana told apart), fold_end /
// fold_absent (case folded: the word typed in capitals), kana_end (the word
// typed in katakana, kana not told apart: the hiragana form is found).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/SearchScanner.h"
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

struct Stats {
  double median, min, max;
};
Stats Of(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return {t[t.size() / 2], t.front(), t.back()};
}

struct Code {
  const char* name;
  int code;
  bool bigEndian;
};
const Code kCodes[] = {{"sjis", engine::scSjis, false}, {"utf16le", engine::scUtf16, false},
                       {"utf16be", engine::scUtf16, true}, {"utf8", engine::scUtf8, false},
                       {"euc", engine::scEuc, false},      {"jis", engine::scJis, false}};

// A text in a code's bytes.
std::string Encode(CodeConv& conv, const std::wstring& text, const Code& c) {
  std::string sjis, out;
  switch (c.code) {
    case engine::scUtf16:
      for (wchar_t u : text) {
        out += static_cast<char>(c.bigEndian ? u >> 8 : u & 0xFF);
        out += static_cast<char>(c.bigEndian ? u & 0xFF : u >> 8);
      }
      return out;
    case engine::scUtf8:
      conv.WideToUtf8(text.c_str(), conv::ByteOrder::Little, &out);
      return out;
    default:
      break;
  }
  conv.WideToSjis(text.c_str(), conv::ByteOrder::Little, &sjis);
  if (c.code == engine::scEuc) conv.SjisToEuc(sjis.c_str(), &out);
  else if (c.code == engine::scJis) conv.SjisToJis(sjis.c_str(), &out);
  else out = sjis;
  return out;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  return fileops::WriteFully(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()));
}

const wchar_t* const kLines[] = {
    L"日本語の文章と ASCII text が混ざった行です。番号 12345\r\n",
    L"The quick brown fox jumps over the lazy dog, 今日は晴れ。\r\n",
    L"東京都千代田区 1-2-3 テスト用のデータ行、カタカナとひらがな\r\n",
    L"plain ascii line with some words: alpha beta gamma delta\r\n",
};
const wchar_t kTail[] = L"\r\nZephyrine かたかな終点\r\n";

// The lines repeated in whole lines up to size less the last line, then the last line.
bool WriteText(CodeConv& conv, const std::wstring& path, int64_t size, const Code& c, int64_t* written) {
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  std::string block;
  for (int i = 0; block.size() < (1u << 20); ++i) block += Encode(conv, kLines[i % 4], c);
  const std::string tail = Encode(conv, kTail, c);
  const int64_t body = size - static_cast<int64_t>(tail.size());
  // Whole blocks, then whole lines.
  int64_t done = 0;
  while (done + static_cast<int64_t>(block.size()) <= body) {
    if (!fileops::WriteFully(f.get(), block.data(), static_cast<DWORD>(block.size()))) return false;
    done += static_cast<int64_t>(block.size());
  }
  std::string rest;
  for (int i = 0;; ++i) {
    std::string line = Encode(conv, kLines[i % 4], c);
    if (done + static_cast<int64_t>(rest.size() + line.size()) > body) break;
    rest += line;
  }
  const std::string space = Encode(conv, L" ", c);
  while (done + static_cast<int64_t>(rest.size() + space.size()) <= body) rest += space;
  *written = done + static_cast<int64_t>(rest.size() + tail.size());
  return fileops::WriteFully(f.get(), (rest + tail).data(), static_cast<DWORD>(rest.size() + tail.size()));
}

struct Case {
  const char* name;
  const wchar_t* typed;  // what the user types
  const wchar_t* inFile; // the bytes grep looks for
  bool caseSensitive, kanaSensitive;
};
const Case kCases[] = {
    {"exact_end", L"Zephyrine", L"Zephyrine", true, true},
    {"exact_absent", L"Qxjvwzkq", L"Qxjvwzkq", true, true},
    {"fold_end", L"ZEPHYRINE", L"ZEPHYRINE", false, true},
    {"fold_absent", L"QXJVWZKQ", L"QXJVWZKQ", false, true},
    {"kana_end", L"カタカナ終点", L"かたかな終点", true, false},
};

std::string KanaSwap(CodeConv& conv, const std::string& sjis, engine::KanaDirection d) {
  std::wstring w;
  conv.SjisToWide(sjis.c_str(), conv::ByteOrder::Little, &w);
  for (wchar_t& c : w) {
    if (d == engine::KanaDirection::KataToHira && c >= 0x30A1 && c <= 0x30F3) c -= 0x60;
    else if (d == engine::KanaDirection::HiraToKata && c >= 0x3041 && c <= 0x3093) c += 0x60;
  }
  std::string out;
  conv.WideToSjis(w.c_str(), conv::ByteOrder::Little, &out);
  return out;
}

// Find, then Find Next to the end of the file; the number of hits.
int SearchToTheEnd(CodeConv& conv, const std::wstring& path, int64_t size, const Code& c,
                   const engine::SearchPatterns& p) {
  fileops::File f;
  f.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
  engine::SearchSpec spec;
  spec.code = c.code;
  spec.bigEndian = c.bigEndian;
  engine::NullProgress progress;
  int hits = 0;
  for (;;) {
    engine::SearchResult r = engine::SearchFileRange(f.get(), size, spec, p, conv, progress);
    if (r.outcome != engine::SearchOutcome::Found) break;
    ++hits;
    spec.start = r.offset + r.firstCharLength;
    spec.jisMode = r.jisMode;
  }
  return hits;
}

engine::SearchPatterns Patterns(CodeConv& conv, const Case& k) {
  const std::wstring w = k.typed;
  return engine::BuildSearchPatterns(conv.Cp932(), std::u16string(w.begin(), w.end()), k.caseSensitive,
                                     k.kanaSensitive, [&](const std::string& s, engine::KanaDirection d) {
                                       return KanaSwap(conv, s, d);
                                     });
}

int Codes(const std::wstring& folder, int64_t want, const Code& c) {
  CodeConv conv;
  const std::wstring name(c.name, c.name + std::strlen(c.name));
  const std::wstring path = folder + L"search_" + name + L".txt";
  int64_t size = 0;
  if (!WriteText(conv, path, want, c, &size)) {
    std::printf("cannot write %ls\n", path.c_str());
    return 1;
  }
  for (const Case& k : kCases) {
    const std::wstring caseName(k.name, k.name + std::strlen(k.name));
    WriteBytes(folder + L"search_word_" + name + L"_" + caseName + L".txt", Encode(conv, k.inFile, c) + "\n");
    const engine::SearchPatterns p = Patterns(conv, k);
    std::vector<double> times;
    int hits = 0;
    for (int run = 0; run < 5; ++run) {
      const double t0 = Now();
      hits = SearchToTheEnd(conv, path, size, c, p);
      times.push_back(Now() - t0);
    }
    const Stats s = Of(times);
    std::printf("RESULT %s %s %.4f %.4f %.4f %d\n", c.name, k.name, s.median, s.min, s.max, hits);
    std::fflush(stdout);
  }
  return 0;
}

// The default search through the window against the engine alone.
int Window(const std::wstring& folder, int64_t want) {
  CodeConv conv;
  const Code& c = kCodes[0];
  const std::wstring path = folder + L"search_window.txt";
  int64_t size = 0;
  if (!WriteText(conv, path, want, c, &size)) {
    std::printf("cannot write %ls\n", path.c_str());
    return 1;
  }
  SetMessageHandler([](const MessageRequest&) { return IDOK; });
  Application->Initialize();
  TVastrelForm::ProgramFolderOverride = folder;
  TVastrelForm::ArgumentsOverride = {L"Vastrel.exe"};
  TVastrelForm* form = NewForm<TVastrelForm>();
  form->Show();
  Application->ProcessMessages();
  form->OpenFile(path);
  Application->ProcessMessages();
  form->Settings.SearchCaseSensitive = false;
  form->Settings.SearchKanaSensitive = true;
  const Case& k = kCases[2];  // fold_end: the default search, the word at the end
  std::vector<double> window, alone;
  for (int run = 0; run < 5; ++run) {
    form->LastSelStart = 0;
    double t0 = Now();
    const int found = form->SearchFile(k.typed, false);
    window.push_back(Now() - t0);
    if (found != 1) std::printf("window: not found\n");
    Application->ProcessMessages();
    t0 = Now();
    fileops::File f;
    f.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    engine::SearchSpec spec;
    engine::NullProgress progress;
    engine::SearchResult r = engine::SearchFileRange(f.get(), size, spec, Patterns(conv, k), conv, progress);
    alone.push_back(Now() - t0);
    if (r.outcome != engine::SearchOutcome::Found) std::printf("engine: not found\n");
  }
  const Stats w = Of(window), e = Of(alone);
  std::printf("WINDOW %.4f %.4f %.4f\nENGINE %.4f %.4f %.4f\n", w.median, w.min, w.max, e.median, e.min, e.max);
  std::fflush(stdout);
  form->Free();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::printf("usage: search_bench <folder> <size in MiB> <code | window>\n");
    return 2;
  }
  std::wstring folder = argv[1];
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  const int64_t size = _wtoi64(argv[2]) << 20;
  const std::wstring what = argv[3];
  if (what == L"window") return Window(folder, size);
  for (const Code& c : kCodes)
    if (what == std::wstring(c.name, c.name + std::strlen(c.name))) return Codes(folder, size, c);
  std::printf("unknown code\n");
  return 2;
}
