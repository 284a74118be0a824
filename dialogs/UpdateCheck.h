// The update check and the archive download of the version box, without a
// window: CheckForUpdate reads the update page and looks for a newer
// archive; DownloadArchive stores an archive in a file.
//
// The blocking Internet calls run on a helper thread; the calling (GUI)
// thread waits for each call with a deadline while it lets pending messages
// run, so that the windows stay responsive and a cancel is seen at once. A
// passed deadline is a time-out: the Internet handles are closed and the
// helper is left to end by itself; it then drops its result. Some systems ignore the Internet time-out options and keep a
// call blocked while the server stalls; the deadline does not depend on them.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "engine/Progress.h"

namespace update {

// What the check and the download need to know (code page 932 texts).
struct UpdateSettings {
  std::string SiteBase;                           // ends in "/"
  std::string UpdateFileName = "UpdateFilePage.html";
  std::string UpdateName;                         // base name of the archive
  std::string UpdateFolderName = "DownLoadHtml";  // folder of the page
  std::string UpdateDownFolder = "UpdateFile";    // folder of the archives
  std::string VerStr;                             // the program's version, four digits
  bool NoChkDownLoad = false;                     // offer the download without the version test
};

// The agent name the requests carry.
extern const char kAgent[];

enum class CheckResult {
  Offer,          // a newer archive (ArchiveName) is on the page
  Latest,         // the page names no newer archive
  None,           // the page names no archive
  CannotConnect,  // no connection, an error status, a failed or short read, a time-out
  Stopped,        // stop() turned true while waiting
};
struct CheckOutcome {
  CheckResult result = CheckResult::CannotConnect;
  std::string archiveName;  // Offer and Latest: the name as the page spells it
  std::string version;
  std::string archiveAddress;  // Offer: where the archive is
};
// Reads the update page and looks for the archive; stop (optional) is asked
// while waiting.
CheckOutcome CheckForUpdate(const UpdateSettings& settings, const std::function<bool()>& stop = nullptr);

enum class DownloadResult {
  Done,
  Cancelled,    // progress.ShouldStop() turned true
  OpenError,    // the address could not be opened (no connection, bad address)
  HttpError,    // a status other than 200
  NoLength,     // the reply gives no length
  ReadError,    // a failed read
  TimedOut,     // a call passed its deadline
  Short,        // fewer bytes than the reply's length
  CreateError,  // the file could not be created (error: the system's code)
  WriteError,   // a failed or short write, or the file's name not taken (error: the system's code)
  TooLarge,     // the reply announces more than an archive may hold
};
struct DownloadOutcome {
  DownloadResult result = DownloadResult::OpenError;
  DWORD error = 0;
};
// Bytes of each read, and so of each progress step.
const DWORD kChunk = 1024;
// Downloads address into filePath (through fileops::Files()). progress gets
// the maximum (the length in chunks, rounded up) and the number of chunks
// read after each; its ShouldStop cancels. The archive is held in memory
// until it is complete, then written under a name of its own beside
// filePath and renamed to filePath: anything but Done writes no file, and
// an existing file of that name stays as it was (a helper left behind by a
// time-out or a cancel writes nothing; it never touches filePath).
DownloadOutcome DownloadArchive(const std::string& address, const std::wstring& filePath,
                                engine::ProgressSink& progress);

// The deadline of each Internet call (15 s).
DWORD CallTimeoutMs();
void SetCallTimeoutMs(DWORD ms);
// Helper threads that have not ended yet, and a wait for all of them to end
// (true when they did within ms).
int RunningHelpers();
bool WaitForHelpers(DWORD ms);

}  // namespace update
