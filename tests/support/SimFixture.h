// Test fixture: a controller stand-in on a pseudo-terminal that the tool's
// port numbers reach, and helpers that wait on the event loop with a limit.
#pragma once

#include "ControllerSim.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class TTerminal;

class SimFixture
{
public:
    // Starts a stand-in as COM<port> in a fresh directory and points
    // KOLT_TARVO_PORTS at it. Throws std::runtime_error on failure.
    explicit SimFixture(int port = 1, sim::SimOptions options = {});
    ~SimFixture();

    sim::ControllerSim &Sim() { return *m_sim; }
    int Port() const { return m_port; }
    QString PortsDir() const { return m_dir.path(); }
    // A second stand-in in the same directory, as COM<port>.
    std::unique_ptr<sim::ControllerSim> StartAnother(int port, sim::SimOptions options = {});

private:
    QTemporaryDir m_dir;
    int m_port;
    std::unique_ptr<sim::ControllerSim> m_sim;
};

// Handles events until condition() holds or timeoutMs passed (a guard
// against a hung run, generous for a busy machine); returns
// condition().
bool WaitFor(const std::function<bool()> &condition, int timeoutMs = 30000);

// "Nothing more came" is known only once something that must come after it
// has come. The stand-in serves the line in order: once it has taken the
// sentinel command, whatever was sent before it has arrived, and once its
// answer has been received, whatever the stand-in wrote before (what
// print() hands it is written on its own time: wait for that first).
inline const QByteArray kSentinelCommand = "sentinel";
// What the stand-in answers to kSentinelCommand: echo, answer line, prompt.
inline const QByteArray kSentinelAnswer = "sentinel\r\r\nUnknown command: sentinel\r\n>";
// Sends kSentinelCommand and a CR through terminal, opening it when closed,
// and handles events until sim has taken it; false when it never did.
bool SentinelTaken(TTerminal &terminal, const sim::ControllerSim &sim);
// Handles events until every event posted to this thread so far has been
// handled (whatever the reader posted before it was stopped, for one).
bool PostedEventsHandled();

// Whether a terminal of its own can open COM<port> now.
bool PortOpens(int port);
