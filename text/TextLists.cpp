#include "text/TextLists.h"

namespace textlists {

namespace {
const wchar_t kEmpty[1] = {0};
}

std::vector<std::wstring> SplitLines(const std::wstring& text, bool skipEmpty) {
  std::vector<std::wstring> out;
  if (text.empty()) return out;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(L"\r\n", from);
    if (at == std::wstring::npos) {
      out.push_back(text.substr(from));
      return out;
    }
    if (!(skipEmpty && at == from)) out.push_back(text.substr(from, at - from));
    from = at + 2;
  }
}

std::wstring JoinLines(const std::vector<std::wstring>& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::wstring out;
  out.reserve(total);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += L"\r\n";
    out += lines[i];
  }
  return out;
}

std::wstring ItemKey(const std::wstring& line) {
  std::wstring k = line;
  size_t p = k.find(L'=');
  if (p != std::wstring::npos) k.erase(p);
  p = k.find(L'@');
  if (p != std::wstring::npos) k.erase(0, p + 1);
  p = k.find(L'#');
  if (p != std::wstring::npos) k.erase(p);
  return k;
}

const wchar_t* WideCharAt(const std::wstring& text, size_t n) {
  if (n < 1 || n > text.size()) return kEmpty;
  return text.data() + (n - 1);
}

const wchar_t* WidePtr(const std::wstring& text) { return text.empty() ? kEmpty : text.c_str(); }

size_t EncodedLength(conv::Platform& platform, const std::string& substituteChar, int code,
                     const std::u16string& text) {
  if (code == 1) return text.size();
  if (code == 2) {
    std::string utf8;
    if (!conv::WideToUtf8(text.c_str(), conv::ByteOrder::Little, &utf8)) return 0;
    return utf8.size();
  }
  // A context of its own: what the conversion reports stays here.
  conv::Context scratch;
  scratch.platform = &platform;
  scratch.SubstituteChar = substituteChar;
  std::string sjis;
  if (!conv::WideToSjis(scratch, text.c_str(), conv::ByteOrder::Little, &sjis)) return 0;
  if (code != 3) return sjis.size();
  std::string euc;
  if (!conv::SjisToEuc(scratch, sjis.c_str(), &euc)) return 0;
  return euc.size();
}

}  // namespace textlists
