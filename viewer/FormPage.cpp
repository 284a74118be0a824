// Page display: the page routine that finds a line start, reads one page,
// shows NUL units, converts and cuts the text and shows it in the text view,
// places the selection and updates slider and status; and the count of lone
// line ends before the caret.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/FileOps.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "text/CharLength.h"
#include "text/LineScan.h"
#include "text/PageText.h"
#include "text/StatusText.h"
#include "viewer/DrawingOff.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"

namespace {

const uint8_t* U8(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// "#,##0"
std::wstring Grouped(int64_t v) {
  std::wstring digits = std::to_wstring(v < 0 ? -v : v), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += L',';
    out += digits[i];
  }
  return v < 0 ? L"-" + out : out;
}

// Every lone CR and lone LF becomes CR LF.
std::wstring LoneEndsToCrLf(const std::wstring& t) {
  std::wstring out;
  out.reserve(t.size() + t.size() / 16);
  for (size_t i = 0; i < t.size(); ++i) {
    const wchar_t c = t[i];
    if (c == L'\r') {
      out += L"\r\n";
      if (i + 1 < t.size() && t[i + 1] == L'\n') ++i;
    } else if (c == L'\n') {
      out += L"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

int64_t CountLoneWide(const std::wstring& t, size_t from, size_t to) {
  to = std::min(to, t.size());
  if (from >= to) return 0;
  return pagetext::CountLineEndsWide(reinterpret_cast<const uint8_t*>(t.data() + from), (to - from) * 2, 1);
}

// How far the line-start scans of the page display look from a position.
int64_t ScanReach(int64_t pageBytes) { return std::max<int64_t>(int64_t(1) << 20, int64_t(16) * pageBytes); }

// Slider changes made by the page routine itself do not run the slider's handler.
void SetSliderQuietly(TMyTrackBar* slider, int64_t position, int64_t max, int step) {
  TNotifyEvent keep = slider->OnChange;
  slider->OnChange = nullptr;
  if (max >= 0) slider->SetMax(max);
  if (step > 0) slider->SetStep(step);
  if (position >= 0) slider->SetPosition(position);
  slider->OnChange = keep;
}

}  // namespace

int TVastrelForm::LinePitch() {
  // The edit controls lay out lines at the font's cell height plus its
  // external leading, which may well exceed the character height. Measuring
  // takes a device context; the pitch is kept while the font stays the same.
  const HWND h = Memo1->Handle();
  const HFONT font = Memo1->Font().Handle();
  LOGFONTW lf = {};
  const bool described = GetObjectW(font, sizeof lf, &lf) == sizeof lf;
  if (described && PitchOfFont > 0 && memcmp(&lf, &PitchFont, sizeof lf) == 0) return PitchOfFont;
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm = {};
  int pitch = 0;
  if (GetTextMetricsW(dc, &tm)) pitch = tm.tmHeight + tm.tmExternalLeading;
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  if (pitch > 0 && described) {
    PitchFont = lf;
    PitchOfFont = pitch;
  }
  if (pitch <= 0) pitch = -Memo1->Font().Height();
  return pitch;
}

int TVastrelForm::LinesPerPage() {
  const bool wide = IsWideView();
  int height = 0;
  if (wide) {
    height = GetEditHeight();
  } else {
    height = Memo1->Height();
  }
  const bool columns = ListView1->Visible() && N24->Checked();
  return pagetext::LinesPerPage(height, HScrollBarHeight, LinePitch(), columns);
}

namespace {

// Replacing an edit control's text invalidates every line of the view, one
// call each, for the old text and again for the new; with the formatting
// rectangle cut to one line for that while, one line is invalidated. The
// rectangle is then set back from the client area, as the control sets it
// when it is sized, which also brings its scroll bars up to the full height.
// Where that gives another rectangle than before, the one from before is set.
// A view that wraps its lines (neither ES_AUTOHSCROLL nor a horizontal scroll
// bar) is left alone: each change of its rectangle lays out all of its text
// again, which costs more than the invalidating.
class OneLineFormat {
 public:
  explicit OneLineFormat(HWND edit)
      : h_(edit && (GetWindowLongW(edit, GWL_STYLE) & (ES_AUTOHSCROLL | WS_HSCROLL)) ? edit : nullptr) {
    if (!h_) return;
    SendMessageW(h_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&before_));
    RECT one;
    GetClientRect(h_, &one);
    one.bottom = one.top + 1;
    SendMessageW(h_, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&one));
  }
  ~OneLineFormat() {
    if (!h_) return;
    RECT client, now;
    GetClientRect(h_, &client);
    SendMessageW(h_, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&client));
    SendMessageW(h_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&now));
    if (!EqualRect(&now, &before_)) SendMessageW(h_, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&before_));
  }
  OneLineFormat(const OneLineFormat&) = delete;
  OneLineFormat& operator=(const OneLineFormat&) = delete;

 private:
  HWND h_;
  RECT before_ = {};
};

// What a view's scroll bars look like (thumb, arrows, enabled state) and its
// window style: when these are the same after a text change, the frame need
// not be painted again.
struct ViewBars {
  SCROLLBARINFO bar[2];
  LONG style;
  bool operator==(const ViewBars& o) const {
    return style == o.style && memcmp(bar, o.bar, sizeof bar) == 0;
  }
};

ViewBars BarsOf(HWND view) {
  ViewBars v;
  memset(&v, 0, sizeof v);
  v.style = GetWindowLongW(view, GWL_STYLE);
  const LONG ids[2] = {OBJID_HSCROLL, OBJID_VSCROLL};
  for (int i = 0; i < 2; ++i) {
    v.bar[i].cbSize = sizeof(SCROLLBARINFO);
    if (!GetScrollBarInfo(view, ids[i], &v.bar[i])) memset(&v.bar[i], 0xFF, sizeof v.bar[i]);
  }
  return v;
}

// The bytes of a stretch of view text in the file's code (the stretch holds
// no line end).
int64_t FileLengthOfView(int code, const std::wstring& t, size_t from, size_t n, bool) {
  if (from >= t.size()) return 0;
  n = std::min(n, t.size() - from);
  if (code == tcUtf8) return charlen::Utf8LengthOfWide(t.data() + from, n);
  return static_cast<int64_t>(n) * 2;
}
int64_t FileLengthOfView(int code, const std::string& t, size_t from, size_t n, bool kanaByShiftOut) {
  if (from >= t.size()) return 0;
  n = std::min(n, t.size() - from);
  if (code == tcEucJp) return charlen::EucLengthOfSjis(t.data() + from, n);
  if (code == tcJis) return charlen::JisLengthOfSjis(t.data() + from, n, kanaByShiftOut);
  return static_cast<int64_t>(n);
}

// The line starts of a page's text as the view shows it (lone line ends as
// CR LF when `lone`), each with its file offset from `fileStart`.
template <class Text>
std::vector<TVastrelForm::PageLine> MapPageLines(const Text& t, int code, bool lone, int64_t fileStart,
                                                 bool kanaByShiftOut) {
  const int64_t endUnit = code == tcUtf16 ? 2 : 1;  // bytes of one CR or LF in the file
  std::vector<TVastrelForm::PageLine> lines;
  int64_t view = 0, file = fileStart;
  lines.push_back({view, file});
  size_t seg = 0;
  for (size_t i = 0; i < t.size();) {
    const auto c = t[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    const bool pair = c == '\r' && i + 1 < t.size() && t[i + 1] == '\n';
    file += FileLengthOfView(code, t, seg, i - seg, kanaByShiftOut) + (pair ? 2 : 1) * endUnit;
    view += static_cast<int64_t>(i - seg) + (pair || lone ? 2 : 1);
    i += pair ? 2 : 1;
    seg = i;
    lines.push_back({view, file});
  }
  return lines;
}

}  // namespace

int TVastrelForm::FirstVisibleLine() {
  const HWND v = IsWideView() ? CurrentPane : Memo1->Handle();
  return v ? static_cast<int>(SendMessageW(v, EM_GETFIRSTVISIBLELINE, 0, 0)) : 0;
}

int TVastrelForm::VisibleLineCount() {
  const HWND v = IsWideView() ? CurrentPane : Memo1->Handle();
  if (!v) return 1;
  RECT r = {};
  SendMessageW(v, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  const int pitch = LinePitch();
  return pitch > 0 ? std::max(1, static_cast<int>((r.bottom - r.top) / pitch)) : 1;
}

int64_t TVastrelForm::ViewIndexToFileOffset(int64_t index) {
  if (Doc.TextCode == tcJis && !IsWideView()) return JisViewToFile(index);
  if (PageLines.empty()) return Doc.PagePosition;
  size_t k = 0;
  while (k + 1 < PageLines.size() && PageLines[k + 1].view <= index) ++k;
  const PageLine& at = PageLines[k];
  if (index <= at.view) return at.file;
  // Inside a line (a wrapped view's soft break): the stretch from the line's start.
  const size_t from = static_cast<size_t>(at.view), n = static_cast<size_t>(index - at.view);
  if (IsWideView()) return at.file + FileLengthOfView(Doc.TextCode, GetTextWide(), from, n, false);
  const std::string t = GetTextNarrow();
  return at.file + FileLengthOfView(Doc.TextCode, t, from, n, Conv.KanaByShiftOut);
}

int64_t TVastrelForm::PageDownTarget() {
  const int count = GetLineCount();
  if (count <= 0) return PageEndOffset;
  const int last = std::min(FirstVisibleLine() + VisibleLineCount() - 1, count - 1);
  const int64_t index = IsWideView() ? static_cast<int64_t>(SendMessageW(CurrentPane, EM_LINEINDEX, static_cast<WPARAM>(last), 0))
                                     : static_cast<int64_t>(Memo1->LineIndex(last));
  const int64_t target = index < 0 ? PageEndOffset : ViewIndexToFileOffset(index);
  // One line fills the screen: the next page goes on where this one ends.
  return target > Doc.PagePosition ? target : std::max(PageEndOffset, Doc.PagePosition);
}

int64_t TVastrelForm::PageUpTarget() {
  const int64_t pos = Doc.PagePosition;
  if (pos <= 0 || Doc.FilePath.empty()) return 0;
  const bool units16 = Doc.TextCode == tcUtf16;
  const int64_t unit = units16 ? 2 : 1;
  // The page before must reach through the end of this page's first line, and
  // a page holds PageSizeKB of the file: no line start before that bound.
  const int64_t pageBytes = static_cast<int64_t>(static_cast<uint16_t>(UpDown2->Position())) << 10;
  const int64_t firstEnd = PageLines.size() > 1 ? PageLines[1].file : std::max(PageEndOffset, pos + unit);
  int64_t room = pageBytes;
  if (CheckBox2->Checked()) {
    // A page that comes out short is shown wrapped and cut to what fills the
    // view: no more characters than that (each at least a byte, two in UTF-16).
    const int64_t chars = IsWideView() ? CharsPerPageWide() : CharsPerPageNarrow(nullptr);
    if (chars > 0) room = std::min(room, chars * (units16 ? 2 : 1));
  }
  int64_t bound = std::max<int64_t>(0, firstEnd - room);
  if (units16) bound = (bound + 1) & ~int64_t(1);
  fileops::File file(OpenForReading(Doc.FilePath));
  if (!file.IsOpen()) return pos;
  const textio::ReadAt read = FileReader(file.get());
  // The wrapped memo's page is cut by what fills the view, not by lines: it
  // holds as many short lines as the screen has rows.
  const int lines = CheckBox2->Checked() && !IsWideView() ? std::max(LinesPerPage(), VisibleLineCount()) : LinesPerPage();
  int64_t cur = pos;
  for (int i = 0; i < lines - 1 && cur > bound; ++i) {
    // The start of the line before cur: one line end skipped (the one that ends it).
    const int64_t prev = selection::FindLineStartBackBounded(read, units16, Doc.ByteOrder == boBigEndian, true, 1,
                                                             cur - unit, bound);
    if (prev >= 0 && prev < cur) {
      cur = prev;
      continue;
    }
    if (bound == 0) {
      cur = 0;  // the file's first line
    } else if (i == 0) {
      // The line before is longer than a page: its end part, from the bound.
      cur = CharBoundaryAtOrBefore(file.get(), bound);
    }
    break;
  }
  if (CheckBox2->Checked() && cur < pos) cur = FitWrappedPageBefore(cur, pos);
  return cur;
}

int64_t TVastrelForm::FitWrappedPageBefore(int64_t from, int64_t firstLine) {
  // A page that comes out short is wrapped, and how many characters a wrapped
  // screen holds depends on the text: try the page, and begin it a screen
  // line later until the line at firstLine comes on screen.
  const bool keepBack = MovingBack, keepForward = MovingForward, keepExact = ExactPageStart;
  const int64_t keepLastPage = LastPageStart;
  const int64_t keepPosition = MyTrackBar1->Position();
  int64_t at = from;
  for (int tries = 0; tries < 1000 && at < firstLine; ++tries) {
    ExactPageStart = true;
    MovingBack = MovingForward = false;
    ShowPage(false, true, at);
    ExactPageStart = keepExact;
    if (Doc.PagePosition != at) break;
    const int count = GetLineCount();
    const int last = std::min(FirstVisibleLine() + VisibleLineCount() - 1, count - 1);
    const int64_t lastIndex = IsWideView() ? static_cast<int64_t>(SendMessageW(CurrentPane, EM_LINEINDEX, static_cast<WPARAM>(last), 0))
                                           : static_cast<int64_t>(Memo1->LineIndex(last));
    if (last < 0 || lastIndex < 0 || ViewIndexToFileOffset(lastIndex) >= firstLine || count < 2) break;
    // The page's second screen line, as a file offset: the next try.
    const int64_t secondIndex = IsWideView() ? static_cast<int64_t>(SendMessageW(CurrentPane, EM_LINEINDEX, 1, 0))
                                             : static_cast<int64_t>(Memo1->LineIndex(1));
    const int64_t next = ViewIndexToFileOffset(secondIndex);
    if (next <= at || next >= firstLine) break;
    at = next;
  }
  MovingBack = keepBack;
  MovingForward = keepForward;
  LastPageStart = keepLastPage;
  (void)keepPosition;
  return at;
}

int64_t TVastrelForm::CharBoundaryAtOrBefore(HANDLE file, int64_t position) {
  if (position <= 0) return 0;
  const int64_t from = std::max<int64_t>(0, position - 65536);
  std::vector<unsigned char> buf(static_cast<size_t>(position - from));
  const textio::ReadAt read = FileReader(file);
  const int64_t got = read(from, buf.data(), buf.size());
  int64_t at = position;
  if (got == static_cast<int64_t>(buf.size())) {
    at -= charlen::StepBackToBoundary(Doc.TextCode, Doc.ByteOrder == boBigEndian, buf.data(), buf.size());
  }
  if (Doc.TextCode == tcUtf16) at &= ~int64_t(1);
  return std::max<int64_t>(at, 0);
}

int64_t TVastrelForm::LastShowablePageStart(HANDLE file, int64_t lastStart, int64_t pageBytes) {
  if (lastStart <= 0) return 0;
  const bool units16 = Doc.TextCode == tcUtf16;
  const int64_t unit = units16 ? 2 : 1;
  const textio::ReadAt read = FileReader(file);
  const int64_t lookBack = ScanReach(pageBytes);
  // The line that holds the last unit before lastStart; a line end at the
  // scan's position gives the line after it, which may begin at lastStart or
  // beyond: then the scan starts a unit lower.
  int64_t p = (lastStart - 1) & ~(unit - 1);
  const int64_t bound = std::max<int64_t>(0, p - lookBack);
  int64_t line = -1;
  for (int tries = 0; tries < 4 && p >= 0; ++tries, p -= unit) {
    const int64_t r = selection::FindLineStartBackBounded(read, units16, Doc.ByteOrder == boBigEndian,
                                                          CheckBox6->Checked(), 0, p, bound);
    if (r < 0) {
      if (bound == 0) line = 0;  // no line end before: the file's first line
      break;
    }
    if (r < lastStart) {
      line = r;
      break;
    }
  }
  // That line's page holds the end of the file: it is the last page. A longer
  // stretch shows its end from the last character boundary before lastStart.
  if (line >= 0 && Doc.FileSize - line <= pageBytes) return line;
  return CharBoundaryAtOrBefore(file, lastStart - unit);
}

void TVastrelForm::ShowPage(bool showNotices, bool linePosition, int64_t position) {
  // 1-2
  if (Doc.FilePath.empty()) return;
  if (ChkSpBtn->Down()) {
    if (position == LastShownPosition) {
      ForceWatchTick = false;
      return;
    }
    ForceWatchTick = true;
    LastShownPosition = position;
  }

  // 3-6: the size (from the handle the page is read through), the viewable
  // size, the slider.
  fileops::File file(OpenForReading(Doc.FilePath));
  const int64_t handleSize = file.IsOpen() ? fileops::Files().Size(file.get()) : -1;
  RealFileSize = handleSize >= 0 ? handleSize : GetFileSize64(Doc.FilePath);
  Doc.FileSize = RealFileSize;
  StatusBar1->Panel(0)->SetTextW(statustext::FormatSize(true, static_cast<uint64_t>(std::max<int64_t>(0, Doc.FileSize))));
  if (position >= Doc.FileSize) return;
  const ViewableSize viewable = CapToViewable(Doc.FileSize);
  if (viewable.capped) {
    if (showNotices) ShowMessageWide(L"このファイルは1024TBを超えています。1024TBまでの閲覧だけが行えます。");
    Doc.FileSize = viewable.size;
    // Deleting stays off for such a file.
    CheckBox1->SetChecked(true);
    CheckBox1->SetEnabled(false);
  } else {
    CheckBox1->SetEnabled(true);
  }
  const int step = Doc.FileSize <= 32 ? 1 : 32;
  const bool sliderRescaled = MyTrackBar1->Max() != Doc.FileSize;
  SetSliderQuietly(MyTrackBar1, -1, Doc.FileSize, step);
  if (Doc.FileSize == 0) {
    SetSliderQuietly(MyTrackBar1, 0, -1, 0);
    position = 0;
  }
  const int64_t sliderMax = Doc.FileSize;
  const int64_t lastStart = sliderMax - step;

  // 7-8
  const int lines = LinesPerPage();
  const DWORD pageBytes = static_cast<DWORD>(static_cast<uint16_t>(UpDown2->Position())) << 10;
  if (!file.IsOpen()) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return;
  }

  // 9: the line start.
  const bool units16 = Doc.TextCode == tcUtf16;
  linescan::ScanOptions opt;
  opt.loneLineEnds = CheckBox6->Checked();
  opt.byteOrder = Doc.ByteOrder;
  linescan::LineState st{Doc.FirstLineNumber, LastLineStart};
  const textio::ReadAt read = FileReader(file.get());
  // No scan runs further than this from the position: in a stretch without
  // line ends the page begins at the position itself (on a character
  // boundary), so that no position keeps the window busy.
  const int64_t lookBack = ScanReach(pageBytes);
  int64_t start;
  if (ExactPageStart) {
    start = units16 ? position & ~int64_t(1) : position;
  } else if (!linePosition && !MovingBack && MovingForward) {
    const int64_t limit = sliderMax - position > lookBack ? position + lookBack : sliderMax;
    start = units16 ? linescan::FindLineStartForwardWide(read, RealFileSize, 0, limit, lastStart, position, opt, st)
                    : linescan::FindLineStartForward(read, RealFileSize, 0, limit, lastStart, position, opt, st);
    if (limit < sliderMax && start >= limit) start = CharBoundaryAtOrBefore(file.get(), position);
  } else {
    int64_t n = (!linePosition && MovingBack) ? LinesPerStep : 0;
    const int64_t bound = position - lookBack;
    bool found = true;
    if (bound > 0) {
      const bool be = Doc.ByteOrder == boBigEndian;
      found = selection::FindLineStartBackBounded(read, units16, be, opt.loneLineEnds, n, position, bound) >= 0;
      // Many lines back (a multiplied step) may lie further: a line start near
      // enough lets the scan go on through lines.
      if (!found && n > 0) found = selection::FindLineStartBackBounded(read, units16, be, opt.loneLineEnds, 0, position, bound) >= 0;
    }
    if (!found) {
      start = CharBoundaryAtOrBefore(file.get(), position);
    } else {
      start = units16 ? linescan::FindLineStartBackWide(read, RealFileSize, n, position, opt, st)
                      : linescan::FindLineStartBack(read, RealFileSize, n, position, opt, st);
    }
  }
  Doc.FirstLineNumber = st.firstLineNumber;
  LastLineStart = st.lastLineStart;
  if (start < 0) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return;
  }
  // 10: a page may not begin within the last step; a page at the file's
  // start always shows (a one-byte file too). A line start found there (or a
  // position there without a line start near it) shows the last page that can
  // be shown instead, so that the end of every file, and what lies in its last
  // step, can be brought on screen.
  if (start > 0 && start >= lastStart) {
    const int64_t last = LastShowablePageStart(file.get(), lastStart, pageBytes);
    if (last < 0) return;
    // Its first line is not the one the scan counted.
    if (last != Doc.PagePosition) LineNumbersStale = true;
    start = last;
  }

  // 11-13: read the page.
  std::string raw(pageBytes, '\0');
  DWORD got = 0;
  if (SeekFile64(file.get(), FILE_BEGIN, start) != start ||
      !fileops::ReadFully(file.get(), &raw[0], pageBytes, &got)) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return;
  }
  file.Close();
  raw.resize(got);

  // 12: NUL units show as "@"; the notice once per opened file.
  const size_t nuls = pagetext::ShowNulsAsAt(reinterpret_cast<uint8_t*>(&raw[0]), raw.size(), units16 ? 2 : 1,
                                             Doc.ByteOrder);
  if (nuls > 0 && NulNoticeArmed) {
    NulNoticeArmed = false;
    ShowMessageWide(L"テキストデータのゼロ（0x00）の部分、" + std::to_wstring(nuls) +
                    L"個所をアットマーク'@'（0x40）に置き換えて表示します。");
  }

  // The page's conversions report no unconvertible characters: that list is
  // the whole-file conversion's, and showing pages must not grow it.
  struct KeepReport {
    CodeConv& conv;
    size_t length;
    uint32_t count;
    ~KeepReport() {
      conv.UnconvertibleList.resize(length);
      conv.UnconvertibleCount = count;
    }
  } keepReport{Conv, Conv.UnconvertibleList.size(), Conv.UnconvertibleCount};

  // The mark at the file's start is kept for the count but never shown.
  ShownMarkUnits = 0;
  if (start == 0 && Doc.HasBom && Doc.BomLength > 0 && IsWideView()) ShownMarkUnits = 1;

  // 14-17: convert, count the lines that fit, cut.
  std::string narrow;   // memo text (Shift_JIS)
  std::wstring wide;    // pane text (native UTF-16)
  int64_t shownFileUnits = 0;  // D: what the page covers in the file's units
  int64_t markBytes = 0;       // the mark at the file's start, not shown
  const bool wrap = CheckBox2->Checked();
  if (IsWideView()) {
    std::wstring units;
    if (units16) {
      units.resize(raw.size() / 2);
      for (size_t i = 0; i < units.size(); ++i) {
        const uint8_t b0 = static_cast<uint8_t>(raw[2 * i]), b1 = static_cast<uint8_t>(raw[2 * i + 1]);
        units[i] = static_cast<wchar_t>(Doc.ByteOrder == boBigEndian ? (b0 << 8) | b1 : b0 | (b1 << 8));
      }
    } else {
      Conv.Utf8ToWide(raw.c_str(), CodeConv::ByteOrder::Little, &units);
    }
    const uint8_t* ub = reinterpret_cast<const uint8_t*>(units.data());
    // Lone line ends count too: the CR/LF switch shows them as line breaks,
    // and the edit control breaks its lines at a lone LF in any case.
    const pagetext::PageCut cut = pagetext::CutPageWide(ub, units.size() * 2, lines, 1, true);
    ShortPage = pagetext::IsShortPage(lines, cut.lineEnds);
    // Every page wraps while the wrap box is ticked.
    if (wrap && CurrentPane == UnwrappedPane) {
      ShowPaneInstead(WrappedPane);
    } else if (!wrap && CurrentPane == WrappedPane) {
      ShowPaneInstead(UnwrappedPane);
    }
    const size_t end = pagetext::DropFinalCrWide(ub, cut.end, 1) / 2;
    const size_t cutUnits = cut.end / 2;
    wide.assign(units, 0, end);
    if (ShownMarkUnits && !wide.empty() && (wide[0] == 0xFEFF)) {
      wide.erase(0, 1);
      markBytes = units16 ? 2 : 3;
    }
    if (units16) {
      shownFileUnits = static_cast<int64_t>(cutUnits);
    } else {
      std::string back;
      Conv.WideToUtf8(units.substr(0, cutUnits).c_str(), CodeConv::ByteOrder::Little, &back);
      shownFileUnits = static_cast<int64_t>(back.size());
    }
  } else {
    switch (Doc.TextCode) {
      case tcEucJp: Conv.EucToSjis(raw.c_str(), &narrow); break;
      case tcJis: narrow = JisDecodePage(start, raw); break;
      default: narrow = raw; break;
    }
    pagetext::PageCut cut = pagetext::CutPageNarrow(U8(narrow), narrow.size(), lines);
    ShortPage = pagetext::IsShortPage(lines, cut.lineEnds);
    if (wrap) {
      Memo1->SetScrollBars(ssVertical);
      Memo1->SetWordWrap(true);
      cut.end = pagetext::NarrowCutAt(U8(narrow), narrow.size(), CharsPerPageNarrow(nullptr));
    } else {
      Memo1->SetWordWrap(false);
      Memo1->SetScrollBars(ssBoth);
    }
    const size_t end = pagetext::DropFinalCrNarrow(U8(narrow), cut.end);
    const std::string shownCut = narrow.substr(0, cut.end);
    narrow.resize(end);
    if (Doc.TextCode == tcShiftJis) {
      shownFileUnits = static_cast<int64_t>(cut.end);
    } else if (Doc.TextCode == tcJis) {
      shownFileUnits = JisPageOffset(static_cast<int64_t>(cut.end));
    } else {
      std::string back;
      Conv.SjisToEuc(shownCut.c_str(), &back);
      shownFileUnits = static_cast<int64_t>(back.size());
    }
  }

  // 18: show. Setting an edit control's text redraws its scroll bars many
  // times over; with drawing off on the page panel nothing in it draws while
  // the text is set, and with one line to format, one line is invalidated.
  // The view is then repainted once: its text, and its frame only when the
  // scroll bars changed (drawing them costs more than the text).
  const bool lone = CheckBox6->Checked();
  const HWND shownView = IsWideView() ? CurrentPane : Memo1->Handle();
  const ViewBars barsBefore = BarsOf(shownView);
  {
    const vastrel::DrawingOff quiet(Panel5->HandleAllocated() ? Panel5->Handle() : nullptr);
    const OneLineFormat oneLine(shownView);
    if (IsWideView()) {
      SetTextWide(lone ? LoneEndsToCrLf(wide) : wide);
    } else if (lone) {
      Memo1->SetLinesText(narrow);
    } else {
      SetTextNarrow(narrow);
    }
  }
  RedrawWindow(shownView, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | (BarsOf(shownView) == barsBefore ? 0 : RDW_FRAME));

  // The CSV view: its rows from the text exactly as the view now holds it (the
  // CR/LF switch's breaks included), and the view kept hidden behind it.
  if (CsvViewOn()) {
    FillCsvView(IsWideView() ? GetTextWide() : Cp932ToWide(GetTextNarrow()));
    if (ListView1->Visible()) SetTextViewShown(false);
  }

  // Where the page's lines begin in the file, for the line steps.
  PageLines = IsWideView()                ? MapPageLines(wide, Doc.TextCode, lone, start + markBytes, false)
              : Doc.TextCode == tcJis ? JisPageLines(narrow)
                                      : MapPageLines(narrow, Doc.TextCode, lone, start, Conv.KanaByShiftOut);
  PageEndOffset = start + shownFileUnits * (units16 ? 2 : 1);

  // 19: the line numbers of the page (the column, or Panel3's first number).
  LineNumbersAfterShowPage(start);

  // 21
  const int64_t unitBytes = units16 ? 2 : 1;
  if (RealFileSize - start < shownFileUnits * unitBytes || RealFileSize - start < 4096) AllowNextErase = true;

  // 22: the selection, in the file's units against the page start H.
  const int64_t H = units16 ? start / 2 : start;
  int64_t S = Doc.SelStart;
  int64_t L = Doc.SelLength;
  if (L < 0) {
    S += L;
    L = -L;
  }
  const int64_t viewLength = IsWideView() ? static_cast<int64_t>(GetTextWide().size()) : Memo1->TextLength();
  // The view index of the first k file units of the page.
  auto measure = [&](int64_t k) -> int64_t {
    if (k <= 0) return 0;
    int64_t m = 0;
    if (units16) {
      const int64_t n = std::min<int64_t>(k, static_cast<int64_t>(raw.size() / 2));
      m = std::max<int64_t>(0, n - ShownMarkUnits);
      if (lone) {
        std::wstring part;
        for (int64_t i = ShownMarkUnits; i < n; ++i) {
          const uint8_t b0 = static_cast<uint8_t>(raw[2 * i]), b1 = static_cast<uint8_t>(raw[2 * i + 1]);
          part += static_cast<wchar_t>(Doc.ByteOrder == boBigEndian ? (b0 << 8) | b1 : b0 | (b1 << 8));
        }
        m += CountLoneWide(part, 0, part.size());
      }
    } else if (Doc.TextCode == tcUtf8) {
      std::wstring part;
      Conv.Utf8ToWide(raw.substr(0, static_cast<size_t>(std::min<int64_t>(k, raw.size()))).c_str(),
                      CodeConv::ByteOrder::Little, &part);
      const size_t from = (ShownMarkUnits && !part.empty() && part[0] == 0xFEFF) ? 1 : 0;
      m = static_cast<int64_t>(part.size() - from);
      if (lone) m += CountLoneWide(part, from, part.size());
    } else {
      std::string part = raw.substr(0, static_cast<size_t>(std::min<int64_t>(k, raw.size())));
      std::string sj;
      if (Doc.TextCode == tcEucJp) {
        Conv.EucToSjis(part.c_str(), &sj);
      } else if (Doc.TextCode == tcJis) {
        sj = JisPage.text.sjis.substr(0, static_cast<size_t>(JisPageIndex(k)));
      } else {
        sj = part;
      }
      m = static_cast<int64_t>(sj.size());
      if (lone) m += pagetext::CountLineEndsNarrow(U8(sj), sj.size());
    }
    return std::min(m, viewLength);
  };
  const int64_t pageUnits = static_cast<int64_t>(pageBytes) / unitBytes;
  bool onPage = false;
  if (S <= H) {
    onPage = true;
    int64_t endView = 0;
    if (S + L > H) endView = measure(std::min(S + L - H, pageUnits));
    SetSelection(0, static_cast<int>(endView));
  } else if (S < H + shownFileUnits) {
    onPage = true;
    const int64_t caret = measure(S - H);
    const int64_t endView = L > pageUnits ? viewLength : std::max(caret, measure(S + L - H));
    SetSelection(static_cast<int>(caret), static_cast<int>(endView));
  }
  // 23: moving back leaves the caret at the bottom.
  if (H < LastPageStart && !onPage) SetSelection(static_cast<int>(viewLength), static_cast<int>(viewLength));
  LastPageStart = H;

  // 24: the slider shows the page start (drawn again only when the thumb
  // moves: a step has usually put it there already).
  if (start != MyTrackBar1->Position() || sliderRescaled) SetSliderQuietly(MyTrackBar1, start, -1, 0);
  Doc.PagePosition = start;
  ++PagesShown;
  ViewHasSelection = GetSelLength() != 0;

  // The rows of the selection just placed.
  if (CsvViewOn()) MarkCsvRowsOfSelection();

  // 25
  if (Doc.SelLength > 0) {
    if (SearchHit) {
      if (IsWideView()) {
        SendMessageW(CurrentPane, EM_SCROLLCARET, 0, 0);
      } else {
        Memo1->ScrollCaret();
      }
    } else if (IsWideView()) {
      const int h = GetScrollPos(CurrentPane, SB_HORZ);
      if (h > 0) SendMessageW(CurrentPane, EM_LINESCROLL, static_cast<WPARAM>(-h), 0);
    }
  }

  // 26: status. A panel whose text changes has its own part invalidated by
  // the bar (and one that keeps its text is not touched), so only the parts
  // that show something new are painted.
  const int64_t pos = MyTrackBar1->Position();
  StatusBar1->Panel(1)->SetTextW(Grouped(pos));
  StatusBar1->Panel(2)->SetTextW(statustext::FormatSize(true, static_cast<uint64_t>(std::max<int64_t>(0, pos))));
  if (CsvViewOn()) ListView1->Invalidate();
}

int64_t TVastrelForm::CountLinesToCaret(int64_t offset, bool mode) {
  if (Doc.FilePath.empty() || Doc.FileSize < 0 || offset >= Doc.FileSize) return -1;
  fileops::File file(OpenForReading(Doc.FilePath));
  if (!file.IsOpen()) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return -1;
  }
  const bool units16 = Doc.TextCode == tcUtf16;
  const DWORD pageBytes = static_cast<DWORD>(static_cast<uint16_t>(UpDown2->Position())) << 10;
  std::string page(pageBytes + 10, '\0');
  DWORD got = 0;
  const int64_t at = units16 ? offset & ~int64_t(1) : offset;
  if (SeekFile64(file.get(), FILE_BEGIN, at) != at ||
      !ReadFileNulSafe(file.get(), &page[0], units16 ? 2 : 1, pageBytes, &got)) {
    return -1;
  }
  file.Close();
  page.resize(got);

  // The page's line ends in order: for each, whether it is a lone CR or LF.
  std::vector<bool> ends;
  if (units16) {
    const size_t n = page.size() / 2;
    auto unit = [&](size_t i) -> uint16_t {
      const uint8_t b0 = static_cast<uint8_t>(page[2 * i]), b1 = static_cast<uint8_t>(page[2 * i + 1]);
      return static_cast<uint16_t>(Doc.ByteOrder == boBigEndian ? (b0 << 8) | b1 : b0 | (b1 << 8));
    };
    for (size_t i = 0; i < n; ++i) {
      const uint16_t u = unit(i);
      if (u != 0x0D && u != 0x0A) continue;
      const uint16_t v = i + 1 < n ? unit(i + 1) : 0;
      // CR LF, and (before the caret) LF CR, are pairs.
      if ((u == 0x0D && v == 0x0A) || (mode && u == 0x0A && v == 0x0D)) {
        ends.push_back(false);
        ++i;
      } else {
        ends.push_back(true);
      }
    }
  } else {
    for (size_t i = 0; i < page.size(); ++i) {
      const char c = page[i];
      if (c != '\r' && c != '\n') continue;
      if (c == '\r' && i + 1 < page.size() && page[i + 1] == '\n') {
        ends.push_back(false);
        ++i;
      } else {
        ends.push_back(true);
      }
    }
  }

  // The view's lines: their extents (length plus 2 for the CR LF).
  const int count = GetLineCount();
  std::vector<int64_t> cumulative;
  int64_t total = 0;
  const HWND view = IsWideView() ? CurrentPane : nullptr;
  for (int line = 0; line < count; ++line) {
    int64_t length;
    if (view) {
      const int index = static_cast<int>(SendMessageW(view, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
      length = index < 0 ? 0 : SendMessageW(view, EM_LINELENGTH, static_cast<WPARAM>(index), 0);
    } else {
      const int index = Memo1->LineIndex(line);
      length = index < 0 ? 0 : Memo1->LineLength(index);
    }
    total += length + 2;
    cumulative.push_back(total);
  }
  // The first line whose cumulative extent goes past the index.
  auto lineOf = [&](int64_t index) -> int64_t {
    for (size_t i = 0; i < cumulative.size(); ++i)
      if (cumulative[i] > index) return static_cast<int64_t>(i);
    return -1;
  };

  const int64_t selStart = GetSelStart();
  if (mode) {
    const int64_t c = lineOf(selStart);
    int64_t lone = 0;
    for (int64_t k = 0; k < c && k < static_cast<int64_t>(ends.size()); ++k)
      if (ends[static_cast<size_t>(k)]) ++lone;
    return lone;
  }
  const int64_t a = lineOf(selStart);
  // The last line is the one whose extent goes past the selection's end: a
  // selection that ends just after a line end holds that line end too.
  const int64_t b = lineOf(selStart + GetSelLength());
  if (a < 0 || b < 0 || b == 0 || a == b) return 0;
  int64_t lone = 0;
  for (int64_t k = a; k < b && k < static_cast<int64_t>(ends.size()); ++k)
    if (ends[static_cast<size_t>(k)]) ++lone;
  return lone;
}
