// The version box under wine, opened from the main window's "about" command
// and driven with messages while its modal loop runs: the lines and the
// layout, the panel's colour by display depth, the icon's transparent copy,
// the update check's messages, the download with its "中止" button, and the
// shell calls. The update site is the local HTTP server.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogs/AboutDialog.h"
#include "dialogs/UpdateCheck.h"
#include "dialogs/VersionBox.h"
#include "framework/Application.h"
#include "framework/MessageService.h"
#include "framework/Shell.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "support/screen_shot.h"
#include "support/update_server.h"

namespace {

// Runs f from the message loop after ms (a thread timer with its own
// procedure, dispatched by whatever loop runs then: the box's modal loop or
// a wait inside one of its handlers).
std::map<UINT_PTR, std::function<void()>> g_soon;
void CALLBACK SoonProc(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto it = g_soon.find(id);
  if (it == g_soon.end()) return;
  std::function<void()> f = std::move(it->second);
  g_soon.erase(it);
  f();
}
void RunSoon(std::function<void()> f, UINT ms = 20) { g_soon[SetTimer(nullptr, 0, ms, SoonProc)] = std::move(f); }

std::wstring WindowText(HWND h) {
  wchar_t buf[256] = {0};
  GetWindowTextW(h, buf, 256);
  return buf;
}

void Click(TWinControl* c) { SendMessageW(c->Handle(), BM_CLICK, 0, 0); }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int CountBoxes() {
  int n = 0;
  for (HWND h = FindWindowW(L"TVersionBox", nullptr); h; h = FindWindowExW(nullptr, h, L"TVersionBox", nullptr))
    if (IsWindowVisible(h)) n++;
  return n;
}

struct Message {
  std::wstring text, caption;
  UINT flags;
  HWND owner;
};

class VersionBox : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    ASSERT_GT(testsupport::UpdateServerPort(), 0) << "the update server fixture did not start";
    UseFreshProgramFolder(L"vb");
    SetMessageHandler([this](const MessageRequest& r) {
      said_.push_back({r.text, r.caption, r.flags, r.owner});
      return (r.flags & MB_YESNO) ? answer_ : IDOK;
    });
    previousFolder_ = SetFolderDialogHandler([this](const FolderDialogRequest& r, std::wstring& folder) {
      folderTitles_.push_back(r.title);
      if (onFolder_) onFolder_();
      folder = downloadFolder_;
      return !downloadFolder_.empty();
    });
    previousShell_ = SetShellExecuteHandler([this](const ShellExecuteRequest& r) {
      shell_.push_back(r);
      return shellResult_;
    });
    update::SetCallTimeoutMs(5000);
    StartForm();
  }
  void TearDown() override {
    EXPECT_TRUE(update::WaitForHelpers(20000));
    update::SetCallTimeoutMs(15000);
    SetFolderDialogHandler(previousFolder_);
    SetShellExecuteHandler(previousShell_);
    TAboutDialog::DisplayDepth = savedDepth_;
    EndMainWindow();
  }
  TVersionBox* Box() { return form_->AboutDialog1.Box(); }
  // Runs the "about" command; body runs inside the box's modal loop and must
  // close it (a stuck box is closed after 30 s so that the test ends).
  void RunBox(std::function<void(TVersionBox*)> body) {
    RunSoon([this, body]() {
      TVersionBox* box = Box();
      ASSERT_NE(box, nullptr);
      body(box);
    });
    RunSoon([this]() {
      if (Box()) Box()->SetModalResult(mrCancel);
    }, 30000);
    form_->N4Click();
  }

  std::vector<Message> said_;
  int answer_ = IDYES;
  std::vector<std::wstring> folderTitles_;
  std::wstring downloadFolder_;
  std::function<void()> onFolder_;
  std::vector<ShellExecuteRequest> shell_;
  INT_PTR shellResult_ = 42;
  FolderDialogHandler previousFolder_;
  ShellExecuteHandler previousShell_;
  std::function<int(HWND)> savedDepth_ = TAboutDialog::DisplayDepth;
};

}  // namespace

TEST_F(VersionBox, ShowsTheProductLinesInItsLayout) {
  RunBox([this](TVersionBox* box) {
    HWND h = box->Handle();
    EXPECT_EQ(WindowText(h), L"バージョン情報");
    RECT cr;
    GetClientRect(h, &cr);
    EXPECT_EQ(cr.right, 298);
    EXPECT_EQ(cr.bottom, 203);
    EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_THICKFRAME);
    // centred on the screen
    RECT wr;
    GetWindowRect(h, &wr);
    EXPECT_NEAR((wr.left + wr.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_EQ(WindowText(box->StaticText1->Handle()), L"Vastrel  ");
    EXPECT_EQ(WindowText(box->Label2->Handle()), L"Programming by the Vastrel project");
    EXPECT_EQ(WindowText(box->StaticText2->Handle()), L"[ 1.5.2.1 ]");
    EXPECT_EQ(WindowText(box->Label3->Handle()), L"2026");
    EXPECT_EQ(WindowText(box->Label4->Handle()), L"Orvik");
    EXPECT_EQ(box->Label4->Left() + box->Label4->Width(), box->Panel1->Width() - 16);
    EXPECT_EQ(WindowText(box->UpdateChkBtn->Handle()), L"Update");
    EXPECT_EQ(WindowText(box->OKButton->Handle()), L"OK");
    EXPECT_TRUE(IsWindowVisible(box->OKButton->Handle()));
    EXPECT_FALSE(IsWindowVisible(box->ColorProgressBar1->Handle()));
    EXPECT_EQ(box->ColorProgressBar1->BoxColor(), clSilver);
    EXPECT_EQ(box->ColorProgressBar1->BarColor(), 0xFF8000u);
    EXPECT_EQ(box->ColorProgressBar1->BarStyle(), btWin7);
    EXPECT_TRUE(box->Timer1.Enabled());
    EXPECT_EQ(box->Timer1.Interval(), 200u);
    EXPECT_EQ(box->UpdateName, "Vastrel_Up");
    EXPECT_EQ(box->VerStr, "1521");
    EXPECT_EQ(box->UpdateFileName, "UpdateFilePageFree.html");
    EXPECT_EQ(box->SiteBase, "http://update.vastrel.invalid/");
    EXPECT_EQ(box->Animation.JumpXY, 2);
    EXPECT_EQ(box->Animation.StretchMax, 5);

    // the mouse over the icon grows it, a press on it shrinks it; the panel
    // around it ends the press
    box->Timer1.SetEnabled(false);
    SendMessageW(box->Image1->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(box->Animation.StretchValue, 10);
    SendMessageW(box->Image1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(box->Image1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(box->Animation.StretchValue, -10);
    SendMessageW(box->Image1->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
    EXPECT_EQ(box->Animation.StretchValue, -10);
    EXPECT_TRUE(box->Animation.IconPressed);
    SendMessageW(box->Panel1->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(150, 150));
    EXPECT_FALSE(box->Animation.IconPressed);
    box->Animation.FrameIndex = 1;  // a stretch step: the icon's size follows
    box->AnimationTick();
    EXPECT_EQ(box->Image1->Width(), 64 + box->Animation.StretchValue);
    EXPECT_EQ(box->Image1->Height(), 64 + box->Animation.StretchValue);

    // On the screen (saved for a person to look at): the panel in its colour.
    TBitmap shot;
    ASSERT_TRUE(testsupport::CaptureWindow(h, shot));
    testsupport::SaveBmp(shot, "version_box.bmp");
    POINT spot{150, 125};  // below the year line, left of the maker's line
    ClientToScreen(box->Panel1->Handle(), &spot);
    EXPECT_EQ(shot.PixelRGB(spot.x - wr.left, spot.y - wr.top), static_cast<COLORREF>(0xBFFFF1));

    // the maker's line opens the site; without an associated program, the
    // shell's open-with choice is offered for it
    box->Label4Click();
    shellResult_ = SE_ERR_NOASSOC;
    box->Label4Click();
    Click(box->OKButton);
  });
  EXPECT_EQ(form_->AboutDialog1.Box(), nullptr);
  EXPECT_FALSE(form_->AboutDialog1.Busy());
  ASSERT_EQ(shell_.size(), 3u);
  EXPECT_EQ(shell_[0].verb, L"open");
  EXPECT_EQ(shell_[0].file, L"http://update.vastrel.invalid/");
  EXPECT_EQ(shell_[2].verb, L"");
  EXPECT_EQ(shell_[2].file, L"rundll32.exe");
  EXPECT_EQ(shell_[2].parameters, L"shell32.dll,OpenAs_RunDLL http://update.vastrel.invalid/");
  EXPECT_TRUE(said_.empty());
}

// The maker's line hands the shell only web addresses: a settings file that
// names a program or another scheme gets a message and no shell call.
TEST_F(VersionBox, MakersLineOpensOnlyWebAddresses) {
  struct Case {
    const char* site;
    bool opened;
  } cases[] = {
      {"https://update.example/", true},
      {"HTTP://Update.Example/dl/", true},
      {"C:\\Windows\\system32\\calc.exe", false},
      {"calc.exe", false},
      {"file:///C:/Windows/system32/calc.exe", false},
      {"ftp://update.example/", false},
      {"http://", false},
      {"http://x\" calc.exe", false},
      {"", false},
  };
  RunBox([&](TVersionBox* box) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.site);
      said_.clear();
      shell_.clear();
      box->SiteBase = c.site;
      box->Label4Click();
      if (c.opened) {
        ASSERT_EQ(shell_.size(), 1u);
        EXPECT_EQ(shell_[0].file, Cp932ToWide(c.site));
        EXPECT_TRUE(said_.empty());
      } else {
        EXPECT_TRUE(shell_.empty());
        ASSERT_EQ(said_.size(), 1u);
        EXPECT_NE(said_[0].text.find(L"http://"), std::wstring::npos);
        EXPECT_NE(said_[0].text.find(Cp932ToWide(c.site)), std::wstring::npos);
        EXPECT_EQ(said_[0].owner, box->Handle());
        EXPECT_EQ(said_[0].flags, static_cast<UINT>(MB_OK));
      }
    }
    // The shell service itself refuses them too, the open-with fallback included.
    shell_.clear();
    shellResult_ = SE_ERR_NOASSOC;
    EXPECT_EQ(OpenUrl(box->Handle(), L"C:\\Windows\\system32\\calc.exe"), SE_ERR_ACCESSDENIED);
    EXPECT_TRUE(shell_.empty());
    Click(box->OKButton);
  });
}

TEST_F(VersionBox, PanelIsWhiteOnA256ColourDisplay) {
  struct Case {
    int depth;
    COLORREF panel;
  } cases[] = {{8, RGB(255, 255, 255)}, {32, 0xBFFFF1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.depth);
    TAboutDialog::DisplayDepth = [&](HWND) { return c.depth; };
    RunBox([&](TVersionBox* box) {
      EXPECT_EQ(box->Panel1->Color(), c.panel);
      // what the screen shows: an empty spot of the panel, and the icon's
      // corner, where the frame is pure blue
      RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      HDC dc = GetDC(box->Panel1->Handle());
      EXPECT_EQ(GetPixel(dc, 4, 155), c.panel);
      ReleaseDC(box->Panel1->Handle(), dc);
      HDC idc = GetDC(box->Image1->Handle());
      EXPECT_EQ(GetPixel(idc, 1, 1), c.panel);
      ReleaseDC(box->Image1->Handle(), idc);
      Click(box->OKButton);
    });
  }
}

TEST_F(VersionBox, FramePixelsOfPureBlueShowThePanel) {
  RunBox([&](TVersionBox* box) {
    box->Timer1.SetEnabled(false);
    const TBitmap& frames = box->Image2->Picture();
    ASSERT_EQ(frames.Width(), 128);
    box->SetPanelColor(0x123456);
    for (int frame = 0; frame < 2; frame++) {
      SCOPED_TRACE(frame);
      box->Animation.FrameIndex = frame;
      box->AnimationTick();
      const TBitmap& pic = box->Image1->Picture();
      int blue = 0, art = 0;
      for (int y = 0; y < 64; y++) {
        for (int x = 0; x < 64; x++) {
          COLORREF src = frames.PixelRGB(64 * frame + x, y);
          COLORREF shown = pic.PixelRGB(x, y);
          if (src == RGB(0, 0, 255)) {
            blue++;
            EXPECT_EQ(shown, 0x123456u) << x << "," << y;
          } else {
            art++;
            EXPECT_EQ(shown, src) << x << "," << y;
          }
        }
      }
      EXPECT_GT(blue, 500);  // the frames have both kinds of pixel
      EXPECT_GT(art, 500);
    }
    Click(box->OKButton);
  });
}

TEST_F(VersionBox, SecondExecuteWhileOpenReturnsAtOnce) {
  RunBox([this](TVersionBox* box) {
    EXPECT_EQ(CountBoxes(), 1);
    DWORD t0 = GetTickCount();
    form_->N4Click();
    EXPECT_LT(GetTickCount() - t0, 1000u);
    EXPECT_EQ(Box(), box);
    EXPECT_EQ(CountBoxes(), 1);
    Click(box->OKButton);
  });
  // the flag is clear again: the box opens once more
  bool opened = false;
  RunBox([&](TVersionBox* box) {
    opened = true;
    Click(box->OKButton);
  });
  EXPECT_TRUE(opened);
}

TEST_F(VersionBox, CheckResultsAreSaidWithTheBoxAsOwner) {
  testsupport::ClosedPort closed;
  struct Case {
    std::string site;
    const wchar_t* said;
  } cases[] = {
      {testsupport::UpdateSite("latest1521/"), L"お使いのソフトは、最新のバージョンです。"},
      {testsupport::UpdateSite("nozip/"), L"アップデートファイルが有りません！"},
      {"http://127.0.0.1:" + std::to_string(closed.Port()) + "/", L"インターネットに接続できません。"},
      {testsupport::UpdateSite("short/"), L"インターネットに接続できません。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.site);
    said_.clear();
    form_->Settings.UpdateSite = c.site;
    HWND owner = nullptr;
    RunBox([&](TVersionBox* box) {
      owner = box->Handle();
      Click(box->UpdateChkBtn);
      Click(box->OKButton);
    });
    ASSERT_EQ(said_.size(), 1u);
    EXPECT_EQ(said_[0].text, c.said);
    EXPECT_EQ(said_[0].caption, MessageTitle());
    EXPECT_EQ(said_[0].flags, static_cast<UINT>(MB_OK));
    EXPECT_EQ(said_[0].owner, owner);
  }
  EXPECT_TRUE(folderTitles_.empty());
}

TEST_F(VersionBox, EmptyPageNameAsksForTheDefaultPage) {
  TAboutDialog about;
  about.UpdateName = "Vastrel_Up";
  about.VerStr = "1521";
  about.UpdateFileName = "";
  about.SiteBase = testsupport::UpdateSite("boxlatest/");
  RunSoon([&]() {
    ASSERT_NE(about.Box(), nullptr);
    EXPECT_EQ(about.Box()->UpdateFileName, "UpdateFilePage.html");
    Click(about.Box()->UpdateChkBtn);
    Click(about.Box()->OKButton);
  });
  about.Execute();
  EXPECT_EQ(testsupport::SeenAgents("/boxlatest/DownLoadHtml/UpdateFilePage.html"), "orvik\n");
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_EQ(said_[0].text, L"お使いのソフトは、最新のバージョンです。");
}

TEST_F(VersionBox, UpdateDownloadsIntoTheChosenFolder) {
  form_->Settings.UpdateSite = testsupport::UpdateSite("box/");
  downloadFolder_ = testsupport::MakeTempDir(L"vbdl");  // without a trailing backslash
  std::wstring during, after;
  bool barShown = false, okHidden = false;
  onFolder_ = [&]() {
    // the download takes about 1.2 s: look at the box while it runs
    RunSoon([&]() {
      TVersionBox* box = Box();
      during = WindowText(box->UpdateChkBtn->Handle());
      barShown = IsWindowVisible(box->ColorProgressBar1->Handle()) != FALSE;
      okHidden = !IsWindowVisible(box->OKButton->Handle());
    }, 500);
  };
  HWND owner = nullptr;
  RunBox([&](TVersionBox* box) {
    owner = box->Handle();
    Click(box->UpdateChkBtn);
    after = WindowText(box->UpdateChkBtn->Handle());
    EXPECT_TRUE(IsWindowVisible(box->OKButton->Handle()));
    EXPECT_FALSE(IsWindowVisible(box->ColorProgressBar1->Handle()));
    EXPECT_EQ(box->ColorProgressBar1->Max(), 8u);
    EXPECT_EQ(box->UpdateIdle, 1);
    Click(box->OKButton);
  });
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_EQ(said_[0].text, L"最新のアップデートファイルが見つかりました。\n'Vastrel_Up1530.zip' をダウンロードしますか？");
  EXPECT_EQ(said_[0].caption, L"Update");
  EXPECT_EQ(said_[0].flags, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(said_[0].owner, owner);
  ASSERT_EQ(folderTitles_.size(), 1u);
  EXPECT_EQ(folderTitles_[0], L"保存先を選択して下さい");
  EXPECT_EQ(during, L"中止");
  EXPECT_TRUE(barShown);
  EXPECT_TRUE(okHidden);
  EXPECT_EQ(after, L"Update");
  EXPECT_EQ(testsupport::ReadBytes(downloadFolder_ + L"\\Vastrel_Up1530.zip"), testsupport::ArchiveBody(8192));
  // the folder is opened, given as the file to open
  ASSERT_EQ(shell_.size(), 1u);
  EXPECT_EQ(shell_[0].verb, L"open");
  EXPECT_EQ(shell_[0].file, downloadFolder_);
  EXPECT_EQ(shell_[0].owner, owner);
}

TEST_F(VersionBox, NoAndCancelledFolderDownloadNothing) {
  form_->Settings.UpdateSite = testsupport::UpdateSite("box/");
  answer_ = IDNO;
  RunBox([&](TVersionBox* box) {
    Click(box->UpdateChkBtn);
    Click(box->OKButton);
  });
  EXPECT_EQ(said_.size(), 1u);
  EXPECT_TRUE(folderTitles_.empty());
  answer_ = IDYES;
  downloadFolder_.clear();  // the folder dialog is cancelled
  RunBox([&](TVersionBox* box) {
    Click(box->UpdateChkBtn);
    Click(box->OKButton);
  });
  EXPECT_EQ(said_.size(), 2u);
  EXPECT_EQ(folderTitles_.size(), 1u);
  EXPECT_TRUE(shell_.empty());
}

TEST_F(VersionBox, CancelAndCloseDuringTheDownloadDeleteTheFile) {
  form_->Settings.UpdateSite = testsupport::UpdateSite("boxcancel/");
  for (bool byClose : {false, true}) {
    SCOPED_TRACE(byClose ? "close request" : "the 中止 button");
    said_.clear();
    downloadFolder_ = testsupport::MakeTempDir(L"vbcancel");
    onFolder_ = [&]() {
      RunSoon([&]() {
        TVersionBox* box = Box();
        if (byClose) PostMessageW(box->Handle(), WM_CLOSE, 0, 0);
        else Click(box->UpdateChkBtn);  // reads "中止" now
      }, 700);
    };
    DWORD t0 = GetTickCount();
    RunBox([&](TVersionBox* box) {
      Click(box->UpdateChkBtn);
      EXPECT_EQ(WindowText(box->UpdateChkBtn->Handle()), L"Update");
      if (!byClose) Click(box->OKButton);  // a close request closes the box by itself
    });
    EXPECT_LT(GetTickCount() - t0, 5000u);  // the whole archive takes 8 s
    ASSERT_EQ(said_.size(), 2u);
    EXPECT_EQ(said_[1].text, L"ダウンロードを中止しました。");
    ASSERT_TRUE(update::WaitForHelpers(20000));
    EXPECT_FALSE(Exists(downloadFolder_ + L"\\Vastrel_Up1530.zip"));
  }
  EXPECT_TRUE(shell_.empty());
}

TEST_F(VersionBox, FailedDownloadSaysSoAndLeavesNoFile) {
  form_->Settings.UpdateSite = testsupport::UpdateSite("boxfail/");
  downloadFolder_ = testsupport::MakeTempDir(L"vbfail");
  RunBox([&](TVersionBox* box) {
    Click(box->UpdateChkBtn);
    Click(box->OKButton);
  });
  ASSERT_EQ(said_.size(), 2u);
  EXPECT_EQ(said_[1].text, L"down load error");
  EXPECT_FALSE(Exists(downloadFolder_ + L"\\Vastrel_Up1530.zip"));
  EXPECT_TRUE(shell_.empty());

  // a complete archive for a folder where the file cannot be created: the
  // system's error text
  said_.clear();
  form_->Settings.UpdateSite = testsupport::UpdateSite("box/");
  downloadFolder_ = downloadFolder_ + L"\\missing";
  RunBox([&](TVersionBox* box) {
    Click(box->UpdateChkBtn);
    Click(box->OKButton);
  });
  ASSERT_EQ(said_.size(), 2u);
  EXPECT_EQ(said_[1].text, SystemErrorTextWide(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(shell_.empty());
}
