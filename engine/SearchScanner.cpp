#include "engine/SearchScanner.h"

#include "framework/FileOps.h"

namespace engine {

SearchResult SearchFileRange(HANDLE file, int64_t fileSize, const SearchSpec& spec, const SearchPatterns& patterns,
                             conv::Context& context, ProgressSink& progress) {
  progress.SetMaximum(fileSize);
  DWORD error = 0;
  auto read = [&](int64_t offset, void* buf, size_t len) -> int64_t {
    DWORD got = 0;
    if (fileops::Files().Seek(file, offset, FILE_BEGIN) != offset ||
        !fileops::ReadFully(file, buf, static_cast<DWORD>(len), &got)) {
      error = GetLastError();
      if (!error) error = ERROR_READ_FAULT;
      return -1;
    }
    return static_cast<int64_t>(got);
  };
  auto step = [&](int64_t reached) {
    progress.Step(reached);
    return progress.ShouldStop();
  };
  return textsearch::SearchBytes(read, fileSize, spec, patterns, context, step, [&] { return static_cast<uint32_t>(error); });
}

}  // namespace engine
