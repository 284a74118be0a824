// The whole-file converter on real files under wine: every pair of codes
// against the iconv-made fixtures, block cuts of every size against the
// one-piece result, the fault table in place and onto an existing file, the
// identity of the target, and decode errors.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "engine/FileConverter.h"
#include "framework/FileOps.h"
#include "support/paths.h"
#include "viewer/CodeConv.h"

using conv::ByteOrder;
using engine::ConvertOutcome;
using engine::ConvertRequest;
using engine::ConvertStatus;
using fileops::FaultFiles;
using fileops::Op;
using fileops::ScopedFiles;
using namespace std::string_literals;

namespace {

std::string Fixture(const wchar_t* name) {
  bool ok = false;
  std::string s = testsupport::ReadBytes(testsupport::FixturePath(std::wstring(L"conv\\") + name), &ok);
  EXPECT_TRUE(ok) << "missing fixture";
  return s;
}

// Stops at the nth stop question.
class StopAt : public engine::ProgressSink {
 public:
  explicit StopAt(int n) : n_(n) {}
  void SetMaximum(int64_t m) override { maximum = m; }
  void Step(int64_t p) override {
    EXPECT_GE(p, last);
    last = p;
  }
  bool ShouldStop() override { return ++asked == n_; }
  int64_t maximum = -1, last = 0;
  int asked = 0;

 private:
  int n_;
};

struct Form {
  const char* name;
  int code;
  ByteOrder order;
  bool mark;
};

// Every code and byte order, with and without mark.
const Form kForms[] = {
    {"sjis", 0, ByteOrder::Little, false},    {"euc", 3, ByteOrder::Little, false},
    {"jis", 4, ByteOrder::Little, false},     {"utf8", 2, ByteOrder::Little, false},
    {"utf8+bom", 2, ByteOrder::Little, true}, {"le", 1, ByteOrder::Little, false},
    {"le+bom", 1, ByteOrder::Little, true},   {"be", 1, ByteOrder::Big, false},
    {"be+bom", 1, ByteOrder::Big, true},
};

std::string Mark(const Form& f) {
  if (!f.mark) return "";
  if (f.code == 2) return "\xEF\xBB\xBF";
  return f.order == ByteOrder::Big ? "\xFE\xFF" : "\xFF\xFE";
}

// A row of the fault tables: what goes wrong, and how the conversion ends.
struct Fault {
  const char* what;
  std::function<void(FaultFiles&)> set;
  int stopAt;
  ConvertStatus status;
};

class FileConverterTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeTempDir(L"fc");
    ASSERT_FALSE(dir_.empty());
  }
  std::wstring Path(const std::wstring& name) const { return dir_ + L"\\" + name; }
  std::wstring Make(const std::wstring& name, const std::string& bytes) const {
    const std::wstring p = Path(name);
    EXPECT_TRUE(testsupport::WriteBytes(p, bytes));
    return p;
  }
  std::string Read(const std::wstring& p) const { return testsupport::ReadBytes(p); }
  // Names in the folder that start with "tmp_dmi".
  std::vector<std::wstring> Temporaries() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE s = FindFirstFileW(Path(L"tmp_dmi*").c_str(), &fd);
    if (s == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileW(s, &fd));
    FindClose(s);
    return names;
  }

  ConvertRequest Request(const std::wstring& source, const Form& from, const std::wstring& target, const Form& to,
                         uint32_t block = 1056768) {
    ConvertRequest r;
    r.sourcePath = source;
    r.sourceCode = from.code;
    r.sourceOrder = from.order;
    r.bomLength = static_cast<int>(Mark(from).size());
    r.targetPath = target;
    r.targetCode = to.code;
    r.targetOrder = to.order;
    r.withMark = to.mark;
    r.blockSize = block;
    return r;
  }
  ConvertOutcome Run(const ConvertRequest& r, engine::ProgressSink* sink = nullptr) {
    engine::NullProgress none;
    return engine::ConvertFile(r, platform_, sink ? *sink : none);
  }
  // Converts bytes in a fresh source file to a fresh target; the target's bytes.
  std::string Convert(const std::string& bytes, const Form& from, const Form& to, uint32_t block,
                      ConvertOutcome* outcome = nullptr) {
    const std::wstring src = Make(L"src" + std::to_wstring(n_) + L".txt", bytes);
    const std::wstring dst = Path(L"dst" + std::to_wstring(n_++) + L".txt");
    ConvertOutcome o = Run(Request(src, from, dst, to, block));
    if (outcome) *outcome = o;
    EXPECT_TRUE(o.status == ConvertStatus::Done || o.status == ConvertStatus::Unconvertible);
    EXPECT_EQ(Read(src), bytes);
    return Read(dst);
  }

  std::wstring dir_;
  Cp932Platform platform_;
  int n_ = 0;
};

std::string FixtureIn(const Form& f) {
  switch (f.code) {
    case 0: return Fixture(L"classes_bmp.sjis.txt");
    case 3: return Fixture(L"classes_bmp.euc.txt");
    case 4: return Fixture(L"classes_bmp.jis.txt");
    case 2: return Mark(f) + Fixture(L"classes_bmp.utf8.txt");
    default:
      return Mark(f) + Fixture(f.order == ByteOrder::Big ? L"classes_bmp.utf16be.txt" : L"classes_bmp.utf16le.txt");
  }
}

}  // namespace

TEST_F(FileConverterTest, EveryPairOfCodesGivesTheIndependentBytes) {
  for (const Form& from : kForms) {
    for (const Form& to : kForms) {
      for (uint32_t block : {1056768u, 7u}) {
        SCOPED_TRACE(std::string(from.name) + " -> " + to.name + " block " + std::to_string(block));
        ConvertOutcome o;
        EXPECT_EQ(Convert(FixtureIn(from), from, to, block, &o), FixtureIn(to));
        EXPECT_EQ(o.status, ConvertStatus::Done);
        EXPECT_EQ(o.unconvertibleCount, 0u);
      }
    }
  }
}

// Generated texts whose characters, line ends, runs and NUL units fall on every
// block border: each block size gives the one-piece result.
TEST_F(FileConverterTest, BlockCutsNeverChangeTheResult) {
  const Form sjis = kForms[0], euc = kForms[1], jis = kForms[2], utf8 = kForms[3], le = kForms[5],
             leBom = kForms[6], be = kForms[7], beBom = kForms[8];
  struct Case {
    const char* what;
    std::string bytes;
    Form from, to;
    std::string expected;  // empty: only the one-piece result
  };
  const std::string kanaLf = u8"あい\n𠮷漢字x\nかなカナ\n\n";
  const std::u16string d00 = u"\u0D00\u0A00a\u0D00\r\n\u0A00";
  auto units = [](const std::u16string& s, bool big) {
    std::string b;
    for (char16_t u : s) {
      const char lo = char(u & 0xFF), hi = char(u >> 8);
      b += big ? hi : lo;
      b += big ? lo : hi;
    }
    return b;
  };
  const std::vector<Case> cases = {
      {"LF-only UTF-8 to Shift_JIS", kanaLf + kanaLf, utf8, sjis, ""},
      {"LF-only UTF-8 to UTF-16", kanaLf + kanaLf, utf8, be, units(u"あい\n𠮷漢字x\nかなカナ\n\nあい\n𠮷漢字x\nかなカナ\n\n", true)},
      {"surrogate pairs in UTF-16 to UTF-8", units(u"𠮷𩸽a𠮷\r\n𩸽", false), le, utf8, u8"𠮷𩸽a𠮷\r\n𩸽"},
      {"surrogate pairs in big-endian UTF-16 to UTF-8", units(u"a𠮷𩸽\n𠮷", true), be, utf8, u8"a𠮷𩸽\n𠮷"},
      {"JIS run across line ends", "\x1B$B4A;z\r\n$+$J\x1B(Babc\x1B(I12\r\n34\x1B(B\r\n", jis, sjis,
       "\x8A\xBF\x8E\x9A\r\n\x82\xA9\x82\xC8" "abc\xB1\xB2\r\n\xB3\xB4\r\n"},
      {"JIS run with SO across a block", "a\x0E" "1234\x0F" "b\x1B$B4A\r\n4A\x1B(B", jis, utf8, ""},
      {"U+0D00 and U+0A00 little endian", units(d00, false), le, utf8, u8"\u0D00\u0A00a\u0D00\r\n\u0A00"},
      {"U+0D00 and U+0A00 big endian", units(d00, true), be, utf8, u8"\u0D00\u0A00a\u0D00\r\n\u0A00"},
      {"NUL in Shift_JIS to big-endian UTF-16", "a\0\x82\xA0\0\0b\0"s, sjis, be, units(u"a\0あ\0\0b\0"s, true)},
      {"NUL in EUC-JP to UTF-8", "\xA4\xA2\0\xA4\xA2"s, euc, utf8, u8"あ\0あ"s},
      {"NUL in a JIS run", "\x1B$B$\"\0$\"\x1B(B"s, jis, sjis, "\x82\xA0\0\x82\xA0"s},
      {"NUL in UTF-16 to JIS", units(u"漢\0字"s, false), le, jis, "\x1B$B4A\x1B(B\0\x1B$B;z\x1B(B"s},
      {"NUL in big-endian UTF-16 to EUC-JP", units(u"\0あ\0"s, true), be, euc, "\0\xA4\xA2\0"s},
      {"NUL in UTF-8 to little-endian UTF-16", u8"x\0あ"s, utf8, le, units(u"x\0あ"s, false)},
      {"genuine 0x01 beside a NUL", "\x01\0\x01"s, sjis, le, units(u"\x01\0\x01"s, false)},
      {"genuine U+0001 beside a NUL", units(u"\x01\0\x01"s, true), be, utf8, "\x01\0\x01"s},
      {"U+0001 in a big-endian source", units(u"\x01\x01"s, true), be, sjis, "\x01\x01"},
      {"U+FEFF at line starts to UTF-8", "\xFF\xFE"s + units(u"\uFEFFa\r\n\uFEFFb", false), leBom, utf8,
       u8"\uFEFFa\r\n\uFEFFb"},
      // UTF-16 to UTF-16 goes through Shift_JIS, which lacks U+FEFF: two substitute bytes each.
      {"U+FEFF at line starts, big endian", "\xFE\xFF"s + units(u"\uFEFFa\n\uFEFF", true), beBom, le,
       units(u"??a\n??", false)},
      {"U+FEFF after a NUL", u8"a\0\uFEFFb"s, utf8, le, units(u"a\0\uFEFFb"s, false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConvertOutcome whole;
    const std::string reference = Convert(c.bytes, c.from, c.to, 1u << 20, &whole);
    if (!c.expected.empty()) {
      EXPECT_EQ(reference, c.expected);
    }
    for (uint32_t block : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 13u}) {
      ConvertOutcome o;
      EXPECT_EQ(Convert(c.bytes, c.from, c.to, block, &o), reference) << "block " << block;
      EXPECT_EQ(o.unconvertibleCount, whole.unconvertibleCount) << "block " << block;
    }
  }
  // A U+FEFF line start converted through Shift_JIS is a character code page 932
  // lacks: counted, not dropped.
  ConvertOutcome o;
  EXPECT_EQ(Convert(u8"a\n\uFEFFb", utf8, sjis, 2, &o), "a\n??b");
  EXPECT_EQ(o.unconvertibleCount, 1u);
}

// The fault table: nothing but the finished result or the untouched files.
TEST_F(FileConverterTest, FaultsLeaveEveryFileAsItWas) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line \x8A\xBF\x8E\x9A " + std::to_string(i) + "\r\n";  // Shift_JIS
  std::string expected;
  for (int i = 0; i < 3000; ++i) expected += u8"line 漢字 " + std::to_string(i) + "\r\n";
  const std::string other = "the other file";
  const std::vector<Fault> faults = {
      {"write error at block 3", [](FaultFiles& f) { f.FailAt(Op::Write, 3, ERROR_WRITE_FAULT); }, 0,
       ConvertStatus::Failed},
      {"short writes", [](FaultFiles& f) { f.maxWrite = 100; }, 0, ConvertStatus::Done},
      {"short reads", [](FaultFiles& f) { f.maxRead = 100; }, 0, ConvertStatus::Done},
      {"read error at block 4", [](FaultFiles& f) { f.FailAt(Op::Read, 4, ERROR_READ_FAULT); }, 0,
       ConvertStatus::Failed},
      {"disk full", [](FaultFiles& f) { f.diskSpace = 20000; }, 0, ConvertStatus::Failed},
      {"abort at block 5", [](FaultFiles&) {}, 5, ConvertStatus::Aborted},
      {"create failing", [](FaultFiles& f) { f.FailAt(Op::Open, 3, ERROR_ACCESS_DENIED); }, 0,
       ConvertStatus::OpenFailed},
      {"replace failing", [](FaultFiles& f) { f.FailAt(Op::Replace, 1, ERROR_ACCESS_DENIED); }, 0,
       ConvertStatus::Failed},
      {"closing the new file failing", [](FaultFiles& f) { f.FailAt(Op::Close, 3, ERROR_WRITE_FAULT); }, 0,
       ConvertStatus::Failed},
  };
  for (bool inPlace : {true, false}) {
    for (const Fault& fault : faults) {
      SCOPED_TRACE(std::string(fault.what) + (inPlace ? " in place" : " onto another file"));
      const std::wstring src = Make(L"a.txt", text);
      const std::wstring dst = inPlace ? src : Make(L"b.txt", other);
      FaultFiles ff;
      fault.set(ff);
      StopAt sink(fault.stopAt);
      ConvertOutcome o;
      {
        ScopedFiles scope(ff);
        o = Run(Request(src, kForms[0], dst, kForms[3], 4096), &sink);
      }
      EXPECT_EQ(o.status, fault.status);
      EXPECT_EQ(o.inPlace, inPlace);
      EXPECT_TRUE(Temporaries().empty());
      if (fault.status == ConvertStatus::Done) {
        EXPECT_EQ(o.error, 0u);
        EXPECT_TRUE(Read(dst) == expected);
        if (!inPlace) {
          EXPECT_TRUE(Read(src) == text);
        }
      } else {
        EXPECT_TRUE(Read(src) == text);
        if (!inPlace) {
          EXPECT_EQ(Read(dst), other);
        }
        if (fault.status == ConvertStatus::Aborted) EXPECT_EQ(o.error, 0u);
        else EXPECT_NE(o.error, 0u);
      }
      if (fault.stopAt) {
        EXPECT_EQ(sink.asked, fault.stopAt);
        EXPECT_EQ(sink.maximum, static_cast<int64_t>(text.size()));
      }
      DeleteFileW(Path(L"a.txt").c_str());
      DeleteFileW(Path(L"b.txt").c_str());
    }
  }
  // A failing seek past the source's mark.
  const std::wstring src = Make(L"m.txt", "\xEF\xBB\xBF" "abc");
  FaultFiles ff;
  ff.FailAt(Op::Seek, 1, ERROR_SEEK);
  ConvertOutcome o;
  {
    ScopedFiles scope(ff);
    o = Run(Request(src, kForms[4], src, kForms[0]));
  }
  EXPECT_EQ(o.status, ConvertStatus::Failed);
  EXPECT_EQ(o.error, static_cast<DWORD>(ERROR_SEEK));
  EXPECT_EQ(Read(src), "\xEF\xBB\xBF" "abc");
  EXPECT_TRUE(Temporaries().empty());
}

// The target is the open file whatever path names it; it is never truncated.
TEST_F(FileConverterTest, TheSameFileByIdentity) {
  const std::string sjis = "\x8A\xBF\x8E\x9A\r\nabc";
  const std::string utf8 = u8"漢字\r\nabc";
  const std::wstring src = Make(L"Original Name.txt", sjis);
  wchar_t shortName[MAX_PATH] = {};
  GetShortPathNameW(src.c_str(), shortName, MAX_PATH);
  const std::vector<std::wstring> names = {Path(L"ORIGINAL NAME.TXT"), dir_ + L"\\sub\\..\\Original Name.txt",
                                           shortName};
  CreateDirectoryW(Path(L"sub").c_str(), nullptr);
  for (const std::wstring& name : names) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    Make(L"Original Name.txt", sjis);
    ConvertOutcome o = Run(Request(src, kForms[0], name, kForms[3], 5));
    EXPECT_EQ(o.status, ConvertStatus::Done);
    EXPECT_TRUE(o.inPlace);
    EXPECT_EQ(Read(src), utf8);
    EXPECT_TRUE(Temporaries().empty());
  }
  {
    const std::wstring linked = Make(L"l2.txt", sjis);
    ASSERT_TRUE(CreateHardLinkW(Path(L"l2link.txt").c_str(), linked.c_str(), nullptr));
    ConvertOutcome o = Run(Request(linked, kForms[0], Path(L"l2link.txt"), kForms[3]));
    EXPECT_EQ(o.status, ConvertStatus::Done);
    EXPECT_TRUE(o.inPlace);
    EXPECT_EQ(Read(Path(L"l2link.txt")), utf8);
    EXPECT_EQ(Read(linked), sjis);  // never truncated
  }
  // A source named like the temporary file.
  {
    const std::wstring t = Make(L"tmp_dmi.txt", sjis);
    ConvertOutcome o = Run(Request(t, kForms[0], t, kForms[3], 3));
    EXPECT_EQ(o.status, ConvertStatus::Done);
    EXPECT_EQ(Read(t), utf8);
    ASSERT_EQ(Temporaries().size(), 1u);
  }
  // An existing tmp_dmi.txt beside the source is left alone; a distinct target is not in place.
  {
    const std::wstring keep = Path(L"tmp_dmi.txt");
    testsupport::WriteBytes(keep, "keep");
    const std::wstring s = Make(L"s.txt", sjis);
    ConvertOutcome o = Run(Request(s, kForms[0], s, kForms[3]));
    EXPECT_EQ(o.status, ConvertStatus::Done);
    EXPECT_EQ(Read(keep), "keep");
    EXPECT_EQ(Read(s), utf8);
    o = Run(Request(s, kForms[3], Path(L"s2.txt"), kForms[0]));
    EXPECT_FALSE(o.inPlace);
    EXPECT_EQ(Read(Path(L"s2.txt")), sjis);
    EXPECT_EQ(Temporaries(), std::vector<std::wstring>{L"tmp_dmi.txt"});
  }
}

TEST_F(FileConverterTest, DecodeErrorsAreCountedAndKeepTheFile) {
  struct Case {
    const char* what;
    std::string bytes;
    Form from, to;
  };
  const std::vector<Case> cases = {
      {"EUC-JP with one bad pair", "\xA4\xA2\xA4\x41\xA4\xA2", kForms[1], kForms[0]},
      {"UTF-8 with one invalid byte", "a\xFF" "b", kForms[3], kForms[5]},
      {"UTF-16 with a lone surrogate", "a\0\0\xD8" "b\0"s, kForms[5], kForms[3]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring src = Make(L"bad.txt", c.bytes);
    ConvertOutcome o = Run(Request(src, c.from, src, c.to, 2));
    EXPECT_EQ(o.status, ConvertStatus::Unconvertible);
    EXPECT_EQ(o.unconvertibleCount, 1u);
    EXPECT_FALSE(o.unconvertibleList.empty());
    EXPECT_EQ(Read(src), c.bytes);
    ASSERT_FALSE(o.keptPath.empty());
    EXPECT_EQ(Temporaries().size(), 1u);
    DeleteFileW(o.keptPath.c_str());
  }
  // One U+AC00 to EUC-JP onto a new file: written, counted, listed.
  ConvertOutcome o;
  std::string euc = Convert("\x00\xAC\x41\x00"s, kForms[5], kForms[1], 1u << 20, &o);
  EXPECT_EQ(o.status, ConvertStatus::Unconvertible);
  EXPECT_EQ(o.unconvertibleCount, 1u);
  EXPECT_EQ(o.unconvertibleList, u"[\uAC00]");
  EXPECT_EQ(euc, "??A");
  // A character outside the basic plane: two substitutes, counted as them, listed once.
  euc = Convert("\x42\xD8\xB7\xDF\x41\x00"s, kForms[5], kForms[1], 1u << 20, &o);
  EXPECT_EQ(o.unconvertibleCount, 2u);
  EXPECT_EQ(o.unconvertibleList, u"[\U00020BB7]");
  EXPECT_EQ(euc, "????A");
  // 5,000 distinct characters the target lacks: the exact count, 1,000 listed.
  std::string many;
  for (int i = 0; i < 5000; ++i) {
    const char16_t u = static_cast<char16_t>(0xAC00 + i);
    many += char(u & 0xFF);
    many += char(u >> 8);
  }
  Convert(many, kForms[5], kForms[0], 4096, &o);
  EXPECT_EQ(o.unconvertibleCount, 5000u);
  ASSERT_EQ(o.unconvertibleList.size(), 3000u + 1);
  EXPECT_EQ(o.unconvertibleList.back(), u'\u2026');
}

TEST_F(FileConverterTest, RefusesFilesAboveTheLimitAndMissingSources) {
  const std::wstring src = Make(L"big.txt", "0123456789");
  ConvertRequest r = Request(src, kForms[0], Path(L"out.txt"), kForms[3]);
  r.sizeLimit = 9;
  EXPECT_EQ(Run(r).status, ConvertStatus::TooLarge);
  r.sizeLimit = 10;
  EXPECT_EQ(Run(r).status, ConvertStatus::Done);
  r.sourcePath = Path(L"missing.txt");
  ConvertOutcome o = Run(r);
  EXPECT_EQ(o.status, ConvertStatus::OpenFailed);
  EXPECT_EQ(o.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(Temporaries().empty());
}

// The converter's own table for Shift_JIS to UTF-8 and UTF-16 gives what the
// conversion routines give, for every byte and pair, assigned or not.
TEST_F(FileConverterTest, TheShiftJisTableAnswersAsTheRoutines) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    all += char(b);
    all += ' ';
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!conv::IsSjisLead(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      all += char(lead);
      all += char(trail);
    }
    all += "\r\n";
  }
  CodeConv c;
  std::string utf8;
  ASSERT_TRUE(c.SjisToUtf8(all.c_str(), &utf8));
  const uint32_t routineCount = c.UnconvertibleCount;
  std::wstring wide;
  ASSERT_TRUE(c.SjisToWide(all.c_str(), ByteOrder::Big, &wide));
  std::string be;
  for (wchar_t u : wide) {
    be += char(u & 0xFF);  // already exchanged: the low byte in memory comes first
    be += char((u >> 8) & 0xFF);
  }
  ConvertOutcome o;
  EXPECT_TRUE(Convert(all, kForms[0], kForms[3], 4096, &o) == utf8);
  EXPECT_EQ(o.unconvertibleCount, routineCount);
  EXPECT_GT(o.unconvertibleCount, 0u);
  EXPECT_TRUE(Convert(all, kForms[0], kForms[7], 4096, &o) == be);
}

// Large blocks are converted in parts side by side and written while the next
// block is converted: the same bytes, count and list of unconvertible
// characters as small blocks converted one by one; and the fault table holds.
TEST_F(FileConverterTest, LargeBlocksInPartsGiveTheSameResultAndSurviveFaults) {
  struct Source {
    const char* name;
    int from, to;
    std::string line;  // repeated, numbered
    bool unconvertible;
  };
  const Source sources[] = {
      {"sjis -> utf8", 0, 3, "abc \xB1\xB2 \x8A\xBF\x8E\x9A x\x81\r\n", true},  // a lone lead byte
      {"utf8 -> sjis", 3, 0, u8"abc ｱｲ 漢字 \u20AC \U0001F600\r\n", true},  // the euro sign, a pair
      {"euc -> utf16", 1, 5, "abc \x8E\xB1 \xB4\xC1\xBB\xFA \x8F\xA2\xAF \x81z\r\n", true},  // 0212, an odd byte
      {"euc -> utf8", 1, 3, "abc \x8E\xB1 \xB4\xC1\xBB\xFA\r\n", false},  // all in one step
  };
  for (const Source& s : sources) {
    SCOPED_TRACE(s.name);
    std::string text;
    for (int i = 0; text.size() < 3500000; ++i) text += std::to_string(i) + (i % 97 ? "plain line\r\n" : s.line);
    ConvertOutcome big, small;
    const std::string parts = Convert(text, kForms[s.from], kForms[s.to], 1056768, &big);
    const std::string one = Convert(text, kForms[s.from], kForms[s.to], 4096, &small);
    EXPECT_TRUE(parts == one);
    EXPECT_EQ(big.unconvertibleCount, small.unconvertibleCount);
    EXPECT_EQ(big.unconvertibleCount > 0, s.unconvertible);
    EXPECT_TRUE(big.unconvertibleList == small.unconvertibleList);
  }

  std::string text;
  for (int i = 0; text.size() < 5000000; ++i) text += "line \x8A\xBF\x8E\x9A " + std::to_string(i) + "\r\n";
  const std::string wanted = Convert(text, kForms[0], kForms[3], 4096);
  const std::vector<Fault> faults = {
      {"write error at block 2", [](FaultFiles& f) { f.FailAt(Op::Write, 2, ERROR_WRITE_FAULT); }, 0,
       ConvertStatus::Failed},
      {"read error at block 3", [](FaultFiles& f) { f.FailAt(Op::Read, 3, ERROR_READ_FAULT); }, 0,
       ConvertStatus::Failed},
      {"disk full", [](FaultFiles& f) { f.diskSpace = 2500000; }, 0, ConvertStatus::Failed},
      {"short writes", [](FaultFiles& f) { f.maxWrite = 100000; }, 0, ConvertStatus::Done},
      {"abort at block 2", [](FaultFiles&) {}, 2, ConvertStatus::Aborted},
  };
  for (bool inPlace : {true, false}) {
    for (const Fault& fault : faults) {
      SCOPED_TRACE(std::string(fault.what) + (inPlace ? " in place" : " onto another file"));
      const std::wstring src = Make(L"a.txt", text);
      const std::wstring dst = inPlace ? src : Make(L"b.txt", "the other file");
      FaultFiles ff;
      fault.set(ff);
      StopAt sink(fault.stopAt);
      ConvertOutcome o;
      {
        ScopedFiles scope(ff);
        o = Run(Request(src, kForms[0], dst, kForms[3]), &sink);
      }
      EXPECT_EQ(o.status, fault.status);
      EXPECT_TRUE(Temporaries().empty());
      if (fault.status == ConvertStatus::Done) {
        EXPECT_TRUE(Read(dst) == wanted);
      } else {
        EXPECT_TRUE(Read(src) == text);
        if (!inPlace) {
          EXPECT_EQ(Read(dst), "the other file");
        }
        if (fault.status == ConvertStatus::Failed) {
          EXPECT_NE(o.error, 0u);
        }
      }
      DeleteFileW(Path(L"a.txt").c_str());
      DeleteFileW(Path(L"b.txt").c_str());
    }
  }
}
