// Typing into the file through the real main window under wine: Enter,
// Backspace and Delete posted to the view change the file on disk exactly,
// in every code, on the first and on a later page; a JIS caret inside a
// double-byte run; an insertion before a mark; the abort button's question;
// keys and a close request during a move; the change notification and the
// bookmark offsets; a failing write.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/FileOps.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "viewer/VastrelForm.h"

namespace {

struct Code {
  const char* name;
  int textCode;
  int byteOrder;
  bool mark;
};

const Code kCodes[] = {
    {"Shift_JIS", tcShiftJis, boLittleEndian, false}, {"UTF-16 LE", tcUtf16, boLittleEndian, false},
    {"UTF-16 LE mark", tcUtf16, boLittleEndian, true}, {"UTF-16 BE mark", tcUtf16, boBigEndian, true},
    {"UTF-8", tcUtf8, boLittleEndian, false},          {"UTF-8 mark", tcUtf8, boLittleEndian, true},
    {"EUC-JP", tcEucJp, boLittleEndian, false},        {"JIS", tcJis, boLittleEndian, false},
};

// The text in the code: ASCII, and the kana あ and い.
std::string Encode(const Code& c, const std::wstring& text, bool withMark) {
  std::string out;
  if (withMark && c.mark) {
    out = c.textCode == tcUtf8 ? "\xEF\xBB\xBF" : c.byteOrder == boBigEndian ? "\xFE\xFF" : "\xFF\xFE";
  }
  bool inRun = false;
  for (wchar_t ch : text) {
    const bool kana = ch == L'あ' || ch == L'い';
    const unsigned char jis2 = ch == L'あ' ? 0x22 : 0x24;
    switch (c.textCode) {
      case tcUtf16: {
        const char hi = static_cast<char>(ch >> 8), lo = static_cast<char>(ch & 0xFF);
        out += c.byteOrder == boBigEndian ? std::string{hi, lo} : std::string{lo, hi};
        break;
      }
      case tcUtf8:
        out += kana ? (ch == L'あ' ? "\xE3\x81\x82" : "\xE3\x81\x84") : std::string(1, static_cast<char>(ch));
        break;
      case tcShiftJis:
        out += kana ? (ch == L'あ' ? "\x82\xA0" : "\x82\xA2") : std::string(1, static_cast<char>(ch));
        break;
      case tcEucJp:
        out += kana ? (ch == L'あ' ? "\xA4\xA2" : "\xA4\xA4") : std::string(1, static_cast<char>(ch));
        break;
      case tcJis:
        if (kana && !inRun) out += "\x1B$B";
        if (!kana && inRun) out += "\x1B(B";
        inRun = kana;
        out += kana ? std::string{'\x24', static_cast<char>(jis2)} : std::string(1, static_cast<char>(ch));
        break;
    }
  }
  if (inRun) out += "\x1B(B";
  return out;
}

// Empty when equal; else the sizes and the bytes around the first difference.
std::string Diff(const std::string& actual, const std::string& expected) {
  if (actual == expected) return std::string();
  size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  auto hex = [&](const std::string& s) {
    std::string out;
    char b[4];
    for (size_t k = i >= 8 ? i - 8 : 0; k < s.size() && k < i + 16; ++k) {
      wsprintfA(b, "%02X ", static_cast<unsigned char>(s[k]));
      out += b;
    }
    return out;
  };
  return "sizes " + std::to_string(actual.size()) + "/" + std::to_string(expected.size()) + ", first difference at " +
         std::to_string(i) + ": actual " + hex(actual) + "| expected " + hex(expected);
}

std::wstring Lines(int n) {
  std::wstring s;
  for (int i = 0; i < n; ++i) s += L"Line " + std::to_wstring(1000 + i) + L" abcdefgh\r\n";
  return s;
}

class TypedEdit : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"te");
    StartForm();
    form_->CheckBox1->SetChecked(false);  // deleting allowed
    form_->FileChangeListeners.push_back([this](int64_t offset, int64_t removed, int64_t inserted) {
      changes_.push_back({offset, removed, inserted});
    });
  }
  void TearDown() override { EndMainWindow(); }

  // Opens bytes as the code; the page starts at pageStart (bytes).
  std::wstring Open(const Code& c, const std::string& bytes, int64_t pageStart) {
    const std::wstring p = File(L"t.txt", bytes);
    form_->OpenFile(p);
    Application->ProcessMessages();
    if (form_->Doc.TextCode != c.textCode || form_->Doc.ByteOrder != c.byteOrder) {
      form_->ComboBox1->SetItemIndex(c.textCode);
      form_->ComboBox1Change();
      form_->Doc.ByteOrder = c.byteOrder;
    }
    EXPECT_EQ(form_->Doc.TextCode, c.textCode) << c.name;
    if (pageStart) {
      form_->MovingBack = form_->MovingForward = false;
      form_->ShowPage(false, true, pageStart);
      EXPECT_EQ(form_->MyTrackBar1->Position(), pageStart) << c.name;
    }
    changes_.clear();
    messages_.clear();
    return p;
  }
  HWND View() { return form_->IsWideView() ? form_->CurrentPane : form_->Memo1->Handle(); }
  // A selection of the view taken into the file as a mouse release would be.
  void Select(int64_t start, int64_t end) {
    form_->SetSelection(start, end);
    form_->HandleEditMouse(0);
  }
  void Key(WORD vk) {
    SetFocus(View());
    PostMessageW(View(), WM_KEYDOWN, vk, 1);
    PostMessageW(View(), WM_KEYUP, vk, 0xC0000001);
    Application->ProcessMessages();
  }
  struct Change {
    int64_t offset, removed, inserted;
  };
  std::vector<Change> changes_;
};

// A view index in the wide panes (UTF-16 units) or the memo (Shift_JIS bytes).
int64_t Index(const Code& c, int64_t wide, int64_t kanaBefore) {
  return c.textCode == tcUtf16 || c.textCode == tcUtf8 ? wide : wide + kanaBefore;
}

TEST_F(TypedEdit, KeysChangeTheFileExactlyInEveryCode) {
  // The text "ab", "あい", "cd" on three lines; L: the line end (CR LF, or a
  // lone LF that the CR/LF switch shows as CR LF).
  for (const Code& c : kCodes) {
    for (int page = 0; page < 2; ++page) {
      for (const std::wstring le : {L"\r\n", L"\n"}) {
        if (le == L"\n" && (page == 1 || c.textCode == tcJis || c.textCode == tcEucJp)) continue;
        const std::wstring prefix = page ? Lines(300) : L"";
        auto text = [&](const std::wstring& body) { return prefix + body; };
        const std::wstring L = le;
        const std::wstring original = L"ab" + L + L"あい" + L + L"cd" + L;
        struct Step {
          const char* what;
          int64_t from, to;  // view selection (wide units)
          int64_t kanaFrom, kanaTo;
          std::vector<WORD> keys;
          std::wstring expected;
        } steps[] = {
            {"Enter twice before c", 8, 8, 2, 2, {VK_RETURN, VK_RETURN}, L"ab" + L + L"あい" + L + L"\r\n\r\ncd" + L},
            {"Backspace after a kana", 6, 6, 2, 2, {VK_BACK}, L"ab" + L + L"あ" + L + L"cd" + L},
            {"Backspace at a line start", 8, 8, 2, 2, {VK_BACK}, L"ab" + L + L"あいcd" + L},
            {"Delete on a line end", 2, 2, 0, 0, {VK_DELETE}, L"abあい" + L + L"cd" + L},
            {"Delete a selection from a line end", 2, 5, 0, 1, {VK_DELETE}, L"abい" + L + L"cd" + L},
        };
        for (const Step& s : steps) {
          SCOPED_TRACE(std::string(c.name) + (page ? " later page" : " page 0") + (le == L"\n" ? " LF" : "") +
                       ": " + s.what);
          // The later page starts five lines before "ab".
          const int64_t pageStart =
              page ? Encode(c, prefix, true).size() - Encode(c, Lines(5), false).size() : 0;
          const int64_t shift = page ? 5 * 20 : 0;
          const std::wstring p = Open(c, Encode(c, text(original), true), pageStart);
          if (le == L"\n") {
            form_->CheckBox6->SetChecked(true);
            form_->ShowPageInPlace();
          }
          Select(shift + Index(c, s.from, s.kanaFrom), shift + Index(c, s.to, s.kanaTo));
          for (WORD k : s.keys) Key(k);
          EXPECT_EQ(Diff(testsupport::ReadBytes(p), Encode(c, text(s.expected), true)), "");
          EXPECT_EQ(changes_.size(), s.keys.size());
          EXPECT_TRUE(messages_.empty());
          EXPECT_EQ(form_->Doc.SelLength, 0);
          EXPECT_EQ(GetFocus(), View());
          EXPECT_TRUE(form_->WorkIdle);
          EXPECT_FALSE(form_->SpeedButton2->Visible());
          form_->CheckBox6->SetChecked(false);
        }
      }
    }
  }
}

// JIS: the caret inside a double-byte run, at its start and after its end.
TEST_F(TypedEdit, JisEditsKeepTheEscapeStructure) {
  const Code& jis = kCodes[7];
  const std::string file = "\x1B$B\x24\x22\x24\x24\x1B(Ba\r\nz\r\n";
  struct Step {
    const char* what;
    int64_t caret;  // memo bytes
    WORD key;
    std::string expected;
  } steps[] = {
      {"Enter inside the run", 2, VK_RETURN, "\x1B$B\x24\x22\x1B(B\r\n\x1B$B\x24\x24\x1B(Ba\r\nz\r\n"},
      {"Backspace inside the run", 2, VK_BACK, "\x1B$B\x24\x24\x1B(Ba\r\nz\r\n"},
      {"Delete inside the run", 2, VK_DELETE, "\x1B$B\x24\x22\x1B(Ba\r\nz\r\n"},
      {"Delete at the run's start", 0, VK_DELETE, "\x1B$B\x24\x24\x1B(Ba\r\nz\r\n"},
      {"Enter at the run's start", 0, VK_RETURN, "\r\n" + file},
      {"Backspace after the run", 4, VK_BACK, "\x1B$B\x24\x22\x1B(Ba\r\nz\r\n"},
      {"Enter after the run", 4, VK_RETURN, "\x1B$B\x24\x22\x24\x24\x1B(B\r\na\r\nz\r\n"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    const std::wstring p = Open(jis, file, 0);
    Select(s.caret, s.caret);
    Key(s.key);
    EXPECT_EQ(Diff(testsupport::ReadBytes(p), s.expected), "");
    EXPECT_EQ(changes_.size(), 1u);
  }
  // Enter twice inside the run: the second line end goes where the caret stands.
  const std::wstring p = Open(jis, file, 0);
  Select(2, 2);
  Key(VK_RETURN);
  Key(VK_RETURN);
  EXPECT_EQ(testsupport::ReadBytes(p), "\x1B$B\x24\x22\x1B(B\r\n\r\n\x1B$B\x24\x24\x1B(Ba\r\nz\r\n");
}

// An insertion in front of the mark would change how the file is detected: nothing happens.
TEST_F(TypedEdit, NoInsertionBeforeTheMark) {
  for (const Code& c : {kCodes[2], kCodes[3], kCodes[5]}) {
    SCOPED_TRACE(c.name);
    const std::string bytes = Encode(c, L"ab\r\n", true);
    const std::wstring p = Open(c, bytes, 0);
    form_->Doc.SelStart = 0;
    form_->Doc.SelLength = 0;
    form_->InsertTypedText(L"\r\n", true);
    EXPECT_EQ(testsupport::ReadBytes(p), bytes);
    EXPECT_TRUE(changes_.empty());
    EXPECT_TRUE(messages_.empty());
  }
}

class TypedEditLong : public TypedEdit {
 protected:
  // A file whose tail behind the first byte takes several 1 MiB blocks.
  std::string Big() {
    std::string s(3 * (1 << 20) + 77, '\0');
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + i % 26);
    for (size_t i = 100; i < s.size(); i += 100) s[i] = '\n';
    return s;
  }
  void ClickAbort() {
    HWND b = form_->SpeedButton2->Handle();
    PostMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
};

TEST_F(TypedEditLong, AbortAsksAndYesPutsTheFileBack) {
  const Code& sjis = kCodes[0];
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    const std::string original = Big();
    const std::wstring p = Open(sjis, original, 0);
    std::vector<std::wstring> questions;
    MessageHandler previous = SetMessageHandler([&](const MessageRequest& r) {
      questions.push_back(r.caption + L"|" + r.text);
      EXPECT_EQ(r.flags & (MB_YESNO | MB_ICONQUESTION), static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
      EXPECT_TRUE(form_->SpeedButton2->Visible());
      return answer;
    });
    Select(0, 0);
    SetFocus(View());
    PostMessageW(View(), WM_KEYDOWN, VK_DELETE, 1);
    ClickAbort();  // served by the move's message pump
    Application->ProcessMessages();
    SetMessageHandler(previous);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], std::wstring(L"中止の確認|") +
                                L"作業を中止した場合、内容に不備な個所ができます。作業を中止しますか？");
    EXPECT_EQ(Diff(testsupport::ReadBytes(p), answer == IDYES ? original : original.substr(1)), "");
    EXPECT_EQ(changes_.size(), answer == IDYES ? 0u : 1u);
    EXPECT_TRUE(form_->WorkIdle);
    EXPECT_TRUE(form_->Work.Idle());
    EXPECT_FALSE(form_->SpeedButton2->Visible());
    EXPECT_FALSE(form_->ColorProgressBar1->Visible());
  }
}

TEST_F(TypedEditLong, KeysAndCloseDuringAMoveAreRefused) {
  const Code& sjis = kCodes[0];
  const std::string original = Big();
  const std::wstring p = Open(sjis, original, 0);
  Select(0, 0);
  SetFocus(View());
  HWND view = View();
  PostMessageW(view, WM_KEYDOWN, VK_DELETE, 1);
  PostMessageW(view, WM_KEYDOWN, VK_DELETE, 1);  // arrives while the first move runs
  PostMessageW(form_->Handle(), WM_CLOSE, 0, 0);
  PostMessageW(view, WM_KEYDOWN, VK_RETURN, 1);
  bool sawWork = false;
  form_->FileChangeListeners.push_back([&](int64_t, int64_t, int64_t) { sawWork = true; });
  Application->ProcessMessages();
  ASSERT_TRUE(IsWindow(form_->Handle()));
  EXPECT_TRUE(IsWindowVisible(form_->Handle()));
  EXPECT_TRUE(sawWork);
  EXPECT_EQ(Diff(testsupport::ReadBytes(p), original.substr(1)), "");
  EXPECT_EQ(changes_.size(), 1u);
  EXPECT_TRUE(form_->WorkIdle);
}

// Bookmarks before, inside and behind a removed range, and at an insertion point.
TEST_F(TypedEdit, BookmarksFollowTheEdit) {
  const Code& sjis = kCodes[0];
  Open(sjis, "0123456789\r\nabcdef\r\n", 0);
  TStrings& items = form_->BockListBox1->Items();
  for (const wchar_t* e : {L"3@3#0=before", L"5@5#0=start", L"6@6#0=inside", L"7@7#0=behind", L"9@9#0=later"}) {
    AddWithWideCopy(items, e);
  }
  form_->Doc.BookmarksChanged = false;
  const int64_t lineChanges = form_->LineChangeCount;
  // Delete "56" (select it).
  Select(5, 7);
  Key(VK_DELETE);
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_[0].offset, 5);
  EXPECT_EQ(changes_[0].removed, 2);
  EXPECT_EQ(changes_[0].inserted, 0);
  // A moves as far as B.
  const wchar_t* afterDelete[] = {L"3@3#0=before", L"5@5#0=start", L"5@5#0=inside", L"5@5#0=behind",
                                  L"7@7#0=later"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(GetItemWide(items, i), afterDelete[i]);
  EXPECT_TRUE(form_->Doc.BookmarksChanged);
  // Enter at 5: entries at 5 move behind the line end.
  Select(5, 5);
  Key(VK_RETURN);
  ASSERT_EQ(changes_.size(), 2u);
  EXPECT_EQ(changes_[1].offset, 5);
  EXPECT_EQ(changes_[1].removed, 0);
  EXPECT_EQ(changes_[1].inserted, 2);
  const wchar_t* afterInsert[] = {L"3@3#0=before", L"7@7#0=start", L"7@7#0=inside", L"7@7#0=behind",
                                  L"9@9#0=later"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(GetItemWide(items, i), afterInsert[i]);
  // Backspace at a line start takes CR LF: one notification with the widened range.
  Select(7, 7);
  Key(VK_BACK);
  ASSERT_EQ(changes_.size(), 3u);
  EXPECT_EQ(changes_[2].offset, 5);
  EXPECT_EQ(changes_[2].removed, 2);
  EXPECT_EQ(form_->LineChangeCount, lineChanges + 3);  // the line index heard of each
}

// A write that fails: one message with the system's text, the file as it
// was, no notification, the frame gone.
TEST_F(TypedEdit, AFailedWriteSaysWhyAndChangesNothing) {
  const Code& sjis = kCodes[0];
  const std::string original = "0123456789\r\nabcdef\r\n";
  const std::wstring p = Open(sjis, original, 0);
  AddWithWideCopy(form_->BockListBox1->Items(), L"0@9#0=x");
  fileops::FaultFiles faults;
  faults.FailAt(fileops::Op::Write, 1, ERROR_CRC);
  {
    fileops::ScopedFiles use(faults);
    Select(3, 3);
    Key(VK_RETURN);
    Select(3, 3);
    Key(VK_DELETE);  // the fault struck once: this one goes through
  }
  EXPECT_EQ(testsupport::ReadBytes(p), "012456789\r\nabcdef\r\n");
  ASSERT_EQ(messages_.size(), 1u);
  wchar_t text[512] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_CRC, 0, text, 512,
                 nullptr);
  std::wstring expected = text;
  while (!expected.empty() && (expected.back() == L'\n' || expected.back() == L'\r')) expected.pop_back();
  // The first write is the journal's (the edit is then refused before the
  // file is touched); the message ends with the system's text either way.
  ASSERT_GE(messages_[0].size(), expected.size());
  EXPECT_EQ(messages_[0].substr(messages_[0].size() - expected.size()), expected);
  ASSERT_EQ(changes_.size(), 1u);  // only the deletion
  EXPECT_EQ(GetItemWide(form_->BockListBox1->Items(), 0), L"0@8#0=x");
  EXPECT_TRUE(form_->WorkIdle);
  EXPECT_FALSE(form_->SpeedButton2->Visible());
}

}  // namespace
