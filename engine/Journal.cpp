// The journal file. See Journal.h for what it holds and the order of writes.
//
// Layout (every piece starts on a 4096-byte boundary):
//   record 0    a record of 64 bytes (even sequence numbers)
//   record 1    the same (odd sequence numbers)
//   header      magic, length, checksum, then the fields and the paths
// A journal without a valid record never let its operation change a file
// (the first record is flushed before the first change), whatever its header
// holds: a start removes it without a word.
//   new bytes   (a tail move) the bytes that replace the range
//   kept bytes  (a tail move) the original bytes the operation overwrites
//   copy 0, 1   (a tail move) the source of a segment whose target overlaps it
#include "engine/Journal.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "engine/TailMover.h"
#include "framework/FileOps.h"
#include "text/Cpu.h"

namespace engine {

const wchar_t kJournalExtension[] = L".journal";
const wchar_t kJournalAsideExtension[] = L".journal-kept";

namespace {

using fileops::Files;

// The header's mark, with the version last: '1' checks segment copies with
// CRC-32, '2' (written now) with CopySum. Both are read.
constexpr char kMagic[8] = {'V', 'S', 'T', 'L', 'J', 'R', 'N', '2'};
constexpr char kVersions[] = "12";

// Which version a header mark is, 0 for none.
int MagicVersion(const char* m) {
  if (std::memcmp(m, kMagic, 7) != 0) return 0;
  for (const char* v = kVersions; *v; ++v)
    if (m[7] == *v) return *v - '0';
  return 0;
}
constexpr uint32_t kRecordMagic = 0x52435256;  // "VRCR"
constexpr int64_t kPage = 4096;
constexpr DWORD kRecordSize = 64;
constexpr int64_t kHeaderAt = 2 * kPage;

int64_t RoundUp(int64_t n) { return (n + kPage - 1) / kPage * kPage; }

struct Writer {
  std::string b;
  void U32(uint32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); }
  void U64(uint64_t v) { b.append(reinterpret_cast<const char*>(&v), 8); }
  void Str(const std::wstring& s) {
    U32(static_cast<uint32_t>(s.size()));
    b.append(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  }
};

struct Reader {
  const std::string& b;
  size_t at = 0;
  bool ok = true;
  bool Take(void* out, size_t n) {
    if (!ok || b.size() - at < n) return ok = false;
    std::memcpy(out, b.data() + at, n);
    at += n;
    return true;
  }
  uint32_t U32() {
    uint32_t v = 0;
    Take(&v, 4);
    return v;
  }
  uint64_t U64() {
    uint64_t v = 0;
    Take(&v, 8);
    return v;
  }
  std::wstring Str() {
    const uint32_t n = U32();
    if (!ok || n > 32768) {
      ok = false;
      return std::wstring();
    }
    std::wstring s(n, L'\0');
    if (n) Take(&s[0], n * 2);
    return s;
  }
};

std::string HeaderBody(const JournalHeader& h) {
  Writer w;
  w.U32(static_cast<uint32_t>(h.kind));
  w.Str(h.path);
  w.U64(h.volume);
  w.U64(h.index);
  w.U64(static_cast<uint64_t>(h.sizeBefore));
  w.U32(h.lastWriteBefore.dwLowDateTime);
  w.U32(h.lastWriteBefore.dwHighDateTime);
  w.U64(static_cast<uint64_t>(h.start));
  w.U64(static_cast<uint64_t>(h.oldLength));
  w.U64(static_cast<uint64_t>(h.newLength));
  w.U64(static_cast<uint64_t>(h.keptLength));
  w.U32(h.slotSize);
  w.U32(h.newCrc);
  w.U32(h.keptCrc);
  w.Str(h.tempPath);
  w.U64(h.tempVolume);
  w.U64(h.tempIndex);
  w.U64(static_cast<uint64_t>(h.newOffset));
  w.U64(static_cast<uint64_t>(h.keptOffset));
  w.U64(static_cast<uint64_t>(h.slotOffset[0]));
  w.U64(static_cast<uint64_t>(h.slotOffset[1]));
  return w.b;
}

bool ParseHeader(const std::string& body, JournalHeader* h) {
  Reader r{body};
  h->kind = static_cast<JournalKind>(r.U32());
  h->path = r.Str();
  h->volume = r.U64();
  h->index = r.U64();
  h->sizeBefore = static_cast<int64_t>(r.U64());
  h->lastWriteBefore.dwLowDateTime = r.U32();
  h->lastWriteBefore.dwHighDateTime = r.U32();
  h->start = static_cast<int64_t>(r.U64());
  h->oldLength = static_cast<int64_t>(r.U64());
  h->newLength = static_cast<int64_t>(r.U64());
  h->keptLength = static_cast<int64_t>(r.U64());
  h->slotSize = r.U32();
  h->newCrc = r.U32();
  h->keptCrc = r.U32();
  h->tempPath = r.Str();
  h->tempVolume = r.U64();
  h->tempIndex = r.U64();
  h->newOffset = static_cast<int64_t>(r.U64());
  h->keptOffset = static_cast<int64_t>(r.U64());
  h->slotOffset[0] = static_cast<int64_t>(r.U64());
  h->slotOffset[1] = static_cast<int64_t>(r.U64());
  if (!r.ok || r.at != body.size()) return false;
  if (h->kind != JournalKind::Move && h->kind != JournalKind::Replace) return false;
  if (h->path.empty() || h->sizeBefore < 0) return false;
  if (h->kind == JournalKind::Move) {
    if (h->start < 0 || h->oldLength < 0 || h->newLength < 0 || h->keptLength < 0 ||
        h->start > h->sizeBefore || h->oldLength > h->sizeBefore - h->start || h->keptLength > h->oldLength ||
        h->newLength > 0xFFFFFFFFll)
      return false;
  }
  return true;
}

std::string RecordBytes(const JournalRecord& r) {
  Writer w;
  w.U32(kRecordMagic);
  w.U32(r.seq);
  w.U32(static_cast<uint32_t>(r.step));
  w.U32(static_cast<uint32_t>(r.slot));
  w.U64(static_cast<uint64_t>(r.lo));
  w.U64(static_cast<uint64_t>(r.hi));
  w.U64(static_cast<uint64_t>(r.delta));
  w.U64(static_cast<uint64_t>(r.progress));
  w.U32(r.segment);
  w.U32(r.slotCrc);
  w.U32(Crc32(w.b.data(), w.b.size()));
  w.b.resize(kRecordSize, '\0');
  return w.b;
}

bool ParseRecord(const std::string& b, JournalRecord* r) {
  if (b.size() < kRecordSize) return false;
  uint32_t crc = 0;
  std::memcpy(&crc, b.data() + 56, 4);
  if (crc != Crc32(b.data(), 56)) return false;
  Reader rd{b};
  if (rd.U32() != kRecordMagic) return false;
  r->seq = rd.U32();
  r->step = static_cast<JournalStep>(rd.U32());
  r->slot = static_cast<int32_t>(rd.U32());
  r->lo = static_cast<int64_t>(rd.U64());
  r->hi = static_cast<int64_t>(rd.U64());
  r->delta = static_cast<int64_t>(rd.U64());
  r->progress = static_cast<int64_t>(rd.U64());
  r->segment = rd.U32();
  r->slotCrc = rd.U32();
  return r->seq > 0 && r->slot >= -1 && r->slot <= 1;
}

bool EndsWith(const std::wstring& s, const wchar_t* tail) {
  const size_t n = wcslen(tail);
  if (s.size() < n) return false;
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, s.c_str() + s.size() - n, static_cast<int>(n), tail,
                        static_cast<int>(n)) == CSTR_EQUAL;
}

std::wstring WithSlash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

// The journals of folder, oldest first.
std::vector<std::wstring> JournalFiles(const std::wstring& folder) {
  struct Entry {
    FILETIME created;
    std::wstring name;
  };
  std::vector<Entry> found;
  WIN32_FIND_DATAW fd;
  HANDLE s = FindFirstFileW((WithSlash(folder) + L"*" + kJournalExtension).c_str(), &fd);
  if (s == INVALID_HANDLE_VALUE) return {};
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!EndsWith(fd.cFileName, kJournalExtension)) continue;
    found.push_back({fd.ftCreationTime, fd.cFileName});
  } while (FindNextFileW(s, &fd));
  FindClose(s);
  std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
    const LONG c = CompareFileTime(&a.created, &b.created);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  std::vector<std::wstring> out;
  for (const Entry& e : found) out.push_back(WithSlash(folder) + e.name);
  return out;
}

bool IdentityOf(const std::wstring& path, uint64_t* volume, uint64_t* index, DWORD* error) {
  fileops::File f;
  if (!f.Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0)) {
    *error = GetLastError();
    return false;
  }
  if (!Files().Identity(f.get(), volume, index)) {
    *error = GetLastError();
    return false;
  }
  return true;
}

// The file the journal names is still as it was before the operation.
bool Unchanged(const JournalHeader& h) {
  fileops::File f;
  if (!f.Open(h.path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0)) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!Files().Information(f.get(), &info)) return false;
  const uint64_t index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  const int64_t size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return info.dwVolumeSerialNumber == h.volume && index == h.index && size == h.sizeBefore &&
         CompareFileTime(&info.ftLastWriteTime, &h.lastWriteBefore) == 0;
}

RecoveryReport ResumeReplace(Journal& j, const JournalHeader& h) {
  RecoveryReport rep;
  rep.kind = JournalKind::Replace;
  rep.path = h.path;
  uint64_t v = 0, i = 0;
  DWORD e = 0;
  if (IdentityOf(h.path, &v, &i, &e) && v == h.volume && i == h.index) {
    // Not replaced: the new file, if it is still ours, goes.
    uint64_t tv = 0, ti = 0;
    if (IdentityOf(h.tempPath, &tv, &ti, &e) && tv == h.tempVolume && ti == h.tempIndex) Files().Delete(h.tempPath);
    rep.result = RecoveryResult::Original;
    j.Remove();
    return rep;
  }
  if (IdentityOf(h.path, &v, &i, &e) && v == h.tempVolume && i == h.tempIndex) {
    rep.result = RecoveryResult::Finished;
    j.Remove();
    return rep;
  }
  // Gone or replaced by someone else: nothing is touched, the new file stays.
  rep.result = RecoveryResult::NotTouched;
  rep.rangeStart = 0;
  rep.rangeEnd = h.sizeBefore;
  rep.journalKept = j.SetAside();
  return rep;
}

}  // namespace

namespace {

// The tables of CRC-32 taken eight bytes at a time.
struct CrcTables {
  uint32_t t[8][256];
  CrcTables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
      for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  }
};

}  // namespace

namespace {

// CopySum's lanes: four 32-bit words side by side (word i goes to lane i % 4),
// each with a running sum a and a sum of its running sums b (so that the
// order of the words counts), all modulo 2^32. The two ways below give the
// same lanes; the SSE2 one is taken where the processor has it (asked once
// through cpuid: the program also runs on processors without it).
struct SumLanes {
  uint32_t a[4] = {1, 1, 1, 1}, b[4] = {0, 0, 0, 0};
};

void SumWords(const unsigned char* p, size_t groups, SumLanes& l) {
  for (; groups; --groups, p += 16) {
    for (int k = 0; k < 4; ++k) {
      uint32_t w;
      std::memcpy(&w, p + 4 * k, 4);
      l.a[k] += w;
      l.b[k] += l.a[k];
    }
  }
}

__attribute__((target("sse2"))) void SumWordsSse2(const unsigned char* p, size_t groups, SumLanes& l) {
  __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l.a));
  __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l.b));
  for (; groups; --groups, p += 16) {
    a = _mm_add_epi32(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    b = _mm_add_epi32(b, a);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(l.a), a);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(l.b), b);
}

}  // namespace

int64_t PerfTicks() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

uint32_t CopySum(const void* data, size_t length, bool vector) {
  const auto* p = static_cast<const unsigned char*>(data);
  SumLanes l;
  const size_t groups = length / 16;
  if (vector && cpu::HasSse2()) {
    SumWordsSse2(p, groups, l);
  } else {
    SumWords(p, groups, l);
  }
  for (size_t i = groups * 16; i < length; ++i) {
    l.a[0] += p[i];
    l.b[0] += l.a[0];
  }
  uint32_t parts[9];
  std::memcpy(parts, l.a, 16);
  std::memcpy(parts + 4, l.b, 16);
  parts[8] = static_cast<uint32_t>(length);
  return Crc32(parts, sizeof parts);
}

uint32_t Crc32(const void* data, size_t length, uint32_t crc) {
  static const CrcTables tables;
  const auto& t = tables.t;
  const auto* p = static_cast<const unsigned char*>(data);
  crc = ~crc;
  for (; length >= 8; p += 8, length -= 8) {
    uint32_t one, two;
    std::memcpy(&one, p, 4);
    std::memcpy(&two, p + 4, 4);
    one ^= crc;
    crc = t[7][one & 0xFF] ^ t[6][(one >> 8) & 0xFF] ^ t[5][(one >> 16) & 0xFF] ^ t[4][one >> 24] ^
          t[3][two & 0xFF] ^ t[2][(two >> 8) & 0xFF] ^ t[1][(two >> 16) & 0xFF] ^ t[0][two >> 24];
  }
  for (; length; --length) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

// ---- Journal

Journal::~Journal() {
  if (IsOpen()) Files().Close(h_);
}

bool Journal::Fail() {
  error = GetLastError();
  if (!error) error = ERROR_WRITE_FAULT;
  return false;
}

bool Journal::Create(const std::wstring& folder, JournalHeader& header) {
  const std::wstring base = WithSlash(folder) + L"vastrel-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetTickCount());
  for (int n = 0;; ++n) {
    path_ = base + L"-" + std::to_wstring(n) + kJournalExtension;
    // Others may read it (and it may be renamed aside while open), but no
    // other start takes it for a journal to recover while this one runs.
    h_ = Files().Open(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL);
    if (h_ != INVALID_HANDLE_VALUE) break;
    const DWORD e = GetLastError();
    if ((e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) || n >= 100) {
      path_.clear();
      error = e ? e : ERROR_CANNOT_MAKE;
      return false;
    }
  }
  // The header's own length does not depend on the offsets: lay out with it.
  int64_t at = kHeaderAt + RoundUp(static_cast<int64_t>(HeaderBody(header).size()) + 16);
  header.newOffset = at;
  at = RoundUp(at + header.newLength);
  header.keptOffset = at;
  at = RoundUp(at + header.keptLength);
  header.slotOffset[0] = at;
  header.slotOffset[1] = RoundUp(at + header.slotSize);
  slotOffset_[0] = header.slotOffset[0];
  slotOffset_[1] = header.slotOffset[1];
  const int64_t total = header.slotSize ? header.slotOffset[1] + header.slotSize : at;
  // The whole journal's room is taken now, so that a full disk shows before
  // the edited file is touched.
  if (Files().Seek(h_, total, FILE_BEGIN) != total || !Files().SetEnd(h_)) {
    Fail();
    Remove();
    return false;
  }
  if (!WriteHeader(header)) {
    const DWORD e = error;
    Remove();
    error = e;
    return false;
  }
  seq_ = 0;
  return true;
}

bool Journal::WriteHeader(const JournalHeader& header) {
  const std::string body = HeaderBody(header);
  std::string bytes(kMagic, kMagic + 8);
  bytes[7] = static_cast<char>('0' + version_);
  const uint32_t len = static_cast<uint32_t>(body.size()), crc = Crc32(body.data(), body.size());
  bytes.append(reinterpret_cast<const char*>(&len), 4);
  bytes.append(reinterpret_cast<const char*>(&crc), 4);
  bytes += body;
  return WriteAt(kHeaderAt, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void Journal::Invalidate() {
  const std::string zeros(2 * kPage, '\0');
  if (WriteAt(0, zeros.data(), static_cast<DWORD>(zeros.size())) && Files().Flush(h_)) return;
  // The records stay: the journal goes aside under another name (still open
  // for its kept bytes), so that no start runs them.
  const std::wstring aside = AsideName();
  if (Files().Move(path_, aside)) path_ = aside;
}

std::wstring Journal::AsideName() const {
  std::wstring stem = path_;
  if (EndsWith(stem, kJournalExtension)) stem.resize(stem.size() - wcslen(kJournalExtension));
  for (int n = 0; n < 100; ++n) {
    const std::wstring target = stem + (n ? L"(" + std::to_wstring(n) + L")" : std::wstring()) + kJournalAsideExtension;
    if (!Files().FindFirst(target, nullptr)) return target;
  }
  return stem + L"(100)" + kJournalAsideExtension;
}

bool Journal::OpenExisting(const std::wstring& path) {
  path_ = path;
  h_ = Files().Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (h_ == INVALID_HANDLE_VALUE) return Fail();
  return true;
}

bool Journal::WriteAt(int64_t pos, const void* data, DWORD length) {
  if (!length) return true;
  if (Files().Seek(h_, pos, FILE_BEGIN) != pos || !fileops::WriteFully(h_, data, length)) return Fail();
  return true;
}

bool Journal::ReadAt(int64_t pos, void* data, DWORD length) {
  if (!length) return true;
  DWORD got = 0;
  if (Files().Seek(h_, pos, FILE_BEGIN) != pos || !fileops::ReadFully(h_, data, length, &got)) return Fail();
  if (got != length) {
    error = ERROR_HANDLE_EOF;
    return false;
  }
  return true;
}

uint32_t Journal::SlotSum(const void* copy, size_t length) const {
  return version_ == 1 ? Crc32(copy, length) : CopySum(copy, length);
}

bool Journal::Note(JournalRecord record, const void* copy) {
  record.seq = ++seq_;
  if (copy && record.slot >= 0) {
    record.slotCrc = SlotSum(copy, record.segment);
    if (!WriteAt(slotOffset_[record.slot], copy, record.segment)) return false;
  } else {
    record.slot = -1;
    record.slotCrc = 0;
  }
  const std::string b = RecordBytes(record);
  if (!WriteAt((record.seq % 2) * kPage, b.data(), kRecordSize)) return false;
  const int64_t t0 = PerfTicks();
  if (!Files().Flush(h_)) return Fail();
  lastFlushTicks = PerfTicks() - t0;
  return true;
}

bool Journal::ReadHeader(JournalHeader* header) {
  char head[16];
  if (!ReadAt(kHeaderAt, head, 16)) return false;
  const int version = MagicVersion(head);
  if (!version) return false;
  version_ = version;
  uint32_t len = 0, crc = 0;
  std::memcpy(&len, head + 8, 4);
  std::memcpy(&crc, head + 12, 4);
  if (len > (1u << 20)) return false;
  std::string body(len, '\0');
  if (!ReadAt(kHeaderAt + 16, &body[0], len)) return false;
  if (Crc32(body.data(), body.size()) != crc) return false;
  if (!ParseHeader(body, header)) return false;
  slotOffset_[0] = header->slotOffset[0];
  slotOffset_[1] = header->slotOffset[1];
  return true;
}

bool Journal::OursOrBlank() {
  const int64_t size = Files().Size(h_);
  if (size == 0) return true;
  std::string b(static_cast<size_t>(std::min<int64_t>(size, kHeaderAt + 8)), '\0');
  if (!ReadAt(0, &b[0], static_cast<DWORD>(b.size()))) return false;
  if (b.size() == static_cast<size_t>(kHeaderAt + 8) && MagicVersion(b.data() + kHeaderAt)) return true;
  return b.find_first_not_of('\0') == std::string::npos;
}

bool Journal::AnyRecord() {
  for (int k = 0; k < 2; ++k) {
    std::string b(kRecordSize, '\0');
    JournalRecord r;
    if (ReadAt(k * kPage, &b[0], kRecordSize) && ParseRecord(b, &r)) return true;
  }
  return false;
}

bool Journal::LatestRecord(const JournalHeader& header, JournalRecord* record) {
  bool found = false;
  std::vector<char> copy;
  for (int k = 0; k < 2; ++k) {
    std::string b(kRecordSize, '\0');
    JournalRecord r;
    if (!ReadAt(k * kPage, &b[0], kRecordSize) || !ParseRecord(b, &r)) continue;
    if (found && r.seq <= record->seq) continue;
    if (r.slot >= 0) {
      // A record whose copy did not reach the disk whole protects nothing yet.
      if (r.segment > header.slotSize) continue;
      copy.resize(r.segment);
      if (!ReadAt(header.slotOffset[r.slot], copy.data(), r.segment) ||
          SlotSum(copy.data(), copy.size()) != r.slotCrc)
        continue;
    }
    *record = r;
    found = true;
  }
  if (found) seq_ = record->seq;
  return found;
}

void Journal::Remove() {
  if (!IsOpen()) return;
  if (Files().Seek(h_, 0, FILE_BEGIN) == 0) Files().SetEnd(h_);
  Files().Close(h_);
  h_ = INVALID_HANDLE_VALUE;
  Files().Delete(path_);
}

std::wstring Journal::SetAside() {
  if (IsOpen()) {
    Files().Close(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  if (EndsWith(path_, kJournalAsideExtension)) return path_;
  const std::wstring target = AsideName();
  if (Files().Move(path_, target)) path_ = target;
  return path_;
}

// ---- ReplaceJournal

bool ReplaceJournal::Begin(const std::wstring& folder, const std::wstring& target, const std::wstring& temp,
                           HANDLE tempHandle) {
  if (folder.empty()) return true;
  fileops::File t;
  if (!t.Open(target, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0)) {
    const DWORD e = GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return true;  // nothing is replaced
    error = e;
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!Files().Information(t.get(), &info) ||
      !Files().Identity(tempHandle, &header_.tempVolume, &header_.tempIndex)) {
    error = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    return false;
  }
  header_.kind = JournalKind::Replace;
  header_.path = target;
  header_.volume = info.dwVolumeSerialNumber;
  header_.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  header_.sizeBefore = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  header_.lastWriteBefore = info.ftLastWriteTime;
  header_.tempPath = temp;
  JournalRecord r;
  if (!journal_.Create(folder, header_) || !journal_.Note(r, nullptr)) {
    error = journal_.error;
    journal_.Remove();
    return false;
  }
  return true;
}

bool ReplaceJournal::Ready(HANDLE tempHandle) {
  if (!Active()) return true;
  if (!Files().Flush(tempHandle)) {
    error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    return false;
  }
  JournalRecord r;
  r.step = JournalStep::ReplaceReady;
  if (!journal_.Note(r, nullptr)) {
    error = journal_.error;
    return false;
  }
  return true;
}

void ReplaceJournal::Done() { journal_.Remove(); }

// ---- recovery

bool HasJournals(const std::wstring& folder) {
  for (const std::wstring& p : JournalFiles(folder)) {
    fileops::File f;
    if (f.Open(p, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) return true;
  }
  return false;
}

std::vector<RecoveryReport> RecoverJournals(const std::wstring& folder, ProgressSink& sink) {
  std::vector<RecoveryReport> reports;
  for (const std::wstring& p : JournalFiles(folder)) {
    Journal j;
    if (!j.OpenExisting(p)) continue;  // in use by a running program, or not ours to open
    JournalHeader h;
    const bool header = j.ReadHeader(&h);
    JournalRecord r;
    if (!j.AnyRecord()) {
      // No record reached the disk: the file was never touched, unless the
      // journal was given up on the way (it then says only where to look).
      if (header && h.kind == JournalKind::Move && !Unchanged(h)) {
        RecoveryReport rep;
        rep.path = h.path;
        rep.result = RecoveryResult::NotTouched;
        rep.rangeStart = h.start;
        rep.rangeEnd = std::max(h.sizeBefore, h.sizeBefore + h.newLength - h.oldLength);
        rep.journalKept = j.SetAside();
        reports.push_back(rep);
      } else if (header || j.OursOrBlank()) {
        j.Remove();
      } else {
        RecoveryReport rep;  // not a journal of this program: kept for the user
        rep.result = RecoveryResult::Unreadable;
        rep.journalKept = j.SetAside();
        reports.push_back(rep);
      }
      continue;
    }
    if (!header) {
      RecoveryReport rep;
      rep.result = RecoveryResult::Unreadable;
      rep.journalKept = j.SetAside();
      reports.push_back(rep);
      continue;
    }
    if (h.kind == JournalKind::Replace) {
      reports.push_back(ResumeReplace(j, h));
      continue;
    }
    if (!j.LatestRecord(h, &r)) {
      // Records without their copies: the copy slots do not hold what they say.
      RecoveryReport rep;
      rep.path = h.path;
      rep.result = RecoveryResult::Unreadable;
      rep.journalKept = j.SetAside();
      reports.push_back(rep);
      continue;
    }
    reports.push_back(ResumeTailMove(j, h, r, sink));
  }
  return reports;
}

}  // namespace engine
