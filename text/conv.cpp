// Character-code conversions; see text/conv.h for the common rules.
#include "text/conv.h"

#include <cstring>
#include <new>

#include "text/JisDecode.h"

namespace conv {
namespace {

constexpr unsigned char kEsc = 0x1B, kSO = 0x0E, kSI = 0x0F;
constexpr char16_t kReplacementChar = 0xFFFD;

// Output of one pass: the counting pass only counts, the fill pass writes into a
// buffer of the counted size. Both passes run the same code, so the sizes agree.
template <class Unit>
struct Sink {
  Unit* p = nullptr;
  size_t n = 0;
  bool filling = false;  // false in the counting pass: count only, change no state
  bool fill() const { return filling; }
  void put(unsigned u) {
    if (filling) p[n] = static_cast<Unit>(u);
    ++n;
  }
  void put2(const unsigned char b[2]) {
    put(b[0]);
    put(b[1]);
  }
};

// Runs pass(sink) twice: once to count, once to fill a result of exactly that size.
template <class Str, class Pass>
bool TwoPass(Str* out, Pass pass) {
  using Unit = typename Str::value_type;
  try {
    Sink<Unit> counter;
    pass(counter);
    Str result(counter.n, Unit(0));
    Sink<Unit> writer;
    writer.p = &result[0];
    writer.filling = true;
    pass(writer);
    out->swap(result);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

char16_t ReadUnit(const char16_t* text, size_t i, ByteOrder order) {
  char16_t u = text[i];
  return order == ByteOrder::Big ? Swap16(u) : u;
}

bool MappedBytesOk(int n, const unsigned char b[2]) {
  if (n == 1) return b[0] != 0;
  if (n == 2) return b[0] != 0 && b[1] != 0;
  return false;
}

// Reports a Shift_JIS character (count bytes at s) that could not be converted:
// listed as its UTF-16 form when the platform knows it, else as U+FFFD.
void ReportSjisBytes(Context& ctx, const unsigned char* s, int count) {
  char16_t w[2] = {0, 0};
  int k = ctx.platform ? ctx.platform->SjisCharToWide(s, count, w) : 0;
  if (k < 1 || k > 2 || w[0] == 0 || (k == 2 && w[1] == 0)) {
    w[0] = kReplacementChar;
    k = 1;
  }
  ReportUnconvertible(ctx, w, k);
}

void ReportOther(Context& ctx) {
  char16_t w = kReplacementChar;
  ReportUnconvertible(ctx, &w, 1);
}

// The substitute in EUC-JP or JIS terms: a double-byte substitute that the pair
// arithmetic accepts keeps its JIS row/cell (*isPair); two printable ASCII bytes stay
// themselves; anything else becomes "??".
void JisSubstitute(const Context& ctx, bool* isPair, unsigned char out[2]) {
  unsigned char s[2];
  SjisSubstitute(ctx, s);
  if (SjisToJisPair(s[0], s[1], &out[0], &out[1])) {
    *isPair = true;
    return;
  }
  *isPair = false;
  if (s[0] >= 0x20 && s[0] <= 0x7E && s[1] >= 0x20 && s[1] <= 0x7E) {
    out[0] = s[0];
    out[1] = s[1];
  } else {
    out[0] = out[1] = '?';
  }
}

bool InEucDoubleRange(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

}  // namespace

size_t WideLength(const char16_t* text) {
  size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}

void SjisSubstitute(const Context& ctx, unsigned char out[2]) {
  const auto* s = reinterpret_cast<const unsigned char*>(ctx.SubstituteChar.c_str());
  if (s[0] == 0) {
    out[0] = out[1] = '?';
  } else if (IsSjisLead(s[0])) {
    if (IsSjisTrail(s[1])) {
      out[0] = s[0];
      out[1] = s[1];
    } else {
      out[0] = out[1] = '?';
    }
  } else {
    out[0] = out[1] = s[0];
  }
}

namespace {
uint32_t CharKey(const char16_t* units, size_t count) {
  return count == 2 ? 0x10000u + ((units[0] & 0x3FFu) << 10) + (units[1] & 0x3FFu) + 0x01000000u : units[0];
}

// Whether the character is in the list already ("[c]" entries, as appended here).
bool Listed(Context& ctx, const char16_t* units, int count) {
  if (!ctx.listedChecked) {
    ctx.listedChecked = true;
    const std::u16string& list = ctx.UnconvertibleList;
    if (list != ctx.listedSnapshot) {  // changed since the last conversion: read it
      ctx.listedChars.clear();
      for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] != u'[') continue;
        size_t end = list.find(u']', i + 1);
        if (end == std::u16string::npos) break;
        size_t len = end - i - 1;
        if (len == 1 || len == 2) ctx.listedChars.insert(CharKey(list.data() + i + 1, len));
        i = end;
      }
      ctx.listedSnapshot = list;
    }
  }
  return ctx.listedChars.count(CharKey(units, static_cast<size_t>(count))) != 0;
}
}  // namespace

void ReportUnconvertible(Context& ctx, const char16_t* units, int count) {
  if (!(ctx.MergeUnconvertible && Listed(ctx, units, count))) {
    ctx.UnconvertibleList += u'[';
    ctx.UnconvertibleList.append(units, static_cast<size_t>(count));
    ctx.UnconvertibleList += u']';
    if (ctx.MergeUnconvertible) {
      ctx.listedChars.insert(CharKey(units, static_cast<size_t>(count)));
      ctx.listedSnapshot.append(ctx.UnconvertibleList, ctx.UnconvertibleList.size() - count - 2, count + 2);
    }
  }
  ++ctx.UnconvertibleCount;
}

bool WideToSjis(Context& ctx, const char16_t* text, ByteOrder order, std::string* out) {
  ctx.listedChecked = false;  // the list may have changed since the last conversion
  if (!text || !ctx.platform) return false;
  size_t start = (text[0] == 0xFFFE || text[0] == 0xFEFF) ? 1 : 0;
  unsigned char sub[2];
  SjisSubstitute(ctx, sub);
  Platform* pf = ctx.platform;
  return TwoPass(out, [&](Sink<char>& sink) {
    size_t i = start;
    for (char16_t u; (u = ReadUnit(text, i, order)) != 0;) {
      char16_t units[2] = {u, 0};
      int count = 1;
      if (IsHighSurrogate(u)) {
        char16_t v = ReadUnit(text, i + 1, order);  // text[i] != 0, so i + 1 is in bounds
        if (IsLowSurrogate(v)) {
          units[1] = v;
          count = 2;
        }
      }
      unsigned char b[2] = {0, 0};
      int n = pf->WideCharToSjis(units, count, b);
      if (MappedBytesOk(n, b)) {
        for (int k = 0; k < n; ++k) sink.put(b[k]);
      } else {
        for (int k = 0; k < count; ++k) sink.put2(sub);
        if (sink.fill()) {
          // Listed once, counted as the substitutes written (two for a pair).
          ReportUnconvertible(ctx, units, count);
          ctx.UnconvertibleCount += static_cast<uint32_t>(count - 1);
        }
      }
      i += static_cast<size_t>(count);
    }
  });
}

bool SjisToWide(Context& ctx, const char* text, ByteOrder order, std::u16string* out) {
  ctx.listedChecked = false;  // the list may have changed since the last conversion
  if (!text || !ctx.platform) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  Platform* pf = ctx.platform;
  char16_t sub = u'?';
  {
    const auto* c = reinterpret_cast<const unsigned char*>(ctx.SubstituteChar.c_str());
    char16_t w[2];
    if (c[0] && pf->SjisCharToWide(c, SjisCharLength(c), w) == 1 && w[0] != 0) sub = w[0];
  }
  auto put = [order](Sink<char16_t>& sink, char16_t u) { sink.put(order == ByteOrder::Big ? Swap16(u) : u); };
  return TwoPass(out, [&](Sink<char16_t>& sink) {
    size_t i = 0;
    while (s[i]) {
      int len = SjisCharLength(s + i);
      char16_t w[2] = {0, 0};
      int k = pf->SjisCharToWide(s + i, len, w);
      if ((k == 1 && w[0] != 0) || (k == 2 && w[0] != 0 && w[1] != 0)) {
        for (int j = 0; j < k; ++j) put(sink, w[j]);
      } else {
        put(sink, sub);
        if (sink.fill()) ReportOther(ctx);
      }
      i += static_cast<size_t>(len);
    }
  });
}

bool WideToUtf8(const char16_t* text, ByteOrder order, std::string* out) {
  if (!text) return false;
  return TwoPass(out, [&](Sink<char>& sink) {
    size_t i = 0;
    for (char16_t u; (u = ReadUnit(text, i, order)) != 0;) {
      char16_t pair[2] = {u, 0};
      if (IsHighSurrogate(u)) pair[1] = ReadUnit(text, i + 1, order);
      unsigned char b[4];
      int len = 0;
      i += static_cast<size_t>(EncodeUtf8Char(pair, b, &len));
      for (int k = 0; k < len; ++k) sink.put(b[k]);
    }
  });
}

bool Utf8ToWide(const char* text, ByteOrder order, std::u16string* out) {
  if (!text) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  return TwoPass(out, [&](Sink<char16_t>& sink) {
    size_t i = 0;
    while (s[i]) {
      char16_t w[2];
      int units = 0;
      i += static_cast<size_t>(DecodeUtf8Char(s + i, w, &units));
      for (int k = 0; k < units; ++k) sink.put(order == ByteOrder::Big ? Swap16(w[k]) : w[k]);
    }
  });
}

bool Utf8ToSjis(Context& ctx, const char* text, std::string* out) {
  if (!text) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  if (s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) text += 3;
  std::u16string wide;
  if (!Utf8ToWide(text, ByteOrder::Little, &wide)) return false;
  return WideToSjis(ctx, wide.c_str(), ByteOrder::Little, out);
}

bool SjisToUtf8(Context& ctx, const char* text, std::string* out) {
  std::u16string wide;
  if (!SjisToWide(ctx, text, ByteOrder::Little, &wide)) return false;
  return WideToUtf8(wide.c_str(), ByteOrder::Little, out);
}

bool SjisToEuc(Context& ctx, const char* text, std::string* out) {
  ctx.listedChecked = false;  // the list may have changed since the last conversion
  if (!text) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  bool subPair = false;
  unsigned char sub[2];
  JisSubstitute(ctx, &subPair, sub);
  if (subPair) {
    sub[0] |= 0x80;
    sub[1] |= 0x80;
  }
  return TwoPass(out, [&](Sink<char>& sink) {
    size_t i = 0;
    for (unsigned char b; (b = s[i]) != 0;) {
      if (IsSjisLead(b)) {
        int len = SjisCharLength(s + i);
        unsigned char j1, j2;
        if (len == 2 && SjisToJisPair(b, s[i + 1], &j1, &j2)) {
          sink.put(j1 | 0x80u);
          sink.put(j2 | 0x80u);
        } else {
          sink.put2(sub);
          if (sink.fill()) ReportSjisBytes(ctx, s + i, len);
        }
        i += static_cast<size_t>(len);
      } else if (IsHalfKana(b)) {
        sink.put(0x8E);
        sink.put(b);
        ++i;
      } else {
        sink.put(b);
        ++i;
      }
    }
  });
}

bool EucToSjis(Context& ctx, const char* text, std::string* out) {
  ctx.listedChecked = false;  // the list may have changed since the last conversion
  if (!text) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  unsigned char sub[2];
  SjisSubstitute(ctx, sub);
  return TwoPass(out, [&](Sink<char>& sink) {
    size_t i = 0;
    auto reject = [&](size_t taken) {
      sink.put2(sub);
      if (sink.fill()) ReportOther(ctx);
      i += taken;
    };
    for (unsigned char b; (b = s[i]) != 0;) {
      if (b == 0x8E) {
        if (IsHalfKana(s[i + 1])) {
          sink.put(s[i + 1]);
          i += 2;
        } else {
          reject(1);
        }
      } else if (b == 0x8F) {
        // JIS X 0212 (three bytes): code page 932 has no such rows.
        if (InEucDoubleRange(s[i + 1]) && InEucDoubleRange(s[i + 2])) reject(3);
        else reject(1);
      } else if (InEucDoubleRange(b)) {
        unsigned char t = s[i + 1];
        unsigned char s1, s2;
        if (InEucDoubleRange(t) && JisToSjisPair(b ^ 0x80u, t ^ 0x80u, &s1, &s2)) {
          sink.put(s1);
          sink.put(s2);
          i += 2;
        } else {
          reject(1);
        }
      } else {
        sink.put(b);
        ++i;
      }
    }
  });
}

// Length of the JIS escape or shift sequence at s that JisToSjis knows, with the
// mode it selects (0 single-byte, 1 double-byte, 2 kana by ESC ( I, 3 kana by SO);
// 0 when none starts at s. ESC & @ is reported alone (3 bytes, no mode change): the
// ESC $ B after it does the rest.
int JisSequenceAt(const unsigned char* s, int* mode) {
  if (s[0] == kSO) {
    *mode = 3;
    return 1;
  }
  if (s[0] != kEsc) return 0;
  if (s[1] == '$') {
    if (s[2] == '@' || s[2] == 'B') {
      *mode = 1;
      return 3;
    }
    if (s[2] == '(' && s[3] == 'D') {
      *mode = 1;
      return 4;
    }
  } else if (s[1] == '(') {
    if (s[2] == 'B' || s[2] == 'J') {
      *mode = 0;
      return 3;
    }
    if (s[2] == 'I') {
      *mode = 2;
      return 3;
    }
  }
  return 0;
}

bool JisToSjis(Context& ctx, const char* text, std::string* out) {
  ctx.listedChecked = false;  // the list may have changed since the last conversion
  if (!text) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const size_t size = std::strlen(text);
  unsigned char sub[2];
  SjisSubstitute(ctx, sub);
  // The reading is text/JisDecode.h's; the input's NUL ends it.
  return TwoPass(out, [&](Sink<char>& sink) {
    jisdecode::Reader r(s, size, jisdecode::State());
    jisdecode::Step step;
    int mode = 0;
    while (r.Next(&step)) {
      const int now = r.state().mode;
      if (now != mode) {
        // Kana by ESC ( I, or by SO (its start and its end).
        if (sink.fill()) {
          if (now == 2) ctx.KanaByShiftOut = false;
          else if (now == 3 || mode == 3) ctx.KanaByShiftOut = true;
        }
        mode = now;
      }
      if (step.control) continue;
      if (step.broken) {
        // The partner is missing (the terminator, a line end, an escape): the byte
        // becomes the substitute and the next byte is read on its own.
        sink.put2(sub);
        if (sink.fill()) ReportOther(ctx);
        continue;
      }
      sink.put(step.sjis[0]);
      if (step.sjisLength == 2) sink.put(step.sjis[1]);
    }
  });
}

bool SjisToJis(Context& ctx, const char* text, std::string* out) {
  ctx.listedChecked = false;  // the list may have changed since the last conversion
  if (!text) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  bool subPair = false;
  unsigned char sub[2];
  JisSubstitute(ctx, &subPair, sub);
  const bool shiftOut = ctx.KanaByShiftOut;
  return TwoPass(out, [&](Sink<char>& sink) {
    int m = 0;  // 0 single-byte, 1 double-byte, 2 kana
    auto endDouble = [&] {
      if (m == 1) {
        sink.put(kEsc);
        sink.put('(');
        sink.put('B');
        m = 0;
      }
    };
    auto endKana = [&] {
      if (m == 2) {
        if (shiftOut) {
          sink.put(kSI);
        } else {
          sink.put(kEsc);
          sink.put('(');
          sink.put('B');
        }
        m = 0;
      }
    };
    auto pair = [&](unsigned char j1, unsigned char j2) {
      endKana();
      if (m == 0) {
        sink.put(kEsc);
        sink.put('$');
        sink.put('B');
        m = 1;
      }
      sink.put(j1);
      sink.put(j2);
    };
    auto single = [&](unsigned char b) {
      endDouble();
      endKana();
      sink.put(b);
    };
    size_t i = 0;
    for (unsigned char b; (b = s[i]) != 0;) {
      if (IsSjisLead(b)) {
        int len = SjisCharLength(s + i);
        unsigned char j1, j2;
        if (len == 2 && SjisToJisPair(b, s[i + 1], &j1, &j2)) {
          pair(j1, j2);
        } else {
          if (subPair) {
            pair(sub[0], sub[1]);
          } else {
            single(sub[0]);
            single(sub[1]);
          }
          if (sink.fill()) ReportSjisBytes(ctx, s + i, len);
        }
        i += static_cast<size_t>(len);
      } else if (IsHalfKana(b)) {
        endDouble();
        if (m != 2) {
          if (shiftOut) {
            sink.put(kSO);
          } else {
            sink.put(kEsc);
            sink.put('(');
            sink.put('I');
          }
          m = 2;
        }
        sink.put(b & 0x7Fu);
        ++i;
      } else {
        single(b);
        ++i;
      }
    }
    endDouble();
    endKana();
  });
}

void SwapUtf16Bytes(void* buf, size_t byteLength, bool force, size_t start, ByteOrder order) {
  if (!buf || !(force || order == ByteOrder::Big)) return;
  auto* p = static_cast<unsigned char*>(buf);
  for (size_t i = start; i + 1 < byteLength; i += 2) {
    unsigned char t = p[i];
    p[i] = p[i + 1];
    p[i + 1] = t;
  }
}

}  // namespace conv
