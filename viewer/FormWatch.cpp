// Following a file that another program writes: the watch button, the speed
// bar, the no-delete box that allows or forbids watching, and the tick that
// the watch thread has run on the GUI thread.
#include <algorithm>

#include "controls/MyTrackBar.h"
#include "controls/NewTrackBar.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "text/Selection.h"
#include "text/StatusText.h"
#include "text/WatchTick.h"
#include "viewer/FileAccess.h"
#include "viewer/UpdateThreadUnit.h"
#include "viewer/VastrelForm.h"

namespace {

// Slider writes of the watch do not run the slider's handler.
void SetSliderQuiet(TMyTrackBar* slider, int64_t max, int step, int64_t position) {
  TNotifyEvent keep = slider->OnChange;
  slider->OnChange = nullptr;
  slider->SetMax(max);
  slider->SetStep(step);
  if (position >= 0) slider->SetPosition(position);
  slider->OnChange = keep;
}

}  // namespace

void TVastrelForm::WatchTick() {
  bool looked = false;
  watchtick::Action action = watchtick::Action::None;
  struct Report {
    TVastrelForm* f;
    bool& looked;
    watchtick::Action& action;
    ~Report() {
      if (f->WatchTicked) f->WatchTicked(looked, static_cast<int>(action));
    }
  } report{this, looked, action};

  // A tick waits while anything else has the file or the user's attention:
  // long work, an edit dialog, a question or dialog of ours (a tick is served
  // inside their loops too), a tick already running, the close. The next tick
  // makes up for it.
  const bool mayRun = !WatchTickRunning && WatchThread && !WatchThread->Terminated() && FileCommandsAllowed() &&
                      OpenModalCount() == 0 && HandleAllocated() && IsWindowEnabled(Handle()) &&
                      !WatchPath.empty() && !Doc.FilePath.empty();
  if (!watchtick::MayLook(ChkSpBtn->Down(), mayRun)) return;
  WatchTickRunning = true;
  struct Running {
    bool& flag;
    ~Running() { flag = false; }
  } running{WatchTickRunning};
  looked = true;

  // Size, time and identity from the file itself: a directory entry may lag
  // behind a file that its writer keeps open.
  watchtick::Input in;
  in.buttonDown = true;
  in.mayRun = true;
  uint64_t volume = 0, index = 0;
  {
    fileops::File file;
    if (file.Open(WatchPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                  0)) {
      in.found = true;
      BY_HANDLE_FILE_INFORMATION info;
      if (fileops::Files().Information(file.get(), &info)) {
        in.opened = true;
        in.writeTime = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                       info.ftLastWriteTime.dwLowDateTime;
        const int64_t real = static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
        in.size = CapToViewable(real).size;
        volume = info.dwVolumeSerialNumber;
        index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        in.sameIdentity = WatchIdentityPath != WatchPath || (volume == WatchVolume && index == WatchIndex);
      }
    } else {
      const DWORD e = GetLastError();
      in.found = e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND;
    }
  }
  in.storedTime = LastWriteTime;
  in.forced = ForceWatchTick;
  in.maximum = MyTrackBar1->Max();
  in.position = MyTrackBar1->Position();
  const watchtick::Result r = watchtick::Decide(in);
  if (in.opened) {
    WatchIdentityPath = WatchPath;
    WatchVolume = volume;
    WatchIndex = index;
  }
  if (r.storeTime) LastWriteTime = in.writeTime;
  action = r.action;

  switch (r.action) {
    case watchtick::Action::None:
      return;
    case watchtick::Action::Follow: {
      const bool changed = r.maximum != in.maximum || in.writeTime != in.storedTime;
      // A page that showed the end of the file as it was follows the end: it
      // becomes the last page of the file as it is now, however much was
      // added. A page the user moved away from the end goes on one position.
      const bool atEnd = PageReachesEnd(in.maximum);
      SetSliderQuiet(MyTrackBar1, r.maximum, r.step, -1);
      if (atEnd) {
        if (changed) {
          ShowEndPage(true);
        } else {
          ForceWatchTick = false;  // the end is on screen and nothing was added
        }
        return;
      }
      MovingBack = false;
      MovingForward = true;
      const int64_t shown = PagesShown;
      MyTrackBar1->SetPosition(r.position);  // the slider's handler shows the page forward
      if (changed && PagesShown == shown) {
        // The move found no line start that shows a new page (the slider
        // stood at the end, or the next line begins within the last step):
        // the page shown is read again, so that what was added appears.
        LastShownPosition = -1;
        MovingForward = false;
        ExactPageStart = true;
        ShowPage(false, false, Doc.PagePosition);
        ExactPageStart = false;
      }
      return;
    }
    case watchtick::Action::Reshow:
      SetSliderQuiet(MyTrackBar1, r.maximum, r.step, r.position);
      MovingBack = false;
      MovingForward = false;
      LastShownPosition = -1;
      ShowPage(false, false, r.position);
      LineIndexFileChanged(0, r.maximum - in.maximum);
      return;
    case watchtick::Action::Empty:
      SetSliderQuiet(MyTrackBar1, 0, 1, 0);
      Doc.FileSize = 0;
      RealFileSize = 0;
      Doc.PagePosition = 0;
      LastPageStart = 0;
      LastLineStart = 0;
      PageLines.clear();
      PageEndOffset = 0;
      ClearTextControl();
      StatusBar1->Panel(0)->SetTextW(statustext::FormatSize(true, 0));
      ForceWatchTick = false;
      LastShownPosition = -1;
      LineIndexFileChanged(0, -in.maximum);
      return;
  }
}

void TVastrelForm::ChkSpBtnClick() {
  const bool down = ChkSpBtn->Down();
  if (WatchThread) {
    if (down)
      WatchThread->Resume();
    else
      WatchThread->Suspend();
  }
  NewTrackBar1->SetVisible(down);
  if (!down) return;
  LastShownPosition = -1;  // the next page request is not skipped
  if (Settings.WatchFromLastLine) WatchFromLastLine();
  if (Settings.ReduceFlicker) RedrawTextView(false);
  if (!IndexHandOver) UpdateLineNumbers();
}

void TVastrelForm::WatchFromLastLine() {
  if (Doc.FilePath.empty() || Doc.FileSize <= 0) return;
  ShowEndPage(true);
}

bool TVastrelForm::PageReachesEnd(int64_t size) const {
  // The view leaves out a line end that closes the file (two units at most).
  const int64_t unit = Doc.TextCode == tcUtf16 ? 2 : 1;
  return PageEndOffset >= size - 2 * unit;
}

int64_t TVastrelForm::EndPageStart(int64_t size) {
  if (Doc.FilePath.empty() || size <= 0) return -1;
  fileops::File file(OpenForReading(Doc.FilePath));
  if (!file.IsOpen()) return -1;
  const bool units16 = Doc.TextCode == tcUtf16;
  const int lines = std::max(1, LinesPerPage());
  // A page holds PageSizeKB of the file: its first line begins no further
  // back than that from the end.
  const int64_t pageBytes = static_cast<int64_t>(static_cast<uint16_t>(UpDown2->Position())) << 10;
  int64_t bound = std::max<int64_t>(0, size - pageBytes);
  if (units16) bound = (bound + 1) & ~int64_t(1);
  const int64_t last = units16 ? std::max<int64_t>(0, (size - 2) & ~int64_t(1)) : size - 1;
  // After the line end that has as many line ends after it as the view has
  // lines less one (a line end that closes the file counts as one).
  const int64_t start = selection::FindLineStartBackBounded(FileReader(file.get()), units16, Doc.ByteOrder == boBigEndian,
                                                            CheckBox6->Checked(), lines - 1, last, bound);
  if (start >= 0) return start;
  return bound == 0 ? 0 : -1;  // the whole file fits on the page
}

void TVastrelForm::ShowEndPage(bool reread) {
  const int64_t max = MyTrackBar1->Max();
  const int step = watchtick::StepFor(max);
  const int64_t at = EndPageStart(max);
  MovingBack = false;
  MovingForward = false;
  if (reread) LastShownPosition = -1;
  if (at == 0 || (at > 0 && at < max - step)) {
    ExactPageStart = true;
    ShowPage(false, false, at);
    ExactPageStart = false;
    return;
  }
  // Lines too long for a page, or all of the last lines within the last
  // step: the page from the line start at or before one below the usable end.
  ShowPage(false, false, std::max<int64_t>(0, max - step - 1));
}

void TVastrelForm::NewTrackBar1Change() {
  if (WatchThread) WatchThread->IntervalMs = static_cast<unsigned>(NewTrackBar1->Position());
}

void TVastrelForm::NewTrackBar1MouseDown(TMouseButton button) {
  if (button == mbRight) NewTrackBar1->SetPosition(1000);
}

void TVastrelForm::CheckBox1Click() {
  const bool noDelete = CheckBox1->Checked();
  // Typed edits and watching exclude each other.
  if (!noDelete && ChkSpBtn->Down()) {
    ChkSpBtn->SetDown(false);
    ChkSpBtnClick();
  }
  ChkSpBtn->SetEnabled(noDelete);
  if (!noDelete && !Doc.FilePath.empty() && GetLineCount() >= 1) OfferBackup();
}

void TVastrelForm::InstallWatchHandlers() {
  ChkSpBtn->OnClick = [this](TWinControl*) { ChkSpBtnClick(); };
  NewTrackBar1->OnChange = [this](TWinControl*) { NewTrackBar1Change(); };
  NewTrackBar1->OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int, int) { NewTrackBar1MouseDown(b); };
  CheckBox1->OnClick = [this](TWinControl*) { CheckBox1Click(); };
}
