// The version box: the animated icon, the product's title, version and maker
// lines, OK, and "Update", which checks the update page for a newer archive
// and downloads it into a folder the user picks (dialogs/UpdateCheck.h does
// the Internet work). While a download runs the same button reads "中止" and
// cancels it; a close request then acts as that cancel, and the box closes
// once the download has ended.
//
// Every message has the box as owner and the application title as caption.
// The shell calls (the maker's site, the download folder) go through
// framework/Shell.h, the folder choice through the folder dialog service.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "controls/ColorProgressBar.h"
#include "framework/Form.h"
#include "framework/Image.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "text/UpdateText.h"

class TVersionBox : public TForm {
 public:
  explicit TVersionBox(TForm* owner);
  ~TVersionBox() override;

  TPanel* Panel1;
  TImage* Image1;  // the icon, 64 x 64 at (8, 8), stretched
  TImage* Image2;  // hidden: the two frames side by side
  TStaticText* StaticText1;  // title
  TLabel* Label2;            // programmer
  TStaticText* StaticText2;  // version
  TLabel* Label3;            // year
  TStaticText* Label4;       // maker, a link to the site
  TColorProgressBar* ColorProgressBar1;
  TButton* OKButton;
  TButton* UpdateChkBtn;
  TTimer Timer1;

  // Update settings, handed over before the box is shown (code page 932).
  int JumpXY = 0;
  int StretchMax = 0;
  std::string UpdateFileName, UpdateName, UpdateFolderName, UpdateDownFolder, VerStr;
  bool NoChkDownLoad = false;
  std::string SiteBase;  // the update site, ending in "/"

  // 1 while no download runs, 0 during one; 1 written during one cancels it.
  unsigned char UpdateIdle = 1;
  std::string ArchiveName;
  updatetext::IconAnimation Animation;
  // Random numbers of the animation (std::rand unless replaced).
  std::function<uint32_t()> Random;

  // The panel's colour, which the labels and the icon's background share.
  void SetPanelColor(TColor c);

  void FormShow();
  void AnimationTick();
  void Label4Click();
  void UpdateChkBtnClick();

 protected:
  void CreateParams(TCreateParams& p) override;

 private:
  void LoadFrames();
  void DrawFrame(int frame);
  void Download(const std::string& address);
  int Say(const std::wstring& text, UINT flags = MB_OK, const std::wstring& caption = std::wstring());
  // A close request (or the end of the program) came while a handler ran.
  bool CloseRequested();
  bool checking_ = false;
};
