// Test fixture: a controller stand-in on a pseudo-terminal that the tool's
// port numbers reach, and helpers that wait on the event loop with a limit.
#pragma once

#include "ControllerSim.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

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

// Handles events for the given time.
void Pump(int milliseconds);

// Whether a terminal of its own can open COM<port> now.
bool PortOpens(int port);
