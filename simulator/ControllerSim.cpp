// How the stand-in serves: one thread owns the line. It polls the
// pseudo-terminal's master, the watch on its slave's closes and a wake pipe;
// the pipe carries requests from other threads (print, hang-up, late
// answers, stop). Received bytes build the command line; on CR the whole
// reply of that command (echo, answer lines, prompt) is worked out at once,
// faults applied, recorded in the transcript and then written, paced when a
// baud rate is set.
#include "ControllerSim.h"

#include "CommandInterpreter.h"
#include "CommandReply.h"
#include "FileStore.h"
#include "LinePacer.h"
#include "PseudoTerminal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <utility>
#include <unistd.h>

namespace sim {

namespace {

using Clock = LinePacer::Clock;

constexpr std::chrono::milliseconds troubleRetry{100};
constexpr std::chrono::milliseconds oneBytePause{1};
constexpr std::chrono::milliseconds flipBufferDelay{10};
constexpr std::chrono::milliseconds hangUpGrace{1000};

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

struct ControllerSim::Impl
{
    explicit Impl(SimOptions options)
        : options(std::move(options))
    {
        filesReady = files.open(this->options.stateDir, defaultFiles(), &filesError);
    }

    bool open(const std::string &linkDir, int portNumber, std::string *error);
    void closeAll();
    void serve();

    // Serving thread.
    void handleRequests();
    void readInput();
    void handleInput(const std::string &bytes, Clock::time_point readTime);
    void finishLine();
    bool commandOutput(const std::string &bytes, const ActiveFaults &faults);
    bool writeAll(const std::string &bytes, bool oneByteChunks);
    bool waitUntil(Clock::time_point deadline);
    void waitWritable();
    void waitTillTaken();
    bool takeHangUpRequest();
    ActiveFaults faultsFor(int command) const;
    void releaseExclusive();
    // Sends the replies held back by LateAnswer; taken: wait till the tool
    // has read them.
    void sendLateAnswers(bool taken);
    void wake();
    void drainWake();

    const SimOptions options;
    FileStore files;
    bool filesReady = false;
    std::string filesError;
    CommandInterpreter interpreter{files};
    Transcript transcript;

    PseudoTerminal terminal;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread thread;
    std::atomic<bool> stopping{false};

    mutable std::mutex mutex; // guards the members up to the next blank line
    std::vector<Fault> faults;
    std::string pendingEmit;
    bool hangUpRequested = false;
    bool lateAnswersRequested = false;
    int exclusiveReleases = 0;
    int lateAnswers = 0;
    mutable std::condition_variable counted; // exclusiveReleases or lateAnswers grew

    // Serving thread only.
    std::string line;
    std::size_t lineIn = 0;
    std::size_t lineOut = 0;
    bool lineEchoStarted = false;
    int commandCount = 0;
    bool lineTrouble = false;
    std::string heldReplies; // LateAnswer: replies not sent yet
    LinePacer pacer{options.baud};
};

bool ControllerSim::Impl::open(const std::string &linkDir, int portNumber, std::string *error)
{
    const auto fail = [&](const std::string &message) {
        if (error)
            *error = message;
        closeAll();
        return false;
    };
    if (!filesReady) {
        if (error)
            *error = filesError;
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(std::string("pipe: ") + std::strerror(errno));
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    if (!options.transcriptPath.empty() && !transcript.openFile(options.transcriptPath))
        return fail("cannot open " + options.transcriptPath);
    if (!terminal.open(linkDir, portNumber, error)) {
        closeAll();
        return false;
    }
    return true;
}

void ControllerSim::Impl::closeAll()
{
    terminal.close();
    closeFd(wakeRead);
    closeFd(wakeWrite);
    transcript.closeFile();
}

void ControllerSim::Impl::serve()
{
    while (!stopping) {
        handleRequests();
        const int master = terminal.master();
        pollfd fds[3] = {{wakeRead, POLLIN, 0}, {terminal.closeWatch(), POLLIN, 0}, {master, POLLIN, 0}};
        // After a failed read, wait a while without the line, never spin.
        const bool watchLine = master >= 0 && !lineTrouble;
        const int timeout = lineTrouble ? static_cast<int>(troubleRetry.count()) : -1;
        if (::poll(fds, watchLine ? 3 : 2, timeout) < 0 && errno != EINTR)
            return;
        lineTrouble = false;
        if (fds[0].revents & POLLIN)
            drainWake();
        if (fds[1].revents & POLLIN)
            releaseExclusive();
        if (watchLine && (fds[2].revents & POLLIN))
            readInput();
        else if (watchLine && fds[2].revents)
            lineTrouble = true;
    }
}

void ControllerSim::Impl::handleRequests()
{
    if (takeHangUpRequest())
        terminal.hangUp();
    std::string bytes;
    bool release = false;
    {
        std::lock_guard lock(mutex);
        bytes.swap(pendingEmit);
        release = std::exchange(lateAnswersRequested, false);
    }
    if (!bytes.empty())
        writeAll(bytes, false);
    if (release)
        sendLateAnswers(true);
}

void ControllerSim::Impl::readInput()
{
    char buffer[4096];
    const ssize_t count = ::read(terminal.master(), buffer, sizeof buffer);
    if (count > 0)
        handleInput(std::string(buffer, static_cast<std::size_t>(count)), Clock::now());
    else if (count == 0 || (errno != EAGAIN && errno != EINTR))
        lineTrouble = true;
}

void ControllerSim::Impl::handleInput(const std::string &bytes, Clock::time_point readTime)
{
    const bool paced = pacer.paced();
    if (paced)
        pacer.inputRead(readTime);
    for (const char c : bytes) {
        if (terminal.master() < 0 || stopping)
            return;
        // Each byte counts as arrived after its time on the line.
        const Clock::time_point arrived = paced ? pacer.byteArrived() : Clock::time_point();
        ++lineIn;
        if (c == '\n')
            continue;
        if (c == '\r') {
            if (paced && !waitUntil(arrived))
                return;
            finishLine();
            continue;
        }
        line.push_back(c);
        const auto byte = static_cast<unsigned char>(c);
        if (!options.echoByteByByte || byte < 0x20 || byte == 0x7F)
            continue;
        const ActiveFaults faults = faultsFor(commandCount + 1);
        if (faults.has(Fault::Silence))
            continue;
        if (paced && !waitUntil(arrived))
            return;
        const std::string echo = byteEcho(c, lineEchoStarted, faults);
        lineEchoStarted = true;
        commandOutput(echo, faults);
    }
}

void ControllerSim::Impl::finishLine()
{
    const ActiveFaults faults = faultsFor(++commandCount);
    const CommandReply out = commandReply(line, options.echoByteByByte, lineEchoStarted, faults, interpreter);
    const std::size_t allowed = faults.hangUpAfter > lineOut ? faults.hangUpAfter - lineOut : 0;
    transcript.record({std::chrono::system_clock::now(), line, lineIn, lineOut + std::min(out.bytes.size(), allowed)});
    if (faults.has(Fault::LateAnswer)) {
        heldReplies += out.bytes;
    } else if (out.cut == std::string::npos) {
        commandOutput(out.bytes, faults);
    } else if (commandOutput(out.bytes.substr(0, out.cut), faults)) {
        // The tool takes the first part as one chunk of its own.
        waitTillTaken();
        commandOutput(out.bytes.substr(out.cut), faults);
    }
    line.clear();
    lineIn = 0;
    lineOut = 0;
    lineEchoStarted = false;
}

// Output that belongs to the current command; a HangUp fault closes the
// line once the command has sent its share.
bool ControllerSim::Impl::commandOutput(const std::string &bytes, const ActiveFaults &faults)
{
    const std::size_t allowed = faults.hangUpAfter > lineOut ? faults.hangUpAfter - lineOut : 0;
    const std::size_t count = std::min(bytes.size(), allowed);
    const bool written = writeAll(bytes.substr(0, count), faults.has(Fault::OneByteChunks));
    lineOut += count;
    if (faults.has(Fault::HangUp) && lineOut >= faults.hangUpAfter) {
        waitTillTaken();
        terminal.hangUp();
        return false;
    }
    return written;
}

// Writes on the deadline clock when paced: byte i leaves no earlier than
// i byte times after the line became busy, however the sleeps fall.
bool ControllerSim::Impl::writeAll(const std::string &bytes, bool oneByteChunks)
{
    const bool paced = pacer.paced();
    if (paced)
        pacer.outputStarts();
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (terminal.master() < 0 || stopping)
            return false;
        std::size_t count = bytes.size() - done;
        if (paced) {
            if (Clock::now() < pacer.nextOutput() && !waitUntil(pacer.nextOutput()))
                return false;
            count = std::min(count, pacer.bytesDue());
        }
        if (oneByteChunks)
            count = 1;
        const ssize_t written = ::write(terminal.master(), bytes.data() + done, count);
        if (written < 0) {
            if (errno != EAGAIN && errno != EINTR)
                return false;
            waitWritable();
            continue;
        }
        done += static_cast<std::size_t>(written);
        if (paced)
            pacer.sent(static_cast<std::size_t>(written));
        if (takeHangUpRequest()) {
            terminal.hangUp();
            return false;
        }
        if (oneByteChunks && done < bytes.size() && !waitUntil(Clock::now() + oneBytePause))
            return false;
    }
    return true;
}

// Sleeps until the deadline or until stop(); requests that wake it early are
// picked up by the serving loop later.
bool ControllerSim::Impl::waitUntil(Clock::time_point deadline)
{
    while (!stopping) {
        const auto now = Clock::now();
        if (now >= deadline)
            return true;
        // Nanosecond resolution: whole milliseconds would add up to a
        // noticeable excess over a paced exchange of many short commands.
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
        const timespec timeout{static_cast<time_t>(left.count() / 1000000000),
                               static_cast<long>(left.count() % 1000000000)};
        pollfd fd{wakeRead, POLLIN, 0};
        if (::ppoll(&fd, 1, &timeout, nullptr) > 0)
            drainWake();
    }
    return false;
}

void ControllerSim::Impl::waitWritable()
{
    pollfd fds[2] = {{wakeRead, POLLIN, 0}, {terminal.master(), POLLOUT, 0}};
    if (::poll(fds, 2, static_cast<int>(troubleRetry.count())) > 0 && (fds[0].revents & POLLIN))
        drainWake();
}

// A hang-up discards what the tool has not read yet. Gives it a moment to
// take what was sent: the bytes first pass the terminal's flip buffer, then
// wait in the slave's input queue.
void ControllerSim::Impl::waitTillTaken()
{
    const auto giveUp = Clock::now() + hangUpGrace;
    if (!waitUntil(Clock::now() + flipBufferDelay))
        return;
    while (terminal.toolHasUnread() && Clock::now() < giveUp) {
        if (!waitUntil(Clock::now() + oneBytePause))
            return;
    }
}

bool ControllerSim::Impl::takeHangUpRequest()
{
    std::lock_guard lock(mutex);
    return std::exchange(hangUpRequested, false);
}

ActiveFaults ControllerSim::Impl::faultsFor(int command) const
{
    std::lock_guard lock(mutex);
    return ActiveFaults(faults, command);
}

// Some descriptor of the slave was closed: the tool's exclusive use ends.
void ControllerSim::Impl::releaseExclusive()
{
    terminal.releaseExclusive();
    {
        std::lock_guard lock(mutex);
        ++exclusiveReleases;
    }
    counted.notify_all();
    // The tool has let go of the port: what it finds there when it opens
    // again is the late reply.
    sendLateAnswers(false);
}

void ControllerSim::Impl::sendLateAnswers(bool taken)
{
    if (heldReplies.empty())
        return;
    const std::string bytes = std::exchange(heldReplies, std::string());
    if (writeAll(bytes, false) && taken)
        waitTillTaken();
    {
        std::lock_guard lock(mutex);
        ++lateAnswers;
    }
    counted.notify_all();
}

void ControllerSim::Impl::wake()
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite, &byte, 1);
}

void ControllerSim::Impl::drainWake()
{
    char buffer[64];
    while (::read(wakeRead, buffer, sizeof buffer) > 0) {
    }
}

ControllerSim::ControllerSim(SimOptions options)
    : d(std::make_unique<Impl>(std::move(options)))
{
}

ControllerSim::~ControllerSim()
{
    stop();
}

bool ControllerSim::start(const std::string &linkDir, int portNumber, std::string *error)
{
    if (d->thread.joinable()) {
        if (error)
            *error = "already started";
        return false;
    }
    if (!d->open(linkDir, portNumber, error))
        return false;
    d->stopping = false;
    d->thread = std::thread([this] { d->serve(); });
    return true;
}

void ControllerSim::stop()
{
    if (!d->thread.joinable())
        return;
    d->stopping = true;
    d->wake();
    d->thread.join();
    d->closeAll();
}

std::string ControllerSim::linkPath() const
{
    return d->terminal.linkPath();
}

std::string ControllerSim::slavePath() const
{
    return d->terminal.slavePath();
}

std::vector<TranscriptEntry> ControllerSim::transcript() const
{
    return d->transcript.entries();
}

std::vector<std::string> ControllerSim::commands() const
{
    std::vector<std::string> result;
    for (const TranscriptEntry &entry : transcript())
        result.push_back(entry.command);
    return result;
}

void ControllerSim::clearTranscript()
{
    d->transcript.clear();
}

int ControllerSim::reloadCount() const
{
    return d->interpreter.reloadCount();
}

int ControllerSim::exclusiveReleases() const
{
    std::lock_guard lock(d->mutex);
    return d->exclusiveReleases;
}

bool ControllerSim::waitForExclusiveRelease(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(d->mutex);
    return d->counted.wait_for(lock, timeout, [&] { return d->exclusiveReleases > count; });
}

void ControllerSim::releaseLateAnswers()
{
    {
        std::lock_guard lock(d->mutex);
        d->lateAnswersRequested = true;
    }
    d->wake();
}

int ControllerSim::lateAnswers() const
{
    std::lock_guard lock(d->mutex);
    return d->lateAnswers;
}

bool ControllerSim::waitForLateAnswers(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(d->mutex);
    return d->counted.wait_for(lock, timeout, [&] { return d->lateAnswers > count; });
}

std::string ControllerSim::file(const std::string &name) const
{
    return d->files.get(name);
}

bool ControllerSim::hasFile(const std::string &name) const
{
    return d->files.has(name);
}

void ControllerSim::setFile(const std::string &name, const std::string &bytes)
{
    d->files.set(name, bytes);
}

void ControllerSim::addFault(const Fault &fault)
{
    std::lock_guard lock(d->mutex);
    d->faults.push_back(fault);
}

void ControllerSim::clearFaults()
{
    std::lock_guard lock(d->mutex);
    d->faults.clear();
}

void ControllerSim::print(const std::string &bytes)
{
    {
        std::lock_guard lock(d->mutex);
        d->pendingEmit += bytes;
    }
    d->wake();
}

void ControllerSim::hangUp()
{
    {
        std::lock_guard lock(d->mutex);
        d->hangUpRequested = true;
    }
    d->wake();
}

} // namespace sim
