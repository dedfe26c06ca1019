// The controller's commands: rdfile, wrfile and reload, answered as the
// lines the controller prints (without their line ends).
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace sim {

class FileStore;

// Ways in which an answer departs from the controller's normal one.
struct AnswerFaults
{
    bool shortAnswer = false;  // rdfile: only the first half of the bytes
    bool droppedDigit = false; // rdfile: the middle line loses its first digit
    bool oddWidth = false;     // rdfile: digits without blanks, oddLineWidth a line
    bool refuseWrite = false;  // wrfile: nothing written, refusedLine answered
    bool extraDigit = false;   // rdfile: the middle line gains a digit mid-line
    bool extraByte = false;    // rdfile: one byte more than asked for
    bool reloadError = false;  // reload: not carried out, reloadRefusedLine answered
    bool alterWrite = false;   // wrfile: byte alteredByte (the last of a shorter
    std::size_t alteredByte = 0; // chunk) written one higher, answered as usual
};

class CommandInterpreter
{
public:
    explicit CommandInterpreter(FileStore &files);

    // Runs one command line.
    std::vector<std::string> run(const std::string &line, const AnswerFaults &faults = {});

    int reloadCount() const { return reloads; }

    static constexpr std::size_t maxWriteBytes = 32;
    static constexpr std::size_t bytesPerLine = 16;
    static constexpr std::size_t maxFileSize = 1 << 20;
    static constexpr std::size_t oddLineWidth = 33;
    // "Ошибка записи: файл занят", in code page 1251.
    static constexpr const char *refusedLine = "\xCE\xF8\xE8\xE1\xEA\xE0 \xE7\xE0\xEF\xE8\xF1\xE8: \xF4\xE0\xE9\xEB \xE7\xE0\xED\xFF\xF2";
    // "ОШИБКА: config not loaded", in code page 1251.
    static constexpr const char *reloadRefusedLine = "\xCE\xD8\xC8\xC1\xCA\xC0: config not loaded";
    static constexpr char extraByte = 0x5A;

private:
    std::vector<std::string> readFile(const std::vector<std::string> &args, const AnswerFaults &faults);
    std::vector<std::string> writeFile(const std::vector<std::string> &args, const AnswerFaults &faults);

    FileStore &files;
    std::atomic<int> reloads{0};
};

} // namespace sim
