// The whole-file search scanner against a reference that decodes the whole
// searched stretch at once: generated files in every code, searched with a
// tiny and the real chunk size, through the file-operation seam.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "engine/SearchScanner.h"
#include "framework/Cp932.h"
#include "framework/FileOps.h"
#include "support/paths.h"
#include "viewer/CodeConv.h"

using engine::KanaDirection;
using testsupport::MakeTempDir;
using testsupport::WriteBytes;
using engine::SearchOutcome;
using engine::SearchPatterns;
using engine::SearchResult;
using engine::SearchSpec;

namespace {

std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::wstring W(const std::u16string& u) { return std::wstring(u.begin(), u.end()); }

// A kana converter by table: katakana U+30A1-U+30F3 and hiragana U+3041-U+3093.
std::string FakeKana(const std::string& sjis, KanaDirection d) {
  std::wstring w = Cp932ToWide(sjis);
  for (wchar_t& c : w) {
    if (d == KanaDirection::KataToHira && c >= 0x30A1 && c <= 0x30F3) c -= 0x60;
    else if (d == KanaDirection::HiraToKata && c >= 0x3041 && c <= 0x3093) c += 0x60;
  }
  return WideToCp932(w);
}

const int kCodes[] = {engine::scSjis, engine::scUtf16, engine::scUtf8, engine::scEuc, engine::scJis};
const char* CodeName(int code, bool be) {
  static const char* names[] = {"Shift_JIS", "UTF-16", "UTF-8", "EUC-JP", "JIS"};
  return code == engine::scUtf16 && be ? "UTF-16BE" : names[code];
}

// The system's code page 932 and case, with K (U+212A) lower-cased to k as
// the locales that fold it do (wine's table leaves it alone).
class FoldingPlatform : public conv::Platform {
 public:
  explicit FoldingPlatform(conv::Platform& inner) : inner_(inner) {}
  int WideCharToSjis(const char16_t* u, int n, unsigned char out[2]) override { return inner_.WideCharToSjis(u, n, out); }
  int SjisCharToWide(const unsigned char* b, int n, char16_t out[2]) override { return inner_.SjisCharToWide(b, n, out); }
  std::u16string UpperCase(const char16_t* t, size_t n) override { return inner_.UpperCase(t, n); }
  std::u16string LowerCase(const char16_t* t, size_t n) override {
    std::u16string r = inner_.LowerCase(t, n);
    for (char16_t& c : r)
      if (c == 0x212A) c = u'k';
    return r;
  }
  int CompareLocale(unsigned f, const char16_t* a, int na, const char16_t* b, int nb) override {
    return inner_.CompareLocale(f, a, na, b, nb);
  }

 private:
  conv::Platform& inner_;
};

class Scanner : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir(L"search_scanner") + L"\\";
    ctx_.platform = &folding_;
  }

  // The file bytes of a text in a code.
  std::string Encode(const std::u16string& text, int code, bool be) {
    std::wstring w = W(text);
    std::string out;
    switch (code) {
      case engine::scUtf16: {
        for (char16_t u : text) {
          out.push_back(static_cast<char>(be ? u >> 8 : u & 0xFF));
          out.push_back(static_cast<char>(be ? u & 0xFF : u >> 8));
        }
        return out;
      }
      case engine::scUtf8:
        conv_.WideToUtf8(w.c_str(), conv::ByteOrder::Little, &out);
        return out;
      default:
        break;
    }
    std::string sjis;
    conv_.WideToSjis(w.c_str(), conv::ByteOrder::Little, &sjis);
    if (code == engine::scEuc) conv_.SjisToEuc(sjis.c_str(), &out);
    else if (code == engine::scJis) conv_.SjisToJis(sjis.c_str(), &out);
    else out = sjis;
    return out;
  }

  // Decodes bytes to the comparable form the way the viewer's conversions do.
  void Decode(const std::string& bytes, int code, bool be, std::string* narrow, std::u16string* wide) {
    narrow->clear();
    wide->clear();
    std::wstring w;
    switch (code) {
      case engine::scSjis:
        *narrow = bytes;
        break;
      case engine::scUtf16:
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
          unsigned char a = bytes[i], b = bytes[i + 1];
          wide->push_back(static_cast<char16_t>(be ? (a << 8 | b) : (b << 8 | a)));
        }
        break;
      case engine::scUtf8:
        conv_.Utf8ToWide(bytes.c_str(), conv::ByteOrder::Little, &w);
        *wide = U16(w);
        break;
      case engine::scEuc:
        conv_.EucToSjis(bytes.c_str(), narrow);
        break;
      case engine::scJis:
        conv_.JisToSjis(bytes.c_str(), narrow);
        break;
    }
  }

  // Byte types of a Shift_JIS text from its start: true where a character begins.
  static std::vector<bool> CharStarts(const std::string& s) {
    std::vector<bool> starts(s.size(), false);
    for (size_t i = 0; i < s.size();) {
      starts[i] = true;
      unsigned char b = s[i];
      i += (conv::IsSjisLead(b) && i + 1 < s.size() && conv::IsSjisTrail(static_cast<unsigned char>(s[i + 1]))) ? 2 : 1;
    }
    return starts;
  }

  struct Expected {
    bool found = false;
    size_t index = 0, length = 0;
  };
  // The definition: the whole stretch decoded at once, the first accepted
  // occurrence of p1 or p2, the earlier winning.
  Expected Reference(const std::string& bytes, int code, bool be, const SearchPatterns& p) {
    std::string narrow;
    std::u16string wide;
    Decode(bytes, code, be, &narrow, &wide);
    Expected e;
    const bool wideCode = code == engine::scUtf16 || code == engine::scUtf8;
    if (wideCode) {
      if (p.foldCase) wide = folding_.LowerCase(wide.data(), wide.size());
      size_t best = std::u16string::npos, len = 0;
      for (const std::u16string* pat : {&p.p1w, &p.p2w}) {
        if (pat->empty()) continue;
        size_t i = wide.find(*pat);
        if (i < best) {
          best = i;
          len = pat->size();
        }
      }
      if (best != std::u16string::npos) e = {true, best, len};
    } else {
      if (!p.representable) return e;
      if (p.foldCase) narrow = engine::NarrowLowerCase(folding_).Lower(narrow);
      std::vector<bool> starts = CharStarts(narrow);
      size_t best = std::string::npos, len = 0;
      for (const std::string* pat : {&p.p1n, &p.p2n}) {
        if (pat->empty()) continue;
        for (size_t i = narrow.find(*pat); i != std::string::npos && i < best; i = narrow.find(*pat, i + 1)) {
          if (starts[i]) {
            best = i;
            len = pat->size();
            break;
          }
        }
      }
      if (best != std::string::npos) e = {true, best, len};
    }
    return e;
  }

  SearchResult Scan(const std::string& bytes, int code, bool be, const SearchPatterns& p, int64_t start,
                    int64_t step, int64_t minOverlap, int jisMode = 0) {
    const std::wstring path = dir_ + L"f.txt";
    EXPECT_TRUE(WriteBytes(path, bytes));
    fileops::File f;
    EXPECT_TRUE(f.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0));
    SearchSpec spec;
    spec.code = code;
    spec.bigEndian = be;
    spec.start = start;
    spec.jisMode = jisMode;
    spec.step = step;
    spec.minOverlap = minOverlap;
    engine::NullProgress progress;
    return engine::SearchFileRange(f.get(), static_cast<int64_t>(bytes.size()), spec, p, ctx_, progress);
  }

  // The scanner equals the reference: the bytes before the hit decode to the
  // text before the occurrence, and the hit's bytes to the occurrence.
  void Check(const std::string& bytes, int code, bool be, const SearchPatterns& p, int64_t step, int64_t minOverlap,
             const std::string& what) {
    SCOPED_TRACE(what + " " + CodeName(code, be) + " step " + std::to_string(step));
    Expected e = Reference(bytes, code, be, p);
    SearchResult r = Scan(bytes, code, be, p, 0, step, minOverlap);
    ASSERT_EQ(e.found, r.outcome == SearchOutcome::Found);
    if (!e.found) return;
    std::string whole, before, hit, ignored;
    std::u16string wWhole, wBefore, wHit;
    Decode(bytes, code, be, &whole, &wWhole);
    Decode(bytes.substr(0, static_cast<size_t>(r.offset)), code, be, &before, &wBefore);
    static const char* const kDesignation[] = {"", "\x1b$B", "\x1b(I", "\x0e"};
    std::string hitBytes = bytes.substr(static_cast<size_t>(r.offset), static_cast<size_t>(r.sourceLength));
    if (code == engine::scJis) hitBytes = kDesignation[r.jisMode] + hitBytes;
    Decode(hitBytes, code, be, &hit, &wHit);
    EXPECT_EQ(e.length, static_cast<size_t>(r.matchedUnits));
    if (code == engine::scUtf16 || code == engine::scUtf8) {
      EXPECT_EQ(e.index, wBefore.size());
      EXPECT_TRUE(wHit == wWhole.substr(e.index, e.length));
    } else {
      EXPECT_EQ(e.index, before.size());
      EXPECT_EQ(whole.substr(e.index, e.length), hit);
    }
  }

  SearchPatterns Patterns(const std::u16string& text, bool caseSensitive = true, bool kanaSensitive = true) {
    return engine::BuildSearchPatterns(folding_, text, caseSensitive, kanaSensitive, FakeKana);
  }

  CodeConv conv_;
  FoldingPlatform folding_{conv_.Cp932()};
  conv::Context ctx_;
  std::wstring dir_;
};

// Characters of the generated texts: ASCII (A is also the trail byte of ア),
// hiragana and katakana, kanji, half-width kana (kana runs in JIS), K (U+212A,
// lower case k) and, where the code holds it, a pair.
std::u16string Alphabet(int code) {
  std::u16string a = u"aAkKbアあイいカかｱｲ漢字\r\n ";
  if (code == engine::scUtf16 || code == engine::scUtf8) a += u"\u212A\U00020BB7";
  return a;
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

}  // namespace

TEST_F(Scanner, MatchesTheReferenceOnRandomFilesInEveryCode) {
  std::mt19937 rng(1234);
  for (int code : kCodes) {
    for (bool be : {false, true}) {
      if (be && code != engine::scUtf16) continue;
      const std::u16string alphabet = Alphabet(code);
      for (int round = 0; round < 120; ++round) {
        std::u16string text = RandomText(rng, alphabet, 40 + round % 50);
        std::u16string pattern = RandomText(rng, alphabet, 1 + round % 4);
        const bool caseSensitive = round % 3 == 0, kanaSensitive = round % 2 == 0;
        SearchPatterns p = Patterns(pattern, caseSensitive, kanaSensitive);
        const std::string bytes = Encode(text, code, be);
        const int64_t step = 1 + round % 23;
        Check(bytes, code, be, p, step, 0, "round " + std::to_string(round));
        Check(bytes, code, be, p, 0x80000, 512, "round " + std::to_string(round));
      }
    }
  }
}

TEST_F(Scanner, PatternsStraddlingEveryBorderOffset) {
  // The one occurrence moves over every offset around the first borders.
  for (int code : kCodes) {
    for (const std::u16string& word : {std::u16string(u"漢字かな"), std::u16string(u"ABC"), std::u16string(u"ｱｲ漢")}) {
      SearchPatterns p = Patterns(word);
      for (int k = 0; k < 40; ++k) {
        std::u16string text = std::u16string(static_cast<size_t>(k), u'x') + word + u"xx";
        // Double-byte filler before the word, so borders fall inside pairs too.
        std::u16string text2 = std::u16string(static_cast<size_t>(k), u'が') + word + u"が";
        for (int64_t step : {5, 8, 13}) {
          Check(Encode(text, code, false), code, false, p, step, 0, "ascii filler " + std::to_string(k));
          Check(Encode(text2, code, false), code, false, p, step, 0, "kanji filler " + std::to_string(k));
        }
      }
    }
  }
}

TEST_F(Scanner, LongPatternsAcrossTheRealChunkBorder) {
  // 255 units of a three-byte UTF-8 character (765 bytes) straddling 0x80000.
  const std::u16string word(255, u'あ');
  for (int code : kCodes) {
    SearchPatterns p = Patterns(word);
    std::string filler = Encode(u"a", code, false);
    std::string body = Encode(word, code, false);
    for (int64_t back : {1, 300, 764}) {
      std::string bytes(static_cast<size_t>(0x80000 - back), filler[0]);
      if (code == engine::scUtf16) bytes = std::string(static_cast<size_t>((0x80000 - back) & ~1), '\0');
      if (code == engine::scUtf16)
        for (size_t i = 0; i < bytes.size(); i += 2) bytes[i] = 'a';
      bytes += body + filler;
      Check(bytes, code, false, p, 0x80000, 512, "255 units, back " + std::to_string(back));
    }
  }
}

TEST_F(Scanner, TrailByteFalseMatchBeforeARealOne) {
  // ア is 83 41 in Shift_JIS: "A" on its trail byte is no occurrence; the
  // search goes on to the real A in the same chunk.
  const std::string bytes = WideToCp932(L"アアxA");
  SearchResult r = Scan(bytes, engine::scSjis, false, Patterns(u"A"), 0, 0x80000, 512);
  ASSERT_EQ(SearchOutcome::Found, r.outcome);
  EXPECT_EQ(5, r.offset);
  EXPECT_EQ(SearchOutcome::NotFound, Scan(WideToCp932(L"アイ"), engine::scSjis, false, Patterns(u"A"), 0, 0x80000, 512).outcome);
}

TEST_F(Scanner, TheEarlierOfTheTwoPatternsWins) {
  // Kana not told apart: the hiragana form before the katakana one is the hit.
  for (int code : kCodes) {
    const std::string bytes = Encode(u"xxかなyyカナ", code, false);
    SearchResult r = Scan(bytes, code, false, Patterns(u"カナ", true, false), 0, 0x80000, 512);
    ASSERT_EQ(SearchOutcome::Found, r.outcome) << CodeName(code, false);
    const int64_t escape = code == engine::scJis ? 3 : 0;  // the hit lies after ESC $ B
    EXPECT_EQ(static_cast<int64_t>(Encode(u"xx", code, false).size()) + escape, r.offset) << CodeName(code, false);
    // Told apart: only the katakana.
    r = Scan(bytes, code, false, Patterns(u"カナ"), 0, 0x80000, 512);
    ASSERT_EQ(SearchOutcome::Found, r.outcome);
    EXPECT_EQ(static_cast<int64_t>(Encode(u"xxかなyy", code, false).size()) + escape, r.offset) << CodeName(code, false);
  }
}

TEST_F(Scanner, CaseFoldingTakesTheMatchedLengthFromTheFile) {
  // "k" finds K (U+212A): three bytes in UTF-8, one unit in UTF-16.
  SearchPatterns p = Patterns(u"ok", false, true);
  SearchResult r = Scan(Encode(u"xxO\u212A", engine::scUtf8, false), engine::scUtf8, false, p, 0, 0x80000, 512);
  ASSERT_EQ(SearchOutcome::Found, r.outcome);
  EXPECT_EQ(2, r.offset);
  EXPECT_EQ(4, r.sourceLength);
  r = Scan(Encode(u"xxO\u212A", engine::scUtf16, false), engine::scUtf16, false, p, 0, 0x80000, 512);
  ASSERT_EQ(SearchOutcome::Found, r.outcome);
  EXPECT_EQ(4, r.offset);
  EXPECT_EQ(2, r.matchedUnits);
  // ABC finds abc; full-width Ａ finds ａ in Shift_JIS without touching a trail byte.
  EXPECT_EQ(SearchOutcome::Found, Scan(WideToCp932(L"..abc"), engine::scSjis, false, Patterns(u"ABC", false), 0, 0x80000, 512).outcome);
  EXPECT_EQ(SearchOutcome::Found, Scan(WideToCp932(L"..ａｂ"), engine::scSjis, false, Patterns(u"ＡＢ", false), 0, 0x80000, 512).outcome);
  EXPECT_EQ(SearchOutcome::NotFound, Scan(WideToCp932(L"..abc"), engine::scSjis, false, Patterns(u"ABC", true), 0, 0x80000, 512).outcome);
}

TEST_F(Scanner, EucThreeByteCharactersAndJisRuns) {
  // EUC-JP JIS X 0212 characters (8F xx xx) decode to the substitute; the hit after them is exact.
  std::string euc = Encode(u"ab", engine::scEuc, false) + "\x8F\xA2\xAF\x8F\xB0\xA1" + Encode(u"漢字", engine::scEuc, false);
  SearchResult r = Scan(euc, engine::scEuc, false, Patterns(u"漢字"), 0, 3, 0);
  ASSERT_EQ(SearchOutcome::Found, r.outcome);
  EXPECT_EQ(8, r.offset);
  EXPECT_EQ(4, r.sourceLength);
  // JIS: a hit inside a double-byte run, and one in a kana run, with the mode there.
  std::string jis = Encode(u"aa漢字かなbbｱｲｳ", engine::scJis, false);
  r = Scan(jis, engine::scJis, false, Patterns(u"かな"), 0, 4, 0);
  ASSERT_EQ(SearchOutcome::Found, r.outcome);
  EXPECT_EQ(1, r.jisMode);
  EXPECT_EQ(4, r.matchedUnits);
  EXPECT_EQ(static_cast<int64_t>(jis.find("\x1b$B") + 3 + 4), r.offset);
  r = Scan(jis, engine::scJis, false, Patterns(u"ｲｳ"), 0, 4, 0);
  ASSERT_EQ(SearchOutcome::Found, r.outcome);
  EXPECT_EQ(2, r.jisMode);
  EXPECT_EQ(2, r.matchedUnits);
}

TEST_F(Scanner, FindNextOverFourHitsInEveryCode) {
  for (int code : kCodes) {
    for (bool be : {false, true}) {
      if (be && code != engine::scUtf16) continue;
      const std::string bytes = Encode(u"xああああy", code, be);
      SearchPatterns p = Patterns(u"あ");
      std::vector<int64_t> hits;
      int64_t start = 0;
      int mode = 0;
      for (int i = 0; i < 6; ++i) {
        SearchResult r = Scan(bytes, code, be, p, start, 3, 0, mode);
        if (r.outcome != SearchOutcome::Found) break;
        hits.push_back(r.offset);
        EXPECT_EQ(code == engine::scUtf8 ? 3 : 2, r.firstCharLength);
        start = r.offset + r.firstCharLength;
        mode = r.jisMode;
      }
      const int64_t c = code == engine::scUtf16 ? 2 : code == engine::scUtf8 ? 3 : 2;
      const int64_t first = Encode(u"x", code, be).size() + (code == engine::scJis ? 3 : 0);
      EXPECT_EQ((std::vector<int64_t>{first, first + c, first + 2 * c, first + 3 * c}), hits) << CodeName(code, be);
    }
  }
}

TEST_F(Scanner, ReadErrorAbortAndEmptyOrUnrepresentableTexts) {
  const std::string bytes(5000, 'a');
  const std::wstring path = dir_ + L"e.txt";
  ASSERT_TRUE(WriteBytes(path, bytes + "b"));
  fileops::FaultFiles faults;
  fileops::ScopedFiles scoped(faults);
  fileops::File f;
  ASSERT_TRUE(f.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  SearchSpec spec;
  spec.step = 1000;
  SearchPatterns p = Patterns(u"b");
  faults.FailAt(fileops::Op::Read, 2, ERROR_CRC);
  engine::NullProgress none;
  SearchResult r = engine::SearchFileRange(f.get(), 5001, spec, p, ctx_, none);
  EXPECT_EQ(SearchOutcome::ReadError, r.outcome);
  EXPECT_EQ(static_cast<DWORD>(ERROR_CRC), r.error);
  faults.FailAt(fileops::Op::Read, 0, 0);

  // Abort after the second chunk: the position reached is where Find Next goes on.
  struct StopAt : engine::ProgressSink {
    int steps = 0;
    void SetMaximum(int64_t) override {}
    void Step(int64_t) override { ++steps; }
    bool ShouldStop() override { return steps >= 2; }
  } stop;
  r = engine::SearchFileRange(f.get(), 5001, spec, p, ctx_, stop);
  EXPECT_EQ(SearchOutcome::Aborted, r.outcome);
  EXPECT_EQ(2000, r.reached);
  spec.start = r.reached;
  r = engine::SearchFileRange(f.get(), 5001, spec, p, ctx_, none);
  EXPECT_EQ(SearchOutcome::Found, r.outcome);
  EXPECT_EQ(5000, r.offset);

  // An empty text never matches; a text outside code page 932 finds no "??" in narrow codes.
  spec.start = 0;
  EXPECT_EQ(SearchOutcome::NotFound, engine::SearchFileRange(f.get(), 5001, spec, Patterns(u""), ctx_, none).outcome);
  SearchPatterns odd = Patterns(u"\u0101\u0101", true, false);
  EXPECT_FALSE(odd.representable);
  EXPECT_TRUE(odd.p2w.empty());
  f.Close();
  EXPECT_EQ(SearchOutcome::NotFound, Scan("xx??yy", engine::scSjis, false, odd, 0, 0x80000, 512).outcome);
  EXPECT_EQ(SearchOutcome::Found, Scan(Encode(u"x\u0101\u0101", engine::scUtf8, false), engine::scUtf8, false, odd, 0, 0x80000, 512).outcome);
}
