// The framework's core under wine: form life cycle, alignment, mouse and key
// routing, dialog keys, timers, menus and the message loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>
#include "framework/Application.h"
#include "framework/Control.h"
#include "framework/Form.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/Timer.h"

namespace {

class TestForm : public TForm {
 public:
  TestForm() : TForm(nullptr, L"TFrameworkTestForm") {}
  TestForm(TForm* owner, const wchar_t* cls) : TForm(owner, cls) {}
};

// A control that counts clicks and dialog keys.
class Probe : public TCustomControl {
 public:
  explicit Probe(TWinControl* parent) : TCustomControl(parent) {}
  WORD takes = 0;  // dialog key this probe answers
  int dialogKeys = 0;
  bool DialogKey(WORD key) override {
    if (key != takes) return false;
    dialogKeys++;
    return true;
  }

 protected:
  void Paint() override {
    Canvas().BrushColor = clRed;
    RECT r = {0, 0, Width(), Height()};
    Canvas().FillRect(r);
  }
};

// A native single-line EDIT wrapped as a framework control.
class NativeEdit : public TWinControl {
 public:
  explicit NativeEdit(TWinControl* parent) : TWinControl(parent) { TabStop = true; }

 protected:
  void CreateParams(TCreateParams& p) override {
    TWinControl::CreateParams(p);
    p.ClassName = L"EDIT";
    p.SystemClass = true;
    p.Style |= WS_BORDER | ES_AUTOHSCROLL;
  }
};

void Pump() { Application->ProcessMessages(); }

// Holds Ctrl (and Shift) in this thread's key state, as GetKeyState reads it.
void HoldKeys(bool ctrl, bool shift = false) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = ctrl ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
}

}  // namespace

class FrameworkCore : public ::testing::Test {
 protected:
  void SetUp() override { Application->Initialize(); }
};

TEST_F(FrameworkCore, FormLifeCycleRunsHandlersInOrder) {
  std::vector<std::string> log;
  auto* f = new TestForm();
  f->OnCreate = [&](TWinControl*) { log.push_back("create"); };
  f->OnShow = [&](TWinControl*) { log.push_back("show"); };
  bool allow = false;
  f->OnCloseQuery = [&](TWinControl*, bool& can) {
    log.push_back("query");
    can = allow;
  };
  f->OnDestroy = [&](TWinControl*) { log.push_back("destroy"); };
  f->AfterConstruction();
  f->Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  wchar_t cls[64];
  GetClassNameW(f->Handle(), cls, 64);
  EXPECT_STREQ(cls, L"TFrameworkTestForm");

  SendMessageW(f->Handle(), WM_CLOSE, 0, 0);  // refused
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  allow = true;
  f->OnClose = [&](TWinControl*, TCloseAction& a) { a = caHide; };
  SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(f->Handle()));
  HWND h = f->Handle();
  f->Free();
  EXPECT_FALSE(IsWindow(h));
  std::vector<std::string> want = {"create", "show", "query", "query", "destroy"};
  EXPECT_EQ(log, want);
  Application->Initialize();  // the form was the main form: its close ended the loop
}

TEST_F(FrameworkCore, AlignedChildrenShareTheClientArea) {
  auto* f = NewForm<TestForm>();
  f->SetBounds(0, 0, 400, 300);
  auto* top = new Probe(f);
  top->SetHeight(30);
  top->SetAlign(alTop);
  auto* bottom = new Probe(f);
  bottom->SetHeight(20);
  bottom->SetAlign(alBottom);
  auto* left = new Probe(f);
  left->SetWidth(50);
  left->SetAlign(alLeft);
  auto* client = new Probe(f);
  client->SetAlign(alClient);
  f->Show();
  Pump();
  RECT cr;
  GetClientRect(f->Handle(), &cr);
  EXPECT_EQ(top->Top(), 0);
  EXPECT_EQ(top->Width(), cr.right);
  EXPECT_EQ(bottom->Top(), cr.bottom - 20);
  EXPECT_EQ(left->Top(), 30);
  EXPECT_EQ(left->Height(), cr.bottom - 50);
  EXPECT_EQ(client->Left(), 50);
  EXPECT_EQ(client->Width(), cr.right - 50);
  EXPECT_EQ(client->Height(), cr.bottom - 50);
  // Hiding the top child gives its room to the others.
  top->Hide();
  EXPECT_EQ(left->Top(), 0);
  // The window itself follows the recorded bounds.
  RECT wr;
  GetWindowRect(client->Handle(), &wr);
  EXPECT_EQ(wr.right - wr.left, client->Width());
  f->Free();
}

TEST_F(FrameworkCore, MouseClickAndPaintReachTheControl) {
  auto* f = NewForm<TestForm>();
  f->SetBounds(0, 0, 300, 200);
  auto* p = new Probe(f);
  p->SetBounds(10, 10, 80, 40);
  int clicks = 0, downs = 0;
  p->OnClick = [&](TWinControl*) { clicks++; };
  p->OnMouseDown = [&](TWinControl*, TMouseButton b, TShiftState s, int x, int y) {
    downs++;
    EXPECT_EQ(b, mbLeft);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 6);
  };
  f->Show();
  Pump();
  SendMessageW(p->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
  SendMessageW(p->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 6));
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(clicks, 1);
  // A release outside the control is no click.
  SendMessageW(p->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
  SendMessageW(p->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(500, 6));
  EXPECT_EQ(clicks, 1);
  TBitmap bmp;
  p->PaintTo(bmp);
  EXPECT_EQ(bmp.Width(), 80);
  EXPECT_EQ(bmp.PixelRGB(40, 20), RGB(255, 0, 0));
  f->Free();
}

TEST_F(FrameworkCore, NativeControlsRunUnderFrameworkClassNames) {
  auto* f = NewForm<TestForm>();
  auto* e = new NativeEdit(f);
  f->Show();
  Pump();
  wchar_t cls[64];
  GetClassNameW(e->Handle(), cls, 64);
  EXPECT_EQ(cls[0], L'T');
  e->SetTextW(L"日本語");
  EXPECT_EQ(e->TextW(), L"日本語");
  EXPECT_EQ(e->Text(), std::string("\x93\xfa\x96\x7b\x8c\xea"));
  // Re-creation keeps the text and a procedure that the program put in place.
  static WNDPROC previous = nullptr;
  static int seen = 0;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      e->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER + 7) seen++;
        return CallWindowProcW(previous, h, m, w, l);
      })));
  e->RecreateWnd();
  EXPECT_EQ(e->TextW(), L"日本語");
  SendMessageW(e->Handle(), WM_USER + 7, 0, 0);
  EXPECT_EQ(seen, 1);
  f->Free();
}

TEST_F(FrameworkCore, EnterAndEscapeFromANativeEditReachTheFormOnce) {
  auto* f = NewForm<TestForm>();
  auto* e = new NativeEdit(f);
  e->SetBounds(10, 10, 100, 24);
  auto* ok = new Probe(f);
  ok->takes = VK_RETURN;
  auto* cancel = new Probe(f);
  cancel->takes = VK_ESCAPE;
  int editKeys = 0;
  e->OnKeyDown = [&](TWinControl*, WORD& k, TShiftState) {
    if (k == VK_RETURN || k == VK_ESCAPE) editKeys++;
  };
  f->Show();
  Pump();
  e->SetFocus();
  PostMessageW(e->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  EXPECT_EQ(ok->dialogKeys, 1);
  EXPECT_EQ(cancel->dialogKeys, 0);
  PostMessageW(e->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_EQ(ok->dialogKeys, 1);
  EXPECT_EQ(cancel->dialogKeys, 1);
  EXPECT_EQ(editKeys, 0);  // taken as dialog keys, not dispatched
  // The application's message hook sees the key first and may keep it.
  Application->OnMessage = [](MSG& m, bool& handled) { handled = m.message == WM_KEYDOWN; };
  PostMessageW(e->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  EXPECT_EQ(ok->dialogKeys, 1);
  Application->OnMessage = nullptr;
  f->Free();
}

TEST_F(FrameworkCore, ActivationGivesTheFocusBackToWhereItWas) {
  // Once to a framework control, once to a plain EDIT the form made itself.
  auto* f = NewForm<TestForm>();
  auto* framed = new NativeEdit(f);
  framed->SetBounds(10, 10, 100, 24);
  auto* other = new NativeEdit(f);
  other->SetBounds(10, 40, 100, 24);
  f->Show();
  Pump();
  HWND plain = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 70, 100, 24,
                               f->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(plain, nullptr);
  for (HWND target : {framed->Handle(), plain}) {
    ::SetFocus(target);
    SendMessageW(f->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    ::SetFocus(other->Handle());  // something else takes it meanwhile
    SendMessageW(f->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), target);
  }
  f->Free();
}

TEST_F(FrameworkCore, ModalRunEndsWithTheResult) {
  auto* f = NewForm<TestForm>();
  auto* owner = NewForm<TestForm>();
  owner->Show();
  Pump();
  int ticks = 0;
  TTimer t;
  t.SetInterval(1);
  t.OnTimer = [&](TTimer*) {
    ticks++;
    EXPECT_FALSE(IsWindowEnabled(owner->Handle()));
    f->SetModalResult(mrOk);
  };
  t.SetEnabled(true);
  EXPECT_EQ(f->ShowModal(), mrOk);
  EXPECT_GE(ticks, 1);
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  EXPECT_FALSE(IsWindowVisible(f->Handle()));
  f->Free();
  owner->Free();
}

TEST_F(FrameworkCore, TimerRules) {
  TTimer t;
  int ticks = 0;
  t.OnTimer = [&](TTimer* s) {
    ticks++;
    s->Tick();  // re-entry is dropped
  };
  t.Tick();  // disabled: nothing
  EXPECT_EQ(ticks, 0);
  t.SetEnabled(true);
  EXPECT_TRUE(t.Running());
  t.Tick();
  EXPECT_EQ(ticks, 1);
  // A tick through the window, as from the system.
  SendMessageW(TTimer::Window(), WM_TIMER, t.Id(), 0);
  EXPECT_EQ(ticks, 2);
  t.SetInterval(t.Interval());
  EXPECT_TRUE(t.Running());
  t.SetEnabled(false);
  EXPECT_FALSE(t.Running());
  SendMessageW(TTimer::Window(), WM_TIMER, t.Id(), 0);
  EXPECT_EQ(ticks, 2);
}

TEST_F(FrameworkCore, MenuCommandsAndOpeningReachTheItems) {
  auto* f = NewForm<TestForm>();
  TMainMenu menu;
  auto* file = new TMenuItem(&menu.Items, "\x83\x74\x83\x40\x83\x43\x83\x8b", "File1");
  auto* open = new TMenuItem(file, "Open", "Open1");
  int opened = 0, fileClicks = 0;
  open->OnClick = [&](TMenuItem*) { opened++; };
  file->OnClick = [&](TMenuItem*) {
    fileClicks++;
    open->SetEnabled(false);
  };
  f->SetMenu(&menu);
  f->Show();
  Pump();
  SendMessageW(f->Handle(), WM_COMMAND, MAKEWPARAM(open->Command(), 0), 0);
  EXPECT_EQ(opened, 1);
  SendMessageW(f->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file->SubMenuHandle()), 0);
  EXPECT_EQ(fileClicks, 1);
  EXPECT_EQ(GetMenuState(file->SubMenuHandle(), open->Command(), MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  open->SetVisible(false);
  EXPECT_EQ(GetMenuItemCount(file->SubMenuHandle()), 0);
  TPopupMenu pop;
  auto* copy = new TMenuItem(&pop.Items, "Copy", "Copy1");
  int copies = 0, popups = 0;
  copy->OnClick = [&](TMenuItem*) { copies++; };
  pop.OnPopup = [&](TPopupMenu*) { popups++; };
  TPopupMenu::Tracker = [&](TPopupMenu*, int, int) { return copy->Command(); };
  pop.Popup(10, 10);
  TPopupMenu::Tracker = nullptr;
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(copies, 1);
  f->SetMenu(nullptr);
  f->Free();
}

// A control's pop-up menu answers the context-menu request, from a right
// click or from the keyboard, in place of the window's own menu; on a native
// edit as on a control of the framework's own class.
TEST_F(FrameworkCore, PopupMenuOfAControlAnswersTheContextRequest) {
  auto* f = NewForm<TestForm>();
  f->SetBounds(0, 0, 300, 200);
  auto* edit = new NativeEdit(f);
  edit->SetBounds(10, 10, 200, 24);
  auto* probe = new Probe(f);
  probe->SetBounds(10, 50, 100, 50);
  TPopupMenu pop;
  auto* copy = new TMenuItem(&pop.Items, "Copy", "Copy1");
  int copies = 0, popups = 0;
  copy->OnClick = [&](TMenuItem*) { copies++; };
  pop.OnPopup = [&](TPopupMenu*) { popups++; };
  edit->PopupMenu = &pop;
  probe->PopupMenu = &pop;
  std::vector<POINT> at;
  TPopupMenu::Tracker = [&](TPopupMenu* m, int x, int y) -> UINT {
    EXPECT_EQ(m, &pop);
    at.push_back(POINT{x, y});
    return copy->Command();
  };
  f->Show();
  Pump();
  for (TWinControl* c : {static_cast<TWinControl*>(edit), static_cast<TWinControl*>(probe)}) {
    SCOPED_TRACE(c == edit ? "native edit" : "framework control");
    const HWND h = c->Handle();
    at.clear();
    SendMessageW(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 6));
    SendMessageW(h, WM_RBUTTONUP, 0, MAKELPARAM(5, 6));
    ASSERT_EQ(at.size(), 1u);
    POINT click{5, 6};
    ClientToScreen(h, &click);
    EXPECT_EQ(at[0].x, click.x);
    EXPECT_EQ(at[0].y, click.y);
    SendMessageW(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), -1);  // the menu key
    ASSERT_EQ(at.size(), 2u);
    POINT corner{0, 0};
    ClientToScreen(h, &corner);
    EXPECT_EQ(at[1].x, corner.x);
    EXPECT_EQ(at[1].y, corner.y);
  }
  EXPECT_EQ(popups, 4);
  EXPECT_EQ(copies, 4);
  TPopupMenu::Tracker = nullptr;
  f->Free();
}

TEST_F(FrameworkCore, MenuShortCutsWorkFromEveryControlOfTheForm) {
  EXPECT_EQ(ShortCutToText(scCtrl | 'O'), "Ctrl+O");
  EXPECT_EQ(ShortCutToText(VK_F3), "F3");
  EXPECT_EQ(ShortCutToText(scCtrl | scShift | VK_TAB), "Ctrl+Shift+Tab");

  auto* f = NewForm<TestForm>();
  TMainMenu menu;
  auto* file = new TMenuItem(&menu.Items, "File", "File1");
  auto* open = new TMenuItem(file, "Open", "Open1");
  auto* find = new TMenuItem(file, "Find next", "FindNext1");
  open->SetShortCut(scCtrl | 'O');
  find->SetShortCut(VK_F3);
  EXPECT_EQ(open->ShortCutText, "Ctrl+O");
  int opened = 0, found = 0, fileClicks = 0, editKeys = 0, probeKeys = 0;
  bool openAllowed = true;
  open->OnClick = [&](TMenuItem*) { opened++; };
  find->OnClick = [&](TMenuItem*) { found++; };
  // The opening handler decides the enabling, as the program's menus do.
  file->OnClick = [&](TMenuItem*) {
    fileClicks++;
    open->SetEnabled(openAllowed);
  };
  f->SetMenu(&menu);
  auto* e = new NativeEdit(f);
  e->SetBounds(10, 10, 100, 24);
  auto* probe = new Probe(f);
  probe->SetBounds(10, 40, 100, 24);
  probe->TabStop = true;
  e->OnKeyDown = [&](TWinControl*, WORD&, TShiftState) { editKeys++; };
  probe->OnKeyDown = [&](TWinControl*, WORD&, TShiftState) { probeKeys++; };
  f->Show();
  Pump();

  struct Case {
    TWinControl* target;
    bool ctrl;
    WORD key;
    bool allowed;
    int opened, found, reachesControl;
  };
  const Case cases[] = {
      {e, true, 'O', true, 1, 0, 0},      // a native control's key runs the item once
      {probe, true, 'O', true, 1, 0, 0},  // an own control's key too
      {f, true, 'O', true, 1, 0, 0},      // and the form's own
      {e, false, 'O', true, 0, 0, 1},     // no Ctrl: no shortcut, the control has the key
      {probe, false, VK_F3, true, 0, 1, 0},
      {e, true, 'O', false, 0, 0, 1},     // a disabled item consumes nothing
      {probe, true, 'Q', true, 0, 0, 1},  // no item with the shortcut
  };
  for (const Case& c : cases) {
    opened = found = editKeys = probeKeys = fileClicks = 0;
    openAllowed = c.allowed;
    HoldKeys(c.ctrl);
    PostMessageW(c.target->Handle(), WM_KEYDOWN, c.key, 0);
    Pump();
    HoldKeys(false);
    SCOPED_TRACE(c.target->Name + " key " + std::to_string(c.key));
    EXPECT_EQ(opened, c.opened);
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(fileClicks, c.key == 'O' && c.ctrl ? 1 : c.key == VK_F3 ? 1 : 0);
    const int reached = c.target == e ? editKeys : c.target == probe ? probeKeys : 0;
    if (c.target != f) EXPECT_EQ(reached, c.reachesControl);
  }
  // A hidden item is no shortcut either.
  openAllowed = true;
  open->SetVisible(false);
  opened = 0;
  HoldKeys(true);
  SendMessageW(e->Handle(), WM_KEYDOWN, 'O', 0);
  HoldKeys(false);
  EXPECT_EQ(opened, 0);
  f->SetMenu(nullptr);
  f->Free();
}

TEST_F(FrameworkCore, EveryBoxIsOwnedByTheActiveFormAndCounted) {
  auto* main = NewForm<TestForm>();
  Application->SetMainForm(main);
  main->Show();
  Pump();
  std::vector<MessageRequest> asked;
  std::vector<int> openWhileAsked;
  std::vector<bool> ownerEnabled;
  ScopedMessageHandler h([&](const MessageRequest& r) {
    asked.push_back(r);
    openWhileAsked.push_back(OpenModalCount());
    return IDOK;
  });
  EXPECT_EQ(OpenModalCount(), 0);
  ShowMessageWide(L"plain");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].owner, main->Handle());
  EXPECT_EQ(openWhileAsked[0], 1);
  // Inside a modal form the box belongs to that form, and the count holds both.
  auto* dialog = NewForm<TestForm>(main, L"TFrameworkTestDialog");
  TTimer t;
  t.SetInterval(1);
  t.OnTimer = [&](TTimer* s) {
    s->SetEnabled(false);
    EXPECT_EQ(OpenModalCount(), 1);
    MessageBoxWide(L"inner", L"c", MB_OK);
    dialog->SetModalResult(mrOk);
  };
  t.SetEnabled(true);
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].owner, dialog->Handle());
  EXPECT_EQ(openWhileAsked[1], 2);
  EXPECT_EQ(OpenModalCount(), 0);
  // A given owner is kept.
  MessageBoxWide(L"given", L"c", MB_OK, GetDesktopWindow());
  EXPECT_EQ(asked[2].owner, GetDesktopWindow());

  // The real box disables its owner while it shows; it is answered from
  // another thread.
  SetMessageHandler(nullptr);
  std::atomic<int> ownerState{-1};  // -1 no box seen, 0 owner disabled, 1 enabled
  std::atomic<HWND> boxOwner{nullptr};
  std::thread closer([&] {
    for (int i = 0; i < 500; ++i) {
      HWND box = FindWindowW(L"#32770", L"owned");
      if (box) {
        Sleep(50);
        boxOwner = GetWindow(box, GW_OWNER);
        ownerState = IsWindowEnabled(main->Handle()) ? 1 : 0;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(10);
    }
  });
  EXPECT_EQ(MessageBoxWide(L"text", L"owned", MB_OK), IDOK);
  closer.join();
  EXPECT_EQ(boxOwner.load(), main->Handle());
  EXPECT_EQ(ownerState.load(), 0);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  dialog->Free();
  Application->SetMainForm(nullptr);
  main->Free();
}

TEST_F(FrameworkCore, ProcessMessagesKeepsAQuitRequest) {
  PostQuitMessage(0);
  Application->ProcessMessages();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(Application->HandleMessage());
  Application->Initialize();
  EXPECT_FALSE(Application->Terminated());
}
