// Editing the selection in a dialog, the backup copy and the undo from it;
// and what the dialogs reach of the main window.
#include <memory>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "dialogs/InputTextDlg.h"
#include "dialogs/InputWidTextDlg.h"
#include "engine/FileCopy.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/Clipboard.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "text/PathText.h"
#include "viewer/FileAccess.h"
#include "viewer/PathRoutines.h"
#include "viewer/VastrelForm.h"
#include "viewer/WorkProgress.h"

// ---- the dialogs' services

class TVastrelForm::DialogServices : public dialogs::MainWindowServices {
 public:
  explicit DialogServices(TVastrelForm& f) : f_(f) { previous_ = dialogs::SetMainWindowServices(this); }
  ~DialogServices() override {
    if (&dialogs::MainWindow() == this) dialogs::SetMainWindowServices(previous_);
  }
  std::wstring ClipboardText() override { return f_.GetClipboardText(); }
  std::wstring SelectedText(int maxUnits) override {
    if (maxUnits <= 0) return std::wstring();
    // A character takes at most 8 bytes in any of the codes (JIS with its escapes).
    std::wstring text = f_.ReadRangeWide(true, static_cast<int64_t>(maxUnits) * 8);
    if (text.size() > static_cast<size_t>(maxUnits)) text.resize(static_cast<size_t>(maxUnits));
    return text;
  }
  int64_t CurrentLine() override { return f_.CurrentLine; }
  std::string PickedLineNumber() override {
    const int i = f_.ListBox1->ItemIndex();
    return i < 0 ? std::string() : f_.ListBox1->Items().Get(i);
  }
  bool CrLfSwitch() override { return f_.CheckBox6->Checked(); }
  bool ToolMenuShown() override { return f_.ToolPrsMenu->Visible(); }
  TImageList* MenuImages() override { return f_.ImageList1; }
  void RouteKeyMessage(MSG& msg, bool& handled) override { f_.RouteKeyMessage(msg, handled); }
  bool ClipboardHasText() override {
    return IsClipboardFormatAvailable(CF_TEXT) || IsClipboardFormatAvailable(CF_UNICODETEXT);
  }
  void ShowHelpTopic(const std::string& topic) override { f_.ShowHelpTopic(&f_, topic); }
  bool ProgramLinkExists(int folder) override { return f_.ProgramLinkExists(folder); }
  void SetProgramLink(int folder, bool on) override { f_.SetProgramLink(folder, on); }
  bool OpenWithSet() override { return f_.IsOpenWithSet(f_.ProgramFileName()); }
  void SetOpenWith(bool on) override { f_.SetOpenWith(f_.ProgramFileName(), on); }

 private:
  TVastrelForm& f_;
  dialogs::MainWindowServices* previous_ = nullptr;
};

dialogs::MainWindowServices* TVastrelForm::DialogServicesOf() {
  if (!dialogServices_) dialogServices_.reset(new DialogServices(*this));
  return dialogServices_.get();
}

void TVastrelForm::RunEditDialog(EditDialogRun& run) {
  if (EditDialogSeam) {
    EditDialogSeam(run);
    return;
  }
  if (run.wide) {
    auto* dlg = NewForm<TInputWidTextDlg>(run.wideText, this, static_cast<uint8_t>(0), DialogServicesOf());
    InputWidTextDlg = dlg;
    dlg->Panel3->Font().SetSize(Settings.FontSize);
    dlg->CheckBox1->SetChecked(run.keepSelection);
    if (!ToolPrsMenu->Visible()) dlg->SetMenu(dlg->MainMenu1);
    run.result = dlg->Execute();
    if (run.result == mrOk) {
      run.wideText = dlg->GetEditText();
      run.lineEndChoice = dlg->LineEndChoice();
    }
    run.keepSelection = dlg->KeepSelection();
    dlg->Free();
  } else {
    auto* dlg = NewForm<TInputTextDlg>(run.narrowText, this, DialogServicesOf());
    InputTextDlg = dlg;
    dlg->Memo1->Font().SetSize(Settings.FontSize);
    dlg->CheckBox1->SetChecked(run.keepSelection);
    run.result = dlg->ShowModal();
    if (run.result == mrOk) {
      // The memo's whole text as it stands (lone line ends kept), in its own
      // UTF-16 form, so that characters code page 932 lacks are still seen.
      run.wideText = dlg->Memo1->TextW();
      run.lineEndChoice = dlg->LineEndChoice();
      dlg->Memo1->Clear();
    }
    run.keepSelection = dlg->KeepSelection();
    dlg->Free();
  }
}

// ---- backup

void TVastrelForm::OfferBackup() {
  if (Doc.BackupOffered) return;
  std::wstring text =
      L"編集を行う場合には、ファイルのバックアップを推奨しています。\n特に重要なファイルでは、出来る限り行いましょう！";
  if (Doc.TextCode == tcJis) text += L"\n\n ※特にJISの編集には、制約が多いのでご注意下さい。";
  text += L"\n\nバックアップを行いますか？";
  if (MessageBoxWide(text, L"バックアップの確認", MB_YESNO | MB_ICONQUESTION, Handle()) == IDYES) MakeBackup();
}

namespace {

std::wstring CopyFailureText(engine::CopyStep step, DWORD error) {
  std::wstring what;
  switch (step) {
    case engine::CopyStep::OpenSource:
      what = L"コピー元を開けません。";
      break;
    case engine::CopyStep::CreateTemp:
      what = L"コピー先に一時ファイルを作成できません。";
      break;
    case engine::CopyStep::Journal:
      return TVastrelForm::JournalFailureText(error);
    case engine::CopyStep::Read:
      what = L"コピー元の読み込みに失敗しました。";
      break;
    case engine::CopyStep::Write:
    case engine::CopyStep::Close:
      what = L"コピー先への書き込みに失敗しました。";
      break;
    case engine::CopyStep::Replace:
      what = L"コピー先のファイルを置き換えられません。";
      break;
    default:
      break;
  }
  return what + L"\n" + SystemErrorTextWide(error);
}

}  // namespace

int TVastrelForm::CopyFileAsWork(const std::wstring& source, const std::wstring& target, DWORD* error) {
  // The copy holds the close and shows the work row with its abort button.
  if (!EnableMenusForWork(false, vastrel::WorkGuard::Job::WriteBack)) return 1;
  engine::CopyOutcome r;
  {
    vastrel::WorkFrame frame(WorkPanel, ColorProgressBar1, SpeedButton2);
    StopRequested = false;
    ConfirmStop = false;  // a stopped copy leaves nothing behind: no question
    vastrel::WorkProgress sink(ColorProgressBar1, StopRequested);
    engine::CopyOptions options;
    options.journalFolder = JournalFolder();
    r = engine::CopyFileReplacing(source, target, sink, options);
  }
  EnableMenusForWork(true, vastrel::WorkGuard::Job::WriteBack);
  StopRequested = false;
  if (error) *error = r.error;
  if (r.done()) return 0;
  if (r.status == engine::CopyStatus::Aborted) return 2;
  ShowMessageWide(CopyFailureText(r.step, r.error));
  return 1;
}

void TVastrelForm::MakeBackup() {
  Doc.BackupPath.clear();
  const std::wstring filter = BuildFileFilter(Settings.OpenExtensions);
  std::wstring defExt = pathtext::ExtractExtWide(WatchPath);
  if (!defExt.empty()) defExt.erase(0, 1);
  const std::wstring chosen =
      FileDialog(Handle(), pathtext::ExtractNameWide(WatchPath), 0, true, defExt, filter, LastFolder);
  if (chosen.empty()) return;
  const std::wstring candidate = pathtext::NumberedBackupPath(
      chosen, pathtext::ExtractExtWide(WatchPath), [this](const std::wstring& p) { return FileExistsEx(p, true); });
  if (FileExistsEx(candidate, true)) {
    // Every numbered name is taken: the last one is replaced only when the user agrees.
    if (MessageBoxWide(candidate + L"\nは既に存在します。上書きしますか？", L"バックアップの確認",
                       MB_YESNO | MB_ICONQUESTION, Handle()) != IDYES)
      return;
  }
  const int result = CopyFileAsWork(WatchPath, candidate, nullptr);
  if (result == 0) {
    Doc.BackupPath = candidate;
    Doc.BackupOffered = true;
    KeepBookmarkNamesAtBackup();
  } else {
    Doc.BackupOffered = false;
  }
}

// ---- undo

void TVastrelForm::Undo1Click() {
  if (!FileCommandsAllowed()) return;
  if (MessageBoxWide(L"ファイルを編集前の内容に戻しますか？", L"復元の確認", MB_YESNO | MB_ICONQUESTION, Handle()) !=
      IDYES)
    return;
  if (Doc.BackupPath.empty() || !FileExistsEx(Doc.BackupPath, true)) return;
  // The backup goes to a new file beside the target first, which then takes the
  // target's place: the target is never deleted before its replacement is whole.
  const int64_t before = GetFileSize64(WatchPath);
  if (CopyFileAsWork(Doc.BackupPath, WatchPath, nullptr) != 0) return;
  const int64_t size = GetFileSize64(WatchPath);
  // The whole file changed: the line index no longer fits it.
  if (WatchPath == Doc.FilePath) {
    LineIndexFileChanged(0, size - before);
    RestoreBookmarkNamesAfterUndo();
  }
  int64_t position = MyTrackBar1->Position();
  if (position >= size) position = 0;
  ShowPage(false, false, position);
}

void TVastrelForm::InstallEditHandlers() {
  DialogServicesOf();  // registered for every dialog from now on
  Undo1->OnClick = [this](TMenuItem*) { Undo1Click(); };
  EditMenu->OnClick = [this](TMenuItem*) { EditMenuClick(); };
  Edit1->OnClick = [this](TMenuItem*) { EditMenuClick(); };
  ViewCommandHook = [this, next = ViewCommandHook](vastrel::ViewCommand c) {
    if (c == vastrel::ViewCommand::EditSelection)
      EditMenuClick();
    else if (next)
      next(c);
  };
}
