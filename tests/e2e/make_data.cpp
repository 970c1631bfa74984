// gravlet-e2e-data ROOT [--omit FILE]...: writes the end-to-end tests' small
// data set into ROOT/data/.
#include <cstdio>
#include <cstring>

#include "e2e/demo_data.h"

int main(int argc, char** argv) {
    demodata::Options options;
    for (int i = 2; i + 1 < argc && std::strcmp(argv[i], "--omit") == 0; i += 2)
        options.omit.push_back(argv[i + 1]);
    std::string error;
    if (argc < 2 || argc % 2 != 0 || options.omit.size() != std::size_t(argc / 2 - 1)) {
        std::fprintf(stderr, "usage: %s ROOT [--omit FILE]...\n", argv[0]);
        return 2;
    }
    if (!demodata::write(argv[1], options, &error)) {
        std::fprintf(stderr, "gravlet-e2e-data: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
