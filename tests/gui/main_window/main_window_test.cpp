// The main window's life cycle under wine: first start in an empty program
// folder, the close request, the second start's hand-over as received, the
// system level.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <thread>
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/FileOps.h"
#include "framework/ComCtrls.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "controls/NumberEdit.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "viewer/WorkProgress.h"
#include "framework/Menus.h"
#include "viewer/UpdateThreadUnit.h"
#include "viewer/VastrelForm.h"

namespace {

std::string Bytes(const std::wstring& path, bool* ok = nullptr) { return testsupport::ReadBytes(path, ok); }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class MainWindow : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    TVastrelForm::SystemLevelOverride = -1;
    UseFreshProgramFolder(L"mw");
  }
  void TearDown() override {
    if (form_) form_->WorkIdle = true;
    EndMainWindow();
    TVastrelForm::SystemLevelOverride = -1;
  }
  LRESULT HandOver(const std::wstring& text, ULONG_PTR id = 776) {
    COPYDATASTRUCT cds = {id, static_cast<DWORD>(text.size() * 2), const_cast<wchar_t*>(text.data())};
    return SendMessageW(form_->Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
  }
};

}  // namespace

TEST_F(MainWindow, FirstStartInAnEmptyFolderPreparesDataAndViews) {
  TVastrelForm* f = StartForm();
  EXPECT_TRUE(Exists(folder_ + L"data"));
  EXPECT_TRUE(Exists(folder_ + L"data_1"));
  EXPECT_EQ(Bytes(folder_ + L"data\\bookdata.ini"), std::string("\xFF\xFE"));
  EXPECT_EQ(Bytes(folder_ + L"data\\gyolist.ini"), std::string("\xFF\xFE"));
  EXPECT_TRUE(messages_.empty());  // wine reports administrator rights

  wchar_t cls[64], text[64];
  GetClassNameW(f->Handle(), cls, 64);
  GetWindowTextW(f->Handle(), text, 64);
  EXPECT_STREQ(cls, L"TVastrelForm");
  EXPECT_STREQ(text, L"Vastrel");
  EXPECT_EQ(FindWindowA("TVastrelForm", "Vastrel"), f->Handle());

  // Defaults of a missing settings file; the page-size control holds 8 at least.
  EXPECT_EQ(f->Settings.FontSize, 10);
  EXPECT_EQ(f->UpDown2->Position(), 8);
  EXPECT_EQ(f->Doc.FileSize, -1);
  EXPECT_TRUE(f->UnicodeMode);

  // Both wide panes are hidden EDIT children of the page panel; only one scrolls sideways.
  for (HWND pane : {f->UnwrappedPane, f->WrappedPane}) {
    ASSERT_TRUE(IsWindow(pane));
    EXPECT_EQ(GetParent(pane), f->Panel5->Handle());
    EXPECT_FALSE(IsWindowVisible(pane));
    EXPECT_TRUE(GetWindowLongW(pane, GWL_STYLE) & ES_READONLY);
  }
  EXPECT_TRUE(GetWindowLongW(f->UnwrappedPane, GWL_STYLE) & WS_HSCROLL);
  EXPECT_FALSE(GetWindowLongW(f->WrappedPane, GWL_STYLE) & WS_HSCROLL);
  EXPECT_TRUE(IsWindowVisible(f->Memo1->Handle()));
  EXPECT_TRUE(IsWindowVisible(f->MyTrackBar1->Handle()));
  EXPECT_FALSE(f->ToolPrsMenu->Visible());
}

TEST_F(MainWindow, CloseIsRefusedDuringWorkAndSavesAfterwards) {
  TVastrelForm* f = StartForm();
  f->WorkIdle = false;
  SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  EXPECT_FALSE(Exists(folder_ + L"data\\txdata.ini"));
  // The refused close left the watch thread as it was: it can still start.
  ASSERT_NE(f->WatchThread, nullptr);
  EXPECT_FALSE(f->WatchThread->Terminated());

  f->WorkIdle = true;
  f->LastFolder = L"C:\\logs";
  SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(f->Handle()));
  std::string ini = Bytes(folder_ + L"data\\txdata.ini");
  for (const char* key : {"max=1", "page=8", "fontsz=10", "fontszbk=9", "bomfrg=0", "endline=1",
                          "codechgnotinte=0", "chksize=1", "clmmax=10", "chmog=?", "bigsmlmg=0", "hirakanamg=1",
                          "doublebuf=0", "booktitlemax=46", "gyocreate=0", "editselectkeep=0", "bookdelfrg=0",
                          "bookchkfrg=1", "extlist=.txt.ini.log"}) {
    EXPECT_NE(ini.find(key), std::string::npos) << key;
  }
  std::string last = Bytes(folder_ + L"data\\path.txt");
  EXPECT_EQ(last, std::string(reinterpret_cast<const char*>(L"C:\\logs"), 14));
}

TEST_F(MainWindow, HandOverOpensTheFirstListedFileOnlyWhenIdle) {
  std::wstring a = folder_ + L"a.txt", b = folder_ + L"b.txt", bin = folder_ + L"c.bin";
  ASSERT_TRUE(testsupport::WriteBytes(a, "a\r\n"));
  ASSERT_TRUE(testsupport::WriteBytes(b, "b\r\n"));
  ASSERT_TRUE(testsupport::WriteBytes(bin, "c\r\n"));
  TVastrelForm* f = StartForm();

  // Another identifier goes to the default handling.
  EXPECT_EQ(HandOver(a, 12), 0);
  EXPECT_TRUE(f->Doc.FilePath.empty());

  // While a modal window of ours is open the list is refused.
  EnableWindow(f->Handle(), FALSE);
  EXPECT_EQ(HandOver(a + L"\r\n" + b), 0);
  EXPECT_TRUE(f->Doc.FilePath.empty());
  EnableWindow(f->Handle(), TRUE);
  // And while long work runs.
  f->WorkIdle = false;
  EXPECT_EQ(HandOver(a), 0);
  f->WorkIdle = true;
  EXPECT_TRUE(f->Doc.FilePath.empty());

  EXPECT_EQ(HandOver(a + L"\r\n" + b), 1);
  Application->ProcessMessages();  // the file opens after the answer
  EXPECT_EQ(f->Doc.FilePath, a);
  EXPECT_EQ(f->LastFolder + L"\\", folder_);
  // A file whose extension is not accepted is refused: the sender opens it.
  EXPECT_EQ(HandOver(bin), 0);
  Application->ProcessMessages();
  EXPECT_EQ(f->Doc.FilePath, a);
}

TEST_F(MainWindow, HandOverNeverBlocksItsSenderAndNeverLies) {
  std::wstring a = folder_ + L"a.txt";
  ASSERT_TRUE(testsupport::WriteBytes(a, "a\r\n"));
  ASSERT_TRUE(CreateDirectoryW((folder_ + L"sub").c_str(), nullptr));
  std::wstring upper = folder_ + L"sub\\UPPER.TXT";
  ASSERT_TRUE(testsupport::WriteBytes(upper, "upper\r\n"));
  TVastrelForm* f = StartForm();
  ASSERT_EQ(HandOver(a), 1);
  Application->ProcessMessages();
  ASSERT_EQ(f->Doc.FilePath, a);
  const std::wstring folderBefore = f->LastFolder, watchBefore = f->WatchPath;

  // A missing path, a folder, and ten thousand missing paths: refused at
  // once (the first path decides), and nothing of the document changes.
  std::wstring many;
  for (int i = 0; i < 10000; ++i) many += folder_ + L"gone\\missing" + std::to_wstring(i) + L".txt\r\n";
  for (const std::wstring& list : {folder_ + L"gone\\missing.txt", folder_ + L"sub", many}) {
    const DWORD t0 = GetTickCount();
    EXPECT_EQ(HandOver(list), 0);
    EXPECT_LT(GetTickCount() - t0, 1000u);
    Application->ProcessMessages();
    EXPECT_EQ(f->Doc.FilePath, a);
    EXPECT_EQ(f->LastFolder, folderBefore);
    EXPECT_EQ(f->WatchPath, watchBefore);
  }
  EXPECT_TRUE(messages_.empty());
  // An upper-case extension passes the same lower-cased test as every open.
  EXPECT_EQ(HandOver(upper), 1);
  Application->ProcessMessages();
  EXPECT_EQ(f->Doc.FilePath, upper);
  EXPECT_EQ(f->LastFolder + L"\\", folder_ + L"sub\\");

  // A real notice of the program is up (answered from another thread): the
  // hand-over is refused, and the page stays the open file's.
  SetMessageHandler(nullptr);
  LRESULT answer = -1;
  std::thread other([&] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !box; ++i) {
      box = FindWindowW(L"#32770", L"Vastrel");
      if (!box) Sleep(10);
    }
    std::wstring list = a;
    COPYDATASTRUCT cds = {776, static_cast<DWORD>(list.size() * 2), const_cast<wchar_t*>(list.data())};
    DWORD_PTR r = 0;
    if (SendMessageTimeoutW(f->Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 5000, &r)) {
      answer = static_cast<LRESULT>(r);
    }
    if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  ShowMessageWide(L"notice");
  other.join();
  SetMessageHandler([](const MessageRequest&) { return IDOK; });
  Application->ProcessMessages();
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(f->Doc.FilePath, upper);
  EXPECT_NE(ViewText().find(L"upper"), std::wstring::npos);
}

TEST_F(MainWindow, CommandLineFileIsOpenedAtShow) {
  // A name with blanks that the shell split into three arguments.
  std::wstring dir = folder_ + L"my logs";
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  std::wstring file = dir + L"\\day one.log";
  ASSERT_TRUE(testsupport::WriteBytes(file, "x\r\n"));
  TVastrelForm::ArgumentsOverride = {L"Vastrel.exe", folder_ + L"my", L"logs\\day", L"one.log"};
  TVastrelForm* f = StartForm();
  EXPECT_EQ(f->Doc.FilePath, file);
}

TEST_F(MainWindow, OlderSystemsRunWithoutUnicodeMode) {
  struct Case {
    int level;
    bool unicode;
    int pageMax;
  };
  for (Case c : {Case{0, false, 64}, Case{1, false, 128}, Case{2, true, 128}, Case{5, true, 128}}) {
    TVastrelForm::SystemLevelOverride = c.level;
    TVastrelForm* f = StartForm();
    EXPECT_EQ(f->SystemLevel, c.level);
    EXPECT_EQ(f->UnicodeMode, c.unicode) << c.level;
    EXPECT_EQ(f->UpDown2->Max(), c.pageMax) << c.level;
    form_->Free();
    form_ = nullptr;
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindow, NarrowPageMeasureNeverSplitsADoubleByteCharacter) {
  TVastrelForm* f = StartForm();
  int64_t n = f->CharsPerPageNarrow(nullptr);
  ASSERT_GT(n, 4);
  const std::string kanji = "\x93\xfa";  // one double-byte character
  // The measure falls between a lead byte and its trail byte: one less.
  std::string split = std::string(static_cast<size_t>(n - 1), 'a') + kanji + "bbbb";
  EXPECT_EQ(f->CharsPerPageNarrow(&split), n - 1);
  // A double-byte character starting right at the measure is not split: kept.
  std::string whole = std::string(static_cast<size_t>(n), 'a') + kanji + "bbbb";
  EXPECT_EQ(f->CharsPerPageNarrow(&whole), n);
  // A trail byte in the lead range does not count as a lead byte.
  std::string trail = std::string(static_cast<size_t>(n - 2), 'a') + "\x88\x9f" + "bbbb";  // 0x9F trail at n-1
  EXPECT_EQ(f->CharsPerPageNarrow(&trail), n);
}

TEST_F(MainWindow, MenuShortCutsWorkFromTheSliderTheMemoAndThePanes) {
  const std::wstring narrow = File(L"n.txt", "one\r\ntwo\r\n");
  const std::wstring wide = File(L"w.txt", std::string("\xFF\xFE" "a\0\r\0\n\0", 8));
  TVastrelForm* f = StartForm();
  int dialogs = 0;
  ScopedFileDialogHandler files([&](const FileDialogRequest&, std::wstring&) {
    ++dialogs;
    return false;  // cancelled
  });
  auto ctrlKey = [](HWND target, WORD key) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(target, WM_KEYDOWN, key, 0);
    Application->ProcessMessages();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  };
  f->OpenFile(narrow);
  ASSERT_FALSE(f->IsWideView());
  struct Case {
    const char* where;
    HWND target;
    bool idle;
    int dialogs;
  };
  const Case narrowCases[] = {
      {"slider", f->MyTrackBar1->Handle(), true, 1},
      {"memo", f->Memo1->Handle(), true, 1},
      {"code box", f->ComboBox1->Handle(), true, 1},
      {"memo during long work", f->Memo1->Handle(), false, 0},  // the item is disabled then
  };
  for (const Case& c : narrowCases) {
    dialogs = 0;
    f->WorkIdle = c.idle;
    ctrlKey(c.target, 'O');
    f->WorkIdle = true;
    EXPECT_EQ(dialogs, c.dialogs) << c.where;
  }
  // The pane runs its own Ctrl+O: the dialog comes once, not twice.
  f->OpenFile(wide);
  ASSERT_TRUE(f->IsWideView());
  dialogs = 0;
  ctrlKey(f->CurrentPane, 'O');
  EXPECT_EQ(dialogs, 1);
  // A shortcut the pane does not run itself reaches the menu from there too.
  bool marked = false;
  f->N26->OnClick = [&](TMenuItem*) { marked = true; };
  ctrlKey(f->CurrentPane, 'G');
  EXPECT_TRUE(marked);
  f->N26->OnClick = nullptr;
}

// The tool bar's two number boxes and the two progress bars, as the main
// window itself holds and shows them.
TEST_F(MainWindow, NumberBoxesAndProgressBarsCarryTheirSettings) {
  TVastrelForm* f = StartForm();
  struct Box {
    TNumberEdit* box;
    TUpDown* upDown;
    const char* shown;
  } boxes[] = {{f->EditMaxEdit, f->UpDown1, "1"}, {f->PageSizeEdit, f->UpDown2, "8"}};
  for (const Box& b : boxes) {
    SCOPED_TRACE(b.box->Name);
    const HWND h = b.box->Handle();
    const LONG style = GetWindowLongW(h, GWL_STYLE);
    EXPECT_EQ(style & (ES_CENTER | ES_RIGHT), ES_RIGHT);  // right-aligned
    EXPECT_TRUE(style & ES_NUMBER);
    EXPECT_EQ(b.box->Text(), b.shown);
    // A typed letter is refused, a digit is taken.
    SendMessageW(h, EM_SETSEL, 0, -1);
    SendMessageW(h, WM_CHAR, 'x', 0);
    EXPECT_EQ(b.box->Text(), b.shown);
    SendMessageW(h, WM_CHAR, '9', 0);
    EXPECT_EQ(b.box->Text(), "9");
    // Still the up-down's buddy.
    b.upDown->SetPosition(12);
    EXPECT_EQ(b.box->Text(), "12");
  }

  TColorProgressBar* b1 = f->ColorProgressBar1;
  EXPECT_FALSE(b1->Visible());
  EXPECT_TRUE(b1->Smooth());
  EXPECT_EQ(b1->BoxColor(), static_cast<TColor>(0xF0F0F0));
  EXPECT_EQ(b1->BarColor(), static_cast<TColor>(0xD77800));
  EXPECT_EQ(b1->LineColor(), static_cast<TColor>(0xC8D0D4));
  EXPECT_EQ(b1->BarStyle(), btWin7);
  EXPECT_EQ(b1->PrsLevel(), 30);
  EXPECT_TRUE(b1->TextSwitch());
  EXPECT_TRUE(b1->Shadow());
  EXPECT_EQ(b1->Font().Name(), L"ＭＳ Ｐゴシック");
  EXPECT_EQ(b1->Font().Height(), -13);
  EXPECT_EQ(b1->Font().Color(), clBlack);
  TBitmap picture;
  const COLORREF box = RGB(0xF0, 0xF0, 0xF0);
  {
    // Long work shows it with its percentage in the middle.
    vastrel::WorkFrame frame(f->WorkPanel, b1, f->SpeedButton2);
    Application->ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(b1->Handle()));
    b1->PaintTo(picture);
    const int w = b1->Width(), h = b1->Height();
    int text = 0, left = w, right = 0;
    for (int y = 2; y < h - 2; ++y) {
      for (int x = 2; x < w - 2; ++x) {
        if (picture.PixelRGB(x, y) == box) continue;
        text++;
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    EXPECT_GT(text, 5);  // "0%"
    EXPECT_GT(left, w / 2 - 20);
    EXPECT_LT(right, w / 2 + 20);
  }
  EXPECT_FALSE(b1->Visible());

  TColorProgressBar* b2 = f->ColorProgressBar2;
  EXPECT_FALSE(b2->Visible());
  EXPECT_EQ(b2->Align(), alClient);
  EXPECT_EQ(b2->Parent()->Width(), 82);
  EXPECT_EQ(b2->Parent()->Height(), 16);
  EXPECT_EQ(b2->BoxColor(), static_cast<TColor>(0xF0F0F0));
  EXPECT_EQ(b2->BarColor(), static_cast<TColor>(0xD77800));
  EXPECT_EQ(b2->LineColor(), static_cast<TColor>(0xF0F0F0));
  EXPECT_EQ(b2->BarStyle(), btWin7);
  EXPECT_TRUE(b2->Flat());
  b2->SetVisible(true);
  Application->ProcessMessages();
  EXPECT_TRUE(IsWindowVisible(b2->Handle()));
  EXPECT_EQ(b2->Width(), 82);
  EXPECT_EQ(b2->Height(), 16);
  // At 0 % the flat frame and the track are one colour; at 50 % the left half is the bar.
  b2->PaintTo(picture);
  int other = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 82; ++x) other += picture.PixelRGB(x, y) != box;
  EXPECT_EQ(other, 0);
  b2->SetPosition(50);
  b2->PaintTo(picture);
  EXPECT_NE(picture.PixelRGB(20, 8), box);
  EXPECT_EQ(picture.PixelRGB(60, 8), box);
  b2->SetPosition(0);
  b2->SetVisible(false);
}

// Stores found in another form at start: one converted whole with its old
// form kept as .bak, one that cannot be converted kept aside with one notice.
TEST_F(MainWindow, StoresAreConvertedOrKeptAsideAtStart) {
  ASSERT_TRUE(CreateDirectoryW((folder_ + L"data").c_str(), nullptr));
  const std::wstring book = folder_ + L"data\\bookdata.ini", lines = folder_ + L"data\\gyolist.ini";
  const std::string bookBefore = std::string("[C:\\a.txt]\r\n1@1#0=A") + '\0' + "B\r\n";
  const std::string linesBefore = "[C:\\a.txt]\r\npath=C:\\list0.txg\r\n";
  ASSERT_TRUE(testsupport::WriteBytes(book, bookBefore));
  ASSERT_TRUE(testsupport::WriteBytes(lines, linesBefore));
  StartForm();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(book + L".broken"), std::wstring::npos);
  EXPECT_EQ(Bytes(book + L".broken"), bookBefore);
  EXPECT_EQ(Bytes(book), std::string("\xFF\xFE"));
  EXPECT_EQ(Bytes(lines + L".bak"), linesBefore);
  std::string converted("\xFF\xFE", 2);
  for (char c : linesBefore) converted += std::string{c, '\0'};
  EXPECT_EQ(Bytes(lines), converted);
  EXPECT_FALSE(Exists(lines + L".broken"));
}

// The system's limit on paths without the long-path prefix, as Windows has
// it: such a path of MAX_PATH characters or more is not found (wine would
// take it).
class PathLimit : public fileops::FaultFiles {
 public:
  HANDLE Open(const std::wstring& p, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
    if (TooLong(p)) return INVALID_HANDLE_VALUE;
    return FaultFiles::Open(p, access, share, disposition, flags);
  }
  bool FindFirst(const std::wstring& p, WIN32_FIND_DATAW* found) override {
    return !TooLong(p) && FaultFiles::FindFirst(p, found);
  }

 private:
  static bool TooLong(const std::wstring& p) {
    if (p.size() < MAX_PATH || p.compare(0, 4, L"\\\\?\\") == 0) return false;
    SetLastError(ERROR_PATH_NOT_FOUND);
    return true;
  }
};

// Files whose paths are longer than the old path limit, given on the command
// line, handed over by a second start, pasted from the clipboard and opened
// from the menu's routine: each opens and shows; one that is not there gives
// the system's own text.
TEST_F(MainWindow, FilesOfLongPathsOpenOrTheSystemSaysWhy) {
  PathLimit limit;
  fileops::ScopedFiles use(limit);
  // Folders of 50 characters below the test folder; names that bring the
  // paths to 301 characters.
  std::wstring dir = folder_.substr(0, folder_.size() - 1);
  while (dir.size() + 51 + 20 < 301) {
    dir += L"\\" + std::wstring(50, L'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + dir).c_str(), nullptr)) << GetLastError();
  }
  auto longPath = [&](wchar_t c) { return dir + L"\\" + std::wstring(301 - dir.size() - 5, c) + L".txt"; };
  const std::wstring first = longPath(L'a'), second = longPath(L'b'), missing = longPath(L'm');
  ASSERT_EQ(first.size(), 301u);
  ASSERT_TRUE(testsupport::WriteBytes(L"\\\\?\\" + first, "first line\r\nof the first file\r\n"));
  ASSERT_TRUE(testsupport::WriteBytes(L"\\\\?\\" + second, "the second file\r\n"));
  auto shows = [&](const std::wstring& path, const std::wstring& text) {
    SCOPED_TRACE(std::string(path.end() - 8, path.end() - 4, {}));
    EXPECT_TRUE(messages_.empty()) << (messages_.empty() ? std::string() : WideToCp932(messages_[0]));
    EXPECT_EQ(form_->Doc.FilePath, path);
    EXPECT_TRUE(IsWindowVisible(form_->Memo1->Handle()));
    EXPECT_EQ(Cp932ToWide(form_->Memo1->Text()), text);
    EXPECT_EQ(form_->MyTrackBar1->Max(), static_cast<int64_t>(text.size()));
    EXPECT_NE(form_->FrameLabelText.find(path.substr(path.rfind(L'\\') + 1)), std::wstring::npos);
  };

  TVastrelForm::ArgumentsOverride = {L"Vastrel.exe", first};
  StartForm();
  shows(first, L"first line\r\nof the first file\r\n");
  EXPECT_EQ(HandOver(second), 1);
  Application->ProcessMessages();
  shows(second, L"the second file\r\n");
  ASSERT_TRUE(Clipboard::SetFileList({first}, form_->Handle()));
  form_->Paste1Click();
  shows(first, L"first line\r\nof the first file\r\n");
  ASSERT_TRUE(form_->OpenFile(second));
  shows(second, L"the second file\r\n");
  ASSERT_TRUE(form_->OpenFile(first));
  shows(first, L"first line\r\nof the first file\r\n");

  // Not there: the system's text for it, and the page shown stays.
  EXPECT_FALSE(form_->OpenFile(missing));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], SystemErrorTextWide(ERROR_FILE_NOT_FOUND));
  messages_.clear();
  shows(first, L"first line\r\nof the first file\r\n");
  ASSERT_TRUE(Clipboard::SetFileList({missing}, form_->Handle()));
  form_->Paste1Click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], SystemErrorTextWide(ERROR_FILE_NOT_FOUND));
  messages_.clear();
  shows(first, L"first line\r\nof the first file\r\n");
}

// A line-list store in UTF-16LE with its mark that holds a unit U+0000 is kept
// aside like a narrow one with a NUL byte; the bookmark store beside it is
// left as it is.
TEST_F(MainWindow, MarkedStoreWithAUnitZeroIsKeptAside) {
  ASSERT_TRUE(CreateDirectoryW((folder_ + L"data").c_str(), nullptr));
  const std::wstring book = folder_ + L"data\\bookdata.ini", lines = folder_ + L"data\\gyolist.ini";
  auto utf16 = [](const std::string& ascii) {
    std::string out("\xFF\xFE", 2);
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
  };
  const std::string bookBefore = utf16("[C:\\a.txt]\r\n1@1#0=A\r\n");
  const std::string linesBefore = utf16(std::string("[C:\\a.txt]\r\npath=C:\\list0.txg") + '\0' + "x\r\n");
  ASSERT_TRUE(testsupport::WriteBytes(book, bookBefore));
  ASSERT_TRUE(testsupport::WriteBytes(lines, linesBefore));
  StartForm();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(lines + L".broken"), std::wstring::npos);
  EXPECT_EQ(Bytes(lines + L".broken"), linesBefore);
  EXPECT_EQ(Bytes(lines), std::string("\xFF\xFE"));
  EXPECT_EQ(Bytes(book), bookBefore);
  EXPECT_FALSE(Exists(book + L".broken"));
  EXPECT_FALSE(Exists(book + L".bak"));
}
