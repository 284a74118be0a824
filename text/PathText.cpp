#include "text/PathText.h"

namespace pathtext {

namespace {
const std::wstring::size_type npos = std::wstring::npos;
}

std::wstring ExtractNameWide(const std::wstring& path) {
  auto p = path.rfind(L'\\');
  if (p == npos) return path;
  return path.substr(p + 1);
}

std::wstring ExtractDirWide(const std::wstring& path) {
  auto p = path.rfind(L'\\');
  if (p == npos) return std::wstring();
  return path.substr(0, p + 1);
}

std::wstring ExtractDriveDirWide(const std::wstring& path) {
  auto p = path.rfind(L'\\');
  if (p == npos) return std::wstring();
  if (p > 0 && path[p - 1] == L':') return path.substr(0, p + 1);
  return path.substr(0, p);
}

std::wstring ChangeExtWide(const std::wstring& path, const std::wstring& ext) {
  auto dot = path.rfind(L'.');
  if (dot == npos) return path;
  auto slash = path.rfind(L'\\');
  if (slash != npos && dot < slash) return path;
  return path.substr(0, dot) + ext;
}

std::wstring ExtractExtWide(const std::wstring& path) {
  auto dot = path.rfind(L'.');
  if (dot == npos) return std::wstring();
  auto slash = path.rfind(L'\\');
  if (slash != npos && dot < slash) return std::wstring();
  return path.substr(dot);
}

std::wstring NumberedBackupPath(const std::wstring& chosen, const std::wstring& fallbackExt,
                                const std::function<bool(const std::wstring&)>& exists) {
  if (!exists(chosen)) return chosen;
  std::wstring ext = ExtractExtWide(chosen);
  if (ext.empty()) ext = fallbackExt;
  const std::wstring stem = ExtractDirWide(chosen) + ChangeExtWide(ExtractNameWide(chosen), std::wstring());
  std::wstring candidate;
  for (int n = 1; n <= 99; ++n) {
    candidate = stem + L"(" + std::to_wstring(n) + L")" + ext;
    if (!exists(candidate)) break;
  }
  return candidate;
}

std::wstring LongPathForm(const std::wstring& path, bool sysnative) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.compare(0, 2, L"\\\\") == 0) {
    std::wstring out = L"\\\\?\\UNC\\" + path.substr(2);
    if (sysnative) {
      auto p = out.find(L"\\System32");
      if (p != npos) out.replace(p + 1, 8, L"Sysnative");
    }
    return out;
  }
  return L"\\\\?\\" + path;
}

std::wstring SplitMultiSelect(const std::wstring& buffer) {
  std::vector<std::wstring> parts;
  std::wstring::size_type pos = 0;
  while (pos < buffer.size()) {
    auto end = buffer.find(L'\0', pos);
    if (end == npos) end = buffer.size();
    if (end == pos) break;  // empty text: end of the list
    parts.push_back(buffer.substr(pos, end - pos));
    pos = end + 1;
  }
  if (parts.empty()) return std::wstring();
  if (parts.size() == 1) return parts[0];
  std::wstring folder = parts[0];
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  std::wstring out;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (i > 1) out += L"\r\n";
    out += folder + parts[i];
  }
  return out;
}

std::vector<std::wstring> SplitCrLf(const std::wstring& text) {
  std::vector<std::wstring> lines;
  if (text.empty()) return lines;
  std::wstring::size_type pos = 0;
  for (;;) {
    auto p = text.find(L"\r\n", pos);
    if (p == npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, p - pos));
    pos = p + 2;
  }
  return lines;
}

int FilterIndexFor(const std::wstring& filter, const std::wstring& defExt) {
  std::vector<std::wstring> lines = SplitCrLf(filter);
  int pairs = static_cast<int>((lines.size() + 1) / 2);
  for (size_t i = 1; i < lines.size(); i += 2) {
    const std::wstring& pattern = lines[i];
    if (pattern.find(L'(') == npos && pattern.find(defExt) != npos) return static_cast<int>(i / 2) + 1;
  }
  return pairs > 0 ? pairs : 1;
}

std::wstring NulSeparate(const std::wstring& filter) {
  std::wstring out;
  out.reserve(filter.size() + 2);
  for (size_t i = 0; i < filter.size(); ++i) {
    if (filter[i] == L'\r' && i + 1 < filter.size() && filter[i + 1] == L'\n') {
      out += L'\0';
      ++i;
    } else {
      out += filter[i];
    }
  }
  out += L'\0';
  out += L'\0';
  return out;
}

std::wstring FirstListedPath(const std::wstring& list) {
  auto p = list.find(L"\r\n");
  return p == npos ? list : list.substr(0, p);
}

std::wstring JoinPathArgs(const std::vector<std::wstring>& args, int& index,
                          const std::function<bool(const std::wstring&)>& exists) {
  const int count = args.empty() ? 0 : static_cast<int>(args.size()) - 1;
  std::wstring path;
  if (index >= 0 && index <= count) path = args[index];
  for (int round = 0; round < count + 1; ++round) {
    if (exists(path)) break;
    ++index;
    if (index >= 1 && index <= count) path += L" " + args[index];
  }
  return path;
}

std::wstring JoinAllPathArgs(const std::vector<std::wstring>& args,
                             const std::function<bool(const std::wstring&)>& exists,
                             const std::function<std::wstring(const std::wstring&)>& fix) {
  const int count = args.empty() ? 0 : static_cast<int>(args.size()) - 1;
  std::wstring list;
  int index = 1;
  while (index <= count) {
    if (!list.empty()) list += L"\r\n";
    std::wstring path = JoinPathArgs(args, index, exists);
    list += fix ? fix(path) : path;
    ++index;
  }
  return list;
}

int SystemLevel(unsigned platform, unsigned major, unsigned minor, bool hasQueryFullProcessImageNameW) {
  int level;
  if (platform == 2) {
    if (major == 5)
      level = minor == 0 ? 2 : 3;
    else if (major == 6)
      level = minor == 0 ? 4 : 5;
    else
      level = 6;
  } else if (platform == 1 && major == 4 && minor >= 90) {
    level = 1;
  } else {
    level = 0;
  }
  if (hasQueryFullProcessImageNameW && level < 5) level = 5;
  return level;
}

}  // namespace pathtext
