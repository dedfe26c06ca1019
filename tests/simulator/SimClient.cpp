#include "SimClient.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

SimClient::SimClient(const std::string &path)
{
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0 || (cfmakeraw(&tio), tcsetattr(fd, TCSANOW, &tio)) != 0)
        close();
}

SimClient::~SimClient()
{
    close();
}

void SimClient::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void SimClient::send(const std::string &bytes)
{
    std::size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
        } else if (errno == EAGAIN || errno == EINTR) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return;
        }
    }
}

bool SimClient::readSome(std::string &into, Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (fd < 0 || left.count() <= 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
        return false;
    char buffer[4096];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count <= 0)
        return count < 0 && (errno == EAGAIN || errno == EINTR);
    into.append(buffer, static_cast<std::size_t>(count));
    chunkSizes.push_back(static_cast<std::size_t>(count));
    return true;
}

std::string SimClient::readBytes(std::size_t count, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::string received;
    while (received.size() < count && readSome(received, deadline)) {
    }
    return received;
}

std::string SimClient::readUntil(const std::string &suffix, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::string received;
    while (!received.ends_with(suffix) && readSome(received, deadline)) {
    }
    return received;
}

std::string SimClient::command(const std::string &line)
{
    send(line + "\r");
    return readUntil(">");
}

bool SimClient::waitHangUp(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (fd >= 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        if (p.revents & (POLLHUP | POLLERR))
            return true;
        char buffer[256];
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count == 0 || (count < 0 && errno == EIO))
            return true;
    }
    return false;
}

bool SimClient::setExclusive()
{
    return ::ioctl(fd, TIOCEXCL) == 0;
}

bool SimClient::isExclusive() const
{
    int exclusive = 0;
    return ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

std::vector<std::string> answerLines(const std::string &reply, const std::string &command,
                                     bool *framed)
{
    const std::string echo = command + "\r\r\n";
    *framed = reply.starts_with(echo) && reply.ends_with(">")
              && (reply.size() == echo.size() + 1 || reply.ends_with("\r\n>"));
    std::vector<std::string> lines;
    if (!*framed)
        return lines;
    const std::string body = reply.substr(echo.size(), reply.size() - echo.size() - 1);
    for (std::size_t start = 0; start < body.size();) {
        const std::size_t end = std::min(body.find("\r\n", start), body.size());
        lines.push_back(body.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string decodeHexLines(const std::vector<std::string> &lines)
{
    std::string bytes;
    for (const std::string &line : lines) {
        for (std::size_t i = 0; i + 1 < line.size(); i += 3)
            bytes.push_back(static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

TempDir::TempDir()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/controller-sim-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    dir = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}
