#include "files/atomic_file.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velkaro {

namespace {

bool writeAll(int fd, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

/// The file actually replaced: a path that is a symbolic link keeps the link
/// and replaces what it points at.
std::filesystem::path replacedFile(const std::string& path) {
    std::error_code error;
    std::filesystem::path target(path);
    if (std::filesystem::is_symlink(target, error)) {
        auto resolved = std::filesystem::weakly_canonical(target, error);
        if (!error) {
            return resolved;
        }
    }
    return target;
}

/// Creates a new file beside `target` that nobody else can be using; -1 on failure.
int createTemporaryBeside(const std::filesystem::path& target, std::string& temporaryPath) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = target.string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                        std::to_string(counter++);
        // 0666 before the umask, as for any file the operator creates.
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void syncFolderOf(const std::filesystem::path& file) {
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool replaceFileAtomically(const std::string& path, std::string_view content) {
    const std::filesystem::path target = replacedFile(path);
    std::string temporaryPath;
    const int fd = createTemporaryBeside(target, temporaryPath);
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd, existing.st_mode & 07777);
    }
    const bool written = writeAll(fd, content) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporaryPath.c_str(), target.c_str()) != 0) {
        ::unlink(temporaryPath.c_str());
        return false;
    }
    syncFolderOf(target);
    return true;
}

} // namespace velkaro
