// Text rules of the shell integration: shortcut names (the characters a file
// name may not hold, in code page 932 bytes and in UTF-16), the folder
// separator of a code page 932 path, the file dialogs' filter, the accepted
// extensions, and the open-with registry values. Pure string work.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace shelltext {

// Code page 932 byte kinds: 0 a single byte, 1 a lead byte, 2 a trail byte.
int ByteKind(const std::string& text, size_t index);

// Replaces old by new from the first occurrence on, one occurrence a round;
// stops when old is no longer found, is found where the previous round put
// its replacement, or stands on a byte of another kind than old's first byte
// (a "\" that is the trail byte of a double-byte character ends it).
void MogChange(std::string& text, const std::string& oldText, const std::string& newText);
void MogChangeW(std::wstring& text, const std::wstring& oldText, const std::wstring& newText);
// The nine characters a file name may not hold, replaced by their full-width
// forms (code page 932 bytes / UTF-16).
std::string FileMogChk(std::string name);
std::wstring FileMogChkW(std::wstring name);
// The path with a "\" appended unless it ends in a single-byte "\" already
// ("" gives "\").
std::string AppendSeparator(const std::string& path);

// The file dialogs' filter: description and pattern lines joined by CR LF,
// text files first, then the listed extensions ("その他(.txt.ini.log)" with
// *.txt;*.ini;*.log) when the list begins with "." and is longer than 2
// characters, then all files.
std::wstring BuildFileFilter(const std::wstring& extensions);
// The extension of the path's name part, lower-cased ("" when it has none).
std::wstring LowerExtension(const std::wstring& path);
// Whether the lower-cased extension occurs in the list (a substring test:
// ".lo" is accepted by ".txt.ini.log"); a name without an extension never is.
bool ExtensionAccepted(const std::wstring& path, const std::wstring& extensions);
// The list split before every "." (".txt.ini.log" gives ".txt", ".ini", ".log").
std::vector<std::wstring> SplitExtensions(const std::wstring& extensions);

// One value of an OpenWithList key: letter name and program file name.
using OpenWithValue = std::pair<std::wstring, std::wstring>;
// letter := the first letter from "a" on that no value uses; with add the
// program's value goes to the end of the list under it; mru := the value
// names in list order.
void OpenWithListEntry(std::vector<OpenWithValue>& values, const std::wstring& programName, std::wstring& mru,
                       std::wstring& letter, bool add);
// The open command of the program: both parts in double quotes.
std::wstring OpenWithCommand(const std::wstring& programPath);
// The program path that an open command names: cut before its first "%",
// quotes removed, blanks trimmed (the quoted and the bare form alike).
std::wstring CommandProgram(const std::wstring& command);

}  // namespace shelltext
