// A read callback (textio::ReadAt) over bytes held in memory, for the tests of
// the text routines that walk a file.
#pragma once
#include <algorithm>
#include <cstring>
#include <string>

#include "text/ReadAt.h"

namespace testsupport {

inline textio::ReadAt Over(const std::string& data) {
  return [&data](int64_t offset, void* buf, size_t len) -> int64_t {
    if (offset >= static_cast<int64_t>(data.size())) return 0;
    const size_t n = std::min(len, data.size() - static_cast<size_t>(offset));
    std::memcpy(buf, data.data() + offset, n);
    return static_cast<int64_t>(n);
  };
}

}  // namespace testsupport
