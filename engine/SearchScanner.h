// The whole-file search on an open file: text/TextSearch over the file
// operations, with progress and abort through a ProgressSink.
#pragma once
#include <windows.h>

#include <cstdint>

#include "engine/Progress.h"
#include "text/TextSearch.h"
#include "text/conv.h"

namespace engine {

using textsearch::BuildSearchPatterns;
using textsearch::KanaConverter;
using textsearch::KanaDirection;
using textsearch::NarrowLowerCase;
using textsearch::SearchCode;
using textsearch::SearchOutcome;
using textsearch::SearchPatterns;
using textsearch::SearchResult;
using textsearch::SearchSpec;
using textsearch::WideLowerCase;
using textsearch::scEuc;
using textsearch::scJis;
using textsearch::scSjis;
using textsearch::scUtf16;
using textsearch::scUtf8;

// Searches the open file (read through fileops::Files()) of fileSize bytes.
// Progress: the maximum is fileSize, one step per chunk with the offset
// reached; ShouldStop after each chunk ends the search as aborted. A read
// error reports the system's error code.
SearchResult SearchFileRange(HANDLE file, int64_t fileSize, const SearchSpec& spec, const SearchPatterns& patterns,
                             conv::Context& context, ProgressSink& progress);

}  // namespace engine
