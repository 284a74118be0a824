#include "text/OutputName.h"

namespace pathtext {

std::wstring BuildOutputName(const std::wstring& path, bool cutAtParen, const std::wstring& codePart) {
  const size_t slash = path.rfind(L'\\');
  const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  const std::wstring folder = path.substr(0, nameStart);
  const std::wstring name = path.substr(nameStart);
  const size_t dot = name.rfind(L'.');
  std::wstring base = dot == std::wstring::npos ? name : name.substr(0, dot);
  const std::wstring ext = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
  if (cutAtParen) {
    const size_t paren = base.find(L'(', 1);
    if (paren != std::wstring::npos) base.erase(paren);
  }
  if (!codePart.empty()) base += L"(" + codePart + L")";
  return folder + base + ext;
}

}  // namespace pathtext
