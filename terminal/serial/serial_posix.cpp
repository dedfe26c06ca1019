// POSIX serial port: termios on a tty device.
//
// Exclusive use comes from flock(), which refuses a second open also for
// root, and TIOCEXCL (which root passes). The tty outlives the descriptor:
// open() keeps what it changes there (the settings, DTR and RTS, the
// exclusive mode) and close() puts it back once the output queued under the
// tool's settings has gone out, so the next program finds the port as this
// one found it. stop() writes to an eventfd that waitForInput() polls next
// to the port; the eventfd is not drained, so every later wait returns
// Stopped until open() replaces it or discardInput() drains it.
// discardInput() is tcflush(TCIFLUSH). A hang-up of the other side shows as
// POLLHUP, EIO or a 0-byte read, and is always reported as EIO.
#include "serial.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace serial {

namespace {

class PosixPort final : public Port
{
public:
    ~PosixPort() override { close(); }

    ErrorCode open(const std::string &device) override;
    WaitResult waitForInput(ErrorCode &error) override;
    ErrorCode queuedBytes(std::size_t &count) override;
    ErrorCode read(char *buffer, std::size_t size, std::size_t &got) override;
    ErrorCode write(const char *data, std::size_t size) override;
    void stop() override;
    ErrorCode discardInput() override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }

private:
    ErrorCode setUp();
    // Puts back what setUp() changed and closes the descriptor.
    void release();

    int m_fd = -1;
    int m_stopFd = -1;
    // As open() found them, to be put back.
    std::optional<termios> m_foundSettings;
    std::optional<int> m_foundLines; // TIOCM_DTR and TIOCM_RTS; none on a pseudo-terminal
    bool m_setExclusive = false;      // TIOCEXCL set by open(), not found set
};

constexpr int kModemLines = TIOCM_DTR | TIOCM_RTS;

ErrorCode PosixPort::open(const std::string &device)
{
    close();
    m_fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return errno;
    const ErrorCode error = setUp();
    if (error != 0)
        close();
    return error;
}

ErrorCode PosixPort::setUp()
{
    // The lock first: a port that another program holds is left as it is.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? EBUSY : errno;
    int exclusive = 0;
    if (::ioctl(m_fd, TIOCGEXCL, &exclusive) != 0)
        return errno;
    if (exclusive == 0) {
        if (::ioctl(m_fd, TIOCEXCL) != 0)
            return errno;
        m_setExclusive = true;
    }

    termios settings {};
    if (::tcgetattr(m_fd, &settings) != 0)
        return errno;
    m_foundSettings = settings;
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, B9600) != 0 || ::cfsetospeed(&settings, B9600) != 0
        || ::tcsetattr(m_fd, TCSANOW, &settings) != 0)
        return errno;

    // A pseudo-terminal has no modem lines.
    int lines = 0;
    if (::ioctl(m_fd, TIOCMGET, &lines) == 0) {
        m_foundLines = lines & kModemLines;
        if (::ioctl(m_fd, TIOCMBIC, &kModemLines) != 0)
            return errno;
    } else if (errno != ENOTTY && errno != EINVAL) {
        return errno;
    }

    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopFd < 0)
        return errno;
    return 0;
}

void PosixPort::release()
{
    // Draining first: what write() handed over goes out at the tool's
    // settings, not the found ones. The lines after the settings, whose
    // change may move them (leaving B0, dropping CRTSCTS).
    if (m_foundSettings)
        ::tcsetattr(m_fd, TCSADRAIN, &*m_foundSettings);
    if (m_foundLines) {
        const int raise = *m_foundLines;
        const int drop = kModemLines & ~raise;
        ::ioctl(m_fd, TIOCMBIS, &raise);
        ::ioctl(m_fd, TIOCMBIC, &drop);
    }
    if (m_setExclusive)
        ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    m_foundSettings.reset();
    m_foundLines.reset();
    m_setExclusive = false;
}

WaitResult PosixPort::waitForInput(ErrorCode &error)
{
    if (m_fd < 0) {
        error = EBADF;
        return WaitResult::Failed;
    }
    pollfd fds[] = { { m_stopFd, POLLIN, 0 }, { m_fd, POLLIN, 0 } };
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return WaitResult::Failed;
        }
        if (fds[0].revents != 0)
            return WaitResult::Stopped;
        // Bytes that arrived before a hang-up are still delivered; POLLIN
        // with nothing queued only happens on a line that has gone.
        std::size_t count = 0;
        if ((fds[1].revents & POLLIN) != 0) {
            error = queuedBytes(count);
            if (error != 0)
                return WaitResult::Failed;
            if (count > 0)
                return WaitResult::Input;
        }
        if (fds[1].revents != 0) {
            error = hangupError();
            return WaitResult::Failed;
        }
    }
}

ErrorCode PosixPort::queuedBytes(std::size_t &count)
{
    int queued = 0;
    if (::ioctl(m_fd, FIONREAD, &queued) != 0) {
        count = 0;
        return errno;
    }
    count = static_cast<std::size_t>(queued);
    return 0;
}

ErrorCode PosixPort::read(char *buffer, std::size_t size, std::size_t &got)
{
    got = 0;
    if (size == 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            return 0;
        }
        if (n == 0)
            return hangupError();
        if (errno == EAGAIN)
            return 0; // nothing queued after all: the caller waits again
        if (errno != EINTR)
            return errno;
    }
}

ErrorCode PosixPort::write(const char *data, std::size_t size)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(100 + 100 * size);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return errno;

        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return 0; // cut short by the write time-out: counts as done
        pollfd port { m_fd, POLLOUT, 0 };
        const int ready = ::poll(&port, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return errno;
        if (ready > 0 && (port.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return hangupError();
    }
    return 0;
}

void PosixPort::stop()
{
    if (m_stopFd >= 0) {
        const eventfd_t one = 1;
        ::eventfd_write(m_stopFd, one);
    }
}

ErrorCode PosixPort::discardInput()
{
    if (m_fd < 0)
        return EBADF;
    if (::tcflush(m_fd, TCIFLUSH) != 0)
        return errno;
    eventfd_t stops = 0;
    if (::eventfd_read(m_stopFd, &stops) != 0 && errno != EAGAIN)
        return errno;
    return 0;
}

void PosixPort::close()
{
    if (m_fd >= 0)
        release();
    if (m_stopFd >= 0) {
        ::close(m_stopFd);
        m_stopFd = -1;
    }
}

} // namespace

std::unique_ptr<Port> createPort()
{
    return std::make_unique<PosixPort>();
}

namespace {
constexpr const char *kPortsVariable = "KOLT_TARVO_PORTS";
}

std::string deviceForPort(int portNumber)
{
    // A misspelt directory must not lead to the machine's own serial ports.
    if (const char *dir = std::getenv(kPortsVariable))
        return std::string(dir) + "/COM" + std::to_string(portNumber);
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::string portMappingError()
{
    const char *dir = std::getenv(kPortsVariable);
    if (dir == nullptr)
        return {};
    struct stat info {};
    if (::stat(dir, &info) != 0)
        return std::string(kPortsVariable) + "=" + dir + ": " + systemMessage(errno);
    if (!S_ISDIR(info.st_mode))
        return std::string(kPortsVariable) + "=" + dir + ": " + systemMessage(ENOTDIR);
    return {};
}

bool deviceExists(int portNumber)
{
    struct stat info {};
    return ::stat(deviceForPort(portNumber).c_str(), &info) == 0;
}

std::string systemMessage(ErrorCode code)
{
    char buffer[256];
    return trimMessage(::strerror_r(code, buffer, sizeof buffer));
}

ErrorCode hangupError()
{
    return EIO;
}

} // namespace serial
