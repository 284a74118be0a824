#include "dialogs/AboutDialog.h"

#include "dialogs/VersionBox.h"
#include "framework/Application.h"

std::function<int(HWND)> TAboutDialog::DisplayDepth = [](HWND h) {
  HDC dc = GetDC(h);
  int bits = dc ? GetDeviceCaps(dc, BITSPIXEL) : 32;
  if (dc) ReleaseDC(h, dc);
  return bits;
};

void TAboutDialog::Execute() {
  if (busy_) return;
  // The flag is cleared and the box freed on every way out.
  struct Guard {
    TAboutDialog* d;
    ~Guard() {
      if (d->box_) d->box_->Free();
      d->box_ = nullptr;
      d->busy_ = false;
    }
  } guard{this};
  busy_ = true;

  box_ = NewForm<TVersionBox>(Application->MainForm());
  TVersionBox* box = box_;
  box->StaticText1->SetText(ApplicationTitle + "  " + VerNo);
  box->StaticText1->Font().SetColor(TitleFontColor);
  box->Label2->SetText("Programming by " + ProgramerName);
  box->StaticText2->SetText(VerNoMain);
  box->StaticText2->Font().SetColor(VerFontColor);
  box->Label3->SetText(Year);
  box->Label4->SetText(Corp);

  box->JumpXY = JumpXY;
  box->StretchMax = StretchMax;
  box->UpdateFileName = UpdateFileName.empty() ? std::string("UpdateFilePage.html") : UpdateFileName;
  box->UpdateName = UpdateName;
  box->UpdateFolderName = UpdateFolderName;
  box->UpdateDownFolder = UpdateDownFolder;
  box->VerStr = VerStr;
  box->NoChkDownLoad = NoChkDownLoad;
  box->SiteBase = SiteBase;

  // A display of 256 colours or fewer shows the panel white.
  box->SetPanelColor(DisplayDepth(box->Handle()) <= 10 ? clWhite : BackColor);
  box->Label3->Font().SetColor(DateColor);

  box->ShowModal();
  box->Timer1.SetEnabled(false);
}
