#include "support/paths.h"

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

std::string sourceDir() { return GRAVLET_SOURCE_DIR; }

std::string sharedTestData() {
  if (const char* env = std::getenv("GRAVLET_SHARED_TESTDATA")) return env;
  return sourceDir() + "/../shared/testdata";
}

std::string makeTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base ? base : "/tmp") + "/gravlet-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace testsupport
