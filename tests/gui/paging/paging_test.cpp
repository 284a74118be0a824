// Paging through whole files in the real main window under wine, reading what
// the view shows: Page Down from the first line to the end and Page Up back
// must put every line of the file on screen, each screen sharing one line
// with the one before. Memo and pane, wrap off and on, the CR/LF switch off
// and on, CR LF and LF files, lines longer than the view is wide, several
// window heights; the page keys, Ctrl with the page keys and the held step
// buttons. A wrapped JIS line pages to the byte of the character that begins
// its last screen line, inside a kanji or kana run. And the slider dragged into
// a long stretch without line ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "support/main_window_fixture.h"
#include "support/paths.h"
#include "support/utf16_bytes.h"
#include "viewer/VastrelForm.h"

namespace {

constexpr int kLines = 300;

enum class Code { Sjis, Utf16, Utf8 };
enum class Keys { Page, CtrlPage, StepButtons };

struct FileCase {
  const char* name;
  Code code;
  bool lf;         // lines end in a lone LF (else CR LF)
  int lineLength;  // characters after the number
  bool kanji = false;  // the characters are kanji, no two of a line alike
};

// The i-th kanji of the first level of code page 932 (leads 0x89 to 0x97).
wchar_t Kanji(int i) {
  const int t = i % 188;
  const char two[3] = {static_cast<char>(0x89 + (i / 188) % 15), static_cast<char>(t < 63 ? 0x40 + t : 0x80 + t - 63), 0};
  return Cp932ToWide(two)[0];
}

// "L0001 " followed by `length` characters: kana and letters, or kanji that
// tell each place of the line from every other.
std::wstring LineText(int n, int length, bool kanji = false) {
  wchar_t head[16];
  swprintf(head, 16, L"L%04d ", n);
  std::wstring t = head;
  const std::wstring fill = L"あいうえおabcdeかきくけこ0123456789";
  for (int i = 0; i < length; ++i) t += kanji ? Kanji(n * 7 + i) : fill[static_cast<size_t>(i) % fill.size()];
  return t;
}

std::string FileBytes(const FileCase& f) {
  std::wstring text;
  for (int i = 1; i <= kLines; ++i) text += LineText(i, f.lineLength, f.kanji) + (f.lf ? L"\n" : L"\r\n");
  switch (f.code) {
    case Code::Sjis: return WideToCp932(text);
    case Code::Utf16: return testsupport::Utf16Le(text, true);
    case Code::Utf8: {
      std::string out = "\xEF\xBB\xBF";
      const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
      std::string body(static_cast<size_t>(n), '\0');
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &body[0], n, nullptr, nullptr);
      return out + body;
    }
  }
  return std::string();
}

void HoldCtrl(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

class Paging : public testsupport::MainWindowTest {
 protected:
  void SetUp() override { UseFreshProgramFolder(L"pg"); }
  void TearDown() override {
    HoldCtrl(false);
    EndMainWindow();
  }

  // The number of the file's line that holds byte offset `at`.
  int LineAt(int64_t at) const {
    return static_cast<int>(std::upper_bound(starts_.begin(), starts_.end(), at) - starts_.begin());
  }
  std::vector<int64_t> starts_;  // file offsets of the lines of the open file

  HWND View() { return form_->IsWideView() ? form_->CurrentPane : form_->Memo1->Handle(); }

  // With the wrap box ticked: which characters of each line of the open file
  // have been on screen (kanji lines, whose rows are found in their line).
  std::vector<std::vector<bool>> seenChars_;
  FileCase open_ = {"", Code::Sjis, false, 0};

  // The rows on screen of a wrapping view: each lies inside the view (no
  // part of it beyond the right edge) and is a piece of its line; the pieces
  // are recorded in seenChars_.
  void RecordWrappedRows(int first, int fit, int count) {
    const HWND v = View();
    RECT r = {};
    GetClientRect(v, &r);
    int line = LineAt(form_->MyTrackBar1->Position());  // a page may begin inside a line
    for (int i = 0; i < count && i < first + fit; ++i) {
      const std::wstring t = form_->IsWideView() ? form_->GetLineTextWide(i) : Cp932ToWide(form_->Memo1->Line(i));
      int n = 0;
      if (t.size() >= 6 && t[0] == L'L' && t[5] == L' ' && swscanf(t.c_str() + 1, L"%4d", &n) == 1) line = n;
      if (i < first || t.empty()) continue;
      const LRESULT index = SendMessageW(v, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
      const LRESULT length = SendMessageW(v, EM_LINELENGTH, static_cast<WPARAM>(index), 0);
      const LRESULT end = SendMessageW(v, EM_POSFROMCHAR, static_cast<WPARAM>(index + length - 1), 0);
      ASSERT_NE(end, -1);
      ASSERT_LT(static_cast<short>(LOWORD(end)), r.right) << "row " << i << " of line " << line << " goes past the view's edge";
      if (!open_.kanji || line < 1 || line > kLines) continue;
      const std::wstring whole = LineText(line, open_.lineLength, true);
      const size_t at = whole.find(t);
      ASSERT_NE(at, std::wstring::npos) << "row " << i << " is no piece of line " << line;
      for (size_t k = at; k < at + t.size(); ++k) seenChars_[static_cast<size_t>(line)][k] = true;
    }
  }
  // Every character of every line has been on screen since the last call.
  void ExpectEveryCharacterSeen(const char* way) {
    if (!open_.kanji || !form_->CheckBox2->Checked()) return;
    for (int n = 1; n <= kLines; ++n) {
      const std::vector<bool>& seen = seenChars_[static_cast<size_t>(n)];
      const size_t missing = static_cast<size_t>(std::count(seen.begin(), seen.end(), false));
      EXPECT_EQ(missing, 0u) << way << ": characters of line " << n << " never on screen";
      if (missing) break;
    }
    for (auto& seen : seenChars_) std::fill(seen.begin(), seen.end(), false);
  }

  // The numbers of the lines on screen: the view's first visible line and
  // the lines that fit below it; a line that continues a wrapped line counts
  // for the line it belongs to.
  std::vector<int> Screen() {
    const HWND v = View();
    const int count = static_cast<int>(SendMessageW(v, EM_GETLINECOUNT, 0, 0));
    const int first = static_cast<int>(SendMessageW(v, EM_GETFIRSTVISIBLELINE, 0, 0));
    RECT r = {};
    SendMessageW(v, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    int pitch = 0;
    if (count >= 2) {
      const LRESULT a = SendMessageW(v, EM_POSFROMCHAR, SendMessageW(v, EM_LINEINDEX, 0, 0), 0);
      const LRESULT b = SendMessageW(v, EM_POSFROMCHAR, SendMessageW(v, EM_LINEINDEX, 1, 0), 0);
      pitch = static_cast<short>(HIWORD(b)) - static_cast<short>(HIWORD(a));
    }
    if (pitch <= 0) pitch = form_->LinePitch();
    const int fit = (r.bottom - r.top) / pitch;
    if (form_->CheckBox2->Checked()) RecordWrappedRows(first, fit, count);
    std::vector<int> numbers;
    for (int i = first; i < first + fit && i < count; ++i) {
      std::wstring t = form_->IsWideView() ? form_->GetLineTextWide(i) : Cp932ToWide(form_->Memo1->Line(i));
      int n = 0;
      if (t.size() >= 6 && t[0] == L'L' && t[5] == L' ' && swscanf(t.c_str() + 1, L"%4d", &n) == 1) {
        numbers.push_back(n);
      } else if (numbers.empty()) {
        // A wrapped line's later part at the top: the page begins inside that line.
        numbers.push_back(LineAt(form_->MyTrackBar1->Position()));
      }
    }
    return numbers;
  }

  // One step: the page key (with Ctrl when asked) to the view, or a press of
  // a step button with Ctrl held; released as soon as the page moved (or
  // after a while when it cannot move).
  // The step timer's first tick, and only that one: the press started the
  // timer; it is stopped here and its tick runs once, so that a slow page
  // display cannot let a second tick in before the release.
  void FirstTick(bool forward) {
    TTimer* t = forward ? form_->Timer2 : form_->Timer1;
    ASSERT_TRUE(t->Enabled());
    t->SetEnabled(false);
    if (forward) form_->Stepping().ForwardTimerTick();
    else form_->Stepping().BackTimerTick();
    Application->ProcessMessages();
  }

  void Step(bool forward, Keys keys) {
    if (keys == Keys::StepButtons) {
      TSpeedButton* b = forward ? form_->SpeedButton3 : form_->SpeedButton1;
      HoldCtrl(true);
      // Sent, not posted: no message runs between the press and the tick, so
      // the timer's own 1 ms tick cannot step first.
      SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(5, 5));
      FirstTick(forward);
      SendMessageW(b->Handle(), WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(5, 5));
      Application->ProcessMessages();
      HoldCtrl(false);
      return;
    }
    const WPARAM key = forward ? VK_NEXT : VK_PRIOR;
    HoldCtrl(keys == Keys::CtrlPage);
    // The keys go where the user's keys go: to the window with the focus,
    // which is the view on screen.
    const HWND focus = GetFocus();
    ASSERT_EQ(focus, View());
    ASSERT_TRUE(IsWindowVisible(focus));
    // Sent, not posted, and the tick at once: the timer's own first tick
    // cannot come in between.
    SendMessageW(focus, WM_KEYDOWN, key, 1);
    FirstTick(forward);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    Application->ProcessMessages();
    HoldCtrl(false);
  }

  // Pages from the first line to the end and back; every line must have been
  // on screen both ways, each screen sharing exactly one line with the one before.
  void PageThrough(const std::string& what, Keys keys) {
    SCOPED_TRACE(what);
    std::set<int> seenDown, seenUp;
    std::vector<int> screen = Screen();
    ASSERT_FALSE(screen.empty());
    ASSERT_EQ(screen.front(), 1);
    seenDown.insert(screen.begin(), screen.end());
    for (int step = 0; step < 2 * kLines && screen.back() < kLines; ++step) {
      Step(true, keys);
      const std::vector<int> next = Screen();
      ASSERT_FALSE(next.empty());
      ASSERT_EQ(next.front(), screen.back()) << "Page Down after lines " << screen.front() << "-" << screen.back();
      screen = next;
      seenDown.insert(screen.begin(), screen.end());
    }
    EXPECT_EQ(static_cast<int>(seenDown.size()), kLines);
    EXPECT_EQ(screen.back(), kLines);
    ExpectEveryCharacterSeen("Page Down");
    screen = Screen();
    seenUp.insert(screen.begin(), screen.end());
    for (int step = 0; step < 2 * kLines && screen.front() > 1; ++step) {
      Step(false, keys);
      const std::vector<int> next = Screen();
      ASSERT_FALSE(next.empty());
      // A page whose lines do not fill the screen (they are longer than the
      // page size) may end with the start of the line after the shared one.
      // The first page is the first page: it may share more.
      if (next.front() == 1 && next.back() > screen.front()) {
        screen = next;
        seenUp.insert(screen.begin(), screen.end());
        continue;
      }
      const int extra = form_->ShortPage && next.back() == screen.front() + 1 ? 1 : 0;
      ASSERT_EQ(next.back(), screen.front() + extra) << "Page Up before lines " << screen.front() << "-" << screen.back();
      screen = next;
      seenUp.insert(screen.begin(), screen.end());
    }
    EXPECT_EQ(static_cast<int>(seenUp.size()), kLines);
    EXPECT_EQ(screen.front(), 1);
    ExpectEveryCharacterSeen("Page Up");
  }

  void Open(const FileCase& f, bool wrap, bool crlf) {
    const std::string bytes = FileBytes(f);
    starts_.clear();
    const size_t unit = f.code == Code::Utf16 ? 2 : 1;
    starts_.push_back(f.code == Code::Utf16 ? 2 : f.code == Code::Utf8 ? 3 : 0);
    for (size_t i = starts_[0]; i + unit <= bytes.size(); i += unit) {
      if (bytes[i] == '\n' && (unit == 1 || bytes[i + 1] == 0) && i + unit < bytes.size()) starts_.push_back(static_cast<int64_t>(i + unit));
    }
    const std::wstring path = File(Cp932ToWide(f.name) + L".txt", bytes);
    open_ = f;
    seenChars_.assign(kLines + 1, std::vector<bool>());
    for (int n = 1; n <= kLines; ++n) seenChars_[static_cast<size_t>(n)].assign(LineText(n, f.lineLength, f.kanji).size(), false);
    form_->OpenFile(path);
    // The view has the keyboard while the boxes change, as after a click in it.
    form_->FocusTextView();
    form_->CheckBox2->SetChecked(wrap);
    form_->CheckBox6->SetChecked(crlf);
    Application->ProcessMessages();
  }
};

TEST_F(Paging, EveryLineComesOnScreenBothWays) {
  const FileCase sjisCrLf = {"sjis-crlf", Code::Sjis, false, 20}, sjisLf = {"sjis-lf", Code::Sjis, true, 20},
                 utf16CrLf = {"utf16-crlf", Code::Utf16, false, 20}, utf16Lf = {"utf16-lf", Code::Utf16, true, 20},
                 utf8CrLf = {"utf8-crlf", Code::Utf8, false, 20}, sjisLong = {"sjis-long", Code::Sjis, false, 200},
                 utf16Long = {"utf16-long", Code::Utf16, false, 200},
                 sjisKanji = {"sjis-kanji", Code::Sjis, false, 150, true},
                 sjisKanjiLf = {"sjis-kanji-lf", Code::Sjis, true, 90, true},
                 utf16Kanji = {"utf16-kanji", Code::Utf16, false, 150, true},
                 utf8Kanji = {"utf8-kanji", Code::Utf8, true, 120, true};
  struct Case {
    int height;
    FileCase file;
    bool wrap, crlf;
  } cases[] = {
      {560, sjisCrLf, false, false}, {560, sjisCrLf, true, false}, {560, sjisCrLf, false, true},
      {560, sjisCrLf, true, true},   {560, sjisLf, false, false},  {560, sjisLf, false, true},
      {560, sjisLf, true, true},     {560, utf16CrLf, true, false}, {560, utf16CrLf, false, true},
      {560, utf16Lf, false, false},  {560, utf16Lf, true, true},   {560, utf8CrLf, false, false},
      {560, sjisLong, false, false}, {560, sjisLong, true, false}, {560, utf16Long, false, false},
      {560, utf16Long, true, true},  {420, sjisCrLf, false, false}, {420, utf16Lf, false, true},
      {740, sjisLf, false, false},   {740, utf16CrLf, false, false},
      // Wrapped long lines: every character of every line comes on screen,
      // no row reaches past the view's edge, the page keys reach the view.
      {560, sjisKanji, true, false}, {560, sjisKanjiLf, true, true}, {560, utf16Kanji, true, false},
      {560, utf8Kanji, true, true},  {420, sjisKanji, true, false},  {740, utf16Kanji, true, true},
  };
  int height = 0;
  for (const Case& c : cases) {
    if (c.height != height) {
      if (form_) form_->Free();
      StartForm(0, 0, 900, c.height);
      height = c.height;
    }
    Open(c.file, c.wrap, c.crlf);
    ASSERT_EQ(form_->IsWideView(), c.file.code != Code::Sjis);
    PageThrough(std::string(c.file.name) + (c.wrap ? " wrap" : "") + (c.crlf ? " CR/LF" : "") + " height " +
                    std::to_string(c.height),
                Keys::Page);
  }
}

TEST_F(Paging, CtrlPageKeysAndHeldStepButtonsPageAlike) {
  const FileCase files[] = {
      {"sjis-crlf", Code::Sjis, false, 20},
      {"utf16-lf", Code::Utf16, true, 20},
  };
  StartForm(0, 0, 900, 600);
  for (const FileCase& f : files) {
    for (Keys k : {Keys::CtrlPage, Keys::StepButtons}) {
      // In a pane every Ctrl key but the pane's own commands stops there.
      if (k == Keys::CtrlPage && f.code != Code::Sjis) continue;
      Open(f, false, false);
      PageThrough(std::string(f.name) + (k == Keys::CtrlPage ? " Ctrl+Page" : " step buttons"), k);
    }
  }
}

TEST_F(Paging, WrappedJisLinePagesToTheByteOfItsLastScreenLine) {
  // One long line that is a single kanji or half-width kana run, wrapped: Ctrl+Page
  // Down goes to the file byte of the character that begins the last screen line,
  // which lies inside the run (the run's end is not there yet).
  struct Case {
    const char* name;
    const char* open;  // the run's designation or shift
    int head;          // its bytes
    bool kanji;
  } cases[] = {
      {"jis-kanji", "\x1B$B", 3, true},
      {"jis-kana-esc", "\x1B(I", 3, false},
      {"jis-kana-so", "\x0E", 1, false},
  };
  StartForm(0, 0, 900, 560);
  form_->Settings.AutoDetectCode = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string run;
    for (int i = 0; i < 6000; ++i) {
      if (c.kanji) {
        run += static_cast<char>(0x30 + (i / 94) % 31);
        run += static_cast<char>(0x21 + i % 94);
      } else {
        run += static_cast<char>(0x21 + i % 63);
      }
    }
    const std::string close = c.head == 1 ? "\x0F" : "\x1B(B";
    std::string bytes = c.open + run + close + "\r\n";
    for (int i = 0; i < 10; ++i) bytes += "end\r\n";
    form_->OpenFile(File(Cp932ToWide(c.name) + L".txt", bytes));
    form_->CheckBox2->SetChecked(true);
    Application->ProcessMessages();
    ASSERT_EQ(form_->Doc.TextCode, 4);
    ASSERT_TRUE(form_->ShortPage);
    ASSERT_EQ(form_->MyTrackBar1->Position(), 0);
    const int count = form_->GetLineCount();
    ASSERT_GT(count, 2);
    const int last = std::min(form_->FirstVisibleLine() + form_->VisibleLineCount() - 1, count - 1);
    const int64_t index = form_->Memo1->LineIndex(last);
    ASSERT_GT(index, 0);
    // The memo holds 2 bytes a kanji and 1 a kana; the file 2 and 1 after the head.
    const int64_t want = c.head + index;
    Step(true, Keys::CtrlPage);
    EXPECT_EQ(form_->MyTrackBar1->Position(), want) << "screen line " << last << " at memo byte " << index;
  }
}

TEST_F(Paging, TheShownPaneHasTheKeyboardAfterEverySwitchOfWrap) {
  StartForm(0, 0, 900, 560);
  Open({"utf16-kanji", Code::Utf16, false, 150, true}, false, false);
  ASSERT_EQ(form_->CurrentPane, form_->UnwrappedPane);
  ASSERT_EQ(GetFocus(), form_->UnwrappedPane);
  for (bool wrap : {true, false, true}) {
    SCOPED_TRACE(wrap ? "wrap on" : "wrap off");
    form_->CheckBox2->SetChecked(wrap);
    Application->ProcessMessages();
    const HWND shown = wrap ? form_->WrappedPane : form_->UnwrappedPane;
    ASSERT_EQ(form_->CurrentPane, shown);
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_FALSE(IsWindowVisible(wrap ? form_->UnwrappedPane : form_->WrappedPane));
    EXPECT_EQ(GetFocus(), shown);
    // The page keys from the keyboard page, each time.
    const int64_t before = form_->MyTrackBar1->Position();
    Step(true, Keys::Page);
    const int64_t down = form_->MyTrackBar1->Position();
    EXPECT_GT(down, before);
    Step(true, Keys::Page);
    EXPECT_GT(form_->MyTrackBar1->Position(), down);
    const int64_t down2 = form_->MyTrackBar1->Position();
    Step(false, Keys::Page);
    // Back to the page before (or one line after it, where a page of the
    // page size cannot reach back that far).
    EXPECT_LT(form_->MyTrackBar1->Position(), down2);
    EXPECT_GE(form_->MyTrackBar1->Position(), down);
    EXPECT_EQ(GetFocus(), shown);
  }
}

TEST_F(Paging, PagesHoldNoMoreLinesThanTheViewShows) {
  StartForm(0, 0, 900, 660);
  const FileCase f = {"sjis-crlf", Code::Sjis, false, 20};
  Open(f, false, false);
  // The program's line pitch is the view's own.
  const HWND v = View();
  const LRESULT a = SendMessageW(v, EM_POSFROMCHAR, SendMessageW(v, EM_LINEINDEX, 0, 0), 0);
  const LRESULT b = SendMessageW(v, EM_POSFROMCHAR, SendMessageW(v, EM_LINEINDEX, 1, 0), 0);
  EXPECT_EQ(static_cast<short>(HIWORD(b)) - static_cast<short>(HIWORD(a)), form_->LinePitch());
  const int lines = form_->LinesPerPage();
  EXPECT_EQ(form_->GetLineCount(), lines);
  EXPECT_LE(lines, static_cast<int>(Screen().size()));
  EXPECT_FALSE(form_->ShortPage);
  // The last page is short: the file ends before it holds a screen.
  form_->MyTrackBar1->SetPosition(form_->MyTrackBar1->Max() - 100);
  Application->ProcessMessages();
  EXPECT_TRUE(form_->ShortPage);
}

}  // namespace

namespace {

// A sparse file of `size` bytes in memory-backed storage (NUL bytes: no line
// ends) with `text` at `at`; empty when the file system cannot hold it.
std::wstring SparseFile(const wchar_t* tag, int64_t size, int64_t at, const std::string& text) {
  const std::wstring p = std::wstring(L"Z:\\dev\\shm\\vastrel_") + tag + std::to_wstring(GetCurrentProcessId()) + L".txt";
  HANDLE h = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::wstring();
  LARGE_INTEGER pos;
  pos.QuadPart = size;
  const bool sized = SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  pos.QuadPart = at;
  DWORD done = 0;
  SetFilePointerEx(h, pos, nullptr, FILE_BEGIN);
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  CloseHandle(h);
  if (!sized) {
    DeleteFileW(p.c_str());
    return std::wstring();
  }
  return p;
}

TEST_F(Paging, TheSliderNeverFreezesTheWindowInAStretchWithoutLineEnds) {
  StartForm(0, 0, 900, 560);
  struct Case {
    const wchar_t* tag;
    int64_t size;
  } cases[] = {{L"huge_", (int64_t(1) << 50) + 1}, {L"gig_", int64_t(1) << 30}};
  for (const Case& c : cases) {
    const int64_t middle = (std::min<int64_t>(c.size, int64_t(1) << 50) / 2) & ~int64_t(0xFFFF);
    const std::wstring p = SparseFile(c.tag, c.size, middle, std::string(4096, 'x') + "MIDDLE TEXT" + std::string(4096, 'y'));
    if (p.empty()) continue;
    form_->OpenFile(p);
    for (int64_t to : {middle + 4096, middle + 4096 - 7}) {  // forward, then back a little
      SCOPED_TRACE(to);
      // Another thread asks the window for an answer while the thumb moves.
      DWORD_PTR result = 0;
      LRESULT answered = 0;
      DWORD waited = 0;
      const HWND w = form_->Handle();
      HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      std::thread asker([&] {
        WaitForSingleObject(go, INFINITE);
        const DWORD t0 = GetTickCount();
        answered = SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
        waited = GetTickCount() - t0;
      });
      const DWORD t0 = GetTickCount();
      SendMessageW(form_->MyTrackBar1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      SetEvent(go);
      form_->MyTrackBar1->SetPosition(to);
      Application->ProcessMessages();
      SendMessageW(form_->MyTrackBar1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      const DWORD took = GetTickCount() - t0;
      while (WaitForSingleObject(reinterpret_cast<HANDLE>(asker.native_handle()), 10) == WAIT_TIMEOUT) {
        Application->ProcessMessages();
      }
      asker.join();
      CloseHandle(go);
      EXPECT_NE(answered, 0);
      EXPECT_LT(waited, 2000u);
      EXPECT_LT(took, 2000u);
      // The page begins at the position itself: no line start lies near.
      EXPECT_EQ(form_->MyTrackBar1->Position(), to);
      const std::wstring shown = form_->IsWideView() ? form_->GetTextWide() : Cp932ToWide(form_->Memo1->Text());
      EXPECT_EQ(shown.substr(0, 11), to == middle + 4096 ? L"MIDDLE TEXT" : L"xxxxxxxMIDD");
    }
    DeleteFileW(p.c_str());
  }
}

TEST_F(Paging, TheEndOfAFileWithoutLineEndsIsReachedByTheThumbAndTheSteps) {
  StartForm(0, 0, 900, 560);
  for (int64_t size : {int64_t(1) << 40, int64_t(1) << 50}) {
    SCOPED_TRACE(size);
    const std::wstring p = SparseFile(L"end_", size, size - 7, "ENDMARK");
    if (p.empty()) continue;
    form_->OpenFile(p);
    Application->ProcessMessages();
    ASSERT_EQ(form_->MyTrackBar1->Max(), size);
    auto expectTheEnd = [&](const char* how) {
      const int64_t pos = form_->MyTrackBar1->Position();
      EXPECT_LT(pos, size - 32) << how;
      EXPECT_GE(pos, size - 64) << how;
      const std::wstring shown = ViewText();
      EXPECT_EQ(shown.size() >= 7 ? shown.substr(shown.size() - 7) : shown, L"ENDMARK") << how;
      EXPECT_EQ(form_->Doc.PagePosition, pos) << how;
    };
    // The thumb, pressed at the top and dragged down past the track's end.
    const HWND bar = form_->MyTrackBar1->Handle();
    RECT r = {};
    GetClientRect(bar, &r);
    const int x = r.right / 2;
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 12));
    for (int y : {r.bottom / 2, r.bottom - 20, r.bottom - 1, r.bottom + 40}) {
      SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
      Application->ProcessMessages();
    }
    // (The thumb may stand on the usable end meanwhile.)
    EXPECT_GE(form_->Doc.PagePosition, size - 64);
    EXPECT_LT(form_->Doc.PagePosition, size - 32);
    EXPECT_EQ(ViewText().substr(ViewText().size() - 7), L"ENDMARK");
    SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, r.bottom + 40));
    Application->ProcessMessages();
    expectTheEnd("released");
    // Page Down by a thousand screens from 2 MiB before the end: held to the
    // usable end, which shows the last page.
    form_->MyTrackBar1->SetPosition(size - (int64_t(2) << 20));
    Application->ProcessMessages();
    ASSERT_EQ(form_->MyTrackBar1->Position(), size - (int64_t(2) << 20));
    form_->FocusTextView();
    form_->Stepping().StepMultiplier = 1000;
    Step(true, Keys::Page);
    form_->Stepping().StepMultiplier = 1;
    expectTheEnd("Page Down");
    // And Page Down on the last page stays there.
    const int64_t last = form_->MyTrackBar1->Position();
    Step(true, Keys::Page);
    EXPECT_EQ(form_->MyTrackBar1->Position(), last);
    expectTheEnd("Page Down again");
    DeleteFileW(p.c_str());
  }
}

}  // namespace
