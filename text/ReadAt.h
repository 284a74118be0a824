// A read callback over a file or any other byte source, so that the pure text
// routines can walk file contents without knowing how the bytes are fetched.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace textio {

// Reads up to len bytes starting at offset into buf. Returns the number of
// bytes read (fewer than len only at the end of the data, 0 at or after it),
// or -1 when the read failed.
using ReadAt = std::function<int64_t(int64_t offset, void* buf, size_t len)>;

}  // namespace textio
