#include "spare_controls/NewDriveComboBox.h"
#include "framework/Cp932.h"
#include "spare_controls/SpareCommon.h"
#include "framework/Form.h"
#include "framework/MessageService.h"

// ---- the system's drives

std::string TDriveProvider::LogicalDriveStrings() {
  DWORD n = GetLogicalDriveStringsA(0, nullptr);
  if (n == 0) return std::string();
  std::string buf(n + 1, '\0');
  DWORD got = GetLogicalDriveStringsA(n, &buf[0]);
  if (got == 0 || got > n) return std::string();
  buf.resize(got + 1);
  return buf;
}

UINT TDriveProvider::DriveType(const std::string& root) { return GetDriveTypeA(root.c_str()); }

bool TDriveProvider::VolumeName(const std::string& root, std::string* name) {
  char vol[256] = {};
  // No "insert a disk" box from the system for an empty drive.
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  BOOL ok = GetVolumeInformationA(root.c_str(), vol, 255, nullptr, nullptr, nullptr, nullptr, 0);
  SetErrorMode(old);
  if (ok && name) *name = vol;
  return ok != 0;
}

void TDriveProvider::DiskSpace(int drive, int64_t* total, int64_t* free) {
  std::string root = std::string(1, static_cast<char>('A' + drive - 1)) + ":\\";
  ULARGE_INTEGER avail{}, tot{}, fre{};
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  BOOL ok = GetDiskFreeSpaceExA(root.c_str(), &avail, &tot, &fre);
  SetErrorMode(old);
  if (total) *total = ok ? static_cast<int64_t>(tot.QuadPart) : -1;
  if (free) *free = ok ? static_cast<int64_t>(avail.QuadPart) : -1;
}

std::string TDriveProvider::CurrentDirectory() {
  char buf[261] = {};
  GetCurrentDirectoryA(260, buf);
  return buf;
}

namespace {
TDriveProvider g_system;
TDriveProvider* g_provider = &g_system;

const char* const kIconNames[5] = {"ZFPDRVICON", "ZHDDRVICON", "ZNTDRVICON", "ZCDDRVICON", "ZRMDRVICON"};

std::string NotReadyText() { return Cp932FromUtf8(u8"ドライブの準備ができていません。"); }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

TDriveProvider* SetDriveProvider(TDriveProvider* provider) {
  TDriveProvider* prev = g_provider == &g_system ? nullptr : g_provider;
  g_provider = provider ? provider : &g_system;
  return prev;
}

// ---- construction

TNewDriveComboBox::TNewDriveComboBox(TWinControl* parent) : TComboBox(parent), provider_(g_provider) {
  for (int i = 0; i < 5; ++i)
    icons_[i] = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), kIconNames[i], IMAGE_ICON, 16, 16, 0));
  std::string cur = provider_->CurrentDirectory();
  for (char& ch : cur) ch = Upper(ch);
  char letter = cur.size() >= 2 && cur[1] == ':' ? cur[0] : 0;
  if (letter) {
    DriveCheck(letter);
  } else {
    // No drive letter (a network path): the first fixed drive, else the first item.
    DriveCheck('C');
    int pick = -1;
    for (int i = 0; i < Items().Count() && pick < 0; ++i)
      if (types_[i] == DRIVE_FIXED) pick = i;
    if (pick < 0 && Items().Count() > 0) pick = 0;
    letter = pick >= 0 ? Items().Get(pick)[0] : 'C';
    SetItemIndex(pick);
  }
  drive_ = letter;
  Drive_Size(std::string(1, letter) + ":\\", &total_, &free_);
  int i = FindItem(letter);
  lastIndex_ = i;
  if (i >= 0 && types_[i] == DRIVE_FIXED) lastFixed_ = letter;
}

TNewDriveComboBox::~TNewDriveComboBox() {
  if (hwnd_) DestroyWnd();
  for (HICON& h : icons_)
    if (h) DestroyIcon(h);
}

void TNewDriveComboBox::CreateParams(TCreateParams& p) {
  TComboBox::CreateParams(p);
  p.ClassName = spare::NativeCopyClass(L"COMBOBOX", L"TNewDriveComboBox");
  p.Style |= CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
}

void TNewDriveComboBox::AfterCreate() {
  TComboBox::AfterCreate();
  SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, ItemHeight());
}

void TNewDriveComboBox::FontChanged() {
  TComboBox::FontChanged();
  if (hwnd_) SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, ItemHeight());
}

void TNewDriveComboBox::SetFont(const TFont& f) { font_ = f; }

void TNewDriveComboBox::SetTextCase(TTextCase c) {
  textCase_ = c;
  Invalidate();
}

void TNewDriveComboBox::Loaded() {
  if (hwnd_) SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, ItemHeight());
  if (!dirList_) return;
  std::string cur = provider_->CurrentDirectory();
  dirList_->SetDirectory(cur);
  std::string last = cur;
  while (last.size() > 3 && last.back() == '\\') last.pop_back();
  size_t slash = last.rfind('\\');
  if (slash != std::string::npos && last.size() > 3) last = last.substr(slash + 1);
  for (int i = 0; i < dirList_->Count(); ++i) {
    if (dirList_->Items().Get(i) == last) {
      dirList_->SetItemIndex(i);
      break;
    }
  }
}

// ---- the list

int TNewDriveComboBox::FindItem(char letter) {
  letter = Upper(letter);
  for (int i = 0; i < Items().Count(); ++i) {
    std::string t = Items().Get(i);
    if (!t.empty() && t[0] == letter) return i;
  }
  return -1;
}

bool TNewDriveComboBox::DriveCheck(char letter) {
  std::string all = provider_->LogicalDriveStrings();
  Items().Clear();
  types_.clear();
  for (size_t p = 0; p + 1 < all.size() && all[p] != '\0';) {
    size_t end = all.find('\0', p);
    if (end == std::string::npos) end = all.size();
    std::string root = all.substr(p, end - p);
    p = end + 1;
    for (char& ch : root) ch = Upper(ch);
    if (root.size() < 2) continue;
    UINT type = provider_->DriveType(root);
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) continue;
    if (type < DRIVE_REMOVABLE || type > DRIVE_RAMDISK) continue;
    std::string text = root.substr(0, 2);
    std::string vol;
    if (provider_->VolumeName(root, &vol) && !vol.empty()) text += " [" + vol + "]";
    Items().Add(text);
    types_.push_back(static_cast<int>(type));
  }
  SetItemIndex(FindItem(letter));
  return true;
}

std::string TNewDriveComboBox::ShownText(const std::string& text, TTextCase textCase) {
  std::wstring w = Cp932ToWide(text);
  if (w.empty()) return text;
  if (textCase == tcUpperCase) CharUpperBuffW(&w[0], static_cast<DWORD>(w.size()));
  else CharLowerBuffW(&w[0], static_cast<DWORD>(w.size()));
  return WideToCp932(w);
}

void TNewDriveComboBox::DrawItem(TCanvas& c, int index, const RECT& rect, bool selected) {
  c.BrushStyle = bsSolid;
  c.BrushColor = selected ? clNavy : color_;
  c.FillRect(rect);
  int type = ItemDriveType(index);
  if (type >= DRIVE_REMOVABLE && type <= DRIVE_RAMDISK && icons_[type - DRIVE_REMOVABLE]) {
    DrawIconEx(c.Handle(), rect.left + 2, rect.top + ItemHeight() / 2 - 8, icons_[type - DRIVE_REMOVABLE], 16, 16, 0,
               nullptr, DI_NORMAL);
  }
  if (index < 0 || index >= Items().Count()) return;
  c.Font = font_;
  c.Font.SetColor(selected ? clWhite : font_.Color());
  c.TextOut(rect.left + 21, rect.top + 1, Cp932ToWide(ShownText(Items().Get(index), textCase_)));
}

// ---- drives

bool TNewDriveComboBox::Drive_Size(const std::string& root, int64_t* total, int64_t* free) {
  if (root.empty()) return true;
  int number = static_cast<unsigned char>(Upper(root[0])) - 64;
  provider_->DiskSpace(number, total, free);
  return true;
}

bool TNewDriveComboBox::CheckDriveDisk(const std::string& root, bool ask) {
  for (;;) {
    if (provider_->VolumeName(root, nullptr)) return true;
    if (!ask) return false;
    HWND owner = nullptr;
    if (TForm* f = ParentForm()) owner = f->Handle();
    int r = MessageBoxCp932(NotReadyText(), Cp932FromUtf8(u8"確認"), MB_RETRYCANCEL | MB_ICONQUESTION, owner);
    if (r != IDRETRY) return false;
  }
}

void TNewDriveComboBox::SelectFallback() {
  if (Items().Count() == 0) {
    SetItemIndex(-1);
    return;
  }
  int i = lastFixed_ ? FindItem(lastFixed_) : -1;
  if (i < 0) i = 0;
  SetItemIndex(i);
  drive_ = Items().Get(i)[0];
}

void TNewDriveComboBox::Change() {
  int i = ItemIndex();
  if (i < 0 || i >= Items().Count()) return;
  char letter = Items().Get(i)[0];
  std::string root = std::string(1, letter) + ":\\";
  if (CheckDriveDisk(root, true)) {
    drive_ = letter;
    Drive_Size(root, &total_, &free_);
    if (types_[i] == DRIVE_FIXED) lastFixed_ = letter;
  } else {
    SelectFallback();
  }
  i = ItemIndex();
  if (dirList_) {
    dirList_->SetDrive(drive_);
    if (i != lastIndex_) dirList_->UpdateList();
  }
  lastIndex_ = i;
  if (OnChange) OnChange(this);
}

void TNewDriveComboBox::SetDrive(char letter) {
  letter = Upper(letter);
  std::string root = std::string(1, letter) + ":\\";
  if (!provider_->VolumeName(root, nullptr)) {
    ShowMessage(NotReadyText());
    return;
  }
  drive_ = letter;
  Drive_Size(root, &total_, &free_);
  int i = FindItem(letter);
  if (i >= 0) {
    SetItemIndex(i);
    lastIndex_ = i;
  }
  if (dirList_) dirList_->SetDrive(letter);
  i = ItemIndex();
  if (i >= 0 && types_[i] == DRIVE_FIXED) lastFixed_ = Items().Get(i)[0];
}

void TNewDriveComboBox::DropDown() {
  DriveCheck(drive_);
  if (OnDropDown) OnDropDown(this);
}

bool TNewDriveComboBox::DiskCheck(TDirectoryListBox* dirs, TFileListBox* files) {
  auto resetDirs = [&] {
    if (!dirs) return;
    dirs->SetDirectory(dirs->ItemPath(0));
    dirs->UpdateList();
  };
  if (dirs) {
    for (int i = 0; i < dirs->Count(); ++i) {
      if (!SpareDirectoryExists(dirs->ItemPath(i))) {
        resetDirs();
        if (files) files->UpdateList();
        return true;
      }
    }
  }
  if (files) {
    std::string dir = files->Directory();
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    for (int i = 0; i < files->Count(); ++i) {
      if (!SpareFileExists(dir + files->Items().Get(i))) {
        resetDirs();
        files->UpdateList();
        return true;
      }
    }
  }
  return false;
}

bool TNewDriveComboBox::DataCheck(const char* current, size_t currentLen, char* saved, size_t savedLen) {
  size_t n = currentLen < savedLen ? currentLen : savedLen;
  if (n > 255) n = 255;
  for (size_t i = 0; i < n; ++i) {
    if (current[i] != saved[i]) break;
    if (i > 0 && current[i] == '\0' && current[i - 1] == '\0') return true;
    if (i + 1 == 255) return true;
  }
  // A difference (or one buffer ended first): take the current strings, up to
  // their double NUL, as far as the saved buffer reaches.
  size_t copy = currentLen < savedLen ? currentLen : savedLen;
  if (copy > 255) copy = 255;
  for (size_t i = 1; i < copy; ++i) {
    if (current[i] == '\0' && current[i - 1] == '\0') {
      copy = i + 1;
      break;
    }
  }
  for (size_t i = 0; i < copy; ++i) saved[i] = current[i];
  return false;
}

LRESULT TNewDriveComboBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_COMMAND) {
    switch (HIWORD(wp)) {
      case CBN_SELCHANGE:
        Change();
        return 0;
      case CBN_DROPDOWN:
        DropDown();
        return 0;
      default:
        break;
    }
  }
  if (msg == CN_BASE + WM_MEASUREITEM) {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    m->itemHeight = static_cast<UINT>(ItemHeight() > 0 ? ItemHeight() : 1);
    return TRUE;
  }
  if (msg == CN_BASE + WM_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    canvas_.Attach(d->hDC);
    DrawItem(canvas_, static_cast<int>(d->itemID), d->rcItem, (d->itemState & ODS_SELECTED) != 0);
    canvas_.Detach();
    return TRUE;
  }
  return TComboBox::WndProc(msg, wp, lp);
}
