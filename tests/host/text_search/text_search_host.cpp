// The search over a byte source against a naive reference: the whole text
// decoded with the viewer's conversions (character boundaries found by
// cutting the text and decoding both halves), lower-cased character by
// character, and searched element by element. Random files in every code with
// valid and undecodable bytes, random chunk sizes, case and kana folding on
// and off, patterns of 1 to 40 characters; every hit and the Find Next order.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/conv/host_platform.h"
#include "text/TextSearch.h"
#include "text/conv_text.h"

using textsearch::KanaDirection;
using textsearch::SearchOutcome;
using textsearch::SearchPatterns;
using textsearch::SearchResult;
using textsearch::SearchSpec;

namespace {

// The host platform's code page 932, with more case pairs than ASCII and
// full-width Latin: Greek capitals (other trail bytes in code page 932),
// Roman numerals (another lead byte, and two codes for each small one),
// and the Kelvin sign and the dotted capital I, which fold to ASCII letters
// from three- and two-byte UTF-8.
class FoldingPlatform : public conv::Platform {
 public:
  int WideCharToSjis(const char16_t* u, int n, unsigned char out[2]) override {
    return hosttest::Platform().WideCharToSjis(u, n, out);
  }
  int SjisCharToWide(const unsigned char* b, int n, char16_t out[2]) override {
    return hosttest::Platform().SjisCharToWide(b, n, out);
  }
  std::u16string UpperCase(const char16_t* t, size_t n) override { return hosttest::Platform().UpperCase(t, n); }
  std::u16string LowerCase(const char16_t* t, size_t n) override {
    std::u16string r = hosttest::Platform().LowerCase(t, n);
    for (char16_t& c : r) {
      if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) c = static_cast<char16_t>(c + 0x20);
      else if (c >= 0x2160 && c <= 0x2169) c = static_cast<char16_t>(c + 0x10);
      else if (c == 0x212A) c = u'k';
      else if (c == 0x0130) c = u'i';
    }
    return r;
  }
  int CompareLocale(unsigned f, const char16_t* a, int na, const char16_t* b, int nb) override {
    return hosttest::Platform().CompareLocale(f, a, na, b, nb);
  }
};

enum Code { kSjis = textsearch::scSjis, kUtf16 = textsearch::scUtf16, kUtf8 = textsearch::scUtf8,
            kEuc = textsearch::scEuc, kJis = textsearch::scJis };

struct CodeCase {
  int code;
  bool be;
  const char* name;
};
const CodeCase kCodes[] = {{kSjis, false, "Shift_JIS"}, {kUtf16, false, "UTF-16LE"}, {kUtf16, true, "UTF-16BE"},
                           {kUtf8, false, "UTF-8"},     {kEuc, false, "EUC-JP"},    {kJis, false, "JIS"}};

class TextSearch : public ::testing::Test {
 public:
  void SetUp() override { ctx_.platform = &platform_; }

  std::string Sjis(const std::u16string& text) {
    std::string out;
    conv::Context c;
    c.platform = &platform_;
    conv::WideToSjis(c, text.c_str(), conv::ByteOrder::Little, &out);
    return out;
  }
  std::u16string Wide(const std::string& sjis) {
    std::u16string out;
    conv::Context c;
    c.platform = &platform_;
    conv::SjisToWide(c, sjis.c_str(), conv::ByteOrder::Little, &out);
    return out;
  }

  // A text in the file's code.
  std::string Encode(const std::u16string& text, const CodeCase& cc, bool shiftOut = false) {
    std::string out;
    conv::Context c;
    c.platform = &platform_;
    c.KanaByShiftOut = shiftOut;
    switch (cc.code) {
      case kUtf16:
        for (char16_t u : text) {
          out += static_cast<char>(cc.be ? u >> 8 : u & 0xFF);
          out += static_cast<char>(cc.be ? u & 0xFF : u >> 8);
        }
        return out;
      case kUtf8:
        conv::WideToUtf8(text.c_str(), conv::ByteOrder::Little, &out);
        return out;
      case kEuc:
        conv::SjisToEuc(c, Sjis(text).c_str(), &out);
        return out;
      case kJis:
        conv::SjisToJis(c, Sjis(text).c_str(), &out);
        return out;
      default:
        return Sjis(text);
    }
  }

  // ---- the reference

  struct RefChar {
    int64_t at, len;
    std::vector<uint16_t> e;  // comparable elements, lower-cased when folding
  };

  // Decodes a whole NUL-free text with the conversion of the code.
  std::vector<uint16_t> Decode(const std::string& s, int code) {
    conv::Context c;
    c.platform = &platform_;
    std::vector<uint16_t> e;
    if (code == kUtf8) {
      std::u16string w;
      conv::Utf8ToWide(s.c_str(), conv::ByteOrder::Little, &w);
      e.assign(w.begin(), w.end());
    } else {
      std::string out;
      if (code == kEuc) conv::EucToSjis(c, s.c_str(), &out);
      else conv::JisToSjis(c, s.c_str(), &out);
      for (char ch : out) e.push_back(static_cast<unsigned char>(ch));
    }
    return e;
  }

  // The characters of the file as the conversions see them. A place is a
  // character boundary when decoding the text before it and the text from it
  // on (in JIS: in one of the four modes) gives the whole text's decoding.
  std::vector<RefChar> Characters(std::string bytes, const CodeCase& cc, bool fold) {
    std::vector<RefChar> chars;
    const int64_t n = static_cast<int64_t>(bytes.size());
    if (cc.code == kUtf16) {
      for (int64_t i = 0; i + 1 < n; i += 2) {
        const unsigned a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        unsigned u = cc.be ? (a << 8 | b) : (b << 8 | a);
        chars.push_back({i, 2, {static_cast<uint16_t>(u ? u : 1)}});
      }
    } else {
      for (char& ch : bytes)
        if (ch == 0) ch = 1;
      if (cc.code == kSjis) {
        const std::basic_string<conv::ByteClass> classes = conv::SjisByteClasses(bytes.c_str());
        for (int64_t i = 0; i < n; ++i) {
          if (classes[i] == conv::ByteClass::Trail) {
            chars.back().len = 2;
            chars.back().e.push_back(static_cast<unsigned char>(bytes[i]));
          } else {
            chars.push_back({i, 1, {static_cast<unsigned char>(bytes[i])}});
          }
        }
      } else {
        const std::vector<uint16_t> whole = Decode(bytes, cc.code);
        static const char* const kDesignations[] = {"", "\x1b$B", "\x1b(I", "\x0e"};
        std::vector<int64_t> bounds{0};
        std::vector<size_t> before{0};  // decoded elements before each boundary
        for (int64_t i = 1; i < n; ++i) {
          const std::vector<uint16_t> head = Decode(bytes.substr(0, i), cc.code);
          if (head.size() > whole.size() || !std::equal(head.begin(), head.end(), whole.begin())) continue;
          bool boundary = false;
          for (int m = 0; m < (cc.code == kJis ? 4 : 1) && !boundary; ++m) {
            std::vector<uint16_t> cut = head, tail = Decode(kDesignations[m] + bytes.substr(i), cc.code);
            cut.insert(cut.end(), tail.begin(), tail.end());
            boundary = cut == whole;
          }
          if (!boundary) continue;
          bounds.push_back(i);
          before.push_back(head.size());
        }
        bounds.push_back(n);
        before.push_back(whole.size());
        for (size_t k = 0; k + 1 < bounds.size(); ++k) {
          if (before[k + 1] == before[k]) continue;  // an escape sequence: no character
          chars.push_back({bounds[k], bounds[k + 1] - bounds[k],
                           std::vector<uint16_t>(whole.begin() + before[k], whole.begin() + before[k + 1])});
        }
      }
    }
    if (fold) {
      textsearch::NarrowLowerCase narrow(platform_);
      for (RefChar& c : chars) {
        if (cc.code == kUtf16 || cc.code == kUtf8) {
          for (uint16_t& u : c.e) u = platform_.LowerCase(reinterpret_cast<const char16_t*>(&u), 1)[0];
        } else {
          std::string s;
          for (uint16_t b : c.e) s += static_cast<char>(b);
          s = narrow.Lower(s);
          for (size_t k = 0; k < s.size(); ++k) c.e[k] = static_cast<unsigned char>(s[k]);
        }
      }
    }
    return chars;
  }

  struct Hit {
    int64_t offset, sourceLength, matchedUnits, firstCharLength;
    bool operator==(const Hit& o) const {
      return offset == o.offset && sourceLength == o.sourceLength && matchedUnits == o.matchedUnits &&
             firstCharLength == o.firstCharLength;
    }
  };

  static std::vector<uint16_t> Elements(const std::string& n, const std::u16string& w, int code) {
    if (code == kUtf16 || code == kUtf8) return std::vector<uint16_t>(w.begin(), w.end());
    std::vector<uint16_t> e;
    for (char ch : n) e.push_back(static_cast<unsigned char>(ch));
    return e;
  }

  // Every character where the first or the second pattern begins, in order:
  // what Find Next after Find gives, one hit after another.
  std::vector<Hit> ReferenceHits(const std::vector<RefChar>& chars, const SearchPatterns& p, const CodeCase& cc,
                                 int64_t shift) {
    std::vector<Hit> hits;
    const bool wide = cc.code == kUtf16 || cc.code == kUtf8;
    if (!wide && !p.representable) return hits;
    std::vector<uint16_t> text;
    std::vector<size_t> owner;  // per element: its character
    for (size_t k = 0; k < chars.size(); ++k)
      for (uint16_t e : chars[k].e) {
        text.push_back(e);
        owner.push_back(k);
      }
    const std::vector<uint16_t> p1 = Elements(p.p1n, p.p1w, cc.code), p2 = Elements(p.p2n, p.p2w, cc.code);
    size_t first = 0;
    for (size_t k = 0; k < chars.size(); ++k) {
      for (const std::vector<uint16_t>* pat : {&p1, &p2}) {
        if (pat->empty() || first + pat->size() > text.size()) continue;
        if (!std::equal(pat->begin(), pat->end(), text.begin() + first)) continue;
        const RefChar& lastChar = chars[owner[first + pat->size() - 1]];
        int64_t firstLen = chars[k].len;
        if (cc.code == kUtf16 && pat->size() >= 2 && conv::IsHighSurrogate(chars[k].e[0]) &&
            conv::IsLowSurrogate(chars[k + 1].e[0]))
          firstLen = 4;
        hits.push_back({chars[k].at + shift, lastChar.at + lastChar.len - chars[k].at,
                        static_cast<int64_t>(pat->size()), firstLen});
        break;
      }
      first += chars[k].e.size();
    }
    return hits;
  }

  // Whether a typed text can give the character (undecodable ones it cannot).
  bool Typable(const RefChar& c, const CodeCase& cc) {
    if (cc.code == kUtf16 || cc.code == kUtf8) return true;
    std::string s;
    for (uint16_t b : c.e) s += static_cast<char>(b);
    return s != "??" && Sjis(Wide(s)) == s;
  }

  // The text of up to count characters from `from` (only up to the first
  // one that cannot be typed, when typableOnly).
  std::u16string TextOf(const std::vector<RefChar>& chars, size_t from, size_t count, const CodeCase& cc,
                        bool typableOnly) {
    std::vector<uint16_t> e;
    for (size_t k = from; k < chars.size() && k < from + count && (!typableOnly || Typable(chars[k], cc)); ++k)
      e.insert(e.end(), chars[k].e.begin(), chars[k].e.end());
    if (cc.code == kUtf16 || cc.code == kUtf8) return std::u16string(e.begin(), e.end());
    std::string s;
    for (uint16_t b : e) s += static_cast<char>(b);
    return Wide(s);
  }

  // ---- the search under test

  SearchResult Run(const std::string& bytes, const CodeCase& cc, const SearchPatterns& p, int64_t start, int mode,
                   int64_t step, int64_t minOverlap) {
    SearchSpec spec;
    spec.code = cc.code;
    spec.bigEndian = cc.be;
    spec.start = start;
    spec.jisMode = mode;
    spec.step = step;
    spec.minOverlap = minOverlap;
    auto read = [&](int64_t offset, void* buf, size_t len) -> int64_t {
      if (offset >= static_cast<int64_t>(bytes.size())) return 0;
      const size_t got = std::min(len, bytes.size() - static_cast<size_t>(offset));
      std::memcpy(buf, bytes.data() + offset, got);
      return static_cast<int64_t>(got);
    };
    return textsearch::SearchBytes(read, static_cast<int64_t>(bytes.size()), spec, p, ctx_,
                                   [](int64_t) { return false; }, nullptr);
  }

  // Find, then Find Next until nothing more is found (at most `most` hits).
  std::vector<Hit> Hits(const std::string& bytes, const CodeCase& cc, const SearchPatterns& p, int64_t step,
                        int64_t minOverlap, size_t most) {
    std::vector<Hit> hits;
    int64_t start = 0;
    int mode = 0;
    while (hits.size() < most) {
      SearchResult r = Run(bytes, cc, p, start, mode, step, minOverlap);
      if (r.outcome != SearchOutcome::Found) break;
      hits.push_back({r.offset, r.sourceLength, r.matchedUnits, r.firstCharLength});
      start = r.offset + r.firstCharLength;
      mode = r.jisMode;
    }
    return hits;
  }

  SearchPatterns Patterns(const std::u16string& text, bool caseSensitive, bool kanaSensitive) {
    return textsearch::BuildSearchPatterns(platform_, text, caseSensitive, kanaSensitive,
                                           [this](const std::string& s, KanaDirection d) { return Kana(s, d); });
  }

  // A kana converter by table: katakana U+30A1-U+30F3 and hiragana U+3041-U+3093.
  std::string Kana(const std::string& sjis, KanaDirection d) {
    std::u16string w = Wide(sjis);
    for (char16_t& c : w) {
      if (d == KanaDirection::KataToHira && c >= 0x30A1 && c <= 0x30F3) c = static_cast<char16_t>(c - 0x60);
      else if (d == KanaDirection::HiraToKata && c >= 0x3041 && c <= 0x3093) c = static_cast<char16_t>(c + 0x60);
    }
    return Sjis(w);
  }

  FoldingPlatform platform_;
  conv::Context ctx_;
};

// Characters of the generated texts: ASCII letters in both cases (A is also
// the trail byte of ア), kana of both kinds, kanji, half-width kana (kana runs
// in JIS), full-width, Greek and Roman letters, and for the UTF codes the
// Kelvin sign, the dotted capital I and a character beyond the BMP.
std::u16string Alphabet(int code) {
  std::u16string a = u"aAkKiIbBzアあイいカかｱｲ漢字検語ＡａΣσⅠⅱ?\r\n ";
  if (code == kUtf16 || code == kUtf8) a += u"\u212A\u0130\U00020BB7";
  return a;
}

// Byte runs that the code's decoder cannot take as they are (lone lead and
// trail bytes, cut sequences, stray escapes, NUL).
std::vector<std::string> Junk(int code) {
  switch (code) {
    case kSjis:
      return {"\x81", "\x82", "\x9F", "\xE0", "\xFC", "\xFD", "\xFF", "\xA4", "\x80", "\xA0", std::string(1, '\0'),
              "\x81(", "\x83"};
    case kEuc:
      return {"\x8E", "\x8F", "\xA1", "\xFE", "\x81", "\x80", "\xA0", "\xFF", std::string(1, '\0'), "\x8F\xA1\xA1",
              "\x8E\x41", "\xA4"};
    case kUtf8:
      return {"\x80", "\xBF", "\xC2", "\xE3", "\xE3\x81", "\xF0\x9F", "\xED\xA0\x80", "\xFF", "\xC0\xAF",
              std::string(1, '\0'), "\xF0\xA0\xAE"};
    case kJis:
      return {"\x1b", "\x1b$", "\x1b(I", "\x0e", "\x0f", "\x1b$B!", "\xA1", "\xB1", "\x8A", std::string(1, '\0'),
              "\x1b$B\r\n", "\x1b(J", "\x1b&@\x1b$B"};
    default:  // UTF-16: lone surrogates and NUL units (as UTF-16 text, encoded by the caller)
      return {};
  }
}

std::u16string RandomText(std::mt19937& rng, const std::u16string& alphabet, size_t chars) {
  std::u16string t;
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  while (t.size() < chars) {
    size_t i = pick(rng);
    char16_t c = alphabet[i];
    if (conv::IsHighSurrogate(c)) t += alphabet.substr(i, 2);
    else if (!conv::IsLowSurrogate(c)) t += c;
  }
  return t;
}

// Case and kana changed at random (what folding must undo).
std::u16string Scramble(std::mt19937& rng, std::u16string t, bool letters = true, bool kana = true) {
  for (char16_t& c : t) {
    if (rng() % 2) continue;
    if (!letters) {
    } else if ((c >= u'a' && c <= u'z') || (c >= 0xFF41 && c <= 0xFF5A) || (c >= 0x03B1 && c <= 0x03C9)) {
      c -= 0x20;
      continue;
    } else if ((c >= u'A' && c <= u'Z') || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0x0391 && c <= 0x03A9)) {
      c += 0x20;
      continue;
    } else if (c >= 0x2170 && c <= 0x2179) {
      c -= 0x10;
      continue;
    }
    if (kana && c >= 0x3041 && c <= 0x3093) c += 0x60;
    else if (kana && c >= 0x30A1 && c <= 0x30F3) c -= 0x60;
  }
  return t;
}

// Valid text in the code with, unless clean, undecodable bytes between the
// pieces, until it has at least size bytes.
std::string RandomFile(std::mt19937& rng, TextSearch& t, const CodeCase& cc, size_t size, bool clean) {
  const std::u16string alphabet = Alphabet(cc.code);
  const std::vector<std::string> junk = Junk(cc.code);
  std::string bytes;
  while (bytes.size() < size) {
    bytes += t.Encode(RandomText(rng, alphabet, 1 + rng() % 12), cc, rng() % 2);
    if (clean) continue;
    if (cc.code == kUtf16) {
      static const char16_t kOdd[] = {0xD800, 0xDC00, 0xDBFF, 0, 0x212A};
      bytes += t.Encode(std::u16string(1, kOdd[rng() % 5]), cc);
    } else if (rng() % 2) {
      bytes += junk[rng() % junk.size()];
    }
  }
  return bytes;
}

}  // namespace

TEST_F(TextSearch, EveryHitAndFindNextEqualTheReferenceInEveryCode) {
  std::mt19937 rng(2029);
  for (const CodeCase& cc : kCodes) {
    const std::u16string alphabet = Alphabet(cc.code);
    for (int file = 0; file < 24; ++file) {
      // Undecodable bytes in three files out of four.
      const std::string bytes = RandomFile(rng, *this, cc, 300 + static_cast<size_t>(file) * 20, file % 4 == 0);
      SCOPED_TRACE(std::string(cc.name) + " file " + std::to_string(file));
      for (bool fold : {false, true}) {
        const std::vector<RefChar> chars = Characters(bytes, cc, fold);
        const std::vector<RefChar> plain = fold ? Characters(bytes, cc, false) : chars;
        for (int round = 0; round < 6; ++round) {
          // A piece of the file itself (case and kana changed), or random text.
          std::u16string text;
          const size_t want = 1 + rng() % 40;
          if (round % 3 != 2 && !plain.empty()) {
            text = Scramble(rng, TextOf(plain, rng() % plain.size(), want, cc, false));
          } else {
            text = RandomText(rng, alphabet, std::min<size_t>(want, 3));
          }
          const bool kanaSensitive = round % 2 == 0;
          const SearchPatterns p = Patterns(text, !fold, kanaSensitive);
          const std::vector<Hit> expected = ReferenceHits(chars, p, cc, 0);
          const size_t most = 12;
          const std::vector<Hit> first(expected.begin(), expected.begin() + std::min(expected.size(), most));
          const int64_t step = round == 5 ? 0x80000 : 1 + static_cast<int64_t>(rng() % (rng() % 2 ? 24 : bytes.size()));
          const std::vector<Hit> got = Hits(bytes, cc, p, step, round == 5 ? 512 : 0, most);
          ASSERT_EQ(first.size(), got.size()) << "round " << round << " step " << step << " fold " << fold;
          for (size_t k = 0; k < got.size(); ++k)
            ASSERT_TRUE(first[k] == got[k]) << "round " << round << " step " << step << " hit " << k << ": offset "
                                            << first[k].offset << "/" << got[k].offset << " length "
                                            << first[k].sourceLength << "/" << got[k].sourceLength << " first "
                                            << first[k].firstCharLength << "/" << got[k].firstCharLength;
        }
      }
    }
  }
}

TEST_F(TextSearch, HitsAcrossTheRealChunkBorder) {
  // A random stretch with undecodable bytes around offset 0x80000, after a
  // filler that holds no pattern character ('#' decodes alone in every code).
  std::mt19937 rng(77);
  for (const CodeCase& cc : kCodes) {
    for (int round = 0; round < 4; ++round) {
      const std::string region = RandomFile(rng, *this, cc, 1400, false);
      const int64_t filler = (0x80000 - 700 + round * 97) & ~1;
      const std::string bytes = Encode(std::u16string(static_cast<size_t>(filler / (cc.code == kUtf16 ? 2 : 1)), u'#'), cc) + region;
      const bool fold = round % 2 == 1;
      const std::vector<RefChar> chars = Characters(region, cc, fold);
      const std::vector<RefChar> plain = Characters(region, cc, false);
      // The pattern: characters of the region from just before the border on.
      size_t from = 0;
      while (from + 1 < plain.size() && plain[from].at + filler < 0x80000 - 10 - round * 3) ++from;
      while (from + 1 < plain.size() && !Typable(plain[from], cc)) ++from;
      const std::u16string text = TextOf(plain, from, 6 + round * 8, cc, true);
      const bool kanaSensitive = round < 2;
      const SearchPatterns p = Patterns(Scramble(rng, text, fold, false), !fold, kanaSensitive);
      std::vector<Hit> expected = ReferenceHits(chars, p, cc, filler);
      if (expected.size() > 6) expected.resize(6);
      SCOPED_TRACE(std::string(cc.name) + " round " + std::to_string(round));
      EXPECT_FALSE(expected.empty() && p.representable);
      const std::vector<Hit> got = Hits(bytes, cc, p, 0x80000, 512, 6);
      ASSERT_EQ(expected.size(), got.size());
      for (size_t k = 0; k < got.size(); ++k) EXPECT_TRUE(expected[k] == got[k]) << "hit " << k;
    }
  }
}

TEST_F(TextSearch, BoundariesAfterUndecodableBytesDoNotDependOnTheChunks) {
  // Each case: the bytes, the text, and where it is found (-1: nowhere).
  struct Case {
    int code;
    std::string bytes;
    std::u16string text;
    int64_t at;
  } cases[] = {
      // A lead-range byte that did not pair (81 before '(') begins a character
      // of its own, and so does the byte after it.
      {kSjis, "\xFF\xA4\x81(a", u"(a", 3},
      {kSjis, "\x81\x81(a", u"(a", 2},
      // ... but a lead byte before a trail byte takes it: "A" inside ア is none.
      {kSjis, "\x83\x41\x41", u"A", 2},
      // EUC-JP: 81 is a character alone; the first "a" after it is at 1.
      {kEuc, "\x81\x61\x61", u"a", 1},
      {kEuc, "\x8E\x41\x41", u"A", 1},
      {kEuc, "\xA4\xA2\xA4" "a", u"a", 3},
      // UTF-8: a cut sequence gives its bytes one by one.
      {kUtf8, "\xE3\x81\x61", u"a", 2},
      {kUtf8, "\xF0\x9F\x41", u"A", 2},
      // JIS: a double-byte byte without its partner is a character alone.
      {kJis, "\x1b$B!\r\n\x1b(Ba", u"a", 9},
  };
  for (const Case& c : cases) {
    const CodeCase cc{c.code, false, ""};
    const SearchPatterns p = Patterns(c.text, true, true);
    for (int64_t step = 1; step <= static_cast<int64_t>(c.bytes.size()) + 1; ++step) {
      SearchResult r = Run(c.bytes, cc, p, 0, 0, step, 0);
      SCOPED_TRACE("code " + std::to_string(c.code) + " step " + std::to_string(step));
      if (c.at < 0) {
        EXPECT_EQ(SearchOutcome::NotFound, r.outcome);
      } else {
        ASSERT_EQ(SearchOutcome::Found, r.outcome);
        EXPECT_EQ(c.at, r.offset);
      }
    }
  }
}

TEST_F(TextSearch, JisHitsDoNotDependOnTheChunksWhateverTheEscapes) {
  // Valid JIS text whose designations are repeated many times over: the
  // escapes make no characters, so an occurrence can hold far more bytes
  // than its characters take.
  std::mt19937 rng(4202);
  const CodeCase cc{kJis, false, "JIS"};
  for (int file = 0; file < 10; ++file) {
    const std::string plainBytes = RandomFile(rng, *this, cc, 120, true);
    std::string bytes;
    for (size_t i = 0; i < plainBytes.size();) {
      if (plainBytes[i] == '\x1b' && i + 2 < plainBytes.size()) {
        const std::string esc = plainBytes.substr(i, 3);
        for (size_t r = 1 + rng() % 30; r > 0; --r) bytes += esc;
        i += 3;
      } else {
        bytes += plainBytes[i++];
      }
    }
    SCOPED_TRACE("file " + std::to_string(file));
    for (bool fold : {false, true}) {
      const std::vector<RefChar> chars = Characters(bytes, cc, fold);
      const std::vector<RefChar> plain = fold ? Characters(bytes, cc, false) : chars;
      ASSERT_FALSE(plain.empty());
      for (int round = 0; round < 6; ++round) {
        const std::u16string text =
            Scramble(rng, TextOf(plain, rng() % plain.size(), 2 + rng() % 6, cc, true), fold, false);
        if (text.empty()) continue;
        const SearchPatterns p = Patterns(text, !fold, round % 2 == 0);
        std::vector<Hit> expected = ReferenceHits(chars, p, cc, 0);
        if (expected.size() > 8) expected.resize(8);
        for (int64_t step : {int64_t{1}, int64_t{2}, int64_t{3}, int64_t{1 + rng() % 40},
                             static_cast<int64_t>(1 + rng() % bytes.size())}) {
          const std::vector<Hit> got = Hits(bytes, cc, p, step, 0, 8);
          ASSERT_EQ(expected.size(), got.size()) << "round " << round << " step " << step << " fold " << fold;
          for (size_t k = 0; k < got.size(); ++k)
            ASSERT_TRUE(expected[k] == got[k]) << "round " << round << " step " << step << " hit " << k
                                               << ": offset " << expected[k].offset << "/" << got[k].offset;
        }
      }
    }
  }
}
