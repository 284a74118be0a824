#include "framework/InputQuery.h"

#include <windows.h>

#include <algorithm>

#include "framework/Cp932.h"
#include "framework/StdCtrls.h"

namespace {

// The form that owns the box when the caller names none.
TForm* ActiveProgramForm() {
  if (TForm* modal = TForm::InnermostModal()) return modal;
  return nullptr;
}

// Width of text in the form's font.
int TextWidth(TForm& form, const std::wstring& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, form.Font().Handle());
  SIZE s = {0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return s.cx;
}

}  // namespace

TInputQueryForm::TInputQueryForm(TForm* owner, const std::string& caption, const std::string& prompt,
                                 const std::string& value)
    : TForm(owner, L"TInputQueryForm") {
  SetCaption(caption);
  BorderStyle = bsDialog;
  Position = poScreenCenter;
  Font().SetName(L"ＭＳ Ｐゴシック");
  Font().SetHeight(-12);
  const std::wstring promptW = Cp932ToWide(prompt);
  const int clientWidth = std::max(260, std::min(TextWidth(*this, promptW) + 32, 600));
  RECT r = {0, 0, clientWidth, 104};
  AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, FALSE, WS_EX_DLGMODALFRAME);
  SetBounds(0, 0, r.right - r.left, r.bottom - r.top);

  Prompt = new TLabel(this);
  Prompt->SetTextW(promptW);
  Prompt->SetBounds(16, 12, clientWidth - 32, 16);
  Edit = new TEdit(this);
  Edit->TabStop = true;
  Edit->SetText(value);
  Edit->SetBounds(16, 32, clientWidth - 32, 21);
  OKBtn = new TButton(this);
  OKBtn->SetTextW(L"OK");
  OKBtn->SetDefault(true);
  OKBtn->ModalResult = mrOk;
  OKBtn->TabStop = true;
  OKBtn->SetBounds(clientWidth / 2 - 75 - 4, 68, 75, 25);
  CancelBtn = new TButton(this);
  CancelBtn->SetTextW(L"キャンセル");
  CancelBtn->Cancel = true;
  CancelBtn->ModalResult = mrCancel;
  CancelBtn->TabStop = true;
  CancelBtn->SetBounds(clientWidth / 2 + 4, 68, 75, 25);
  SetActiveControl(Edit);
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value, TForm* owner) {
  auto* box = NewForm<TInputQueryForm>(owner ? owner : ActiveProgramForm(), caption, prompt, value);
  box->OnShow = [box](TWinControl*) { box->Edit->SelectAll(); };
  const bool ok = box->ShowModal() == mrOk;
  if (ok) value = box->Edit->Text();
  box->Free();
  return ok;
}
