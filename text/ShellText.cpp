#include "text/ShellText.h"

#include <algorithm>
#include <cwctype>

#include "text/PathText.h"

namespace shelltext {

namespace {
bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The nine pairs, in the order they are applied.
const char* const kNarrowPairs[9][2] = {
    {"/", "\x81\x5E"}, {"\"", "\x81\x68"}, {":", "\x81\x46"}, {"*", "\x81\x96"}, {"<", "\x81\x83"},
    {">", "\x81\x84"}, {"?", "\x81\x48"},  {"\\", "\x81\x8F"}, {"|", "\x81\x62"},
};
const wchar_t* const kWidePairs[9][2] = {
    {L"/", L"\xFF0F"}, {L"\"", L"\x201D"}, {L":", L"\xFF1A"}, {L"*", L"\xFF0A"}, {L"<", L"\xFF1C"},
    {L">", L"\xFF1E"}, {L"?", L"\xFF1F"},  {L"\\", L"\xFFE5"}, {L"|", L"\xFF5C"},
};
}  // namespace

int ByteKind(const std::string& text, size_t index) {
  size_t i = 0;
  while (i < text.size()) {
    if (IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      if (index == i) return 1;
      if (index == i + 1) return 2;
      i += 2;
    } else {
      if (index == i) return 0;
      ++i;
    }
  }
  return 0;
}

void MogChange(std::string& text, const std::string& oldText, const std::string& newText) {
  if (oldText.empty()) return;
  const int kind = ByteKind(oldText, 0);
  size_t previous = std::string::npos;
  for (;;) {
    const size_t at = text.find(oldText);
    if (at == std::string::npos || at == previous || ByteKind(text, at) != kind) return;
    text.replace(at, oldText.size(), newText);
    previous = at;
  }
}

void MogChangeW(std::wstring& text, const std::wstring& oldText, const std::wstring& newText) {
  if (oldText.empty()) return;
  size_t previous = std::wstring::npos;
  for (;;) {
    const size_t at = text.find(oldText);
    if (at == std::wstring::npos || at == previous) return;
    text.replace(at, oldText.size(), newText);
    previous = at;
  }
}

std::string FileMogChk(std::string name) {
  for (const auto& p : kNarrowPairs) MogChange(name, p[0], p[1]);
  return name;
}

std::wstring FileMogChkW(std::wstring name) {
  for (const auto& p : kWidePairs) MogChangeW(name, p[0], p[1]);
  return name;
}

std::string AppendSeparator(const std::string& path) {
  if (!path.empty() && path.back() == '\\' && ByteKind(path, path.size() - 1) == 0) return path;
  return path + "\\";
}

std::wstring BuildFileFilter(const std::wstring& extensions) {
  std::wstring filter = L"テキスト(*.txt)\r\n*.txt";
  if (extensions.size() > 2 && extensions[0] == L'.') {
    filter += L"\r\nその他(" + extensions + L")\r\n";
    bool first = true;
    for (size_t k = 0; k < extensions.size(); ++k) {
      if (extensions[k] != L'.') continue;
      const size_t e = extensions.find(L'.', k + 1);
      const std::wstring ext = extensions.substr(k + 1, e == std::wstring::npos ? std::wstring::npos : e - k - 1);
      filter += (first ? L"*." : L";*.") + ext;
      first = false;
    }
  }
  return filter + L"\r\n全てのファイル(*.*)\r\n*.*";
}

std::wstring LowerExtension(const std::wstring& path) {
  const std::wstring name = pathtext::ExtractNameWide(path);
  const size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return std::wstring();
  std::wstring ext = name.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return ext;
}

bool ExtensionAccepted(const std::wstring& path, const std::wstring& extensions) {
  // A name ending in a bare "." has no extension either.
  const std::wstring ext = LowerExtension(path);
  return ext.size() > 1 && extensions.find(ext) != std::wstring::npos;
}

std::vector<std::wstring> SplitExtensions(const std::wstring& extensions) {
  std::vector<std::wstring> out;
  std::wstring current;
  auto flush = [&] {
    const size_t b = current.find_first_not_of(L" \t\r\n");
    const size_t e = current.find_last_not_of(L" \t\r\n");
    if (b != std::wstring::npos) out.push_back(current.substr(b, e - b + 1));
    current.clear();
  };
  for (wchar_t c : extensions) {
    if (c == L'.') flush();
    current += c;
  }
  flush();
  return out;
}

void OpenWithListEntry(std::vector<OpenWithValue>& values, const std::wstring& programName, std::wstring& mru,
                       std::wstring& letter, bool add) {
  letter.clear();
  for (wchar_t c = L'a'; c <= L'z' && letter.empty(); ++c) {
    const std::wstring candidate(1, c);
    if (std::none_of(values.begin(), values.end(), [&](const OpenWithValue& v) { return v.first == candidate; })) {
      letter = candidate;
    }
  }
  if (add && !letter.empty()) values.push_back({letter, programName});
  mru.clear();
  for (const auto& v : values) mru += v.first;
}

std::wstring OpenWithCommand(const std::wstring& programPath) { return L"\"" + programPath + L"\" \"%1\""; }

std::wstring CommandProgram(const std::wstring& command) {
  std::wstring s = command.substr(0, command.find(L'%'));
  s.erase(std::remove(s.begin(), s.end(), L'"'), s.end());
  const size_t b = s.find_first_not_of(L" \t");
  if (b == std::wstring::npos) return std::wstring();
  const size_t e = s.find_last_not_of(L" \t");
  return s.substr(b, e - b + 1);
}

}  // namespace shelltext
