// The update check's text work (page address, archive search, version test)
// and the version box's icon animation.
#include <gtest/gtest.h>

#include <deque>

#include "text/UpdateText.h"

using namespace updatetext;

TEST(UpdateText, PageAddress) {
  const std::string base = "http://h/";
  struct Case {
    const char* folder;
    const char* address;
  } cases[] = {
      {" ", "http://h/P.html"},                // one blank: the page sits under the base
      {"", "http://h//P.html"},                // empty: the "/" stays
      {" x ", "http://h/x/P.html"},            // blanks trimmed
      {"  ", "http://h//P.html"},              // two blanks trim to empty
      {"DownLoadHtml", "http://h/DownLoadHtml/P.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("[") + c.folder + "]");
    EXPECT_EQ(PageAddress(base, c.folder, "P.html"), c.address);
  }
  EXPECT_EQ(ArchiveAddress(base, "UpdateFile", "Vastrel_Up1530.zip"), "http://h/UpdateFile/Vastrel_Up1530.zip");
}

TEST(UpdateText, FindArchive) {
  struct Case {
    const char* page;
    bool found;
    const char* name;
    const char* version;
  } cases[] = {
      {"<a href=\"Vastrel_Up1530.zip\">", true, "Vastrel_Up1530.zip", "1530"},
      // the first match has no ".zip" after its version, the second has
      {"Vastrel_Up1499.txt Vastrel_Up1530.zip", true, "Vastrel_Up1530.zip", "1530"},
      // capitals count; the name keeps the page's spelling
      {"x Vastrel_Up1530.ZIP y", true, "Vastrel_Up1530.ZIP", "1530"},
      {"Vastrel_Up1530.Zip", true, "Vastrel_Up1530.Zip", "1530"},
      // a name at the page's very end, whole and cut short
      {"see Vastrel_Up1600.zip", true, "Vastrel_Up1600.zip", "1600"},
      {"see Vastrel_Up1600.zi", false, "", ""},
      {"see Vastrel_Up16", false, "", ""},
      {"see Vastrel_Up", false, "", ""},
      // characters that would leave the folder or are no version
      {"Vastrel_Up../.zip", false, "", ""},
      {"Vastrel_Up..\\..zip", false, "", ""},
      {"Vastrel_Up1a2b.zip", false, "", ""},
      {"Vastrel_Up12:4.zip", false, "", ""},
      {"Vastrel_Up 123.zip", false, "", ""},
      // the first valid match wins over later ones
      {"Vastrel_Up1a2b.zip Vastrel_Up1522.zip Vastrel_Up1999.zip", true, "Vastrel_Up1522.zip", "1522"},
      // case-sensitive base name
      {"vastrel_up1530.zip", false, "", ""},
      {"", false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    ArchiveFind f = FindArchive(c.page, "Vastrel_Up");
    EXPECT_EQ(f.found, c.found);
    EXPECT_EQ(f.name, c.name);
    EXPECT_EQ(f.version, c.version);
  }
  EXPECT_FALSE(FindArchive("Vastrel_Up1530.zip", "").found);
}

TEST(UpdateText, VersionTest) {
  struct Case {
    const char* found;
    bool noTest;
    bool offer;
  } cases[] = {
      {"1530", false, true}, {"1521", false, false}, {"1500", false, false},
      {"1530", true, true},  {"1521", true, true},   {"1500", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.found) + (c.noTest ? " no test" : ""));
    EXPECT_EQ(OffersDownload("1521", c.found, c.noTest), c.offer);
  }
}

namespace {
// A random source that gives the scripted numbers in turn.
struct Script {
  std::deque<uint32_t> numbers;
  std::function<uint32_t()> Source() {
    return [this]() {
      uint32_t v = numbers.empty() ? 0 : numbers.front();
      if (!numbers.empty()) numbers.pop_front();
      return v;
    };
  }
};
}  // namespace

TEST(UpdateText, OnlyWebAddressesAreOpened) {
  struct Case {
    const wchar_t* address;
    bool web;
  } cases[] = {
      {L"http://update.example/", true},
      {L"https://update.example/a/b?c=d#e", true},
      {L"HtTpS://Update.Example:8080/", true},
      {L"http://127.0.0.1/", true},
      {L"http://", false},
      {L"https:///path", false},
      {L"http:\\\\host\\", false},
      {L"C:\\Windows\\system32\\calc.exe", false},
      {L"\\\\server\\share\\run.exe", false},
      {L"calc", false},
      {L"file:///C:/x.exe", false},
      {L"mailto:a@b", false},
      {L"javascript:alert(1)", false},
      {L" http://update.example/", false},
      {L"http://update.example/ calc.exe", false},
      {L"http://update.example/\"&calc", false},
      {L"http://update.example/\tx", false},
      {L"http://a<b>/", false},
      {L"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsWebAddress(c.address), c.web) << testing::PrintToString(std::wstring(c.address));
}

TEST(IconAnimationTest, FramesAlternateAndJitterStaysNearHome) {
  IconAnimation a;
  a.HomeLeft = 8;
  a.HomeTop = 8;
  a.JumpXY = 4;
  Script s;
  // frame 0 (jitter: dx from 3 -> 3 > 2 -> -1, dy from 2 -> 2), frame 1 (stretch r = 9)
  s.numbers = {3, 2, 9};
  IconAnimation::Step t = a.Tick(s.Source());
  EXPECT_EQ(t.frame, 0);
  EXPECT_TRUE(t.moved);
  EXPECT_EQ(t.left, 7);
  EXPECT_EQ(t.top, 10);
  EXPECT_EQ(t.size, 64);
  t = a.Tick(s.Source());
  EXPECT_EQ(t.frame, 1);
  EXPECT_FALSE(t.moved);
  EXPECT_EQ(t.size, 65);
  EXPECT_EQ(a.FrameIndex, 0);
}

TEST(IconAnimationTest, NoJitterRangeNeverMoves) {
  IconAnimation a;
  a.HomeLeft = 8;
  a.HomeTop = 9;
  a.JumpXY = 0;
  Script s;
  for (uint32_t i = 0; i < 40; i++) s.numbers.push_back(i * 7919u);
  for (int i = 0; i < 20; i++) {
    IconAnimation::Step t = a.Tick(s.Source());
    if (t.moved) {
      EXPECT_EQ(t.left, 8);
      EXPECT_EQ(t.top, 9);
    }
  }
}

TEST(IconAnimationTest, StretchStaysInRangeExceptAfterMouse) {
  IconAnimation a;
  a.StretchMax = 5;
  a.JumpXY = 2;
  Script s;
  // every stretch tick grows (r = 9); jitter ticks take 0
  auto run = [&](int ticks, uint32_t r) {
    for (int i = 0; i < ticks; i++) {
      if (a.FrameIndex == 0) s.numbers.insert(s.numbers.end(), {0, 0});
      else s.numbers.push_back(r);
      IconAnimation::Step t = a.Tick(s.Source());
      EXPECT_EQ(t.size, 64 + a.StretchValue);
    }
  };
  run(30, 9);
  EXPECT_EQ(a.StretchValue, 5);
  run(30, 0);
  EXPECT_EQ(a.StretchValue, -5);
  // r = 5 changes nothing
  run(10, 5);
  EXPECT_EQ(a.StretchValue, -5);
  run(2, 6);
  EXPECT_EQ(a.StretchValue, -4);

  // the mouse over the icon grows it to 10, a press shrinks it to -10; the
  // stretch steps then bring it back one pixel at a time
  a.MouseMoveOnIcon();
  EXPECT_EQ(a.StretchValue, 10);
  run(2, 9);  // cannot grow beyond the limit
  EXPECT_EQ(a.StretchValue, 10);
  run(2, 0);
  EXPECT_EQ(a.StretchValue, 9);
  a.MouseDownOnIcon();
  EXPECT_EQ(a.StretchValue, -10);
  a.MouseMoveOnIcon();  // pressed: moving over the icon does not grow it
  EXPECT_EQ(a.StretchValue, -10);
  run(2, 0);
  EXPECT_EQ(a.StretchValue, -10);
  run(2, 9);
  EXPECT_EQ(a.StretchValue, -9);
  a.MouseMoveOnPanel();
  a.MouseMoveOnIcon();
  EXPECT_EQ(a.StretchValue, 10);
}
