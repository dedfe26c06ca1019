#include "Progress.h"

#include "StdStreams.h"
#include "terminal/ExchangeLine.h"

TProgress::TProgress(const TExchangeLine &line)
{
    if (!StdStreams::ErrorIsTerminal())
        return;
    connect(&line, &TExchangeLine::commandFinished, this, &TProgress::CommandFinished);
    connect(&line, &TExchangeLine::exchangeRunningChanged, this, &TProgress::RunningChanged);
}

void TProgress::CommandFinished(const TExchangeStep &step, bool succeeded)
{
    if (!succeeded || step.Kind != TExchangeStep::TKind::Write)
        return;
    ++m_written;
    StdStreams::WriteError(
        QStringLiteral("\rchunks written %1 of %2").arg(m_written).arg(step.Plan.Writes).toUtf8());
}

void TProgress::RunningChanged(bool running)
{
    if (running || m_written == 0)
        return;
    StdStreams::WriteError("\n");
    m_written = 0;
}
