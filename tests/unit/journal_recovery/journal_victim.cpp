// A small program that runs one real in-place operation through the engine on
// a real file, with its journal, and ends its own process abruptly at a chosen
// step (TerminateProcess of itself), as a crash or a kill would end the
// program; or, run again, recovers from the journal in a fresh process.
//
//   journal_victim run FOLDER OP START OLD NEW BLOCK SEGMENT KILLAT MODE STOPAT
//     OP      move: bytes [START, START + OLD) of FOLDER\f.bin become NEW bytes;
//             convert: FOLDER\f.bin (Shift_JIS) converted to UTF-8 in place;
//             copy: FOLDER\b.bin copied over FOLDER\f.bin (the undo's copy).
//     KILLAT  the 1-based count of changing file calls (write, cut, flush,
//             rename, delete) at which the process ends; 0 never.
//     MODE    before: ends before that call; torn: a write reaches the file
//             half, then the end; lost: every write since the file's last
//             flush is dropped first (a power cut with a disk cache that is lost).
//     STOPAT  the progress sink asks to stop at this question (0 never), so
//             that the kill can fall into the rollback.
//   Exit codes: 0 the operation ran to its end, 77 ended at KILLAT.
//
//   journal_victim recover FOLDER
//     Runs the recovery on FOLDER\j; exit code: 10 + the result of the one
//     report (Original 10, Finished 11, NotTouched 12, Unreadable 13, Damaged
//     14), 9 when there was no journal, 8 for more than one.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/FileConverter.h"
#include "engine/FileCopy.h"
#include "engine/Journal.h"
#include "engine/TailMover.h"
#include "framework/FileOps.h"
#include "support/journal_support.h"
#include "viewer/CodeConv.h"

namespace {

using testsupport::Pattern;

enum class Mode { Before, Torn, Lost };

// Passes every call to the system, counts the calls that change a file and
// ends the process at the chosen one.
class KillFiles : public fileops::FileOps {
 public:
  KillFiles(int killAt, Mode mode) : killAt_(killAt), mode_(mode) {}
  // Every flush takes a few milliseconds, as on a disk.
  bool slowFlush = false;
  DWORD largestJournalWrite = 0;

  HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
    HANDLE h = sys().Open(path, access, share, disposition, flags);
    if (h != INVALID_HANDLE_VALUE) paths_[h] = path;
    return h;
  }
  bool Read(HANDLE h, void* buf, DWORD len, DWORD* done) override { return sys().Read(h, buf, len, done); }
  bool Write(HANDLE h, const void* buf, DWORD len, DWORD* done) override {
    if (Count(true)) {
      DWORD n = 0;
      sys().Write(h, buf, len / 2, &n);
      End();
    }
    Remember(h, sys().Seek(h, 0, FILE_CURRENT), len);
    auto p = paths_.find(h);
    if (p != paths_.end() && p->second.find(L".journal") != std::wstring::npos) largestJournalWrite = std::max(largestJournalWrite, len);
    return sys().Write(h, buf, len, done);
  }
  int64_t Seek(HANDLE h, int64_t distance, DWORD method) override { return sys().Seek(h, distance, method); }
  int64_t Size(HANDLE h) override { return sys().Size(h); }
  bool SetEnd(HANDLE h) override {
    Count();
    const int64_t at = sys().Seek(h, 0, FILE_CURRENT);
    const int64_t size = sys().Size(h);
    if (at < size) Remember(h, at, static_cast<DWORD>(size - at));
    RememberSize(h, size);
    return sys().SetEnd(h);
  }
  bool Flush(HANDLE h) override {
    Count();
    // What was written to this file so far is safe now.
    auto p = paths_.find(h);
    if (p != paths_.end()) {
      std::vector<Undo> keep;
      for (auto& u : undo_)
        if (!SamePath(u.path, p->second)) keep.push_back(u);
      undo_.swap(keep);
    }
    if (slowFlush) Sleep(3);
    return sys().Flush(h);
  }
  bool Close(HANDLE h) override {
    // Writes still to be dropped go through the path from now on.
    for (auto& u : undo_)
      if (u.h == h) u.h = INVALID_HANDLE_VALUE;
    paths_.erase(h);
    return sys().Close(h);
  }
  bool FindFirst(const std::wstring& path, WIN32_FIND_DATAW* found) override { return sys().FindFirst(path, found); }
  bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override {
    Count();
    return sys().Copy(from, to, failIfExists);
  }
  bool Move(const std::wstring& from, const std::wstring& to) override {
    Count();
    return sys().Move(from, to);
  }
  bool Delete(const std::wstring& path) override {
    Count();
    return sys().Delete(path);
  }
  bool Replace(const std::wstring& from, const std::wstring& to) override {
    Count();
    return sys().Replace(from, to);
  }
  bool Identity(HANDLE h, uint64_t* volume, uint64_t* index) override { return sys().Identity(h, volume, index); }
  bool Information(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) override { return sys().Information(h, info); }

 private:
  // The bytes (or the size) a dropped write puts back.
  struct Undo {
    std::wstring path;
    HANDLE h;
    bool size;
    int64_t at;
    std::string bytes;
  };
  static fileops::FileOps& sys() { return fileops::SystemFiles(); }
  static bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
  }

  // True when this is the chosen call and a write to be torn (the caller
  // writes half and ends); any other chosen call ends here.
  bool Count(bool write = false) {
    if (++calls_ != killAt_) return false;
    if (mode_ == Mode::Torn && write) return true;
    End();
  }
  [[noreturn]] void End() {
    if (mode_ == Mode::Lost) DropUnflushed();
    TerminateProcess(GetCurrentProcess(), 77);
    for (;;) Sleep(1000);
  }

  void Remember(HANDLE h, int64_t at, DWORD len) {
    if (mode_ != Mode::Lost || at < 0) return;
    Undo u{PathOf(h), h, false, at, std::string()};
    const int64_t size = sys().Size(h);
    if (at < size) {
      u.bytes.resize(static_cast<size_t>(std::min<int64_t>(len, size - at)));
      DWORD got = 0;
      sys().Seek(h, at, FILE_BEGIN);
      sys().Read(h, &u.bytes[0], static_cast<DWORD>(u.bytes.size()), &got);
      u.bytes.resize(got);
      sys().Seek(h, at, FILE_BEGIN);
    }
    undo_.push_back(u);
    RememberSize(h, size);
  }
  void RememberSize(HANDLE h, int64_t size) {
    if (mode_ != Mode::Lost) return;
    undo_.push_back(Undo{PathOf(h), h, true, size, std::string()});
  }
  std::wstring PathOf(HANDLE h) {
    auto p = paths_.find(h);
    return p == paths_.end() ? std::wstring() : p->second;
  }

  // Every write since each file's last flush, undone newest first.
  void DropUnflushed() {
    for (auto u = undo_.rbegin(); u != undo_.rend(); ++u) {
      HANDLE h = u->h;
      bool own = false;
      if (h == INVALID_HANDLE_VALUE) {
        h = CreateFileW(u->path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;  // gone (a rename or deletion is kept)
        own = true;
      }
      if (u->size) {
        if (sys().Size(h) > u->at) {
          sys().Seek(h, u->at, FILE_BEGIN);
          sys().SetEnd(h);
        }
      } else if (!u->bytes.empty()) {
        DWORD n = 0;
        sys().Seek(h, u->at, FILE_BEGIN);
        sys().Write(h, u->bytes.data(), static_cast<DWORD>(u->bytes.size()), &n);
      }
      if (own) CloseHandle(h);
    }
  }

  int killAt_;
  Mode mode_;
  int calls_ = 0;
  std::map<HANDLE, std::wstring> paths_;
  std::vector<Undo> undo_;
};

class StopAt : public engine::ProgressSink {
 public:
  explicit StopAt(int n) : n_(n) {}
  void SetMaximum(int64_t) override {}
  void Step(int64_t) override {}
  bool ShouldStop() override { return ++asked_ == n_; }

 private:
  int n_, asked_ = 0;
};

std::wstring Wide(const char* s) {
  std::wstring w;
  while (*s) w += static_cast<wchar_t>(static_cast<unsigned char>(*s++));
  return w;
}

int Run(char** argv) {
  const std::wstring folder = Wide(argv[2]);
  const std::string op = argv[3];
  const int64_t start = _atoi64(argv[4]), old = _atoi64(argv[5]), added = _atoi64(argv[6]);
  // The segment, or "first:largest" for segments that may grow (flushes then slow).
  const uint32_t block = static_cast<uint32_t>(_atoi64(argv[7])), segment = static_cast<uint32_t>(_atoi64(argv[8]));
  const char* colon = std::strchr(argv[8], ':');
  const uint32_t segmentMax = colon ? static_cast<uint32_t>(_atoi64(colon + 1)) : segment;
  const int killAt = atoi(argv[9]);
  const std::string mode = argv[10];
  StopAt sink(atoi(argv[11]));
  const std::wstring file = folder + L"\\f.bin", journal = folder + L"\\j";
  KillFiles seam(killAt, mode == "torn" ? Mode::Torn : mode == "lost" ? Mode::Lost : Mode::Before);
  seam.slowFlush = segmentMax > segment;
  fileops::ScopedFiles use(seam);
  if (op == "move") {
    const std::string bytes = Pattern(static_cast<size_t>(added), 7);
    fileops::File f;
    if (!f.Open(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                FILE_FLAG_RANDOM_ACCESS))
      return 2;
    engine::TailMoveOptions o;
    o.blockSize = block;
    o.journalSegment = segment;
    o.journalSegmentMax = segmentMax;
    o.tempFolder = folder + L"\\";
    o.journalFolder = journal;
    o.filePath = file;
    const engine::TailMoveOutcome r = engine::ReplaceRange(f.get(), start, old, bytes.data(), bytes.size(), sink, o);
    std::printf("status %d\nlargest journal write %lu\n", static_cast<int>(r.status),
                static_cast<unsigned long>(seam.largestJournalWrite));
    return r.status == engine::TailMoveStatus::Done || r.status == engine::TailMoveStatus::Aborted ? 0 : 3;
  }
  if (op == "convert") {
    Cp932Platform platform;
    engine::ConvertRequest r;
    r.sourcePath = file;
    r.sourceCode = engine::ccShiftJis;
    r.targetPath = file;
    r.targetCode = engine::ccUtf8;
    r.blockSize = block;
    r.journalFolder = journal;
    const engine::ConvertOutcome o = engine::ConvertFile(r, platform, sink);
    return o.status == engine::ConvertStatus::Done || o.status == engine::ConvertStatus::Aborted ? 0 : 3;
  }
  if (op == "copy") {
    engine::CopyOptions o;
    o.blockSize = block;
    o.journalFolder = journal;
    const engine::CopyOutcome r = engine::CopyFileReplacing(folder + L"\\b.bin", file, sink, o);
    return r.status == engine::CopyStatus::Done || r.status == engine::CopyStatus::Aborted ? 0 : 3;
  }
  return 2;
}

int Recover(char** argv) {
  engine::NullProgress quiet;
  const std::vector<engine::RecoveryReport> reports = engine::RecoverJournals(Wide(argv[2]) + L"\\j", quiet);
  for (const auto& r : reports)
    std::printf("result %d range %lld-%lld error %lu\n", static_cast<int>(r.result),
                static_cast<long long>(r.rangeStart), static_cast<long long>(r.rangeEnd), r.error);
  if (reports.empty()) return 9;
  if (reports.size() > 1) return 8;
  return 10 + static_cast<int>(reports[0].result);
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  if (argc >= 12 && std::string(argv[1]) == "run") return Run(argv);
  if (argc >= 3 && std::string(argv[1]) == "recover") return Recover(argv);
  std::fprintf(stderr, "usage: journal_victim run|recover ...\n");
  return 1;
}
