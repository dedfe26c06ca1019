#include "Faults.h"

#include <algorithm>

namespace sim {

ActiveFaults::ActiveFaults(const std::vector<Fault> &faults, int command)
{
    for (const Fault &fault : faults) {
        if (command < fault.fromCommand || command > fault.toCommand)
            continue;
        kinds |= 1u << fault.kind;
        if (fault.kind == Fault::HangUp)
            hangUpAfter = std::min(hangUpAfter, static_cast<std::size_t>(std::max(fault.bytes, 0)));
        if (fault.kind == Fault::AlterWrite)
            alteredByte = static_cast<std::size_t>(std::max(fault.bytes, 0));
    }
}

} // namespace sim
