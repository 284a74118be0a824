// The options command and what the main window applies after it.
#include "controls/MyTrackBar.h"
#include "framework/ComCtrls.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "viewer/OptionsFlow.h"
#include "viewer/VastrelForm.h"

void TVastrelForm::Option1Click() {
  const OptionsOutcome out = RunOptionsFlow(this, Settings, SendToLink, *DialogServicesOf());
  if (!out.ok) return;
  // Nothing is written to the settings file here: it is saved at close.
  if (out.fontSizeChanged) ApplyFontSize();
  if (out.bookmarkFontSizeChanged) ApplyBookmarkFontSize();
}

void TVastrelForm::ApplyFontSize() {
  Memo1->Font().SetSize(Settings.FontSize);
  ListView1->Font().SetSize(Settings.FontSize);
  ListBox2->Font().SetSize(Settings.FontSize);
  ListBox1->Font().SetSize(Settings.FontSize);
  ListBox1->SetItemHeight(-ListBox1->Font().Height() + (CheckBox7->Checked() ? 1 : 0));
  for (HWND pane : {UnwrappedPane, WrappedPane}) {
    if (pane) SendMessageW(pane, WM_SETFONT, reinterpret_cast<WPARAM>(Memo1->Font().Handle()), TRUE);
  }
  ShowPage(false, true, MyTrackBar1->Position());
  if (N26->Checked()) {
    ListBox1->SetWidth(25);
    UpdateLineNumbers();
    ListBox1->Invalidate();
  }
  RedrawTextView(true);
}

void TVastrelForm::ApplyBookmarkFontSize() {
  BockListBox1->Font().SetSize(Settings.BookmarkFontSize);
  BockListBox1->Invalidate();
}
