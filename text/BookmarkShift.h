// Moving the file offset stored in a bookmark entry after an in-place edit.
//
// An entry is name "=" value, the name A "@" B "#" L (the "#" L part may be
// missing); B is the entry's offset in the file's units. An edit is given as
// (pivot, delta): an insertion of n units at p is (p, n), a deletion of
// [p, p + n) is (p + n, -n). An offset at or after the pivot moves by delta;
// an offset inside a removed range moves to the range's start; others stay.
// A (the position the entry was made at) moves as far as B, held at 0.
#pragma once
#include <cstdint>
#include <string>

namespace bookmarks {

// The offset an entry at `offset` has after the edit.
int64_t ShiftedOffset(int64_t offset, int64_t pivot, int64_t delta);

// Rewrites entry with its offset shifted; false (entry unchanged) when it has
// no "@", its offset is not a number, or the offset does not move.
bool ShiftEntryOffset(std::wstring& entry, int64_t pivot, int64_t delta);

}  // namespace bookmarks
