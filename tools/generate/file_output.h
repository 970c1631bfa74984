#pragma once
// Whole-file output for the generator: a file is written under a temporary
// name and renamed into place, so a reader never sees half a file.
#include <cstdint>
#include <string>
#include <vector>

namespace gen {

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);

// Creates `path` and its missing parents (like mkdir -p).
bool makeDirectories(const std::string& path, std::string* error);

}  // namespace gen
