// The tool's side of the line for the tests: opens a stand-in's link as a
// raw terminal and reads with deadlines, so a regression fails, never hangs.
#pragma once

#include "ControllerSim.h"

#include <chrono>
#include <string>
#include <vector>

class SimClient
{
public:
    static constexpr std::chrono::milliseconds defaultTimeout{5000};

    explicit SimClient(const std::string &path);
    ~SimClient();

    SimClient(const SimClient &) = delete;
    SimClient &operator=(const SimClient &) = delete;

    bool isOpen() const { return fd >= 0; }
    void close();
    void send(const std::string &bytes);

    // Reads until at least `count` bytes came or the time-out passed.
    std::string readBytes(std::size_t count, std::chrono::milliseconds timeout = defaultTimeout);
    // Reads until the received bytes end in `suffix` or the time-out passed.
    std::string readUntil(const std::string &suffix,
                          std::chrono::milliseconds timeout = defaultTimeout);
    // Sends the line and a CR and reads up to the prompt.
    std::string command(const std::string &line);
    // True when the other side hung up within the time-out.
    bool waitHangUp(std::chrono::milliseconds timeout = defaultTimeout);

    // Exclusive use of the terminal (TIOCEXCL), as the tool's backend takes it.
    bool setExclusive();
    bool isExclusive() const;

    // Sizes of the reads done so far.
    const std::vector<std::size_t> &chunks() const { return chunkSizes; }

private:
    bool readSome(std::string &into, std::chrono::steady_clock::time_point deadline);

    int fd = -1;
    std::vector<std::size_t> chunkSizes;
};

// The answer lines of a reply to `command`: between the echo (command, CR CR
// LF) and the prompt, each ending in CR LF. Sets *framed to whether the
// reply had exactly that frame.
std::vector<std::string> answerLines(const std::string &reply, const std::string &command,
                                     bool *framed);

// Bytes of answer lines of hex pairs separated by spaces.
std::string decodeHexLines(const std::vector<std::string> &lines);

// A temporary directory, removed with its content.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    const std::string &path() const { return dir; }

private:
    std::string dir;
};
