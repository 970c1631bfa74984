// gravlet-e2e-data ROOT [--omit FILE]...: writes the end-to-end tests' small
// data set into ROOT/data/.
#include <cstdio>
#include <cstring>

#include "e2e/demo_data.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ROOT [--omit FILE]...\n", argv[0]);
        return 2;
    }
    demodata::Options options;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--omit") == 0 && i + 1 < argc) {
            options.omit.push_back(argv[++i]);
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return 2;
        }
    }
    std::string error;
    if (!demodata::write(argv[1], options, &error)) {
        std::fprintf(stderr, "gravlet-e2e-data: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
