#include "framework/StdCtrls.h"
#include <algorithm>
#include "framework/Cp932.h"
#include "framework/Form.h"

LRESULT AnswerColour(HDC dc, TColor fontColour, TColor back, TControlBrush& brush) {
  SetTextColor(dc, ColorToRGB(fontColour));
  SetBkColor(dc, ColorToRGB(back));
  return reinterpret_cast<LRESULT>(brush.Get(back));
}

bool IsColourRequest(UINT msg) {
  return msg == CN_BASE + WM_CTLCOLOREDIT || msg == CN_BASE + WM_CTLCOLORSTATIC || msg == CN_BASE + WM_CTLCOLORLISTBOX ||
         msg == CN_BASE + WM_CTLCOLORBTN;
}

namespace {

// Bytes that one UTF-16 unit takes in code page 932 (0 for the low half of a
// surrogate pair, whose high half carries the pair's bytes).
unsigned char g_unitBytes[65536];  // 0: not yet known

int UnitBytes(const wchar_t* w, size_t i, size_t n) {
  wchar_t c = w[i];
  if (c < 0x80) return 1;
  if (c >= 0xD800 && c <= 0xDFFF) {
    if (c <= 0xDBFF && i + 1 < n && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
      return WideCharToMultiByte(932, 0, w + i, 2, nullptr, 0, nullptr, nullptr);
    }
    if (c >= 0xDC00 && i > 0 && w[i - 1] >= 0xD800 && w[i - 1] <= 0xDBFF) return 0;
    return WideCharToMultiByte(932, 0, w + i, 1, nullptr, 0, nullptr, nullptr);
  }
  unsigned char& known = g_unitBytes[c];
  if (!known) known = static_cast<unsigned char>(WideCharToMultiByte(932, 0, &c, 1, nullptr, 0, nullptr, nullptr));
  return known;
}

std::string AdjustLineBreaks(const std::string& t) {
  std::string out;
  out.reserve(t.size() + t.size() / 16);
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < t.size() && t[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}
}  // namespace

bool SameFont(const TFont& a, const TFont& b) {
  return a.Name() == b.Name() && a.Size() == b.Size() && a.Style() == b.Style() && a.Charset() == b.Charset();
}

void TakeFont(TCanvas& canvas, const TFont& font) {
  if (!SameFont(canvas.Font, font)) canvas.Font = font;
  canvas.Font.SetColor(font.Color());
}

// ---- TControlBrush

TControlBrush::~TControlBrush() {
  if (brush_) DeleteObject(brush_);
}

HBRUSH TControlBrush::Get(TColor c) {
  COLORREF rgb = ColorToRGB(c);
  if (!brush_ || rgb != rgb_) {
    if (brush_) DeleteObject(brush_);
    brush_ = CreateSolidBrush(rgb);
    rgb_ = rgb;
  }
  return brush_;
}

// ---- TPanel

TPanel::TPanel(TWinControl* parent) : TCustomControl(parent) {
  width_ = 185;
  height_ = 41;
}

void TPanel::CreateParams(TCreateParams& p) {
  p.ClassName = L"TPanel";
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
}

void TPanel::SetTextW(const std::wstring& t) {
  // The same text again changes nothing on screen: no repaint.
  if (t == text_) return;
  TWinControl::SetTextW(t);
  // Where nothing else in it waits to be painted, the panel is drawn whole at
  // once, which spares a paint of its own (a panel's text changes with each
  // page shown, and each paint costs far more than the drawing).
  if (hwnd_ && IsWindowVisible(hwnd_) && !GetUpdateRect(hwnd_, nullptr, FALSE)) {
    HDC dc = GetDC(hwnd_);
    PaintWindow(dc);
    ReleaseDC(hwnd_, dc);
    return;
  }
  Invalidate();
}

void TPanel::Changed() {
  Realign();
  Invalidate();
}

void TPanel::SetAlignment(TAlignment a) {
  if (a != alignment_) {
    alignment_ = a;
    Invalidate();
  }
}
void TPanel::SetBevelOuter(TBevelCut b) {
  if (b != bevelOuter_) {
    bevelOuter_ = b;
    Changed();
  }
}
void TPanel::SetBevelInner(TBevelCut b) {
  if (b != bevelInner_) {
    bevelInner_ = b;
    Changed();
  }
}
void TPanel::SetBevelWidth(int w) {
  if (w < 1) w = 1;
  if (w != bevelWidth_) {
    bevelWidth_ = w;
    Changed();
  }
}
void TPanel::SetBorderWidth(int w) {
  if (w < 0) w = 0;
  if (w != borderWidth_) {
    borderWidth_ = w;
    Changed();
  }
}

void TPanel::AdjustClientRect(RECT& r) {
  int inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  InflateRect(&r, -inset, -inset);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
}

namespace {
void DrawBevel(TCanvas& c, RECT& r, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  TColor tl = cut == bvRaised ? clBtnHighlight : clBtnShadow;
  TColor br = cut == bvRaised ? clBtnShadow : clBtnHighlight;
  for (int i = 0; i < width; ++i) {
    c.BrushColor = tl;
    c.FillRect(RECT{r.left, r.top, r.right, r.top + 1});
    c.FillRect(RECT{r.left, r.top, r.left + 1, r.bottom});
    c.BrushColor = br;
    c.FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom});
    c.FillRect(RECT{r.right - 1, r.top, r.right, r.bottom});
    InflateRect(&r, -1, -1);
  }
}
}  // namespace

void TPanel::Paint() {
  TCanvas& c = Canvas();
  RECT r = {0, 0, ClientWidth(), ClientHeight()};
  c.BrushStyle = bsSolid;
  c.BrushColor = color_;
  c.FillRect(r);
  DrawBevel(c, r, bevelOuter_, bevelWidth_);
  InflateRect(&r, -borderWidth_, -borderWidth_);
  DrawBevel(c, r, bevelInner_, bevelWidth_);
  if (!text_.empty() || HandleAllocated()) {
    std::wstring caption = TextW();
    if (!caption.empty()) {
      UINT fmt = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                 (alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT);
      c.TextRect(r, caption, fmt);
    }
  }
}

// ---- TStaticText, TLabel

TStaticText::TStaticText(TWinControl* parent) : TWinControl(parent) {
  width_ = 65;
  height_ = 17;
}

TLabel::TLabel(TWinControl* parent) : TStaticText(parent) { notify_ = false; }

void TStaticText::CreateParams(TCreateParams& p) {
  p.ClassName = L"STATIC";
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (notify_) p.Style |= SS_NOTIFY;
  p.Style |= alignment_ == taCenter ? SS_CENTER : alignment_ == taRightJustify ? SS_RIGHT : SS_LEFT;
  if (borderStyle_ == sbsSunken) p.Style |= SS_SUNKEN;
  if (borderStyle_ == sbsSingle) p.Style |= WS_BORDER;
}

void TStaticText::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  RecreateWnd();
}

void TStaticText::SetBorderStyle(TStaticBorderStyle b) {
  if (b == borderStyle_) return;
  borderStyle_ = b;
  RecreateWnd();
}

LRESULT TStaticText::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_COMMAND) {
    if (HIWORD(wp) == STN_CLICKED) Click();
    if (HIWORD(wp) == STN_DBLCLK) DblClick();
    return 0;
  }
  if (IsColourRequest(msg)) return AnswerColour(reinterpret_cast<HDC>(wp), font_.Color(), color_, brush_);
  if (msg == WM_SETTEXT) {
    LRESULT r = TWinControl::WndProc(msg, wp, lp);
    InvalidateRect(hwnd_, nullptr, TRUE);
    return r;
  }
  bool handled;
  LRESULT r = MouseAfterNative(msg, wp, lp, false, handled);
  if (handled) return r;
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TCheckBox

TCheckBox::TCheckBox(TWinControl* parent) : TWinControl(parent) {
  width_ = 97;
  height_ = 17;
  TabStop = true;
}

void TCheckBox::CreateParams(TCreateParams& p) {
  p.ClassName = L"BUTTON";
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | BS_AUTOCHECKBOX;
  if (alignment_ == taLeftJustify) p.Style |= BS_LEFTTEXT;
}

void TCheckBox::AfterCreate() { SendMessageW(hwnd_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0); }

bool TCheckBox::Checked() {
  if (hwnd_) checked_ = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  return checked_;
}

void TCheckBox::SetChecked(bool v) {
  if (v == Checked()) return;
  checked_ = v;
  if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
  Click();
}

void TCheckBox::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  RecreateWnd();
}

LRESULT TCheckBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_COMMAND) {
    if (HIWORD(wp) == BN_CLICKED) {
      checked_ = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
      Click();
    }
    return 0;
  }
  if (IsColourRequest(msg)) return AnswerColour(reinterpret_cast<HDC>(wp), font_.Color(), color_, brush_);
  bool handled;
  LRESULT r = MouseAfterNative(msg, wp, lp, false, handled);
  if (handled) return r;
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TButton

TButton::TButton(TWinControl* parent) : TWinControl(parent) {
  width_ = 75;
  height_ = 25;
  TabStop = true;
}

void TButton::CreateParams(TCreateParams& p) {
  p.ClassName = L"BUTTON";
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  if (hwnd_) SendMessageW(hwnd_, BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  TWinControl::Click();
  if (ModalResult != 0) {
    if (TForm* f = ParentForm()) f->SetModalResult(ModalResult);
  }
}

bool TButton::DialogKey(WORD key) {
  if (!visible_ || !enabled_) return false;
  if (key == VK_RETURN) {
    TButton* focused = dynamic_cast<TButton*>(FromHandle(GetFocus()));
    if (focused == this || (!focused && default_)) {
      Click();
      return true;
    }
  } else if (key == VK_ESCAPE && Cancel) {
    Click();
    return true;
  }
  return false;
}

LRESULT TButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_COMMAND) {
    if (HIWORD(wp) == BN_CLICKED) Click();
    return 0;
  }
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TEdit

TEdit::TEdit(TWinControl* parent) : TWinControl(parent) {
  width_ = 121;
  height_ = 21;
  TabStop = true;
  color_ = clWindow;
}

void TEdit::CreateParams(TCreateParams& p) {
  p.ClassName = L"EDIT";
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0);
  p.ExStyle = WS_EX_CLIENTEDGE;
}

void TEdit::AfterCreate() {
  if (maxLength_ > 0) SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TEdit::SetTextW(const std::wstring& t) {
  settingText_ = true;
  TWinControl::SetTextW(t);
  settingText_ = false;
}

void TEdit::SetMaxLength(int n) {
  maxLength_ = n < 0 ? 0 : n;
  if (hwnd_) SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  if (hwnd_) SendMessageW(hwnd_, EM_SETREADONLY, v, 0);
}

void TEdit::SelectAll() {
  if (hwnd_) SendMessageW(hwnd_, EM_SETSEL, 0, -1);
}

LRESULT TEdit::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_COMMAND) {
    if (HIWORD(wp) == EN_CHANGE && !settingText_ && OnChange) OnChange(this);
    return 0;
  }
  if (IsColourRequest(msg)) return AnswerColour(reinterpret_cast<HDC>(wp), font_.Color(), color_, brush_);
  bool handled;
  LRESULT r = MouseAfterNative(msg, wp, lp, true, handled);
  if (handled) return r;
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TMemo

TMemo::TMemo(TWinControl* parent) : TWinControl(parent) {
  width_ = 185;
  height_ = 89;
  TabStop = true;
  color_ = clWindow;
}

void TMemo::CreateParams(TCreateParams& p) {
  p.ClassName = L"EDIT";
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (!wordWrap_) p.Style |= ES_AUTOHSCROLL;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) p.Style |= WS_VSCROLL;
  if ((scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && !wordWrap_) p.Style |= WS_HSCROLL;
  if (readOnly_) p.Style |= ES_READONLY;
  if (!hideSelection_) p.Style |= ES_NOHIDESEL;
  p.ExStyle = BorderNone ? 0 : WS_EX_CLIENTEDGE;
}

void TMemo::AfterCreate() {
  SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  mapValid_ = false;
}

void TMemo::Rebuild() {
  std::wstring w = TextW();
  size_t n = w.size();
  prefix_.assign(n + 1, 0);
  int total = 0;
  for (size_t i = 0; i < n; ++i) {
    prefix_[i] = total;
    total += UnitBytes(w.data(), i, n);
  }
  prefix_[n] = total;
  mapValid_ = true;
}

void TMemo::EnsureMap() {
  if (!mapValid_) Rebuild();
}

int TMemo::ByteToUnit(int b) {
  EnsureMap();
  if (b <= 0) return 0;
  if (b >= prefix_.back()) return static_cast<int>(prefix_.size()) - 1;
  auto it = std::upper_bound(prefix_.begin(), prefix_.end(), b);
  return static_cast<int>(it - prefix_.begin()) - 1;
}

int TMemo::UnitToByte(int u) {
  EnsureMap();
  if (u <= 0) return 0;
  if (u >= static_cast<int>(prefix_.size())) return prefix_.back();
  return prefix_[static_cast<size_t>(u)];
}

std::string TMemo::Text() { return WideToCp932(TextW()); }
void TMemo::SetText(const std::string& t) { SetTextW(Cp932ToWide(t)); }
std::wstring TMemo::TextW() { return TWinControl::TextW(); }

void TMemo::SetTextW(const std::wstring& t) {
  settingText_ = true;
  TWinControl::SetTextW(t);
  settingText_ = false;
  Rebuild();
}

void TMemo::SetLinesText(const std::string& t) { SetText(AdjustLineBreaks(t)); }
void TMemo::Clear() { SetTextW(std::wstring()); }

int TMemo::TextLength() {
  EnsureMap();
  return prefix_.back();
}

std::string TMemo::Line(int n) {
  if (!hwnd_) return std::string();
  LRESULT start = SendMessageW(hwnd_, EM_LINEINDEX, static_cast<WPARAM>(n), 0);
  if (start < 0) return std::string();
  int len = static_cast<int>(SendMessageW(hwnd_, EM_LINELENGTH, static_cast<WPARAM>(start), 0));
  if (len <= 0) return std::string();
  if (len > 0xFFFF) {
    // EM_GETLINE takes the buffer size in one word: a longer line comes from the whole text.
    std::wstring w = TextW();
    size_t from = std::min(static_cast<size_t>(start), w.size());
    return WideToCp932(w.substr(from, static_cast<size_t>(len)));
  }
  std::wstring buf(static_cast<size_t>(len) + 2, L'\0');
  *reinterpret_cast<WORD*>(&buf[0]) = static_cast<WORD>(len);
  int got = static_cast<int>(SendMessageW(hwnd_, EM_GETLINE, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&buf[0])));
  if (got < 0) got = 0;
  buf.resize(static_cast<size_t>(std::min(got, len)));
  return WideToCp932(buf);
}

int TMemo::SelStart() {
  if (!hwnd_) return 0;
  DWORD s = 0, e = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return UnitToByte(static_cast<int>(s));
}

int TMemo::SelLength() {
  if (!hwnd_) return 0;
  DWORD s = 0, e = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return UnitToByte(static_cast<int>(e)) - UnitToByte(static_cast<int>(s));
}

void TMemo::SetSelStart(int b) {
  if (!Handle()) return;
  int u = ByteToUnit(b);
  SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(u), u);
}

void TMemo::SetSelLength(int bytes) {
  if (!Handle()) return;
  DWORD s = 0, e = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  int start = UnitToByte(static_cast<int>(s));
  SendMessageW(hwnd_, EM_SETSEL, s, ByteToUnit(start + bytes));
}

void TMemo::SetSelection(int startByte, int endByte) {
  if (!Handle()) return;
  WPARAM s = startByte < 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(ByteToUnit(startByte));
  LPARAM e = endByte < 0 ? -1 : ByteToUnit(endByte);
  SendMessageW(hwnd_, EM_SETSEL, s, e);
}

std::string TMemo::SelText() {
  if (!hwnd_) return std::string();
  DWORD s = 0, e = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  if (e <= s) return std::string();
  std::wstring w = TextW();
  if (s >= w.size()) return std::string();
  return WideToCp932(w.substr(s, std::min<size_t>(e, w.size()) - s));
}

void TMemo::SelectAll() {
  if (Handle()) SendMessageW(hwnd_, EM_SETSEL, 0, -1);
}

int TMemo::LineCount() {
  if (!Handle()) return 0;
  return static_cast<int>(SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0));
}

int TMemo::LineIndex(int line) {
  if (!Handle()) return -1;
  LRESULT u = SendMessageW(hwnd_, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  return u < 0 ? -1 : UnitToByte(static_cast<int>(u));
}

int TMemo::LineFromChar(int b) {
  if (!Handle()) return 0;
  WPARAM u = b < 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(ByteToUnit(b));
  return static_cast<int>(SendMessageW(hwnd_, EM_LINEFROMCHAR, u, 0));
}

int TMemo::LineLength(int b) {
  if (!Handle()) return 0;
  int line = LineFromChar(b);
  LRESULT start = SendMessageW(hwnd_, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  if (start < 0) return 0;
  LRESULT len = SendMessageW(hwnd_, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  return UnitToByte(static_cast<int>(start + len)) - UnitToByte(static_cast<int>(start));
}

POINT TMemo::CaretPos() {
  POINT p = {0, 0};
  if (!Handle()) return p;
  DWORD s = 0, e = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  int line = static_cast<int>(SendMessageW(hwnd_, EM_LINEFROMCHAR, e, 0));
  LRESULT start = SendMessageW(hwnd_, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  p.y = line;
  p.x = UnitToByte(static_cast<int>(e)) - UnitToByte(static_cast<int>(start < 0 ? 0 : start));
  return p;
}

void TMemo::ScrollCaret() {
  if (Handle()) SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
}

int TMemo::GetFirstVisibleLine() {
  if (!Handle()) return 0;
  return static_cast<int>(SendMessageW(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0));
}

void TMemo::LineScroll(int dx, int dy) {
  if (Handle()) SendMessageW(hwnd_, EM_LINESCROLL, static_cast<WPARAM>(dx), dy);
}

bool TMemo::Modified() { return hwnd_ && SendMessageW(hwnd_, EM_GETMODIFY, 0, 0) != 0; }
void TMemo::SetModified(bool v) {
  if (Handle()) SendMessageW(hwnd_, EM_SETMODIFY, v, 0);
}

void TMemo::SetReadOnly(bool v) {
  readOnly_ = v;
  if (hwnd_) SendMessageW(hwnd_, EM_SETREADONLY, v, 0);
}

void TMemo::SetMaxLength(int n) {
  maxLength_ = n < 0 ? 0 : n;
  if (hwnd_) SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

namespace {
// Re-creates a memo's window keeping what the window itself holds.
struct MemoState {
  DWORD s = 0, e = 0;
  bool modified = false;
  LRESULT firstChar = 0;
};
}  // namespace

void TMemo::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  if (!hwnd_) return;
  MemoState st;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&st.s), reinterpret_cast<LPARAM>(&st.e));
  st.modified = SendMessageW(hwnd_, EM_GETMODIFY, 0, 0) != 0;
  st.firstChar = SendMessageW(hwnd_, EM_LINEINDEX, SendMessageW(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  RecreateWnd();
  if (!hwnd_) return;
  mapValid_ = false;
  SendMessageW(hwnd_, EM_SETSEL, st.s, st.e);
  SendMessageW(hwnd_, EM_SETMODIFY, st.modified, 0);
  LRESULT line = SendMessageW(hwnd_, EM_LINEFROMCHAR, static_cast<WPARAM>(st.firstChar < 0 ? 0 : st.firstChar), 0);
  LRESULT now = SendMessageW(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0);
  if (line != now) SendMessageW(hwnd_, EM_LINESCROLL, 0, line - now);
}

void TMemo::SetScrollBars(TScrollStyle s) {
  if (s == scrollBars_) return;
  // The same re-creation as for word wrap.
  bool wrap = wordWrap_;
  scrollBars_ = s;
  if (!hwnd_) return;
  wordWrap_ = !wrap;  // SetWordWrap re-creates only on a change
  SetWordWrap(wrap);
}

void TMemo::SetHideSelection(bool v) {
  if (v == hideSelection_) return;
  hideSelection_ = v;
  if (!hwnd_) return;
  bool wrap = wordWrap_;
  wordWrap_ = !wrap;
  SetWordWrap(wrap);
}

LRESULT TMemo::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_COMMAND) {
    if (HIWORD(wp) == EN_CHANGE) {
      mapValid_ = false;
      if (!settingText_ && OnChange) OnChange(this);
    }
    return 0;
  }
  if (IsColourRequest(msg)) return AnswerColour(reinterpret_cast<HDC>(wp), font_.Color(), color_, brush_);
  switch (msg) {
    case WM_SETTEXT:
    case EM_REPLACESEL:
    case EM_SETHANDLE: {
      LRESULT r = TWinControl::WndProc(msg, wp, lp);
      mapValid_ = false;
      return r;
    }
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_IME_COMPOSITION:
    case WM_KEYDOWN:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO: {
      LRESULT r = TWinControl::WndProc(msg, wp, lp);
      if (!readOnly_) mapValid_ = false;
      return r;
    }
    default:
      break;
  }
  bool handled;
  LRESULT r = MouseAfterNative(msg, wp, lp, true, handled);
  if (handled) return r;
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TListControlItems

TListControlItems::~TListControlItems() {
  for (Item& it : items_) FreeWideCopy(it.object);
}

std::string TListControlItems::Get(int i) const { return Valid(i) ? items_[static_cast<size_t>(i)].text : std::string(); }

wchar_t* TListControlItems::GetObject(int i) const { return Valid(i) ? items_[static_cast<size_t>(i)].object : nullptr; }

std::wstring TListControlItems::Shown(int i) const {
  if (!Valid(i)) return std::wstring();
  const Item& it = items_[static_cast<size_t>(i)];
  if (it.text.empty() && it.object) return std::wstring(it.object);
  return Cp932ToWide(it.text);
}

void TListControlItems::Put(int i, const std::string& text) {
  if (!Valid(i)) return;
  items_[static_cast<size_t>(i)].text = text;
  sink_->ItemDeleted(i);
  sink_->ItemInserted(i, Shown(i));
}

void TListControlItems::PutObject(int i, wchar_t* object) {
  if (!Valid(i)) return;
  Item& it = items_[static_cast<size_t>(i)];
  if (it.object == object) return;
  FreeWideCopy(it.object);
  it.object = object;
  if (it.text.empty()) {
    sink_->ItemDeleted(i);
    sink_->ItemInserted(i, Shown(i));
  }
}

wchar_t* TListControlItems::TakeObject(int i) {
  if (!Valid(i)) return nullptr;
  wchar_t* o = items_[static_cast<size_t>(i)].object;
  items_[static_cast<size_t>(i)].object = nullptr;
  return o;
}

int TListControlItems::AddObject(const std::string& text, wchar_t* object) {
  Insert(Count(), text, object);
  return Count() - 1;
}

void TListControlItems::Insert(int i, const std::string& text, wchar_t* object) {
  if (i < 0) i = 0;
  if (i > Count()) i = Count();
  Item it;
  it.text = text;
  it.object = object;
  items_.insert(items_.begin() + i, it);
  sink_->ItemInserted(i, Shown(i));
}

void TListControlItems::Delete(int i) {
  if (!Valid(i)) return;
  FreeWideCopy(items_[static_cast<size_t>(i)].object);
  items_.erase(items_.begin() + i);
  sink_->ItemDeleted(i);
}

void TListControlItems::Clear() {
  for (Item& it : items_) FreeWideCopy(it.object);
  items_.clear();
  sink_->ItemsCleared();
}

// ---- TListBox

TListBox::TListBox(TWinControl* parent) : TWinControl(parent), items_(this) {
  width_ = 121;
  height_ = 97;
  TabStop = true;
  color_ = clWindow;
}

TListBox::~TListBox() {
  // The window goes first, so that clearing the items sends nothing to it.
  if (hwnd_) DestroyWnd();
}

void TListBox::CreateParams(TCreateParams& p) {
  p.ClassName = L"LISTBOX";
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
  if (style_ == lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) p.Style |= LBS_OWNERDRAWVARIABLE;
  if (multiSelect_) p.Style |= LBS_EXTENDEDSEL;
  p.ExStyle = BorderNone ? 0 : WS_EX_CLIENTEDGE;
}

void TListBox::AfterCreate() {
  SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < items_.Count(); ++i) {
    std::wstring t = items_.Shown(i);
    SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
  }
  SendMessageW(hwnd_, WM_SETREDRAW, updateCount_ == 0, 0);
  int h = itemHeight_;
  if (h <= 0 && style_ != lbStandard) {
    // An owner-drawn list measures before it has our font: take the font's height.
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_.Handle());
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    h = tm.tmHeight;
  }
  if (h > 0 && style_ != lbOwnerDrawVariable) SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, h);
  if (itemIndex_ >= 0) SetItemIndex(itemIndex_);
  if (topIndex_ > 0) SendMessageW(hwnd_, LB_SETTOPINDEX, static_cast<WPARAM>(topIndex_), 0);
}

void TListBox::FontChanged() {
  TWinControl::FontChanged();
  if (hwnd_ && itemHeight_ > 0 && style_ != lbOwnerDrawVariable) {
    SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, itemHeight_);
  }
}

void TListBox::ItemInserted(int index, const std::wstring& text) {
  if (hwnd_) SendMessageW(hwnd_, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}
void TListBox::ItemDeleted(int index) {
  if (hwnd_) SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}
void TListBox::ItemsCleared() {
  if (hwnd_) SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
  itemIndex_ = -1;
  topIndex_ = 0;
}

int TListBox::ItemIndex() {
  if (!hwnd_) return itemIndex_;
  if (multiSelect_) {
    if (items_.Count() == 0) return -1;
    return static_cast<int>(SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0));
  }
  return static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int i) {
  itemIndex_ = i;
  if (!hwnd_) return;
  if (multiSelect_) {
    SendMessageW(hwnd_, LB_SETSEL, FALSE, -1);
    if (i >= 0) {
      SendMessageW(hwnd_, LB_SETSEL, TRUE, i);
      SendMessageW(hwnd_, LB_SETCARETINDEX, static_cast<WPARAM>(i), FALSE);
    }
  } else {
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
  }
}

bool TListBox::Selected(int i) {
  if (!hwnd_) return i == itemIndex_ && i >= 0;
  return SendMessageW(hwnd_, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
}

void TListBox::SetSelected(int i, bool v) {
  if (!Handle()) return;
  if (multiSelect_) {
    SendMessageW(hwnd_, LB_SETSEL, v, i);
  } else if (v) {
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
  } else if (ItemIndex() == i) {
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

int TListBox::SelCount() {
  if (!hwnd_) return itemIndex_ >= 0 ? 1 : 0;
  if (multiSelect_) return static_cast<int>(SendMessageW(hwnd_, LB_GETSELCOUNT, 0, 0));
  return ItemIndex() >= 0 ? 1 : 0;
}

void TListBox::ClearSelection() {
  itemIndex_ = -1;
  if (!hwnd_) return;
  if (multiSelect_) {
    SendMessageW(hwnd_, LB_SETSEL, FALSE, -1);
  } else {
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

int TListBox::TopIndex() {
  if (!hwnd_) return topIndex_;
  return static_cast<int>(SendMessageW(hwnd_, LB_GETTOPINDEX, 0, 0));
}

void TListBox::SetTopIndex(int i) {
  topIndex_ = i;
  if (hwnd_) SendMessageW(hwnd_, LB_SETTOPINDEX, static_cast<WPARAM>(i), 0);
}

int TListBox::ItemHeight() {
  if (hwnd_) return static_cast<int>(SendMessageW(hwnd_, LB_GETITEMHEIGHT, 0, 0));
  return itemHeight_ > 0 ? itemHeight_ : -font_.Height() + 2;
}

void TListBox::SetItemHeight(int h) {
  if (h <= 0) return;
  itemHeight_ = h;
  if (hwnd_ && style_ != lbOwnerDrawVariable) {
    SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, h);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

RECT TListBox::ItemRect(int i) {
  RECT r = {0, 0, 0, 0};
  if (Handle()) SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
  return r;
}

int TListBox::ItemAtPos(POINT p, bool existing) {
  int n = items_.Count();
  if (Handle()) {
    RECT client = ClientRect();
    if (PtInRect(&client, p)) {
      for (int i = TopIndex(); i < n; ++i) {
        RECT r = ItemRect(i);
        if (PtInRect(&r, p)) return i;
        if (r.top > client.bottom) break;
      }
    }
  }
  return existing ? -1 : n;
}

void TListBox::Recreate() {
  if (hwnd_) {
    itemIndex_ = ItemIndex();
    topIndex_ = TopIndex();
  }
  RecreateWnd();
}

void TListBox::SetStyle(TListBoxStyle s) {
  if (s == style_) return;
  style_ = s;
  Recreate();
}

void TListBox::SetMultiSelect(bool v) {
  if (v == multiSelect_) return;
  multiSelect_ = v;
  Recreate();
}

void TListBox::BeginUpdate() {
  if (updateCount_++ == 0 && hwnd_) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
}

void TListBox::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && hwnd_) {
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

LRESULT TListBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_COMMAND) {
    if (HIWORD(wp) == LBN_SELCHANGE) Click();
    if (HIWORD(wp) == LBN_DBLCLK) DblClick();
    return 0;
  }
  if (IsColourRequest(msg)) return AnswerColour(reinterpret_cast<HDC>(wp), font_.Color(), color_, brush_);
  if (msg == CN_BASE + WM_MEASUREITEM) {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    int h = itemHeight_ > 0 ? itemHeight_ : static_cast<int>(m->itemHeight);
    if (OnMeasureItem) OnMeasureItem(this, static_cast<int>(m->itemID), h);
    m->itemHeight = static_cast<UINT>(h < 1 ? 1 : h);
    return TRUE;
  }
  if (msg == CN_BASE + WM_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    TOwnerDrawState state = 0;
    if (d->itemState & ODS_SELECTED) state |= odSelected;
    if (d->itemState & ODS_GRAYED) state |= odGrayed;
    if (d->itemState & ODS_DISABLED) state |= odDisabled;
    if (d->itemState & ODS_CHECKED) state |= odChecked;
    if (d->itemState & ODS_FOCUS) state |= odFocused;
    canvas_.Attach(d->hDC);
    TakeFont(canvas_, font_);
    canvas_.BrushStyle = bsSolid;
    canvas_.BrushColor = color_;
    if (state & odSelected) {
      canvas_.BrushColor = clHighlight;
      canvas_.Font.SetColor(clHighlightText);
    }
    int index = static_cast<int>(d->itemID);
    if (index >= 0 && index < items_.Count()) {
      if (OnDrawItem) {
        OnDrawItem(this, index, d->rcItem, state);
      } else {
        canvas_.FillRect(d->rcItem);
        canvas_.TextOut(d->rcItem.left + 2, d->rcItem.top, items_.Shown(index));
      }
    } else {
      canvas_.FillRect(d->rcItem);
    }
    canvas_.Detach();
    if ((state & odFocused) && (d->itemAction & (ODA_DRAWENTIRE | ODA_FOCUS))) DrawFocusRect(d->hDC, &d->rcItem);
    return TRUE;
  }
  bool handled;
  LRESULT r = MouseAfterNative(msg, wp, lp, false, handled);
  if (handled) return r;
  return TWinControl::WndProc(msg, wp, lp);
}

// ---- TComboBox

TComboBox::TComboBox(TWinControl* parent) : TWinControl(parent), items_(this) {
  width_ = 145;
  height_ = 21;
  TabStop = true;
  color_ = clWindow;
}

TComboBox::~TComboBox() {
  if (hwnd_) DestroyWnd();
}

void TComboBox::CreateParams(TCreateParams& p) {
  p.ClassName = L"COMBOBOX";
  p.SystemClass = true;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_VSCROLL | CBS_HASSTRINGS |
            (style_ == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
}

void TComboBox::AfterCreate() {
  for (int i = 0; i < items_.Count(); ++i) {
    std::wstring t = items_.Shown(i);
    SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
  }
  if (itemIndex_ >= 0) SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
  ApplyDropHeight();
}

void TComboBox::ApplyDropHeight() {
  if (!hwnd_) return;
  RECT wr;
  GetWindowRect(hwnd_, &wr);
  int itemH = static_cast<int>(SendMessageW(hwnd_, CB_GETITEMHEIGHT, 0, 0));
  int closed = static_cast<int>(SendMessageW(hwnd_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) + 8;
  if (itemH <= 0) itemH = 16;
  int rows = DropDownCount < 1 ? 1 : DropDownCount;
  SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left, closed + rows * itemH + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::SetBounds(int l, int t, int w, int h) {
  TWinControl::SetBounds(l, t, w, h);
  ApplyDropHeight();
}

void TComboBox::ItemInserted(int index, const std::wstring& text) {
  if (hwnd_) SendMessageW(hwnd_, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}
void TComboBox::ItemDeleted(int index) {
  if (hwnd_) SendMessageW(hwnd_, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}
void TComboBox::ItemsCleared() {
  if (hwnd_) SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
  itemIndex_ = -1;
}

int TComboBox::ItemIndex() {
  if (!hwnd_) return itemIndex_;
  return static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int i) {
  itemIndex_ = i;
  if (hwnd_) SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
}

void TComboBox::SetStyle(TComboBoxStyle s) {
  if (s == style_) return;
  itemIndex_ = ItemIndex();
  style_ = s;
  RecreateWnd();
}

bool TComboBox::DroppedDown() { return hwnd_ && SendMessageW(hwnd_, CB_GETDROPPEDSTATE, 0, 0) != 0; }

bool TComboBox::WantKey(WORD key) { return (key == VK_RETURN || key == VK_ESCAPE) && DroppedDown(); }

LRESULT TComboBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CN_BASE + WM_COMMAND) {
    switch (HIWORD(wp)) {
      case CBN_SELCHANGE:
        itemIndex_ = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
        if (OnChange) OnChange(this);
        break;
      case CBN_EDITCHANGE:
        if (OnChange) OnChange(this);
        break;
      case CBN_DROPDOWN:
        if (OnDropDown) OnDropDown(this);
        break;
      case CBN_CLOSEUP:
        if (OnCloseUp) OnCloseUp(this);
        break;
      default:
        break;
    }
    return 0;
  }
  return TWinControl::WndProc(msg, wp, lp);
}
