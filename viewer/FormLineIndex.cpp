// The line index of the open file and what rests on it: the background build
// (TGyoThread), the stored line lists (gyolist.ini and the list files in
// data_1), the lookups between line numbers and offsets, the line-number
// column ListBox1 and Panel3's first line number, the jumps (to a typed line,
// the caret, the selection's end) and the jump list ListBox2.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "controls/NumberEdit.h"
#include "dialogs/InputBoxUnit.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "framework/ExtCtrls.h"
#include "framework/FileOps.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "framework/Timer.h"
#include "text/LineEnds.h"
#include "text/PathText.h"
#include "viewer/FileAccess.h"
#include "viewer/GyoThreadUnit.h"
#include "viewer/IniStore.h"
#include "viewer/PathRoutines.h"
#include "viewer/VastrelForm.h"
#include "viewer/WorkProgress.h"

namespace {

// A decimal 64-bit number, the whole text (blanks around allowed).
bool ParseLine(const std::wstring& text, int64_t* value) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == L' ') ++i;
  while (n > i && text[n - 1] == L' ') --n;
  if (i == n) return false;
  bool negative = false;
  if (text[i] == L'-' || text[i] == L'+') negative = text[i++] == L'-';
  if (i == n) return false;
  uint64_t v = 0;
  for (; i < n; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    if (v > (uint64_t(INT64_MAX) - 9) / 10) return false;
    v = v * 10 + uint64_t(text[i] - L'0');
  }
  *value = negative ? -int64_t(v) : int64_t(v);
  return true;
}

std::wstring LowerAscii(std::wstring s) {
  for (auto& c : s)
    if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
  return s;
}

}  // namespace

// ---- the build

void TVastrelForm::CancelLineThread() {
  if (!LineThread) return;
  LineThread->SetCancelled(true);
  LineThread->Terminate();
}

void TVastrelForm::LineIndexNewDocument() {
  // A build still running belongs to the document left: its end takes nothing.
  ++LineBuildNumber;
  LineIndexStale = false;
}

void TVastrelForm::StartLineCount(const std::wstring& path) {
  if (!LineThreadIdle || path.empty()) return;
  const int64_t max = std::max<int64_t>(0, Stepping().UsableMax());
  ColorProgressBar2->SetMax(static_cast<uint64_t>(std::max<int64_t>(1, max)));
  ColorProgressBar2->SetPosition(0);
  ColorProgressBar2->SetVisible(true);
  SpeedButton7->SetDown(true);
  EditMenu->SetVisible(false);
  CheckBox1->SetEnabled(false);
  LineThreadIdle = false;
  ++LineBuildNumber;
  LineChangesAtBuild = LineChangeCount;
  auto* t = new TGyoThread(path, Doc.TextCode, max, Doc.ByteOrder == boLittleEndian, CheckBox6->Checked(),
                           LineBuildNumber);
  if (LineThreadChunk) t->Chunk = LineThreadChunk;
  t->FreeOnTerminate = true;
  t->OnTerminate = [this](TThread* th) { LineCountDone(static_cast<TGyoThread*>(th)); };
  LineThread = t;
  // The thread only stores its progress; the bar follows it by time.
  if (!LineProgressTimer) {
    LineProgressTimer = new TTimer();
    LineProgressTimer->SetInterval(50);
    LineProgressTimer->OnTimer = [this](TTimer*) {
      if (LineThread) LineThread->Progress.ShowOn(ColorProgressBar2);
    };
  }
  LineProgressTimer->SetEnabled(true);
  if (!t->Resume()) {
    // No thread: nothing will end it, so end it here.
    t->SetCancelled(true);
    t->FreeOnTerminate = false;
    LineCountDone(t);
    delete t;
  }
}

void TVastrelForm::LineCountDone(TGyoThread* t) {
  const bool cancelled = t->IsCancelled();
  // Only an uncancelled build of the document still open, over which no
  // in-place change happened, gives the index.
  const bool current = t->BuildNumber == LineBuildNumber && t->Path == Doc.FilePath;
  const bool changed = LineChangeCount != LineChangesAtBuild;
  if (LineProgressTimer) LineProgressTimer->SetEnabled(false);
  if (!cancelled && current && !changed && t->Records.size() >= 3) {
    IndexHandOver = true;
    *LineCheckpointList = std::move(t->Records);
    LineWalkMarks = std::move(t->Marks);
    IndexHandOver = false;
    LineIndexStale = false;
    Doc.LineListChanged = true;
    if (ListBox1->Visible()) UpdateLineNumbers();
  } else if (!cancelled && current && changed) {
    // The file changed under the build: what it counted mixes both versions.
    LineIndexStale = true;
    LineNumbersStale = true;
  }
  t->Records.clear();
  t->Marks.clear();
  CheckBox1->SetEnabled(true);
  EditMenu->SetVisible(true);
  SpeedButton7->SetDown(false);
  ColorProgressBar2->SetVisible(false);
  LineThread = nullptr;
  LineThreadIdle = true;
  if (current && t->Result.error != 0) ShowMessageWide(SystemErrorTextWide(t->Result.error));
}

void TVastrelForm::SpeedButton7Click() {
  if (!FileExists()) {
    SpeedButton7->SetDown(false);
    return;
  }
  if (!SpeedButton7->Down()) {
    CancelLineThread();
    return;
  }
  if (!LineThreadIdle || !FileCommandsAllowed()) {
    // A build still stopping, or long work on the file: nothing starts.
    SpeedButton7->SetDown(!LineThreadIdle);
    return;
  }
  if (MessageBoxCp932(Cp932FromUtf8("作成しておくと行番号を自動で修正できます。\n行番号リストを作成又は更新しますか？。"),
                      Cp932FromUtf8("行番号リスト作成の確認"), MB_ICONQUESTION | MB_YESNO, Handle()) == IDYES) {
    StartLineCount(Doc.FilePath);
  } else {
    SpeedButton7->SetDown(false);
  }
}

void TVastrelForm::SpeedButton7MouseDown(TMouseButton button) {
  if (button == mbRight) N26Click();
}

// ---- in-place changes

void TVastrelForm::LineIndexFileChanged(int64_t pivot, int64_t delta) {
  ++LineChangeCount;
  // A stored list of this file no longer fits it, even when the size stayed.
  const std::wstring stored = LineListPath(Doc.FilePath);
  if (!stored.empty()) engine::MarkLineListStale(stored);
  Doc.LineListChanged = false;
  if (LineCheckpointList->empty()) return;
  engine::ShiftLineIndex(*LineCheckpointList, pivot, delta);
  LineWalkMarks.Shift(pivot, delta);
  LineIndexStale = true;
  LineNumbersStale = true;
}

// ---- the store

bool TVastrelForm::HasLineNumberList() {
  return !Doc.FilePath.empty() && Store().IniSectionExists(Paths.lineStore, Doc.FilePath);
}

std::wstring TVastrelForm::ReadIniStringWide(const std::wstring& section, const std::wstring& key,
                                             const std::wstring& file) {
  if (section.empty() || !Store().IniSectionExists(file, section)) return std::wstring();
  TStringList lines;
  Store().ReadIniSectionOf(file, section, lines);
  const std::wstring wanted = LowerAscii(key);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::wstring line = ItemTextWide(lines, i);
    const size_t eq = line.find(L'=');
    if (eq != std::wstring::npos && LowerAscii(line.substr(0, eq)) == wanted) return line.substr(eq + 1);
  }
  return std::wstring();
}

std::wstring TVastrelForm::LineListPath(const std::wstring& path) {
  // Only the name of a stored value counts, and only a list file's name: the
  // list is always taken from this program's data_1 folder.
  const std::wstring name = pathtext::ExtractNameWide(ReadIniStringWide(path, L"path", Paths.lineStore));
  if (!engine::IsLineListName(name)) return std::wstring();
  return Paths.data1Folder + name;
}

int TVastrelForm::SaveOrLoadLineList(bool save, bool ask) {
  if (ask) {
    const std::wstring text = L"[ " + pathtext::ExtractNameWide(Doc.FilePath) + L" ]\n\n" +
                              (save ? L"このファイルの行番号リストは変更されています。\n保存しますか？"
                                    : L"このファイルの行番号リストが存在します。\n読み込みますか？");
    const std::wstring caption = std::wstring(L"行番号リストの") + (save ? L"保存" : L"読込") + L"確認";
    if (MessageBoxWide(text, caption, MB_ICONQUESTION | MB_YESNO, Handle()) != IDYES) return 0;
  }
  if (save)
    SaveLineList(Doc.FilePath);
  else
    LoadLineListFor(Doc.FilePath);
  return 1;
}

bool TVastrelForm::SaveLineList(const std::wstring& path) {
  // An empty, partial or stale index is never stored.
  if (LineCheckpointList->size() < 3 || LineIndexStale || path.empty()) return false;
  std::wstring stored = LineListPath(path);
  if (stored.empty()) {
    // A fresh number: named by no section (its file may have been removed
    // by hand) and by no existing file.
    std::set<std::wstring> used;
    TStringList headers;
    IniStore::ReadSectionHeaders(Paths.lineStore, headers);
    for (int i = 0; i < headers.Count(); ++i) {
      std::wstring h = ItemTextWide(headers, i);
      if (h.size() >= 2 && h.front() == L'[' && h.back() == L']') h = h.substr(1, h.size() - 2);
      used.insert(LowerAscii(pathtext::ExtractNameWide(ReadIniStringWide(h, L"path", Paths.lineStore))));
    }
    for (int64_t n = 0;; ++n) {
      const std::wstring name = L"list" + std::to_wstring(n) + L".txg";
      if (!used.count(name) && !FileExistsEx(Paths.data1Folder + name, true)) {
        stored = Paths.data1Folder + name;
        break;
      }
    }
  }
  TStringList lines;
  AddWithWideCopy(lines, L"path=" + stored);
  if (!Store().WriteIniSectionOf(Paths.lineStore, path, lines)) return false;
  return WriteLineListFile(stored);
}

bool TVastrelForm::WriteLineListFile(const std::wstring& file) {
  DWORD error = 0;
  if (engine::WriteLineListFile(file, *LineCheckpointList, &error)) return true;
  ShowMessageWide(SystemErrorTextWide(error));
  return false;
}

void TVastrelForm::LoadLineListFor(const std::wstring& path) {
  const std::wstring stored = LineListPath(path);
  if (stored.empty() || !FileExistsEx(stored, true)) return;
  if (ReadLineListFile(stored) == engine::LineListRead::Invalid) {
    // A list that does not fit the file is never used; a new one is offered.
    if (MessageBoxWide(kLineListUpdateText, L"行番号リストの更新", MB_ICONQUESTION | MB_YESNO, Handle()) == IDYES)
      StartLineCount(Doc.FilePath);
  }
}

engine::LineListRead TVastrelForm::ReadLineListFile(const std::wstring& file) {
  ClearLineList();
  engine::CheckpointList list;
  DWORD error = 0;
  const engine::LineListRead r = engine::ReadLineListFile(file, GetFileSize64(Doc.FilePath), list, &error);
  if (r == engine::LineListRead::Failed) ShowMessageWide(SystemErrorTextWide(error));
  if (r != engine::LineListRead::Ok) return r;
  const bool lone = list.back().Lines != 0;
  *LineCheckpointList = std::move(list);
  LineIndexStale = false;
  if (CheckBox6->Checked() != lone) {
    CrLfSetByList = true;
    CheckBox6->SetChecked(lone);
    CrLfSetByList = false;
  }
  return r;
}

int64_t TVastrelForm::LineListCount(const std::wstring& path, bool) {
  // The size says it: nothing is read and nothing reported.
  return engine::LineListFileCount(LineListPath(path));
}

bool TVastrelForm::DeleteLineList(const std::wstring& section) {
  const std::wstring stored = LineListPath(section);
  if (!Store().EraseIniSectionOf(Paths.lineStore, section)) return false;
  if (!stored.empty()) fileops::Files().Delete(stored);
  return true;
}

void TVastrelForm::ClearLineList() {
  LineCheckpointList->clear();
  LineWalkMarks.clear();
  LineIndexStale = false;
}

void TVastrelForm::N29Click() {
  if (!HasLineNumberList() || !FileCommandsAllowed()) return;
  ClearLineList();
  LoadLineListFor(Doc.FilePath);
  AskLineListUpdate();
}

bool TVastrelForm::FileChangedSinceList() {
  if (LineCheckpointList->empty()) return false;
  return LineCheckpointList->back().Offset != GetFileSize64(Doc.FilePath);
}

bool TVastrelForm::AskLineListUpdate() {
  if (!FileChangedSinceList() && !LineIndexStale) return false;
  if (MessageBoxWide(kLineListUpdateText, L"行番号リストの更新", MB_ICONQUESTION | MB_YESNO, Handle()) == IDYES)
    StartLineCount(Doc.FilePath);
  return true;
}

const wchar_t* const TVastrelForm::kLineListUpdateText =
    L"ファイルが変更されています。\n前回の編集個所以降に付いては、行番号の修正が正しく行えません。\n"
    L"行番号リストを更新しますか？";

void TVastrelForm::CheckBox6Click() {
  if (!CrLfSetByList && !LineCheckpointList->empty()) {
    const bool listOn = LineCheckpointList->back().Lines != 0;
    if (listOn != CheckBox6->Checked()) {
      const std::wstring x = listOn ? L"オン" : L"オフ";
      ShowMessageWide(L"現在の行番号リストはCR/LFが" + x + L"で作成されています。\n行番号を正しく表示するには、CR/LFスイッチを" +
                      x + L"にして下さい");
    }
  }
  // The page always follows the switch: the caret's offsets depend on it.
  if (!Doc.FilePath.empty()) {
    ShowPage(false, true, MyTrackBar1->Position());
    RedrawTextView(true);
  }
}

// ---- lookups

engine::LineLookup TVastrelForm::LineLookupNow() {
  engine::LineLookup l;
  l.path = Doc.FilePath;
  l.rule = engine::RuleFor(Doc.TextCode, Doc.ByteOrder == boLittleEndian, CheckBox6->Checked());
  l.chunk = Doc.TextCode == tcUtf16 ? 16384 : 8192;
  l.marks = &LineWalkMarks;
  return l;
}

namespace {

// The progress of a lookup: nothing shows for a walk within the marks'
// spacing; one that may read more (a list loaded without marks, or a stretch
// they do not cover) shows the work row, pumps messages by time and stops at
// the abort button (at once, no question) or a close request.
class WalkProgress : public vastrel::WorkProgress {
 public:
  explicit WalkProgress(TVastrelForm& f) : WorkProgress(f.ColorProgressBar1, f.StopRequested), f_(f) {}
  ~WalkProgress() override {
    if (!frame_) return;
    frame_.reset();
    f_.ConfirmStop = confirm_;
    f_.LongWorkRunning = longWork_;
    f_.LineWalkRunning = false;
    f_.StopRequested = false;
  }
  void SetMaximum(int64_t maximum) override {
    if (!frame_) {
      confirm_ = f_.ConfirmStop;
      longWork_ = f_.LongWorkRunning;
      f_.StopRequested = false;
      f_.ConfirmStop = false;
      f_.LongWorkRunning = true;  // no other file command while it pumps
      f_.LineWalkRunning = true;
      frame_.reset(new vastrel::WorkFrame(f_.WorkPanel, f_.ColorProgressBar1, f_.SpeedButton2));
    }
    WorkProgress::SetMaximum(maximum);
  }

 private:
  TVastrelForm& f_;
  std::unique_ptr<vastrel::WorkFrame> frame_;
  bool confirm_ = false, longWork_ = false;
};

}  // namespace

engine::LineLookupResult TVastrelForm::RunLineLookup(bool toOffset, int64_t value) {
  // A lookup asked for by the messages a long walk pumps finds nothing.
  if (LineWalkRunning) {
    engine::LineLookupResult none;
    none.stopped = true;
    return none;
  }
  engine::LineLookupResult r;
  {
    WalkProgress progress(*this);
    engine::LineLookup l = LineLookupNow();
    l.progress = &progress;
    r = toOffset ? engine::LineToOffset(*LineCheckpointList, l, value)
                 : engine::OffsetToLine(*LineCheckpointList, l, value);
  }
  if (CloseAfterLineWalk) {
    CloseAfterLineWalk = false;
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
  }
  return r;
}

int64_t TVastrelForm::LineToOffset(int64_t line) {
  if (Doc.FilePath.empty()) return -1;
  const engine::LineLookupResult r = RunLineLookup(true, line);
  LineLookupStopped = r.stopped;
  if (r.error) ShowMessageWide(SystemErrorTextWide(r.error));
  return r.found ? r.value : -1;
}

bool TVastrelForm::OffsetToLine(int64_t offset) {
  if (Doc.FilePath.empty() || LineCheckpointList->empty()) return false;
  const engine::LineLookupResult r = RunLineLookup(false, offset);
  if (r.error) {
    ShowMessageWide(SystemErrorTextWide(r.error));
    return false;
  }
  if (r.found) Doc.FirstLineNumber = r.value;
  return r.found;
}

// ---- jumps

int64_t TVastrelForm::JumpToLine(const std::wstring& text) {
  LineLookupStopped = false;
  if (Doc.FilePath.empty() || !FileCommandsAllowed()) return -1;
  if (LineIndexStale) {
    // Numbers from an index the file has outgrown would land elsewhere.
    AskLineListUpdate();
    return -1;
  }
  int64_t n = 1;
  if (!ParseLine(text, &n)) n = 1;
  TCursorGuard hourglass(crHourGlass);
  const int64_t offset = n >= 1 ? LineToOffset(n - 1) : -1;
  if (offset < 0) return -1;
  // A line in the last slider step is shown by the last page there is.
  const int64_t lastStart = Stepping().UsableMax();
  const int64_t position = offset > 0 && offset >= lastStart ? std::max<int64_t>(0, lastStart - 1) : offset;
  ShowPage(false, true, position);
  CurrentLine = n;
  if (!IndexHandOver) UpdateLineNumbers();
  SetSelection(GetSelStart(), GetSelStart());
  Doc.SelLength = 0;
  if (Memo1->Visible())
    FocusTextView();
  else
    FocusTextView();
  return offset;
}

void TVastrelForm::N31Click() {
  if (Doc.FilePath.empty() || !FileCommandsAllowed()) return;
  std::wstring text = CurrentLine > 0 ? std::to_wstring(CurrentLine) : std::wstring();
  if (AskLineNumber(text)) N31Jump(text);
}

bool TVastrelForm::AskLineNumber(std::wstring& text) {
  auto* box = NewForm<TInputBoxDlg>(this, CurrentLine);
  box->SetCaption(Cp932FromUtf8("指定の行へジャンプ"));
  box->Label1->SetCaption(Cp932FromUtf8("移動先の行番号を入力して下さい。"));
  const bool ok = box->ShowModal() == mrOk;
  text = box->NumberEdit1->TextW();
  box->Free();
  return ok;
}

void TVastrelForm::N31Jump(const std::wstring& text) {
  int64_t n = 0;
  if (text.empty() || !ParseLine(text, &n) || n == 0) return;
  if (LineIndexStale) {
    AskLineListUpdate();
    return;
  }
  // A jump stopped by the abort button or a close request says nothing.
  if (JumpToLine(text) < 0 && !LineLookupStopped)
    ShowMessageWide(L"[ " + text + L" ]\nこの行番号は、見つかりませんでした。");
}

void TVastrelForm::N15Click(int tag) {
  if (Doc.FilePath.empty() || !FileCommandsAllowed()) return;
  int64_t target = Doc.SelStart + (tag == 1 ? Doc.SelLength : 0);
  if (Doc.TextCode == tcUtf16) target *= 2;
  target = std::max<int64_t>(0, std::min(target, Stepping().UsableMax()));
  ShowPage(false, false, target);
  FocusTextView();
}

// ---- the column and Panel3

void TVastrelForm::N26Click() {
  N26->SetChecked(!N26->Checked());
  N26->SetImageIndex(41 + (N26->Checked() ? 1 : 0));
  ListBox1->SetVisible(N26->Checked());
  if (N26->Checked()) {
    LineNumbersStale = MyTrackBar1->Position() != 0;
    UpdateLineNumbers();
    Application->ProcessMessages();
    ListBox1->Invalidate();
    ListBox1->Update();
  }
  RedrawTextView(true);
}

void TVastrelForm::UpdateLineNumbers() {
  if (IndexHandOver) return;
  const int64_t position = MyTrackBar1->Position();
  if (position == 0) {
    Doc.FirstLineNumber = 0;
    LineNumbersStale = false;
  } else if (OffsetToLine(position)) {
    // Counted from an index that a change moved: still an estimate.
    LineNumbersStale = LineIndexStale;
  }
  ShowFirstLineNumber();
}

void TVastrelForm::ShowFirstLineNumber() {
  if (N26->Checked()) {
    FillLineNumbers();
    ListBox1->Invalidate();
    ListBox1->Update();
  } else {
    Panel3->SetTextW((LineNumbersStale ? L"? > " : L"") + std::to_wstring(Doc.FirstLineNumber + 1));
  }
}

void TVastrelForm::LineNumbersAfterPage() {
  if (!LineNumbersStale) return;
  if (MyTrackBar1->Position() != 0) {
    if (!IndexHandOver) UpdateLineNumbers();
  } else {
    Doc.FirstLineNumber = 0;
    LineNumbersStale = false;
    ShowFirstLineNumber();
  }
}

bool TVastrelForm::CountPageLineNumber(int64_t pageStart) {
  if (pageStart == 0 && (LineNumbersStale || ExactPageStart)) {
    Doc.FirstLineNumber = 0;
    LineNumbersStale = false;
    return true;
  }
  // A page that begins at the position itself has no number carried along
  // by a line-start scan (unless it is the page shown before, read again).
  if (ExactPageStart && pageStart != Doc.PagePosition) LineNumbersStale = true;
  // Only an index that fits the file gives true numbers; while the slider is
  // dragged the count waits for the release.
  if (!LineNumbersStale || IndexHandOver || LineIndexStale || LineCheckpointList->empty() ||
      Stepping().SliderDragging || !OffsetToLine(pageStart)) {
    return false;
  }
  LineNumbersStale = false;
  return true;
}

void TVastrelForm::LineNumbersAfterShowPage(int64_t pageStart) {
  // A page that begins where no line-start scan carried the number along (a
  // move by screens, a multiplied step) shows the true number when the index
  // can give it.
  const bool counted = CountPageLineNumber(pageStart);
  if (N26->Checked()) {
    const bool dragging = Stepping().SliderDragging && !IndexHandOver;
    if (!counted && (dragging || GetKeyState(VK_CONTROL) < 0)) {
      PageNumberToggle = !PageNumberToggle;
      if (PageNumberToggle) UpdateLineNumbers();
    } else {
      FillLineNumbers();
      ListBox1->Invalidate();
    }
  } else {
    Panel3->SetTextW((LineNumbersStale ? L"? > " : L"") + std::to_wstring(Doc.FirstLineNumber + 1));
  }
}

namespace {
// The height of one line of a text view: the height of its font's cells.
int LinePitchOf(HWND view, HFONT font) {
  if (!view) return 0;
  HDC dc = GetDC(view);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm = {};
  const int pitch = GetTextMetricsW(dc, &tm) ? tm.tmHeight : 0;
  SelectObject(dc, old);
  ReleaseDC(view, dc);
  return pitch;
}
}  // namespace

void TVastrelForm::FillLineNumbers() {
  // Each number stands beside its line: the rows take the view's line pitch.
  const HWND view = IsWideView() ? CurrentPane : (Memo1->HandleAllocated() ? Memo1->Handle() : nullptr);
  const HFONT font = view ? reinterpret_cast<HFONT>(SendMessageW(view, WM_GETFONT, 0, 0)) : nullptr;
  const int pitch = font ? LinePitchOf(view, font) : 0;
  if (pitch > 0 && pitch != ListBox1->ItemHeight()) ListBox1->SetItemHeight(pitch);
  int lines = GetLineCount();
  if (lines == 1 && GetTextLength(false) == 0) lines = 0;
  const int itemHeight = std::max(1, ListBox1->ItemHeight());
  const bool csvHeader = CheckBox7->Checked() && N24->Checked();
  std::string text;
  int64_t number = Doc.FirstLineNumber + 1;
  for (int i = 0; i < lines && (i + 1) * itemHeight <= ListBox1->Height(); ++i) {
    if (i == 0 && csvHeader) text = "No";
    if (!text.empty()) text += "\r\n";
    text += std::to_string(number + i);
  }
  ListBox1->BeginUpdate();
  ListBox1->Items().SetText(text);
  ListBox1->EndUpdate();
}

void TVastrelForm::ListBox1DrawItem(int index, const RECT& itemRect, TOwnerDrawState state) {
  TCanvas& c = ListBox1->Canvas();
  if (index < 0 || index >= ListBox1->Count()) return;
  const std::wstring item = Cp932ToWide(ListBox1->Items().Get(index));
  const bool noRow = item == L"No";
  int64_t value = 0;
  if (!ParseLine(item, &value)) value = 0;
  RECT r = itemRect;
  TakeFont(c, ListBox1->Font());
  if (index == ListBox1->Count() - 1) {
    const int w = c.TextWidth(item + L"5");
    const int width = r.right - r.left;
    if (width < w || width > w + 5) {
      ListBox1->SetWidth(w + 5);
      // A resize repaints only the strip it uncovers: every row is drawn again at the new width.
      ListBox1->Invalidate();
    }
  }
  const bool estimated = !noRow && (LineNumbersStale || CheckBox2->Checked());
  TColor font = estimated ? TColor(0x014DBE) : ListBox1->Font().Color();
  const std::wstring shown = estimated ? L"?" + item : item;
  const bool selected = (state & odSelected) != 0;
  TColor brush = ListBox1->Color();
  bool highlight = false;
  if (!noRow && value == CurrentLine) {
    brush = clHighlight;
    font = clWhite;
    highlight = true;
  } else if (selected) {
    brush = clHighlight;
    highlight = true;
  }
  if (CheckBox7->Checked()) {
    if (N24->Checked() && !noRow) {
      r.top += 4;
      r.bottom += 3;
    } else {
      r.top += 1;
      r.bottom += 1;
    }
  }
  if (ViewHasSelection && !ListView1->Visible() && !highlight) brush = TColor(0xFFF7EE);
  c.BrushColor = brush;
  c.BrushStyle = bsSolid;
  c.FillRect(itemRect);
  c.Font.SetColor(font);
  c.BrushStyle = bsClear;
  RECT tr = r;
  tr.right -= 2;
  c.TextRect(tr, shown, (noRow ? DT_CENTER : DT_RIGHT) | DT_SINGLELINE | DT_NOPREFIX);
  c.PenColor = TColor(0xC0C0C0);
  c.MoveTo(itemRect.right - 1, itemRect.top);
  c.LineTo(itemRect.right - 1, ListBox1->Height());
  if (noRow) {
    c.MoveTo(itemRect.left, itemRect.bottom - 1);
    c.LineTo(itemRect.right, itemRect.bottom - 1);
  }
  if (LineNumberDrawn) LineNumberDrawn(index, shown, font);
}

namespace {
// Start and length of line `row` of a text (lines end at CR LF, a lone CR or a lone LF).
template <class S>
bool LineOf(const S& t, int row, int64_t* start, int64_t* length) {
  size_t i = 0;
  for (int k = 0; k < row; ++k) {
    while (i < t.size() && t[i] != '\r' && t[i] != '\n') ++i;
    if (i >= t.size()) return false;
    i += (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ? 2 : 1;
  }
  size_t e = i;
  while (e < t.size() && t[e] != '\r' && t[e] != '\n') ++e;
  *start = int64_t(i);
  *length = int64_t(e - i);
  return true;
}
}  // namespace

void TVastrelForm::ListBox1MouseDown(TMouseButton button, int x, int y) {
  if (button != mbLeft) return;
  int row = ListBox1->ItemAtPos(POINT{x, y}, true);
  if (row < 0) return;
  if (CheckBox7->Checked() && N24->Checked()) {
    if (row == 0) return;
    --row;
  }
  int64_t start = 0, length = 0;
  const bool ok = IsWideView() ? LineOf(GetTextWide(), row, &start, &length) : LineOf(GetTextNarrow(), row, &start, &length);
  if (ok) {
    SetSelection(start, start + length);
    if (CsvViewOn()) SyncCsvSelection();
    HandleEditMouse(0);
  }
  FocusTextView();
  if (CurrentLine > 0) {
    CurrentLine = -1;
    ListBox1->Invalidate();
  }
}

void TVastrelForm::ListBox1MouseUp(TMouseButton button, int x, int y) {
  if (button == mbLeft) {
    const int i = ListBox1->ItemAtPos(POINT{x, y}, true);
    if (i < 0) return;
    int64_t v = -1;
    if (!ParseLine(Cp932ToWide(ListBox1->Items().Get(i)), &v)) v = -1;
    CurrentLine = v;
    ListBox1->Invalidate();
  } else if (button == mbRight) {
    if (!IndexHandOver) UpdateLineNumbers();
    ScrollToCaret();
  }
}

void TVastrelForm::ScrollToCaret() {
  if (IsWideView())
    SendMessageW(CurrentPane, EM_SCROLLCARET, 0, 0);
  else if (Memo1->HandleAllocated())
    SendMessageA(Memo1->Handle(), EM_SCROLLCARET, 0, 0);
}

// ---- the jump list

void TVastrelForm::AddToJumpList(const std::wstring& text) {
  int64_t v = 0;
  if (!ParseLine(text, &v)) return;  // the CSV "No" row and the like
  const std::string item = WideToCp932(text);
  for (int i = 0; i < ListBox2->Count(); ++i)
    if (ListBox2->Items().Get(i) == item) return;
  ListBox2->Items().Add(item);
  SpeedButton5->SetEnabled(true);
  const int itemsHeight = ListBox2->Count() * std::max(1, ListBox2->ItemHeight());
  if (ListBox2->Height() < 30) {
    ListBox2->SetHeight(30);
  } else if (BockListBox1->Count() * std::max(1, BockListBox1->ItemHeight()) + itemsHeight <=
                 BockListBox1->Height() + ListBox2->Height() &&
             ListBox2->Height() < itemsHeight) {
    ListBox2->SetHeight(itemsHeight + 5);
  }
  JumpListHeight = ListBox2->Height();
  FitBookmarkPanelLists();
  TStringList sorted;
  for (int i = 0; i < ListBox2->Count(); ++i) sorted.Add(ListBox2->Items().Get(i));
  sorted.CustomSort([](const std::string& a, const wchar_t*, const std::string& b, const wchar_t*) {
    return std::strtoll(a.c_str(), nullptr, 10) < std::strtoll(b.c_str(), nullptr, 10);
  });
  ListBox2->Items().Clear();
  for (int i = 0; i < sorted.Count(); ++i) ListBox2->Items().Add(sorted.Get(i));
}

void TVastrelForm::ListBox1DblClick() {
  const int i = ListBox1->ItemIndex();
  if (i >= 0 && i < ListBox1->Count()) AddToJumpList(Cp932ToWide(ListBox1->Items().Get(i)));
}

void TVastrelForm::ListBox2DblClick() {
  const int i = ListBox2->ItemIndex();
  if (i >= 0 && i < ListBox2->Count()) JumpToLine(Cp932ToWide(ListBox2->Items().Get(i)));
}

void TVastrelForm::ListBox2DrawItem(int index, const RECT& r, TOwnerDrawState state) {
  if (index < 0 || index >= ListBox2->Count()) return;
  TCanvas& c = ListBox2->Canvas();
  TakeFont(c, ListBox2->Font());
  const bool selected = (state & odSelected) != 0;
  if (!ListBox2->Focused() && selected) {
    c.BrushColor = TColor(0xC0C0C0);
    c.Font.SetColor(ListBox2->Font().Color());
  } else {
    c.BrushColor = selected ? clHighlight : ListBox2->Color();
    c.Font.SetColor(selected ? clHighlightText : ListBox2->Font().Color());
  }
  c.BrushStyle = bsSolid;
  c.FillRect(r);
  c.BrushStyle = bsClear;
  const TColor keep = c.Font.Color();
  c.Font.SetColor(TColor(0xD6D6D6));
  RECT left = r;
  left.left += 2;
  c.TextRect(left, L" Jump List >", DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS);
  c.Font.SetColor(keep);
  RECT right = r;
  right.right -= 2;
  c.TextRect(right, Cp932ToWide(ListBox2->Items().Get(index)), DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
  c.PenColor = TColor(0xC0C0C0);
  c.MoveTo(r.left, r.bottom - 1);
  c.LineTo(r.right, r.bottom - 1);
}

void TVastrelForm::Delete3Click() {
  for (int i = ListBox2->Count() - 1; i >= 0; --i)
    if (ListBox2->Selected(i)) ListBox2->Items().Delete(i);
  SpeedButton5->SetEnabled(BockListBox1->Count() > 0 || ListBox2->Count() > 0);
  if (!SpeedButton5->Enabled()) Panel2->SetVisible(false);
}

void TVastrelForm::PopupMenu4Popup() {
  TMenuItem* del = PopupMenu4->Items.Find("Delete3");
  const bool any = ListBox2->SelCount() > 0;
  if (del) del->SetVisible(any);
  N30->SetEnabled(!LineCheckpointList->empty() && any);
}

void TVastrelForm::Copy3Click() {
  const int i = ListBox2->ItemIndex();
  if (i < 0 || i >= ListBox2->Count()) return;
  CopyTextToClipboard(Cp932ToWide(ListBox2->Items().Get(i)));
}

void TVastrelForm::N30Click() {
  if (Doc.FilePath.empty() || !FileCommandsAllowed()) return;
  if (LineIndexStale) {
    AskLineListUpdate();
    return;
  }
  for (int i = 0; i < ListBox2->Count(); ++i) {
    if (!ListBox2->Selected(i)) continue;
    int64_t n = 0;
    if (!ParseLine(Cp932ToWide(ListBox2->Items().Get(i)), &n) || n < 1) continue;
    const int64_t offset = LineToOffset(n - 1);
    if (offset < 0) continue;  // a line the file does not hold
    // B is a selection start: UTF-16 units for UTF-16 files.
    const int64_t b = Doc.TextCode == tcUtf16 ? offset / 2 : offset;
    const std::wstring key = std::to_wstring(b);
    if (FindItemWide(BockListBox1->Items(), key) >= 0) continue;
    std::wstring entry = std::to_wstring(offset) + L"@" + key + L"#" + std::to_wstring(n - 1) + L"=-----";
    if (Doc.TextCode == tcJis) entry += L"@\\@" + std::to_wstring(Doc.JisShiftState);
    BockListBox1->Items().AddObject("new", NewWideCopy(entry));
    Doc.BookmarksChanged = true;
    SpeedButton5->SetEnabled(true);
  }
}

void TVastrelForm::ListBox2MouseUp(TMouseButton button, int x, int y) {
  if (button == mbRight) {
    POINT p{x, y};
    ClientToScreen(ListBox2->Handle(), &p);
    PopupMenu4->Popup(p.x, p.y, Handle());
    return;
  }
  if (ListBox2->ItemAtPos(POINT{x, y}, true) < 0) {
    ListBox2->ClearSelection();
    if (ListView1->Visible()) ListView1->Invalidate();
  }
}

// ---- the selection's line count

int64_t TVastrelForm::CountPageLines() {
  if (EditMaxBytes() < SelectionBytes) return -1;
  lineends::Rule rule;
  rule.lone = CheckBox6->Checked();
  lineends::Count c;
  // The readers give the text in this machine's order (UTF-16) or code page 932.
  if (Doc.TextCode == tcUtf16 || Doc.TextCode == tcUtf8) {
    const std::wstring t = ReadRangeWide(false, EditMaxBytes());
    rule.wide = true;
    const size_t n = t.size() * 2;
    c = lineends::CountLineEnds(reinterpret_cast<const uint8_t*>(t.data()), 0, n, n, SIZE_MAX, 0, rule);
  } else {
    const std::string t = ReadRangeNarrow(false, EditMaxBytes());
    c = lineends::CountLineEnds(reinterpret_cast<const uint8_t*>(t.data()), 0, t.size(), t.size(), SIZE_MAX, 0, rule);
  }
  return 1 + c.ends;
}

// ---- the Tool menu

void TVastrelForm::Tool1Click() {
  N15->SetEnabled(HasLines() && FileExists());
  N16->SetEnabled(Doc.SelLength > 0 && N15->Enabled());
  N29->SetEnabled(LineCheckpointList->empty() && HasLineNumberList());
  N31->SetEnabled(!LineCheckpointList->empty());
  BookmarkMenuStates();
  if (ToolMenuHook) ToolMenuHook();
}

void TVastrelForm::InstallLineIndexHandlers() {
  SpeedButton7->GroupIndex = 100;
  SpeedButton7->AllowAllUp = true;
  SpeedButton7->OnClick = [this](TWinControl*) { SpeedButton7Click(); };
  SpeedButton7->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int) { SpeedButton7MouseDown(b); };
  CheckBox6->OnClick = [this](TWinControl*) { CheckBox6Click(); };
  ToolMenu->OnClick = [this](TMenuItem*) { Tool1Click(); };
  N26->OnClick = [this](TMenuItem*) { N26Click(); };
  N15->OnClick = [this](TMenuItem*) { N15Click(0); };
  N16->Tag = 1;
  N16->OnClick = [this](TMenuItem*) { N15Click(1); };
  N29->OnClick = [this](TMenuItem*) { N29Click(); };
  N31->OnClick = [this](TMenuItem*) { N31Click(); };
  N30->OnClick = [this](TMenuItem*) { N30Click(); };
  if (TMenuItem* copy3 = PopupMenu4->Items.Find("Copy3")) copy3->OnClick = [this](TMenuItem*) { Copy3Click(); };
  if (TMenuItem* del = PopupMenu4->Items.Find("Delete3")) del->OnClick = [this](TMenuItem*) { Delete3Click(); };
  PopupMenu4->OnPopup = [this](TPopupMenu*) { PopupMenu4Popup(); };
  ListBox1->OnDrawItem = [this](TWinControl*, int i, const RECT& r, TOwnerDrawState s) { ListBox1DrawItem(i, r, s); };
  ListBox1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) { ListBox1MouseDown(b, x, y); };
  ListBox1->OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) { ListBox1MouseUp(b, x, y); };
  ListBox1->OnDblClick = [this](TWinControl*) { ListBox1DblClick(); };
  ListBox2->OnDrawItem = [this](TWinControl*, int i, const RECT& r, TOwnerDrawState s) { ListBox2DrawItem(i, r, s); };
  ListBox2->OnDblClick = [this](TWinControl*) { ListBox2DblClick(); };
  ListBox2->OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) { ListBox2MouseUp(b, x, y); };
  ListBox2->OnExit = [this](TWinControl*) { ListBox2->Invalidate(); };
  Splitter1->OnMoved = [this](TWinControl*) {
    JumpListHeight = ListBox2->Height();
    FitBookmarkPanelLists();
    ListBox2->Invalidate();
  };
  LineNumbersAfterPageHook = [this] { LineNumbersAfterPage(); };
  UpdateLineNumbersHook = [this] { UpdateLineNumbers(); };
  IndexHandOverHook = [this] { return IndexHandOver; };
}
