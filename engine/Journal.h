// The journal of in-place operations: a file that lets the next start of the
// program finish or undo an operation that the program's death interrupted.
//
// Two kinds:
//   a tail move (ReplaceRange): the file's identity, the range, the new bytes,
//     the original bytes the operation overwrites, two copy slots and two
//     record slots. Each record names the step under way (and, for a move,
//     the segment being moved); a segment whose target overlaps its own
//     source is copied into a slot before its first byte is written.
//   a replacement (a finished new file takes an existing file's place: the
//     in-place conversion, the undo): the target's identity and the new file's.
//
// Order of writes, which makes a record mean what it says after a power cut:
// the data file is flushed before a record is written, and a record (with its
// copy) is flushed before the data it protects is overwritten. Records carry a
// sequence number and a checksum and go to the two record slots in turn, so a
// torn record leaves the one before it intact; copies go to the two copy slots
// in turn for the same reason.
//
// All file work goes through fileops::Files().
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Progress.h"

namespace engine {

uint32_t Crc32(const void* data, size_t length, uint32_t crc = 0);
// The check of a segment copy: order-sensitive sums of its words, folded with
// CRC-32; it tells a torn or stale copy and runs many times faster than Crc32.
// The same value with vector false (no SSE2), which only tests use.
uint32_t CopySum(const void* data, size_t length, bool vector = true);
// The performance counter, for timing flushes.
int64_t PerfTicks();

enum class JournalKind : uint32_t { Move = 1, Replace = 2 };

enum class JournalStep : uint32_t {
  None = 0,
  // a tail move, forwards
  Extend = 1,       // the file is made its new, longer size
  MoveForward = 2,  // the tail moves; the record names the segment
  WriteNew = 3,     // the new bytes are written at the start of the range
  CutNew = 4,       // the file is cut to its new, shorter size
  // a tail move, backwards (after an abort or a failure)
  MoveBack = 5,     // the moved part of the tail goes back
  RestoreKept = 6,  // the original bytes of the range are written back
  CutOld = 7,       // the file gets its old size again
  // a replacement
  ReplaceReady = 20,  // the new file is complete and on the disk; the replace follows
};

struct JournalHeader {
  JournalKind kind = JournalKind::Move;
  std::wstring path;  // the file changed (for a replacement: the file replaced)
  uint64_t volume = 0, index = 0;
  int64_t sizeBefore = 0;
  FILETIME lastWriteBefore{};
  // a tail move
  int64_t start = 0, oldLength = 0, newLength = 0, keptLength = 0;
  uint32_t slotSize = 0;
  uint32_t newCrc = 0, keptCrc = 0;
  // a replacement: the new file
  std::wstring tempPath;
  uint64_t tempVolume = 0, tempIndex = 0;
  // Where the pieces lie in the journal file (set by Create).
  int64_t newOffset = 0, keptOffset = 0, slotOffset[2] = {0, 0};
};

struct JournalRecord {
  uint32_t seq = 0;
  JournalStep step = JournalStep::None;
  // The move under way: [lo, hi) shifted by delta, progress bytes of it done
  // before the segment of segment bytes that this record protects.
  int64_t lo = 0, hi = 0, delta = 0, progress = 0;
  uint32_t segment = 0;
  int32_t slot = -1;  // the copy slot holding the segment's source, -1 for none
  uint32_t slotCrc = 0;
};

// One journal file, open.
class Journal {
 public:
  Journal() = default;
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Creates a new journal in folder, lays out its pieces (header's offsets)
  // and writes the header. Nothing is flushed yet: the first Note does it.
  bool Create(const std::wstring& folder, JournalHeader& header);
  // Opens an existing journal for recovery, for this process alone; fails
  // with ERROR_SHARING_VIOLATION while the program that writes it still runs.
  bool OpenExisting(const std::wstring& path);

  // Writes the header again (same pieces, new checksums).
  bool WriteHeader(const JournalHeader& header);
  // Clears both records (best effort): the journal then tells only that the
  // operation began.
  void Invalidate();
  bool WriteAt(int64_t pos, const void* data, DWORD length);
  bool ReadAt(int64_t pos, void* data, DWORD length);
  // Writes copy (segment bytes, when not null) into the record's slot, then
  // the record, then flushes the journal.
  bool Note(JournalRecord record, const void* copy);
  uint32_t NextSeq() const { return seq_ + 1; }

  bool ReadHeader(JournalHeader* header);
  // Whether any record's checksum holds.
  bool AnyRecord();
  // Whether the file is a journal of this program's (its header's mark) or
  // still blank: one without a record was never acted on.
  bool OursOrBlank();
  // The newest record whose checksum holds (and whose copy's checksum holds);
  // false when there is none.
  bool LatestRecord(const JournalHeader& header, JournalRecord* record);

  // The operation ended: the journal is emptied (so that a scan between the
  // close and the deletion finds nothing to do), closed and deleted.
  void Remove();
  // Closes the journal and renames it so that no start runs it again;
  // returns the new name (the old one when the rename failed).
  std::wstring SetAside();

  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
  const std::wstring& Path() const { return path_; }
  // The system's error of the last failure.
  DWORD error = 0;
  // How long the last Note's flush took (PerfTicks).
  int64_t lastFlushTicks = 0;

 private:
  bool Fail();
  std::wstring AsideName() const;
  // The check of a segment copy, as the journal's version makes it.
  uint32_t SlotSum(const void* copy, size_t length) const;
  int version_ = 2;
  HANDLE h_ = INVALID_HANDLE_VALUE;
  std::wstring path_;
  int64_t slotOffset_[2] = {0, 0};
  uint32_t seq_ = 0;
};

// The name part of journal files, and of journals put aside.
extern const wchar_t kJournalExtension[];  // ".journal"
extern const wchar_t kJournalAsideExtension[];  // ".journal-kept"

// The journal of a replacement. Without a folder, or when the target does not
// exist yet (nothing is replaced), it does nothing.
class ReplaceJournal {
 public:
  // Before the new file (temp, open as tempHandle) is filled.
  bool Begin(const std::wstring& folder, const std::wstring& target, const std::wstring& temp, HANDLE tempHandle);
  // The new file is complete: its bytes are flushed, then the ready record.
  bool Ready(HANDLE tempHandle);
  // After the replace, or after the new file was discarded.
  void Done();
  bool Active() const { return journal_.IsOpen(); }
  DWORD error = 0;

 private:
  Journal journal_;
  JournalHeader header_;
};

enum class RecoveryResult {
  Original,    // the file is as it was before the operation
  Finished,    // the file holds the operation's result
  NotTouched,  // the file was changed since (or is gone): nothing done, the journal put aside
  Unreadable,  // a damaged or foreign journal: nothing done, the journal put aside
  Damaged,     // the recovery failed on the way: [rangeStart, rangeEnd) may be wrong
};

struct RecoveryReport {
  RecoveryResult result = RecoveryResult::Unreadable;
  JournalKind kind = JournalKind::Move;
  std::wstring path;  // the file, when the journal names it
  int64_t rangeStart = 0, rangeEnd = 0;
  std::wstring journalKept;  // where the journal was put aside
  DWORD error = 0;
};

// Runs every journal left in folder by a program that has ended, in the
// order they were made. A journal still in use by a running program is left alone.
std::vector<RecoveryReport> RecoverJournals(const std::wstring& folder, ProgressSink& sink);

// Whether folder holds a journal that is not in use (a start would recover it).
bool HasJournals(const std::wstring& folder);

}  // namespace engine
