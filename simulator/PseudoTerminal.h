// The stand-in's end of the line: a pseudo-terminal pair in raw mode whose
// slave is linked as <dir>/COM<n> for the tool to open. The stand-in holds a
// descriptor of its own slave for its whole life, so the tool closing its
// port never reads as a hang-up here. For the same reason the terminal is
// never closed for good and would keep the tool's TIOCEXCL: a watch on the
// slave's closes tells when to clear it.
#pragma once

#include <string>

namespace sim {

class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal() { close(); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Opens the pair, its master non-blocking, and links the slave as
    // <linkDir>/COM<portNumber>. False with *error set on failure, with
    // nothing left open.
    bool open(const std::string &linkDir, int portNumber, std::string *error);
    // Closes everything and removes the link if it still names the slave.
    void close();
    // Closes the master side: the tool sees a hang-up. master() is -1 after.
    void hangUp();

    int master() const { return masterFd; }
    // Readable when a descriptor of the slave was closed.
    int closeWatch() const { return closeWatchFd; }
    // Reads the close watch's events and ends the tool's exclusive use.
    void releaseExclusive();
    // Whether bytes sent wait in the slave's input queue, unread by the tool.
    bool toolHasUnread() const;

    std::string linkPath() const { return link; }
    std::string slavePath() const { return slave; }

private:
    std::string link;
    std::string slave;
    int masterFd = -1;
    int ownSlave = -1;
    int closeWatchFd = -1; // inotify on the slave's closes
};

} // namespace sim
