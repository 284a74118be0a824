// The tail mover. See TailMover.h for the contract.
//
// Order of work, chosen so that every failure can be undone:
//   grow   (new longer than old): extend the file to its final size, move the
//          tail up from the end downwards, then write the new bytes;
//   shrink (new shorter than old): move the tail down from the start upwards,
//          write the new bytes, then cut the file;
//   same length: write the new bytes.
// Before anything changes, the original bytes that the move or the new bytes
// overwrite and that exist nowhere else (a prefix of the old range) are kept:
// in memory up to the cap, else in a temporary file beside the edited file (or
// in the journal, when there is one).
//
// A move is a shift: the bytes [lo, hi) go delta further, in segments, from
// the end that the shift moves towards, so that no byte is overwritten before
// it has been read; progress counts the bytes of the shift done. All original
// bytes of the done part sit intact at their place + delta. A rollback writes
// the block in flight back (its original bytes are still in the buffer), runs
// the shift that puts the done part back, puts the kept bytes back and, for a
// grow, cuts the file to its old size.
//
// With a journal, each segment is read whole first (1 MiB to start with, so
// that it stays in the processor's cache for its copy and its write, longer
// where flushing proves slow); when its target overlaps
// its own source (a shift shorter than the segment), the journal gets a copy
// of it before its first byte is written, since a write cut short would
// destroy part of its source. Before each record the data file is flushed, so
// that the segments a record counts as done are on the disk before the next
// segment overwrites their sources.
#include "engine/TailMover.h"

#include <algorithm>
#include <functional>
#include <new>
#include <vector>

#include "framework/FileOps.h"
#include "text/ReadArea.h"

namespace engine {

namespace {

using fileops::Files;

// Positional reads and writes; a short count is a failure.
class Io {
 public:
  explicit Io(HANDLE h) : h_(h) {}

  bool ReadAt(int64_t pos, void* buf, DWORD len) {
    if (!len) return true;
    if (Files().Seek(h_, pos, FILE_BEGIN) != pos) return Fail();
    DWORD got = 0;
    if (!fileops::ReadFully(h_, buf, len, &got)) return Fail();
    if (got != len) return Fail(ERROR_HANDLE_EOF);
    return true;
  }

  bool WriteAt(int64_t pos, const void* buf, DWORD len) {
    if (!len) return true;
    if (Files().Seek(h_, pos, FILE_BEGIN) != pos) return Fail();
    lowestWrite = std::min(lowestWrite, pos);
    if (!fileops::WriteFully(h_, buf, len)) return Fail();
    return true;
  }

  bool SetSize(int64_t size) {
    if (Files().Seek(h_, size, FILE_BEGIN) != size) return Fail();
    if (!Files().SetEnd(h_)) return Fail();
    return true;
  }

  bool Flush() {
    if (!Files().Flush(h_)) return Fail();
    return true;
  }

  // The error of the last failure (kept, as later calls change the last error).
  DWORD error = 0;
  int64_t lowestWrite = INT64_MAX;

  bool Fail(DWORD e = 0) {
    error = e ? e : GetLastError();
    if (!error) error = ERROR_WRITE_FAULT;
    return false;
  }

 private:
  HANDLE h_;
};

// The memory of one segment: read segments lie in it lined up with their
// file offsets (see text/ReadArea.h).
class SegmentBuffer {
 public:
  // Room for n bytes; the contents are not kept. Throws std::bad_alloc.
  void resize(size_t n) {
    at_ = reinterpret_cast<char*>(area_.Place(0, n));
    if (!at_) throw std::bad_alloc();
  }
  char* data() const { return at_; }
  size_t size() const { return area_.size(); }
  // The same memory, moved (by less than a line) to line up with file offset
  // pos; the contents are not kept.
  char* LineUp(int64_t pos) { return at_ = reinterpret_cast<char*>(area_.Place(pos, area_.size())); }

 private:
  readarea::ReadArea area_;
  char* at_ = nullptr;
};

// Original bytes [start, start + length) of the file, kept before the change.
class Kept {
 public:
  Kept(Io& io, int64_t start, int64_t length) : io_(io), start_(start), length_(length) {}
  ~Kept() { Discard(); }

  // Reads the bytes from the file into memory, or into a temporary file when
  // there is no journal to hold them.
  bool Take(const TailMoveOptions& o, SegmentBuffer& buffer, bool journal) {
    if (!length_) return true;
    if (static_cast<uint64_t>(length_) <= o.memoryCap) {
      try {
        memory_.resize(static_cast<size_t>(length_));
        return io_.ReadAt(start_, memory_.data(), static_cast<DWORD>(length_));
      } catch (const std::bad_alloc&) {
        memory_.clear();
        memory_.shrink_to_fit();
      }
    }
    if (journal) return true;  // copied into the journal by the caller
    if (!OpenTemp(o.tempFolder)) return false;
    for (int64_t done = 0; done < length_;) {
      const DWORD n = static_cast<DWORD>(std::min<int64_t>(length_ - done, buffer.size()));
      if (!io_.ReadAt(start_ + done, buffer.data(), n)) return false;
      if (!fileops::WriteFully(temp_, buffer.data(), n)) {
        io_.error = GetLastError() ? GetLastError() : ERROR_DISK_FULL;
        return false;
      }
      done += n;
    }
    return true;
  }

  // The kept bytes live in journal j at offset (they are read from there).
  void InJournal(Journal* j, int64_t offset) {
    journal_ = j;
    journalOffset_ = offset;
  }

  // Copies the kept bytes into journal j at offset; crc gets their checksum.
  bool CopyTo(Journal& j, int64_t offset, SegmentBuffer& buffer, uint32_t* crc) {
    *crc = 0;
    for (int64_t done = 0; done < length_;) {
      const DWORD n = static_cast<DWORD>(std::min<int64_t>(length_ - done, buffer.size()));
      const char* from = buffer.data();
      if (!memory_.empty()) {
        from = memory_.data() + done;
      } else if (!io_.ReadAt(start_ + done, buffer.data(), n)) {
        return false;
      }
      *crc = Crc32(from, n, *crc);
      if (!j.WriteAt(offset + done, from, n)) {
        io_.error = j.error;
        return false;
      }
      done += n;
    }
    return true;
  }

  // Writes the kept bytes back to their place in the file.
  bool Restore(SegmentBuffer& buffer) {
    if (!length_) return true;
    if (!memory_.empty()) return io_.WriteAt(start_, memory_.data(), static_cast<DWORD>(length_));
    if (!journal_ && Files().Seek(temp_, 0, FILE_BEGIN) != 0) {
      io_.error = GetLastError();
      return false;
    }
    for (int64_t done = 0; done < length_;) {
      const DWORD n = static_cast<DWORD>(std::min<int64_t>(length_ - done, buffer.size()));
      if (journal_) {
        if (!journal_->ReadAt(journalOffset_ + done, buffer.data(), n)) {
          io_.error = journal_->error;
          return false;
        }
      } else {
        DWORD got = 0;
        if (!fileops::ReadFully(temp_, buffer.data(), n, &got) || got != n) {
          io_.error = got != n && GetLastError() == 0 ? ERROR_HANDLE_EOF : GetLastError();
          if (!io_.error) io_.error = ERROR_HANDLE_EOF;
          return false;
        }
      }
      if (!io_.WriteAt(start_ + done, buffer.data(), n)) return false;
      done += n;
    }
    return true;
  }

  // Closes and removes the temporary file (unless it must stay as the only copy).
  void Discard() {
    if (temp_ != INVALID_HANDLE_VALUE) {
      Files().Close(temp_);
      temp_ = INVALID_HANDLE_VALUE;
      if (!keepFile_) Files().Delete(tempPath_);
    }
  }
  // After a failed rollback the temporary file holds the only copy of the bytes.
  void KeepFile() { keepFile_ = true; }
  const std::wstring& TempPath() const { return tempPath_; }
  bool InTempFile() const { return temp_ != INVALID_HANDLE_VALUE; }

 private:
  bool OpenTemp(std::wstring folder) {
    if (folder.empty()) {
      wchar_t buf[MAX_PATH + 1] = {};
      const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
      if (n && n <= MAX_PATH) folder.assign(buf, n);
    }
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    const DWORD pid = GetCurrentProcessId();
    const DWORD tick = GetTickCount();
    for (int i = 0; i < 100; ++i) {
      tempPath_ = folder + L"~vastrel-" + std::to_wstring(pid) + L"-" + std::to_wstring(tick) + L"-" +
                  std::to_wstring(i) + L".keep";
      temp_ = Files().Open(tempPath_, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY);
      if (temp_ != INVALID_HANDLE_VALUE) return true;
      const DWORD e = GetLastError();
      if (e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) {
        io_.error = e ? e : ERROR_CANNOT_MAKE;
        tempPath_.clear();
        return false;
      }
    }
    io_.error = ERROR_CANNOT_MAKE;
    tempPath_.clear();
    return false;
  }

  Io& io_;
  int64_t start_, length_;
  std::vector<char> memory_;
  HANDLE temp_ = INVALID_HANDLE_VALUE;
  std::wstring tempPath_;
  bool keepFile_ = false;
  Journal* journal_ = nullptr;
  int64_t journalOffset_ = 0;
};

// [lo, hi) goes delta further.
struct Shift {
  int64_t lo = 0, hi = 0, delta = 0;
  int64_t Length() const { return hi - lo; }
  // The first bytes of the segment that starts after progress bytes, n long.
  int64_t Source(int64_t progress, int64_t n) const { return delta > 0 ? hi - progress - n : lo + progress; }
  // The shift that puts the first done bytes of this one back.
  Shift Back(int64_t done) const {
    if (delta > 0) return {hi - done + delta, hi + delta, -delta};
    return {lo + delta, lo + done + delta, -delta};
  }
};

enum class Ran { Done, Failed, Stopped };

struct Mover {
  HANDLE h;
  ProgressSink& sink;
  Io io;
  SegmentBuffer buffer;  // one segment
  uint32_t block = 1u << 20;
  uint32_t segment = 1u << 20;
  uint32_t segmentMax = 1u << 20;  // the segment may grow up to this
  int64_t size = 0;   // the original size
  int64_t start = 0;  // start of the range
  int64_t end = 0;    // end of the old range
  int64_t delta = 0;
  const char* newBytes = nullptr;
  DWORD added = 0;
  Journal* journal = nullptr;
  bool noting = false;  // records are written (the journal was not given up)
  DWORD copyLength = 0;  // the length of a segment copy taken from the journal
  bool dirty = false;  // data written since the data file was last flushed
  bool touched = false;  // the file was changed at all
  int slotTurn = 0;
  int64_t flushTicks = 0;  // time spent flushing (PerfTicks)
  DWORD journalError = 0;  // why the journal was given up on the way

  // The block whose write failed: its original bytes are in the buffer.
  int64_t inFlightAt = 0;
  DWORD inFlight = 0;
  DWORD inFlightOffset = 0;

  int64_t NewSize() const { return size + delta; }
  void Touch() { dirty = touched = true; }
  Shift Forward() const { return {end, size, delta}; }

  // The journal is given up (a write or flush failed): its records go, as
  // they would no longer describe the file; the file stays for the kept
  // bytes it may hold.
  void DropJournal(DWORD e) {
    if (!noting) return;
    journalError = e;
    noting = false;
    journal->Invalidate();
  }

  // Records the step. The data written so far is flushed first, so that the
  // record's claim holds on the disk. False (forward only) when the journal
  // could not be written: the step must not go ahead.
  bool Note(JournalStep step, const Shift& s, int64_t progress, uint32_t n, const void* copy, bool forward) {
    if (!noting) return true;
    const int64_t t0 = PerfTicks();
    if (dirty && !io.Flush()) {
      DropJournal(io.error);
      return !forward;
    }
    dirty = false;
    flushTicks += PerfTicks() - t0;
    JournalRecord r;
    r.step = step;
    r.lo = s.lo;
    r.hi = s.hi;
    r.delta = s.delta;
    r.progress = progress;
    r.segment = n;
    r.slot = copy ? slotTurn : -1;
    if (!journal->Note(r, copy)) {
      const DWORD e = journal->error;
      DropJournal(e);
      io.error = e;
      return !forward;
    }
    flushTicks += journal->lastFlushTicks;
    if (copy) slotTurn ^= 1;
    return true;
  }
  bool Note(JournalStep step, bool forward) { return Note(step, Shift{}, 0, 0, nullptr, forward); }

  void Report(bool forward, const Shift& s, int64_t progress) {
    if (forward) {
      sink.Step(progress);
    } else {
      sink.Step(s.Length() - progress);
    }
  }

  // Writes the segment that the buffer holds (n bytes from src) to its
  // target, block by block in the shift's order, from progress *p on.
  Ran WriteSegment(const Shift& s, int64_t src, DWORD n, int64_t* p, bool forward, bool stoppable) {
    const int64_t len = s.Length();
    for (DWORD done = 0; done < n;) {
      const DWORD b = std::min<DWORD>(block, n - done);
      const DWORD off = s.delta > 0 ? n - done - b : done;
      Touch();
      if (!io.WriteAt(src + off + s.delta, buffer.data() + off, b)) {
        inFlightAt = src + off;
        inFlight = b;
        inFlightOffset = off;
        return Ran::Failed;
      }
      done += b;
      *p += b;
      Report(forward, s, *p);
      if (stoppable && *p < len && sink.ShouldStop()) return Ran::Stopped;
    }
    return Ran::Done;
  }

  // Moves what is left of s after *p bytes. withCopy: the buffer already
  // holds the segment that starts at *p (from the journal), to be written first.
  Ran RunShift(JournalStep step, const Shift& s, int64_t* p, bool forward, bool stoppable, bool withCopy = false) {
    const int64_t len = s.Length();
    inFlight = 0;
    while (*p < len) {
      DWORD n = static_cast<DWORD>(std::min<int64_t>(segment, len - *p));
      if (withCopy) n = static_cast<DWORD>(std::min<int64_t>(copyLength, len - *p));
      const int64_t src = s.Source(*p, n);
      const int64_t t0 = PerfTicks(), flushed = flushTicks;
      if (withCopy) {
        withCopy = false;
      } else {
        if (!io.ReadAt(src, buffer.LineUp(src), n)) return Ran::Failed;
        const bool overlap = (s.delta < 0 ? -s.delta : s.delta) < static_cast<int64_t>(n);
        if (!Note(step, s, *p, n, overlap ? buffer.data() : nullptr, forward)) return Ran::Failed;
      }
      const Ran r = WriteSegment(s, src, n, p, forward, stoppable);
      if (r != Ran::Done) return r;
      Grow(flushTicks - flushed, PerfTicks() - t0);
    }
    return Ran::Done;
  }

  // A record costs two flushes: where they take more than a fifth of the
  // segment's time, the next segments are twice as long.
  void Grow(int64_t flushed, int64_t total) {
    if (!noting || segment >= segmentMax || flushed * 5 <= total) return;
    segment = static_cast<uint32_t>(std::min<uint64_t>(segmentMax, uint64_t{segment} * 2) / block * block);
  }

  // The forward steps from `from` on (progress and withCopy for MoveForward).
  // On Failed or Stopped, *failedStep and *moved say where it ended.
  Ran RunForward(JournalStep from, int64_t progress, bool withCopy, JournalStep* failedStep, int64_t* moved) {
    const Shift fwd = Forward();
    *moved = from > JournalStep::MoveForward ? fwd.Length() : progress;
    if (delta > 0 && from <= JournalStep::Extend) {
      *failedStep = JournalStep::Extend;
      if (!Note(JournalStep::Extend, true)) return Ran::Failed;
      Touch();
      if (!io.SetSize(NewSize())) return Ran::Failed;
    }
    // The work proper starts once the file has its room.
    if (from <= JournalStep::MoveForward) sink.SetMaximum(delta ? fwd.Length() : 0);
    if (delta != 0 && from <= JournalStep::MoveForward) {
      *failedStep = JournalStep::MoveForward;
      const Ran r = RunShift(JournalStep::MoveForward, fwd, moved, true, true, withCopy);
      if (r != Ran::Done) return r;
    }
    if (from <= JournalStep::WriteNew) {
      *failedStep = JournalStep::WriteNew;
      if (!Note(JournalStep::WriteNew, true)) return Ran::Failed;
      Touch();
      if (!io.WriteAt(start, newBytes, added)) return Ran::Failed;
    }
    if (delta < 0 && from <= JournalStep::CutNew) {
      *failedStep = JournalStep::CutNew;
      if (!Note(JournalStep::CutNew, true)) return Ran::Failed;
      Touch();
      if (!io.SetSize(NewSize())) return Ran::Failed;
    }
    return Ran::Done;
  }

  // The backward steps from `from` on: the shift back (from progress), the
  // kept bytes, the old size.
  bool RunBack(JournalStep from, const Shift& back, int64_t progress, bool withCopy, Kept& kept) {
    if (from <= JournalStep::MoveBack && back.Length() > 0) {
      if (RunShift(JournalStep::MoveBack, back, &progress, false, false, withCopy) != Ran::Done) return false;
    }
    if (from <= JournalStep::RestoreKept) {
      Note(JournalStep::RestoreKept, false);
      Touch();
      if (!kept.Restore(buffer)) return false;
    }
    if (from <= JournalStep::CutOld) {
      Note(JournalStep::CutOld, false);
      Touch();
      if (Files().Size(h) != size && !io.SetSize(size)) return false;
    }
    return true;
  }

  // The operation reached its end: its bytes go to the disk, then the journal.
  void Finish() {
    if (!journal) return;
    if (noting && dirty && !io.Flush()) return;  // the journal stays: the next start redoes the last step
    journal->Remove();
    journal = nullptr;
  }
};

// The bytes the operation overwrites and that exist nowhere else.
int64_t KeptLength(int64_t oldLength, int64_t added, int64_t tail) { return std::min(oldLength, added + tail); }

}  // namespace

TailMoveOutcome ReplaceRange(HANDLE h, int64_t start, int64_t oldLength, const void* newBytes,
                             uint64_t newLength, ProgressSink& sink, const TailMoveOptions& options) {
  TailMoveOutcome out;
  Mover m{h, sink, Io(h), {}};
  const int64_t size = Files().Size(h);
  if (size < 0) {
    out.error = GetLastError() ? GetLastError() : ERROR_INVALID_HANDLE;
    return out;
  }
  if (start < 0 || oldLength < 0 || start > size || oldLength > size - start ||
      newLength > static_cast<uint64_t>(INT64_MAX - size) || (newLength && !newBytes) ||
      newLength > 0xFFFFFFFFull) {
    out.error = ERROR_INVALID_PARAMETER;
    return out;
  }
  const int64_t added = static_cast<int64_t>(newLength);
  m.size = size;
  m.start = start;
  m.end = start + oldLength;
  m.delta = added - oldLength;
  m.newBytes = static_cast<const char*>(newBytes);
  m.added = static_cast<DWORD>(added);
  const int64_t tail = size - m.end;
  const int64_t newSize = size + m.delta;
  if (m.delta == 0 && added == 0) {
    out.status = TailMoveStatus::Done;
    return out;
  }

  const bool journaled = !options.journalFolder.empty();
  m.block = std::max<uint32_t>(1, options.blockSize);
  m.segment = m.block;
  if (journaled) m.segment = std::max(m.block, options.journalSegment / m.block * m.block);
  m.segmentMax = std::max(m.segment, options.journalSegmentMax / m.block * m.block);
  if (!journaled) m.segmentMax = m.segment;
  try {
    m.buffer.resize(static_cast<size_t>(std::max<int64_t>(
        1, std::min<int64_t>(m.segmentMax, std::max<int64_t>(tail, std::min<int64_t>(oldLength, m.block))))));
  } catch (const std::bad_alloc&) {
    out.error = ERROR_NOT_ENOUGH_MEMORY;
    return out;
  }

  const int64_t keptLength = KeptLength(oldLength, added, tail);
  Kept kept(m.io, start, keptLength);
  if (!kept.Take(options, m.buffer, journaled)) {
    out.error = m.io.error;
    return out;  // Refused: nothing changed
  }

  // The journal: the file's identity, the range, the new and the kept bytes.
  Journal journal;
  if (journaled) {
    JournalHeader jh;
    BY_HANDLE_FILE_INFORMATION info;
    if (!Files().Information(h, &info)) {
      out.error = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
      out.journalFailed = true;
      return out;
    }
    jh.kind = JournalKind::Move;
    jh.path = options.filePath;
    jh.volume = info.dwVolumeSerialNumber;
    jh.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    jh.sizeBefore = size;
    jh.lastWriteBefore = info.ftLastWriteTime;
    jh.start = start;
    jh.oldLength = oldLength;
    jh.newLength = added;
    jh.keptLength = keptLength;
    jh.slotSize = static_cast<uint32_t>(std::min<int64_t>(m.segmentMax, tail));
    jh.newCrc = Crc32(newBytes, static_cast<size_t>(added));
    bool ok = journal.Create(options.journalFolder, jh);
    if (ok) ok = journal.WriteAt(jh.newOffset, newBytes, static_cast<DWORD>(added));
    // The checksum of the kept bytes is known once they are copied: the header again.
    if (ok) ok = kept.CopyTo(journal, jh.keptOffset, m.buffer, &jh.keptCrc) && journal.WriteHeader(jh);
    if (!ok) {
      out.error = journal.error ? journal.error : m.io.error;
      out.journalFailed = true;
      journal.Remove();
      return out;  // Refused: nothing changed
    }
    kept.InJournal(&journal, jh.keptOffset);
    m.journal = &journal;
    m.noting = true;
  }

  // Damage report for a failed rollback: everything from the lowest byte
  // written to the end of the longer of the two files.
  auto damaged = [&](DWORD firstError) {
    out.status = TailMoveStatus::Damaged;
    out.error = firstError;
    out.damageStart = std::min(m.io.lowestWrite, std::max(size, newSize));
    out.damageEnd = std::max(size, newSize);
    if (kept.InTempFile()) {
      kept.KeepFile();
      out.keptCopy = kept.TempPath();
      out.keptStart = start;
      out.keptLength = keptLength;
    }
    if (m.journal) {
      out.journalKept = m.journal->SetAside();
      m.journal = nullptr;
    }
    return out;
  };

  JournalStep failedStep = JournalStep::None;
  int64_t moved = 0;
  const Ran ran = m.RunForward(JournalStep::Extend, 0, false, &failedStep, &moved);
  if (ran == Ran::Done) {
    sink.Step(m.delta ? tail : 0);
    m.Finish();
    out.status = TailMoveStatus::Done;
    return out;
  }
  const DWORD firstError = ran == Ran::Stopped ? 0 : m.io.error;
  if (!m.touched) {
    // The journal could not be written before the first change: refused.
    out.error = firstError;
    out.journalFailed = m.journalError != 0;
    m.Finish();
    return out;
  }
  if (failedStep == JournalStep::Extend) {
    // A failed extension normally changes nothing; make sure of it.
    out.error = firstError;
    out.journalFailed = m.journalError != 0 && m.journalError == firstError;
    if (Files().Size(h) != size && !m.io.SetSize(size)) return damaged(firstError);
    m.Finish();
    return out;  // Refused
  }

  // Roll back. The block in flight goes back to its source first.
  bool back = true;
  if (m.inFlight) {
    m.Touch();
    back = m.io.WriteAt(m.inFlightAt, m.buffer.data() + m.inFlightOffset, m.inFlight);
  }
  if (back) {
    const Shift rev = m.Forward().Back(moved);
    back = m.RunBack(JournalStep::MoveBack, rev, 0, false, kept);
  }
  if (!back) return damaged(firstError ? firstError : m.io.error);
  m.Finish();
  out.status = ran == Ran::Stopped ? TailMoveStatus::Aborted : TailMoveStatus::Failed;
  out.error = ran == Ran::Stopped ? 0 : firstError;
  return out;
}

RecoveryReport ResumeTailMove(Journal& j, const JournalHeader& h, const JournalRecord& r, ProgressSink& sink) {
  RecoveryReport rep;
  rep.kind = JournalKind::Move;
  rep.path = h.path;
  const int64_t newSize = h.sizeBefore + h.newLength - h.oldLength;
  rep.rangeStart = h.start;
  rep.rangeEnd = std::max(h.sizeBefore, newSize);
  auto untouched = [&](DWORD e) {
    rep.result = RecoveryResult::NotTouched;
    rep.error = e;
    rep.journalKept = j.SetAside();
    return rep;
  };

  fileops::File f;
  if (!f.Open(h.path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
              FILE_FLAG_RANDOM_ACCESS))
    return untouched(GetLastError());
  uint64_t volume = 0, index = 0;
  if (!Files().Identity(f.get(), &volume, &index)) return untouched(GetLastError());
  if (volume != h.volume || index != h.index) return untouched(0);
  // The sizes the file can have at this step.
  const int64_t size = Files().Size(f.get());
  const bool grow = newSize > h.sizeBefore, shrink = newSize < h.sizeBefore;
  bool sizeOk = false;
  switch (r.step) {
    case JournalStep::Extend:
    case JournalStep::CutNew:
    case JournalStep::CutOld:
      sizeOk = size == h.sizeBefore || size == newSize;
      break;
    case JournalStep::MoveForward:
    case JournalStep::WriteNew:
    case JournalStep::MoveBack:
    case JournalStep::RestoreKept:
      sizeOk = size == (grow ? newSize : h.sizeBefore);
      break;
    default:
      sizeOk = false;
      break;
  }
  (void)shrink;
  if (!sizeOk) return untouched(0);

  // The new bytes and the kept bytes as the journal holds them.
  std::vector<char> fresh;
  try {
    fresh.resize(static_cast<size_t>(h.newLength));
  } catch (const std::bad_alloc&) {
    return untouched(ERROR_NOT_ENOUGH_MEMORY);
  }
  if (!j.ReadAt(h.newOffset, fresh.data(), static_cast<DWORD>(fresh.size())) ||
      Crc32(fresh.data(), fresh.size()) != h.newCrc)
    return untouched(j.error);

  Mover m{f.get(), sink, Io(f.get()), {}};
  m.size = h.sizeBefore;
  m.start = h.start;
  m.end = h.start + h.oldLength;
  m.delta = h.newLength - h.oldLength;
  m.newBytes = fresh.data();
  m.added = static_cast<DWORD>(h.newLength);
  m.segment = m.segmentMax = std::max<uint32_t>(1, h.slotSize);
  m.block = std::min<uint32_t>(m.segment, 1u << 20);
  m.journal = &j;
  m.noting = true;
  m.slotTurn = r.slot >= 0 ? r.slot ^ 1 : 0;
  try {
    m.buffer.resize(std::max<size_t>(m.segment, std::min<int64_t>(h.keptLength, 1 << 20)));
  } catch (const std::bad_alloc&) {
    return untouched(ERROR_NOT_ENOUGH_MEMORY);
  }
  Kept kept(m.io, h.start, h.keptLength);
  kept.InJournal(&j, h.keptOffset);
  {
    // The kept bytes must be whole before anything is written.
    uint32_t crc = 0;
    for (int64_t done = 0; done < h.keptLength;) {
      const DWORD n = static_cast<DWORD>(std::min<int64_t>(h.keptLength - done, m.buffer.size()));
      if (!j.ReadAt(h.keptOffset + done, m.buffer.data(), n)) return untouched(j.error);
      crc = Crc32(m.buffer.data(), n, crc);
      done += n;
    }
    if (crc != h.keptCrc) return untouched(0);
  }
  // The segment the record protects, from its copy.
  bool withCopy = false;
  if (r.slot >= 0) {
    if (r.segment > m.buffer.size() || !j.ReadAt(h.slotOffset[r.slot], m.buffer.data(), r.segment)) return untouched(j.error);
    withCopy = true;
    m.copyLength = r.segment;
  }

  bool ok = false;
  const bool backwards = r.step == JournalStep::MoveBack || r.step == JournalStep::RestoreKept || r.step == JournalStep::CutOld;
  if (!backwards) {
    JournalStep failedStep = JournalStep::None;
    int64_t moved = 0;
    // A copy is the segment starting at the record's progress; it must be its full length.
    ok = m.RunForward(r.step, r.progress, withCopy && r.step == JournalStep::MoveForward, &failedStep, &moved) ==
         Ran::Done;
    rep.result = RecoveryResult::Finished;
  } else {
    const Shift back{r.lo, r.hi, r.delta};
    ok = m.RunBack(r.step, back, r.progress, withCopy && r.step == JournalStep::MoveBack, kept);
    rep.result = RecoveryResult::Original;
  }
  if (!ok) {
    rep.result = RecoveryResult::Damaged;
    rep.error = m.io.error;
    rep.rangeStart = std::min(h.start, m.io.lowestWrite);
    if (m.journal) rep.journalKept = m.journal->SetAside();
    return rep;
  }
  (void)grow;
  m.Finish();
  if (j.IsOpen()) j.Remove();
  return rep;
}

}  // namespace engine
