#include "support/private_mounts.h"

#include <fcntl.h>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velkaro::testing {

namespace {

bool writeText(const char* path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out.flush());
}

bool enterPrivateMounts() {
    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0) {
            return false;
        }
    } else {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            return false;
        }
        writeText("/proc/self/setgroups", "deny");
        if (!writeText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
            !writeText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n")) {
            return false;
        }
    }
    // Nothing mounted here may reach the machine's mount table.
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

} // namespace

int runWithPrivateMounts(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(enterPrivateMounts() ? body() : kNoPrivateMounts);
    }
    if (child < 0) {
        return kNoPrivateMounts;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : kNoPrivateMounts;
}

bool mountSmallFileSystem(const std::string& folder, int kib) {
    const std::string options = "size=" + std::to_string(kib) + "k,mode=0777";
    return ::mount("velkaro-test", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

bool remountReadOnly(const std::string& folder) {
    return ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void fillUp(const std::string& folder) {
    const std::string filler = folder + "/filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    while (::write(fd, block, 1) > 0) {
    }
    ::close(fd);
}

} // namespace velkaro::testing
