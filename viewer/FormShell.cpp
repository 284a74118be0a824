// The options command and what the main window applies after it; the
// program's shortcuts and open-with entry; files dropped on the text area and
// the clipboard's file list; the paste hand-off to the window in front before
// ours; help topics in the help viewer.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "controls/MyTrackBar.h"
#include "controls/ShellLink.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Clipboard.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/Shell.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "text/PathText.h"
#include "text/ShellText.h"
#include "viewer/OpenWith.h"
#include "viewer/OptionsFlow.h"
#include "viewer/PathRoutines.h"
#include "viewer/VastrelForm.h"

void TVastrelForm::Option1Click() {
  const OptionsOutcome out = RunOptionsFlow(this, Settings, SendToLink, *DialogServicesOf());
  if (!out.ok) return;
  // Nothing is written to the settings file here: it is saved at close.
  if (out.fontSizeChanged) ApplyFontSize();
  if (out.bookmarkFontSizeChanged) ApplyBookmarkFontSize();
}

void TVastrelForm::ApplyFontSize() {
  Memo1->Font().SetSize(Settings.FontSize);
  ListView1->Font().SetSize(Settings.FontSize);
  ListBox2->Font().SetSize(Settings.FontSize);
  ListBox1->Font().SetSize(Settings.FontSize);
  ListBox1->SetItemHeight(-ListBox1->Font().Height() + (CheckBox7->Checked() ? 1 : 0));
  for (HWND pane : {UnwrappedPane, WrappedPane}) {
    if (pane) SendMessageW(pane, WM_SETFONT, reinterpret_cast<WPARAM>(Memo1->Font().Handle()), TRUE);
  }
  ShowPage(false, true, MyTrackBar1->Position());
  if (N26->Checked()) {
    ListBox1->SetWidth(25);
    UpdateLineNumbers();
    ListBox1->Invalidate();
  }
  RedrawTextView(true);
}

void TVastrelForm::ApplyBookmarkFontSize() {
  BockListBox1->Font().SetSize(Settings.BookmarkFontSize);
  BockListBox1->Invalidate();
}

// ---- the program's shortcuts and open-with entry

std::wstring TVastrelForm::ProgramFileName() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::wstring();
    if (n < buf.size()) return pathtext::ExtractNameWide(std::wstring(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

std::wstring TVastrelForm::ProgramPath() { return Paths.programFolder + ProgramFileName(); }

std::wstring TVastrelForm::LinkTitle() {
  const std::string title = Application->Title();
  return title.empty() ? std::wstring(L"Vastrel") : Cp932ToWide(title);
}

bool TVastrelForm::ProgramLinkExists(int csidl) { return ShellLink1->ChkLinkPath(ProgramPath(), LinkTitle(), csidl); }

void TVastrelForm::SetProgramLink(int csidl, bool on) {
  if (on) {
    ShellLink1->CreateLink(ProgramPath(), nullptr, csidl, LinkTitle(), true);
  } else {
    ShellLink1->DeleteLink(csidl, ProgramPath(), LinkTitle());
  }
}

bool TVastrelForm::SetOpenWith(const std::wstring& programName, bool on) {
  return openwith::SetOpenWith(OpenWithUserRoot, OpenWithClassesRoot, Cp932ToWide(Settings.OpenExtensions),
                               Paths.programFolder, programName, on);
}

bool TVastrelForm::IsOpenWithSet(const std::wstring& programName) {
  return openwith::IsOpenWithSet(OpenWithUserRoot, OpenWithClassesRoot, Paths.programFolder, programName);
}

// ---- drops and the clipboard's file list

std::wstring TVastrelForm::DragQueryFileAuto(HDROP drop, UINT index) {
  if (UnicodeMode) {
    const UINT n = DragQueryFileW(drop, index, nullptr, 0);
    std::vector<wchar_t> buf(n + 2, L'\0');
    DragQueryFileW(drop, index, buf.data(), n + 1);
    return buf.data();
  }
  const UINT n = DragQueryFileA(drop, index, nullptr, 0);
  std::vector<char> buf(n + 2, '\0');
  DragQueryFileA(drop, index, buf.data(), n + 1);
  return Cp932ToWide(buf.data());
}

void TVastrelForm::WmDropFiles(HDROP drop) {
  struct Finish {  // the drop is finished on every way out
    HDROP d;
    ~Finish() { DragFinish(d); }
  } finish{drop};

  POINT pt = {};
  DragQueryPoint(drop, &pt);
  ClientToScreen(Handle(), &pt);
  HWND under = WindowFromPoint(pt);
  // The framework control that holds the window under the point.
  TWinControl* control = nullptr;
  for (HWND h = under; h && !control; h = GetParent(h)) control = TWinControl::FromHandle(h);
  const bool onListView = control == ListView1 && ListView1->Visible();
  const bool taken = control == Panel5 || (under && under == CurrentPane) ||
                     (control == Memo1 && Memo1->Visible()) || onListView;
  if (!taken) return;
  if (onListView) CheckBox7->SetChecked(false);  // the CSV view goes first
  if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0) return;
  std::wstring path = DragQueryFileAuto(drop, 0);
  const std::wstring ext = shelltext::LowerExtension(path);
  if (ext == L".lnk") ShellLink1->GetLinkToPathWid(path, path, nullptr, false);
  // While work runs or an edit dialog is open the drop waits for its end.
  if (!FileCommandsAllowed()) {
    Work.OfferOpen(vastrel::WorkGuard::PendingOpen::Kind::Drop, {path});
    return;
  }
  OpenDroppedPath(path);
}

void TVastrelForm::OpenPendingDrops() {
  if (!FileCommandsAllowed()) {
    // More work began since (its end posts again), or the work's own flags
    // are not yet reset: look again shortly.
    if (Work.Idle()) SetTimer(Handle(), kOpenPendingDropMessage, 200, nullptr);
    return;
  }
  std::wstring last;
  for (const auto& pending : Work.TakePending()) {
    if (!pending.paths.empty()) last = pending.paths.front();
  }
  // Only the latest drop: each open replaces the document anyway.
  if (!last.empty()) OpenDroppedPath(last);
}

std::wstring TVastrelForm::ClipboardFileName() {
  const std::vector<std::wstring> files = Clipboard::GetFileList(Handle());
  return files.empty() ? std::wstring() : files.front();
}

void TVastrelForm::Paste1Click() {
  if (!FileCommandsAllowed()) return;
  SetTextModified(false);
  const std::wstring path = ClipboardFileName();
  if (path.empty()) return;
  // The entry through the file seam, which takes paths of any length; a file
  // that cannot be found is said so, in the system's words.
  WIN32_FIND_DATAW found;
  if (!FindFirstFileAny(path, &found)) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return;
  }
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
  Doc.BackupOffered = false;
  CheckBox1->SetChecked(true);  // "削除禁止"
  Application->ProcessMessages();
  // A running watch stops, through the watch button's own handler.
  if (ChkSpBtn->Down()) {
    ChkSpBtn->SetDown(false);
    ChkSpBtnClick();
  }
  WatchPath = path;
  LastFolder = pathtext::ExtractDriveDirWide(path);
  OpenFile(path);
}

// ---- the paste hand-off

void TVastrelForm::Timer4Timer() {
  if (Timer4->Interval() != 1000) {
    Timer4->SetInterval(1000);
    if (BockListBox1->ItemIndex() >= 0) BockListBox1->Invalidate();
    if (ListBox2->ItemIndex() >= 0) ListBox2->Invalidate();
  }
  PasteTargetWindow = GetForegroundWindow();
}

void TVastrelForm::Timer5Timer() {
  SpeedButton6->SetEnabled(SpeedButton4->Enabled() && PasteTargetWindow && IsWindowVisible(PasteTargetWindow));
}

void TVastrelForm::SpeedButton6Click() {
  Copy1Click(false);
  for (int i = 0; i < 100; ++i) {
    Sleep(1);
    Application->ProcessMessages();
  }
  SetForegroundWindow(Handle());
}

void TVastrelForm::SpeedButton6MouseDown(TMouseButton button) {
  if (button != mbRight) return;
  PasteLeadingLineEnd = !PasteLeadingLineEnd;
  SpeedButton6->SetImageIndex(PasteLeadingLineEnd ? 39 : 38);
  SpeedButton6->Invalidate();
}

void TVastrelForm::SendCtrlKey(HWND window, char key) {
  if (GetForegroundWindow() != window) SetForegroundWindow(window);
  const WORD vk = static_cast<WORD>(static_cast<unsigned char>(key));
  // SendInput is looked up at run time: Windows 95 lacks it, and a direct
  // import would keep the program from starting there.
  using SendInputProc = UINT(WINAPI*)(UINT, LPINPUT, int);
  SendInputProc sendInput = nullptr;
  if (SystemLevel > 1) {
    if (HMODULE user = GetModuleHandleW(L"user32.dll"))
      sendInput = reinterpret_cast<SendInputProc>(
          reinterpret_cast<void*>(GetProcAddress(user, "SendInput")));
  }
  if (sendInput) {
    INPUT in[4] = {};
    const WORD keys[4] = {VK_CONTROL, vk, vk, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wVk = keys[i];
      in[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(keys[i], 0));
      in[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
      in[i].ki.time = 100;
    }
    if (sendInput(4, in, sizeof(INPUT)) < 4) ShowMessageWide(SystemErrorTextWide(GetLastError()));
  } else {
    keybd_event(VK_CONTROL, 1, KEYEVENTF_EXTENDEDKEY, 0);
    keybd_event(static_cast<BYTE>(vk), 0, 0, 0);
    keybd_event(static_cast<BYTE>(vk), 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_CONTROL, 1, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
  }
  Application->ProcessMessages();
}

// ---- help

namespace {
const wchar_t kHelpWindowClass[] = L"TOrvikHelpDlg";
}

bool TVastrelForm::WasMaximized(HWND window) {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  return GetWindowPlacement(window, &wp) && (wp.flags & WPF_RESTORETOMAXIMIZED);
}

void TVastrelForm::SendHelpTopic(HWND window, const std::string& text) {
  // The viewer's contract: "Orvik" and the path, code page 932, no terminator.
  std::string payload = "Orvik" + text;
  COPYDATASTRUCT cds = {};
  cds.dwData = 0;
  cds.cbData = static_cast<DWORD>(payload.size());
  cds.lpData = payload.empty() ? nullptr : &payload[0];
  SendMessageA(window, WM_COPYDATA, reinterpret_cast<WPARAM>(Handle()), reinterpret_cast<LPARAM>(&cds));
}

void TVastrelForm::ShowHelpTopic(TForm*, const std::string& topic) {
  const std::wstring full = Paths.programFolder + L"Help\\" + Cp932ToWide(topic);
  if (HWND help = FindWindowW(kHelpWindowClass, nullptr)) {
    SendHelpTopic(help, WideToCp932(full));
    HWND owner = GetWindow(help, GW_OWNER);
    if (!owner) owner = help;
    if (IsIconic(owner)) {
      if (WasMaximized(owner)) {
        ShowWindow(owner, SW_SHOWMAXIMIZED);
      } else {
        OpenIcon(owner);
      }
    }
    SetForegroundWindow(owner);
    return;
  }
  const std::wstring viewer = Paths.programFolder + L"Help\\Brevint.exe";
  const DWORD attributes = GetFileAttributesW(viewer.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  ShellExecuteRequest r;
  r.owner = Handle();
  r.verb = L"open";
  r.file = viewer;
  r.parameters = L"\"" + full + L"\"";
  r.show = SW_SHOW;
  RunShellExecute(r);
  // The viewer shows the topic it was started with; wait for its window.
  for (int i = 0; i < 3000; ++i) {
    if (FindWindowW(kHelpWindowClass, nullptr)) break;
    Sleep(1);
    Application->ProcessMessages();
  }
}

// ---- wiring

void TVastrelForm::InstallShellHandlers() {
  Paste1->OnClick = [this](TMenuItem*) { Paste1Click(); };
  Help1->OnClick = [this](TMenuItem*) { ShowHelpTopic(this, "Vastrel.htm"); };
  Timer4->OnTimer = [this](TTimer*) { Timer4Timer(); };
  Timer5->OnTimer = [this](TTimer*) { Timer5Timer(); };
  SpeedButton6->OnClick = [this](TWinControl*) { SpeedButton6Click(); };
  SpeedButton6->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int) {
    SpeedButton6MouseDown(b);
  };
  Work.OnPendingReady = [this] {
    if (HandleAllocated()) PostMessageW(Handle(), kOpenPendingDropMessage, 0, 0);
  };
}
