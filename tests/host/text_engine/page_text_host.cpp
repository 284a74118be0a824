// The same tests as under wine, built on the host with the sanitizers.
#include "unit/page_text/page_text_test.cpp"
