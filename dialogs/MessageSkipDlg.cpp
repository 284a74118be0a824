#include "dialogs/MessageSkipDlg.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"

TMessageSkipDlg* MessageSkipDlg = nullptr;
std::function<void(TMessageSkipDlg&)> TMessageSkipDlg::OnShowHook;

namespace {
const DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Outer width of a form of this style for a client width.
int OuterWidth(int clientWidth) {
  RECT r = {0, 0, clientWidth, 100};
  AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  return r.right - r.left;
}
int OuterHeight(int clientHeight) {
  RECT r = {0, 0, 100, clientHeight};
  AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  return r.bottom - r.top;
}
}  // namespace

TMessageSkipDlg::TMessageSkipDlg(const std::string& caption, TForm* owner, int mode, const std::wstring& text)
    : TForm(owner, L"TMessageSkipDlg") {
  Name = "MessageSkipDlg";
  BorderStyle = bsDialog;
  Position = poScreenCenter;
  MinWidth = 200;
  Font().SetName(L"ＭＳ Ｐゴシック");
  Font().SetHeight(-13);
  SetBounds(0, 0, std::max(OuterWidth(195), 200), OuterHeight(93));

  TFont buttonFont;
  buttonFont.SetName(L"ＭＳ Ｐゴシック");
  buttonFont.SetHeight(-12);
  OKBtn = new TButton(this);
  OKBtn->Name = "OKBtn";
  OKBtn->Font() = buttonFont;
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);  // the single default: Enter answers OK
  OKBtn->ModalResult = mrOk;
  OKBtn->TabStop = true;
  OKBtn->SetBounds(20, 58, 75, 25);
  NoBtn = new TButton(this);
  NoBtn->Name = "NoBtn";
  NoBtn->Font() = buttonFont;
  NoBtn->SetTextW(L"いいえ");
  NoBtn->ModalResult = mrNo;
  NoBtn->TabStop = true;
  NoBtn->SetBounds(100, 58, 75, 25);
  CheckBox1 = new TCheckBox(this);
  CheckBox1->Name = "CheckBox1";
  CheckBox1->Font() = buttonFont;
  CheckBox1->SetTextW(L"全て ");
  CheckBox1->Hint = Cp932FromUtf8("メッセージをスキップ");
  CheckBox1->ShowHint = true;
  CheckBox1->TabStop = true;
  CheckBox1->SetBounds(16, 62, 60, 17);

  MessageMode = mode;
  if (mode == 1) {
    SetWidth(350);
    LabelWidth = Width() - 35;
    LabelHeight = 36;
    CheckBox1->SetWidth(50);
  } else if (mode == 2) {
    SetWidth(370);
    SetHeight(Height() + 30);
    OKBtn->SetTop(OKBtn->Top() + 30);
    LabelWidth = Width() - 35;
    LabelHeight = 66;
    Font().SetName(L"ＭＳ ゴシック");
    CheckBox1->SetVisible(false);
  } else {
    LabelWidth = 170;
    LabelHeight = 36;
  }
  // The No button belongs to the question; beside a notice's OK or check box
  // it would only overlap them.
  NoBtn->SetVisible(mode == 1);
  SetCaption(caption.empty() ? Application->Title() : caption);
  MessageText = text;

  OnCreate = [this](TWinControl*) { FormCreate(); };
  OnResize = [this](TWinControl*) { FormResize(); };
  OnShow = [this](TWinControl*) {
    if (OnShowHook) OnShowHook(*this);
  };
  constructed_ = true;
}

TMessageSkipDlg::~TMessageSkipDlg() {
  if (MessageSkipDlg == this) MessageSkipDlg = nullptr;
  if (MessageLabel && IsWindow(MessageLabel)) DestroyWindow(MessageLabel);
  MessageLabel = nullptr;
}

void TMessageSkipDlg::FormCreate() {
  MessageLabel = CreateWindowExW(0, L"STATIC", MessageText.c_str(), WS_CHILD | WS_VISIBLE, 16, 13, LabelWidth,
                                 LabelHeight, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(MessageLabel, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
  if (MessageMode == 0) FitToMessage();
  FormResize();
}

void TMessageSkipDlg::FitToMessage() {
  HDC dc = GetDC(MessageLabel);
  // The label's font, not the system font that its device context starts with.
  HGDIOBJ old = SelectObject(dc, Font().Handle());
  auto widthOf = [dc](const std::wstring& s) {
    SIZE size = {0, 0};
    if (!s.empty()) GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
    return static_cast<int>(size.cx);
  };
  int widest = 0;
  for (size_t start = 0;;) {
    const size_t end = MessageText.find(L"\r\n", start);
    widest = std::max(widest, widthOf(MessageText.substr(start, end == std::wstring::npos ? end : end - start)));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  if (widest == 0) widest = widthOf(MessageText);
  SelectObject(dc, old);
  ReleaseDC(MessageLabel, dc);
  const int screenLimit = GetSystemMetrics(SM_CXSCREEN) - 100;
  const int client = std::max(200, std::min(widest + 32, screenLimit));
  SetWidth(Width() - ClientWidth() + client);
  SetWindowPos(MessageLabel, nullptr, 0, 0, client - 32, 36, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMessageSkipDlg::FormResize() {
  if (!OKBtn) return;
  const int half = Width() / 2;
  switch (MessageMode) {
    case 0:
      OKBtn->SetLeft(half - OKBtn->Width() - 5);
      CheckBox1->SetLeft(half + 5);
      break;
    case 1:
      OKBtn->SetLeft(half - OKBtn->Width() - 5);
      NoBtn->SetLeft(half + 5);
      CheckBox1->SetLeft(16);
      break;
    case 2:
      OKBtn->SetLeft(half - OKBtn->Width() / 2);
      break;
    default:
      break;
  }
}

void TMessageSkipDlg::SetBounds(int l, int t, int w, int h) {
  if (constructed_ && !Modal() && (l != Left() || t != Top())) Position = poDesigned;
  TForm::SetBounds(l, t, w, h);
}
