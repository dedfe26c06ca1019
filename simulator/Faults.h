// The faults the stand-in can inject, and those that apply to one command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// A fault to inject. It applies to the commands numbered [fromCommand,
// toCommand] (1-based, counting every command line received since start(),
// empty ones included). A command whose answer is not sent (Silence,
// EchoThenSilence) is not carried out either.
struct Fault
{
    enum Kind {
        None,
        Silence,         // no echo, no answer, no prompt
        EchoThenSilence, // echo only
        NoPrompt,        // echo and answer, but never the prompt
        GarbageBeforeEcho, // some bytes (with CR LF and '>') before the echo
        NonHexLine,      // an answer line of words instead of hex pairs
        ShortAnswer,     // rdfile answers only half of the bytes asked for
        OneByteChunks,   // everything written one byte per write, with a pause
        HangUp,          // closes the line after `bytes` bytes of output, once the
                         // tool has read them (at most 1 s); dead until stop()
        PromptWithBlank, // prompt sent as "> "
        DroppedDigit,    // rdfile loses one hex digit of its middle answer line
        OddWidthHex,     // rdfile answers its hex digits without blanks, wrapped
                         // every 33 characters
        RefuseWrite,     // wrfile is not carried out and answers a line in words
        LineCutAfterGt,  // an answer line beginning with '>' after the first one,
                         // sent in two writes cut right after the '>'
        ExtraDigit,      // rdfile's middle answer line gains a digit before its
                         // middle pair
        ExtraByte,       // rdfile answers one byte more than asked for
        LateAnswer,      // the whole reply is held back until the tool closes the
                         // port or releaseLateAnswers() is called
        ReloadError,     // reload is not carried out and answers a line in words
        WrongEcho,       // the echo carries a stray character before its line end
        AlterWrite,      // wrfile stores its bytes with one of them one higher: the
                         // byte at `bytes` in the chunk (the last of a shorter one)
    };
    Kind kind = None;
    int fromCommand = 1;
    int toCommand = 1 << 30;
    int bytes = 0; // HangUp: output bytes of that command before the hang-up;
                   // AlterWrite: the byte of the chunk that is altered
};

// The faults that apply to one command.
class ActiveFaults
{
public:
    ActiveFaults(const std::vector<Fault> &faults, int command);

    bool has(Fault::Kind kind) const { return kinds & (1u << kind); }
    std::size_t hangUpAfter = SIZE_MAX; // output bytes of the command before the line is closed
    std::size_t alteredByte = 0;        // of a wrfile's chunk

private:
    unsigned kinds = 0;
};

} // namespace sim
