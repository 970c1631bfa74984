// The test paths on Windows. Absolute paths of the build machine have no
// drive; Wine resolves them on the current drive, which maps its root.
#include "support/paths.h"

#include <cstdlib>
#include <filesystem>
#include <random>

namespace testsupport {

std::string sourceDir() { return GRAVLET_SOURCE_DIR; }
std::string sharedTestData() {
    if (const char* env = std::getenv("GRAVLET_SHARED_TESTDATA")) return env;
    return sourceDir() + "/../shared/testdata";
}

std::string makeTempDir() {
    std::random_device random;
    auto dir = std::filesystem::temp_directory_path() / ("gravlet-test-" + std::to_string(random()));
    std::filesystem::create_directories(dir);
    return dir.string();
}

}  // namespace testsupport
