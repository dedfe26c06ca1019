// The far end of a serial line for the contract tests: a pseudo-terminal
// master. The slave is linked under the name the port is opened by, and one
// slave descriptor is kept open so that the port closing is no hang-up here.
#pragma once

#include <cstddef>
#include <string>

class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;
    ~PseudoTerminal();

    // Creates the pair and links the slave as linkPath. On failure returns
    // the reason.
    std::string open(const std::string &linkPath);

    bool send(const std::string &bytes);

    // Up to count bytes, as many as arrive within a few seconds.
    std::string receive(std::size_t count);

    // Waits until the slave side holds at least count received bytes that
    // nobody has read yet; false when they have not come within a few
    // seconds. Woken by every arrival, it never polls.
    bool waitQueued(std::size_t count);

    // Closes the master and the kept slave: the port sees a hang-up.
    void hangUp();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_link;
};
