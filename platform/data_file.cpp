#include "platform/data_file.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>

namespace platform {

namespace {

bool isRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string resolveDataPath(const std::string& path) {
    if (path.empty()) return std::string();
    if (isRegularFile(path)) return path;

    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return std::string();

    DIR* directory = opendir(folder.empty() ? "." : folder.c_str());
    if (!directory) return std::string();
    std::vector<std::string> matches;
    while (dirent* entry = readdir(directory)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) matches.push_back(entry->d_name);
    }
    closedir(directory);

    std::sort(matches.begin(), matches.end());
    for (const std::string& match : matches) {
        std::string candidate = folder + match;
        if (isRegularFile(candidate)) return candidate;
    }
    return std::string();
}

std::FILE* openDataFile(const std::string& path) {
    std::string resolved = resolveDataPath(path);
    if (resolved.empty()) return nullptr;
    return std::fopen(resolved.c_str(), "rb");
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::FILE* file = openDataFile(path);
    if (!file) return false;
    // The size the file reports is read straight into place (stdio passes a
    // read this large through without its own buffer); anything past it, for
    // a file that grew or a size not known, comes in chunks after.
    struct stat info;
    std::size_t expected = 0;
    if (fstat(fileno(file), &info) == 0 && info.st_size > 0) expected = std::size_t(info.st_size);
    bytes.resize(expected);
    std::size_t got = expected ? std::fread(bytes.data(), 1, expected, file) : 0;
    bytes.resize(got);
    if (got == expected) {
        std::uint8_t chunk[65536];
        for (;;) {
            const std::size_t more = std::fread(chunk, 1, sizeof chunk, file);
            bytes.insert(bytes.end(), chunk, chunk + more);
            if (more < sizeof chunk) break;
        }
    }
    const bool ok = !std::ferror(file);
    std::fclose(file);
    if (!ok) bytes.clear();
    return ok;
}

}  // namespace platform
