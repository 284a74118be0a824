// The about component: the product's title, version and maker lines, the
// box's colours and the update settings; Execute shows the version box
// (dialogs/VersionBox.h) modally with them and frees it again.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "framework/Graphics.h"

class TVersionBox;

class TAboutDialog {
 public:
  TAboutDialog() = default;
  TAboutDialog(const TAboutDialog&) = delete;
  TAboutDialog& operator=(const TAboutDialog&) = delete;

  // Code page 932 texts.
  std::string ApplicationTitle;  // first part of the title line
  std::string VerNo;             // second part of the title line
  std::string VerNoMain;         // version line
  std::string ProgramerName;     // after "Programming by "
  std::string Year;              // year line
  std::string Corp;              // maker line, the link to the site
  std::string UpdateName;        // base name of the update archive
  std::string VerStr;            // the program's version for the update check
  std::string UpdateFileName;    // update page ("UpdateFilePage.html" when empty)
  std::string UpdateFolderName = "DownLoadHtml";
  std::string UpdateDownFolder = "UpdateFile";
  std::string SiteBase;          // the update site, ending in "/"
  TColor BackColor = 0xBFFFF1;
  TColor DateColor = 0x606060;
  TColor TitleFontColor = 0x000000;
  TColor VerFontColor = 0x606060;
  int JumpXY = 2;
  int StretchMax = 5;
  bool NoChkDownLoad = false;

  // Shows the box and returns when it has closed. A call while the box is
  // open returns at once.
  void Execute();
  bool Busy() const { return busy_; }

  // The box while Execute runs (nullptr otherwise).
  TVersionBox* Box() const { return box_; }

  // Bits per pixel of the display under a window (GetDeviceCaps BITSPIXEL);
  // tests replace it.
  static std::function<int(HWND)> DisplayDepth;

 private:
  bool busy_ = false;
  TVersionBox* box_ = nullptr;
};
