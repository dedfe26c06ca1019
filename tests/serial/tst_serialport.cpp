// Contract tests of the serial backend; the same source runs on Linux and,
// cross-built, on Windows (wine).
//
// The tests talk to the far end of the line through a Peer:
// - Without arguments (Linux only) the test creates a pseudo-terminal itself
//   and reaches its slave as COM7 through KOLT_TARVO_PORTS.
// - With "--peer <n>" the test was started by kolt-serial-peer, which owns
//   the pseudo-terminal linked as COM<n>; requests go to it as lines on
//   stdout and its answers come on stdin (peer_protocol.h). Test output goes
//   to stderr.
// The hang-up case runs last: it ends the far end for good.
#include "peer_protocol.h"
#include "serial.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "pseudoterminal.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

using namespace std::chrono_literals;
using serial::ErrorCode;
using serial::Port;
using serial::WaitResult;

namespace {

std::ostream &operator<<(std::ostream &out, WaitResult result)
{
    switch (result) {
    case WaitResult::Input: return out << "Input";
    case WaitResult::Stopped: return out << "Stopped";
    case WaitResult::Failed: return out << "Failed";
    }
    return out;
}

int failures = 0;

bool check(bool ok, const char *expression, int line)
{
    if (!ok) {
        ++failures;
        std::cerr << "  FAIL line " << line << ": " << expression << '\n';
    }
    return ok;
}

template<typename A, typename B>
bool checkEqual(const A &actual, const B &expected, const char *expression, int line)
{
    if (actual == expected)
        return true;
    ++failures;
    std::cerr << "  FAIL line " << line << ": " << expression << "\n    actual:   " << actual
              << "\n    expected: " << expected << '\n';
    return false;
}

#define CHECK(condition) check((condition), #condition, __LINE__)
#define CHECK_EQ(actual, expected) checkEqual((actual), (expected), #actual " == " #expected, __LINE__)

class Peer
{
public:
    virtual ~Peer() = default;
    virtual bool send(const std::string &bytes) = 0;
    // Up to count bytes, as many as arrive within a few seconds.
    virtual std::string receive(std::size_t count) = 0;
    // Waits until the port's side of the line holds count received bytes.
    virtual bool waitQueued(std::size_t count) = 0;
    virtual bool hangUp() = 0;
};

// kolt-serial-peer on the other end of stdout and stdin.
class RemotePeer final : public Peer
{
public:
    bool send(const std::string &bytes) override { return request("send " + peer::toHex(bytes)) == "ok"; }

    std::string receive(std::size_t count) override
    {
        const std::string reply = request("receive " + std::to_string(count));
        return reply.rfind("ok ", 0) == 0 ? peer::fromHex(reply.substr(3)) : std::string();
    }

    bool waitQueued(std::size_t count) override { return request("queued " + std::to_string(count)) == "ok"; }
    bool hangUp() override { return request("hangup") == "ok"; }

private:
    static std::string request(const std::string &line)
    {
        std::cout << line << std::endl;
        std::string reply;
        std::getline(std::cin, reply);
        if (!reply.empty() && reply.back() == '\r')
            reply.pop_back();
        return reply;
    }
};

#ifndef _WIN32
class LocalPeer final : public Peer
{
public:
    explicit LocalPeer(PseudoTerminal &line) : m_line(line) {}
    bool send(const std::string &bytes) override { return m_line.send(bytes); }
    std::string receive(std::size_t count) override { return m_line.receive(count); }
    bool waitQueued(std::size_t count) override { return m_line.waitQueued(count); }
    bool hangUp() override
    {
        m_line.hangUp();
        return true;
    }

private:
    PseudoTerminal &m_line;
};
#endif

struct Line
{
    Peer &peer;
    int portNumber;
    std::string device;
};

constexpr auto guardTime = 5s;
constexpr std::size_t chunkSize = 1024;

// Runs a blocking call on a thread of its own. When it has not returned
// within the guard time, stop() is called on the port so that the call
// ends; a call that does not end even then aborts the run.
template<typename Result>
Result guarded(Port &port, std::function<Result()> call, bool &timedOut)
{
    auto result = std::async(std::launch::async, std::move(call));
    timedOut = result.wait_for(guardTime) != std::future_status::ready;
    if (timedOut) {
        port.stop();
        if (result.wait_for(guardTime) != std::future_status::ready) {
            std::cerr << "  FAIL: blocked call does not end after stop()\n";
            std::_Exit(2);
        }
    }
    return result.get();
}

WaitResult guardedWait(Port &port, ErrorCode &error)
{
    bool timedOut = false;
    const WaitResult result = guarded<WaitResult>(port, [&] { return port.waitForInput(error); }, timedOut);
    CHECK(!timedOut);
    return result;
}

// Reads like the link's reader: wait, ask for the queue count, read at most
// one chunk; until count bytes have come.
std::string readBytes(Port &port, std::size_t count)
{
    std::string bytes;
    while (bytes.size() < count) {
        ErrorCode error = 0;
        if (!CHECK_EQ(guardedWait(port, error), WaitResult::Input))
            break;
        std::size_t queued = 0;
        if (!CHECK_EQ(port.queuedBytes(queued), 0) || !CHECK(queued > 0))
            break;
        char buffer[chunkSize];
        std::size_t got = 0;
        if (!CHECK_EQ(port.read(buffer, std::min(queued, chunkSize), got), 0) || !CHECK(got > 0))
            break;
        bytes.append(buffer, got);
    }
    return bytes;
}

// Waits until count bytes sent by the peer are queued at the port, and
// checks that the port reports them.
bool waitUntilQueued(Line &line, Port &port, std::size_t count)
{
    if (!CHECK(line.peer.waitQueued(count)))
        return false;
    std::size_t queued = 0;
    return CHECK_EQ(port.queuedBytes(queued), 0) && CHECK(queued >= count);
}

std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 % 256);
    return bytes;
}

// --- the cases ---------------------------------------------------------

#ifdef _WIN32
bool runsUnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string rawMessage(ErrorCode code)
{
    char buffer[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, length);
}
#endif

void errorTexts(Line &)
{
    const struct { const char *name; std::string text; std::string trimmed; } trims[] = {
        { "full stop and line end", "Access is denied.\r\n", "Access is denied" },
        { "only trailing characters", "Access. is denied .. \t.\n", "Access. is denied" },
        { "nothing to trim", "No such file or directory", "No such file or directory" },
        { "code page 1251 letters", "\xcf\xee\xf0\xf2 \xe7\xe0\xed\xff\xf2.", "\xcf\xee\xf0\xf2 \xe7\xe0\xed\xff\xf2" },
        { "control characters only", std::string("\0\x7f\x1b. ", 5), "" },
        { "empty", "", "" },
    };
    for (const auto &trim : trims) {
        std::cerr << "  trim: " << trim.name << '\n';
        CHECK_EQ(serial::trimMessage(trim.text), trim.trimmed);
    }

#ifdef _WIN32
    const ErrorCode codes[] = { ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE, ERROR_BROKEN_PIPE };
    for (const ErrorCode code : codes) {
        const std::string raw = rawMessage(code);
        std::cerr << "  code " << code << ": \"" << serial::systemMessage(code) << "\"\n";
        CHECK(!serial::systemMessage(code).empty());
        CHECK_EQ(serial::systemMessage(code), serial::trimMessage(raw));
        CHECK_EQ(serial::errorText(3, code), "COM3: " + serial::trimMessage(raw));
    }
    CHECK_EQ(serial::systemMessage(0x2000abcd), ""); // a code without text
#else
    const struct { ErrorCode code; const char *text; } codes[] = {
        { ENOENT, "COM3: No such file or directory" },
        { EBUSY, "COM3: Device or resource busy" },
        { serial::hangupError(), "COM3: Input/output error" },
    };
    for (const auto &code : codes)
        CHECK_EQ(serial::errorText(3, code.code), code.text);
#endif
}

void missingPort(Line &)
{
    const int missing = 90;
    auto port = serial::createPort();
    const ErrorCode error = port->open(serial::deviceForPort(missing));
    CHECK(error != 0);
    CHECK(!port->isOpen());
    const std::string text = serial::errorText(missing, error);
    std::cerr << "  " << text << '\n';
#ifdef _WIN32
    CHECK(text.rfind("COM90: ", 0) == 0);
    CHECK(text.size() > std::string("COM90: ").size());
#else
    CHECK_EQ(text, "COM90: No such file or directory");
#endif
}

void exclusiveUse(Line &line)
{
    auto first = serial::createPort();
    auto second = serial::createPort();
    CHECK_EQ(first->open(line.device), 0);
    CHECK(first->isOpen());

    const ErrorCode error = second->open(line.device);
    const std::string text = serial::errorText(line.portNumber, error);
    std::cerr << "  second open: " << error << " " << text << '\n';
#ifdef _WIN32
    if (runsUnderWine() && error == 0) {
        std::cerr << "  wine does not refuse a second open of a device: not checked\n";
        second->close();
    } else {
        CHECK(!second->isOpen());
        CHECK_EQ(error, ERROR_ACCESS_DENIED);
    }
#else
    CHECK(!second->isOpen());
    CHECK_EQ(text, "COM" + std::to_string(line.portNumber) + ": Device or resource busy");
#endif

    first->close();
    CHECK(!first->isOpen());
    CHECK_EQ(second->open(line.device), 0);
}

// The port as another program finds it: its settings seen through a
// handle of its own, and the same settings made distinctive (2400 baud,
// 2 stop bits, XON/XOFF, and on POSIX a cooked line discipline), all
// different from the tool's. A pseudo-terminal keeps 8 bits and no parity
// whatever it is given.
#ifdef _WIN32
std::string foundSettings(const std::string &device, bool makeDistinctive = false)
{
    const HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return "open failed: " + std::to_string(GetLastError());
    DCB dcb {};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts {};
    std::ostringstream found;
    if (makeDistinctive && GetCommState(handle, &dcb)) {
        dcb.BaudRate = 2400;
        dcb.StopBits = TWOSTOPBITS;
        dcb.fOutX = TRUE;
        dcb.fInX = TRUE;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        COMMTIMEOUTS distinctive { 7, 11, 13, 17, 19 };
        if (!SetCommState(handle, &dcb) || !SetCommTimeouts(handle, &distinctive))
            found << "setting failed: " << GetLastError() << ' ';
    }
    if (GetCommState(handle, &dcb) && GetCommTimeouts(handle, &timeouts)) {
        found << dcb.BaudRate << " baud, " << int(dcb.ByteSize) << " bits, parity " << int(dcb.Parity)
              << ", stop " << int(dcb.StopBits) << ", flags " << dcb.fBinary << dcb.fParity << dcb.fOutxCtsFlow
              << dcb.fOutxDsrFlow << dcb.fDtrControl << dcb.fDsrSensitivity << dcb.fOutX << dcb.fInX
              << dcb.fRtsControl << ", xon " << int(dcb.XonChar) << ", xoff " << int(dcb.XoffChar)
              << "; time-outs " << timeouts.ReadIntervalTimeout << ' ' << timeouts.ReadTotalTimeoutMultiplier << ' '
              << timeouts.ReadTotalTimeoutConstant << ' ' << timeouts.WriteTotalTimeoutMultiplier << ' '
              << timeouts.WriteTotalTimeoutConstant;
    } else {
        found << "reading failed: " << GetLastError();
    }
    CloseHandle(handle);
    return found.str();
}
#else
std::string foundSettings(const std::string &device, bool makeDistinctive = false)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::string("open failed: ") + std::strerror(errno);
    std::ostringstream found;
    termios settings {};
    if (makeDistinctive && ::tcgetattr(fd, &settings) == 0) {
        settings.c_iflag = ICRNL | IXON | IXOFF;
        settings.c_oflag = OPOST | ONLCR;
        settings.c_cflag = CS8 | CSTOPB | CREAD | HUPCL;
        settings.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
        settings.c_cc[VMIN] = 3;
        settings.c_cc[VTIME] = 7;
        if (::cfsetispeed(&settings, B2400) != 0 || ::cfsetospeed(&settings, B2400) != 0
            || ::tcsetattr(fd, TCSANOW, &settings) != 0)
            found << "setting failed: " << std::strerror(errno) << ' ';
    }
    if (::tcgetattr(fd, &settings) == 0) {
        found << std::oct << "iflag " << settings.c_iflag << ", oflag " << settings.c_oflag << ", cflag "
              << settings.c_cflag << ", lflag " << settings.c_lflag << std::dec << ", speed "
              << ::cfgetispeed(&settings) << '/' << ::cfgetospeed(&settings) << ", cc";
        for (const cc_t c : settings.c_cc)
            found << ' ' << int(c);
    } else {
        found << "reading failed: " << std::strerror(errno);
    }
    int exclusive = -1;
    ::ioctl(fd, TIOCGEXCL, &exclusive);
    found << "; exclusive " << exclusive;
    int lines = 0;
    if (::ioctl(fd, TIOCMGET, &lines) == 0) // none on a pseudo-terminal
        found << "; DTR " << ((lines & TIOCM_DTR) != 0) << ", RTS " << ((lines & TIOCM_RTS) != 0);
    ::close(fd);
    return found.str();
}
#endif

#ifndef _WIN32
// A port whose flock() another program holds is refused, and the refused
// open leaves the terminal as it was: out of exclusive mode, its settings
// untouched.
void lockedElsewhere(Line &line)
{
    const int holder = ::open(line.device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    CHECK(holder >= 0);
    CHECK_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    foundSettings(line.device, true);
    const std::string before = foundSettings(line.device);

    auto port = serial::createPort();
    const ErrorCode error = port->open(line.device);
    CHECK_EQ(serial::errorText(line.portNumber, error),
             "COM" + std::to_string(line.portNumber) + ": Device or resource busy");
    int exclusive = -1;
    CHECK_EQ(::ioctl(holder, TIOCGEXCL, &exclusive), 0);
    CHECK_EQ(exclusive, 0);
    CHECK_EQ(foundSettings(line.device), before);

    ::close(holder);
    CHECK_EQ(port->open(line.device), 0);
    port->close();
}
#endif

// A well-kept program leaves the port as it found it: the settings the port
// had before the tool opened it are back once it has closed it.
void portAsFound(Line &line)
{
    // Read through a handle of its own: wine keeps time-outs per handle.
    const std::string set = foundSettings(line.device, true);
    const std::string before = foundSettings(line.device);
    std::cerr << "  set:   " << set << "\n  found: " << before << '\n';
#ifdef _WIN32
    CHECK(before.rfind("2400 baud, 8 bits, parity 0, stop 2", 0) == 0);
#else
    CHECK(before.find("speed " + std::to_string(B2400) + "/" + std::to_string(B2400)) != std::string::npos);
#endif

    auto port = serial::createPort();
    CHECK_EQ(port->open(line.device), 0);
    // The tool's own settings are in force: the bytes go out raw.
    const std::string bytes("\x11\r\n\x13\x03\x7f\xff", 7);
    CHECK_EQ(port->write(bytes.data(), bytes.size()), 0);
    CHECK(line.peer.receive(bytes.size()) == bytes);
    port->close();
    CHECK_EQ(foundSettings(line.device), before);
}

void bothWays(Line &line)
{
    const struct { const char *name; std::string bytes; } payloads[] = {
        { "command line", "rdfile config 0 0\r" },
        { "NUL, 8-bit and line ends", std::string("\0\x01\xff\xcf\xee\r\r\n>", 9) },
        { "several chunks", pattern(2500) },
    };
    auto port = serial::createPort();
    CHECK_EQ(port->open(line.device), 0);
    for (const auto &payload : payloads) {
        std::cerr << "  payload: " << payload.name << '\n';
        CHECK_EQ(port->write(payload.bytes.data(), payload.bytes.size()), 0);
        CHECK(line.peer.receive(payload.bytes.size()) == payload.bytes);
        CHECK(line.peer.send(payload.bytes));
        CHECK(readBytes(*port, payload.bytes.size()) == payload.bytes);
    }
}

void queueBeyondOneChunk(Line &line)
{
    const std::string bytes = pattern(3000);
    auto port = serial::createPort();
    CHECK_EQ(port->open(line.device), 0);
    CHECK(line.peer.send(bytes));
    if (!waitUntilQueued(line, *port, bytes.size()))
        return;
    // Everything is queued and nothing more arrives: every wait must
    // return at once until the queue is empty.
    CHECK(readBytes(*port, bytes.size()) == bytes);
    std::size_t queued = 1;
    CHECK_EQ(port->queuedBytes(queued), 0);
    CHECK_EQ(queued, 0u);
}

void stopWakesWait(Line &line)
{
    auto port = serial::createPort();
    CHECK_EQ(port->open(line.device), 0);

    ErrorCode error = 0;
    auto pending = std::async(std::launch::async, [&] { return port->waitForInput(error); });
    CHECK(pending.wait_for(100ms) == std::future_status::timeout); // nothing arrives
    port->stop();
    if (!CHECK(pending.wait_for(guardTime) == std::future_status::ready)) {
        std::cerr << "  FAIL: stop() does not wake the wait\n";
        std::_Exit(2);
    }
    CHECK_EQ(pending.get(), WaitResult::Stopped);

    // The stop stays until the next open and wins over queued input.
    CHECK(line.peer.send("x"));
    if (waitUntilQueued(line, *port, 1))
        CHECK_EQ(guardedWait(*port, error), WaitResult::Stopped);
    char byte = 0;
    std::size_t got = 0;
    CHECK_EQ(port->read(&byte, 1, got), 0);
    CHECK_EQ(got, 1u);

    port->close();
    CHECK_EQ(port->open(line.device), 0);
    CHECK(line.peer.send("y"));
    CHECK_EQ(readBytes(*port, 1), "y");
}

// What waits in the port is gone after discardInput(); what comes after it
// is read as usual, also after a stop(), which discardInput() clears.
void discardInput(Line &line)
{
    auto port = serial::createPort();
    CHECK_EQ(port->open(line.device), 0);
    const struct { const char *name; bool stopped; } rows[] = {
        { "queued bytes", false },
        { "queued bytes after stop()", true },
    };
    for (const auto &row : rows) {
        std::cerr << "  " << row.name << '\n';
        CHECK(line.peer.send("stale answer\r\n>"));
        if (!waitUntilQueued(line, *port, 15))
            return;
        if (row.stopped) {
            port->stop();
            ErrorCode error = 0;
            CHECK_EQ(guardedWait(*port, error), WaitResult::Stopped);
        }
        CHECK_EQ(port->discardInput(), 0);
        std::size_t queued = 1;
        CHECK_EQ(port->queuedBytes(queued), 0);
        CHECK_EQ(queued, 0u);
        CHECK(line.peer.send("fresh"));
        CHECK_EQ(readBytes(*port, 5), "fresh");
    }
    port->close();
    CHECK(port->discardInput() != 0);
}

void closedPort(Line &line)
{
    auto port = serial::createPort();
    CHECK_EQ(port->open(line.device), 0);
    port->close();
    CHECK(!port->isOpen());
    port->close();
    CHECK(port->write("x", 1) != 0);
    ErrorCode error = 0;
    CHECK_EQ(guardedWait(*port, error), WaitResult::Failed);
    CHECK(error != 0);
}

// The far end goes away while the reader waits. A reader that follows the
// contract must end with a failure after very few passes: no 0-byte data,
// no wake-up loop.
void hangUp(Line &line)
{
    auto port = serial::createPort();
    CHECK_EQ(port->open(line.device), 0);

    struct Outcome { int passes = 0; int emptyReads = 0; ErrorCode error = 0; bool failed = false; };
    const int passLimit = 10;
    auto reader = [&] {
        Outcome outcome;
        while (outcome.passes < passLimit) {
            ++outcome.passes;
            const WaitResult result = port->waitForInput(outcome.error);
            if (result != WaitResult::Input) {
                outcome.failed = result == WaitResult::Failed;
                break;
            }
            std::size_t queued = 0;
            char buffer[chunkSize];
            std::size_t got = 0;
            outcome.error = port->queuedBytes(queued);
            if (outcome.error == 0)
                outcome.error = port->read(buffer, std::min(std::max<std::size_t>(queued, 1), chunkSize), got);
            if (outcome.error != 0) {
                outcome.failed = true;
                break;
            }
            if (got == 0)
                ++outcome.emptyReads;
        }
        return outcome;
    };
    auto running = std::async(std::launch::async, reader);
    CHECK(running.wait_for(100ms) == std::future_status::timeout); // nothing arrives
    CHECK(line.peer.hangUp());
    bool timedOut = running.wait_for(guardTime) != std::future_status::ready;
    if (timedOut)
        port->stop();
    const Outcome outcome = running.get();
    std::cerr << "  passes " << outcome.passes << ", error " << outcome.error << " "
              << serial::errorText(line.portNumber, outcome.error) << '\n';
    CHECK(!timedOut);
    CHECK(outcome.failed);
    CHECK(outcome.passes <= 2);
    CHECK_EQ(outcome.emptyReads, 0);
#ifdef _WIN32
    CHECK(outcome.error != 0);
#else
    CHECK_EQ(outcome.error, serial::hangupError());
#endif
    CHECK(port->write("x", 1) != 0);
}

int runCases(Line &line)
{
    const struct { const char *name; void (*run)(Line &); } cases[] = {
        { "errorTexts", errorTexts },
        { "missingPort", missingPort },
        { "exclusiveUse", exclusiveUse },
#ifndef _WIN32
        { "lockedElsewhere", lockedElsewhere },
#endif
        { "bothWays", bothWays },
        { "portAsFound", portAsFound },
        { "queueBeyondOneChunk", queueBeyondOneChunk },
        { "stopWakesWait", stopWakesWait },
        { "discardInput", discardInput },
        { "closedPort", closedPort },
        { "hangUp", hangUp },
    };
    int failedCases = 0;
    for (const auto &testCase : cases) {
        const int before = failures;
        std::cerr << testCase.name << '\n';
        testCase.run(line);
        const bool passed = failures == before;
        failedCases += passed ? 0 : 1;
        std::cerr << (passed ? "PASS   " : "FAIL!  ") << testCase.name << '\n';
    }
    std::cerr << "Totals: " << std::size(cases) - failedCases << " passed, " << failedCases << " failed\n";
    return failedCases == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && std::string(argv[1]) == "--peer") {
        RemotePeer peer;
        const int portNumber = std::atoi(argv[2]);
        Line line { peer, portNumber, serial::deviceForPort(portNumber) };
        return runCases(line);
    }
#ifdef _WIN32
    std::cerr << "usage: " << argv[0] << " --peer <port number> (run by kolt-serial-peer)\n";
    return 2;
#else
    if (argc != 1) {
        std::cerr << "usage: " << argv[0] << " [--peer <port number>]\n";
        return 2;
    }
    std::string dir = (std::filesystem::temp_directory_path() / "kolt-serial-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        std::cerr << "mkdtemp: " << std::strerror(errno) << '\n';
        return 2;
    }
    ::setenv("KOLT_TARVO_PORTS", dir.c_str(), 1);
    const int portNumber = 7;
    int result = 2;
    {
        PseudoTerminal pty;
        const std::string failure = pty.open(serial::deviceForPort(portNumber));
        if (failure.empty()) {
            LocalPeer peer(pty);
            Line line { peer, portNumber, serial::deviceForPort(portNumber) };
            result = runCases(line);
        } else {
            std::cerr << failure << '\n';
        }
    }
    std::filesystem::remove_all(dir);
    return result;
#endif
}
