// The controller stand-in: serves the controller's command line on a
// pseudo-terminal, on a thread of its own.
#pragma once

#include "Faults.h"
#include "Transcript.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sim {

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
