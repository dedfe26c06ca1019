#include "SimFixture.h"

#include "common/Error.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
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

bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Pump(int milliseconds)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
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
