// The replace walks of the edit dialogs; see text/ReplaceFlow.h.
#include "text/ReplaceFlow.h"

#include <algorithm>
#include <cstring>

#include "text/conv_bytes.h"
#include "text/conv_text.h"

namespace replaceflow {

namespace {

// Index of the CR of the first CR LF at or after from, or text.size().
template <class Str>
size_t LineEnd(const Str& text, size_t from) {
  const size_t n = text.size();
  for (size_t i = from; i + 1 < n; ++i)
    if (text[i] == '\r' && text[i + 1] == '\n') return i;
  return n;
}

template <class Str>
size_t CountCrLf(const Str& text, size_t from) {
  size_t count = 0;
  for (size_t i = from; i + 1 < text.size(); ++i)
    if (text[i] == '\r' && text[i + 1] == '\n') {
      ++count;
      ++i;
    }
  return count;
}

template <class Str>
std::pair<Str, Str> ProposeIn(const Str& text, size_t selStart, size_t selLength, const Str& lastFind,
                              const Str& lastReplace) {
  Str part;
  if (selStart < text.size()) {
    part = text.substr(selStart, std::min(selLength, text.size() - selStart));
    const size_t end = LineEnd(part, 0);
    part.resize(end);
  }
  if (!part.empty()) return {part, part};
  if (lastFind.empty()) return {Str(), Str()};
  return {lastFind, lastReplace.empty() ? lastFind : lastReplace};
}

// Byte kinds of a code page 932 text of n bytes, counted from its start (the
// rule of conv::SjisByteClasses, NUL bytes included).
std::basic_string<conv::ByteClass> ByteKinds(const std::string& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.c_str());
  const size_t n = text.size();
  std::basic_string<conv::ByteClass> kinds(n, conv::ByteClass::Single);
  for (size_t i = 0; i < n;) {
    if (conv::SjisCharLength(s + i) == 2) {  // s[n] is the terminator, which never trails
      kinds[i] = conv::ByteClass::Lead;
      kinds[i + 1] = conv::ByteClass::Trail;
      i += 2;
    } else {
      kinds[i] = conv::IsSjisLead(s[i]) ? conv::ByteClass::Lead : conv::ByteClass::Single;
      ++i;
    }
  }
  return kinds;
}

// A match of pn units at i would take a CR or an LF of a CR LF: the search
// ends with CR and an LF follows, begins with LF after a CR, or holds a CR LF.
template <class Str>
struct LineBound {
  bool endsCr = false, startsLf = false, holdsCrLf = false;
  explicit LineBound(const Str& search) {
    const size_t pn = search.size();
    endsCr = pn > 0 && search[pn - 1] == '\r';
    startsLf = pn > 0 && search[0] == '\n';
    holdsCrLf = LineEnd(search, 0) < pn;
  }
  bool Crosses(const Str& text, size_t i, size_t pn) const {
    if (holdsCrLf) return true;
    if (endsCr && i + pn < text.size() && text[i + pn] == '\n') return true;
    if (startsLf && i > 0 && text[i - 1] == '\r') return true;
    return false;
  }
};

// The walk itself; matchAt(i) is the variant's match test at original index i
// (bounds included), question(i) the question at an occurrence there.
template <class Str, class Match, class QuestionAt>
Outcome<Str> Walk(const Str& text, size_t pn, const Str& replacement, Match matchTest, QuestionAt question,
                  Host<Str>& host) {
  Outcome<Str> out;
  const size_t n = text.size();
  size_t probes = 0;
  auto matchAt = [&](size_t i) {
    ++probes;
    return matchTest(i);
  };
  Str& result = out.text;
  result.reserve(n);
  size_t copied = 0;  // text[0, copied) stands in result, with its replacements
  size_t lineStart = 0;
  for (;;) {
    const size_t lineEnd = LineEnd(text, lineStart);
    host.Step(1);
    for (size_t i = lineStart; i + pn <= lineEnd;) {
      if (!matchAt(i)) {
        ++i;
        continue;
      }
      const size_t now = result.size() + (i - copied);
      const Answer answer = host.Ask(now, pn, question(i));
      ++out.asked;
      if (!answer.replace) {
        if (answer.all) {
          out.stopped = true;
          result.append(text, copied, n - copied);
          out.probes = probes;
          return out;
        }
        i += pn;
        continue;
      }
      result.append(text, copied, i - copied);
      if (answer.all) {
        // The rest, from this occurrence on, in one sweep.
        int count = 0;
        result += conv::ReplaceMatches(text.data(), n, i, pn, replacement.data(), replacement.size(), matchAt,
                                       &count);
        out.replaced += static_cast<size_t>(count);
        out.swept = true;
        const size_t rest = CountCrLf(text, lineEnd);
        if (rest) host.Step(rest);
        out.probes = probes;
        return out;
      }
      result += replacement;
      copied = i + pn;
      ++out.replaced;
      host.Replaced(now, pn, replacement);
      i += pn;
    }
    if (lineEnd >= n) break;
    lineStart = lineEnd + 2;
  }
  result.append(text, copied, n - copied);
  out.probes = probes;
  return out;
}

template <class Str>
Outcome<Str> Unchanged(const Str& text) {
  Outcome<Str> out;
  out.text = text;
  return out;
}

std::wstring AsciiUpperWide(const std::wstring& text) {
  std::wstring u = text;
  for (wchar_t& c : u)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return u;
}

}  // namespace

size_t CountLines(const std::string& text) { return CountCrLf(text, 0) + 1; }
size_t CountLines(const std::wstring& text) { return CountCrLf(text, 0) + 1; }

std::pair<std::string, std::string> Propose(const std::string& text, size_t selStart, size_t selLength,
                                            const std::string& lastFind, const std::string& lastReplace) {
  return ProposeIn(text, selStart, selLength, lastFind, lastReplace);
}
std::pair<std::wstring, std::wstring> Propose(const std::wstring& text, size_t selStart, size_t selLength,
                                              const std::wstring& lastFind, const std::wstring& lastReplace) {
  return ProposeIn(text, selStart, selLength, lastFind, lastReplace);
}

std::string LowerAsciiNarrow(const std::string& text) {
  const auto kinds = ByteKinds(text);
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i)
    if (kinds[i] == conv::ByteClass::Single && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
  return out;
}

namespace {
// The lowering by lower when it keeps every character's length and kind;
// false (and nothing) otherwise.
bool LowerKeepingKinds(const std::string& text, const NarrowCase& lower, std::string& out) {
  if (!lower) return false;
  out = lower(text);
  return out.size() == text.size() && ByteKinds(out) == ByteKinds(text);
}
}  // namespace

std::string LowerNarrow(const std::string& text, const NarrowCase& lower) {
  std::string out;
  return LowerKeepingKinds(text, lower, out) ? out : LowerAsciiNarrow(text);
}

std::string Question(const std::string& what) {
  // "' を置き換えますか？" in code page 932.
  return "'" + what + "' \x82\xF0\x92\x75\x82\xAB\x8A\xB7\x82\xA6\x82\xDC\x82\xB7\x82\xA9\x81\x48";
}
std::wstring Question(const std::wstring& what) {
  return L"'" + what + L"' \x3092\x7F6E\x304D\x63DB\x3048\x307E\x3059\x304B\xFF1F";
}

Outcome<std::string> ReplaceNarrow(const std::string& text, const std::string& search,
                                   const std::string& replacement, bool matchCase, const NarrowCase& lower,
                                   Host<std::string>& host) {
  if (search.empty()) return Unchanged(text);
  // Without MatchCase the text and the search are lowered alike: both by
  // lower, or both by ASCII only when lower does not keep the text's kinds.
  std::string used = search, copy;
  if (!matchCase) {
    if (LowerKeepingKinds(text, lower, copy)) {
      used = LowerNarrow(search, lower);
    } else {
      copy = LowerAsciiNarrow(text);
      used = LowerAsciiNarrow(search);
    }
  }
  const std::string& seen = matchCase ? text : copy;
  const auto kinds = ByteKinds(text);
  const conv::ByteClass first = ByteKinds(used)[0];
  const LineBound<std::string> bound(used);
  const size_t n = text.size(), pn = used.size();
  const char* s = seen.data();
  const char* p = used.data();
  auto matchAt = [&](size_t i) {
    return i + pn <= n && s[i] == p[0] && kinds[i] == first && std::memcmp(s + i, p, pn) == 0 &&
           !bound.Crosses(text, i, pn);
  };
  const std::string question = Question(used);
  Outcome<std::string> out = Walk(text, pn, replacement, matchAt, [&](size_t) { return question; }, host);
  out.lastFind = used;
  out.lastReplace = replacement;
  return out;
}

Outcome<std::wstring> ReplaceWide(const std::wstring& text, const std::wstring& search,
                                  const std::wstring& replacement, bool matchCase, const WideCase& upper,
                                  Host<std::wstring>& host) {
  if (search.empty()) return Unchanged(text);
  std::wstring copy, key = search;
  if (!matchCase) {
    copy = upper ? upper(text) : AsciiUpperWide(text);
    key = upper ? upper(search) : AsciiUpperWide(search);
    // Upper-casing keeps the length; one that does not is not used.
    if (copy.size() != text.size() || key.size() != search.size()) {
      copy = AsciiUpperWide(text);
      key = AsciiUpperWide(search);
    }
  }
  const std::wstring& seen = matchCase ? text : copy;
  const LineBound<std::wstring> bound(search);
  const size_t n = text.size(), pn = key.size();
  const wchar_t* s = seen.data();
  const wchar_t* p = key.data();
  auto matchAt = [&](size_t i) {
    return i + pn <= n && s[i] == p[0] && std::wmemcmp(s + i, p, pn) == 0 && !bound.Crosses(text, i, pn);
  };
  Outcome<std::wstring> out =
      Walk(text, pn, replacement, matchAt, [&](size_t i) { return Question(text.substr(i, pn)); }, host);
  out.lastFind = search;
  out.lastReplace = replacement;
  return out;
}

ScreenPoint PlaceQuestionBox(const BoxPlace& place) {
  const long raw = place.posBehind == -1 ? place.posLast : place.posBehind;
  const auto word = static_cast<unsigned long>(raw);
  int cx = static_cast<short>(word & 0xFFFF);
  int cy = static_cast<short>((word >> 16) & 0xFFFF);
  cx = std::max(cx, 0);
  cy = std::max(cy, 0);
  ScreenPoint p;
  p.x = place.originX + cx;
  p.y = place.originY + cy;
  if (p.x + place.boxWidth > place.right) p.x = place.right - place.boxWidth;
  const int h = place.lineHeight;
  if (place.bottom >= p.y + h + place.boxHeight) {
    p.y += h;  // one line below the occurrence
  } else if (p.y >= place.bottom) {
    p.y = place.bottom - 3 * h - place.boxHeight;
  } else {
    p.y -= place.boxHeight;  // above the occurrence
  }
  return p;
}

}  // namespace replaceflow
