// An in-memory byte source for the pure text routines, counting its reads.
#pragma once
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "text/ReadAt.h"

namespace testsupport {

struct MemSource {
  std::string data;
  int64_t reads = 0;
  int64_t bytesAsked = 0;
  int64_t failAt = -1;       // a read that touches this offset fails
  int64_t forbidFrom = -1;   // a read that asks for bytes at or past this offset is recorded
  bool forbiddenTouched = false;
};

inline textio::ReadAt MemReader(const std::shared_ptr<MemSource>& src) {
  return [src](int64_t offset, void* buf, size_t len) -> int64_t {
    ++src->reads;
    src->bytesAsked += static_cast<int64_t>(len);
    if (offset < 0) return -1;
    if (src->forbidFrom >= 0 && len > 0 && offset + static_cast<int64_t>(len) > src->forbidFrom)
      src->forbiddenTouched = true;
    if (src->failAt >= 0 && offset <= src->failAt && src->failAt < offset + static_cast<int64_t>(len)) return -1;
    const int64_t size = static_cast<int64_t>(src->data.size());
    if (offset >= size) return 0;
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(len), size - offset));
    std::memcpy(buf, src->data.data() + offset, n);
    return static_cast<int64_t>(n);
  };
}

inline std::shared_ptr<MemSource> Source(std::string data) {
  auto s = std::make_shared<MemSource>();
  s->data = std::move(data);
  return s;
}

}  // namespace testsupport
