#include "support/processes.h"

#include <cstdio>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vemora::testing {

int InChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int AsOrdinaryUser(const std::function<int()>& body) {
    if (::geteuid() != 0)
        return body();
    constexpr uid_t kNobody = 65534;
    return InChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            return 255;
        return body();
    });
}

std::string FullDevice(const std::string& folder) {
    const std::string own = folder + "/full";
    if (::geteuid() == 0 && ::mknod(own.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0)
        return own;
    return "/dev/full";
}

} // namespace vemora::testing
