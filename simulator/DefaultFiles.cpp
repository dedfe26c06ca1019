// The stand-in's fresh state: a plausible station with four tanks and three
// dispensers, described by named values and encoded into the controller's
// "config" layout, and calibration tables in "tanks.tbl" to match.
#include "ControllerSim.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace sim {

namespace {

struct TankSetup
{
    bool active;
    std::uint16_t fuelCode;
    std::uint8_t gaugeType;
    std::uint8_t gaugePort;
    std::uint8_t gaugeAddress;
    std::int16_t h0;
    std::int16_t hmin;
    std::int16_t hmax;
    int capacity; // litres at hmax
};

struct NozzleSetup
{
    bool active;
    std::uint8_t tankNo;
};

struct PumpSetup
{
    bool active;
    std::uint8_t controllerType;
    std::uint8_t port;
    std::uint8_t address;
    std::array<NozzleSetup, 4> nozzles;
};

struct StationSetup
{
    const char8_t *apn;
    const char8_t *serverName;
    std::uint16_t serverPort;
    const char8_t *serverDir;
    const char8_t *serverLogin;
    const char8_t *serverPassword;
    std::uint16_t syncTime;
    const char8_t *operatorPassword;
    const char8_t *adminPassword;
    const char8_t *adminPhone;
    std::array<TankSetup, 6> tanks;
    std::array<PumpSetup, 4> pumps;
    std::uint8_t cardSector;
    const char8_t *cardPassword;
};

// Gauge type keys: 1 Start Italiano, 2 Gamma, 3 Sensor, 6 Sensor Modbus.
// Ports: 1 RS232, 2 RS485-1, 3 RS485-2, 4 UART.
const StationSetup station = {
    .apn = u8"internet.mts.ru",
    .serverName = u8"azs-exchange.example.ru",
    .serverPort = 8080,
    .serverDir = u8"/обмен/азс-17",
    .serverLogin = u8"azs17",
    .serverPassword = u8"k7Qm2x",
    .syncTime = 300,
    .operatorPassword = u8"1111",
    .adminPassword = u8"9024",
    .adminPhone = u8"+79001234567",
    .tanks = {{
        {true, 92, 1, 1, 1, 0, 100, 2500, 25000},
        {true, 95, 2, 2, 1, 12, 120, 3000, 40000},
        {true, 50, 6, 2, 2, -15, 150, 1800, 10000},
        {true, 80, 3, 2, 3, 5, 100, 3990, 60000},
        {},
        {},
    }},
    .pumps = {{
        {true, 1, 3, 1, {{{true, 1}, {true, 2}, {true, 3}, {false, 0}}}},
        {true, 1, 3, 2, {{{true, 1}, {true, 4}, {false, 0}, {false, 0}}}},
        {true, 1, 4, 1, {{{true, 3}, {true, 2}, {false, 0}, {false, 0}}}},
        {},
    }},
    .cardSector = 5,
    .cardPassword = u8"A1B2C3D4E5F6",
};

// UTF-8 to code page 1251 for ASCII and the Cyrillic letters.
std::string cp1251(const char8_t *text)
{
    std::string result;
    for (const char8_t *p = text; *p; ++p) {
        if (*p < 0x80) {
            result.push_back(static_cast<char>(*p));
            continue;
        }
        const unsigned code = ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
        ++p;
        if (code >= 0x410 && code <= 0x44F)
            result.push_back(static_cast<char>(0xC0 + (code - 0x410)));
        else if (code == 0x401)
            result.push_back(static_cast<char>(0xA8));
        else if (code == 0x451)
            result.push_back(static_cast<char>(0xB8));
        else
            result.push_back('?');
    }
    return result;
}

class ConfigImageWriter
{
public:
    static constexpr std::size_t imageSize = 429;

    void text(std::size_t offset, std::size_t capacity, const char8_t *value)
    {
        const std::string bytes = cp1251(value).substr(0, capacity);
        image.replace(offset, bytes.size(), bytes);
    }
    void u8(std::size_t offset, unsigned value) { image[offset] = static_cast<char>(value & 0xFF); }
    void u16(std::size_t offset, unsigned value)
    {
        u8(offset, value);
        u8(offset + 1, value >> 8);
    }
    void i16(std::size_t offset, int value) { u16(offset, static_cast<unsigned>(value)); }

    std::string image = std::string(imageSize, '\0');
};

std::string encodeConfig(const StationSetup &s)
{
    ConfigImageWriter w;
    w.text(0, 31, s.apn);
    w.text(32, 31, s.serverName);
    w.u16(64, s.serverPort);
    w.text(66, 63, s.serverDir);
    w.text(130, 7, s.serverLogin);
    w.text(138, 7, s.serverPassword);
    w.u16(146, s.syncTime);
    w.text(148, 7, s.operatorPassword);
    w.text(156, 7, s.adminPassword);
    w.text(164, 15, s.adminPhone);
    for (std::size_t i = 0; i < s.tanks.size(); ++i) {
        const TankSetup &t = s.tanks[i];
        const std::size_t base = 256 + 16 * i;
        w.u8(base + 0, t.active);
        w.u16(base + 1, t.fuelCode);
        w.u8(base + 3, t.gaugeType);
        w.u8(base + 4, t.gaugePort);
        w.u8(base + 5, t.gaugeAddress);
        w.i16(base + 6, t.h0);
        w.i16(base + 8, t.hmin);
        w.i16(base + 10, t.hmax);
    }
    for (std::size_t j = 0; j < s.pumps.size(); ++j) {
        const PumpSetup &p = s.pumps[j];
        const std::size_t base = 352 + 16 * j;
        w.u8(base + 0, p.active);
        w.u8(base + 1, p.controllerType);
        w.u8(base + 2, p.port);
        w.u8(base + 3, p.address);
        for (std::size_t k = 0; k < p.nozzles.size(); ++k) {
            w.u8(base + 4 + 2 * k, p.nozzles[k].active);
            w.u8(base + 5 + 2 * k, p.nozzles[k].tankNo);
        }
    }
    w.u8(416, s.cardSector);
    w.text(417, 12, s.cardPassword);
    return w.image;
}

constexpr std::size_t tableSlots = 16;
constexpr std::size_t tableEntries = 400;
constexpr std::size_t tableBytes = 4 * tableEntries;

// A horizontal cylinder of diameter hmax: entry k is the volume at height
// 10k up to hmax, zero above; kept strictly rising where the curve is flat.
void writeCalibration(const TankSetup &tank, char *block)
{
    const std::size_t entries = std::min<std::size_t>(tank.hmax / 10 + 1, tableEntries);
    std::int32_t previous = -1;
    for (std::size_t k = 0; k < entries; ++k) {
        const double x = std::min(1.0, 10.0 * static_cast<double>(k) / tank.hmax);
        const double c = 1.0 - 2.0 * x; // cosine of the half angle of the wetted arc
        const double share = (std::acos(c) - c * std::sqrt(1.0 - c * c)) / std::numbers::pi;
        const auto volume = std::max(previous + 1, static_cast<std::int32_t>(std::lround(share * tank.capacity)));
        const auto bits = static_cast<std::uint32_t>(volume);
        for (std::size_t b = 0; b < 4; ++b)
            block[4 * k + b] = static_cast<char>((bits >> (8 * b)) & 0xFF);
        previous = volume;
    }
}

std::string encodeTables(const StationSetup &s)
{
    std::string file(tableSlots * tableBytes, '\0');
    for (std::size_t i = 0; i < s.tanks.size(); ++i) {
        if (s.tanks[i].active)
            writeCalibration(s.tanks[i], file.data() + i * tableBytes);
    }
    return file;
}

} // namespace

std::map<std::string, std::string> ControllerSim::defaultFiles()
{
    return {{"config", encodeConfig(station)}, {"tanks.tbl", encodeTables(station)}};
}

} // namespace sim
