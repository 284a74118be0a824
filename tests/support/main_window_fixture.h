// The common part of the tests that run the real main window in the test
// process: a fresh program folder, the command line of a plain start, every
// message to the user recorded (and answered with OK) instead of shown, and
// the window's creation and release.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Cp932.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "support/paths.h"
#include "viewer/VastrelForm.h"
#include "viewer/WorkProgress.h"

namespace testsupport {

class MainWindowTest : public ::testing::Test {
 protected:
  // Points the program at a new temporary folder (its name made from `tag`),
  // gives it a command line without arguments and records its messages.
  void UseFreshProgramFolder(const std::wstring& tag) {
    Application->Initialize();
    folder_ = MakeTempDir(tag) + L"\\";
    TVastrelForm::ProgramFolderOverride = folder_;
    TVastrelForm::ArgumentsOverride = {L"Vastrel.exe"};
    // The tests' jobs are a few small blocks, each of which is to serve the
    // messages the test posts (the time rule has its own test).
    vastrel::WorkProgress::PumpIntervalMs = 0;
    messages_.clear();
    handler_ = SetMessageHandler([this](const MessageRequest& r) {
      messages_.push_back(r.text);
      return IDOK;
    });
  }
  // Frees the main window, if one was made, and puts back what
  // UseFreshProgramFolder changed.
  void EndMainWindow() {
    if (form_) form_->Free();
    form_ = nullptr;
    SetMessageHandler(handler_);
    TVastrelForm::ArgumentsOverride.clear();
    TVastrelForm::ProgramFolderOverride.clear();
  }

  // Creates the main window, shows it and runs its first messages.
  TVastrelForm* StartForm() {
    form_ = NewForm<TVastrelForm>();
    return ShowForm();
  }
  // The same with the window placed at the given bounds before it is shown.
  TVastrelForm* StartForm(int left, int top, int width, int height) {
    form_ = NewForm<TVastrelForm>();
    form_->SetBounds(left, top, width, height);
    return ShowForm();
  }

  static std::wstring Sample(const std::wstring& name) { return SourcePath(L"samples\\" + name); }
  // Writes `bytes` to a new file of the program folder; returns its path.
  std::wstring File(const std::wstring& name, const std::string& bytes) {
    const std::wstring p = folder_ + name;
    EXPECT_TRUE(WriteBytes(p, bytes));
    return p;
  }
  // The text the view shows, as UTF-16.
  std::wstring ViewText() { return form_->IsWideView() ? form_->GetTextWide() : Cp932ToWide(form_->Memo1->Text()); }
  // Whether the first character of the selection of an edit window lies
  // inside the window's client area (on screen, not scrolled out of it).
  static bool SelectionStartOnScreen(HWND view) {
    DWORD s = 0, e = 0;
    SendMessageW(view, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    const LRESULT at = SendMessageW(view, EM_POSFROMCHAR, s, 0);
    RECT r = {};
    GetClientRect(view, &r);
    const POINT pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    return at != -1 && PtInRect(&r, pt);
  }

  std::wstring folder_;
  TVastrelForm* form_ = nullptr;
  std::vector<std::wstring> messages_;
  MessageHandler handler_;

 private:
  TVastrelForm* ShowForm() {
    form_->Show();
    Application->ProcessMessages();
    return form_;
  }
};

}  // namespace testsupport
