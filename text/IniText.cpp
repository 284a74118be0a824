#include "text/IniText.h"

#include <limits>

namespace initext {

std::vector<std::wstring> StoreLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstring::size_type pos = 0;
  if (!text.empty() && text[0] == 0xFEFF) pos = 1;
  while (pos < text.size()) {
    auto end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring::size_type stop = end;
    if (stop > pos && text[stop - 1] == L'\r') --stop;
    if (stop > pos) lines.push_back(text.substr(pos, stop - pos));
    pos = end + 1;
  }
  return lines;
}

bool EqualsNoCaseAscii(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'a' && x <= L'z') x = static_cast<wchar_t>(x - 32);
    if (y >= L'a' && y <= L'z') y = static_cast<wchar_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::vector<std::wstring> SectionLinesFromText(const std::wstring& text, const std::wstring& section) {
  return SectionLinesFromText(text, section, &EqualsNoCaseAscii);
}

std::vector<std::wstring> SectionLinesFromText(const std::wstring& text, const std::wstring& section, SameName same) {
  std::vector<std::wstring> out;
  if (section.empty()) return out;
  const std::wstring header = L"[" + section + L"]";
  std::vector<std::wstring> lines = StoreLines(text);
  size_t i = 0;
  while (i < lines.size() && !same(lines[i], header)) ++i;
  if (i == lines.size()) return out;
  for (++i; i < lines.size(); ++i) {
    if (lines[i][0] == L'[') break;
    if (lines[i].find(L'=') != std::wstring::npos) out.push_back(lines[i]);
  }
  return out;
}

std::vector<std::wstring> SectionHeadersFromText(const std::wstring& text) {
  std::vector<std::wstring> out;
  for (auto& line : StoreLines(text))
    if (line[0] == L'[') out.push_back(line);
  return out;
}

namespace {
// Line ends inside a value: stored as kStoreEscape + 'r' / 'n', the escape
// unit itself doubled, only inside a quoted value.
const wchar_t kStoreEscape = 0x0010;

bool NeedsEscape(const std::wstring& v) {
  return v.find_first_of(std::wstring{L'\r', L'\n', kStoreEscape}) != std::wstring::npos;
}

std::wstring EscapeValue(const std::wstring& v) {
  std::wstring out;
  out.reserve(v.size() + 8);
  for (wchar_t c : v) {
    if (c == L'\r') {
      out += kStoreEscape;
      out += L'r';
    } else if (c == L'\n') {
      out += kStoreEscape;
      out += L'n';
    } else if (c == kStoreEscape) {
      out += kStoreEscape;
      out += kStoreEscape;
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring UnescapeValue(const std::wstring& v) {
  if (v.find(kStoreEscape) == std::wstring::npos) return v;
  std::wstring out;
  out.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != kStoreEscape || i + 1 == v.size()) {
      out += v[i];
      continue;
    }
    const wchar_t n = v[++i];
    out += n == L'r' ? L'\r' : n == L'n' ? L'\n' : n;
  }
  return out;
}
}  // namespace

std::wstring QuoteStoreLine(const std::wstring& line) {
  auto eq = line.find(L'=');
  if (eq == std::wstring::npos) return line;
  std::wstring v = line.substr(eq + 1);
  if (v.empty()) return line;
  if (NeedsEscape(v)) return line.substr(0, eq + 1) + L"\"" + EscapeValue(v) + L"\"";
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  bool quote = blank(v.front()) || blank(v.back()) ||
               (v.size() >= 2 && (v.front() == L'"' || v.front() == L'\'') && v.back() == v.front());
  return quote ? line.substr(0, eq + 1) + L"\"" + v + L"\"" : line;
}

std::wstring UnquoteStoreLine(const std::wstring& line) {
  auto eq = line.find(L'=');
  if (eq == std::wstring::npos) return line;
  if (line.size() - eq - 1 >= 2 && line[eq + 1] == L'"' && line.back() == L'"')
    return line.substr(0, eq + 1) + UnescapeValue(line.substr(eq + 2, line.size() - eq - 3));
  return line;
}

bool HasUtf16IniUnits(const std::string& bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char c = bytes[i];
    if (bytes[i + 1] == '\0' && (c == '[' || c == '=' || c == '\r' || c == '\n')) return true;
  }
  return false;
}

namespace {
template <class S>
int32_t ParseIntImpl(const S& s, int32_t def) {
  size_t b = 0, e = s.size();
  auto blank = [](unsigned c) { return c == ' ' || c == '\t'; };
  while (b < e && blank(static_cast<unsigned>(s[b]))) ++b;
  while (e > b && blank(static_cast<unsigned>(s[e - 1]))) --e;
  if (b == e) return def;
  bool neg = false;
  if (s[b] == '+' || s[b] == '-') {
    neg = s[b] == '-';
    ++b;
  }
  unsigned base = 10;
  if (b < e && s[b] == '$') {
    base = 16;
    ++b;
  } else if (e - b > 2 && s[b] == '0' && (s[b + 1] == 'x' || s[b + 1] == 'X')) {
    base = 16;
    b += 2;
  }
  if (b == e) return def;
  int64_t v = 0;
  for (size_t i = b; i < e; ++i) {
    unsigned c = static_cast<unsigned>(s[i]);
    unsigned d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return def;
    v = v * base + d;
    if (v > int64_t(1) << 32) return def;
  }
  if (neg) v = -v;
  if (base == 16 && !neg && v <= 0xFFFFFFFFLL && v > std::numeric_limits<int32_t>::max())
    v -= int64_t(1) << 32;  // hex values take all 32 bits
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return def;
  return static_cast<int32_t>(v);
}
}  // namespace

int32_t ParseIniInteger(const std::string& text, int32_t def) { return ParseIntImpl(text, def); }
int32_t ParseIniInteger(const std::wstring& text, int32_t def) { return ParseIntImpl(text, def); }

bool IsCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsCp932TrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

bool IsOneCp932Char(const std::string& text) {
  if (text.size() == 1) {
    unsigned char c = static_cast<unsigned char>(text[0]);
    return c != 0 && !IsCp932LeadByte(c);
  }
  if (text.size() == 2)
    return IsCp932LeadByte(static_cast<unsigned char>(text[0])) && IsCp932TrailByte(static_cast<unsigned char>(text[1]));
  return false;
}

}  // namespace initext
