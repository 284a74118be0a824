// The reporting combo box under wine: the report timer while the list is
// dropped down, its id, re-created windows, the owner-drawn editable style and
// the edit part's focus.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/StdCtrls.h"
#include "spare_controls/ComboBox.h"

namespace {

void Pump() { Application->ProcessMessages(); }

// Runs the message loop for about ms milliseconds (the control's own timer
// drives what is checked).
void PumpFor(int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  while (static_cast<int>(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Pump();
  }
}

template <class F>
bool PumpUntil(F done, int ms = 2000) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  while (!done()) {
    if (static_cast<int>(end - GetTickCount()) <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Pump();
  }
  return true;
}

class Host : public TForm {
 public:
  Host() : TForm(nullptr, L"TSpareComboHost") { SetBounds(40, 40, 300, 240); }
};

}  // namespace

class SpareComboBoxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Application->Initialize();
    host = NewForm<Host>();
    host->Show();
  }
  static void TearDownTestSuite() { host->Free(); }
  void TearDown() override {
    while (!host->Controls().empty()) delete host->Controls().back();
    Pump();
  }
  TNewComboBox* Make() {
    auto* c = new TNewComboBox(host);
    c->SetBounds(10, 10, 150, 24);
    for (const char* s : {"zero", "one", "two", "three"}) c->Items().Add(s);
    c->SetInterval(20);
    c->HandleNeeded();
    return c;
  }
  static Host* host;
};
Host* SpareComboBoxTest::host = nullptr;

TEST_F(SpareComboBoxTest, ReportsWhileDroppedDownAndOnceAfterTheClose) {
  TNewComboBox* c = Make();
  std::vector<int> reports;
  c->OnSelNotify = [&](TWinControl*) { reports.push_back(c->Index()); };
  int drops = 0;
  c->OnDropDown = [&](TWinControl*) { ++drops; };
  c->SetItemIndex(2);
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(c->DroppedDown());
  EXPECT_EQ(drops, 1);
  EXPECT_TRUE(c->TimerRunning());
  c->DropDown();  // a second drop-down while open: still one timer
  EXPECT_EQ(drops, 2);
  ASSERT_TRUE(PumpUntil([&] { return reports.size() >= 2; }));
  EXPECT_EQ(reports.front(), 2);

  // A foreign timer id reports nothing.
  size_t before = reports.size();
  SendMessageW(c->Handle(), WM_TIMER, 77, 0);
  EXPECT_EQ(reports.size(), before);

  // A new TimeNo while the timer runs: the running timer still stops.
  c->SetTimeNo(5);
  c->SetTimeNo(0);
  EXPECT_EQ(c->TimeNo(), 5);
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !c->TimerRunning(); }));
  size_t atClose = reports.size();
  PumpFor(120);
  EXPECT_EQ(reports.size(), atClose);

  // The next drop-down starts the timer under the new id.
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(c->TimerRunning());
  ASSERT_TRUE(PumpUntil([&] { return reports.size() > atClose; }));
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !c->TimerRunning(); }));
}

TEST_F(SpareComboBoxTest, ReCreatedWindowStartsItsTimerAgainAndKeepsItsState) {
  TNewComboBox* c = Make();
  int reports = 0;
  c->OnSelNotify = [&](TWinControl*) { ++reports; };
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(c->TimerRunning());
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  c->SetEnabled(false);
  c->SetComboStyle(csOwnerDrawFixed);
  c->SetOwnerDrawEdit(true);  // the window is made again
  EXPECT_FALSE(c->TimerRunning());
  LONG style = GetWindowLongW(c->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_DISABLED);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_EQ(style & 3, CBS_DROPDOWN);
  EXPECT_TRUE(style & CBS_OWNERDRAWFIXED);
  EXPECT_TRUE(style & CBS_HASSTRINGS);
  c->SetEnabled(true);
  reports = 0;
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(c->TimerRunning());
  ASSERT_TRUE(PumpUntil([&] { return reports > 0; }));
  SendMessageW(c->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !c->TimerRunning(); }));

  // Without an owner-drawn style, OwnerDrawEdit leaves the framework's style.
  TNewComboBox* plain = Make();
  plain->SetComboStyle(ncsDropDownList);
  plain->SetOwnerDrawEdit(true);
  EXPECT_EQ(GetWindowLongW(plain->Handle(), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  // A hidden combo stays hidden when its window is made again.
  plain->Hide();
  plain->SetComboStyle(csOwnerDrawVariable);
  EXPECT_FALSE(GetWindowLongW(plain->Handle(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongW(plain->Handle(), GWL_STYLE) & CBS_OWNERDRAWVARIABLE);
}

TEST_F(SpareComboBoxTest, EditPartFocusFiresEnterAndExitOncePerChange) {
  TNewComboBox* c = Make();
  c->SetComboStyle(csOwnerDrawFixed);
  c->SetOwnerDrawEdit(true);
  auto* other = new TEdit(host);
  other->SetBounds(10, 100, 100, 22);
  other->HandleNeeded();
  std::vector<std::string> log;
  c->OnEnter = [&](TWinControl*) { log.push_back("enter"); };
  c->OnExit = [&](TWinControl*) { log.push_back("exit"); };
  SetForegroundWindow(host->Handle());
  c->SetFocus();
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"enter"}));
  other->SetFocus();
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit"}));
  HWND edit = FindWindowExW(c->Handle(), nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  ::SetFocus(edit);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit", "enter"}));
}

TEST_F(SpareComboBoxTest, OwnerDrawnItemsGetTheirHeightAtCreation) {
  auto* c = new TNewComboBox(host);
  c->ItemHeight = 23;
  c->SetComboStyle(csOwnerDrawFixed);
  c->Items().Add("a");
  c->HandleNeeded();
  EXPECT_EQ(SendMessageW(c->Handle(), CB_GETITEMHEIGHT, 0, 0), 23);
}
