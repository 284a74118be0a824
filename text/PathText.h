// Path, file-dialog and command-line text helpers on UTF-16 strings.
// Pure string work: no file system access, no <windows.h>. The "last
// backslash" below is the last L'\\' of the text.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace pathtext {

// Text after the last backslash (empty when the text ends with one); the
// whole text when it holds none.
std::wstring ExtractNameWide(const std::wstring& path);
// Text up to and including the last backslash; empty when there is none.
std::wstring ExtractDirWide(const std::wstring& path);
// Text before the last backslash; the backslash is kept only when a ':'
// stands just before it (a drive's root, "C:\"). Empty when there is none.
std::wstring ExtractDriveDirWide(const std::wstring& path);
// Replaces the extension of the file name: the text before the last '.'
// of the name part followed by ext (which brings its own dot). Only a dot
// after the last backslash counts, so "C:\my.dir\file" is returned
// unchanged instead of turning into a path in another folder.
std::wstring ChangeExtWide(const std::wstring& path, const std::wstring& ext);
// The extension of the file name with its dot ("" when the name has none);
// only a dot after the last backslash counts.
std::wstring ExtractExtWide(const std::wstring& path);

// The path a backup copy goes to when the user chose `chosen`: chosen itself
// when nothing exists there; otherwise the first free one of folder + name
// without extension + "(" n ")" + extension for n = 1, 2, ..., where the
// extension is chosen's own or, when chosen has none, fallbackExt (with its
// dot). Candidate 99 is taken even when it exists (its owner is asked before
// it is replaced).
std::wstring NumberedBackupPath(const std::wstring& chosen, const std::wstring& fallbackExt,
                                const std::function<bool(const std::wstring&)>& exists);

// "\\?\" form of a path for the wide file functions: unchanged when it
// already starts with "\\?\"; "\\?\UNC\" + rest for "\\server\share...";
// "\\?\" + path otherwise. With sysnative set, the first "\System32" of a
// UNC path gets "Sysnative" in place of "System32" (the 32-bit view of a
// 64-bit system folder).
std::wstring LongPathForm(const std::wstring& path, bool sysnative = false);

// Result text of an open dialog's buffer (the texts separated by NUL, the
// list ended by an empty text). One text: that text. Several: the first is
// the folder, each further one a file name; the result is folder + "\" +
// name per file (the "\" only when the folder does not end with one),
// joined by CR LF.
std::wstring SplitMultiSelect(const std::wstring& buffer);

// Filter text of the file dialogs: description and pattern lines in pairs,
// joined by CR LF. The 1-based number of the first pair whose pattern line
// holds no '(' and contains defExt; the number of the last pair when no
// pattern line matches (1 for an empty filter).
int FilterIndexFor(const std::wstring& filter, const std::wstring& defExt);
// Common-dialog form of a filter text: every CR LF becomes one NUL and the
// text ends with two NULs.
std::wstring NulSeparate(const std::wstring& filter);

// Splits a text at CR LF. An empty text gives no item; a text ending in
// CR LF gives a last empty item.
std::vector<std::wstring> SplitCrLf(const std::wstring& text);
// The first path of a CR LF separated list (the whole text when it holds no
// CR LF).
std::wstring FirstListedPath(const std::wstring& list);

// Re-joins command-line arguments that the shell split at blanks.
// args[0] is the program, args[1..n] the arguments (n = args.size() - 1).
// The path starts as args[index]; at most n + 1 times: stop when exists(path);
// else index += 1 and, when args[index] exists, append " " + args[index].
// index is left at the last argument consumed (past the last one when no
// existing file was found; then all remaining arguments form one path).
std::wstring JoinPathArgs(const std::vector<std::wstring>& args, int& index,
                          const std::function<bool(const std::wstring&)>& exists);
// Every argument from index 1 on, joined path by path (JoinPathArgs), the
// paths joined by CR LF; each joined path passes through fix (e.g. made
// absolute) when given. Empty when there are no arguments.
std::wstring JoinAllPathArgs(const std::vector<std::wstring>& args,
                             const std::function<bool(const std::wstring&)>& exists,
                             const std::function<std::wstring(const std::wstring&)>& fix = nullptr);

// Level of the running system: 0 Windows 95/98, 1 Me, 2 NT 5.0, 3 NT 5.1
// and later 5.x, 4 NT 6.0, 5 NT 6.1 and later 6.x, 6 other NT versions;
// a system offering QueryFullProcessImageNameW is at least 5.
// platform is the platform identifier of the version record (1 the 9x
// family, 2 the NT family).
int SystemLevel(unsigned platform, unsigned major, unsigned minor, bool hasQueryFullProcessImageNameW);

}  // namespace pathtext
