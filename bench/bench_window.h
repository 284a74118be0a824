// What the benchmarks that run the real main window share: five figures with
// their median, min and max, and the window started as a plain start would
// start it, in a program folder of the benchmark's own.
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>

#include "framework/Application.h"
#include "framework/MessageService.h"
#include "viewer/VastrelForm.h"

namespace bench {

struct Five {
  double v[5] = {};
  int n = 0;
  void Add(double x) {
    if (n < 5) v[n++] = x;
  }
  // Sorted figures (unfilled ones count as 0).
  void Sorted(double s[5]) const {
    for (int i = 0; i < 5; ++i) s[i] = i < n ? v[i] : 0;
    std::sort(s, s + 5);
  }
  double Median() const {
    double s[5];
    Sorted(s);
    return s[2];
  }
  double Min() const {
    double s[5];
    Sorted(s);
    return s[0];
  }
  double Max() const {
    double s[5];
    Sorted(s);
    return s[4];
  }
};

// The main window, shown, with every question answered by `answer`; folder
// ends with a separator.
inline TVastrelForm* StartMainWindow(const std::wstring& folder, int answer) {
  SetMessageHandler([answer](const MessageRequest&) { return answer; });
  Application->Initialize();
  TVastrelForm::ProgramFolderOverride = folder;
  TVastrelForm::ArgumentsOverride = {L"Vastrel.exe"};
  TVastrelForm* form = NewForm<TVastrelForm>();
  form->Show();
  Application->ProcessMessages();
  return form;
}

}  // namespace bench
