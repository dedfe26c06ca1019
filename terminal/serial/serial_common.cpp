#include "serial.h"

namespace serial {

std::string trimMessage(std::string text)
{
    while (!text.empty()) {
        const unsigned char last = static_cast<unsigned char>(text.back());
        if (last > ' ' && last != '.' && last != 0x7f)
            break;
        text.pop_back();
    }
    return text;
}

std::string errorText(int portNumber, ErrorCode code)
{
    return errorText(portNumber, systemMessage(code));
}

std::string errorText(int portNumber, const std::string &message)
{
    return "COM" + std::to_string(portNumber) + ": " + message;
}

} // namespace serial
