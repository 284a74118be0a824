// Paths for tests running under wine: the fixtures folder and temporary folders
// given as Windows paths.
#pragma once
#include <string>
#include <vector>

namespace testsupport {
// Windows path of a file in tests/fixtures.
std::wstring FixturePath(const std::wstring& name);
// Windows path of the source tree.
std::wstring SourcePath(const std::wstring& relative);
// A new empty folder under the wine prefix's temporary folder; removed by the caller
// or left for the throwaway prefix.
std::wstring MakeTempDir(const std::wstring& tag);
// Writes bytes to a file; true on success.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// Reads a whole file; empty with ok=false on failure.
std::string ReadBytes(const std::wstring& path, bool* ok = nullptr);
// The names of the files (not folders) in a folder, in the order listed.
std::vector<std::wstring> FileNamesIn(const std::wstring& folder);
// Folder of the running test executable (no trailing backslash).
std::wstring ExeDir();
}  // namespace testsupport
