#include "shell/demo_timer.h"

bool demoTimer::start(int /*tag*/) { return reset(); }
