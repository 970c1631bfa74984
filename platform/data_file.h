#pragma once
// Data files by the names the program asks for ("data//GRASS.tga").
//
// Data made on a case-insensitive file system may differ in letter case from
// those names. A file is looked up as given first; when that fails, the file
// name (after the last '/') is matched without regard to ASCII letter case
// among the entries of the same folder, the folder part taken as given.
// Several such matches: the first in byte order of their names wins.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// The path to open: `path` itself if it names a regular file, else the
// case-insensitive match in its folder, else an empty string.
std::string resolveDataPath(const std::string& path);

// fopen(resolved path, "rb"); null when the file is not there or unreadable.
std::FILE* openDataFile(const std::string& path);

// Reads the whole file into `bytes` (replacing its contents). False, with
// `bytes` empty, when the file cannot be opened or read.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);

}  // namespace platform
