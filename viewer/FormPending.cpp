// Stand-ins for handlers of features that are not part of the program yet.
// Whoever builds one of them removes its stand-in here.
#include "viewer/VastrelForm.h"
