// The same tests as under wine, built on the host with the sanitizers.
#include "unit/line_scan/line_scan_test.cpp"
