// kolt-serial-peer LINK PROGRAM [ARGS...]
//
// Plays the far end of the line for a contract test that cannot open a
// pseudo-terminal itself (the Windows build under wine). Creates a
// pseudo-terminal, links its slave as LINK (for wine: a comN entry in the
// prefix's dosdevices, made before wine starts), then runs PROGRAM with a
// pipe on its stdin and stdout and serves the requests of peer_protocol.h
// until PROGRAM ends. Exits with PROGRAM's exit status.
#include "peer_protocol.h"
#include "pseudoterminal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string answer(PseudoTerminal &line, const std::string &request)
{
    const auto space = request.find(' ');
    const std::string verb = request.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : request.substr(space + 1);
    if (verb == "send")
        return line.send(peer::fromHex(argument)) ? "ok" : "error";
    if (verb == "receive")
        return "ok " + peer::toHex(line.receive(std::stoul(argument)));
    if (verb == "queued")
        return line.waitQueued(std::stoul(argument)) ? "ok" : "error";
    if (verb == "hangup") {
        line.hangUp();
        return "ok";
    }
    return "error";
}

// Serves requests until the child ends. The child's own children (wineserver)
// may keep the pipe open, so its end is seen by waitpid(), not by EOF.
int serve(PseudoTerminal &line, pid_t child, int requests, int answers)
{
    std::string pending;
    for (;;) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pollfd input { requests, POLLIN, 0 };
        if (::poll(&input, 1, 100) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(requests, buffer, sizeof buffer);
        if (n <= 0) {
            // The pipe has closed: wait for the child alone.
            ::waitpid(child, &status, 0);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            std::string request = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!request.empty() && request.back() == '\r')
                request.pop_back();
            const std::string reply = answer(line, request) + "\n";
            if (::write(answers, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size()))
                return 1;
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LINK PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);
    PseudoTerminal line;
    const std::string failure = line.open(argv[1]);
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[0], failure.c_str());
        return 1;
    }

    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return 1;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child == 0) {
        ::dup2(toChild[0], STDIN_FILENO);
        ::dup2(fromChild[1], STDOUT_FILENO);
        ::execvp(argv[2], argv + 2);
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[2], std::strerror(errno));
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    return serve(line, child, fromChild[0], toChild[1]);
}
