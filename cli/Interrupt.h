// SIGINT and SIGTERM (Ctrl+C and Ctrl+Break on Windows) while a run uses the
// port: the terminal is shut, so the command in flight ends as on a closed
// port, no further command starts and the port is closed, its exclusive
// mark cleared. Until Arm() the signals keep their default action.
#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;
class TExchangeLine;
class TTerminal;

class TInterrupt : public QObject
{
    Q_OBJECT

public:
    explicit TInterrupt(TExchangeLine &line);
    ~TInterrupt() override; // the default actions again

    // Takes the signals over; no effect the second time.
    void Arm();

    // The signal that came, 0 while none did.
    int Signal() const;
    // "SIGINT", "SIGTERM", ...
    QString SignalName() const;
    // The exit status of a program ended by that signal.
    int ExitStatus() const;

private:
    // Shuts the terminal; queued from Windows' console handler thread.
    Q_INVOKABLE void Interrupted();

    TTerminal &m_terminal;
    bool m_armed = false;
    QSocketNotifier *m_notifier = nullptr;
};
