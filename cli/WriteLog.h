// What a run has done on the controller, for the report of an interrupted
// run: the bytes written, file by file in the order of writing, the bytes
// read back to check them, the other commands that completed, and the
// command that was in flight.
#pragma once

#include "station/FileRange.h"
#include "terminal/ExchangeStep.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

#include <optional>

class TExchangeLine;

class TWriteLog : public QObject
{
    Q_OBJECT

public:
    // Create it after the TInterrupt of the terminal, whose refusal of a
    // command it then sees before the command counts as in flight.
    explicit TWriteLog(const TExchangeLine &line);

    // "written: <range>", "read back: <range>", "done: <command>" and "in
    // flight: <command>" lines; "written: nothing" when no byte was written.
    QStringList Report() const;

private:
    void Started(const TExchangeStep &step);
    void Finished(const TExchangeStep &step, bool succeeded);

    struct TEntry
    {
        TFileRange range;      // bytes written or read back, when command is empty
        bool readBack = false; // a check's read, which compares them afterwards
        QByteArray command;    // another command that completed
    };
    const TExchangeLine &m_line;
    QList<TEntry> m_entries;
    std::optional<TExchangeStep> m_inFlight; // started and not completed
};
