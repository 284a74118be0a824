// The text work of the update check and the version box's icon animation:
// the update page's address, the search of the page for the update archive,
// the version test, and the icon's jitter and stretch steps.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace updatetext {

// Longest address handed to the Internet functions (longer ones are refused).
const size_t kMaxAddress = 2083;

// Removes characters up to and including the blank (control characters and
// blanks) from both ends.
std::string TrimBlanks(const std::string& s);

// The update page's address: site base + the page folder without its blanks
// + "/" + page name. A folder of exactly one blank leaves the folder and its
// "/" out, so the page sits directly under the site base.
std::string PageAddress(const std::string& siteBase, const std::string& folder, const std::string& pageName);
// The archive's address: site base + archive folder + "/" + archive name.
std::string ArchiveAddress(const std::string& siteBase, const std::string& folder, const std::string& archiveName);

struct ArchiveFind {
  bool found = false;
  std::string name;     // the name as the page spells it: base name, version, extension
  std::string version;  // the four digits after the base name
};
// The first occurrence of baseName (case-sensitive) that is followed by four
// ASCII digits and ".zip" in any case, all inside the page. Other occurrences
// are passed over: the search goes on after the character that follows the
// name. An empty base name finds nothing.
ArchiveFind FindArchive(const std::string& page, const std::string& baseName);

// Whether address is a web address that may be handed to the browser: it
// begins with "http://" or "https://" (letters in any case), names a host
// after it, and holds no blank, control character, quote or angle bracket.
// Anything else (a program's path, another scheme) is not opened.
bool IsWebAddress(const std::wstring& address);

// Whether the download is offered: the program's version is below the found
// one as byte strings, or the version test is switched off.
bool OffersDownload(const std::string& programVersion, const std::string& foundVersion, bool noVersionTest);

// The icon's animation: two 64 x 64 frames drawn in turn; after frame 0 the
// icon jumps around its home, after frame 1 it grows or shrinks by a pixel.
struct IconAnimation {
  int JumpXY = 2;
  int StretchMax = 5;
  int FrameIndex = 0;
  int StretchValue = 0;
  int HomeLeft = 0, HomeTop = 0;
  bool IconPressed = false;

  struct Step {
    int frame = 0;      // the frame to draw now
    bool moved = false; // the icon moves to (left, top)
    int left = 0, top = 0;
    int size = 64;      // the icon's width and height after the step
  };
  // One tick; random gives non-negative numbers.
  Step Tick(const std::function<uint32_t()>& random);

  // The mouse over the icon (grows it unless the button went down on it), the
  // button down on it, and the mouse over the panel around it.
  void MouseMoveOnIcon() {
    if (!IconPressed) StretchValue = 10;
  }
  void MouseDownOnIcon() {
    StretchValue = -10;
    IconPressed = true;
  }
  void MouseMoveOnPanel() { IconPressed = false; }
};

}  // namespace updatetext
