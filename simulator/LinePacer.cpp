#include "LinePacer.h"

#include <algorithm>

namespace sim {

void LinePacer::inputRead(Clock::time_point readTime)
{
    inClock = std::max(inClock, readTime);
}

LinePacer::Clock::time_point LinePacer::byteArrived()
{
    inClock += byteTime();
    return inClock;
}

void LinePacer::outputStarts()
{
    outClock = std::max(outClock, Clock::now());
}

std::size_t LinePacer::bytesDue() const
{
    return static_cast<std::size_t>((Clock::now() - outClock) / byteTime()) + 1;
}

void LinePacer::sent(std::size_t count)
{
    outClock += byteTime() * static_cast<Clock::rep>(count);
}

LinePacer::Clock::duration LinePacer::byteTime() const
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(10)) / baud;
}

} // namespace sim
