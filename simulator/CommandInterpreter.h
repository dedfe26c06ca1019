// The controller's commands: rdfile, wrfile and reload, answered as the
// lines the controller prints (without their line ends).
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace sim {

class FileStore;

class CommandInterpreter
{
public:
    explicit CommandInterpreter(FileStore &files);

    // Runs one command line. With shortAnswer, rdfile answers only the
    // first half of the bytes it would give.
    std::vector<std::string> run(const std::string &line, bool shortAnswer = false);

    int reloadCount() const { return reloads; }

    static constexpr std::size_t maxWriteBytes = 32;
    static constexpr std::size_t bytesPerLine = 16;
    static constexpr std::size_t maxFileSize = 1 << 20;

private:
    std::vector<std::string> readFile(const std::vector<std::string> &args, bool shortAnswer);
    std::vector<std::string> writeFile(const std::vector<std::string> &args);

    FileStore &files;
    std::atomic<int> reloads{0};
};

} // namespace sim
