// Opening files.
#include "framework/Cp932.h"
#include "text/PathText.h"
#include "viewer/VastrelForm.h"

#include <algorithm>
#include <cwctype>

void TVastrelForm::OpenIfListedExt(const std::wstring& path) {
  std::wstring name = pathtext::ExtractNameWide(path);
  size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return;
  std::wstring ext = name.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  if (Cp932ToWide(Settings.OpenExtensions).find(ext) == std::wstring::npos) return;
  OpenFile(path);
}

void TVastrelForm::OpenFile(const std::wstring& path) {
  // The full open routine (code detection, first page) replaces this: until
  // then the path is taken as the document's.
  Doc = DocumentState();
  Doc.FilePath = path;
}
