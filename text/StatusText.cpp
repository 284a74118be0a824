#include "text/StatusText.h"

#include <vector>

namespace statustext {

std::wstring FormatSize(bool withSpace, uint64_t v) {
  static const struct {
    int shift;
    const wchar_t* unit;
  } kUnits[] = {{50, L"PB"}, {40, L"TB"}, {30, L"GB"}, {20, L"MB"}, {10, L"KB"}, {0, L"B"}};
  int shift = 0;
  const wchar_t* unit = L"B";
  for (const auto& u : kUnits) {
    if (v >= (uint64_t{1} << u.shift)) {
      shift = u.shift;
      unit = u.unit;
      break;
    }
  }
  // The quotient to tenths, rounded half up, exactly in integers: the divisor is a
  // power of two, so whole part and remainder split without loss.
  const uint64_t whole = v >> shift;
  const uint64_t rem = shift ? v & ((uint64_t{1} << shift) - 1) : 0;
  const uint64_t half = shift ? uint64_t{1} << (shift - 1) : 0;
  const uint64_t tenths = whole * 10 + (shift ? (rem * 10 + half) >> shift : 0);
  std::wstring s = std::to_wstring(tenths / 10);
  if (tenths % 10) s += L"." + std::to_wstring(tenths % 10);
  if (withSpace) s += L" ";
  return s + unit;
}

std::wstring SelectionStatusText(bool lineCountBox, int64_t lineCount, int64_t selectionBytes,
                                 int64_t editMaxBytes) {
  if (lineCountBox) {
    if (selectionBytes > editMaxBytes) return L"select over";
    return std::to_wstring(lineCount) + L" 行";
  }
  return FormatSize(true, static_cast<uint64_t>(selectionBytes < 0 ? -selectionBytes : selectionBytes));
}

std::wstring StatusBarHint(int x, int sizeRight, int positionRight, int pageRight) {
  if (x < sizeRight) return L"ファイルサイズ";
  if (x < positionRight) return L"表示位置（Byte）";
  if (x < pageRight) return L"表示位置";
  return std::wstring();
}

uint32_t BlendColor(uint32_t a, uint32_t b, int w) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    const int num = w * (ca - cb);
    // Floor division: towards minus infinity also when a < b.
    int q = num / 256;
    if (num % 256 != 0 && num < 0) --q;
    int c = cb + q;
    if (c < 0) c = 0;
    if (c > 255) c = 255;
    out |= static_cast<uint32_t>(c) << shift;
  }
  return out;
}

namespace {

std::vector<std::wstring> Components(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring cur;
  for (wchar_t c : path) {
    if (c == L'\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

}  // namespace

std::wstring PopLastComponent(std::wstring& text, wchar_t separator) {
  if (!text.empty() && text.back() == separator) text.pop_back();
  const size_t p = text.rfind(separator);
  if (p == std::wstring::npos) return std::wstring();
  std::wstring last = text.substr(p + 1);
  text.erase(p);
  return last;
}

int PathDepth(const std::wstring& path, bool isFolder) {
  std::wstring p = path;
  std::vector<std::wstring> parts = Components(p);
  if (!isFolder && !parts.empty() && parts.back().find(L'.') != std::wstring::npos) parts.pop_back();
  // The first component is the drive (or the server of a network path).
  int k = parts.empty() ? 0 : static_cast<int>(parts.size()) - 1;
  return k > 30 ? 30 : k;
}

std::wstring LastComponents(const std::wstring& path, int n) {
  const std::vector<std::wstring> parts = Components(path);
  std::wstring out;
  const int from = static_cast<int>(parts.size()) - n;
  for (int i = from < 0 ? 0 : from; i < static_cast<int>(parts.size()); ++i) {
    if (!out.empty()) out += L'\\';
    out += parts[static_cast<size_t>(i)];
  }
  return out;
}

std::wstring NormalizePath(const std::wstring& path, bool isFolder) {
  const int k = PathDepth(path, isFolder);
  if (k <= 0) return path;
  const bool unc = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
  std::wstring out = path.substr(0, unc ? 2 : 3);
  out.append(static_cast<size_t>(k), L'.');
  return out + L"[" + LastComponents(path, 1) + L"]";
}

}  // namespace statustext
