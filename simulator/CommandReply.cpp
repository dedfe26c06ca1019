#include "CommandReply.h"

#include "CommandInterpreter.h"

#include <algorithm>
#include <iterator>

namespace sim {

namespace {

constexpr const char *garbage = "\r\n>junk\r\n";
constexpr const char *badSectorLine = "ERROR bad sector";
constexpr const char *gtLine = "> supply voltage low";
constexpr char strayEchoCharacter = '~';

} // namespace

std::string byteEcho(char byte, bool echoStarted, const ActiveFaults &faults)
{
    std::string echo;
    if (!echoStarted && faults.has(Fault::GarbageBeforeEcho))
        echo = garbage;
    echo.push_back(byte);
    return echo;
}

CommandReply commandReply(const std::string &line, bool echoedBytewise, bool echoStarted,
                          const ActiveFaults &faults, CommandInterpreter &interpreter)
{
    CommandReply out;
    if (faults.has(Fault::Silence))
        return out;
    if (!echoStarted && faults.has(Fault::GarbageBeforeEcho))
        out.bytes += garbage;
    if (!echoedBytewise)
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

} // namespace sim
