// The whole-file converter: writes a file in another character code, block by
// block, into a new file beside the target and then puts that file in the
// target's place in one step. The target (the source itself included) is never
// changed before the conversion has succeeded.
//
// The result equals converting the whole file in one piece through the
// conversion routines of text/conv.h (Shift_JIS as the pivot; UTF-8 and UTF-16
// to each other directly): blocks are cut only between characters, the JIS
// shift state goes on across cuts, NUL units of the source come out as NUL units
// of the target, and only the file's own mark (skipped by bomLength) is left out.
// Memory stays at a few blocks whatever the file size.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "engine/Progress.h"
#include "text/conv.h"

namespace engine {

// Character codes as the viewer numbers them (TextCode).
enum ConvertCode { ccShiftJis = 0, ccUtf16 = 1, ccUtf8 = 2, ccEucJp = 3, ccJis = 4 };

struct ConvertRequest {
  std::wstring sourcePath;
  int sourceCode = ccShiftJis;
  conv::ByteOrder sourceOrder = conv::ByteOrder::Little;  // UTF-16 source only
  int bomLength = 0;                                       // the source's own mark, left out
  std::wstring targetPath;
  int targetCode = ccUtf8;
  conv::ByteOrder targetOrder = conv::ByteOrder::Little;  // UTF-16 target only
  bool withMark = false;                                   // UTF-16 and UTF-8 targets
  std::string substitute = "?";                            // code page 932, one character
  bool mergeUnconvertible = false;                         // each character listed once
  int64_t sizeLimit = int64_t(1) << 50;                    // larger files are refused
  uint32_t blockSize = 1056768;                            // bytes per read
  // Called before the source is replaced in place (the caller stops and awaits
  // its own readers of the file there).
  std::function<void()> beforeReplace;
  // Folder of the journal of an in-place conversion (engine/Journal.h), so
  // that a later start cleans up after one the program's death cut short;
  // empty for none. A journal that cannot be written fails the conversion
  // (journalFailed), the source untouched.
  std::wstring journalFolder;
};

enum class ConvertStatus {
  Done,           // the target holds the result; nothing was unconvertible
  Unconvertible,  // complete, with characters the target lacks or the source could not decode
  Aborted,        // the sink asked to stop: nothing changed, no file of ours left
  Failed,         // read, write, seek, close or replace failed: target untouched, no file left
  OpenFailed,     // the source could not be opened or the new file not created
  TooLarge,       // the source is larger than sizeLimit
};

struct ConvertOutcome {
  ConvertStatus status = ConvertStatus::Failed;
  DWORD error = 0;                 // the system's error of a failure
  bool inPlace = false;            // the target is the source file itself
  uint64_t unconvertibleCount = 0;
  // "[c]" entries of the first ListMax characters, then "…" when more were met.
  std::u16string unconvertibleList;
  // In place with unconvertible characters: the kept output beside the source.
  std::wstring keptPath;
  // Failed because the journal could not be written.
  bool journalFailed = false;
};

// Entries listed at most; the count stays exact beyond it.
constexpr int kUnconvertibleListMax = 1000;

// The free name for the new file in folder (with trailing separator):
// "tmp_dmi.txt", else "tmp_dmi(1).txt", ... The file is created (CREATE_NEW) and
// returned open for writing in *file; false with the error when creation fails
// for another reason than an existing name.
bool CreateFreeTemporary(const std::wstring& folder, std::wstring* path, HANDLE* file);

// Whether path names the file open as h (same volume and file index). False
// when path does not exist; *error gets a failure of the query itself.
bool SameFile(HANDLE h, const std::wstring& path, DWORD* error);

ConvertOutcome ConvertFile(const ConvertRequest& request, conv::Platform& platform, ProgressSink& progress);

// ---- the pure steps, exposed for tests

// Length of the longest prefix of data[0, len) that ends between two characters
// of code (for JIS also between two tokens, *mode being the shift mode at the
// start and, on return, at the end of that prefix). final: nothing follows.
size_t CharBoundary(int code, conv::ByteOrder order, const unsigned char* data, size_t len, bool final,
                    int* mode);

}  // namespace engine
