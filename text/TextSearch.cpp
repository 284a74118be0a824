#include "text/TextSearch.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>
#include <vector>

#include <emmintrin.h>

#include "text/Cpu.h"
#include "text/ReadArea.h"
#include "text/conv.h"
#include "text/conv_bytes.h"

namespace textsearch {

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

void NarrowLowerCase::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  if (pairs_.empty()) pairs_.assign(0x10000, u'\0');
  // Every pair's character, lower-cased in one call (the locale's lower case
  // works unit by unit, so one call gives what a call per character gives).
  std::vector<uint16_t> codes;
  std::u16string units;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!conv::IsSjisLead(static_cast<unsigned char>(lead))) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (!conv::IsSjisTrail(static_cast<unsigned char>(trail))) continue;
      const unsigned char in[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      char16_t w[2];
      const unsigned code = (lead << 8) | trail;
      const int n = platform_.SjisCharToWide(in, 2, w);
      if (n == 0) pairs_[code] = 1;
      if (n != 1) continue;  // no character, or one that Pair asks about on its own
      codes.push_back(static_cast<uint16_t>(code));
      units.push_back(w[0]);
    }
  }
  std::u16string lower = platform_.LowerCase(units.data(), units.size());
  if (lower.size() != units.size()) return;  // Pair asks character by character
  for (size_t k = 0; k < codes.size(); ++k) {
    unsigned char out[2];
    char16_t& slot = pairs_[codes[k]];
    slot = 1;
    if (platform_.WideCharToSjis(&lower[k], 1, out) == 2) slot = static_cast<char16_t>((out[0] << 8) | out[1]);
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

void WideLowerCase::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  if (table_.empty()) table_.assign(0x10000, 0);
  // Blocks of units in one call each (the locale's lower case works unit by
  // unit); a block whose result has another length is left to Apply.
  constexpr unsigned kBlock = 0x1000;
  std::u16string units(kBlock, u'\0');
  for (unsigned first = 0; first < 0x10000; first += kBlock) {
    for (unsigned k = 0; k < kBlock; ++k) units[k] = static_cast<char16_t>(first + k);
    const size_t skip = first == 0 ? 1 : 0;  // unit 0 ends a text
    std::u16string lower = platform_.LowerCase(units.data() + skip, kBlock - skip);
    if (lower.size() != kBlock - skip) continue;
    for (size_t k = skip; k < kBlock; ++k) table_[first + k] = 0x10000u | lower[k - skip];
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

// ---- the file's characters

namespace {

constexpr unsigned char kEsc = 0x1B, kSO = 0x0E, kSI = 0x0F;
// Zero bytes kept after the bytes of a chunk (the decoders look up to four bytes ahead).
constexpr int64_t kLookahead = 8;

bool InEucDouble(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

using cpu::HasSse2;

// The bytes of a chunk as the decoders read them: a NUL byte reads as 0x01
// (the placeholder of the NUL-safe reader) and everything past the end as
// the terminator.
struct Bytes {
  const unsigned char* s;
  int64_t n;
  unsigned char at(int64_t i) const {
    if (i >= n) return 0;
    const unsigned char b = s[i];
    return b ? b : 1;
  }
};

// One step of a decoder: a character (its comparable elements, Shift_JIS
// bytes or UTF-16 units) or, in JIS, a sequence that makes none.
struct Char {
  int len = 1;    // source bytes taken (0: the same byte is read again in another mode)
  int count = 0;  // comparable elements made
  uint16_t e[2] = {0, 0};
};

// The decoders of the file's codes, one character at a time, as the
// viewer's conversions decode a whole text.
struct Decoder {
  int code = scSjis;
  bool bigEndian = false;
  unsigned char sub[2] = {'?', '?'};

  void Put(Char& c, int len, unsigned e0) const {
    c.len = len;
    c.count = 1;
    c.e[0] = static_cast<uint16_t>(e0);
  }
  void Put2(Char& c, int len, unsigned e0, unsigned e1) const {
    c.len = len;
    c.count = 2;
    c.e[0] = static_cast<uint16_t>(e0);
    c.e[1] = static_cast<uint16_t>(e1);
  }

  // The character at i (every code but JIS).
  void Step(const Bytes& b, int64_t i, Char& c) const {
    const unsigned char x = b.at(i);
    switch (code) {
      case scSjis:
        if (conv::IsSjisLead(x) && conv::IsSjisTrail(b.at(i + 1))) Put2(c, 2, x, b.at(i + 1));
        else Put(c, 1, x);
        return;
      case scEuc:
        if (x == 0x8E) {
          if (conv::IsHalfKana(b.at(i + 1))) Put(c, 2, b.at(i + 1));
          else Put2(c, 1, sub[0], sub[1]);
        } else if (x == 0x8F) {
          Put2(c, InEucDouble(b.at(i + 1)) && InEucDouble(b.at(i + 2)) ? 3 : 1, sub[0], sub[1]);
        } else if (InEucDouble(x)) {
          unsigned char s1, s2;
          if (InEucDouble(b.at(i + 1)) && conv::JisToSjisPair(x ^ 0x80u, b.at(i + 1) ^ 0x80u, &s1, &s2))
            Put2(c, 2, s1, s2);
          else
            Put2(c, 1, sub[0], sub[1]);
        } else {
          Put(c, 1, x);
        }
        return;
      case scUtf8: {
        const unsigned char t[4] = {x, b.at(i + 1), b.at(i + 2), b.at(i + 3)};
        char16_t w[2];
        int units = 0;
        c.len = conv::DecodeUtf8Char(t, w, &units);
        c.count = units;
        c.e[0] = w[0];
        c.e[1] = units > 1 ? w[1] : 0;
        return;
      }
      default: {  // UTF-16: one unit (a NUL unit reads as 0x0001)
        const unsigned lo = b.s[i + (bigEndian ? 1 : 0)], hi = b.s[i + (bigEndian ? 0 : 1)];
        const unsigned u = (hi << 8) | lo;
        Put(c, 2, u ? u : 1);
        return;
      }
    }
  }

  // One step of the JIS decoder at i in mode *m.
  void StepJis(const Bytes& b, int64_t i, int* m, Char& c) const {
    const unsigned char x = b.at(i);
    c.count = 0;
    if (x == kEsc || x == kSO) {  // only these begin a sequence
      if (x == kEsc && b.at(i + 1) == '&' && b.at(i + 2) == '@' && b.at(i + 3) == kEsc && b.at(i + 4) == '$' &&
          b.at(i + 5) == 'B') {
        *m = 1;
        c.len = 6;
        return;
      }
      const unsigned char t[4] = {x, b.at(i + 1), b.at(i + 2), b.at(i + 3)};
      int seqMode = 0;
      const int seqLen = conv::JisSequenceAt(t, &seqMode);
      if (seqLen > 0) {
        *m = seqMode;
        c.len = seqLen;
        return;
      }
    }
    if (*m == 3 && (x == kSI || x < 0x21 || x > 0x5F)) {
      *m = 0;
      c.len = x == kSI ? 1 : 0;
      return;
    }
    if (*m == 1 && x >= 0x21 && x <= 0x7E) {
      const unsigned char y = b.at(i + 1);
      unsigned char s1, s2;
      if (y >= 0x21 && y <= 0x7E && conv::JisToSjisPair(x, y, &s1, &s2)) Put2(c, 2, s1, s2);
      else Put2(c, 1, sub[0], sub[1]);
      return;
    }
    Put(c, 1, ((*m == 2 || *m == 3) && x > 0x20) ? (x | 0x80u) : x);
  }
};

// Case folding of one character's elements: Shift_JIS characters as the
// narrow lower case takes them (a pair, or single bytes), UTF-16 unit by unit.
struct Folder {
  bool on = false;
  bool wide = false;
  NarrowLowerCase* narrow = nullptr;
  WideLowerCase* wideLower = nullptr;
  void Apply(Char& c) const {
    if (!on || c.count == 0) return;
    if (wide) {
      char16_t u[2] = {static_cast<char16_t>(c.e[0]), static_cast<char16_t>(c.e[1])};
      wideLower->Apply(u, static_cast<size_t>(c.count));
      c.e[0] = u[0];
      c.e[1] = u[1];
    } else {
      unsigned char t[2] = {static_cast<unsigned char>(c.e[0]), static_cast<unsigned char>(c.e[1])};
      narrow->Apply(t, static_cast<size_t>(c.count));
      c.e[0] = t[0];
      c.e[1] = t[1];
    }
  }
};

// ---- character boundaries (every code but JIS)

// A character start at or before p that is known without decoding from
// further back (floor, itself a character start, bounds the look back).
int64_t SureStart(const Decoder& d, const Bytes& b, int64_t p, int64_t floor) {
  switch (d.code) {
    case scSjis: {
      // After a byte that is no lead byte a character begins (it was a
      // single byte or the second byte of a pair).
      int64_t j = p;
      while (j > floor && conv::IsSjisLead(b.at(j - 1))) --j;
      return j;
    }
    case scEuc: {
      // Only bytes A1-FE continue a character; every other byte begins one.
      int64_t j = p;
      while (j > floor && InEucDouble(b.at(j))) --j;
      return j;
    }
    case scUtf8: {
      // A byte that is no continuation byte begins a character; a
      // continuation byte with no such byte among the three before it does too.
      for (int64_t j = p, k = 0;; --j, ++k) {
        if (j <= floor) return floor;
        if ((b.at(j) & 0xC0) != 0x80) return j;
        if (k == 3) return p;
      }
    }
    default:
      return p;
  }
}

// Whether p begins a character. *floor is a character start at or before p;
// it moves up to the last start found at or before p, so that calls for
// increasing positions look at each byte a bounded number of times.
bool IsCharStart(const Decoder& d, const Bytes& b, int64_t p, int64_t* floor) {
  if (d.code == scUtf16) return (p & 1) == 0;
  int64_t j = SureStart(d, b, p, *floor);
  Char c;
  while (j < p) {
    d.Step(b, j, c);
    if (j + c.len > p) break;
    j += c.len;
  }
  *floor = j;
  return j == p;
}

// The last character start at or before target, or 0.
int64_t StartAtOrBefore(const Decoder& d, const Bytes& b, int64_t target) {
  if (d.code == scUtf16) return target & ~static_cast<int64_t>(1);
  int64_t j = SureStart(d, b, target, 0);
  Char c;
  for (;;) {
    d.Step(b, j, c);
    if (j + c.len > target) return j;
    j += c.len;
  }
}

// Whether the elements of pat begin with the character at p: decoded,
// folded and compared one character at a time. *end: the byte after the last
// character reached; *first: the bytes of the character at p.
bool Confirm(const Decoder& d, const Folder& f, const Bytes& b, int64_t p, const std::vector<uint16_t>& pat,
             int64_t* end, int64_t* first) {
  size_t k = 0;
  int64_t i = p;
  Char c;
  while (k < pat.size()) {
    if (i >= b.n) return false;
    d.Step(b, i, c);
    f.Apply(c);
    if (i == p) *first = c.len;
    for (int t = 0; t < c.count && k < pat.size(); ++t, ++k)
      if (c.e[t] != pat[k]) return false;
    i += c.len;
  }
  *end = i;
  return true;
}

// ---- the scan of the file's own bytes

// How a pattern is searched in the file's bytes. Every occurrence of the
// pattern is made of one source character per pattern character (one of
// that character's forms in the file's code); the forms of the characters
// of the prefix all have the same length per character, so the byte at
// each offset of the prefix must lie in that offset's set. Candidates are
// the places where the bytes at the two anchor offsets lie in their sets;
// each is then checked at every offset of the prefix, at a character
// boundary, and by decoding.
struct Plan {
  bool usable = false;     // false: the pattern needs the decoding search
  bool impossible = false; // some character has no form: nothing to find
  std::vector<uint16_t> elems;
  int prefix = 0;  // bytes of the fixed prefix
  std::vector<std::bitset<256>> sets;
  int a = 0, b = -1;  // anchor offsets (b < 0: one anchor)
  std::bitset<256> setA, setB;
  unsigned char va[8] = {}, vb[8] = {};
  int na = 0, nb = 0;  // values of the anchors' sets; 0: too many for the vector scan
};

// The characters of a pattern's elements: Shift_JIS characters, UTF-16
// units (UTF-8: a surrogate pair is one character). Empty when a
// character has no place in this search (a lone lead byte, a lone surrogate).
struct PatternChar {
  size_t index;  // first element
  int count;     // elements
};

bool SplitPattern(const Decoder& d, const std::vector<uint16_t>& e, std::vector<PatternChar>* out) {
  out->clear();
  for (size_t i = 0; i < e.size();) {
    int count = 1;
    if (d.code == scUtf8 || d.code == scUtf16) {
      if (conv::IsHighSurrogate(e[i]) && i + 1 < e.size() && conv::IsLowSurrogate(e[i + 1])) count = 2;
      if (d.code == scUtf8 && count == 1 && (conv::IsHighSurrogate(e[i]) || conv::IsLowSurrogate(e[i]))) return false;
      if (d.code == scUtf16) count = 1;  // every unit is a character of its own
    } else {
      if (conv::IsSjisLead(static_cast<unsigned char>(e[i]))) {
        if (i + 1 >= e.size() || !conv::IsSjisTrail(static_cast<unsigned char>(e[i + 1]))) return false;
        count = 2;
      }
    }
    out->push_back({i, count});
    i += static_cast<size_t>(count);
  }
  return true;
}

uint32_t CharKey(const uint16_t* e, int count) {
  return count == 2 ? (0x10000u | (static_cast<uint32_t>(e[0] & 0xFF) << 8) | (e[1] & 0xFF)) : e[0];
}

// The forms of the pattern's characters in the file's code: every source
// character that decodes and folds to it, in the code's regular forms
// (for EUC-JP: single bytes below 0x80, 8E and a kana byte, pairs of
// A1-FE; chunks with other bytes are searched by decoding).
class FormTable {
 public:
  FormTable(const Decoder& d, const Folder& f, const std::vector<uint32_t>& wanted) : d_(d), f_(f) {
    for (uint32_t k : wanted) keys_.push_back(k);
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    forms_.resize(keys_.size());
    Enumerate();
  }
  const std::vector<std::string>* Forms(uint32_t key) const {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    return it == keys_.end() || *it != key ? nullptr : &forms_[static_cast<size_t>(it - keys_.begin())];
  }
  bool foreignFold = false;  // a source unit outside the regular forms folds to a wanted key

 private:
  void Add(const std::string& raw, Char c) {
    f_.Apply(c);
    const uint32_t key = CharKey(c.e, c.count);
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (it != keys_.end() && *it == key) forms_[static_cast<size_t>(it - keys_.begin())].push_back(raw);
  }
  void Enumerate() {
    Char c;
    auto one = [&](unsigned e0) {
      c.count = 1;
      c.e[0] = static_cast<uint16_t>(e0);
    };
    auto two = [&](unsigned e0, unsigned e1) {
      c.count = 2;
      c.e[0] = static_cast<uint16_t>(e0);
      c.e[1] = static_cast<uint16_t>(e1);
    };
    switch (d_.code) {
      case scSjis:
        for (unsigned x = 0; x < 256; ++x) {
          if (conv::IsSjisLead(static_cast<unsigned char>(x))) continue;
          one(x ? x : 1);
          Add(std::string(1, static_cast<char>(x)), c);
        }
        for (unsigned l = 0x81; l <= 0xFC; ++l) {
          if (!conv::IsSjisLead(static_cast<unsigned char>(l))) continue;
          for (unsigned t = 0x40; t <= 0xFC; ++t) {
            if (!conv::IsSjisTrail(static_cast<unsigned char>(t))) continue;
            two(l, t);
            Add(std::string{static_cast<char>(l), static_cast<char>(t)}, c);
          }
        }
        break;
      case scEuc:
        for (unsigned x = 0; x < 0x80; ++x) {
          one(x ? x : 1);
          Add(std::string(1, static_cast<char>(x)), c);
        }
        for (unsigned k = 0xA1; k <= 0xDF; ++k) {
          one(k);
          Add(std::string{'\x8E', static_cast<char>(k)}, c);
        }
        for (unsigned h = 0xA1; h <= 0xFE; ++h) {
          for (unsigned l = 0xA1; l <= 0xFE; ++l) {
            unsigned char s1, s2;
            conv::JisToSjisPair(h ^ 0x80u, l ^ 0x80u, &s1, &s2);
            two(s1, s2);
            Add(std::string{static_cast<char>(h), static_cast<char>(l)}, c);
          }
        }
        break;
      case scUtf16:
        for (unsigned u = 0; u < 0x10000; ++u) {
          one(u ? u : 1);
          const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
          Add(d_.bigEndian ? std::string{hi, lo} : std::string{lo, hi}, c);
        }
        break;
      case scUtf8:
        for (unsigned u = 0; u < 0x10000; ++u) {
          one(u ? u : 1);
          if (conv::IsHighSurrogate(static_cast<char16_t>(u)) || conv::IsLowSurrogate(static_cast<char16_t>(u))) {
            // Surrogates come from pairs and from undecodable bytes; a pattern
            // character that one of them folds to is searched by decoding.
            Char folded = c;
            f_.Apply(folded);
            if (folded.e[0] != u && Forms(folded.e[0])) foreignFold = true;
            continue;
          }
          const char16_t w[2] = {static_cast<char16_t>(u), 0};
          unsigned char raw[4];
          int len = 0;
          if (u == 0) {
            raw[0] = 0;
            len = 1;
          } else {
            conv::EncodeUtf8Char(w, raw, &len);
          }
          Add(std::string(reinterpret_cast<char*>(raw), static_cast<size_t>(len)), c);
        }
        break;
    }
  }

  const Decoder& d_;
  const Folder& f_;
  std::vector<uint32_t> keys_;
  std::vector<std::vector<std::string>> forms_;
};

std::vector<uint16_t> Elements(const Decoder& d, const std::string& narrow, const std::u16string& wide) {
  std::vector<uint16_t> e;
  if (d.code == scUtf8 || d.code == scUtf16) e.assign(wide.begin(), wide.end());
  else
    for (char ch : narrow) e.push_back(static_cast<unsigned char>(ch));
  return e;
}

Plan MakePlan(const Decoder& d, const Folder& f, std::vector<uint16_t> elems) {
  Plan plan;
  plan.elems = std::move(elems);
  if (d.code == scJis || plan.elems.empty()) return plan;
  std::vector<PatternChar> chars;
  if (!SplitPattern(d, plan.elems, &chars)) return plan;
  const bool utf8 = d.code == scUtf8;
  std::vector<uint32_t> keys;
  for (const PatternChar& pc : chars) {
    if (utf8 && pc.count == 2) {  // a surrogate pair: each unit must fold to itself alone
      keys.push_back(plan.elems[pc.index]);
      keys.push_back(plan.elems[pc.index + 1]);
    } else {
      keys.push_back(CharKey(&plan.elems[pc.index], pc.count));
    }
  }
  FormTable table(d, f, keys);
  if (table.foreignFold) return plan;
  std::vector<std::vector<std::string>> forms;
  for (const PatternChar& pc : chars) {
    if (utf8 && pc.count == 2) {
      const char16_t u[2] = {static_cast<char16_t>(plan.elems[pc.index]), static_cast<char16_t>(plan.elems[pc.index + 1])};
      const auto* h = table.Forms(u[0]);
      const auto* l = table.Forms(u[1]);
      // Units that fold to a surrogate would need the decoding search.
      if ((h && !h->empty()) || (l && !l->empty())) return plan;
      unsigned char raw[4];
      int len = 0;
      conv::EncodeUtf8Char(u, raw, &len);
      Char c;
      c.count = 2;
      c.e[0] = u[0];
      c.e[1] = u[1];
      f.Apply(c);
      if (c.e[0] != u[0] || c.e[1] != u[1]) return plan;
      forms.push_back({std::string(reinterpret_cast<char*>(raw), static_cast<size_t>(len))});
    } else {
      const auto* fs = table.Forms(CharKey(&plan.elems[pc.index], pc.count));
      forms.push_back(fs ? *fs : std::vector<std::string>());
    }
  }
  plan.usable = true;
  for (const auto& fs : forms)
    if (fs.empty()) plan.impossible = true;
  if (plan.impossible) return plan;

  // The fixed prefix: characters whose forms all have one length.
  std::vector<std::pair<int, int>> spans;  // offset and length of each character of the prefix
  for (const auto& fs : forms) {
    const size_t len = fs[0].size();
    bool same = true;
    for (const std::string& s : fs) same = same && s.size() == len;
    if (!same) break;
    spans.push_back({plan.prefix, static_cast<int>(len)});
    plan.prefix += static_cast<int>(len);
  }
  plan.sets.assign(static_cast<size_t>(plan.prefix), std::bitset<256>());
  for (size_t k = 0; k < spans.size(); ++k)
    for (const std::string& s : forms[k])
      for (size_t j = 0; j < s.size(); ++j) plan.sets[spans[k].first + j].set(static_cast<unsigned char>(s[j]));

  // Anchors: the narrowest set of the first character and of the last one
  // of the prefix (a set that holds 0x00 only when no other will do).
  auto cost = [&](int off) { return plan.sets[static_cast<size_t>(off)].count() + (plan.sets[static_cast<size_t>(off)].test(0) ? 1000 : 0); };
  auto pick = [&](const std::pair<int, int>& span, int avoid) {
    int best = -1;
    for (int off = span.first; off < span.first + span.second; ++off) {
      if (off == avoid) continue;
      if (best < 0 || cost(off) <= cost(best)) best = off;  // ties: the later byte (trail bytes vary more)
    }
    return best;
  };
  if (spans.empty()) {
    plan.a = 0;
    for (const std::string& s : forms[0]) plan.setA.set(static_cast<unsigned char>(s[0]));
  } else {
    plan.a = pick(spans.front(), -1);
    if (d.code == scUtf16) plan.a = spans.front().first + (d.bigEndian ? 1 : 0);  // the low byte
    plan.setA = plan.sets[static_cast<size_t>(plan.a)];
    if (spans.size() > 1 || spans.front().second > 1) {
      plan.b = pick(spans.back(), plan.a);
      if (d.code == scUtf16 && spans.size() > 1) plan.b = spans.back().first + (d.bigEndian ? 1 : 0);
      if (plan.b >= 0 && plan.sets[static_cast<size_t>(plan.b)].test(0) && spans.size() == 1) plan.b = -1;
      if (plan.b >= 0) plan.setB = plan.sets[static_cast<size_t>(plan.b)];
    }
  }
  auto values = [](const std::bitset<256>& set, unsigned char* v) {
    if (set.count() > 8) return 0;
    int k = 0;
    for (unsigned x = 0; x < 256; ++x)
      if (set.test(x)) v[k++] = static_cast<unsigned char>(x);
    return k;
  };
  plan.na = values(plan.setA, plan.va);
  plan.nb = plan.b >= 0 ? values(plan.setB, plan.vb) : 0;
  return plan;
}

// The first p in [from, to) where the anchors' bytes lie in their sets; -1 when none.
int64_t NextCandidateBytewise(const unsigned char* s, int64_t from, int64_t to, const Plan& pl) {
  for (int64_t p = from; p < to; ++p)
    if (pl.setA.test(s[p + pl.a]) && (pl.b < 0 || pl.setB.test(s[p + pl.b]))) return p;
  return -1;
}

// The same, sixteen places at a time; -1 when none. s[p + anchor + 15] must be readable
// for p < vecEnd.
__attribute__((target("sse2"))) int64_t NextCandidateSse2(const unsigned char* s, int64_t from, int64_t to,
                                                          int64_t vecEnd, const Plan& pl) {
  __m128i va[8], vb[8];
  for (int k = 0; k < pl.na; ++k) va[k] = _mm_set1_epi8(static_cast<char>(pl.va[k]));
  for (int k = 0; k < pl.nb; ++k) vb[k] = _mm_set1_epi8(static_cast<char>(pl.vb[k]));
  int64_t p = from;
  const int64_t end = std::min(to, vecEnd);
  for (; p + 16 <= end; p += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p + pl.a));
    __m128i m = _mm_cmpeq_epi8(x, va[0]);
    for (int k = 1; k < pl.na; ++k) m = _mm_or_si128(m, _mm_cmpeq_epi8(x, va[k]));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(m));
    if (mask && pl.b >= 0) {
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p + pl.b));
      __m128i mb = _mm_cmpeq_epi8(y, vb[0]);
      for (int k = 1; k < pl.nb; ++k) mb = _mm_or_si128(mb, _mm_cmpeq_epi8(y, vb[k]));
      mask &= static_cast<unsigned>(_mm_movemask_epi8(mb));
    }
    if (mask) return p + static_cast<int64_t>(__builtin_ctz(mask));
  }
  return NextCandidateBytewise(s, p, to, pl);
}

int64_t NextCandidate(const unsigned char* s, int64_t from, int64_t to, int64_t vecEnd, const Plan& pl) {
  if (HasSse2() && pl.na > 0 && (pl.b < 0 || pl.nb > 0)) return NextCandidateSse2(s, from, to, vecEnd, pl);
  return NextCandidateBytewise(s, from, to, pl);
}

struct Hit {
  int64_t at = -1;  // chunk offset, -1: none
  int64_t end = 0, first = 0;
  int mode = 0;
};

// The first occurrence that begins at a character start in [0, limit) of
// the chunk's n bytes (n + kLookahead readable).
Hit FindInBytes(const Decoder& d, const Folder& f, const Plan& pl, const unsigned char* s, int64_t n, int64_t limit) {
  Hit h;
  if (pl.impossible || pl.elems.empty()) return h;
  const Bytes b{s, n};
  const int64_t to = std::min(limit, n - std::max(pl.prefix, 1) + 1);
  const int64_t vecEnd = n + kLookahead - 15 - std::max(pl.a, pl.b);
  int64_t floor = 0;
  for (int64_t from = 0; from < to;) {
    const int64_t p = NextCandidate(s, from, to, vecEnd, pl);
    if (p < 0) break;
    from = p + 1;
    bool fits = true;
    for (int k = 0; k < pl.prefix && fits; ++k) fits = pl.sets[static_cast<size_t>(k)].test(s[p + k]);
    if (!fits || !IsCharStart(d, b, p, &floor)) continue;
    if (Confirm(d, f, b, p, pl.elems, &h.end, &h.first)) {
      h.at = p;
      return h;
    }
  }
  return h;
}

// EUC-JP bytes outside the regular forms (80-8D, 8F-A0, FF): a chunk that
// holds one is searched by decoding.
bool IrregularEuc(unsigned char b) { return (b >= 0x80 && b <= 0xA0 && b != 0x8E) || b == 0xFF; }

bool HasIrregularEucBytewise(const unsigned char* s, int64_t from, int64_t n) {
  for (int64_t i = from; i < n; ++i)
    if (IrregularEuc(s[i])) return true;
  return false;
}

__attribute__((target("sse2"))) bool HasIrregularEucSse2(const unsigned char* s, int64_t n) {
  int64_t i = 0;
  const __m128i k80 = _mm_set1_epi8(static_cast<char>(0x80)), k20 = _mm_set1_epi8(0x20);
  const __m128i k8E = _mm_set1_epi8(static_cast<char>(0x8E)), kFF = _mm_set1_epi8(static_cast<char>(0xFF));
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i d = _mm_sub_epi8(x, k80);                    // 80-A0 become 00-20
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(d, k20), d);  // d <= 0x20
    const __m128i bad = _mm_or_si128(_mm_andnot_si128(_mm_cmpeq_epi8(x, k8E), low), _mm_cmpeq_epi8(x, kFF));
    if (_mm_movemask_epi8(bad)) return true;
  }
  return HasIrregularEucBytewise(s, i, n);
}

bool HasIrregularEuc(const unsigned char* s, int64_t n) {
  return HasSse2() ? HasIrregularEucSse2(s, n) : HasIrregularEucBytewise(s, 0, n);
}

// ---- the search by decoding (JIS, and what the byte scan leaves to it)

// A chunk decoded: per comparable element its value, the offset of its
// character and the byte after it, and whether it begins its character
// (1 + the JIS mode there) or continues one (0).
struct Decoded {
  size_t count = 0;  // elements (the vectors only grow, to the most a chunk needs)
  std::vector<uint16_t> e;
  std::vector<uint32_t> at, end;
  std::vector<uint8_t> start;
  int64_t next = -1;  // a step start at or before the target (the next chunk's start), -1: none after 0
  int nextMode = 0;
  void Reset(size_t capacity) {
    if (e.size() < capacity) {
      e.resize(capacity);
      at.resize(capacity);
      end.resize(capacity);
      start.resize(capacity);
    }
    count = 0;
    next = -1;
    nextMode = 0;
  }
};

// Decodes the steps that begin before limit; remembers the last step start
// at or before target (or the first one after 0 when none lies in between).
void DecodeChunk(const Decoder& d, const Folder& f, const Bytes& b, int64_t limit, int64_t target, int mode,
                 Decoded& out) {
  out.Reset(static_cast<size_t>(limit) * 2 + 2);  // at most two elements per byte
  int m = mode;
  Char c;
  int64_t i = 0;
  while (i < limit) {
    if (i > 0 && (i <= target || out.next < 0)) {
      out.next = i;
      out.nextMode = m;
    }
    const int charMode = m;
    if (d.code == scJis) d.StepJis(b, i, &m, c);
    else d.Step(b, i, c);
    f.Apply(c);
    for (int k = 0; k < c.count; ++k) {
      const size_t x = out.count++;
      out.e[x] = c.e[k];
      out.at[x] = static_cast<uint32_t>(i);
      out.end[x] = static_cast<uint32_t>(i + c.len);
      out.start[x] = static_cast<uint8_t>(k == 0 ? 1 + charMode : 0);
    }
    i += c.len;
  }
  if (out.next < 0) {
    out.next = i;
    out.nextMode = m;
  }
}

// The first occurrence of pat at an element that begins a character, among
// those that begin before limitIndex.
size_t FindDecoded(const Decoded& t, const std::vector<uint16_t>& pat, size_t limitIndex) {
  const size_t m = pat.size();
  if (m == 0 || m > t.count) return std::string::npos;
  const size_t last = std::min(limitIndex, t.count - m + 1);
  for (size_t i = 0; i < last; ++i) {
    if (t.e[i] != pat[0] || !t.start[i]) continue;
    if (std::equal(pat.begin() + 1, pat.end(), t.e.begin() + static_cast<std::ptrdiff_t>(i) + 1)) return i;
  }
  return std::string::npos;
}

// The first element, among those that begin a character before limitIndex,
// from which pat runs on past the decoded text's end with everything decoded
// so far matching: an occurrence there is undecided until more is read.
size_t FirstCutOff(const Decoded& t, const std::vector<uint16_t>& pat, size_t limitIndex) {
  const size_t m = pat.size();
  const size_t first = t.count >= m ? t.count - m + 1 : 0;
  for (size_t i = first; i < std::min(limitIndex, t.count); ++i) {
    if (t.start[i] && std::equal(t.e.begin() + static_cast<std::ptrdiff_t>(i),
                                 t.e.begin() + static_cast<std::ptrdiff_t>(t.count), pat.begin()))
      return i;
  }
  return std::string::npos;
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

int64_t SearchOverlap(const SearchSpec& spec, const SearchPatterns& p) {
  int64_t bound = std::max(EncodedBound(spec.code, p.p1n, p.p1w, p.foldCase),
                           EncodedBound(spec.code, p.p2n, p.p2w, p.foldCase));
  return std::max(spec.minOverlap, bound + 8);
}

SearchResult SearchBytes(const textio::ReadAt& read, int64_t fileSize, const SearchSpec& spec,
                         const SearchPatterns& p, conv::Context& ctx, const std::function<bool(int64_t)>& stepAndStop,
                         const std::function<uint32_t()>& readError) {
  SearchResult result;
  const bool wideCode = spec.code == scUtf16 || spec.code == scUtf8;
  const bool empty = wideCode ? p.p1w.empty() : p.p1n.empty();
  if (empty || (!wideCode && !p.representable)) return result;  // nothing can match

  const int64_t overlap = SearchOverlap(spec, p);
  const int64_t step = std::max<int64_t>(spec.step, spec.code == scUtf16 ? 2 : 1);
  int64_t span = step + overlap;  // bytes read per chunk; grows only while an occurrence is undecided at a chunk's start
  readarea::ReadArea area;  // each chunk lined up with its file offset
  unsigned char* buf = nullptr;
  Decoder dec;
  dec.code = spec.code;
  dec.bigEndian = spec.bigEndian;
  conv::SjisSubstitute(ctx, dec.sub);
  NarrowLowerCase narrowLower(*ctx.platform);
  WideLowerCase wideLower(*ctx.platform);
  Folder fold;
  fold.on = p.foldCase;
  fold.wide = wideCode;
  fold.narrow = &narrowLower;
  fold.wideLower = &wideLower;
  if (fold.on && wideCode) wideLower.Prepare();
  if (fold.on && !wideCode) narrowLower.Prepare();

  const Plan plan1 = MakePlan(dec, fold, Elements(dec, p.p1n, p.p1w));
  const Plan plan2 = MakePlan(dec, fold, Elements(dec, p.p2n, p.p2w));
  bool bytesScan = plan1.usable && (plan2.elems.empty() || plan2.usable);
  if (bytesScan && spec.code == scEuc) {
    // Substitutes of undecodable bytes are searched by decoding.
    Char sub;
    dec.Put2(sub, 1, dec.sub[0], dec.sub[1]);
    fold.Apply(sub);
    for (const Plan* pl : {&plan1, &plan2})
      for (uint16_t e : pl->elems)
        if (e == sub.e[0] || e == sub.e[1]) bytesScan = false;
  }
  Decoded decoded;

  int64_t pos = spec.start;
  if (spec.code == scUtf16 && (pos & 1)) --pos;
  int mode = spec.jisMode;
  while (pos < fileSize) {
    // 1. Read the chunk.
    const int64_t want = std::min<int64_t>(span, fileSize - pos);
    buf = area.Place(pos, static_cast<size_t>(span + kLookahead));
    if (!buf) throw std::bad_alloc();
    const int64_t got = read(pos, buf, static_cast<size_t>(want));
    if (got < 0) {
      result.outcome = SearchOutcome::ReadError;
      result.error = readError ? readError() : 0;
      return result;
    }
    if (got == 0) return result;  // the file ended early: nothing more to search
    int64_t n = got;
    if (spec.code == scUtf16) n &= ~static_cast<int64_t>(1);  // a last odd byte is no unit
    if (n == 0) return result;
    const bool last = pos + got >= fileSize || got < want;
    std::memset(buf + n, 0, kLookahead);
    const Bytes bytes{buf, n};
    // Characters are taken only where they begin before the lookahead margin (everything at the end).
    const int64_t limit = last ? n : std::max<int64_t>(n - kLookahead, 1);
    const int64_t target = std::min(step, limit);

    Hit hit;
    const Plan* found = nullptr;
    int64_t nextRel;  // chunk offset of the next chunk's start
    if (bytesScan && !(spec.code == scEuc && HasIrregularEuc(buf, n))) {
      // 2a. The file's own bytes, decoded only around a candidate.
      if (last) {
        nextRel = n;
      } else {
        nextRel = StartAtOrBefore(dec, bytes, target);
        if (nextRel <= 0) {
          Char c;
          dec.Step(bytes, 0, c);
          nextRel = c.len;
        }
      }
      const int64_t lim = last ? n : nextRel;
      hit = FindInBytes(dec, fold, plan1, buf, n, lim);
      found = &plan1;
      Hit h2 = FindInBytes(dec, fold, plan2, buf, n, hit.at >= 0 ? hit.at : lim);
      if (h2.at >= 0) {
        hit = h2;
        found = &plan2;
      }
    } else {
      // 2b. The chunk decoded whole.
      DecodeChunk(dec, fold, bytes, limit, target, mode, decoded);
      nextRel = last ? n : decoded.next;
      size_t lim = decoded.count;
      if (!last) {
        const auto begin = decoded.at.begin(), end = begin + static_cast<std::ptrdiff_t>(decoded.count);
        lim = static_cast<size_t>(std::lower_bound(begin, end, static_cast<uint32_t>(nextRel)) - begin);
      }
      size_t a1 = FindDecoded(decoded, plan1.elems, lim);
      size_t a2 = FindDecoded(decoded, plan2.elems, a1 == std::string::npos ? lim : a1);
      size_t a = a1;
      found = &plan1;
      if (a2 != std::string::npos) {
        a = a2;
        found = &plan2;
      }
      if (!last && spec.code == scJis) {
        // JIS escapes make no characters, so the overlap in bytes need not hold
        // an occurrence: one that runs off the decoded end is settled by a
        // chunk that begins where it begins (a longer one when that is here).
        const size_t c1 = FirstCutOff(decoded, plan1.elems, lim);
        const size_t c2 = FirstCutOff(decoded, plan2.elems, lim);
        const size_t cut = std::min(c1, c2);
        if (cut != std::string::npos && (a == std::string::npos || cut < a)) {
          if (decoded.at[cut] == 0) {
            span *= 2;
            continue;
          }
          a = std::string::npos;
          nextRel = decoded.at[cut];
          decoded.nextMode = decoded.start[cut] - 1;
        }
      }
      if (a != std::string::npos) {
        const size_t lastElem = a + found->elems.size() - 1;
        hit.at = decoded.at[a];
        hit.end = decoded.end[lastElem];
        hit.first = decoded.end[a] - decoded.at[a];
        hit.mode = decoded.start[a] - 1;
      }
      mode = decoded.nextMode;
    }
    if (hit.at >= 0) {
      if (spec.code == scUtf16 && found->elems.size() >= 2) {
        // Find Next goes on after a surrogate pair that the hit begins with.
        Char u0, u1;
        dec.Step(bytes, hit.at, u0);
        dec.Step(bytes, hit.at + 2, u1);
        if (conv::IsHighSurrogate(u0.e[0]) && conv::IsLowSurrogate(u1.e[0])) hit.first = 4;
      }
      result.outcome = SearchOutcome::Found;
      result.offset = pos + hit.at;
      result.sourceLength = hit.end - hit.at;
      result.matchedUnits = static_cast<int64_t>(found->elems.size());
      result.firstCharLength = hit.first;
      result.jisMode = spec.code == scJis ? hit.mode : 0;
      return result;
    }

    // 3. Nothing here: on to the next chunk.
    pos += nextRel;
    if (spec.code == scJis && last) mode = 0;
    if (stepAndStop(std::min(pos, fileSize)) && pos < fileSize) {
      result.outcome = SearchOutcome::Aborted;
      result.reached = pos;
      result.jisMode = mode;
      return result;
    }
  }
  return result;
}

}  // namespace textsearch
