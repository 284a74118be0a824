#include "text/JisRange.h"

#include <algorithm>
#include <vector>

namespace jisrange {

int ControlLengthAt(const unsigned char* p, size_t avail) {
  if (avail == 0) return 0;
  if (p[0] == 0x0E || p[0] == 0x0F) return 1;
  if (p[0] != 0x1B || avail < 3) return 0;
  const unsigned char a = p[1], b = p[2];
  if (a == '(' && (b == 'B' || b == 'J' || b == 'I')) return 3;
  if (a == '$' && (b == '@' || b == 'B')) return 3;
  if (a == '&' && b == '@') return 3;
  if (a == '$' && b == '(' && avail >= 4 && p[3] == 'D') return 4;
  return 0;
}

int64_t FileLengthForText(const textio::ReadAt& read, int64_t start, int64_t textBytes) {
  if (textBytes <= 0) return 0;
  constexpr size_t kBlock = 65536, kOverlap = 4;
  std::vector<unsigned char> buf(kBlock + kOverlap);
  int64_t pos = start;
  int64_t left = textBytes;
  for (;;) {
    const int64_t got = read(pos, buf.data(), buf.size());
    if (got < 0) return -1;
    if (got == 0) return pos - start;  // the end of the file
    const size_t avail = static_cast<size_t>(got);
    // Sequences that begin in the overlap are taken with the next block,
    // unless the file ends there.
    const size_t limit = avail > kBlock ? kBlock : avail;
    size_t i = 0;
    while (i < limit) {
      const int control = ControlLengthAt(&buf[i], avail - i);
      if (control > 0) {
        i += static_cast<size_t>(control);
        continue;
      }
      ++i;
      if (--left == 0) return pos + static_cast<int64_t>(i) - start;
    }
    pos += static_cast<int64_t>(i);
    if (avail <= kBlock && i >= avail) return pos - start;
  }
}

int64_t TextBytesIn(const textio::ReadAt& read, int64_t start, int64_t fileBytes) {
  constexpr size_t kBlock = 65536, kOverlap = 4;
  std::vector<unsigned char> buf(kBlock + kOverlap);
  int64_t pos = start, text = 0;
  const int64_t end = start + (fileBytes > 0 ? fileBytes : 0);
  while (pos < end) {
    const int64_t want = std::min<int64_t>(static_cast<int64_t>(buf.size()), end - pos);
    const int64_t got = read(pos, buf.data(), static_cast<size_t>(want));
    if (got < 0) return -1;
    if (got == 0) break;
    const size_t avail = static_cast<size_t>(got);
    const size_t limit = avail > kBlock ? kBlock : avail;
    size_t i = 0;
    while (i < limit) {
      const int control = ControlLengthAt(&buf[i], avail - i);
      if (control > 0) {
        i += static_cast<size_t>(control);
      } else {
        ++i;
        ++text;
      }
    }
    pos += static_cast<int64_t>(i);
  }
  return text;
}

}  // namespace jisrange
