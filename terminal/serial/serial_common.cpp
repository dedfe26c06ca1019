#include "serial.h"

namespace serial {

std::string errorText(int portNumber, ErrorCode code)
{
    return "COM" + std::to_string(portNumber) + ": " + systemMessage(code);
}

} // namespace serial
