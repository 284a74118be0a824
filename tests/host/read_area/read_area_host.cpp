// Read memory lined up with file offsets: the start of each place has the
// offset's position within a line, the whole room can be written, and the
// memory stays the same while the size fits (a scan places every window).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "text/ReadArea.h"

namespace {

TEST(ReadArea, EachPlaceLinesUpWithItsOffsetAndHoldsItsRoom) {
  readarea::ReadArea area;
  const int64_t offsets[] = {0, 1, 2, 31, 63, 64, 65, (int64_t{5} << 32) + 17, 1048577};
  uint8_t* const lined = area.Place(0, 4096);
  ASSERT_NE(lined, nullptr);
  for (int64_t pos : offsets) {
    uint8_t* at = area.Place(pos, 4096);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(at) % readarea::kLine, static_cast<uint64_t>(pos) % readarea::kLine) << pos;
    std::memset(at, 0xA5, 4096);  // the sanitizer sees any byte outside the room
    EXPECT_EQ(area.data(), at);
    EXPECT_EQ(area.size(), 4096u);
    EXPECT_TRUE(at >= lined && at < lined + readarea::kLine) << "the same memory, moved by less than a line";
  }
}

TEST(ReadArea, GrowsWhenAskedForMoreAndFailsWithoutThrowing) {
  readarea::ReadArea area;
  ASSERT_NE(area.Place(3, 16), nullptr);
  uint8_t* big = area.Place(3, 1 << 20);
  ASSERT_NE(big, nullptr);
  std::memset(big, 1, 1 << 20);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(big) % readarea::kLine, 3u);
  EXPECT_EQ(area.Place(0, SIZE_MAX - 10), nullptr);
  EXPECT_EQ(area.data(), nullptr);
  EXPECT_EQ(area.size(), 0u);
}

}  // namespace
