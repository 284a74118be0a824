// Opening files: the open dialog, the open routine with its code decision,
// forcing a code with the code box, and the caption.
#include <algorithm>
#include <cwctype>

#include "controls/MyTrackBar.h"
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
#include "text/Detect.h"
#include "text/PathText.h"
#include "text/ShellText.h"
#include "viewer/FileAccess.h"
#include "viewer/PathRoutines.h"
#include "viewer/VastrelForm.h"

namespace {

// The selection start that a new code begins with: just after the mark, in
// the code's units (UTF-16 counts units, the others bytes).
int64_t StartAfterMark(const DocumentState& doc) { return doc.TextCode == tcUtf16 ? doc.BomLength / 2 : doc.BomLength; }

// Runs f with the control's click handler held off, so that a state set by the
// program does not run the user's handler half way through an open.
template <class F>
void WithoutClick(TWinControl* c, F f) {
  TNotifyEvent keep = c->OnClick;
  c->OnClick = nullptr;
  f();
  c->OnClick = keep;
}

}  // namespace

// The open dialog's filter: text files, the listed extensions, all files.
std::wstring BuildFileFilter(const std::string& extensionsCp932) {
  return shelltext::BuildFileFilter(Cp932ToWide(extensionsCp932));
}

bool TVastrelForm::ExtensionListed(const std::wstring& path) {
  // A plain substring test of the extension list (".lo" matches ".log").
  return shelltext::ExtensionAccepted(path, Cp932ToWide(Settings.OpenExtensions));
}

bool TVastrelForm::OpenIfListedExt(const std::wstring& path) {
  if (!ExtensionListed(path)) return false;
  return OpenFile(path);
}

void TVastrelForm::Open1Click() {
  SetTextModified(false);
  // Outside UnicodeMode the dialog offers the plain text filter of the narrow dialog.
  const std::wstring filter = UnicodeMode ? BuildFileFilter(Settings.OpenExtensions)
                                          : std::wstring(L"テキスト(*.txt)\r\n*.txt\r\n全てのファイル(*.*)\r\n*.*");
  const std::wstring path = FileDialog(Handle(), std::wstring(), 0, false, std::wstring(), filter, LastFolder);
  if (path.empty()) return;
  CheckBox1->SetChecked(true);
  Application->ProcessMessages();
  OpenFile(path);
}

int TVastrelForm::DetectTextCode(HANDLE file) {
  const int64_t size = fileops::Files().Size(file);
  // The counting scans run under the hourglass.
  return detect::DetectTextCode(FileReader(file), size, Settings.DetectSizeMB, &Doc.ByteOrder, nullptr,
                                [](bool busy) { Screen->SetCursor(busy ? crHourGlass : crDefault); });
}

bool TVastrelForm::OpenFile(const std::wstring& path) {
  // The file is opened first: when it cannot be, nothing of the open
  // document changes (its page, code, size and paths stay together).
  fileops::File file(OpenForReading(path));
  if (!file.IsOpen()) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    return false;
  }

  // 1-3: leave the previous document.
  Doc.BackupPath.clear();
  BookmarkNamesAtBackup.clear();
  if (Doc.BookmarksChanged) ConfirmBookmarkList(true, true);
  if (Doc.LineListChanged) SaveOrLoadLineList(true, true);
  Doc.FilePath = path;
  Doc.SelStart = 0;
  Doc.SelLength = 0;
  Doc.HasBom = false;
  Doc.JisShiftState = 0;
  Panel2->SetVisible(false);
  BockListBox1->Items().Clear();
  Doc.BookmarksChanged = false;
  Doc.LineListChanged = false;
  LineIndexNewDocument();

  // 5: the first bytes.
  uint8_t head[detect::kHeadBytes] = {};
  DWORD got = 0;
  SeekFile64(file.get(), FILE_BEGIN, 0);
  if (!fileops::ReadFully(file.get(), head, sizeof head, &got)) got = 0;
  Doc.ByteOrder = boLittleEndian;
  Doc.BomLength = 0;
  Doc.TextCode = tcShiftJis;

  // 6: watching stops; the new file is the one of backups and watching.
  if (ChkSpBtn->Down()) {
    ChkSpBtn->SetDown(false);
    ChkSpBtnClick();
  }
  Doc.BackupOffered = false;
  WatchPath = path;
  LastFolder = pathtext::ExtractDriveDirWide(path);

  // 7: the CSV box only for ".csv" files.
  const bool csv = shelltext::LowerExtension(path) == L".csv";
  CheckBox7->SetEnabled(csv);
  if (!csv && CheckBox7->Checked()) {
    WithoutClick(CheckBox7, [&] { CheckBox7->SetChecked(false); });
    if (N24->Checked()) N24->SetChecked(false);
    // What the CSV view changed goes back: the memo's window (hidden behind
    // the list view; the new file's view is chosen below), the captions, the
    // number column's rows.
    if (Memo1->Visible() && Memo1->HandleAllocated() && !IsWindowVisible(Memo1->Handle())) {
      ShowWindow(Memo1->Handle(), SW_SHOWNA);
    }
    ListView1->SetShowColumnHeaders(false);
    ListBox1->SetItemHeight(-ListBox1->Font().Height());
  }
  if (CsvHeaderList) CsvHeaderList->Clear();
  ClearCsvView();
  ListView1->SetVisible(CheckBox7->Enabled() && CheckBox7->Checked());

  // 8: the code.
  int result = detect::kDetectNothing;
  if (got >= 2) {
    const detect::StartDecision start = detect::DecideByStart(head, got);
    if (start.decided) {
      Doc.TextCode = start.textCode;
      Doc.ByteOrder = start.byteOrder;
      Doc.BomLength = start.bomLength;
      Doc.HasBom = start.hasBom;
    } else if (Settings.AutoDetectCode) {
      result = DetectTextCode(file.get());
      Doc.TextCode = detect::TextCodeOfResult(result);
    }
  }

  // 9: the code and byte-order boxes, the caption.
  ComboBox2->SetEnabled(Doc.TextCode == tcUtf16);
  ComboBox2->SetItemIndex(Doc.ByteOrder);
  file.Close();
  UpdateCaption(result);
  ComboBox1->SetItemIndex(Doc.TextCode);

  // 10: the view of the code.
  const bool memo = ShowViewOfCode(true);

  // 11: paging starts over.
  NulNoticeArmed = true;
  LastLineStart = 0;
  Doc.FirstLineNumber = 0;
  CurrentLine = -1;
  {
    TNotifyEvent keep = MyTrackBar1->OnChange;
    MyTrackBar1->OnChange = nullptr;
    MyTrackBar1->SetPosition(0);
    MyTrackBar1->OnChange = keep;
  }
  LineNumbersStale = false;
  CsvHeaderTaken = false;
  ShowPage(true, false, 0);

  // 12: the CSV view, when it is on, was filled by the page display.
  if (CsvViewOn()) {
    SetTextViewShown(false);
    WidenCsvView();
  }
  // 13: the file's stored bookmarks.
  if (LoadBookmarkList(true)) SpeedButton5->SetEnabled(ConfirmBookmarkList(false, Settings.ConfirmBookmarkLoad) == 1);
  // 14: the number column is shown again for the new page.
  if (ListBox1->Visible()) {
    ListBox1->SetWidth(25);
    Application->ProcessMessages();
    RedrawTextView(true);
    ListBox1->Invalidate();
  }
  // 13: a bookmark may be set on the new file.
  SpeedButton4->SetEnabled(true);

  // 15: a running index build of the previous file is told to stop; its
  // records and the jump list go.
  if (!LineThreadIdle) CancelLineThread();
  ClearLineList();
  ListBox2->Items().Clear();
  ListBox2->SetHeight(30);
  JumpListHeight = 30;
  FitBookmarkPanelLists();
  // 16: a stored line list is loaded, or with AutoLineList a build starts
  // when LineThreadIdle (a build just told to stop keeps it false until its
  // end handler ran, so this open then starts none).
  if (HasLineNumberList()) {
    SaveOrLoadLineList(false, Settings.ConfirmBookmarkLoad);
    AskLineListUpdate();
  } else if (Settings.AutoLineList && LineThreadIdle) {
    StartLineCount(Doc.FilePath);
  }

  // 17: the view takes the keyboard.
  FocusViewOfCode(memo);
  return true;
}

void TVastrelForm::ComboBox1Change() {
  const int chosen = ComboBox1->ItemIndex();
  auto keepBox = [&] { ComboBox1->SetItemIndex(Doc.TextCode); };
  if (Doc.FilePath.empty() || chosen < 0) {
    keepBox();
    return;
  }
  fileops::File file(OpenForReading(Doc.FilePath));
  if (!file.IsOpen()) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    keepBox();  // the code in force stays in the box
    return;
  }
  uint8_t head[detect::kHeadBytes] = {};
  DWORD got = 0;
  if (!fileops::ReadFully(file.get(), head, sizeof head, &got) || got == 0) {
    keepBox();
    return;
  }
  Doc.ByteOrder = boLittleEndian;
  Doc.BomLength = 0;
  switch (chosen) {
    case tcUtf16:
      Doc.TextCode = tcUtf16;
      if (got >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
        Doc.BomLength = 2;
      } else if (got >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
        Doc.BomLength = 2;
        Doc.ByteOrder = boBigEndian;
      }
      break;
    case tcUtf8:
      Doc.TextCode = tcUtf8;
      if (got >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) Doc.BomLength = 3;
      break;
    default:
      Doc.TextCode = chosen;
      break;
  }
  ComboBox2->SetEnabled(Doc.TextCode == tcUtf16);
  ComboBox2->SetItemIndex(Doc.ByteOrder);
  file.Close();
  UpdateCaption(0);
  const bool memo = ShowViewOfCode(false);
  ShowPage(false, true, 0);
  FocusViewOfCode(memo);
}

bool TVastrelForm::ShowViewOfCode(bool clear) {
  WithoutClick(CheckBox2, [&] { CheckBox2->SetChecked(false); });
  Memo1->SetWordWrap(false);
  const bool memo = !IsWideView();
  if (memo) {
    Memo1->SetVisible(true);
    if (clear) ClearTextControl();
    if (CurrentPane && IsWindowVisible(CurrentPane)) ShowWindow(CurrentPane, SW_HIDE);
  } else {
    Memo1->SetVisible(false);
    if (IsWindowVisible(WrappedPane)) ShowWindow(WrappedPane, SW_HIDE);
    if (!IsWindowVisible(UnwrappedPane)) {
      CurrentPane = UnwrappedPane;
      ShowWindow(UnwrappedPane, SW_SHOW);
    }
    if (clear) ClearTextControl();
  }
  Doc.SelStart = StartAfterMark(Doc);
  Panel5Resize();
  return memo;
}

void TVastrelForm::FocusViewOfCode(bool memo) {
  if (memo) {
    if (Memo1->CanFocus()) Memo1->SetFocus();
  } else if (CurrentPane) {
    ::SetFocus(CurrentPane);
  }
}

void TVastrelForm::UpdateCaption(int detectResult) {
  std::wstring label;
  switch (Doc.TextCode) {
    case tcUtf16:
      label = L"Unicode";
      if (Doc.ByteOrder == boBigEndian) label += L" big";
      label += Doc.BomLength == 2 ? L" Bom 有り" : L" Bom 無し";
      label += L" > ";
      break;
    case tcUtf8:
      label = std::wstring(L"UTF8 ") + (Doc.BomLength == 3 ? L"Bom 有り" : L"Bom 無し") + L"> ";
      break;
    case tcEucJp:
      label = L"EUC > ";
      break;
    case tcJis:
      label = L"JIS > ";
      break;
    default:
      if (detectResult == detect::kDetectSjis) label = L"SJIS > ";
      break;
  }
  CodeLabel = label;
  if (UnicodeMode) {
    FrameLabelText = L"  [ " + label + pathtext::ExtractNameWide(Doc.FilePath) + L" ]";
    PaintCaptionLabel(FrameActive);
  } else {
    const std::string title = Application->Title().empty() ? std::string("Vastrel") : Application->Title();
    SetText(title + " [ " + WideToCp932(label) + WideToCp932(pathtext::ExtractNameWide(Doc.FilePath)) + " ]");
  }
}

void TVastrelForm::RefreshPage(bool showNotices, bool linePosition, int64_t position) {
  ShowPage(showNotices, linePosition, position);
  if (!IndexHandOver) UpdateLineNumbers();
}

void TVastrelForm::InstallOpenHandlers() {
  Open1->OnClick = [this](TMenuItem*) { Open1Click(); };
  ComboBox1->OnChange = [this](TWinControl*) { ComboBox1Change(); };
}
