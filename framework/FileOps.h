// The file-operation seam. All file work of the program goes through
// fileops::Files(), so that tests can replace the system's file functions
// and inject short reads and writes, failures and a full disk.
//
// The default implementation calls the system (CreateFileW, ReadFile,
// WriteFile, SetFilePointer, SetEndOfFile, FlushFileBuffers, CloseHandle,
// FindFirstFileW, CopyFileW, MoveFileW, DeleteFileW). Every operation reports failure the
// system's way: a false or invalid result with the error in GetLastError().
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace fileops {

class FileOps {
 public:
  virtual ~FileOps() = default;
  // CreateFileW without security attributes or template. INVALID_HANDLE_VALUE on failure.
  virtual HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) = 0;
  // One ReadFile / WriteFile call at the file pointer; *done gets the bytes moved.
  virtual bool Read(HANDLE h, void* buf, DWORD len, DWORD* done) = 0;
  virtual bool Write(HANDLE h, const void* buf, DWORD len, DWORD* done) = 0;
  // Moves the file pointer (FILE_BEGIN, FILE_CURRENT, FILE_END); the new
  // position, or -1 on failure.
  virtual int64_t Seek(HANDLE h, int64_t distance, DWORD method) = 0;
  // Size of an open file; -1 on failure.
  virtual int64_t Size(HANDLE h) = 0;
  // The file ends at the file pointer.
  virtual bool SetEnd(HANDLE h) = 0;
  // What was written to the file so far reaches the disk (FlushFileBuffers).
  virtual bool Flush(HANDLE h) { return FlushFileBuffers(h) != FALSE; }
  virtual bool Close(HANDLE h) = 0;
  // The directory entry that FindFirstFileW finds for path (the search handle
  // is closed again). False when there is none.
  virtual bool FindFirst(const std::wstring& path, WIN32_FIND_DATAW* found) = 0;
  virtual bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) = 0;
  virtual bool Move(const std::wstring& from, const std::wstring& to) = 0;
  virtual bool Delete(const std::wstring& path) = 0;
  // Renames from to to, replacing an existing file to (MoveFileExW with
  // MOVEFILE_REPLACE_EXISTING): a finished new file takes an old one's place.
  virtual bool Replace(const std::wstring& from, const std::wstring& to) = 0;
  // The identity of an open file (volume serial number and file index, from
  // GetFileInformationByHandle): two handles with the same identity are one file,
  // whatever path opened them.
  virtual bool Identity(HANDLE h, uint64_t* volume, uint64_t* index) = 0;
  // What the file system holds for an open file (GetFileInformationByHandle):
  // size, times and identity as the file has them now, even while another
  // program writes it (a directory entry may lag behind then).
  virtual bool Information(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) = 0;
};

// The implementation in use, and the system's own.
FileOps& Files();
FileOps& SystemFiles();
// Puts ops in place of the current implementation (nullptr: the system's
// again); returns the previous one. For tests.
FileOps* SetFiles(FileOps* ops);

class ScopedFiles {
 public:
  explicit ScopedFiles(FileOps& ops) : previous_(SetFiles(&ops)) {}
  ~ScopedFiles() { SetFiles(previous_); }
  ScopedFiles(const ScopedFiles&) = delete;
  ScopedFiles& operator=(const ScopedFiles&) = delete;

 private:
  FileOps* previous_;
};

// ---- helpers on Files()

// Reads len bytes, repeating after short reads, until len bytes are read or
// a read returns 0 bytes (the end of the file). *got gets the total. False
// when a read fails.
bool ReadFully(HANDLE h, void* buf, DWORD len, DWORD* got);
// Writes all len bytes, repeating after short writes. False when a write
// fails or moves nothing (the last error is then ERROR_DISK_FULL); *written
// (optional) gets the bytes that did reach the file.
bool WriteFully(HANDLE h, const void* buf, DWORD len, DWORD* written = nullptr);

// An open file handle that is closed through Files() when it goes.
class File {
 public:
  File() = default;
  explicit File(HANDLE h) : h_(h) {}
  File(File&& o) noexcept : h_(o.h_) { o.h_ = INVALID_HANDLE_VALUE; }
  File& operator=(File&& o) noexcept;
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // CreateFileW through Files(); false on failure (the last error kept).
  bool Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }
  // Closes now; true when it was open and closed without error.
  bool Close();

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// ---- fault injection (tests)

enum class Op { Open, Read, Write, Seek, Size, SetEnd, Flush, Close, FindFirst, Copy, Move, Delete, Replace, Identity, Information, Count };

// Passes every call to another implementation and injects faults on the way.
class FaultFiles : public FileOps {
 public:
  explicit FaultFiles(FileOps& inner = SystemFiles()) : inner_(inner) {}

  // Each read (write) moves at most this many bytes; 0 for no limit.
  DWORD maxRead = 0;
  DWORD maxWrite = 0;
  // Bytes the disk still takes; a write past it writes what fits and fails
  // with ERROR_DISK_FULL. -1 for no limit.
  int64_t diskSpace = -1;
  // False: only bytes that make a file longer take disk space (a write past
  // the end, or SetEnd beyond it, which then fails with ERROR_DISK_FULL), as
  // on a real disk; overwriting bytes in place takes none. True (the default):
  // every byte written counts.
  bool overwritesTakeSpace = true;
  // Called with every entry that FindFirst finds (for example to report a
  // size that cannot be made here).
  std::function<void(const std::wstring& path, WIN32_FIND_DATAW& found)> onFind;

  // The nth call (1-based, counted from now) of op fails with error; the
  // call is not passed on. nth 0 clears it. every: that call and all later ones.
  void FailAt(Op op, int nth, DWORD error, bool every = false);
  // Calls of op since construction.
  int Calls(Op op) const;

  HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override;
  bool Read(HANDLE h, void* buf, DWORD len, DWORD* done) override;
  bool Write(HANDLE h, const void* buf, DWORD len, DWORD* done) override;
  int64_t Seek(HANDLE h, int64_t distance, DWORD method) override;
  int64_t Size(HANDLE h) override;
  bool SetEnd(HANDLE h) override;
  bool Flush(HANDLE h) override;
  bool Close(HANDLE h) override;
  bool FindFirst(const std::wstring& path, WIN32_FIND_DATAW* found) override;
  bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override;
  bool Move(const std::wstring& from, const std::wstring& to) override;
  bool Delete(const std::wstring& path) override;
  bool Replace(const std::wstring& from, const std::wstring& to) override;
  bool Identity(HANDLE h, uint64_t* volume, uint64_t* index) override;
  bool Information(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) override;

 private:
  // Counts the call; true (with the last error set) when it is to fail.
  bool Fails(Op op);

  struct Plan {
    int calls = 0;
    int failAt = 0;  // absolute call number, 0 none
    DWORD error = 0;
    bool every = false;
  };
  FileOps& inner_;
  mutable std::mutex lock_;
  Plan plans_[static_cast<int>(Op::Count)];
};

}  // namespace fileops
