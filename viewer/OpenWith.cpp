#include "viewer/OpenWith.h"

#include "controls/ShellLink.h"
#include "framework/Registry.h"
#include "text/ShellText.h"

namespace openwith {

namespace {
bool SameText(const std::wstring& a, const std::wstring& b) { return TShellLink::SamePath(a, b); }
}  // namespace

bool UpdateOpenWithList(const std::vector<std::wstring>& extensions, TRegistry& reg, bool on,
                        const std::wstring& programName) {
  for (const std::wstring& ext : extensions) {
    if (!reg.OpenKey(kFileExtsKey + ext + L"\\OpenWithList", true)) return false;
    std::vector<shelltext::OpenWithValue> values;
    for (const std::wstring& name : reg.GetValueNames()) {
      if (name == L"MRUList") continue;
      const std::wstring data = reg.ReadString(name);
      if (SameText(data, programName)) {
        reg.DeleteValue(name);  // the program's old entry goes
        continue;
      }
      values.push_back({name, data});
    }
    std::wstring mru, letter;
    shelltext::OpenWithListEntry(values, programName, mru, letter, on);
    bool ok = true;
    if (on && !letter.empty()) ok = reg.WriteString(letter, programName);
    ok = reg.WriteString(L"MRUList", mru) && ok;
    reg.CloseKey();
    if (!ok) return false;
  }
  return true;
}

bool SetOpenWith(HKEY userRoot, HKEY classesRoot, const std::wstring& extensions, const std::wstring& programFolder,
                 const std::wstring& programName, bool on) {
  TRegistry user(userRoot);
  if (!UpdateOpenWithList(shelltext::SplitExtensions(extensions), user, on, programName)) return false;
  TRegistry classes(classesRoot);
  const std::wstring app = L"\\Applications\\" + programName;
  if (classes.KeyExists(app)) classes.DeleteKey(app);
  if (!on) return true;
  if (!classes.OpenKey(app + L"\\shell\\open\\command", true)) return false;
  const bool ok = classes.WriteString(L"", shelltext::OpenWithCommand(programFolder + programName));
  classes.CloseKey();
  return ok;
}

bool IsOpenWithSet(HKEY userRoot, HKEY classesRoot, const std::wstring& programFolder,
                   const std::wstring& programName) {
  TRegistry user(userRoot, KEY_READ);
  if (!user.OpenKeyReadOnly(std::wstring(kFileExtsKey) + L".txt\\OpenWithList")) return false;
  bool listed = false;
  for (const std::wstring& name : user.GetValueNames()) {
    if (name != L"MRUList" && SameText(user.ReadString(name), programName)) listed = true;
  }
  if (!listed) return false;
  TRegistry classes(classesRoot, KEY_READ);
  if (!classes.OpenKeyReadOnly(L"\\Applications\\" + programName + L"\\shell\\open\\command")) return false;
  return SameText(shelltext::CommandProgram(classes.ReadString(L"")), programFolder + programName);
}

}  // namespace openwith
