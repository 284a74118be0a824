// The whole page display in the real main window (read, convert, cut, show
// in the view) at the start, the middle and the end of a large file, in
// Shift_JIS and in UTF-16.
//
//   page_view_bench [folder] [size in MiB]
#include <windows.h>

#include <cstdio>
#include <string>

#include "controls/MyTrackBar.h"
#include "framework/Application.h"
#include "framework/FileOps.h"
#include "framework/MessageService.h"
#include "viewer/VastrelForm.h"

namespace {

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

bool Write(const std::wstring& path, int64_t size, bool wide) {
  fileops::File f;
  if (!f.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) return false;
  // One line of Japanese text, repeated: 40 characters and CR LF.
  const std::wstring line = L"ページ表示の速さを測るための行です。位置に関わらず同じ時間で表示されるはずです。\r\n";
  std::string unit;
  if (wide) {
    for (wchar_t c : line) {
      unit += static_cast<char>(c & 0xFF);
      unit += static_cast<char>(c >> 8);
    }
  } else {
    const int n = WideCharToMultiByte(932, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    unit.resize(static_cast<size_t>(n));
    WideCharToMultiByte(932, 0, line.c_str(), static_cast<int>(line.size()), &unit[0], n, nullptr, nullptr);
  }
  std::string block;
  if (wide) block = "\xFF\xFE";
  while (block.size() < (1u << 20)) block += unit;
  for (int64_t done = 0; done < size; done += static_cast<int64_t>(block.size())) {
    if (!fileops::WriteFully(f.get(), block.data(), static_cast<DWORD>(block.size()))) return false;
    if (wide && done == 0) block.erase(0, 2);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring folder = L"Z:\\dev\\shm\\";
  if (argc > 1) {
    std::string a = argv[1];
    folder.assign(a.begin(), a.end());
    if (folder.back() != L'\\') folder += L'\\';
  }
  const int64_t size = (argc > 2 ? std::atoll(argv[2]) : 2048) << 20;
  SetMessageHandler([](const MessageRequest&) { return IDOK; });
  Application->Initialize();
  TVastrelForm::ProgramFolderOverride = folder;
  TVastrelForm::ArgumentsOverride = {L"Vastrel.exe"};
  TVastrelForm* form = NewForm<TVastrelForm>();
  form->Show();
  Application->ProcessMessages();

  for (bool wide : {false, true}) {
    const std::wstring path = folder + (wide ? L"bench_view_utf16.txt" : L"bench_view_sjis.txt");
    if (!Write(path, size, wide)) {
      std::printf("cannot write %ls\n", path.c_str());
      return 1;
    }
    form->OpenFile(path);
    const int64_t real = form->RealFileSize;
    const int64_t offsets[] = {0, real / 2 + 33, real - 8192};
    const char* names[] = {"start", "middle", "end"};
    for (int k = 0; k < 3; ++k) {
      const int rounds = 200;
      form->ShowPage(false, true, offsets[k]);
      const double t0 = Now();
      for (int r = 0; r < rounds; ++r) form->ShowPage(false, true, offsets[k] + (r & 1) * 64);
      std::printf("%-6s page at %-6s (%12lld): %8.1f us per page, page start %lld\n", wide ? "UTF-16" : "SJIS",
                  names[k], static_cast<long long>(offsets[k]), (Now() - t0) * 1e6 / rounds,
                  static_cast<long long>(form->MyTrackBar1->Position()));
    }
    fileops::Files().Delete(path);
  }
  form->Free();
  return 0;
}
