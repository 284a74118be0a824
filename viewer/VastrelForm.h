// The main window: owner of the open document, its views and every handler of
// the viewer. One class; its methods live in several files by role
// (VastrelForm.cpp: construction, layout, life cycle, window procedure;
// FormOpen.cpp: opening files; FormPage.cpp: page display; and so on).
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "dialogs/AboutDialog.h"
#include "dialogs/MainWindowServices.h"
#include "engine/LineIndex.h"
#include "framework/Form.h"
#include "text/Selection.h"
#include "viewer/CodeConv.h"
#include "viewer/DocumentState.h"
#include "viewer/Settings.h"
// Scrolling and stepping (FormScroll.cpp)
#include <memory>
#include "viewer/KeyCommands.h"
#include "viewer/Stepper.h"
#include "viewer/WorkGuard.h"
#include "engine/TailMover.h"
#include "text/JisEdit.h"
#include "text/JisWrite.h"
#include "text/CsvView.h"

class TPanel;
class TMemo;
class TListView;
class TListItem;
class TListBox;
class TComboBox;
class TCheckBox;
class TSpeedButton;
class TUpDown;
class TEdit;
class TNumberEdit;
class TStatusBar;
class TSplitter;
class TStaticText;
class TImageList;
class TMainMenu;
class TPopupMenu;
class TMenuItem;
class TTimer;
class TStrings;
class TBitmap;
class TStringList;
class TThread;
class TMyTrackBar;
class TNewTrackBar;
class TColorProgressBar;
class TUpdateThread;
class TShellLink;
class TGyoThread;
class IniStore;
namespace dialogs {
class MainWindowServices;
}


class TVastrelForm : public TForm {
 public:
  explicit TVastrelForm(TForm* owner = nullptr);
  ~TVastrelForm() override;

  // ---- test seams
  // The folder taken as the program's folder (with a trailing backslash);
  // empty: the folder of the running module.
  static std::wstring ProgramFolderOverride;
  // The system level decided at construction; -1: from the running system.
  static int SystemLevelOverride;
  // The command line's arguments (argument 0 is the program); empty: the real ones.
  static std::vector<std::wstring> ArgumentsOverride;

  // ---- controls
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem *File1 = nullptr, *Open1 = nullptr, *Paste1 = nullptr, *N17 = nullptr, *Exit1 = nullptr;
  TMenuItem *E1 = nullptr, *Undo1 = nullptr, *EditMenu = nullptr, *AllSelMenu = nullptr, *MaxSelectMenu = nullptr,
            *PageSelMenu = nullptr, *N23 = nullptr, *Find2 = nullptr, *FindNext2 = nullptr, *N22 = nullptr,
            *N3 = nullptr;
  TMenuItem *BookMenu = nullptr, *N5 = nullptr, *N13 = nullptr, *N11 = nullptr, *List1 = nullptr;
  TMenuItem *ToolMenu = nullptr, *N26 = nullptr, *N15 = nullptr, *N16 = nullptr, *N31 = nullptr, *N27 = nullptr,
            *N29 = nullptr, *N30 = nullptr, *N24 = nullptr, *ToolPrsMenu = nullptr, *Option1 = nullptr;
  TMenuItem *HelpMenu = nullptr, *Help1 = nullptr, *N4 = nullptr, *N32 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;  // text view
  TMenuItem *Copy1 = nullptr, *Delete1 = nullptr, *Edit1 = nullptr, *PopN5 = nullptr;
  TPopupMenu* PopupMenu2 = nullptr;  // bookmark list
  TPopupMenu* PopupMenu3 = nullptr;  // CSV view
  TMenuItem* Copy2 = nullptr;
  TPopupMenu* PopupMenu4 = nullptr;  // jump list
  TImageList* ImageList1 = nullptr;

  TPanel* ToolPanel = nullptr;   // the tool row above the text
  TSpeedButton *SpeedButton6 = nullptr, *SpeedButton4 = nullptr, *SpeedButton5 = nullptr, *SpeedButton7 = nullptr;
  TSpeedButton* ChkSpBtn = nullptr;  // watch the file
  TNewTrackBar* NewTrackBar1 = nullptr;
  TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr;
  TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox6 = nullptr, *CheckBox7 = nullptr,
            *CheckBox8 = nullptr;
  TStaticText* StaticText1 = nullptr;  // step multiplier
  TNumberEdit *EditMaxEdit = nullptr, *PageSizeEdit = nullptr;
  TUpDown *UpDown1 = nullptr, *UpDown2 = nullptr;

  TPanel* Panel5 = nullptr;  // the page panel: memo, list view, the wide panes
  TPanel* Panel6 = nullptr;  // beside the panes in Panel5 (line numbers)
  TMemo* Memo1 = nullptr;
  TListView* ListView1 = nullptr;
  TListBox* ListBox1 = nullptr;  // line-number column

  TPanel* Panel2 = nullptr;  // bookmark panel
  TPanel* Panel4 = nullptr;  // its header
  TCheckBox *CheckBox3 = nullptr, *CheckBox4 = nullptr, *CheckBox5 = nullptr;
  TSpeedButton* BookCloseBtn = nullptr;
  TListBox* BockListBox1 = nullptr;
  TSplitter* Splitter1 = nullptr;
  TListBox* ListBox2 = nullptr;  // jump list

  TPanel* SliderPanel = nullptr;
  TSpeedButton *SpeedButton1 = nullptr, *SpeedButton3 = nullptr;  // step back, forward
  TMyTrackBar* MyTrackBar1 = nullptr;
  TPanel* WorkPanel = nullptr;  // progress of long work
  TColorProgressBar *ColorProgressBar1 = nullptr, *ColorProgressBar2 = nullptr;
  TSpeedButton* SpeedButton2 = nullptr;  // "中止"
  TPanel* Panel3 = nullptr;              // selection size
  TStatusBar* StatusBar1 = nullptr;

  TTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr, *Timer4 = nullptr, *Timer5 = nullptr;

  // ---- state
  DocumentState Doc;
  CodeConv Conv;  // the code conversions, with this window's substitute and list
  ViewerSettings Settings;
  TAboutDialog AboutDialog1;  // the version box (FormAbout.cpp)
  StorePaths Paths;
  std::wstring LastFolder;
  int SystemLevel = 5;
  bool UnicodeMode = true;
  bool HasQueryFullProcessImageName = false;
  bool SendToLink = false;
  int HScrollBarHeight = 0;
  bool UsedOldMessageFilter = false;
  // Long work: cleared while an insertion, deletion or edit write-back runs.
  bool WorkIdle = true;
  bool StopRequested = false;
  bool ConfirmStop = false;
  std::wstring WatchPath;

  HWND UnwrappedPane = nullptr, WrappedPane = nullptr, CurrentPane = nullptr;
  WNDPROC UnwrappedPaneProc = nullptr, WrappedPaneProc = nullptr;
  WNDPROC Panel5PrevProc = nullptr, Memo1PrevProc = nullptr, ListView1PrevProc = nullptr;
  HBRUSH PaneBrush = nullptr;

  TStringList* CsvHeaderList = nullptr;  // the CSV view's captions, from the file's first line
  engine::CheckpointList* LineCheckpointList = nullptr;  // the open file's line index
  TUpdateThread* WatchThread = nullptr;
  TGyoThread* LineThread = nullptr;  // the running line-index build, if any
  bool LineThreadIdle = true;
  // A search or whole-file conversion runs (they leave WorkIdle set).
  bool LongWorkRunning = false;

  int64_t SliderPressPosition = -1;
  int LinesPerStep = 1;
  int StepMultiplier = 1;
  TColor LatchColour = clBtnFace;

  // ---- life cycle (VastrelForm.cpp)
  void FormCreate(TWinControl* sender);
  void FormShow(TWinControl* sender);
  void FormCloseQuery(TWinControl* sender, bool& canClose);
  void FormDestroy(TWinControl* sender);
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

  // The second start's hand-over: whether a file list may be opened now (no
  // modal window of ours open, no long work running).
  bool CanTakeHandOver();
  // Opens a handed-over or dropped path when its extension is accepted.
  void OpenDroppedPath(const std::wstring& path);
  // The hand-over of another copy: a quick check of the first listed path;
  // when it can be opened it is kept and its opening posted (true).
  bool TakeHandOver(const std::wstring& path);
  void OpenPendingHandOver();
  std::wstring PendingHandOver;
  static constexpr UINT kOpenHandOverMessage = WM_APP + 0x0E1;
  static constexpr UINT_PTR kHandOverRetryTimer = 0x0E1;
  // Allows (or resets) the drop messages for a window of a lower integrity level.
  bool AllowDropMessages(HWND window, bool allow);
  // The command line's arguments, argument 0 being the program.
  std::vector<std::wstring> Arguments();
  // The one path joined from the arguments from index 1 on (the first copy).
  std::wstring JoinParamPath(int startIndex);

  // The store layer of bookdata.ini and gyolist.ini.
  IniStore& Store();

  // ---- text views (FormViews.cpp)
  // Every selection, caret and line operation goes through these: the current
  // wide pane for TextCode 1 and 2, Memo1 otherwise. Positions are characters
  // of the view (UTF-16 units in a pane, code page 932 bytes in the memo).
  bool IsWideView() const { return Doc.TextCode == tcUtf16 || Doc.TextCode == tcUtf8; }
  bool IsTextModified();
  void SetTextModified(bool modified);
  void SetTextWide(const std::wstring& text);
  void SetTextNarrow(const std::string& text);
  void SetSelection(int64_t start, int64_t end);
  int64_t GetSelStart();
  int64_t GetSelLength();
  int GetLineCount();
  void ClearTextControl();
  int64_t GetTextLength(bool measureUtf8);
  int GetEditHeight();
  std::wstring GetTextWide();
  std::string GetTextNarrow();
  void MoveSelStart(int64_t start);
  void SetSelLengthEx(int64_t length);
  // false: the view is disabled for long work (and loses the focus).
  void SetTextReadOnlyStyle(bool enabled);
  std::wstring GetSelTextWide();
  std::string GetSelTextNarrow();
  std::wstring GetLineTextWide(int line);
  // Characters that fit the view, measured with the view's font; CharsPerLine
  // is stored on the way.
  int64_t CharsPerPageNarrow(const std::string* text);
  int64_t CharsPerPageWide();
  int CharsPerLine = 0;
  bool AllowNextErase = false;
  // Wrap switching (the "改行" box) and fitting the current pane to Panel5.
  void CheckBox2Click();
  void Panel5Resize();
  // Shows `pane` (one of the two wide panes) in place of the other and makes
  // it current; the keyboard focus goes with it when the other one had it.
  void ShowPaneInstead(HWND pane);

  // ---- page display (FormPage.cpp)
  void ShowPage(bool showNotices, bool linePosition, int64_t position);

  // ---- text-view procedures (FormViews.cpp): the panes', the page
  // panel's, the memo's and list view's wheel, and the key routing.
  LRESULT PaneWndProc(HWND pane, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Panel5WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT WheelWndProc(HWND h, WNDPROC previous, UINT msg, WPARAM wp, LPARAM lp);
  void RouteKeyMessage(MSG& msg, bool& handled);
  void InstallViewHooks();

  // ---- handlers owned by other roles, called from the views. Until their
  // role's file defines them, FormPending.cpp holds empty stand-ins: whoever
  // builds one removes its stand-in there.
  void HandlePaneKeyDown(WORD key);
  void HandleKeyUp(WORD key);
  void UpdateFileSelection(WPARAM keyFlags);
  void StepPosition(bool back);
  void Memo1KeyDown(WORD& key, TShiftState shift);
  void SpeedButton6Click();
  void RedrawTextView(bool force);
  // Later features called by the status, selection and frame handlers.
  void HandleEditMouse(WPARAM keyFlags);
  int64_t CountPageLines();
  std::wstring GetCaretLineInfo();
  void SendCtrlKey(HWND window, char key);
  void N4Click();

  // ---- opening (FormOpen.cpp)
  // Opens path when its lower-cased extension occurs in OpenExtensions.
  bool OpenIfListedExt(const std::wstring& path);
  // Whether the lower-cased extension of path occurs in OpenExtensions (the
  // one extension test of every way a file is opened).
  bool ExtensionListed(const std::wstring& path);
  // True when the file could be opened (the document is then the new file).
  bool OpenFile(const std::wstring& path);

  // ==== Opening, code detection and page display (FormOpen.cpp, FormPage.cpp)
  int64_t RealFileSize = -1;      // the file's real size (Doc.FileSize may be capped)
  std::wstring CodeLabel;         // the code label of the frame label / caption
  std::wstring FrameLabelText;    // under UnicodeMode: "  [ label name ]", painted by the frame
  bool NulNoticeArmed = false;    // the NUL notice comes once per opened file
  int64_t LastLineStart = 0;      // last line start found by a forward scan
  int64_t LastPageStart = 0;      // page start (UTF-16 units for code 1) shown last
  int64_t CurrentLine = -1;
  bool LineNumbersStale = false;
  bool ShortPage = false;
  bool MovingBack = false, MovingForward = false;  // direction of the slider move (scrolling sets them)
  bool SearchHit = false;         // the page shows a search hit: scroll its caret into view
  bool ViewHasSelection = false;  // the view showed a selection after the last page display
  bool ForceWatchTick = false;
  int64_t LastShownPosition = -1;
  bool CsvHeaderTaken = false;
  int ShownMarkUnits = 0;         // mark units at the page start that the view does not show
  // The page begins at the position itself, which is a line start already (the
  // line steps of Page Up and Page Down); no line-start scan.
  bool ExactPageStart = false;
  // Where each line of the shown page begins: its index in the view and its
  // byte offset in the file (a line break of the view in the file: CR LF, a
  // lone CR or a lone LF). PageEndOffset: the file offset where the shown text ends.
  struct PageLine {
    int64_t view;
    int64_t file;
  };
  std::vector<PageLine> PageLines;
  int64_t PageEndOffset = 0;
  // The distance of two lines in the text views (the memo's font).
  int LinePitch();
  // The last pitch measured and the font it was measured for.
  LOGFONTW PitchFont = {};
  int PitchOfFont = 0;
  // The file offset (bytes) of a character index of the view's text.
  int64_t ViewIndexToFileOffset(int64_t index);
  // Line steps: the start of the view's last line on screen (Page Down: the
  // next page begins with it), and the start of the page whose last line is
  // the shown page's first (Page Up); each a byte offset.
  int64_t PageDownTarget();
  int64_t PageUpTarget();
  // position moved back so that it does not cut a character of the file's code.
  int64_t CharBoundaryAtOrBefore(HANDLE file, int64_t position);
  // The start of the last page that can be shown (one that begins before
  // lastStart, the slider's usable maximum): the start of the line that holds
  // the byte before lastStart when the page from there reaches the end, else
  // the character boundary before lastStart.
  int64_t LastShowablePageStart(HANDLE file, int64_t lastStart, int64_t pageBytes);
  // Page Up in the wrap mode: the first start at or after `from` whose page
  // brings the line at firstLine on screen.
  int64_t FitWrappedPageBefore(int64_t from, int64_t firstLine);
  // The lines of the view on screen: the first and how many fit.
  int FirstVisibleLine();
  int VisibleLineCount();

  void Open1Click();
  void ComboBox1Change();
  int DetectTextCode(HANDLE file);
  void UpdateCaption(int detectResult);
  // After a change of code: the wrap box off, and the memo (narrow codes) or
  // the unwrapped pane (wide view) shown and the other hidden, emptied first
  // with clear; the selection starts after the mark and the pane is fitted.
  // True when the memo is the view.
  bool ShowViewOfCode(bool clear);
  // The view that ShowViewOfCode showed takes the keyboard.
  void FocusViewOfCode(bool memo);
  void RefreshPage(bool showNotices, bool linePosition, int64_t position);
  int LinesPerPage();
  // Lone line ends before the caret (mode true) or inside the selection's
  // lines (mode false) of the page at offset; -1 on failure.
  int64_t CountLinesToCaret(int64_t offset, bool mode);
  // Connects the open menu item and the code box (from the create handler).
  void InstallOpenHandlers();

  // Shared text and string-list routines (FormTextLists.cpp); the dialogs
  // call them through VastrelForm. Items carry UTF-16 texts as wide objects
  // owned by the list (framework/StringList.h).
  const wchar_t* WidePtr(const std::wstring& text);
  // The n-th character (1-based); the shared empty text outside 1..length.
  const wchar_t* WideCharAt(const std::wstring& text, int n);
  wchar_t* NewWideObject(const std::wstring& text);
  void FreeItemObject(TStrings& list, int index, bool deleteItem);
  void FreeItemObjects(TStrings& list, bool deleteItems);
  // Index of the first item whose key (ItemKey of text/TextLists.h) is key; -1 when none.
  int FindItemWide(TStrings& list, const std::wstring& key);
  void SplitLines(TStrings& list, const std::wstring& text, bool skipEmpty, bool clearFirst);
  std::wstring JoinLines(TStrings& list);
  // Length of text in the open file's code; changes nothing of the conversions' state.
  int64_t EncodedLength(const std::wstring& text);
  // The bitmap 16 x 16 filled with colour, with image imageIndex of ImageList1 on it.
  void MakeGlyphBitmap(TBitmap& bitmap, int imageIndex, TColor colour);
  // ==== end of opening and page display

  // ---- status and selection (FormStatus.cpp)
  int64_t SelectionBytes = 0;     // byte size of the selection as last shown (0: none in the view)
  int SelectionLineEnd = 0;       // dominant line end of the last range read: 0 CR LF, 1 CR, 2 LF
  int NulCount = 0;               // NUL units the last range read replaced by 0x01
  int64_t JisRangeLength = 0;     // JIS: byte length of the range with its escape bytes
  bool JisRunStart = false;       // JIS: the caret stands on the first character of a run
  int64_t CaretOffset = 0;        // absolute offset of the caret (file units)
  std::wstring SearchText;        // the search text
  HWND PasteTargetWindow = nullptr;  // window that the paste hand-off sends Ctrl+V to
  bool PasteLeadingLineEnd = false;  // the hand-off puts CR LF before the copied text
  // Edit Max in bytes (UpDown1's megabytes).
  int64_t EditMaxBytes();
  // The selection read from the file: UTF-16 (codes 1 and 2) or code page 932.
  // cap 0: no cap (a fixed ceiling still holds). An empty text after a message
  // when the range is too large to read at once or memory runs out.
  std::wstring ReadRangeWide(bool hourglass, int64_t cap);
  std::string ReadRangeNarrow(bool hourglass, int64_t cap);
  void ShowSelectionStatus();
  void StatusBar1MouseMove(int x);
  // Status panel 1's width: room for the largest position the bar shows.
  int PositionPanelWidth();
  // fromMenu false: the paste hand-off (the caret line's text).
  void Copy1Click(bool fromMenu);
  void AllSelMenuClick();
  void MaxSelectMenuClick();
  void PageSelMenuClick();
  void N23Click();
  bool CopyTextToClipboard(const std::wstring& text);
  std::wstring GetClipboardText();
  void ShowInfoBox(HWND owner, const std::wstring& text);
  void InstallStatusHandlers();

  // ---- frame, menus and timers (FormFrame.cpp)
  RECT CaptionLabelRect = {};     // where the frame label is drawn (window coordinates)
  TCanvas CaptionCanvas;          // attached to a fresh window DC for each label paint
  int MenuBarEnd = 0;             // right edge of the menu bar's last item
  bool FrameActive = true;        // the activation state last given by WM_NCACTIVATE
  TColor CaptionFontColour = clBlack;  // colours of the last label paint
  TColor CaptionPenColour = clBlack;
  LRESULT HandleNcActivate(WPARAM wp, LPARAM lp);
  LRESULT HandleNcPaint(WPARAM wp, LPARAM lp);
  void PaintCaptionLabel(bool active);
  // Draws the label on dc (the window DC, or a test's bitmap).
  void DrawCaptionLabel(HDC dc, bool active);
  void N32DrawItem(HDC dc, const RECT& rect);
  bool HasLines();
  bool FileExists();
  void File1Click();
  void E1Click();
  void PopupMenu1Popup();
  void Exit1Click();
  void FormResize();
  void StaticText1Click();
  void StaticText1MouseDown(TMouseButton button);
  void CheckBox8Click();
  void Timer3Timer();
  bool GetOptionFlag() { return Settings.ReduceFlicker; }
  static TColor BlendColor(TColor a, TColor b, int w);
  static TColor SysColorToRgb(TColor c);
  static std::wstring NormalizePath(const std::wstring& path);
  LRESULT FrameWndProc(UINT msg, WPARAM wp, LPARAM lp);
  WNDPROC FramePrevProc = nullptr;
  void InstallFrameHandlers();

  // ==== Scrolling, stepping, keyboard navigation, caret to file offsets (FormScroll.cpp)
  // vastrel::Stepper drives the slider, the step buttons with Timer1/Timer2 and
  // their latch, the page keys and the wheel; the state it shares with the page
  // display stays in MovingBack, MovingForward, LineNumbersStale, LinesPerStep and
  // StepMultiplier. InstallStepping connects the controls (once).
  void InstallStepping();
  vastrel::Stepper& Stepping();
  // The long-work guard: file commands run only while it is idle (and WorkIdle
  // is set and no search or conversion runs).
  vastrel::WorkGuard Work;
  bool FileCommandsAllowed();
  // The main window's WM_MOUSEWHEEL: one byte, or with Ctrl a page length.
  void WheelScroll(bool awayFromUser, bool ctrl);
  void FocusTextView();
  void DrawStepGlyph(bool forward, bool latchedImage, uint32_t background);
  // The view's text before index (or the range) measured in the file's code:
  // UTF-16 units, UTF-8, EUC-JP or JIS bytes, memo bytes.
  int64_t ViewMeasure(int64_t index);
  int64_t ViewMeasureRange(int64_t start, int64_t length);
  // Lone line ends that the view shows as CR LF (0 with the CR/LF switch off).
  int64_t LineEndCorrection(bool caretForm);
  // A caret of the view (view units) as a file offset on the page shown.
  int64_t ViewCaretToFile(int64_t caret);
  // The view's range from caret over viewLength units as a file offset and
  // byte length (at least 0), both line-end corrections applied.
  selection::FileSelection ViewRangeToFile(int64_t caret, int64_t viewLength);
  // A Shift selection: the file selection extended to `to`, the page shown again.
  void ExtendFileSelection(const selection::FileSelection& to);
  void SetCaretOffset(int64_t index, int64_t extra, int64_t length);
  int64_t CaretToSelStartWide();
  int64_t CaretToSelStartNarrow();
  void ShowPageInPlace();
  void Memo1MouseDown(TMouseButton button, TShiftState shift);
  void Memo1MouseUp(TMouseButton button, TShiftState shift);
  void Memo1KeyUp(WORD& key, TShiftState shift);
  int64_t PaneCaretIndex();
  void RunViewCommand(const vastrel::KeyDecision& d);
  void DeleteOrBackspace(bool backspace);
  // EUC-JP: the length of the file's character before (or at) SelStart; 0 unknown.
  int EucFileCharLength(bool before);
  void InsertTypedText(const std::wstring& text, bool moveCaret);
  // Features of other roles that these paths start; empty: nothing happens.
  std::function<void(vastrel::ViewCommand)> ViewCommandHook;  // F3, Ctrl+O/A/F/R/E
  std::function<void()> LineNumbersAfterPageHook, UpdateLineNumbersHook;
  std::function<bool()> IndexHandOverHook;
  class ScrollView;
  struct ScrollParts;
  std::shared_ptr<ScrollParts> scrollParts_;
  // ==== end of scrolling, stepping, keyboard navigation

  // ==== Typed edits in place and the long-work frame (FormTyping.cpp)
  // Where Find Next starts; set with SelStart by the caret routines and edits.
  int64_t LastSelStart = 0;
  // The long-work frame of insertion, deletion and the edit write-back: false
  // before the work (begins the guard's job; false returned, and nothing done,
  // when other work runs), true after it (ends the job). Disables the view and
  // Open1 and clears WorkIdle (so a close is refused) while the work runs.
  bool EnableMenusForWork(bool on, vastrel::WorkGuard::Job job = vastrel::WorkGuard::Job::Insert);
  // The abort button: asks first while ConfirmStop is set, then sets StopRequested.
  void SpeedButton2Click();
  // Inserts text, encoded in the file's code, at offset (file units). Nothing
  // happens outside [mark, size]; a failure is shown and leaves the file as it
  // was. True when the file changed.
  bool InsertTextIntoFile(const std::wstring& text, int64_t offset);
  // The same with bytes already in the file's code, at a byte offset.
  bool InsertBytesIntoFile(const std::string& bytes, int64_t byteOffset);
  // Replaces oldLength bytes at byteOffset by bytes (both in the file's code),
  // within [mark, size]. True when the file changed.
  bool ReplaceBytesInFile(int64_t byteOffset, int64_t oldLength, const std::string& bytes);
  // Removes length units at offset (file units), within [mark, size). key
  // VK_BACK or VK_DELETE: a one-character deletion, which takes a CR LF pair
  // whole; any other key removes exactly the range. True when the file changed.
  bool DeleteFileRange(int64_t length, WORD key, int64_t offset);
  // The tail move inside the frame (the guard's job, view disabled, progress
  // bar and abort button shown, hourglass), on an open handle. Refused without
  // a message when other work runs.
  engine::TailMoveOutcome MoveTail(HANDLE h, int64_t start, int64_t oldLength, const std::string& bytes,
                                   vastrel::WorkGuard::Job job);
  // One message for an outcome that is not done (none after an abort that was
  // put back): the system's error text, or the damaged range and where the
  // original bytes and the backup are.
  void ReportTailMove(const engine::TailMoveOutcome& outcome);
  // What ReportTailMove says of an outcome (empty: nothing to say).
  std::wstring TailMoveText(const engine::TailMoveOutcome& outcome);
  // The folder of the journal of in-place work (the data folder).
  std::wstring JournalFolder() const;
  // The message of an operation refused because its journal cannot be written.
  static std::wstring JournalFailureText(DWORD error);
  // At start, before any file is opened: the operations that the program's
  // death cut short are finished or undone from their journals, one message
  // for each file.
  void RecoverInterruptedWork();
  // After an edit that changed the file's length by delta bytes at pivot
  // (insertion of n at p: delta n, pivot p; deletion of [p, p + n): delta -n,
  // pivot p + n): the bookmark entries' offsets at or after the pivot move by
  // delta, those inside a removed range move to its start; BookmarksChanged is
  // set when one moved. Byte values; halved for UTF-16 files.
  void ShiftBookmarkOffsets(int64_t delta, int64_t pivot);
  // The bookmark names when the backup was made (kept shifted along with the
  // entries: first, the name now; second, the name at the backup); Undo puts
  // the backup's names back on the entries that still exist.
  std::vector<std::pair<std::wstring, std::wstring>> BookmarkNamesAtBackup;
  void KeepBookmarkNamesAtBackup();
  void RestoreBookmarkNamesAfterUndo();
  // The change notification: called once after every completed in-place edit
  // with the byte offset, the bytes removed there and the bytes inserted there
  // (a CR taken along by Backspace is part of the range). Passes it to the
  // line index (LineIndexFileChanged), sets the sizes, then calls every listener.
  void PublishFileChange(int64_t offset, int64_t removed, int64_t inserted);
  std::vector<std::function<void(int64_t offset, int64_t removed, int64_t inserted)>> FileChangeListeners;

  // ==== JIS files: the page's text and the file's bytes (FormJis.cpp)
  // The shown page as it was read: its start, the state in force there, and
  // its text with where each of its bytes lies in the page.
  struct JisPageText {
    int64_t start = -1;
    jiswrite::State state;
    jisdecode::Text text;
  };
  JisPageText JisPage;
  // Reads the page at start (raw: its bytes) from the state found before it;
  // returns its text as the converter gives it.
  std::string JisDecodePage(int64_t start, const std::string& raw);
  // Page bytes behind the first textIndex bytes of the page's text, and back.
  int64_t JisPageOffset(int64_t textIndex);
  int64_t JisPageIndex(int64_t pageOffset);
  // The memo's index and the page text's (the CR/LF switch shows lone line ends as CR LF).
  int64_t JisMemoToText(int64_t memoIndex);
  int64_t JisTextToMemo(int64_t textIndex);
  // The memo's index as a file offset, and a page offset as the memo's index.
  int64_t JisViewToFile(int64_t memoIndex);
  int64_t JisFileToView(int64_t pageOffset);
  selection::FileSelection JisViewRangeToFile(int64_t caret, int64_t viewLength);
  std::vector<PageLine> JisPageLines(const std::string& shown);
  // The state in force at a file offset and the bytes in front of it; false
  // when a read fails or the offset is inside a character or sequence.
  bool JisStateAt(const textio::ReadAt& read, int64_t offset, jiswrite::State* state, std::string* before);
  // The file bytes from start that hold textBytes bytes of text; -1 when the file cannot be read.
  int64_t JisFileLengthOfText(int64_t start, int64_t textBytes);
  bool JisPageBytes(std::string* data);
  // Typed edits at the memo's caret, and the removal of a selected range.
  bool JisTypeText(int64_t caret, const std::string& sjis);
  bool JisRemoveText(int64_t caret, int charLength, bool backspace);
  bool JisRemoveRange(int64_t start, int64_t length);
  // The text of a range's bytes read from the state before it.
  bool JisReadRange(HANDLE file, int64_t start, const std::string& bytes, std::string* text);

  // ==== Editing the selection in a dialog, backup and undo (FormEdit.cpp)
  // What the dialogs reach of this window (dialogs/MainWindowServices.h),
  // registered while the window lives.
  class DialogServices;
  std::shared_ptr<DialogServices> dialogServices_;
  dialogs::MainWindowServices* DialogServicesOf();

  // ==== Options, drops, paste hand-off, help (FormShell.cpp)
  void Option1Click();
  // Applies a changed FontSize / BookmarkFontSize to the views.
  void ApplyFontSize();
  void ApplyBookmarkFontSize();
  // The shell-link service: the program's shortcuts, dropped shortcuts.
  TShellLink* ShellLink1 = nullptr;
  std::wstring WindowsFolder;  // GetPath(0x24) at construction
  // The program's file name ("Vastrel.exe") and its path in ProgramFolder.
  static std::wstring ProgramFileName();
  std::wstring ProgramPath();
  // The name of the program's shortcuts: the application title.
  std::wstring LinkTitle();
  // Whether the program's shortcut stands in the folder (0 desktop, 9 Send
  // To), and its creation or deletion.
  bool ProgramLinkExists(int csidl);
  void SetProgramLink(int csidl, bool on);
  // A drop on the window: the first file opens when it fell on the text area
  // (kept for the end of the work while work runs). Finished in every case.
  void WmDropFiles(HDROP drop);
  std::wstring DragQueryFileAuto(HDROP drop, UINT index);
  // Opens the last drop kept while work ran (posted when the work has ended).
  void OpenPendingDrops();
  static constexpr UINT kOpenPendingDropMessage = WM_APP + 0x117;
  // The File menu's paste: the clipboard's first file, opened without the extension test.
  void Paste1Click();
  std::wstring ClipboardFileName();
  // The paste hand-off: the window in front before ours, the button's state.
  void Timer4Timer();
  void Timer5Timer();
  void SpeedButton6MouseDown(TMouseButton button);
  // Help: the topic (code page 932, "Vastrel.htm#Option") in the help viewer.
  void ShowHelpTopic(TForm* owner, const std::string& topic);
  void SendHelpTopic(HWND window, const std::string& text);
  static bool WasMaximized(HWND window);
  // The open-with entry of the program (registry roots: tests may change them).
  HKEY OpenWithUserRoot = HKEY_CURRENT_USER;
  HKEY OpenWithClassesRoot = HKEY_CLASSES_ROOT;
  bool SetOpenWith(const std::wstring& programName, bool on);
  bool IsOpenWithSet(const std::wstring& programName);
  void InstallShellHandlers();

  // One run of an edit dialog: what it was given and what it gave back.
  struct EditDialogRun {
    bool wide = false;
    std::wstring wideText;     // in for the wide dialog; out for both (the control's own text)
    std::string narrowText;    // in for the narrow dialog (code page 932)
    bool keepSelection = false;  // in and out
    int result = mrCancel;
    int lineEndChoice = 0;     // 0 unchanged, 1 CR LF, 2 CR, 3 LF
  };
  // Tests answer the dialog here instead of showing it.
  std::function<void(EditDialogRun& run)> EditDialogSeam;
  // Runs the narrow or wide dialog (or the seam) for run.
  void RunEditDialog(EditDialogRun& run);

  int64_t EditSizeDelta = 0;  // bytes written minus bytes replaced by the last write-back
  void EditMenuClick();
  // The range as the dialog gets it (FormWriteBack.cpp): the file's bytes, the
  // text decoded character by character, and the byte offset of every
  // character boundary of the text (-1 inside a character).
  struct EditSource {
    std::string raw;
    std::wstring text;
    std::vector<int64_t> byteAt;
    int64_t byteLength = 0;
    bool hadNul = false;              // NULs shown as U+0001
    bool genuinePlaceholder = false;  // a real 0x01 (or unit 1) in the range
    // JIS: raw holds a few bytes behind the range (byteLength long), read from
    // jisStart; byteAt holds character counts; edgeInside: the range ends
    // inside a character or sequence.
    jiswrite::State jisStart;
    std::string jisBefore;  // the bytes in front of the range (at most five)
    bool edgeInside = false;
  };
  // False when the range holds both NULs and a real placeholder value.
  bool DecodeForEdit(const std::string& raw, EditSource* src);
  // The text in the file's code; lost gets the characters the code lacks.
  bool EncodeEdited(const std::wstring& text, bool hadNul, std::string* out, std::wstring* lost);
  // JIS: written from state `from`, leaving state `to` behind the text.
  bool EncodeEditedJis(const std::wstring& text, bool hadNul, const std::string& before, const jiswrite::State& from,
                       const jiswrite::State& to, std::string* out, std::wstring* lost);
  void EditSelectionInPlace();
  // Offers a backup copy before the first edit of the open file.
  void OfferBackup();
  void MakeBackup();
  // Copies source to target as long work (progress, abort). 0 done, 1 failed
  // (the failing step's system error shown), 2 aborted by the user.
  int CopyFileAsWork(const std::wstring& source, const std::wstring& target, DWORD* error);
  void Undo1Click();
  void InstallEditHandlers();

  // ==== Line index, line numbers, jumps and the jump list (FormLineIndex.cpp)
  // Lookups count from the index's checkpoints (engine/LineIndex.h): lines
  // are 0-based there, 1-based in texts, the column and CurrentLine.
  bool IndexHandOver = false;   // a finished build's records are being taken over
  bool LineIndexStale = false;  // an in-place change moved the file under the index
  int LineBuildNumber = 0;      // builds started and documents opened; a build's end checks it
  int64_t LineChangeCount = 0, LineChangesAtBuild = 0;  // in-place changes, and their count when a build began
  bool CrLfSetByList = false;   // CheckBox6 is being set from a loaded list
  bool PageNumberToggle = false;
  size_t LineThreadChunk = 0;   // bytes per read of the build; 0: the builder's own (tests)
  // Marks inside the index's long stretches (memory only, see engine::LineMarks).
  engine::LineMarks LineWalkMarks;
  // Moves ColorProgressBar2 to what a running build reported, at its own pace.
  TTimer* LineProgressTimer = nullptr;
  bool LineWalkRunning = false;     // a lookup reads a long stretch, with progress and abort
  bool CloseAfterLineWalk = false;  // a close request came during it
  bool LineLookupStopped = false;   // the last line-to-offset lookup was stopped
  // A lookup with the window's progress and abort for a walk that reads long.
  engine::LineLookupResult RunLineLookup(bool toOffset, int64_t value);
  static const wchar_t* const kLineListUpdateText;
  // Seams: each drawn number of the column (index, text shown, colour); the Tool menu's opening.
  std::function<void(int index, const std::wstring& shown, TColor colour)> LineNumberDrawn;
  std::function<void()> ToolMenuHook;
  // ---- search (FormSearch.cpp)
  // LastSelStart (where Find Next starts) is declared with the typed edits above.
  bool SearchRunning = false;     // a search reads the file
  bool CloseAfterSearch = false;  // a close request came during the search
  // Replaces the input box of Find (tests): false for a cancel.
  std::function<bool(std::wstring& text)> AskSearchTextHook;
  // The conversion library's kana conversion of a Shift_JIS text (direction:
  // engine::KanaDirection); unset: the text stays as it is.
  std::function<std::string(const std::string& sjis, int direction)> ConvertKanaHook;
  std::function<void()> SyncCsvSelectionHook;  // the CSV view's rows of the hit
  void Find2Click();
  void FindNext2Click();
  // 1 found or aborted, 0 not found or failed.
  int SearchFile(const std::wstring& text, bool interactive);
  std::string ConvertKana(const std::string& sjis, int direction);
  void InstallSearchHandlers();

  // Asks a running build to stop (no wait).
  void CancelLineThread();
  // A document is taken: a build still running gives it nothing.
  void LineIndexNewDocument();
  void StartLineCount(const std::wstring& path);
  void LineCountDone(TGyoThread* thread);
  void SpeedButton7Click();
  void SpeedButton7MouseDown(TMouseButton button);
  // The one notice of an in-place change of the open file: pivot, bytes added (negative: removed).
  void LineIndexFileChanged(int64_t pivot, int64_t delta);
  bool HasLineNumberList();
  // 1 when done, 0 when the user said No.
  int SaveOrLoadLineList(bool save, bool ask);
  // The line-list file of a text file: data_1 + the stored name, when that is a list file's name; else empty.
  std::wstring LineListPath(const std::wstring& path);
  std::wstring ReadIniStringWide(const std::wstring& section, const std::wstring& key, const std::wstring& file);
  bool SaveLineList(const std::wstring& path);
  void LoadLineListFor(const std::wstring& path);
  engine::LineListRead ReadLineListFile(const std::wstring& file);
  bool WriteLineListFile(const std::wstring& file);
  // Records of the stored list of a text file (its size / 16); 0 when none.
  int64_t LineListCount(const std::wstring& path, bool reportErrors);
  // Removes a text file's stored list: its section, then its file.
  bool DeleteLineList(const std::wstring& section);
  void ClearLineList();
  void N29Click();
  // The rebuild question when the index does not fit the file; true when asked.
  bool AskLineListUpdate();
  bool FileChangedSinceList();
  void CheckBox6Click();
  engine::LineLookup LineLookupNow();
  // The offset where 0-based line `line` starts; -1 when the file has no such line.
  int64_t LineToOffset(int64_t line);
  // Doc.FirstLineNumber := the line of offset; false when nothing was counted.
  bool OffsetToLine(int64_t offset);
  // Shows the page at a 1-based line number given as text; its offset, or -1 when not shown.
  int64_t JumpToLine(const std::wstring& text);
  void N31Click();
  bool AskLineNumber(std::wstring& text);
  void N31Jump(const std::wstring& text);
  void N15Click(int tag);
  void N26Click();
  void UpdateLineNumbers();
  void ShowFirstLineNumber();
  void LineNumbersAfterPage();
  // The page's line numbers after it is shown (pageStart: where it begins).
  void LineNumbersAfterShowPage(int64_t pageStart);
  // Counts the first line number of a page that begins at pageStart from the
  // index, when the numbers shown are estimates that the index can replace;
  // true when it did.
  bool CountPageLineNumber(int64_t pageStart);
  void FillLineNumbers();
  void ListBox1DrawItem(int index, const RECT& rect, unsigned state);
  void ListBox1MouseDown(TMouseButton button, int x, int y);
  void ListBox1MouseUp(TMouseButton button, int x, int y);
  void ListBox1DblClick();
  void ScrollToCaret();
  void AddToJumpList(const std::wstring& text);
  void ListBox2DblClick();
  void ListBox2DrawItem(int index, const RECT& rect, unsigned state);
  void ListBox2MouseUp(TMouseButton button, int x, int y);
  void Delete3Click();
  void PopupMenu4Popup();
  void Copy3Click();
  void N30Click();
  void Tool1Click();
  void InstallLineIndexHandlers();
  // ==== end of line index
  void InstallPaneProcedures();
  // ==== Bookmarks (FormBookmarks.cpp): the list BockListBox1 holds each
  // entry (text/BookmarkEntry.h) as its item's wide object, the item's text
  // being "new" for an entry made since the file was opened.
  TMenuItem *N6 = nullptr, *N8 = nullptr, *Delete2 = nullptr;  // PopupMenu2
  bool BookListJustLeft = false;  // the list has just lost the focus
  // Seam: the retitle box, shown modally next (tests drive it from its loop).
  std::function<void(TForm* box)> RetitleBoxShown;
  // The caret's index in the view, the selection length, the bookmark text
  // (the selection, else the caret line from the caret on) and the caret's
  // line in the view (counted at CR LF); the pointers may be null.
  void GetCaretLineInfo(int64_t* caret, int64_t* selLength, std::wstring& text, int64_t* line);
  void N7Click();
  void N6Click();
  void BockListBox1DblClick();
  void Delete2Click();
  bool SaveBookmarkList();
  // testOnly: whether the store holds the file's section; else it is loaded.
  bool LoadBookmarkList(bool testOnly);
  // 1 when done, 0 when the user said No.
  int ConfirmBookmarkList(bool save, bool ask);
  void SortBookmarks();
  void GetBookmarkText(int index, std::wstring& value, std::wstring& name);
  void DrawItemText(HDC dc, const std::wstring& text, UINT format, RECT& rect);
  // Erases sections without keys, and with removeMissing those of missing files.
  void PurgeBookmarkLists(const std::wstring& store, bool removeMissing);
  void N11Click();
  void N8Click();
  void PopupMenu2Popup();
  // The enabling of List1 and N11 (on opening either menu).
  void BookmarkMenuStates();
  // withSender false: hide the panel.
  void List1Click(bool withSender);
  // The height the jump list was given (when it was emptied, grown for its
  // items, or dragged with the splitter); a panel too low for it and a row
  // of bookmarks lowers the list, not this.
  int JumpListHeight = 30;
  // Heights of the bookmark list and the jump list that show both in the panel.
  void FitBookmarkPanelLists();
  void BockListBox1DrawItem(int index, const RECT& rect, unsigned state);
  void CheckBox4Click();
  void CheckBox5Click();
  void BockListBox1MouseDown(TMouseButton button, int x, int y);
  void BockListBox1MouseUp(TMouseButton button, int x, int y);
  void BockListBox1Exit();
  void InstallBookmarkHandlers();
  // ==== end of bookmarks

  // ==== File watch (FormWatch.cpp): while ChkSpBtn is down, WatchThread has
  // WatchTick run on this thread at NewTrackBar1's interval.
  uint64_t LastWriteTime = 0;  // the watched file's last-write time (FILETIME) when a tick last acted
  bool WatchTickRunning = false;
  // The identity (volume, file index) of the file at WatchIdentityPath at the last look.
  std::wstring WatchIdentityPath;
  uint64_t WatchVolume = 0, WatchIndex = 0;
  int64_t PagesShown = 0;  // pages the page routine has put on screen
  // Seam: called at the end of every tick with whether it looked at the file
  // and what it did (a watchtick::Action as int).
  std::function<void(bool looked, int action)> WatchTicked;
  void WatchTick();
  void ChkSpBtnClick();
  void NewTrackBar1Change();
  void NewTrackBar1MouseDown(TMouseButton button);
  void CheckBox1Click();
  // The last page, from the start of its line.
  void WatchFromLastLine();
  // Whether the page shown reaches the end of a file of this size.
  bool PageReachesEnd(int64_t size) const;
  // The start of the last page of a file of this size: the page that ends
  // with the file's last line and holds the lines the view shows; 0 when the
  // whole file fits, -1 when no line start lies within a page of the end.
  int64_t EndPageStart(int64_t size);
  // Shows the last page (from the line start below the usable end where the
  // last lines all lie within the slider's last step); reread: even when it
  // begins where the page shown last began.
  void ShowEndPage(bool reread);
  void InstallWatchHandlers();
  // ==== end of file watch

  // ==== The overviews of the stored lists (FormStoredLists.cpp): the files
  // with a bookmark list (N13) or a line list (N27); what the user deletes
  // there is removed from the store after a question.
  void N13Click();
  void N27Click();
  // Runs the overview dialog of the mode over store; true when something was removed.
  bool RunStoredListsDialog(int mode, const std::wstring& store);
  void InstallStoredListsHandlers();


  // ==== CSV column view (FormCsv.cpp): ListView1 in place of the text view
  // while "CSV" (CheckBox7) is ticked; each row's Data is its line's UTF-16
  // copy (std::wstring), owned by the row.
  int CsvDragAnchor = -1;  // row where a left-button drag started
  bool CsvViewOn();        // "CSV" ticked (and enabled)
  // Fills the rows from the page text exactly as the text view shows it.
  void FillCsvView(const std::wstring& page);
  void CheckBox7Click();
  void RestoreCsvColumns();
  void RefreshCsvView();
  void ClearCsvView();
  // The first and last line of the text view's selection (lines as the rows
  // break them); false when nothing is selected.
  bool SelectedLineRange(int* first, int* last);
  void SyncCsvSelection();
  void CsvSelectionToText();
  void CsvItemToText(TListItem* item);
  void ExtendCsvSelection(TListView* view, int anchor, bool scroll, int current);
  void ListView1AdvancedCustomDrawItem(TListItem* item, unsigned state, bool& defaultDraw);
  void PopupMenu3Popup();
  void Copy2Click();
  void N24Click();
  void ListView1MouseDown(TMouseButton button, int x, int y);
  void ListView1MouseMove(TShiftState shift, int x, int y);
  void ListView1MouseUp(TMouseButton button, int x, int y);
  void InstallCsvHandlers();
  // Row i's line; nullptr past the rows.
  const std::wstring* CsvRowLine(int row);
  // The text view's window shown or hidden (its place in the layout kept).
  void SetTextViewShown(bool shown);
  // The lines of the text view's text, as the rows break them.
  std::vector<csvview::LineSpan> ViewLineSpans();
  // Exactly rows first..last selected (none for -1).
  void SelectCsvRows(int first, int last);
  // The rows of the text view's selection selected, the others not.
  void MarkCsvRowsOfSelection();
  void WidenCsvView();
  void SetSliderPositionQuietly(int64_t position);
  int CsvPaintPrevious = -1, CsvPaintFirst = -1, CsvPaintLast = -1;  // the selection's lines of one paint
  bool CsvPaintHasRange = false;

  // ---- whole-file code conversion (FormConvert.cpp)
  void N17Click();
  // Converts the open file into targetPath; true when complete with nothing
  // unconvertible. sourceByteOrder: the open file's byte order (ByteOrder may
  // already hold the dialog's choice for the output).
  bool ConvertFileCode(const std::wstring& targetPath, int targetCode, bool withMark, int sourceByteOrder);
  void LockUiForWork(bool on);
  void ComboBox2Change();
  static std::wstring CodeName(int code);
  // A close request while a conversion runs: it is stopped, and the window
  // closes when it has ended. True when a conversion runs.
  bool ConvertCloseRequest();
  bool CloseAfterConvert = false;
  uint32_t ConvertBlockSize = 0;  // bytes per block; 0: the converter's own (tests)
  void InstallConvertHandlers();

 private:
  void BuildLayout();
  void BuildMenus();
  void ApplyHints();
  void DecideSystemLevel();
  void WarnIfNotAdmin();
  IniStore* store_ = nullptr;
};

extern TVastrelForm* VastrelForm;

// The open and save dialogs' filter for the listed extensions (".txt.ini.log").
std::wstring BuildFileFilter(const std::string& extensionsCp932);
