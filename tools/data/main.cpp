// gravlet-data: makes, checks and inspects the demo's data folder.
#include <cstdio>
#include <cstring>

#include "tools/data/commands.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: gravlet-data generate DIR   write a complete data set into DIR/data/\n"
                 "       gravlet-data check DIR      report what DIR/data/ lacks or holds wrongly\n"
                 "       gravlet-data show FILE      print what the engine reads from a TGA or 3DS file\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const char* command = argv[1];
    if (std::strcmp(command, "generate") == 0) return generateCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "check") == 0) return checkCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "show") == 0) return showCommand(argc - 2, argv + 2);
    return usage();
}
