#pragma once
// Where tests find the source tree and the shared test files.
#include <string>

namespace testsupport {

std::string sourceDir();          // repository root
std::string sharedTestData();     // ../shared/testdata beside the repository
std::string makeTempDir();        // a fresh folder under the system temp dir

}  // namespace testsupport
