// The options flow: fills the options dialog from the settings and the shell's
// state, runs it and, on OK, stores what it reads back and makes the shortcut
// and open-with changes through the dialogs' services. The main window applies
// changed font sizes itself (Option1Click).
#pragma once
#include <string>

#include "viewer/Settings.h"

class TForm;
namespace dialogs {
class MainWindowServices;
}

// Shell folders of the program's shortcuts.
enum : int { kDesktopFolder = 0, kSendToFolder = 9 };

struct OptionsOutcome {
  bool ok = false;                       // OK pressed
  bool fontSizeChanged = false;
  bool bookmarkFontSizeChanged = false;
};

// sendToLink: whether the Send To shortcut stands; after a change it is what
// the shell then shows, not what was ticked (a failed creation stays false).
OptionsOutcome RunOptionsFlow(TForm* owner, ViewerSettings& settings, bool& sendToLink,
                              dialogs::MainWindowServices& services);

// Every run of dots shrinks to one ("...txt..log" gives ".txt.log").
std::string CollapseDots(std::string text);
