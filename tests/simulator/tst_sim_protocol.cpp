// The stand-in's command line: echo framing, the file commands and their
// errors, and a port closed and opened again by the tool.
#include "SimClient.h"
#include "TestHarness.h"

#include <thread>

namespace {

const std::string threeBytes = "\x0A\x0B\xFF";

struct Line
{
    sim::ControllerSim controller;
    TempDir dir;

    explicit Line(sim::SimOptions options = {})
        : controller(std::move(options))
    {
        std::string error;
        CHECK(controller.start(dir.path(), 1, &error));
        CHECK_EQ(error, "");
        controller.setFile("t", threeBytes);
    }
};

} // namespace

TEST_CASE(wholeLineEcho)
{
    struct Row
    {
        const char *name;
        std::vector<std::string> pieces; // sent one after another
        std::string reply;
    };
    const Row rows[] = {
        {"empty line", {"\r"}, "\r\r\n>"},
        {"reload", {"reload\r"}, "reload\r\r\nOK\r\n>"},
        {"split over writes", {"rel", "oa", "d\r"}, "reload\r\r\nOK\r\n>"},
        {"line feed ignored", {"\nreload\r"}, "reload\r\r\nOK\r\n>"},
        {"unknown command", {"xyz 1 2\r"}, "xyz 1 2\r\r\nUnknown command: xyz\r\n>"},
        {"rdfile", {"rdfile t 0 0\r"}, "rdfile t 0 0\r\r\n0A 0B FF\r\n>"},
    };
    Line line;
    SimClient client(line.controller.linkPath());
    CHECK(client.isOpen());
    for (const Row &row : rows) {
        check::Scope scope(row.name);
        for (const std::string &piece : row.pieces)
            client.send(piece);
        CHECK_EQ(client.readBytes(row.reply.size()), row.reply);
    }
}

TEST_CASE(byteByByteEcho)
{
    sim::SimOptions options;
    options.echoByteByByte = true;
    Line line(options);
    SimClient client(line.controller.linkPath());
    // Each byte comes back before the next one is sent.
    for (const char c : std::string("rdfile t 1 2")) {
        client.send(std::string(1, c));
        CHECK_EQ(client.readBytes(1), std::string(1, c));
    }
    client.send("\r");
    const std::string rest = "\r\r\n0B FF\r\n>";
    CHECK_EQ(client.readBytes(rest.size()), rest);
}

TEST_CASE(writeAndReadBack)
{
    struct Row
    {
        const char *command;
        std::vector<std::string> lines;
        std::string fileAfter;
    };
    const std::string grown("\x01\x02\0\0\0\xAA\xBB", 7);
    const Row rows[] = {
        {"wrfile f 0 0102", {}, "\x01\x02"},
        {"wrfile f 5 AABB", {}, grown},
        {"rdfile f 0 0", {"01 02 00 00 00 AA BB"}, grown},
        {"rdfile f 4 2", {"00 AA"}, grown},
        {"rdfile f 6 10", {"BB"}, grown},
        {"rdfile f 7 0", {}, grown},
        {"rdfile f 100 4", {}, grown},
        {"wrfile f 1 ab", {}, std::string("\x01\xAB\0\0\0\xAA\xBB", 7)},
    };
    Line line;
    SimClient client(line.controller.linkPath());
    for (const Row &row : rows) {
        check::Scope scope(row.command);
        bool framed = false;
        CHECK(answerLines(client.command(row.command), row.command, &framed) == row.lines);
        CHECK(framed);
        CHECK_EQ(line.controller.file("f"), row.fileAfter);
    }
}

TEST_CASE(wholeConfigInSixteenByteLines)
{
    Line line;
    SimClient client(line.controller.linkPath());
    const std::string command = "rdfile config 0 0";
    bool framed = false;
    const auto lines = answerLines(client.command(command), command, &framed);
    CHECK(framed);
    CHECK_EQ(lines.size(), std::size_t(27));
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        CHECK_EQ(lines[i].size(), std::size_t(16 * 3 - 1));
    const std::string bytes = decodeHexLines(lines);
    CHECK_EQ(bytes.size(), std::size_t(429));
    CHECK_EQ(bytes, line.controller.file("config"));
}

TEST_CASE(badCommandsAnswerOneErrorLine)
{
    const std::string tooLong(33 * 2, 'A');
    const char *const commands[] = {
        "rdfile missing 0 0", "rdfile t x 0", "rdfile t 0", "rdfile t -1 0",
        "wrfile t 0 ABC",     "wrfile t 0 ZZ", "wrfile t 0",  "wrfile ../t 0 00",
    };
    Line line;
    SimClient client(line.controller.linkPath());
    for (const std::string command : commands) {
        check::Scope scope(command);
        bool framed = false;
        const auto lines = answerLines(client.command(command), command, &framed);
        CHECK(framed);
        CHECK(lines.size() == 1 && lines[0].starts_with("ERROR"));
    }
    const std::string command = "wrfile t 0 " + tooLong;
    bool framed = false;
    const auto lines = answerLines(client.command(command), command, &framed);
    CHECK(framed && lines.size() == 1 && lines[0].starts_with("ERROR"));
    CHECK_EQ(line.controller.file("t"), threeBytes);
    CHECK(!line.controller.hasFile("missing"));
}

// The stand-in keeps serving, and the exclusive use that the tool took ends
// with its close although the stand-in's own slave stays open.
TEST_CASE(portClosedAndOpenedAgain)
{
    Line line;
    int releases = 0; // before the last client's close
    for (int round = 1; round <= 3; ++round) {
        check::Scope scope("round " + std::to_string(round));
        if (round > 1)
            CHECK(line.controller.waitForExclusiveRelease(releases, SimClient::defaultTimeout));
        SimClient client(line.controller.linkPath());
        CHECK(!client.isExclusive());
        CHECK(client.setExclusive() && client.isExclusive());
        CHECK_EQ(client.command("reload"), "reload\r\r\nOK\r\n>");
        CHECK_EQ(line.controller.reloadCount(), round);
        releases = line.controller.exclusiveReleases();
    }
}

TEST_CASE(emittedBytesReachTheTool)
{
    Line line;
    SimClient client(line.controller.linkPath());
    line.controller.print("\r\nboot done\r\n>");
    CHECK_EQ(client.readUntil(">"), "\r\nboot done\r\n>");
}
