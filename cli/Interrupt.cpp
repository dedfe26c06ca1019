#include "Interrupt.h"

#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t g_signal = 0;

#ifdef Q_OS_WIN

TInterrupt *g_receiver = nullptr;

// Runs on a thread of its own.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    g_signal = event == CTRL_C_EVENT ? SIGINT : SIGBREAK;
    QMetaObject::invokeMethod(g_receiver, "Interrupted", Qt::QueuedConnection);
    return TRUE;
}

#else

int g_pipe[2] = {-1, -1}; // the handler's byte wakes the event loop

extern "C" void OnSignal(int signal)
{
    const int savedErrno = errno;
    g_signal = signal;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void SetAction(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

constexpr int kSignals[] = {SIGINT, SIGTERM};

#endif

} // namespace

TInterrupt::TInterrupt(TExchangeLine &line) : m_terminal(line.Terminal())
{
    // A signal that came between two commands stops the next one before it
    // is sent.
    connect(&line, &TExchangeLine::commandStarted, this, [this] {
        if (Signal() != 0)
            Interrupted();
    });
}

TInterrupt::~TInterrupt()
{
    if (!m_armed)
        return;
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    g_receiver = nullptr;
#else
    for (const int signal : kSignals)
        SetAction(signal, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
#endif
}

void TInterrupt::Arm()
{
    if (m_armed)
        return;
    m_armed = true;
#ifdef Q_OS_WIN
    g_receiver = this;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    if (::pipe(g_pipe) != 0)
        return; // no way to notice a signal: the default actions stay
    for (const int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        Interrupted();
    });
    for (const int signal : kSignals)
        SetAction(signal, OnSignal);
#endif
}

int TInterrupt::Signal() const
{
    return g_signal;
}

QString TInterrupt::SignalName() const
{
    switch (Signal()) {
    case SIGINT: return QStringLiteral("SIGINT");
    case SIGTERM: return QStringLiteral("SIGTERM");
#ifdef Q_OS_WIN
    case SIGBREAK: return QStringLiteral("SIGBREAK");
#endif
    }
    return QString::number(Signal());
}

int TInterrupt::ExitStatus() const
{
#ifdef Q_OS_WIN
    return int(STATUS_CONTROL_C_EXIT);
#else
    return 128 + Signal();
#endif
}

void TInterrupt::Interrupted()
{
    m_terminal.Shut(QStringLiteral("Interrupted by %1").arg(SignalName()));
}
