// The reader of one open period of a TTerminal.
#pragma once

#include <QByteArray>
#include <QEvent>
#include <atomic>
#include <thread>

namespace serial { class Port; }

// Posted by the reader to the terminal, each marked with the reader's run:
// the terminal numbers every reader it starts.
class TTerminalDataEvent : public QEvent
{
public:
    static const QEvent::Type Type;
    TTerminalDataEvent(QByteArray bytes, quint64 run) : QEvent(Type), Bytes(std::move(bytes)), Run(run) {}
    const QByteArray Bytes;
    const quint64 Run; // the run that read them
};

class TTerminalErrorEvent : public QEvent
{
public:
    static const QEvent::Type Type;
    TTerminalErrorEvent(int code, quint64 run) : QEvent(Type), Code(code), Run(run) {}
    const int Code;
    const quint64 Run; // the run that failed
};

// A std::thread rather than a QThread: its start and join are plain
// pthread calls, which ThreadSanitizer follows; QThread's are synchronised
// inside Qt, where it cannot see.
class TTerminalThread
{
public:
    // Reads port for receiver until stopped or the line fails, marking what
    // it posts with run. Created without being started.
    TTerminalThread(QObject *receiver, serial::Port &port, quint64 run);
    ~TTerminalThread(); // Stop()

    TTerminalThread(const TTerminalThread &) = delete;
    TTerminalThread &operator=(const TTerminalThread &) = delete;

    void Start();
    // Makes the reader end without reporting; waits until it has.
    void Stop();

private:
    void Read();
    void Post(QEvent *event);
    void Fail(int code);

    QObject *const m_receiver;
    serial::Port &m_port;
    const quint64 m_run;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
