// Block converters of the whole-file conversion; see text/conv_block.h.
#include "text/conv_block.h"

#include <emmintrin.h>

#include <cstring>

#include "text/Cpu.h"

namespace conv {
namespace {

constexpr uint32_t kSlow = 2, kBad = 1;
constexpr char16_t kReplacementChar = 0xFFFD;

// Whether the 16 bytes at p are all ASCII.
__attribute__((target("sse2"))) inline bool Ascii16(const unsigned char* p) {
  return _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) == 0;
}

// The 16 ASCII bytes at p as 16 UTF-16 units at q, in order.
__attribute__((target("sse2"))) inline void WidenAscii16(const unsigned char* p, unsigned char* q, bool big) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i z = _mm_setzero_si128();
  const __m128i lo = big ? _mm_unpacklo_epi8(z, v) : _mm_unpacklo_epi8(v, z);
  const __m128i hi = big ? _mm_unpackhi_epi8(z, v) : _mm_unpackhi_epi8(v, z);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(q), lo);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16), hi);
}

// Appends bytes through a raw pointer into a string sized ahead.
struct Out {
  std::string* s;
  size_t used;
  explicit Out(std::string* str, size_t room) : s(str), used(str->size()) { s->resize(used + room); }
  unsigned char* at() { return reinterpret_cast<unsigned char*>(&(*s)[0]) + used; }
  // Room for at least n more bytes.
  void Ensure(size_t n) {
    if (s->size() - used < n) s->resize(used + n + s->size() / 2);
  }
  void Append(const std::string& part) {
    Ensure(part.size());
    std::memcpy(at(), part.data(), part.size());
    used += part.size();
  }
  void Finish() { s->resize(used); }
};

inline unsigned char* PutUtf8(unsigned char* q, char16_t u) {
  if (u < 0x80) {
    *q++ = static_cast<unsigned char>(u);
  } else if (u < 0x800) {
    *q++ = static_cast<unsigned char>(0xC0 | (u >> 6));
    *q++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
  } else {
    *q++ = static_cast<unsigned char>(0xE0 | (u >> 12));
    *q++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
    *q++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
  }
  return q;
}

inline unsigned char* PutUnit(unsigned char* q, char16_t u, bool big) {
  q[big ? 1 : 0] = static_cast<unsigned char>(u & 0xFF);
  q[big ? 0 : 1] = static_cast<unsigned char>(u >> 8);
  return q + 2;
}

}  // namespace

BlockConverter::BlockConverter(Context& ctx) : ctx_(ctx) {
  Platform* pf = ctx.platform;
  const auto* c = reinterpret_cast<const unsigned char*>(ctx.SubstituteChar.c_str());
  char16_t w[2];
  if (pf && c[0] && pf->SjisCharToWide(c, SjisCharLength(c), w) == 1 && w[0] != 0) subWide_ = w[0];
  SjisSubstitute(ctx, subSjis_);
  // ASCII is copied as it stands only where the platform maps it so both ways.
  asciiSjisIdentity_ = pf != nullptr;
  for (unsigned b = 1; pf && b < 0x80 && asciiSjisIdentity_; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    char16_t u[2] = {0, 0};
    unsigned char back[2] = {0, 0};
    const char16_t unit = static_cast<char16_t>(b);
    if (pf->SjisCharToWide(&byte, 1, u) != 1 || u[0] != b || pf->WideCharToSjis(&unit, 1, back) != 1 ||
        back[0] != b)
      asciiSjisIdentity_ = false;
  }
}

namespace {

// Byte classes of code page 932 as 0 or 1, for the branch-free character length.
struct SjisClasses {
  unsigned char lead[256], trail[256];
  SjisClasses() {
    for (unsigned b = 0; b < 256; ++b) {
      lead[b] = IsSjisLead(static_cast<unsigned char>(b)) ? 1 : 0;
      trail[b] = IsSjisTrail(static_cast<unsigned char>(b)) ? 1 : 0;
    }
  }
};
const SjisClasses kSjis;

constexpr uint32_t kReady = 0x80000000u;  // the entry holds its output bytes

// A ready entry: up to three output bytes, lowest first, and their count.
uint32_t ReadyEntry(const unsigned char* b, int n) {
  uint32_t e = kReady | uint32_t(n) << 24;
  for (int k = 0; k < n; ++k) e |= uint32_t(b[k]) << (8 * k);
  return e;
}

inline unsigned char* PutEntry(unsigned char* q, uint32_t e) {
  q[0] = static_cast<unsigned char>(e);
  q[1] = static_cast<unsigned char>(e >> 8);
  q[2] = static_cast<unsigned char>(e >> 16);
  return q + ((e >> 24) & 7);
}

// Where the next sixteen bytes are tried as ASCII all at once: at once after
// a run of them; after a try that failed, sixteen bytes on, twice as far
// after each further failure in a row, up to 1 KiB. A failed try costs as
// much as several characters (its branch goes either way in text that mixes
// scripts), so such text tries seldom, and ASCII text tries at every step.
// Never on a processor without SSE2.
struct AsciiTries {
  size_t next;
  unsigned misses = 0;
  explicit AsciiTries(bool on) : next(on && cpu::HasSse2() ? 0 : SIZE_MAX) {}
  // Whether to try the sixteen bytes at i of n.
  bool Due(size_t i, size_t n) const { return i >= next && n - i >= 16; }
  void Missed(size_t i) {
    next = i + (size_t{16} << misses);
    if (misses < 6) ++misses;
  }
  void Took() { misses = 0; }
};

// The sixteen bytes at s + *i to UTF-8 or UTF-16 at *q when they are all
// ASCII (both moved on); else the try is counted as missed.
inline bool TakeAscii16(const unsigned char* s, size_t* i, AsciiTries& tries, unsigned char** q, bool utf8, bool big) {
  if (!Ascii16(s + *i)) {
    tries.Missed(*i);
    return false;
  }
  tries.Took();
  if (utf8) {
    std::memcpy(*q, s + *i, 16);
    *q += 16;
  } else {
    WidenAscii16(s + *i, *q, big);
    *q += 32;
  }
  *i += 16;
  return true;
}

}  // namespace

void BlockConverter::SjisToUnicode(const unsigned char* s, size_t n, bool utf8, ByteOrder order, std::string* out) {
  const bool big = order == ByteOrder::Big;
  std::vector<uint32_t>& table = utf8 ? fromSjis_ : big ? fromSjisBig_ : fromSjisLittle_;
  if (table.empty()) table.assign(65536 + 256, 0);
  Out o(out, n * (utf8 ? 3 : 2) + 32);
  unsigned char* q = o.at();
  size_t i = 0;
  AsciiTries tries(asciiSjisIdentity_);
  while (i < n) {
    const unsigned b = s[i];
    if (tries.Due(i, n) && TakeAscii16(s, &i, tries, &q, utf8, big)) continue;
    const unsigned next = i + 1 < n ? s[i + 1] : 0u;
    const unsigned two = kSjis.lead[b] & kSjis.trail[next];
    const size_t key = b + two * (256 + ((b << 8) | next) - b);
    uint32_t e = table[key];
    if (!(e & kReady)) {
      if (e == 0) e = table[key] = SjisEntry(s + i, 1 + int(two), utf8, big);
      if (e == kSlow) {
        // The routines' own way for a rare character.
        std::string one(reinterpret_cast<const char*>(s + i), 1 + two), part;
        if (utf8) {
          conv::SjisToUtf8(ctx_, one.c_str(), &part);
        } else {
          std::u16string wide;
          conv::SjisToWide(ctx_, one.c_str(), order, &wide);
          part.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
        }
        o.used = static_cast<size_t>(q - reinterpret_cast<unsigned char*>(&(*out)[0]));
        o.Append(part);
        o.Ensure((n - i) * 3 + 32);
        q = o.at();
        i += 1 + two;
        continue;
      }
      if (e == kBad) {
        q = utf8 ? PutUtf8(q, subWide_) : PutUnit(q, subWide_, big);
        const char16_t shown = kReplacementChar;
        ReportUnconvertible(ctx_, &shown, 1);
        i += 1 + two;
        continue;
      }
    }
    q = PutEntry(q, e);
    i += 1 + two;
  }
  o.used = static_cast<size_t>(q - reinterpret_cast<unsigned char*>(&(*out)[0]));
  o.Finish();
}

uint32_t BlockConverter::SjisEntry(const unsigned char* c, int len, bool utf8, bool big) {
  char16_t w[2] = {0, 0};
  const int k = ctx_.platform->SjisCharToWide(c, len, w);
  if (k == 1 && w[0] != 0 && !IsHighSurrogate(w[0]) && !IsLowSurrogate(w[0])) {
    unsigned char bytes[4];
    const int m = static_cast<int>((utf8 ? PutUtf8(bytes, w[0]) : PutUnit(bytes, w[0], big)) - bytes);
    return ReadyEntry(bytes, m);
  }
  if ((k == 2 && w[0] != 0 && w[1] != 0) || (k == 1 && w[0] != 0)) return kSlow;
  return kBad;
}

uint32_t BlockConverter::EucPairEntry(unsigned b, unsigned t, std::vector<uint32_t>& sjisTable, bool utf8, bool big) {
  auto dbl = [](unsigned x) { return x >= 0xA1 && x <= 0xFE; };
  unsigned char c[2];
  size_t key;
  if (b == 0x8E && IsHalfKana(static_cast<unsigned char>(t))) {
    c[0] = static_cast<unsigned char>(t);
    key = t;
  } else if (dbl(b) && dbl(t) && JisToSjisPair(b ^ 0x80u, t ^ 0x80u, &c[0], &c[1])) {
    key = 256 + ((size_t{c[0]} << 8) | c[1]);
  } else {
    return kSlow;  // not a plain character
  }
  uint32_t e = sjisTable[key];
  if (e == 0) e = sjisTable[key] = SjisEntry(c, key < 256 ? 1 : 2, utf8, big);
  return (e & kReady) ? e : kSlow;
}

bool BlockConverter::EucToUnicode(const unsigned char* s, size_t n, bool utf8, ByteOrder order, std::string* out) {
  const bool big = order == ByteOrder::Big;
  std::vector<uint32_t>& table = utf8 ? fromSjis_ : big ? fromSjisBig_ : fromSjisLittle_;
  if (table.empty()) table.assign(65536 + 256, 0);
  // Each character straight to its output bytes: an ASCII byte b at b, an
  // EUC-JP pair at 256 + (lead << 8 | trail). The loop takes text that mixes
  // scripts without a branch on the kind of each character: the length and
  // the place in the table come from the lead byte alone.
  std::vector<uint32_t>& pairs = utf8 ? fromEuc_ : big ? fromEucBig_ : fromEucLittle_;
  if (pairs.empty()) pairs.assign(65536 + 256, 0);
  const size_t before = out->size();
  Out o(out, n * (utf8 ? 3 : 2) + 32);
  unsigned char* q = o.at();
  size_t i = 0;
  AsciiTries tries(asciiSjisIdentity_);
  while (i < n) {
    const unsigned b = s[i];
    if (tries.Due(i, n) && b < 0x80 && TakeAscii16(s, &i, tries, &q, utf8, big)) continue;
    // A lead byte at the block's end pairs with no byte, which no pair holds.
    const unsigned t = i + 1 < n ? s[i + 1] : 0u;
    const unsigned two = b >> 7;
    const size_t key = b + two * (256 + ((b << 8) | t) - b);
    uint32_t e = pairs[key];
    if (!(e & kReady)) {
      if (e == 0) {
        if (!two) {
          e = table[b];
          if (e == 0) {
            const unsigned char c = static_cast<unsigned char>(b);
            e = table[b] = SjisEntry(&c, 1, utf8, big);
          }
        } else {
          e = EucPairEntry(b, t, table, utf8, big);
        }
        pairs[key] = e;
      }
      if (!(e & kReady)) {
        out->resize(before);  // not a plain character: the caller's way
        return false;
      }
    }
    // Every ready UTF-16 entry is one unit: the output moves on without
    // waiting for the entry, so that the lookups of characters in a row
    // overlap instead of waiting for each other.
    const uint32_t bytes = e & 0xFFFFFFu;
    std::memcpy(q, &bytes, 4);
    q += utf8 ? (e >> 24) & 7 : 2;
    i += 1 + two;
  }
  o.used = static_cast<size_t>(q - reinterpret_cast<unsigned char*>(&(*out)[0]));
  o.Finish();
  return true;
}

void BlockConverter::Utf8ToSjis(const unsigned char* s, size_t n, std::string* out) {
  if (toSjis_.empty()) toSjis_.assign(65536, 0);
  Platform* pf = ctx_.platform;
  Out o(out, n * 2 + 32);
  unsigned char* q = o.at();
  auto mapped = [](int k, const unsigned char b[2]) { return (k == 1 && b[0] != 0) || (k == 2 && b[0] != 0 && b[1] != 0); };
  size_t i = 0;
  AsciiTries tries(true);
  while (i < n) {
    const unsigned b0 = s[i];
    if (b0 < 0x80 && asciiSjisIdentity_) {
      // ASCII is the same bytes in both codes: as to UTF-8.
      if (tries.Due(i, n) && TakeAscii16(s, &i, tries, &q, true, false)) continue;
      *q++ = static_cast<unsigned char>(b0);
      ++i;
      continue;
    }
    // One character as Utf8ToWide decodes it from a NUL-terminated text: a
    // sequence is never taken past the block's end. The common two- and
    // three-byte forms are decoded here; every other goes through DecodeUtf8Char.
    char16_t w[2] = {0, 0};
    int units = 1;
    if (n - i >= 3 && (b0 & 0xF0) == 0xE0 && b0 != 0xE0 && b0 != 0xED && (s[i + 1] & 0xC0) == 0x80 &&
        (s[i + 2] & 0xC0) == 0x80) {
      w[0] = static_cast<char16_t>(((b0 & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F));
      i += 3;
    } else if (n - i >= 2 && b0 >= 0xC2 && b0 <= 0xDF && (s[i + 1] & 0xC0) == 0x80) {
      w[0] = static_cast<char16_t>(((b0 & 0x1F) << 6) | (s[i + 1] & 0x3F));
      i += 2;
    } else if (n - i >= 4) {
      i += static_cast<size_t>(DecodeUtf8Char(s + i, w, &units));
    } else {
      unsigned char tail[5] = {0, 0, 0, 0, 0};
      std::memcpy(tail, s + i, n - i);
      i += static_cast<size_t>(DecodeUtf8Char(tail, w, &units));
    }
    if (units == 1) {
      // As WideToSjis takes a unit alone.
      uint32_t e = toSjis_[w[0]];
      if (e == 0) {
        unsigned char b[2] = {0, 0};
        const int k = pf->WideCharToSjis(w, 1, b);
        e = mapped(k, b) ? ReadyEntry(b, k) : kBad;
        toSjis_[w[0]] = e;
      }
      if (e & kReady) {
        q = PutEntry(q, e);
        continue;
      }
    } else {
      // A pair, which WideToSjis takes together.
      unsigned char b[2] = {0, 0};
      const int k = pf->WideCharToSjis(w, 2, b);
      if (mapped(k, b)) {
        q = PutEntry(q, ReadyEntry(b, k));
        continue;
      }
    }
    for (int k = 0; k < units; ++k) {
      *q++ = subSjis_[0];
      *q++ = subSjis_[1];
    }
    // Listed once, counted as the substitutes written (two for a pair).
    ReportUnconvertible(ctx_, w, units);
    ctx_.UnconvertibleCount += static_cast<uint32_t>(units - 1);
  }
  o.used = static_cast<size_t>(q - reinterpret_cast<unsigned char*>(&(*out)[0]));
  o.Finish();
}

void BlockConverter::EucToSjis(const unsigned char* s, size_t n, std::string* out) {
  Out o(out, n * 2 + 32);
  auto at = [&](size_t k) -> unsigned { return k < n ? s[k] : 0u; };
  auto dbl = [](unsigned b) { return b >= 0xA1 && b <= 0xFE; };
  size_t i = 0;
  AsciiTries tries(true);
  while (i < n) {
    const unsigned b = s[i];
    unsigned char* q = o.at();
    if (tries.Due(i, n) && b < 0x80 && TakeAscii16(s, &i, tries, &q, true, false)) {
      o.used += 16;  // ASCII is the same bytes in both codes: as to UTF-8
      continue;
    }
    auto reject = [&](size_t taken) {
      q[0] = subSjis_[0];
      q[1] = subSjis_[1];
      o.used += 2;
      const char16_t shown = kReplacementChar;
      ReportUnconvertible(ctx_, &shown, 1);
      i += taken;
    };
    if (b == 0x8E) {
      if (IsHalfKana(static_cast<unsigned char>(at(i + 1)))) {
        q[0] = static_cast<unsigned char>(at(i + 1));
        ++o.used;
        i += 2;
      } else {
        reject(1);
      }
    } else if (b == 0x8F) {
      // JIS X 0212 (three bytes): code page 932 has no such rows.
      if (dbl(at(i + 1)) && dbl(at(i + 2)))
        reject(3);
      else
        reject(1);
    } else if (dbl(b)) {
      const unsigned t = at(i + 1);
      unsigned char s1, s2;
      if (dbl(t) && JisToSjisPair(b ^ 0x80u, t ^ 0x80u, &s1, &s2)) {
        q[0] = s1;
        q[1] = s2;
        o.used += 2;
        i += 2;
      } else {
        reject(1);
      }
    } else {
      q[0] = static_cast<unsigned char>(b);
      ++o.used;
      ++i;
    }
  }
  o.Finish();
}

}  // namespace conv
