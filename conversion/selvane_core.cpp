// Selvane's conversion routines; see selvane_core.h.
#include "conversion/selvane_core.h"

#include <cstring>
#include <vector>

namespace selvane {
namespace {

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Length of the character at s (s[0] not NUL): 2 for a lead byte with a byte after
// it, 1 otherwise (a lead byte before the terminator is copied alone).
size_t CharLen(const unsigned char* s) { return (IsLead(s[0]) && s[1] != 0) ? 2 : 1; }

const unsigned char* U(const char* s) { return reinterpret_cast<const unsigned char*>(s ? s : ""); }

// Collects runs of member characters and maps each run whole; other characters are
// copied. member(s, len) decides for the character of len bytes at s.
template <class Member, class MapRun>
std::string MapRuns(const char* text, Member member, MapRun mapRun) {
  const unsigned char* s = U(text);
  std::string out, run;
  for (size_t i = 0; s[i];) {
    size_t len = CharLen(s + i);
    if (member(s + i, len)) {
      run.append(reinterpret_cast<const char*>(s + i), len);
    } else {
      if (!run.empty()) {
        out += mapRun(run);
        run.clear();
      }
      out.append(reinterpret_cast<const char*>(s + i), len);
    }
    i += len;
  }
  if (!run.empty()) out += mapRun(run);
  return out;
}

bool IsAsciiLetter(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

bool IsFullWidthLetter(unsigned char b1, unsigned char b2) {
  return b1 == 0x82 && ((b2 >= 0x60 && b2 <= 0x79) || (b2 >= 0x81 && b2 <= 0x9A));
}

bool InExtra(const char* extra, unsigned char b) {
  return b != 0 && extra[0] != 0 && std::strchr(extra, static_cast<char>(b)) != nullptr;
}

}  // namespace

uint32_t MapKindFlags(int kind) {
  switch (kind) {
    case 0: return kLcmapFullWidth;
    case 1: return kLcmapHalfWidth;
    case 2: return kLcmapHiragana;
    case 3: return kLcmapKatakana;
    case 4: return kLcmapKatakana | kLcmapHalfWidth;
    default: return 0;
  }
}

std::string MapStringKind(const Mapper& m, const std::string& text, int kind) {
  if (text.empty() || !m.map) return text;
  const uint32_t flags = MapKindFlags(kind);
  const int len = static_cast<int>(text.size());
  int n = m.map(m.user, flags, text.data(), len, nullptr, 0);
  if (n <= 0) return text;  // the sizing call failed: the text stays whole
  std::vector<char> buf(static_cast<size_t>(n) + 2, '\0');
  int r = m.map(m.user, flags, text.data(), len, buf.data(), n);
  if (r <= 0 || r > n) return text;  // the mapping failed: the text stays whole
  // The result is a NUL-terminated text: it ends at the first NUL, if any.
  size_t k = 0;
  while (k < static_cast<size_t>(r) && buf[k]) ++k;
  return std::string(buf.data(), k);
}

std::string ConvertAlphaNumWidth(const char* text, int flag, bool digits) {
  const unsigned char* s = U(text);
  std::string out;
  for (size_t i = 0; s[i];) {
    size_t len = CharLen(s + i);
    unsigned char c = s[i];
    if (flag == 0) {
      if (len == 1 && digits && c >= '0' && c <= '9') {
        out += '\x82';
        out += static_cast<char>(c + 0x1F);
      } else if (len == 1 && !digits && c >= 'A' && c <= 'Z') {
        out += '\x82';
        out += static_cast<char>(c + 0x1F);
      } else if (len == 1 && !digits && c >= 'a' && c <= 'z') {
        out += '\x82';
        out += static_cast<char>(c + 0x20);
      } else {
        out.append(reinterpret_cast<const char*>(s + i), len);
      }
    } else {
      unsigned char t = len == 2 ? s[i + 1] : 0;
      if (len == 2 && c == 0x82 && digits && t >= 0x4F && t <= 0x58) {
        out += static_cast<char>(t - 0x1F);
      } else if (len == 2 && c == 0x82 && !digits && t >= 0x60 && t <= 0x79) {
        out += static_cast<char>(t - 0x1F);
      } else if (len == 2 && c == 0x82 && !digits && t >= 0x81 && t <= 0x9A) {
        out += static_cast<char>(t - 0x20);
      } else {
        out.append(reinterpret_cast<const char*>(s + i), len);
      }
    }
    i += len;
  }
  return out;
}

std::string ConvertKatakanaWidth(const Mapper& m, const char* text, int flag) {
  auto member = [flag](const unsigned char* c, size_t len) {
    if (flag == 0) return len == 1 && c[0] >= 0xA6 && c[0] <= 0xDF;
    return len == 2 && c[0] == 0x83 && c[1] >= 0x40 && c[1] <= 0x96;
  };
  return MapRuns(text, member, [&](const std::string& run) { return MapStringKind(m, run, flag == 0 ? 0 : 1); });
}

std::string ConvertHiraHalfKata(const Mapper& m, const char* text, int flag) {
  if (flag == 1) {
    auto member = [](const unsigned char* c, size_t len) {
      return len == 2 && c[0] == 0x82 && c[1] >= 0x9F && c[1] <= 0xF1;
    };
    return MapRuns(text, member, [&](const std::string& run) { return MapStringKind(m, run, 4); });
  }
  auto member = [](const unsigned char* c, size_t len) { return len == 1 && c[0] >= 0xA6 && c[0] <= 0xDF; };
  return MapRuns(text, member,
                 [&](const std::string& run) { return MapStringKind(m, MapStringKind(m, run, 0), 2); });
}

std::string ConvertSymbolWidth(const Mapper& m, const char* text, int flag) {
  if (flag == 1) {
    if (std::strlen(reinterpret_cast<const char*>(U(text))) < 2) return std::string(reinterpret_cast<const char*>(U(text)));
    auto member = [](const unsigned char* c, size_t len) {
      return len == 2 && ((c[0] == 0x81 && c[1] >= 0x40 && c[1] <= 0x97) || (c[0] == 0xFA && c[1] == 0x56));
    };
    return MapRuns(text, member, [&](const std::string& run) { return MapStringKind(m, run, 1); });
  }
  auto member = [](const unsigned char* c, size_t len) {
    if (len != 1) return false;
    unsigned char b = c[0];
    return (b >= 0x20 && b <= 0x2F) || (b >= 0x3A && b <= 0x40) || (b >= 0x5B && b <= 0x60) ||
           (b >= 0x7B && b <= 0x7E) || (b >= 0xA1 && b <= 0xA5) || b == 0xB0;
  };
  return MapRuns(text, member, [&](const std::string& run) { return MapStringKind(m, run, 0); });
}

std::string CapitalizeWordTops(const char* text, const char* extra) {
  const unsigned char* s = U(text);
  if (!extra) extra = "";
  const size_t n = std::strlen(reinterpret_cast<const char*>(s));
  std::string out(reinterpret_cast<const char*>(s), n);
  // Classes: 0 single, 1 lead, 2 trail.
  std::vector<unsigned char> cls(n, 0);
  for (size_t i = 0; i < n;) {
    if (CharLen(s + i) == 2) {
      cls[i] = 1;
      cls[i + 1] = 2;
      i += 2;
    } else {
      ++i;
    }
  }
  for (size_t i = 1; i < n; ++i) {
    const unsigned char b = s[i];
    if (cls[i] == 0 && IsAsciiLetter(b)) {
      const unsigned char p = s[i - 1];
      bool lower = (cls[i - 1] == 0 && IsAsciiLetter(p)) || InExtra(extra, p);
      if (lower && b >= 'A' && b <= 'Z') out[i] = static_cast<char>(b + 0x20);
      continue;
    }
    if (cls[i] == 1 && i + 1 < n && cls[i + 1] == 2 && IsFullWidthLetter(b, s[i + 1])) {
      // P: the character before the letter, by byte class.
      size_t pStart = (cls[i - 1] == 2) ? i - 2 : i - 1;
      size_t pLen = i - pStart;
      const unsigned char* p = s + pStart;
      bool top = (pLen == 1 && p[0] == 0x20) || (pLen == 2 && p[0] == 0x81 && p[1] == 0x40);
      if (!top) {
        bool lower = (pLen == 2 && IsFullWidthLetter(p[0], p[1])) || InExtra(extra, p[0]) ||
                     (pLen == 2 && InExtra(extra, p[1]));
        unsigned char t = s[i + 1];
        if (lower && t >= 0x60 && t <= 0x79) out[i + 1] = static_cast<char>(t + 0x21);
      }
      ++i;  // the trail byte goes with the lead byte
    }
  }
  return out;
}

bool StringConversion(const Mapper& m, const char* text, const char* mode, int type, bool toHalf,
                      const char* extra, std::string* out) {
  if (!text) text = "";
  if (!mode) mode = "";
  if (!extra) extra = "";
  const int flag = toHalf ? 1 : 0;
  if (mode[0] && std::strcmp(mode, "TopBigABC") == 0) {
    *out = CapitalizeWordTops(text, extra);
    return true;
  }
  switch (type) {
    case 3: *out = ConvertKatakanaWidth(m, text, flag); return true;
    case 4: *out = ConvertAlphaNumWidth(text, flag, false); return true;
    case 5: *out = ConvertAlphaNumWidth(text, flag, true); return true;
    case 6: *out = ConvertSymbolWidth(m, text, flag); return true;
    case 7: *out = MapStringKind(m, text, flag); return true;
    default: break;
  }
  if (std::strcmp(mode, "KataToHira") == 0) {
    *out = MapStringKind(m, text, 2);
  } else if (std::strcmp(mode, "HiraToKata") == 0) {
    *out = MapStringKind(m, text, 3);
  } else if (std::strcmp(mode, "HiraToHalfKata") == 0) {
    *out = ConvertHiraHalfKata(m, text, 1);
  } else if (std::strcmp(mode, "HalfKataToHira") == 0) {
    *out = ConvertHiraHalfKata(m, text, 0);
  } else {
    return false;
  }
  return true;
}

}  // namespace selvane
