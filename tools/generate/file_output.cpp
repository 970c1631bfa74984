#include "tools/generate/file_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace gen {

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fclose(file) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        if (error) *error = path + ": write failed: " + std::strerror(errno);
        std::remove(temporary.c_str());
    }
    return ok;
}

bool makeDirectories(const std::string& path, std::string* error) {
    std::string partial;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        partial = path.substr(0, slash);
        if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
            if (error) *error = partial + ": " + std::strerror(errno);
            return false;
        }
        start = slash + 1;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        if (error) *error = path + ": not a folder";
        return false;
    }
    return true;
}

}  // namespace gen
