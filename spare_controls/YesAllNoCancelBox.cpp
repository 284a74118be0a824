#include "spare_controls/YesAllNoCancelBox.h"
#include "framework/Cp932.h"

// The picture area of the dialog.
class TYesAllNoCancelPaintBox : public TCustomControl {
 public:
  TYesAllNoCancelPaintBox(TWinControl* parent, TYesAllNoCancelDlg* dlg) : TCustomControl(parent), dlg_(dlg) {}

 protected:
  void CreateParams(TCreateParams& p) override {
    TCustomControl::CreateParams(p);
    p.ClassName = L"TYesAllNoCancelPaintBox";
  }
  void Paint() override { dlg_->PaintBox1Paint(Canvas(), width_, height_); }

 private:
  TYesAllNoCancelDlg* dlg_;
};

// ---- the dialog

TYesAllNoCancelDlg::TYesAllNoCancelDlg(const std::string& caption, TForm* owner, const std::wstring& text)
    : TForm(owner, L"TYesAllNoCancelDlg"), MessageText(text) {
  BorderStyle = bsDialog;
  Position = poScreenCenter;
  SetText(Cp932FromUtf8(u8"ダイアログ"));
  Font().SetName(L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");  // ＭＳ Ｐゴシック
  Font().SetHeight(-17);
  SetBounds(0, 0, 555, 200);
  PaintBox1 = new TYesAllNoCancelPaintBox(this, this);
  PaintBox1->SetBounds(15, 16, 45, 45);
  Panel1 = new TPanel(this);
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetHeight(68);
  Panel1->SetAlign(alBottom);
  CheckBox1 = new TCheckBox(Panel1);
  CheckBox1->SetBounds(15, 6, 420, 22);
  CheckBox1->Hide();
  OKBtn = new TButton(Panel1);
  OKBtn->SetCaption(Cp932FromUtf8(u8"はい"));
  OKBtn->ModalResult = mrYes;
  OKBtn->SetBounds(216, 32, 100, 28);
  NoBtn = new TButton(Panel1);
  NoBtn->SetCaption(Cp932FromUtf8(u8"いいえ"));
  NoBtn->ModalResult = mrNo;
  NoBtn->SetBounds(326, 32, 100, 28);
  CancelBtn = new TButton(Panel1);
  CancelBtn->SetCaption(Cp932FromUtf8(u8"キャンセル"));
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->Cancel = true;
  CancelBtn->SetBounds(436, 32, 100, 28);
  SetText(caption);
  SetClientSize(547, 164);
  FormCreate();
}

TYesAllNoCancelDlg::~TYesAllNoCancelDlg() {
  // FormDestroy: the brush and the label go.
  if (MessageLabel) DestroyWindow(MessageLabel);
  MessageLabel = nullptr;
  if (faceBrush_) DeleteObject(faceBrush_);
}

void TYesAllNoCancelDlg::SetClientSize(int w, int h) {
  HWND hw = Handle();
  RECT wr, cr;
  GetWindowRect(hw, &wr);
  GetClientRect(hw, &cr);
  int dw = (wr.right - wr.left) - (cr.right - cr.left), dh = (wr.bottom - wr.top) - (cr.bottom - cr.top);
  SetBounds(Left(), Top(), w + dw, h + dh);
  Realign();
}

void TYesAllNoCancelDlg::FormCreate() {
  faceBrush_ = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  labelFont_ = Font();
  int left = PaintBox1->Left() + PaintBox1->Width() + 10;
  int width = ClientWidth() - (PaintBox1->Left() + PaintBox1->Width()) - 20;
  MessageLabel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, left, PaintBox1->Top(), width,
                                 PaintBox1->Height(), Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(MessageLabel, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.Handle()), FALSE);
  SetMessage(MessageText);
}

void TYesAllNoCancelDlg::SetDialogFont(const TFont& f) {
  Font() = f;
  std::function<void(TWinControl*)> apply = [&](TWinControl* c) {
    for (TWinControl* k : c->Controls()) {
      k->Font() = f;
      apply(k);
    }
  };
  apply(this);
  // The label keeps a font of its own, so its handle lives as long as the label.
  labelFont_ = f;
  if (MessageLabel) SendMessageW(MessageLabel, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.Handle()), TRUE);
  SetMessage(MessageText);
}

void TYesAllNoCancelDlg::SetMessage(const std::wstring& text) {
  MessageText = text;
  if (!MessageLabel) return;
  RECT lr;
  GetClientRect(MessageLabel, &lr);
  RECT r{0, 0, lr.right, 0};
  HDC dc = GetDC(MessageLabel);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(MessageLabel, WM_GETFONT, 0, 0)));
  DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(MessageLabel, dc);
  int textH = r.bottom - r.top;
  int need = textH + PaintBox1->Top() + 10;
  int panelTop = ClientHeight() - Panel1->Height();
  int labelH = textH;
  if (need > panelTop) {
    int clientH = Panel1->Height() + need;
    // Never taller than the screen's work area: the label clips what is left.
    RECT wr, cr;
    GetWindowRect(Handle(), &wr);
    GetClientRect(Handle(), &cr);
    int frame = (wr.bottom - wr.top) - (cr.bottom - cr.top);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &mi);
    int maxClient = (mi.rcWork.bottom - mi.rcWork.top) - frame;
    if (clientH > maxClient) {
      clientH = maxClient;
      labelH = clientH - Panel1->Height() - PaintBox1->Top() - 10;
      if (labelH < 0) labelH = 0;
    }
    SetClientSize(ClientWidth(), clientH);
    if (Position == poScreenCenter) {
      int top = mi.rcWork.top + ((mi.rcWork.bottom - mi.rcWork.top) - Height()) / 2;
      SetTop(top < mi.rcWork.top ? mi.rcWork.top : top);
    }
  }
  SetWindowPos(MessageLabel, nullptr, 0, 0, lr.right, labelH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowTextW(MessageLabel, text.c_str());
}

void TYesAllNoCancelDlg::PaintBox1Paint(TCanvas& c, int w, int h) {
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(RECT{0, 0, w, h});
  if (!ImageList || ImageIndex < 0 || ImageIndex >= ImageList_GetImageCount(ImageList)) return;
  int iw = 0, ih = 0;
  ImageList_GetIconSize(ImageList, &iw, &ih);
  if (iw <= 0 || ih <= 0) return;
  TBitmap pic(iw, ih);
  pic.Canvas().BrushColor = color_;
  pic.Canvas().FillRect(RECT{0, 0, iw, ih});
  ImageList_Draw(ImageList, ImageIndex, pic.Canvas().Handle(), 0, 0, ILD_NORMAL);
  SetStretchBltMode(c.Handle(), COLORONCOLOR);
  StretchBlt(c.Handle(), 0, 0, w, h, pic.Canvas().Handle(), 0, 0, iw, ih, SRCCOPY);
}

LRESULT TYesAllNoCancelDlg::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC && MessageLabel && reinterpret_cast<HWND>(lp) == MessageLabel) {
    SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
    return reinterpret_cast<LRESULT>(faceBrush_);
  }
  return TForm::WndProc(msg, wp, lp);
}

// ---- the component

TYesAllNoCancelBox::TYesAllNoCancelBox() = default;

TYesAllNoCancelBox::~TYesAllNoCancelBox() {
  if (dlg_) dlg_->Free();
}

void TYesAllNoCancelBox::SetOkBtnHint(const std::string& v) {
  okHint_ = v;
  if (dlg_) dlg_->OKBtn->Hint = v;
}
void TYesAllNoCancelBox::SetNoBtnHint(const std::string& v) {
  noHint_ = v;
  if (dlg_) dlg_->NoBtn->Hint = v;
}
void TYesAllNoCancelBox::SetCancelBtnHint(const std::string& v) {
  cancelHint_ = v;
  if (dlg_) dlg_->CancelBtn->Hint = v;
}
void TYesAllNoCancelBox::SetOkBtnShowHint(bool v) {
  okShowHint_ = v;
  if (dlg_) dlg_->OKBtn->ShowHint = v;
}
void TYesAllNoCancelBox::SetNoBtnShowHint(bool v) {
  noShowHint_ = v;
  if (dlg_) dlg_->NoBtn->ShowHint = v;
}
void TYesAllNoCancelBox::SetCancelBtnShowHint(bool v) {
  cancelShowHint_ = v;
  if (dlg_) dlg_->CancelBtn->ShowHint = v;
}
void TYesAllNoCancelBox::SetOkBtnEnabled(bool v) {
  okEnabled_ = v;
  if (dlg_) dlg_->OKBtn->SetEnabled(v);
}
void TYesAllNoCancelBox::SetNoBtnEnabled(bool v) {
  noEnabled_ = v;
  if (dlg_) dlg_->NoBtn->SetEnabled(v);
}
void TYesAllNoCancelBox::SetCancelBtnEnabled(bool v) {
  cancelEnabled_ = v;
  if (dlg_) dlg_->CancelBtn->SetEnabled(v);
}

int TYesAllNoCancelBox::Execute() {
  int result = 0;
  try {
    dlg_ = NewForm<TYesAllNoCancelDlg>(Title, OwnerForm, Msg);
    if (ImageList) {
      dlg_->ImageList = ImageList;
      dlg_->ImageIndex = ImageIndex;
    }
    dlg_->SetDialogFont(font_);
    dlg_->CheckBox1->SetVisible(CheckBoxVisible);
    dlg_->CheckBox1->SetCaption(CheckBoxCaption);
    dlg_->OKBtn->SetCaption(OkBtnCaption);
    dlg_->OKBtn->Hint = okHint_;
    dlg_->OKBtn->ShowHint = okShowHint_;
    dlg_->OKBtn->SetEnabled(okEnabled_);
    dlg_->NoBtn->SetCaption(NoBtnCaption);
    dlg_->NoBtn->Hint = noHint_;
    dlg_->NoBtn->ShowHint = noShowHint_;
    dlg_->NoBtn->SetEnabled(noEnabled_);
    dlg_->CancelBtn->Hint = cancelHint_;
    dlg_->CancelBtn->ShowHint = cancelShowHint_;
    dlg_->CancelBtn->SetEnabled(cancelEnabled_);
    BeforeShow(*dlg_);
    result = dlg_->ShowModal();
    CheckBoxChecked = dlg_->CheckBox1->Checked();
  } catch (...) {
    result = 0;
  }
  if (dlg_) {
    TYesAllNoCancelDlg* d = dlg_;
    dlg_ = nullptr;
    d->Free();
  }
  return result;
}
