// Find and Find Next in the real main window under wine: for every hit the
// view highlights the matched text and Copy puts exactly it on the
// clipboard; the outcomes (not found, empty text, read and open failures, a
// text outside code page 932, abort, close during the search) and the keys.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Clipboard.h"
#include "framework/Cp932.h"
#include "framework/FileOps.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "viewer/CodeConv.h"
#include "viewer/VastrelForm.h"

namespace {

const std::wstring kNotFoundHead = L"検索文字列 [ ";

class Search : public testsupport::MainWindowTest {
 protected:
  void SetUp() override {
    TVastrelForm::SystemLevelOverride = -1;
    UseFreshProgramFolder(L"search");
    StartForm(20, 20, 700, 500);
    form_->Settings.AutoDetectCode = true;
    form_->Settings.SearchCaseSensitive = true;
    form_->Settings.SearchKanaSensitive = true;
    form_->AskSearchTextHook = [this](std::wstring& text) {
      asked_ = text;
      text = answer_;
      return true;
    };
  }
  void TearDown() override { EndMainWindow(); }

  // The bytes of a text in a code (codes as the viewer numbers them; 5: UTF-16 BE,
  // 6: JIS with its kana runs in SO ... SI).
  std::string Encode(const std::wstring& text, int code, bool bom) {
    CodeConv conv;
    std::string out, sjis;
    switch (code) {
      case 1:
      case 5: {
        const bool be = code == 5;
        if (bom) out = be ? "\xFE\xFF" : "\xFF\xFE";
        for (wchar_t u : text) {
          out.push_back(static_cast<char>(be ? u >> 8 : u & 0xFF));
          out.push_back(static_cast<char>(be ? u & 0xFF : u >> 8));
        }
        return out;
      }
      case 2:
        conv.WideToUtf8(text.c_str(), conv::ByteOrder::Little, &out);
        return bom ? "\xEF\xBB\xBF" + out : out;
      default:
        break;
    }
    sjis = WideToCp932(text);
    conv.KanaByShiftOut = code == 6;
    if (code == 3) conv.SjisToEuc(sjis.c_str(), &out);
    else if (code == 4 || code == 6) conv.SjisToJis(sjis.c_str(), &out);
    else out = sjis;
    return out;
  }

  void Open(const std::wstring& text, int code, bool bom = false) {
    form_->OpenFile(File(L"f" + std::to_wstring(++files_) + L".txt", Encode(text, code, bom)));
    Application->ProcessMessages();
    ASSERT_EQ(code == 5 ? 1 : code == 6 ? 4 : code, form_->Doc.TextCode);
  }

  // Find with the text, then what Copy and the view show.
  int Find(const std::wstring& text) {
    answer_ = text;
    messages_.clear();
    form_->Find2Click();
    Application->ProcessMessages();
    return static_cast<int>(messages_.size());
  }
  std::wstring Copied() {
    Clipboard::SetTextW(L"-");
    form_->Copy1Click(true);
    return Clipboard::GetTextW();
  }
  std::wstring Highlighted() { return form_->IsWideView() ? form_->GetSelTextWide() : Cp932ToWide(form_->GetSelTextNarrow()); }

  // Lines after the text so that every hit's line lies before the file's last step.
  static std::wstring Padded(const std::wstring& text) {
    std::wstring t = text;
    for (int i = 0; i < 30; ++i) t += L"\r\nおわりの行 end of text " + std::to_wstring(i);
    return t;
  }

  std::wstring answer_, asked_;
  int files_ = 0;
};

}  // namespace

TEST_F(Search, EveryHitIsHighlightedAndCopiedExactlyInEveryCode) {
  const std::wstring text = Padded(L"はじめの行 abc\r\n漢字かなカナ ｱｲｳ Word\r\n三行目の漢字かな");
  for (int code : {0, 1, 5, 2, 3, 4}) {
    SCOPED_TRACE(code);
    Open(text, code, code == 1 || code == 5);
    for (const std::wstring& word : {std::wstring(L"かなカナ"), std::wstring(L"ｱｲｳ"), std::wstring(L"Word"), std::wstring(L"漢")}) {
      SCOPED_TRACE(std::string(WideToCp932(word)));
      ASSERT_EQ(0, Find(word));
      EXPECT_EQ(word, Highlighted());
      EXPECT_EQ(word, Copied());
      EXPECT_EQ(form_->IsWideView() ? form_->CurrentPane : form_->Memo1->Handle(), GetFocus());
    }
    // Find Next goes on from one character after the hit: 漢 again on line 3.
    const int64_t first = form_->Doc.SelStart;
    messages_.clear();
    form_->FindNext2Click();
    EXPECT_EQ(0u, messages_.size());
    EXPECT_EQ(L"漢", Copied());
    EXPECT_GT(form_->Doc.SelStart, first);
  }
}

TEST_F(Search, HitsOnLinesInTheLastSliderStepAreShownSelectedAndOnScreen) {
  // A page may not begin within the file's last 32 bytes; a hit on a line that
  // begins there comes on the last page that can be shown, selected.
  struct Case {
    std::wstring text, word;
  } cases[] = {
      {L"hello world\r\n日本語のテキスト\r\nABC abc\r\n", L"日本語"},
      {L"hello world\r\n日本語のテキスト\r\nABC abc\r\n", L"abc"},
      {Padded(L"first") + L"\r\nlast line hit\r\n", L"hit"},
  };
  for (const Case& c : cases) {
    for (int code : {0, 1, 2, 3, 4}) {
      SCOPED_TRACE(std::string(WideToCp932(c.word)) + " code " + std::to_string(code));
      Open(c.text, code, code == 1);
      const HWND view = form_->IsWideView() ? form_->CurrentPane : form_->Memo1->Handle();
      ASSERT_EQ(0, Find(c.word));
      EXPECT_EQ(c.word, Highlighted());
      EXPECT_EQ(c.word, Copied());
      EXPECT_TRUE(SelectionStartOnScreen(view));
      EXPECT_LT(form_->MyTrackBar1->Position(), form_->MyTrackBar1->Max() - 32);
    }
  }
}

TEST_F(Search, JisHitsInsideARunAtItsStartAndAfterIt) {
  // Half-width kana runs as ESC ( I ... ESC ( B (code 4) and as SO ... SI (6).
  for (int code : {4, 6}) {
    SCOPED_TRACE(code);
    Open(Padded(L"aa漢字かなbbｱｲｳcc ｴｵ亜伊dd\r\n次の行"), code);
    struct Case {
      std::wstring word;
    } cases[] = {{L"漢字"}, {L"かな"}, {L"字か"}, {L"なb"}, {L"bb"}, {L"cc"},
                 {L"bｱ"}, {L"ｲ"},   {L"ｲｳ"}, {L"ｳc"}, {L"ｱｲｳ"},
                 // Kanji right after a kana run: at the run's start, inside it.
                 {L"亜伊"}, {L"伊d"}, {L"ｵ亜"}};
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(WideToCp932(c.word)));
      ASSERT_EQ(0, Find(c.word));
      EXPECT_EQ(c.word, Highlighted());
      EXPECT_EQ(c.word, Copied());
    }
  }
  // F3 over a run: 漢 found, then 字, then nothing more after a not-found.
  ASSERT_EQ(0, Find(L"字"));
  EXPECT_EQ(L"字", Copied());
}

TEST_F(Search, JisRunGoingOnOverALineEndIsSearchedAsThePageShowsIt) {
  // ESC $ B ... ESC ( B around two lines: the second line is read, shown and
  // searched in the double-byte run, also from a start inside that line.
  std::string bytes = "x\x1b$B4A;z\r\n$+$J$+$J\x1b(B";
  for (int i = 0; i < 30; ++i) bytes += "\r\nend of text " + std::to_string(i);
  form_->OpenFile(File(L"run.txt", bytes));
  Application->ProcessMessages();
  ASSERT_EQ(4, form_->Doc.TextCode);
  ASSERT_EQ(0, Find(L"か"));
  EXPECT_EQ(L"か", Highlighted());
  const int64_t first = form_->Doc.SelStart;
  messages_.clear();
  form_->FindNext2Click();
  ASSERT_EQ(0u, messages_.size());
  EXPECT_EQ(L"か", Highlighted());
  EXPECT_EQ(L"か", Copied());
  EXPECT_GT(form_->Doc.SelStart, first);
}

TEST_F(Search, ShortLinesAfterAMarkAndAHitBeyondThePreviousPage) {
  // The line "ab" is no longer than the mark: its page shows it, selected.
  for (int code : {2, 1}) {
    Open(Padded(L"x\r\nab\r\ncd"), code, true);
    ASSERT_EQ(0, Find(L"ab"));
    EXPECT_EQ(L"ab", Highlighted());
    EXPECT_EQ(L"ab", Copied());
  }
  // A short first page, then a hit far right on a long line further on.
  std::wstring text = L"s\r\n";
  for (int i = 0; i < 80; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
  text += std::wstring(300, L'y') + L"TARGET\r\n";
  for (int code : {0, 2}) {
    Open(Padded(text), code);
    ASSERT_EQ(0, Find(L"TARGET"));
    EXPECT_EQ(L"TARGET", Highlighted());
    EXPECT_EQ(L"TARGET", Copied());
  }
}

TEST_F(Search, FindNextOverFourHitsThenNotFoundThenFromTheStart) {
  for (int code : {0, 1, 5, 2, 3, 4}) {
    SCOPED_TRACE(code);
    Open(Padded(L"xああああy"), code, code == 1 || code == 5);
    ASSERT_EQ(0, Find(L"あ"));
    std::vector<int64_t> starts{form_->Doc.SelStart};
    for (int i = 0; i < 3; ++i) {
      messages_.clear();
      form_->FindNext2Click();
      ASSERT_EQ(0u, messages_.size());
      EXPECT_EQ(L"あ", Copied());
      starts.push_back(form_->Doc.SelStart);
    }
    for (size_t i = 1; i < starts.size(); ++i) EXPECT_GT(starts[i], starts[i - 1]);
    messages_.clear();
    form_->FindNext2Click();
    ASSERT_EQ(1u, messages_.size());
    EXPECT_EQ(L"検索文字列 [ あ ] は、見つかりませんでした。", messages_[0]);
    EXPECT_EQ(0, form_->LastSelStart);
    form_->FindNext2Click();  // from the file's start again
    EXPECT_EQ(starts[0], form_->Doc.SelStart);
  }
}

TEST_F(Search, NotFoundEmptyTextAndTextsOutsideCodePage932) {
  Open(Padded(L"abc ?? def"), 0);
  const int64_t selStart = form_->Doc.SelStart;
  ASSERT_EQ(1, Find(L"zzz"));
  EXPECT_EQ(L"検索文字列 [ zzz ] は、見つかりませんでした。", messages_[0]);
  EXPECT_EQ(selStart, form_->Doc.SelStart);  // a failed Find leaves the selection alone
  ASSERT_EQ(1, Find(L""));
  EXPECT_EQ(L"検索文字列 [  ] は、見つかりませんでした。", messages_[0]);
  // ā has no code page 932 form: no false hit on "??", and no unconvertible list.
  ASSERT_EQ(1, Find(L"\u0101\u0101"));
  EXPECT_EQ(0u, form_->Conv.UnconvertibleList.size());
  // In a UTF-8 file it is found.
  Open(Padded(L"x \u0101\u0101 y"), 2);
  ASSERT_EQ(0, Find(L"\u0101\u0101"));
  EXPECT_EQ(L"\u0101\u0101", Copied());
}

TEST_F(Search, ReadErrorAndOpenFailureShowTheSystemsText) {
  Open(Padded(L"abc def"), 0);
  form_->LastSelStart = 3;
  {
    fileops::FaultFiles faults;
    fileops::ScopedFiles scoped(faults);
    faults.FailAt(fileops::Op::Read, 1, ERROR_CRC, true);
    form_->SearchText = L"def";
    messages_.clear();
    form_->FindNext2Click();
  }
  ASSERT_EQ(1u, messages_.size());
  EXPECT_EQ(SystemErrorTextWide(ERROR_CRC), messages_[0]);
  EXPECT_EQ(3, form_->LastSelStart);
  form_->SearchText = L"def";
  const std::wstring path = form_->Doc.FilePath;
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  messages_.clear();
  form_->FindNext2Click();
  ASSERT_EQ(1u, messages_.size());
  EXPECT_EQ(SystemErrorTextWide(ERROR_FILE_NOT_FOUND), messages_[0]);
}

TEST_F(Search, AbortCloseAndRefusedCommandsDuringTheSearch) {
  // Three chunks of filler, the word at the end.
  std::string big(3 * 0x80000, 'a');
  for (size_t i = 100; i < big.size(); i += 100) big[i] = '\n';
  big += "\nTARGET\n" + std::string(200, 'b');
  form_->OpenFile(File(L"big.txt", big));
  Application->ProcessMessages();
  bool refused = true, progressShown = false;
  int beforeSteps = 0;
  // The abort button, pressed while the first chunk's messages run.
  PostMessageW(form_->Handle(), WM_NULL, 0, 0);
  std::function<void(MSG&, bool&)> keep = Application->OnMessage;
  Application->OnMessage = [&](MSG& m, bool& handled) {
    if (form_->SearchRunning && beforeSteps++ == 0) {
      progressShown = form_->ColorProgressBar1->Showing() && form_->SpeedButton2->Showing();
      const int64_t sel = form_->Doc.SelStart;
      form_->Find2Click();      // refused: the search runs
      form_->FindNext2Click();  // refused
      refused = form_->Doc.SelStart == sel && form_->SearchRunning;
      form_->SpeedButton2->Click();
    }
    if (keep) keep(m, handled);
  };
  ASSERT_EQ(0, Find(L"TARGET"));  // aborted: no message
  Application->OnMessage = keep;
  EXPECT_TRUE(progressShown);
  EXPECT_TRUE(refused);
  EXPECT_GT(form_->LastSelStart, 0);
  EXPECT_FALSE(form_->ColorProgressBar1->Showing());
  // F3 goes on from where it stopped and finds the word.
  messages_.clear();
  form_->FindNext2Click();
  EXPECT_EQ(0u, messages_.size());
  EXPECT_EQ(L"TARGET", Copied());

  // A close request during the search stops it; the close completes afterwards.
  bool closed = false;
  form_->OnClose = [&](TWinControl*, TCloseAction& action) {
    closed = true;
    action = caNone;
  };
  form_->LastSelStart = 0;
  form_->SearchText = L"nowhere";
  beforeSteps = 0;
  Application->OnMessage = [&](MSG& m, bool& handled) {
    if (form_->SearchRunning && beforeSteps++ == 0) SendMessageW(form_->Handle(), WM_CLOSE, 0, 0);
    if (keep) keep(m, handled);
  };
  PostMessageW(form_->Handle(), WM_NULL, 0, 0);
  messages_.clear();
  form_->FindNext2Click();
  Application->OnMessage = keep;
  EXPECT_TRUE(messages_.empty());  // aborted, not "not found"
  EXPECT_FALSE(closed);
  Application->ProcessMessages();
  EXPECT_TRUE(closed);
  form_->OnClose = nullptr;
}

TEST_F(Search, KeysFromTheMemoAndAPane) {
  for (int code : {0, 2}) {
    Open(Padded(L"one two one two"), code);
    form_->SearchText = L"two";
    form_->LastSelStart = 0;
    HWND view = form_->IsWideView() ? form_->CurrentPane : form_->Memo1->Handle();
    SetFocus(view);
    messages_.clear();
    PostMessageW(view, WM_KEYDOWN, VK_F3, 0);
    Application->ProcessMessages();
    EXPECT_EQ(L"two", Copied());
    const int64_t first = form_->Doc.SelStart;
    PostMessageW(view, WM_KEYDOWN, VK_F3, 0);
    Application->ProcessMessages();
    EXPECT_GT(form_->Doc.SelStart, first);
    // Ctrl+F asks for the text.
    asked_.clear();
    answer_ = L"one";
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(view, WM_KEYDOWN, 'F', 0);
    Application->ProcessMessages();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    Application->ProcessMessages();
    EXPECT_EQ(L"two", asked_);
    EXPECT_EQ(L"one", Copied());
  }
  // No text: F3 does nothing.
  form_->SearchText.clear();
  messages_.clear();
  form_->FindNext2Click();
  EXPECT_TRUE(messages_.empty());
}

TEST_F(Search, KanaNotToldApartThroughTheConversionLibrary) {
  form_->Settings.SearchKanaSensitive = false;
  Open(Padded(L"xx ひらがな カタカナ"), 0);
  ASSERT_EQ(0, Find(L"かたかな"));
  EXPECT_EQ(L"カタカナ", Copied());
  ASSERT_EQ(0, Find(L"ヒラガナ"));
  EXPECT_EQ(L"ひらがな", Copied());
  form_->Settings.SearchKanaSensitive = true;
  ASSERT_EQ(1, Find(L"かたかな"));
}
