// Random and truncated inputs (fixed seed): every routine stops at the terminator
// (each input lies in a heap block of exactly its length + 1, so AddressSanitizer
// sees any read past it), its result holds no NUL, its length is the result's
// size, and decoding then encoding UTF-8 gives back the input byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "host_platform.h"
#include "text/conv.h"
#include "text/conv_jisshift.h"
#include "text/conv_text.h"

using conv::ByteOrder;

namespace {

// A NUL-terminated copy in a block of exactly size + 1 units.
template <class C>
std::unique_ptr<C[]> Exact(const std::basic_string<C>& s) {
  std::unique_ptr<C[]> p(new C[s.size() + 1]);
  std::memcpy(p.get(), s.data(), s.size() * sizeof(C));
  p[s.size()] = 0;
  return p;
}

// Bytes biased towards the interesting ones: escapes, shifts, lead and trail bytes,
// kana, line ends, UTF-8 leads.
std::string RandomBytes(std::mt19937& rng, size_t maxLen) {
  static const unsigned char special[] = {0x1B, '$', '(', 'B', '@', 'I', 'J', 'D', '&', 0x0E, 0x0F, 0x81, 0x82,
                                          0x9F, 0xE0, 0xEF, 0xF0, 0xFC, 0xFD, 0x40, 0x7E, 0x7F, 0x80, 0xA0,
                                          0xA1, 0xDF, 0x8E, 0x8F, 0xFE, 0xFF, '\r', '\n', ' ', 0x21, 0x24,
                                          0xC2, 0xE3, 0xED, 0xF4, 0xBF};
  std::uniform_int_distribution<size_t> len(0, maxLen);
  std::uniform_int_distribution<int> pick(0, 3), any(1, 255), sp(0, sizeof special - 1);
  std::string s(len(rng), '\0');
  for (auto& c : s) c = static_cast<char>(pick(rng) == 0 ? any(rng) : special[sp(rng)]);
  return s;
}

std::u16string RandomUnits(std::mt19937& rng, size_t maxLen) {
  static const char16_t special[] = {0xD800, 0xDBFF, 0xDC00, 0xDC80, 0xDCFF, 0xDFFF, 0xFEFF, 0xFFFE, 0xAC00,
                                     0x3042, 0xFF71, 'a',    '\r',   '\n',   0x7F,   0x80,   0x7FF,  0x800};
  std::uniform_int_distribution<size_t> len(0, maxLen);
  std::uniform_int_distribution<int> pick(0, 2), any(1, 0xFFFF), sp(0, sizeof special / sizeof special[0] - 1);
  std::u16string s(len(rng), 0);
  for (auto& c : s) c = pick(rng) == 0 ? static_cast<char16_t>(any(rng)) : special[sp(rng)];
  return s;
}

void ExpectNoNul(const std::string& out, const std::string& what) {
  ASSERT_EQ(std::strlen(out.c_str()), out.size()) << what;
}
void ExpectNoNul(const std::u16string& out, const std::string& what) {
  ASSERT_EQ(conv::WideLength(out.c_str()), out.size()) << what;
}

class StringFile : public conv::JisByteSource {
 public:
  explicit StringFile(const std::string& s) : s_(s) {}
  int ReadAt(int64_t pos, unsigned char* buf, int count) override {
    if (pos < 0) return -1;
    int n = 0;
    for (; n < count && static_cast<size_t>(pos) + n < s_.size(); ++n) buf[n] = static_cast<unsigned char>(s_[pos + n]);
    return n;
  }

 private:
  const std::string& s_;
};

}  // namespace

TEST(ConvFuzz, NarrowInputsEndAtTerminator) {
  std::mt19937 rng(20261210);
  conv::Context c;
  c.platform = &hosttest::Platform();
  c.MergeUnconvertible = true;
  for (int iter = 0; iter < 6000; ++iter) {
    std::string in = RandomBytes(rng, 40);
    // The input and every truncation of it.
    for (size_t cut = in.size(); cut + 1 > 0; cut = (cut > 3 ? cut - 3 : cut - 1)) {
      std::string part = in.substr(0, cut);
      auto p = Exact(part);
      const char* t = p.get();
      std::string out;
      std::u16string w;
      c.SubstituteChar = (iter % 3 == 0) ? "\x81\x48" : "?";
      c.KanaByShiftOut = (iter % 2) != 0;
      ASSERT_TRUE(conv::SjisToEuc(c, t, &out));
      ExpectNoNul(out, "SjisToEuc");
      ASSERT_TRUE(conv::EucToSjis(c, t, &out));
      ExpectNoNul(out, "EucToSjis");
      ASSERT_TRUE(conv::JisToSjis(c, t, &out));
      ExpectNoNul(out, "JisToSjis");
      ASSERT_TRUE(conv::SjisToJis(c, t, &out));
      ExpectNoNul(out, "SjisToJis");
      ASSERT_TRUE(conv::Utf8ToSjis(c, t, &out));
      ExpectNoNul(out, "Utf8ToSjis");
      ASSERT_TRUE(conv::SjisToUtf8(c, t, &out));
      ExpectNoNul(out, "SjisToUtf8");
      ASSERT_TRUE(conv::SjisToWide(c, t, ByteOrder::Big, &w));
      ExpectNoNul(w, "SjisToWide");
      ASSERT_TRUE(conv::Utf8ToWide(t, ByteOrder::Little, &w));
      ExpectNoNul(w, "Utf8ToWide");
      ASSERT_TRUE(conv::WideToUtf8(w.c_str(), ByteOrder::Little, &out));
      ASSERT_EQ(out, part) << "UTF-8 decode + encode is the identity";
      // SJIS -> JIS -> SJIS and SJIS -> EUC -> SJIS keep the length of every text
      // without substitutes.
      unsigned before = c.UnconvertibleCount;
      std::string j, back;
      ASSERT_TRUE(conv::SjisToJis(c, t, &j));
      if (c.UnconvertibleCount == before && part.find_first_of("\x1B\x0E\x0F") == std::string::npos) {
        ASSERT_TRUE(conv::JisToSjis(c, j.c_str(), &back));
        bool plain = true;  // bytes that JIS carries only as themselves
        for (unsigned char ch : part)
          if (ch == 0x80 || ch == 0xA0 || ch >= 0xFD) plain = false;
        if (plain) ASSERT_EQ(back, part);
      }
      std::string narrow = conv::ReplaceAllNarrow(t, "\x82\xA0", "x");
      ExpectNoNul(narrow, "ReplaceAllNarrow");
      std::string keep = part;
      StringFile f(keep);
      std::string buf = part;
      int64_t count = static_cast<int64_t>(part.size());
      conv::JisShiftAt(f, static_cast<int64_t>(part.size() / 2), &buf, &count, static_cast<int64_t>(part.size()));
      if (cut == 0) break;
    }
  }
}

TEST(ConvFuzz, WideInputsEndAtTerminator) {
  std::mt19937 rng(77);
  conv::Context c;
  c.platform = &hosttest::Platform();
  for (int iter = 0; iter < 6000; ++iter) {
    std::u16string in = RandomUnits(rng, 30);
    for (size_t cut = in.size(); cut + 1 > 0; cut = (cut > 2 ? cut - 2 : cut - 1)) {
      std::u16string part = in.substr(0, cut);
      auto p = Exact(part);
      std::string out;
      for (ByteOrder o : {ByteOrder::Little, ByteOrder::Big}) {
        unsigned before = c.UnconvertibleCount;
        ASSERT_TRUE(conv::WideToSjis(c, p.get(), o, &out));
        ExpectNoNul(out, "WideToSjis");
        ASSERT_GE(c.UnconvertibleCount, before);
        ASSERT_TRUE(conv::WideToUtf8(p.get(), o, &out));
        ExpectNoNul(out, "WideToUtf8");
        std::u16string back;
        ASSERT_TRUE(conv::Utf8ToWide(out.c_str(), o, &back));
        // Valid UTF-16 comes back unit for unit; only lone surrogates may change.
        bool valid = true;
        for (size_t i = 0; i < part.size(); ++i) {
          char16_t u = o == ByteOrder::Big ? conv::Swap16(part[i]) : part[i];
          if (conv::IsHighSurrogate(u)) {
            char16_t v = i + 1 < part.size() ? (o == ByteOrder::Big ? conv::Swap16(part[i + 1]) : part[i + 1]) : 0;
            if (conv::IsLowSurrogate(v)) ++i;
            else valid = false;
          } else if (conv::IsLowSurrogate(u)) {
            valid = false;
          }
        }
        if (valid) ASSERT_EQ(back, part);
      }
      int n = 0;
      std::u16string r = conv::ReplaceAllWide(p.get(), u"\n", u"\r\n", &n);
      ExpectNoNul(r, "ReplaceAllWide");
      conv::CompareNoCase(hosttest::Platform(), p.get(), u"aB", 5);
      conv::PosNoCase(hosttest::Platform(), p.get(), u"a");
      if (cut == 0) break;
    }
  }
}
