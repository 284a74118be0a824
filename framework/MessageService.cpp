#include "framework/MessageService.h"

#include <atomic>
#include <mutex>

#include <shlobj.h>

#include <vector>

#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Form.h"

namespace {
std::atomic<int> g_openModal{0};
std::mutex g_lock;
MessageHandler g_messageHandler;
FileDialogHandler g_dialogHandler;
std::wstring g_title = L"Vastrel";

MessageHandler CurrentMessageHandler() {
  std::lock_guard<std::mutex> l(g_lock);
  return g_messageHandler;
}

int Show(MessageRequest&& r) {
  if (!r.owner) r.owner = DefaultMessageOwner();
  ModalScope open;
  MessageHandler h = CurrentMessageHandler();
  if (h) return h(r);
  return MessageBoxW(r.owner, r.text.c_str(), r.caption.c_str(), r.flags);
}
}  // namespace

ModalScope::ModalScope() { ++g_openModal; }
ModalScope::~ModalScope() { --g_openModal; }
int OpenModalCount() { return g_openModal.load(); }

HWND DefaultMessageOwner() {
  if (GetCurrentThreadId() != Application->ThreadId()) return nullptr;
  if (TForm* modal = TForm::InnermostModal()) {
    if (modal->HandleAllocated()) return modal->Handle();
  }
  HWND active = GetActiveWindow();
  if (active && IsWindowVisible(active) && dynamic_cast<TForm*>(TWinControl::FromHandle(active))) return active;
  TForm* main = Application->MainForm();
  if (main && main->HandleAllocated()) return main->Handle();
  return nullptr;
}

MessageHandler SetMessageHandler(MessageHandler handler) {
  std::lock_guard<std::mutex> l(g_lock);
  MessageHandler old = std::move(g_messageHandler);
  g_messageHandler = std::move(handler);
  return old;
}

void SetMessageTitle(const std::wstring& title) {
  std::lock_guard<std::mutex> l(g_lock);
  g_title = title;
}

std::wstring MessageTitle() {
  std::lock_guard<std::mutex> l(g_lock);
  return g_title;
}

int MessageBoxCp932(const std::string& text, const std::string& caption, UINT flags, HWND owner) {
  MessageRequest r;
  r.textCp932 = text;
  r.text = Cp932ToWide(text);
  r.captionCp932 = caption;
  r.caption = Cp932ToWide(caption);
  r.flags = flags;
  r.owner = owner;
  r.wide = false;
  return Show(std::move(r));
}

int MessageBoxWide(const std::wstring& text, const std::wstring& caption, UINT flags, HWND owner) {
  MessageRequest r;
  r.text = text;
  r.textCp932 = WideToCp932(text);
  r.caption = caption;
  r.captionCp932 = WideToCp932(caption);
  r.flags = flags;
  r.owner = owner;
  r.wide = true;
  return Show(std::move(r));
}

void ShowMessage(const std::string& textCp932) { MessageBoxCp932(textCp932, WideToCp932(MessageTitle()), MB_OK); }

void ShowMessageWide(const std::wstring& text) { MessageBoxWide(text, MessageTitle(), MB_OK); }

std::wstring SystemErrorTextWide(DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::wstring out;
  if (n && buf) out.assign(buf, n);
  if (buf) LocalFree(buf);
  while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' ')) out.pop_back();
  if (out.empty()) out = L"Error " + std::to_wstring(code);
  return out;
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler) {
  std::lock_guard<std::mutex> l(g_lock);
  FileDialogHandler old = std::move(g_dialogHandler);
  g_dialogHandler = std::move(handler);
  return old;
}

namespace {
std::wstring DoubleNulText(const wchar_t* p) {
  std::wstring out;
  if (!p) return out;
  while (*p) {
    std::wstring part(p);
    out += part;
    out += L'\0';
    p += part.size() + 1;
  }
  return out;
}
}  // namespace

bool RunFileDialog(OPENFILENAMEW& ofn, bool save) {
  FileDialogHandler h;
  {
    std::lock_guard<std::mutex> l(g_lock);
    h = g_dialogHandler;
  }
  ModalScope open;
  if (!h) return save ? GetSaveFileNameW(&ofn) != FALSE : GetOpenFileNameW(&ofn) != FALSE;

  FileDialogRequest r;
  r.save = save;
  r.owner = ofn.hwndOwner;
  if (ofn.lpstrFile) r.initialFile = ofn.lpstrFile;
  r.bufferChars = ofn.nMaxFile;
  r.filter = DoubleNulText(ofn.lpstrFilter);
  r.filterIndex = ofn.nFilterIndex;
  if (ofn.lpstrInitialDir) r.initialDir = ofn.lpstrInitialDir;
  if (ofn.lpstrDefExt) r.defExt = ofn.lpstrDefExt;
  if (ofn.lpstrTitle) r.title = ofn.lpstrTitle;
  r.flags = ofn.Flags;
  r.structSize = ofn.lStructSize;
  std::wstring result;
  if (!h(r, result)) return false;
  if (!ofn.lpstrFile || ofn.nMaxFile < 2) return false;
  size_t n = result.size();
  if (n > ofn.nMaxFile - 2) n = ofn.nMaxFile - 2;
  result.copy(ofn.lpstrFile, n);
  ofn.lpstrFile[n] = L'\0';
  ofn.lpstrFile[n + 1] = L'\0';
  return true;
}

namespace {
FolderDialogHandler g_folderHandler;
}  // namespace

FolderDialogHandler SetFolderDialogHandler(FolderDialogHandler handler) {
  std::lock_guard<std::mutex> l(g_lock);
  FolderDialogHandler old = std::move(g_folderHandler);
  g_folderHandler = std::move(handler);
  return old;
}

bool RunFolderDialog(HWND owner, const std::wstring& title, std::wstring& folder) {
  FolderDialogHandler h;
  {
    std::lock_guard<std::mutex> l(g_lock);
    h = g_folderHandler;
  }
  const UINT flags = BIF_RETURNONLYFSDIRS;
  if (!owner) owner = DefaultMessageOwner();
  ModalScope open;
  if (h) {
    FolderDialogRequest r;
    r.owner = owner;
    r.title = title;
    r.flags = flags;
    r.hasRoot = false;
    return h(r, folder);
  }
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.pidlRoot = nullptr;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = flags;
  bool ok = false;
  if (PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi)) {
    std::vector<wchar_t> path(MAX_PATH + 1, L'\0');
    if (SHGetPathFromIDListW(pidl, path.data())) {
      folder = path.data();
      ok = !folder.empty();
    }
    CoTaskMemFree(pidl);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return ok;
}
