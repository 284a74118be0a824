#include "text/UpdateText.h"

namespace updatetext {

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') b++;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') e--;
  return s.substr(b, e - b);
}

std::string PageAddress(const std::string& siteBase, const std::string& folder, const std::string& pageName) {
  if (folder == " ") return siteBase + pageName;
  return siteBase + TrimBlanks(folder) + "/" + pageName;
}

std::string ArchiveAddress(const std::string& siteBase, const std::string& folder, const std::string& archiveName) {
  return siteBase + folder + "/" + archiveName;
}

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

ArchiveFind FindArchive(const std::string& page, const std::string& baseName) {
  ArchiveFind r;
  if (baseName.empty()) return r;
  const size_t n = baseName.size();
  size_t from = 0;
  while (from < page.size()) {
    const size_t d = page.find(baseName, from);
    if (d == std::string::npos) break;
    const size_t v = d + n;  // the version's first character
    bool ok = page.size() >= v + 8;
    for (size_t i = 0; ok && i < 4; i++) ok = IsDigit(page[v + i]);
    if (ok) {
      const char* ext = ".zip";
      for (size_t i = 0; ok && i < 4; i++) ok = Lower(page[v + 4 + i]) == ext[i];
    }
    if (ok) {
      r.found = true;
      r.name = page.substr(d, n + 8);
      r.version = page.substr(v, 4);
      return r;
    }
    from = v + 1;
  }
  return r;
}

bool IsWebAddress(const std::wstring& address) {
  auto startsNoCase = [&](const wchar_t* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
      if (i >= address.size()) return false;
      wchar_t c = address[i];
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
      if (c != prefix[i]) return false;
    }
    return true;
  };
  size_t host = 0;
  if (startsNoCase(L"http://")) {
    host = 7;
  } else if (startsNoCase(L"https://")) {
    host = 8;
  } else {
    return false;
  }
  if (host >= address.size() || address[host] == L'/' || address[host] == L'\\') return false;
  for (wchar_t c : address) {
    if (c <= L' ' || c == 0x7F || c == L'"' || c == L'<' || c == L'>') return false;
  }
  return true;
}

bool OffersDownload(const std::string& programVersion, const std::string& foundVersion, bool noVersionTest) {
  return noVersionTest || programVersion.compare(foundVersion) < 0;
}

IconAnimation::Step IconAnimation::Tick(const std::function<uint32_t()>& random) {
  Step s;
  s.frame = FrameIndex;
  FrameIndex = FrameIndex == 0 ? 1 : 0;
  if (FrameIndex == 1) {
    const int j = JumpXY;
    auto jitter = [&]() {
      if (j <= 0) return 0;
      int d = static_cast<int>(random() % static_cast<uint32_t>(j));
      if (d > j / 2) d -= j;
      return d;
    };
    const int dx = jitter();
    const int dy = jitter();
    s.moved = true;
    s.left = HomeLeft + dx;
    s.top = HomeTop + dy;
  } else {
    const int r = static_cast<int>(random() % 10u);
    if (r > 5 && StretchValue < StretchMax) StretchValue++;
    else if (r <= 4 && StretchValue > -StretchMax) StretchValue--;
  }
  s.size = 64 + StretchValue;
  return s;
}

}  // namespace updatetext
