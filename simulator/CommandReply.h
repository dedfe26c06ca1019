// What the stand-in sends for one command line: the echo, the answer lines
// and the prompt, shaped by the faults that apply to it.
#pragma once

#include "Faults.h"

#include <string>

namespace sim {

class CommandInterpreter;

// A command's output; cut, when set, splits it into two writes.
struct CommandReply
{
    std::string bytes;
    std::size_t cut = std::string::npos;
};

// The echo of one byte of a command line when the stand-in echoes each
// byte as it arrives; echoStarted: an earlier byte of the line was echoed.
std::string byteEcho(char byte, bool echoStarted, const ActiveFaults &faults);

// The reply to a whole command line (without its CR). The command runs only
// when its answer is sent. echoedBytewise: the line's bytes were echoed as
// they came, so its echo is the line end alone; echoStarted: some were.
CommandReply commandReply(const std::string &line, bool echoedBytewise, bool echoStarted,
                          const ActiveFaults &faults, CommandInterpreter &interpreter);

} // namespace sim
