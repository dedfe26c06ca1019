// How the stand-in works: one serving thread owns the pseudo-terminal's
// master. It polls the master and a wake pipe; the pipe carries requests
// from other threads (emit, hang-up, stop). Received bytes build the command
// line; on CR the whole reply of that command (echo, answer lines, prompt)
// is worked out at once, faults applied, recorded in the transcript and then
// written. The stand-in holds a descriptor of its own slave for its whole
// life, so the tool closing its port never reads as a hang-up here. For the
// same reason the terminal is never closed for good and would keep the
// tool's TIOCEXCL: a watch on the slave's closes clears it each time.
#include "ControllerSim.h"

#include "CommandInterpreter.h"
#include "FileStore.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <utility>
#include <unistd.h>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds troubleRetry{100};
constexpr std::chrono::milliseconds oneBytePause{1};
constexpr std::chrono::milliseconds flipBufferDelay{10};
constexpr std::chrono::milliseconds hangUpGrace{1000};
constexpr const char *garbage = "\r\n>junk\r\n";
constexpr const char *badSectorLine = "ERROR bad sector";
constexpr const char *gtLine = "> supply voltage low";
constexpr char strayEchoCharacter = '~';

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

std::string isoTime(std::chrono::system_clock::time_point time)
{
    const auto sinceEpoch = time.time_since_epoch();
    const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
    return text;
}

// The faults that apply to one command.
class ActiveFaults
{
public:
    ActiveFaults(const std::vector<Fault> &faults, int command)
    {
        for (const Fault &fault : faults) {
            if (command < fault.fromCommand || command > fault.toCommand)
                continue;
            kinds |= 1u << fault.kind;
            if (fault.kind == Fault::HangUp)
                hangUpAfter = std::min(hangUpAfter, static_cast<std::size_t>(std::max(fault.bytes, 0)));
            if (fault.kind == Fault::AlterWrite)
                alteredByte = static_cast<std::size_t>(std::max(fault.bytes, 0));
        }
    }
    bool has(Fault::Kind kind) const { return kinds & (1u << kind); }
    std::size_t hangUpAfter = SIZE_MAX; // output bytes of the command before the line is closed
    std::size_t alteredByte = 0;        // of a wrfile's chunk

private:
    unsigned kinds = 0;
};

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
    // A command's output; cut, when set, splits it into two writes.
    struct Reply
    {
        std::string bytes;
        std::size_t cut = std::string::npos;
    };
    Reply reply(const ActiveFaults &faults);
    void record(const TranscriptEntry &entry);
    bool commandOutput(const std::string &bytes, const ActiveFaults &faults);
    bool writeAll(const std::string &bytes, bool oneByteChunks);
    bool waitUntil(Clock::time_point deadline);
    void waitWritable();
    void waitTillTaken();
    void closeLine();
    bool takeHangUpRequest();
    ActiveFaults faultsFor(int command) const;
    Clock::duration byteTime() const;
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

    std::string link;
    std::string slave;
    int master = -1;
    int ownSlave = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    int closeWatch = -1; // inotify on the slave's closes
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::ofstream transcriptFile;

    mutable std::mutex mutex; // guards the members up to the next blank line
    std::vector<TranscriptEntry> transcript;
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
    Clock::time_point inClock;
    Clock::time_point outClock;
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
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return fail(systemError("pseudo-terminal"));
    char name[PATH_MAX];
    if (ptsname_r(master, name, sizeof name) != 0)
        return fail(systemError("ptsname"));
    slave = name;
    ownSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (ownSlave < 0)
        return fail(systemError(slave));
    if (!makeRaw(ownSlave) || !makeRaw(master))
        return fail(systemError("raw mode"));
    if (fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0)
        return fail(systemError("non-blocking mode"));
    closeWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (closeWatch < 0 || inotify_add_watch(closeWatch, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
        return fail(systemError("inotify"));
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(systemError("pipe"));
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    if (!options.transcriptPath.empty()) {
        transcriptFile.open(options.transcriptPath, std::ios::app);
        if (!transcriptFile)
            return fail("cannot open " + options.transcriptPath);
    }
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

void ControllerSim::Impl::closeAll()
{
    closeLine();
    closeFd(wakeRead);
    closeFd(wakeWrite);
    closeFd(closeWatch);
    transcriptFile.close();
    if (!link.empty()) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        if (length >= 0 && std::string(target, static_cast<std::size_t>(length)) == slave)
            ::unlink(link.c_str());
    }
}

void ControllerSim::Impl::serve()
{
    while (!stopping) {
        handleRequests();
        pollfd fds[3] = {{wakeRead, POLLIN, 0}, {closeWatch, POLLIN, 0}, {master, POLLIN, 0}};
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
        closeLine();
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
    const ssize_t count = ::read(master, buffer, sizeof buffer);
    if (count > 0)
        handleInput(std::string(buffer, static_cast<std::size_t>(count)), Clock::now());
    else if (count == 0 || (errno != EAGAIN && errno != EINTR))
        lineTrouble = true;
}

void ControllerSim::Impl::handleInput(const std::string &bytes, Clock::time_point readTime)
{
    const bool paced = options.baud > 0;
    if (paced)
        inClock = std::max(inClock, readTime);
    for (const char c : bytes) {
        if (master < 0 || stopping)
            return;
        // Each byte counts as arrived after its time on the line.
        if (paced)
            inClock += byteTime();
        ++lineIn;
        if (c == '\n')
            continue;
        if (c == '\r') {
            if (paced && !waitUntil(inClock))
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
        if (paced && !waitUntil(inClock))
            return;
        std::string echo;
        if (!lineEchoStarted && faults.has(Fault::GarbageBeforeEcho))
            echo = garbage;
        echo.push_back(c);
        lineEchoStarted = true;
        commandOutput(echo, faults);
    }
}

void ControllerSim::Impl::finishLine()
{
    const ActiveFaults faults = faultsFor(++commandCount);
    const Reply out = reply(faults);
    const std::size_t allowed = faults.hangUpAfter > lineOut ? faults.hangUpAfter - lineOut : 0;
    record({std::chrono::system_clock::now(), line, lineIn, lineOut + std::min(out.bytes.size(), allowed)});
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

// Echo, answer lines and prompt of the command in `line`. The command runs
// only when its answer is sent.
ControllerSim::Impl::Reply ControllerSim::Impl::reply(const ActiveFaults &faults)
{
    Reply out;
    if (faults.has(Fault::Silence))
        return out;
    if (!lineEchoStarted && faults.has(Fault::GarbageBeforeEcho))
        out.bytes += garbage;
    if (!options.echoByteByByte)
        out.bytes += line;
    if (faults.has(Fault::WrongEcho))
        out.bytes += strayEchoCharacter;
    out.bytes += "\r\r\n";
    if (faults.has(Fault::EchoThenSilence))
        return out;
    const AnswerFaults answerFaults{.shortAnswer = faults.has(Fault::ShortAnswer),
                                    .droppedDigit = faults.has(Fault::DroppedDigit),
                                    .oddWidth = faults.has(Fault::OddWidthHex),
                                    .refuseWrite = faults.has(Fault::RefuseWrite),
                                    .extraDigit = faults.has(Fault::ExtraDigit),
                                    .extraByte = faults.has(Fault::ExtraByte),
                                    .reloadError = faults.has(Fault::ReloadError),
                                    .alterWrite = faults.has(Fault::AlterWrite),
                                    .alteredByte = faults.alteredByte};
    std::vector<std::string> lines = interpreter.run(line, answerFaults);
    const auto second = lines.begin() + std::min<std::ptrdiff_t>(1, std::ssize(lines));
    if (faults.has(Fault::NonHexLine))
        lines.insert(second, badSectorLine);
    else if (faults.has(Fault::LineCutAfterGt))
        lines.insert(second, gtLine);
    for (const std::string &answer : lines) {
        if (answer == gtLine && out.cut == std::string::npos)
            out.cut = out.bytes.size() + 1;
        out.bytes += answer + "\r\n";
    }
    if (!faults.has(Fault::NoPrompt))
        out.bytes += faults.has(Fault::PromptWithBlank) ? "> " : ">";
    return out;
}

void ControllerSim::Impl::record(const TranscriptEntry &entry)
{
    {
        std::lock_guard lock(mutex);
        transcript.push_back(entry);
    }
    if (transcriptFile.is_open()) {
        transcriptFile << isoTime(entry.time) << '\t' << entry.bytesIn << '\t' << entry.bytesOut
                       << '\t' << entry.command << '\n';
        transcriptFile.flush();
    }
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
        closeLine();
        return false;
    }
    return written;
}

// Writes on the deadline clock when paced: byte i leaves no earlier than
// i byte times after the line became busy, however the sleeps fall.
bool ControllerSim::Impl::writeAll(const std::string &bytes, bool oneByteChunks)
{
    const bool paced = options.baud > 0;
    if (paced)
        outClock = std::max(outClock, Clock::now());
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (master < 0 || stopping)
            return false;
        std::size_t count = bytes.size() - done;
        if (paced) {
            if (Clock::now() < outClock && !waitUntil(outClock))
                return false;
            const auto due = static_cast<std::size_t>((Clock::now() - outClock) / byteTime()) + 1;
            count = std::min(count, due);
        }
        if (oneByteChunks)
            count = 1;
        const ssize_t written = ::write(master, bytes.data() + done, count);
        if (written < 0) {
            if (errno != EAGAIN && errno != EINTR)
                return false;
            waitWritable();
            continue;
        }
        done += static_cast<std::size_t>(written);
        if (paced)
            outClock += byteTime() * written;
        if (takeHangUpRequest()) {
            closeLine();
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
    pollfd fds[2] = {{wakeRead, POLLIN, 0}, {master, POLLOUT, 0}};
    if (::poll(fds, 2, static_cast<int>(troubleRetry.count())) > 0 && (fds[0].revents & POLLIN))
        drainWake();
}

// A hang-up discards what the tool has not read yet. Gives it a moment to
// take what was sent: the bytes first pass the terminal's flip buffer, then
// wait in the slave's input queue, which our own slave descriptor can count.
void ControllerSim::Impl::waitTillTaken()
{
    const auto giveUp = Clock::now() + hangUpGrace;
    if (!waitUntil(Clock::now() + flipBufferDelay))
        return;
    int queued = 0;
    while (::ioctl(ownSlave, FIONREAD, &queued) == 0 && queued > 0 && Clock::now() < giveUp) {
        if (!waitUntil(Clock::now() + oneBytePause))
            return;
    }
}

void ControllerSim::Impl::closeLine()
{
    closeFd(master);
    closeFd(ownSlave);
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

Clock::duration ControllerSim::Impl::byteTime() const
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(10)) / options.baud;
}

// Some descriptor of the slave was closed: the tool's exclusive use ends.
void ControllerSim::Impl::releaseExclusive()
{
    alignas(inotify_event) char buffer[1024];
    while (::read(closeWatch, buffer, sizeof buffer) > 0) {
    }
    if (ownSlave >= 0)
        ::ioctl(ownSlave, TIOCNXCL);
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
    return d->link;
}

std::string ControllerSim::slavePath() const
{
    return d->slave;
}

std::vector<TranscriptEntry> ControllerSim::transcript() const
{
    std::lock_guard lock(d->mutex);
    return d->transcript;
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
    std::lock_guard lock(d->mutex);
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
