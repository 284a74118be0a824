// Every text tool of the edit dialogs on about 30 MB in memory, narrow and
// UTF-16. A pass that went back over the text per line or per match would
// take hours here; each tool is held to a bound far above a linear pass, and
// where the tool calls out (width and locale mappings), the calls are counted.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "text/EraDates.h"
#include "text/LineTools.h"
#include "text/WideConvert.h"

using namespace linetools;

namespace {

const double kBoundSeconds = 60.0;  // a linear pass takes well under a second or two

class Stopwatch {
 public:
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::string NarrowText() {
  std::string text;
  text.reserve(31000000);
  const std::string lines[] = {"line text\r\n", "\r\n", "\t\x81\x40 indented\r\n", "\x82\xa0\x82\xa2:rest\r\n"};
  for (size_t i = 0; text.size() < 30000000; ++i) text += lines[i % 4];
  return text;
}

std::wstring WideText() {
  std::wstring text;
  text.reserve(15500000);
  const std::wstring lines[] = {L"line text\r\n", L"\r\n", L"\t\x3000 indented\r\n", L"\x3042\x3044:rest\r\n"};
  for (size_t i = 0; text.size() < 15000000; ++i) text += lines[i % 4];
  return text;
}

std::wstring Upper(const std::wstring& s) {
  std::wstring u = s;
  for (wchar_t& c : u)
    if (c >= L'a' && c <= L'z') c = wchar_t(c - 32);
  return u;
}

class CountingMapper : public wideconv::Mapper {
 public:
  size_t calls = 0, units = 0;
  void Upper(std::wstring& t) override { units += t.size(); }
  void Lower(std::wstring& t) override { units += t.size(); }
  bool Map(std::wstring& t, unsigned) override { return Count(t); }
  bool MapCp932(std::wstring& t, unsigned) override { return Count(t); }

 private:
  bool Count(const std::wstring& t) {
    ++calls;
    units += t.size();
    return true;
  }
};

}  // namespace

TEST(Tools30MB, NarrowLineTools) {
  const std::string text = NarrowText();
  const size_t lineCount = text.size() / 11;  // at least
  Stopwatch all;
  Block b;
  ASSERT_TRUE(TouchedLines(text, 5, text.size() - 10, b));
  const std::vector<std::string> lines = SplitCrLf(text.substr(b.start, b.end - b.start));
  ASSERT_GT(lines.size(), lineCount / 2);
  struct Tool {
    const char* name;
    std::function<std::vector<std::string>(std::vector<std::string>)> run;
  };
  Numbering how;
  how.start = 1;
  how.align = 2;
  const Tool tools[] = {
      {"indent", [](std::vector<std::string> l) { return Indent(std::move(l), "\x81\x40"); }},
      {"outdent", [](std::vector<std::string> l) { return Outdent(std::move(l), "\t"); }},
      {"remove blanks", [](std::vector<std::string> l) { return RemoveLeadingBlanks(std::move(l)); }},
      {"insert", [](std::vector<std::string> l) { return InsertAtStarts(std::move(l), "> "); }},
      {"delete count", [](std::vector<std::string> l) { return DeleteAtStarts(std::move(l), "2"); }},
      {"delete text", [](std::vector<std::string> l) { return DeleteAtStarts(std::move(l), ":"); }},
      {"number", [&](std::vector<std::string> l) { return NumberLines(std::move(l), ". ", how); }},
      {"sort", [](std::vector<std::string> l) { return SortNarrow(std::move(l), true); }},
  };
  for (const Tool& t : tools) {
    Stopwatch w;
    const std::string joined = JoinCrLf(t.run(lines));
    EXPECT_GT(joined.size(), text.size() / 2) << t.name;
    EXPECT_LT(w.Seconds(), kBoundSeconds) << t.name;
  }
  Stopwatch w;
  const std::string noEmpty = RemoveEmptyLinesNarrow(text, 0, text.size());
  EXPECT_LT(noEmpty.size(), text.size());
  EXPECT_LT(w.Seconds(), kBoundSeconds);
  EXPECT_LT(all.Seconds(), 4 * kBoundSeconds);
}

TEST(Tools30MB, WideLineToolsAndConversions) {
  const std::wstring text = WideText();
  ASSERT_TRUE(WholeLineSelection(text, 0, text.size() - 2));
  const std::vector<std::wstring> lines = SplitCrLf(text.substr(0, text.size() - 2));
  Numbering how;
  how.start = 1;
  how.align = 1;
  how.skipBlankLed = true;
  struct Tool {
    const char* name;
    std::function<std::vector<std::wstring>(std::vector<std::wstring>)> run;
  };
  const Tool tools[] = {
      {"indent", [](std::vector<std::wstring> l) { return Indent(std::move(l), L"\x3000"); }},
      {"outdent", [](std::vector<std::wstring> l) { return Outdent(std::move(l), L"\t"); }},
      {"remove blanks", [](std::vector<std::wstring> l) { return RemoveLeadingBlanks(std::move(l)); }},
      {"insert", [](std::vector<std::wstring> l) { return InsertAtStarts(std::move(l), L"> ", true); }},
      {"delete count", [](std::vector<std::wstring> l) { return DeleteAtStarts(std::move(l), L"2"); }},
      {"delete text", [](std::vector<std::wstring> l) { return DeleteAtStarts(std::move(l), L":"); }},
      {"number", [&](std::vector<std::wstring> l) { return NumberLines(std::move(l), L". ", how); }},
      {"empty lines", [](std::vector<std::wstring> l) { return RemoveEmptyLines(l); }},
      {"sort", [](std::vector<std::wstring> l) { return SortWide(std::move(l), false, Upper); }},
  };
  for (const Tool& t : tools) {
    Stopwatch w;
    const std::wstring joined = JoinCrLf(t.run(lines));
    EXPECT_GT(joined.size(), text.size() / 2) << t.name;
    EXPECT_LT(w.Seconds(), kBoundSeconds) << t.name;
  }
  // Each conversion hands every unit to the locale at most once, in one call per run.
  const size_t runs = lines.size() / 4 + 1;  // one hiragana run per fourth line
  for (int tag = 0; tag <= 16; ++tag) {
    CountingMapper m;
    Stopwatch w;
    const std::wstring out = wideconv::Convert(text, tag, m);
    EXPECT_EQ(out.size(), text.size()) << tag;
    EXPECT_LE(m.units, 2 * text.size()) << tag;
    EXPECT_LE(m.calls, 2 * runs + 2 * lines.size()) << tag;
    EXPECT_LT(w.Seconds(), kBoundSeconds) << tag;
  }
}

TEST(Tools30MB, EraTools) {
  // 30 MB with 6.6 million dates and years: one width call per part of each.
  std::string text;
  text.reserve(31000000);
  while (text.size() < 30000000) text += "h1 2019/ ";
  size_t widthCalls = 0;
  const eradates::WidthFn width = [&](const std::string& s, bool) {
    ++widthCalls;
    return s;
  };
  const size_t matches = text.size() / 9 * 2;
  Stopwatch w;
  const std::string years = eradates::EraToYear(text, false, width);
  EXPECT_EQ(years.substr(0, 18), "1989 2019/ 1989 20");
  EXPECT_LT(w.Seconds(), kBoundSeconds);
  EXPECT_LE(widthCalls, 2 * matches);
  // A year with an era mark shortly before it stays, so the years stand alone here.
  text.clear();
  while (text.size() < 30000000) text += "ok 2019/ ";
  widthCalls = 0;
  Stopwatch w2;
  const std::string eras = eradates::YearToEra(text, 3, false, width);
  EXPECT_EQ(eras.substr(0, 12), "ok \x97\xdf\x98\x61" "1/ ok");
  EXPECT_GT(widthCalls, 0u);
  EXPECT_LT(w2.Seconds(), kBoundSeconds);
  EXPECT_LE(widthCalls, 2 * matches);
}
