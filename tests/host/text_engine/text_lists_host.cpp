// The same tests as under wine, built on the host with the sanitizers.
#include "unit/text_lists/text_lists_test.cpp"
