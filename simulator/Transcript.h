// The stand-in's record of the commands it received, kept in memory and,
// when asked for, appended to a file one line a command.
#pragma once

#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

struct TranscriptEntry
{
    std::chrono::system_clock::time_point time;
    std::string command;    // the command line without its CR
    std::size_t bytesIn;    // bytes received for it, CR included
    std::size_t bytesOut;   // bytes sent for it: echo, answer, prompt
};

// Thread-safe, but for openFile() and closeFile().
class Transcript
{
public:
    // Appends to path from now on: time, bytes in, bytes out and command,
    // separated by tabs. False when it cannot be opened.
    bool openFile(const std::string &path);
    void closeFile();

    void record(const TranscriptEntry &entry);
    std::vector<TranscriptEntry> entries() const;
    void clear();

private:
    mutable std::mutex mutex;
    std::vector<TranscriptEntry> list;
    std::ofstream file; // the serving thread's
};

} // namespace sim
