#include "TerminalThread.h"

#include "ThreadHandOver.h"
#include "serial.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

const QEvent::Type TTerminalDataEvent::Type = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type TTerminalErrorEvent::Type = static_cast<QEvent::Type>(QEvent::registerEventType());

namespace {
constexpr std::size_t kReadSize = 1024; // at most this much per pass
}

TTerminalThread::TTerminalThread(QObject *receiver, serial::Port &port, quint64 run,
                                 std::function<void(qsizetype)> posted)
    : m_receiver(receiver), m_port(port), m_run(run), m_posted(std::move(posted))
{
}

TTerminalThread::~TTerminalThread()
{
    Stop();
}

void TTerminalThread::Start()
{
    m_thread = std::thread([this] { Read(); });
}

void TTerminalThread::Stop()
{
    m_stopping = true;
    m_port.stop();
    if (m_thread.joinable())
        m_thread.join();
}

void TTerminalThread::Post(QEvent *event)
{
    ThreadHandOver::Release(event);
    ThreadHandOver::InsideQtLock([&] { QCoreApplication::postEvent(m_receiver, event); });
}

void TTerminalThread::Read()
{
    char buffer[kReadSize];
    for (;;) {
        serial::ErrorCode error = 0;
        switch (m_port.waitForInput(error)) {
        case serial::WaitResult::Stopped:
            return;
        case serial::WaitResult::Failed:
            Fail(error);
            return;
        case serial::WaitResult::Input:
            break;
        }

        std::size_t queued = 0;
        if ((error = m_port.queuedBytes(queued)) != 0) {
            Fail(error);
            return;
        }
        // A wake with nothing queued still reads, so that a hang-up the wait
        // did not flag is reported by the read.
        std::size_t got = 0;
        error = m_port.read(buffer, std::clamp<std::size_t>(queued, 1, kReadSize), got);
        if (error != 0) {
            Fail(error);
            return;
        }
        if (got > 0) {
            Post(new TTerminalDataEvent(QByteArray(buffer, qsizetype(got)), m_run));
            if (m_posted)
                m_posted(qsizetype(got));
        }
    }
}

void TTerminalThread::Fail(int code)
{
    // A failure met because Close() is stopping the reader is no failure.
    if (!m_stopping)
        Post(new TTerminalErrorEvent(code, m_run));
}
