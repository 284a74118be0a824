// What a page step leaves on screen, read back as pixels from the view's
// window: the view's visible lines drawn as the page's first lines (the same
// glyphs as the text drawn with the view's font at the view's positions),
// nothing of the text area's earlier pixels, and the scroll bars and frame as
// they are drawn afresh from the view's state (they are repainted only when
// they change).
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "support/main_window_fixture.h"
#include "support/utf16_bytes.h"
#include "viewer/VastrelForm.h"

namespace {

constexpr COLORREF kStale = RGB(255, 0, 255);

// Lines of differing lengths, so that one page's shape differs from the next;
// bands of 30 lines wider than the view, so that a page step moves the
// horizontal scroll bar's thumb.
std::wstring FileText(int lines, int longest) {
  const std::wstring fill = L"あいうえおabcdeかきくけこ0123456789";
  std::wstring text;
  for (int n = 1; n <= lines; ++n) {
    wchar_t head[16];
    swprintf(head, 16, L"L%04d ", n);
    text += head;
    const int length = 3 + (n * 7) % longest + ((n / 30) % 2 ? 2 * n % 90 + 60 : 0);
    for (int i = 0; i < length; ++i) text += fill[static_cast<size_t>(i) % fill.size()];
    text += L"\r\n";
  }
  return text;
}

// The pixels of a window, frame and scroll bars included, as 0x00RRGGBB rows.
struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> bits;
  COLORREF At(int x, int y) const {
    const DWORD p = bits[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

Pixels Capture(HDC source, int width, int height) {
  Pixels out;
  out.width = width;
  out.height = height;
  out.bits.resize(static_cast<size_t>(width) * height);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HDC mem = CreateCompatibleDC(source);
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, width, height, source, 0, 0, SRCCOPY);
  GdiFlush();
  memcpy(out.bits.data(), bits, out.bits.size() * 4);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  return out;
}

// The client area of h as the screen shows it.
Pixels CaptureClient(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  HDC dc = GetDC(h);
  Pixels p = Capture(dc, r.right, r.bottom);
  ReleaseDC(h, dc);
  return p;
}

// How many pixels within r differ between two captures.
int Differing(const Pixels& a, const Pixels& b, const RECT& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += a.At(x, y) != b.At(x, y);
  return n;
}

Pixels CaptureWindow(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  HDC dc = GetWindowDC(h);
  Pixels p = Capture(dc, r.right - r.left, r.bottom - r.top);
  ReleaseDC(h, dc);
  return p;
}

void HoldCtrl(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

class PagePaint : public testsupport::MainWindowTest {
 protected:
  void SetUp() override { UseFreshProgramFolder(L"pp"); }
  void TearDown() override { EndMainWindow(); }

  HWND View() { return form_->IsWideView() ? form_->CurrentPane : form_->Memo1->Handle(); }

  // Page Down as a user presses it: the key, the step timer's first tick, the key's release.
  void PageDown() {
    HoldCtrl(false);
    SendMessageW(View(), WM_KEYDOWN, VK_NEXT, 1);
    ASSERT_TRUE(form_->Timer2->Enabled());
    SendMessageW(TTimer::Window(), WM_TIMER, form_->Timer2->Id(), 0);
    PostMessageW(View(), WM_KEYUP, VK_NEXT, 0xC0000001);
  }

  // Paints the view's text area in a colour it never shows: whatever keeps
  // it afterwards was not redrawn.
  void Stain() {
    const HWND v = View();
    RECT r;
    GetClientRect(v, &r);
    HDC dc = GetDC(v);
    HBRUSH b = CreateSolidBrush(kStale);
    FillRect(dc, &r, b);
    DeleteObject(b);
    ReleaseDC(v, dc);
    GdiFlush();
  }

  // How many pixels of the view's frame (scroll bars and border: the window
  // outside its client area) differ between two captures.
  int FrameDifference(const Pixels& a, const Pixels& b) {
    const HWND v = View();
    RECT wr, cr;
    GetWindowRect(v, &wr);
    GetClientRect(v, &cr);
    POINT origin = {0, 0};
    ClientToScreen(v, &origin);
    const int cx = origin.x - wr.left, cy = origin.y - wr.top;
    if (a.width != b.width || a.height != b.height) return a.width * a.height;
    int differ = 0;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x) {
        const bool client = x >= cx && x < cx + cr.right && y >= cy && y < cy + cr.bottom;
        if (!client && a.At(x, y) != b.At(x, y)) ++differ;
      }
    return differ;
  }

  // The frame as shown must be the frame drawn afresh; returns whether the
  // step changed it from `before`.
  bool CheckFrame(const Pixels& before, const std::string& what) {
    SCOPED_TRACE(what);
    const HWND v = View();
    const Pixels shown = CaptureWindow(v);
    RedrawWindow(v, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    const Pixels fresh = CaptureWindow(v);
    EXPECT_EQ(FrameDifference(shown, fresh), 0) << "the scroll bars or frame show an earlier state";
    return FrameDifference(before, fresh) != 0;
  }

  // Checks what the view shows on screen against its visible lines.
  void CheckScreen(const std::string& what) {
    SCOPED_TRACE(what);
    const HWND v = View();
    const Pixels shown = CaptureWindow(v);
    // Nothing stale anywhere in the window.
    int stale = 0;
    for (int y = 0; y < shown.height; ++y)
      for (int x = 0; x < shown.width; ++x)
        if (shown.At(x, y) == kStale) ++stale;
    EXPECT_EQ(stale, 0) << "pixels not redrawn after the page step";

    // Where the client area lies in the window.
    RECT wr, cr;
    GetWindowRect(v, &wr);
    GetClientRect(v, &cr);
    POINT origin = {0, 0};
    ClientToScreen(v, &origin);
    const int cx = origin.x - wr.left, cy = origin.y - wr.top;

    // The vertical scroll bar's top arrow button is drawn: an arrow on a
    // button, more than one colour (and none of them stale, as above).
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    ASSERT_GE(shown.width, cx + cr.right + bar);
    std::map<COLORREF, int> arrow;
    for (int y = cy; y < cy + bar; ++y)
      for (int x = cx + cr.right; x < cx + cr.right + bar; ++x) ++arrow[shown.At(x, y)];
    EXPECT_GE(arrow.size(), 2u) << "the scroll bar's arrow is not drawn";

    // The background: the commonest colour of the client area.
    std::map<COLORREF, int> counts;
    for (int y = cy; y < cy + cr.bottom; ++y)
      for (int x = cx; x < cx + cr.right; ++x) ++counts[shown.At(x, y)];
    COLORREF background = 0;
    int most = 0;
    for (const auto& c : counts)
      if (c.second > most) most = c.second, background = c.first;

    // The visible lines drawn with the view's font where the view puts them.
    const int count = static_cast<int>(SendMessageW(v, EM_GETLINECOUNT, 0, 0));
    const int first = static_cast<int>(SendMessageW(v, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_EQ(first, 0) << "a page step shows the page from its first line";
    RECT fr = {};
    SendMessageW(v, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&fr));
    HDC screen = GetDC(v);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, cr.right, cr.bottom);
    ReleaseDC(v, screen);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    RECT all = {0, 0, cr.right, cr.bottom};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ oldFont = SelectObject(mem, reinterpret_cast<HFONT>(SendMessageW(v, WM_GETFONT, 0, 0)));
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, RGB(0, 0, 0));
    IntersectClipRect(mem, fr.left, fr.top, fr.right, fr.bottom);
    int drawnLines = 0, bottom = 0;
    for (int i = first; i < count; ++i) {
      const LRESULT index = SendMessageW(v, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
      const LRESULT pos = SendMessageW(v, EM_POSFROMCHAR, static_cast<WPARAM>(index), 0);
      const int x = static_cast<short>(LOWORD(pos)), y = static_cast<short>(HIWORD(pos));
      if (pos == -1 || y >= fr.bottom) break;
      const std::wstring t =
          form_->IsWideView() ? form_->GetLineTextWide(i) : Cp932ToWide(form_->Memo1->Line(i));
      TextOutW(mem, x, y, t.c_str(), static_cast<int>(t.size()));
      ++drawnLines;
      bottom = y;
    }
    SelectObject(mem, oldFont);
    SelectObject(mem, oldBmp);
    const Pixels expected = [&] {
      HDC d = CreateCompatibleDC(nullptr);
      HGDIOBJ o = SelectObject(d, bmp);
      Pixels p = Capture(d, cr.right, cr.bottom);
      SelectObject(d, o);
      DeleteDC(d);
      return p;
    }();
    DeleteObject(bmp);
    DeleteDC(mem);
    ASSERT_GT(drawnLines, 5);

    // Ink (anything not background) must lie where the text's ink lies; the
    // caret may differ by a thin bar.
    int ink = 0, differ = 0;
    const int rows = std::min<int>(cr.bottom, bottom + form_->LinePitch());
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < cr.right; ++x) {
        const bool want = expected.At(x, y) != RGB(255, 255, 255);
        const bool got = shown.At(cx + x, cy + y) != background;
        if (want) ++ink;
        if (want != got) ++differ;
      }
    }
    ASSERT_GT(ink, 0);
    EXPECT_LT(differ, ink / 50 + 2 * form_->LinePitch()) << differ << " of " << ink << " ink pixels differ";
  }
};

TEST_F(PagePaint, APageStepDrawsThePageTheScrollBarsAndNothingStale) {
  const std::wstring text = FileText(400, 40);
  struct Case {
    const char* name;
    bool utf16;
    bool wrap;
  } cases[] = {{"sjis", false, false}, {"utf16", true, false}, {"sjis wrap", false, true}, {"utf16 wrap", true, true}};
  StartForm(0, 0, 900, 600);
  int framesChanged = 0;
  for (const Case& c : cases) {
    const std::string bytes = c.utf16 ? testsupport::Utf16Le(text, true) : WideToCp932(text);
    form_->OpenFile(File(Cp932ToWide(c.name) + L".txt", bytes));
    form_->CheckBox2->SetChecked(c.wrap);
    Application->ProcessMessages();
    ASSERT_EQ(form_->IsWideView(), c.utf16);
    CheckScreen(std::string(c.name) + " first page");
    RECT formatFirst = {};
    SendMessageW(View(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatFirst));
    for (int step = 1; step <= 3; ++step) {
      const int64_t before = form_->MyTrackBar1->Position();
      const Pixels frameBefore = CaptureWindow(View());
      Stain();
      PageDown();
      Application->ProcessMessages();
      ASSERT_GT(form_->MyTrackBar1->Position(), before);
      const std::string what = std::string(c.name) + " after Page Down " + std::to_string(step);
      CheckScreen(what);
      if (CheckFrame(frameBefore, what)) ++framesChanged;
      // The text is laid out in the same rectangle as before the step (the
      // lines a step moves by are counted in it), and the vertical scroll
      // bar's page is about the lines that rectangle holds (not one line).
      RECT format = {};
      SendMessageW(View(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
      EXPECT_TRUE(EqualRect(&format, &formatFirst)) << what;
      SCROLLINFO si = {sizeof si, SIF_PAGE | SIF_RANGE};
      if (GetScrollInfo(View(), SB_VERT, &si) && si.nMax > si.nMin) {
        EXPECT_NEAR(static_cast<int>(si.nPage), (format.bottom - format.top) / form_->LinePitch(), 1) << what;
      }
    }
  }
  // The pages differ in their longest line: some steps move the scroll bars.
  EXPECT_GT(framesChanged, 0);
}

// The status panels a page display changes are painted afresh; what was
// waiting to be painted before it (here: the whole status bar, uncovered just
// before) is painted all the same, though drawing was off for a while.
TEST_F(PagePaint, TheStatusBarShowsTheNewPanelsAndWhatWaitedToBePainted) {
  StartForm(0, 0, 900, 600);
  form_->OpenFile(File(L"waiting.txt", WideToCp932(FileText(400, 40))));
  Application->ProcessMessages();
  const HWND bar = form_->StatusBar1->Handle();
  auto stain = [&](const RECT& r) {
    HDC dc = GetDC(bar);
    HBRUSH b = CreateSolidBrush(kStale);
    FillRect(dc, &r, b);
    DeleteObject(b);
    ReleaseDC(bar, dc);
    GdiFlush();
  };
  auto staleIn = [&](const RECT& r) {
    HDC dc = GetDC(bar);
    const Pixels shown = Capture(dc, r.right, r.bottom);
    ReleaseDC(bar, dc);
    int stale = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (shown.At(x, y) == kStale) ++stale;
    return stale;
  };
  RECT all;
  GetClientRect(bar, &all);
  // The panels of the page position and its size, painted over as if the
  // screen still showed another page's.
  RECT parts[2];
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(SendMessageW(bar, SB_GETRECT, static_cast<WPARAM>(i + 1), reinterpret_cast<LPARAM>(&parts[i])));
    stain(parts[i]);
  }
  form_->ShowPage(false, true, form_->RealFileSize / 3);
  Application->ProcessMessages();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(staleIn(parts[i]), 0) << "panel " << i + 1 << " keeps pixels from before";
  // The panels a page display gives new texts show them: what is on screen
  // is what the whole bar shows when it paints afresh, and another page's
  // position shows otherwise. The bar answers the texts it shows.
  auto shown = [&]() { return CaptureClient(bar); };
  auto partsDiffer = [&](const Pixels& a, const Pixels& b) {
    return Differing(a, b, parts[0]) + Differing(a, b, parts[1]);
  };
  form_->ShowPage(false, true, 0);
  Application->ProcessMessages();
  const Pixels atStart = shown();
  EXPECT_EQ(form_->StatusBar1->WindowPanelText(1), L"0");
  form_->ShowPage(false, true, form_->RealFileSize / 2);
  Application->ProcessMessages();
  const Pixels atMiddle = shown();
  EXPECT_NE(form_->StatusBar1->WindowPanelText(1), L"0");
  EXPECT_EQ(form_->StatusBar1->WindowPanelText(1), form_->StatusBar1->Panel(1)->TextW());
  EXPECT_GT(partsDiffer(atStart, atMiddle), 0) << "the panels show the same at the start and in the middle";
  stain(all);
  InvalidateRect(bar, nullptr, TRUE);
  Application->ProcessMessages();
  EXPECT_EQ(partsDiffer(atMiddle, shown()), 0) << "the panels drawn with their texts differ from the bar painted afresh";
  // The whole bar waiting to be painted when the page display begins.
  stain(all);
  InvalidateRect(bar, nullptr, TRUE);
  form_->ShowPage(false, true, form_->RealFileSize / 2);
  Application->ProcessMessages();
  EXPECT_EQ(staleIn(all), 0) << "the status bar keeps pixels from before";
}

// The first line's number beside the page is drawn as each page shows, and
// as the panel paints it afresh.
TEST_F(PagePaint, TheFirstLineNumberShowsWithEachPage) {
  StartForm(0, 0, 900, 600);
  form_->OpenFile(File(L"numbers.txt", WideToCp932(FileText(400, 40))));
  Application->ProcessMessages();
  const HWND number = form_->Panel3->Handle();
  ASSERT_TRUE(IsWindowVisible(number));
  RECT all;
  GetClientRect(number, &all);
  auto shown = [&]() { return CaptureClient(number); };
  auto differ = [&](const Pixels& a, const Pixels& b) { return Differing(a, b, all); };
  form_->ShowPage(false, true, 0);
  Application->ProcessMessages();
  EXPECT_EQ(form_->Panel3->TextW(), L"1");
  const Pixels first = shown();
  PageDown();
  Application->ProcessMessages();
  EXPECT_NE(form_->Panel3->TextW(), L"1");
  const Pixels later = shown();
  EXPECT_GT(differ(first, later), 0) << "the number of the first line is not drawn anew";
  HDC dc = GetDC(number);
  HBRUSH b = CreateSolidBrush(kStale);
  FillRect(dc, &all, b);
  DeleteObject(b);
  ReleaseDC(number, dc);
  InvalidateRect(number, nullptr, TRUE);
  Application->ProcessMessages();
  EXPECT_EQ(differ(later, shown()), 0) << "the number drawn with the page differs from the panel painted afresh";
}

// A search shows the work panel at the window's foot while it runs, which
// makes the view shorter and then tall again: the view is drawn afresh where
// the panel was and everywhere else, whether the search finds a hit on a
// later page or nothing, in both kinds of view.
TEST_F(PagePaint, TheViewIsDrawnAfreshAfterASearch) {
  StartForm(0, 0, 900, 600);
  for (bool utf16 : {false, true}) {
    const std::wstring text = FileText(300, 40) + L"needle in the text\r\n" + FileText(20, 40);
    const std::string bytes = utf16 ? testsupport::Utf16Le(text, true) : WideToCp932(text);
    form_->OpenFile(File(utf16 ? L"found16.txt" : L"found.txt", bytes));
    Application->ProcessMessages();
    ASSERT_EQ(form_->IsWideView(), utf16);
    const int viewHeight = [&] { RECT r; GetClientRect(View(), &r); return static_cast<int>(r.bottom); }();
    for (const wchar_t* word : {L"needle", L"not in the file"}) {
      const std::string what = std::string(utf16 ? "utf16 " : "sjis ") + WideToCp932(word);
      const int64_t before = form_->MyTrackBar1->Position();
      Stain();
      form_->SearchFile(word, false);
      Application->ProcessMessages();
      EXPECT_FALSE(form_->WorkPanel->Visible()) << what;
      RECT r;
      GetClientRect(View(), &r);
      EXPECT_EQ(r.bottom, viewHeight) << what;
      if (word[0] == L'n' && word[1] == L'e') {
        EXPECT_GT(form_->MyTrackBar1->Position(), before) << what;
      } else {
        EXPECT_EQ(form_->MyTrackBar1->Position(), before) << what;
      }
      // The hit's highlight aside (the selection collapsed onto its start
      // repaints its own characters only), the screen shows the page's text.
      DWORD s = 0, e = 0;
      SendMessageW(View(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
      SendMessageW(View(), EM_SETSEL, s, s);
      Application->ProcessMessages();
      CheckScreen(what);
    }
  }
}

}  // namespace
