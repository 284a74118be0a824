// The whole-file converter; see FileConverter.h.
#include "engine/FileConverter.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_set>
#include <vector>

#include "engine/Journal.h"
#include "framework/FileOps.h"
#include "text/ReadArea.h"
#include "text/conv_block.h"
#include "text/conv_bytes.h"

namespace engine {
namespace {

constexpr unsigned char kEsc = 0x1B, kSO = 0x0E, kSI = 0x0F;
// A JIS output held back for the end of its run is written anyway beyond this
// size (the run then closes and opens again: the same characters).
constexpr size_t kJisHoldMax = 4u << 20;

// The JIS tokens as JisToSjis reads them, from shift mode *mode (0 single-byte,
// 1 double-byte, 2 kana by ESC ( I, 3 kana by SO). Returns the end of the last
// whole token; without final, a token that may need bytes past len is left out.
size_t JisScan(const unsigned char* d, size_t len, bool final, int* mode) {
  int m = *mode;
  size_t i = 0, end = 0;
  int endMode = m;
  auto at = [&](size_t k) -> unsigned { return k < len ? d[k] : 0u; };
  auto token = [&](size_t next) {
    i = next;
    end = i;
    endMode = m;
  };
  while (i < len) {
    const unsigned b = d[i];
    if (b == kEsc) {
      if (!final && len - i < 6) break;  // the longest sequence is six bytes
      if (at(i + 1) == '&' && at(i + 2) == '@' && at(i + 3) == kEsc && at(i + 4) == '$' && at(i + 5) == 'B') {
        m = 1;
        token(i + 6);
        continue;
      }
      int n = 0, nm = m;
      if (at(i + 1) == '$') {
        if (at(i + 2) == '@' || at(i + 2) == 'B') n = 3, nm = 1;
        else if (at(i + 2) == '(' && at(i + 3) == 'D') n = 4, nm = 1;
      } else if (at(i + 1) == '(') {
        if (at(i + 2) == 'B' || at(i + 2) == 'J') n = 3, nm = 0;
        else if (at(i + 2) == 'I') n = 3, nm = 2;
      }
      if (n) {
        m = nm;
        token(i + n);
        continue;
      }
    } else if (b == kSO) {
      m = 3;
      token(i + 1);
      continue;
    }
    if (m == 3 && (b == kSI || b < 0x21 || b > 0x5F)) {
      m = 0;
      if (b == kSI) token(i + 1);
      continue;
    }
    if (m == 1 && b >= 0x21 && b <= 0x7E) {
      if (i + 1 >= len) {
        if (!final) break;
        token(i + 1);
      } else {
        const unsigned t = d[i + 1];
        token(i + ((t >= 0x21 && t <= 0x7E) ? 2 : 1));
      }
      continue;
    }
    token(i + 1);
  }
  *mode = endMode;
  return end;
}

// After the last byte below `below` (a byte that no multi-byte character of the
// code contains), 0 when there is none.
size_t AfterLastLowByte(const unsigned char* d, size_t len, unsigned below) {
  for (size_t k = len; k > 0; --k)
    if (d[k - 1] < below) return k;
  return 0;
}

// The designation that puts JisToSjis into mode m at the start of a text.
const char* JisModePrefix(int m) {
  switch (m) {
    case 1: return "\x1B$B";
    case 2: return "\x1B(I";
    case 3: return "\x0E";
    default: return "";
  }
}

char16_t OrderUnit(char16_t u, conv::ByteOrder order) { return order == conv::ByteOrder::Big ? conv::Swap16(u) : u; }

std::wstring FolderOf(const std::wstring& path) {
  const size_t k = path.find_last_of(L"\\/");
  return k == std::wstring::npos ? std::wstring() : path.substr(0, k + 1);
}

// Threads that convert the parts of one block side by side; the caller's
// thread takes part 0. Part k is started by Run and done before Run returns.
class PartPool {
 public:
  explicit PartPool(int parts) {
    for (int k = 1; k < parts; ++k) threads_.emplace_back([this, k] { Serve(k); });
  }
  ~PartPool() {
    {
      std::lock_guard<std::mutex> lock(m_);
      quit_ = true;
    }
    start_.notify_all();
    for (auto& t : threads_) t.join();
  }
  PartPool(const PartPool&) = delete;
  PartPool& operator=(const PartPool&) = delete;

  int Parts() const { return static_cast<int>(threads_.size()) + 1; }

  // Runs job(k) for every part k, at once.
  void Run(const std::function<void(int)>& job) {
    {
      std::lock_guard<std::mutex> lock(m_);
      job_ = &job;
      pending_ = static_cast<int>(threads_.size());
      ++round_;
    }
    start_.notify_all();
    job(0);
    std::unique_lock<std::mutex> lock(m_);
    done_.wait(lock, [this] { return pending_ == 0; });
    job_ = nullptr;
  }

 private:
  void Serve(int k) {
    uint64_t seen = 0;
    for (;;) {
      const std::function<void(int)>* job;
      {
        std::unique_lock<std::mutex> lock(m_);
        start_.wait(lock, [&] { return quit_ || round_ != seen; });
        if (quit_) return;
        seen = round_;
        job = job_;
      }
      (*job)(k);
      {
        std::lock_guard<std::mutex> lock(m_);
        --pending_;
      }
      done_.notify_one();
    }
  }

  std::vector<std::thread> threads_;
  std::mutex m_;
  std::condition_variable start_, done_;
  const std::function<void(int)>* job_ = nullptr;
  int pending_ = 0;
  uint64_t round_ = 0;
  bool quit_ = false;
};

// Writes each block's output while the caller goes on with the next block;
// without `on`, writes at once. A failed write fails the next call.
class BackgroundWriter {
 public:
  explicit BackgroundWriter(bool on) {
    if (!on) return;
    try {
      thread_ = std::thread([this] { Serve(); });
    } catch (const std::exception&) {
    }
  }
  ~BackgroundWriter() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(m_);
      quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Takes the pieces of *data to write in order after the writes before it
  // (*data comes back as pieces emptied, their memory kept for the next
  // block); false, with the last error set, when a write so far failed.
  bool Write(HANDLE h, std::vector<std::string>* data) {
    if (!thread_.joinable()) {
      const bool ok = WriteAll(h, *data);
      for (std::string& piece : *data) piece.clear();
      return ok;
    }
    if (!Wait()) return false;
    {
      std::lock_guard<std::mutex> lock(m_);
      pending_.swap(*data);
      h_ = h;
      busy_ = true;
    }
    cv_.notify_all();
    for (std::string& piece : *data) piece.clear();
    return true;
  }

  // Waits for the write under way; false (last error set) when one failed.
  bool Wait() {
    if (!thread_.joinable()) return true;
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return !busy_; });
    if (failed_) SetLastError(error_);
    return !failed_;
  }

 private:
  void Serve() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      cv_.wait(lock, [this] { return quit_ || busy_; });
      if (!busy_) return;
      lock.unlock();
      const bool ok = WriteAll(h_, pending_);
      const DWORD e = ok ? 0 : (GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
      lock.lock();
      if (!ok) {
        failed_ = true;
        error_ = e;
      }
      busy_ = false;
      cv_.notify_all();
    }
  }

  static bool WriteAll(HANDLE h, const std::vector<std::string>& pieces) {
    for (const std::string& piece : pieces)
      if (!piece.empty() && !fileops::WriteFully(h, piece.data(), static_cast<DWORD>(piece.size()))) return false;
    return true;
  }

  std::thread thread_;
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<std::string> pending_;
  HANDLE h_ = INVALID_HANDLE_VALUE;
  bool busy_ = false, quit_ = false, failed_ = false;
  DWORD error_ = 0;
};

// One conversion run: the state carried from block to block.
class Run {
 public:
  Run(const ConvertRequest& r, conv::Platform& platform) : r_(r), block_(Prepared(ctx_, r, platform)) {
    const auto* c = reinterpret_cast<const unsigned char*>(r.substitute.c_str());
    char16_t w[2];
    if (c[0] && platform.SjisCharToWide(c, conv::SjisCharLength(c), w) == 1 && w[0] != 0) subWide_ = w[0];
  }

  // Converts data[0, len) (whole characters) and appends the target's bytes to *out.
  // False when a conversion routine gives no result (no memory).
  bool Block(const unsigned char* d, size_t len, std::string* out) {
    const size_t unit = r_.sourceCode == ccUtf16 ? 2 : 1;
    size_t start = 0;
    for (size_t i = 0; i + unit <= len; i += unit) {
      if (unit == 1) {
        const void* z = std::memchr(d + i, 0, len - i);
        if (!z) break;
        i = static_cast<size_t>(static_cast<const unsigned char*>(z) - d);
      } else if (d[i] != 0 || d[i + 1] != 0) {
        continue;
      }
      if (!Piece(d + start, i - start, out)) return false;
      if (!FlushJis(true, out)) return false;
      if (r_.sourceCode == ccJis && jisMode_ == 3) jisMode_ = 0;  // a control byte ends an SO run
      out->append(r_.targetCode == ccUtf16 ? 2 : 1, '\0');
      start = i + unit;
    }
    return Piece(d + start, len - start, out);
  }

  // Writes out what a JIS output holds back (all with force).
  bool FlushJis(bool force, std::string* out) {
    if (r_.targetCode != ccJis || held_.empty()) return true;
    size_t n = force || held_.size() > kJisHoldMax
                   ? held_.size()
                   : AfterLastLowByte(reinterpret_cast<const unsigned char*>(held_.data()), held_.size(), 0x40);
    if (n == 0) return true;
    std::string part = held_.substr(0, n), jis;
    held_.erase(0, n);
    if (!conv::SjisToJis(ctx_, part.c_str(), &jis)) return false;
    out->append(jis);
    Harvest();
    return true;
  }

  uint64_t count = 0;
  std::u16string list;
  bool listFull = false;

 private:
  bool Piece(const unsigned char* d, size_t len, std::string* out) {
    if (r_.sourceCode == ccShiftJis && (r_.targetCode == ccUtf8 || r_.targetCode == ccUtf16)) {
      block_.SjisToUnicode(d, len, r_.targetCode == ccUtf8, r_.targetOrder, out);
      Harvest();
      return true;
    }
    std::string& pivot = pivot_;
    pivot.clear();
    bool ok = true;
    switch (r_.sourceCode) {
      case ccShiftJis:
        pivot.assign(reinterpret_cast<const char*>(d), len);
        break;
      case ccEucJp:
        if (r_.targetCode == ccUtf8 || r_.targetCode == ccUtf16) {
          EucToUnicode(d, len, out);
          Harvest();
          return true;
        }
        block_.EucToSjis(d, len, &pivot);
        break;
      case ccJis: {
        std::string text = JisModePrefix(jisMode_);
        text.append(reinterpret_cast<const char*>(d), len);
        JisScan(d, len, true, &jisMode_);
        ok = conv::JisToSjis(ctx_, text.c_str(), &pivot);
        break;
      }
      case ccUtf16: {
        std::u16string units((len + 1) / 2, u'\0');
        std::memcpy(&units[0], d, len);  // an odd last byte pairs with a zero byte
        if (r_.targetCode == ccUtf8) {
          LoneSurrogatesToSubstitute(&units, r_.sourceOrder);
          std::string utf8;
          ok = conv::WideToUtf8(units.c_str(), r_.sourceOrder, &utf8);
          Harvest();
          out->append(utf8);
          return ok;
        }
        // WideToSjis leaves out a first mark unit: only the file's own mark may go.
        const char16_t first = units.empty() ? 0 : OrderUnit(units[0], r_.sourceOrder);
        const bool guard = first == 0xFEFF || first == 0xFFFE;
        if (guard) units.insert(units.begin(), OrderUnit(u'A', r_.sourceOrder));
        ok = conv::WideToSjis(ctx_, units.c_str(), r_.sourceOrder, &pivot);
        if (ok && guard) pivot.erase(0, 1);
        break;
      }
      case ccUtf8: {
        if (r_.targetCode == ccUtf16) {
          std::string text(reinterpret_cast<const char*>(d), len);
          std::u16string wide;
          ok = conv::Utf8ToWide(text.c_str(), conv::ByteOrder::Little, &wide);
          EscapedBytesToSubstitute(&wide);
          Harvest();
          if (r_.targetOrder == conv::ByteOrder::Big)
            for (auto& u : wide) u = conv::Swap16(u);
          out->append(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
          return ok;
        }
        // Nothing at a block's start is a mark: only the file's own was left out.
        block_.Utf8ToSjis(d, len, &pivot);
        break;
      }
      default:
        return false;
    }
    Harvest();
    if (!ok) return false;
    switch (r_.targetCode) {
      case ccShiftJis:
        out->append(pivot);
        break;
      case ccUtf16:
      case ccUtf8:
        block_.SjisToUnicode(reinterpret_cast<const unsigned char*>(pivot.data()), pivot.size(),
                             r_.targetCode == ccUtf8, r_.targetOrder, out);
        break;
      case ccEucJp: {
        std::string euc;
        ok = conv::SjisToEuc(ctx_, pivot.c_str(), &euc);
        out->append(euc);
        break;
      }
      case ccJis:
        held_.append(pivot);
        return FlushJis(false, out);
      default:
        return false;
    }
    Harvest();
    return ok;
  }

  // EUC-JP to UTF-8 or UTF-16 through Shift_JIS, a few KiB at a time so that
  // the Shift_JIS stays in the processor's cache. The pieces end after a byte
  // below 0x80, which Shift_JIS keeps as it is: no character spans two.
  void EucToUnicode(const unsigned char* d, size_t len, std::string* out) {
    constexpr size_t kPiece = 32 * 1024;
    for (size_t at = 0; at < len;) {
      size_t end = std::min(len, at + kPiece);
      if (end < len) {
        size_t k = end;
        while (k > at && d[k - 1] >= 0x80) --k;
        if (k > at) {
          end = k;
        } else {
          while (end < len && d[end - 1] >= 0x80) ++end;
        }
      }
      const bool utf8 = r_.targetCode == ccUtf8;
      if (!block_.EucToUnicode(d + at, end - at, utf8, r_.targetOrder, out)) {
        pivot_.clear();
        block_.EucToSjis(d + at, end - at, &pivot_);
        block_.SjisToUnicode(reinterpret_cast<const unsigned char*>(pivot_.data()), pivot_.size(), utf8,
                             r_.targetOrder, out);
      }
      at = end;
    }
  }

  // Direct UTF-16 to UTF-8: a surrogate without its partner cannot be written.
  void LoneSurrogatesToSubstitute(std::u16string* units, conv::ByteOrder order) {
    for (size_t i = 0; i < units->size(); ++i) {
      const char16_t u = OrderUnit((*units)[i], order);
      if (conv::IsHighSurrogate(u) && i + 1 < units->size() && conv::IsLowSurrogate(OrderUnit((*units)[i + 1], order))) {
        ++i;
        continue;
      }
      if (conv::IsHighSurrogate(u) || conv::IsLowSurrogate(u)) {
        conv::ReportUnconvertible(ctx_, &u, 1);
        (*units)[i] = OrderUnit(subWide_, order);
      }
    }
  }

  // Direct UTF-8 to UTF-16: bytes that decoding could not place (U+DC80-U+DCFF).
  void EscapedBytesToSubstitute(std::u16string* wide) {
    for (size_t i = 0; i < wide->size(); ++i) {
      const char16_t u = (*wide)[i];
      if (conv::IsHighSurrogate(u) && i + 1 < wide->size() && conv::IsLowSurrogate((*wide)[i + 1])) {
        ++i;
        continue;
      }
      if (conv::IsEscapedByte(u)) {
        const char16_t shown = 0xFFFD;
        conv::ReportUnconvertible(ctx_, &shown, 1);
        (*wide)[i] = subWide_;
      }
    }
  }

  // Moves what the routines reported into the run's count and bounded list.
  void Harvest() {
    if (!deferReports) Harvest(ctx_);
  }

 public:
  // A run that converts one part of a block for another run keeps its
  // reports for that run to take, in the order of the parts.
  bool deferReports = false;
  void TakeReports(Run& part) { Harvest(part.ctx_); }

 private:
  void Harvest(conv::Context& from) {
    count += from.UnconvertibleCount;
    from.UnconvertibleCount = 0;
    const std::u16string& l = from.UnconvertibleList;
    for (size_t i = 0; i + 2 < l.size(); ++i) {
      if (l[i] != u'[') continue;
      size_t n = (conv::IsHighSurrogate(l[i + 1]) && i + 3 < l.size() && conv::IsLowSurrogate(l[i + 2]) &&
                  l[i + 3] == u']')
                     ? 2
                     : 1;
      const uint32_t key = n == 2 ? 0x10000u + ((l[i + 1] & 0x3FFu) << 10) + (l[i + 2] & 0x3FFu) : l[i + 1];
      i += n + 1;
      if (r_.mergeUnconvertible && !seen_.insert(key).second) continue;
      if (listed_ < kUnconvertibleListMax) {
        list += u'[';
        list.append(l, i - n, n);
        list += u']';
        ++listed_;
      } else {
        listFull = true;
      }
    }
    from.UnconvertibleList.clear();
  }

  // The context as the run uses it, ready before the block converter takes it.
  static conv::Context& Prepared(conv::Context& ctx, const ConvertRequest& r, conv::Platform& platform) {
    ctx.platform = &platform;
    ctx.SubstituteChar = r.substitute;
    ctx.MergeUnconvertible = false;  // merging is done here, over the whole file
    ctx.KanaByShiftOut = false;
    return ctx;
  }

  const ConvertRequest& r_;
  conv::Context ctx_;
  conv::BlockConverter block_;
  std::string pivot_;
  char16_t subWide_ = u'?';
  int jisMode_ = 0;
  std::string held_;  // Shift_JIS not yet written as JIS (the open run)
  int listed_ = 0;
  std::unordered_set<uint32_t> seen_;
};

// Blocks of the codes whose characters carry no state from one to the next
// are cut into parts at bytes that no character of the source code contains
// (below 0x40 in Shift_JIS, below 0x80 in EUC-JP and UTF-8), converted side by
// side by runs of their own and put together in order, with their reports in
// the order of the parts: the same bytes, and the same unconvertible
// characters in the order they appear, as one run over the whole block.
class PartedRun {
 public:
  static constexpr size_t kMinPart = 64 * 1024;

  PartedRun(const ConvertRequest& r, conv::Platform& platform, Run& whole, size_t block)
      : whole_(whole), locked_(platform) {
    const bool source = r.sourceCode == ccShiftJis || r.sourceCode == ccEucJp || r.sourceCode == ccUtf8;
    // (UTF-8 to UTF-16 goes through a routine of its own: left whole.)
    const bool target = r.targetCode == ccShiftJis || r.targetCode == ccUtf8 ||
                        (r.targetCode == ccUtf16 && r.sourceCode != ccUtf8);
    below_ = r.sourceCode == ccShiftJis ? 0x40 : 0x80;
    const unsigned cores = std::thread::hardware_concurrency();
    const int parts = static_cast<int>(std::min<size_t>({size_t{4}, cores ? size_t{cores} : size_t{1}, block / kMinPart}));
    if (!source || !target || parts < 2) return;
    try {
      for (int k = 0; k < parts; ++k) {
        runs_.emplace_back(new Run(r, locked_));
        runs_.back()->deferReports = true;
      }
      outs_.resize(static_cast<size_t>(parts));
      pool_.reset(new PartPool(parts));
    } catch (const std::exception&) {
      runs_.clear();
      pool_.reset();
    }
  }

  // As Run::Block, the output appended to the last of *pieces or, in parts,
  // added as pieces of its own (which take the memory of emptied pieces found
  // there), so that no part's output is copied before it is written.
  bool Block(const unsigned char* d, size_t len, std::vector<std::string>* pieces) {
    if (!pool_ || len < 2 * kMinPart) return whole_.Block(d, len, &pieces->back());
    const int parts = pool_->Parts();
    std::vector<size_t> cut(static_cast<size_t>(parts) + 1, 0);
    cut[static_cast<size_t>(parts)] = len;
    for (int k = 1; k < parts; ++k) {
      // The part ends after the last byte below the bound before its share's end.
      const size_t want = len / static_cast<size_t>(parts) * static_cast<size_t>(k);
      size_t at = want;
      while (at > cut[static_cast<size_t>(k) - 1] && d[at - 1] >= below_) --at;
      cut[static_cast<size_t>(k)] = at > cut[static_cast<size_t>(k) - 1] ? at : cut[static_cast<size_t>(k) - 1];
    }
    std::vector<char> ok(static_cast<size_t>(parts), 0);
    pool_->Run([&](int k) {
      const size_t from = cut[static_cast<size_t>(k)], to = cut[static_cast<size_t>(k) + 1];
      std::string& o = outs_[static_cast<size_t>(k)];
      o.clear();
      try {
        ok[static_cast<size_t>(k)] = runs_[static_cast<size_t>(k)]->Block(d + from, to - from, &o) ? 1 : 0;
      } catch (const std::bad_alloc&) {
        ok[static_cast<size_t>(k)] = 0;
      }
    });
    bool all = true;
    for (int k = 0; k < parts; ++k) {
      whole_.TakeReports(*runs_[static_cast<size_t>(k)]);
      all = all && ok[static_cast<size_t>(k)];
    }
    if (!all) return false;
    // The pieces after the last one written to are emptied ones: reused in turn.
    size_t next = pieces->size();
    while (next > 0 && (*pieces)[next - 1].empty()) --next;
    for (int k = 0; k < parts; ++k, ++next) {
      if (next == pieces->size()) pieces->emplace_back();
      (*pieces)[next].swap(outs_[static_cast<size_t>(k)]);
      outs_[static_cast<size_t>(k)].clear();
    }
    pieces->resize(next);
    return true;
  }

 private:
  // The platform's mappings, one call at a time (it may keep caches of its
  // own); the parts ask it only for characters new to their tables.
  class LockedPlatform : public conv::Platform {
   public:
    explicit LockedPlatform(conv::Platform& p) : p_(p) {}
    int WideCharToSjis(const char16_t* units, int count, unsigned char out[2]) override {
      std::lock_guard<std::mutex> lock(m_);
      return p_.WideCharToSjis(units, count, out);
    }
    int SjisCharToWide(const unsigned char* bytes, int count, char16_t out[2]) override {
      std::lock_guard<std::mutex> lock(m_);
      return p_.SjisCharToWide(bytes, count, out);
    }
    std::u16string UpperCase(const char16_t* text, size_t count) override {
      std::lock_guard<std::mutex> lock(m_);
      return p_.UpperCase(text, count);
    }
    std::u16string LowerCase(const char16_t* text, size_t count) override {
      std::lock_guard<std::mutex> lock(m_);
      return p_.LowerCase(text, count);
    }
    int CompareLocale(unsigned flags, const char16_t* a, int countA, const char16_t* b, int countB) override {
      std::lock_guard<std::mutex> lock(m_);
      return p_.CompareLocale(flags, a, countA, b, countB);
    }

   private:
    conv::Platform& p_;
    std::mutex m_;
  };

  Run& whole_;
  LockedPlatform locked_;
  unsigned below_ = 0x80;
  std::vector<std::unique_ptr<Run>> runs_;
  std::vector<std::string> outs_;
  std::unique_ptr<PartPool> pool_;
};

}  // namespace

size_t CharBoundary(int code, conv::ByteOrder order, const unsigned char* d, size_t len, bool final, int* mode) {
  if (code == ccJis) return JisScan(d, len, final, mode);
  if (code == ccUtf16) {
    if (final) return len;
    size_t k = len & ~size_t(1);
    if (k >= 2) {
      const char16_t last = order == conv::ByteOrder::Big ? char16_t((d[k - 2] << 8) | d[k - 1])
                                                          : char16_t((d[k - 1] << 8) | d[k - 2]);
      if (conv::IsHighSurrogate(last)) k -= 2;
    }
    return k;
  }
  if (final) return len;
  // Shift_JIS trail bytes start at 0x40; EUC-JP and UTF-8 use no byte below 0x80
  // inside a character.
  const size_t low = AfterLastLowByte(d, len, code == ccShiftJis ? 0x40 : 0x80);
  if (low) return low;
  size_t i = 0, end = 0;
  while (i < len) {
    const unsigned b = d[i];
    size_t n = 1;
    if (code == ccShiftJis) {
      if (conv::IsSjisLead(b)) {
        if (i + 1 >= len) break;
        n = conv::IsSjisTrail(d[i + 1]) ? 2 : 1;
      }
    } else if (code == ccEucJp) {
      auto dbl = [](unsigned c) { return c >= 0xA1 && c <= 0xFE; };
      if (b == 0x8E) {
        if (i + 1 >= len) break;
        n = conv::IsHalfKana(d[i + 1]) ? 2 : 1;
      } else if (b == 0x8F) {
        if (i + 2 >= len) break;
        n = dbl(d[i + 1]) && dbl(d[i + 2]) ? 3 : 1;
      } else if (dbl(b)) {
        if (i + 1 >= len) break;
        n = dbl(d[i + 1]) ? 2 : 1;
      }
    } else if (b >= 0x80) {  // UTF-8
      if (len - i < 4) break;
      char16_t w[2];
      int units = 0;
      n = static_cast<size_t>(conv::DecodeUtf8Char(d + i, w, &units));
    }
    i += n;
    end = i;
  }
  return end;
}

bool CreateFreeTemporary(const std::wstring& folder, std::wstring* path, HANDLE* file) {
  for (int k = 0; k < 100000; ++k) {
    std::wstring p = folder + (k == 0 ? std::wstring(L"tmp_dmi.txt") : L"tmp_dmi(" + std::to_wstring(k) + L").txt");
    HANDLE h = fileops::Files().Open(p, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (h != INVALID_HANDLE_VALUE) {
      *path = p;
      *file = h;
      return true;
    }
    const DWORD e = GetLastError();
    if (e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) return false;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return false;
}

bool SameFile(HANDLE h, const std::wstring& path, DWORD* error) {
  *error = 0;
  fileops::File other;
  if (!other.Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0)) {
    const DWORD e = GetLastError();
    if (e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND) *error = e;
    return false;
  }
  uint64_t v1 = 0, i1 = 0, v2 = 0, i2 = 0;
  if (!fileops::Files().Identity(h, &v1, &i1) || !fileops::Files().Identity(other.get(), &v2, &i2)) {
    *error = GetLastError();
    if (*error == 0) *error = ERROR_GEN_FAILURE;
    return false;
  }
  return v1 == v2 && i1 == i2;
}

ConvertOutcome ConvertFile(const ConvertRequest& r, conv::Platform& platform, ProgressSink& progress) {
  ConvertOutcome o;
  auto& files = fileops::Files();
  fileops::File source;
  if (!source.Open(r.sourcePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                   FILE_FLAG_SEQUENTIAL_SCAN)) {
    o.status = ConvertStatus::OpenFailed;
    o.error = GetLastError();
    return o;
  }
  auto fail = [&](ConvertStatus s) {
    o.status = s;
    o.error = GetLastError();
    if (o.error == 0) o.error = ERROR_GEN_FAILURE;
    return o;
  };
  const int64_t size = files.Size(source.get());
  if (size < 0) return fail(ConvertStatus::Failed);
  if (size > r.sizeLimit) {
    o.status = ConvertStatus::TooLarge;
    return o;
  }
  DWORD idError = 0;
  o.inPlace = SameFile(source.get(), r.targetPath, &idError);
  if (idError) {
    SetLastError(idError);
    return fail(ConvertStatus::Failed);
  }

  std::wstring tempPath;
  HANDLE th = INVALID_HANDLE_VALUE;
  if (!CreateFreeTemporary(FolderOf(r.targetPath), &tempPath, &th)) return fail(ConvertStatus::OpenFailed);
  fileops::File temp(th);
  // An in-place conversion is journaled, so that a later start removes the
  // new file of one cut short (the source is replaced only by a whole one).
  ReplaceJournal journal;
  // Large blocks are written by a thread of their own while the next block
  // is converted.
  BackgroundWriter writer(r.blockSize >= PartedRun::kMinPart * 4);
  // Every way out but success removes the new file.
  auto discard = [&](ConvertStatus s) {
    const DWORD e = GetLastError();
    writer.Wait();
    temp.Close();
    files.Delete(tempPath);
    journal.Done();
    SetLastError(e);
    if (s == ConvertStatus::Aborted) {
      o.status = s;
      return o;
    }
    return fail(s);
  };

  if (o.inPlace && !journal.Begin(r.journalFolder, r.targetPath, tempPath, temp.get())) {
    o.journalFailed = true;
    SetLastError(journal.error);
    return discard(ConvertStatus::Failed);
  }

  progress.SetMaximum(size);
  // The output of a block, in order: the last piece is the one appended to.
  std::vector<std::string> pieces(1);
  if (r.withMark) {
    if (r.targetCode == ccUtf16) pieces[0] = r.targetOrder == conv::ByteOrder::Big ? "\xFE\xFF" : "\xFF\xFE";
    else if (r.targetCode == ccUtf8) pieces[0] = "\xEF\xBB\xBF";
  }
  if (r.bomLength > 0 && files.Seek(source.get(), r.bomLength, FILE_BEGIN) < 0)
    return discard(ConvertStatus::Failed);

  Run run(r, platform);
  const size_t block = r.blockSize ? r.blockSize : 1;
  PartedRun parted(r, platform, run, block);
  readarea::ReadArea area;  // each block lined up with its file offset
  std::string carry;        // an incomplete character carried from the block before
  size_t have = 0;
  int64_t position = r.bomLength;
  int jisMode = 0;
  for (;;) {
    unsigned char* buf = area.Place(position - static_cast<int64_t>(have), have + block);
    if (!buf) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return discard(ConvertStatus::Failed);
    }
    if (have) std::memcpy(buf, carry.data(), have);
    DWORD got = 0;
    if (!fileops::ReadFully(source.get(), buf + have, static_cast<DWORD>(block), &got))
      return discard(ConvertStatus::Failed);
    const bool final = got < block;
    const size_t total = have + got;
    int mode = jisMode;
    const size_t cut = CharBoundary(r.sourceCode, r.sourceOrder, buf, total, final, &mode);
    jisMode = mode;
    if (!parted.Block(buf, cut, &pieces)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return discard(ConvertStatus::Failed);
    }
    if (final && !run.FlushJis(true, &pieces.back())) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return discard(ConvertStatus::Failed);
    }
    const bool any = std::any_of(pieces.begin(), pieces.end(), [](const std::string& p) { return !p.empty(); });
    if (any && !writer.Write(temp.get(), &pieces)) return discard(ConvertStatus::Failed);
    if (pieces.empty()) pieces.emplace_back();
    have = total - cut;
    if (have) carry.assign(reinterpret_cast<const char*>(buf) + cut, have);
    position += got;
    progress.Step(position);
    if (progress.ShouldStop()) return discard(ConvertStatus::Aborted);
    if (final) break;
  }
  if (!writer.Wait()) return discard(ConvertStatus::Failed);
  source.Close();
  if (!journal.Ready(temp.get())) {
    SetLastError(journal.error);
    return discard(ConvertStatus::Failed);
  }
  if (!temp.Close()) return discard(ConvertStatus::Failed);

  o.unconvertibleCount = run.count;
  o.unconvertibleList = run.list;
  if (run.listFull) o.unconvertibleList += u"\u2026";
  if (run.count > 0 && o.inPlace) {
    o.status = ConvertStatus::Unconvertible;
    o.keptPath = tempPath;
    journal.Done();
    return o;
  }
  if (o.inPlace && r.beforeReplace) r.beforeReplace();
  if (!files.Replace(tempPath, r.targetPath)) return discard(ConvertStatus::Failed);
  journal.Done();
  o.status = run.count > 0 ? ConvertStatus::Unconvertible : ConvertStatus::Done;
  return o;
}

}  // namespace engine
