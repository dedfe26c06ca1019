// Requests from the contract test to kolt-serial-peer, one line each on the
// test's stdout, answered by one line on its stdin:
//   send <hex>       -> ok
//   receive <count>  -> ok <hex of what arrived>
//   queued <count>   -> ok once the port's side holds count received bytes
//   hangup           -> ok
// Anything else is answered with "error".
#pragma once

#include <cstddef>
#include <string>

namespace peer {

inline std::string toHex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 0xf];
    }
    return hex;
}

inline std::string fromHex(const std::string &hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

} // namespace peer
