#include "pseudoterminal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <initializer_list>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr auto receiveTime = std::chrono::seconds(5);

std::string failure(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
    if (!m_link.empty())
        ::unlink(m_link.c_str());
}

std::string PseudoTerminal::open(const std::string &linkPath)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return failure("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return failure("unlockpt");
    const char *slaveName = ::ptsname(m_master);
    if (slaveName == nullptr)
        return failure("ptsname");
    m_slave = ::open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return failure(slaveName);
    ::unlink(linkPath.c_str());
    if (::symlink(slaveName, linkPath.c_str()) != 0)
        return failure(linkPath.c_str());
    m_link = linkPath;
    return {};
}

bool PseudoTerminal::send(const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            return false;
        if (n > 0)
            done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string PseudoTerminal::receive(std::size_t count)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + receiveTime;
    std::string bytes;
    while (bytes.size() < count) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        pollfd master { m_master, POLLIN, 0 };
        if (left <= 0 || ::poll(&master, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

bool PseudoTerminal::waitQueued(std::size_t count)
{
    using namespace std::chrono;
    // Edge-triggered: each arrival wakes the wait once. The count is read
    // after registering, so an arrival between the two is not missed.
    const int arrivals = ::epoll_create1(EPOLL_CLOEXEC);
    if (arrivals < 0)
        return false;
    epoll_event slave {};
    slave.events = EPOLLIN | EPOLLET;
    bool queued = false;
    if (::epoll_ctl(arrivals, EPOLL_CTL_ADD, m_slave, &slave) == 0) {
        const auto deadline = steady_clock::now() + receiveTime;
        for (;;) {
            int inQueue = 0;
            if (::ioctl(m_slave, FIONREAD, &inQueue) != 0)
                break;
            if (static_cast<std::size_t>(inQueue) >= count) {
                queued = true;
                break;
            }
            const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
            epoll_event woken {};
            if (left <= 0 || (::epoll_wait(arrivals, &woken, 1, static_cast<int>(left)) < 0 && errno != EINTR))
                break;
        }
    }
    ::close(arrivals);
    return queued;
}

void PseudoTerminal::hangUp()
{
    for (int *fd : { &m_master, &m_slave }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
