#include "WriteLog.h"

#include "common/Cp1251.h"
#include "terminal/ExchangeLine.h"
#include "terminal/RemoteFile.h"
#include "terminal/Terminal.h"

namespace {

// The bytes a file write step wrote, or a check's read asked for.
TFileRange Moved(const TExchangeStep &step)
{
    return {step.File, step.Offset, qint64(step.Offset) + step.Size - 1};
}

} // namespace

TWriteLog::TWriteLog(const TExchangeLine &line) : m_line(line)
{
    connect(&line, &TExchangeLine::commandStarted, this, &TWriteLog::Started);
    connect(&line, &TExchangeLine::commandFinished, this, &TWriteLog::Finished);
}

void TWriteLog::Started(const TExchangeStep &step)
{
    // A shut terminal refuses the command before it is sent.
    if (!m_line.Terminal().IsShut())
        m_inFlight = step;
}

void TWriteLog::Finished(const TExchangeStep &step, bool succeeded)
{
    if (!succeeded)
        return;
    m_inFlight.reset();
    switch (step.Kind) {
    case TExchangeStep::TKind::Read:
        return;
    case TExchangeStep::TKind::Command:
        m_entries.append({{}, false, step.Command});
        return;
    case TExchangeStep::TKind::Check:
        m_entries.append({Moved(step), true, {}});
        return;
    case TExchangeStep::TKind::Write:
        break;
    }
    const TFileRange range = Moved(step);
    if (!m_entries.isEmpty()) {
        TEntry &last = m_entries.last();
        if (last.command.isEmpty() && !last.readBack && last.range.file == range.file
            && last.range.last + 1 == range.first) {
            last.range.last = range.last;
            return;
        }
    }
    m_entries.append({range, false, {}});
}

QStringList TWriteLog::Report() const
{
    QStringList lines;
    bool wrote = false;
    for (const TEntry &entry : m_entries) {
        if (entry.readBack) {
            lines << QStringLiteral("read back: ") + entry.range.Describe();
        } else if (entry.command.isEmpty()) {
            lines << QStringLiteral("written: ") + entry.range.Describe();
            wrote = true;
        } else {
            lines << QStringLiteral("done: ") + Cp1251::toUnicode(entry.command);
        }
    }
    if (!wrote)
        lines.prepend(QStringLiteral("written: nothing"));
    if (m_inFlight) {
        const QString command = m_inFlight->Kind == TExchangeStep::TKind::Write
            ? QStringLiteral("%1 %2 %3, %4 bytes")
                  .arg(QLatin1String(RemoteFileCommand::Write), Cp1251::toUnicode(m_inFlight->File))
                  .arg(m_inFlight->Offset)
                  .arg(m_inFlight->Size)
            : Cp1251::toUnicode(m_inFlight->Command);
        lines << QStringLiteral("in flight: ") + command;
    }
    return lines;
}
