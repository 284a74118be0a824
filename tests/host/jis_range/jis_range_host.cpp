// The JIS range extent against glibc's ISO-2022-JP encoder: for random texts
// of ASCII, kana and kanji lines, cut at random characters, the file bytes
// that hold a prefix's text are exactly the encoder's bytes of that prefix
// (without the closing escape it adds at the end), across read blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "host/conv/host_platform.h"
#include "text/JisRange.h"

namespace {

textio::ReadAt Over(const std::string& data) {
  return [&data](int64_t offset, void* buf, size_t len) -> int64_t {
    if (offset >= static_cast<int64_t>(data.size())) return 0;
    const size_t n = std::min(len, data.size() - static_cast<size_t>(offset));
    std::memcpy(buf, data.data() + offset, n);
    return static_cast<int64_t>(n);
  };
}

// UTF-8 of one character: ASCII, a kana or a kanji.
std::string RandomChar(std::mt19937& rng) {
  static const char* kKanji[] = {"漢", "字", "日", "本", "語", "文", "章", "春", "川", "道"};
  const unsigned kind = rng() % 10;
  if (kind < 4) return std::string(1, static_cast<char>('a' + rng() % 26));
  if (kind < 7) {
    const unsigned cp = 0x3041 + rng() % 0x50;  // hiragana
    std::string s;
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
    return s;
  }
  return kKanji[rng() % 10];
}

}  // namespace

TEST(JisRangeHost, ExtentOfEveryPrefixMatchesTheEncoder) {
  std::mt19937 rng(20261210);
  std::vector<std::string> chars;
  size_t size = 0;
  while (size < 150000) {
    const std::string c = rng() % 40 == 0 ? std::string("\r\n") : RandomChar(rng);
    chars.push_back(c);
    size += c.size();
  }
  std::string utf8;
  for (const std::string& c : chars) utf8 += c;
  std::string jis, sjis;
  ASSERT_TRUE(hosttest::Iconv("UTF-8", "ISO-2022-JP", utf8, &jis));
  const auto read = Over(jis);
  for (int trial = 0; trial < 25; ++trial) {
    const size_t k = trial == 0 ? chars.size() : rng() % chars.size();
    std::string prefix;
    for (size_t i = 0; i < k; ++i) prefix += chars[i];
    std::string prefixJis, prefixSjis;
    ASSERT_TRUE(hosttest::Iconv("UTF-8", "ISO-2022-JP", prefix, &prefixJis));
    ASSERT_TRUE(hosttest::Iconv("UTF-8", "CP932", prefix, &prefixSjis));
    size_t extent = prefixJis.size();
    if (extent >= 3 && prefixJis.compare(extent - 3, 3, "\x1B(B") == 0) extent -= 3;
    ASSERT_EQ(jis.compare(0, extent, prefixJis, 0, extent), 0);
    SCOPED_TRACE(k);
    EXPECT_EQ(jisrange::FileLengthForText(read, 0, static_cast<int64_t>(prefixSjis.size())),
              static_cast<int64_t>(extent));
    EXPECT_EQ(jisrange::TextBytesIn(read, 0, static_cast<int64_t>(extent)),
              static_cast<int64_t>(prefixSjis.size()));
  }
}
