// The edit command on real files through the main window under wine, with the
// dialog answered through its seam: unchanged text leaves the file identical,
// an edit replaces exactly the changed bytes (head + new + tail), failures and
// a changed file leave it as it was, Edit Max, NULs, line ends and characters
// the file's code lacks.
#include <string>

#include "controls/NumberEdit.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Clipboard.h"
#include "framework/MessageService.h"
#include "dialogs/InputTextDlg.h"
#include "framework/ComCtrls.h"
#include "framework/StringList.h"
#include "framework/FileOps.h"
#include "support/main_window_fixture.h"
#include "text/StatusText.h"
#include "support/utf16_bytes.h"

using fileops::FaultFiles;
using fileops::Op;
using fileops::ScopedFiles;

namespace {

class EditWriteBack : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"wb");
    StartForm();
  }
  void TearDown() override { EndMainWindow(); }

  // Opens bytes as a file of the given code and selects [start, start + length) in file units.
  std::wstring Open(const std::string& bytes, int code, int64_t start, int64_t length, const wchar_t* name = L"t.txt") {
    const std::wstring p = File(name, bytes);
    form_->OpenFile(p);
    if (form_->Doc.TextCode != code) {
      form_->ComboBox1->SetItemIndex(code);
      form_->ComboBox1Change();
    }
    EXPECT_EQ(form_->Doc.TextCode, code);
    form_->Doc.BackupOffered = true;  // no backup question
    form_->Doc.SelStart = start;
    form_->Doc.SelLength = length;
    messages_.clear();
    return p;
  }
  // The dialog answers OK with f(text).
  void Answer(std::function<std::wstring(const std::wstring&)> f, int choice = 0) {
    seen_.clear();
    form_->EditDialogSeam = [this, f, choice](TVastrelForm::EditDialogRun& run) {
      ++runs_;
      seen_ = run.wide ? run.wideText : Cp932ToWide(run.narrowText);
      run.wideText = f(seen_);
      run.result = mrOk;
      run.lineEndChoice = choice;
    };
  }
  std::wstring seen_;
  int runs_ = 0;
};

std::string Sjis(const char* utf8) { return Cp932FromUtf8(utf8); }

// UTF-16 file bytes in either order, with or without the mark.
std::string U16(const std::wstring& w, bool bigEndian, bool mark) {
  std::string out = mark ? (bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2)) : std::string();
  return out + testsupport::detail::Utf16Bytes(w, bigEndian);
}

TEST_F(EditWriteBack, UnchangedTextLeavesEveryCodeByteIdentical) {
  const std::string sjis = "head " + std::string("\x87\x90\xED\x40") + Sjis("日本語") + " tail\r\n";
  const std::string euc = "ab\x8F\xA2\xAF\xA4\xA2\x8E\xB1xy";
  const std::string utf8 = "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80z\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    int code;
    int64_t unitsBefore;  // mark units
  } cases[] = {
      {"Shift_JIS", sjis, tcShiftJis, 0},
      {"EUC-JP", euc, tcEucJp, 0},
      {"UTF-8", utf8, tcUtf8, 0},
      {"UTF-8 mark", "\xEF\xBB\xBF" + utf8, tcUtf8, 0},
      {"UTF-16 LE", U16(L"ab日本\r\nz", false, false), tcUtf16, 0},
      {"UTF-16 LE mark", U16(L"ab日本\r\nz", false, true), tcUtf16, 1},
      {"UTF-16 BE", U16(L"ab日本\r\nz", true, false), tcUtf16, 0},
      {"UTF-16 BE mark", U16(L"ab日本\r\nz", true, true), tcUtf16, 1},
  };
  for (const auto& c : cases) {
    const int64_t units = c.code == tcUtf16 ? static_cast<int64_t>(c.bytes.size() / 2) : c.bytes.size();
    // at the start (over the mark), in the middle, to the end
    const std::pair<int64_t, int64_t> ranges[] = {{0, 3}, {1, units - 2}, {units - 3, 3}, {0, units}};
    for (auto r : ranges) {
      SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(r.first));
      const std::wstring p = Open(c.bytes, c.code, r.first, r.second);
      Answer([](const std::wstring& t) { return t; });
      form_->EditMenuClick();
      EXPECT_EQ(testsupport::ReadBytes(p), c.bytes);
      EXPECT_TRUE(messages_.empty());
    }
  }
  // Ranges across the 1 MiB border of larger files.
  const size_t mib = size_t(1) << 20;
  std::string bigSjis, bigJis;
  while (bigSjis.size() < 2 * mib + 3) bigSjis += "a\x87\x90" + Sjis("日本") + "\r\n";
  while (bigJis.size() < 2 * mib + 3) bigJis += "ab\x1B$B\x24\x22\x1B(B\r\n";
  const struct {
    const char* name;
    std::string bytes;
    int code;
  } big[] = {{"Shift_JIS", bigSjis, tcShiftJis},
             {"UTF-16 BE mark", U16(Cp932ToWide(bigSjis), true, true), tcUtf16},
             {"JIS", bigJis, tcJis}};
  for (const auto& c : big) {
    SCOPED_TRACE(std::string(c.name) + " across 1 MiB");
    const int64_t unit = c.code == tcUtf16 ? 2 : 1;
    int64_t from = static_cast<int64_t>(mib) / unit - 1000;
    int64_t length = 5000;
    if (c.code == tcJis) {  // from a line start to a line start
      from = static_cast<int64_t>(c.bytes.rfind("ab", mib - 1000));
      length = static_cast<int64_t>(c.bytes.find("ab", static_cast<size_t>(from + length))) - from;
    }
    const std::wstring p = Open(c.bytes, c.code, from, length);
    runs_ = 0;
    Answer([](const std::wstring& t) { return t; });
    form_->EditMenuClick();
    EXPECT_EQ(runs_, 1);
    EXPECT_TRUE(testsupport::ReadBytes(p) == c.bytes);
    EXPECT_TRUE(messages_.empty());
  }
}

TEST_F(EditWriteBack, AnEditReplacesOnlyTheChangedBytes) {
  // Shift_JIS: 87 90 in the unchanged head stays as it is; one word changes.
  const std::string head = "A\x87\x90 ", tail = " \xED\x40Z";
  const std::string bytes = head + "word" + tail;
  for (const char* now : {"wor", "WORD", "words", ""}) {
    SCOPED_TRACE(now);
    const std::wstring p = Open(bytes, tcShiftJis, 0, static_cast<int64_t>(bytes.size()));
    // bookmarks before, at the end of and behind the changed word
    TStrings& marks = form_->BockListBox1->Items();
    marks.Clear();
    for (const wchar_t* m : {L"2@2#0=a", L"9@9#0=b", L"11@11#1=c"}) {
      marks.Add("");
      SetItemWide(marks, marks.Count() - 1, m);
    }
    form_->Doc.BookmarksChanged = false;
    Answer([now](const std::wstring& t) {
      std::wstring w = t;
      w.replace(w.find(L"word"), 4, Cp932ToWide(now));
      return w;
    });
    form_->EditMenuClick();
    EXPECT_EQ(testsupport::ReadBytes(p), head + now + tail);
    EXPECT_EQ(form_->EditSizeDelta, static_cast<int64_t>(std::string(now).size()) - 4);
    EXPECT_EQ(form_->Doc.SelLength, static_cast<int64_t>(bytes.size()) + form_->EditSizeDelta);
    const int64_t d = form_->EditSizeDelta;
    EXPECT_EQ(GetItemWide(marks, 0), L"2@2#0=a");
    // A moves as far as B.
    EXPECT_EQ(GetItemWide(marks, 1), std::to_wstring(9 + d) + L"@" + std::to_wstring(9 + d) + L"#0=b");
    EXPECT_EQ(GetItemWide(marks, 2), std::to_wstring(11 + d) + L"@" + std::to_wstring(11 + d) + L"#1=c");
    EXPECT_EQ(form_->Doc.BookmarksChanged, d != 0);
  }
}

TEST_F(EditWriteBack, LongTailsMoveWholeInBothDirectionsAndEmptyRangesWork) {
  for (size_t tailSize : {size_t(1000), size_t(1) << 20, (size_t(2) << 20) + 3}) {
    std::string tail(tailSize, 'x');
    for (size_t i = 0; i < tailSize; i += 97) tail[i] = static_cast<char>('a' + i % 26);
    const std::string bytes = "0123456789" + tail;
    for (const char* now : {"ab", "abc", "wxyz", "abcde", "abcdefg"}) {  // 1 byte shorter, equal, 1 longer, ...
      const std::wstring p = Open(bytes, tcShiftJis, 2, 4);  // "2345"
      Answer([now](const std::wstring&) { return Cp932ToWide(now); });
      form_->EditMenuClick();
      EXPECT_EQ(testsupport::ReadBytes(p), "01" + std::string(now) + "6789" + tail) << tailSize;
    }
  }
  // an empty selection inserts; an empty text deletes
  std::wstring p = Open("abcdef", tcShiftJis, 3, 0);
  Answer([](const std::wstring&) { return std::wstring(L"XY"); });
  form_->EditMenuClick();
  EXPECT_EQ(testsupport::ReadBytes(p), "abcXYdef");
  p = Open("abcdef", tcShiftJis, 1, 3);
  Answer([](const std::wstring&) { return std::wstring(); });
  form_->EditMenuClick();
  EXPECT_EQ(testsupport::ReadBytes(p), "aef");
}

TEST_F(EditWriteBack, AFileChangedWhileTheDialogWasOpenIsNotWritten) {
  const char* hows[] = {"appended", "same size, other bytes", "touched", "replaced by a copy"};
  for (int how = 0; how < 4; ++how) {
    SCOPED_TRACE(hows[how]);
    const std::wstring p = Open("abcdef", tcShiftJis, 1, 2);
    std::string expected = "abcdef";
    form_->EditDialogSeam = [&](TVastrelForm::EditDialogRun& run) {
      switch (how) {
        case 0:
          testsupport::WriteBytes(p, expected = "abcdefgh");
          break;
        case 1:
          testsupport::WriteBytes(p, expected = "aXYdef");
          break;
        case 2: {  // the same bytes, written an hour later
          HANDLE h = CreateFileW(p.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
          FILETIME t;
          GetFileTime(h, nullptr, nullptr, &t);
          ULARGE_INTEGER u{{t.dwLowDateTime, t.dwHighDateTime}};
          u.QuadPart += 36000000000ull;
          t.dwLowDateTime = u.LowPart;
          t.dwHighDateTime = u.HighPart;
          EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
          CloseHandle(h);
          break;
        }
        default: {  // another file with the same bytes and time takes its place
          const std::wstring other = File(L"other.txt", "abcdef");
          HANDLE a = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
          HANDLE b = CreateFileW(other.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
          FILETIME t;
          GetFileTime(a, nullptr, nullptr, &t);
          SetFileTime(b, nullptr, nullptr, &t);
          CloseHandle(a);
          CloseHandle(b);
          EXPECT_TRUE(MoveFileExW(other.c_str(), p.c_str(), MOVEFILE_REPLACE_EXISTING));
          break;
        }
      }
      run.wideText = L"ZZ";
      run.result = mrOk;
    };
    form_->EditMenuClick();
    EXPECT_EQ(testsupport::ReadBytes(p), expected);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].find(L"クリップボード"), std::wstring::npos);
  }
}

// A write-back that the file refuses after OK offers the typed text for the
// clipboard: Yes copies it, No leaves the clipboard as it was.
TEST_F(EditWriteBack, TextThatCannotBeWrittenCanBeCopied) {
  class NoWriting : public FaultFiles {
   public:
    HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
      if (access & GENERIC_WRITE) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
      }
      return FaultFiles::Open(path, access, share, disposition, flags);
    }
  };
  const std::wstring typed = L"typed \x65E5\x672C";
  for (int answer : {IDYES, IDNO}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    const std::wstring p = Open("abcdef", tcShiftJis, 1, 2);
    ASSERT_TRUE(Clipboard::SetTextW(L"before"));
    std::vector<MessageRequest> asked;
    SetMessageHandler([&](const MessageRequest& m) {
      asked.push_back(m);
      return answer;
    });
    Answer([&](const std::wstring&) { return typed; });
    {
      NoWriting faults;
      ScopedFiles scoped(faults);
      form_->EditMenuClick();
    }
    EXPECT_EQ(testsupport::ReadBytes(p), "abcdef");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].text.find(SystemErrorTextWide(ERROR_ACCESS_DENIED)), std::wstring::npos);
    EXPECT_NE(asked[0].text.find(L"クリップボード"), std::wstring::npos);
    EXPECT_EQ(asked[0].flags & MB_YESNO, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(Clipboard::GetTextW(), answer == IDYES ? typed : std::wstring(L"before"));
    EXPECT_TRUE(form_->Work.Idle());
    SetMessageHandler([this](const MessageRequest& m) {
      messages_.push_back(m.text);
      return IDOK;
    });
  }
}

TEST_F(EditWriteBack, EditMaxPassesAtTheLimitAndRefusesOneMore) {
  const std::string bytes((1 << 20) + 10, 'a');
  form_->UpDown1->SetPosition(1);
  for (int64_t extra : {0, 1}) {
    const std::wstring p = Open(bytes, tcShiftJis, 0, (1 << 20) + extra);
    runs_ = 0;
    Answer([](const std::wstring& t) { return t; });
    form_->EditMenuClick();
    EXPECT_EQ(runs_, extra == 0 ? 1 : 0);
    EXPECT_EQ(messages_.size(), extra == 0 ? 0u : 1u);
  }
  // a backward selection counts its size too
  Open(bytes, tcShiftJis, (1 << 20) + 5, -((1 << 20) + 1));
  runs_ = 0;
  form_->EditMenuClick();
  EXPECT_EQ(runs_, 0);
  // Windows 95 and 98 read 64 KB at once: that limit is named; a JIS range,
  // its escapes counted, one byte past Edit Max names Edit Max.
  std::string jis;
  while (jis.size() < (1 << 20) + 100) jis += "a\x1B$B\x24\x22\x1B(B";  // 1 text byte + 2 in 9 bytes
  const struct {
    const char* name;
    std::string bytes;
    int code;
    int level;
    int64_t length, limit;
    bool passes;
  } rows[] = {
      {"64 KB on Windows 98", bytes, tcShiftJis, 0, 0x10000, 0x10000, true},
      {"64 KB + 1 on Windows 98", bytes, tcShiftJis, 0, 0x10001, 0x10000, false},
      {"JIS at Edit Max", jis, tcJis, 5, 1 << 20, 1 << 20, true},
      {"JIS one byte past Edit Max", jis, tcJis, 5, (1 << 20) + 1, 1 << 20, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    Open(r.bytes, r.code, 0, r.length);
    form_->SystemLevel = r.level;
    runs_ = 0;
    form_->EditMenuClick();
    form_->SystemLevel = 5;
    EXPECT_EQ(runs_, r.passes ? 1 : 0);
    ASSERT_EQ(messages_.size(), r.passes ? 0u : 1u);
    if (!r.passes) EXPECT_NE(messages_[0].find(statustext::FormatSize(false, r.limit)), std::wstring::npos);
  }
}

// Shift+Down at a page's last line moves the page on: the view then holds
// only the part of the selection on its page (nothing here), while the file
// selection reaches from the anchor. Edit Max measures the latter.
TEST_F(EditWriteBack, EditMaxCountsAShiftDownExtensionOverPages) {
  std::string bytes;
  char line[40];
  for (int i = 0; i < 33000; ++i) {
    wsprintfA(line, "L%06dxxxxxxxxxxxxxxxxxxxxxxx\r\n", i);  // 32 bytes
    bytes += line;
  }
  form_->UpDown1->SetPosition(1);
  for (int64_t lines : {int64_t{32768}, int64_t{32769}}) {  // exactly 1 MiB, and one line more
    SCOPED_TRACE(lines);
    Open(bytes, tcShiftJis, 0, 0);
    form_->Memo1->SetSelStart(0);
    form_->Memo1MouseDown(mbLeft, 0);  // the anchor
    form_->Memo1MouseUp(mbLeft, 0);
    form_->MovingBack = form_->MovingForward = false;
    form_->ShowPage(false, true, (lines - 5) * 32);
    const int at = form_->Memo1->LineIndex(5);
    form_->Memo1->SetSelection(at, at);
    WORD key = VK_DOWN;
    form_->Memo1KeyUp(key, ssShift);
    ASSERT_EQ(form_->Doc.SelStart, 0);
    ASSERT_EQ(form_->Doc.SelLength, lines * 32);
    runs_ = 0;
    messages_.clear();
    Answer([](const std::wstring& t) { return t; });
    form_->EditMenuClick();
    EXPECT_EQ(runs_, lines == 32768 ? 1 : 0);
    EXPECT_EQ(seen_.size(), lines == 32768 ? size_t{1} << 20 : 0u);
    EXPECT_EQ(messages_.size(), lines == 32768 ? 0u : 1u);
  }
}

// A range that begins over the mark changes only what follows it: the mark
// stays once at offset 0.
TEST_F(EditWriteBack, AnEditOverTheMarkKeepsTheMarkOnce) {
  const struct {
    const char* name;
    std::string bytes, expected;
    int code;
    int64_t length;  // from 0, in file units
  } rows[] = {
      {"UTF-8", "\xEF\xBB\xBF" "abc", "\xEF\xBB\xBF" "Z", tcUtf8, 6},
      {"UTF-16 LE", U16(L"abc", false, true), U16(L"Z", false, true), tcUtf16, 4},
      {"UTF-16 BE", U16(L"abc", true, true), U16(L"Z", true, true), tcUtf16, 4},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const std::wstring p = Open(r.bytes, r.code, 0, r.length);
    Answer([](const std::wstring&) { return std::wstring(L"Z"); });
    form_->EditMenuClick();
    EXPECT_EQ(seen_, L"abc");
    EXPECT_TRUE(testsupport::ReadBytes(p) == r.expected);
    EXPECT_TRUE(messages_.empty());
  }
}

TEST_F(EditWriteBack, NulsRoundTripAndAMixedRangeIsRefused) {
  std::string bytes = std::string("a\0b c", 5);
  std::wstring p = Open(bytes, tcShiftJis, 0, 5);
  Answer([](const std::wstring& t) { return t.substr(0, 4) + L"C"; });
  form_->EditMenuClick();
  EXPECT_EQ(seen_, std::wstring(L"a\x0001" L"b c"));
  EXPECT_EQ(testsupport::ReadBytes(p), std::string("a\0b C", 5));
  // a lone 0x01 without NULs stays 0x01
  p = Open("a\x01" "b c", tcShiftJis, 0, 5);
  form_->EditMenuClick();
  EXPECT_EQ(testsupport::ReadBytes(p), "a\x01" "b C");
  // both: refused
  bytes = std::string("a\0\x01 c", 5);
  p = Open(bytes, tcShiftJis, 0, 5);
  runs_ = 0;
  form_->EditMenuClick();
  EXPECT_EQ(runs_, 0);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_EQ(testsupport::ReadBytes(p), bytes);
  // UTF-16 big endian: the NUL shows as U+0001, and a typed "Ā" stays "Ā"
  const std::string be = U16(std::wstring(L"a\0b", 3), true, true);
  p = Open(be, tcUtf16, 1, 3);
  ASSERT_EQ(form_->Doc.ByteOrder, boBigEndian);
  Answer([](const std::wstring& t) { return t + L"Ā"; });
  form_->EditMenuClick();
  EXPECT_EQ(seen_, std::wstring(L"a\x0001" L"b"));
  EXPECT_EQ(testsupport::ReadBytes(p), U16(std::wstring(L"a\0bĀ", 4), true, true));
}

TEST_F(EditWriteBack, LineEndChoicesInBothFlows) {
  for (int code : {tcShiftJis, tcUtf16}) {
    auto enc = [code](const std::wstring& t) {
      return code == tcUtf16 ? U16(t, false, false) : WideToCp932(t);
    };
    const std::string crlf = enc(L"a\r\nb\r\n");
    std::wstring p = Open(crlf, code, 0, code == tcUtf16 ? 6 : 6);
    Answer([](const std::wstring& t) { return t; }, 1);
    form_->EditMenuClick();
    EXPECT_EQ(testsupport::ReadBytes(p), crlf);
    const std::string mixed = enc(L"a\r\nb\rc");
    p = Open(mixed, code, 0, 6);
    Answer([](const std::wstring& t) { return t; }, 3);
    form_->EditMenuClick();
    EXPECT_EQ(testsupport::ReadBytes(p), enc(L"a\nb\nc")) << code;
  }
}

TEST_F(EditWriteBack, ACharacterTheCodeLacksIsAskedForAndNoWritesNothing) {
  std::wstring p = Open("abc", tcShiftJis, 0, 3);
  Answer([](const std::wstring&) { return std::wstring(L"caf\x00E9"); });
  form_->EditMenuClick();  // the question is answered No
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(L"\x00E9"), std::wstring::npos);
  EXPECT_EQ(testsupport::ReadBytes(p), "abc");
  // Yes writes the substitute
  SetMessageHandler([](const MessageRequest&) { return IDYES; });
  p = Open("abc", tcShiftJis, 0, 3);
  form_->EditMenuClick();
  EXPECT_EQ(testsupport::ReadBytes(p), WideToCp932(L"caf\x00E9"));
}

// A JIS file: a kanji run, kana by SO/SI, and a kanji run of the older
// designation closed into JIS-Roman. The view shows
// "abc\r\nあいうdef\r\nｱｲgh\r\n亜z\r\n" (memo bytes: あ 5, い 7, う 9, d 11,
// ｱ 16, ｲ 17, g 18, 亜 22, z 24).
const std::string kJisFile = "abc\r\n\x1B$B\x24\x22\x24\x24\x24\x26\x1B(Bdef\r\n\x0E\x31\x32\x0Fgh\r\n"
                             "\x1B$@\x30\x21\x1B(Jz\r\n";

class EditWriteBackJis : public EditWriteBack {
 protected:
  // Opens the JIS file and selects memo bytes [from, to) as the mouse would.
  std::wstring OpenJis(int64_t from, int64_t to, const std::string& bytes = kJisFile) {
    const std::wstring p = Open(bytes, tcJis, 0, 0);
    form_->SetSelection(from, to);
    form_->HandleEditMouse(0);
    messages_.clear();
    return p;
  }
  // Ctrl+E in the view, as the user presses it.
  void CtrlE() {
    HWND view = form_->Memo1->Handle();
    SetFocus(view);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(view, WM_KEYDOWN, 'E', 1);
    Application->ProcessMessages();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  }
};

TEST_F(EditWriteBackJis, UnchangedRangesLeaveTheFileByteIdentical) {
  const std::pair<int64_t, int64_t> ranges[] = {{0, 27}, {5, 11}, {7, 9}, {7, 13}, {9, 22}, {16, 18}, {17, 19}, {22, 25}};
  for (auto r : ranges) {
    SCOPED_TRACE(std::to_string(r.first) + "-" + std::to_string(r.second));
    const std::wstring p = OpenJis(r.first, r.second);
    runs_ = 0;
    Answer([](const std::wstring& t) { return t; });
    CtrlE();
    EXPECT_EQ(runs_, 1);
    EXPECT_EQ(seen_, Cp932ToWide(WideToCp932(L"abc\r\nあいうdef\r\nｱｲgh\r\n亜z\r\n").substr(r.first, r.second - r.first)));
    EXPECT_EQ(testsupport::ReadBytes(p), kJisFile);
    EXPECT_TRUE(messages_.empty());
  }
}

TEST_F(EditWriteBackJis, EditsAreWrittenInTheStatesAroundThem) {
  const std::string head = "abc\r\n", kanji = "\x1B$B", ascii = "\x1B(B";
  const std::string rest = "def\r\n\x0E\x31\x32\x0Fgh\r\n\x1B$@\x30\x21\x1B(Jz\r\n";
  struct Case {
    const char* what;
    int64_t from, to;
    const wchar_t* was;
    const wchar_t* now;
    std::string expected;
  } cases[] = {
      {"ASCII for a kanji inside a run", 7, 9, L"い", L"X",
       head + kanji + "\x24\x22" + ascii + "X" + kanji + "\x24\x26" + ascii + rest},
      {"a kanji over the run's end", 9, 13, L"うde", L"漢",
       head + kanji + "\x24\x22\x24\x24\x34\x41" + ascii + "f\r\n\x0E\x31\x32\x0Fgh\r\n\x1B$@\x30\x21\x1B(Jz\r\n"},
      {"the whole run deleted", 5, 11, L"あいう", L"", head + rest},
      {"a kana into the shift-out run", 17, 18, L"ｲ", L"ｳｲ",
       head + kanji + "\x24\x22\x24\x24\x24\x26" + ascii + "def\r\n\x0E\x31\x33\x32\x0Fgh\r\n\x1B$@\x30\x21\x1B(Jz\r\n"},
      {"ASCII typed at a caret inside a run", 7, 7, L"", L"X",
       head + kanji + "\x24\x22" + ascii + "X" + kanji + "\x24\x24\x24\x26" + ascii + rest},
      {"a kana for ASCII joins the shift-out run before it", 18, 20, L"gh", L"ｶh",
       head + kanji + "\x24\x22\x24\x24\x24\x26" + ascii + "def\r\n\x0E\x31\x32\x36\x0Fh\r\n\x1B$@\x30\x21\x1B(Jz\r\n"},
      {"ASCII between the older run and JIS-Roman", 22, 25, L"亜z", L"亜xz",
       head + kanji + "\x24\x22\x24\x24\x24\x26" + ascii +
           "def\r\n\x0E\x31\x32\x0Fgh\r\n\x1B$@\x30\x21\x1B(Bx\x1B(Jz\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring p = OpenJis(c.from, c.to);
    const std::wstring now = c.now;
    Answer([now](const std::wstring&) { return now; });
    CtrlE();
    EXPECT_EQ(seen_, c.was);
    EXPECT_EQ(testsupport::ReadBytes(p), c.expected);
    EXPECT_TRUE(messages_.empty());
    // The selection is the new text's bytes.
    if (now.empty()) EXPECT_EQ(form_->Doc.SelLength, 0);
    else EXPECT_EQ(Cp932ToWide(form_->ReadRangeNarrow(false, 0)), now);
    EXPECT_EQ(form_->EditSizeDelta, static_cast<int64_t>(c.expected.size()) - static_cast<int64_t>(kJisFile.size()));
  }
}

// The real narrow dialog once, driven as a user would: when it becomes
// active, its text is selected, "X" typed over it and OK clicked.
HHOOK g_cbt = nullptr;
LRESULT CALLBACK TypeIntoTheEditDialog(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && InputTextDlg && reinterpret_cast<HWND>(wp) == InputTextDlg->Handle()) {
    HWND memo = InputTextDlg->Memo1->Handle();
    PostMessageW(memo, EM_SETSEL, 0, -1);
    PostMessageW(memo, WM_CHAR, L'X', 1);
    PostMessageW(InputTextDlg->OKBtn->Handle(), BM_CLICK, 0, 0);
  }
  return CallNextHookEx(g_cbt, code, wp, lp);
}

TEST_F(EditWriteBackJis, TheRealDialogWritesWhatIsTypedIntoIt) {
  const std::wstring p = OpenJis(7, 9);  // い
  form_->EditDialogSeam = nullptr;
  g_cbt = SetWindowsHookExW(WH_CBT, TypeIntoTheEditDialog, nullptr, GetCurrentThreadId());
  ASSERT_NE(g_cbt, nullptr);
  CtrlE();
  UnhookWindowsHookEx(g_cbt);
  EXPECT_EQ(testsupport::ReadBytes(p), "abc\r\n\x1B$B\x24\x22\x1B(BX\x1B$B\x24\x26\x1B(Bdef\r\n\x0E\x31\x32\x0Fgh\r\n"
                                       "\x1B$@\x30\x21\x1B(Jz\r\n");
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(form_->ReadRangeNarrow(false, 0), "X");
}

TEST_F(EditWriteBackJis, UndoPutsTheBackupBack) {
  const std::wstring p = OpenJis(7, 9);
  form_->Doc.BackupOffered = false;
  form_->WatchPath = p;
  SetMessageHandler([this](const MessageRequest& r) {
    messages_.push_back(r.text);
    return IDYES;
  });
  ScopedFileDialogHandler dialog([this](const FileDialogRequest&, std::wstring& buffer) {
    buffer = folder_ + L"jis.bak";
    return true;
  });
  Answer([](const std::wstring&) { return std::wstring(L"いい"); });
  CtrlE();
  ASSERT_EQ(messages_.size(), 1u);  // the backup question, with the JIS note
  EXPECT_NE(messages_[0].find(L"JIS"), std::wstring::npos);
  EXPECT_EQ(testsupport::ReadBytes(p),
            "abc\r\n\x1B$B\x24\x22\x24\x24\x24\x24\x24\x26\x1B(Bdef\r\n\x0E\x31\x32\x0Fgh\r\n\x1B$@\x30\x21\x1B(Jz\r\n");
  form_->Undo1Click();
  EXPECT_EQ(testsupport::ReadBytes(p), kJisFile);
}

TEST_F(EditWriteBackJis, ARangeThatBeginsInsideACharacterIsRefused) {
  // A start the view could not have given: one byte into the run's first kanji.
  const std::wstring p = Open(kJisFile, tcJis, 9, 2);
  form_->Doc.JisShiftState = 3;
  runs_ = 0;
  Answer([](const std::wstring&) { return std::wstring(L"x"); });
  form_->EditMenuClick();
  EXPECT_EQ(runs_, 0);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_EQ(testsupport::ReadBytes(p), kJisFile);
}

// The fault table through the edit command, in a Shift_JIS and a JIS file
// whose tail takes several 1 MiB blocks: an error ends with the file as it
// was and one message with the system's text; short reads and writes end
// with the finished result; an abort at a block puts the file back.
class AbortAtWrite : public FaultFiles {
 public:
  AbortAtWrite(int nth, HWND button) : nth_(nth), button_(button) {}
  bool Write(HANDLE h, const void* buf, DWORD len, DWORD* done) override {
    if (writes_ == 0) readsAtFirstWrite = Calls(Op::Read);
    if (++writes_ == nth_) {
      PostMessageW(button_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      PostMessageW(button_, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    return FaultFiles::Write(h, buf, len, done);
  }
  int readsAtFirstWrite = 0;

 private:
  int nth_, writes_ = 0;
  HWND button_;
};

TEST_F(EditWriteBackJis, FaultsLeaveTheOriginalOrTheFinishedFile) {
  std::string tail((3 << 20) + 3, 't');
  for (size_t i = 0; i < tail.size(); i += 101) tail[i] = static_cast<char>('a' + i % 26);
  struct Code {
    const char* name;
    int code;
    std::string bytes, expected;
    int64_t from, to;  // view selection
    std::wstring now;
  } codes[] = {
      {"Shift_JIS", tcShiftJis, "head-word-" + tail, "head-longer word-" + tail, 5, 9, L"longer word"},
      {"JIS", tcJis, "ab\x1B$B\x24\x22\x24\x24\x1B(Bcd" + tail, "ab\x1B$B\x34\x41\x3B\x7A\x1B(Bxcd" + tail, 2, 6,
       L"漢字x"},
  };
  enum Kind { kError, kFinished, kAbort };
  for (const Code& c : codes) {
    // A clean run counts the writes (the last one puts the new text in) and
    // the reads before the move's first write (the next read is the move's second).
    AbortAtWrite counting(0, nullptr);
    int reads = 0, writes = 0;
    {
      const std::wstring p = c.code == tcJis ? OpenJis(c.from, c.to, c.bytes) : Open(c.bytes, c.code, c.from, c.to - c.from);
      Answer([&c](const std::wstring&) { return c.now; });
      ScopedFiles scoped(counting);
      form_->EditMenuClick();
      reads = counting.readsAtFirstWrite + 1;
      writes = counting.Calls(Op::Write);
      ASSERT_EQ(testsupport::ReadBytes(p), c.expected) << c.name;
    }
    ASSERT_GE(writes, 4) << c.name;
    struct Row {
      const char* name;
      Kind kind;
      Op op;
      int nth;
      int64_t disk;
      DWORD maxRead, maxWrite;
    } rows[] = {
        {"write error at block 2", kError, Op::Write, 2, -1, 0, 0},
        {"read error at block 2", kError, Op::Read, reads, -1, 0, 0},
        {"failing text write", kError, Op::Write, writes, -1, 0, 0},
        {"full disk on extension", kError, Op::Count, 0, 0, 0, 0},
        {"short reads", kFinished, Op::Count, 0, -1, 4093, 0},
        {"short writes", kFinished, Op::Count, 0, -1, 0, 4093},
        {"abort at block 2", kAbort, Op::Count, 2, -1, 0, 0},
    };
    for (const Row& r : rows) {
      SCOPED_TRACE(std::string(c.name) + ": " + r.name);
      const std::wstring p =
          c.code == tcJis ? OpenJis(c.from, c.to, c.bytes) : Open(c.bytes, c.code, c.from, c.to - c.from);
      const int64_t selStart = form_->Doc.SelStart, selLength = form_->Doc.SelLength;
      TStrings& marks = form_->BockListBox1->Items();
      marks.Clear();
      marks.Add("");
      SetItemWide(marks, 0, L"0@20#0=behind");
      form_->Doc.BookmarksChanged = false;
      Answer([&c](const std::wstring&) { return c.now; });
      SetMessageHandler([this](const MessageRequest& m) {
        messages_.push_back(m.text);
        return IDYES;  // the abort button's question
      });
      AbortAtWrite faults(r.kind == kAbort ? r.nth : 0, form_->SpeedButton2->Handle());
      if (r.nth && r.kind == kError) faults.FailAt(r.op, r.nth, ERROR_WRITE_FAULT);
      faults.diskSpace = r.disk;
      faults.overwritesTakeSpace = false;  // only growth takes space
      faults.maxRead = r.maxRead;
      faults.maxWrite = r.maxWrite;
      {
        ScopedFiles scoped(faults);
        form_->EditMenuClick();
      }
      const std::string now = testsupport::ReadBytes(p);
      EXPECT_EQ(now.size(), r.kind == kFinished ? c.expected.size() : c.bytes.size());
      EXPECT_TRUE(now == (r.kind == kFinished ? c.expected : c.bytes)) << now.substr(0, 40);
      if (r.kind == kFinished) {
        EXPECT_TRUE(messages_.empty());
        continue;
      }
      if (r.kind == kError) {
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_NE(messages_[0].find(SystemErrorTextWide(r.disk >= 0 ? ERROR_DISK_FULL : ERROR_WRITE_FAULT)),
                  std::wstring::npos);
      } else {
        ASSERT_EQ(messages_.size(), 2u);  // the question, then the notice
        EXPECT_NE(messages_[1].find(L"中止"), std::wstring::npos);
      }
      EXPECT_EQ(form_->Doc.SelStart, selStart);
      EXPECT_EQ(form_->Doc.SelLength, selLength);
      EXPECT_EQ(form_->EditSizeDelta, 0);
      EXPECT_EQ(GetItemWide(marks, 0), L"0@20#0=behind");
      EXPECT_FALSE(form_->Doc.BookmarksChanged);
      EXPECT_TRUE(form_->Work.Idle());
    }
  }
}

std::vector<std::wstring> Names(const std::wstring& dir) { return testsupport::FileNamesIn(dir); }

TEST_F(EditWriteBack, BackupGoesToANumberedNameAndUndoRestoresFromIt) {
  const std::wstring p = Open("original text", tcShiftJis, 0, 3);
  form_->Doc.BackupOffered = false;
  form_->WatchPath = p;
  File(L"bak.txt", "taken");
  SetMessageHandler([this](const MessageRequest& r) {
    messages_.push_back(r.text);
    return IDYES;
  });
  ScopedFileDialogHandler dialog([this](const FileDialogRequest& r, std::wstring& buffer) {
    EXPECT_TRUE(r.save);
    EXPECT_EQ(r.initialFile, L"t.txt");
    buffer = folder_ + L"bak.txt";
    return true;
  });
  form_->OfferBackup();
  EXPECT_TRUE(form_->Doc.BackupOffered);
  EXPECT_EQ(form_->Doc.BackupPath, folder_ + L"bak(1).txt");
  EXPECT_EQ(testsupport::ReadBytes(folder_ + L"bak(1).txt"), "original text");
  form_->OfferBackup();  // offered once per file
  EXPECT_EQ(messages_.size(), 1u);

  // The file changes; undo puts the backup back, and the backup stays.
  Answer([](const std::wstring&) { return std::wstring(L"new"); });
  form_->EditMenuClick();
  ASSERT_EQ(testsupport::ReadBytes(p), "newginal text");
  form_->Undo1Click();
  EXPECT_EQ(testsupport::ReadBytes(p), "original text");
  EXPECT_EQ(testsupport::ReadBytes(folder_ + L"bak(1).txt"), "original text");

  // A failing replace or read leaves the target and no temporary file.
  testsupport::WriteBytes(p, "changed again");
  const size_t before = Names(folder_).size();
  for (Op op : {Op::Replace, Op::Read, Op::Open}) {  // Open: a locked backup
    FaultFiles faults;
    faults.FailAt(op, 1, ERROR_ACCESS_DENIED);
    messages_.clear();
    {
      ScopedFiles scoped(faults);
      form_->Undo1Click();
    }
    EXPECT_EQ(testsupport::ReadBytes(p), "changed again");
    EXPECT_EQ(Names(folder_).size(), before);
    ASSERT_EQ(messages_.size(), 2u);  // the question, then the failure
    EXPECT_NE(messages_[1].find(SystemErrorTextWide(ERROR_ACCESS_DENIED)), std::wstring::npos);
  }
  // A missing backup: nothing happens after the question.
  DeleteFileW((folder_ + L"bak(1).txt").c_str());
  form_->Undo1Click();
  EXPECT_EQ(testsupport::ReadBytes(p), "changed again");
}

TEST_F(EditWriteBack, AFailedBackupLeavesNoFileAndIsOfferedAgain) {
  const std::wstring p = Open("original text", tcShiftJis, 0, 3);
  form_->Doc.BackupOffered = false;
  form_->WatchPath = p;
  SetMessageHandler([this](const MessageRequest& r) {
    messages_.push_back(r.text);
    return IDYES;
  });
  ScopedFileDialogHandler dialog([this](const FileDialogRequest&, std::wstring& buffer) {
    buffer = folder_ + L"copy.txt";
    return true;
  });
  const size_t before = Names(folder_).size();
  FaultFiles faults;
  faults.FailAt(Op::Write, 1, ERROR_WRITE_FAULT);
  {
    ScopedFiles scoped(faults);
    form_->OfferBackup();
  }
  EXPECT_FALSE(form_->Doc.BackupOffered);
  EXPECT_EQ(Names(folder_).size(), before);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_NE(messages_[1].find(SystemErrorTextWide(ERROR_WRITE_FAULT)), std::wstring::npos);
  messages_.clear();
  form_->OfferBackup();  // asked again
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(form_->Doc.BackupOffered);
}

}  // namespace
