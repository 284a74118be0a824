// The replace walks of the edit dialogs, over a copy of their text: the
// search and replacement proposed when the replace dialog opens, the match
// test of each variant, the walk that asks at every occurrence until the user
// lets it replace the rest in one sweep or stops it, and the place of the
// question box beside an occurrence.
//
// Narrow texts are code page 932 bytes (std::string), wide ones UTF-16 units
// (std::wstring). Lines end at CR LF only; a lone CR or LF belongs to its line.
//
// The walk reads the text as it stood when the replace began, once, left to
// right, and keeps a running offset between that text and the text with the
// replacements accepted so far: every original line is examined once, and
// inserted text is never examined again. A match lies within one line (it
// never takes a CR or LF of a CR LF). After an occurrence, replaced or
// skipped, the scan goes on behind it.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace replaceflow {

// The question box's answer.
struct Answer {
  bool replace = true;  // OK, or the box closed by its title bar; false for No
  bool all = false;     // "全て" was checked: no further questions
};

// What the walk needs of the dialog: the progress bar, the question, and the
// control that shows each replacement accepted while asking.
template <class Str>
class Host {
 public:
  virtual ~Host() = default;
  // The walk has reached `lines` more lines of the text (the bar's step).
  virtual void Step(size_t lines) {}
  // The question at an occurrence: pos and length count in the text as it
  // stands now, with the replacements accepted so far.
  virtual Answer Ask(size_t pos, size_t length, const Str& question) = 0;
  // A replacement accepted while asking: the occurrence at pos (in the text
  // as it stands now) of length units became replacement.
  virtual void Replaced(size_t pos, size_t length, const Str& replacement) {}
};

template <class Str>
struct Outcome {
  Str text;              // the text after the walk
  bool swept = false;    // the rest was replaced without asking: the control needs the text
  size_t replaced = 0;   // replacements made
  size_t asked = 0;      // questions asked
  bool stopped = false;  // No with "全て"
  size_t probes = 0;     // positions the match test examined (for the linear-time checks)
  // The strings to keep as the last search and replacement: the search as
  // used (narrow: lowered without matchCase) and the replacement; both empty
  // for an empty search, which ends the replace before anything is kept.
  Str lastFind, lastReplace;
};

// Number of lines of text (CR LF count + 1).
size_t CountLines(const std::string& text);
size_t CountLines(const std::wstring& text);

// The search and the replacement that the replace dialog opens with: the
// selection's part within its first line, as both; when that part is empty,
// the last search and the last replacement (the last search when the last
// replacement is empty); empty when there is no last search either.
std::pair<std::string, std::string> Propose(const std::string& text, size_t selStart, size_t selLength,
                                            const std::string& lastFind, const std::string& lastReplace);
std::pair<std::wstring, std::wstring> Propose(const std::wstring& text, size_t selStart, size_t selLength,
                                              const std::wstring& lastFind, const std::wstring& lastReplace);

// The narrow lower-casing of a text. The lowering must keep each character's
// byte length and kind; when the given one does not (a character it widens or
// narrows), only ASCII letters that stand as characters of their own are
// lowered.
using NarrowCase = std::function<std::string(const std::string&)>;
std::string LowerNarrow(const std::string& text, const NarrowCase& lower);
// ASCII letters lowered, never a trail byte of a double-byte character.
std::string LowerAsciiNarrow(const std::string& text);

// The question: "'" + what + "' を置き換えますか？" (narrow: in code page 932).
std::string Question(const std::string& what);
std::wstring Question(const std::wstring& what);

// The narrow walk. Without matchCase the search is lowered by LowerNarrow and
// sought in the text lowered the same way; the question shows the search as
// used. A match starts at a byte of the same kind
// (single, lead or trail) as the search's first byte: never inside a
// double-byte character. An empty search changes nothing.
Outcome<std::string> ReplaceNarrow(const std::string& text, const std::string& search,
                                   const std::string& replacement, bool matchCase, const NarrowCase& lower,
                                   Host<std::string>& host);

// The wide walk: equal units; without matchCase, equal after upper-casing
// the text and the search by upper. The question shows the occurrence's own
// text. An empty search changes nothing.
using WideCase = std::function<std::wstring(const std::wstring&)>;
Outcome<std::wstring> ReplaceWide(const std::wstring& text, const std::wstring& search,
                                  const std::wstring& replacement, bool matchCase, const WideCase& upper,
                                  Host<std::wstring>& host);

// Where the question box goes beside an occurrence, on the screen.
struct BoxPlace {
  // The text control's answer for the character behind the occurrence
  // (client x in the low 16 bits, y in the high 16 bits, each signed); -1
  // where there is no such character (the occurrence ends the text).
  long posBehind = -1;
  // The same for the occurrence's last character, used in place of -1.
  long posLast = 0;
  int originX = 0, originY = 0;                  // the control's client origin on the screen
  int left = 0, top = 0, right = 0, bottom = 0;  // the control's rectangle on the screen
  int boxWidth = 0, boxHeight = 0;
  int lineHeight = 0;  // pixel height of the control's font
};
struct ScreenPoint {
  int x = 0, y = 0;
};
// The point, held to the control's client area (a negative coordinate counts
// as 0), is moved left so that the box ends at the rectangle's right edge when
// it would pass it. Then the box opens one line below the point when it fits
// there above the rectangle's bottom; when the point lies at or below the
// bottom, three lines and the box's height above the bottom; otherwise above
// the point.
ScreenPoint PlaceQuestionBox(const BoxPlace& place);

}  // namespace replaceflow
