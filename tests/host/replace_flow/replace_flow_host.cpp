// The edit dialogs' replace walks over a copy of the text, answered by a
// scripted asker that keeps its own copy of what the control would show, and
// the place of the question box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/ReplaceFlow.h"

using namespace replaceflow;

namespace {

const Answer kOk{true, false};
const Answer kNo{false, false};
const Answer kOkAll{true, true};
const Answer kNoAll{false, true};

// Answers from a script (OK once it runs out). It mirrors the control: every
// replacement reported while asking is applied to its copy, and every
// occurrence asked about must stand at the reported place in that copy.
template <class Str>
class Script : public Host<Str> {
 public:
  struct Offer {
    size_t pos, length;
    Str question;
  };
  Script(const Str& text, std::vector<Answer> answers) : shown(text), answers_(std::move(answers)) {}

  void Step(size_t lines) override { steps += lines; }
  Answer Ask(size_t pos, size_t length, const Str& question) override {
    EXPECT_LE(pos + length, shown.size());
    offers.push_back({pos, length, question});
    const size_t k = offers.size() - 1;
    return k < answers_.size() ? answers_[k] : kOk;
  }
  void Replaced(size_t pos, size_t length, const Str& replacement) override {
    shown.replace(pos, length, replacement);
  }
  std::vector<size_t> Positions() const {
    std::vector<size_t> p;
    for (const Offer& o : offers) p.push_back(o.pos);
    return p;
  }

  Str shown;
  std::vector<Offer> offers;
  size_t steps = 0;

 private:
  std::vector<Answer> answers_;
};

using NarrowScript = Script<std::string>;
using WideScript = Script<std::wstring>;
using Positions = std::vector<size_t>;

std::wstring AsciiUpper(const std::wstring& s) {
  std::wstring u = s;
  for (wchar_t& c : u)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return u;
}

Outcome<std::string> Narrow(NarrowScript& host, const std::string& search, const std::string& with,
                            bool matchCase = true) {
  const std::string text = host.shown;  // the host changes its copy while asked
  return ReplaceNarrow(text, search, with, matchCase, nullptr, host);
}
Outcome<std::wstring> Wide(WideScript& host, const std::wstring& search, const std::wstring& with,
                           bool matchCase = true) {
  const std::wstring text = host.shown;
  return ReplaceWide(text, search, with, matchCase, AsciiUpper, host);
}

}  // namespace

TEST(ReplaceFlow, AskedWalksReplaceWhereTheQuestionsPointed) {
  struct Case {
    const char* name;
    std::string text, search, with;
    std::vector<Answer> answers;
    std::string result;
    Positions offered;
  } cases[] = {
      // A one-character match at a line's end, on every line.
      {"line end", "ab\r\ncb", "b", "XY", {}, "aXY\r\ncXY", {1, 6}},
      // "@" is the trail byte of "ァ" (83 40): only the real "@" matches.
      {"trail byte", "\x83\x40@\x83\x40", "@", "*", {}, "\x83\x40*\x83\x40", {2}},
      // Replacing a by nothing: the a that moves up is not examined again, but
      // every original a is: the scan resumes where the removed one stood.
      {"empty replacement", "aaa", "a", "", {}, "", {0, 0, 0}},
      // No skips; the scan goes on behind the occurrence.
      {"no", "aXa", "a", "b", {kNo, kOk}, "aXb", {0, 2}},
      // No with "全て" stops and keeps what was accepted in the same line.
      {"stop", "a a a\r\na", "a", "bb", {kOk, kNoAll}, "bb a a\r\na", {0, 3}},
      // OK with "全て" replaces the rest from the occurrence on without asking.
      {"rest", "a a a\r\na", "a", "b", {kNo, kOkAll}, "a b b\r\nb", {0, 2}},
      // A multi-line replacement: each of the five original lines once, the
      // inserted lines never.
      {"multi-line", "a\r\na\r\na\r\na\r\na", "a", "x\r\na",
       {},
       "x\r\na\r\nx\r\na\r\nx\r\na\r\nx\r\na\r\nx\r\na",
       {0, 6, 12, 18, 24}},
      // A lone CR or LF belongs to its line; the CR LF that ends a line never matches.
      {"lone CR", "a\rb\r\nc", "\r", "|", {}, "a|b\r\nc", {1}},
      {"lone LF", "a\r\n\nb\nc", "\n", "|", {}, "a\r\n|b|c", {3, 5}},
      {"no CR LF", "a\r\nb", "a\r\nb", "x", {}, "a\r\nb", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NarrowScript host(c.text, c.answers);
    const auto out = Narrow(host, c.search, c.with);
    EXPECT_EQ(out.text, c.result);
    EXPECT_EQ(host.Positions(), c.offered);
    if (!out.stopped) {
      EXPECT_EQ(host.steps, CountLines(c.text));
    }
    if (!out.swept) {
      EXPECT_EQ(host.shown, out.text);  // the control already shows the result
    }
    EXPECT_EQ(out.lastFind, c.search);
    EXPECT_EQ(out.lastReplace, c.with);
    for (const auto& o : host.offers) EXPECT_EQ(o.question, Question(c.search));

    // The same in UTF-16 wherever the text is ASCII.
    bool ascii = true;
    for (unsigned char ch : c.text) ascii = ascii && ch < 0x80;
    if (!ascii) continue;
    const std::wstring wt(c.text.begin(), c.text.end()), ws(c.search.begin(), c.search.end()),
        ww(c.with.begin(), c.with.end()), wr(c.result.begin(), c.result.end());
    WideScript whost(wt, c.answers);
    const auto wout = Wide(whost, ws, ww);
    EXPECT_EQ(wout.text, wr);
    EXPECT_EQ(whost.Positions(), c.offered);
    if (!wout.stopped) {
      EXPECT_EQ(whost.steps, CountLines(wt));
    }
    if (!wout.swept) {
      EXPECT_EQ(whost.shown, wout.text);
    }
  }
}

TEST(ReplaceFlow, NarrowWithoutCaseAsksAndKeepsTheLoweredSearch) {
  // Without MatchCase the search is lowered: the question and the last search
  // show it so, and both cases of the text match. Trail bytes stay as they are
  // ("ア" is 83 41, "A" as its trail).
  NarrowScript host("Abc \x83\x41" "BC aBC", {});
  const auto out = Narrow(host, "ABC", "x", false);
  EXPECT_EQ(out.text, "x \x83\x41" "BC x");
  EXPECT_EQ(host.Positions(), (Positions{0, 7}));
  EXPECT_EQ(host.offers[0].question, "'abc' \x82\xF0\x92\x75\x82\xAB\x8A\xB7\x82\xA6\x82\xDC\x82\xB7\x82\xA9\x81\x48");
  EXPECT_EQ(out.lastFind, "abc");
  // The next replace with no selection proposes the lowered search.
  EXPECT_EQ(Propose("text", 0, 0, out.lastFind, out.lastReplace), std::make_pair(std::string("abc"), std::string("x")));
  // With MatchCase only the exact bytes match, and the search stays as given.
  NarrowScript exact("Abc ABC", {});
  const auto same = Narrow(exact, "ABC", "x", true);
  EXPECT_EQ(same.text, "Abc x");
  EXPECT_EQ(same.lastFind, "ABC");
  // A lowering that changes a character's length is not used: ASCII only then.
  const auto widening = [](const std::string& t) { return t + "!"; };
  EXPECT_EQ(LowerNarrow("A\x83\x41Z", widening), "a\x83\x41z");
  // Text and search are lowered alike: a lowering that fails on the text
  // (here on its stray byte 0x80) lowers neither beyond ASCII, so the search
  // "Ａ" (82 60) does not turn into a search for "ａ" (82 81).
  const auto locale = [](const std::string& t) {
    if (t.find('\x80') != std::string::npos) return t + "!";
    std::string l = t;
    for (size_t i = 0; i + 1 < l.size(); i += 2)
      if (l[i] == '\x82' && l[i + 1] == '\x60') l[i + 1] = '\x81';
    return l;
  };
  const std::string mixed = "\x80\x82\x60 \x82\x81", clean = "\x82\x60 \x82\x81";
  NarrowScript mixedHost(mixed, {}), cleanHost(clean, {});
  EXPECT_EQ(ReplaceNarrow(mixed, "\x82\x60", "x", false, locale, mixedHost).text, "\x80x \x82\x81");
  EXPECT_EQ(ReplaceNarrow(clean, "\x82\x60", "x", false, locale, cleanHost).text, "x x");
}

TEST(ReplaceFlow, WideWithoutCaseAsksWithTheOccurrencesOwnText) {
  WideScript host(L"Abc abc\r\naBC", {});
  const auto out = Wide(host, L"abc", L"-", false);
  EXPECT_EQ(out.text, L"- -\r\n-");
  ASSERT_EQ(host.offers.size(), 3u);
  EXPECT_EQ(host.offers[0].question, Question(std::wstring(L"Abc")));
  EXPECT_EQ(host.offers[2].question, Question(std::wstring(L"aBC")));
  EXPECT_EQ(host.offers[2].question, L"'aBC' \x3092\x7F6E\x304D\x63DB\x3048\x307E\x3059\x304B\xFF1F");
  EXPECT_EQ(out.lastFind, L"abc");
  WideScript exact(L"Abc abc", {});
  EXPECT_EQ(Wide(exact, L"abc", L"-", true).text, L"Abc -");
}

TEST(ReplaceFlow, EmptySearchDoesNothing) {
  NarrowScript host("abc", {});
  const auto out = Narrow(host, "", "x");
  EXPECT_EQ(out.text, "abc");
  EXPECT_TRUE(host.offers.empty());
  EXPECT_TRUE(out.lastFind.empty());
  WideScript whost(L"abc", {});
  EXPECT_EQ(Wide(whost, L"", L"x").text, L"abc");
  EXPECT_TRUE(whost.offers.empty());
}

TEST(ReplaceFlow, ProposalIsTheSelectionsFirstLinePartOrTheLastStrings) {
  using NP = std::pair<std::string, std::string>;
  using WP = std::pair<std::wstring, std::wstring>;
  // Empty selection, no earlier search: nothing.
  EXPECT_EQ(Propose(std::string("abc"), 1, 0, "", ""), NP("", ""));
  // Empty selection: the last strings; the search again when no replacement was kept.
  EXPECT_EQ(Propose(std::string("abc"), 1, 0, "f", "r"), NP("f", "r"));
  EXPECT_EQ(Propose(std::string("abc"), 1, 0, "f", ""), NP("f", "f"));
  // A selection over several lines: its part in the first line, in both variants.
  EXPECT_EQ(Propose(std::string("ab\r\ncd"), 1, 4, "f", "r"), NP("b", "b"));
  EXPECT_EQ(Propose(std::wstring(L"x\r\nabc\r\ndef"), 4, 6, L"", L""), WP(L"bc", L"bc"));
  // A lone LF stays in the part; a selection of only a line end counts as none.
  EXPECT_EQ(Propose(std::wstring(L"a\nb\r\nc"), 0, 6, L"", L""), WP(L"a\nb", L"a\nb"));
  EXPECT_EQ(Propose(std::wstring(L"a\r\nc"), 1, 2, L"f", L""), WP(L"f", L"f"));
}

TEST(ReplaceFlow, ReplaceAllOfAMillionMatchesIsLinear) {
  // 30 MB, one match on each line of 30 bytes.
  const std::string unit = "abcdefghij@klmnopqrstuvwxyz0\r\n";
  std::string narrow;
  narrow.reserve(30000000);
  for (int i = 0; i < 1000000; ++i) narrow += unit;
  ASSERT_EQ(narrow.size(), 30000000u);
  {
    struct AllAtOnce : Host<std::string> {
      size_t steps = 0;
      void Step(size_t lines) override { steps += lines; }
      Answer Ask(size_t, size_t, const std::string&) override { return kOkAll; }
    } host;
    const auto out = ReplaceNarrow(narrow, "@", "<>", true, nullptr, host);
    EXPECT_EQ(out.replaced, 1000000u);
    EXPECT_EQ(out.asked, 1u);
    EXPECT_TRUE(out.swept);
    EXPECT_EQ(out.text.size(), narrow.size() + 1000000u);
    EXPECT_LE(out.probes, 3 * narrow.size());
    EXPECT_EQ(host.steps, 1000001u);
  }
  {
    // Asked at every match: the walk itself stays linear.
    struct Counting : Host<std::string> {
      size_t asked = 0;
      Answer Ask(size_t, size_t, const std::string&) override { return ++asked, kOk; }
    } counting;
    const auto out = ReplaceNarrow(narrow, "@", "", true, nullptr, counting);
    EXPECT_EQ(counting.asked, 1000000u);
    EXPECT_EQ(out.text.size(), narrow.size() - 1000000u);
    EXPECT_LE(out.probes, 2 * narrow.size());
  }
  narrow.clear();
  narrow.shrink_to_fit();
  // UTF-16: 15,000,000 units are 30 MB; without MatchCase.
  std::wstring wunit = L"abcdefghijklmn@";  // 15 units
  std::wstring wide;
  wide.reserve(15000000);
  for (int i = 0; i < 1000000; ++i) wide += wunit;
  struct AllAtOnce : Host<std::wstring> {
    Answer Ask(size_t, size_t, const std::wstring&) override { return kOkAll; }
  } all;
  const auto wout = ReplaceWide(wide, L"N@", L"", false, AsciiUpper, all);
  EXPECT_EQ(wout.replaced, 1000000u);
  EXPECT_EQ(wout.text.size(), wide.size() - 2000000u);
  EXPECT_LE(wout.probes, 3 * wide.size());
}

TEST(ReplaceFlow, QuestionBoxStaysBesideTheOccurrenceInsideTheControl) {
  auto at = [](int x, int y) { return static_cast<long>((static_cast<unsigned>(y & 0xFFFF) << 16) | (x & 0xFFFF)); };
  struct Case {
    const char* name;
    long behind, last;
    int x, y;
  } cases[] = {
      {"inside: one line below", at(50, 20), 0, 152, 136},
      {"past the right edge", at(500, 20), 0, 700 - 350, 136},
      {"no room below: above", at(50, 300), 0, 152, 402 - 120},
      {"exactly room below", at(50, 500 - 102 - 14 - 120), 0, 152, 500 - 120},
      {"at the bottom", at(50, 398), 0, 152, 500 - 42 - 120},
      {"below the bottom", at(50, 450), 0, 152, 500 - 42 - 120},
      {"negative point", at(-5, -7), 0, 102, 116},
      {"end of the text", -1, at(80, 40), 182, 156},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxPlace p;
    p.posBehind = c.behind;
    p.posLast = c.last;
    p.originX = 102;
    p.originY = 102;
    p.left = 100;
    p.top = 100;
    p.right = 700;
    p.bottom = 500;
    p.boxWidth = 350;
    p.boxHeight = 120;
    p.lineHeight = 14;
    const ScreenPoint s = PlaceQuestionBox(p);
    EXPECT_EQ(s.x, c.x);
    EXPECT_EQ(s.y, c.y);
  }
}
