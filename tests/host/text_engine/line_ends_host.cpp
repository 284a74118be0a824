// The same tests as under wine, built on the host with the sanitizers.
#include "unit/line_ends/line_ends_test.cpp"
