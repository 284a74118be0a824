// The one mover of in-place edits: replaces the bytes [start, start + oldLength)
// of an open file by new bytes, moving the file's tail up or down in blocks.
// An insertion has oldLength 0; a deletion has no new bytes. Typed insertion
// and deletion and the edit dialogs' write-back all go through it.
//
// Everything that goes wrong ends with the file byte-equal to what it was
// (rolled back), or, when the rollback itself fails, with an outcome that
// names the damaged byte range. Nothing is reported done that was not.
//
// With a journal folder the move also survives the program's death: a journal
// (engine/Journal.h) is written and flushed before the first byte of the file
// changes, and kept up to date as the tail moves (one record per segment of
// journalSegment bytes, the data file flushed before each record), so that the
// next start finishes the operation, or finishes its rollback.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/Journal.h"
#include "engine/Progress.h"

namespace engine {

struct TailMoveOptions {
  // Bytes per read/write round; progress and the stop question come once per block.
  uint32_t blockSize = 1u << 20;
  // Original bytes that the move overwrites are kept in memory up to this
  // many bytes; above it they go to a temporary file in tempFolder first.
  uint64_t memoryCap = 64ull << 20;
  // Folder (with trailing backslash) for that temporary file: the edited file's own folder.
  std::wstring tempFolder;
  // Folder of the journal; empty for none. filePath: the edited file's full
  // path, as the next start opens it.
  std::wstring journalFolder;
  std::wstring filePath;
  // Bytes moved between two journal records (multiples of blockSize): the
  // move starts with journalSegment; where the flushes that each record needs
  // turn out slow against the segment's own reads and writes (a real disk),
  // the segment doubles, up to journalSegmentMax, so that flushing stays a
  // small part of the time. Small segments stay in the processor's cache
  // while they are read, copied into the journal and written.
  uint32_t journalSegment = 1u << 20;
  uint32_t journalSegmentMax = 1u << 20;
};

enum class TailMoveStatus {
  Done,        // the file holds the finished result
  Refused,     // nothing was changed (bad range, disk full on extension, kept bytes or journal could not be stored)
  Failed,      // an I/O error; the file was put back exactly as it was
  Aborted,     // the sink asked to stop; the file was put back exactly as it was
  Damaged,     // an I/O error and the rollback failed too: [damageStart, damageEnd) may be wrong
};

struct TailMoveOutcome {
  TailMoveStatus status = TailMoveStatus::Refused;
  DWORD error = 0;            // the system's error code of the first failure (0 for Done/Aborted)
  int64_t damageStart = 0;    // only for Damaged
  int64_t damageEnd = 0;
  // Only for Damaged, when the kept original bytes [keptStart, keptStart +
  // keptLength) had gone to a temporary file: that file stays as their only copy.
  std::wstring keptCopy;
  int64_t keptStart = 0;
  int64_t keptLength = 0;
  // Refused because the journal could not be written (error says why).
  bool journalFailed = false;
  // Only for Damaged with a journal: the journal, put aside (it holds the
  // range's original bytes and the new ones).
  std::wstring journalKept;
  bool done() const { return status == TailMoveStatus::Done; }
};

// h is open for reading and writing. The size comes from the handle.
// A range outside [0, size] is Refused with ERROR_INVALID_PARAMETER and touches nothing.
// Progress: SetMaximum(bytes of tail to move), Step(bytes moved so far) after
// each block, ShouldStop after each block that is not the last one.
TailMoveOutcome ReplaceRange(HANDLE h, int64_t start, int64_t oldLength, const void* newBytes,
                             uint64_t newLength, ProgressSink& sink, const TailMoveOptions& options = {});

// Goes on with the move that journal j records (header h, newest record r):
// forwards to the finished result, or backwards to the original, as the record
// says. Checks first that the file is the one the journal names, in a state
// the record allows; otherwise nothing is touched and the journal is put aside.
RecoveryReport ResumeTailMove(Journal& j, const JournalHeader& h, const JournalRecord& r, ProgressSink& sink);

}  // namespace engine
