// Search: Find (Ctrl+F) asks for a text and searches the whole file from its
// start; Find Next (F3) goes on after the last hit or from the caret. The
// scan itself is engine/SearchScanner; this file wires it to the window: the
// input box, the progress bar and abort button, the page at the hit, and the
// services the dialogs ask of the main window.
#include <algorithm>
#include <memory>
#include <string>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "dialogs/ConversionLibrary.h"
#include "dialogs/InputBoxWUnit.h"
#include "engine/SearchScanner.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/FileOps.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "text/JisDecode.h"
#include "viewer/FileAccess.h"
#include "viewer/VastrelForm.h"
#include "viewer/WorkProgress.h"

namespace {

std::u16string ToU16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }

}  // namespace

std::string TVastrelForm::ConvertKana(const std::string& sjis, int direction) {
  if (ConvertKanaHook) return ConvertKanaHook(sjis, direction);
  // The conversion library, loaded for this conversion; without it the text stays as it is.
  ConversionLibrary library;
  if (!library.Load()) return sjis;
  return library.ConvertText(sjis, direction == static_cast<int>(engine::KanaDirection::KataToHira) ? ckKataToHira
                                                                                                     : ckHiraToKata);
}

void TVastrelForm::Find2Click() {
  if (Doc.FileSize < 0 || !FileCommandsAllowed()) return;
  std::wstring text = SearchText;
  bool ok;
  if (AskSearchTextHook) {
    ok = AskSearchTextHook(text);
  } else {
    auto* dlg = NewForm<TInputWideDlg>(L"探す文字列を入力して下さい。", this, ibPlainInput, SearchText);
    dlg->SetTextW(L"文字列の検索");
    if (ImageList1) dlg->SetIcon(ImageList1->GetIcon(imgFind));
    ok = dlg->ShowModal() == mrOk;
    text = dlg->InputText;
    dlg->Free();
  }
  if (!ok) {
    FocusTextView();
    return;
  }
  SearchText = text;
  LastSelStart = Doc.TextCode == tcUtf16 ? Doc.BomLength / 2 : Doc.BomLength;
  SearchFile(SearchText, true);
}

void TVastrelForm::FindNext2Click() {
  // Without a file or a text there is nothing to go on with.
  if (Doc.FileSize < 0 || Doc.FilePath.empty() || SearchText.empty()) return;
  if (!FileCommandsAllowed()) return;
  SearchFile(SearchText, true);
}

int TVastrelForm::SearchFile(const std::wstring& text, bool interactive) {
  vastrel::WorkGuard::Scope work(Work, vastrel::WorkGuard::Job::Search);
  if (!work.Started()) return 0;
  NestGuard nest(this);
  const std::wstring notFound = L"検索文字列 [ " + text + L" ] は、見つかりませんでした。";
  const int unit = Doc.TextCode == tcUtf16 ? 2 : 1;

  fileops::File file(OpenForReading(Doc.FilePath));
  if (!file.IsOpen()) {
    ShowMessageWide(SystemErrorTextWide(GetLastError()));
    FocusTextView();
    return 0;
  }
  const int64_t fileSize = GetFileSize64(Doc.FilePath);

  // The frame: only the view is disabled; hourglass, progress bar, abort button.
  SetTextReadOnlyStyle(false);
  StopRequested = false;
  ConfirmStop = false;
  SearchRunning = true;
  LongWorkRunning = true;
  std::unique_ptr<vastrel::WorkFrame> frame(new vastrel::WorkFrame(WorkPanel, ColorProgressBar1, SpeedButton2));

  engine::SearchPatterns patterns = engine::BuildSearchPatterns(
      Conv.Cp932(), ToU16(text), Settings.SearchCaseSensitive, Settings.SearchKanaSensitive,
      [this](const std::string& s, engine::KanaDirection d) { return ConvertKana(s, static_cast<int>(d)); });
  engine::SearchSpec spec;
  spec.code = Doc.TextCode;
  spec.bigEndian = Doc.ByteOrder == boBigEndian;
  spec.start = std::max<int64_t>(0, LastSelStart) * unit;
  if (Doc.TextCode == tcJis && spec.start > 0 && spec.start < fileSize) {
    // Inside a run the scan starts in that run's mode, found from the bytes
    // before the start by the same reading the page is shown with (a run
    // goes on over line ends until a sequence ends it).
    jisdecode::State state;
    bool aligned = true;
    if (jisdecode::StateBefore(FileReader(file.get()), spec.start, jisdecode::kStateWindow, &state, &aligned))
      spec.jisMode = state.mode;
  }
  vastrel::WorkProgress progress(ColorProgressBar1, StopRequested);
  progress.SetMaximum(fileSize);
  ColorProgressBar1->SetPosition(static_cast<uint64_t>(std::min(spec.start, fileSize)));
  engine::SearchResult r = engine::SearchFileRange(file.get(), fileSize, spec, patterns, Conv, progress);
  file.Close();

  // Clean up in every case.
  SetTextReadOnlyStyle(true);
  frame.reset();
  int result = 1;
  switch (r.outcome) {
    case engine::SearchOutcome::Aborted:
      LastSelStart = r.reached / unit;
      SearchRunning = false;
      LongWorkRunning = false;
      break;
    case engine::SearchOutcome::ReadError:
      SearchRunning = false;
      LongWorkRunning = false;
      ShowMessageWide(SystemErrorTextWide(r.error));
      result = 0;
      break;
    case engine::SearchOutcome::NotFound:
      SearchRunning = false;
      LongWorkRunning = false;
      LastSelStart = 0;
      if (interactive) ShowInfoBox(Handle(), notFound);
      result = 0;
      break;
    case engine::SearchOutcome::Found: {
      // The selection is the matched characters themselves.
      if (Doc.TextCode == tcUtf16) {
        Doc.SelStart = r.offset / 2;
        Doc.SelLength = r.sourceLength / 2;
      } else {
        Doc.SelStart = r.offset;
        Doc.SelLength = r.sourceLength;
      }
      if (Doc.TextCode == tcJis) {
        Doc.JisShiftState = 0;
        JisRunStart = false;
      }
      CaretOffset = Doc.SelStart;
      const bool handOver = IndexHandOverHook && IndexHandOverHook();
      if (!handOver && ListBox1->Count() > 0 && UpdateLineNumbersHook) UpdateLineNumbersHook();
      SearchRunning = false;
      LongWorkRunning = false;
      // The page at the hit's line (the backward scan from the hit finds its start).
      MovingBack = MovingForward = false;
      SearchHit = true;
      ShowPage(false, true, r.offset);
      SearchHit = false;
      if (Doc.TextCode == tcJis) {
        // As a mouse selection of the same characters sets it.
        Memo1MouseDown(mbLeft, 0);
        Memo1MouseUp(mbLeft, 0);
      }
      LastSelStart = (r.offset + r.firstCharLength) / unit;
      if (SyncCsvSelectionHook) SyncCsvSelectionHook();
      if (N26 && N26->Checked() && !handOver && UpdateLineNumbersHook) UpdateLineNumbersHook();
      MessageBeep(0);
      break;
    }
  }
  FocusTextView();
  if (CloseAfterSearch) {
    CloseAfterSearch = false;
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
  }
  return result;
}

void TVastrelForm::InstallSearchHandlers() {
  // The input boxes reach this window through its dialog services.
  DialogServicesOf();
  Find2->OnClick = [this](TMenuItem*) { Find2Click(); };
  FindNext2->OnClick = [this](TMenuItem*) { FindNext2Click(); };
  // The abort button stops a search at once, without a question.
  SpeedButton2->OnClick = [this, next = SpeedButton2->OnClick](TWinControl* sender) {
    if (SearchRunning) {
      StopRequested = true;
      return;
    }
    if (next) next(sender);
  };
  // F3 and Ctrl+F from the panes.
  ViewCommandHook = [this, next = ViewCommandHook](vastrel::ViewCommand c) {
    if (c == vastrel::ViewCommand::Find) {
      Find2Click();
    } else if (c == vastrel::ViewCommand::FindNext) {
      FindNext2Click();
    } else if (next) {
      next(c);
    }
  };
}
