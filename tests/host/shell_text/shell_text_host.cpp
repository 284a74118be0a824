// The shell integration's text rules once more on the host, under
// AddressSanitizer and UndefinedBehaviorSanitizer.
#include "unit/shell_text/shell_text_test.cpp"
