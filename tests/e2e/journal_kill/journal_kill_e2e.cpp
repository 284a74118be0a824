// The program's process killed from outside while it moves a large file's tail
// after Enter, as a user's task manager or a power cut would end it; started
// again, it finishes the edit from its journal before anything else, tells so
// in one message, and the file is byte-exact.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/paths.h"
#include "support/program_process.h"

namespace {

const DWORD kWaitMs = 60000;

bool PumpUntil(const std::function<bool()>& done, DWORD ms = kWaitMs, DWORD step = 20) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, step, QS_ALLINPUT);
  }
  return true;
}

struct Find {
  DWORD pid;
  std::function<bool(HWND)> match;
  HWND found;
};

BOOL CALLBACK TopProc(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<Find*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == f->pid && f->match(h)) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK ChildProc(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<Find*>(lp);
  if (f->match(h)) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

std::wstring ClassOf(HWND h) {
  wchar_t c[128] = {};
  GetClassNameW(h, c, 128);
  return c;
}

std::wstring TextOf(HWND h) {
  wchar_t t[512] = {};
  GetWindowTextW(h, t, 512);
  return t;
}

HWND TopWindow(DWORD pid, const std::wstring& cls) {
  Find f{pid, [&](HWND h) { return ClassOf(h) == cls && IsWindowVisible(h); }, nullptr};
  EnumWindows(TopProc, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

HWND Child(HWND parent, const std::function<bool(HWND)>& match) {
  Find f{0, match, nullptr};
  EnumChildWindows(parent, ChildProc, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

std::wstring BoxText(HWND box) {
  wchar_t t[2048] = {};
  GetDlgItemTextW(box, 0xFFFF, t, 2048);
  return t;
}

using Program = testsupport::ProgramProcess;

// The bytes of block k (1 MiB each), different in every block.
void FillBlock(std::vector<char>& b, int64_t k) {
  uint32_t x = 0x9E3779B9u ^ static_cast<uint32_t>(k * 2654435761u);
  for (size_t i = 0; i < b.size(); i += 4) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    memcpy(&b[i], &x, 4);
    // Text of a kind the view shows: no NUL, line ends now and then.
    for (size_t j = i; j < i + 4; ++j) b[j] = static_cast<char>('a' + static_cast<unsigned char>(b[j]) % 26);
    if (i % 64 == 60) {
      b[i + 2] = '\r';
      b[i + 3] = '\n';
    }
  }
}

// The file is the original with `head` in front.
bool FileIs(const std::wstring& path, const std::string& head, int64_t blocks) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  GetFileSizeEx(h, &size);
  bool same = size.QuadPart == (blocks << 20) + static_cast<int64_t>(head.size());
  std::vector<char> want(1 << 20), got(1 << 20);
  std::string carry = head;
  for (int64_t k = 0; same && k < blocks; ++k) {
    FillBlock(want, k);
    std::string expect = carry + std::string(want.begin(), want.end() - head.size());
    carry.assign(want.end() - head.size(), want.end());
    DWORD n = 0;
    same = ReadFile(h, got.data(), static_cast<DWORD>(got.size()), &n, nullptr) && n == got.size() &&
           memcmp(got.data(), expect.data(), got.size()) == 0;
  }
  if (same && !carry.empty()) {
    DWORD n = 0;
    std::string last(carry.size(), '\0');
    same = ReadFile(h, &last[0], static_cast<DWORD>(last.size()), &n, nullptr) && n == last.size() && last == carry;
  }
  CloseHandle(h);
  return same;
}

// The newest record number of the journal in folder (0: none yet).
uint32_t JournalProgress(const std::wstring& folder, std::wstring* name) {
  WIN32_FIND_DATAW fd;
  HANDLE s = FindFirstFileW((folder + L"\\*.journal").c_str(), &fd);
  if (s == INVALID_HANDLE_VALUE) return 0;
  FindClose(s);
  *name = fd.cFileName;
  HANDLE h = CreateFileW((folder + L"\\" + fd.cFileName).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  DWORD n = 0;
  uint32_t best = 0;
  for (int k = 0; k < 2; ++k) {
    char rec[8] = {};
    SetFilePointer(h, k * 4096, nullptr, FILE_BEGIN);
    if (ReadFile(h, rec, 8, &n, nullptr) && n == 8) {
      uint32_t seq = 0;
      memcpy(&seq, rec + 4, 4);
      if (seq > best && seq < 100000) best = seq;
    }
  }
  CloseHandle(h);
  return best;
}

}  // namespace

TEST(JournalKill, KilledDuringTheMoveTheNextStartFinishesTheEdit) {
  const std::wstring dir = testsupport::MakeTempDir(L"jk");
  ASSERT_TRUE(CopyFileW((testsupport::ExeDir() + L"\\Vastrel.exe").c_str(), (dir + L"\\Vastrel.exe").c_str(), FALSE));
  const std::wstring file = dir + L"\\big.txt";
  const int64_t blocks = 160;  // 160 MiB: the move takes many journal records
  {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<char> b(1 << 20);
    for (int64_t k = 0; k < blocks; ++k) {
      FillBlock(b, k);
      DWORD n = 0;
      ASSERT_TRUE(WriteFile(h, b.data(), static_cast<DWORD>(b.size()), &n, nullptr));
    }
    CloseHandle(h);
  }

  // Opened, typed edits allowed (the backup declined), Enter in the view.
  std::wstring journal;
  {
    Program p;
    ASSERT_TRUE(p.Start(dir, L"big.txt"));
    HWND main = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (main = TopWindow(p.pi.dwProcessId, L"TVastrelForm")) != nullptr; }));
    HWND noDelete = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
      return (noDelete = Child(main, [](HWND h) { return TextOf(h) == L"削除禁止"; })) != nullptr;
    }));
    PostMessageW(noDelete, BM_CLICK, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = TopWindow(p.pi.dwProcessId, L"#32770")) != nullptr; }));
    EXPECT_NE(BoxText(box).find(L"バックアップを行いますか"), std::wstring::npos) << BoxText(box);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
    HWND view = Child(main, [](HWND h) {
      return IsWindowVisible(h) && (GetWindowLongPtrW(h, GWL_STYLE) & ES_MULTILINE) &&
             ClassOf(h).find(L"Edit") != std::wstring::npos;
    });
    if (!view) view = Child(main, [](HWND h) {
      return IsWindowVisible(h) && (GetWindowLongPtrW(h, GWL_STYLE) & ES_MULTILINE) &&
             ClassOf(h).find(L"EDIT") != std::wstring::npos;
    });
    ASSERT_NE(view, nullptr);
    PostMessageW(view, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(view, WM_KEYUP, VK_RETURN, 0xC0000001);
    // Killed from outside once the move has gone some way.
    uint32_t seq = 0;
    ASSERT_TRUE(PumpUntil([&] { return (seq = JournalProgress(dir + L"\\data", &journal)) >= 4 || p.Exited(); },
                          kWaitMs, 1))
        << "no journal appeared";
    p.Kill();
    ASSERT_GE(seq, 4u) << "the program ended by itself";
  }
  ASSERT_NE(GetFileAttributesW((dir + L"\\data\\" + journal).c_str()), INVALID_FILE_ATTRIBUTES)
      << "the move had ended before the kill";
  EXPECT_FALSE(FileIs(file, "", blocks) || FileIs(file, "\r\n", blocks)) << "the kill left nothing to recover";

  // Started again: one message, then the window; the file is the finished edit.
  Program again;
  ASSERT_TRUE(again.Start(dir, L""));
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = TopWindow(again.pi.dwProcessId, L"#32770")) != nullptr; }));
  const std::wstring text = BoxText(box);
  EXPECT_NE(text.find(file), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"編集を終えた内容になりました"), std::wstring::npos) << text;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  HWND main = nullptr;
  bool second = false;
  ASSERT_TRUE(PumpUntil([&] {
    HWND b = TopWindow(again.pi.dwProcessId, L"#32770");
    second = second || (b && b != box);
    main = TopWindow(again.pi.dwProcessId, L"TVastrelForm");
    return main != nullptr;
  }));
  EXPECT_FALSE(second) << "more than one message";
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return again.Exited(); }));
  EXPECT_TRUE(FileIs(file, "\r\n", blocks));
  std::wstring left;
  EXPECT_EQ(JournalProgress(dir + L"\\data", &left), 0u);
  EXPECT_TRUE(left.empty()) << "a journal stayed";
}
