#include "engine/LineIndex.h"

#include <algorithm>
#include <climits>
#include <new>

#include "framework/FileOps.h"
#include "text/ReadArea.h"

namespace engine {

// ---- CheckpointList

size_t CheckpointList::BlockLimit = 0;

bool CheckpointList::Append(const LineCheckpoint& r) {
  try {
    if (size_ == blocks_.size() * kBlock) {
      if (BlockLimit && blocks_.size() >= BlockLimit) return false;
      std::unique_ptr<LineCheckpoint[]> block(new (std::nothrow) LineCheckpoint[kBlock]);
      if (!block) return false;
      blocks_.push_back(std::move(block));
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  (*this)[size_++] = r;
  return true;
}

bool CheckpointList::CopyTo(CheckpointList& out) const {
  out.clear();
  for (size_t i = 0; i < size_; ++i) {
    if (!out.Append((*this)[i])) {
      out.clear();
      return false;
    }
  }
  return true;
}

// ---- LineMarks

bool LineMarks::Add(const LineCheckpoint& m) {
  auto at = std::lower_bound(v_.begin(), v_.end(), m.Offset,
                             [](const LineCheckpoint& a, int64_t o) { return a.Offset < o; });
  if (at != v_.end() && at->Offset == m.Offset) return true;
  try {
    v_.insert(at, m);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

const LineCheckpoint* LineMarks::FirstFromLine(int64_t line) const {
  auto at = std::lower_bound(v_.begin(), v_.end(), line,
                             [](const LineCheckpoint& a, int64_t l) { return a.Lines < l; });
  return at == v_.end() ? nullptr : &*at;
}

const LineCheckpoint* LineMarks::LastBelowLine(int64_t line) const {
  auto at = std::lower_bound(v_.begin(), v_.end(), line,
                             [](const LineCheckpoint& a, int64_t l) { return a.Lines < l; });
  return at == v_.begin() ? nullptr : &*(at - 1);
}

const LineCheckpoint* LineMarks::LastAtOrBefore(int64_t offset) const {
  auto at = std::upper_bound(v_.begin(), v_.end(), offset,
                             [](int64_t o, const LineCheckpoint& a) { return o < a.Offset; });
  return at == v_.begin() ? nullptr : &*(at - 1);
}

void LineMarks::Shift(int64_t pivot, int64_t delta) {
  std::vector<LineCheckpoint> kept;
  kept.reserve(v_.size());
  for (const LineCheckpoint& m : v_) {
    if (m.Offset <= pivot) {
      kept.push_back(m);
    } else if (m.Offset + delta > pivot) {
      kept.push_back(LineCheckpoint{m.Lines, m.Offset + delta});
    }
  }
  v_.swap(kept);
}

int64_t MarkSpacing(int64_t size) { return std::max<int64_t>(int64_t(32) << 20, size >> 20); }

int IntervalForSize(int64_t size) {
  if (size > 53688098041ll) return 4000;
  if (size > 1073744924ll) return 3000;
  return 2000;
}

lineends::Rule RuleFor(int textCode, bool littleEndian, bool lone) {
  lineends::Rule r;
  r.wide = textCode == 1;
  r.bigEndian = r.wide && !littleEndian;
  r.lone = lone;
  return r;
}

namespace {

constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// One read cycle: the bytes at pos, chunk plus overlap of them, at data.
// atEnd when the read reached the file's end (or the bytes end there).
struct Window {
  readarea::ReadArea area;
  const uint8_t* data = nullptr;
  DWORD got = 0;
  bool atEnd = false;
};

bool ReadWindow(HANDLE h, int64_t pos, size_t chunk, size_t overlap, Window& w, DWORD* error) {
  const DWORD want = DWORD(chunk + overlap);
  uint8_t* to = w.area.Place(pos, want);
  w.data = to;
  if (!to) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  if (fileops::Files().Seek(h, pos, FILE_BEGIN) < 0) {
    *error = GetLastError();
    return false;
  }
  if (!fileops::ReadFully(h, to, want, &w.got)) {
    *error = GetLastError();
    if (*error == 0) *error = ERROR_READ_FAULT;
    return false;
  }
  w.atEnd = w.got < want;
  return true;
}

}  // namespace

LineIndexResult BuildLineIndex(const std::wstring& path, const LineIndexOptions& o, int64_t progressMax,
                               ProgressSink& progress, CheckpointList& out, LineMarks* marks) {
  LineIndexResult result;
  out.clear();
  if (marks) marks->clear();
  fileops::File file;
  if (!file.Open(path, GENERIC_READ, kShare, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN)) {
    result.cancelled = true;
    result.error = GetLastError();
    return result;
  }
  const int64_t size = fileops::Files().Size(file.get());
  if (size < 0) {
    result.cancelled = true;
    result.error = GetLastError();
    return result;
  }
  const lineends::Rule rule = RuleFor(o.textCode, o.littleEndian, o.lone);
  const int64_t interval = o.interval > 0 ? o.interval : IntervalForSize(size);
  const size_t chunk = std::max<size_t>(o.chunk, 2);
  const size_t overlap = rule.wide ? 4 : 2;
  Window w;
  bool memoryOut = !w.area.Place(0, chunk + overlap);
  auto add = [&](int64_t lines, int64_t offset) {
    if (!memoryOut && !out.Append(LineCheckpoint{lines, offset})) memoryOut = true;
    return !memoryOut;
  };
  auto fail = [&](DWORD error) {
    result.cancelled = true;
    result.error = error;
  };

  const int64_t spacing = o.markSpacing > 0 ? o.markSpacing : MarkSpacing(size);
  if (!memoryOut && add(0, 1)) {
    progress.SetMaximum(progressMax);
    int64_t pos = 0, lines = 0, since = 0;
    int64_t lastRecord = 0;  // offset of the last checkpoint or mark
    for (;;) {
      DWORD error = 0;
      if (!ReadWindow(file.get(), pos, chunk, overlap, w, &error)) {
        fail(error);
        break;
      }
      const size_t n = w.atEnd ? w.got : chunk;
      // A line end that ends exactly at the file's end stays uncounted.
      const size_t limit = w.atEnd ? (w.got ? w.got - 1 : 0) : SIZE_MAX;
      size_t from = 0;
      bool held = false;
      for (;;) {
        const lineends::Count c =
            lineends::CountLineEnds(w.data, from, n, w.got, limit, interval - since, rule);
        lines += c.ends;
        since += c.ends;
        from = c.pos;
        if (c.reached) {
          if (!add(lines, pos + int64_t(from))) break;
          since = 0;
          lastRecord = pos + int64_t(from);
          continue;
        }
        held = c.held;
        break;
      }
      if (memoryOut) break;
      pos += int64_t(from);
      progress.Step(std::min(pos, progressMax));
      if (held || w.atEnd) {
        add(lines, pos);
        break;
      }
      // A read cycle ends where no line end straddles (a pair at its end is taken whole).
      if (marks && pos - lastRecord >= spacing) {
        if (!marks->Add(LineCheckpoint{lines, pos})) {
          memoryOut = true;
          break;
        }
        lastRecord = pos;
      }
      if (progress.ShouldStop()) {
        result.cancelled = true;
        break;
      }
    }
  }
  if (memoryOut) fail(ERROR_NOT_ENOUGH_MEMORY);
  if (!out.empty() && !add(o.lone ? 1 : 0, size)) fail(ERROR_NOT_ENOUGH_MEMORY);
  return result;
}

// ---- lookups

namespace {

// The last checkpoint (record 0 read as {0, 0}) whose field is at most value;
// the final record and the trailer are never starts.
LineCheckpoint StartAtOrBelow(const CheckpointList& index, int64_t value, bool byLine) {
  const size_t n = index.size() >= 3 ? index.size() - 2 : 1;
  auto field = [&](size_t i) {
    if (i == 0) return int64_t(0);
    return byLine ? index[i].Lines : index[i].Offset;
  };
  size_t lo = 0, hi = n;  // field(lo) <= value; answer in [lo, hi)
  while (hi - lo > 1) {
    const size_t mid = lo + (hi - lo) / 2;
    if (field(mid) <= value)
      lo = mid;
    else
      hi = mid;
  }
  if (lo == 0) return LineCheckpoint{0, 0};
  return index[lo];
}

// The offset of the first checkpoint or final record with at least `line`
// line ends (the start of that line lies at or before it); -1 when none.
int64_t EndFromLine(const CheckpointList& index, int64_t line) {
  if (index.size() < 3) return -1;
  size_t lo = 1, hi = index.size() - 1;  // records 1 .. final
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (index[mid].Lines < line)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo < index.size() - 1 ? index[lo].Offset : -1;
}

struct Walk {
  int64_t lines = 0;
  int64_t pos = 0;
  bool reached = false;
  bool stopped = false;
  DWORD error = 0;
};

constexpr size_t kWalkReadMax = 1u << 20;

// Counts line ends from `from` (a checkpoint or mark): up to maxEnds of them
// (0: no such stop), or those that end at or before stopAt (-1: no such stop),
// or to the file's end. `end` (-1: the file's end) is where it is known to stop
// at the latest: a walk that may read more than twice the mark spacing shows
// progress and may be stopped. Reads start small (most walks are short) and
// grow to 1 MiB.
Walk WalkLines(const LineLookup& l, const LineCheckpoint& from, int64_t maxEnds, int64_t stopAt, int64_t end) {
  Walk k;
  k.pos = l.rule.wide ? (from.Offset & ~int64_t(1)) : from.Offset;
  const int64_t first = k.pos;
  fileops::File file;
  if (!file.Open(l.path, GENERIC_READ, kShare, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN)) {
    k.error = GetLastError();
    return k;
  }
  const int64_t size = fileops::Files().Size(file.get());
  const int64_t spacing = l.markSpacing > 0 ? l.markSpacing : MarkSpacing(size);
  int64_t until = stopAt >= 0 ? stopAt : end >= 0 ? end : size;
  if (size >= 0 && until > size) until = size;
  ProgressSink* progress = l.progress && until - first > 2 * spacing ? l.progress : nullptr;
  if (progress) progress->SetMaximum(until - first);
  size_t chunk = std::max<size_t>(l.chunk, 4);
  const size_t overlap = 4;
  int64_t lastMark = k.pos;
  Window w;
  for (;;) {
    if (stopAt >= 0 && k.pos >= stopAt) return k;
    if (!ReadWindow(file.get(), k.pos, chunk, overlap, w, &k.error)) return k;
    size_t n = w.atEnd ? w.got : chunk;
    size_t limit = w.atEnd ? (w.got ? w.got - 1 : 0) : SIZE_MAX;
    bool cut = false;
    if (stopAt >= 0 && uint64_t(stopAt - k.pos) <= n) {
      // Only line ends that end at or before stopAt count.
      n = size_t(stopAt - k.pos);
      limit = std::min(limit, n);
      cut = true;
    }
    const lineends::Count c =
        lineends::CountLineEnds(w.data, 0, n, w.got, limit, maxEnds > 0 ? maxEnds - k.lines : 0, l.rule);
    k.lines += c.ends;
    k.pos += int64_t(c.pos);
    if (c.reached) {
      k.reached = true;
      return k;
    }
    if (c.held || w.atEnd || c.pos == 0) return k;
    // A whole window ends where no line end straddles: a mark may stand there.
    if (!cut && l.marks && k.pos - lastMark >= spacing) {
      l.marks->Add(LineCheckpoint{from.Lines + k.lines, k.pos});
      lastMark = k.pos;
    }
    if (progress) {
      progress->Step(k.pos - first);
      if (progress->ShouldStop()) {
        k.stopped = true;
        return k;
      }
    }
    chunk = std::min(chunk * 2, kWalkReadMax);
  }
}

}  // namespace

LineLookupResult LineToOffset(const CheckpointList& index, const LineLookup& lookup, int64_t line) {
  LineLookupResult r;
  if (index.empty() || line < 0) return r;
  LineCheckpoint c = StartAtOrBelow(index, line, true);
  if (c.Lines == line) {
    r.found = true;
    r.value = c.Offset;
    return r;
  }
  int64_t end = EndFromLine(index, line);
  if (lookup.marks) {
    if (const LineCheckpoint* m = lookup.marks->LastBelowLine(line))
      if (m->Offset > c.Offset) c = *m;
    if (const LineCheckpoint* m = lookup.marks->FirstFromLine(line))
      if (end < 0 || m->Offset < end) end = m->Offset;
  }
  const Walk k = WalkLines(lookup, c, line - c.Lines, -1, end);
  r.error = k.error;
  r.stopped = k.stopped;
  r.found = k.reached && !k.error;
  if (r.found) r.value = k.pos;
  return r;
}

LineLookupResult OffsetToLine(const CheckpointList& index, const LineLookup& lookup, int64_t offset) {
  LineLookupResult r;
  if (index.empty() || offset < 0) return r;
  LineCheckpoint c = StartAtOrBelow(index, offset, false);
  if (lookup.marks)
    if (const LineCheckpoint* m = lookup.marks->LastAtOrBefore(offset))
      if (m->Offset > c.Offset) c = *m;
  if (c.Offset == offset) {
    r.found = true;
    r.value = c.Lines;
    return r;
  }
  const Walk k = WalkLines(lookup, c, 0, offset, -1);
  r.error = k.error;
  r.stopped = k.stopped;
  r.found = !k.error && !k.stopped;
  r.value = c.Lines + k.lines;
  return r;
}

void ShiftLineIndex(CheckpointList& index, int64_t pivot, int64_t delta) {
  if (index.size() < 2) return;
  for (size_t i = 1; i + 1 < index.size(); ++i) {
    LineCheckpoint& r = index[i];
    if (r.Offset > pivot) r.Offset = std::max(pivot, r.Offset + delta);
  }
}

// ---- line-list files

bool ValidLineList(const CheckpointList& list, int64_t fileSize) {
  const size_t n = list.size();
  if (n < 2) return false;
  if (list[0].Lines != 0 || list[0].Offset != 1) return false;
  const LineCheckpoint& t = list[n - 1];
  if ((t.Lines != 0 && t.Lines != 1) || t.Offset != fileSize) return false;
  for (size_t i = 1; i + 1 < n; ++i) {
    const LineCheckpoint& a = list[i - 1];
    const LineCheckpoint& b = list[i];
    if (b.Offset > fileSize || b.Offset < 0) return false;
    const bool isFinal = i + 2 == n;
    if (isFinal) {
      if (n == 3 && b.Lines == 0 && b.Offset == 0) continue;  // an empty file's final record
      if (b.Lines < a.Lines || b.Offset < a.Offset) return false;
    } else if (b.Lines <= a.Lines || b.Offset <= a.Offset) {
      return false;
    }
  }
  return true;
}

namespace {
void PutLe64(uint8_t* p, int64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = uint8_t(uint64_t(v) >> (8 * i));
}
int64_t GetLe64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return int64_t(v);
}
}  // namespace

LineListRead ReadLineListFile(const std::wstring& path, int64_t fileSize, CheckpointList& out, DWORD* error) {
  out.clear();
  DWORD dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  fileops::File file;
  if (!file.Open(path, GENERIC_READ, kShare, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN)) {
    *error = GetLastError();
    return LineListRead::Failed;
  }
  const int64_t size = fileops::Files().Size(file.get());
  if (size < 0) {
    *error = GetLastError();
    return LineListRead::Failed;
  }
  if (size < kLineListMinBytes || size > kLineListMaxBytes) return LineListRead::Invalid;
  const DWORD want = DWORD(size / 16 * 16);
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(want);
  } catch (const std::bad_alloc&) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return LineListRead::Failed;
  }
  DWORD got = 0;
  if (!fileops::ReadFully(file.get(), bytes.data(), want, &got)) {
    *error = GetLastError();
    if (*error == 0) *error = ERROR_READ_FAULT;
    return LineListRead::Failed;
  }
  if (got != want) return LineListRead::Invalid;
  for (DWORD i = 0; i < want; i += 16) {
    if (!out.Append(LineCheckpoint{GetLe64(&bytes[i]), GetLe64(&bytes[i + 8])})) {
      out.clear();
      *error = ERROR_NOT_ENOUGH_MEMORY;
      return LineListRead::Failed;
    }
  }
  if (!ValidLineList(out, fileSize)) {
    out.clear();
    return LineListRead::Invalid;
  }
  return LineListRead::Ok;
}

bool WriteLineListFile(const std::wstring& path, const CheckpointList& list, DWORD* error) {
  DWORD dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  const std::wstring fresh = path + L".new";
  fileops::File file;
  if (!file.Open(fresh, GENERIC_WRITE, kShare, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN)) {
    *error = GetLastError();
    return false;
  }
  bool ok = true;
  uint8_t block[16 * 1024];
  size_t used = 0;
  for (size_t i = 0; ok && i < list.size(); ++i) {
    PutLe64(block + used, list[i].Lines);
    PutLe64(block + used + 8, list[i].Offset);
    used += 16;
    if (used == sizeof block || i + 1 == list.size()) {
      if (!fileops::WriteFully(file.get(), block, DWORD(used))) {
        *error = GetLastError();
        ok = false;
      }
      used = 0;
    }
  }
  if (!file.Close() && ok) {
    *error = GetLastError();
    ok = false;
  }
  if (ok && !fileops::Files().Replace(fresh, path)) {
    *error = GetLastError();
    ok = false;
  }
  if (!ok) {
    if (*error == 0) *error = ERROR_WRITE_FAULT;
    const DWORD keep = *error;
    fileops::Files().Delete(fresh);
    *error = keep;
  }
  return ok;
}

int64_t LineListFileCount(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  if (path.empty() || !fileops::Files().FindFirst(path, &fd)) return 0;
  const int64_t size = (int64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
  return size / 16;
}

bool MarkLineListStale(const std::wstring& path) {
  fileops::File file;
  if (!file.Open(path, GENERIC_WRITE | GENERIC_READ, kShare, OPEN_EXISTING, 0)) return false;
  const int64_t size = fileops::Files().Size(file.get());
  if (size < kLineListMinBytes) return false;
  if (fileops::Files().Seek(file.get(), size / 16 * 16 - 8, FILE_BEGIN) < 0) return false;
  uint8_t minusOne[8];
  PutLe64(minusOne, -1);
  return fileops::WriteFully(file.get(), minusOne, 8) && file.Close();
}

bool IsLineListName(const std::wstring& name) {
  if (name.size() < 9) return false;
  auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; };
  std::wstring s;
  for (wchar_t c : name) s += lower(c);
  if (s.compare(0, 4, L"list") != 0 || s.compare(s.size() - 4, 4, L".txg") != 0) return false;
  for (size_t i = 4; i + 4 < s.size(); ++i)
    if (s[i] < L'0' || s[i] > L'9') return false;
  return true;
}

}  // namespace engine
