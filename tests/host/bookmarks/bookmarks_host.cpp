// The pure bookmark entry tests once more on the host, under
// AddressSanitizer and UndefinedBehaviorSanitizer.
#include "unit/bookmarks/bookmark_entry_test.cpp"
