// The whole-file code conversion: the command, its dialog, the window's side of
// the converter (progress, abort, the locked frame) and the outcome's messages.
// The block work is engine::ConvertFile's.
#include <memory>

#include "controls/ColorProgressBar.h"
#include "controls/MyTrackBar.h"
#include "dialogs/MogCordChgUnit.h"
#include "engine/FileConverter.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/RadioGroup.h"
#include "framework/StdCtrls.h"
#include "text/PathText.h"
#include "viewer/FileAccess.h"
#include "viewer/GyoThreadUnit.h"
#include "viewer/VastrelForm.h"
#include "viewer/WorkProgress.h"

namespace {

std::wstring W(const char* utf8) { return Cp932ToWide(Cp932FromUtf8(utf8)); }

// The dialogs' view of the main window: what the conversion dialog asks is
// answered here, the rest by the registered services.
class FormServices : public dialogs::MainWindowServices {
 public:
  explicit FormServices(TVastrelForm& f) : f_(f), rest_(dialogs::MainWindow()) {}
  std::wstring ClipboardText() override { return rest_.ClipboardText(); }
  std::wstring SelectedText(int maxUnits) override { return rest_.SelectedText(maxUnits); }
  int64_t CurrentLine() override { return rest_.CurrentLine(); }
  std::string PickedLineNumber() override { return rest_.PickedLineNumber(); }
  bool UnicodeMode() override { return f_.UnicodeMode; }
  std::wstring NormalizePath(const std::wstring& path) override { return TVastrelForm::NormalizePath(path); }

 private:
  TVastrelForm& f_;
  dialogs::MainWindowServices& rest_;
};

}  // namespace

std::wstring TVastrelForm::CodeName(int code) { return TMogCordChgDlg::CodeName(code); }

void TVastrelForm::LockUiForWork(bool on) {
  ComboBox1->SetEnabled(on);
  ComboBox2->SetVisible(on);
  SetMenu(on ? MainMenu1 : nullptr);
}

void TVastrelForm::ComboBox2Change() {
  if (!FileCommandsAllowed()) return;
  Doc.ByteOrder = ComboBox2->ItemIndex() == 1 ? boLittleEndian : boBigEndian;
  RefreshPage(false, true, MyTrackBar1->Position());
}

void TVastrelForm::N17Click() {
  if (Doc.FileSize < 0 || !FileCommandsAllowed()) return;
  FormServices services(*this);
  TMogCordChgDlg* dlg = NewForm<TMogCordChgDlg>(this, services);
  TMogCordChgDlg& d = *dlg;
  if (Doc.TextCode == tcShiftJis) d.RadioGroup1->SetItemIndex(1);
  d.CurrentCode = Doc.TextCode;
  d.PreviousIndex = d.RadioGroup1->ItemIndex();
  d.TargetPath = d.SourcePath = Doc.FilePath;
  d.Edit2->SetText(Settings.SubstituteChar);
  if (UnicodeMode) {
    d.SetFileNameEdit(pathtext::ExtractNameWide(Doc.FilePath));
    d.OutputFolder = pathtext::ExtractDriveDirWide(Doc.FilePath);
  } else {
    d.Edit1->SetTextW(pathtext::ExtractNameWide(Doc.FilePath));
    d.OutputFolder = pathtext::ExtractDirWide(Doc.FilePath);
  }
  d.CheckBox2->OnClick = nullptr;
  d.CheckBox2->SetChecked(Doc.ByteOrder == boLittleEndian);
  if (ImageList1) SendMessageW(d.Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ImageList1->GetIcon(31)));
  if (d.ShowModal() == 1) {
    Settings.SubstituteChar = d.Edit2->Text();
    const int remembered = Doc.ByteOrder;
    Doc.ByteOrder = d.CheckBox2->Checked() ? boLittleEndian : boBigEndian;
    LockUiForWork(false);
    const std::wstring target = d.TargetPath;
    if (ConvertFileCode(target, d.ChosenCode(), d.CheckBox1->Checked(), remembered)) {
      WatchPath = target;
      LastFolder = pathtext::ExtractDriveDirWide(target);
      OpenFile(WatchPath);
    } else {
      Doc.ByteOrder = remembered;
    }
    LockUiForWork(true);
  }
  dlg->Free();
  // Drops and hand-overs that came meanwhile, then a close asked for meanwhile.
  for (const auto& pending : Work.TakePending())
    for (const std::wstring& p : pending.paths) OpenDroppedPath(p);
  if (CloseAfterConvert) {
    CloseAfterConvert = false;
    Close();
  }
}

bool TVastrelForm::ConvertCloseRequest() {
  if (!Work.Running(vastrel::WorkGuard::Job::Convert)) return false;
  StopRequested = true;
  CloseAfterConvert = true;
  return true;
}

bool TVastrelForm::ConvertFileCode(const std::wstring& targetPath, int targetCode, bool withMark,
                                   int sourceByteOrder) {
  if (Doc.FileSize < 0 || Doc.FilePath.empty()) return false;
  vastrel::WorkGuard::Scope job(Work, vastrel::WorkGuard::Job::Convert);
  if (!job.Started()) return false;
  // What the conversion works from, taken now: the window may change meanwhile.
  engine::ConvertRequest r;
  r.sourcePath = Doc.FilePath;
  r.sourceCode = Doc.TextCode;
  r.sourceOrder = sourceByteOrder == boBigEndian ? conv::ByteOrder::Big : conv::ByteOrder::Little;
  r.bomLength = Doc.BomLength;
  r.targetPath = targetPath;
  r.targetCode = targetCode;
  r.targetOrder = Doc.ByteOrder == boBigEndian ? conv::ByteOrder::Big : conv::ByteOrder::Little;
  r.withMark = withMark;
  r.substitute = Settings.SubstituteChar;
  r.mergeUnconvertible = Settings.MergeUnconvertible;
  r.sizeLimit = ViewableSizeLimit();
  if (ConvertBlockSize) r.blockSize = ConvertBlockSize;
  r.journalFolder = JournalFolder();
  // A line-index build reads the file with a handle that a replace cannot pass.
  r.beforeReplace = [this] {
    CancelLineThread();
    while (LineThread) {
      CheckSynchronize();
      Application->ProcessMessages();
      Sleep(1);
    }
  };
  const std::wstring sourceLabel = Cp932ToWide(ComboBox1->Items().Get(Doc.TextCode));

  StopRequested = false;
  LongWorkRunning = true;
  vastrel::ShowAligned(WorkPanel, true);
  ColorProgressBar1->SetVisible(true);
  SpeedButton2->SetVisible(true);
  auto previousAbort = SpeedButton2->OnClick;
  SpeedButton2->OnClick = [this](TWinControl*) {
    if (ConfirmStop && MessageBoxWide(W("作業を中止した場合、内容に不備な個所ができます。作業を中止しますか？"),
                                      W("中止の確認"), MB_YESNO | MB_ICONQUESTION, Handle()) != IDYES)
      return;
    StopRequested = true;
  };
  vastrel::WorkProgress progress(ColorProgressBar1, StopRequested);
  const engine::ConvertOutcome o = engine::ConvertFile(r, Conv.Cp932(), progress);
  SpeedButton2->OnClick = previousAbort;
  ColorProgressBar1->SetPosition(0);
  vastrel::ShowAligned(WorkPanel, false);
  LongWorkRunning = false;

  switch (o.status) {
    case engine::ConvertStatus::Done:
      return true;
    case engine::ConvertStatus::Aborted:
      return false;
    case engine::ConvertStatus::TooLarge:
      ShowMessageWide(W("このファイルは1024TBを超えています。変換は、できません。"));
      return false;
    case engine::ConvertStatus::OpenFailed:
      ShowMessageWide(SystemErrorTextWide(o.error));
      return false;
    case engine::ConvertStatus::Failed:
      if (o.journalFailed) {
        ShowMessageWide(JournalFailureText(o.error));
        return false;
      }
      ShowMessageWide(W("変換に失敗しました。") + L"\n" + SystemErrorTextWide(o.error));
      return false;
    case engine::ConvertStatus::Unconvertible: {
      std::wstring text = W("新しい文字コードに変換できない文字が ") + std::to_wstring(o.unconvertibleCount) +
                          W(" 個含まれていました。") + L"\n" +
                          std::wstring(o.unconvertibleList.begin(), o.unconvertibleList.end());
      if (!o.keptPath.empty()) text += L"\n" + W("変換した内容は次のファイルに残しました: ") + o.keptPath;
      MessageBoxWide(text, W("変換エラー [ ") + sourceLabel + L" \u2192 " + CodeName(targetCode) + L" ]",
                     MB_OK | MB_ICONSTOP, Handle());
      return false;
    }
  }
  return false;
}

void TVastrelForm::InstallConvertHandlers() {
  N17->OnClick = [this](TMenuItem*) { N17Click(); };
  ComboBox2->OnChange = [this](TWinControl*) { ComboBox2Change(); };
}
