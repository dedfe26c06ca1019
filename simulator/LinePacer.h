// The line's speed: at a given baud rate each byte takes ten bit-times, both
// ways. The pacer keeps two clocks, when the last byte received counts as
// arrived and when the next byte may leave, so that sleeps that run late
// never add up over a long exchange.
#pragma once

#include <chrono>
#include <cstddef>

namespace sim {

class LinePacer
{
public:
    using Clock = std::chrono::steady_clock;

    explicit LinePacer(int baud) : baud(baud) {}

    // Without pacing (baud 0) bytes arrive when read and leave at once.
    bool paced() const { return baud > 0; }

    // Bytes were read at readTime: none of them arrived earlier.
    void inputRead(Clock::time_point readTime);
    // One more byte received: when it has arrived.
    Clock::time_point byteArrived();

    // Output starts now unless earlier output still occupies the line.
    void outputStarts();
    // When the next byte may leave.
    Clock::time_point nextOutput() const { return outClock; }
    // How many bytes are due by now (at least one once nextOutput() passed).
    std::size_t bytesDue() const;
    void sent(std::size_t count);

private:
    Clock::duration byteTime() const;

    const int baud;
    Clock::time_point inClock;
    Clock::time_point outClock;
};

} // namespace sim
