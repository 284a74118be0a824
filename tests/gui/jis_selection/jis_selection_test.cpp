// JIS files in the real main window under wine: a 600-line file with kanji,
// katakana, half-width kana by ESC ( I and by SO/SI, ASCII and JIS-Roman runs,
// the older and the announced kanji designations, redundant escapes and
// kanji runs that go on over a line end. Selections made by a click and a
// Shift+click on another page, by Shift+PageDown, by Shift+Down over lines
// and by select all copy exactly the file's text, show their true byte count
// and their text highlighted on screen; the edit dialog gets exactly that
// text, OK without a change leaves the file byte-identical and a change of
// one character changes exactly that character; a bookmark's jump selects its
// whole text; a page that begins inside a kanji run shows the run's kanji.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/Cp932.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "text/JisDecode.h"
#include "text/conv_bytes.h"
#include "viewer/VastrelForm.h"

namespace {

// One line of the file: its text (code page 932) with each character's
// bytes, and its JIS bytes.
struct Line {
  std::string sjis, jis;
  std::vector<size_t> chars;  // byte offset of each character in sjis
  int64_t fileStart = 0;
};

class Builder {
 public:
  explicit Builder(Line* l) : l_(l) {}
  void Seq(const char* s) { l_->jis += s; }
  void Ascii(const char* text) {
    for (const char* p = text; *p; ++p) Char(std::string(1, *p), std::string(1, *p));
  }
  void Kanji(const std::wstring& text) {
    const std::string s = WideToCp932(text);
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
      unsigned char j1 = 0, j2 = 0;
      conv::SjisToJisPair(static_cast<unsigned char>(s[i]), static_cast<unsigned char>(s[i + 1]), &j1, &j2);
      Char(s.substr(i, 2), std::string{static_cast<char>(j1), static_cast<char>(j2)});
    }
  }
  void Kana(const std::wstring& text) {
    for (unsigned char c : WideToCp932(text)) Char(std::string(1, static_cast<char>(c)), std::string(1, static_cast<char>(c & 0x7F)));
  }

 private:
  void Char(const std::string& sjis, const std::string& jis) {
    l_->chars.push_back(l_->sjis.size());
    l_->sjis += sjis;
    l_->jis += jis;
  }
  Line* l_;
};

// The file's lines in six forms; a kanji run left open at the end of a line
// goes on at the start of the next.
std::vector<Line> MakeLines(int count) {
  std::vector<Line> lines(static_cast<size_t>(count));
  char head[16];
  for (int n = 0; n < count; ++n) {
    Line& l = lines[static_cast<size_t>(n)];
    Builder b(&l);
    wsprintfA(head, "%04d ", n + 1);
    switch (n % 6) {
      case 0:
        b.Ascii(head);
        b.Seq("\x1B$B");
        b.Kanji(L"第一章テキスト本文");
        b.Seq("\x1B(I");
        b.Kana(L"ｱｲｳｴｵ");
        b.Seq("\x1B(B");
        b.Ascii(" abc line");
        break;
      case 1:
        b.Seq("\x1B(J");
        b.Ascii(head);
        b.Seq("\x1B$@");
        b.Kanji(L"漢字と仮名");
        b.Seq("\x1B(J");
        b.Ascii("x ");
        b.Seq("\x0E");
        b.Kana(L"ｶｷｸ");
        b.Seq("\x0F");
        b.Ascii(" end");
        b.Seq("\x1B(B");
        break;
      case 2:
        b.Ascii(head);
        b.Seq("\x1B&@\x1B$B");
        b.Kanji(L"改訂版の文字");
        b.Seq("\x1B(B");
        b.Ascii(" 057");
        break;
      case 3:  // the run stays open over the line end
        b.Ascii(head);
        b.Seq("\x1B$B");
        b.Kanji(L"続く行の");
        break;
      case 4:  // still in that run at the start
        b.Kanji(L"始まり");
        b.Seq("\x1B(B");
        b.Ascii(" ");
        b.Ascii(head);
        b.Seq("\x0E");
        b.Kana(L"ﾃｽﾄ");
        b.Seq("\x0F");
        break;
      default:  // sequences said twice
        b.Seq("\x1B(B\x1B(B");
        b.Ascii(head);
        b.Seq("\x1B$B\x1B$B");
        b.Kanji(L"重複");
        b.Seq("\x1B(B");
        b.Ascii("ok");
        break;
    }
    Builder(&l).Ascii("\r\n");
  }
  return lines;
}

void SetShift(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

class JisSelection : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    UseFreshProgramFolder(L"js");
    StartForm(0, 0, 900, 700);
    lines_ = MakeLines(600);
    for (Line& l : lines_) {
      l.fileStart = static_cast<int64_t>(bytes_.size());
      bytes_ += l.jis;
      text_ += l.sjis;
    }
    form_->Settings.AutoDetectCode = true;
    path_ = File(L"jis.txt", bytes_);
    form_->OpenFile(path_);
    Application->ProcessMessages();
    ASSERT_EQ(form_->Doc.TextCode, tcJis);
    form_->Doc.BackupOffered = true;
    messages_.clear();
  }
  void TearDown() override {
    SetShift(false);
    EndMainWindow();
  }

  // The file offset in front of character `col` of line `line` (0-based), and
  // the text from one such place to another.
  int64_t Offset(int line, int col) {
    const Line& l = lines_[static_cast<size_t>(line)];
    const jisdecode::Text t =
        jisdecode::Read(reinterpret_cast<const unsigned char*>(bytes_.data()), bytes_.size(), jisdecode::State());
    size_t textAt = 0;
    for (int i = 0; i < line; ++i) textAt += lines_[static_cast<size_t>(i)].sjis.size();
    return t.ends[textAt + l.chars[static_cast<size_t>(col)]];
  }
  std::string TextBetween(int line0, int col0, int line1, int col1) {
    auto at = [&](int line, int col) {
      size_t n = 0;
      for (int i = 0; i < line; ++i) n += lines_[static_cast<size_t>(i)].sjis.size();
      return n + lines_[static_cast<size_t>(line)].chars[static_cast<size_t>(col)];
    };
    return text_.substr(at(line0, col0), at(line1, col1) - at(line0, col0));
  }

  // The file line shown first on the page.
  int FirstLine() {
    const int64_t pos = form_->MyTrackBar1->Position();
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].fileStart == pos) return static_cast<int>(i);
    ADD_FAILURE() << "the page does not start at a line: " << pos;
    return 0;
  }
  // The memo index of a character of a file line shown on the page.
  int MemoIndex(int line, int col) {
    const int at = form_->Memo1->LineIndex(line - FirstLine());
    return at + static_cast<int>(lines_[static_cast<size_t>(line)].chars[static_cast<size_t>(col)]);
  }
  // A click on the memo at a character, with Shift or without: the button's
  // messages at the character's place on screen.
  void Click(int line, int col, bool shift) {
    const HWND memo = form_->Memo1->Handle();
    const std::string text = form_->Memo1->Text();
    const int index = MemoIndex(line, col);
    const WPARAM units = Cp932ToWide(text.substr(0, static_cast<size_t>(index))).size();
    const LRESULT pos = SendMessageW(memo, EM_POSFROMCHAR, units, 0);
    ASSERT_NE(pos, -1);
    const LPARAM at = MAKELPARAM(LOWORD(pos) + 1, HIWORD(pos) + 2);
    SetFocus(memo);
    SetShift(shift);
    const WPARAM keys = shift ? MK_SHIFT : 0;
    SendMessageW(memo, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    SendMessageW(memo, WM_LBUTTONUP, keys, at);
    SetShift(false);
    Application->ProcessMessages();
  }
  // A key pressed and released on the memo, Shift held or not.
  void Key(WORD vk, bool shift) {
    const HWND memo = form_->Memo1->Handle();
    SetFocus(memo);
    SetShift(shift);
    SendMessageW(memo, WM_KEYDOWN, vk, 1);
    if (vk == VK_NEXT) {
      // The page moves on the stepping timer's tick.
      const int64_t from = form_->MyTrackBar1->Position();
      for (int i = 0; i < 1000 && form_->MyTrackBar1->Position() == from && form_->Timer2->Enabled(); ++i) {
        MSG m;
        if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
          TranslateMessage(&m);
          DispatchMessageW(&m);
        } else {
          MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
      }
      ASSERT_NE(form_->MyTrackBar1->Position(), from);
    }
    SendMessageW(memo, WM_KEYUP, vk, 0xC0000001);
    SetShift(false);
    Application->ProcessMessages();
  }

  std::wstring Copied() {
    EXPECT_TRUE(Clipboard::Clear());
    form_->Copy1->Click();
    return form_->GetClipboardText();
  }

  // The edit command answered with OK and the text unchanged; returns the
  // text the dialog was given.
  std::wstring EditUnchanged() {
    std::wstring seen;
    form_->EditDialogSeam = [&seen](TVastrelForm::EditDialogRun& run) {
      seen = Cp932ToWide(run.narrowText);
      run.wideText = seen;
      run.result = mrOk;
    };
    form_->EditMenuClick();
    return seen;
  }

  // Everything a selection must give: the copy, the byte count, the text
  // highlighted on screen (the part on this page), the edit dialog's text,
  // OK without a change, and a change of its first character.
  void CheckSelection(const std::string& expected, int64_t from, int64_t to, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(form_->Doc.SelStart, from);
    EXPECT_EQ(form_->Doc.SelLength, to - from);
    EXPECT_TRUE(Copied() == Cp932ToWide(expected));
    form_->ShowSelectionStatus();
    EXPECT_EQ(form_->SelectionBytes, to - from);
    const std::string shown = form_->Memo1->SelText();
    ASSERT_FALSE(shown.empty());
    const size_t part = expected.find(shown);
    EXPECT_TRUE(part != std::string::npos && (part == 0 || part + shown.size() == expected.size()))
        << "highlighted: " << shown.substr(0, 60);

    EXPECT_TRUE(EditUnchanged() == Cp932ToWide(expected));
    EXPECT_TRUE(testsupport::ReadBytes(path_) == bytes_);

    // One character changed: the first becomes "Z".
    const std::string was = form_->ReadRangeNarrow(false, 0);
    const size_t first = conv::IsSjisLead(static_cast<unsigned char>(expected[0])) ? 2 : 1;
    form_->EditDialogSeam = [](TVastrelForm::EditDialogRun& run) {
      run.wideText = L"Z" + Cp932ToWide(run.narrowText).substr(1);
      run.result = mrOk;
    };
    form_->EditMenuClick();
    const std::string now = testsupport::ReadBytes(path_);
    conv::Context c;
    std::string decoded;
    ASSERT_TRUE(conv::JisToSjis(c, now.c_str(), &decoded));
    const jisdecode::Text t =
        jisdecode::Read(reinterpret_cast<const unsigned char*>(bytes_.data()), bytes_.size(), jisdecode::State());
    std::string want = text_;
    want.replace(jisdecode::IndexAt(t, static_cast<size_t>(from)), first, "Z");
    EXPECT_TRUE(decoded == want);
    // Only that character's bytes, with the escapes around it, changed.
    size_t head = 0;
    while (head < now.size() && head < bytes_.size() && now[head] == bytes_[head]) ++head;
    size_t tail = 0;
    while (tail < now.size() - head && tail < bytes_.size() - head &&
           now[now.size() - 1 - tail] == bytes_[bytes_.size() - 1 - tail])
      ++tail;
    EXPECT_GE(head, static_cast<size_t>(from));
    EXPECT_LE(bytes_.size() - tail, static_cast<size_t>(from) + 12);
    EXPECT_TRUE(form_->ReadRangeNarrow(false, 0) == "Z" + was.substr(first));
    EXPECT_TRUE(messages_.empty());
  }

  // The file line and character of a memo index on this page.
  int64_t OffsetOfMemo(int index) {
    const int row = form_->Memo1->LineFromChar(index);
    const int line = FirstLine() + row;
    const size_t bytes = static_cast<size_t>(index - form_->Memo1->LineIndex(row));
    const std::vector<size_t>& chars = lines_[static_cast<size_t>(line)].chars;
    for (size_t col = 0; col < chars.size(); ++col)
      if (chars[col] == bytes) return Offset(line, static_cast<int>(col));
    ADD_FAILURE() << "memo index " << index << " is inside a character";
    return -1;
  }
  std::string TextOfFile(int64_t from, int64_t to) {
    const jisdecode::Text t =
        jisdecode::Read(reinterpret_cast<const unsigned char*>(bytes_.data()), bytes_.size(), jisdecode::State());
    const size_t a = jisdecode::IndexAt(t, static_cast<size_t>(from)), b = jisdecode::IndexAt(t, static_cast<size_t>(to));
    return text_.substr(a, b - a);
  }
  int MemoSelectionEnd() { return form_->Memo1->SelStart() + form_->Memo1->SelLength(); }

  std::vector<Line> lines_;
  std::string bytes_, text_;
  std::wstring path_;
};

TEST_F(JisSelection, ClickAndShiftClickOnTheNextPage) {
  Click(9, 3, false);
  EXPECT_EQ(form_->Doc.SelStart, Offset(9, 3));
  Key(VK_NEXT, false);
  const int first = FirstLine();
  ASSERT_GT(first, 12);
  Click(first + 4, 2, true);
  CheckSelection(TextBetween(9, 3, first + 4, 2), Offset(9, 3), Offset(first + 4, 2), "click, Page Down, Shift+click");
}

TEST_F(JisSelection, ShiftPageDownThenShiftDown) {
  Click(2, 5, false);
  Key(VK_NEXT, true);
  ASSERT_GT(FirstLine(), 5);
  Key(VK_DOWN, true);
  const int64_t end = OffsetOfMemo(MemoSelectionEnd());
  ASSERT_GT(end, lines_[static_cast<size_t>(FirstLine())].fileStart);
  CheckSelection(TextOfFile(Offset(2, 5), end), Offset(2, 5), end, "Shift+Page Down, Shift+Down");
}

TEST_F(JisSelection, ShiftDownOverTwoLines) {
  // Lines 3 and 4: two Shift+Down from the start of line 3.
  Click(2, 0, false);
  Key(VK_DOWN, true);
  Key(VK_DOWN, true);
  EXPECT_EQ(form_->Doc.SelLength, static_cast<int64_t>(lines_[2].jis.size() + lines_[3].jis.size()));
  CheckSelection(TextBetween(2, 0, 4, 0), Offset(2, 0), Offset(4, 0), "two lines");
}

TEST_F(JisSelection, ShiftDownFromInsideARunThatGoesOnOverTheLineEnd) {
  // Line 4 leaves its kanji run open; the selection starts at its second kanji.
  Click(3, 6, false);
  for (int i = 0; i < 3; ++i) Key(VK_DOWN, true);
  const int64_t end = OffsetOfMemo(MemoSelectionEnd());
  EXPECT_GE(end, lines_[6].fileStart);
  CheckSelection(TextOfFile(Offset(3, 6), end), Offset(3, 6), end, "from inside an open run");
}

TEST_F(JisSelection, SelectAllCopiesTheWholeText) {
  form_->AllSelMenu->Click();
  EXPECT_EQ(form_->Doc.SelStart, 0);
  EXPECT_EQ(form_->Doc.SelLength, static_cast<int64_t>(bytes_.size()));
  EXPECT_TRUE(Copied() == Cp932ToWide(text_));
  form_->ShowSelectionStatus();
  EXPECT_EQ(form_->SelectionBytes, static_cast<int64_t>(bytes_.size()));
  EXPECT_TRUE(EditUnchanged() == Cp932ToWide(text_));
  EXPECT_TRUE(testsupport::ReadBytes(path_) == bytes_);
}

TEST_F(JisSelection, APageThatBeginsInsideAKanjiRunShowsItsKanji) {
  // Line 5 (index 4) begins inside the run that line 4 left open.
  form_->MovingBack = form_->MovingForward = false;
  form_->ShowPage(false, true, lines_[4].fileStart);
  ASSERT_EQ(FirstLine(), 4);
  EXPECT_EQ(form_->Memo1->Text().substr(0, lines_[4].sjis.size()), lines_[4].sjis);
  // A click on its second kanji is that kanji's place in the file.
  Click(4, 1, false);
  EXPECT_EQ(form_->Doc.SelStart, Offset(4, 1));
}

TEST_F(JisSelection, ABookmarkJumpSelectsItsWholeText) {
  form_->CheckBox3->SetChecked(true);  // jumps select
  for (int line : {2, 4, 9}) {
    SCOPED_TRACE(line);
    form_->BockListBox1->Items().Clear();
    form_->MovingBack = form_->MovingForward = false;
    form_->ShowPage(false, true, lines_[static_cast<size_t>(line)].fileStart);
    Click(line, 3, false);
    form_->N7Click();
    ASSERT_EQ(form_->BockListBox1->Count(), 1);
    form_->MovingBack = form_->MovingForward = false;
    form_->ShowPage(false, true, 0);
    form_->Doc.SelStart = form_->Doc.SelLength = 0;
    form_->BockListBox1->SetItemIndex(0);
    form_->BockListBox1->SetSelected(0, true);
    form_->BockListBox1DblClick();
    // The caret's line from the caret on, without its line end.
    const std::string& l = lines_[static_cast<size_t>(line)].sjis;
    const std::string expected = l.substr(lines_[static_cast<size_t>(line)].chars[3], l.size() - 2 - lines_[static_cast<size_t>(line)].chars[3]);
    EXPECT_EQ(form_->Doc.SelStart, Offset(line, 3));
    EXPECT_EQ(form_->ReadRangeNarrow(false, 0), expected);
    EXPECT_EQ(form_->Memo1->SelText(), expected);
  }
}

}  // namespace
