// `JisShiftAt`; see text/conv_jisshift.h.
#include "text/conv_jisshift.h"

namespace conv {
namespace {

constexpr unsigned char kEsc = 0x1B, kSO = 0x0E, kSI = 0x0F;

enum class SeqKind { None, RunEnd, DoubleStart, KanaStart, Announcer };

// The escape or shift sequence at b (4 bytes, zero-filled past the file's end).
SeqKind SequenceAt(const unsigned char* b, int* len) {
  *len = 0;
  if (b[0] == kSO) {
    *len = 1;
    return SeqKind::KanaStart;
  }
  if (b[0] == kSI) {
    *len = 1;
    return SeqKind::RunEnd;
  }
  if (b[0] != kEsc) return SeqKind::None;
  if (b[1] == '$' && (b[2] == '@' || b[2] == 'B')) {
    *len = 3;
    return SeqKind::DoubleStart;
  }
  if (b[1] == '$' && b[2] == '(' && b[3] == 'D') {
    *len = 4;
    return SeqKind::DoubleStart;
  }
  if (b[1] == '(' && (b[2] == 'B' || b[2] == 'J')) {
    *len = 3;
    return SeqKind::RunEnd;
  }
  if (b[1] == '(' && b[2] == 'I') {
    *len = 3;
    return SeqKind::KanaStart;
  }
  if (b[1] == '&' && b[2] == '@') {
    *len = 3;
    return SeqKind::Announcer;
  }
  return SeqKind::None;
}

bool Read4(JisByteSource& file, int64_t pos, unsigned char b[4]) {
  b[0] = b[1] = b[2] = b[3] = 0;
  return file.ReadAt(pos, b, 4) >= 0;
}

}  // namespace

JisRunKind JisShiftAt(JisByteSource& file, int64_t offset, std::string* pageBuffer, int64_t* count,
                      int64_t rangeLength) {
  int64_t dummy = 0;
  if (!count) count = &dummy;
  JisRunKind found = JisRunKind::None;

  // 1. Backward search.
  int64_t pos = offset;
  for (int step = 0; step <= 1024; ++step) {
    if (pos < 0) break;  // the move before the file's start failed
    unsigned char b[4];
    if (!Read4(file, pos, b)) break;
    if (b[0] == '\r' && b[1] == '\n') break;
    int len = 0;
    SeqKind k = SequenceAt(b, &len);
    if (k == SeqKind::DoubleStart || k == SeqKind::KanaStart) {
      if (step == 0) break;  // the range itself holds the designation
      found = (k == SeqKind::DoubleStart) ? JisRunKind::DoubleByte : JisRunKind::Kana;
      if (pageBuffer) {
        std::string head(reinterpret_cast<const char*>(b), static_cast<size_t>(len));
        size_t keep = *count < 0 ? 0 : static_cast<size_t>(*count);
        if (keep > pageBuffer->size()) keep = pageBuffer->size();
        *pageBuffer = head + pageBuffer->substr(0, keep);
      }
      break;
    }
    // A range that begins with SI begins with the end of a kana run: look on for its
    // SO, so that the SI is read as a shift and not as a byte.
    if (k == SeqKind::RunEnd && !(step == 0 && b[0] == kSI)) break;
    --pos;
    file.Pump();
  }
  // 3. (done first: the order of the additions does not matter) 3 for the run start.
  *count += 3;

  // 2. Forward count.
  int32_t n = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(rangeLength) & 0xFFFFFFFFu));
  pos = offset + 1;
  while (n >= 3) {
    unsigned char b[4];
    if (!Read4(file, pos, b)) break;
    int len = 0;
    if (SequenceAt(b, &len) != SeqKind::None) *count += len;
    --n;
    ++pos;
    file.Pump();
  }
  return found;
}

}  // namespace conv
