// The update page's text routines and the icon animation once more on the
// host, under AddressSanitizer and UndefinedBehaviorSanitizer.
#include "unit/update_text/update_text_test.cpp"
