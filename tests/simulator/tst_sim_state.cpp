// The stand-in's transcript, its state directory and its default files.
#include "SimClient.h"
#include "TestHarness.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

unsigned u8(const std::string &image, std::size_t offset)
{
    return static_cast<unsigned char>(image.at(offset));
}

unsigned u16(const std::string &image, std::size_t offset)
{
    return u8(image, offset) | u8(image, offset + 1) << 8;
}

int i16(const std::string &image, std::size_t offset)
{
    return static_cast<std::int16_t>(u16(image, offset));
}

std::int32_t i32(const std::string &bytes, std::size_t offset)
{
    return static_cast<std::int32_t>(u16(bytes, offset) | std::uint32_t(u16(bytes, offset + 2)) << 16);
}

std::string readWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

constexpr std::size_t tankSlot(int tank) { return 256 + 16 * std::size_t(tank - 1); }
constexpr std::size_t pumpSlot(int pump) { return 352 + 16 * std::size_t(pump - 1); }

} // namespace

TEST_CASE(transcriptOfEveryCommand)
{
    TempDir dir;
    const std::string transcriptPath = dir.path() + "/transcript.txt";
    sim::SimOptions options;
    options.transcriptPath = transcriptPath;
    sim::ControllerSim controller(options);
    CHECK(controller.start(dir.path(), 1));
    SimClient client(controller.linkPath());
    const std::vector<std::string> commands = {"", "reload", "rdfile config 0 16", "xyz"};
    std::vector<std::size_t> replySizes;
    for (const std::string &command : commands)
        replySizes.push_back(client.command(command).size());

    CHECK(controller.commands() == commands);
    const auto entries = controller.transcript();
    const auto lines = split(readWholeFile(transcriptPath), '\n');
    CHECK_EQ(entries.size(), commands.size());
    CHECK_EQ(lines.size(), commands.size());
    for (std::size_t i = 0; i < commands.size() && i < entries.size() && i < lines.size(); ++i) {
        check::Scope scope("command " + std::to_string(i + 1));
        CHECK_EQ(entries[i].bytesIn, commands[i].size() + 1);
        CHECK_EQ(entries[i].bytesOut, replySizes[i]);
        CHECK(i == 0 || entries[i].time >= entries[i - 1].time);
        const auto fields = split(lines[i], '\t');
        CHECK_EQ(fields.size(), std::size_t(commands[i].empty() ? 3 : 4));
        if (fields.size() < 3)
            continue;
        // ISO time in UTC with milliseconds: 2024-01-31T12:34:56.789Z
        CHECK(fields[0].size() == 24 && fields[0][10] == 'T' && fields[0].ends_with('Z'));
        CHECK_EQ(fields[1], std::to_string(entries[i].bytesIn));
        CHECK_EQ(fields[2], std::to_string(entries[i].bytesOut));
        CHECK_EQ(fields.size() > 3 ? fields[3] : std::string(), commands[i]);
    }
    controller.clearTranscript();
    CHECK(controller.commands().empty());
}

TEST_CASE(stateDirectoryOutlivesTheStandIn)
{
    TempDir link;
    TempDir state;
    const auto defaults = sim::ControllerSim::defaultFiles();
    sim::SimOptions options;
    options.stateDir = state.path();
    {
        sim::ControllerSim first(options);
        CHECK(first.start(link.path(), 4));
        for (const auto &[name, bytes] : defaults)
            CHECK_EQ(readWholeFile(state.path() + "/" + name), bytes);
        SimClient client(first.linkPath());
        client.command("wrfile config 2 AABB");
        client.command("wrfile notes 0 4142");
    }
    std::string expected = defaults.at("config");
    expected.replace(2, 2, "\xAA\xBB");
    CHECK_EQ(readWholeFile(state.path() + "/config"), expected);

    sim::ControllerSim second(options);
    CHECK(second.start(link.path(), 4));
    CHECK_EQ(second.file("config"), expected);
    CHECK_EQ(second.file("notes"), "AB");
    SimClient client(second.linkPath());
    CHECK_EQ(client.command("rdfile config 2 2"), "rdfile config 2 2\r\r\nAA BB\r\n>");
}

TEST_CASE(stopRemovesTheLink)
{
    TempDir dir;
    sim::ControllerSim controller;
    CHECK(controller.start(dir.path(), 7));
    CHECK_EQ(controller.linkPath(), dir.path() + "/COM7");
    CHECK_EQ(std::filesystem::read_symlink(controller.linkPath()).string(), controller.slavePath());
    controller.stop();
    CHECK(!std::filesystem::exists(std::filesystem::symlink_status(dir.path() + "/COM7")));
    controller.stop();
}

TEST_CASE(defaultConfigIsPlausible)
{
    const std::string config = sim::ControllerSim::defaultFiles().at("config");
    CHECK_EQ(config.size(), std::size_t(429));
    CHECK_EQ(u16(config, 64), 8080u);
    CHECK_EQ(i16(config, tankSlot(1) + 10), 2500);
    CHECK_EQ(u16(config, tankSlot(3) + 1), 50u);
    // Every text but the card password ends in NUL within its field.
    const std::size_t textEnds[] = {31, 63, 129, 137, 145, 155, 163, 179};
    for (const std::size_t end : textEnds)
        CHECK_EQ(u8(config, end), 0u);
    CHECK_EQ(config.substr(417, 12).find('\0'), std::string::npos);
    // The server directory carries Cyrillic letters in code page 1251.
    const std::string dir = config.substr(66, 64);
    CHECK(std::any_of(dir.begin(), dir.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xC0; }));

    for (int tank = 1; tank <= 6; ++tank) {
        check::Scope scope("tank " + std::to_string(tank));
        const std::size_t slot = tankSlot(tank);
        CHECK(u8(config, slot) <= 1);
        if (u8(config, slot) == 1) {
            CHECK(u8(config, slot + 4) >= 1 && u8(config, slot + 4) <= 4);
            CHECK(i16(config, slot + 8) < i16(config, slot + 10));
        }
    }
    for (int pump = 1; pump <= 4; ++pump) {
        check::Scope scope("dispenser " + std::to_string(pump));
        for (int nozzle = 1; nozzle <= 4; ++nozzle) {
            const std::size_t at = pumpSlot(pump) + 4 + 2 * std::size_t(nozzle - 1);
            if (u8(config, at) == 1) {
                const unsigned tank = u8(config, at + 1);
                CHECK(tank >= 1 && tank <= 6 && u8(config, tankSlot(int(tank))) == 1);
            }
        }
    }
}

TEST_CASE(defaultTablesRiseForTanksInUse)
{
    const auto files = sim::ControllerSim::defaultFiles();
    const std::string &config = files.at("config");
    const std::string &tables = files.at("tanks.tbl");
    CHECK_EQ(tables.size(), std::size_t(16 * 1600));
    int tanksInUse = 0;
    for (int tank = 1; tank <= 16; ++tank) {
        check::Scope scope("tank " + std::to_string(tank));
        const bool inUse = tank <= 6 && u8(config, tankSlot(tank)) == 1;
        const std::size_t rising = inUse ? std::size_t(i16(config, tankSlot(tank) + 10) / 10) : 0;
        tanksInUse += inUse;
        for (std::size_t k = 0; k < 400; ++k) {
            const std::int32_t value = i32(tables, 1600 * std::size_t(tank - 1) + 4 * k);
            if (k > 0 && k <= rising)
                CHECK(value > i32(tables, 1600 * std::size_t(tank - 1) + 4 * (k - 1)));
            else if (k > rising)
                CHECK_EQ(value, 0);
        }
    }
    CHECK(tanksInUse >= 1);
}
