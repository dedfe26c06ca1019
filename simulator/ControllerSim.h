// The controller stand-in: serves the controller's command line on a
// pseudo-terminal, on a thread of its own.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
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

struct TranscriptEntry
{
    std::chrono::system_clock::time_point time;
    std::string command;    // the command line without its CR
    std::size_t bytesIn;    // bytes received for it, CR included
    std::size_t bytesOut;   // bytes sent for it: echo, answer, prompt
};

struct SimOptions
{
    std::string stateDir;        // empty: files live in memory
    bool echoByteByByte = false; // echo each byte as it arrives
    int baud = 0;                // 0: no pacing; else 10 bit-times a byte both ways
    std::string transcriptPath;  // empty: none
};

class ControllerSim
{
public:
    explicit ControllerSim(SimOptions options = {});
    ~ControllerSim(); // stop()

    ControllerSim(const ControllerSim &) = delete;
    ControllerSim &operator=(const ControllerSim &) = delete;

    // Opens a pseudo-terminal pair in raw mode, links its slave as
    // <linkDir>/COM<portNumber> and starts serving. False with *error set on
    // failure.
    bool start(const std::string &linkDir, int portNumber, std::string *error = nullptr);
    // Stops serving, closes the pair and removes the link. Idempotent.
    void stop();

    std::string linkPath() const;  // <linkDir>/COM<n>
    std::string slavePath() const; // /dev/pts/N

    // Everything below is thread-safe.
    std::vector<TranscriptEntry> transcript() const;
    std::vector<std::string> commands() const; // transcript's command texts
    void clearTranscript();
    int reloadCount() const;
    // How often the stand-in has ended an exclusive use because a descriptor
    // of its slave was closed; waits until that count exceeds count (true)
    // or timeout passes (false).
    int exclusiveReleases() const;
    bool waitForExclusiveRelease(int count, std::chrono::milliseconds timeout) const;

    std::string file(const std::string &name) const; // empty when missing
    bool hasFile(const std::string &name) const;
    void setFile(const std::string &name, const std::string &bytes);

    void addFault(const Fault &fault);
    void clearFaults();

    // Writes raw bytes to the line as if the controller printed them.
    void print(const std::string &bytes);
    // Has the replies that LateAnswer holds back sent now; lateAnswers()
    // grows by one once the tool has read them (or 1 s has passed). Held
    // replies also go out, without that wait, when the tool closes the port.
    void releaseLateAnswers();
    // How often held replies were sent; waits until that count exceeds
    // count (true) or timeout passes (false).
    int lateAnswers() const;
    bool waitForLateAnswers(int count, std::chrono::milliseconds timeout) const;
    // Closes the master side now: the tool sees a hang-up.
    void hangUp();

    // The fresh state: a realistic "config" and "tanks.tbl".
    static std::map<std::string, std::string> defaultFiles();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace sim
