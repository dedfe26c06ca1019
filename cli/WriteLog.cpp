#include "WriteLog.h"

#include "common/Cp1251.h"
#include "terminal/RemoteFile.h"
#include "terminal/Terminal.h"

namespace {

// A file write command's file, offset and size; false for other commands.
bool ParseWrite(const QByteArray &command, TFileRange &range)
{
    const QList<QByteArray> words = command.split(' ');
    if (words.size() != 4 || words.at(0) != RemoteFileCommand::Write)
        return false;
    bool isNumber = false;
    const qint64 offset = words.at(2).toLongLong(&isNumber);
    if (!isNumber)
        return false;
    range = {words.at(1), offset, offset + words.at(3).size() / 2 - 1};
    return true;
}

} // namespace

TWriteLog::TWriteLog(TTerminal &terminal) : m_terminal(terminal)
{
    connect(&terminal, &TTerminal::commandStarted, this, &TWriteLog::Started);
    connect(&terminal, &TTerminal::commandFinished, this, &TWriteLog::Finished);
}

void TWriteLog::Started(const QByteArray &command)
{
    // A shut terminal refuses the command before it is sent.
    if (!m_terminal.IsShut())
        m_inFlight = command;
}

void TWriteLog::Finished(const QByteArray &command, bool succeeded)
{
    if (!succeeded)
        return;
    m_inFlight.clear();
    TFileRange range;
    if (!ParseWrite(command, range)) {
        if (command.split(' ').constFirst() != RemoteFileCommand::Read)
            m_entries.append({{}, command});
        return;
    }
    if (!m_entries.isEmpty()) {
        TFileRange &last = m_entries.last().written;
        if (m_entries.last().command.isEmpty() && last.file == range.file && last.last + 1 == range.first) {
            last.last = range.last;
            return;
        }
    }
    m_entries.append({range, {}});
}

QStringList TWriteLog::Report() const
{
    QStringList lines;
    bool wrote = false;
    for (const TEntry &entry : m_entries) {
        if (entry.command.isEmpty()) {
            lines << QStringLiteral("written: ") + entry.written.Describe();
            wrote = true;
        } else {
            lines << QStringLiteral("done: ") + Cp1251::toUnicode(entry.command);
        }
    }
    if (!wrote)
        lines.prepend(QStringLiteral("written: nothing"));
    if (!m_inFlight.isEmpty()) {
        TFileRange range;
        const QString command = ParseWrite(m_inFlight, range)
            ? QStringLiteral("%1 %2 %3, %4 bytes")
                  .arg(QLatin1String(RemoteFileCommand::Write), Cp1251::toUnicode(range.file))
                  .arg(range.first)
                  .arg(range.last - range.first + 1)
            : Cp1251::toUnicode(m_inFlight);
        lines << QStringLiteral("in flight: ") + command;
    }
    return lines;
}
