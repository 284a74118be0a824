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
// in memory up to the cap, else in a temporary file beside the edited file.
//
// The moved region is tracked by a boundary: all original tail bytes on one
// side of it have their intact copy at the moved place. A rollback writes the
// block in flight back (its original bytes are still in the buffer), moves the
// moved blocks back, puts the kept bytes back and, for a grow, cuts the file
// to its old size.
#include "engine/TailMover.h"

#include <algorithm>
#include <new>
#include <vector>

#include "framework/FileOps.h"

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

  // The error of the last failure (kept, as later calls change the last error).
  DWORD error = 0;
  int64_t lowestWrite = INT64_MAX;

 private:
  bool Fail(DWORD e = 0) {
    error = e ? e : GetLastError();
    if (!error) error = ERROR_WRITE_FAULT;
    return false;
  }
  HANDLE h_;
};

// Original bytes [start, start + length) of the file, kept before the change.
class Kept {
 public:
  Kept(Io& io, int64_t start, int64_t length) : io_(io), start_(start), length_(length) {}
  ~Kept() { Discard(); }

  // Reads the bytes from the file into memory or into a temporary file.
  bool Take(HANDLE h, const TailMoveOptions& o, std::vector<char>& buffer) {
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
    (void)h;
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

  // Writes the kept bytes back to their place in the file.
  bool Restore(std::vector<char>& buffer) {
    if (!length_) return true;
    if (!memory_.empty()) return io_.WriteAt(start_, memory_.data(), static_cast<DWORD>(length_));
    if (Files().Seek(temp_, 0, FILE_BEGIN) != 0) {
      io_.error = GetLastError();
      return false;
    }
    for (int64_t done = 0; done < length_;) {
      const DWORD n = static_cast<DWORD>(std::min<int64_t>(length_ - done, buffer.size()));
      DWORD got = 0;
      if (!fileops::ReadFully(temp_, buffer.data(), n, &got) || got != n) {
        io_.error = got != n && GetLastError() == 0 ? ERROR_HANDLE_EOF : GetLastError();
        if (!io_.error) io_.error = ERROR_HANDLE_EOF;
        return false;
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
};

struct Mover {
  HANDLE h;
  ProgressSink& sink;
  Io io;
  std::vector<char> buffer;
  int64_t size = 0;  // the original size
  int64_t end = 0;   // end of the old range
  int64_t delta = 0;

  // The tail [end, size) moves by delta. Returns false on an error or a stop
  // (stopped says which). *boundary: all original tail bytes in [*boundary, size)
  // (grow) or [end, *boundary) (shrink) sit intact at their place + delta.
  // *inFlight is the length of the block that was being written when a write
  // failed (its original bytes are in the buffer, it began at *boundary for a
  // grow less its length, at *boundary for a shrink), else 0.
  bool Move(int64_t* boundary, DWORD* inFlight, bool* stopped) {
    const int64_t tail = size - end;
    const int64_t block = static_cast<int64_t>(buffer.size());
    int64_t moved = 0;
    *inFlight = 0;
    *stopped = false;
    *boundary = delta > 0 ? size : end;
    while (moved < tail) {
      const DWORD n = static_cast<DWORD>(std::min(block, tail - moved));
      const int64_t from = delta > 0 ? size - moved - n : end + moved;
      if (!io.ReadAt(from, buffer.data(), n)) return false;
      if (!io.WriteAt(from + delta, buffer.data(), n)) {
        *inFlight = n;
        return false;
      }
      moved += n;
      *boundary = delta > 0 ? from : from + n;
      sink.Step(moved);
      if (moved < tail && sink.ShouldStop()) {
        *stopped = true;
        return false;
      }
    }
    return true;
  }

  // Puts the moved tail back; the file's bytes at [end, size) are original again.
  bool MoveBack(int64_t boundary, DWORD inFlight) {
    const int64_t block = static_cast<int64_t>(buffer.size());
    if (delta > 0) {
      // The block in flight began just below the boundary.
      if (inFlight && !io.WriteAt(boundary - inFlight, buffer.data(), inFlight)) return false;
      // Moved bytes sit at [boundary + delta, size + delta); copy them down, lowest first.
      for (int64_t pos = boundary; pos < size;) {
        const DWORD n = static_cast<DWORD>(std::min(block, size - pos));
        if (!io.ReadAt(pos + delta, buffer.data(), n)) return false;
        if (!io.WriteAt(pos, buffer.data(), n)) return false;
        pos += n;
        sink.Step(size - pos);
      }
    } else {
      if (inFlight && !io.WriteAt(boundary, buffer.data(), inFlight)) return false;
      // Moved bytes sit at [end + delta, boundary + delta); copy them up, highest first.
      for (int64_t top = boundary; top > end;) {
        const DWORD n = static_cast<DWORD>(std::min(block, top - end));
        const int64_t pos = top - n;
        if (!io.ReadAt(pos + delta, buffer.data(), n)) return false;
        if (!io.WriteAt(pos, buffer.data(), n)) return false;
        top = pos;
        sink.Step(top - end);
      }
    }
    return true;
  }
};

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
  m.end = start + oldLength;
  m.delta = added - oldLength;
  const int64_t tail = size - m.end;
  const int64_t newSize = size + m.delta;
  if (m.delta == 0 && added == 0) {
    out.status = TailMoveStatus::Done;
    return out;
  }

  const uint32_t block = std::max<uint32_t>(1, options.blockSize);
  try {
    m.buffer.resize(static_cast<size_t>(std::max<int64_t>(1, std::min<int64_t>(block, std::max(tail, oldLength)))));
  } catch (const std::bad_alloc&) {
    out.error = ERROR_NOT_ENOUGH_MEMORY;
    return out;
  }

  // The original bytes that will be overwritten and exist nowhere else: the
  // part of the old range under the new bytes and under the moved tail.
  const int64_t keptLength = std::min(oldLength, added + tail);
  Kept kept(m.io, start, keptLength);
  if (!kept.Take(h, options, m.buffer)) {
    out.error = m.io.error;
    return out;  // Refused: nothing changed
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
    return out;
  };

  if (m.delta > 0) {
    if (!m.io.SetSize(newSize)) {
      out.error = m.io.error;
      // A failed extension normally changes nothing; make sure of it.
      if (Files().Size(h) != size) {
        if (!m.io.SetSize(size)) return damaged(out.error);
      }
      return out;  // Refused
    }
  }

  sink.SetMaximum(m.delta ? tail : 0);

  int64_t boundary = 0;
  DWORD inFlight = 0;
  bool stopped = false;
  bool ok = true;
  if (m.delta && tail) ok = m.Move(&boundary, &inFlight, &stopped);
  else boundary = m.delta > 0 ? size : m.end;
  DWORD firstError = ok ? 0 : m.io.error;
  // Whether the new bytes may have reached the file (so the kept bytes go back).
  bool wroteNew = false;
  if (ok) {
    wroteNew = true;
    ok = m.io.WriteAt(start, newBytes, static_cast<DWORD>(added));
    if (!ok) firstError = m.io.error;
  }
  if (ok && m.delta < 0) {
    ok = m.io.SetSize(newSize);
    if (!ok) firstError = m.io.error;
  }
  if (ok) {
    sink.Step(m.delta ? tail : 0);
    out.status = TailMoveStatus::Done;
    return out;
  }

  // Roll back. A shrink has overwritten kept bytes from the first moved block on.
  bool back = true;
  if (m.delta) back = m.MoveBack(boundary, inFlight);
  if (back && (wroteNew || m.delta < 0)) back = kept.Restore(m.buffer);
  if (back && m.delta > 0) back = m.io.SetSize(size);
  if (!back) return damaged(firstError ? firstError : m.io.error);
  out.status = stopped ? TailMoveStatus::Aborted : TailMoveStatus::Failed;
  out.error = stopped ? 0 : firstError;
  return out;
}

}  // namespace engine
