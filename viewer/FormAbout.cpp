// The "about" command: the version box with the product's lines and the
// update check's settings.
#include "viewer/VastrelForm.h"

void TVastrelForm::N4Click() {
  TAboutDialog& a = AboutDialog1;
  a.ApplicationTitle = "Vastrel";
  a.VerNoMain = "[ 1.5.2.1 ]";
  a.ProgramerName = "the Vastrel project";
  a.Year = "2026";
  a.Corp = "Orvik";
  a.UpdateName = "Vastrel_Up";
  a.VerStr = "1521";
  a.UpdateFileName = "UpdateFilePageFree.html";
  a.UpdateFolderName = "DownLoadHtml";
  a.UpdateDownFolder = "UpdateFile";
  a.BackColor = 0xBFFFF1;
  a.TitleFontColor = clBlack;
  a.SiteBase = Settings.UpdateSite;
  a.Execute();
}
