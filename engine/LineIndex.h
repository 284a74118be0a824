// The sparse line index of a text file: its builder, the lookups between line
// numbers and byte offsets, and the stored line-list files.
//
// Records: first {0, 1} (line 0; read as line 0 at byte 0), then one record
// each time the count of line ends reaches another multiple of the interval
// ({lines so far, offset just past that line end}), then the final record
// {line ends counted, offset where the scan stopped}, and last the trailer
// {CR/LF switch 0 or 1, file size when the build began}.
//
// Line ends are those of text/LineEnds.h. The line of an offset P is the
// number of line ends that end at or before P, counted from byte 0; line T
// starts where the T-th line end ends, line 0 at 0. A line end that ends
// exactly at the file's end is never counted (the file's last line has no
// empty line after it).
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Progress.h"
#include "text/LineEnds.h"

// One record: the number of line ends before Offset (the 0-based number of
// the line that begins there) and that line's absolute byte offset. Stored
// as 16 bytes, little endian.
struct LineCheckpoint {
  int64_t Lines = 0;
  int64_t Offset = 0;
};

namespace engine {

// The records in fixed-size blocks: growing never copies them, and running
// out of memory is a false result, never an exception.
class CheckpointList {
 public:
  static constexpr size_t kBlock = 4096;
  CheckpointList() = default;
  CheckpointList(CheckpointList&&) = default;
  CheckpointList& operator=(CheckpointList&&) = default;
  CheckpointList(const CheckpointList&) = delete;
  CheckpointList& operator=(const CheckpointList&) = delete;

  bool Append(const LineCheckpoint& r);
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const LineCheckpoint& operator[](size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
  LineCheckpoint& operator[](size_t i) { return blocks_[i / kBlock][i % kBlock]; }
  const LineCheckpoint& back() const { return (*this)[size_ - 1]; }
  void clear() {
    blocks_.clear();
    size_ = 0;
  }
  // A copy; false (and out emptied) when memory runs out.
  bool CopyTo(CheckpointList& out) const;
  // Tests: blocks that a list may take before Append fails as out of memory (0: no limit).
  static size_t BlockLimit;

 private:
  std::vector<std::unique_ptr<LineCheckpoint[]>> blocks_;
  size_t size_ = 0;
};

// Marks inside long stretches between checkpoints: {line ends that end at or
// before Offset, Offset}, at places that no line end straddles (never between
// the CR and the LF of a pair). The builder takes one wherever the scan has
// gone MarkSpacing bytes past the last checkpoint or mark, so that no lookup
// reads more than about that stretch whatever the lines look like (a file of
// a few long lines, or gigabytes without a line end). They live beside the
// records in memory only: a line-list file holds the records alone, so that
// stored lists keep their one format; a lookup over a list loaded without
// marks takes them as it walks.
class LineMarks {
 public:
  // Keeps the marks in offset order; one per offset; false when out of memory.
  bool Add(const LineCheckpoint& m);
  size_t size() const { return v_.size(); }
  bool empty() const { return v_.empty(); }
  const LineCheckpoint& operator[](size_t i) const { return v_[i]; }
  void clear() { v_.clear(); }
  // The last mark with fewer line ends than `line` (a start for finding that
  // line), and the last at or before `offset`; null when none.
  const LineCheckpoint* LastBelowLine(int64_t line) const;
  const LineCheckpoint* LastAtOrBefore(int64_t offset) const;
  // The first mark with at least `line` line ends (the walk ends at or before it).
  const LineCheckpoint* FirstFromLine(int64_t line) const;
  // After a change at pivot by delta bytes: marks past pivot move with their
  // text; those the change swallowed go.
  void Shift(int64_t pivot, int64_t delta);

 private:
  std::vector<LineCheckpoint> v_;
};

// Bytes between marks for a file of that size: 32 MiB, or 1/1,048,576 of the
// size for files above 32 TiB (so that the marks stay below a million).
int64_t MarkSpacing(int64_t size);

// Line ends between checkpoints: 2000; 3000 above 1,073,744,924 bytes; 4000
// above 53,688,098,041 bytes.
int IntervalForSize(int64_t size);

// textCode 1 is UTF-16 in the given byte order; every other code counts bytes.
lineends::Rule RuleFor(int textCode, bool littleEndian, bool lone);

struct LineIndexOptions {
  int textCode = 0;
  bool littleEndian = true;
  bool lone = false;  // the CR/LF switch
  // Bytes per read; each read takes 2 (UTF-16: 4) bytes more to see a pair at its end.
  size_t chunk = 1u << 20;
  // 0: IntervalForSize of the file's size.
  int interval = 0;
  // Bytes between marks; 0: MarkSpacing of the file's size.
  int64_t markSpacing = 0;
};

struct LineIndexResult {
  bool cancelled = false;  // no final record: stopped, or the file could not be read
  DWORD error = 0;         // the system error that ended it (0: none, or stopped by the sink)
};

// Builds the index of the file at path into out (emptied first). Progress:
// SetMaximum(progressMax) once, then Step with the bytes scanned after each
// read; ShouldStop after each read ends the build as cancelled (start record,
// checkpoints so far, trailer). A file that cannot be opened or sized gives
// no records. Running out of memory ends it as cancelled with
// ERROR_NOT_ENOUGH_MEMORY.
// marks (optional) gets the marks of the file's long stretches.
LineIndexResult BuildLineIndex(const std::wstring& path, const LineIndexOptions& options, int64_t progressMax,
                               ProgressSink& progress, CheckpointList& out, LineMarks* marks = nullptr);

// ---- lookups: one file open per call

struct LineLookup {
  std::wstring path;
  lineends::Rule rule;
  size_t chunk = 8192;  // bytes of the first read (the reads add 4); later reads grow to 1 MiB
  // The marks of the file (optional): starts of the walks, and a walk over a
  // stretch without them adds them as it goes.
  LineMarks* marks = nullptr;
  // A walk that may read more than the mark spacing reports here (optional):
  // SetMaximum with the bytes it may read, Step with those read, and it ends
  // as stopped when ShouldStop says so. Walks within the spacing report nothing.
  ProgressSink* progress = nullptr;
  // Bytes between marks; 0: MarkSpacing of the file's size.
  int64_t markSpacing = 0;
};

struct LineLookupResult {
  bool found = false;
  int64_t value = 0;     // the offset (LineToOffset) or the line (OffsetToLine)
  DWORD error = 0;       // a failed open or read
  bool stopped = false;  // the progress sink stopped the walk: nothing found
};

// The start of 0-based line `line`: found when the file holds at least that
// many line ends (line 0 always, at 0). Not found for a negative line or an
// index without records.
LineLookupResult LineToOffset(const CheckpointList& index, const LineLookup& lookup, int64_t line);
// The line of offset `offset`: the line ends that end at or before it.
LineLookupResult OffsetToLine(const CheckpointList& index, const LineLookup& lookup, int64_t offset);

// The records after a change of the file at pivot by delta bytes (delta < 0:
// removed): every checkpoint past pivot moves by delta (not below pivot).
void ShiftLineIndex(CheckpointList& index, int64_t pivot, int64_t delta);

// ---- line-list files: the records as 16-byte little-endian records, no header

constexpr int64_t kLineListMinBytes = 32;
constexpr int64_t kLineListMaxBytes = 256ll << 20;

// A list that may be used for a file of fileSize bytes: record 0 is {0, 1};
// after it lines and offsets never decrease and the checkpoints ascend
// strictly (the final record {0, 0} of an empty file excepted); no offset
// beyond fileSize; the trailer's switch is 0 or 1 and its size is fileSize.
bool ValidLineList(const CheckpointList& list, int64_t fileSize);

enum class LineListRead {
  Ok,       // out holds the records
  Failed,   // open or read failed: *error
  Invalid,  // too small, too large or failing ValidLineList: out empty
};
// Reads a list for a file of fileSize bytes; bytes past the last whole record are ignored.
LineListRead ReadLineListFile(const std::wstring& path, int64_t fileSize, CheckpointList& out, DWORD* error);
// Writes the list to a new file beside path and puts it in place of path
// only when every byte reached the disk; on failure the old file is
// unchanged, the new one removed, and *error says why.
bool WriteLineListFile(const std::wstring& path, const CheckpointList& list, DWORD* error);
// The record count of a list file (its size / 16, nothing read); 0 when missing.
int64_t LineListFileCount(const std::wstring& path);
// Makes a stored list unusable for validation (its trailer's size becomes -1).
bool MarkLineListStale(const std::wstring& path);
// "list" + decimal digits + ".txg", in any case.
bool IsLineListName(const std::wstring& name);

}  // namespace engine
