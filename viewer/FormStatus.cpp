// Status and selection: the selection-size panel, the status bar's hints,
// reading the selected range back from the file in UTF-16 or code page 932,
// the select commands, copy and the clipboard.
#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "framework/ExtCtrls.h"
#include "framework/FileOps.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "text/RangeRead.h"
#include "text/Selection.h"
#include "text/StatusText.h"
#include "viewer/ClipboardText.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"

namespace {

// Shown when a range cannot be read in one piece (larger than a read may be in
// this process, or no memory for it).
const wchar_t kRangeTooLarge[] = L"選択範囲が大きすぎるため読み込めません。";
const wchar_t kNoMemory[] = L"メモリが不足しているため選択範囲を読み込めません。";

CodeConv::ByteOrder FileOrder(const DocumentState& d) {
  return d.ByteOrder == boBigEndian ? CodeConv::ByteOrder::Big : CodeConv::ByteOrder::Little;
}

// The raw bytes of a range: one allocation of the capped count plus the
// reader's spare, NUL units turned into 0x01, two zero bytes after the data.
struct RawRange {
  bool ok = false;       // false: a message was shown (or the file could not be opened)
  bool opened = false;   // the file could be opened
  std::string bytes;     // exactly the bytes read
  int nulCount = 0;
};

}  // namespace

int64_t TVastrelForm::EditMaxBytes() { return static_cast<int64_t>(UpDown1->Position()) << 20; }

namespace {

// Opens, seeks and reads count bytes at start. Messages: the system's text when
// the file cannot be opened or read, the size texts when the range cannot be
// held. The file stays open in `file` for the caller (JIS needs it).
RawRange ReadRaw(const std::wstring& path, int64_t start, int64_t length, int64_t cap, bool win9x, int unit,
                 size_t spare, fileops::File& file) {
  RawRange r;
  file = fileops::File(OpenForReading(path));
  if (!file.IsOpen()) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return r;
  }
  r.opened = true;
  const rangeread::ReadCount count = rangeread::CountToRead(length, cap, win9x);
  if (!count.ok || count.count > 0x7FFFFFFFu - spare) {
    ShowMessageWide(kRangeTooLarge);
    return r;
  }
  std::unique_ptr<char[]> buf(new (std::nothrow) char[count.count + spare]);
  if (!buf) {
    ShowMessageWide(kNoMemory);
    return r;
  }
  DWORD got = 0;
  pagetext::NulSafeResult info;
  if (count.count > 0) {
    if (SeekFile64(file.get(), FILE_BEGIN, start) != start ||
        !ReadFileNulSafe(file.get(), buf.get(), unit, static_cast<DWORD>(count.count), &got, &info)) {
      ShowMessageWide(SystemErrorTextWide(GetLastError()));
      return r;
    }
  }
  if (unit == 2) got &= ~DWORD{1};
  r.bytes.assign(buf.get(), got);
  r.nulCount = static_cast<int>(info.nulCount);
  r.ok = true;
  return r;
}

}  // namespace

std::wstring TVastrelForm::ReadRangeWide(bool hourglass, int64_t cap) {
  if (Doc.TextCode != tcUtf16 && Doc.TextCode != tcUtf8) {
    return Cp932ToWide(ReadRangeNarrow(hourglass, cap));
  }
  rangeread::RangeInput in;
  in.code = Doc.TextCode;
  in.selStart = Doc.SelStart;
  in.selLength = Doc.SelLength;
  const rangeread::ByteRange range = rangeread::RangeBytes(in);
  fileops::File file;
  NulCount = 0;
  std::unique_ptr<TCursorGuard> cursor;
  if (hourglass) cursor.reset(new TCursorGuard(crHourGlass));
  const bool utf16 = Doc.TextCode == tcUtf16;
  RawRange raw = ReadRaw(Doc.FilePath, range.start, range.length, cap, SystemLevel == 0, utf16 ? 2 : 1, 20, file);
  if (!raw.opened) return GetSelTextWide();
  if (!raw.ok) return std::wstring();
  NulCount = raw.nulCount;
  file.Close();
  std::wstring text;
  if (utf16) {
    text.assign(reinterpret_cast<const wchar_t*>(raw.bytes.data()), raw.bytes.size() / 2);
  } else if (!Conv.Utf8ToWide(raw.bytes.c_str(), CodeConv::ByteOrder::Little, &text)) {
    text.clear();
  }
  SelectionLineEnd = rangeread::DominantLineEnd(reinterpret_cast<const unsigned char*>(raw.bytes.data()),
                                                raw.bytes.size(), utf16, Doc.ByteOrder == boBigEndian);
  // File order to the order of this machine; UTF-8 came out native already.
  if (utf16 && Doc.ByteOrder == boBigEndian && !text.empty()) {
    CodeConv::SwapUtf16Bytes(&text[0], text.size() * 2, true, 0, CodeConv::ByteOrder::Little);
  }
  return text;
}

std::string TVastrelForm::ReadRangeNarrow(bool hourglass, int64_t cap) {
  rangeread::RangeInput in;
  in.code = Doc.TextCode;
  in.narrowReader = true;
  in.selStart = Doc.SelStart;
  in.selLength = Doc.SelLength;
  // A JIS selection is a stretch of the file like any other: its bytes are
  // read from the state in force at its start.
  in.jisShiftState = 3;
  in.jisRunStart = false;
  const rangeread::ByteRange range = rangeread::RangeBytes(in);
  NulCount = 0;
  std::unique_ptr<TCursorGuard> cursor;
  if (hourglass) cursor.reset(new TCursorGuard(crHourGlass));
  if (Doc.TextCode == tcJis) JisRangeLength = range.length;
  fileops::File file;
  const bool utf16 = Doc.TextCode == tcUtf16;
  RawRange raw = ReadRaw(Doc.FilePath, range.start, range.length, cap, SystemLevel == 0, utf16 ? 2 : 1, 30, file);
  if (!raw.opened) return GetSelTextNarrow();
  if (!raw.ok) return std::string();
  NulCount = raw.nulCount;
  std::string out;
  bool converted = true;
  switch (Doc.TextCode) {
    case tcUtf16: {
      std::wstring units(reinterpret_cast<const wchar_t*>(raw.bytes.data()), raw.bytes.size() / 2);
      converted = Conv.WideToSjis(units.c_str(), FileOrder(Doc), &out);
      break;
    }
    case tcUtf8:
      converted = Conv.Utf8ToSjis(raw.bytes.c_str(), &out);
      break;
    case tcEucJp:
      converted = Conv.EucToSjis(raw.bytes.c_str(), &out);
      break;
    case tcJis:
      converted = JisReadRange(file.get(), range.start, raw.bytes, &out);
      break;
    default:
      out = raw.bytes;
      break;
  }
  file.Close();
  if (!converted) out.clear();
  SelectionLineEnd = rangeread::DominantLineEnd(reinterpret_cast<const unsigned char*>(raw.bytes.data()),
                                                raw.bytes.size(), utf16, Doc.ByteOrder == boBigEndian);
  return out;
}

void TVastrelForm::ShowSelectionStatus() {
  const bool viewSelection = GetSelLength() != 0;
  SelectionBytes = selection::SelectionBytes(Doc.TextCode, Doc.SelLength, viewSelection);
  const bool lineCount = CheckBox8->Checked();
  const int64_t lines = lineCount && SelectionBytes <= EditMaxBytes() ? CountPageLines() : 0;
  Panel3->SetTextW(statustext::SelectionStatusText(lineCount, lines, SelectionBytes, EditMaxBytes()));
}

int TVastrelForm::PositionPanelWidth() {
  // The widest digit in every place of the largest position shown (the
  // viewable size), with its group commas, and the panel's borders and inset.
  TBitmap measure(1, 1);
  measure.Canvas().Font = StatusBar1->Font();
  int digit = 0;
  for (wchar_t d = L'0'; d <= L'9'; ++d) digit = std::max(digit, measure.Canvas().TextWidth(std::wstring(1, d)));
  const size_t places = std::to_wstring(ViewableSizeLimit()).size();
  const int commas = static_cast<int>((places - 1) / 3);
  return digit * static_cast<int>(places) + commas * measure.Canvas().TextWidth(L",") + 12;
}

void TVastrelForm::StatusBar1MouseMove(int x) {
  int right[3] = {0, 0, 0};
  for (int i = 0, edge = 0; i < 3 && i < StatusBar1->PanelCount(); ++i) right[i] = edge += StatusBar1->Panel(i)->Width();
  StatusBar1->Hint = WideToCp932(statustext::StatusBarHint(x, right[0], right[1], right[2]));
  // The bar is one control: its hint changes while the mouse stays on it.
  Application->SetHint(TApplication::GetLongHint(StatusBar1->Hint));
}

// ---- select commands

void TVastrelForm::AllSelMenuClick() {
  if (Doc.FileSize < 0 || !FileCommandsAllowed()) return;
  const selection::FileSelection s = selection::SelectAll(Doc.TextCode, Doc.FileSize, Doc.BomLength);
  Doc.SelStart = s.start;
  Doc.SelLength = s.length;
  ShowPage(false, true, MyTrackBar1->Position());
  ShowSelectionStatus();
}

void TVastrelForm::MaxSelectMenuClick() {
  if (Doc.FileSize < 0 || !FileCommandsAllowed()) return;
  selection::MaxSelectInput in;
  in.code = Doc.TextCode;
  in.bigEndian = Doc.TextCode == tcUtf16 && Doc.ByteOrder == boBigEndian;
  in.loneLineEnds = CheckBox6->Checked();
  in.fileSize = Doc.FileSize;
  in.sel = {Doc.SelStart, Doc.SelLength};
  in.editMaxBytes = EditMaxBytes();
  const int u = selection::UnitSize(Doc.TextCode);
  // The file is opened only when the limit falls inside it.
  fileops::File file;
  DWORD error = 0;
  textio::ReadAt fileRead;
  const selection::ReadAt read = [&](int64_t offset, void* buf, size_t len) -> int64_t {
    if (!file.IsOpen()) {
      if (error) return -1;
      file = fileops::File(OpenForReading(Doc.FilePath));
      if (!file.IsOpen()) {
        error = GetLastError();
        return -1;
      }
      fileRead = FileReader(file.get());
    }
    const int64_t got = fileRead(offset, buf, len);
    if (got < 0) error = GetLastError();
    return got;
  };
  const selection::MaxSelectResult r = selection::SelectUpToEditMax(in, read);
  Doc.SelStart = r.sel.start;
  Doc.SelLength = r.sel.length;
  if (Doc.TextCode == tcJis) JisRangeLength = r.sel.length;
  file.Close();
  if (r.readFailed) {
    ShowMessageWide(SystemErrorTextWide(error));
    return;
  }
  ShowPage(false, false, Doc.SelStart * u);
  ShowSelectionStatus();
}

void TVastrelForm::PageSelMenuClick() {
  if (Doc.FileSize < 0 || !FileCommandsAllowed()) return;
  const int64_t position = MyTrackBar1->Position();
  if (IsWideView()) {
    SendMessageW(CurrentPane, EM_SETSEL, 0, -1);
  } else {
    Memo1->SelectAll();
  }
  CaretOffset = selection::PageBase(Doc.TextCode, position, Doc.BomLength);
  Doc.SelStart = CaretOffset;
  int64_t n = 0;
  switch (Doc.TextCode) {
    case tcShiftJis:
    case tcUtf16:
      n = GetSelLength();
      break;
    case tcUtf8: {
      std::string utf8;
      if (Conv.WideToUtf8(GetTextWide().c_str(), CodeConv::ByteOrder::Little, &utf8)) n = static_cast<int64_t>(utf8.size());
      break;
    }
    case tcEucJp: {
      std::string euc;
      if (Conv.SjisToEuc(GetSelTextNarrow().c_str(), &euc)) n = static_cast<int64_t>(euc.size());
      break;
    }
    case tcJis: {
      // The page's bytes up to the end of its shown text.
      n = JisViewToFile(Memo1->TextLength()) - Doc.SelStart;
      JisRangeLength = n;
      const selection::JisCaret caret = selection::JisCaretState(GetTextNarrow(), 0, true);
      Doc.JisShiftState = caret.shiftState;
      JisRunStart = caret.runStart;
      break;
    }
    default:
      break;
  }
  // The view shows lone line ends as CR LF when the CR/LF box is on (JIS
  // measured the file's bytes already).
  Doc.SelLength = Doc.TextCode == tcJis ? n : n - LineEndCorrection(false);
  ShowSelectionStatus();
}

void TVastrelForm::N23Click() {
  if (Doc.FileSize < 0 || !FileCommandsAllowed()) return;
  if (IsWideView()) {
    const int line = static_cast<int>(SendMessageW(CurrentPane, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0));
    const int l = static_cast<int>(SendMessageW(CurrentPane, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
    if (l < 0) return;
    const std::wstring text = GetTextWide();
    const size_t from = std::min(static_cast<size_t>(l), text.size());
    const size_t p = selection::LengthToLineBreak(text.substr(from));
    SendMessageW(CurrentPane, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(from + p));
  } else {
    const int l = Memo1->LineIndex(-1);
    if (l < 0) return;
    const std::string text = GetTextNarrow();
    const size_t from = std::min(static_cast<size_t>(l), text.size());
    const size_t p = selection::LengthToLineBreak(text.substr(from));
    Memo1->SetSelection(static_cast<int>(from), static_cast<int>(from + p));
  }
  HandleEditMouse(0);
}

// ---- copy and clipboard

void TVastrelForm::Copy1Click(bool fromMenu) {
  std::wstring text = PasteLeadingLineEnd ? L"\r\n" : L"";
  if (fromMenu) {
    if (Doc.FileSize < 0) return;
    if (IsWideView()) {
      text += ReadRangeWide(true, EditMaxBytes());
    } else {
      text += Cp932ToWide(ReadRangeNarrow(true, EditMaxBytes()));
    }
  } else {
    text += GetCaretLineInfo();
  }
  if (text.empty()) return;
  CopyTextToClipboard(text);
  if (fromMenu && IsKeyDown(VK_CONTROL)) {
    SearchText = text.substr(0, 128);
  } else if (!fromMenu && PasteTargetWindow && IsWindow(PasteTargetWindow)) {
    SendCtrlKey(PasteTargetWindow, 'V');
  }
}

bool TVastrelForm::CopyTextToClipboard(const std::wstring& text) {
  return viewerclip::CopyTextToClipboard(Handle(), text);
}

std::wstring TVastrelForm::GetClipboardText() { return viewerclip::GetClipboardText(Handle()); }

void TVastrelForm::ShowInfoBox(HWND owner, const std::wstring& text) {
  MessageBoxWide(text, MessageTitle(), MB_OK | MB_ICONINFORMATION, owner);
}

void TVastrelForm::InstallStatusHandlers() {
  StatusBar1->OnMouseMove = [this](TWinControl*, TShiftState, int x, int) { StatusBar1MouseMove(x); };
  Copy1->OnClick = [this](TMenuItem*) { Copy1Click(true); };
  AllSelMenu->OnClick = [this](TMenuItem*) { AllSelMenuClick(); };
  MaxSelectMenu->OnClick = [this](TMenuItem*) { MaxSelectMenuClick(); };
  PageSelMenu->OnClick = [this](TMenuItem*) { PageSelMenuClick(); };
  N23->OnClick = [this](TMenuItem*) { N23Click(); };
  // Ctrl+A and Ctrl+R in the text views run the same commands.
  ViewCommandHook = [this, next = ViewCommandHook](vastrel::ViewCommand c) {
    if (c == vastrel::ViewCommand::SelectAll) {
      AllSelMenuClick();
    } else if (c == vastrel::ViewCommand::SelectToLineBreak) {
      N23Click();
    } else if (next) {
      next(c);
    }
  };
}
