// The run-time binding of the conversion library: loading by full path from
// the program's folder, the missing library or export, the call and release
// protocol, the 19 conversion items against their table, a null result, a
// library replaced between two commands, and the real library.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/ConversionLibrary.h"
#include "dialogs/InputTextDlg.h"
#include "framework/Cp932.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "support/paths.h"

namespace {

typedef const char*(__cdecl* LogProc)(void);

// Keeps a fake loaded for the test's life, so its call log can be read.
class FakeLog {
 public:
  explicit FakeLog(const wchar_t* base) {
    h_ = LoadLibraryW((testsupport::ExeDir() + L"\\" + base + L".dll").c_str());
    log_ = h_ ? reinterpret_cast<LogProc>(GetProcAddress(h_, "FakeLog")) : nullptr;
  }
  ~FakeLog() {
    if (h_) FreeLibrary(h_);
  }
  std::string Text() const { return log_ ? log_() : "(not loaded)"; }

 private:
  HMODULE h_ = nullptr;
  LogProc log_ = nullptr;
};

int g_messages = 0;

class BindingTest : public testing::Test {
 protected:
  void SetUp() override {
    g_messages = 0;
    previous_ = SetMessageHandler([](const MessageRequest&) {
      ++g_messages;
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageHandler(previous_);
    EXPECT_EQ(g_messages, 0) << "the binding never shows a message";
  }
  MessageHandler previous_;
};

TEST_F(BindingTest, MissingLibraryOrExportBindsNothingAndCaseStillWorks) {
  for (const wchar_t* base : {L"NoSuchLibrary", L"FakeConv_nodelete"}) {
    ConversionLibrary lib(base);
    EXPECT_FALSE(lib.Load());
    EXPECT_FALSE(lib.Loaded());
    EXPECT_EQ(lib.ConvertText("Hello", ckLowerCase), "hello");
    EXPECT_EQ(lib.ConvertText("Hello", ckUpperCase), "HELLO");
    EXPECT_EQ(lib.ConvertText("hello big", ckTopBigABC), "hello big");
    EXPECT_EQ(lib.ConvertText("abc", ckKataToHira), "abc");
    EXPECT_EQ(lib.ConvertWholeWidth("abc", true), "abc");
  }
  // The library is looked for only in the folder given (the program's own by
  // default), never through the search path.
  ConversionLibrary elsewhere(L"FakeConv_record", L"C:\\windows\\");
  EXPECT_FALSE(elsewhere.Load());
  ConversionLibrary own(L"FakeConv_record");
  EXPECT_EQ(own.Path(), testsupport::ExeDir() + L"\\FakeConv_record.dll");
}

TEST_F(BindingTest, OneConversionThenOneReleaseAndTheExtraIsEmpty) {
  FakeLog log(L"FakeConv_record");
  ConversionLibrary lib(L"FakeConv_record");
  ASSERT_TRUE(lib.Load());
  EXPECT_TRUE(lib.Load());  // loaded already: nothing more
  EXPECT_EQ(lib.CallStringConversion("x", "HiraToKata", true, wcNone), "<HiraToKata|0|1|>x");
  EXPECT_EQ(log.Text(), "conv(HiraToKata|0|1|)delete;");
  lib.Free();
  EXPECT_FALSE(lib.Loaded());
  // not loaded: no call at all
  EXPECT_EQ(lib.CallStringConversion("x", "HiraToKata", true, wcNone), "");
  EXPECT_EQ(log.Text(), "conv(HiraToKata|0|1|)delete;");
}

TEST_F(BindingTest, ANullResultLeavesTheTextUnchanged) {
  FakeLog log(L"FakeConv_null");
  ConversionLibrary lib(L"FakeConv_null");
  ASSERT_TRUE(lib.Load());
  EXPECT_EQ(lib.ConvertText("abc", ckKataToHira), "abc");
  EXPECT_EQ(lib.ConvertText("abc", ckTopBigABC), "abc");
  EXPECT_EQ(lib.ConvertWidth("abc", true, wcAll), "abc");
  EXPECT_EQ(log.Text(), "conv(KataToHira|0|1|)delete;conv(TopBigABC|0|1|)delete;conv(|7|1|)delete;");
}

TEST_F(BindingTest, AReplacedLibraryTakesEffectAtTheNextCommand) {
  const std::wstring dir = testsupport::MakeTempDir(L"swap") + L"\\";
  const std::wstring exe = testsupport::ExeDir() + L"\\";
  ASSERT_TRUE(CopyFileW((exe + L"FakeConv_record.dll").c_str(), (dir + L"Swap.dll").c_str(), FALSE));
  ConversionLibrary lib(L"Swap", dir);
  EXPECT_EQ(lib.ConvertWholeWidth("abc", true), "<|7|1|>abc");
  EXPECT_FALSE(lib.Loaded());  // freed after the command
  ASSERT_TRUE(CopyFileW((exe + L"FakeConv_null.dll").c_str(), (dir + L"Swap.dll").c_str(), FALSE));
  EXPECT_EQ(lib.ConvertWholeWidth("abc", true), "abc");
}

// The same through the dialog's menu: the library file replaced while the
// dialog stays open is the one the next conversion uses.
TEST_F(BindingTest, ADialogUsesALibraryReplacedWhileItIsOpen) {
  const std::wstring dir = testsupport::MakeTempDir(L"swapdlg") + L"\\";
  const std::wstring exe = testsupport::ExeDir() + L"\\";
  ASSERT_TRUE(CopyFileW((exe + L"FakeConv_record.dll").c_str(), (dir + L"Swap.dll").c_str(), FALSE));
  TInputTextDlg* dlg = NewForm<TInputTextDlg>(std::string("aBc"), nullptr, nullptr);
  dlg->Conversion.SetSource(L"Swap", dir);
  auto capitalise = [dlg] {
    dlg->Memo1->SetText("aBc");
    dlg->Memo1->SelectAll();
    dlg->N38->Click();
    return dlg->Memo1->Text();
  };
  EXPECT_EQ(capitalise(), "<TopBigABC|0|1|>ABC");
  // a library that answers null: the text stays
  ASSERT_TRUE(CopyFileW((exe + L"FakeConv_null.dll").c_str(), (dir + L"Swap.dll").c_str(), FALSE));
  EXPECT_EQ(capitalise(), "aBc");
  // the first library again, then none at all: nothing converts, nothing is said
  ASSERT_TRUE(CopyFileW((exe + L"FakeConv_record.dll").c_str(), (dir + L"Swap.dll").c_str(), FALSE));
  EXPECT_EQ(capitalise(), "<TopBigABC|0|1|>ABC");
  ASSERT_TRUE(DeleteFileW((dir + L"Swap.dll").c_str()));
  EXPECT_EQ(capitalise(), "aBc");
  dlg->abcABCB1->Click();
  EXPECT_EQ(dlg->Memo1->Text(), "ABC");  // case still works
  dlg->Free();
}

TEST_F(BindingTest, TheRealLibraryCapitalisesWords) {
  ConversionLibrary lib;  // Selvane beside the program
  ASSERT_TRUE(lib.Load());
  EXPECT_EQ(lib.ConvertText("hello big world", ckTopBigABC), "Hello Big World");
}

// The narrow dialog's 19 conversion items: each item's Tag and handler give
// exactly the call of the table; the selection is replaced by the result.
TEST_F(BindingTest, TheNineteenItemsCallTheLibraryAsTheTableSays) {
  FakeLog log(L"FakeConv_record");
  TInputTextDlg* dlg = NewForm<TInputTextDlg>(std::string("abc"), nullptr, nullptr);
  dlg->Conversion.SetSource(L"FakeConv_record");
  struct Row {
    TMenuItem* item;
    const char* expect;  // the memo text after the item on "aBc" selected; "" for no library call
  };
  const Row rows[] = {
      {dlg->ABCabcS1, "abc"},
      {dlg->abcABCB1, "ABC"},
      {dlg->N38, "<TopBigABC|0|1|>ABC"},
      {dlg->N36, "<|7|1|>aBc"},
      {dlg->N33, "<|5|1|>aBc"},
      {dlg->N34, "<|3|1|>aBc"},
      {dlg->ABCA2, "<|4|1|>aBc"},
      {dlg->N32, "<|6|1|>aBc"},
      {dlg->N30, "<|7|0|>aBc"},
      {dlg->N28, "<|3|0|>aBc"},
      {dlg->ABCA1, "<|4|0|>aBc"},
      {dlg->N27, "<|5|0|>aBc"},
      {dlg->N26, "<|6|0|>aBc"},
      {dlg->N23, "<KataToHira|0|1|>aBc"},
      {dlg->N20, "<HiraToKata|0|1|>aBc"},
      {dlg->N18, "<HiraToHalfKata|0|1|>aBc"},
      {dlg->N17, "<HalfKataToHira|0|1|>aBc"},
  };
  for (const Row& r : rows) {
    dlg->Memo1->SetText("aBc");
    dlg->Memo1->SelectAll();
    r.item->Click();
    EXPECT_EQ(dlg->Memo1->Text(), r.expect) << r.item->Name;
    EXPECT_FALSE(dlg->Conversion.Loaded()) << "freed after the command";
  }
  // the two submenus convert nothing and the log shows one release per call
  EXPECT_EQ(dlg->N31->Tag, 2);
  EXPECT_EQ(dlg->N25->Tag, 3);
  const std::string text = log.Text();
  size_t convs = 0, deletes = 0;
  for (size_t p = 0; (p = text.find("conv(", p)) != std::string::npos; ++p) ++convs;
  for (size_t p = 0; (p = text.find("delete;", p)) != std::string::npos; ++p) ++deletes;
  EXPECT_EQ(convs, 15u);
  EXPECT_EQ(deletes, 15u);
  dlg->Free();
}

}  // namespace
