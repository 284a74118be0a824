// The drive combo box under wine, against a fake drive provider (drives that
// are not ready, come and go, carry labels) and against the real drives: item
// texts, the retry question, the fallback by letter, SetDrive, the drop-down
// rebuild, the buffer comparison, the list boxes it checks, and its picture.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Form.h"
#include "framework/MessageService.h"
#include "spare_controls/NewDriveComboBox.h"

namespace {

void Pump() { Application->ProcessMessages(); }

struct FakeDrives : TDriveProvider {
  struct Drive {
    char letter;
    UINT type;
    std::string label;
    int failures;  // queries that still fail (-1: never ready)
  };
  std::vector<Drive> drives;
  std::string cwd = "C:\\work";
  Drive* Find(const std::string& root) {
    for (Drive& d : drives)
      if (!root.empty() && d.letter == root[0]) return &d;
    return nullptr;
  }
  std::string LogicalDriveStrings() override {
    std::string s;
    for (const Drive& d : drives) s += std::string(1, d.letter) + ":\\" + '\0';
    return s + '\0';
  }
  UINT DriveType(const std::string& root) override {
    Drive* d = Find(root);
    return d ? d->type : DRIVE_NO_ROOT_DIR;
  }
  bool VolumeName(const std::string& root, std::string* name) override {
    Drive* d = Find(root);
    if (!d) return false;
    if (d->failures != 0) {
      if (d->failures > 0) --d->failures;
      return false;
    }
    if (name) *name = d->label;
    return true;
  }
  void DiskSpace(int drive, int64_t* total, int64_t* free) override {
    if (total) *total = 1000 * drive;
    if (free) *free = 10 * drive;
  }
  std::string CurrentDirectory() override { return cwd; }
};

class Host : public TForm {
 public:
  Host() : TForm(nullptr, L"TSpareDriveHost") { SetBounds(40, 40, 300, 260); }
};

std::vector<std::string> ItemTexts(TNewDriveComboBox* c) {
  std::vector<std::string> v;
  for (int i = 0; i < c->Items().Count(); ++i) v.push_back(c->Items().Get(i));
  return v;
}

void UserPicks(TNewDriveComboBox* c, int index) {
  SendMessageW(c->Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(c->Parent()->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c->Handle()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(c->Handle()));
}

}  // namespace

class SpareDriveComboTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    host = NewForm<Host>();
    host->Show();
  }
  static void TearDownTestSuite() { host->Free(); }
  void SetUp() override {
    fake.drives = {{'A', DRIVE_NO_ROOT_DIR, "", 0},
                   {'C', DRIVE_FIXED, "", 0},
                   {'D', DRIVE_CDROM, "", -1},
                   {'E', DRIVE_FIXED, "DATA", 0},
                   {'Z', DRIVE_UNKNOWN, "", 0}};
    SetDriveProvider(&fake);
  }
  void TearDown() override {
    SetDriveProvider(nullptr);
    while (!host->Controls().empty()) delete host->Controls().back();
    Pump();
  }
  TNewDriveComboBox* Make() {
    auto* c = new TNewDriveComboBox(host);
    c->SetBounds(10, 10, 160, 24);
    c->HandleNeeded();
    c->Loaded();
    c->OnChange = [this](TWinControl*) { ++changes; };
    return c;
  }
  FakeDrives fake;
  int changes = 0;
  static Host* host;
};
Host* SpareDriveComboTest::host = nullptr;

TEST_F(SpareDriveComboTest, ItemsTextsAndTheStartingDrive) {
  TNewDriveComboBox* c = Make();
  EXPECT_EQ(ItemTexts(c), (std::vector<std::string>{"C:", "D:", "E: [DATA]"}));
  EXPECT_EQ(c->ItemDriveType(0), DRIVE_FIXED);
  EXPECT_EQ(c->ItemDriveType(1), DRIVE_CDROM);
  EXPECT_EQ(c->Drive(), 'C');
  EXPECT_EQ(c->ItemIndex(), 0);
  EXPECT_EQ(c->LastFixedDrive(), 'C');
  EXPECT_EQ(c->TotalBytes(), 3000);
  EXPECT_EQ(c->FreeBytes(), 30);
  EXPECT_EQ(TNewDriveComboBox::ShownText("E: [DATA]", tcLowerCase), "e: [data]");
  EXPECT_EQ(TNewDriveComboBox::ShownText("e: [data]", tcUpperCase), "E: [DATA]");
  std::string kana = Cp932FromUtf8(u8"F: [データ]");
  EXPECT_EQ(TNewDriveComboBox::ShownText(kana, tcLowerCase), Cp932FromUtf8(u8"f: [データ]"));
  EXPECT_EQ(c->ItemHeight(), 1 - c->Font().Height());
}

TEST_F(SpareDriveComboTest, NotReadyDriveAsksAndFallsBackToTheLastFixedDriveByLetter) {
  TNewDriveComboBox* c = Make();
  std::vector<MessageRequest> asked;
  int answer = IDCANCEL;
  ScopedMessageHandler h([&](const MessageRequest& r) {
    asked.push_back(r);
    return answer;
  });
  UserPicks(c, 2);  // E, fixed
  EXPECT_EQ(c->Drive(), 'E');
  EXPECT_EQ(c->LastFixedDrive(), 'E');
  EXPECT_EQ(changes, 1);

  UserPicks(c, 1);  // the empty CD drive; Cancel
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].textCp932, Cp932FromUtf8(u8"ドライブの準備ができていません。"));
  EXPECT_EQ(asked[0].captionCp932, Cp932FromUtf8(u8"確認"));
  EXPECT_EQ(asked[0].flags, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(c->ItemIndex(), 2);
  EXPECT_EQ(c->Drive(), 'E');
  EXPECT_EQ(changes, 2);

  // C goes away: after the rebuild E is item 1, and the fallback still finds it.
  fake.drives.erase(fake.drives.begin() + 1);
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  Pump();
  ASSERT_EQ(ItemTexts(c), (std::vector<std::string>{"D:", "E: [DATA]"}));
  UserPicks(c, 0);
  EXPECT_EQ(c->ItemIndex(), 1);
  EXPECT_EQ(c->Drive(), 'E');

  // Retry until the disk is in.
  asked.clear();
  fake.Find("D:\\")->failures = 2;
  answer = IDRETRY;
  UserPicks(c, 0);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(c->Drive(), 'D');
  EXPECT_EQ(c->LastFixedDrive(), 'E');

  // Nothing selected: nothing happens.
  int before = changes;
  UserPicks(c, -1);
  EXPECT_EQ(changes, before);
}

TEST_F(SpareDriveComboTest, SetDriveTakesLowerCaseAndShowsTheDrive) {
  TNewDriveComboBox* c = Make();
  std::vector<std::string> notices;
  ScopedMessageHandler h([&](const MessageRequest& r) {
    notices.push_back(r.textCp932);
    return IDOK;
  });
  c->SetDrive('e');
  EXPECT_EQ(c->Drive(), 'E');
  EXPECT_EQ(c->ItemIndex(), 2);
  EXPECT_EQ(c->LastFixedDrive(), 'E');
  EXPECT_EQ(c->TotalBytes(), 5000);
  c->SetDrive('d');  // not ready: a notice, nothing changes
  EXPECT_EQ(notices, (std::vector<std::string>{Cp932FromUtf8(u8"ドライブの準備ができていません。")}));
  EXPECT_EQ(c->Drive(), 'E');
  EXPECT_EQ(changes, 0);
}

TEST_F(SpareDriveComboTest, CurrentDirectoryWithoutADriveLetterTakesTheFirstFixedDrive) {
  fake.cwd = "\\\\server\\share\\dir";
  TNewDriveComboBox* c = Make();
  EXPECT_EQ(c->Drive(), 'C');
  EXPECT_EQ(c->ItemIndex(), 0);
  fake.drives = {{'D', DRIVE_CDROM, "", 0}, {'F', DRIVE_REMOTE, "net", 0}};
  TNewDriveComboBox* d = Make();
  EXPECT_EQ(d->Drive(), 'D');
  EXPECT_EQ(d->LastFixedDrive(), 0);
  // No fixed drive ever found: the fallback is item 0.
  fake.drives[1].failures = -1;
  ScopedMessageHandler h([](const MessageRequest&) { return IDCANCEL; });
  UserPicks(d, 1);
  EXPECT_EQ(d->ItemIndex(), 0);
  EXPECT_EQ(d->Drive(), 'D');
}

TEST_F(SpareDriveComboTest, DataCheckStaysWithinBothBuffers) {
  const char list[] = "C:\\\0D:\\\0\0";  // 10 bytes with the double NUL
  char saved[16];
  memcpy(saved, list, 10);
  EXPECT_TRUE(TNewDriveComboBox::DataCheck(list, 10, saved, 16));

  const char other[] = "C:\\\0E:\\\0\0";
  EXPECT_FALSE(TNewDriveComboBox::DataCheck(other, 10, saved, 16));
  EXPECT_EQ(memcmp(saved, other, 10), 0);
  EXPECT_TRUE(TNewDriveComboBox::DataCheck(other, 10, saved, 16));

  // A saved buffer shorter than the strings: only its own bytes are written.
  char small[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
  char guard[4] = {'g', 'g', 'g', 'g'};
  EXPECT_FALSE(TNewDriveComboBox::DataCheck(list, 10, small, 5));
  EXPECT_EQ(memcmp(small, list, 5), 0);
  EXPECT_EQ(small[5], 'x');
  EXPECT_EQ(guard[0], 'g');

  // 255 equal bytes without a double NUL count as equal.
  std::string a(300, 'q'), b(300, 'q');
  EXPECT_TRUE(TNewDriveComboBox::DataCheck(a.data(), a.size(), &b[0], b.size()));
  b[254] = 'r';
  EXPECT_FALSE(TNewDriveComboBox::DataCheck(a.data(), a.size(), &b[0], b.size()));
  EXPECT_EQ(b[254], 'q');
  EXPECT_EQ(b.substr(255), std::string(45, 'q'));
}

TEST_F(SpareDriveComboTest, RealDrivesListTheSystemDriveAndRebuildOnDropDown) {
  SetDriveProvider(nullptr);
  TNewDriveComboBox* c = Make();
  int cIndex = -1;
  for (int i = 0; i < c->Items().Count(); ++i)
    if (c->Items().Get(i).compare(0, 2, "C:") == 0) cIndex = i;
  ASSERT_GE(cIndex, 0);
  EXPECT_EQ(c->ItemDriveType(cIndex), DRIVE_FIXED);
  c->Items().Clear();
  int drops = 0;
  c->OnDropDown = [&](TWinControl*) { ++drops; };
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  Pump();
  EXPECT_EQ(drops, 1);
  EXPECT_GT(c->Items().Count(), cIndex);
  EXPECT_GT(c->TotalBytes(), 0);
}

TEST_F(SpareDriveComboTest, SelectedItemOnNavyWithItsIcon) {
  TNewDriveComboBox* c = Make();
  int h = c->ItemHeight();
  TBitmap shot(150, h);
  shot.Canvas().Font = c->Font();
  c->DrawItem(shot.Canvas(), 0, RECT{0, 0, 150, h}, true);
  EXPECT_EQ(shot.PixelRGB(145, h / 2), 0x800000u);
  // The fixed-drive icon: a grey box with a white top line, 16 x 16 at (2, h / 2 - 8).
  int iconTop = h / 2 - 8;
  EXPECT_EQ(shot.PixelRGB(2 + 5, iconTop + 8), 0xA0A0A0u);
  EXPECT_EQ(shot.PixelRGB(2 + 5, iconTop + 6), 0xFFFFFFu);
  // Unselected: Color.
  c->SetColor(0x00FFFF);
  c->DrawItem(shot.Canvas(), 0, RECT{0, 0, 150, h}, false);
  EXPECT_EQ(shot.PixelRGB(145, h / 2), 0x00FFFFu);
}

TEST_F(SpareDriveComboTest, DiskCheckResetsListsWhoseEntriesAreGone) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring base = std::wstring(tmp) + L"vastrel_drive_check";
  CreateDirectoryW(base.c_str(), nullptr);
  CreateDirectoryW((base + L"\\sub").c_str(), nullptr);
  HANDLE f = CreateFileW((base + L"\\a.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  std::string dir = WideToCp932(base);

  TNewDriveComboBox* c = Make();
  auto* dirs = new TDirectoryListBox(host);
  auto* files = new TFileListBox(host);
  dirs->SetDirectory(dir);
  files->SetDirectory(dir);
  EXPECT_FALSE(c->DiskCheck(dirs, files));
  EXPECT_EQ(files->Count(), 1);
  EXPECT_EQ(dirs->ItemPath(dirs->Count() - 1), dir + "\\sub");

  DeleteFileW((base + L"\\a.txt").c_str());
  EXPECT_TRUE(c->DiskCheck(nullptr, files));
  EXPECT_EQ(files->Count(), 0);

  RemoveDirectoryW((base + L"\\sub").c_str());
  EXPECT_TRUE(c->DiskCheck(dirs, files));
  EXPECT_EQ(dirs->Directory(), dir.substr(0, 3));  // item 0: the root
  RemoveDirectoryW(base.c_str());
}
