// gravlet-data generate DIR: writes DIR/data/ from code.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/data/commands.h"
#include "tools/generate/data_set.h"

int generateCommand(int argc, char** argv) {
    gen::GenerateOptions options;
    const char* root = nullptr;
    bool usage = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--placeholder-music") == 0)
            options.placeholderMusic = true;
        else if (argv[i][0] == '-' || root)
            usage = true;
        else
            root = argv[i];
    }
    if (usage || !root) {
        std::fprintf(stderr, "usage: gravlet-data generate [--placeholder-music] DIR\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    options.progress = [](const std::string& file, int index, int total) {
        std::fprintf(stderr, "[%2d/%d] %s\n", index + 1, total, file.c_str());
    };
    std::string error;
    if (!gen::generateDataSet(root, options, &error)) {
        std::fprintf(stderr, "gravlet-data generate: %s\n", error.c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "wrote %s/data in %.1f s\n", root, seconds);
    return 0;
}
