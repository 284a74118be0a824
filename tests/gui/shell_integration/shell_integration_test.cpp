// The main window's ties to the shell under wine: files dropped on it (a
// DROPFILES block sent as WM_DROPFILES), the clipboard's file list, the paste
// hand-off into another top-level window, help topics to the help viewer (a
// fake window and a fake viewer program), and the options' real shortcuts.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "controls/NewTrackBar.h"
#include "controls/ShellLink.h"
#include "dialogs/OptionDlg.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Clipboard.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/Shell.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "viewer/VastrelForm.h"

using testsupport::ExeDir;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

const UINT kStep = WM_APP + 416;
std::vector<std::function<void()>> g_steps;

// A DROPFILES block of UTF-16 paths at a client point of the window.
HGLOBAL MakeDrop(const std::vector<std::wstring>& files, POINT at) {
  std::wstring list;
  for (const auto& f : files) list += f + L'\0';
  list += L'\0';
  const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL g = GlobalAlloc(GHND, bytes);
  auto* d = static_cast<DROPFILES*>(GlobalLock(g));
  d->pFiles = sizeof(DROPFILES);
  d->pt = at;
  d->fNC = FALSE;
  d->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(d) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(g);
  return g;
}

// The fake help window: what WM_COPYDATA brought.
struct HelpCall {
  ULONG_PTR data = 99;
  DWORD bytes = 0;
  std::string payload;
  WPARAM from = 0;
};
std::vector<HelpCall> g_helpCalls;

LRESULT CALLBACK FakeHelpProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COPYDATA) {
    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    HelpCall c;
    c.data = cds->dwData;
    c.bytes = cds->cbData;
    c.payload.assign(static_cast<const char*>(cds->lpData), cds->cbData);
    c.from = wp;
    g_helpCalls.push_back(c);
    return 1;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

// The hand-off target: a top-level window whose keyboard focus is its EDIT.
HWND g_targetEdit = nullptr;
LRESULT CALLBACK TargetProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETFOCUS && g_targetEdit) {
    SetFocus(g_targetEdit);
    return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = FakeHelpProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TOrvikHelpDlg";
  RegisterClassW(&wc);
  wc.lpfnWndProc = TargetProc;
  wc.lpszClassName = L"HandOffTarget";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&wc);
}

std::wstring WindowText(HWND h) {
  std::wstring s(GetWindowTextLengthW(h) + 1, L'\0');
  GetWindowTextW(h, &s[0], static_cast<int>(s.size()));
  s.resize(wcslen(s.c_str()));
  return s;
}

class ShellIntegration : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    RegisterClasses();
    UseFreshProgramFolder(L"shell");
    g_helpCalls.clear();
  }
  void TearDown() override {
    Application->OnMessage = nullptr;
    g_steps.clear();
    TShellLink::SpecialFolderHook = nullptr;
    EndMainWindow();
  }
  TVastrelForm* Start() {
    TVastrelForm* f = StartForm(20, 20, 700, 460);
    SetForegroundWindow(f->Handle());
    Application->ProcessMessages();
    auto own = Application->OnMessage;  // the window's key routing stays
    Application->OnMessage = [own](MSG& m, bool& handled) {
      if (m.hwnd == nullptr && m.message == kStep) {
        handled = true;
        if (m.wParam < g_steps.size()) g_steps[m.wParam]();
        return;
      }
      if (own) own(m, handled);
    };
    return f;
  }
  // The client point of the window at the middle of a child window.
  POINT Middle(HWND child) {
    RECT r;
    GetClientRect(child, &r);
    POINT p = {r.right / 2, r.bottom / 2};
    MapWindowPoints(child, form_->Handle(), &p, 1);
    return p;
  }
  void Drop(const std::vector<std::wstring>& files, POINT at) {
    SendMessageW(form_->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files, at)), 0);
    Application->ProcessMessages();
  }
  // Pumps messages until done() or about two seconds have passed.
  static bool PumpUntil(const std::function<bool()>& done, int rounds = 200) {
    for (int i = 0; i < rounds && !done(); ++i) {
      Application->ProcessMessages();
      Sleep(10);
    }
    return done();
  }
};

// ---- drops

TEST_F(ShellIntegration, DropsOnTheTextAreaOpenTheFirstFile) {
  Start();
  const std::wstring a = File(L"a.txt", "alpha\r\n");
  const std::wstring b = File(L"b.txt", "beta\r\n");
  const std::wstring upper = File(L"README.TXT", "upper\r\n");
  const std::wstring other = File(L"data.bin", "bin\r\n");

  Drop({a, b, other}, Middle(form_->Memo1->Handle()));  // three files: the first
  EXPECT_EQ(form_->Doc.FilePath, a);
  EXPECT_EQ(form_->WatchPath, a);

  Drop({b}, Middle(form_->StatusBar1->Handle()));  // the status bar: ignored
  EXPECT_EQ(form_->Doc.FilePath, a);

  Drop({other}, Middle(form_->Memo1->Handle()));  // an extension not listed
  EXPECT_EQ(form_->Doc.FilePath, a);

  Drop({upper}, Middle(form_->Memo1->Handle()));  // the extension in capitals
  EXPECT_EQ(form_->Doc.FilePath, upper);

  // A UTF-16 file shows in a pane: a drop on the pane counts.
  const std::wstring wide = File(L"wide.txt", std::string("\xFF\xFE" "w\0i\0d\0e\0\r\0\n\0", 14));
  Drop({wide}, Middle(form_->Memo1->Handle()));
  ASSERT_EQ(form_->Doc.FilePath, wide);
  ASSERT_TRUE(IsWindowVisible(form_->CurrentPane));
  Drop({b}, Middle(form_->CurrentPane));
  EXPECT_EQ(form_->Doc.FilePath, b);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ShellIntegration, ADroppedShortcutOpensItsTarget) {
  Start();
  const std::wstring target = File(L"target.txt", "target\r\n");
  TShellLink s;
  s.Overwrite = true;
  s.LinkName = L"to target";
  const std::wstring link = s.ShellLinkCreateW(target, nullptr, folder_, L"", false);
  ASSERT_EQ(link, folder_ + L"to target.lnk");
  Drop({link}, Middle(form_->Memo1->Handle()));
  EXPECT_EQ(form_->Doc.FilePath, target);
}

TEST_F(ShellIntegration, ADropOnTheListViewTurnsTheCsvViewOffFirst) {
  Start();
  const std::wstring a = File(L"a.txt", "alpha\r\n");
  ASSERT_TRUE(form_->OpenFile(File(L"table.csv", "name,count\r\napple,3\r\npear,5\r\n")));
  Application->ProcessMessages();
  ASSERT_TRUE(form_->CheckBox7->Enabled());
  form_->CheckBox7->SetChecked(true);
  Application->ProcessMessages();
  ASSERT_TRUE(IsWindowVisible(form_->ListView1->Handle()));
  Drop({a}, Middle(form_->ListView1->Handle()));
  EXPECT_FALSE(form_->CheckBox7->Checked());
  EXPECT_FALSE(form_->ListView1->Visible());
  EXPECT_EQ(form_->Doc.FilePath, a);
  EXPECT_EQ(ViewText(), L"alpha\r\n");
}

TEST_F(ShellIntegration, ADropDuringWorkOpensWhenTheWorkEnds) {
  Start();
  const std::wstring a = File(L"a.txt", "alpha\r\n");
  const std::wstring b = File(L"b.txt", "beta\r\n");
  Drop({a}, Middle(form_->Memo1->Handle()));
  ASSERT_EQ(form_->Doc.FilePath, a);
  ASSERT_TRUE(form_->Work.Begin(vastrel::WorkGuard::Job::Search));
  Drop({b}, Middle(form_->Memo1->Handle()));
  EXPECT_EQ(form_->Doc.FilePath, a);
  form_->Work.End(vastrel::WorkGuard::Job::Search);
  Application->ProcessMessages();
  EXPECT_EQ(form_->Doc.FilePath, b);
}

TEST_F(ShellIntegration, NarrowSystemsReadTheDropInCodePage932) {
  TVastrelForm::SystemLevelOverride = 1;  // Windows Me: no UTF-16 windows
  Start();
  TVastrelForm::SystemLevelOverride = -1;
  ASSERT_FALSE(form_->UnicodeMode);
  const std::wstring name = File(L"\x65E5\x672C\x8A9E.txt", "nihongo\r\n");  // 日本語.txt
  HGLOBAL drop = MakeDrop({name}, Middle(form_->Memo1->Handle()));
  EXPECT_EQ(form_->DragQueryFileAuto(static_cast<HDROP>(drop), 0), name);
  SendMessageW(form_->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  Application->ProcessMessages();
  EXPECT_EQ(form_->Doc.FilePath, name);
}

// ---- the clipboard's file list

TEST_F(ShellIntegration, PasteOpensTheClipboardsFileWithoutTheExtensionTest) {
  Start();
  const std::wstring data = File(L"notes.dat", "pasted\r\n");
  ASSERT_TRUE(Clipboard::SetFileList({data}, form_->Handle()));
  form_->CheckBox1->SetChecked(false);
  ASSERT_TRUE(form_->Work.Begin(vastrel::WorkGuard::Job::Search));
  form_->Paste1Click();  // refused while work runs
  EXPECT_TRUE(form_->Doc.FilePath.empty());
  EXPECT_FALSE(form_->CheckBox1->Checked());
  form_->Work.End(vastrel::WorkGuard::Job::Search);

  form_->Paste1->Click();
  EXPECT_EQ(form_->Doc.FilePath, data);
  EXPECT_EQ(form_->WatchPath, data);
  EXPECT_TRUE(form_->CheckBox1->Checked());  // "削除禁止"
  EXPECT_EQ(ViewText(), L"pasted\r\n");

  // A watched file: the paste stops the watch through its button's handler.
  ASSERT_TRUE(form_->OpenFile(File(L"watched.txt", "watched\r\n")));
  form_->ChkSpBtn->Click();
  ASSERT_TRUE(form_->ChkSpBtn->Down());
  ASSERT_TRUE(form_->NewTrackBar1->Visible());
  form_->Paste1->Click();
  EXPECT_FALSE(form_->ChkSpBtn->Down());
  EXPECT_FALSE(form_->NewTrackBar1->Visible());
  EXPECT_EQ(form_->Doc.FilePath, data);
}

// ---- help

class HelpWindow {
 public:
  explicit HelpWindow(bool maximizedBefore) {
    owner_ = CreateWindowExW(0, L"HandOffTarget", L"help owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    help_ = CreateWindowExW(0, L"TOrvikHelpDlg", L"help", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 200, 100, owner_,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    if (maximizedBefore) ShowWindow(owner_, SW_MAXIMIZE);
    ShowWindow(owner_, SW_MINIMIZE);
    Application->ProcessMessages();
  }
  ~HelpWindow() { DestroyWindow(owner_); }
  HWND owner_ = nullptr, help_ = nullptr;
};

TEST_F(ShellIntegration, HelpGoesToTheOpenViewerWindow) {
  Start();
  std::vector<ShellExecuteRequest> started;
  ScopedShellExecuteHandler shell([&](const ShellExecuteRequest& r) {
    started.push_back(r);
    return INT_PTR(42);
  });
  for (bool maximized : {true, false}) {
    g_helpCalls.clear();
    HelpWindow w(maximized);
    ASSERT_TRUE(IsIconic(w.owner_));
    EXPECT_EQ(TVastrelForm::WasMaximized(w.owner_), maximized);
    form_->Help1->Click();
    ASSERT_EQ(g_helpCalls.size(), 1u);
    const HelpCall& c = g_helpCalls[0];
    EXPECT_EQ(c.data, 0u);
    EXPECT_EQ(c.from, reinterpret_cast<WPARAM>(form_->Handle()));
    const std::string expected = "Orvik" + WideToCp932(folder_ + L"Help\\Vastrel.htm");
    EXPECT_EQ(c.payload, expected);
    EXPECT_EQ(c.bytes, expected.size());  // no terminator
    EXPECT_FALSE(IsIconic(w.owner_));
    EXPECT_EQ(IsZoomed(w.owner_) != 0, maximized);
  }
  EXPECT_TRUE(started.empty());
}

TEST_F(ShellIntegration, HelpTopicOfTheOptionsDialog) {
  Start();
  HelpWindow w(false);
  form_->DialogServicesOf()->ShowHelpTopic("Vastrel.htm#Option");
  ASSERT_EQ(g_helpCalls.size(), 1u);
  EXPECT_EQ(g_helpCalls[0].payload, "Orvik" + WideToCp932(folder_ + L"Help\\Vastrel.htm#Option"));
}

TEST_F(ShellIntegration, WithoutViewerNothingHappens) {
  Start();
  std::vector<ShellExecuteRequest> started;
  ScopedShellExecuteHandler shell([&](const ShellExecuteRequest& r) {
    started.push_back(r);
    return INT_PTR(42);
  });
  form_->Help1->Click();
  EXPECT_TRUE(started.empty());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ShellIntegration, TheViewerIsStartedOnceWithTheQuotedTopic) {
  Start();
  const std::wstring helpFolder = folder_ + L"Help";
  ASSERT_TRUE(CreateDirectoryW(helpFolder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW((ExeDir() + L"\\Brevint.exe").c_str(), (helpFolder + L"\\Brevint.exe").c_str(), FALSE));
  std::vector<ShellExecuteRequest> started;
  ScopedShellExecuteHandler shell([&](const ShellExecuteRequest& r) {
    started.push_back(r);
    return reinterpret_cast<INT_PTR>(ShellExecuteW(r.owner, r.verb.c_str(), r.file.c_str(), r.parameters.c_str(),
                                                   nullptr, r.show));
  });
  const std::wstring topic = helpFolder + L"\\Vastrel.htm";
  form_->Help1->Click();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].owner, form_->Handle());
  EXPECT_EQ(started[0].verb, L"open");
  EXPECT_EQ(started[0].file, helpFolder + L"\\Brevint.exe");
  EXPECT_EQ(started[0].parameters, L"\"" + topic + L"\"");
  // The click waits for the viewer's window; a heavily loaded machine may
  // start the viewer later than that wait lasts, which is no fault.
  HWND viewer = FindWindowW(L"TOrvikHelpDlg", nullptr);
  if (!viewer) {
    std::fprintf(stderr, "the viewer's window came after the wait\n");
    PumpUntil([&] { return (viewer = FindWindowW(L"TOrvikHelpDlg", nullptr)) != nullptr; }, 1500);
  }
  ASSERT_NE(viewer, nullptr);

  form_->Help1->Click();  // the viewer runs: no second start, the topic is sent
  EXPECT_EQ(started.size(), 1u);

  DWORD pid = 0;
  GetWindowThreadProcessId(viewer, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageW(viewer, WM_CLOSE, 0, 0);
  if (process) {
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
  const std::string log = ReadBytes(helpFolder + L"\\Brevint.log");
  const std::string topicUtf8 = WideToCp932(topic);  // ASCII folder names: the same bytes
  EXPECT_NE(log.find("start "), std::string::npos) << log;
  EXPECT_NE(log.find("\"" + topicUtf8 + "\""), std::string::npos) << log;
  EXPECT_NE(log.find("copydata 0 " + std::to_string(5 + topicUtf8.size()) + " Orvik" + topicUtf8), std::string::npos)
      << log;
}

// ---- the paste hand-off

TEST_F(ShellIntegration, HandOffPastesTheCaretLineIntoTheWindowInFront) {
  Start();
  const std::wstring a = File(L"a.txt", "first line\r\nsecond line\r\n");
  form_->OpenFile(a);
  form_->SetSelection(0, 0);
  Application->ProcessMessages();

  HWND target = CreateWindowExW(0, L"HandOffTarget", L"target", WS_OVERLAPPEDWINDOW, 100, 100, 300, 150, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  g_targetEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 280, 100, target,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(target, SW_SHOW);
  SetForegroundWindow(target);
  // Timer4 notes the window in front while ours is inactive.
  EXPECT_TRUE(PumpUntil([&] { return form_->PasteTargetWindow == target; }));
  EXPECT_EQ(form_->Timer4->Interval(), 1000u);

  form_->SpeedButton6Click();
  EXPECT_EQ(WindowText(g_targetEdit), L"first line");
  EXPECT_EQ(GetForegroundWindow(), form_->Handle());

  // A right click: CR LF goes first.
  form_->SpeedButton6MouseDown(mbRight);
  EXPECT_TRUE(form_->PasteLeadingLineEnd);
  EXPECT_EQ(form_->SpeedButton6->ImageIndex(), 39);
  SetWindowTextW(g_targetEdit, L"");
  form_->SpeedButton6Click();
  EXPECT_EQ(WindowText(g_targetEdit), L"\r\nfirst line");
  form_->SpeedButton6MouseDown(mbRight);
  EXPECT_FALSE(form_->PasteLeadingLineEnd);
  EXPECT_EQ(form_->SpeedButton6->ImageIndex(), 38);

  // Below NT the keys go through keybd_event.
  form_->SystemLevel = 1;
  SetWindowTextW(g_targetEdit, L"");
  form_->SpeedButton6Click();
  EXPECT_EQ(WindowText(g_targetEdit), L"first line");
  form_->SystemLevel = 5;

  // F1 on the text view does the same while the button is enabled.
  form_->Timer5Timer();
  ASSERT_TRUE(form_->SpeedButton6->Enabled());
  SetWindowTextW(g_targetEdit, L"");
  form_->FocusTextView();
  PostMessageW(form_->Memo1->Handle(), WM_KEYDOWN, VK_F1, 0);
  Application->ProcessMessages();
  EXPECT_EQ(WindowText(g_targetEdit), L"first line");
  EXPECT_TRUE(messages_.empty());
  DestroyWindow(target);
  g_targetEdit = nullptr;
}

TEST_F(ShellIntegration, PasteButtonEnabledWhileBookmarksCanBeSetAndTheTargetShows) {
  Start();
  HWND target = CreateWindowExW(0, L"HandOffTarget", L"target", WS_OVERLAPPEDWINDOW, 100, 100, 300, 150, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  form_->PasteTargetWindow = target;
  struct Case {
    bool bookmarkButton, visible, enabled;
  };
  const Case cases[] = {{true, true, true}, {true, false, false}, {false, true, false}, {false, false, false}};
  for (const Case& c : cases) {
    form_->SpeedButton4->SetEnabled(c.bookmarkButton);
    ShowWindow(target, c.visible ? SW_SHOWNOACTIVATE : SW_HIDE);
    form_->Timer5Timer();
    EXPECT_EQ(form_->SpeedButton6->Enabled(), c.enabled) << c.bookmarkButton << c.visible;
  }
  DestroyWindow(target);
  form_->Timer5Timer();  // a closed window: the button goes off
  EXPECT_FALSE(form_->SpeedButton6->Enabled());
}

// ---- the options' real shortcuts

TEST_F(ShellIntegration, OptionsMakeAndRemoveTheProgramsShortcuts) {
  // The program file in the program folder, a private Send To folder, the
  // prefix's own desktop.
  ASSERT_TRUE(WriteBytes(folder_ + TVastrelForm::ProgramFileName(), "MZ"));
  const std::wstring sendTo = testsupport::MakeTempDir(L"sendto");
  const std::wstring desktop = TShellLink().GetPath(0);
  ASSERT_FALSE(desktop.empty());
  TShellLink::SpecialFolderHook = [sendTo, desktop](int csidl) {
    return csidl == 9 ? sendTo : csidl == 0 ? desktop : std::wstring();
  };
  Start();
  ASSERT_FALSE(form_->SendToLink);
  const std::wstring program = form_->ProgramPath();
  const std::wstring desktopLink = desktop + L"\\Vastrel.lnk";
  DeleteFileW(desktopLink.c_str());

  auto runOptions = [&](bool on) {
    g_steps = {[on] {
      ASSERT_NE(OptionDlg, nullptr);
      OptionDlg->CheckBox8->SetChecked(on);
      OptionDlg->CheckBox1->SetChecked(on);
      OptionDlg->OKBtn->Click();
    }};
    PostThreadMessageW(GetCurrentThreadId(), kStep, 0, 0);
    form_->Option1Click();
  };
  runOptions(true);
  std::wstring target;
  TShellLink().GetLinkToPathWid(desktopLink, target, nullptr, false);
  EXPECT_TRUE(TShellLink::SamePath(target, program)) << target;
  TShellLink().GetLinkToPathWid(sendTo + L"\\Vastrel.lnk", target, nullptr, false);
  EXPECT_TRUE(TShellLink::SamePath(target, program)) << target;
  EXPECT_TRUE(form_->SendToLink);

  // A new start finds the Send To shortcut (and the Windows folder).
  form_->Free();
  form_ = nullptr;
  Start();
  EXPECT_TRUE(form_->SendToLink);
  EXPECT_FALSE(form_->WindowsFolder.empty());

  runOptions(false);
  EXPECT_EQ(GetFileAttributesW(desktopLink.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((sendTo + L"\\Vastrel.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(form_->SendToLink);

  // A Send To shortcut that cannot be made (the folder is gone): the box
  // follows the folder, not the tick.
  RemoveDirectoryW(sendTo.c_str());
  runOptions(true);
  EXPECT_FALSE(form_->SendToLink);
  DeleteFileW(desktopLink.c_str());
}

}  // namespace
