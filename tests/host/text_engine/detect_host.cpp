// The same tests as under wine, built on the host with the sanitizers.
#include "unit/text_detect/detect_test.cpp"
