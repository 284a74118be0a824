#include "dialogs/VersionBox.h"

#include <cstdlib>

#include "dialogs/UpdateCheck.h"
#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/Cursor.h"
#include "framework/MessageService.h"
#include "framework/Shell.h"

namespace {

std::string J(const char* utf8) { return Cp932FromUtf8(utf8); }

// Static text that shows the hand over itself.
class THandText : public TStaticText {
 public:
  explicit THandText(TWinControl* parent) : TStaticText(parent) {}
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_SETCURSOR && TScreen::ShowOwnCursor(lp, IDC_HAND)) return TRUE;
    return TStaticText::WndProc(msg, wp, lp);
  }
};

// The box's progress bar, "中止" button and close request as the download's
// progress sink.
class BoxProgress : public engine::ProgressSink {
 public:
  BoxProgress(TVersionBox* box, const std::function<bool()>& stop) : box_(box), stop_(stop) {}
  void SetMaximum(int64_t m) override { box_->ColorProgressBar1->SetMax(static_cast<uint64_t>(m)); }
  void Step(int64_t p) override { box_->ColorProgressBar1->SetPosition(static_cast<uint64_t>(p)); }
  bool ShouldStop() override { return stop_(); }

 private:
  TVersionBox* box_;
  std::function<bool()> stop_;
};

const wchar_t kCannotConnect[] = L"インターネットに接続できません。";

}  // namespace

TVersionBox::TVersionBox(TForm* owner) : TForm(owner, L"TVersionBox") {
  BorderStyle = bsDialog;
  Position = poScreenCenter;
  SetTextW(L"バージョン情報");
  Font().SetName(L"ＭＳ Ｐゴシック");
  Font().SetHeight(-12);
  // Client area 298 x 203.
  {
    TCreateParams p;
    CreateParams(p);
    RECT r = {0, 0, 298, 203};
    AdjustWindowRectEx(&r, p.Style, FALSE, p.ExStyle);
    SetBounds(0, 0, r.right - r.left, r.bottom - r.top);
  }

  Panel1 = new TPanel(this);
  Panel1->Name = "Panel1";
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetBounds(0, 0, 298, 160);

  Image1 = new TImage(Panel1);
  Image1->Name = "Image1";
  Image1->SetBounds(8, 8, 64, 64);
  Image1->SetStretch(true);
  Image1->Cursor = IDC_HAND;
  Image1->Picture().SetSize(64, 64);

  Image2 = new TImage(Panel1);
  Image2->Name = "Image2";
  Image2->SetBounds(8, 80, 128, 64);
  Image2->Hide();

  StaticText1 = new TStaticText(Panel1);
  StaticText1->Name = "StaticText1";
  StaticText1->SetAlignment(taCenter);
  StaticText1->Font().SetName(L"ＭＳ Ｐ明朝");
  StaticText1->Font().SetHeight(-19);
  StaticText1->SetBounds(80, 14, 210, 24);

  StaticText2 = new TStaticText(Panel1);
  StaticText2->Name = "StaticText2";
  StaticText2->SetAlignment(taCenter);
  StaticText2->SetBounds(80, 44, 210, 16);
  StaticText2->Hint = J("バージョン");
  StaticText2->ShowHint = true;

  Label2 = new TLabel(Panel1);
  Label2->Name = "Label2";
  Label2->SetBounds(16, 86, 270, 14);

  Label3 = new TLabel(Panel1);
  Label3->Name = "Label3";
  Label3->SetBounds(16, 106, 270, 14);

  Label4 = new THandText(Panel1);
  Label4->Name = "Label4";
  Label4->SetBounds(200, 136, 82, 14);
  Label4->Hint = "Orvik Home";
  Label4->ShowHint = true;
  Label4->OnClick = [this](TWinControl*) { Label4Click(); };

  ColorProgressBar1 = new TColorProgressBar(this);
  ColorProgressBar1->Name = "ColorProgressBar1";
  ColorProgressBar1->SetBounds(92, 173, 198, 18);
  ColorProgressBar1->SetBoxColor(clSilver);
  ColorProgressBar1->SetBarColor(0xFF8000);
  ColorProgressBar1->SetBarStyle(btWin7);
  ColorProgressBar1->Hide();

  OKButton = new TButton(this);
  OKButton->Name = "OKButton";
  OKButton->SetCaption("OK");
  OKButton->SetDefault(true);
  OKButton->ModalResult = mrOk;
  OKButton->TabStop = true;
  OKButton->SetBounds(215, 170, 75, 25);

  UpdateChkBtn = new TButton(this);
  UpdateChkBtn->Name = "UpdateChkBtn";
  UpdateChkBtn->SetCaption("Update");
  UpdateChkBtn->TabStop = true;
  UpdateChkBtn->Hint = J("更新ファイルを確認する|Orvikのサイトへ接続して最新のアップデートファイルの有無を確認します。");
  UpdateChkBtn->ShowHint = true;
  UpdateChkBtn->SetBounds(8, 170, 75, 25);
  UpdateChkBtn->OnClick = [this](TWinControl*) { UpdateChkBtnClick(); };

  Timer1.SetInterval(200);
  Timer1.SetEnabled(false);
  Timer1.OnTimer = [this](TTimer*) { AnimationTick(); };

  Random = []() { return static_cast<uint32_t>(std::rand()); };
  Animation.HomeLeft = Image1->Left();
  Animation.HomeTop = Image1->Top();
  Image1->OnMouseMove = [this](TWinControl*, TShiftState, int, int) { Animation.MouseMoveOnIcon(); };
  Image1->OnMouseDown = [this](TWinControl*, TMouseButton, TShiftState, int, int) { Animation.MouseDownOnIcon(); };
  Panel1->OnMouseMove = [this](TWinControl*, TShiftState, int, int) { Animation.MouseMoveOnPanel(); };

  SetPanelColor(0xFFF0E1);
  LoadFrames();
  OnShow = [this](TWinControl*) { FormShow(); };
}

TVersionBox::~TVersionBox() { Timer1.SetEnabled(false); }

void TVersionBox::CreateParams(TCreateParams& p) {
  TForm::CreateParams(p);
  p.ExStyle |= WS_EX_TOPMOST;
}

void TVersionBox::SetPanelColor(TColor c) {
  Panel1->SetColor(c);
  Image1->SetColor(c);
  for (TWinControl* label : {static_cast<TWinControl*>(StaticText1), static_cast<TWinControl*>(StaticText2),
                             static_cast<TWinControl*>(Label2), static_cast<TWinControl*>(Label3),
                             static_cast<TWinControl*>(Label4)}) {
    label->SetColor(c);
  }
  DrawFrame(Animation.FrameIndex);
}

void TVersionBox::LoadFrames() {
  TBitmap& pic = Image2->Picture();
  pic.SetSize(128, 64);
  pic.Canvas().BrushColor = clBlue;
  pic.Canvas().FillRect(RECT{0, 0, 128, 64});
  HBITMAP bmp = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), L"VERSIONFRAMES", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bmp) return;
  HDC dc = CreateCompatibleDC(pic.Canvas().Handle());
  HGDIOBJ old = SelectObject(dc, bmp);
  BitBlt(pic.Canvas().Handle(), 0, 0, 128, 64, dc, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
}

void TVersionBox::DrawFrame(int frame) {
  TBitmap& pic = Image1->Picture();
  TBitmap& frames = Image2->Picture();
  pic.Canvas().BrushColor = Panel1->Color();
  pic.Canvas().BrushStyle = bsSolid;
  pic.Canvas().FillRect(RECT{0, 0, 64, 64});
  GdiFlush();
  DWORD* dst = pic.Bits();
  const DWORD* src = frames.Bits();
  if (dst && src && frames.Width() >= 128 && frames.Height() >= 64) {
    for (int y = 0; y < 64; y++) {
      for (int x = 0; x < 64; x++) {
        DWORD p = src[y * frames.Width() + 64 * frame + x] & 0xFFFFFF;
        if (p != 0x0000FF) dst[y * 64 + x] = p;  // pure blue is transparent
      }
    }
  }
  Image1->PictureChanged();
}

void TVersionBox::AnimationTick() {
  updatetext::IconAnimation::Step s = Animation.Tick(Random);
  DrawFrame(s.frame);
  int left = s.moved ? s.left : Image1->Left();
  int top = s.moved ? s.top : Image1->Top();
  Image1->SetBounds(left, top, s.size, s.size);
}

void TVersionBox::FormShow() {
  // The maker's line ends 16 pixels from the panel's right edge.
  TBitmap measure(1, 1);
  measure.Canvas().Font = Label4->Font();
  int w = measure.Canvas().TextWidth(Label4->TextW());
  Label4->SetBounds(Panel1->Width() - w - 16, Label4->Top(), w, Label4->Height());
  Animation.JumpXY = JumpXY;
  Animation.StretchMax = StretchMax;
  AnimationTick();
  Timer1.SetEnabled(true);
}

void TVersionBox::Label4Click() {
  const std::wstring address = Cp932ToWide(SiteBase);
  if (!updatetext::IsWebAddress(address)) {
    Say(L"サイトのアドレスが「http://」か「https://」で始まっていないため、開きません。\n" + address);
    return;
  }
  OpenUrl(Handle(), address);
}

int TVersionBox::Say(const std::wstring& text, UINT flags, const std::wstring& caption) {
  return MessageBoxWide(text, caption.empty() ? MessageTitle() : caption, flags, Handle());
}

bool TVersionBox::CloseRequested() { return ModalResult() != mrNone || Application->Terminated(); }

void TVersionBox::UpdateChkBtnClick() {
  if (UpdateIdle == 0) {
    UpdateIdle = 1;  // cancels the download that runs
    return;
  }
  if (checking_) return;
  struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
  } busy(checking_);

  update::UpdateSettings s;
  s.SiteBase = SiteBase;
  s.UpdateFileName = UpdateFileName;
  s.UpdateName = UpdateName;
  s.UpdateFolderName = UpdateFolderName;
  s.UpdateDownFolder = UpdateDownFolder;
  s.VerStr = VerStr;
  s.NoChkDownLoad = NoChkDownLoad;
  update::CheckOutcome o = update::CheckForUpdate(s, [this]() { return CloseRequested(); });
  if (CloseRequested()) return;
  switch (o.result) {
    case update::CheckResult::CannotConnect:
      Say(kCannotConnect);
      return;
    case update::CheckResult::None:
      Say(L"アップデートファイルが有りません！");
      return;
    case update::CheckResult::Latest:
      Say(L"お使いのソフトは、最新のバージョンです。");
      return;
    case update::CheckResult::Stopped:
      return;
    case update::CheckResult::Offer:
      ArchiveName = o.archiveName;
      Download(o.archiveAddress);
      return;
  }
}

void TVersionBox::Download(const std::string& address) {
  const std::wstring name = Cp932ToWide(ArchiveName);
  if (Say(L"最新のアップデートファイルが見つかりました。\n'" + name + L"' をダウンロードしますか？", MB_YESNO,
          L"Update") != IDYES) {
    return;
  }
  std::wstring folder;
  if (!RunFolderDialog(Handle(), L"保存先を選択して下さい", folder) || folder.empty()) return;
  if (CloseRequested()) return;
  if (folder.back() != L'\\') folder += L'\\';

  ColorProgressBar1->SetMax(1);
  ColorProgressBar1->SetPosition(0);
  ColorProgressBar1->Show();
  OKButton->Hide();
  UpdateChkBtn->SetTextW(L"中止");
  UpdateIdle = 0;

  BoxProgress progress(this, [this]() {
    if (CloseRequested()) UpdateIdle = 1;  // closing the box cancels the download
    return UpdateIdle == 1;
  });
  update::DownloadOutcome out = update::DownloadArchive(address, folder + name, progress);

  ColorProgressBar1->Hide();
  UpdateChkBtn->SetCaption("Update");
  OKButton->Show();
  Application->ProcessMessages();

  switch (out.result) {
    case update::DownloadResult::Done: {
      ShellExecuteRequest r;
      r.owner = Handle();
      r.verb = L"open";
      // The folder without its trailing backslash (a drive's root keeps it).
      r.file = folder.size() <= 3 ? folder : folder.substr(0, folder.size() - 1);
      RunShellExecute(r);
      break;
    }
    case update::DownloadResult::Cancelled:
      if (!Application->Terminated()) Say(L"ダウンロードを中止しました。");
      break;
    case update::DownloadResult::CreateError:
      Say(SystemErrorTextWide(out.error));
      break;
    default:
      Say(L"down load error");
      break;
  }
  UpdateIdle = 1;
}
