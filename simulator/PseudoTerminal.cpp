#include "PseudoTerminal.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

bool makeRaw(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

bool PseudoTerminal::open(const std::string &linkDir, int portNumber, std::string *error)
{
    const auto fail = [&](const std::string &message) {
        if (error)
            *error = message;
        close();
        return false;
    };
    masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (masterFd < 0 || grantpt(masterFd) != 0 || unlockpt(masterFd) != 0)
        return fail(systemError("pseudo-terminal"));
    char name[PATH_MAX];
    if (ptsname_r(masterFd, name, sizeof name) != 0)
        return fail(systemError("ptsname"));
    slave = name;
    ownSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (ownSlave < 0)
        return fail(systemError(slave));
    if (!makeRaw(ownSlave) || !makeRaw(masterFd))
        return fail(systemError("raw mode"));
    if (fcntl(masterFd, F_SETFL, fcntl(masterFd, F_GETFL) | O_NONBLOCK) != 0)
        return fail(systemError("non-blocking mode"));
    closeWatchFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (closeWatchFd < 0 || inotify_add_watch(closeWatchFd, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
        return fail(systemError("inotify"));
    std::error_code ec;
    std::filesystem::create_directories(linkDir, ec);
    if (ec)
        return fail("cannot create " + linkDir + ": " + ec.message());
    link = linkDir + "/COM" + std::to_string(portNumber);
    if ((::unlink(link.c_str()) != 0 && errno != ENOENT) || ::symlink(name, link.c_str()) != 0) {
        const std::string message = systemError(link);
        link.clear();
        return fail(message);
    }
    return true;
}

void PseudoTerminal::close()
{
    hangUp();
    closeFd(closeWatchFd);
    if (!link.empty()) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        if (length >= 0 && std::string(target, static_cast<std::size_t>(length)) == slave)
            ::unlink(link.c_str());
    }
}

void PseudoTerminal::hangUp()
{
    closeFd(masterFd);
    closeFd(ownSlave);
}

void PseudoTerminal::releaseExclusive()
{
    alignas(inotify_event) char buffer[1024];
    while (::read(closeWatchFd, buffer, sizeof buffer) > 0) {
    }
    if (ownSlave >= 0)
        ::ioctl(ownSlave, TIOCNXCL);
}

bool PseudoTerminal::toolHasUnread() const
{
    int queued = 0;
    return ::ioctl(ownSlave, FIONREAD, &queued) == 0 && queued > 0;
}

} // namespace sim
