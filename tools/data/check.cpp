// gravlet-data check DIR: one line per problem or warning, then a summary.
// Exit 0 when nothing the program reads is missing or unreadable, else 1.
#include <cstdio>

#include "tools/data/commands.h"
#include "tools/generate/data_check.h"

int checkCommand(int argc, char** argv) {
    if (argc != 1 || argv[0][0] == '-') {
        std::fprintf(stderr, "usage: gravlet-data check DIR\n");
        return 2;
    }
    const gen::CheckReport report = gen::checkDataSet(argv[0]);
    for (const std::string& line : report.problems) std::printf("error: %s\n", line.c_str());
    for (const std::string& line : report.warnings) std::printf("warning: %s\n", line.c_str());
    if (report.problems.empty()) {
        std::printf("%s/data: %d files readable, %zu warning%s\n", argv[0], report.filesChecked, report.warnings.size(),
                    report.warnings.size() == 1 ? "" : "s");
        return 0;
    }
    std::printf("%s/data: %zu problem%s in %d files, %zu warning%s\n", argv[0], report.problems.size(),
                report.problems.size() == 1 ? "" : "s", report.filesChecked, report.warnings.size(),
                report.warnings.size() == 1 ? "" : "s");
    return 1;
}
