#include "dialogs/ConversionLibrary.h"

#include <vector>

namespace {

std::wstring RunningProgramFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::wstring();
    if (n < buf.size()) {
      std::wstring path(buf.data(), n);
      const auto p = path.rfind(L'\\');
      return p == std::wstring::npos ? std::wstring() : path.substr(0, p + 1);
    }
    buf.resize(buf.size() * 2);
  }
}

std::string CaseMapped(const std::string& text, bool upper) {
  std::string s = text;
  if (!s.empty()) {
    if (upper)
      CharUpperBuffA(&s[0], static_cast<DWORD>(s.size()));
    else
      CharLowerBuffA(&s[0], static_cast<DWORD>(s.size()));
  }
  return s;
}

}  // namespace

ConversionLibrary::ConversionLibrary(std::wstring baseName, std::wstring folder)
    : baseName_(std::move(baseName)), folder_(std::move(folder)) {}

std::wstring ConversionLibrary::Path() const {
  std::wstring folder = folder_.empty() ? RunningProgramFolder() : folder_;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + baseName_ + L".dll";
}

bool ConversionLibrary::Load() {
  if (module_) return true;
  module_ = Resolve();
  return module_ != nullptr;
}

HMODULE ConversionLibrary::Resolve() {
  stringConversion_ = nullptr;
  deleteBuf_ = nullptr;
  // No error box of the system for a missing or broken file.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE h = LoadLibraryExW(Path().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  SetErrorMode(oldMode);
  if (!h) return nullptr;
  auto conv = reinterpret_cast<StringConversionProc>(GetProcAddress(h, "_StringConversion"));
  auto del = reinterpret_cast<DeleteBufProc>(GetProcAddress(h, "_DeleteBuf"));
  if (!conv || !del) {
    FreeLibrary(h);
    return nullptr;
  }
  stringConversion_ = conv;
  deleteBuf_ = del;
  return h;
}

void ConversionLibrary::Free() {
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
  stringConversion_ = nullptr;
  deleteBuf_ = nullptr;
}

std::string ConversionLibrary::CallStringConversion(const std::string& text, const std::string& mode, bool toHalf,
                                                    int type, bool* ok) {
  if (ok) *ok = false;
  if (!module_ || !stringConversion_ || !deleteBuf_) return std::string();
  const char* result = stringConversion_(text.c_str(), mode.c_str(), type, toHalf, "");
  std::string copy;
  if (result) {
    copy = result;
    if (ok) *ok = true;
  }
  deleteBuf_();
  return copy;
}

std::string ConversionLibrary::ConvertText(const std::string& text, int kind) {
  const char* mode = nullptr;
  std::string input = text;
  switch (kind) {
    case ckLowerCase:
      return CaseMapped(text, false);
    case ckUpperCase:
      return CaseMapped(text, true);
    case ckKataToHira:
      mode = "KataToHira";
      break;
    case ckHiraToKata:
      mode = "HiraToKata";
      break;
    case ckHiraToHalfKata:
      mode = "HiraToHalfKata";
      break;
    case ckHalfKataToHira:
      mode = "HalfKataToHira";
      break;
    case ckTopBigABC:
      mode = "TopBigABC";
      input = CaseMapped(text, true);
      break;
    default:
      return text;
  }
  if (!module_) return text;
  bool ok = false;
  std::string out = CallStringConversion(input, mode, true, wcNone, &ok);
  return ok ? out : text;
}

std::string ConversionLibrary::ConvertWidth(const std::string& text, bool toHalf, int type) {
  if (!module_) return text;
  bool ok = false;
  std::string out = CallStringConversion(text, "", toHalf, type, &ok);
  return ok ? out : text;
}

std::string ConversionLibrary::ConvertWholeWidth(const std::string& text, bool toHalf) {
  const bool wasLoaded = Loaded();
  Load();
  std::string out = ConvertWidth(text, toHalf, wcAll);
  if (!wasLoaded) Free();
  return out;
}
