#include "CommandInterpreter.h"

#include "FileStore.h"

#include <charconv>
#include <optional>
#include <sstream>

namespace sim {

namespace {

std::vector<std::string> words(const std::string &line)
{
    std::vector<std::string> result;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

std::optional<std::size_t> parseCount(const std::string &text)
{
    std::size_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> parseHex(const std::string &text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

// All digits without blanks, cut into lines of width characters.
std::vector<std::string> wrappedHex(const std::vector<std::string> &lines, std::size_t width)
{
    std::string digits;
    for (const std::string &line : lines) {
        for (const char c : line) {
            if (c != ' ')
                digits.push_back(c);
        }
    }
    std::vector<std::string> wrapped;
    for (std::size_t i = 0; i < digits.size(); i += width)
        wrapped.push_back(digits.substr(i, width));
    return wrapped;
}

std::vector<std::string> hexLines(const std::string &bytes, std::size_t perLine)
{
    static const char digits[] = "0123456789ABCDEF";
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % perLine == 0)
            lines.emplace_back();
        else
            lines.back().push_back(' ');
        const auto byte = static_cast<unsigned char>(bytes[i]);
        lines.back().push_back(digits[byte >> 4]);
        lines.back().push_back(digits[byte & 0x0F]);
    }
    return lines;
}

} // namespace

CommandInterpreter::CommandInterpreter(FileStore &files)
    : files(files)
{
}

std::vector<std::string> CommandInterpreter::run(const std::string &line, const AnswerFaults &faults)
{
    std::vector<std::string> args = words(line);
    if (args.empty())
        return {};
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "rdfile")
        return readFile(args, faults);
    if (command == "wrfile")
        return writeFile(args, faults);
    if (command == "reload") {
        if (faults.reloadError)
            return {reloadRefusedLine};
        ++reloads;
        return {"OK"};
    }
    return {"Unknown command: " + command};
}

std::vector<std::string> CommandInterpreter::readFile(const std::vector<std::string> &args,
                                                      const AnswerFaults &faults)
{
    if (args.size() != 3)
        return {"ERROR: usage: rdfile NAME OFFSET LENGTH"};
    const auto offset = parseCount(args[1]);
    const auto length = parseCount(args[2]);
    if (!offset || !length)
        return {"ERROR: bad number"};
    if (!files.has(args[0]))
        return {"ERROR: no such file"};
    const std::string content = files.get(args[0]);
    std::string bytes;
    if (*offset < content.size())
        bytes = content.substr(*offset, *length == 0 ? std::string::npos : *length);
    if (faults.shortAnswer)
        bytes.resize(bytes.size() / 2);
    if (faults.extraByte)
        bytes.push_back(extraByte);
    std::vector<std::string> lines = hexLines(bytes, bytesPerLine);
    if (faults.oddWidth)
        lines = wrappedHex(lines, oddLineWidth);
    if (faults.droppedDigit && !lines.empty())
        lines[lines.size() / 2].erase(0, 1);
    if (faults.extraDigit && !lines.empty()) {
        // Pairs stand 3 characters apart: "HH HH HH".
        std::string &middle = lines[lines.size() / 2];
        middle.insert((middle.size() + 1) / 3 / 2 * 3, 1, '0');
    }
    return lines;
}

std::vector<std::string> CommandInterpreter::writeFile(const std::vector<std::string> &args,
                                                       const AnswerFaults &faults)
{
    if (args.size() != 3)
        return {"ERROR: usage: wrfile NAME OFFSET HEX"};
    const auto offset = parseCount(args[1]);
    if (!offset)
        return {"ERROR: bad number"};
    const auto bytes = parseHex(args[2]);
    if (!bytes)
        return {"ERROR: bad hex"};
    if (bytes->size() > maxWriteBytes)
        return {"ERROR: more than 32 bytes"};
    if (*offset > maxFileSize - bytes->size())
        return {"ERROR: offset out of range"};
    if (faults.refuseWrite)
        return {refusedLine};
    std::string stored = *bytes;
    if (faults.alterWrite && !stored.empty()) {
        char &altered = stored[std::min(faults.alteredByte, stored.size() - 1)];
        altered = static_cast<char>(altered + 1);
    }
    if (!files.write(args[0], *offset, stored))
        return {"ERROR: cannot write " + args[0]};
    return {};
}

} // namespace sim
