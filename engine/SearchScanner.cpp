#include "engine/SearchScanner.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include <emmintrin.h>

#include "framework/FileOps.h"
#include "text/conv.h"
#include "text/conv_bytes.h"

namespace engine {

// ---- case

uint16_t NarrowLowerCase::Single(unsigned char b) {
  uint32_t& slot = single_[b];
  if (!slot) {
    slot = 0x10000u | b;
    char16_t w[2];
    if (platform_.SjisCharToWide(&b, 1, w) == 1) {
      std::u16string lower = platform_.LowerCase(w, 1);
      unsigned char out[2];
      if (lower.size() == 1 && platform_.WideCharToSjis(lower.data(), 1, out) == 1) slot = 0x10000u | out[0];
    }
  }
  return static_cast<uint16_t>(slot & 0xFFFF);
}

uint16_t NarrowLowerCase::Pair(unsigned char lead, unsigned char trail) {
  if (pairs_.empty()) pairs_.assign(0x10000, u'\0');
  const unsigned code = (static_cast<unsigned>(lead) << 8) | trail;
  char16_t& slot = pairs_[code];
  if (!slot) {
    slot = 1;
    const unsigned char in[2] = {lead, trail};
    char16_t w[2];
    int n = platform_.SjisCharToWide(in, 2, w);
    if (n > 0) {
      std::u16string lower = platform_.LowerCase(w, static_cast<size_t>(n));
      unsigned char out[2];
      if (!lower.empty() && platform_.WideCharToSjis(lower.data(), static_cast<int>(lower.size()), out) == 2) {
        slot = static_cast<char16_t>((out[0] << 8) | out[1]);
      }
    }
  }
  return slot == 1 ? static_cast<uint16_t>(code) : static_cast<uint16_t>(slot);
}

void NarrowLowerCase::Apply(unsigned char* s, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned char b = s[i];
    if (b < 0x80) {
      if (b >= 'A' && b <= 'Z') s[i] = static_cast<unsigned char>(Single(b));
      ++i;
    } else if (conv::IsSjisLead(b) && i + 1 < n && conv::IsSjisTrail(s[i + 1])) {
      uint16_t r = Pair(b, s[i + 1]);
      s[i] = static_cast<unsigned char>(r >> 8);
      s[i + 1] = static_cast<unsigned char>(r & 0xFF);
      i += 2;
    } else {
      s[i] = static_cast<unsigned char>(Single(b));
      ++i;
    }
  }
}

std::string NarrowLowerCase::Lower(const std::string& text) {
  std::string r = text;
  Apply(reinterpret_cast<unsigned char*>(&r[0]), r.size());
  return r;
}

void WideLowerCase::Apply(char16_t* s, size_t n) {
  if (table_.empty()) table_.assign(0x10000, 0);
  for (size_t i = 0; i < n; ++i) {
    const char16_t u = s[i];
    uint32_t& slot = table_[u];
    if (!slot) {
      std::u16string lower = platform_.LowerCase(&u, 1);
      slot = 0x10000u | (lower.size() == 1 ? lower[0] : u);
    }
    s[i] = static_cast<char16_t>(slot & 0xFFFF);
  }
}

std::u16string WideLowerCase::Lower(const std::u16string& text) {
  std::u16string r = text;
  Apply(&r[0], r.size());
  return r;
}

// ---- patterns

namespace {
// The text in code page 932, character by character; false when a character
// has no form there.
bool ToSjis(conv::Platform& platform, const std::u16string& text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size();) {
    int count = (conv::IsHighSurrogate(text[i]) && i + 1 < text.size() && conv::IsLowSurrogate(text[i + 1])) ? 2 : 1;
    unsigned char b[2];
    int n = platform.WideCharToSjis(text.data() + i, count, b);
    if (n <= 0) return false;
    out->append(reinterpret_cast<const char*>(b), static_cast<size_t>(n));
    i += static_cast<size_t>(count);
  }
  return true;
}

std::u16string ToWide(conv::Platform& platform, const std::string& sjis) {
  std::u16string out;
  const auto* s = reinterpret_cast<const unsigned char*>(sjis.data());
  for (size_t i = 0; i < sjis.size();) {
    int len = (conv::IsSjisLead(s[i]) && i + 1 < sjis.size() && conv::IsSjisTrail(s[i + 1])) ? 2 : 1;
    char16_t w[2];
    int n = platform.SjisCharToWide(s + i, len, w);
    if (n <= 0) {
      w[0] = u'?';
      n = 1;
    }
    out.append(w, static_cast<size_t>(n));
    i += static_cast<size_t>(len);
  }
  return out;
}
}  // namespace

SearchPatterns BuildSearchPatterns(conv::Platform& platform, const std::u16string& text, bool caseSensitive,
                                   bool kanaSensitive, const KanaConverter& kana) {
  SearchPatterns p;
  p.foldCase = !caseSensitive;
  p.p1w = text;
  p.representable = ToSjis(platform, text, &p.p1n);
  if (!p.representable) p.p1n.clear();
  if (!caseSensitive) {
    NarrowLowerCase narrow(platform);
    p.p1n = narrow.Lower(p.p1n);
    WideLowerCase wide(platform);
    p.p1w = wide.Lower(p.p1w);
  }
  if (!kanaSensitive && p.representable && !p.p1n.empty() && kana) {
    p.p2n = kana(p.p1n, KanaDirection::KataToHira);
    if (p.p2n == p.p1n) p.p2n = kana(p.p1n, KanaDirection::HiraToKata);
    p.p2w = ToWide(platform, p.p2n);
  }
  return p;
}

// ---- chunk decoding

namespace {

constexpr unsigned char kEsc = 0x1B, kSO = 0x0E, kSI = 0x0F;
// Bytes after a position that the decoders may look at.
constexpr int64_t kLookahead = 8;

bool InEucDouble(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

// The decoded form of one chunk.
struct Chunk {
  std::string narrow;          // Shift_JIS comparable text (codes 3, 4; code 0 uses the bytes themselves)
  std::u16string wide;         // UTF-16 comparable text (code 2; code 1 fills it from the bytes)
  std::vector<uint32_t> map;   // per comparable element: offset of its character in the chunk (codes 2, 3, 4)
  uint32_t decodedEnd = 0;     // chunk offset after the last decoded character
  int64_t next = -1;           // chunk offset of the next chunk's start (a resume point), -1: none found
  int nextMode = 0;            // JIS mode there
};

// Remembers the resume point: the last character start at or before target,
// or the first one after the chunk's start when none lies in between.
struct ResumeTracker {
  int64_t target;
  Chunk* chunk;
  void At(int64_t p, int mode) {
    if (p == 0) return;
    if (p <= target || chunk->next < 0) {
      chunk->next = p;
      chunk->nextMode = mode;
    }
  }
};

// s: the chunk's bytes with kLookahead zero bytes after them; n: bytes; limit:
// characters are decoded only where they begin before it.
void DecodeEuc(const unsigned char* s, int64_t limit, const unsigned char sub[2], Chunk& c, ResumeTracker& rt) {
  int64_t i = 0;
  while (i < limit) {
    rt.At(i, 0);
    const uint32_t at = static_cast<uint32_t>(i);
    unsigned char b = s[i];
    auto put = [&](unsigned char x) {
      c.narrow.push_back(static_cast<char>(x));
      c.map.push_back(at);
    };
    if (b == 0x8E) {
      if (conv::IsHalfKana(s[i + 1])) {
        put(s[i + 1]);
        i += 2;
      } else {
        put(sub[0]);
        put(sub[1]);
        i += 1;
      }
    } else if (b == 0x8F) {
      put(sub[0]);
      put(sub[1]);
      i += (InEucDouble(s[i + 1]) && InEucDouble(s[i + 2])) ? 3 : 1;
    } else if (InEucDouble(b)) {
      unsigned char t = s[i + 1], s1, s2;
      if (InEucDouble(t) && conv::JisToSjisPair(b ^ 0x80u, t ^ 0x80u, &s1, &s2)) {
        put(s1);
        put(s2);
        i += 2;
      } else {
        put(sub[0]);
        put(sub[1]);
        i += 1;
      }
    } else {
      put(b);
      i += 1;
    }
  }
  c.decodedEnd = static_cast<uint32_t>(i);
}

void DecodeJis(const unsigned char* s, int64_t limit, int mode, const unsigned char sub[2], Chunk& c,
               ResumeTracker& rt) {
  int m = mode;
  int64_t i = 0;
  while (i < limit) {
    rt.At(i, m);
    const uint32_t at = static_cast<uint32_t>(i);
    unsigned char b = s[i];
    auto put = [&](unsigned char x) {
      c.narrow.push_back(static_cast<char>(x));
      c.map.push_back(at);
    };
    if (b == kEsc && s[i + 1] == '&' && s[i + 2] == '@' && s[i + 3] == kEsc && s[i + 4] == '$' && s[i + 5] == 'B') {
      m = 1;
      i += 6;
      continue;
    }
    int seqMode = 0;
    int seqLen = conv::JisSequenceAt(s + i, &seqMode);
    if (seqLen > 0) {
      m = seqMode;
      i += seqLen;
      continue;
    }
    if (m == 3 && (b == kSI || b < 0x21 || b > 0x5F)) {
      m = 0;
      if (b == kSI) ++i;
      continue;
    }
    if (m == 1 && b >= 0x21 && b <= 0x7E) {
      unsigned char t = s[i + 1], s1, s2;
      if (t >= 0x21 && t <= 0x7E && conv::JisToSjisPair(b, t, &s1, &s2)) {
        put(s1);
        put(s2);
        i += 2;
      } else {
        put(sub[0]);
        put(sub[1]);
        i += 1;
      }
      continue;
    }
    put(((m == 2 || m == 3) && b > 0x20) ? static_cast<unsigned char>(b | 0x80u) : b);
    i += 1;
  }
  c.decodedEnd = static_cast<uint32_t>(i);
}

void DecodeUtf8(const unsigned char* s, int64_t limit, Chunk& c, ResumeTracker& rt) {
  int64_t i = 0;
  char16_t w[2];
  int units = 0;
  while (i < limit) {
    rt.At(i, 0);
    int len = conv::DecodeUtf8Char(s + i, w, &units);
    const uint32_t at = static_cast<uint32_t>(i);
    for (int k = 0; k < units; ++k) {
      c.wide.push_back(w[k]);
      c.map.push_back(at);
    }
    i += len;
  }
  c.decodedEnd = static_cast<uint32_t>(i);
}

// The resume point of a Shift_JIS chunk: a character start at or before
// target (a byte below the lead range ends a character; the lead-range bytes
// after it pair up).
int64_t SjisBoundaryAtOrBefore(const unsigned char* s, int64_t target) {
  int64_t j = target;
  while (j > 0 && conv::IsSjisLead(s[j - 1])) --j;
  return ((target - j) % 2 == 0) ? target : target - 1;
}

// Whether byte i of a Shift_JIS text that starts on a character boundary
// begins a character.
bool SjisCharStart(const unsigned char* s, size_t i) {
  size_t j = i;
  while (j > 0 && conv::IsSjisLead(s[j - 1])) --j;
  if ((i - j) % 2 != 0) return false;
  // A lead-range byte just before i that did not pair: only when a byte that
  // cannot trail follows it; i itself is such a byte then, and it starts a character.
  return true;
}

// The first index from `from` where the pattern begins in text[0, n), or npos:
// sixteen positions at a time, those whose first and last bytes both match
// are compared in full.
__attribute__((target("sse2"))) size_t FindBytes(const unsigned char* text, size_t n, const std::string& pattern,
                                                 size_t from) {
  const size_t m = pattern.size();
  if (m == 0 || m > n || from > n - m) return std::string::npos;
  const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
  const size_t last = n - m;  // the last start
  size_t i = from;
  if (m > 1) {
    const __m128i first = _mm_set1_epi8(static_cast<char>(p[0]));
    const __m128i final = _mm_set1_epi8(static_cast<char>(p[m - 1]));
    for (; i + 16 <= last + 1; i += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + m - 1));
      unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, final))));
      while (mask) {
        const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
        if (std::memcmp(text + i + bit + 1, p + 1, m - 2) == 0) return i + bit;
        mask &= mask - 1;
      }
    }
  } else {
    const __m128i first = _mm_set1_epi8(static_cast<char>(p[0]));
    for (; i + 16 <= last + 1; i += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, first)));
      if (mask) return i + static_cast<unsigned>(__builtin_ctz(mask));
    }
  }
  for (; i <= last; ++i)
    if (text[i] == p[0] && std::memcmp(text + i, p, m) == 0) return i;
  return std::string::npos;
}

// Every NUL byte of buf[0, n) becomes 0x01.
__attribute__((target("sse2"))) void ReplaceNulBytes(unsigned char* buf, size_t n) {
  size_t i = 0;
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(a, zero)) == 0) continue;
    for (size_t k = i; k < i + 16; ++k)
      if (buf[k] == 0) buf[k] = 1;
  }
  for (; i < n; ++i)
    if (buf[i] == 0) buf[i] = 1;
}

// First accepted occurrence of pattern in text[0, n) that begins before
// limitIndex; npos when none.
size_t FindNarrow(const unsigned char* text, size_t n, const std::string& pattern, size_t limitIndex) {
  if (pattern.empty() || pattern.size() > n) return std::string::npos;
  size_t from = 0;
  while (from < limitIndex) {
    size_t i = FindBytes(text, n, pattern, from);
    if (i == std::string::npos || i >= limitIndex) return std::string::npos;
    if (SjisCharStart(text, i)) return i;
    from = i + 1;
  }
  return std::string::npos;
}

size_t FindWide(const char16_t* text, size_t n, const std::u16string& pattern, size_t limitIndex) {
  if (pattern.empty() || pattern.size() > n) return std::u16string::npos;
  std::u16string_view hay(text, n);
  size_t i = hay.find(pattern);
  if (i == std::u16string_view::npos || i >= limitIndex) return std::u16string::npos;
  return i;
}

// Bytes of a text in a code, at most (for the overlap).
int64_t EncodedBound(int code, const std::string& narrow, const std::u16string& wide, bool foldCase) {
  switch (code) {
    case scUtf16:
      return static_cast<int64_t>(wide.size()) * 2;
    case scUtf8: {
      if (foldCase) return static_cast<int64_t>(wide.size()) * 3;
      std::string u8;
      conv::WideToUtf8(wide.c_str(), conv::ByteOrder::Little, &u8);
      return static_cast<int64_t>(u8.size());
    }
    case scEuc:
      return static_cast<int64_t>(narrow.size()) * 2;
    case scJis:
      return static_cast<int64_t>(narrow.size()) * 3 + 8;
    default:
      return static_cast<int64_t>(narrow.size());
  }
}

}  // namespace

int64_t SearchOverlap(const SearchSpec& spec, const SearchPatterns& p, conv::Context&) {
  int64_t bound = std::max(EncodedBound(spec.code, p.p1n, p.p1w, p.foldCase),
                           EncodedBound(spec.code, p.p2n, p.p2w, p.foldCase));
  return std::max(spec.minOverlap, bound + 8);
}

SearchResult SearchFileRange(HANDLE file, int64_t fileSize, const SearchSpec& spec, const SearchPatterns& p,
                             conv::Context& ctx, ProgressSink& progress) {
  SearchResult result;
  const bool wideCode = spec.code == scUtf16 || spec.code == scUtf8;
  const bool empty = wideCode ? p.p1w.empty() : p.p1n.empty();
  progress.SetMaximum(fileSize);
  if (empty || (!wideCode && !p.representable)) return result;  // nothing can match

  const int64_t overlap = SearchOverlap(spec, p, ctx);
  const int64_t step = std::max<int64_t>(spec.step, spec.code == scUtf16 ? 2 : 1);
  std::vector<unsigned char> buf(static_cast<size_t>(step + overlap + kLookahead));
  unsigned char sub[2];
  conv::SjisSubstitute(ctx, sub);
  NarrowLowerCase narrowLower(*ctx.platform);
  WideLowerCase wideLower(*ctx.platform);
  Chunk c;

  int64_t pos = spec.start;
  if (spec.code == scUtf16 && (pos & 1)) --pos;
  int mode = spec.jisMode;
  while (pos < fileSize) {
    // 1. Read the chunk; NUL units become 0x01.
    const int64_t want = std::min<int64_t>(step + overlap, fileSize - pos);
    DWORD got = 0;
    if (fileops::Files().Seek(file, pos, FILE_BEGIN) != pos ||
        !fileops::ReadFully(file, buf.data(), static_cast<DWORD>(want), &got)) {
      result.outcome = SearchOutcome::ReadError;
      result.error = GetLastError();
      if (!result.error) result.error = ERROR_READ_FAULT;
      return result;
    }
    if (got == 0) return result;  // the file ended early: nothing more to search
    const int64_t n = got;
    const bool last = pos + n >= fileSize || static_cast<int64_t>(got) < want;
    std::memset(buf.data() + n, 0, kLookahead);
    if (spec.code == scUtf16) {
      for (int64_t i = 0; i + 1 < n; i += 2)
        if (buf[i] == 0 && buf[i + 1] == 0) (spec.bigEndian ? buf[i + 1] : buf[i]) = 1;
    } else {
      ReplaceNulBytes(buf.data(), static_cast<size_t>(n));
    }

    // 2. Decode what lies before the lookahead margin (everything at the end).
    const int64_t limit = last ? n : std::max<int64_t>(n - kLookahead, 1);
    const int64_t target = std::min(step, limit);
    c.narrow.clear();
    c.wide.clear();
    c.map.clear();
    c.next = -1;
    c.nextMode = 0;
    ResumeTracker rt{target, &c};
    size_t found = std::string::npos, matched = 0;
    int64_t nextRel;  // chunk offset of the next chunk's start
    if (spec.code == scSjis) {
      nextRel = last ? n : SjisBoundaryAtOrBefore(buf.data(), target);
      if (nextRel <= 0) nextRel = (conv::IsSjisLead(buf[0]) && conv::IsSjisTrail(buf[1])) ? 2 : 1;
      if (p.foldCase) narrowLower.Apply(buf.data(), static_cast<size_t>(n));
      const size_t lim = static_cast<size_t>(last ? n : nextRel);
      size_t a1 = FindNarrow(buf.data(), static_cast<size_t>(n), p.p1n, lim);
      size_t a2 = FindNarrow(buf.data(), static_cast<size_t>(n), p.p2n, a1 == std::string::npos ? lim : a1);
      if (a2 != std::string::npos && (a1 == std::string::npos || a2 < a1)) {
        found = a2;
        matched = p.p2n.size();
      } else if (a1 != std::string::npos) {
        found = a1;
        matched = p.p1n.size();
      }
      if (found != std::string::npos) {
        result.outcome = SearchOutcome::Found;
        result.offset = pos + static_cast<int64_t>(found);
        result.sourceLength = static_cast<int64_t>(matched);
        result.matchedUnits = static_cast<int64_t>(matched);
        result.firstCharLength = (matched >= 2 && conv::IsSjisLead(buf[found]) && conv::IsSjisTrail(buf[found + 1])) ? 2 : 1;
        return result;
      }
    } else if (spec.code == scUtf16) {
      const int64_t units = n / 2;
      c.wide.resize(static_cast<size_t>(units));
      std::memcpy(&c.wide[0], buf.data(), static_cast<size_t>(units) * 2);
      if (spec.bigEndian)
        for (char16_t& u : c.wide) u = conv::Swap16(u);
      int64_t nextUnit = last ? units : target / 2;
      if (!last && nextUnit > 0 && conv::IsLowSurrogate(c.wide[static_cast<size_t>(nextUnit)]) &&
          conv::IsHighSurrogate(c.wide[static_cast<size_t>(nextUnit - 1)]))
        --nextUnit;
      if (nextUnit <= 0) nextUnit = (units > 1 && conv::IsHighSurrogate(c.wide[0]) && conv::IsLowSurrogate(c.wide[1])) ? 2 : 1;
      nextRel = nextUnit * 2;
      if (p.foldCase) wideLower.Apply(&c.wide[0], c.wide.size());
      const size_t lim = static_cast<size_t>(last ? units : nextUnit);
      size_t a1 = FindWide(c.wide.data(), c.wide.size(), p.p1w, lim);
      size_t a2 = FindWide(c.wide.data(), c.wide.size(), p.p2w, a1 == std::u16string::npos ? lim : a1);
      if (a2 != std::u16string::npos && (a1 == std::u16string::npos || a2 < a1)) {
        found = a2;
        matched = p.p2w.size();
      } else if (a1 != std::u16string::npos) {
        found = a1;
        matched = p.p1w.size();
      }
      if (found != std::u16string::npos) {
        result.outcome = SearchOutcome::Found;
        result.offset = pos + 2 * static_cast<int64_t>(found);
        result.sourceLength = 2 * static_cast<int64_t>(matched);
        result.matchedUnits = static_cast<int64_t>(matched);
        result.firstCharLength = (matched >= 2 && conv::IsHighSurrogate(c.wide[found]) && conv::IsLowSurrogate(c.wide[found + 1])) ? 4 : 2;
        return result;
      }
    } else {
      if (spec.code == scUtf8) DecodeUtf8(buf.data(), limit, c, rt);
      else if (spec.code == scEuc) DecodeEuc(buf.data(), limit, sub, c, rt);
      else DecodeJis(buf.data(), limit, mode, sub, c, rt);
      nextRel = last ? n : c.next;
      if (nextRel <= 0) nextRel = c.decodedEnd > 0 ? c.decodedEnd : 1;
      // The comparable elements that begin before the next chunk's start.
      const size_t count = wideCode ? c.wide.size() : c.narrow.size();
      size_t lim = count;
      if (!last) lim = static_cast<size_t>(std::lower_bound(c.map.begin(), c.map.end(), static_cast<uint32_t>(nextRel)) - c.map.begin());
      if (wideCode) {
        if (p.foldCase) wideLower.Apply(&c.wide[0], c.wide.size());
        size_t a1 = FindWide(c.wide.data(), count, p.p1w, lim);
        size_t a2 = FindWide(c.wide.data(), count, p.p2w, a1 == std::u16string::npos ? lim : a1);
        if (a2 != std::u16string::npos && (a1 == std::u16string::npos || a2 < a1)) {
          found = a2;
          matched = p.p2w.size();
        } else if (a1 != std::u16string::npos) {
          found = a1;
          matched = p.p1w.size();
        }
      } else {
        auto* text = reinterpret_cast<unsigned char*>(&c.narrow[0]);
        if (p.foldCase) narrowLower.Apply(text, count);
        size_t a1 = FindNarrow(text, count, p.p1n, lim);
        size_t a2 = FindNarrow(text, count, p.p2n, a1 == std::string::npos ? lim : a1);
        if (a2 != std::string::npos && (a1 == std::string::npos || a2 < a1)) {
          found = a2;
          matched = p.p2n.size();
        } else if (a1 != std::string::npos) {
          found = a1;
          matched = p.p1n.size();
        }
      }
      if (found != std::string::npos) {
        const size_t endIndex = found + matched;
        // The source after the last matched character: the start of the
        // next character that is not the one the match ends in.
        uint32_t endRel = c.decodedEnd;
        for (size_t k = endIndex; k < count; ++k) {
          if (c.map[k] != c.map[endIndex - 1]) {
            endRel = c.map[k];
            break;
          }
        }
        result.outcome = SearchOutcome::Found;
        result.offset = pos + c.map[found];
        result.sourceLength = static_cast<int64_t>(endRel) - c.map[found];
        result.matchedUnits = static_cast<int64_t>(matched);
        uint32_t firstEnd = c.decodedEnd;
        for (size_t k = found + 1; k < count; ++k) {
          if (c.map[k] != c.map[found]) {
            firstEnd = c.map[k];
            break;
          }
        }
        result.firstCharLength = static_cast<int64_t>(firstEnd) - c.map[found];
        if (spec.code == scJis) {
          // The mode at the hit: decode again up to it (cheap next to the search).
          Chunk again;
          ResumeTracker at{static_cast<int64_t>(c.map[found]), &again};
          DecodeJis(buf.data(), static_cast<int64_t>(c.map[found]) + 1, mode, sub, again, at);
          result.jisMode = again.next == static_cast<int64_t>(c.map[found]) ? again.nextMode : mode;
          // The character's own bytes, not an escape after it.
          result.firstCharLength = std::min<int64_t>(result.firstCharLength, result.jisMode == 1 ? 2 : 1);
        }
        return result;
      }
      mode = c.nextMode;
    }

    // 3. Nothing here: on to the next chunk.
    pos += nextRel;
    if (spec.code == scJis && last) mode = 0;
    progress.Step(std::min(pos, fileSize));
    if (progress.ShouldStop() && pos < fileSize) {
      result.outcome = SearchOutcome::Aborted;
      result.reached = pos;
      result.jisMode = mode;
      return result;
    }
  }
  return result;
}

}  // namespace engine
