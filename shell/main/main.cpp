// gravlet: takes no command line; runs from the folder that holds data/.
#include "shell/demo.h"

int main() { return demoMain(); }
