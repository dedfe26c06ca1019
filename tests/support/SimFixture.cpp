#include "SimFixture.h"

#include "common/Error.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <stdexcept>

SimFixture::SimFixture(int port, sim::SimOptions options)
    : m_port(port), m_sim(std::make_unique<sim::ControllerSim>(std::move(options)))
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary directory");
    std::string error;
    if (!m_sim->start(m_dir.path().toStdString(), port, &error))
        throw std::runtime_error(error);
    qputenv("KOLT_TARVO_PORTS", m_dir.path().toLocal8Bit());
}

SimFixture::~SimFixture()
{
    m_sim->stop();
    qunsetenv("KOLT_TARVO_PORTS");
}

std::unique_ptr<sim::ControllerSim> SimFixture::StartAnother(int port, sim::SimOptions options)
{
    auto other = std::make_unique<sim::ControllerSim>(std::move(options));
    std::string error;
    if (!other->start(m_dir.path().toStdString(), port, &error))
        throw std::runtime_error(error);
    return other;
}

// Both wait in the event loop, which sleeps until an event arrives; the
// tick wakes it to look at the condition and the clock again. (A loop that
// polled would take a core from the stand-in and the reader on a busy machine.)
bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer tick;
    tick.start(10);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void Pump(int milliseconds)
{
    WaitFor([] { return false; }, milliseconds);
}

bool PortOpens(int port)
{
    TTerminal probe;
    probe.SetPortNumber(port);
    try {
        probe.Open();
        return true;
    } catch (const TError &) {
        return false;
    }
}
