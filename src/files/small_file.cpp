#include "files/small_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace velkaro {

SmallFileRead readSmallFile(const std::string& path, std::size_t maxBytes) {
    SmallFileRead read;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        read.reason = std::strerror(errno);
        return read;
    }
    char buffer[8192];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (read.content.size() + got > maxBytes) {
            read.status = SmallFileRead::Status::TooLarge;
            read.content.clear();
            return read;
        }
        read.content.append(buffer, got);
    }
    // A folder opens, then refuses the read (EISDIR).
    if (std::ferror(file.get()) != 0) {
        read.reason = std::strerror(errno);
        read.content.clear();
        return read;
    }
    read.status = SmallFileRead::Status::Read;
    return read;
}

} // namespace velkaro
