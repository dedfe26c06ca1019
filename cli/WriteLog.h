// What a run has done on the controller, for the report of an interrupted
// run: the bytes written, file by file in the order of writing, the other
// commands that completed, and the command that was in flight.
#pragma once

#include "FileRange.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

class TTerminal;

class TWriteLog : public QObject
{
    Q_OBJECT

public:
    // Create it after the TInterrupt of the terminal, whose refusal of a
    // command it then sees before the command counts as in flight.
    explicit TWriteLog(TTerminal &terminal);

    // "written: <range>", "done: <command>" and "in flight: <command>"
    // lines; "written: nothing" when no byte was written.
    QStringList Report() const;

private:
    void Started(const QByteArray &command);
    void Finished(const QByteArray &command, bool succeeded);

    struct TEntry
    {
        TFileRange written; // a write, when command is empty
        QByteArray command; // another command that completed
    };
    TTerminal &m_terminal;
    QList<TEntry> m_entries;
    QByteArray m_inFlight; // started and not completed
};
