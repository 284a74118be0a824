// The pure path, argument and ini text tests once more on the host, under
// AddressSanitizer and UndefinedBehaviorSanitizer.
#include "unit/path_text/path_text_test.cpp"
#include "unit/path_text/ini_text_test.cpp"
