#include "SimFixture.h"

#include "common/Error.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <memory>
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

// Waits in the event loop, which sleeps until an event arrives; the tick
// wakes it to look at the condition and the clock again. (A loop that
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

bool SentinelTaken(TTerminal &terminal, const sim::ControllerSim &sim)
{
    try {
        terminal.Send(kSentinelCommand + '\r');
    } catch (const TError &) {
        return false;
    }
    return WaitFor([&] {
        const std::vector<std::string> commands = sim.commands();
        return !commands.empty() && commands.back() == kSentinelCommand.toStdString();
    });
}

bool PostedEventsHandled()
{
    // Posted events of equal priority are handled in the order posted.
    const auto handled = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(QCoreApplication::instance(), [handled] { *handled = true; }, Qt::QueuedConnection);
    return WaitFor([handled] { return *handled; });
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
