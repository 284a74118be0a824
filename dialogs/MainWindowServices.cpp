#include "dialogs/MainWindowServices.h"

namespace dialogs {
namespace {
class NoMainWindow : public MainWindowServices {
 public:
  std::wstring ClipboardText() override { return std::wstring(); }
  std::wstring SelectedText(int) override { return std::wstring(); }
  int64_t CurrentLine() override { return -1; }
  std::string PickedLineNumber() override { return std::string(); }
};
NoMainWindow g_none;
MainWindowServices* g_services = nullptr;
}  // namespace

MainWindowServices& MainWindow() { return g_services ? *g_services : g_none; }

MainWindowServices* SetMainWindowServices(MainWindowServices* services) {
  MainWindowServices* previous = g_services;
  g_services = services;
  return previous;
}

}  // namespace dialogs
