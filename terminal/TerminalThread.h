// The reader of one open period of a TTerminal.
#pragma once

#include <QByteArray>
#include <QEvent>
#include <atomic>
#include <functional>
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
    // it posts with run; calls posted, when given, with the size of each
    // chunk it has posted. Created without being started.
    TTerminalThread(QObject *receiver, serial::Port &port, quint64 run,
                    std::function<void(qsizetype)> posted = {});
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
    const std::function<void(qsizetype)> m_posted;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
