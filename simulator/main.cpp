// controller-sim: serves the controller's command line on a pseudo-terminal
// linked as <dir>/COM<n> until SIGINT or SIGTERM.
#include "ControllerSim.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

namespace {

const char usage[] =
    "Usage: controller-sim [options]\n"
    "Serves a stand-in filling-station controller on a pseudo-terminal.\n"
    "\n"
    "  --dir DIR          directory for the COM<n> link (default: a new temporary one)\n"
    "  --port N           port number n of the link (default 1)\n"
    "  --state DIR        keep the controller's files in DIR (default: in memory)\n"
    "  --echo-bytewise    echo every received byte at once\n"
    "  --baud N           pace the line at N baud (default: no pacing)\n"
    "  --transcript FILE  append one line per command to FILE\n"
    "  --fault KIND[:FROM[:TO[:BYTES]]]\n"
    "                     inject a fault into commands FROM..TO (repeatable); KIND is one of\n"
    "                     silence, echo-then-silence, no-prompt, garbage-before-echo,\n"
    "                     non-hex-line, short-answer, one-byte-chunks, hang-up,\n"
    "                     prompt-with-blank, dropped-digit, odd-width-hex,\n"
    "                     refuse-write, line-cut-after-gt, extra-digit, extra-byte,\n"
    "                     late-answer, reload-error, wrong-echo, alter-write (BYTES:\n"
    "                     the byte of each chunk written one higher, default 0)\n"
    "                     (late-answer holds the reply back until the tool closes\n"
    "                     the port: it waits there when the port opens again)\n"
    "  --help             show this text\n";

struct FaultName
{
    std::string_view name;
    sim::Fault::Kind kind;
};

constexpr FaultName faultNames[] = {
    {"silence", sim::Fault::Silence},
    {"echo-then-silence", sim::Fault::EchoThenSilence},
    {"no-prompt", sim::Fault::NoPrompt},
    {"garbage-before-echo", sim::Fault::GarbageBeforeEcho},
    {"non-hex-line", sim::Fault::NonHexLine},
    {"short-answer", sim::Fault::ShortAnswer},
    {"one-byte-chunks", sim::Fault::OneByteChunks},
    {"hang-up", sim::Fault::HangUp},
    {"prompt-with-blank", sim::Fault::PromptWithBlank},
    {"dropped-digit", sim::Fault::DroppedDigit},
    {"odd-width-hex", sim::Fault::OddWidthHex},
    {"refuse-write", sim::Fault::RefuseWrite},
    {"line-cut-after-gt", sim::Fault::LineCutAfterGt},
    {"extra-digit", sim::Fault::ExtraDigit},
    {"extra-byte", sim::Fault::ExtraByte},
    {"late-answer", sim::Fault::LateAnswer},
    {"reload-error", sim::Fault::ReloadError},
    {"wrong-echo", sim::Fault::WrongEcho},
    {"alter-write", sim::Fault::AlterWrite},
};

std::optional<int> parseInt(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// KIND[:FROM[:TO[:BYTES]]]
std::optional<sim::Fault> parseFault(std::string_view text)
{
    sim::Fault fault;
    const std::string_view name = text.substr(0, text.find(':'));
    for (const FaultName &entry : faultNames) {
        if (entry.name == name)
            fault.kind = entry.kind;
    }
    if (fault.kind == sim::Fault::None)
        return std::nullopt;
    int *const numbers[] = {&fault.fromCommand, &fault.toCommand, &fault.bytes};
    std::string_view rest = name.size() < text.size() ? text.substr(name.size() + 1) : "";
    for (int *number : numbers) {
        if (rest.empty())
            break;
        const std::string_view field = rest.substr(0, rest.find(':'));
        const auto value = parseInt(field);
        if (!value)
            return std::nullopt;
        *number = *value;
        rest = field.size() < rest.size() ? rest.substr(field.size() + 1) : "";
    }
    if (!rest.empty())
        return std::nullopt;
    if (fault.toCommand < fault.fromCommand)
        return std::nullopt;
    return fault;
}

[[noreturn]] void die(const std::string &message)
{
    std::cerr << "controller-sim: " << message << "\n(see controller-sim --help)\n";
    std::exit(2);
}

} // namespace

int main(int argc, char **argv)
{
    std::string dir;
    int port = 1;
    sim::SimOptions options;
    std::vector<sim::Fault> faults;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> std::string_view {
            if (i + 1 >= argc)
                die("option " + std::string(arg) + " needs a value");
            return argv[++i];
        };
        if (arg == "--help") {
            std::cout << usage;
            return 0;
        } else if (arg == "--dir") {
            dir = value();
        } else if (arg == "--port") {
            const auto n = parseInt(value());
            if (!n || *n < 1)
                die("bad port number");
            port = *n;
        } else if (arg == "--state") {
            options.stateDir = value();
        } else if (arg == "--echo-bytewise") {
            options.echoByteByByte = true;
        } else if (arg == "--baud") {
            const auto n = parseInt(value());
            if (!n || *n < 1)
                die("bad baud rate");
            options.baud = *n;
        } else if (arg == "--transcript") {
            options.transcriptPath = value();
        } else if (arg == "--fault") {
            const std::string_view text = value();
            const auto fault = parseFault(text);
            if (!fault)
                die("bad fault '" + std::string(text) + "'");
            faults.push_back(*fault);
        } else {
            die("unknown option '" + std::string(arg) + "'");
        }
    }

    bool ownDir = false;
    if (dir.empty()) {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/controller-sim-XXXXXX";
        if (!mkdtemp(pattern.data()))
            die("cannot create a temporary directory");
        dir = pattern;
        ownDir = true;
    }

    // Signals are taken by sigwait below; the serving thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    sim::ControllerSim controller(options);
    for (const sim::Fault &fault : faults)
        controller.addFault(fault);
    std::string error;
    if (!controller.start(dir, port, &error)) {
        if (ownDir)
            std::filesystem::remove(dir);
        die(error);
    }
    std::cout << "controller-sim: COM" << port << " is ready at " << controller.linkPath()
              << " (KOLT_TARVO_PORTS=" << dir << ")" << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    controller.stop();
    if (ownDir)
        std::filesystem::remove(dir);
    return 0;
}
