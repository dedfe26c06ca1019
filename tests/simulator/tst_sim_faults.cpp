// Injected faults of the stand-in, its hang-up and its line-rate pacing.
#include "SimClient.h"
#include "TestHarness.h"

#include <memory>
#include <numeric>

namespace {

using Clock = std::chrono::steady_clock;

std::string twentyBytes()
{
    std::string bytes(20, '\0');
    std::iota(bytes.begin(), bytes.end(), '\0');
    return bytes;
}

const std::string hexFirst16 = "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n";
const std::string hexLast4 = "10 11 12 13\r\n";
const std::string reloadReply = "reload\r\r\nOK\r\n>";

struct Line
{
    sim::ControllerSim controller;
    TempDir dir;

    explicit Line(sim::SimOptions options = {})
        : controller(std::move(options))
    {
        CHECK(controller.start(dir.path(), 2));
        controller.setFile("t", twentyBytes());
    }
};

} // namespace

// A fault on the first command only: what that command gives, and then a
// clean "reload" whose reply follows it directly.
TEST_CASE(faultOnFirstCommand)
{
    struct Row
    {
        const char *name;
        sim::Fault::Kind kind;
        std::string command;
        std::string reply;
        int reloads; // after the faulty and the clean command
    };
    const std::string rd = "rdfile t 0 20";
    const Row rows[] = {
        {"silence", sim::Fault::Silence, "reload", "", 1},
        {"echo then silence", sim::Fault::EchoThenSilence, "reload", "reload\r\r\n", 1},
        {"no prompt", sim::Fault::NoPrompt, "reload", "reload\r\r\nOK\r\n", 2},
        {"garbage before echo", sim::Fault::GarbageBeforeEcho, "reload",
         "\r\n>junk\r\nreload\r\r\nOK\r\n>", 2},
        {"prompt with blank", sim::Fault::PromptWithBlank, "reload", "reload\r\r\nOK\r\n> ", 2},
        {"non-hex line", sim::Fault::NonHexLine, rd,
         rd + "\r\r\n" + hexFirst16 + "ERROR bad sector\r\n" + hexLast4 + ">", 1},
        {"short answer", sim::Fault::ShortAnswer, rd,
         rd + "\r\r\n00 01 02 03 04 05 06 07 08 09\r\n>", 1},
        {"one-byte chunks", sim::Fault::OneByteChunks, rd, rd + "\r\r\n" + hexFirst16 + hexLast4 + ">", 1},
        {"dropped digit", sim::Fault::DroppedDigit, rd, rd + "\r\r\n" + hexFirst16 + "0 11 12 13\r\n>", 1},
        {"odd-width hex", sim::Fault::OddWidthHex, rd,
         rd + "\r\r\n000102030405060708090A0B0C0D0E0F1\r\n0111213\r\n>", 1},
        {"refused write", sim::Fault::RefuseWrite, "wrfile t 0 FF", "wrfile t 0 FF\r\r\n\xCE\xF8\xE8\xE1\xEA\xE0 \xE7\xE0\xEF\xE8\xF1\xE8: \xF4\xE0\xE9\xEB \xE7\xE0\xED\xFF\xF2\r\n>", 1},
        {"line cut after '>'", sim::Fault::LineCutAfterGt, rd,
         rd + "\r\r\n" + hexFirst16 + "> supply voltage low\r\n" + hexLast4 + ">", 1},
        {"extra digit", sim::Fault::ExtraDigit, rd, rd + "\r\r\n" + hexFirst16 + "10 11 012 13\r\n>", 1},
        {"extra byte", sim::Fault::ExtraByte, rd, rd + "\r\r\n" + hexFirst16 + "10 11 12 13 5A\r\n>", 1},
        {"reload error", sim::Fault::ReloadError, "reload", "reload\r\r\n\xCE\xD8\xC8\xC1\xCA\xC0: config not loaded\r\n>", 1},
        {"wrong echo", sim::Fault::WrongEcho, "reload", "reload~\r\r\nOK\r\n>", 2},
        {"late answer, held back", sim::Fault::LateAnswer, "reload", "", 2},
    };
    for (const Row &row : rows) {
        check::Scope scope(row.name);
        Line line;
        line.controller.addFault({.kind = row.kind, .fromCommand = 1, .toCommand = 1});
        SimClient client(line.controller.linkPath());
        client.send(row.command + "\r");
        client.send("reload\r");
        const std::string expected = row.reply + reloadReply;
        CHECK_EQ(client.readBytes(expected.size()), expected);
        CHECK_EQ(line.controller.reloadCount(), row.reloads);
        CHECK_EQ(line.controller.commands().size(), std::size_t(2));
        CHECK_EQ(line.controller.file("t"), twentyBytes()); // no fault writes
    }
}

TEST_CASE(refusedWriteLeavesTheFile)
{
    Line line;
    line.controller.addFault({.kind = sim::Fault::RefuseWrite, .fromCommand = 1, .toCommand = 1});
    SimClient client(line.controller.linkPath());
    CHECK_EQ(client.command("wrfile t 2 AABB"), "wrfile t 2 AABB\r\r\n\xCE\xF8\xE8\xE1\xEA\xE0 \xE7\xE0\xEF\xE8\xF1\xE8: \xF4\xE0\xE9\xEB \xE7\xE0\xED\xFF\xF2\r\n>");
    CHECK_EQ(line.controller.file("t"), twentyBytes());
    CHECK_EQ(client.command("wrfile t 2 AABB"), "wrfile t 2 AABB\r\r\n>");
    std::string written = twentyBytes();
    written.replace(2, 2, "\xAA\xBB");
    CHECK_EQ(line.controller.file("t"), written);
}

// An altered write answers as a good one and stores one byte one higher:
// the chosen byte of the chunk, or the last of a shorter chunk.
TEST_CASE(alteredWriteStoresAnotherByte)
{
    struct Row
    {
        const char *name;
        int byte;
        const char *stored;
    };
    const Row rows[] = {
        {"first byte by default", 0, "\xAB\xBB\xCC"},
        {"the chosen byte", 1, "\xAA\xBC\xCC"},
        {"beyond the chunk: its last", 7, "\xAA\xBB\xCD"},
    };
    for (const Row &row : rows) {
        check::Scope scope(row.name);
        Line line;
        line.controller.addFault({.kind = sim::Fault::AlterWrite, .fromCommand = 1, .toCommand = 1, .bytes = row.byte});
        SimClient client(line.controller.linkPath());
        CHECK_EQ(client.command("wrfile t 2 AABBCC"), "wrfile t 2 AABBCC\r\r\n>");
        std::string written = twentyBytes();
        written.replace(2, 3, row.stored);
        CHECK_EQ(line.controller.file("t"), written);
        // The next command is not altered.
        CHECK_EQ(client.command("wrfile t 2 AABBCC"), "wrfile t 2 AABBCC\r\r\n>");
        written.replace(2, 3, "\xAA\xBB\xCC");
        CHECK_EQ(line.controller.file("t"), written);
    }
}

// The reader takes everything up to the '>' before the rest is sent, so the
// '>' ends a chunk at a line start, as a prompt would.
TEST_CASE(lineCutAfterGtArrivesInTwoParts)
{
    Line line;
    line.controller.addFault({.kind = sim::Fault::LineCutAfterGt});
    SimClient client(line.controller.linkPath());
    const std::string rd = "rdfile t 0 20";
    client.send(rd + "\r");
    CHECK_EQ(client.readUntil(">"), rd + "\r\r\n" + hexFirst16 + ">");
    CHECK_EQ(client.readUntil(">"), " supply voltage low\r\n" + hexLast4 + ">");
}

// A late reply is worked out when its command arrives and sent when it is
// released, or when the tool lets go of the port.
TEST_CASE(lateAnswerComesWhenReleased)
{
    const std::string rd = "rdfile t 0 20";
    const std::string reply = rd + "\r\r\n" + hexFirst16 + hexLast4 + ">";
    for (const bool byClose : {false, true}) {
        check::Scope scope(byClose ? "released by a close" : "released on request");
        Line line;
        line.controller.addFault({.kind = sim::Fault::LateAnswer, .fromCommand = 1, .toCommand = 1});
        auto client = std::make_unique<SimClient>(line.controller.linkPath());
        client->send(rd + "\r");
        CHECK_EQ(client->command("reload"), reloadReply); // the second command is answered at once
        line.controller.setFile("t", "changed");
        CHECK_EQ(line.controller.lateAnswers(), 0);
        if (byClose) {
            client.reset();
            CHECK(line.controller.waitForLateAnswers(0, SimClient::defaultTimeout));
            client = std::make_unique<SimClient>(line.controller.linkPath());
        } else {
            line.controller.releaseLateAnswers();
        }
        CHECK_EQ(client->readBytes(reply.size()), reply);
        CHECK(line.controller.waitForLateAnswers(0, SimClient::defaultTimeout));
        CHECK_EQ(line.controller.lateAnswers(), 1);
    }
}

TEST_CASE(faultOnlyInItsRange)
{
    Line line;
    line.controller.addFault({.kind = sim::Fault::PromptWithBlank, .fromCommand = 2, .toCommand = 3});
    SimClient client(line.controller.linkPath());
    const char *const prompts[] = {">", "> ", "> ", ">"};
    for (const std::string prompt : prompts) {
        client.send("\r");
        CHECK_EQ(client.readBytes(3 + prompt.size()), "\r\r\n" + prompt);
    }
    line.controller.clearFaults();
    CHECK_EQ(client.command("reload"), reloadReply);
}

TEST_CASE(oneByteChunksArriveSplit)
{
    Line line;
    line.controller.addFault({.kind = sim::Fault::OneByteChunks});
    SimClient client(line.controller.linkPath());
    const std::string reply = client.command("rdfile t 0 20");
    CHECK(reply.ends_with(hexLast4 + ">"));
    // About 90 writes a millisecond apart cannot all land in one read.
    CHECK(client.chunks().size() > 1);
}

TEST_CASE(hangUp)
{
    struct Row
    {
        const char *name;
        bool byFault; // else by hangUp()
        std::string before;
    };
    const Row rows[] = {
        {"fault after four bytes", true, "relo"},
        {"fault after the whole reply", true, reloadReply},
        {"hangUp() between commands", false, reloadReply},
    };
    for (const Row &row : rows) {
        check::Scope scope(row.name);
        Line line;
        if (row.byFault)
            line.controller.addFault({.kind = sim::Fault::HangUp, .bytes = int(row.before.size())});
        SimClient client(line.controller.linkPath());
        client.send("reload\r");
        CHECK_EQ(client.readBytes(row.before.size()), row.before);
        if (!row.byFault)
            line.controller.hangUp();
        CHECK(client.waitHangUp());
        CHECK_EQ(line.controller.commands().size(), std::size_t(1));
    }
}

TEST_CASE(pacingNeverFasterThanTheLine)
{
    const int baud = 19200;
    sim::SimOptions options;
    options.baud = baud;
    Line line(options);
    SimClient client(line.controller.linkPath());
    const std::string command = "rdfile t 0 0";
    const auto started = Clock::now();
    const std::string reply = client.command(command);
    const auto elapsed = Clock::now() - started;
    bool framed = false;
    answerLines(reply, command, &framed);
    CHECK(framed);
    // The command's bytes arrive first, then the reply leaves byte by byte.
    const auto lineTime = std::chrono::duration<double>(
        double(command.size() + 1 + reply.size() - 1) * 10.0 / baud);
    CHECK(elapsed >= lineTime);
}
