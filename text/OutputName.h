// The output file name of the code conversion: the source's folder and base
// name, optionally with the target's code part in round brackets.
#pragma once
#include <string>

namespace pathtext {

// Folder of path (up to and with the last backslash) + its base name without
// the extension + "(" + codePart + ")" when codePart is not empty + the old
// extension (from the name's last dot, the dot included; none when the name has
// no dot). With cutAtParen, the base name is cut before its first "(" that is
// not its first character, so that a code part added earlier is replaced and a
// name such as "(memo)" keeps its base.
std::wstring BuildOutputName(const std::wstring& path, bool cutAtParen, const std::wstring& codePart);

}  // namespace pathtext
